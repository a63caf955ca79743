// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace korvane::publish {

// Where the broker listens: mqtt://HOST[:PORT] (1883) or mqtts://HOST[:PORT] (8883, TLS); an
// address without a scheme is mqtt://.
struct BrokerAddress
{
    QString host;
    int port = 1883;
    bool tls = false;

    // Nothing, with why in error, for another scheme, a missing host, a bad port, or anything
    // after the port (a path, a query, a fragment).
    static std::optional<BrokerAddress> parse(const QString& url, QString* error);
    QString text() const;
};

} // namespace korvane::publish
