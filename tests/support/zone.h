// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QTimeZone>

#include <ctime>

namespace korvane::testing {

// Makes the test's local time the named zone. Linux takes any zone from TZ at once. Windows
// keeps its system's zone, which under wine is the TZ the process started with (CTest starts the
// Windows suites in Europe/Berlin); its C runtime would read TZ as a POSIX rule instead, so TZ
// goes. False when the zone cannot be had: the test skips with kOtherZone.
inline bool useLocalZone(const QByteArray& zone)
{
#ifdef Q_OS_WIN
    qunsetenv("TZ");
    _tzset();
    // The same zone if local time keeps its offsets in winter and in summer.
    const QTimeZone wanted(zone);
    for (int month : {1, 7}) {
        const QDateTime local(QDate(2026, month, 15), QTime(12, 0));
        if (!wanted.isValid() || local.offsetFromUtc() != wanted.offsetFromUtc(local))
            return false;
    }
    return true;
#else
    qputenv("TZ", zone);
    tzset();
    return true;
#endif
}

inline constexpr char kOtherZone[] = "Windows keeps its system's time zone, here not this one";

} // namespace korvane::testing
