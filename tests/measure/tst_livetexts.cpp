// SPDX-License-Identifier: GPL-3.0-or-later
// Live frames to the six caption and six value texts (the reading's formatters), seen through a
// live view that starts with the start-up texts. The numbers are in tst_reading, numtext itself
// in tst_numtext.
#include "measure/livetexts.h"
#include "measure/liveview.h"
#include "measure/reading.h"
#include "support/framebuilder.h"

#include <QLocale>
#include <QTest>

using namespace korvane::measure;
using korvane::testing::FrameBuilder;

namespace {
const QString kStart = QStringLiteral("<start>");

// Expected texts: kStart stands for "still the start-up text of that display".
QStringList resolve(const QStringList& expected, const std::array<QStringView, kLiveRows>& start)
{
    QStringList out;
    for (int i = 0; i < kLiveRows; ++i)
        out << (expected.value(i) == kStart ? start[i].toString() : expected.value(i));
    return out;
}

QStringList toList(const std::array<QString, kLiveRows>& texts)
{
    return QStringList(texts.begin(), texts.end());
}

const QStringList kUnchanged{kStart, kStart, kStart, kStart, kStart, kStart};

// What the link does with every block it receives while polling live frames.
void show(QByteArrayView block, LiveView& view)
{
    if (const auto reading = decodeFrame(block, Source::Live, 0))
        applyTo(liveTexts(*reading), view);
}

// Records every call, to check order and which displays are touched.
class RecordingView : public LiveView
{
public:
    void setCaption(int row, const QString&) override { calls << QStringLiteral("c%1").arg(row); }
    void setValue(int row, const QString&) override { calls << QStringLiteral("v%1").arg(row); }
    QStringList calls;
};
} // namespace

class TstLiveTexts : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void framesUpdateTheDisplays_data()
    {
        QTest::addColumn<QList<QByteArray>>("blocks");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("values");

        const QStringList phase1{"U1: ", "I1: ", "PF1: ", "P1: ", "Q1: ", "S1: "};
        const QStringList totals{"PF:", "P: ", "Q: ", "S: ", "", ""};
        const QStringList type1{"U1: ", "U2: ", "U3: ", "I: ", "F: ", ""};
        const QStringList type2{
            "U1\u00B0: ", "U2\u00B0: ", "U3\u00B0: ", "I\u00B0: ", "phase:", ""};

        QTest::newRow("type 0 phase 1, every field")
            << QList<QByteArray>{FrameBuilder(0, 0)
                                     .q(2, 2305, 3)
                                     .q(5, 125, 0)
                                     .q(8, 850, 2)
                                     .q(11, 12345, 0)
                                     .q(14, 7, 2)
                                     .q(17, 12, 5)}
            << phase1 << QStringList{"230.5V", "12.5A", "-0.85", "123.45W", "7var", "12kVA"};
        QTest::newRow("type 0 phase 3 captions U3 to S3")
            << QList<QByteArray>{FrameBuilder(0, 2).q(2, 23050, 2).q(5, 125, 3).q(8, 1000, 1)}
            << QStringList{"U3: ", "I3: ", "PF3: ", "P3: ", "Q3: ", "S3: "}
            << QStringList{"230.5V", "125A", "1", "0W", "0var", "0VA"};
        QTest::newRow("range byte 3 switches to tenths and whole amperes")
            << QList<QByteArray>{FrameBuilder(0, 0).q(2, 2305, 3).q(5, 7, 3)} << phase1
            << QStringList{"230.5V", "7A", "0", "0W", "0var", "0VA"};
        QTest::newRow("range byte 2 keeps hundredths and tenths")
            << QList<QByteArray>{FrameBuilder(0, 0).q(2, 2305, 2).q(5, 7, 2)} << phase1
            << QStringList{"23.05V", "0.7A", "0", "0W", "0var", "0VA"};
        QTest::newRow("type 0 power factor is negative only for sign byte 2")
            << QList<QByteArray>{FrameBuilder(0, 0).q(8, 1000, 0)} << phase1
            << QStringList{"0V", "0A", "1", "0W", "0var", "0VA"};
        QTest::newRow("type 0 sign byte 255 reads positive")
            << QList<QByteArray>{FrameBuilder(0, 0).q(8, 920, 255)} << phase1
            << QStringList{"0V", "0A", "0.92", "0W", "0var", "0VA"};
        QTest::newRow("overload shows OL with the kilo unit whatever q holds")
            << QList<QByteArray>{FrameBuilder(0, 0).q(11, 999, 6).q(14, 1, 6).q(17, 5, 6)} << phase1
            << QStringList{"0V", "0A", "0", "OLkW", "OLkvar", "OLkVA"};
        QTest::newRow("whole units in base and kilo groups")
            << QList<QByteArray>{FrameBuilder(0, 0).q(11, 7, 2).q(14, 7, 5).q(17, 7, 1)} << phase1
            << QStringList{"0V", "0A", "0", "7W", "7kvar", "0.7VA"};
        QTest::newRow("undefined power codes leave their displays as they were")
            << QList<QByteArray>{FrameBuilder(0, 0).q(11, 7, 2).q(14, 7, 5).q(17, 7, 1),
                                 FrameBuilder(0, 0).q(11, 9, 7).q(14, 9, 200).q(17, 9, 255)}
            << phase1 << QStringList{"0V", "0A", "0", "7W", "7kvar", "0.7VA"};
        QTest::newRow("totals: S 0x10 0x27 code 4 is 1000kVA, rows 4 and 5 empty")
            << QList<QByteArray>{FrameBuilder(0, 3)
                                     .bytes(2, {0xff, 0xff, 9, 0xff, 0xff, 9})
                                     .q(8, 500, 2)
                                     .q(11, 2, 2)
                                     .q(14, 3, 0)
                                     .bytes(17, {0x10, 0x27, 4})}
            << totals << QStringList{"-0.5", "2W", "0.03var", "1000kVA", "", ""};
        QTest::newRow("type 1: voltages, current and frequency")
            << QList<QByteArray>{FrameBuilder(1, 0x98)
                                     .at(2, 0x08)
                                     .at(3, 3)
                                     .q(4, 2200, 2)
                                     .q(7, 23456, 1)
                                     .q(10, 0, 5)
                                     .q(13, 500)}
            << type1 << QStringList{"220V", "22V", "234.56V", "0A", "50Hz", ""};
        QTest::newRow("type 1 frequency in tenths")
            << QList<QByteArray>{FrameBuilder(1).q(13, 499)} << type1
            << QStringList{"0V", "0V", "0V", "0A", "49.9Hz", ""};
        QTest::newRow("type 1 reads byte 1 as U1, whatever frame came before")
            << QList<QByteArray>{FrameBuilder(3, 4), FrameBuilder(1, 0xff)} << type1
            << QStringList{"2.55V", "0V", "0V", "0A", "0Hz", ""};
        QTest::newRow("type 2: angles and sequence")
            << QList<QByteArray>{FrameBuilder(2, 9).q(10, 1200).q(12, 1205).q(14, 0).q(16, 3599).at(
                   18, 2)}
            << type2
            << QStringList{"120\u00B0", "120.5\u00B0", "0\u00B0", "359.9\u00B0", "reverse", ""};
        QTest::newRow("type 2 undefined sequence keeps the previous text")
            << QList<QByteArray>{FrameBuilder(2).at(18, 1), FrameBuilder(2).at(18, 3)} << type2
            << QStringList{"0\u00B0", "0\u00B0", "0\u00B0", "0\u00B0", "normal", ""};
        QTest::newRow("type 2 undefined sequence as first frame keeps the start text")
            << QList<QByteArray>{FrameBuilder(2).at(18, 9)} << type2
            << QStringList{"0\u00B0", "0\u00B0", "0\u00B0", "0\u00B0", kStart, ""};
        QTest::newRow("type 2 sequence error")
            << QList<QByteArray>{FrameBuilder(2).at(18, 0)} << type2
            << QStringList{"0\u00B0", "0\u00B0", "0\u00B0", "0\u00B0", "error", ""};
        QTest::newRow("type 3: every field")
            << QList<QByteArray>{FrameBuilder(3, 1)
                                     .q(2, 2305, 3)
                                     .q(5, 50, 0)
                                     .q(8, 920, 1)
                                     .q(11, 1500, 4)
                                     .q(14, 15, 4)
                                     .bytes(17, {12, 5, 9})}
            << QStringList{"U2: ", "I2: ", "PF2: ", "P2: ", "W2: ", "Time: "}
            << QStringList{"230.5V", "5A", "0.92", "150kW", "1.5kW", "12:5:9"};
        QTest::newRow("type 3 power factor negative unless sign byte is 1")
            << QList<QByteArray>{FrameBuilder(3, 0).q(8, 920, 0)}
            << QStringList{"U1: ", "I1: ", "PF1: ", "P1: ", "W1: ", "Time: "}
            << QStringList{"0V", "0A", "-0.92", "0W", "0W", "0:0:0"};
        QTest::newRow("type 3 W has no overload: code 6 is whole kW")
            << QList<QByteArray>{FrameBuilder(3, 0).q(11, 1, 6).q(14, 15, 6).bytes(17,
                                                                                   {255, 255, 255})}
            << QStringList{"U1: ", "I1: ", "PF1: ", "P1: ", "W1: ", "Time: "}
            << QStringList{"0V", "0A", "-0", "OLkW", "15kW", "255:255:255"};
        QTest::newRow("type 3 W code 2 is whole W")
            << QList<QByteArray>{FrameBuilder(3, 0).q(14, 15, 2).q(8, 1, 2)}
            << QStringList{"U1: ", "I1: ", "PF1: ", "P1: ", "W1: ", "Time: "}
            << QStringList{"0V", "0A", "-0.001", "0W", "15W", "0:0:0"};
        QTest::newRow("type 3 framesub 255 numbers rows 256")
            << QList<QByteArray>{FrameBuilder(3, 255)}
            << QStringList{"U256: ", "I256: ", "PF256: ", "P256: ", "W256: ", "Time: "}
            << QStringList{"0V", "0A", "-0", "0W", "0W", "0:0:0"};
        QTest::newRow("unknown type changes no display")
            << QList<QByteArray>{FrameBuilder(7, 2)} << kUnchanged << kUnchanged;
        QTest::newRow("a 25-byte block decodes from its first 20")
            << QList<QByteArray>{FrameBuilder(1).q(13, 500).frame() + QByteArray(5, '\x7f')}
            << type1 << QStringList{"0V", "0V", "0V", "0A", "50Hz", ""};
        QTest::newRow("high bytes of 128 or more read unsigned")
            << QList<QByteArray>{FrameBuilder(0, 0).q(2, 65535, 3).q(5, 40000, 3).q(11, 32768, 0)}
            << phase1 << QStringList{"6553.5V", "40000A", "0", "327.68W", "0var", "0VA"};
        QTest::newRow("short type 0 block is not decoded")
            << QList<QByteArray>{FrameBuilder(0, 2).frame().first(19)} << kUnchanged << kUnchanged;
        QTest::newRow("short type 2 block is not decoded")
            << QList<QByteArray>{FrameBuilder(2).frame().first(18)} << kUnchanged << kUnchanged;
        QTest::newRow("type 1 needs only 15 bytes")
            << QList<QByteArray>{FrameBuilder(1).q(13, 600).frame().first(15)} << type1
            << QStringList{"0V", "0V", "0V", "0A", "60Hz", ""};
        QTest::newRow("type 1 of 14 bytes is not decoded")
            << QList<QByteArray>{FrameBuilder(1).q(13, 600).frame().first(14)} << kUnchanged
            << kUnchanged;
        QTest::newRow("empty block changes nothing")
            << QList<QByteArray>{QByteArray()} << kUnchanged << kUnchanged;
    }
    void framesUpdateTheDisplays()
    {
        QFETCH(QList<QByteArray>, blocks);
        QFETCH(QStringList, captions);
        QFETCH(QStringList, values);

        LiveTextsState view;
        for (const QByteArray& block : blocks)
            show(block, view);

        QCOMPARE(toList(view.captions()), resolve(captions, kStartCaptions));
        QCOMPARE(toList(view.values()), resolve(values, kStartValues));
    }

    void captionsAreSetBeforeValuesAndUntouchedDisplaysAreNotWritten()
    {
        RecordingView view;
        show(FrameBuilder(2).at(18, 7).frame(), view);
        QCOMPARE(view.calls,
                 (QStringList{"c0", "c1", "c2", "c3", "c4", "c5", "v0", "v1", "v2", "v3", "v5"}));
    }

    void decimalSeparatorOfTheLocaleReachesTheDisplays()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        LiveTextsState view;
        show(FrameBuilder(1).q(1, 23050, 2).q(13, 499).frame(), view);
        QCOMPARE(view.values()[0], QStringLiteral("230,5V"));
        QCOMPARE(view.values()[4], QStringLiteral("49,9Hz"));
    }
};

QTEST_GUILESS_MAIN(TstLiveTexts)
#include "tst_livetexts.moc"
