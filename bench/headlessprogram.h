// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/liveview.h"
#include "session/metersession.h"

namespace korvane::bench {

// The program's side as korvane-cli composes it: a meter session over the real serial port and
// timers, with the live texts kept as plain data. Status texts go nowhere, so nothing but the
// session's own work runs on the event thread.
class HeadlessProgram
{
public:
    HeadlessProgram(const QString& device, link::Polling polling);

    void start();

    session::MeterSession& session() { return m_session; }
    const measure::LiveTextsState& live() const { return m_live; }
    const records::RecordModel& records() const { return m_session.records(); }

private:
    session::MeterSession m_session;
    measure::LiveTextsState m_live;
};

} // namespace korvane::bench
