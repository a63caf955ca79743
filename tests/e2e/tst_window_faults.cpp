// SPDX-License-Identifier: GPL-3.0-or-later
// The window against a faulty virtual meter over a real pseudo-terminal: it never crashes or
// hangs, keeps only whole records, tells the user what happened without holding up the link,
// and finds the meter again.
// The healthy meter is in tst_window_e2e; the CLI's faults in tst_cli_e2e.
#include "sim/virtualmeter.h"
#include "support/windowprogram.h"

#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

using namespace korvane;
using namespace std::chrono_literals;

namespace {
constexpr int kConnectMs = 5000;
constexpr int kSilenceMs = 4000;
constexpr int kSearchCycleMs = 16 * 500 + 4000;

using Program = korvane::testing::WindowProgram;
} // namespace

// How the meter stops giving whole answers for a while.
enum class Fault { Silent, Unplugged, Fragments };
Q_DECLARE_METATYPE(Fault)

class TstWindowFaults : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

    // The meter behind a stable link, so it can be pulled out and plugged back in.
    std::unique_ptr<sim::VirtualMeter> startMeter(sim::MeterOptions options)
    {
        options.linkPath = m_dir.filePath(QStringLiteral("meter"));
        auto meter = std::make_unique<sim::VirtualMeter>(options);
        QString error;
        if (!meter->start(&error))
            qFatal("the virtual meter could not open a pseudo-terminal: %s", qPrintable(error));
        return meter;
    }
    QString device() const { return m_dir.filePath(QStringLiteral("meter")); }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void meterRestartingMidDumpKeepsWholeRecordsAndIsFoundAgain()
    {
        sim::MeterOptions options;
        options.pacing = false;
        options.recordCount = 50;
        options.restartMidDump = 510;
        auto meter = startMeter(options);
        Program program(device());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kConnectMs);
        QTRY_VERIFY_WITH_TIMEOUT(!program.searching(), kConnectMs);
        program.pressRead(*meter);
        QTRY_COMPARE_WITH_TIMEOUT(program.messages.shown.size(), 1, kConnectMs + kSilenceMs);
        QVERIFY2(program.messages.shown.first().contains(QLatin1String("25 of 50")),
                 qPrintable(program.messages.shown.first()));
        QCOMPARE(program.rows(), 50);
        QVERIFY(!program.window.downloadProgress->isVisible());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kSearchCycleMs);
    }

    void unpluggedMidDumpIsReportedAndFoundAgain()
    {
        sim::MeterOptions options;
        options.pacing = false;
        options.recordCount = 50;
        options.unplugMidDump = 300;
        options.replugAfter = 1s;
        auto meter = startMeter(options);
        Program program(device());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kConnectMs);
        QTRY_VERIFY_WITH_TIMEOUT(!program.searching(), kConnectMs);
        program.pressRead(*meter);
        QTRY_COMPARE_WITH_TIMEOUT(program.messages.shown.size(), 1, kConnectMs + kSilenceMs);
        QVERIFY(program.messages.shown.first().contains(QLatin1String("incomplete")));
        QVERIFY(program.rows() % 2 == 0);
        QVERIFY(program.rows() <= 30);
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kSearchCycleMs);
    }

    void unpluggedWhilePollingIsFoundAgain()
    {
        sim::MeterOptions options;
        options.pacing = false;
        auto meter = startMeter(options);
        Program program(device());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kConnectMs);
        meter->unplug();
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("unconnected"), kSilenceMs);
        QVERIFY(meter->replug());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kSearchCycleMs);
        QSignalSpy shown(&program.session, &session::MeterSession::readingReceived);
        QVERIFY(shown.wait(3000));
        QVERIFY(program.messages.shown.isEmpty());
    }

    void malformedCountIsReportedAndPollingGoesOn()
    {
        sim::MeterOptions options;
        options.pacing = false;
        options.badCount = true;
        auto meter = startMeter(options);
        Program program(device());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kConnectMs);
        QTRY_VERIFY_WITH_TIMEOUT(!program.searching(), kConnectMs);
        program.pressRead(*meter);
        QTRY_COMPARE_WITH_TIMEOUT(program.messages.shown.size(), 1, kConnectMs);
        QVERIFY2(program.messages.shown.first().contains(QLatin1String("malformed")),
                 qPrintable(program.messages.shown.join('\n')));
        QCOMPARE(program.rows(), 2);
        QSignalSpy answers(meter.get(), &sim::VirtualMeter::answerFinished);
        QVERIFY(answers.wait(2000));
        QCOMPARE(program.link(), QStringLiteral("Connected"));
    }

    void openWarningLeavesTheLinkUp()
    {
        // A real, window-modal warning box left open for 3 s: the keep-alives still go out, and
        // their answers still reach the link, or it would count 2.5 s of silence as a loss.
        sim::MeterOptions options;
        options.pacing = false;
        options.badCount = true;
        auto meter = startMeter(options);
        korvane::testing::BasicWindowProgram<platform::QtMessageBoxes> program(device());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kConnectMs);
        QTRY_VERIFY_WITH_TIMEOUT(!program.searching(), kConnectMs);
        QSignalSpy lost(&program.session, &session::MeterSession::linkLost);
        QSignalSpy keepAlives(meter.get(), &sim::VirtualMeter::answerFinished);

        // Watched from a timer, since a box that ran its own event loop inside a slot would
        // never hand control back to this test.
        int keepAlivesWhileOpen = -1;
        QString statusWhileOpen;
        bool closed = false;
        QTimer watch;
        watch.setInterval(50);
        connect(&watch, &QTimer::timeout, this, [&] {
            auto* box = program.window.findChild<QMessageBox*>();
            if (!box || !box->isVisible() || keepAlivesWhileOpen >= 0)
                return;
            keepAlivesWhileOpen = 0;
            const qsizetype before = keepAlives.count();
            QTimer::singleShot(3000, box, [&, box, before] {
                keepAlivesWhileOpen = int(keepAlives.count() - before);
                statusWhileOpen = program.link();
                box->close();
                closed = true;
            });
        });
        watch.start();
        program.pressRead(*meter);
        QTRY_VERIFY_WITH_TIMEOUT(closed, kConnectMs + 3000);
        QCOMPARE(statusWhileOpen, QStringLiteral("Connected"));
        QCOMPARE(lost.count(), 0);
        QVERIFY2(keepAlivesWhileOpen >= 4, qPrintable(QString::number(keepAlivesWhileOpen)));
        QCOMPARE(program.link(), QStringLiteral("Connected"));
    }

    void meterAnsweringAgainIsLinkedWithoutAWholeSearchCycle_data()
    {
        QTest::addColumn<Fault>("fault");
        QTest::newRow("silent for 4 s") << Fault::Silent;
        QTest::newRow("unplugged for 4 s") << Fault::Unplugged;
        QTest::newRow("a byte or two per answer for 4 s") << Fault::Fragments;
    }
    void meterAnsweringAgainIsLinkedWithoutAWholeSearchCycle()
    {
        QFETCH(Fault, fault);
        const bool unplugged = fault == Fault::Unplugged;
        sim::MeterOptions options;
        options.pacing = false;
        auto meter = startMeter(options);
        Program program(device());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kConnectMs);
        if (unplugged)
            meter->unplug();
        else if (fault == Fault::Silent)
            meter->setSilent(true);
        else
            meter->setFragments(true);
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("unconnected"), kSilenceMs);
        // The meter stays away while the search tries its port and the next ones.
        QSignalSpy portsTried(&program.session, &session::MeterSession::portAttempted);
        QTRY_VERIFY_WITH_TIMEOUT(portsTried.count() >= 3, kSilenceMs);
        if (unplugged)
            QVERIFY(meter->replug());
        meter->setSilent(false);
        meter->setFragments(false);
        // Two search ticks at most, with room for a loaded machine; a whole cycle takes 8 s.
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), 2500);
    }

    void zeroCountGivesTheEmptyTableSilently()
    {
        sim::MeterOptions options;
        options.pacing = false;
        options.zeroCount = true;
        auto meter = startMeter(options);
        Program program(device());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kConnectMs);
        QTRY_VERIFY_WITH_TIMEOUT(!program.searching(), kConnectMs);
        QSignalSpy ended(&program.session, &session::MeterSession::downloadEnded);
        program.pressRead(*meter);
        QVERIFY(ended.wait(kConnectMs));
        QCOMPARE(program.rows(), 2);
        QCOMPARE(program.session.records().table().cell(0, 0), QStringLiteral("NO."));
        QVERIFY2(program.messages.shown.isEmpty(), qPrintable(program.messages.shown.join('\n')));
    }

    // A paced dump of 300 records lasts over 6 s: Cancel keeps what came, the meter goes on
    // sending for seconds with the link up, and the keep-alives come back once it is silent.
    void cancelDuringAPacedDumpKeepsWholeRecordsAndResumesPolling()
    {
        sim::MeterOptions options;
        options.recordCount = 300;
        auto meter = startMeter(options);
        Program program(device());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kConnectMs);
        QTRY_VERIFY_WITH_TIMEOUT(!program.searching(), kConnectMs);
        QSignalSpy lost(&program.session, &session::MeterSession::linkLost);
        QSignalSpy draining(&program.session, &session::MeterSession::drainingChanged);
        program.pressRead(*meter);
        QTRY_VERIFY_WITH_TIMEOUT(program.rows() >= 40, kConnectMs); // records show as they come
        QTest::mouseClick(program.window.readButton, Qt::LeftButton);
        const int kept = program.rows();
        QVERIFY(kept < 600);
        QCOMPARE(draining.count(), 1);

        QSignalSpy answers(meter.get(), &sim::VirtualMeter::answerFinished);
        QVERIFY(draining.wait(8000)); // the meter has sent the rest of its dump
        QVERIFY(answers.contains(QVariantList{quint8(25)}));
        QTRY_VERIFY_WITH_TIMEOUT(answers.contains(QVariantList{quint8(5)}), 2000);
        QCOMPARE(lost.count(), 0);
        QCOMPARE(program.link(), QStringLiteral("Connected"));
        QCOMPARE(program.rows(), kept);
        QCOMPARE(int(program.session.storedRecords().size()), kept / 2);
        QVERIFY(!program.session.recordsComplete());
        QVERIFY(program.messages.shown.isEmpty());
    }

    void largestCountFillsTheGrid()
    {
        sim::MeterOptions options;
        options.pacing = false;
        options.recordCount = 65535;
        auto meter = startMeter(options);
        Program program(device());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kConnectMs);
        QTRY_VERIFY_WITH_TIMEOUT(!program.searching(), kConnectMs);
        program.pressRead(*meter);
        QTRY_COMPARE_WITH_TIMEOUT(program.rows(), 131070, 60000);
        QVERIFY(program.messages.shown.isEmpty());
        QVERIFY(!program.window.downloadProgress->isVisible());
        QCOMPARE(program.link(), QStringLiteral("Connected"));
    }

    void answersByteByByteStillShowFrames()
    {
        sim::MeterOptions options;
        options.pacing = false;
        options.chunkSize = 1;
        options.chunkGap = 2ms;
        auto meter = startMeter(options);
        Program program(device());
        QTRY_COMPARE_WITH_TIMEOUT(program.link(), QStringLiteral("Connected"), kConnectMs);
        QSignalSpy shown(&program.session, &session::MeterSession::readingReceived);
        QTRY_VERIFY_WITH_TIMEOUT(shown.count() >= 4, 5000);
        QCOMPARE(program.link(), QStringLiteral("Connected"));
    }
};

QTEST_MAIN(TstWindowFaults)
#include "tst_window_faults.moc"
