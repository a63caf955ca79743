// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trendcolours.h"

#include <array>

namespace korvane::app {

namespace {
// In the order of measure::Key.
constexpr std::array<QRgb, measure::kKeyCount> kColours{
    0x1f77b4, 0xd62728, 0x2ca02c,                               // U1 U2 U3
    0xff7f0e, 0x9467bd, 0x17becf,                               // I1 I2 I3
    0xa55194, 0xe377c2, 0xbcbd22,                               // PF1 PF2 PF3
    0x393b79, 0xad494a, 0x637939,                               // P1 P2 P3
    0x6b6ecf, 0xe7969c, 0xb5cf6b,                               // Q1 Q2 Q3
    0x9c9ede, 0xd6616b, 0x8ca252,                               // S1 S2 S3
    0x7b4173, 0x1b7837, 0xe6550d, 0x31a354, 0x3182bd, 0x008080, // PF P Q S I F
    0xaec7e8, 0xff9896, 0x98df8a, 0xffbb78,                     // angles of U1 U2 U3 I
    0x7f7f7f,                                                   // the sequence: never drawn
    0x9edae5, 0xdbdb8d, 0xc5b0d5, 0xc49c94, 0xf7b6d2,           // T3U T3I T3PF T3P T3W
};
} // namespace

QColor trendColour(measure::Key key, bool dark)
{
    QColor colour = QColor::fromRgb(kColours[std::size_t(key)]);
    if (dark) {
        int h = 0;
        int s = 0;
        int v = 0;
        colour.getHsv(&h, &s, &v);
        colour = QColor::fromHsv(h, s * 3 / 4, std::max(v, 235));
    }
    return colour;
}

} // namespace korvane::app
