// SPDX-License-Identifier: GPL-3.0-or-later
#include "bench/headlessprogram.h"

#include "measure/livetexts.h"
#include "platform/qtmeterdevices.h"

namespace korvane::bench {

HeadlessProgram::HeadlessProgram(const QString& device, link::Polling polling)
    : m_session(platform::qtMeterDevices({device}))
{
    m_session.setPolling(polling);
    QObject::connect(&m_session, &session::MeterSession::readingReceived, &m_session,
                     [this](const measure::Reading& reading) {
                         measure::applyTo(measure::liveTexts(reading), m_live);
                     });
}

void HeadlessProgram::start()
{
    m_session.clearRecords();
    m_session.start();
}

} // namespace korvane::bench
