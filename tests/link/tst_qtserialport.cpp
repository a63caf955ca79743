// SPDX-License-Identifier: GPL-3.0-or-later
// The real serial port over a pseudo-terminal whose far end has stopped reading: a command byte
// written then is not dropped, and the port stays open. Opening and the port table are in
// tst_porttable and the end-to-end suites.
#include "platform/porttable.h"
#include "platform/qtserialport.h"
#include "sim/pty.h"

#include <QElapsedTimer>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

using namespace korvane;
using namespace std::chrono_literals;

class TstQtSerialPort : public QObject
{
    Q_OBJECT
private slots:
    void commandOnABackedUpLineIsNotDropped()
    {
        sim::Pty pty;
        QString error;
        QVERIFY2(pty.open(&error), qPrintable(error));
        platform::QtSerialPort port{platform::PortTable({pty.slavePath()})};
        port.selectPort(1);
        QCOMPARE(port.open(), platform::SerialPort::OpenError::None);

        // Back the line up: the meter's end reads nothing until the driver takes no more.
        const int filler = ::open(QFile::encodeName(pty.slavePath()).constData(),
                                  O_WRONLY | O_NOCTTY | O_NONBLOCK);
        QVERIFY(filler >= 0);
        const QByteArray block(4096, 'x');
        qint64 backlog = 0;
        for (ssize_t n = 0; (n = ::write(filler, block.constData(), block.size())) > 0;)
            backlog += n;
        ::close(filler);
        QVERIFY(backlog > 0);

        const QByteArray command(1, char(0x23));
        constexpr int kCommands = 3;
        for (int i = 0; i < kCommands; ++i) {
            port.write(command);
            port.discardOutput();
        }
        QVERIFY(port.isOpen());

        QByteArray arrived;
        QElapsedTimer draining;
        draining.start();
        while (arrived.size() < backlog + kCommands && draining.elapsed() < 5000) {
            char buffer[4096];
            const ssize_t n = ::read(pty.masterFd(), buffer, sizeof buffer);
            if (n > 0)
                arrived.append(buffer, n);
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QCOMPARE(arrived.size(), backlog + kCommands);
        QCOMPARE(arrived.right(kCommands), command.repeated(kCommands));
    }
};

QTEST_GUILESS_MAIN(TstQtSerialPort)
#include "tst_qtserialport.moc"
