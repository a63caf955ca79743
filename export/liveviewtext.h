// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"
#include "measure/livetexts.h"

#include <QByteArray>
#include <QString>

#include <array>

namespace korvane::exporting {

using LiveRowTexts = std::array<QString, measure::kLiveRows>;

// Six lines: five blanks, the caption, five blanks, the value, each ended by CR LF. UTF-8.
QByteArray liveViewText(const LiveRowTexts& captions, const LiveRowTexts& values);
SaveResult saveLiveViewText(const QString& path, const LiveRowTexts& captions,
                            const LiveRowTexts& values);

} // namespace korvane::exporting
