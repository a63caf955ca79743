// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <initializer_list>
#include <utility>

namespace korvane::testing {

// Builds a 20-byte measurement frame field by field; unset bytes are zero.
class FrameBuilder
{
public:
    FrameBuilder(quint8 type, quint8 second = 0) : m_bytes(20, '\0')
    {
        at(0, type);
        at(1, second);
    }

    FrameBuilder& at(int pos, quint8 byte)
    {
        m_bytes[pos] = char(byte);
        return *this;
    }
    // A two-byte quantity, low byte first, then its range, sign or code byte.
    FrameBuilder& q(int pos, quint16 value)
    {
        at(pos, quint8(value & 0xff));
        return at(pos + 1, quint8(value >> 8));
    }
    FrameBuilder& q(int pos, quint16 value, quint8 next)
    {
        q(pos, value);
        return at(pos + 2, next);
    }
    FrameBuilder& bytes(int pos, std::initializer_list<quint8> list)
    {
        for (quint8 b : list)
            at(pos++, b);
        return *this;
    }

    QByteArray frame() const { return m_bytes; }
    operator QByteArray() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

inline QByteArray hex(const char* text)
{
    return QByteArray::fromHex(text);
}

} // namespace korvane::testing
