// SPDX-License-Identifier: GPL-3.0-or-later
// Logs joined into a survey: the recorder's gaps with their ends and the meter's device, alarms,
// the days of a log that went on past midnight found by name (or left out), files given out of
// order, and files that stop it. Each format's lines are tst_logreader's.
#include "alarms/eventformat.h"
#include "datalog/csvformat.h"
#include "datalog/logfile.h"
#include "datalog/recorder.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"
#include "support/zone.h"
#include "survey/survey.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using namespace korvane;
using survey::SurveyEvent;
using testing::FrameBuilder;
using testing::hex;

namespace {
// 2026-12-07T23:59:58.000+01:00
constexpr qint64 kBeforeMidnight = 1796684398000;
constexpr qint64 kDayMs = 24 * 3600 * 1000;

QString eventText(const SurveyEvent& e, qint64 originMs)
{
    return QStringLiteral("%1 %2..%3 %4")
        .arg(int(e.kind))
        .arg(e.ms - originMs)
        .arg(e.endMs - originMs)
        .arg(e.text);
}
} // namespace

class TstSurvey : public QObject
{
    Q_OBJECT
private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY2(testing::useLocalZone("Europe/Berlin"), testing::kOtherZone);
    }

    // What the recorder wrote through a session that lost its meter and paused for a download.
    void recordedGapsAndAlarmsComeBack()
    {
        testing::FakeSession rig;
        const qint64 start = kBeforeMidnight - 3600'000;
        qint64 now = start;
        rig.session.meterLink().setClock([&now] { return now; });
        auto csv = datalog::makeFormat(datalog::Format::Csv, datalog::Dialect::Semicolon, true);
        datalog::LogFile log(m_dir.filePath("gaps.csv"), csv->frameHeading());
        QVERIFY(log.open(now));
        datalog::Recorder recorder(rig.session, std::move(csv), log);
        rig.session.start();
        rig.linkOn1();
        const QString device = rig.session.device();
        now += 1000;
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 500));
        now += 1000; // a download pauses live frames
        QSignalSpy waiting(&rig.session, &session::MeterSession::downloadWaiting);
        rig.session.readRecords();
        rig.tick();
        rig.port.feed(hex("05050100"));
        QCOMPARE(waiting.count(), 1);
        rig.session.continueDownload();
        rig.tick();
        rig.port.feed(hex("05050100"));
        now += 1000;
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 490)); // the one record stored
        QVERIFY(!rig.session.downloading());
        now += 1000;
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 501));
        const auto rule = std::get<alarms::Rule>(alarms::parseRule(u"F<50.05"));
        recorder.writeLines(
            now, recorder.format().event({now, alarms::statusText({now, rule, {}, 50.01, false})}));
        now += 1000;
        rig.tick(5); // silence: the link is lost
        QVERIFY(!rig.session.isLinked());
        now += 60'000;
        rig.linkOn1();
        rig.tick();
        rig.port.feed(FrameBuilder(1).q(13, 502));
        QVERIFY(log.close());

        survey::Survey survey({log.path()});
        QVERIFY2(survey.open() && survey.readAll(), qPrintable(survey.error()));
        QStringList got;
        for (const SurveyEvent& e : survey.events())
            got << eventText(e, start);
        using K = SurveyEvent::Kind;
        QCOMPARE(
            got,
            (QStringList{
                eventText({K::Other, start, start, "meter found on " + device, {}}, start),
                eventText({K::Gap,
                           start + 2000,
                           start + 3000,
                           "live frames paused: records downloading",
                           {}},
                          start),
                eventText(
                    {K::Alarm, start + 4000, start + 4000, "alarm raised: F<50.05 (50.01)", {}},
                    start),
                eventText({K::Gap, start + 5000, start + 65000, "link lost", {}}, start),
            }));
        QVERIFY(survey.events()[2].alarm->key == measure::Key::F);
        const survey::SurveySummary summary = survey.summary();
        QCOMPARE(summary.meter, device);
        QCOMPARE(summary.frames, 3);
        QCOMPARE(summary.gaps, 2);
        QCOMPARE(summary.gapMs, 61'000);
        QCOMPARE(summary.lastMs - summary.firstMs, 65'000);
        const trend::Series& f = survey.store().series(measure::Key::F);
        QCOMPARE(f.size(), 3);
        // The line breaks at both gaps: the columns after them start afresh.
        int breaks = 0;
        for (const trend::Column& c : f.decimate(start, start + 66'000, 66))
            breaks += c.breakBefore;
        QCOMPARE(breaks, 2);
    }

    void daysFoundByName_data()
    {
        QTest::addColumn<QStringList>("given");
        QTest::addColumn<int>("days");   // files the log wrote, a day each
        QTest::addColumn<bool>("stray"); // a copy of the first day named as the day after
        QTest::addColumn<QStringList>("read");
        QTest::addColumn<QString>("notice");
        QTest::newRow("the first day given, two more found")
            << QStringList{"survey.csv"} << 3 << false
            << QStringList{"survey.csv", "survey-2026-12-08.csv", "survey-2026-12-09.csv"}
            << QString();
        QTest::newRow("a day that does not go on is left out")
            << QStringList{"survey.csv"} << 2 << true
            << QStringList{"survey.csv", "survey-2026-12-08.csv"}
            << "survey-2026-12-09.csv is left out: its times do not go on";
        QTest::newRow("given out of order")
            << QStringList{"survey-2026-12-08.csv", "survey.csv"} << 2 << false
            << QStringList{"survey.csv", "survey-2026-12-08.csv"} << QString();
        QTest::newRow("a later day given: only the days after it")
            << QStringList{"survey-2026-12-08.csv"} << 3 << false
            << QStringList{"survey-2026-12-08.csv", "survey-2026-12-09.csv"} << QString();
    }
    void daysFoundByName()
    {
        QFETCH(QStringList, given);
        QFETCH(int, days);
        QFETCH(bool, stray);
        QFETCH(QStringList, read);
        QFETCH(QString, notice);
        const QString dir = m_dir.filePath(QTest::currentDataTag());
        QVERIFY(QDir().mkpath(dir));
        auto csv = datalog::makeFormat(datalog::Format::Csv, datalog::Dialect::Comma, true);
        csv->setDerivedColumns({{"E", "Wh", datalog::DerivedColumn::Kind::Energy}});
        datalog::LogFile log(dir + "/survey.csv", csv->frameHeading());
        QVERIFY(log.open(kBeforeMidnight));
        // Two frames before each midnight and two after: a file per day.
        int frames = 0;
        for (int day = 0; day + 1 < days; ++day) {
            for (qint64 ms : {0, 1000, 2000, 3000}) {
                const qint64 t = kBeforeMidnight + day * kDayMs + ms;
                const measure::Reading r{
                    1,
                    0,
                    t,
                    1,
                    {{measure::Key::F, measure::State::Value, false, 49.5 + frames * 0.1}},
                    std::nullopt};
                QVERIFY(log.append(t, csv->frame(r, {double(frames)})));
                ++frames;
            }
        }
        QVERIFY(log.close());
        if (stray)
            QVERIFY(QFile::copy(dir + "/survey.csv", dir + "/survey-2026-12-09.csv"));

        QStringList paths;
        for (const QString& name : given)
            paths << dir + u'/' + name;
        survey::Survey survey(paths);
        QVERIFY2(survey.open(), qPrintable(survey.error()));
        int pieces = 0;
        while (survey.readSome(64))
            ++pieces;
        QVERIFY2(!survey.failed(), qPrintable(survey.error()));
        QVERIFY(pieces > 3); // read in pieces, not at once
        QCOMPARE(survey.bytesRead(), survey.bytesTotal());
        const survey::SurveySummary summary = survey.summary();
        QStringList names;
        for (const QString& path : summary.files)
            names << QFileInfo(path).fileName();
        QCOMPARE(names, read);
        QVERIFY2(notice.isEmpty()
                     ? survey.notices().isEmpty()
                     : survey.notices().size() == 1 && survey.notices()[0].contains(notice),
                 qPrintable(survey.notices().join(u'\n')));
        const trend::Series& f = survey.store().series(measure::Key::F);
        QCOMPARE(summary.frames, f.size());
        QVERIFY(f.size() > 0);
        QCOMPARE(survey.store().findDerived("E")->size(), f.size());
        // Time order throughout, and the values go with their times.
        for (qsizetype i = 1; i < f.size(); ++i) {
            QVERIFY(f.timeAt(i) > f.timeAt(i - 1));
            QVERIFY(f.valueAt(i) > f.valueAt(i - 1));
        }
        QCOMPARE(summary.firstMs, f.timeAt(0));
    }

    void filesThatStopTheSurvey_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("error");
        auto csv = datalog::makeFormat(datalog::Format::Csv, datalog::Dialect::Comma, true);
        QTest::newRow("a line at fault")
            << csv->frameHeading() + csv->event({kBeforeMidnight, "link lost"}) + "1,2,3\r\n"
            << "stop.csv, line 3: the row has 3 of the heading's 38 fields";
        QTest::newRow("no log") << QByteArray("Dear diary,\n")
                                << "stop.csv is not a Korvane log: its first line is no heading";
    }
    void filesThatStopTheSurvey()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, error);
        const QString path = m_dir.filePath("stop.csv");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();
        survey::Survey survey({path});
        QVERIFY(!(survey.open() && survey.readAll()));
        QVERIFY2(survey.error().startsWith(error), qPrintable(survey.error()));
        QVERIFY(!survey.readSome());
    }
};

QTEST_GUILESS_MAIN(TstSurvey)
#include "tst_survey.moc"
