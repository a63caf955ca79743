#pragma once

#include "link/link.h"
#include "link/windowstate.h"
#include "measure/liveview.h"
#include "platform/porttable.h"
#include "platform/qtserialport.h"
#include "platform/qttimer.h"
#include "platform/statusview.h"
#include "records/recordmodel.h"

namespace korvane::bench {

// The program's side as korvane-cli composes it: the real serial port and timers, the link, the
// live texts as plain data and the record model. Status texts are dropped, so nothing but the
// link's own work runs on the event thread.
class HeadlessProgram
{
public:
    HeadlessProgram(const QString& device, link::Polling polling);

    void start();

    link::Link& meterLink() { return m_link; }
    const link::WindowState& state() const { return m_state; }
    const measure::LiveTextsState& live() const { return m_live; }
    const records::RecordModel& records() const { return m_records; }

private:
    class QuietStatus : public platform::StatusView
    {
    public:
        void setPortStatus(const QString&, const QString&, const QString&) override {}
        void setLinkStatus(const QString&) override {}
    };

    link::WindowState m_state;
    platform::PortTable m_ports;
    platform::QtSerialPort m_port;
    platform::QtTimer m_findcomtim, m_comtim, m_comcontim, m_readtim;
    QuietStatus m_status;
    measure::LiveTextsState m_live;
    records::RecordModel m_records;
    link::Link m_link;
};

} // namespace korvane::bench
