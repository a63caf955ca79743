// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/jsonlformat.h"

#include "datalog/fields.h"

namespace korvane::datalog {

namespace {
void appendName(QByteArray& out, measure::Key key)
{
    out += '"';
    out += measure::keyInfo(key).name.toLatin1(); // short ASCII, nothing to escape
    out += '"';
}

void appendTime(QByteArray& out, const char* name, qint64 ms)
{
    out += '"';
    out += name;
    out += "\":\"";
    out += isoTimeBytes(ms);
    out += '"';
}

template <typename Keys> void appendUnits(QByteArray& out, const Keys& keys)
{
    out += "\"units\":{";
    bool first = true;
    for (measure::Key key : keys) {
        if (!first)
            out += ',';
        first = false;
        appendName(out, key);
        out += ':';
        appendJsonString(out, measure::keyInfo(key).unit.toUtf8());
    }
    out += '}';
}
} // namespace

QByteArray JsonlFormat::frame(const measure::Reading& reading, const DerivedValues& derived)
{
    QByteArray out;
    out.reserve(256);
    out += '{';
    appendTime(out, "time", reading.receivedMs);
    out += ",\"kind\":" + QByteArray::number(reading.kind);
    if (reading.hasIndex())
        out += ",\"index\":" + QByteArray::number(reading.index);
    std::vector<measure::Key> shown;
    out += ",\"values\":{";
    for (const measure::Quantity& q : reading.values()) {
        if (!q.hasValue())
            continue;
        if (!shown.empty())
            out += ',';
        shown.push_back(q.key);
        appendName(out, q.key);
        out += ':';
        appendNumber(out, q.value);
    }
    std::vector<std::size_t> derivedShown;
    for (std::size_t i = 0; i < derived.size() && i < derivedColumns().size(); ++i) {
        if (!derived[i])
            continue;
        if (!shown.empty() || !derivedShown.empty())
            out += ',';
        derivedShown.push_back(i);
        appendJsonString(out, derivedColumns()[i].name.toUtf8());
        out += ':';
        appendNumber(out, *derived[i]);
    }
    out += "},\"overload\":[";
    bool first = true;
    for (const measure::Quantity& q : reading.values()) {
        if (q.state != measure::State::Overload)
            continue;
        if (!first)
            out += ',';
        first = false;
        shown.push_back(q.key);
        appendName(out, q.key);
    }
    out += "],";
    appendUnits(out, shown);
    if (!derivedShown.empty()) {
        out.chop(1); // the units' closing brace
        for (std::size_t i : derivedShown) {
            if (out.back() != '{')
                out += ',';
            appendJsonString(out, derivedColumns()[i].name.toUtf8());
            out += ':';
            appendJsonString(out, derivedColumns()[i].unit.toUtf8());
        }
        out += '}';
    }
    out += "}\n";
    return out;
}

QByteArray JsonlFormat::event(const Event& event)
{
    QByteArray out = "{";
    appendTime(out, "time", event.ms);
    out += ",\"event\":";
    appendJsonString(out, event.text.toUtf8());
    out += "}\n";
    return out;
}

QByteArray JsonlFormat::stats(const IntervalSummary& summary)
{
    QByteArray out = "{";
    appendTime(out, "start", summary.startMs);
    out += ',';
    appendTime(out, "end", summary.endMs);
    out += summary.partial ? ",\"partial\":true" : ",\"partial\":false";
    out += ",\"stats\":{";
    std::vector<measure::Key> keys;
    for (const QuantityStats& s : summary.quantities) {
        if (!keys.empty())
            out += ',';
        keys.push_back(s.key);
        appendName(out, s.key);
        out += ":{";
        if (s.count > 0) {
            out += "\"min\":";
            appendNumber(out, s.min);
            if (s.mean) {
                out += ",\"avg\":";
                appendNumber(out, *s.mean);
            }
            out += ",\"max\":";
            appendNumber(out, s.max);
            out += ',';
        }
        out += "\"count\":" + QByteArray::number(s.count) +
               ",\"overloads\":" + QByteArray::number(s.overloads) + '}';
    }
    out += "},";
    appendUnits(out, keys);
    out += "}\n";
    return out;
}

} // namespace korvane::datalog
