// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/settingfiles.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>

namespace korvane::publish {

SettingFile SettingFile::read(const QString& path)
{
    SettingFile file;
    const QFileInfo info(path);
    if (!info.exists()) {
        file.error = QCoreApplication::translate("korvane::publish", "no such file");
        return file;
    }
    // Checked before opening: opening a FIFO for reading waits for a writer.
    if (!info.isFile()) {
        file.error =
            info.isDir()
                ? QCoreApplication::translate("korvane::publish", "it is a folder")
                : QCoreApplication::translate("korvane::publish", "it is not a regular file");
        return file;
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        file.error = f.errorString();
        return file;
    }
    file.bytes = f.read(kMostBytes + 1);
    if (file.bytes.size() > kMostBytes) {
        file.bytes.clear();
        file.error = QCoreApplication::translate("korvane::publish", "it is larger than 64 KiB");
        return file;
    }
#ifdef Q_OS_WIN
    // Windows guards files by access lists, which these permission bits do not show; a warning
    // to chmod would be no advice there.
    file.othersMayRead = false;
#else
    file.othersMayRead = (info.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther));
#endif
    return file;
}

QString passwordOf(const QByteArray& bytes)
{
    QByteArray line = bytes.left(bytes.indexOf('\n'));
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromUtf8(line);
}

QString certificateAuthorityProblem(const QString& path)
{
    const SettingFile file = SettingFile::read(path);
    if (!file.error.isEmpty())
        return file.error;
    // The same PEM reader TLS will use: certificates, and revocation lists beside them.
    const std::unique_ptr<BIO, decltype(&BIO_free)> bio(
        BIO_new_mem_buf(file.bytes.constData(), int(file.bytes.size())), &BIO_free);
    ERR_clear_error();
    STACK_OF(X509_INFO)* infos = PEM_X509_INFO_read_bio(bio.get(), nullptr, nullptr, nullptr);
    if (!infos) {
        const unsigned long e = ERR_get_error();
        const char* reason = ERR_reason_error_string(e);
        return reason ? QCoreApplication::translate("korvane::publish", "no certificate in it (%1)")
                            .arg(QString::fromUtf8(reason))
                      : QCoreApplication::translate("korvane::publish", "no certificate in it");
    }
    int certificates = 0;
    for (int i = 0; i < sk_X509_INFO_num(infos); ++i) {
        if (sk_X509_INFO_value(infos, i)->x509)
            ++certificates;
    }
    sk_X509_INFO_pop_free(infos, X509_INFO_free);
    ERR_clear_error();
    return certificates > 0
               ? QString()
               : QCoreApplication::translate("korvane::publish", "no certificate in it");
}

} // namespace korvane::publish
