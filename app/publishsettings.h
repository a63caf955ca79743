// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>
#include <QString>

namespace korvane::app {

// What the window publishes with, remembered between runs: everything but the password in
// QSettings, the password in a file of its own that only the user may read.
struct PublishSettings
{
    Q_DECLARE_TR_FUNCTIONS(PublishSettings)

public:
    bool enabled = false;
    QString broker = QStringLiteral("mqtt://localhost");
    QString prefix; // empty: korvane/<meter id>
    QString username;
    QString password;
    QString caFile;
    bool haDiscovery = false;
    QString passwordProblem; // why the kept password could not be read; empty when it was

    static PublishSettings load();
    // False, with why in error, when the password file cannot be written.
    bool save(QString* error) const;
    static QString passwordPath();
};

} // namespace korvane::app
