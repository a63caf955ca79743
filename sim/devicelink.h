// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane::sim {

// Points the symlink `link` at `target`, replacing an older symlink there in one step.
// Refuses to replace anything that is not a symlink.
bool pointLink(const QString& link, const QString& target, QString* error);

// Removes `link` if it is a symlink to `target`; leaves anything else alone.
void removeLink(const QString& link, const QString& target);

} // namespace korvane::sim
