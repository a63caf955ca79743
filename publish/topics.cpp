// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/topics.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace korvane::publish {

using measure::Group;

QString topicSafe(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
                           (c >= u'0' && c <= u'9') || c == u'_' || c == u'-';
        out += plain ? c : u'_';
    }
    qsizetype first = 0;
    qsizetype last = out.size();
    while (first < last && out[first] == u'_')
        ++first;
    while (last > first && out[last - 1] == u'_')
        --last;
    return out.mid(first, last - first);
}

QString meterIdOf(const QString& device, const QString& serialNumber)
{
    const QString serial = topicSafe(serialNumber);
    return serial.isEmpty() ? topicSafe(device) : serial;
}

QString prefixProblem(const QString& prefix)
{
    if (prefix.contains(u'#') || prefix.contains(u'+'))
        return QStringLiteral("the topic prefix may not hold # or +");
    if (prefix.isEmpty() || prefix.split(u'/').contains(QString()))
        return QStringLiteral("the topic prefix needs a name on each level, e.g. site1/meter1");
    return {};
}

QString discoveryTopic(const QString& nodeId, measure::Key key)
{
    return QStringLiteral("homeassistant/sensor/%1/%2/config")
        .arg(nodeId, measure::keyInfo(key).name.toString());
}

namespace {
// Home Assistant's sensor device classes; angles and the sequence code have none.
QString deviceClass(Group group)
{
    switch (group) {
    case Group::Voltage:
        return QStringLiteral("voltage");
    case Group::Current:
        return QStringLiteral("current");
    case Group::Active:
        return QStringLiteral("power");
    case Group::Reactive:
        return QStringLiteral("reactive_power");
    case Group::Apparent:
        return QStringLiteral("apparent_power");
    case Group::PowerFactor:
        return QStringLiteral("power_factor");
    case Group::Frequency:
        return QStringLiteral("frequency");
    case Group::Angle:
    case Group::Sequence:
        break;
    }
    return {};
}
} // namespace

QByteArray discoveryConfig(measure::Key key, const QString& prefix, const QString& nodeId,
                           const QString& meterId)
{
    const measure::KeyInfo& info = measure::keyInfo(key);
    const QString name = info.name.toString();
    QJsonObject config{
        {"name", name},
        {"unique_id", nodeId + u'_' + name},
        {"state_topic", prefix + u'/' + name},
        {"availability_topic", prefix + QStringLiteral("/status")},
        {"state_class", "measurement"},
        {"device", QJsonObject{{"name", QStringLiteral("Korvane ") + meterId},
                               {"model", "Handheld power meter"},
                               {"manufacturer", "Korvane"},
                               {"identifiers", QJsonArray{nodeId}}}},
    };
    if (!info.unit.isEmpty())
        config.insert("unit_of_measurement", info.unit.toString());
    const QString deviceClassName = deviceClass(info.group);
    if (!deviceClassName.isEmpty())
        config.insert("device_class", deviceClassName);
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

} // namespace korvane::publish
