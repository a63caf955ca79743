// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace korvane::records {

// Where the reset places the record table, in twips (1/1440 inch) in the window's coordinates.
struct GridGeometry
{
    int left;
    int top;
    int width;
    int height;
    int columnWidth;
    int fixedRowHeight; // rows 0 and 1; rows a download adds take the view's default
};

inline constexpr GridGeometry kGridGeometry{1000, 1200, 8000, 7200, 1100, 300};

} // namespace korvane::records
