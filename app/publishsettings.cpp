// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/publishsettings.h"

#include "publish/settingfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

namespace korvane::app {

namespace {
constexpr auto kGroup = "publish";
}

QString PublishSettings::passwordPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) +
           QStringLiteral("/mqtt-password");
}

PublishSettings PublishSettings::load()
{
    QSettings settings;
    settings.beginGroup(kGroup);
    PublishSettings s;
    s.enabled = settings.value("enabled", s.enabled).toBool();
    s.broker = settings.value("broker", s.broker).toString();
    s.prefix = settings.value("prefix").toString();
    s.username = settings.value("username").toString();
    s.caFile = settings.value("cafile").toString();
    s.haDiscovery = settings.value("haDiscovery", s.haDiscovery).toBool();
    QFile file(passwordPath());
    // Left readable by others by some hand or tool: closed again before it is used.
    if (file.exists() && file.permissions() != (QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ReadUser | QFileDevice::WriteUser))
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.exists()) {
        // Edited by hand, it may end in a line end that is no part of the password.
        const publish::SettingFile read = publish::SettingFile::read(file.fileName());
        if (read.error.isEmpty())
            s.password = publish::passwordOf(read.bytes);
        else
            s.passwordProblem = tr("cannot read the password file %1: %2")
                                    .arg(QDir::toNativeSeparators(file.fileName()), read.error);
    }
    return s;
}

bool PublishSettings::save(QString* error) const
{
    QSettings settings;
    settings.beginGroup(kGroup);
    settings.setValue("enabled", enabled);
    settings.setValue("broker", broker);
    settings.setValue("prefix", prefix);
    settings.setValue("username", username);
    settings.setValue("cafile", caFile);
    settings.setValue("haDiscovery", haDiscovery);
    settings.sync();

    const QString path = passwordPath();
    if (password.isEmpty()) {
        QFile::remove(path);
        return true;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    // Owner only before a byte of the password is in it.
    if (!file.open(QIODevice::WriteOnly) ||
        !file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) ||
        file.write(password.toUtf8()) < 0 || !file.commit()) {
        *error = tr("could not keep the password in %1: %2")
                     .arg(QDir::toNativeSeparators(path), file.errorString());
        return false;
    }
    return true;
}

} // namespace korvane::app
