// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/logfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace korvane::datalog {

namespace {
constexpr int kMostAlternatives = 999;

// "dir/survey.csv" with a tag: "dir/survey-tag.csv".
QString tagged(const QString& path, const QString& tag)
{
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString stem = suffix.isEmpty() ? path : path.chopped(suffix.size() + 1);
    return stem + u'-' + tag + (suffix.isEmpty() ? QString() : u'.' + suffix);
}

qint64 nextLocalMidnight(qint64 ms)
{
    const QDate day = QDateTime::fromMSecsSinceEpoch(ms).date();
    // The day's first instant, also where clocks skip from 23:59:59 to 01:00.
    return day.addDays(1).startOfDay().toMSecsSinceEpoch();
}

// What an existing path is when it is no regular file ("a folder", "a device"...), else empty.
// Such a name is refused rather than logged around: "-2" beside /dev/null helps nobody.
QString notAFile(const QString& path)
{
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || S_ISREG(st.st_mode))
        return {};
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("a folder");
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return QStringLiteral("a device");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("a FIFO");
    return QStringLiteral("no regular file");
#else
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return {};
    return info.isDir() ? QStringLiteral("a folder") : QStringLiteral("no regular file");
#endif
}
} // namespace

LogFile::LogFile(QString path, QByteArray heading)
    : m_wantedPath(std::move(path)), m_heading(std::move(heading))
{}

bool LogFile::open(qint64 nowMs)
{
    if (m_wantedPath.endsWith(u'/') || m_wantedPath.endsWith(QDir::separator()))
        return fail(QStringLiteral("%1 names a folder, not a file")
                        .arg(QDir::toNativeSeparators(m_wantedPath)));
    return create(m_wantedPath, nowMs);
}

bool LogFile::create(const QString& wanted, qint64 ms)
{
    m_file.close();
    m_nextMidnightMs = nextLocalMidnight(ms);
    for (int n = 1; n <= kMostAlternatives; ++n) {
        m_file.setFileName(n == 1 ? wanted : tagged(wanted, QString::number(n)));
        // NewOnly fails on any name that exists, even one made a moment ago by someone else.
        if (m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
            break;
        if (!m_file.exists())
            return fail(
                QStringLiteral("could not create %1: %2")
                    .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString()));
        if (const QString what = notAFile(m_file.fileName()); n == 1 && !what.isEmpty())
            return fail(QStringLiteral("%1 is %2, not a file to log to")
                            .arg(QDir::toNativeSeparators(m_file.fileName()), what));
    }
    if (!m_file.isOpen())
        return fail(QStringLiteral("could not create a new file next to %1: every name is taken")
                        .arg(QDir::toNativeSeparators(wanted)));
    m_size = 0;
    if (m_heading.isEmpty())
        return true;
    if (const QString problem = writeWhole(m_heading); !problem.isEmpty()) {
        // Made by us a moment ago and holding no line: the next run may have the name.
        m_file.remove();
        return fail(QStringLiteral("could not write %1: %2")
                        .arg(QDir::toNativeSeparators(m_file.fileName()), problem));
    }
    m_size = m_heading.size();
    return true;
}

bool LogFile::append(qint64 ms, const QByteArray& lines)
{
    if (!m_file.isOpen())
        return false;
    if (ms >= m_nextMidnightMs) {
        const QString day = QDateTime::fromMSecsSinceEpoch(ms).date().toString(Qt::ISODate);
        if (!create(tagged(m_wantedPath, day), ms))
            return false;
    }
    if (deletedUnderUs())
        return fail(QStringLiteral("%1 was deleted or its folder removed")
                        .arg(QDir::toNativeSeparators(m_file.fileName())));
    if (const QString problem = writeWhole(lines); !problem.isEmpty()) {
        // What did fit would be a torn line; the file ends with whole ones.
        m_file.resize(m_size);
        return fail(QStringLiteral("could not write %1: %2")
                        .arg(QDir::toNativeSeparators(m_file.fileName()), problem));
    }
    m_size += lines.size();
    return true;
}

bool LogFile::close()
{
    if (!m_file.isOpen())
        return m_error.isEmpty();
    if (deletedUnderUs())
        return fail(QStringLiteral("%1 was deleted or its folder removed")
                        .arg(QDir::toNativeSeparators(m_file.fileName())));
    m_file.close();
    return true;
}

bool LogFile::fail(const QString& message)
{
    m_error = message;
    m_file.close();
    return false;
}

// A full disk or a file size limit lets part of a write through and refuses the rest; the
// refusal carries the reason, which a short count alone does not.
QString LogFile::writeWhole(const QByteArray& bytes)
{
#ifdef Q_OS_UNIX
    const char* data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(m_file.handle(), data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return QString::fromLocal8Bit(std::strerror(n < 0 ? errno : EIO));
        data += n;
        left -= n;
    }
    return {};
#else
    return m_file.write(bytes) == bytes.size() ? QString() : m_file.errorString();
#endif
}

// Writes to a file that is no longer in any folder succeed and go nowhere.
bool LogFile::deletedUnderUs() const
{
#ifdef Q_OS_UNIX
    struct stat st
    {
    };
    return ::fstat(m_file.handle(), &st) == 0 && st.st_nlink == 0;
#else
    return !QFileInfo::exists(m_file.fileName());
#endif
}

} // namespace korvane::datalog
