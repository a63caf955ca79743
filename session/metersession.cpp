// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/metersession.h"

#include "measure/frame.h"

#include <iterator>
#include <span>

namespace korvane::session {

MeterSession::MeterSession(platform::MeterDevices devices, QObject* parent)
    : QObject(parent), m_devices(std::move(devices)),
      m_link(*m_devices.port,
             {*m_devices.search, *m_devices.poll, *m_devices.supervision, *m_devices.dumpDelay})
{
    using link::Link;
    connect(&m_link, &Link::portAttempted, this, &MeterSession::portAttempted);
    connect(&m_link, &Link::linkStateChanged, this, &MeterSession::linkStateChanged);
    connect(&m_link, &Link::linked, this, [this](int port, const QString& device) {
        m_device = device;
        emit linked(port, device);
    });
    connect(&m_link, &Link::pollingStarted, this, &MeterSession::pollingStarted);
    connect(&m_link, &Link::readingReceived, this, [this](const measure::Reading& reading) {
        m_snapshot.update(reading);
        m_trend.add(reading);
        emit readingReceived(reading);
    });
    connect(&m_link, &Link::downloadWaiting, this,
            [this](int count) { emit downloadWaiting(count, link::downloadDuration(count)); });
    connect(&m_link, &Link::liveFramesPaused, this, [this](bool paused) {
        m_trend.breakAll();
        emit liveFramesPaused(paused);
    });
    connect(&m_link, &Link::downloadProgress, this, [this](int records, int count) {
        if (m_dumpStartMs < 0)
            m_dumpStartMs = now();
        m_dumpReceived = records;
        m_dumpCount = count;
        emit downloadProgress(records, count);
    });
    connect(&m_link, &Link::recordsArrived, this, &MeterSession::onRecordsArrived);
    connect(&m_link, &Link::downloadEnded, this, &MeterSession::onDownloadEnded);
    connect(&m_link, &Link::drainingChanged, this, &MeterSession::drainingChanged);
    connect(&m_link, &Link::linkLost, this, [this] {
        m_trend.breakAll();
        emit linkLost();
    });
}

void MeterSession::onRecordsArrived(const QByteArray& bytes, int first)
{
    if (first == 1) {
        m_stored.clear();
        m_stored.shrink_to_fit();
        m_stored.reserve(std::size_t(m_link.recordCount()));
        m_records.beginDownload();
    }
    const std::size_t before = m_stored.size();
    std::vector<records::StoredRecord> arrived =
        records::storedRecords(bytes, int(bytes.size() / measure::kFrameSize), now(), first);
    std::move(arrived.begin(), arrived.end(), std::back_inserter(m_stored));
    const std::span<const records::StoredRecord> added(m_stored.begin() + qsizetype(before),
                                                       m_stored.end());
    m_records.addRecords(added);
    if (!added.empty())
        emit recordsDownloaded(added.front().number, added.back().number);
}

void MeterSession::onDownloadEnded(const link::DownloadResult& result)
{
    using Outcome = link::DownloadResult::Outcome;
    m_records.endDownload();
    m_dumpStartMs = -1;
    // The records kept are those of the last download that brought any; with none kept, the
    // last download says whether the (empty) set is all the meter holds.
    if (result.received > 0 || m_stored.empty()) {
        m_recordsComplete = result.outcome == Outcome::Complete;
        m_recordsExpected = result.count;
    }
    // A meter with no records: the table as Clear leaves it.
    if (result.outcome == Outcome::Complete && result.count == 0) {
        m_stored.clear();
        m_records.gridinit();
    }
    emit downloadEnded(result);
}

void MeterSession::clearRecords()
{
    if (downloading())
        cancelDownload();
    m_stored.clear();
    m_stored.shrink_to_fit();
    m_recordsComplete = true;
    m_recordsExpected = 0;
    m_records.gridinit();
}

std::optional<std::chrono::milliseconds> MeterSession::downloadTimeLeft() const
{
    if (m_dumpStartMs < 0 || m_dumpReceived <= 0 || m_dumpReceived >= m_dumpCount)
        return std::nullopt;
    const double perRecord = double(now() - m_dumpStartMs) / m_dumpReceived;
    return std::chrono::milliseconds(qint64(perRecord * (m_dumpCount - m_dumpReceived)));
}

void MeterSession::setPolling(link::Polling polling)
{
    m_shown = polling;
    applyPolling();
}

void MeterSession::holdLiveReadings(const QObject* consumer)
{
    if (m_holders.contains(consumer))
        return;
    m_holders.insert(consumer, connect(consumer, &QObject::destroyed, this, [this, consumer] {
                         // The consumer's own slots are connected until it is gone: what its
                         // going changes is said once it is.
                         m_holders.remove(consumer);
                         QMetaObject::invokeMethod(this, &MeterSession::applyPolling,
                                                   Qt::QueuedConnection);
                     }));
    applyPolling();
}

void MeterSession::releaseLiveReadings(const QObject* consumer)
{
    const auto it = m_holders.constFind(consumer);
    if (it == m_holders.cend())
        return;
    disconnect(*it);
    m_holders.erase(it);
    applyPolling();
}

void MeterSession::applyPolling()
{
    const link::Polling polling = m_shown == link::Polling::LiveFrames || !m_holders.isEmpty()
                                      ? link::Polling::LiveFrames
                                      : link::Polling::KeepAlive;
    // Both ways: a live answer still on its way when keep-alives start lands after the first
    // break, and the second keeps it from joining the readings that follow.
    const bool changed = polling != m_polling;
    if (changed)
        m_trend.breakAll();
    m_polling = polling;
    m_link.setPolling(polling);
    if (changed)
        emit pollingChanged(polling);
}

MeterSession::~MeterSession()
{
    closePort();
}

void MeterSession::start()
{
    m_link.start();
}

void MeterSession::closePort()
{
    if (m_devices.port->isOpen())
        m_devices.port->close();
}

} // namespace korvane::session
