// SPDX-License-Identifier: GPL-3.0-or-later
// The window program remembers a --ports list in the user's settings, and "auto" forgets it (one
// it cannot hold is a usage error); it remembers where the window was and opens there while that
// still lies on the screen.
#include "support/process.h"

#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString kWindow = QStringLiteral(KORVANE_WINDOW);

// How a brief run ended: kRanUntilStopped when the window ran until SIGTERM and then ended
// cleanly at once, else the exit code it ended with by itself; -1 for a crash or a hang.
constexpr int kRanUntilStopped = 1000;

// Runs the window for a moment with a home of its own; what it printed on stderr goes to *err.
int runBriefly(const QString& home, const QStringList& args, const QString& platform = {},
               QString* err = nullptr)
{
    QProcess window;
    QProcessEnvironment env = korvane::testing::windowEnvironment(home);
    if (!platform.isEmpty())
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    window.setProcessEnvironment(env);
    window.start(kWindow, args);
    if (!window.waitForStarted(5000))
        return -1;
    const bool endedByItself = window.waitForFinished(1500);
    if (!endedByItself)
        window.terminate();
    const bool ended = endedByItself || window.waitForFinished(5000);
    if (err)
        *err = QString::fromUtf8(window.readAllStandardError());
    if (!ended || window.exitStatus() != QProcess::NormalExit)
        return -1;
    if (endedByItself)
        return window.exitCode();
    return window.exitCode() == 0 ? kRanUntilStopped : -1;
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
    // Each run starts with /dev/zero remembered. A list the window cannot hold is a usage
    // error that leaves the remembered one as it was.
    void aPortsListIsRememberedUntilAuto_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("ended");
        QTest::addColumn<QStringList>("remembered"); // empty: none
        QTest::addColumn<QString>("errMentions");
        const QStringList before{"/dev/zero"};
        QTest::newRow("a list") << QStringList{"--ports", "/dev/null, /dev/zero"}
                                << kRanUntilStopped << QStringList{"/dev/null", "/dev/zero"}
                                << QString();
        QTest::newRow("none: the last one")
            << QStringList{} << kRanUntilStopped << before << QString();
        QTest::newRow("auto forgets")
            << QStringList{"--ports", "auto"} << kRanUntilStopped << QStringList{} << QString();
        QStringList seventeen;
        for (int n = 0; n < 17; ++n)
            seventeen << QStringLiteral("/dev/ttyUSB%1").arg(n);
        QTest::newRow("17 devices")
            << QStringList{"--ports", seventeen.join(u',')} << 2 << before << "at most 16 devices";
        QTest::newRow("16 devices and the virtual meter")
            << QStringList{"--demo", "--ports", seventeen.mid(1).join(u',')} << 2 << before
            << "at most 16 devices";
    }
    void aPortsListIsRememberedUntilAuto()
    {
        QFETCH(QStringList, args);
        QFETCH(int, ended);
        QFETCH(QStringList, remembered);
        QFETCH(QString, errMentions);
        QTemporaryDir home;
        QSettings(home.path() + QStringLiteral("/.config/Korvane/korvane.conf"),
                  QSettings::IniFormat)
            .setValue("ports", QStringList{"/dev/zero"});
        QString err;
        QCOMPARE(runBriefly(home.path(), args, {}, &err), ended);
        QVERIFY2(err.contains(errMentions), qPrintable(err));
        QCOMPARE(saved(home.path(), "ports").toStringList(), remembered);
    }

    void theLanguageFollowsTheSystemUnlessChosen_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QString>("chosenInHelp");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        const QString english = QStringLiteral("Start a virtual meter");
        const QString chinese = QStringLiteral("启动一台虚拟仪表");
        QTest::newRow("Chinese system") << "zh_CN.UTF-8"
                                        << "" << QStringList{} << 0 << chinese;
        QTest::newRow("English system") << "en_US.UTF-8"
                                        << "" << QStringList{} << 0 << english;
        QTest::newRow("a language without a catalogue") << "de_DE.UTF-8"
                                                        << "" << QStringList{} << 0 << english;
        QTest::newRow("chosen in Help") << "C"
                                        << "zh_CN" << QStringList{} << 0 << chinese;
        QTest::newRow("--lang over the system")
            << "zh_CN.UTF-8"
            << "" << QStringList{"--lang", "en"} << 0 << english;
        QTest::newRow("--lang over Help") << "C"
                                          << "en" << QStringList{"--lang=zh_CN"} << 0 << chinese;
        QTest::newRow("an unknown language")
            << "C"
            << "" << QStringList{"--lang", "fr"} << 2 << "--lang wants en or zh_CN, not \"fr\"";
    }
    void theLanguageFollowsTheSystemUnlessChosen()
    {
        QFETCH(QString, lang);
        QFETCH(QString, chosenInHelp);
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        QTemporaryDir home;
        if (!chosenInHelp.isEmpty()) {
            QSettings(home.path() + QStringLiteral("/.config/Korvane/korvane.conf"),
                      QSettings::IniFormat)
                .setValue("language", chosenInHelp);
        }
        QProcess window;
        QProcessEnvironment env = korvane::testing::windowEnvironment(home.path());
        env.insert(QStringLiteral("LANG"), lang);
        env.remove(QStringLiteral("LC_ALL"));
        env.remove(QStringLiteral("LANGUAGE"));
        window.setProcessEnvironment(env);
        window.start(kWindow, args << QStringLiteral("--help"));
        QVERIFY(window.waitForFinished(10000));
        QCOMPARE(window.exitCode(), exitCode);
        const QString output =
            QString::fromUtf8(window.readAllStandardOutput() + window.readAllStandardError());
        QVERIFY2(output.contains(says), qPrintable(output));
    }

    void aSignalEndsTheProgramWithoutAsking()
    {
        // Publishing would make Close ask first; SIGTERM must not.
        QTemporaryDir home;
        QSettings settings(home.path() + QStringLiteral("/.config/Korvane/korvane.conf"),
                           QSettings::IniFormat);
        settings.setValue("publish/enabled", true);
        settings.setValue("publish/broker", "mqtt://127.0.0.1:1");
        settings.sync();
        QCOMPARE(runBriefly(home.path(), {"--ports", "/dev/null"}), kRanUntilStopped);
    }

    // korvane --open shows a log beside the window; one that does not read is said on the
    // terminal too, and the window runs on.
    void openShowsALogAndSaysWhyOneDoesNot_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("said"); // on stderr; empty: nothing
        QTest::newRow("a log") << QByteArray("\xEF\xBB\xBFtime,U1 [V],kind,index,status\r\n"
                                             "2026-12-08T10:00:00.000+01:00,230.1,1,,\r\n")
                               << QString();
        QTest::newRow("not a log") << QByteArray("hello\n") << "is not a Korvane log";
    }
    void openShowsALogAndSaysWhyOneDoesNot()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, said);
        QTemporaryDir home;
        QFile log(home.filePath("survey.csv"));
        QVERIFY(log.open(QIODevice::WriteOnly) && log.write(content) == content.size());
        log.close();
        QString err;
        QCOMPARE(
            runBriefly(home.path(), {"--ports", "/dev/null", "--open", log.fileName()}, {}, &err),
            kRanUntilStopped);
        QVERIFY2(said.isEmpty() ? !err.contains("korvane:") : err.contains(said), qPrintable(err));
    }

    void theWindowOpensWhereItWasWhileThatFitsTheScreen_data()
    {
        // 800 x 600: a 1600 x 1200 screen at a scale factor of 2; windows have frames.
        QTest::addColumn<QRect>("remembered");
        QTest::addColumn<QRect>("opened");
        QTest::newRow("first start: the laid-out width, as tall as the screen allows")
            << QRect() << QRect(8, 2, 783, 596);
        QTest::newRow("remembered and on the screen")
            << QRect(20, 30, 700, 500) << QRect(20, 30, 700, 500);
        QTest::newRow("remembered on a screen that is gone")
            << QRect(3000, 200, 700, 500) << QRect(8, 2, 783, 596);
    }
    void theWindowOpensWhereItWasWhileThatFitsTheScreen()
    {
        QFETCH(QRect, remembered);
        QFETCH(QRect, opened);
        QTemporaryDir home;
        QFile screen(home.filePath("screen.json"));
        QVERIFY(screen.open(QIODevice::WriteOnly));
        screen.write(R"({"windowFrameMargins": true, "screens": [{"name": "s", "x": 0, "y": 0,
            "width": 800, "height": 600, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
        screen.close();
        if (remembered.isValid()) {
            QSettings settings(home.path() + QStringLiteral("/.config/Korvane/korvane.conf"),
                               QSettings::IniFormat);
            settings.setValue("window/geometry", remembered);
        }
        QCOMPARE(runBriefly(home.path(), {"--ports", "/dev/null"},
                            "offscreen:configfile=" + screen.fileName()),
                 kRanUntilStopped);
        QCOMPARE(saved(home.path(), "window/geometry").toRect(), opened);
    }
};

QTEST_GUILESS_MAIN(TstProgramSettings)
#include "tst_programsettings.moc"
