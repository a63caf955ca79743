// SPDX-License-Identifier: GPL-3.0-or-later
// A series' decimation into pixel columns against a plain scan of the samples, spikes at every
// zoom, column edges and gaps, plotted lines through every column, and the store fed by
// readings. Drawing is the window's.
#include "measure/reading.h"
#include "support/framebuilder.h"
#include "trend/plotsegments.h"
#include "trend/trendstore.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace korvane::trend;
using korvane::testing::FrameBuilder;
namespace measure = korvane::measure;

namespace {
// Samples every `stepMs`, values from `valueOf`.
template <typename F> Series seriesOf(qsizetype n, qint64 stepMs, F valueOf)
{
    Series s;
    for (qsizetype i = 0; i < n; ++i)
        s.append(i * stepMs, valueOf(i));
    return s;
}

// The columns as a plain scan of the samples would give them, each column taking as many samples
// as `got` says; the breaks' columns from the exact edges, with the same integer edges as
// decimate.
std::vector<Column> scanned(const Series& s, const std::vector<qsizetype>& breaks, qint64 from,
                            qint64 to, const std::vector<Column>& got)
{
    const auto columns = qint64(got.size());
    const auto edge = [&](qint64 c) { return s.lowerBound(from + (to - from) * c / columns); };
    std::vector<Column> out(got.size());
    qsizetype i = edge(0);
    for (qint64 c = 0; c < columns; ++c) {
        Column& col = out[std::size_t(c)];
        for (const qsizetype end = i + got[std::size_t(c)].count; i < end; ++i) {
            const double v = s.valueAt(i);
            col.min = col.count ? std::min(col.min, v) : v;
            col.max = col.count ? std::max(col.max, v) : v;
            col.mean += v;
            ++col.count;
        }
        if (col.count)
            col.mean /= double(col.count);
        // A break at or after the column's first sample; none before the series' first sample.
        col.breakBefore = std::any_of(breaks.begin(), breaks.end(), [&](qsizetype b) {
            return edge(c) > 0 && b >= edge(c) && b < edge(c + 1);
        });
    }
    return out;
}
} // namespace

class TstSeries : public QObject
{
    Q_OBJECT
private slots:
    void decimationMatchesAPlainScan_data()
    {
        QTest::addColumn<qint64>("from");
        QTest::addColumn<qint64>("to");
        QTest::addColumn<int>("columns");
        QTest::addColumn<qsizetype>("slack"); // how far a column's edge may move, in samples
        // 300 000 samples every 500 ms, more than four chunks, none from 75 000 s to 85 000 s.
        QTest::newRow("everything into 1280 columns")
            << qint64(0) << qint64(160'000'000) << 1280 << qsizetype(31);
        QTest::newRow("everything into 300 columns")
            << qint64(0) << qint64(160'000'000) << 300 << qsizetype(31);
        QTest::newRow("everything into one column")
            << qint64(0) << qint64(160'000'000) << 1 << qsizetype(0);
        QTest::newRow("the last column in a silence")
            << qint64(0) << qint64(80'000'000) << 1280 << qsizetype(31);
        QTest::newRow("a hundred samples a column, odd span")
            << qint64(1'234'567) << qint64(140'000'000) << 1111 << qsizetype(31);
        QTest::newRow("more columns than samples")
            << qint64(1'000) << qint64(60'000) << 1280 << qsizetype(0);
        QTest::newRow("odd span across a chunk's end")
            << qint64(32'000'123) << qint64(33'600'777) << 997 << qsizetype(0);
        QTest::newRow("span past the last sample")
            << qint64(159'000'000) << qint64(161'000'001) << 640 << qsizetype(0);
        QTest::newRow("span before the first sample")
            << qint64(-5'000) << qint64(0) << 10 << qsizetype(0);
    }
    void decimationMatchesAPlainScan()
    {
        QFETCH(qint64, from);
        QFETCH(qint64, to);
        QFETCH(int, columns);
        QFETCH(qsizetype, slack);
        QRandomGenerator random(7);
        Series s;
        std::vector<qsizetype> breaks;
        for (qsizetype i = 0; i < 300'000; ++i) {
            if (i % 997 == 13) { // breaks everywhere, some beside a column's edge
                s.breakLine();
                breaks.push_back(i);
            }
            s.append(i * 500 + (i < 150'000 ? 0 : 10'000'000), float(random.bounded(1000.0)));
        }
        const auto got = s.decimate(from, to, columns);
        QCOMPARE(got.size(), std::size_t(columns));
        // Each edge where it is or up to `slack` samples on; the span's own ends exact.
        qsizetype edge = s.lowerBound(from);
        for (int c = 0; c < columns; ++c) {
            edge += got[std::size_t(c)].count;
            const qsizetype exact = s.lowerBound(from + (to - from) * (c + 1) / columns);
            QVERIFY2(
                qAbs(edge - exact) <= (c + 1 < columns ? slack : 0),
                qPrintable(QString("column %1 ends at %2, not %3").arg(c).arg(edge).arg(exact)));
        }
        const auto want = scanned(s, breaks, from, to, got);
        for (std::size_t c = 0; c < got.size(); ++c) {
            QCOMPARE(got[c].breakBefore, want[c].breakBefore);
            if (!want[c].count)
                continue;
            QCOMPARE(got[c].min, want[c].min);
            QCOMPARE(got[c].max, want[c].max);
            QVERIFY(qAbs(got[c].mean - want[c].mean) < 1e-6 * qMax(1.0, want[c].mean));
        }
    }

    void findsTheFirstSampleAtOrAfterATime_data()
    {
        QTest::addColumn<QList<qint64>>("times"); // as appended
        QTest::addColumn<qint64>("at");
        QTest::addColumn<qsizetype>("index");
        const qint64 day = 24 * 3600 * 1000;
        QList<qint64> repeated(5000, 1000); // more than a chunk, all at one time
        repeated << 2000;
        QTest::newRow("one time across a chunk's end") << repeated << qint64(1000) << qsizetype(0);
        QTest::newRow("after the repeated time") << repeated << qint64(1001) << qsizetype(5000);
        QTest::newRow("sixty days apart: a chunk of its own")
            << QList<qint64>{0, 60 * day} << 30 * day << qsizetype(1);
        QTest::newRow("past the newest") << QList<qint64>{0, 60 * day} << 61 * day << qsizetype(2);
        QTest::newRow("a time that went back is taken at the last one")
            << QList<qint64>{5000, 4000, 6000} << qint64(5000) << qsizetype(0);
        QTest::newRow("so it counts at the last time")
            << QList<qint64>{5000, 4000, 6000} << qint64(5001) << qsizetype(2);
    }
    void findsTheFirstSampleAtOrAfterATime()
    {
        QFETCH(QList<qint64>, times);
        QFETCH(qint64, at);
        QFETCH(qsizetype, index);
        Series s;
        for (qint64 t : times)
            s.append(t, 1);
        QCOMPARE(s.lowerBound(at), index);
        // Decimation sees every sample once, whatever the chunks.
        const auto all = s.decimate(0, s.lastTime() + 1, 3);
        qsizetype counted = 0;
        for (const Column& c : all)
            counted += c.count;
        QCOMPARE(counted, s.size());
    }

    void oneSampleSpikeShowsAtEveryZoom_data()
    {
        QTest::addColumn<qint64>("halfSpan");
        QTest::addColumn<int>("columns");
        QTest::newRow("a week's worth around it") << qint64(302'400'000) << 1280;
        QTest::newRow("an hour") << qint64(1'800'000) << 1280;
        QTest::newRow("a minute") << qint64(30'000) << 1280;
        QTest::newRow("two samples wide") << qint64(500) << 1280;
        QTest::newRow("three columns") << qint64(40'000'000) << 3;
    }
    void oneSampleSpikeShowsAtEveryZoom()
    {
        QFETCH(qint64, halfSpan);
        QFETCH(int, columns);
        constexpr qsizetype kSpike = 123'457;
        const Series s =
            seriesOf(200'000, 500, [](qsizetype i) { return i == kSpike ? 400.0f : 230.0f; });
        const qint64 at = s.timeAt(kSpike);
        const auto got = s.decimate(at - halfSpan, at + halfSpan, columns);
        const auto spikes =
            std::count_if(got.begin(), got.end(), [](const Column& c) { return c.max == 400.0; });
        const auto flat = std::count_if(
            got.begin(), got.end(), [](const Column& c) { return c.count > 0 && c.max == 230.0; });
        const auto drawn =
            std::count_if(got.begin(), got.end(), [](const Column& c) { return c.count > 0; });
        QCOMPARE(spikes, 1);
        QCOMPARE(flat, drawn - 1);
    }

    void sampleOnAColumnEdgeBelongsToTheLaterColumn()
    {
        Series s;
        s.append(999, 1);
        s.append(1000, 2);
        const auto got = s.decimate(0, 2000, 2);
        QCOMPARE(got[0].count, 1);
        QCOMPARE(got[0].max, 1.0);
        QCOMPARE(got[1].count, 1);
        QCOMPARE(got[1].max, 2.0);
    }

    void gapIsNeverBridged_data()
    {
        QTest::addColumn<int>("columns");
        QTest::newRow("one column per sample") << 400;
        QTest::newRow("zoomed out") << 7;
        QTest::newRow("zoomed in, empty columns between") << 4000;
    }
    void gapIsNeverBridged()
    {
        QFETCH(int, columns);
        Series s;
        for (int i = 0; i < 100; ++i)
            s.append(i * 500, 1);
        s.breakLine();
        for (int i = 300; i < 400; ++i)
            s.append(i * 500, 2);
        const auto got = s.decimate(0, 200'000, columns);
        // Walking the drawn columns: one that follows the other side of the gap must say so.
        int breaks = 0;
        const Column* previous = nullptr;
        for (const Column& c : got) {
            if (!c.count)
                continue;
            if (previous && previous->min == 1 && c.max == 2)
                QVERIFY(c.breakBefore);
            breaks += c.breakBefore ? 1 : 0;
            previous = &c;
        }
        QCOMPARE(breaks, 1);
    }

    void plottedLinesStopAtGapsAndJoinAcrossEmptyColumns_data()
    {
        QTest::addColumn<int>("columns");
        QTest::newRow("zoomed out") << 9;
        QTest::newRow("zoomed in, empty columns between samples") << 4000;
    }
    void plottedLinesStopAtGapsAndJoinAcrossEmptyColumns()
    {
        QFETCH(int, columns);
        Series s;
        for (int i = 0; i < 100; ++i)
            s.append(i * 500, i == 50 ? 9.0f : 1.0f);
        s.breakLine();
        for (int i = 300; i < 400; ++i)
            s.append(i * 500, 2);
        const auto segments = plotSegments(s.decimate(0, 200'000, columns), 0, 200'000);
        QCOMPARE(segments.size(), std::size_t(2));
        // Points sit at their column's middle: at most a column from the samples they stand for.
        const double column = 200'000.0 / columns;
        for (const QPointF& p : segments[0].line)
            QVERIFY(p.x() < 49'500 + column);
        for (const QPointF& p : segments[1].line)
            QVERIFY(p.x() > 150'000 - column);
        const auto highest =
            std::max_element(segments[0].high.begin(), segments[0].high.end(),
                             [](const QPointF& a, const QPointF& b) { return a.y() < b.y(); });
        QCOMPARE(highest->y(), 9.0);
    }

    void plottedLinesPassThroughEveryColumn_data()
    {
        QTest::addColumn<int>("levels"); // values drawn from 0 .. levels - 1
        QTest::newRow("long level runs") << 2;
        QTest::newRow("short runs") << 5;
        QTest::newRow("hardly a run") << 1000;
    }
    void plottedLinesPassThroughEveryColumn()
    {
        QFETCH(int, levels);
        QRandomGenerator random(3);
        int value = 0;
        const Series s = seriesOf(4000, 500, [&](qsizetype) {
            if (random.bounded(8) == 0)
                value = random.bounded(levels);
            return float(value);
        });
        constexpr int kColumns = 1000;
        const auto columns = s.decimate(0, 2'000'000, kColumns);
        const auto segments = plotSegments(columns, 0, 2'000'000);
        QCOMPARE(segments.size(), std::size_t(1));
        // Where the drawn line, the band's top or its bottom is at each column's middle.
        const auto at = [](const QList<QPointF>& points, double x) {
            const auto after =
                std::lower_bound(points.begin(), points.end(), x,
                                 [](const QPointF& p, double v) { return p.x() < v; });
            if (after->x() == x)
                return after->y();
            const QPointF before = *std::prev(after);
            return before.y() +
                   (after->y() - before.y()) * (x - before.x()) / (after->x() - before.x());
        };
        for (int c = 0; c < kColumns; ++c) {
            const double x = 2000.0 * (c + 0.5);
            QCOMPARE(at(segments[0].line, x), columns[std::size_t(c)].mean);
            QCOMPARE(at(segments[0].low, x), columns[std::size_t(c)].min);
            QCOMPARE(at(segments[0].high, x), columns[std::size_t(c)].max);
        }
    }

    void aWeekCostsLessThanNineBytesPerSample()
    {
        // Two samples a second for a week.
        const Series s = seriesOf(1'209'600, 500, [](qsizetype i) { return float(i % 7); });
        QVERIFY2(double(s.memoryBytes()) / double(s.size()) < 9.0,
                 qPrintable(QString::number(double(s.memoryBytes()) / double(s.size()))));
    }

    void storeTakesNumbersAndEndsLinesAtOverloadsAndLosses()
    {
        TrendStore store;
        const auto add = [&](const QByteArray& frame, qint64 ms) {
            store.add(*measure::decodeFrame(frame, measure::Source::Live, ms));
        };
        add(FrameBuilder(0, 0).q(11, 1500, 4), 0);    // P1 150 kW
        add(FrameBuilder(0, 0).q(11, 9, 6), 500);     // P1 overload
        add(FrameBuilder(0, 0).q(11, 1400, 4), 1000); // P1 140 kW
        add(FrameBuilder(0, 0).q(11, 1400, 7), 1500); // undefined: nothing
        store.breakAll();
        add(FrameBuilder(0, 0).q(11, 1300, 4), 9000);
        add(FrameBuilder(0, 0).q(11, 1300, 4), 19'500); // silent for more than ten seconds
        const Series& p1 = store.series(measure::Key::P1);
        QCOMPARE(p1.size(), 4);
        QCOMPARE(p1.valueAt(1), 140000.0f);
        const auto columns = p1.decimate(0, 20'000, 40);
        QCOMPARE(columns[2].breakBefore, true);  // after the overload
        QCOMPARE(columns[18].breakBefore, true); // after the loss
        QCOMPARE(columns[39].breakBefore, true); // after the silence
        QCOMPARE(store.series(measure::Key::U1).size(), 6);
    }
};

QTEST_GUILESS_MAIN(TstSeries)
#include "tst_series.moc"
