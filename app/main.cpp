// korvane: the window over one meter session, composed from the real devices and dialogs.
#include "app/mainwindow.h"
#include "platform/porttable.h"
#include "platform/qtmessageboxes.h"
#include "platform/qtmeterdevices.h"
#include "platform/qtsavedialog.h"
#include "platform/qtwindowcapture.h"
#include "sim/virtualmeter.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QMessageBox>
#include <QScreen>

#include <csignal>
#include <memory>

using namespace korvane;

int main(int argc, char* argv[])
{
#ifdef SIGXFSZ
    // A log over the file size limit fails its write and says so, rather than killing us.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korvane"));
    // Where the settings live: ~/.config/Korvane/korvane.conf and the password beside it.
    QApplication::setOrganizationName(QStringLiteral("Korvane"));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Desktop companion for the power meter."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portsOption = platform::portsOption();
    const QCommandLineOption demoOption(
        QStringLiteral("demo"), QStringLiteral("Start a virtual meter and search it as COM1."));
    parser.addOption(portsOption);
    parser.addOption(demoOption);
    parser.process(app);

    QStringList ports = platform::parsePortList(parser.value(portsOption));
    std::unique_ptr<sim::VirtualMeter> meter;
    if (parser.isSet(demoOption)) {
        meter = std::make_unique<sim::VirtualMeter>();
        QString error;
        if (!meter->start(&error)) {
            QMessageBox::critical(
                nullptr, QStringLiteral("Korvane"),
                QStringLiteral("The virtual meter could not start: %1").arg(error));
            return 1;
        }
        ports.prepend(meter->devicePath());
    }

    session::MeterSession session(platform::qtMeterDevices(ports));
    platform::QtMessageBoxes messages;
    platform::QtSaveDialog saveDialog;
    platform::QtWindowCapture capture;
    app::MainWindow window({session, messages, saveDialog, capture});
    messages.setParent(&window);
    saveDialog.setParent(&window);

    window.show();
    if (const QScreen* screen = window.screen())
        window.move(screen->availableGeometry().center() - window.frameGeometry().center() +
                    window.pos());
    return app.exec();
}
