// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QtGlobal>

namespace korvane::measure {

// Every live frame and every stored record is 20 bytes: type, sub-index, then fields.
constexpr qsizetype kFrameSize = 20;

inline quint8 byteAt(QByteArrayView frame, qsizetype pos)
{
    return quint8(frame[pos]);
}

// Two-byte quantity, low byte first. A high byte of 128 or more still reads as unsigned (0..65535).
inline quint32 value16(QByteArrayView frame, qsizetype pos)
{
    return quint32(byteAt(frame, pos + 1)) * 256u + byteAt(frame, pos);
}

// Bytes a frame of this type must hold before it can be decoded without reading past its end:
// types 0 and 3 read up to position 19, type 1 up to 14, type 2 up to 18, any other type only 0.
constexpr qsizetype bytesNeeded(quint8 frametype)
{
    switch (frametype) {
    case 0:
    case 3:
        return 20;
    case 1:
        return 15;
    case 2:
        return 19;
    default:
        return 1;
    }
}

} // namespace korvane::measure
