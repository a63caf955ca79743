// SPDX-License-Identifier: GPL-3.0-or-later
// Every reading text keeps a contrast of at least 4.5:1 with its background, fresh or stale, on
// a light and a dark palette, and stale readings look different from fresh ones.
#include "app/readingcolours.h"

#include <QTest>

using namespace korvane::app;

namespace {
QPalette paletteOf(const QColor& window, const QColor& text)
{
    QPalette palette(window);
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::ButtonText, text);
    return palette;
}
} // namespace

class TstReadingColours : public QObject
{
    Q_OBJECT
private slots:
    void contrast_data()
    {
        QTest::addColumn<QPalette>("palette");
        QTest::newRow("light (Fusion)") << paletteOf(QColor(239, 239, 239), Qt::black);
        QTest::newRow("light, white window") << paletteOf(Qt::white, QColor(30, 30, 30));
        QTest::newRow("dark (Adwaita dark)")
            << paletteOf(QColor(53, 53, 53), QColor(238, 238, 236));
        QTest::newRow("dark, black window") << paletteOf(Qt::black, Qt::white);
    }
    void contrast()
    {
        QFETCH(QPalette, palette);
        constexpr double kReadable = 4.5;
        const ReadingColours row = readingColours(palette);
        QVERIFY(contrastRatio(row.text, row.background) >= kReadable);
        QVERIFY(contrastRatio(row.staleText, row.staleBackground) >= kReadable);
        QVERIFY(row.staleBackground != row.background);

        const OverviewColours c = overviewColours(palette);
        for (const QColor& background : {c.window, c.stripe}) {
            for (const QColor& text : {c.text, c.muted, c.stale, c.staleMuted}) {
                QVERIFY2(contrastRatio(text, background) >= kReadable,
                         qPrintable(text.name() + u' ' + background.name()));
            }
        }
        QVERIFY(c.stale != c.text);
    }

    void ratio_data()
    {
        QTest::addColumn<QColor>("a");
        QTest::addColumn<QColor>("b");
        QTest::addColumn<double>("ratio");
        QTest::newRow("black on white") << QColor(Qt::black) << QColor(Qt::white) << 21.0;
        QTest::newRow("same colour") << QColor(0, 192, 0) << QColor(0, 192, 0) << 1.0;
        QTest::newRow("grey 119 on white") << QColor(119, 119, 119) << QColor(Qt::white) << 4.48;
    }
    void ratio()
    {
        QFETCH(QColor, a);
        QFETCH(QColor, b);
        QFETCH(double, ratio);
        QVERIFY2(qAbs(contrastRatio(a, b) - ratio) < 0.01,
                 qPrintable(QString::number(contrastRatio(a, b))));
        QCOMPARE(contrastRatio(b, a), contrastRatio(a, b));
    }
};

QTEST_GUILESS_MAIN(TstReadingColours)
#include "tst_readingcolours.moc"
