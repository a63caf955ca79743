// SPDX-License-Identifier: GPL-3.0-or-later
// numtext and the value16 reading: scaled quantities to display text, in fixed locales.
// The field rules built on them are covered through whole frames in tst_livetexts.
#include "measure/frame.h"
#include "measure/numtext.h"

#include <QLocale>
#include <QTest>

using korvane::measure::numtext;
using korvane::measure::value16;

class TstNumtext : public QObject
{
    Q_OBJECT
private slots:
    void init() { QLocale::setDefault(QLocale::c()); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void scaledQuantities_data()
    {
        QTest::addColumn<int>("q");
        QTest::addColumn<int>("divisor");
        QTest::addColumn<QString>("expected");
        QTest::newRow("whole tenths drop the point") << 2300 << 10 << "230";
        QTest::newRow("tenths") << 2305 << 10 << "230.5";
        QTest::newRow("hundredths below one get a leading zero") << 5 << 100 << "0.05";
        QTest::newRow("thousandths to one") << 1000 << 1000 << "1";
        QTest::newRow("trailing zero dropped") << 850 << 1000 << "0.85";
        QTest::newRow("smallest thousandth") << 5 << 1000 << "0.005";
        QTest::newRow("largest hundredths") << 32767 << 100 << "327.67";
        QTest::newRow("hundred tenths") << 100 << 10 << "10";
        QTest::newRow("zero tenths") << 0 << 10 << "0";
        QTest::newRow("zero hundredths") << 0 << 100 << "0";
        QTest::newRow("zero thousandths") << 0 << 1000 << "0";
        QTest::newRow("taken whole") << 32767 << 1 << "32767";
        QTest::newRow("unsigned high range, tenths") << 65535 << 10 << "6553.5";
        QTest::newRow("unsigned high range, thousandths") << 65535 << 1000 << "65.535";
        QTest::newRow("no exponent for tiny quotient") << 1 << 1000 << "0.001";
    }
    void scaledQuantities()
    {
        QFETCH(int, q);
        QFETCH(int, divisor);
        QFETCH(QString, expected);
        QCOMPARE(numtext(double(q) / divisor), expected);
    }

    void notMoreThanFifteenSignificantDigits()
    {
        QCOMPARE(numtext(1.0 / 3.0), QStringLiteral("0.333333333333333"));
        QCOMPARE(numtext(0.1 + 0.2), QStringLiteral("0.3"));
        QCOMPARE(numtext(2.0 / 3.0 * 1000), QStringLiteral("666.666666666667"));
    }

    void largeValuesStayPlainDecimal()
    {
        QCOMPARE(numtext(1e20), QStringLiteral("100000000000000000000"));
    }

    void decimalSeparatorFollowsLocale_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default C locale uses a point") << "C"
                                                       << "3276.7";
        QTest::newRow("English uses a point") << "en_US"
                                              << "3276.7";
        QTest::newRow("German uses a comma, no grouping") << "de_DE"
                                                          << "3276,7";
        QTest::newRow("French uses a comma, no grouping") << "fr_FR"
                                                          << "3276,7";
    }
    void decimalSeparatorFollowsLocale()
    {
        QFETCH(QString, locale);
        QFETCH(QString, expected);
        QLocale::setDefault(QLocale(locale));
        QCOMPARE(numtext(32767 / 10.0), expected);
        QCOMPARE(numtext(2300 / 10.0), QStringLiteral("230"));
    }

    void value16ReadsLowByteFirst_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<uint>("expected");
        QTest::newRow("FF 7F is the largest defined quantity")
            << QByteArray::fromHex("ff7f") << 32767u;
        QTest::newRow("00 01 is 256") << QByteArray::fromHex("0001") << 256u;
        QTest::newRow("high byte 128 reads unsigned") << QByteArray::fromHex("0080") << 32768u;
        QTest::newRow("FF FF reads unsigned") << QByteArray::fromHex("ffff") << 65535u;
    }
    void value16ReadsLowByteFirst()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(uint, expected);
        QCOMPARE(value16(bytes, 0), expected);
    }
};

QTEST_GUILESS_MAIN(TstNumtext)
#include "tst_numtext.moc"
