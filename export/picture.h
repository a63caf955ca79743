// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"

#include <QImage>

namespace korvane::exporting {

// Writes the image as JPEG, whatever the name's extension, all or nothing.
SaveResult savePicture(const QString& path, const QImage& image);
// The same as PNG (the trend's chart: lines and text stay sharp).
SaveResult savePng(const QString& path, const QImage& image);

} // namespace korvane::exporting
