// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/metersession.h"

namespace korvane::session {

MeterSession::MeterSession(platform::MeterDevices devices, QObject* parent)
    : QObject(parent), m_devices(std::move(devices)),
      m_link(*m_devices.port,
             {*m_devices.search, *m_devices.poll, *m_devices.supervision, *m_devices.dumpDelay},
             m_records)
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
    connect(&m_link, &Link::downloadProgress, this, &MeterSession::downloadProgress);
    connect(&m_link, &Link::downloadEnded, this, &MeterSession::downloadEnded);
    connect(&m_link, &Link::linkLost, this, [this] {
        m_trend.breakAll();
        emit linkLost();
    });
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
