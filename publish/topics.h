// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "datalog/lineformat.h"
#include "measure/quantity.h"

#include <QByteArray>
#include <QString>

namespace korvane::publish {

// Text made fit for one topic level and a Home Assistant id: every character outside
// [A-Za-z0-9_-] becomes "_", and underscores at either end go.
QString topicSafe(const QString& text);
// A meter's id: its USB serial number where the adapter has one, else its device name.
QString meterIdOf(const QString& device, const QString& serialNumber);

// Why a topic prefix cannot be used (empty, wildcards, an empty level), or nothing.
QString prefixProblem(const QString& prefix);

// Home Assistant's discovery: where a quantity's config goes, and the config itself (name,
// unique_id, state and availability topics, unit, device class, state class, and the device all
// of one meter's sensors belong to).
QString discoveryTopic(const QString& nodeId, measure::Key key);
QByteArray discoveryConfig(measure::Key key, const QString& prefix, const QString& nodeId,
                           const QString& meterId);
// A derived quantity: energy as device class energy in Wh, total_increasing (what Home
// Assistant's Energy dashboard takes), the cost as monetary in its currency.
QString discoveryTopic(const QString& nodeId, const QString& name);
QByteArray discoveryConfig(const datalog::DerivedColumn& column, const QString& prefix,
                           const QString& nodeId, const QString& meterId);
// An alarm rule as a binary sensor of device class problem, on PREFIX/alarm/<id>.
QString alarmDiscoveryTopic(const QString& nodeId, const QString& id);
QByteArray alarmDiscoveryConfig(const QString& id, const QString& text, const QString& prefix,
                                const QString& nodeId, const QString& meterId);

} // namespace korvane::publish
