// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/intervalstats.h"
#include "datalog/lineformat.h"
#include "datalog/linesink.h"
#include "session/metersession.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace korvane::datalog {

// Writes what a meter session receives to a sink in one format: every live frame, or, when an
// interval is set, the statistics of each interval. While it runs it holds the session's live
// readings, so the record table shown leaves no hole. The link lost, the meter found and live
// frames paused for a record download are written as events and make an interval partial. A sink
// that fails stops the recorder (failed() says why); the session goes on.
class Recorder : public QObject
{
    Q_OBJECT
public:
    Recorder(session::MeterSession& session, std::unique_ptr<LineFormat> format, LineSink& sink,
             QObject* parent = nullptr);
    ~Recorder() override;

    // Statistics over intervals of this length (a divisor of a day) instead of frames, from
    // now on.
    void setInterval(qint64 lengthMs);
    // Writes what is left (a partial interval) and stops.
    void finish();

    // The derived values of each frame (in the format's derived columns), asked for as it is
    // written.
    using DerivedOf = std::function<DerivedValues(const measure::Reading&)>;
    void setDerived(DerivedOf derivedOf) { m_derivedOf = std::move(derivedOf); }
    // Something else a reader must see between frames, such as a hole in the energy: written as
    // an event among frames; statistics have no room for it.
    void note(const Event& event);
    // Lines another writer made in this recorder's format (alarm events), among frames only.
    void writeLines(qint64 ms, const QByteArray& lines);

    bool running() const { return m_running; }
    bool statistics() const { return m_stats != nullptr; }
    LineFormat& format() { return *m_format; }

signals:
    // After each append that reached the sink.
    void written();
    void failed(const QString& message);

private:
    void onReading(const measure::Reading& reading);
    void onEvent(const QString& text);
    void onIntervalEnd();
    void write(qint64 ms, const QByteArray& lines);
    void writeSummary(const std::optional<IntervalSummary>& summary);
    void armIntervalTimer();
    void stop();

    session::MeterSession& m_session;
    std::unique_ptr<LineFormat> m_format;
    LineSink& m_sink;
    std::unique_ptr<IntervalStats> m_stats;
    DerivedOf m_derivedOf;
    QTimer m_intervalTimer;
    bool m_running = true;
};

} // namespace korvane::datalog
