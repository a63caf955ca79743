// SPDX-License-Identifier: GPL-3.0-or-later
// The window with a fake port, fake timers and recorded message boxes: its state after start-up,
// tabs, buttons, live labels, the record grid and what it tells the user. The link's logic is in
// tst_link; the window against a real pseudo-terminal in tst_window_e2e.
#include "app/alarmsdialog.h"
#include "app/energydialog.h"
#include "app/helpbox.h"
#include "app/logcontrol.h"
#include "app/logwindow.h"
#include "app/mainwindow.h"
#include "app/overviewpage.h"
#include "app/page.h"
#include "app/phasorview.h"
#include "app/realtimepage.h"
#include "app/recordpage.h"
#include "app/trendview.h"
#include "app/watchcontrol.h"
#include "fakes/fakemessageboxes.h"
#include "fakes/fakesavedialog.h"
#include "fakes/fakewindowcapture.h"
#include "link/command.h"
#include "report/report.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

#include <algorithm>

using namespace korvane;
using fakes::FakeSerialPort;
using fakes::FakeTimer;
using OpenError = platform::SerialPort::OpenError;
Q_DECLARE_METATYPE(OpenError)
using korvane::testing::FrameBuilder;
using korvane::testing::hex;

namespace {
QRect inWindow(const QWidget* widget)
{
    return QRect(widget->mapTo(widget->window(), QPoint()), widget->size());
}

struct Rig : korvane::testing::FakeSession
{
    fakes::FakeMessageBoxes messages;
    fakes::FakeSaveDialog saveDialog;
    fakes::FakeWindowCapture capture;
    app::MainWindow window{{session, messages, saveDialog, capture}};

    Rig() { window.show(); }

    void connect()
    {
        port.setOpenResult(1, OpenError::None);
        tick();
        port.feed(hex("d55555"));
        tick();
        port.takeWritten();
    }

    void selectTab(int index) { window.tabs->setCurrentIndex(index); }

    QStringList texts(const std::array<QLabel*, 6>& labels) const
    {
        QStringList out;
        for (QLabel* label : labels)
            out << label->text();
        return out;
    }

    // Read on the Record tab, the count answer, and the first `received` of `count` records.
    void download(int count, int received)
    {
        selectTab(1);
        QTest::mouseClick(window.readButton, Qt::LeftButton);
        port.feed(QByteArray::fromHex("0505") + char(count % 256) + char(count / 256));
        tick();
        port.feed(dump(count).first(received * 20));
    }

    QByteArray dump(int records) const
    {
        QByteArray bytes;
        for (int i = 0; i < records; ++i)
            bytes += FrameBuilder(2).q(10, quint16(10 * i)).at(18, 1).frame();
        return bytes;
    }
};
} // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_config; // the window's settings: alarms chosen here stay here

private slots:
    void initTestCase()
    {
        QVERIFY(m_config.isValid());
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
        // The energy totals, kept per meter, stay here too.
        qputenv("XDG_DATA_HOME", m_config.path().toLocal8Bit());
        // On Windows too, as a file rather than in the registry (which keeps nothing for a
        // program without an organisation's name).
        QCoreApplication::setOrganizationName(QStringLiteral("Korvane tests"));
        QSettings::setDefaultFormat(QSettings::IniFormat);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    }

    // Energy counted from the powers shows on the Overview with its cost and since when, goes
    // into a log started meanwhile with the alarm events among the frames, says why it stands
    // still, and starts again from zero at Reset energy once the user agrees.
    void energyShowsOnTheOverviewAndGoesIntoTheLog()
    {
        QTemporaryDir dir;
        QFile tariff(dir.filePath("flat.ini"));
        QVERIFY(tariff.open(QIODevice::WriteOnly));
        tariff.write("currency = EUR\n[from 2020-01-01]\nstanding = 0\nprice = 0.50\n");
        tariff.close();
        Rig rig;
        qint64 clock = QDateTime::currentMSecsSinceEpoch();
        rig.session.meterLink().setClock([&clock] { return clock; });
        rig.window.watchControl->setEnergy({true, tariff.fileName()});
        QVERIFY(rig.window.overviewPage->energyText().startsWith("Energy: waiting for the meter"));
        rig.connect();
        rig.saveDialog.answer = {true, dir.filePath("survey.csv"), 1};
        QTest::mouseClick(rig.window.logControl->button(), Qt::LeftButton);
        QVERIFY(rig.window.logControl->logging());
        // Rules set while the log runs make the watch again: the log's frames still carry the
        // totals with their own reading in them.
        rig.window.watchControl->setAlarms({{QStringLiteral("P>30000"), QString()}});
        // 36 kW for 5 frames half a second apart: 36 kW x 2 s = 20 Wh, priced at 0.50 a kWh.
        for (int i = 0; i < 5; ++i) {
            rig.tick();
            clock += 500;
            rig.port.feed(FrameBuilder(0, 3).q(11, 36000, 2));
        }
        const trend::Series* e = rig.session.trend().findDerived(QStringLiteral("E"));
        QVERIFY(e && e->size() == 5);
        QCOMPARE(e->valueAt(4), 20.0f);
        rig.window.trendView->setChosenDerived({"E", "cost"});
        QCOMPARE(rig.window.trendView->chosenDerived(), (QStringList{"E", "cost"}));
        app::OverviewPage& overview = *rig.window.overviewPage;
        QVERIFY2(overview.energyText().startsWith("Energy since "),
                 qPrintable(overview.energyText()));
        QVERIFY2(overview.energyText().contains("E 0.020 kWh"), qPrintable(overview.energyText()));
        QVERIFY2(overview.energyText().endsWith("cost 0.01 EUR"),
                 qPrintable(overview.energyText()));
        clock += 15'000;
        overview.refreshEnergy();
        QVERIFY2(overview.energyText().contains("Energy not accumulating: "),
                 qPrintable(overview.energyText()));
        QTest::mouseClick(rig.window.logControl->button(), Qt::LeftButton);

        QFile log(dir.filePath("survey.csv"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = log.readAll().split('\n');
        QVERIFY2(lines.first().contains(",E1 [Wh],E2 [Wh],E3 [Wh],E [Wh],cost [EUR],kind,"),
                 lines.first().constData());
        QVERIFY(std::any_of(lines.begin(), lines.end(), [](const QByteArray& line) {
            return line.contains(",,20,0.01,0,3,");
        }));
        QVERIFY(std::any_of(lines.begin(), lines.end(), [](const QByteArray& line) {
            return line.contains(",alarm raised: P>30000 (36000)");
        }));

        QTest::mouseClick(overview.resetEnergyButton(), Qt::LeftButton);
        QVERIFY(overview.energyText().contains("E 0.020 kWh"));
        rig.messages.accept();
        QVERIFY2(overview.energyText().contains("E 0.000 kWh"), qPrintable(overview.energyText()));
        rig.window.watchControl->setEnergy({});
        QVERIFY(overview.energyText().isEmpty());
        QVERIFY(!overview.resetEnergyButton()->isVisibleTo(&overview));
    }

    // A log the window wrote opens in a trend of its own, read in pieces, with the lowest, mean
    // and highest of the span shown; a file that is no log, or a log with a line that does not
    // read, is said with the reason.
    void savedLogsOpenInATrendOfTheirOwn_data()
    {
        QTest::addColumn<QByteArray>("tail"); // added to the log the window wrote
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QString>("said"); // in the warning, or the window's status when it opens
        QTest::newRow("the log as written") << QByteArray() << true << "4 frames from ";
        QTest::newRow("a torn last line") << QByteArray("2026-12-08T10:00") << true
                                          << "survey.csv, line 6: the last line is cut short";
        QTest::newRow("a line that does not read")
            << QByteArray("garbage\r\n2026-12-08T10:00:00.000+00:00,230\r\n") << false
            << "survey.csv, line 6: the row has 1 of the heading's 38 fields";
        QTest::newRow("not a log") << QByteArray("-") << false << "is not a Korvane log";
    }
    void savedLogsOpenInATrendOfTheirOwn()
    {
        QFETCH(QByteArray, tail);
        QFETCH(bool, opens);
        QFETCH(QString, said);
        QTemporaryDir dir;
        const QString path = dir.filePath("survey.csv");
        {
            Rig rig;
            qint64 clock = QDateTime::currentMSecsSinceEpoch();
            rig.session.meterLink().setClock([&clock] { return clock; });
            rig.connect();
            rig.saveDialog.answer = {true, path, 1};
            QTest::mouseClick(rig.window.logControl->button(), Qt::LeftButton);
            for (quint16 decivolts : {2290, 2300, 2310, 2320}) {
                rig.tick();
                clock += 500;
                rig.port.feed(FrameBuilder(1).q(1, decivolts, 3));
            }
            QTest::mouseClick(rig.window.logControl->button(), Qt::LeftButton);
        }
        QFile log(path);
        QVERIFY(log.open(QIODevice::Append));
        log.write(tail == "-" ? QByteArray() : tail);
        log.close();
        if (tail == "-")
            QVERIFY(log.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                    log.write("a,b\n") == 4);
        log.close();

        Rig rig;
        app::LogWindow* window = rig.window.openLogs({path});
        QCOMPARE(window != nullptr, opens);
        if (!window) {
            QCOMPARE(rig.messages.shown.size(), 1);
            QVERIFY2(rig.messages.shown.first().contains(said),
                     qPrintable(rig.messages.shown.first()));
            return;
        }
        QSignalSpy finished(window, &app::LogWindow::finishedReading);
        QVERIFY(finished.wait(5000));
        QVERIFY2(window->statusText().contains(said), qPrintable(window->statusText()));
        window->view->setChosen({measure::Key::U1});
        window->view->showEverything();
        QCOMPARE(window->statisticsText(),
                 QStringLiteral("U1 (V): lowest 229, mean 230.5, highest 232 (4 samples)"));

        // Report...: the survey as a PDF, or its statistics as CSV.
        QVERIFY(window->reportButton->isEnabled());
        rig.saveDialog.answer = {true, dir.filePath("report.pdf"), 1};
        window->saveReport({});
        QFile pdf(dir.filePath("report.pdf"));
        QVERIFY(pdf.open(QIODevice::ReadOnly) && pdf.read(5) == "%PDF-");
        rig.saveDialog.answer = {true, dir.filePath("report.csv"), 2};
        window->saveReport({});
        QFile csv(dir.filePath("report.csv"));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY2(csv.readAll().contains("\r\nU1,V,4,229,230.5,232,"), "no row of U1");
    }

    // OK keeps the energy setting only with a tariff that reads.
    void energyDialogRefusesATariffThatDoesNotRead_data()
    {
        QTest::addColumn<QByteArray>("tariff"); // empty: no tariff file
        QTest::addColumn<QString>("message");
        QTest::newRow("no tariff") << QByteArray() << "";
        QTest::newRow("a tariff") << QByteArray("currency = EUR\n[from 2026-01-01]\nprice = 0.3\n")
                                  << "";
        QTest::newRow("a price that is no number")
            << QByteArray("currency = EUR\n[from 2026-01-01]\nprice = abc\n")
            << "Tariff tariff.ini: line 3";
    }
    void energyDialogRefusesATariffThatDoesNotRead()
    {
        QFETCH(QByteArray, tariff);
        QFETCH(QString, message);
        QTemporaryDir dir;
        Rig rig;
        const auto forget = qScopeGuard([] { app::EnergySettings::save({}); });
        app::EnergySetting setting{true, QString()};
        if (!tariff.isEmpty()) {
            QFile file(dir.filePath("tariff.ini"));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(tariff);
            setting.tariffPath = file.fileName();
        }
        rig.window.openEnergyDialog();
        app::EnergyDialog* dialog = rig.window.energyDialog();
        dialog->setSetting(setting);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QVERIFY2(message.isEmpty() ? dialog->message().isEmpty()
                                   : dialog->message().startsWith(message),
                 qPrintable(dialog->message()));
        const bool kept = message.isEmpty();
        QCOMPARE(rig.window.watchControl->energy() == setting, kept);
        QCOMPARE(app::EnergySettings::load() == setting, kept);
        QCOMPARE(rig.window.watchControl->energyOn(), kept);
    }

    // An alarm raised shows across the foot of every page and among the Overview's latest
    // events; cleared, the banner goes and the event stays.
    void alarmsShowOnEveryPageAndOnTheOverview()
    {
        Rig rig;
        rig.connect();
        rig.window.watchControl->setAlarms({{QStringLiteral("U1>253"), QString()}});
        const auto frame = [&rig](quint16 decivolts) {
            rig.tick();
            rig.port.feed(FrameBuilder(1).q(1, decivolts, 3));
        };
        frame(2540);
        QCOMPARE(rig.window.alarmBanner->text(), QStringLiteral("Alarm: U1>253 (254 V)"));
        for (int tab = 0; tab < 5; ++tab) {
            rig.selectTab(tab);
            QVERIFY(rig.window.alarmBanner->isVisible());
        }
        rig.selectTab(0);
        frame(2500);
        QVERIFY(!rig.window.alarmBanner->isVisible());
        const QStringList events = rig.window.overviewPage->alarmText().split(u'\n');
        QCOMPARE(events.size(), 3);
        QVERIFY2(events[1].endsWith(" cleared U1>253 (250 V)"), qPrintable(events[1]));
        QVERIFY2(events[2].endsWith(" raised U1>253 (254 V)"), qPrintable(events[2]));
    }

    // Energy turned on watches the rules afresh: an alarm raised before does not stay on the
    // banner, where nothing would ever clear it.
    void newEnergySettingsLeaveNoBannerBehind()
    {
        Rig rig;
        rig.connect();
        rig.window.watchControl->setAlarms({{QStringLiteral("U1>253"), QString()}});
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(1, 2540, 3));
        QVERIFY(rig.window.alarmBanner->isVisible());
        rig.window.watchControl->setEnergy({true, QString()});
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(1, 2500, 3));
        QVERIFY(!rig.window.alarmBanner->isVisible());
        QVERIFY(rig.window.watchControl->raised().isEmpty());
    }

    // OK keeps the alarms (for the next start too) only when every row reads.
    void alarmsDialogRefusesWhatCannotBeWatched_data()
    {
        QTest::addColumn<QStringList>("rows"); // rule and command, by turns
        QTest::addColumn<QString>("message");
        QTest::newRow("an unknown quantity") << QStringList{"U4>3", ""} << "Alarm 1: ";
        QTest::newRow("a rule given twice")
            << QStringList{"U1>253", "", "u1 > 253", ""} << "Alarm 2: \"U1>253\" is there already.";
        QTest::newRow("a quote left open")
            << QStringList{"F<49.5", "notify-send 'low"} << "Alarm 1: the command has a quote";
        QTest::newRow("all fine") << QStringList{"U1>253 for 5s clear 251",
                                                 "notify-send '%key %state'", "F<49.5", ""}
                                  << "";
    }
    void alarmsDialogRefusesWhatCannotBeWatched()
    {
        QFETCH(QStringList, rows);
        QFETCH(QString, message);
        Rig rig;
        const auto forget = qScopeGuard([] { app::AlarmSettings::save({}); });
        rig.window.openAlarmsDialog();
        app::AlarmsDialog* dialog = rig.window.alarmsDialog();
        QList<app::AlarmSetting> alarms;
        for (qsizetype i = 0; i + 1 < rows.size(); i += 2)
            alarms << app::AlarmSetting{rows[i], rows[i + 1]};
        dialog->setAlarms(alarms);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        QVERIFY2(message.isEmpty() ? dialog->message().isEmpty()
                                   : dialog->message().startsWith(message),
                 qPrintable(dialog->message()));
        QCOMPARE(dialog->isVisible(), !message.isEmpty());
        const bool kept = message.isEmpty();
        QCOMPARE(rig.window.watchControl->alarms() == alarms, kept);
        QCOMPARE(app::AlarmSettings::load() == alarms, kept);
    }

    void stateRightAfterStartUp()
    {
        Rig rig;
        QCOMPARE(rig.window.windowTitle(), QStringLiteral("Korvane"));
        QCOMPARE(rig.window.tabs->currentIndex(), 0);
        QCOMPARE(rig.window.tabs->tabText(0), QStringLiteral("Realtime"));
        QCOMPARE(rig.window.tabs->tabText(1), QStringLiteral("Record"));
        QVERIFY(!rig.session.isLinked());
        QCOMPARE(rig.session.meterLink().nextPort(), qint16(1));
        QVERIFY(!rig.dumpDelay.isActive());
        QVERIFY(rig.search.isActive());
        QVERIFY(rig.poll.isActive());
        QVERIFY(rig.supervision.isActive());
        QCOMPARE(rig.session.records().rowCount(), 2);
        QCOMPARE(rig.session.records().table().cell(0, 0), QStringLiteral("NO."));
        // Read and Clear do nothing on the Realtime tab, so neither is offered there.
        QVERIFY(!rig.window.readButton->isEnabled());
        QVERIFY(!rig.window.clearButton->isEnabled());
        QVERIFY(rig.window.saveButton->isEnabled());
        QVERIFY(rig.window.helpButton->isEnabled());
        QVERIFY(rig.window.closeButton->isEnabled());
        QVERIFY(rig.window.readingsPanel->isVisible());
        QVERIFY(!rig.window.downloadProgress->isVisible());
    }

    void placeholdersAndStatusBeforeAnyFrame()
    {
        Rig rig;
        QCOMPARE(rig.texts(rig.window.realtimePage->captionLabels),
                 (QStringList{"U1 :", "I  :", "PF1:", "P1 :", "Q1 :", "S1 :"}));
        QCOMPARE(rig.texts(rig.window.realtimePage->valueLabels),
                 (QStringList{"00.00V", "000.0A", "1.000", "00.00W", "00.00var", "00.00VA"}));
        QCOMPARE(rig.window.portStatusLabel->text(), QStringLiteral("COM status"));
        QCOMPARE(rig.window.linkStatusLabel->text(), QStringLiteral("unconnected"));
    }

    void readOnTheRealtimeTabSendsNothing()
    {
        Rig rig;
        rig.connect();
        QTest::mouseClick(rig.window.readButton, Qt::LeftButton);
        QVERIFY(rig.port.written().isEmpty());
        QVERIFY(rig.poll.isActive());
    }

    void realtimeRecordRealtime()
    {
        Rig rig;
        rig.connect();
        rig.selectTab(1);
        QVERIFY(!rig.window.readingsPanel->isVisible());
        QVERIFY(rig.window.readButton->isEnabled());
        QVERIFY(rig.window.clearButton->isEnabled());
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("05"));
        rig.selectTab(0);
        QVERIFY(rig.window.readingsPanel->isVisible());
        QVERIFY(!rig.window.readButton->isEnabled());
        QVERIFY(!rig.window.clearButton->isEnabled());
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("23"));
    }

    void trendAndPhasorTabsPollLiveFramesAndReadDoesNothing_data()
    {
        QTest::addColumn<int>("tab");
        QTest::newRow("Trend") << int(app::MainWindow::kTrendTab);
        QTest::newRow("Phasor") << int(app::MainWindow::kPhasorTab);
        QTest::newRow("Overview") << int(app::MainWindow::kOverviewTab);
    }
    void trendAndPhasorTabsPollLiveFramesAndReadDoesNothing()
    {
        QFETCH(int, tab);
        Rig rig;
        rig.connect();
        rig.selectTab(1);
        rig.selectTab(tab);
        QCOMPARE(rig.window.phasorView->isVisible(), tab == app::MainWindow::kPhasorTab);
        QCOMPARE(rig.window.trendView->isVisible(), tab == app::MainWindow::kTrendTab);
        QCOMPARE(rig.window.currentPage().widget()->isVisible(), true);
        QVERIFY(!rig.window.readingsPanel->isVisible());
        QVERIFY(!rig.window.readButton->isEnabled());
        QVERIFY(!rig.window.clearButton->isEnabled());
        rig.window.onReadClicked();
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("23"));
    }

    void trendOpensInAResizableWindowOfItsOwn()
    {
        Rig rig;
        rig.selectTab(app::MainWindow::kTrendTab);
        QToolButton* open = nullptr;
        for (auto* button : rig.window.trendView->findChildren<QToolButton*>()) {
            if (button->text() == QStringLiteral("Window"))
                open = button;
        }
        QVERIFY(open);
        open->click();
        QList<app::TrendView*> windows;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* view = qobject_cast<app::TrendView*>(w); view && view->isVisible())
                windows << view;
        }
        QCOMPARE(windows.size(), 1);
        app::TrendView* window = windows.first();
        QCOMPARE(window->chosen(), rig.window.trendView->chosen());
        QVERIFY(window->minimumSize() != window->maximumSize());
        window->resize(1200, 700);
        QCOMPARE(window->size(), QSize(1200, 700));
    }

    void clickOnTheSelectedTabRepeatsItsActions()
    {
        Rig rig;
        QTest::mouseClick(rig.window.tabs->tabBar(), Qt::LeftButton, {},
                          rig.window.tabs->tabBar()->tabRect(0).center());
        QTRY_VERIFY(!rig.window.readButton->isEnabled());
    }

    void noPartOfTheGridShowsOnTheRealtimeTab()
    {
        Rig rig;
        const QRect grid = inWindow(rig.window.recordGrid);
        QVERIFY(rig.window.readingsPanel->geometry().contains(grid));
        for (QPoint p : {grid.topLeft(), grid.center(), grid.bottomRight()}) {
            QWidget* top = rig.window.childAt(p);
            QVERIFY(top);
            QVERIFY(top == rig.window.readingsPanel || rig.window.readingsPanel->isAncestorOf(top));
        }
        // The panel paints its own background, so nothing of the grid shows between its rows.
        const QImage shot = rig.window.grab().toImage();
        const QPoint gapBetweenRows(grid.left() + 100, 80 + 75);
        QVERIFY(grid.contains(gapBetweenRows));
        QCOMPARE(shot.pixelColor(gapBetweenRows),
                 rig.window.readingsPanel->palette().color(QPalette::Window));

        rig.selectTab(1);
        QWidget* top = rig.window.childAt(grid.center());
        QVERIFY(top == rig.window.recordGrid || rig.window.recordGrid->isAncestorOf(top));
    }

    void gridCellsHeaderCellsAndTheAreaBeyond()
    {
        Rig rig;
        rig.selectTab(1);
        QTableView* grid = rig.window.recordGrid;
        const QImage shot = grid->grab().toImage();
        const QPalette palette = QApplication::palette();
        const QPoint cell = grid->visualRect(grid->model()->index(0, 2)).center() +
                            grid->viewport()->pos() + QPoint(0, 4);
        const QHeaderView* top = grid->horizontalHeader();
        const QHeaderView* side = grid->verticalHeader();
        const QPoint heading = top->pos() + QPoint(top->sectionViewportPosition(2) + 3, 3);
        const QPoint number = side->pos() + QPoint(3, side->sectionViewportPosition(0) + 3);
        QCOMPARE(shot.pixelColor(cell), palette.color(QPalette::Base));
        QCOMPARE(shot.pixelColor(heading), palette.color(QPalette::Button));
        QCOMPARE(shot.pixelColor(number), palette.color(QPalette::Button));
        QCOMPARE(shot.pixelColor(QPoint(300, 200)), QColor(128, 128, 128));
    }

    void headingsStayInSightWhileTheRecordsScroll()
    {
        Rig rig;
        rig.connect();
        rig.download(40, 40);
        QTableView* grid = rig.window.recordGrid;
        QAbstractItemModelTester tester(grid->model(),
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        grid->scrollToBottom();
        grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
        const int topRow = grid->rowAt(0);
        QVERIFY(topRow > 10);
        const records::RecordTable& table = rig.session.records().table();
        const QAbstractItemModel* model = grid->model();
        for (int c = 0; c + 1 < records::RecordTable::kColumns; ++c)
            QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), table.cell(0, c + 1));
        QCOMPARE(model->headerData(topRow, Qt::Vertical).toString(), table.cell(topRow + 1, 0));
        QCOMPARE(model->index(topRow, 0).data().toString(), table.cell(topRow + 1, 1));
        QVERIFY(grid->horizontalHeader()->isVisible() && grid->verticalHeader()->isVisible());
    }

    void zeroCountResetsTheGridAsClearDoes()
    {
        Rig rig;
        rig.connect();
        rig.selectTab(1);
        QTableView* grid = rig.window.recordGrid;
        const auto sizes = [grid] {
            QList<int> out{grid->horizontalHeader()->height(), grid->verticalHeader()->width()};
            for (int r = 0; r < grid->model()->rowCount(); ++r)
                out << grid->rowHeight(r);
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                out << grid->columnWidth(c);
            return out;
        };
        const QList<int> cleared = sizes();
        const QRect clearedGeometry = grid->geometry();
        rig.download(3, 3);
        grid->setRowHeight(0, 50);
        QTest::mouseClick(rig.window.readButton, Qt::LeftButton);
        rig.port.feed(hex("05050000"));
        QCOMPARE(sizes(), cleared);
        QCOMPARE(grid->geometry(), clearedGeometry);
        QVERIFY(rig.messages.shown.isEmpty());
    }

    void statusTextsAreNeverCut_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<OpenError>("result");
        QTest::newRow("COM1 Open") << 1 << OpenError::None;
        QTest::newRow("COM11Unviable") << 11 << OpenError::InUse;
        QTest::newRow("COM16Unviable") << 16 << OpenError::NoSuchPort;
        QTest::newRow("COM16 Open") << 16 << OpenError::None;
    }
    void statusTextsAreNeverCut()
    {
        QFETCH(int, port);
        QFETCH(OpenError, result);
        Rig rig;
        rig.port.setOpenResult(port, result);
        rig.session.meterLink().openPort(qint16(port));
        QCOMPARE(rig.window.portStatusLabel->text(), QString::fromLatin1(QTest::currentDataTag()));
        for (QLabel* label : {rig.window.portStatusLabel, rig.window.linkStatusLabel}) {
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
            QVERIFY(label->geometry().right() < rig.window.width());
        }
    }

    void readingsShowStaleFromALossUntilTheNextFrame()
    {
        Rig rig;
        rig.connect();
        rig.tick();
        const QByteArray frame = FrameBuilder(1).q(2, 2305, 3).frame();
        rig.port.feed(frame);
        const QRect panel = rig.window.readingsPanel->geometry();
        const QImage fresh = rig.window.grab().toImage().copy(panel);
        const QStringList values = rig.texts(rig.window.realtimePage->valueLabels);
        rig.tick(6);
        QCOMPARE(rig.window.linkStatusLabel->text(), QStringLiteral("unconnected"));
        QCOMPARE(rig.texts(rig.window.realtimePage->valueLabels), values);
        QVERIFY(rig.window.grab().toImage().copy(panel) != fresh);

        // The saved picture shows the readings as they were, not greyed.
        QTest::mouseClick(rig.window.saveButton, Qt::LeftButton);
        QCOMPARE(rig.capture.clipboard.size(), 1);
        QCOMPARE(rig.capture.clipboard.first().copy(panel), fresh);
        QVERIFY(rig.window.grab().toImage().copy(panel) != fresh);

        for (int i = 0; i < 4 && !rig.session.isLinked(); ++i) {
            rig.tick();
            rig.port.feed(hex("d55555"));
        }
        rig.tick();
        rig.port.feed(frame);
        QCOMPARE(rig.window.grab().toImage().copy(panel), fresh);
    }

    void liveFramesReachTheLabels()
    {
        Rig rig;
        rig.connect();
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("23"));
        rig.port.feed(FrameBuilder(2).q(10, 1200).at(18, 2));
        QCOMPARE(
            rig.texts(rig.window.realtimePage->captionLabels),
            (QStringList{"U1\u00B0: ", "U2\u00B0: ", "U3\u00B0: ", "I\u00B0: ", "phase:", ""}));
        QCOMPARE(rig.window.realtimePage->valueLabels[0]->text(), QStringLiteral("120\u00B0"));
        QCOMPARE(rig.window.realtimePage->valueLabels[4]->text(), QStringLiteral("reverse"));
        QCOMPARE(rig.window.portStatusLabel->text(), QStringLiteral("COM1 Open"));
        QCOMPARE(rig.window.linkStatusLabel->text(), QStringLiteral("Connected"));
    }

    void downloadFillsTheGridAndClearEmptiesIt()
    {
        Rig rig;
        rig.connect();
        rig.selectTab(1);
        QTest::mouseClick(rig.window.readButton, Qt::LeftButton);
        QCOMPARE(rig.port.takeWritten(), hex("0f"));
        rig.port.feed(hex("05050300"));
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("19"));
        rig.port.feed(rig.dump(3).first(30));
        QVERIFY(rig.window.downloadProgress->isVisible());
        QCOMPARE(rig.window.downloadProgress->value(), 1);
        QCOMPARE(rig.window.downloadProgress->maximum(), 3);
        rig.port.feed(rig.dump(3).sliced(30));
        QVERIFY(!rig.window.downloadProgress->isVisible());
        QCOMPARE(rig.session.records().rowCount(), 6);
        QCOMPARE(rig.session.records().index(4, 0).data().toString(), QStringLiteral("NO:3"));
        QVERIFY(rig.messages.shown.isEmpty());

        QTest::mouseClick(rig.window.clearButton, Qt::LeftButton);
        QCOMPARE(rig.session.records().rowCount(), 2);
        QCOMPARE(rig.session.records().index(0, 0).data().toString(), QStringLiteral("NO."));
        QVERIFY(rig.session.isLinked());
        QVERIFY(rig.poll.isActive());
    }

    void incompleteDownloadIsReported()
    {
        Rig rig;
        rig.connect();
        rig.download(5, 2);
        rig.port.feed(rig.dump(5).sliced(40, 5));
        rig.tick(5);
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY2(rig.messages.shown.first().startsWith(QLatin1String("warning|")),
                 qPrintable(rig.messages.shown.first()));
        QVERIFY(rig.messages.shown.first().contains(QLatin1String("2 of 5 records")));
        QCOMPARE(rig.session.records().rowCount(), 4);
        QCOMPARE(rig.window.linkStatusLabel->text(), QStringLiteral("unconnected"));
        QVERIFY(!rig.window.downloadProgress->isVisible());
    }

    void helpSaysWhatTheProgramIsAndTheLinkGoesOn()
    {
        QCoreApplication::setApplicationVersion(QStringLiteral("9.8.7"));
        Rig rig;
        rig.connect();
        QTest::mouseClick(rig.window.helpButton, Qt::LeftButton);
        QVERIFY(rig.messages.shown.isEmpty());
        app::HelpBox* help = rig.window.helpBox();
        QVERIFY(help && help->isVisible());
        QCOMPARE(help->windowTitle(), QStringLiteral("Thank you for using our product."));
        for (const char* part :
             {"9.8.7", "GNU General Public License", "dialout", "Ctrl+Q", "README"})
            QVERIFY2(help->text().contains(QLatin1String(part)), part);
        QVERIFY(!help->text().contains(QLatin1String("contact us")));

        // The language applies at the next start: the window only passes the choice on.
        QSignalSpy chosen(&rig.window, &app::MainWindow::languageChosen);
        auto* languages = help->findChild<QComboBox*>();
        QVERIFY(languages);
        languages->setFocus();
        QTest::keyClick(languages, Qt::Key_End);
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().first().toString(), QStringLiteral("zh_CN"));
        help->close();
        QVERIFY(rig.session.isLinked());
        rig.tick();
        QCOMPARE(rig.port.takeWritten(), hex("23"));
    }

    void closeWithNoPortOpenLeavesThePortAlone()
    {
        Rig rig;
        QTest::mouseClick(rig.window.closeButton, Qt::LeftButton);
        QVERIFY(!rig.window.isVisible());
        QCOMPARE(rig.port.closes(), 0);
    }

    void closeReleasesAnOpenPort()
    {
        Rig rig;
        rig.connect();
        QTest::mouseClick(rig.window.closeButton, Qt::LeftButton);
        QVERIFY(!rig.window.isVisible());
        QVERIFY(!rig.port.isOpen());
    }

    void closingWhileLoggingAsksFirst_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("asks");
        QTest::newRow("Close button") << "button" << true;
        QTest::newRow("title bar") << "frame" << true;
        QTest::newRow("told to end (signal, logout)") << "told" << false;
        // They end with the window and keep their totals; nothing is cut short.
        QTest::newRow("energy and alarms, no log") << "watch only" << false;
    }
    void closingWhileLoggingAsksFirst()
    {
        QFETCH(QString, how);
        QFETCH(bool, asks);
        QTemporaryDir dir;
        Rig rig;
        if (how == "watch only") {
            rig.window.watchControl->setEnergy({true, QString()});
            rig.window.watchControl->setAlarms({{QStringLiteral("U1>253"), QString()}});
            QVERIFY(rig.session.liveReadingsHeld());
        } else {
            rig.saveDialog.answer = {true, dir.filePath("survey.csv"), 1};
            QTest::mouseClick(rig.window.logControl->button(), Qt::LeftButton);
            QVERIFY(rig.window.logControl->logging());
        }
        if (how == "told")
            rig.window.closeWithoutAsking();
        if (how == "button")
            QTest::mouseClick(rig.window.closeButton, Qt::LeftButton);
        else
            rig.window.close();
        QCOMPARE(rig.window.isVisible(), asks);
        QCOMPARE(rig.messages.shown.size(), asks ? 1 : 0);
        if (!asks)
            return;
        QVERIFY(rig.messages.shown.first().startsWith(
            "question|Korvane|Closing Korvane stops the log"));
        rig.messages.accept();
        QVERIFY(!rig.window.isVisible());
    }

    void readWhileLoggingAsksFirstAndSaysLiveReadingsPause_data()
    {
        QTest::addColumn<bool>("logging");
        QTest::addColumn<bool>("download");
        QTest::addColumn<QString>("noticeBefore");
        QTest::addColumn<QString>("noticeDuring");
        const QString shown = "Live readings pause while this page is shown; a log or "
                              "publishing would keep them coming.";
        const QString dump = "Live readings pause while the records download.";
        QTest::newRow("no log: Read downloads at once") << false << true << shown << shown;
        QTest::newRow("logging, Download chosen") << true << true << QString() << dump;
        QTest::newRow("logging, Cancel chosen") << true << false << QString() << QString();
    }
    void readWhileLoggingAsksFirstAndSaysLiveReadingsPause()
    {
        QFETCH(bool, logging);
        QFETCH(bool, download);
        QFETCH(QString, noticeBefore);
        QFETCH(QString, noticeDuring);
        QTemporaryDir dir;
        Rig rig;
        rig.connect();
        if (logging) {
            rig.saveDialog.answer = {true, dir.filePath("survey.csv"), 1};
            QTest::mouseClick(rig.window.logControl->button(), Qt::LeftButton);
        }
        rig.selectTab(1);
        app::RecordPage& page = *rig.window.recordPage;
        QCOMPARE(page.notice->isHidden() ? QString() : page.notice->text(), noticeBefore);
        QTest::mouseClick(rig.window.readButton, Qt::LeftButton);
        const QByteArray count = hex("05050300");
        // The count request goes out at once, or in place of a live poll.
        for (int i = 0; i < 3 && !rig.port.takeWritten().contains(char(link::kCount)); ++i)
            rig.tick();
        rig.port.feed(count);
        if (logging) {
            QCOMPARE(rig.messages.shown.size(), 1);
            QVERIFY2(rig.messages.shown.first().contains("The meter holds 3 records; downloading "
                                                         "takes about 2 s"),
                     qPrintable(rig.messages.shown.first()));
            download ? rig.messages.accept() : rig.messages.cancel();
            for (int i = 0; i < 3 && download; ++i) {
                rig.tick();
                if (rig.port.takeWritten().contains(char(link::kCount)))
                    rig.port.feed(count);
            }
        }
        rig.tick(2);
        QCOMPARE(rig.session.downloading(), download);
        QCOMPARE(page.notice->isHidden() ? QString() : page.notice->text(), noticeDuring);
        if (download) {
            rig.port.feed(rig.dump(3));
            QCOMPARE(rig.session.records().rowCount(), 6);
        }
        QVERIFY(page.notice->isHidden() || !page.notice->text().contains("download"));
    }

    void portTooltipNamesTheDeviceAndWhatToDo()
    {
        Rig rig;
        rig.port.setOpenResult(1, OpenError::PermissionDenied);
        rig.tick();
        QCOMPARE(rig.window.portStatusLabel->text(), QStringLiteral("COM1Unviable"));
        QVERIFY(rig.window.portStatusLabel->toolTip().contains(QLatin1String("/dev/fake1")));
        QVERIFY(rig.window.portStatusLabel->toolTip().contains(QLatin1String("dialout")));
    }

    void layoutInPixelsAtNinetySixDpi_data()
    {
        QTest::addColumn<QString>("control");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("Read") << "readButton" << QRect(664, 56, 73, 57);
        QTest::newRow("Close") << "closeButton" << QRect(664, 408, 73, 57);
        QTest::newRow("panel") << "readingsPanel" << QRect(64, 80, 553, 495);
        QTest::newRow("tab strip") << "tabs" << QRect(56, 40, 569, 550);
        QTest::newRow("port status") << "portStatusLabel" << QRect(648, 504, 97, 25);
        QTest::newRow("grid as the reset places it") << "recordGrid" << QRect(67, 80, 533, 480);
    }
    void layoutInPixelsAtNinetySixDpi()
    {
        QFETCH(QString, control);
        QFETCH(QRect, geometry);
        Rig rig;
        QCOMPARE(rig.window.size(), QSize(783, 670));
        const QMap<QString, QWidget*> controls{{"readButton", rig.window.readButton},
                                               {"closeButton", rig.window.closeButton},
                                               {"readingsPanel", rig.window.readingsPanel},
                                               {"tabs", rig.window.tabs},
                                               {"portStatusLabel", rig.window.portStatusLabel},
                                               {"recordGrid", rig.window.recordGrid}};
        QCOMPARE(inWindow(controls.value(control)), geometry);
        // Grown (maximised) and back: everything returns to its laid-out place.
        rig.window.resize(1500, 1000);
        QVERIFY(inWindow(rig.window.closeButton).right() > 1400);
        QVERIFY(inWindow(rig.window.readingsPanel).bottom() > 900);
        rig.window.resize(783, 670);
        QCOMPARE(inWindow(controls.value(control)), geometry);
    }

    void readingLabelsAreLargeBoldOnGreen()
    {
        Rig rig;
        for (QLabel* label : rig.window.realtimePage->valueLabels) {
            QCOMPARE(label->font().pointSizeF(), 36.0);
            QVERIFY(label->font().bold());
            QCOMPARE(label->palette().color(QPalette::Window), QColor(0, 192, 0));
        }
        QCOMPARE(rig.window.realtimePage->captionLabels[5]->geometry(), QRect(16, 336, 168, 53));
    }

    void focusStartsOnTheTabStripAndTabRunsTopToBottom_data()
    {
        QTest::addColumn<int>("tab");
        QTest::newRow("Realtime") << int(app::MainWindow::kRealtimeTab);
        QTest::newRow("Record") << int(app::MainWindow::kRecordTab);
        QTest::newRow("Trend") << int(app::MainWindow::kTrendTab);
        QTest::newRow("Phasor") << int(app::MainWindow::kPhasorTab);
        QTest::newRow("Overview") << int(app::MainWindow::kOverviewTab);
    }
    void focusStartsOnTheTabStripAndTabRunsTopToBottom()
    {
        QFETCH(int, tab);
        Rig rig;
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        QCOMPARE(QApplication::focusWidget(), rig.window.tabs->tabBar());
        // Space right after start must not close the program.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QVERIFY(rig.window.isVisible());
        // From the tab strip through the page shown, then the enabled buttons top to bottom.
        rig.selectTab(tab);
        rig.window.tabs->tabBar()->setFocus();
        QList<QWidget*> buttons;
        for (QWidget* button :
             {rig.window.readButton, rig.window.saveButton, rig.window.clearButton,
              rig.window.helpButton, rig.window.closeButton}) {
            if (button->isEnabled())
                buttons << button;
        }
        QWidget* page = rig.window.currentPage().widget();
        QList<QWidget*> visited;
        for (int i = 0; i < 40 && QApplication::focusWidget() != rig.window.closeButton; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        QVERIFY(visited.size() >= buttons.size());
        QCOMPARE(visited.mid(visited.size() - buttons.size()), buttons);
        for (QWidget* widget : visited.first(visited.size() - buttons.size()))
            QVERIFY2(page->isAncestorOf(widget), widget->metaObject()->className());
        if (tab == app::MainWindow::kRecordTab)
            QCOMPARE(visited.first(), rig.window.recordGrid);
    }

    void shortcuts_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QKeySequence>("keys");
        QTest::addColumn<int>("tabAfter");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<int>("saveRequests");
        QTest::addColumn<bool>("open");
        const QStringList none;
        QTest::newRow("Ctrl+2 shows the records")
            << 0 << QKeySequence("Ctrl+2") << 1 << QByteArray() << none << 0 << true;
        QTest::newRow("Ctrl+4 shows the phasor")
            << 1 << QKeySequence("Ctrl+4") << 3 << QByteArray() << none << 0 << true;
        QTest::newRow("Ctrl+R reads on the Record tab")
            << 1 << QKeySequence("Ctrl+R") << 1 << hex("0f") << none << 0 << true;
        QTest::newRow("Ctrl+R does nothing on the Realtime tab")
            << 0 << QKeySequence("Ctrl+R") << 0 << QByteArray() << none << 0 << true;
        QTest::newRow("Ctrl+S saves")
            << 0 << QKeySequence("Ctrl+S") << 0 << QByteArray() << none << 1 << true;
        QTest::newRow("F1 helps") << 0 << QKeySequence("F1") << 0 << QByteArray()
                                  << QStringList{"help"} << 0 << true;
        QTest::newRow("Ctrl+Q closes")
            << 0 << QKeySequence("Ctrl+Q") << 0 << QByteArray() << none << 0 << false;
    }
    void shortcuts()
    {
        QFETCH(int, tab);
        QFETCH(QKeySequence, keys);
        QFETCH(int, tabAfter);
        QFETCH(QByteArray, sent);
        QFETCH(QStringList, shown);
        QFETCH(int, saveRequests);
        QFETCH(bool, open);
        Rig rig;
        QVERIFY(QTest::qWaitForWindowActive(&rig.window));
        rig.connect();
        rig.selectTab(tab);
        rig.port.takeWritten();
        QTest::keySequence(&rig.window, keys);
        QCOMPARE(rig.window.tabs->currentIndex(), tabAfter);
        QCOMPARE(rig.port.takeWritten(), sent);
        QStringList seen = rig.messages.shown;
        if (rig.window.helpBox() && rig.window.helpBox()->isVisible())
            seen << QStringLiteral("help");
        QCOMPARE(seen, shown);
        QCOMPARE(rig.saveDialog.requests.size(), saveRequests);
        QCOMPARE(rig.window.isVisible(), open);
    }
};

QTEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
