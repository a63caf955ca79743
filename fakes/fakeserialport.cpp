// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakes/fakeserialport.h"

namespace korvane::fakes {

platform::SerialPort::OpenError FakeSerialPort::open()
{
    const OpenError result = m_results.value(m_selected, OpenError::NoSuchPort);
    m_open = result == OpenError::None;
    m_errorText = m_open ? QString() : QStringLiteral("fake open failure");
    if (m_open)
        m_opened << m_selected;
    return result;
}

void FakeSerialPort::close()
{
    if (!m_open)
        return;
    m_open = false;
    m_input.clear();
    ++m_closes;
}

void FakeSerialPort::write(QByteArrayView bytes)
{
    if (m_open)
        m_written.append(bytes.constData(), bytes.size());
}

QByteArray FakeSerialPort::readAll()
{
    return std::exchange(m_input, {});
}

void FakeSerialPort::discardInput()
{
    m_input.clear();
    ++m_inputDiscards;
}

void FakeSerialPort::feed(const QByteArray& bytes)
{
    if (!m_open)
        return;
    m_input += bytes;
    emit bytesArrived();
}

void FakeSerialPort::unplug()
{
    if (!m_open)
        return;
    m_open = false;
    ++m_closes;
    emit deviceLost();
}

} // namespace korvane::fakes
