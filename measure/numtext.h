// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane::measure {

// The one rule by which a scaled quantity becomes display text: shortest plain decimal of at
// most 15 significant digits, no exponent, no trailing zeros, a zero before a bare point, and
// the decimal separator of the default locale (QLocale::setDefault).
QString numtext(double x);

} // namespace korvane::measure
