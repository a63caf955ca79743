// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/topics.h"

#include "measure/reading.h"
#include "measure/readingtext.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

#include <algorithm>

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

namespace {
// Two names that differ only in characters outside ASCII would make one id: those keep a short
// hash of the whole name. Plain ASCII names get none, so their ids never change.
QString idPart(const QString& text)
{
    const QString safe = topicSafe(text);
    const bool ascii =
        std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return safe;
    const QByteArray hash =
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex().left(8);
    return safe.isEmpty() ? QString::fromLatin1(hash) : safe + u'_' + QString::fromLatin1(hash);
}

// The longest level the publisher adds below the prefix.
constexpr qsizetype kLongestLevel = sizeof("/status") - 1;
constexpr qsizetype kLongestTopic = 65535;
} // namespace

QString meterIdOf(const QString& device, const QString& serialNumber)
{
    const QString serial = idPart(serialNumber);
    return serial.isEmpty() ? idPart(device) : serial;
}

QString prefixProblem(const QString& prefix)
{
    if (prefix.startsWith(u'$'))
        return QCoreApplication::translate(
            "korvane::publish", "the topic prefix may not start with $ (brokers keep those topics "
                                "for themselves)");
    if (prefix.contains(u'#') || prefix.contains(u'+'))
        return QCoreApplication::translate("korvane::publish",
                                           "the topic prefix may not hold # or +");
    if (std::any_of(prefix.cbegin(), prefix.cend(),
                    [](QChar c) { return c.category() == QChar::Other_Control; }))
        return QCoreApplication::translate(
            "korvane::publish", "the topic prefix may not hold NUL or control characters");
    if (prefix.isEmpty() || prefix.split(u'/').contains(QString()))
        return QCoreApplication::translate(
            "korvane::publish", "the topic prefix needs a name on each level, e.g. site1/meter1");
    if (prefix.toUtf8().size() + kLongestLevel > kLongestTopic)
        return QCoreApplication::translate(
            "korvane::publish",
            "the topic prefix is too long: MQTT topics are at most 65535 bytes");
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

namespace {
// What every config of one meter shares: its name, topics, and the device it belongs to.
QJsonObject baseConfig(const QString& name, const QString& uniqueId, const QString& stateTopic,
                       const QString& prefix, const QString& nodeId, const QString& meterId)
{
    return QJsonObject{
        {"name", name},
        {"unique_id", uniqueId},
        {"state_topic", stateTopic},
        {"availability_topic", prefix + QStringLiteral("/status")},
        {"device", QJsonObject{{"name", QStringLiteral("Korvane ") + meterId},
                               {"model", "Handheld power meter"},
                               {"manufacturer", "Korvane"},
                               {"identifiers", QJsonArray{nodeId}}}},
        {"origin", QJsonObject{{"name", "Korvane"}, {"sw_version", KORVANE_VERSION}}},
    };
}
} // namespace

QString discoveryTopic(const QString& nodeId, const QString& name)
{
    return QStringLiteral("homeassistant/sensor/%1/%2/config").arg(nodeId, name);
}

QByteArray discoveryConfig(const datalog::DerivedColumn& column, const QString& prefix,
                           const QString& nodeId, const QString& meterId)
{
    QJsonObject config = baseConfig(column.name, nodeId + u'_' + column.name,
                                    prefix + u'/' + column.name, prefix, nodeId, meterId);
    const bool cost = column.kind == datalog::DerivedColumn::Kind::Cost;
    config.insert("device_class", cost ? "monetary" : "energy");
    // A cost restarts with the totals' reset, as energy does; Home Assistant's "total" for money.
    config.insert("state_class", cost ? "total" : "total_increasing");
    config.insert("unit_of_measurement", column.unit);
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

QString alarmDiscoveryTopic(const QString& nodeId, const QString& id)
{
    return QStringLiteral("homeassistant/binary_sensor/%1/%2/config").arg(nodeId, id);
}

QByteArray alarmDiscoveryConfig(const QString& id, const QString& text, const QString& prefix,
                                const QString& nodeId, const QString& meterId)
{
    QJsonObject config =
        baseConfig(QStringLiteral("Alarm ") + text, nodeId + QStringLiteral("_alarm_") + id,
                   prefix + QStringLiteral("/alarm/") + id, prefix, nodeId, meterId);
    config.insert("device_class", "problem");
    config.insert("payload_on", "ON");
    config.insert("payload_off", "OFF");
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

QByteArray discoveryConfig(measure::Key key, const QString& prefix, const QString& nodeId,
                           const QString& meterId)
{
    const measure::KeyInfo& info = measure::keyInfo(key);
    const QString name = info.name.toString();
    QJsonObject config =
        baseConfig(name, nodeId + u'_' + name, prefix + u'/' + name, prefix, nodeId, meterId);
    if (info.group == Group::Sequence) {
        // The topic carries the meter's code; Home Assistant shows the word for it.
        QJsonArray options;
        QStringList words;
        for (quint8 code = 0; code < measure::kSequenceCodes; ++code) {
            const QString word =
                *measure::quantityText({key, measure::State::Value, false, double(code)});
            options.append(word);
            words << u'\'' + word + u'\'';
        }
        config.insert("device_class", "enum");
        config.insert("options", options);
        config.insert(
            "value_template",
            QStringLiteral("{{ [%1][value | int] }}").arg(words.join(QStringLiteral(", "))));
    } else {
        config.insert("state_class", "measurement");
    }
    // Angles and the phase sequence tell how the meter is wired, not what the supply delivers.
    if (info.group == Group::Sequence || info.group == Group::Angle)
        config.insert("entity_category", "diagnostic");
    if (!info.unit.isEmpty())
        config.insert("unit_of_measurement", info.unit.toString());
    const QString deviceClassName = deviceClass(info.group);
    if (!deviceClassName.isEmpty())
        config.insert("device_class", deviceClassName);
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

} // namespace korvane::publish
