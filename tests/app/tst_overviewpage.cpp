// SPDX-License-Identifier: GPL-3.0-or-later
// The Overview page over a session: readings reach its cells, a lost link greys them until the next
// reading, Reset forgets min and max. The cells themselves are in tst_overview.
#include "app/overviewpage.h"
#include "support/fakesession.h"
#include "support/framebuilder.h"

#include <QPushButton>
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
};

QTEST_MAIN(TstOverviewPage)
#include "tst_overviewpage.moc"
