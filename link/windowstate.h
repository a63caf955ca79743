#pragma once

#include "measure/frame.h"

#include <QByteArray>
#include <QtGlobal>

namespace korvane::link {

// The meter's one-byte commands.
enum Command : qint16 {
    kHandshake = 5, // also the keep-alive on the Record tab; answer D5 55 55
    kCount = 15,    // answer 05 05 lo hi
    kDump = 25,     // answer count x 20 bytes
    kLive = 35,     // answer one 20-byte frame
};

// The fields through which the link, the decoders and the saves meet. Owned by whoever composes
// the program (the window, the CLI); the link reads and writes it.
struct WindowState
{
    QByteArray rxbuf;          // the last whole answer read from the port
    measure::FrameState frame; // frametype and framesub of the frame or record last decoded
    qint16 idlecount = 0;      // supervision ticks since bytes last arrived
    qint16 portnum = 1;        // the port the search tries next, 1..16
    qint16 curcmd = 0;         // the last command written
    quint16 reccount = 0;      // records the meter reported: 0..65535
    bool linkup = false;
};

} // namespace korvane::link
