// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "export/saveresult.h"

#include <QByteArray>

namespace korvane::exporting {

// Writes the whole file or nothing: the bytes go to a temporary file beside the target, which
// replaces the target only once everything is on disk. A failed save leaves the old file intact.
SaveResult writeFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace korvane::exporting
