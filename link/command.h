// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace korvane::link {

// The meter's one-byte commands.
enum Command : qint16 {
    kHandshake = 5, // also the keep-alive while only signs of life are wanted; answer D5 55 55
    kCount = 15,    // answer 05 05 lo hi
    kDump = 25,     // answer count x 20 bytes
    kLive = 35,     // answer one 20-byte frame
};

} // namespace korvane::link
