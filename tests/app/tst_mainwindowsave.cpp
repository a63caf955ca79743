// SPDX-License-Identifier: GPL-3.0-or-later
// The Save button: which dialog each tab opens, the type index both saves share, the capture of
// our own window, cancel, and failures shown to the user. File bytes are in the export suites.
#include "app/mainwindow.h"
#include "app/realtimepage.h"
#include "app/recordpage.h"
#include "app/trendpage.h"
#include "app/trendview.h"
#include "export/liveviewtext.h"
#include "export/recordtext.h"
#include "fakes/fakemessageboxes.h"
#include "fakes/fakesavedialog.h"
#include "fakes/fakewindowcapture.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace korvane;

namespace {
struct Rig : korvane::testing::FakeSession
{
    fakes::FakeMessageBoxes messages;
    fakes::FakeSaveDialog dialog;
    fakes::FakeWindowCapture capture;
    app::MainWindow window{{session, messages, dialog, capture}};

    Rig() { window.show(); }

    // The user picks type `filter` and the file `path` in the next dialog.
    void answer(const QString& path, int filter) { dialog.answer = {true, path, filter}; }
    void cancel() { dialog.answer = {false, QString(), 1}; }
    void save() { window.onSaveClicked(); }
    void recordTab() { window.tabs->setCurrentIndex(1); }
    void realtimeTab() { window.tabs->setCurrentIndex(0); }
    void trendTab() { window.tabs->setCurrentIndex(app::MainWindow::kTrendTab); }
    qint64 clockMs = 0;

    // The meter on COM1 holds `count` records; Read downloads them. Save waits meanwhile.
    void download(int count) { download(count, count); }
    // Only `arrived` of them have come so far.
    void download(int count, int arrived)
    {
        port.setOpenResult(1, platform::SerialPort::OpenError::None);
        tick();
        port.feed(QByteArray::fromHex("d55555"));
        tick();
        recordTab();
        window.readButton->click();
        port.feed(QByteArray::fromHex("0505") + char(count) + char(0));
        QVERIFY(!window.saveButton->isEnabled());
        tick();
        QByteArray dump;
        for (int i = 0; i < arrived; ++i)
            dump += korvane::testing::FrameBuilder(1).q(1, quint16(2300 + i), 3).frame();
        port.feed(dump);
        QCOMPARE(window.saveButton->isEnabled(), arrived == count);
    }

    // The meter on COM1 answers two live frames, half a second apart, a little while ago.
    void twoReadings()
    {
        clockMs = QDateTime::currentMSecsSinceEpoch() - 10'000;
        session.meterLink().setClock([this] { return clockMs += 500; });
        port.setOpenResult(1, platform::SerialPort::OpenError::None);
        tick();
        port.feed(QByteArray::fromHex("d55555"));
        for (quint16 u : {2305, 2310}) {
            tick();
            port.feed(korvane::testing::FrameBuilder(1).q(1, u, 3));
        }
    }
};

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TstMainWindowSave : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_home;
    QString file(const QString& name) const { return m_home.filePath(name); }
    // Where the save dialog first opens: the machine's own folder on Windows.
    QString defaultFolder() const
    {
#ifdef Q_OS_WIN
        return QStringLiteral("c:\\Korvane");
#else
        return QDir(m_home.path()).filePath("Korvane");
#endif
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        qputenv("HOME", m_home.path().toLocal8Bit());
    }

    void firstLiveViewSaveOffersThePictureAndCapturesFirst()
    {
        Rig rig;
        rig.cancel();
        rig.save();
        QCOMPARE(rig.dialog.requests.size(), 1);
        const auto& request = rig.dialog.requests.first();
        QCOMPARE(request.initialName, QStringLiteral("Korvane"));
        QCOMPARE(request.filters, (QStringList{"JPEG picture (*.jpg)", "Text (*.txt)"}));
        QCOMPARE(request.selectedFilter, 1);
        QCOMPARE(request.defaultSuffix, QStringLiteral("jpg"));
        QCOMPARE(request.folder, defaultFolder());
        QVERIFY(QFileInfo(request.folder).isDir());
        QCOMPARE(rig.capture.captures, 1);
        QCOMPARE(rig.capture.clipboard.size(), 1);
        QVERIFY(!rig.capture.clipboard.first().isNull());
    }

    void newPagesSaveWhatTheyShow_data()
    {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QStringList>("filters");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArrayList>("holds"); // in a text; a picture must load
        const int trend = app::MainWindow::kTrendTab;
        const int phasor = app::MainWindow::kPhasorTab;
        const QStringList trendTypes{"PNG picture (*.png)", "CSV (*.csv)"};
        const QStringList phasorTypes{"PNG picture (*.png)", "Text (*.txt)"};
        QTest::newRow("trend chart as PNG")
            << trend << trendTypes << 1 << QByteArray("\x89PNG") << QByteArrayList();
        QTest::newRow("trend samples as CSV")
            << trend << trendTypes << 2 << QByteArray("\xEF\xBB\xBFtime,U1 [V]\r\n")
            << QByteArrayList{",230.5\r\n", ",231\r\n"};
        const int overview = app::MainWindow::kOverviewTab;
        const QStringList overviewTypes{"PNG picture (*.png)", "CSV (*.csv)"};
        QTest::newRow("overview as PNG")
            << overview << overviewTypes << 1 << QByteArray("\x89PNG") << QByteArrayList();
        QTest::newRow("overview cells as CSV")
            << overview << overviewTypes << 2 << QByteArray("\xEF\xBB\xBFtime,")
            << QByteArrayList{",U1,231.0,V,230.5,231.0,"};
        QTest::newRow("phasor as PNG")
            << phasor << phasorTypes << 1 << QByteArray("\x89PNG") << QByteArrayList();
        QTest::newRow("phasor numbers as text")
            << phasor << phasorTypes << 2 << QByteArray("Phasor diagram saved ")
            << QByteArrayList{"\r\nU1: 231V, received ", "\r\nU1\xC2\xB0: not received"};
    }
    void newPagesSaveWhatTheyShow()
    {
        QFETCH(int, tab);
        QFETCH(QStringList, filters);
        QFETCH(int, filter);
        QFETCH(QByteArray, start);
        QFETCH(QByteArrayList, holds);
        Rig rig;
        rig.twoReadings();
        rig.window.tabs->setCurrentIndex(tab);
        const QString path = file(QStringLiteral("page%1-%2").arg(tab).arg(filter));
        rig.answer(path, filter);
        rig.save();
        QCOMPARE(rig.dialog.requests.first().filters, filters);
        const QByteArray bytes = contents(path);
        QVERIFY2(bytes.startsWith(start), bytes.left(40).toHex(' ').constData());
        if (holds.isEmpty())
            QVERIFY(!QImage::fromData(bytes).isNull());
        for (const QByteArray& part : holds)
            QVERIFY2(bytes.contains(part), bytes.left(400).constData());
        QVERIFY(rig.messages.shown.isEmpty());
        // Each new page remembers its own type: the next dialog there opens on it.
        rig.save();
        QCOMPARE(rig.dialog.requests.last().selectedFilter, filter);
        rig.realtimeTab();
        rig.save();
        QCOMPARE(rig.dialog.requests.last().selectedFilter, 1);
    }

    void trendPopOutSavesWhatItShows()
    {
        Rig rig;
        rig.twoReadings();
        rig.trendTab();
        app::TrendView* popOut = rig.window.trendPage->openPopOut();
        const QString path = file(QStringLiteral("popout.csv"));
        rig.answer(path, 2);
        for (QToolButton* button : popOut->findChildren<QToolButton*>()) {
            if (button->text() == QStringLiteral("Save..."))
                button->click();
        }
        QCOMPARE(rig.dialog.requests.size(), 1);
        QCOMPARE(rig.dialog.requests.first().filters,
                 (QStringList{"PNG picture (*.png)", "CSV (*.csv)"}));
        QVERIFY(contents(path).contains(",231\r\n"));
        // The tab's Save opens on the type the pop-out chose.
        rig.save();
        QCOMPARE(rig.dialog.requests.last().selectedFilter, 2);
    }

    void cancelWritesAndSaysNothing()
    {
        Rig rig;
        rig.cancel();
        rig.save();
        rig.recordTab();
        rig.save();
        QVERIFY(rig.messages.shown.isEmpty());
        QCOMPARE(QDir(defaultFolder()).entryList(QDir::Files), QStringList());
        rig.realtimeTab();
        rig.save();
        QCOMPARE(rig.dialog.requests.last().selectedFilter, 1);
    }

    void pictureIsJpegOfOurWindowWhateverTheName()
    {
        Rig rig;
        rig.answer(file("view.txt"), 1);
        rig.save();
        QVERIFY(contents(file("view.txt")).startsWith("\xFF\xD8\xFF"));
        QImage picture;
        QVERIFY(picture.load(file("view.txt"), "JPEG"));
        QCOMPARE(picture.size(), rig.window.size());
        QVERIFY(rig.messages.shown.isEmpty());
    }

    void liveViewTextHoldsTheLabelsAsTheyStand()
    {
        Rig rig;
        rig.answer(file("view-text.txt"), 2);
        rig.save();
        exporting::LiveRowTexts captions, values;
        for (int i = 0; i < 6; ++i) {
            captions[i] = rig.window.realtimePage->captionLabels[i]->text();
            values[i] = rig.window.realtimePage->valueLabels[i]->text();
        }
        QCOMPARE(contents(file("view-text.txt")), exporting::liveViewText(captions, values));
        QVERIFY(contents(file("view-text.txt")).startsWith("     U1 :     00.00V\r\n"));
    }

    void typeIndexIsSharedBetweenTheSaves_data()
    {
        QTest::addColumn<bool>("firstOnRecordTab");
        QTest::addColumn<int>("firstType");
        QTest::addColumn<bool>("secondOnRecordTab");
        QTest::addColumn<int>("offeredType");
        QTest::addColumn<QString>("offeredSuffix");
        QTest::addColumn<int>("captures");
        QTest::newRow("text live view, then records start on the workbook")
            << false << 2 << true << 2 << "xlsx" << 0;
        QTest::newRow("picture, then records start on text")
            << false << 1 << true << 1 << "txt" << 0;
        QTest::newRow("workbook, then the live view starts on text without a capture")
            << true << 2 << false << 2 << "txt" << 0;
        QTest::newRow("CSV, then the live view starts on text without a capture")
            << true << 3 << false << 2 << "txt" << 0;
        QTest::newRow("CSV, then records start on CSV") << true << 3 << true << 3 << "csv" << 0;
        QTest::newRow("record text, then the live view captures")
            << true << 1 << false << 1 << "jpg" << 1;
    }
    void typeIndexIsSharedBetweenTheSaves()
    {
        QFETCH(bool, firstOnRecordTab);
        QFETCH(int, firstType);
        QFETCH(bool, secondOnRecordTab);
        QFETCH(int, offeredType);
        QFETCH(QString, offeredSuffix);
        QFETCH(int, captures);
        Rig rig;
        if (firstOnRecordTab)
            rig.recordTab();
        rig.answer(file("first.out"), firstType);
        rig.save();
        secondOnRecordTab ? rig.recordTab() : rig.realtimeTab();
        rig.capture.captures = 0;
        rig.cancel();
        rig.save();
        QCOMPARE(rig.dialog.requests.last().selectedFilter, offeredType);
        QCOMPARE(rig.dialog.requests.last().defaultSuffix, offeredSuffix);
        QCOMPARE(rig.capture.captures, captures);
    }

    void pictureChosenAfterTextIsStillOurWindow()
    {
        Rig rig;
        rig.answer(file("a.txt"), 2);
        rig.save();
        rig.capture.clipboard.clear();
        rig.capture.captures = 0;
        rig.answer(file("b.jpg"), 1);
        rig.save();
        QCOMPARE(rig.capture.captures, 1);
        QVERIFY(rig.capture.clipboard.isEmpty());
        QVERIFY(contents(file("b.jpg")).startsWith("\xFF\xD8\xFF"));
    }

    void recordSavesWriteTheChosenType_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("records");
        QTest::addColumn<QByteArray>("starts");
        QTest::newRow("text") << 1 << 3 << QByteArray("NO:1");
        QTest::newRow("workbook") << 2 << 3 << QByteArray("PK");
        QTest::newRow("csv") << 3 << 3 << QByteArray("\xEF\xBB\xBFNO:1,");
        QTest::newRow("empty table, said so") << 1 << 0 << QByteArray("NO.");
        QTest::newRow("csv for analysis")
            << 4 << 3 << QByteArray("\xEF\xBB\xBFrecord,kind,index,clock,U1 [V],");
        QTest::newRow("csv for analysis, semicolons")
            << 5 << 3 << QByteArray("\xEF\xBB\xBFrecord;kind;index;clock;U1 [V];");
        QTest::newRow("json lines") << 6 << 3 << QByteArray("{\"record\":1,");
        QTest::newRow("workbook of numbers") << 7 << 3 << QByteArray("PK");
    }
    void recordSavesWriteTheChosenType()
    {
        QFETCH(int, type);
        QFETCH(int, records);
        QFETCH(QByteArray, starts);
        Rig rig;
        if (records > 0)
            rig.download(records);
        rig.recordTab();
        const QString path = file(QStringLiteral("records-%1").arg(type));
        rig.answer(path, type);
        rig.save();
        QCOMPARE(rig.dialog.requests.first().filters,
                 (QStringList{"Text, first four columns (*.txt)", "Excel workbook (*.xlsx)",
                              "CSV (*.csv)", "CSV for analysis, comma and decimal point (*.csv)",
                              "CSV for analysis, semicolon and decimal comma (*.csv)",
                              "JSON Lines (*.jsonl)", "Excel workbook, numbers (*.xlsx)"}));
        QVERIFY(contents(path).startsWith(starts));
        QCOMPARE(rig.session.records().rowCount(), records > 0 ? 2 * records : 2);
        if (type == 1)
            QCOMPARE(contents(path), exporting::recordTableText(rig.session.records().table()));
        QCOMPARE(rig.messages.shown.size(), records > 0 ? 0 : 1);
        if (records == 0)
            QVERIFY(rig.messages.shown.first().startsWith("information|Korvane|The record table "
                                                          "was empty"));
        QCOMPARE(rig.capture.captures, 0);
    }

    // Read turns into Cancel while a download runs, and Clear cancels it too; the whole records
    // so far stay (or go, with Clear), the page says the meter is finishing its transfer, and
    // the file for analysis marks the records incomplete.
    void cancelledDownloadKeepsWholeRecords_data()
    {
        QTest::addColumn<bool>("clear");
        QTest::addColumn<int>("rows");
        QTest::newRow("Cancel") << false << 4;
        QTest::newRow("Clear") << true << 2;
    }
    void cancelledDownloadKeepsWholeRecords()
    {
        QFETCH(bool, clear);
        QFETCH(int, rows);
        Rig rig;
        rig.download(20, 2);
        QCOMPARE(rig.session.records().rowCount(), 4); // the records so far show at once
        QCOMPARE(rig.window.readButton->text(), QStringLiteral("Ca&ncel"));
        QVERIFY(rig.window.recordPage->notice->text().contains("Downloading records: 2 of 20"));
        (clear ? rig.window.clearButton : rig.window.readButton)->click();
        QCOMPARE(rig.session.records().rowCount(), rows);
        QCOMPARE(rig.window.readButton->text(), QStringLiteral("&Read"));
        QVERIFY(rig.window.saveButton->isEnabled());
        QVERIFY(rig.window.recordPage->notice->text().startsWith("Finishing the meter's transfer"));

        const QString path = file(QStringLiteral("cancelled-%1.csv").arg(clear));
        rig.answer(path, 4);
        rig.save();
        QCOMPARE(contents(path).split('\n').first().endsWith(",overload,incomplete\r"), !clear);

        rig.port.feed(QByteArray(40, '\x01'));
        rig.tick(2);
        QVERIFY(!rig.session.draining());
        const QString notice = rig.window.recordPage->notice->text();
        QVERIFY(!notice.contains("Finishing"));
        QCOMPARE(notice.contains("Download cancelled: 2 of 20 records kept"), !clear);
    }

    // A later Read that brings no record leaves the cut-short table as it was: the page goes on
    // saying it is incomplete, as the files for analysis do.
    void incompleteTableIsSaidWhileItStays_data()
    {
        QTest::addColumn<QByteArray>("countAnswer"); // empty: Cancel before the answer
        QTest::newRow("next Read cancelled before its dump") << QByteArray();
        QTest::newRow("next Read with a malformed count") << QByteArray::fromHex("00000000");
    }
    void incompleteTableIsSaidWhileItStays()
    {
        QFETCH(QByteArray, countAnswer);
        Rig rig;
        rig.download(20, 2);
        rig.window.readButton->click(); // Cancel
        rig.tick(2);
        QVERIFY(!rig.session.draining());
        QVERIFY(rig.window.recordPage->notice->text().contains("2 of 20"));

        rig.window.readButton->click(); // Read again
        QVERIFY(rig.session.downloading());
        if (countAnswer.isEmpty())
            rig.window.readButton->click(); // Cancel
        else
            rig.port.feed(countAnswer);
        QVERIFY(!rig.session.downloading());
        QCOMPARE(rig.session.records().rowCount(), 4);
        QVERIFY(!rig.session.recordsComplete());
        QVERIFY2(rig.window.recordPage->notice->text().contains("incomplete"),
                 qPrintable(rig.window.recordPage->notice->text()));
    }

    void failedSaveNamesTheFileAndTheReason_data()
    {
        QTest::addColumn<bool>("recordTab");
        QTest::addColumn<int>("type");
        QTest::newRow("picture") << false << 1;
        QTest::newRow("live view text") << false << 2;
        QTest::newRow("record text") << true << 1;
        QTest::newRow("workbook") << true << 2;
        QTest::newRow("csv") << true << 3;
    }
    void failedSaveNamesTheFileAndTheReason()
    {
        QFETCH(bool, recordTab);
        QFETCH(int, type);
        Rig rig;
        if (recordTab)
            rig.recordTab();
        QFile blocker(file("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const QString path = file("blocker/Korvane.out");
        rig.answer(path, type);
        rig.save();
        QCOMPARE(rig.messages.shown.size(), 1);
        QVERIFY(rig.messages.shown.first().startsWith(QLatin1String("warning|Korvane|")));
        QVERIFY(rig.messages.shown.first().contains(path));
    }

    void unusableDefaultFolderOpensTheHomeFolder()
    {
#ifdef Q_OS_WIN
        QSKIP("c:\\Korvane is the machine's folder, where a user keeps saved files: a test does "
              "not put a file in its way");
#endif
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME");
        qputenv("HOME", home.path().toLocal8Bit());
        QFile blocker(home.filePath("Korvane"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        Rig rig;
        rig.cancel();
        rig.save();
        qputenv("HOME", oldHome);
        QCOMPARE(rig.dialog.requests.first().folder, home.path());
    }
};

QTEST_MAIN(TstMainWindowSave)
#include "tst_mainwindowsave.moc"
