// SPDX-License-Identifier: GPL-3.0-or-later
// The korvane-meter-sim program: the device path on its first output line, options reaching
// the meter, bad arguments, and a clean end on SIGINT and SIGTERM. The meter's own behaviour is
// covered by tst_virtualmeter.
#include "sim/virtualmeter.h"
#include "slaveport.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using korvane::sim::VirtualMeter;

namespace {

const QString kProgram = QStringLiteral(KORVANE_METER_SIM);

QByteArray bytes(const char* hex)
{
    return QByteArray::fromHex(hex);
}

// The program under test, killed if a test ends before it does.
class MeterProgram
{
public:
    ~MeterProgram()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }

    // Starts the program and reads its first line: the device path. Empty if none came.
    QString start(const QStringList& arguments)
    {
        m_process.start(kProgram, arguments);
        if (!m_process.waitForStarted())
            return {};
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(5000))
                return {};
        }
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }

    QProcess& process() { return m_process; }
    // Everything the program has written to stderr so far.
    QString log()
    {
        m_log.append(QString::fromLocal8Bit(m_process.readAllStandardError()));
        return m_log;
    }

private:
    QProcess m_process;
    QString m_log;
};

} // namespace

class TestMeterSimProgram : public QObject
{
    Q_OBJECT

private slots:
    void printsTheDevicePathFirst();
    void optionsReachTheMeter_data();
    void optionsReachTheMeter();
    void silentFromTheStartUntilSilentForHasPassed();
    void endsCleanlyOnSignal_data();
    void endsCleanlyOnSignal();
    void printsTheNewDeviceAfterAReplug();
    void rejectsBadArguments_data();
    void rejectsBadArguments();
    void helpListsEveryOption_data();
    void helpListsEveryOption();
    void showsItsVersion();
};

void TestMeterSimProgram::printsTheDevicePathFirst()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("meter");
    MeterProgram program;
    const QString device = program.start({"--link", link});
    QVERIFY2(device.startsWith("/dev/"),
             qPrintable(device + program.process().readAllStandardError()));
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);

    SlavePort port;
    QString error;
    QVERIFY2(port.open(link, &error), qPrintable(error));
    QVERIFY(port.send(0x05));
    QVERIFY(port.waitForBytes(3));
    QCOMPARE(port.received(), bytes("d55555"));
}

void TestMeterSimProgram::optionsReachTheMeter_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("commands");
    QTest::addColumn<QByteArray>("answers");
    const QByteArray handshake = bytes("d55555");
    QTest::newRow("no options") << QStringList{} << bytes("050f") << handshake + bytes("05052400");
    QTest::newRow("records") << QStringList{"--records", "300"} << bytes("0f") << bytes("05052c01");
    QTest::newRow("dump of records")
        << QStringList{"--records", "7"} << bytes("19") << VirtualMeter::storedRecords(7);
    QTest::newRow("wrong handshake")
        << QStringList{"--wrong-handshake"} << bytes("05") << bytes("d55554");
    QTest::newRow("bad count") << QStringList{"--bad-count", "--records", "3"} << bytes("0f")
                               << bytes("05040300");
    QTest::newRow("zero count") << QStringList{"--zero-count", "--records", "2"} << bytes("0f19")
                                << bytes("05050000") + VirtualMeter::storedRecords(2);
    QTest::newRow("restart mid-dump")
        << QStringList{"--records", "5", "--restart-mid-dump", "30"} << bytes("1905")
        << VirtualMeter::storedRecords(5).left(30) + handshake;
    QTest::newRow("chunks") << QStringList{"--chunk", "3", "--chunk-gap", "5"} << bytes("23")
                            << VirtualMeter::liveFrame(0);
    QTest::newRow("answer delay") << QStringList{"--answer-delay", "20"} << bytes("05")
                                  << handshake;
}

void TestMeterSimProgram::optionsReachTheMeter()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, commands);
    QFETCH(QByteArray, answers);
    MeterProgram program;
    const QString device = program.start(arguments + QStringList{"--no-pacing"});
    QVERIFY2(!device.isEmpty(), program.process().readAllStandardError().constData());
    SlavePort port;
    QString error;
    QVERIFY2(port.open(device, &error), qPrintable(error));

    QVERIFY(port.send(commands));
    QVERIFY(port.waitForBytes(answers.size()));
    QCOMPARE(port.received().toHex(' '), answers.toHex(' '));
}

void TestMeterSimProgram::silentFromTheStartUntilSilentForHasPassed()
{
    MeterProgram program;
    const QString device =
        program.start({"--silent-after", "0", "--silent-for", "0.5", "--verbose"});
    QVERIFY2(!device.isEmpty(), qPrintable(program.log()));
    SlavePort port;
    QString error;
    QVERIFY2(port.open(device, &error), qPrintable(error));

    // The log tells when the meter has read the handshake and when it answers again.
    QVERIFY(port.send(0x05));
    QTRY_VERIFY(program.log().contains("command 0x05"));
    QTRY_VERIFY_WITH_TIMEOUT(program.log().contains("answering again"), 5000);
    const QString log = program.log();
    QVERIFY2(log.indexOf("silent") < log.indexOf("command 0x05"), qPrintable(log));
    QVERIFY2(log.indexOf("command 0x05") < log.indexOf("answering again"), qPrintable(log));
    QVERIFY2(!log.contains("answered"), qPrintable(log));

    QVERIFY(port.send(0x05));
    QVERIFY(port.waitForBytes(3));
    QTRY_VERIFY(program.log().contains("answered 0x05"));
    QCOMPARE(port.received(), bytes("d55555"));
}

void TestMeterSimProgram::endsCleanlyOnSignal_data()
{
    QTest::addColumn<int>("signalNumber");
    QTest::newRow("SIGINT") << SIGINT;
    QTest::newRow("SIGTERM") << SIGTERM;
}

void TestMeterSimProgram::endsCleanlyOnSignal()
{
    QFETCH(int, signalNumber);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("meter");
    MeterProgram program;
    const QString device = program.start({"--link", link});
    QVERIFY2(!device.isEmpty(), program.process().readAllStandardError().constData());
    QVERIFY(QFileInfo(link).isSymLink());

    QCOMPARE(::kill(pid_t(program.process().processId()), signalNumber), 0);
    QVERIFY(program.process().waitForFinished(5000));
    QCOMPARE(program.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.process().exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestMeterSimProgram::printsTheNewDeviceAfterAReplug()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("meter");
    MeterProgram program;
    const QString device = program.start(
        {"--link", link, "--records", "3", "--unplug-mid-dump", "10", "--replug-after", "0.1"});
    QVERIFY2(!device.isEmpty(), program.process().readAllStandardError().constData());
    SlavePort port;
    QString error;
    QVERIFY2(port.open(device, &error), qPrintable(error));

    QVERIFY(port.send(0x19));
    QTRY_VERIFY_WITH_TIMEOUT(port.isHungUp(), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(program.process().canReadLine(), 5000);
    const QString second = QString::fromLocal8Bit(program.process().readLine()).trimmed();
    QVERIFY2(second.startsWith("/dev/"), qPrintable(second));
    QCOMPARE(QFileInfo(link).symLinkTarget(), second);

    SlavePort again;
    QVERIFY2(again.open(link, &error), qPrintable(error));
    QVERIFY(again.send(0x19));
    QVERIFY(again.waitForBytes(60));
    QVERIFY(again.received() == VirtualMeter::storedRecords(3));
}

void TestMeterSimProgram::rejectsBadArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("complaint");
    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "frobnicate";
    QTest::newRow("stray argument") << QStringList{"meter"} << "meter";
    QTest::newRow("negative records") << QStringList{"--records", "-1"} << "--records";
    QTest::newRow("too many records") << QStringList{"--records", "65536"} << "--records";
    QTest::newRow("records not a number") << QStringList{"--records", "many"} << "--records";
    QTest::newRow("missing value") << QStringList{"--records"} << "records";
    QTest::newRow("empty chunk") << QStringList{"--chunk", "0"} << "--chunk";
    QTest::newRow("gap without chunks") << QStringList{"--chunk-gap", "10"} << "--chunk";
    QTest::newRow("negative seconds")
        << QStringList{"--silent-after-seconds", "-1"} << "--silent-after-seconds";
    QTest::newRow("silence without a start") << QStringList{"--silent-for", "1"} << "--silent-for";
    QTest::newRow("negative fragments")
        << QStringList{"--fragments-after", "-1"} << "--fragments-after";
    QTest::newRow("two kinds of garbage")
        << QStringList{"--garbage", "--garbage-instead"} << "--garbage";
    QTest::newRow("two dump faults")
        << QStringList{"--unplug-mid-dump", "5", "--restart-mid-dump", "5"} << "mid-dump";
    QTest::newRow("negative dump bytes")
        << QStringList{"--unplug-mid-dump", "-5"} << "--unplug-mid-dump";
}

void TestMeterSimProgram::rejectsBadArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, complaint);
    QProcess process;
    process.start(kProgram, arguments);
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(process.readAllStandardOutput().isEmpty());
    const QString message = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(message.contains(complaint), qPrintable(message));
}

void TestMeterSimProgram::helpListsEveryOption_data()
{
    QTest::addColumn<QString>("option");
    for (const char* o : {"--link",
                          "--records",
                          "--no-pacing",
                          "--answer-delay",
                          "--silent-after",
                          "--silent-after-seconds",
                          "--silent-for",
                          "--fragments-after",
                          "--garbage",
                          "--garbage-instead",
                          "--chunk",
                          "--chunk-gap",
                          "--wrong-handshake",
                          "--bad-count",
                          "--zero-count",
                          "--unplug-mid-dump",
                          "--restart-mid-dump",
                          "--replug-after",
                          "--verbose",
                          "--version"})
        QTest::newRow(o) << QString::fromLatin1(o);
}

void TestMeterSimProgram::helpListsEveryOption()
{
    QFETCH(QString, option);
    QProcess process;
    process.start(kProgram, {"--help"});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
    const QString help = QString::fromLocal8Bit(process.readAllStandardOutput());
    QVERIFY2(help.contains(option + ' ') || help.contains(option + " <"), qPrintable(help));
}

void TestMeterSimProgram::showsItsVersion()
{
    QProcess process;
    process.start(kProgram, {"--version"});
    QVERIFY(process.waitForFinished(5000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(process.readAllStandardOutput().startsWith("korvane-meter-sim "));
}

QTEST_GUILESS_MAIN(TestMeterSimProgram)
#include "tst_metersimprogram.moc"
