// SPDX-License-Identifier: GPL-3.0-or-later
#include "survey/survey.h"

#include "datalog/fields.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <chrono>

namespace korvane::survey {

using datalog::LogEvent;

namespace {
constexpr qint64 kPeekPiece = 64 * 1024;
constexpr qint64 kLargestPiece = 4 * 1024 * 1024;
// As the trend store has it for the meter's quantities: a derived quantity silent for longer
// stopped coming, and its line must not bridge the silence.
constexpr std::chrono::milliseconds kLongestSilence{10'000};

QDate localDate(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).date();
}

QString shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// Finds the first time in a file, and no more.
struct FirstTime : datalog::LogVisitor
{
    void frame(const datalog::LogFrame& frame) override { take(frame.ms); }
    void event(const LogEvent& event) override { take(event.ms); }
    void take(qint64 ms)
    {
        if (!ms_)
            ms_ = ms;
    }
    std::optional<qint64> ms_;
};

// The days a log that went on past midnight was continued in, beside it: "survey.csv" (or
// "survey-2026-12-07.csv") is followed by "survey-2026-12-08.csv", "survey-2026-12-09.csv"...
std::vector<std::pair<QDate, QString>> followingDays(const QString& path)
{
    const QFileInfo info(path);
    static const QRegularExpression dated(QStringLiteral("^(.*)-(\\d{4}-\\d{2}-\\d{2})$"));
    QString stem = info.completeBaseName();
    QDate after;
    if (const QRegularExpressionMatch m = dated.match(stem); m.hasMatch()) {
        stem = m.captured(1);
        after = QDate::fromString(m.captured(2), Qt::ISODate);
    }
    const QRegularExpression name(
        QStringLiteral("^%1-(\\d{4}-\\d{2}-\\d{2})\\.%2$")
            .arg(QRegularExpression::escape(stem), QRegularExpression::escape(info.suffix())));
    std::vector<std::pair<QDate, QString>> days;
    for (const QFileInfo& file : info.dir().entryInfoList(QDir::Files)) {
        const QRegularExpressionMatch m = name.match(file.fileName());
        const QDate day = m.hasMatch() ? QDate::fromString(m.captured(1), Qt::ISODate) : QDate();
        if (day.isValid() && (!after.isValid() || day > after))
            days.emplace_back(day, file.filePath());
    }
    std::sort(days.begin(), days.end());
    return days;
}
} // namespace

// Fills the store and the events from one file's lines.
class Survey::Filler : public datalog::LogVisitor
{
public:
    Filler(Survey& survey, const Part& part, const datalog::LogReader& reader)
        : m_survey(survey), m_part(part), m_reader(reader)
    {}

    // A following day whose times do not go on from the survey's: nothing of it is taken.
    bool rejected = false;

    void frame(const datalog::LogFrame& frame) override
    {
        if (!accept(frame.ms))
            return;
        Survey& s = m_survey;
        ++s.m_summary.frames;
        s.endGap(frame.ms); // frames came again without the log saying so
        measure::Reading reading;
        reading.kind = frame.kind.value_or(0);
        reading.index = frame.index.value_or(0);
        reading.receivedMs = frame.ms;
        for (const measure::Quantity& q : frame.quantities) {
            reading.quantities[std::size_t(reading.count++)] = q;
            if (reading.count == measure::kLiveRows) {
                s.m_store.add(reading);
                reading.count = 0;
            }
        }
        if (reading.count > 0)
            s.m_store.add(reading);
        for (const datalog::DerivedSample& sample : frame.derived) {
            trend::Series& series = derivedSeries(sample.column);
            if (series.size() > 0 && frame.ms - series.lastTime() > kLongestSilence.count())
                series.breakLine();
            series.append(frame.ms, float(sample.value));
        }
    }

    void event(const LogEvent& event) override
    {
        if (!accept(event.ms))
            return;
        Survey& s = m_survey;
        switch (event.kind) {
        case LogEvent::Kind::LinkLost:
        case LogEvent::Kind::Paused:
            if (!s.m_openGap) {
                s.m_openGap = s.m_events.size();
                s.m_events.push_back(
                    {SurveyEvent::Kind::Gap, event.ms, event.ms, event.text, std::nullopt});
                s.m_store.breakAll();
            }
            return;
        case LogEvent::Kind::MeterFound:
            if (s.m_summary.meter.isEmpty())
                s.m_summary.meter = event.device;
            if (s.m_openGap) {
                s.endGap(event.ms);
                return;
            }
            break;
        case LogEvent::Kind::Resumed:
            if (s.m_openGap) {
                s.endGap(event.ms);
                return;
            }
            break;
        case LogEvent::Kind::Alarm:
            s.m_events.push_back(
                {SurveyEvent::Kind::Alarm, event.ms, event.ms, event.text, event.alarm});
            return;
        case LogEvent::Kind::Other:
            break;
        }
        s.m_events.push_back({SurveyEvent::Kind::Other, event.ms, event.ms, event.text, {}});
    }

private:
    bool accept(qint64 ms)
    {
        Survey& s = m_survey;
        if (rejected)
            return false;
        if (!m_seen) {
            m_seen = true;
            if (m_part.followingDay && s.m_any &&
                (ms < s.m_summary.lastMs || localDate(ms) != m_part.day ||
                 localDate(s.m_summary.lastMs) >= m_part.day)) {
                rejected = true;
                return false;
            }
            if (s.m_any && ms < s.m_summary.lastMs)
                s.m_notices << QStringLiteral("%1 goes back to %2, before the end of the file "
                                              "before it")
                                   .arg(shown(m_part.path), datalog::isoTimeWithOffset(ms));
        }
        if (!s.m_any) {
            s.m_any = true;
            s.m_summary.firstMs = ms;
        }
        s.m_summary.lastMs = std::max(s.m_summary.lastMs, ms);
        return true;
    }

    trend::Series& derivedSeries(int column)
    {
        while (m_derived.size() <= std::size_t(column)) {
            const datalog::DerivedName& name = m_reader.derived()[m_derived.size()];
            m_derived.push_back(&m_survey.m_store.derived(name.name, name.unit));
        }
        return *m_derived[std::size_t(column)];
    }

    Survey& m_survey;
    const Part& m_part;
    const datalog::LogReader& m_reader;
    std::vector<trend::Series*> m_derived; // stays put: the store keeps its series in a deque
    bool m_seen = false;
};

Survey::Survey(QStringList files) : m_given(std::move(files)) {}

Survey::~Survey() = default;

bool Survey::fail(const QString& message)
{
    m_error = message;
    m_file.reset();
    m_done = true;
    return false;
}

bool Survey::open()
{
    if (m_given.isEmpty())
        return fail(QStringLiteral("no log given"));
    std::vector<Part> given;
    for (const QString& path : m_given) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot open %1: %2").arg(shown(path), file.errorString()));
        datalog::LogReader reader(QFileInfo(path).fileName());
        FirstTime first;
        while (!first.ms_) {
            const QByteArray piece = file.read(kPeekPiece);
            const bool ok = piece.isEmpty() ? reader.finish(first) : reader.feed(piece, first);
            if (!ok)
                return fail(reader.error());
            if (piece.isEmpty())
                break;
        }
        given.push_back({QFileInfo(path).absoluteFilePath(), false, {}, first.ms_});
    }
    // Files without a single time go last; they add nothing but their notices.
    std::stable_sort(given.begin(), given.end(), [](const Part& a, const Part& b) {
        return a.firstMs.has_value() && (!b.firstMs || *a.firstMs < *b.firstMs);
    });
    QStringList taken;
    for (const Part& part : given)
        taken << part.path;
    for (const Part& part : given) {
        m_parts.push_back(part);
        m_bytesTotal += QFileInfo(part.path).size();
        for (const auto& [day, path] : followingDays(part.path)) {
            const QString absolute = QFileInfo(path).absoluteFilePath();
            if (taken.contains(absolute))
                continue;
            taken << absolute;
            m_parts.push_back({absolute, true, day, std::nullopt});
            m_bytesTotal += QFileInfo(absolute).size();
        }
    }
    return true;
}

bool Survey::startPart()
{
    const Part& part = m_parts[m_next];
    m_file = std::make_unique<QFile>(part.path);
    if (!m_file->open(QIODevice::ReadOnly))
        return fail(
            QStringLiteral("cannot open %1: %2").arg(shown(part.path), m_file->errorString()));
    m_reader = std::make_unique<datalog::LogReader>(QFileInfo(part.path).fileName());
    m_filler = std::make_unique<Filler>(*this, part, *m_reader);
    // Another run: its lines never join the one before, nor does a gap the last one ended in.
    if (!part.followingDay && m_any) {
        endGap(m_summary.lastMs);
        m_store.breakAll();
    }
    m_summary.files << part.path;
    return true;
}

bool Survey::endPart()
{
    if (!m_reader->finish(*m_filler))
        return fail(m_reader->error());
    m_notices << m_reader->notices();
    m_file.reset();
    ++m_next;
    return true;
}

void Survey::endGap(qint64 ms)
{
    if (!m_openGap)
        return;
    m_events[*m_openGap].endMs = ms;
    m_openGap.reset();
}

bool Survey::readSome(qint64 bytes)
{
    if (m_done || failed() || m_parts.empty())
        return false;
    for (qint64 left = bytes; left > 0;) {
        if (!m_file) {
            if (m_next >= m_parts.size()) {
                endGap(m_summary.lastMs); // the log ends in it
                m_done = true;
                return false;
            }
            if (!startPart())
                return false;
        }
        m_buffer.resize(qsizetype(std::min(left, kLargestPiece)));
        const qint64 n = m_file->read(m_buffer.data(), m_buffer.size());
        if (n < 0)
            return fail(QStringLiteral("cannot read %1: %2")
                            .arg(shown(m_file->fileName()), m_file->errorString()));
        if (n == 0) {
            if (!endPart())
                return false;
            continue;
        }
        m_bytesRead += n;
        left -= n;
        if (!m_reader->feed(QByteArrayView(m_buffer.constData(), n), *m_filler))
            return fail(m_reader->error());
        if (m_filler->rejected) {
            const Part& part = m_parts[m_next];
            m_notices << QStringLiteral("%1 is left out: its times do not go on from the "
                                        "survey's (%2)")
                             .arg(shown(part.path), datalog::isoTimeWithOffset(m_summary.lastMs));
            m_bytesRead -= m_file->pos();
            m_bytesTotal -= m_file->size();
            m_summary.files.removeLast();
            m_file.reset();
            ++m_next;
        }
    }
    return true;
}

bool Survey::readAll()
{
    while (readSome(kLargestPiece)) {
    }
    return !failed();
}

SurveySummary Survey::summary() const
{
    SurveySummary out = m_summary;
    for (const SurveyEvent& event : m_events) {
        if (event.kind == SurveyEvent::Kind::Gap) {
            ++out.gaps;
            out.gapMs += event.endMs - event.ms;
        }
    }
    return out;
}

} // namespace korvane::survey
