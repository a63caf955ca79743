// SPDX-License-Identifier: GPL-3.0-or-later
#include "publish/brokeraddress.h"

#include <QCoreApplication>
#include <QUrl>

namespace korvane::publish {

std::optional<BrokerAddress> BrokerAddress::parse(const QString& url, QString* error)
{
    // "host:1883" would read as the scheme "host".
    const bool hasScheme = url.contains(QLatin1String("://"));
    const QUrl parsed(hasScheme ? url : QStringLiteral("mqtt://") + url, QUrl::StrictMode);
    BrokerAddress address;
    if (parsed.scheme() == QLatin1String("mqtts")) {
        address.tls = true;
        address.port = 8883;
    } else if (parsed.scheme() != QLatin1String("mqtt")) {
        *error = QCoreApplication::translate(
            "korvane::publish", "the broker is mqtt://HOST[:PORT] or mqtts://HOST[:PORT]");
        return std::nullopt;
    }
    if (!parsed.isValid() || parsed.host().isEmpty() || !parsed.userInfo().isEmpty() ||
        !(parsed.path().isEmpty() || parsed.path() == QLatin1String("/"))) {
        *error = QCoreApplication::translate(
            "korvane::publish", "the broker is mqtt://HOST[:PORT] or mqtts://HOST[:PORT]");
        return std::nullopt;
    }
    // Nothing after the port is ours to drop unseen.
    if (parsed.hasQuery() || parsed.hasFragment()) {
        *error = QCoreApplication::translate(
            "korvane::publish", "the broker's address may not end in a query (?...) or a "
                                "fragment (#...)");
        return std::nullopt;
    }
    address.host = parsed.host();
    address.port = parsed.port(address.port);
    if (address.port < 1 || address.port > 65535) {
        *error = QCoreApplication::translate("korvane::publish", "the broker's port is 1 to 65535");
        return std::nullopt;
    }
    return address;
}

QString BrokerAddress::text() const
{
    return (tls ? QStringLiteral("mqtts://") : QStringLiteral("mqtt://")) + host + u':' +
           QString::number(port);
}

} // namespace korvane::publish
