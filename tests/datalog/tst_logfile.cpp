// SPDX-License-Identifier: GPL-3.0-or-later
// The log on disk: never overwritten, a new file at local midnight, a clear stop with whole lines
// when the system refuses a write (a real file size limit) or the folder goes; the recorder's gap
// rows (none for a look at the record table) and a failing log that leaves the link running.
#include "datalog/csvformat.h"
#include "datalog/logfile.h"
#include "datalog/recorder.h"
#include "link/command.h"
#include "support/csvreader.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"
#include "support/zone.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif

using namespace korvane;
using datalog::LogFile;
using testing::FrameBuilder;
using testing::hex;

namespace {
// 2026-12-07T23:59:59.000+01:00
constexpr qint64 kBeforeMidnight = 1796684399000;

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

// The status column of a CSV log, row by row; empty if it does not read as CSV.
QStringList statuses(const QString& path)
{
    const auto rows = testing::readCsvStrictly(QString::fromUtf8(contents(path).mid(3)), u',');
    QStringList out;
    for (qsizetype i = 1; rows && i < rows->size(); ++i)
        out << rows->at(i).last();
    return out;
}

// Lines as the recorder hands them over, with their stamps.
struct MemorySink : datalog::LineSink
{
    bool append(qint64 ms, const QByteArray& lines) override
    {
        stamps << ms;
        written += lines;
        return true;
    }
    QString error() const override { return {}; }
    QList<qint64> stamps;
    QByteArray written;
};

} // namespace

class TstLogFile : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;
    QString path(const QString& name) const { return m_dir.filePath(name); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(testing::useLocalZone("Europe/Berlin"), testing::kOtherZone);
    }

    void anExistingFileIsNeverOverwritten()
    {
        QFile old(path("survey.csv"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("yesterday's survey\r\n");
        old.close();
        LogFile first(path("survey.csv"), "h\r\n");
        LogFile second(path("survey.csv"), "h\r\n");
        QVERIFY(first.open(kBeforeMidnight));
        QVERIFY(second.open(kBeforeMidnight));
        QVERIFY(first.append(kBeforeMidnight, "1\r\n"));
        QCOMPARE(first.path(), path("survey-2.csv"));
        QCOMPARE(second.path(), path("survey-3.csv"));
        QCOMPARE(contents(path("survey.csv")), QByteArray("yesterday's survey\r\n"));
        QCOMPARE(contents(path("survey-2.csv")), QByteArray("h\r\n1\r\n"));
        QCOMPARE(first.size(), 6);
    }

    void localMidnightStartsAFileNamedByTheDate_data()
    {
        QTest::addColumn<QByteArray>("zone");
        QTest::addColumn<qint64>("lastSecond"); // 23:59:59 local
        QTest::addColumn<QString>("name");
        QTest::newRow("Berlin") << QByteArray("Europe/Berlin") << kBeforeMidnight << "2026-12-08";
        // Clocks go from 23:59:59 to 01:00 there: the day has no midnight.
        QTest::newRow("Santiago, no midnight")
            << QByteArray("America/Santiago") << qint64(1788667199000) << "2026-09-06";
    }
    void localMidnightStartsAFileNamedByTheDate()
    {
        QFETCH(QByteArray, zone);
        QFETCH(qint64, lastSecond);
        QFETCH(QString, name);
        if (!testing::useLocalZone(zone))
            QSKIP(testing::kOtherZone);
        const QString first = path(zone.replace('/', '_') + ".csv");
        LogFile log(first, "time\r\n");
        const bool opened = log.open(lastSecond);
        const bool written = log.append(lastSecond + 999, "a\r\n") &&
                             log.append(lastSecond + 1000, "b\r\n") &&
                             log.append(lastSecond + 2000, "c\r\n");
        QVERIFY(testing::useLocalZone("Europe/Berlin"));
        QVERIFY(opened && written);
        const QString next = first.chopped(4) + u'-' + name + ".csv";
        QCOMPARE(log.path(), next);
        QCOMPARE(contents(first), QByteArray("time\r\na\r\n"));
        QCOMPARE(contents(next), QByteArray("time\r\nb\r\nc\r\n"));
    }

    // The kernel refuses to grow the file past the limit, as with a full disk: the reason is
    // named, the file keeps whole lines, and a file that could not take its heading is gone (the
    // next log gets the name).
    void aRefusedWriteStopsTheLogWithAReason_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<bool>("opens");
        QTest::addColumn<QByteArray>("left");
        QTest::newRow("mid-run, inside a line")
            << 64 << true << QByteArray("heading\r\n" + QByteArray("0123456789\r\n").repeated(4));
        QTest::newRow("inside the heading") << 5 << false << QByteArray("(missing)");
    }
    void aRefusedWriteStopsTheLogWithAReason()
    {
#ifdef Q_OS_WIN
        QSKIP("a full disk is simulated with a file size limit, which Windows has not");
#else
        QFETCH(int, limit);
        QFETCH(bool, opens);
        QFETCH(QByteArray, left);
        QTemporaryDir dir;
        LogFile log(dir.filePath("full.csv"), "heading\r\n");
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit tight = saved;
        tight.rlim_cur = rlim_t(limit);
        setrlimit(RLIMIT_FSIZE, &tight);
        const bool opened = log.open(kBeforeMidnight);
        for (int i = 0; i < 100 && log.append(kBeforeMidnight, "0123456789\r\n"); ++i) {
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(opened, opens);
        QVERIFY(!log.isOpen());
        QVERIFY2(log.error().endsWith(QString::fromLocal8Bit(std::strerror(EFBIG))),
                 qPrintable(log.error()));
        QCOMPARE(contents(dir.filePath("full.csv")), left);
#endif
    }

    void aVanishedFolderStopsTheLog()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows does not let a folder be removed while a file in it is open");
#endif
        QVERIFY(QDir(m_dir.path()).mkdir("gone"));
        LogFile log(path("gone/log.csv"), "h\r\n");
        QVERIFY(log.open(kBeforeMidnight));
        LogFile idle(path("gone/idle.csv"), "h\r\n"); // nothing written after: closing tells
        QVERIFY(idle.open(kBeforeMidnight));
        QVERIFY(log.append(kBeforeMidnight, "1\r\n"));
        QVERIFY(QDir(path("gone")).removeRecursively());
        QVERIFY(!log.append(kBeforeMidnight, "2\r\n"));
        QVERIFY(!idle.close());
        for (const LogFile* stopped : {&log, &idle})
            QVERIFY2(stopped->error().contains(QLatin1String("deleted or its folder removed")),
                     qPrintable(stopped->error()));

        LogFile nowhere(path("gone/again.csv"), "h\r\n");
        QVERIFY(!nowhere.open(kBeforeMidnight));
        QVERIFY2(nowhere.error().startsWith(QLatin1String("could not create")),
                 qPrintable(nowhere.error()));
    }

    // A look at the record table costs a running log nothing; a download pauses live frames
    // and the log says why.
    void gapsAreRowsOfTheirOwn_data()
    {
        QTest::addColumn<bool>("download");
        QTest::addColumn<QStringList>("gaps");
        QTest::newRow("the record table shown") << false << QStringList{};
        QTest::newRow("records downloaded")
            << true << QStringList{"live frames paused: records downloading", "live frames again"};
    }
    void gapsAreRowsOfTheirOwn()
    {
        QFETCH(bool, download);
        QFETCH(QStringList, gaps);
        testing::FakeSession rig;
        qint64 now = kBeforeMidnight - 60'000;
        rig.session.meterLink().setClock([&now] { return now; });
        auto csv = datalog::makeFormat(datalog::Format::Csv, datalog::Dialect::Comma, true);
        LogFile log(path(QStringLiteral("gaps-%1.csv").arg(download)), csv->frameHeading());
        QVERIFY(log.open(now));
        datalog::Recorder recorder(rig.session, std::move(csv), log);
        rig.session.start();
        rig.linkOn1();
        rig.tick();
        now += 500;
        rig.port.feed(FrameBuilder(1).q(13, 500));
        rig.session.setPolling(link::Polling::KeepAlive);
        if (download) {
            QSignalSpy waiting(&rig.session, &session::MeterSession::downloadWaiting);
            rig.session.readRecords();
            rig.tick();
            rig.port.feed(hex("05050100"));
            QCOMPARE(waiting.count(), 1);
            rig.session.continueDownload();
            rig.tick();
            rig.port.feed(hex("05050100"));
            rig.tick();
            rig.port.feed(FrameBuilder(1).q(13, 490));
            QVERIFY(!rig.session.downloading());
        }
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 501));
        rig.session.setPolling(link::Polling::LiveFrames);
        rig.tick(5); // silence
        QVERIFY(!rig.session.isLinked());
        const QStringList got = statuses(log.path());
        QVERIFY(got.value(0).startsWith(QLatin1String("meter found on ")));
        QCOMPARE(got.mid(1), (QStringList{""} + gaps + QStringList{"", "link lost"}));
    }

    // An interval is written when it ends even without a reading after it; a gap makes the next
    // one partial, and finishing at its end writes it.
    void statisticsComeWhenIntervalsEnd()
    {
        constexpr qint64 kMinuteEnd = 1796637660000; // 2026-12-07T10:01:00Z
        testing::FakeSession rig;
        qint64 now = kMinuteEnd - 100;
        rig.session.meterLink().setClock([&now] { return now; });
        MemorySink sink;
        datalog::Recorder recorder(rig.session, datalog::makeFormat(datalog::Format::Jsonl), sink);
        recorder.setInterval(60'000);
        rig.session.start();
        rig.linkOn1();
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 500));
        now = kMinuteEnd + 5;
        QTRY_COMPARE(sink.stamps, QList<qint64>{kMinuteEnd - 60'000});
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 499));
        rig.tick(5); // silence: the link is lost
        QVERIFY(!rig.session.isLinked());
        now = kMinuteEnd + 60'000;
        recorder.finish();
        QCOMPARE(sink.stamps.size(), 2);
        QStringList got;
        for (const QByteArray& line : sink.written.split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            if (!o.isEmpty())
                got << QStringLiteral("%1 %2 %3")
                           .arg(o.value("start").toString(),
                                o.value("partial").toBool() ? "partial" : "whole")
                           .arg(o.value("stats")
                                    .toObject()
                                    .value("F")
                                    .toObject()
                                    .value("avg")
                                    .toDouble());
        }
        QCOMPARE(got, (QStringList{"2026-12-07T11:00:00.000+01:00 partial 50",
                                   "2026-12-07T11:01:00.000+01:00 partial 49.9"}));
    }

    void aFailingLogLeavesTheLinkRunning()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows does not let a folder be removed while a file in it is open");
#endif
        testing::FakeSession rig;
        QVERIFY(QDir(m_dir.path()).mkdir("stick"));
        LogFile log(path("stick/log.csv"), "h\r\n");
        QVERIFY(log.open(kBeforeMidnight));
        datalog::Recorder recorder(
            rig.session, datalog::makeFormat(datalog::Format::Csv, datalog::Dialect::Comma), log);
        QSignalSpy failed(&recorder, &datalog::Recorder::failed);
        QSignalSpy readings(&rig.session, &session::MeterSession::readingReceived);
        rig.session.start();
        rig.linkOn1();
        QVERIFY(QDir(path("stick")).removeRecursively());
        for (int i = 0; i < 3; ++i) {
            rig.tick();
            rig.port.feed(FrameBuilder(1).q(13, 500));
        }
        QCOMPARE(failed.count(), 1);
        QCOMPARE(readings.count(), 3);
        QVERIFY(rig.session.isLinked());
        QVERIFY(!recorder.running());
        // A stopped log needs no live frames.
        rig.session.setPolling(link::Polling::KeepAlive);
        QCOMPARE(rig.session.polling(), link::Polling::KeepAlive);
    }
};

QTEST_GUILESS_MAIN(TstLogFile)
#include "tst_logfile.moc"
