// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/logfile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
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
} // namespace

LogFile::LogFile(QString path, QByteArray heading)
    : m_wantedPath(std::move(path)), m_heading(std::move(heading))
{
}

bool LogFile::open(qint64 nowMs)
{
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
            return fail(QStringLiteral("could not create %1: %2")
                            .arg(QDir::toNativeSeparators(m_file.fileName()),
                                 m_file.errorString()));
    }
    if (!m_file.isOpen())
        return fail(QStringLiteral("could not create a new file next to %1: every name is taken")
                        .arg(QDir::toNativeSeparators(wanted)));
    m_size = 0;
    if (m_heading.isEmpty())
        return true;
    if (m_file.write(m_heading) != m_heading.size())
        return fail(QStringLiteral("could not write %1: %2")
                        .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString()));
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
    if (m_file.write(lines) != lines.size())
        return fail(QStringLiteral("could not write %1: %2")
                        .arg(QDir::toNativeSeparators(m_file.fileName()), m_file.errorString()));
    m_size += lines.size();
    return true;
}

void LogFile::close()
{
    m_file.close();
}

bool LogFile::fail(const QString& message)
{
    m_error = message;
    m_file.close();
    return false;
}

// Writes to a file that is no longer in any folder succeed and go nowhere.
bool LogFile::deletedUnderUs() const
{
#ifdef Q_OS_UNIX
    struct stat st{};
    return ::fstat(m_file.handle(), &st) == 0 && st.st_nlink == 0;
#else
    return !QFileInfo::exists(m_file.fileName());
#endif
}

} // namespace korvane::datalog
