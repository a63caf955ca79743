// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure/numtext.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace korvane::measure {

namespace {
constexpr int kSignificantDigits = 15;

int integerDigits(double magnitude)
{
    if (magnitude < 1.0)
        return 0;
    return int(std::floor(std::log10(magnitude))) + 1;
}
} // namespace

QString numtext(double x)
{
    if (!std::isfinite(x))
        return QString();

    // 15 significant digits in fixed notation; then the zeros that only pad are dropped.
    const int decimals = std::max(0, kSignificantDigits - integerDigits(std::fabs(x)));
    char buf[400];
    const auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, decimals);
    if (ec != std::errc())
        return QString();

    const char* last = end;
    const char* point = std::find(static_cast<const char*>(buf), last, '.');
    if (point != last) {
        while (last > point && (last[-1] == '0'))
            --last;
        if (last - 1 == point)
            --last;
    }
    std::string_view digits(buf, std::size_t(last - buf));
    if (digits == "-0")
        digits = "0";

    QString text = QString::fromLatin1(digits.data(), qsizetype(digits.size()));
    const qsizetype at = text.indexOf(u'.');
    if (at >= 0) {
        const QString separator = QLocale().decimalPoint();
        if (separator != QStringLiteral("."))
            text.replace(at, 1, separator);
    }
    return text;
}

} // namespace korvane::measure
