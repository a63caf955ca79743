// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/meterwords.h"

#include <QCoreApplication>

#include <array>

namespace korvane::app {

namespace {
constexpr std::array kWords{
    QT_TRANSLATE_NOOP("MeterWords", "normal"),
    QT_TRANSLATE_NOOP("MeterWords", "reverse"),
    QT_TRANSLATE_NOOP("MeterWords", "error"),
    QT_TRANSLATE_NOOP("MeterWords", "Phase"),
};
} // namespace

QString meterWord(const QString& word)
{
    for (const char* known : kWords) {
        if (word == QLatin1String(known))
            return QCoreApplication::translate("MeterWords", known);
    }
    return word;
}

} // namespace korvane::app
