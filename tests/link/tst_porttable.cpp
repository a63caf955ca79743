// SPDX-License-Identifier: GPL-3.0-or-later
// Which device is COMn: the order of the system's devices, the --ports list, and its limits.
// Opening real devices is left to the end-to-end suites.
#include "platform/porttable.h"

#include <QTest>

using korvane::platform::parsePortList;
using korvane::platform::PortTable;

class TstPortTable : public QObject
{
    Q_OBJECT
private slots:
    void systemDevicesAreOrderedUsbFirst_data()
    {
        QTest::addColumn<QStringList>("devices");
        QTest::addColumn<QStringList>("ordered");
        QTest::newRow("USB before ACM before the rest")
            << QStringList{"/dev/ttyS0", "/dev/ttyACM0", "/dev/ttyUSB1", "/dev/ttyUSB0"}
            << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyACM0", "/dev/ttyS0"};
        QTest::newRow("numbers compare as numbers")
            << QStringList{"/dev/ttyUSB10", "/dev/ttyUSB2", "/dev/ttyS10", "/dev/ttyS9"}
            << QStringList{"/dev/ttyUSB2", "/dev/ttyUSB10", "/dev/ttyS9", "/dev/ttyS10"};
        QTest::newRow("duplicates once")
            << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB0"} << QStringList{"/dev/ttyUSB0"};
        QTest::newRow("none") << QStringList{} << QStringList{};
    }
    void systemDevicesAreOrderedUsbFirst()
    {
        QFETCH(QStringList, devices);
        QFETCH(QStringList, ordered);
        QCOMPARE(PortTable::orderDevices(devices), ordered);
    }

    void atMostSixteenPorts()
    {
        QStringList many;
        for (int i = 0; i < 20; ++i)
            many << QStringLiteral("/dev/ttyS%1").arg(i);
        const QStringList ordered = PortTable::orderDevices(many);
        QCOMPARE(ordered.size(), 16);
        QCOMPARE(ordered.last(), QStringLiteral("/dev/ttyS15"));

        PortTable fixed(many);
        QCOMPARE(fixed.device(16), QStringLiteral("/dev/ttyS15"));
        QCOMPARE(fixed.device(17), QString());
    }

    void fixedListIsComOneOnward()
    {
        PortTable table(parsePortList(QStringLiteral(" /tmp/meter , /dev/ttyUSB3,,")));
        QVERIFY(table.isFixed());
        QCOMPARE(table.device(1), QStringLiteral("/tmp/meter"));
        QCOMPARE(table.device(2), QStringLiteral("/dev/ttyUSB3"));
        QCOMPARE(table.device(3), QString());
        QCOMPARE(table.device(0), QString());
        table.refresh();
        QCOMPARE(table.device(1), QStringLiteral("/tmp/meter"));
    }
};

QTEST_GUILESS_MAIN(TstPortTable)
#include "tst_porttable.moc"
