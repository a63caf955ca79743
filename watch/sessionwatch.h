// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "alarms/evaluator.h"
#include "datalog/lineformat.h"
#include "energy/cost.h"
#include "energy/integrator.h"
#include "energy/totalsstore.h"
#include "session/metersession.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

namespace korvane::watch {

struct WatchOptions
{
    bool energy = false;
    std::optional<energy::Tariff> tariff; // implies energy
    bool resetEnergy = false;             // start the totals from zero, not from the file
    QString dataFolder;                   // where the totals are kept
    QTimeZone zone = QTimeZone::systemTimeZone();
    // The id the totals of the meter on a device are kept under.
    std::function<QString(const QString& device)> meterIdOf;
    std::vector<alarms::Rule> rules;
    // The caller hands each reading to take() instead: a watch made while a log runs must still
    // see each reading before the log asks for its derived values.
    bool readingsFromCaller = false;

    bool energyOn() const { return energy || tariff.has_value(); }
    bool any() const { return energyOn() || !rules.empty(); }
};

// Energy, its cost and alarms over one meter session; see watch/README.md.
class SessionWatch : public QObject
{
    Q_OBJECT
public:
    // Subscribes to the session at once (unless told readingsFromCaller): built before a log's
    // recorder, it has seen each reading before the recorder asks for its derived values.
    SessionWatch(session::MeterSession& session, WatchOptions options, QObject* parent = nullptr);
    ~SessionWatch() override;

    // E1, E2, E3, E (Wh), and cost (the tariff's currency) with a tariff; none when energy is off.
    std::vector<datalog::DerivedColumn> derivedColumns() const;
    // The totals as they stand, for the quantities the reading carried the power of.
    datalog::DerivedValues derivedFor(const measure::Reading& reading) const;
    const std::vector<alarms::Rule>& rules() const { return m_options.rules; }
    const energy::Totals& totals() const { return m_integrator.totals(); }
    bool energyOn() const { return m_options.energyOn(); }
    // What the totals cost now, standing charges included; none without a tariff.
    std::optional<double> costNow() const;
    const energy::Tariff* tariff() const { return m_cost ? &m_cost->tariff() : nullptr; }
    // Why the energy stands still now; none while it accumulates or energy is off.
    std::optional<energy::Idle> notAccumulating() const;
    // Starts the totals and the cost again from zero now, and keeps that; before a meter is
    // found, its saved totals are then not read.
    void resetEnergy();
    // The totals are a meter's: it was found and what was kept for it is read.
    bool meterFound() const { return m_store != nullptr; }

    // A reading of the session, with readingsFromCaller.
    void take(const measure::Reading& reading) { onReading(reading); }

    // Writes the totals, reports a gap still open, and lets go of the session's readings.
    void finish();

signals:
    void energyGap(const korvane::energy::Gap& gap);
    void alarm(const korvane::alarms::AlarmEvent& event);
    // The totals file could not be read (the totals start from zero) or written.
    void problem(const QString& text);

private:
    void onLinked(const QString& device);
    void onReading(const measure::Reading& reading);
    void takeGaps(const std::vector<energy::Increment>& added);
    void closeOpenGaps();
    void emitAll(const QList<alarms::AlarmEvent>& events);
    void save(const std::optional<QString>& result);
    std::optional<energy::PricedEnergy> priced() const;

    session::MeterSession& m_session;
    WatchOptions m_options;
    energy::EnergyIntegrator m_integrator;
    std::unique_ptr<energy::CostCounter> m_cost;
    std::unique_ptr<energy::TotalsStore> m_store;
    QString m_meterId;
    QString m_lastSaveError;
    // An overload gap grows while the overload lasts; told once it ends.
    std::array<std::optional<energy::Gap>, energy::kEnergyKeyCount> m_openGaps;
    std::unique_ptr<alarms::Evaluator> m_evaluator;
    QTimer m_silenceTimer;
    bool m_finished = false;
};

} // namespace korvane::watch

Q_DECLARE_METATYPE(korvane::energy::Gap)
Q_DECLARE_METATYPE(korvane::alarms::AlarmEvent)
