// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/link.h"
#include "measure/reading.h"
#include "measure/snapshot.h"
#include "platform/meterdevices.h"
#include "records/recordmodel.h"
#include "trend/trendstore.h"

#include <QObject>

namespace korvane::session {

// One connection to one meter: its port, the link's timers, the link, the latest snapshot, the
// samples of every quantity since start and the record table. Front ends build one, tell it what to
// poll, and subscribe to its signals; it never knows which tab or mode a front end shows.
class MeterSession : public QObject
{
    Q_OBJECT
public:
    explicit MeterSession(platform::MeterDevices devices, QObject* parent = nullptr);
    ~MeterSession() override;

    // Search from COM1 with the link down; polls live frames until told otherwise.
    void start();
    // Switching between live frames and keep-alives ends every trend line: no readings come
    // while only keep-alives are asked for.
    void setPolling(link::Polling polling);
    // Asks the meter for its records; nothing is sent while the link is down.
    void readRecords() { m_link.readRecords(); }
    // The record table as Clear leaves it.
    void clearRecords() { m_records.gridinit(); }
    // Closes the port, as the program does on its way out.
    void closePort();

    // The time readings get, milliseconds since the epoch (UTC).
    qint64 now() const { return m_link.now(); }
    bool isLinked() const { return m_link.isLinked(); }
    // The USB serial number of the adapter behind a device, empty when it has none.
    QString serialNumberOf(const QString& device) const
    {
        return m_devices.serialNumberOf ? m_devices.serialNumberOf(device) : QString();
    }
    // The device of the linked meter, empty while the link is down.
    QString device() const { return isLinked() ? m_device : QString(); }
    bool downloading() const { return m_link.downloading(); }
    const measure::Snapshot& snapshot() const { return m_snapshot; }
    const trend::TrendStore& trend() const { return m_trend; }
    records::RecordModel& records() { return m_records; }
    const records::RecordModel& records() const { return m_records; }
    // For tests and benchmarks that drive the link by hand.
    link::Link& meterLink() { return m_link; }

signals:
    void portStatusChanged(const QString& text, const QString& device, const QString& problem);
    void linkStatusChanged(const QString& text);
    void linked(int port, const QString& device);
    void pollingStarted();
    // Live frames or keep-alives from now on.
    void pollingChanged(korvane::link::Polling polling);
    // Sent after the snapshot and the trend store hold the reading.
    void readingReceived(const korvane::measure::Reading& reading);
    void downloadProgress(int records, int count);
    void downloadEnded(korvane::link::DownloadResult result);
    void linkLost();

private:
    platform::MeterDevices m_devices;
    records::RecordModel m_records;
    measure::Snapshot m_snapshot;
    trend::TrendStore m_trend;
    link::Polling m_polling = link::Polling::LiveFrames;
    QString m_device;
    link::Link m_link;
};

} // namespace korvane::session
