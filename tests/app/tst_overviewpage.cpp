// SPDX-License-Identifier: GPL-3.0-or-later
// The Overview page over a session: readings reach its cells, a lost link greys them until the next
// reading, Reset forgets min and max. The cells themselves are in tst_overview.
#include "app/overviewpage.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"

#include <QPushButton>
#include <QScreen>
#include <QTest>

using namespace korvane;
using korvane::testing::FrameBuilder;

namespace {
const measure::OverviewCell& u1(const measure::OverviewTable& table)
{
    return table.grid[0].cells[0];
}
} // namespace

class TstOverviewPage : public QObject
{
    Q_OBJECT
private slots:
    void followsTheSessionThroughALossAndReset()
    {
        testing::FakeSession rig;
        app::OverviewPage page(rig.session);
        rig.session.start();
        rig.linkOn1();
        const auto feed = [&](quint16 u1Tenths) {
            rig.tick();
            rig.port.feed(FrameBuilder(0, 0).q(2, u1Tenths, 3));
        };
        feed(2305);
        feed(2290);
        QCOMPARE(u1(page.table()).text, QStringLiteral("229.0"));
        QCOMPARE(u1(page.table()).maxText, QStringLiteral("230.5"));
        QVERIFY(!u1(page.table()).stale);

        // Four silent supervision periods lose the link: everything shown is stale.
        for (int i = 0; i < 10 && rig.session.isLinked(); ++i)
            rig.tick();
        QVERIFY(!rig.session.isLinked());
        QVERIFY(u1(page.table()).stale);
        QCOMPARE(u1(page.table()).text, QStringLiteral("229.0"));

        QTest::mouseClick(page.resetButton(), Qt::LeftButton);
        QCOMPARE(u1(page.table()).maxText, QString());

        rig.linkOn1();
        feed(2310);
        QVERIFY(!u1(page.table()).stale);
        QCOMPARE(u1(page.table()).minText, QStringLiteral("231.0"));
    }

    // A reading repaints only the cells it changed; the screen must still show every new number.
    void aReadingLeavesTheScreenAsAWholePaintWouldShow()
    {
        testing::FakeSession rig;
        app::OverviewPage page(rig.session);
        page.resize(553, 495);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        rig.session.start();
        rig.linkOn1();
        const auto screen = [&] {
            return page.screen()
                ->grabWindow(page.winId())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        };
        const auto whole = [&] {
            return page.grab().toImage().convertToFormat(QImage::Format_RGB32);
        };
        for (const QByteArray& frame :
             {FrameBuilder(0, 0).q(2, 2305, 3).q(11, 1200, 2).frame(),
              FrameBuilder(0, 1).q(2, 2311, 3).q(11, 1300, 2).frame(),
              FrameBuilder(1).q(1, 2301, 3).q(13, 499).frame(),
              FrameBuilder(3, 4).q(2, 2302, 3).bytes(17, {12, 5, 9}).frame(),
              // From here on the cells were fresh: each reading repaints only its own.
              FrameBuilder(0, 0).q(2, 2290, 3).q(11, 1250, 2).frame(),
              FrameBuilder(1).q(1, 2299, 3).q(13, 501).frame(),
              FrameBuilder(3, 6).q(2, 2288, 3).bytes(17, {12, 5, 10}).frame()}) {
            rig.tick();
            rig.port.feed(frame);
            QTRY_COMPARE(screen(), whole());
        }
    }
};

QTEST_MAIN(TstOverviewPage)
#include "tst_overviewpage.moc"
