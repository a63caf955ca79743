// SPDX-License-Identifier: GPL-3.0-or-later
// The trend view's following, zoom, going on and "All": what the user's wheel, drags, keys and
// buttons do to the span shown; colours kept per quantity; one pop-out. Decimation and gaps are
// in tst_series, tick steps in tst_ticks; pixels are not tested.
#include "app/trendview.h"
#include "support/framebuilder.h"

#include <QApplication>
#include <QPointer>
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

        auto* chart = view.findChild<app::TrendPlot*>();
        QVERIFY(chart);
        const QPointF at = chart->plotArea().center();
        QWheelEvent wheel(at, chart->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart, &wheel);
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

    void gestureMovesTheSpan_data();
    void gestureMovesTheSpan();
    void aQuantityKeepsItsColourWhateverElseIsShown_data();
    void aQuantityKeepsItsColourWhateverElseIsShown();
    void windowRaisesItsPopOutInsteadOfOpeningAnother();
};

namespace {
// Lines are made for every quantity chosen, with samples or without.
const trend::TrendStore& storeOfU1()
{
    static trend::TrendStore store;
    if (store.series(measure::Key::U1).size() == 0) {
        for (int i = 0; i < 100; ++i)
            store.add(*measure::decodeFrame(FrameBuilder(1).q(1, 2300, 3).frame(),
                                            measure::Source::Live, 1'000'000 + i * 500));
    }
    return store;
}

QColor lineColour(const app::TrendView& view, const QString& name)
{
    for (const app::TrendLegendEntry& entry : view.findChild<app::TrendPlot*>()->legend()) {
        if (entry.name == name)
            return entry.colour;
    }
    return {};
}
} // namespace

enum class Gesture { Wheel, LeftDrag, RightDrag, ShortLeftDrag, LostRelease, Key };
Q_DECLARE_METATYPE(Gesture)

void TstTrendView::gestureMovesTheSpan_data()
{
    // Where the gesture starts and ends as shares of the plot's width (or the key), and the span
    // it should leave as shares of the span shown before: from, to.
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<double>("fromShare");
    QTest::addColumn<double>("toShare");
    QTest::addColumn<int>("key");
    QTest::addColumn<double>("wantFrom");
    QTest::addColumn<double>("wantTo");
    // Two notches in: the span shrinks to 0.64 of itself with the time under the pointer kept.
    QTest::newRow("wheel zooms in around the pointer near the left")
        << Gesture::Wheel << 0.25 << 0.0 << 0 << 0.09 << 0.73;
    QTest::newRow("wheel zooms in around the pointer near the right")
        << Gesture::Wheel << 0.9 << 0.0 << 0 << 0.324 << 0.964;
    QTest::newRow("left drag zooms into what it spans")
        << Gesture::LeftDrag << 0.25 << 0.5 << 0 << 0.25 << 0.5;
    QTest::newRow("left drag right to left the same")
        << Gesture::LeftDrag << 0.75 << 0.5 << 0 << 0.5 << 0.75;
    QTest::newRow("left drag past the plot stops at its edge")
        << Gesture::LeftDrag << 0.5 << 1.5 << 0 << 0.5 << 1.0;
    QTest::newRow("a click is no zoom") << Gesture::ShortLeftDrag << 0.5 << 0.5 << 0 << 0.0 << 1.0;
    QTest::newRow("right drag to the right shows earlier")
        << Gesture::RightDrag << 0.5 << 0.75 << 0 << -0.25 << 0.75;
    QTest::newRow("right drag to the left shows later")
        << Gesture::RightDrag << 0.5 << 0.25 << 0 << 0.25 << 1.25;
    QTest::newRow("a drag whose release went elsewhere ends at the next move")
        << Gesture::LostRelease << 0.5 << 0.75 << 0 << 0.0 << 1.0;
    QTest::newRow("+ zooms in around the middle")
        << Gesture::Key << 0.0 << 0.0 << int(Qt::Key_Plus) << 0.1 << 0.9;
    QTest::newRow("- zooms out around the middle")
        << Gesture::Key << 0.0 << 0.0 << int(Qt::Key_Minus) << -0.125 << 1.125;
    QTest::newRow("right arrow pans later")
        << Gesture::Key << 0.0 << 0.0 << int(Qt::Key_Right) << 0.1 << 1.1;
    QTest::newRow("left arrow pans earlier")
        << Gesture::Key << 0.0 << 0.0 << int(Qt::Key_Left) << -0.1 << 0.9;
}

void TstTrendView::gestureMovesTheSpan()
{
    QFETCH(Gesture, gesture);
    QFETCH(double, fromShare);
    QFETCH(double, toShare);
    QFETCH(int, key);
    QFETCH(double, wantFrom);
    QFETCH(double, wantTo);
    trend::TrendStore store;
    for (int i = 0; i < 600; ++i)
        store.add(*measure::decodeFrame(FrameBuilder(1).q(1, 2300, 3).frame(),
                                        measure::Source::Live, 1'000'000 + i * 1000));
    app::TrendView view(store, nullptr, [] { return 1'000'000 + 600'000; });
    view.resize(800, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.redraw();
    auto* chart = view.findChild<app::TrendPlot*>();
    const QRectF area = chart->plotArea();
    const double from = double(view.shownFrom());
    const double span = double(view.shownTo() - view.shownFrom());
    const auto xAt = [&](double share) {
        return int(std::lround(area.left() + share * area.width()));
    };
    const int y = int(area.center().y());
    switch (gesture) {
    case Gesture::Wheel: {
        const QPointF at(xAt(fromShare), y);
        QWheelEvent wheel(at, chart->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, {},
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(chart, &wheel);
        break;
    }
    case Gesture::LostRelease: {
        // Pressed, then moved with no button held: a dialog had the release.
        QTest::mousePress(chart, Qt::RightButton, {}, {xAt(fromShare), y});
        const QPointF to(xAt(toShare), y);
        QMouseEvent move(QEvent::MouseMove, to, chart->mapToGlobal(to), Qt::NoButton, Qt::NoButton,
                         {});
        QApplication::sendEvent(chart, &move);
        break;
    }
    case Gesture::LeftDrag:
    case Gesture::ShortLeftDrag:
    case Gesture::RightDrag: {
        const Qt::MouseButton button =
            gesture == Gesture::RightDrag ? Qt::RightButton : Qt::LeftButton;
        const int last = gesture == Gesture::ShortLeftDrag ? xAt(fromShare) + 2 : xAt(toShare);
        QTest::mousePress(chart, button, {}, {xAt(fromShare), y});
        QMouseEvent move(QEvent::MouseMove, QPointF(last, y), chart->mapToGlobal(QPointF(last, y)),
                         Qt::NoButton, button, {});
        QApplication::sendEvent(chart, &move);
        QTest::mouseRelease(chart, button, {}, {last, y});
        break;
    }
    case Gesture::Key:
        // A click on the plot gives it the keys.
        view.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QTest::mouseClick(chart, Qt::LeftButton, {}, {xAt(0.5), y});
        QCOMPARE(QApplication::focusWidget(), chart);
        QTest::keyClick(chart, Qt::Key(key));
        break;
    }
    // Within a pixel's time.
    const double pixel = span / area.width();
    QVERIFY2(std::abs(double(view.shownFrom()) - (from + wantFrom * span)) <= 1.5 * pixel,
             qPrintable(QString::number((view.shownFrom() - from) / span)));
    QVERIFY2(std::abs(double(view.shownTo()) - (from + wantTo * span)) <= 1.5 * pixel,
             qPrintable(QString::number((view.shownTo() - from) / span)));
    QCOMPARE(view.following(),
             gesture == Gesture::ShortLeftDrag || gesture == Gesture::LostRelease);
}

void TstTrendView::aQuantityKeepsItsColourWhateverElseIsShown_data()
{
    QTest::addColumn<QList<measure::Key>>("before");
    QTest::addColumn<QList<measure::Key>>("after");
    QTest::newRow("another ticked before it")
        << QList{measure::Key::I1} << QList{measure::Key::U2, measure::Key::I1};
    QTest::newRow("the one before it unticked")
        << QList{measure::Key::U1, measure::Key::I1} << QList{measure::Key::I1};
}

void TstTrendView::aQuantityKeepsItsColourWhateverElseIsShown()
{
    QFETCH(QList<measure::Key>, before);
    QFETCH(QList<measure::Key>, after);
    app::TrendView view(storeOfU1(), nullptr, [] { return 1'050'000; });
    view.setChosen(before);
    const QColor colour = lineColour(view, QStringLiteral("I1 (A)"));
    QVERIFY(colour.isValid());
    view.setChosen(after);
    QCOMPARE(lineColour(view, QStringLiteral("I1 (A)")), colour);
}

void TstTrendView::windowRaisesItsPopOutInsteadOfOpeningAnother()
{
    qint64 now = 1'050'000;
    app::TrendView view(storeOfU1(), nullptr, [&] { return now; });
    view.setChosen({measure::Key::U1, measure::Key::I1});
    view.show();
    QPointer<app::TrendView> popOut = view.openPopOut();
    QVERIFY(popOut && popOut->isVisible());
    QCOMPARE(popOut->chosen(), view.chosen());
    QCOMPARE(view.openPopOut(), popOut.data());
    int shown = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        shown += qobject_cast<app::TrendView*>(w) && w->isVisible() ? 1 : 0;
    QCOMPARE(shown, 2);

    // It follows new samples with the tab hidden behind another page.
    view.hide();
    now += 10'000;
    view.samplesArrived();
    QTRY_COMPARE(popOut->shownTo(), now);

    popOut->close();
    QTRY_VERIFY(!view.popOut());
    popOut = view.openPopOut();
    QVERIFY(popOut && popOut->isVisible());
}

QTEST_MAIN(TstTrendView)
#include "tst_trendview.moc"
