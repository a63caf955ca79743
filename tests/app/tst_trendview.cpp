// SPDX-License-Identifier: GPL-3.0-or-later
// The trend view's following, zoom, going on and "All": what the user's wheel and buttons do to
// the span shown. Decimation and gaps are in tst_series; pixels are not tested.
#include "app/trendview.h"
#include "support/framebuilder.h"

#include <QApplication>
#include <QChartView>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>

using namespace korvane;
using korvane::testing::FrameBuilder;

class TstTrendView : public QObject
{
    Q_OBJECT
private slots:
    void followsUntilZoomedAndAllGoesBackToEverything()
    {
        trend::TrendStore store;
        for (int i = 0; i < 600; ++i)
            store.add(*measure::decodeFrame(FrameBuilder(1).q(1, quint16(2300 + i % 7), 3).frame(),
                                            measure::Source::Live, 1'000'000 + i * 500));
        qint64 now = 1'000'000 + 600 * 500;
        app::TrendView view(store, nullptr, [&] { return now; });
        view.resize(800, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.redraw();
        QVERIFY(view.following());
        QCOMPARE(view.shownFrom(), qint64(1'000'000));
        QCOMPARE(view.shownTo(), now);

        auto* chart = view.findChild<QChartView*>();
        QVERIFY(chart);
        const QPointF at(chart->width() / 2.0, chart->height() / 2.0);
        QWheelEvent wheel(at, chart->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart->viewport(), &wheel);
        QVERIFY(!view.following());
        QVERIFY(view.shownTo() - view.shownFrom() < 300'000 * 0.7);

        now += 60'000; // newer samples do not move a zoomed view
        const qint64 zoomedFrom = view.shownFrom();
        const qint64 zoomedSpan = view.shownTo() - view.shownFrom();
        view.samplesArrived();
        view.redraw();
        QCOMPARE(view.shownFrom(), zoomedFrom);

        // Going on follows the newest data with the width zoomed to.
        QToolButton* pause = nullptr;
        for (auto* button : view.findChildren<QToolButton*>()) {
            if (button->text() == QStringLiteral("Pause"))
                pause = button;
        }
        QVERIFY(pause && pause->isChecked());
        pause->click();
        QVERIFY(view.following());
        QCOMPARE(view.shownTo(), now);
        QCOMPARE(view.shownTo() - view.shownFrom(), zoomedSpan);

        QToolButton* all = nullptr;
        for (auto* button : view.findChildren<QToolButton*>()) {
            if (button->text() == QStringLiteral("All"))
                all = button;
        }
        QVERIFY(all);
        all->click();
        QVERIFY(view.following());
        QCOMPARE(view.shownFrom(), qint64(1'000'000));
        QCOMPARE(view.shownTo(), now);
    }
};

QTEST_MAIN(TstTrendView)
#include "tst_trendview.moc"
