// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/devicelink.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace korvane::sim {

namespace {
QString readLink(const QByteArray& link)
{
    char buf[4096];
    const ssize_t n = ::readlink(link.constData(), buf, sizeof buf);
    return n < 0 ? QString() : QString::fromLocal8Bit(buf, qsizetype(n));
}
} // namespace

bool pointLink(const QString& link, const QString& target, QString* error)
{
    const QByteArray linkName = QFile::encodeName(link);
    auto fail = [&](const QString& what) {
        if (error)
            *error = QStringLiteral("%1 %2: %3")
                         .arg(what, link, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    };

    struct stat st
    {
    };
    if (::lstat(linkName.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        errno = EEXIST;
        return fail(QStringLiteral("will not replace"));
    }
    const QByteArray temp = linkName + ".new-" + QByteArray::number(qint64(::getpid()));
    ::unlink(temp.constData());
    if (::symlink(QFile::encodeName(target).constData(), temp.constData()) < 0)
        return fail(QStringLiteral("cannot create the link"));
    if (::rename(temp.constData(), linkName.constData()) < 0) {
        const int saved = errno;
        ::unlink(temp.constData());
        errno = saved;
        return fail(QStringLiteral("cannot create the link"));
    }
    return true;
}

void removeLink(const QString& link, const QString& target)
{
    const QByteArray linkName = QFile::encodeName(link);
    if (!link.isEmpty() && readLink(linkName) == target)
        ::unlink(linkName.constData());
}

} // namespace korvane::sim
