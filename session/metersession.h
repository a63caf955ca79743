// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/link.h"
#include "measure/reading.h"
#include "measure/snapshot.h"
#include "platform/meterdevices.h"
#include "records/recordmodel.h"
#include "records/storedrecord.h"
#include "trend/trendstore.h"

#include <QHash>
#include <QObject>

#include <chrono>
#include <optional>
#include <vector>

namespace korvane::session {

// One connection to one meter: its port, the link's timers, the link, the latest snapshot, the
// samples of every quantity since start and the record table. Front ends build one, tell it what
// they show, and subscribe to its signals; it never knows which tab or mode a front end shows.
//
// Live frames are polled while the front end shows live readings or any consumer (a log,
// publishing) holds them; only keep-alives go out otherwise. Live frames stop only for a record
// download, which needs the line to itself, and then liveFramesPaused() says so.
class MeterSession : public QObject
{
    Q_OBJECT
public:
    explicit MeterSession(platform::MeterDevices devices, QObject* parent = nullptr);
    ~MeterSession() override;

    // Search from COM1 with the link down; polls live frames until told otherwise.
    void start();
    // What the front end shows needs: live frames, or keep-alives only (the record table).
    void setPolling(link::Polling polling);
    // A consumer holds live readings while it runs: live frames are polled whatever the front end
    // shows. Holding or releasing twice is harmless; a consumer destroyed lets go.
    void holdLiveReadings(const QObject* consumer);
    void releaseLiveReadings(const QObject* consumer);
    bool liveReadingsHeld() const { return !m_holders.isEmpty(); }
    // What the meter is polled for. Switching ends every trend line: no readings come while only
    // keep-alives go out.
    link::Polling polling() const { return m_polling; }
    bool livePaused() const { return m_link.livePaused(); }

    // Asks the meter for its records; nothing is sent while the link is down. While live frames
    // are polled, downloadWaiting() comes first and the dump waits for continueDownload();
    // otherwise the dump follows at once.
    void readRecords() { m_link.readRecords(); }
    // After downloadWaiting(): download now, live frames paused until it ended.
    void continueDownload() { m_link.continueDownload(); }
    // Ends the download under way: before its dump, downloadEnded() says Cancelled; during it,
    // Stopped, with the whole records so far kept, and the rest of the dump drains (draining()).
    void cancelDownload() { m_link.cancelDownload(); }
    // The record table as Clear leaves it, and no records; a download under way is cancelled.
    void clearRecords();
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
    // From Read until downloadEnded(), the wait for continueDownload() included.
    bool downloading() const { return m_link.downloading(); }
    bool waitingForGo() const { return m_link.waitingForGo(); }
    // A stopped dump still comes from the meter; polling resumes when it ends.
    bool draining() const { return m_link.draining(); }
    // While a dump comes: whole records received of the count, and the time left from the rate
    // so far (nothing before the first record, nor after the last).
    bool dumpUnderWay() const { return m_dumpStartMs >= 0; }
    int dumpReceived() const { return m_dumpReceived; }
    int dumpCount() const { return m_dumpCount; }
    std::optional<std::chrono::milliseconds> downloadTimeLeft() const;
    // The records of the latest download as readings, as many as arrived.
    const std::vector<records::StoredRecord>& storedRecords() const { return m_stored; }
    // The records kept are every record the meter reported (also when there are none), and
    // how many it reported for the download that brought them.
    bool recordsComplete() const { return m_recordsComplete; }
    int recordsExpected() const { return m_recordsExpected; }
    const measure::Snapshot& snapshot() const { return m_snapshot; }
    const trend::TrendStore& trend() const { return m_trend; }
    // For whoever derives quantities from the readings (energy, cost) to add their series.
    trend::TrendStore& trend() { return m_trend; }
    records::RecordModel& records() { return m_records; }
    const records::RecordModel& records() const { return m_records; }
    // For tests and benchmarks that drive the link by hand.
    link::Link& meterLink() { return m_link; }

signals:
    void portAttempted(const korvane::link::PortAttempt& attempt);
    void linkStateChanged(korvane::link::LinkState state);
    void linked(int port, const QString& device);
    void pollingStarted();
    // Live frames or keep-alives from now on.
    void pollingChanged(korvane::link::Polling polling);
    // Live frames stop while records download, or come again after; trend lines end both ways.
    void liveFramesPaused(bool paused);
    // The meter holds count records; a download would pause live frames for about estimate.
    // Answer with continueDownload() or cancelDownload().
    void downloadWaiting(int count, std::chrono::milliseconds estimate);
    // Sent after the snapshot and the trend store hold the reading.
    void readingReceived(const korvane::measure::Reading& reading);
    void downloadProgress(int records, int count);
    // Records first to last (numbered from 1) arrived: they are in storedRecords() and in the
    // table. A download's first records replace what was there.
    void recordsDownloaded(int first, int last);
    // The rest of a stopped dump is being drained, or the meter has finished it.
    void drainingChanged(bool draining);
    void downloadEnded(korvane::link::DownloadResult result);
    void linkLost();

private:
    void applyPolling();
    void onRecordsArrived(const QByteArray& bytes, int first);
    void onDownloadEnded(const link::DownloadResult& result);

    platform::MeterDevices m_devices;
    records::RecordModel m_records;
    measure::Snapshot m_snapshot;
    trend::TrendStore m_trend;
    link::Polling m_shown = link::Polling::LiveFrames; // what the front end asked for
    link::Polling m_polling = link::Polling::LiveFrames;
    QHash<const QObject*, QMetaObject::Connection> m_holders; // each one's destroyed()
    QString m_device;
    std::vector<records::StoredRecord> m_stored;
    bool m_recordsComplete = true;
    int m_recordsExpected = 0;
    qint64 m_dumpStartMs = -1; // when the dump under way began to come, -1 when none does
    int m_dumpReceived = 0;
    int m_dumpCount = 0;
    link::Link m_link;
};

} // namespace korvane::session
