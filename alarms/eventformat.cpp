// SPDX-License-Identifier: GPL-3.0-or-later
#include "alarms/eventformat.h"

#include "datalog/fields.h"

namespace korvane::alarms {

namespace {
const char* stateName(AlarmState state)
{
    return state == AlarmState::Raised ? "raised" : "cleared";
}

// datalog keeps its line-protocol escaping to itself; a meter's name is the one free text here.
void appendTagValue(QByteArray& out, QByteArrayView value)
{
    for (char c : value) {
        if (c == ',' || c == '=' || c == ' ' || c == '\\')
            out += '\\';
        out += (c == '\n' || c == '\r') ? '_' : c;
    }
}

// A rule's text holds a key, digits, '.', '-', '<', '>' and spaces: nothing to escape in a
// string field.
void appendQuoted(QByteArray& out, const QString& text)
{
    out += '"' + text.toLatin1() + '"';
}
} // namespace

QByteArray jsonLine(const AlarmEvent& event)
{
    QByteArray out = "{\"time\":\"" + datalog::isoTimeBytes(event.ms) + "\",\"alarm\":";
    datalog::appendJsonString(out, event.rule.text.toUtf8());
    out += ",\"state\":\"";
    out += stateName(event.state);
    out += "\",\"key\":\"" + measure::keyInfo(event.key()).name.toLatin1() + '"';
    if (event.value) {
        out += ",\"value\":";
        datalog::appendNumber(out, *event.value);
    } else if (event.overload) {
        out += ",\"overload\":true";
    }
    out += "}\n";
    return out;
}

QString statusText(const AlarmEvent& event)
{
    QString out = QStringLiteral("alarm ") + QLatin1StringView(stateName(event.state)) +
                  QStringLiteral(": ") + event.rule.text;
    if (event.value) {
        QByteArray number;
        datalog::appendNumber(number, *event.value);
        out += QStringLiteral(" (") + QLatin1StringView(number) + u')';
    } else if (event.overload) {
        out += QStringLiteral(" (OL)");
    }
    return out;
}

QByteArray influxLine(const AlarmEvent& event, const QString& meter)
{
    QByteArray out = "korvane_alarm";
    if (!meter.isEmpty()) {
        out += ",meter=";
        appendTagValue(out, meter.toUtf8());
    }
    out += ",rule=" + event.rule.id.toLatin1() +
           ",key=" + measure::keyInfo(event.key()).name.toLatin1() + " alarm=";
    appendQuoted(out, event.rule.text);
    out += ",state=\"";
    out += stateName(event.state);
    out += '"';
    if (event.value) {
        out += ",value=";
        datalog::appendNumber(out, *event.value);
    } else if (event.overload) {
        out += ",overload=true";
    }
    out += ' ' + QByteArray::number(event.ms) + "000000\n";
    return out;
}

} // namespace korvane::alarms
