// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/influxformat.h"

#include "datalog/fields.h"

namespace korvane::datalog {

namespace {
// Tag values escape commas, equals signs and spaces.
void appendTagValue(QByteArray& out, QByteArrayView value)
{
    for (char c : value) {
        if (c == ',' || c == '=' || c == ' ' || c == '\\')
            out += '\\';
        // No escape keeps a line break inside a line.
        out += (c == '\n' || c == '\r') ? '_' : c;
    }
}

// String field values are quoted and escape quotes and backslashes.
void appendStringField(QByteArray& out, QByteArrayView value)
{
    out += '"';
    for (char c : value) {
        if (c == '"' || c == '\\')
            out += '\\';
        // A line ends at a line feed, escaped or not.
        out += (c == '\n' || c == '\r') ? ' ' : c;
    }
    out += '"';
}

// Field keys escape commas, equals signs and spaces; derived names are ours but say so anyway.
void appendFieldKey(QByteArray& out, QByteArrayView key)
{
    for (char c : key) {
        if (c == ',' || c == '=' || c == ' ' || c == '\\')
            out += '\\';
        out += c;
    }
}

void appendTimestamp(QByteArray& out, qint64 ms)
{
    out += ' ';
    out += QByteArray::number(ms) + "000000\n";
}
} // namespace

QByteArray InfluxFormat::seriesKey(const char* measurement) const
{
    QByteArray out = measurement;
    if (!meter().isEmpty()) {
        out += ",meter=";
        appendTagValue(out, meter().toUtf8());
    }
    return out;
}

QByteArray InfluxFormat::frame(const measure::Reading& reading, const DerivedValues& derived)
{
    QByteArray out = seriesKey("korvane");
    out.reserve(out.size() + 160);
    out += ",kind=" + QByteArray::number(reading.kind) + ' ';
    const qsizetype fieldsAt = out.size();
    QByteArray overload;
    for (const measure::Quantity& q : reading.values()) {
        const QByteArray name = measure::keyInfo(q.key).name.toLatin1();
        if (q.state == measure::State::Overload) {
            overload += (overload.isEmpty() ? "" : ",") + name;
        } else if (q.hasValue()) {
            if (out.size() > fieldsAt)
                out += ',';
            out += name + '=';
            appendNumber(out, q.value);
        }
    }
    for (std::size_t i = 0; i < derived.size() && i < derivedColumns().size(); ++i) {
        if (!derived[i])
            continue;
        if (out.size() > fieldsAt)
            out += ',';
        appendFieldKey(out, derivedColumns()[i].name.toUtf8());
        out += '=';
        appendNumber(out, *derived[i]);
    }
    if (!overload.isEmpty()) {
        if (out.size() > fieldsAt)
            out += ',';
        out += "overload=";
        appendStringField(out, overload);
    }
    // A line needs one field at least; the index alone says nothing.
    if (out.size() == fieldsAt)
        return {};
    if (reading.hasIndex())
        out += ",index=" + QByteArray::number(reading.index) + 'i';
    appendTimestamp(out, reading.receivedMs);
    return out;
}

QByteArray InfluxFormat::event(const Event& event)
{
    QByteArray out = seriesKey("korvane_event") + " event=";
    appendStringField(out, event.text.toUtf8());
    appendTimestamp(out, event.ms);
    return out;
}

QByteArray InfluxFormat::stats(const IntervalSummary& summary)
{
    QByteArray out = seriesKey("korvane_stats");
    out += ",interval=" + QByteArray::number((summary.endMs - summary.startMs) / 60000) + "m ";
    for (const QuantityStats& s : summary.quantities) {
        const QByteArray name = measure::keyInfo(s.key).name.toLatin1();
        if (s.count > 0) {
            out += name + "_min=";
            appendNumber(out, s.min);
            if (s.mean) {
                out += ',' + name + "_avg=";
                appendNumber(out, *s.mean);
            }
            out += ',' + name + "_max=";
            appendNumber(out, s.max);
            out += ',';
        }
        out += name + "_count=" + QByteArray::number(s.count) + "i," + name +
               "_overloads=" + QByteArray::number(s.overloads) + "i,";
    }
    out += summary.partial ? "partial=true" : "partial=false";
    // A run that stops and one that starts inside the same interval both write it partial; at
    // their first samples they stay two points instead of one overwriting the other.
    appendTimestamp(out, summary.partial ? summary.firstSampleMs : summary.startMs);
    return out;
}

} // namespace korvane::datalog
