// SPDX-License-Identifier: GPL-3.0-or-later
// The window with the real serial port and timers against the virtual meter on a pseudo-terminal:
// connecting, live values of every frame type, the Trend and Phasor tabs filling, a download on the
// Record tab, and recovery after the meter falls silent. Handlers in detail are in tst_mainwindow.
#include "app/logcontrol.h"
#include "app/phasorgeometry.h"
#include "app/realtimepage.h"
#include "app/savefolder.h"
#include "sim/virtualmeter.h"
#include "support/csvreader.h"
#include "support/windowprogram.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

#include <memory>

using namespace korvane;

namespace {
constexpr int kConnectMs = 5000;
constexpr int kSearchCycleMs = 16 * 500 + 3000;

using Program = korvane::testing::WindowProgram;

std::unique_ptr<sim::VirtualMeter> startMeter(sim::MeterOptions options)
{
    auto meter = std::make_unique<sim::VirtualMeter>(options);
    QString error;
    if (!meter->start(&error))
        qFatal("the virtual meter could not open a pseudo-terminal: %s", qPrintable(error));
    return meter;
}
} // namespace

class TstWindowE2e : public QObject
{
    Q_OBJECT
private slots:
    void connectsAndShowsEveryFrameType()
    {
        sim::MeterOptions options;
        options.pacing = false;
        auto meter = startMeter(options);
        Program program(meter->devicePath());
        QTRY_COMPARE_WITH_TIMEOUT(program.window.linkStatusLabel->text(),
                                  QStringLiteral("Connected"), kConnectMs);
        QCOMPARE(program.window.portStatusLabel->text(), QStringLiteral("COM1 Open"));

        QSet<QString> fifthCaptions;
        QSignalSpy shown(&program.session, &session::MeterSession::readingReceived);
        while (shown.count() < 10) {
            QVERIFY(shown.wait(2000));
            fifthCaptions << program.window.realtimePage->captionLabels[4]->text() + u'|' +
                                 program.window.realtimePage->captionLabels[5]->text();
        }
        // Type 0 phase (Q/S), type 0 totals (empty), type 1 (F), type 2 (phase), type 3 (W/Time).
        QVERIFY2(fifthCaptions.contains(QStringLiteral("F: |")),
                 qPrintable(QStringList(fifthCaptions.values()).join(',')));
        QVERIFY(fifthCaptions.contains(QStringLiteral("phase:|")));
        QVERIFY(std::any_of(fifthCaptions.begin(), fifthCaptions.end(),
                            [](const QString& c) { return c.endsWith(QLatin1String("|Time: ")); }));
        QVERIFY(std::any_of(fifthCaptions.begin(), fifthCaptions.end(),
                            [](const QString& c) { return c.startsWith(u'Q'); }));
        QVERIFY(program.messages.shown.isEmpty());
    }

    void trendAndPhasorTabsFillFromTheMeter()
    {
        sim::MeterOptions options;
        options.pacing = false;
        auto meter = startMeter(options);
        Program program(meter->devicePath());
        QTRY_COMPARE_WITH_TIMEOUT(program.window.linkStatusLabel->text(),
                                  QStringLiteral("Connected"), kConnectMs);
        program.window.tabs->setCurrentIndex(app::MainWindow::kTrendTab);
        // A whole cycle of the meter's frame kinds reaches the trend store and the snapshot.
        const trend::TrendStore& trend = program.session.trend();
        QTRY_VERIFY_WITH_TIMEOUT(trend.series(measure::Key::U1).size() >= 2, kConnectMs);
        program.window.tabs->setCurrentIndex(app::MainWindow::kPhasorTab);
        QTRY_VERIFY_WITH_TIMEOUT(app::phasorArrows(program.session.snapshot())[3].present,
                                 kConnectMs);
        const auto arrows = app::phasorArrows(program.session.snapshot());
        for (const auto& arrow : arrows)
            QVERIFY(arrow.present);
        QCOMPARE(arrows[0].angle, 0.0);
        QVERIFY(program.messages.shown.isEmpty());
    }

    // A log started on the Trend tab goes on whole while the Record tab is shown, and is stopped
    // by hand; a second one whose folder goes away stops with the reason while the link goes on.
    void logsFromTheTrendTab()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir("stick"));
        sim::MeterOptions options;
        options.pacing = false;
        auto meter = startMeter(options);
        Program program(meter->devicePath());
        QTRY_COMPARE_WITH_TIMEOUT(program.window.linkStatusLabel->text(),
                                  QStringLiteral("Connected"), kConnectMs);
        program.window.tabs->setCurrentIndex(app::MainWindow::kTrendTab);
        app::LogControl& log = *program.window.logControl;
        const QString path = dir.filePath("survey.csv");
        program.saveDialog.answer = {true, path, 2}; // semicolon and decimal comma
        QTest::mouseClick(log.button(), Qt::LeftButton);
        QVERIFY2(log.statusText().startsWith("Logging to survey.csv ("),
                 qPrintable(log.statusText()));
        QCOMPARE(program.saveDialog.requests.first().folder, app::defaultSaveFolder());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > 1000, kConnectMs);
        program.window.tabs->setCurrentIndex(app::MainWindow::kRecordTab);
        const qint64 before = QFileInfo(path).size();
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(path).size() > before + 400, kConnectMs);
        program.window.tabs->setCurrentIndex(app::MainWindow::kTrendTab);
        QTest::mouseClick(log.button(), Qt::LeftButton);
        QVERIFY2(log.statusText().startsWith("Log saved: "), qPrintable(log.statusText()));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const auto rows = testing::readCsvStrictly(QString::fromUtf8(file.readAll().mid(3)), u';');
        QVERIFY(rows);
        QStringList events;
        int decimalCommas = 0;
        for (const QStringList& row : rows->mid(1)) {
            if (!row.last().isEmpty())
                events << row.last();
            decimalCommas += row.at(1).contains(u',');
        }
        QCOMPARE(events, QStringList{});
        QVERIFY(decimalCommas > 0);

        const QString lost = dir.filePath("stick/lost.csv");
        program.saveDialog.answer = {true, lost, 1};
        QTest::mouseClick(log.button(), Qt::LeftButton);
        QVERIFY(QDir(dir.filePath("stick")).removeRecursively());
        QTRY_VERIFY_WITH_TIMEOUT(log.statusText().startsWith("Logging stopped: "), kConnectMs);
        QVERIFY(!log.logging());
        QCOMPARE(program.window.linkStatusLabel->text(), QStringLiteral("Connected"));
        QCOMPARE(program.messages.shown.size(), 1);
        QVERIFY(program.messages.shown.first().startsWith("warning|Korvane|Logging stopped: "));
    }

    void downloadsRecordsIntoTheGrid()
    {
        sim::MeterOptions options;
        options.recordCount = 40;
        auto meter = startMeter(options);
        Program program(meter->devicePath());
        QTRY_COMPARE_WITH_TIMEOUT(program.window.linkStatusLabel->text(),
                                  QStringLiteral("Connected"), kConnectMs);
        QTRY_VERIFY_WITH_TIMEOUT(!program.searching(), kConnectMs);
        program.pressRead(*meter);
        QTRY_COMPARE_WITH_TIMEOUT(program.session.records().rowCount(), 80, 10000);
        QCOMPARE(program.session.records().index(78, 0).data().toString(), QStringLiteral("NO:40"));
        QCOMPARE(program.session.records().table().cell(1, 1).isEmpty(), false);
        QVERIFY(program.messages.shown.isEmpty());
        QCOMPARE(program.window.linkStatusLabel->text(), QStringLiteral("Connected"));
    }

    void recoversAfterTheMeterFallsSilent()
    {
        sim::MeterOptions options;
        options.pacing = false;
        auto meter = startMeter(options);
        Program program(meter->devicePath());
        QTRY_COMPARE_WITH_TIMEOUT(program.window.linkStatusLabel->text(),
                                  QStringLiteral("Connected"), kConnectMs);
        meter->setSilent(true);
        QTRY_COMPARE_WITH_TIMEOUT(program.window.linkStatusLabel->text(),
                                  QStringLiteral("unconnected"), 4000);
        meter->setSilent(false);
        QTRY_COMPARE_WITH_TIMEOUT(program.window.linkStatusLabel->text(),
                                  QStringLiteral("Connected"), kSearchCycleMs);
        QSignalSpy shown(&program.session, &session::MeterSession::readingReceived);
        QVERIFY(shown.wait(3000));
    }
};

QTEST_MAIN(TstWindowE2e)
#include "tst_window_e2e.moc"
