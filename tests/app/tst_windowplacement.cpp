// SPDX-License-Identifier: GPL-3.0-or-later
// Where the window opens: wholly on the screen at any size and scale, and a remembered place
// only while it still lies on a screen.
#include "app/windowplacement.h"

#include <QTest>

using namespace korvane;

namespace {
const QMargins kFrame(4, 30, 4, 4);
const QSize kMinimum(600, 480);
} // namespace

class TstWindowPlacement : public QObject
{
    Q_OBJECT
private slots:
    void fitOnScreen_data()
    {
        QTest::addColumn<QRect>("wanted");
        QTest::addColumn<QRect>("available");
        QTest::addColumn<QRect>("placed");
        const QRect fullHd(0, 0, 1920, 1050);
        QTest::newRow("fits: as wanted")
            << QRect(100, 100, 783, 670) << fullHd << QRect(100, 100, 783, 670);
        QTest::newRow("off the right and bottom: moved in")
            << QRect(1500, 900, 783, 670) << fullHd << QRect(1133, 376, 783, 670);
        QTest::newRow("above the top: title bar in sight")
            << QRect(100, 0, 783, 670) << fullHd << QRect(100, 30, 783, 670);
        // 1600 x 1200 at a scale factor of 2, less a 30-pixel panel.
        QTest::newRow("too tall at scale 2: shrunk to the screen")
            << QRect(8, 0, 783, 670) << QRect(0, 0, 800, 570) << QRect(8, 30, 783, 536);
        QTest::newRow("screen smaller than the minimum: the screen")
            << QRect(0, 0, 783, 670) << QRect(0, 0, 640, 400) << QRect(4, 30, 632, 366);
        QTest::newRow("asked smaller than the minimum: the minimum")
            << QRect(10, 40, 300, 200) << QRect(0, 0, 1920, 1050) << QRect(10, 40, 600, 480);
        QTest::newRow("second screen to the left")
            << QRect(-1800, 100, 783, 670) << QRect(-1920, 0, 1920, 1080)
            << QRect(-1800, 100, 783, 670);
    }
    void fitOnScreen()
    {
        QFETCH(QRect, wanted);
        QFETCH(QRect, available);
        QFETCH(QRect, placed);
        QCOMPARE(app::fitOnScreen(wanted, kFrame, available, kMinimum), placed);
    }

    void rememberedPlaceOnlyWhileItFits_data()
    {
        QTest::addColumn<QRect>("remembered");
        QTest::addColumn<bool>("restored");
        QTest::newRow("on the first screen") << QRect(100, 100, 1000, 800) << true;
        QTest::newRow("on the second screen") << QRect(2000, 100, 1000, 800) << true;
        QTest::newRow("across both") << QRect(1500, 100, 1000, 800) << false;
        QTest::newRow("on a screen unplugged since") << QRect(4000, 100, 783, 670) << false;
        QTest::newRow("larger than the screen is now") << QRect(0, 40, 1920, 1200) << false;
        QTest::newRow("nothing remembered") << QRect() << false;
    }
    void rememberedPlaceOnlyWhileItFits()
    {
        QFETCH(QRect, remembered);
        QFETCH(bool, restored);
        const QList<QRect> screens{QRect(0, 0, 1920, 1050), QRect(1920, 0, 1280, 1024)};
        QCOMPARE(app::fitsOnAScreen(remembered, kFrame, screens), restored);
    }
};

QTEST_MAIN(TstWindowPlacement)
#include "tst_windowplacement.moc"
