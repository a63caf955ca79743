// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/logreader.h"

#include "datalog/fields.h"
#include "datalog/lineformat.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <utility>

namespace korvane::datalog {

using measure::Key;
using measure::Quantity;
using measure::State;

namespace {
constexpr QByteArrayView kBom = "\xEF\xBB\xBF";
// Longer is no cell of ours; it is cut in messages.
constexpr qsizetype kQuotedInMessages = 40;

QString quoted(QByteArrayView field)
{
    QString text = QString::fromUtf8(field.first(std::min(field.size(), kQuotedInMessages)));
    if (field.size() > kQuotedInMessages)
        text += QStringLiteral("...");
    return u'"' + text + u'"';
}

// A number as the writers write it, with the dialect's decimal separator; nothing else.
std::optional<double> parseNumber(QByteArrayView field, char decimalPoint)
{
    char buf[64];
    if (field.isEmpty() || field.size() >= qsizetype(sizeof buf))
        return std::nullopt;
    std::memcpy(buf, field.data(), std::size_t(field.size()));
    const std::size_t n = std::size_t(field.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (buf[i] == decimalPoint)
            buf[i] = '.';
        else if (buf[i] == '.' && decimalPoint != '.')
            return std::nullopt;
    }
    double value = 0;
    const auto [end, ec] = std::from_chars(buf, buf + n, value);
    if (ec != std::errc() || end != buf + n || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> parseSmall(QByteArrayView field, int most)
{
    int value = 0;
    const auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.isEmpty() || ec != std::errc() || end != field.data() + field.size() || value < 0 ||
        value > most)
        return std::nullopt;
    return value;
}

std::optional<Key> keyInAnyCase(QStringView name)
{
    for (int k = 0; k < measure::kKeyCount; ++k) {
        if (measure::keyInfo(Key(k)).name.compare(name, Qt::CaseInsensitive) == 0)
            return Key(k);
    }
    return std::nullopt;
}

// The key a rule's text starts with: "U1>253 for 5s", "u1 silent 30s".
std::optional<Key> ruleKey(const QString& rule)
{
    qsizetype n = 0;
    while (n < rule.size() && rule[n].isLetterOrNumber())
        ++n;
    return keyInAnyCase(QStringView(rule).first(n));
}

// "name [unit]", or a bare name.
DerivedName splitHeading(const QString& heading)
{
    const qsizetype open = heading.lastIndexOf(QStringLiteral(" ["));
    if (open > 0 && heading.endsWith(u']'))
        return {heading.left(open), heading.mid(open + 2).chopped(1)};
    return {heading, {}};
}

std::optional<int> number2(QByteArrayView t, qsizetype at)
{
    if (at + 2 > t.size() || !std::isdigit(uchar(t[at])) || !std::isdigit(uchar(t[at + 1])))
        return std::nullopt;
    return (t[at] - '0') * 10 + (t[at + 1] - '0');
}

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
qint64 daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return qint64(era) * 146097 + doe - 719468;
}
} // namespace

std::optional<qint64> parseIsoTime(QByteArrayView t)
{
    // yyyy-MM-ddTHH:mm:ss
    if (t.size() < 20 || t[4] != '-' || t[7] != '-' || (t[10] != 'T' && t[10] != ' ') ||
        t[13] != ':' || t[16] != ':')
        return std::nullopt;
    const auto hi = number2(t, 0);
    const auto lo = number2(t, 2);
    const auto month = number2(t, 5);
    const auto day = number2(t, 8);
    const auto hour = number2(t, 11);
    const auto minute = number2(t, 14);
    const auto second = number2(t, 17);
    if (!hi || !lo || !month || !day || !hour || !minute || !second || *month < 1 || *month > 12 ||
        *day < 1 || *day > 31 || *hour > 23 || *minute > 59 || *second > 60)
        return std::nullopt;
    qsizetype at = 19;
    int ms = 0;
    if (at < t.size() && t[at] == '.') {
        int scale = 100;
        ++at;
        const qsizetype first = at;
        while (at < t.size() && std::isdigit(uchar(t[at]))) {
            ms += (t[at] - '0') * scale;
            scale /= 10;
            ++at;
        }
        if (at == first)
            return std::nullopt;
    }
    int offsetMinutes = 0;
    if (at + 1 == t.size() && t[at] == 'Z') {
        ++at;
    } else if (at + 6 == t.size() && (t[at] == '+' || t[at] == '-') && t[at + 3] == ':') {
        const auto oh = number2(t, at + 1);
        const auto om = number2(t, at + 4);
        if (!oh || !om || *oh > 23 || *om > 59)
            return std::nullopt;
        offsetMinutes = (t[at] == '-' ? -1 : 1) * (*oh * 60 + *om);
        at += 6;
    }
    if (at != t.size())
        return std::nullopt;
    const qint64 days = daysFromCivil(*hi * 100 + *lo, *month, *day);
    const qint64 seconds =
        days * 86400 + *hour * 3600 + *minute * 60 + *second - qint64(offsetMinutes) * 60;
    return seconds * 1000 + ms;
}

LogEvent eventFromText(qint64 ms, const QString& text)
{
    LogEvent event;
    event.ms = ms;
    event.text = text;
    const QLatin1StringView found(eventtext::kMeterFoundOn);
    if (text == QLatin1StringView(eventtext::kLinkLost)) {
        event.kind = LogEvent::Kind::LinkLost;
    } else if (text.startsWith(found)) {
        event.kind = LogEvent::Kind::MeterFound;
        event.device = text.mid(found.size());
    } else if (text == QLatin1StringView(eventtext::kLiveFramesPaused)) {
        event.kind = LogEvent::Kind::Paused;
    } else if (text == QLatin1StringView(eventtext::kLiveFramesAgain)) {
        event.kind = LogEvent::Kind::Resumed;
    } else if (text.startsWith(QLatin1StringView("alarm raised: ")) ||
               text.startsWith(QLatin1StringView("alarm cleared: "))) {
        LogEvent::Alarm alarm;
        alarm.raised = text.startsWith(QLatin1StringView("alarm raised: "));
        QString rule = text.mid(text.indexOf(u':') + 2);
        // The sample that did it, in brackets after the rule: a number or "OL".
        if (const qsizetype open = rule.lastIndexOf(QStringLiteral(" ("));
            open > 0 && rule.endsWith(u')')) {
            const QString sample = rule.mid(open + 2).chopped(1);
            const auto value = parseNumber(sample.toLatin1(), '.');
            if (sample == QLatin1StringView("OL") || value) {
                alarm.overload = !value;
                alarm.value = value;
                rule.truncate(open);
            }
        }
        alarm.key = ruleKey(rule);
        alarm.rule = rule;
        event.kind = LogEvent::Kind::Alarm;
        event.alarm = std::move(alarm);
    }
    return event;
}

// How the CSV's columns are read, from its heading.
struct LogReader::Csv
{
    enum class Role : quint8 { Time, Quantity, Derived, Kind, Index, Status };
    struct Column
    {
        Role role;
        int target = 0; // the key, or the derived column
    };
    char separator = ',';
    char decimalPoint = '.';
    std::vector<Column> columns;
    std::vector<QByteArrayView> fields;
    std::vector<QByteArray> unquoted;
    QByteArray heading; // as read, for the fields' views while it is read

    // Cuts a line into its fields; false where a quote is never closed.
    bool split(QByteArrayView line)
    {
        fields.clear();
        if (!line.contains('"')) {
            qsizetype start = 0;
            while (true) {
                const void* hit =
                    std::memchr(line.data() + start, separator, std::size_t(line.size() - start));
                if (!hit) {
                    fields.push_back(line.sliced(start));
                    return true;
                }
                const qsizetype at = static_cast<const char*>(hit) - line.data();
                fields.push_back(line.sliced(start, at - start));
                start = at + 1;
            }
        }
        // A quoted cell (a status text with the separator or quotes in it): the slow way.
        unquoted.clear();
        unquoted.reserve(std::size_t(line.count(separator)) + 1);
        QByteArray cell;
        bool inQuotes = false;
        bool wasQuoted = false;
        for (qsizetype i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (inQuotes) {
                if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                    cell += '"';
                    ++i;
                } else if (c == '"') {
                    inQuotes = false;
                } else {
                    cell += c;
                }
            } else if (c == '"' && cell.isEmpty() && !wasQuoted) {
                inQuotes = wasQuoted = true;
            } else if (c == separator) {
                unquoted.push_back(std::exchange(cell, {}));
                wasQuoted = false;
            } else {
                cell += c;
            }
        }
        if (inQuotes)
            return false;
        unquoted.push_back(cell);
        for (const QByteArray& field : unquoted)
            fields.push_back(field);
        return true;
    }
};

LogReader::LogReader(QString fileName) : m_fileName(std::move(fileName)) {}

LogReader::~LogReader() = default;

bool LogReader::fail(const QString& what)
{
    m_error = QStringLiteral("%1, line %2: %3").arg(m_fileName).arg(m_line).arg(what);
    m_pending.clear();
    return false;
}

bool LogReader::notKorvane(const QString& why)
{
    m_error = QStringLiteral("%1 is not a Korvane log: %2").arg(m_fileName, why);
    m_pending.clear();
    return false;
}

bool LogReader::feed(QByteArrayView bytes, LogVisitor& to)
{
    if (failed())
        return false;
    m_pending.append(bytes);
    const char* data = m_pending.constData();
    const qsizetype size = m_pending.size();
    qsizetype start = 0;
    qsizetype scan = 0;
    while (true) {
        const void* hit = std::memchr(data + scan, '\n', std::size_t(size - scan));
        if (!hit)
            break;
        const qsizetype end = static_cast<const char*>(hit) - data;
        QByteArrayView line(data + start, end - start);
        // A quoted CSV cell may hold a line break: the line goes on until its quotes close.
        // JSON escapes its quotes and line breaks: a line is whole at its end.
        const bool json =
            m_type == LogType::JsonLines ||
            (!m_started && (line.startsWith('{') || line.startsWith("\xEF\xBB\xBF{")));
        if (!json && line.contains('"') && line.count('"') % 2 != 0) {
            scan = end + 1;
            continue;
        }
        const qint64 breaks = line.count('\n');
        ++m_line;
        if (line.endsWith('\r'))
            line.chop(1);
        if (!readLine(line, to))
            return false;
        m_line += breaks;
        start = scan = end + 1;
    }
    m_pending.remove(0, start);
    return true;
}

bool LogReader::finish(LogVisitor& to)
{
    if (failed())
        return false;
    if (!m_pending.isEmpty()) {
        ++m_line;
        if (!m_started)
            return notKorvane(QStringLiteral("it holds no whole line"));
        m_notices << QStringLiteral("%1, line %2: the last line is cut short (the program "
                                    "writing it was stopped) and is left out")
                         .arg(m_fileName)
                         .arg(m_line);
        m_pending.clear();
    } else if (!m_started) {
        return notKorvane(QStringLiteral("it is empty"));
    }
    Q_UNUSED(to);
    return true;
}

bool LogReader::readLine(QByteArrayView line, LogVisitor& to)
{
    if (!m_started) {
        m_started = true;
        if (line.startsWith(kBom))
            line = line.sliced(kBom.size());
        return readHeading(line, to);
    }
    if (line.isEmpty())
        return true; // a blank line carries nothing, as spreadsheets sometimes add one
    if (m_type == LogType::JsonLines)
        return readJsonLine(line, to);
    return readCsvRow(line, to);
}

int LogReader::derivedColumn(const QString& name, const QString& unit)
{
    for (std::size_t i = 0; i < m_derived.size(); ++i) {
        if (m_derived[i].name == name)
            return int(i);
    }
    m_derived.push_back({name, unit});
    return int(m_derived.size()) - 1;
}

bool LogReader::readHeading(QByteArrayView line, LogVisitor& to)
{
    if (line.startsWith('{')) {
        m_type = LogType::JsonLines;
        return readJsonLine(line, to);
    }
    if (line.startsWith("korvane"))
        return notKorvane(QStringLiteral("it is InfluxDB line protocol, which is not read back; "
                                         "log as CSV or JSON Lines to open a log"));
    if (line.startsWith("start,end,quantity") || line.startsWith("start;end;quantity"))
        return notKorvane(QStringLiteral("it holds interval statistics, not frames"));
    if (!line.startsWith("time") || (line.size() > 4 && line[4] != ',' && line[4] != ';'))
        return notKorvane(QStringLiteral("its first line is no heading Korvane writes"));

    m_csv = std::make_unique<Csv>();
    Csv& csv = *m_csv;
    csv.separator = line.size() > 4 ? line[4] : ',';
    csv.decimalPoint = csv.separator == ';' ? ',' : '.';
    csv.heading = line.toByteArray();
    if (!csv.split(csv.heading))
        return notKorvane(QStringLiteral("its first line is no heading Korvane writes"));
    bool keys = false;
    bool status = false;
    bool kind = false;
    bool bracketsOnly = true; // every column not the meter's is "name [unit]"
    std::vector<std::pair<int, DerivedName>> derived;
    csv.columns.push_back({Csv::Role::Time});
    for (std::size_t i = 1; i < csv.fields.size(); ++i) {
        const QString heading = QString::fromUtf8(csv.fields[i]);
        std::optional<Key> key;
        for (int k = 0; k < measure::kKeyCount && !key; ++k) {
            if (heading == columnHeading(Key(k)))
                key = Key(k);
        }
        if (key) {
            csv.columns.push_back({Csv::Role::Quantity, int(*key)});
            keys = true;
        } else if (heading == QLatin1StringView("kind")) {
            csv.columns.push_back({Csv::Role::Kind});
            kind = true;
        } else if (heading == QLatin1StringView("index")) {
            csv.columns.push_back({Csv::Role::Index});
        } else if (heading == QLatin1StringView("status")) {
            csv.columns.push_back({Csv::Role::Status});
            status = true;
        } else {
            DerivedName name = splitHeading(heading);
            if (name.name.isEmpty())
                return notKorvane(QStringLiteral("column %1 of its heading is empty").arg(i + 1));
            bracketsOnly = bracketsOnly && !name.unit.isEmpty();
            csv.columns.push_back({Csv::Role::Derived, derivedColumn(name.name, name.unit)});
        }
    }
    if (status && kind && keys) {
        m_type = LogType::Csv;
    } else if (!status && !kind && bracketsOnly && csv.separator == ',') {
        m_type = LogType::TrendCsv;
        // The trend's export names only the meter's quantities and units beside the time.
        for (const Csv::Column& column : csv.columns) {
            if (column.role == Csv::Role::Index)
                return notKorvane(QStringLiteral("its first line is no heading Korvane writes"));
        }
    } else {
        m_derived.clear();
        return notKorvane(QStringLiteral("its first line is no heading Korvane writes"));
    }
    m_quantities.reserve(csv.columns.size());
    return true;
}

bool LogReader::readCsvRow(QByteArrayView line, LogVisitor& to)
{
    Csv& csv = *m_csv;
    if (!csv.split(line))
        return fail(QStringLiteral("a quote is never closed"));
    if (csv.fields.size() != csv.columns.size())
        return fail(QStringLiteral("the row has %1 of the heading's %2 fields")
                        .arg(csv.fields.size())
                        .arg(csv.columns.size()));
    m_quantities.clear();
    m_samples.clear();
    LogFrame frame;
    QByteArrayView status;
    for (std::size_t i = 0; i < csv.columns.size(); ++i) {
        const QByteArrayView field = csv.fields[i];
        const Csv::Column& column = csv.columns[i];
        switch (column.role) {
        case Csv::Role::Time: {
            const auto ms = parseIsoTime(field);
            if (!ms)
                return fail(QStringLiteral("%1 is no time").arg(quoted(field)));
            frame.ms = *ms;
            break;
        }
        case Csv::Role::Quantity:
            if (field.isEmpty())
                break;
            if (field == "OL") {
                m_quantities.push_back({Key(column.target), State::Overload, false, NAN});
            } else if (const auto value = parseNumber(field, csv.decimalPoint)) {
                m_quantities.push_back({Key(column.target), State::Value, false, *value});
            } else {
                return fail(QStringLiteral("%1 under %2 is no number")
                                .arg(quoted(field), columnHeading(Key(column.target))));
            }
            break;
        case Csv::Role::Derived:
            if (field.isEmpty())
                break;
            if (const auto value = parseNumber(field, csv.decimalPoint))
                m_samples.push_back({column.target, *value});
            else
                return fail(QStringLiteral("%1 under %2 is no number")
                                .arg(quoted(field), m_derived[std::size_t(column.target)].name));
            break;
        case Csv::Role::Kind:
        case Csv::Role::Index: {
            if (field.isEmpty())
                break;
            const bool isKind = column.role == Csv::Role::Kind;
            const auto n = parseSmall(field, isKind ? 3 : 255);
            if (!n)
                return fail(QStringLiteral("%1 is no frame %2")
                                .arg(quoted(field),
                                     isKind ? QStringLiteral("kind") : QStringLiteral("index")));
            (isKind ? frame.kind : frame.index) = quint8(*n);
            break;
        }
        case Csv::Role::Status:
            status = field;
            break;
        }
    }
    if (!status.isEmpty()) {
        to.event(eventFromText(frame.ms, QString::fromUtf8(status)));
        return true;
    }
    frame.quantities = m_quantities;
    frame.derived = m_samples;
    to.frame(frame);
    return true;
}

bool LogReader::readJsonLine(QByteArrayView line, LogVisitor& to)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(line.toByteArray(), &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject()) {
        if (m_line == 1)
            return notKorvane(QStringLiteral("its first line is no heading Korvane writes"));
        return fail(QStringLiteral("no JSON object (%1)").arg(error.errorString()));
    }
    const QJsonObject o = doc.object();
    if (o.contains(QLatin1StringView("stats"))) {
        if (m_line == 1)
            return notKorvane(QStringLiteral("it holds interval statistics, not frames"));
        return fail(QStringLiteral("interval statistics among frames"));
    }
    const auto ms = parseIsoTime(o.value(QLatin1StringView("time")).toString().toLatin1());
    if (!ms) {
        if (m_line == 1)
            return notKorvane(QStringLiteral("its first line has no time"));
        return fail(QStringLiteral("no time"));
    }
    if (const QJsonValue text = o.value(QLatin1StringView("event")); text.isString()) {
        to.event(eventFromText(*ms, text.toString()));
        return true;
    }
    if (const QJsonValue rule = o.value(QLatin1StringView("alarm")); rule.isString()) {
        const QString state = o.value(QLatin1StringView("state")).toString();
        if (state != QLatin1StringView("raised") && state != QLatin1StringView("cleared"))
            return fail(QStringLiteral("an alarm neither raised nor cleared"));
        LogEvent::Alarm alarm;
        alarm.raised = state == QLatin1StringView("raised");
        alarm.rule = rule.toString();
        alarm.key = measure::keyNamed(o.value(QLatin1StringView("key")).toString());
        if (!alarm.key)
            alarm.key = ruleKey(alarm.rule);
        if (const QJsonValue value = o.value(QLatin1StringView("value")); value.isDouble())
            alarm.value = value.toDouble();
        alarm.overload = o.value(QLatin1StringView("overload")).toBool();
        LogEvent event;
        event.ms = *ms;
        event.kind = LogEvent::Kind::Alarm;
        // As the CSV's status row reads.
        event.text = QStringLiteral("alarm ") + state + QStringLiteral(": ") + alarm.rule;
        if (alarm.value) {
            QByteArray number;
            appendNumber(number, *alarm.value);
            event.text += QStringLiteral(" (") + QString::fromLatin1(number) + u')';
        } else if (alarm.overload) {
            event.text += QStringLiteral(" (OL)");
        }
        event.alarm = std::move(alarm);
        to.event(event);
        return true;
    }

    LogFrame frame;
    frame.ms = *ms;
    const QJsonValue kind = o.value(QLatin1StringView("kind"));
    if (!kind.isDouble() || kind.toInt(-1) < 0 || kind.toInt(-1) > 3)
        return fail(QStringLiteral("no frame kind"));
    frame.kind = quint8(kind.toInt());
    if (const QJsonValue index = o.value(QLatin1StringView("index")); !index.isUndefined()) {
        if (index.toInt(-1) < 0 || index.toInt(-1) > 255)
            return fail(QStringLiteral("no frame index"));
        frame.index = quint8(index.toInt());
    }
    m_quantities.clear();
    m_samples.clear();
    const QJsonObject values = o.value(QLatin1StringView("values")).toObject();
    const QJsonObject units = o.value(QLatin1StringView("units")).toObject();
    for (auto it = values.begin(); it != values.end(); ++it) {
        if (!it.value().isDouble())
            return fail(QStringLiteral("%1 is no number").arg(it.key()));
        if (const auto key = measure::keyNamed(it.key()))
            m_quantities.push_back({*key, State::Value, false, it.value().toDouble()});
        else
            m_samples.push_back(
                {derivedColumn(it.key(), units.value(it.key()).toString()), it.value().toDouble()});
    }
    for (const QJsonValue name : o.value(QLatin1StringView("overload")).toArray()) {
        const auto key = measure::keyNamed(name.toString());
        if (!key)
            return fail(QStringLiteral("%1 is no quantity of the meter").arg(name.toString()));
        m_quantities.push_back({*key, State::Overload, false, NAN});
    }
    std::sort(m_quantities.begin(), m_quantities.end(),
              [](const Quantity& a, const Quantity& b) { return a.key < b.key; });
    frame.quantities = m_quantities;
    frame.derived = m_samples;
    to.frame(frame);
    return true;
}

} // namespace korvane::datalog
