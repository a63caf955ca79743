// SPDX-License-Identifier: GPL-3.0-or-later
// Phasor arrows from the snapshot: angles as lags behind U1 drawn clockwise, voltages and the
// current scaled apart, arrows missing until both their numbers have come; the drawn order
// against the meter's sequence byte. Painting is not tested.
#include "app/phasorgeometry.h"
#include "support/framebuilder.h"

#include <QTest>

using namespace korvane;
using korvane::testing::FrameBuilder;

namespace {
measure::Snapshot snapshotOf(const QList<QByteArray>& frames)
{
    measure::Snapshot snapshot;
    for (const QByteArray& frame : frames)
        snapshot.update(*measure::decodeFrame(frame, measure::Source::Live, 0));
    return snapshot;
}
} // namespace

class TstPhasorGeometry : public QObject
{
    Q_OBJECT
private slots:
    void arrowsFromAnglesAndMagnitudes_data()
    {
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<QList<double>>("angles"); // U1, U2, U3, I; -1 where absent
        QTest::addColumn<QList<QPointF>>("tips");

        const QByteArray balanced =
            FrameBuilder(1).q(1, 2300, 3).q(4, 2300, 3).q(7, 2300, 3).q(10, 5, 3);
        QTest::newRow("normal sequence, inductive current lagging 30 degrees clockwise of U1")
            << QList<QByteArray>{balanced,
                                 FrameBuilder(2).q(10, 0).q(12, 1200).q(14, 2400).q(16, 300)}
            << QList<double>{0, 120, 240, 30}
            << QList<QPointF>{{1, 0}, {-0.5, -0.866025}, {-0.5, 0.866025}, {0.866025, -0.5}};
        QTest::newRow("reverse sequence: U3 clockwise of U1 first")
            << QList<QByteArray>{balanced,
                                 FrameBuilder(2).q(10, 0).q(12, 2400).q(14, 1200).q(16, 300)}
            << QList<double>{0, 240, 120, 30}
            << QList<QPointF>{{1, 0}, {-0.5, 0.866025}, {-0.5, -0.866025}, {0.866025, -0.5}};
        QTest::newRow("capacitive current leading 30 degrees: counter-clockwise of U1")
            << QList<QByteArray>{balanced,
                                 FrameBuilder(2).q(10, 0).q(12, 1200).q(14, 2400).q(16, 3300)}
            << QList<double>{0, 120, 240, 330}
            << QList<QPointF>{{1, 0}, {-0.5, -0.866025}, {-0.5, 0.866025}, {0.866025, 0.5}};
        QTest::newRow("angles taken from U1's")
            << QList<QByteArray>{balanced,
                                 FrameBuilder(2).q(10, 900).q(12, 2100).q(14, 3300).q(16, 900)}
            << QList<double>{0, 120, 240, 0}
            << QList<QPointF>{{1, 0}, {-0.5, -0.866025}, {-0.5, 0.866025}, {1, 0}};
        QTest::newRow("the longest voltage reaches the radius, the current has its own scale")
            << QList<QByteArray>{FrameBuilder(1).q(1, 1150, 3).q(4, 2300, 3).q(7, 0, 3).q(10, 2, 3),
                                 FrameBuilder(2).q(12, 900).q(16, 1800)}
            << QList<double>{0, 90, 0, 180} << QList<QPointF>{{0.5, 0}, {0, -1}, {0, 0}, {-1, 0}};
        QTest::newRow("angles below U1's wrap round")
            << QList<QByteArray>{balanced,
                                 FrameBuilder(2).q(10, 3000).q(12, 600).q(14, 1800).q(16, 2500)}
            << QList<double>{0, 120, 240, 310}
            << QList<QPointF>{{1, 0}, {-0.5, -0.866025}, {-0.5, 0.866025}, {0.642788, 0.766044}};
        QTest::newRow("no angles yet: no arrows")
            << QList<QByteArray>{balanced} << QList<double>{-1, -1, -1, -1}
            << QList<QPointF>{{0, 0}, {0, 0}, {0, 0}, {0, 0}};
    }
    void arrowsFromAnglesAndMagnitudes()
    {
        QFETCH(QList<QByteArray>, frames);
        QFETCH(QList<double>, angles);
        QFETCH(QList<QPointF>, tips);
        const app::PhasorArrows arrows = app::phasorArrows(snapshotOf(frames));
        for (int i = 0; i < 4; ++i) {
            const app::PhasorArrow& arrow = arrows[std::size_t(i)];
            QCOMPARE(arrow.present, angles[i] >= 0);
            if (!arrow.present)
                continue;
            QVERIFY2(qAbs(arrow.angle - angles[i]) < 1e-9,
                     qPrintable(QString::number(arrow.angle)));
            QVERIFY2(qAbs(arrow.tip.x() - tips[i].x()) < 1e-5 &&
                         qAbs(arrow.tip.y() - tips[i].y()) < 1e-5,
                     qPrintable(QStringLiteral("%1 %2").arg(arrow.tip.x()).arg(arrow.tip.y())));
        }
    }

    void drawnOrderAgainstTheSequenceByte_data()
    {
        QTest::addColumn<QList<QByteArray>>("frames");
        QTest::addColumn<app::PhaseOrder>("drawn");
        QTest::addColumn<bool>("disagrees");

        const QByteArray balanced = FrameBuilder(1).q(1, 2300, 3).q(4, 2300, 3).q(7, 2300, 3);
        const auto angles = [](quint16 u2, quint16 u3, quint8 sequence) {
            return FrameBuilder(2).q(12, u2).q(14, u3).at(18, sequence).frame();
        };
        QTest::newRow("U2 at 120, U3 at 240, \"normal\"")
            << QList<QByteArray>{balanced, angles(1200, 2400, 1)} << app::PhaseOrder::Normal
            << false;
        QTest::newRow("U2 at 240, U3 at 120, \"reverse\"")
            << QList<QByteArray>{balanced, angles(2400, 1200, 2)} << app::PhaseOrder::Reverse
            << false;
        QTest::newRow("U2 at 240, U3 at 120, \"normal\"")
            << QList<QByteArray>{balanced, angles(2400, 1200, 1)} << app::PhaseOrder::Reverse
            << true;
        QTest::newRow("U2 at 120, U3 at 240, \"reverse\"")
            << QList<QByteArray>{balanced, angles(1200, 2400, 2)} << app::PhaseOrder::Normal
            << true;
        QTest::newRow("\"error\" claims no order")
            << QList<QByteArray>{balanced, angles(2400, 1200, 0)} << app::PhaseOrder::Reverse
            << false;
        QTest::newRow("U3 without voltage: no drawn order")
            << QList<QByteArray>{FrameBuilder(1).q(1, 2300, 3).q(4, 2300, 3).q(7, 0, 3),
                                 angles(2400, 1200, 1)}
            << app::PhaseOrder::Unknown << false;
        QTest::newRow("U2 on top of U1: no drawn order")
            << QList<QByteArray>{balanced, angles(0, 1200, 1)} << app::PhaseOrder::Unknown << false;
        QTest::newRow("no magnitudes yet")
            << QList<QByteArray>{angles(2400, 1200, 1)} << app::PhaseOrder::Unknown << false;
    }
    void drawnOrderAgainstTheSequenceByte()
    {
        QFETCH(QList<QByteArray>, frames);
        QFETCH(app::PhaseOrder, drawn);
        QFETCH(bool, disagrees);
        const measure::Snapshot snapshot = snapshotOf(frames);
        const app::PhasorArrows arrows = app::phasorArrows(snapshot);
        QCOMPARE(app::drawnOrder(arrows), drawn);
        QCOMPARE(app::orderDisagrees(arrows, snapshot), disagrees);
    }
};

QTEST_GUILESS_MAIN(TstPhasorGeometry)
#include "tst_phasorgeometry.moc"
