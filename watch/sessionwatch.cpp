// SPDX-License-Identifier: GPL-3.0-or-later
#include "watch/sessionwatch.h"

#include <algorithm>
#include <chrono>

namespace korvane::watch {

namespace {
// Silent rules are raised within a second of their time, readings or not.
constexpr std::chrono::milliseconds kSilenceCheckPeriod{1000};

bool carries(const measure::Reading& reading, measure::Key key)
{
    const auto values = reading.values();
    return std::any_of(values.begin(), values.end(),
                       [key](const measure::Quantity& q) { return q.key == key; });
}
} // namespace

SessionWatch::SessionWatch(session::MeterSession& session, WatchOptions options, QObject* parent)
    : QObject(parent), m_session(session), m_options(std::move(options))
{
    using session::MeterSession;
    if (m_options.tariff)
        m_cost = std::make_unique<energy::CostCounter>(*m_options.tariff, m_options.zone);
    if (!m_options.rules.empty()) {
        m_evaluator = std::make_unique<alarms::Evaluator>(m_options.rules,
                                                          [&session] { return session.now(); });
        const bool silentRules =
            std::any_of(m_options.rules.cbegin(), m_options.rules.cend(), [](const auto& rule) {
                return rule.condition == alarms::Condition::Silent;
            });
        if (silentRules) {
            connect(&m_silenceTimer, &QTimer::timeout, this,
                    [this] { emitAll(m_evaluator->checkSilence()); });
            m_silenceTimer.start(kSilenceCheckPeriod);
        }
    }
    connect(&session, &MeterSession::linked, this,
            [this](int, const QString& device) { onLinked(device); });
    connect(&session, &MeterSession::linkLost, this, [this] {
        if (m_finished)
            return;
        m_integrator.linkLost();
        if (m_evaluator)
            m_evaluator->onLinkLost();
    });
    if (!m_options.readingsFromCaller)
        connect(&session, &MeterSession::readingReceived, this, &SessionWatch::onReading);
    if (m_options.any())
        session.holdLiveReadings(this);
    if (session.isLinked())
        onLinked(session.device());
}

SessionWatch::~SessionWatch()
{
    finish();
}

std::vector<datalog::DerivedColumn> SessionWatch::derivedColumns() const
{
    std::vector<datalog::DerivedColumn> columns;
    if (!m_options.energyOn())
        return columns;
    for (int k = 0; k < energy::kEnergyKeyCount; ++k)
        columns.push_back({energy::energyKeyName(energy::EnergyKey(k)).toString(),
                           QStringLiteral("Wh"), datalog::DerivedColumn::Kind::Energy});
    if (m_cost)
        columns.push_back({QStringLiteral("cost"), m_cost->tariff().currency,
                           datalog::DerivedColumn::Kind::Cost});
    return columns;
}

datalog::DerivedValues SessionWatch::derivedFor(const measure::Reading& reading) const
{
    datalog::DerivedValues values;
    if (!m_options.energyOn())
        return values;
    const energy::Totals& totals = m_integrator.totals();
    for (int k = 0; k < energy::kEnergyKeyCount; ++k) {
        const auto key = energy::EnergyKey(k);
        if (carries(reading, energy::powerKeyOf(key)))
            values.emplace_back(totals[key]);
        else
            values.emplace_back();
    }
    if (m_cost) {
        if (carries(reading, measure::Key::P))
            values.emplace_back(
                m_cost->cost(totals.sinceMs.value_or(reading.receivedMs), reading.receivedMs));
        else
            values.emplace_back();
    }
    return values;
}

std::optional<energy::PricedEnergy> SessionWatch::priced() const
{
    if (!m_cost)
        return std::nullopt;
    return m_cost->priced();
}

std::optional<double> SessionWatch::costNow() const
{
    if (!m_cost)
        return std::nullopt;
    const qint64 now = m_session.now();
    return m_cost->cost(m_integrator.totals().sinceMs.value_or(now), now);
}

std::optional<energy::Idle> SessionWatch::notAccumulating() const
{
    if (!m_options.energyOn())
        return std::nullopt;
    return m_integrator.notAccumulating(m_session.now());
}

void SessionWatch::resetEnergy()
{
    if (m_finished || !m_options.energyOn())
        return;
    m_integrator.reset(m_session.now());
    if (m_cost)
        m_cost->reset();
    closeOpenGaps();
    if (m_store)
        save(m_store->save(m_integrator.totals(), priced()));
    else
        m_options.resetEnergy = true; // the meter's saved totals, once it is found, stay unread
}

void SessionWatch::closeOpenGaps()
{
    for (std::optional<energy::Gap>& open : m_openGaps) {
        if (open)
            emit energyGap(*std::exchange(open, std::nullopt));
    }
}

void SessionWatch::onLinked(const QString& device)
{
    if (m_finished || !m_options.energyOn())
        return;
    const QString id = m_options.meterIdOf ? m_options.meterIdOf(device) : device;
    if (id == m_meterId && m_store)
        return;
    // Another meter on the same run: the one before keeps what it counted.
    if (m_store)
        save(m_store->save(m_integrator.totals(), priced()));
    const bool first = !m_store;
    m_meterId = id;
    m_store = std::make_unique<energy::TotalsStore>(m_options.dataFolder, id);
    m_openGaps = {};
    if (first && m_options.resetEnergy) {
        m_integrator.reset(m_session.now());
        if (m_cost)
            m_cost->reset();
        return;
    }
    const energy::LoadedTotals loaded = m_store->load();
    if (!loaded.error.isEmpty())
        emit problem(loaded.error);
    m_integrator.restore(loaded.totals);
    if (m_cost) {
        m_cost->reset();
        if (loaded.priced && !m_cost->restore(*loaded.priced))
            emit problem(QStringLiteral("the cost so far was counted in %1, not %2: the cost "
                                        "starts from zero")
                             .arg(loaded.priced->currency, m_cost->tariff().currency));
    }
}

void SessionWatch::onReading(const measure::Reading& reading)
{
    if (m_finished)
        return;
    if (m_options.energyOn()) {
        const std::vector<energy::Increment> added = m_integrator.add(reading);
        if (m_cost)
            m_cost->add(added);
        takeGaps(added);
        if (m_store)
            save(m_store->saveIfDue(m_integrator.totals(), reading.receivedMs, priced()));
    }
    if (m_evaluator)
        emitAll(m_evaluator->onReading(reading));
}

void SessionWatch::takeGaps(const std::vector<energy::Increment>& added)
{
    // A key that added energy is out of its overload.
    for (const energy::Increment& inc : added) {
        std::optional<energy::Gap>& open = m_openGaps[std::size_t(inc.key)];
        if (open)
            emit energyGap(*std::exchange(open, std::nullopt));
    }
    for (const energy::Gap& gap : m_integrator.takeGaps()) {
        std::optional<energy::Gap>& open = m_openGaps[std::size_t(gap.key)];
        if (open && open->why == gap.why && open->toMs == gap.fromMs) {
            open->toMs = gap.toMs;
            continue;
        }
        if (open)
            emit energyGap(*std::exchange(open, std::nullopt));
        if (gap.why == energy::GapReason::Overload)
            open = gap;
        else
            emit energyGap(gap);
    }
}

void SessionWatch::emitAll(const QList<alarms::AlarmEvent>& events)
{
    for (const alarms::AlarmEvent& event : events)
        emit alarm(event);
}

void SessionWatch::save(const std::optional<QString>& result)
{
    if (!result)
        return;
    // Said once, not at every attempt, and again only when the reason changes.
    if (!result->isEmpty() && *result != m_lastSaveError)
        emit problem(*result);
    m_lastSaveError = *result;
}

void SessionWatch::finish()
{
    if (m_finished)
        return;
    closeOpenGaps();
    m_finished = true;
    m_silenceTimer.stop();
    if (m_store)
        save(m_store->save(m_integrator.totals(), priced()));
    m_session.releaseLiveReadings(this);
}

} // namespace korvane::watch
