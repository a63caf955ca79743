// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/recorder.h"

namespace korvane::datalog {

using session::MeterSession;

Recorder::Recorder(MeterSession& session, std::unique_ptr<LineFormat> format, LineSink& sink,
                   QObject* parent)
    : QObject(parent), m_session(session), m_format(std::move(format)), m_sink(sink)
{
    connect(&session, &MeterSession::readingReceived, this, &Recorder::onReading);
    connect(&session, &MeterSession::linkLost, this,
            [this] { onEvent(QLatin1StringView(eventtext::kLinkLost)); });
    connect(&session, &MeterSession::linked, this, [this](int, const QString& device) {
        m_format->setMeter(device);
        onEvent(QLatin1StringView(eventtext::kMeterFoundOn) + device);
    });
    connect(&session, &MeterSession::liveFramesPaused, this, [this](bool paused) {
        if (paused)
            onEvent(QLatin1StringView(eventtext::kLiveFramesPaused));
        else if (m_session.isLinked()) // else the link lost says more
            onEvent(QLatin1StringView(eventtext::kLiveFramesAgain));
    });
    m_format->setMeter(session.device());
    session.holdLiveReadings(this);
    m_intervalTimer.setSingleShot(true);
    m_intervalTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_intervalTimer, &QTimer::timeout, this, &Recorder::onIntervalEnd);
}

Recorder::~Recorder() = default;

void Recorder::setInterval(qint64 lengthMs)
{
    m_stats = std::make_unique<IntervalStats>(lengthMs, m_session.now());
    armIntervalTimer();
}

void Recorder::finish()
{
    if (m_stats && m_running)
        writeSummary(m_stats->finish(m_session.now()));
    stop();
}

void Recorder::stop()
{
    m_running = false;
    m_intervalTimer.stop();
    m_session.releaseLiveReadings(this);
}

void Recorder::onReading(const measure::Reading& reading)
{
    if (!m_running)
        return;
    if (m_stats)
        writeSummary(m_stats->add(reading));
    else
        write(reading.receivedMs,
              m_format->frame(reading, m_derivedOf ? m_derivedOf(reading) : DerivedValues{}));
}

void Recorder::note(const Event& event)
{
    if (!m_stats)
        write(event.ms, m_format->event(event));
}

void Recorder::writeLines(qint64 ms, const QByteArray& lines)
{
    if (!m_stats)
        write(ms, lines);
}

void Recorder::onEvent(const QString& text)
{
    if (!m_running)
        return;
    const qint64 now = m_session.now();
    // Statistics have no room for events: the interval they fall in says it is partial.
    if (m_stats)
        writeSummary(m_stats->markGap(now));
    else
        write(now, m_format->event({now, text}));
}

// Readings may stop for a long while; the interval is written when it ends all the same.
void Recorder::onIntervalEnd()
{
    if (!m_running)
        return;
    writeSummary(m_stats->advanceTo(m_session.now()));
    armIntervalTimer();
}

void Recorder::armIntervalTimer()
{
    m_intervalTimer.start(int(std::max<qint64>(0, m_stats->currentEnd() - m_session.now())));
}

void Recorder::writeSummary(const std::optional<IntervalSummary>& summary)
{
    if (summary)
        write(summary->startMs, m_format->stats(*summary));
}

void Recorder::write(qint64 ms, const QByteArray& lines)
{
    if (!m_running || lines.isEmpty())
        return;
    if (!m_sink.append(ms, lines)) {
        stop();
        emit failed(m_sink.error());
        return;
    }
    emit written();
}

} // namespace korvane::datalog
