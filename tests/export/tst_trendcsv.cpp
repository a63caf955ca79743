// SPDX-License-Identifier: GPL-3.0-or-later
// The trend's samples as CSV: headings with units, rows merged by time, and the span.
#include "export/trendcsv.h"
#include "support/csvreader.h"
#include "support/framebuilder.h"
#include "support/zone.h"

#include <QTest>
#include <QTimeZone>

#include <ctime>

using namespace korvane;
using korvane::testing::FrameBuilder;

namespace {
// 2026-12-07T09:15:02.250Z
constexpr qint64 kWinterMs = 1796634902250;
} // namespace

class TstTrendCsv : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY2(testing::useLocalZone("Europe/Berlin"), testing::kOtherZone); }

    void samplesMergedByTimeWithUnitsInTheHeadings()
    {
        trend::TrendStore store;
        const auto add = [&](const QByteArray& frame, qint64 ms) {
            store.add(*measure::decodeFrame(frame, measure::Source::Live, ms));
        };
        add(FrameBuilder(1).q(1, 2305, 3).q(13, 499), kWinterMs);
        add(FrameBuilder(0, 0).q(8, 850, 2).q(11, 12345, 3), kWinterMs + 500);
        add(FrameBuilder(1).q(1, 2310, 3).q(13, 500), kWinterMs + 1000);
        add(FrameBuilder(1).q(1, 2400, 3), kWinterMs + 60'000); // beyond the span

        const QStringList got = testing::bomLines(
            exporting::trendCsv(store,
                                {measure::Key::U1, measure::Key::F, measure::Key::PF1,
                                 measure::Key::P1, measure::Key::AngleU1},
                                kWinterMs, kWinterMs + 60'000));
        QCOMPARE(got, (QStringList{
                          "time,U1 [V],F [Hz],PF1,P1 [W],angU1 [\u00B0]",
                          "2026-12-07T10:15:02.250+01:00,230.5,49.9,,,",
                          "2026-12-07T10:15:02.750+01:00,0,,-0.85,123450,",
                          "2026-12-07T10:15:03.250+01:00,231,50,,,",
                      }));
    }
};

QTEST_GUILESS_MAIN(TstTrendCsv)
#include "tst_trendcsv.moc"
