// SPDX-License-Identifier: GPL-3.0-or-later
// The window program remembers a --ports list in the user's settings, and "auto" forgets it.
#include "support/process.h"

#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kWindow = QStringLiteral(KORVANE_WINDOW);

// Runs the window for a moment with a home of its own; true if it ran until stopped.
bool runBriefly(const QString& home, const QStringList& args)
{
    QProcess window;
    window.setProcessEnvironment(korvane::testing::windowEnvironment(home));
    window.start(kWindow, args);
    if (!window.waitForStarted(5000) || window.waitForFinished(1500))
        return false;
    window.terminate();
    return window.waitForFinished(5000);
}

QVariant saved(const QString& home, const QString& key)
{
    return QSettings(home + QStringLiteral("/.config/Korvane/korvane.conf"), QSettings::IniFormat)
        .value(key);
}
} // namespace

class TstProgramSettings : public QObject
{
    Q_OBJECT
private slots:
    void aPortsListIsRememberedUntilAuto()
    {
        QTemporaryDir home;
        QVERIFY(runBriefly(home.path(), {"--ports", "/dev/null, /dev/zero"}));
        QCOMPARE(saved(home.path(), "ports").toStringList(),
                 (QStringList{"/dev/null", "/dev/zero"}));
        QVERIFY(runBriefly(home.path(), {}));
        QCOMPARE(saved(home.path(), "ports").toStringList(),
                 (QStringList{"/dev/null", "/dev/zero"}));
        QVERIFY(runBriefly(home.path(), {"--ports", "auto"}));
        QVERIFY(!saved(home.path(), "ports").isValid());
    }
};

QTEST_GUILESS_MAIN(TstProgramSettings)
#include "tst_programsettings.moc"
