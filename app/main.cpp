// SPDX-License-Identifier: GPL-3.0-or-later
// korvane: the window over one meter session, composed from the real devices and dialogs.
#include "app/language.h"
#include "app/logcontrol.h"
#include "app/mainwindow.h"
#include "app/trendview.h"
#include "app/windowplacement.h"
#include "platform/porttable.h"
#include "platform/qtmessageboxes.h"
#include "platform/qtmeterdevices.h"
#include "platform/qtsavedialog.h"
#include "platform/qtwindowcapture.h"
#include "platform/stopsignals.h"
#include "publish/mqttconnection.h"
#ifdef KORVANE_DEMO
#include "sim/virtualmeter.h"
#endif

#include <QApplication>
#include <QCommandLineParser>
#include <QIcon>
#include <QMessageBox>
#include <QScreen>
#include <QSessionManager>
#include <QSettings>
#include <QTimer>

#include <cstdio>
#include <memory>
#include <optional>

using namespace korvane;

namespace {
// The language asked for with --lang, before the command line is parsed in earnest: the parser's
// own texts are in it. Empty when not asked for.
std::optional<QString> languageAsked(const QStringList& arguments)
{
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.startsWith(QLatin1String("--lang=")))
            return argument.mid(7);
        if (argument == QLatin1String("--lang"))
            return i + 1 < arguments.size() ? arguments[i + 1] : QString();
    }
    return std::nullopt;
}

void rememberChoices(app::MainWindow& window, QSettings& settings)
{
    QList<measure::Key> keys;
    for (const QString& name : settings.value("trend/chosen").toStringList()) {
        if (const auto key = measure::keyNamed(name))
            keys << *key;
    }
    if (!keys.isEmpty())
        window.trendView->setChosen(keys);
    QObject::connect(window.trendView, &app::TrendView::chosenChanged, &window,
                     [&window, &settings] {
                         QStringList names;
                         for (measure::Key key : window.trendView->chosen())
                             names << measure::keyInfo(key).name.toString();
                         settings.setValue("trend/chosen", names);
                     });
    window.logControl->setLastPath(settings.value("log/path").toString());
    QObject::connect(window.logControl, &app::LogControl::pathChosen, &window,
                     [&settings](const QString& path) { settings.setValue("log/path", path); });
}

QMargins frameOf(const QWidget& window)
{
    return QMargins(window.geometry().left() - window.frameGeometry().left(),
                    window.geometry().top() - window.frameGeometry().top(),
                    window.frameGeometry().right() - window.geometry().right(),
                    window.frameGeometry().bottom() - window.geometry().bottom());
}

// Moves the window in, and shrinks it if need be, when its frame reaches past its screen. A window
// manager on X11 adds the frame a moment after the window is shown, so this runs again then.
void keepOnScreen(app::MainWindow& window)
{
    const QScreen* screen = window.screen();
    if (!screen || window.isMaximized() ||
        screen->availableGeometry().contains(window.frameGeometry()))
        return;
    const QRect placed = app::fitOnScreen(window.geometry(), frameOf(window),
                                          screen->availableGeometry(), window.minimumSize());
    window.setMinimumSize(window.minimumSize().boundedTo(placed.size()));
    window.setGeometry(placed);
}

// Where the window was last time if that still lies on a screen, else the laid-out size in the
// middle of the screen; either way wholly on the screen. Called once the window is shown.
void placeWindow(app::MainWindow& window, const QSettings& settings)
{
    const QMargins frame = frameOf(window);
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens())
        screens << screen->availableGeometry();
    const QRect remembered = settings.value("window/geometry").toRect();
    const QScreen* screen = window.screen();
    if (app::fitsOnAScreen(remembered, frame, screens)) {
        window.setGeometry(remembered);
    } else if (screen) {
        QRect centred(QPoint(), window.size());
        centred.moveCenter(screen->availableGeometry().center());
        window.setGeometry(
            app::fitOnScreen(centred, frame, screen->availableGeometry(), window.minimumSize()));
    }
    if (settings.value("window/maximized").toBool())
        window.showMaximized();
    for (const int ms : {200, 1000})
        QTimer::singleShot(ms, &window, [&window] { keepOnScreen(window); });
}

// The window over one meter session until it is closed; the program's exit status.
int runWindow(QApplication& app, const QStringList& ports, const QStringList& logs,
              QSettings& settings, platform::StopSignals& stopSignals)
{
    session::MeterSession session(platform::qtMeterDevices(ports));
    platform::QtMessageBoxes messages;
    platform::QtSaveDialog saveDialog;
    platform::QtWindowCapture capture;
    app::MainWindow window({session, messages, saveDialog, capture});
    messages.setParent(&window);
    saveDialog.setParent(&window);
    rememberChoices(window, settings);
    window.setLanguageChoice(settings.value("language").toString());
    QObject::connect(&window, &app::MainWindow::languageChosen, &window,
                     [&settings](const QString& code) { settings.setValue("language", code); });

    // Ctrl+C in a terminal, SIGTERM from the system or the desktop session ending close the
    // window without asking about a running log, as Quit would, so the log ends whole and a
    // broker hears the goodbye. (quit() asks every window to close first.)
    QObject::connect(&stopSignals, &platform::StopSignals::stopRequested, &window, [&window, &app] {
        window.closeWithoutAsking();
        app.quit();
    });
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &window,
                     [&window](QSessionManager&) { window.closeWithoutAsking(); });

    window.show();
    placeWindow(window, settings);
    if (!logs.isEmpty()) {
        // A log that does not read is said on the terminal as well as in the window.
        QString error;
        if (!window.openLogs(logs, &error))
            std::fprintf(stderr, "korvane: %s\n", qPrintable(error));
    }
    const int status = app.exec();
    settings.setValue("window/geometry", window.normalGeometry());
    settings.setValue("window/maximized", window.isMaximized());
    return status;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // A log over the file size limit fails its write and says so, rather than killing us.
    platform::StopSignals stopSignals;
    QApplication::setApplicationName(QStringLiteral("korvane"));
    // Where the settings live: ~/.config/Korvane/korvane.conf and the password beside it.
    QApplication::setOrganizationName(QStringLiteral("Korvane"));
    // The desktop entry, the icon and the AppStream component share this id.
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.korvane.Korvane"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("io.github.korvane.Korvane")));
    QApplication::setApplicationVersion(QStringLiteral(KORVANE_VERSION));

    // What the user chose last time: the language, the trend's quantities, the log's file, a
    // --ports list.
    QSettings settings;
    // --lang for this run; the choice in the Help box for every run after it.
    const std::optional<QString> asked = languageAsked(QApplication::arguments());
    if (asked && !app::isLanguage(*asked)) {
        std::fprintf(
            stderr, "%s\n",
            qPrintable(
                QStringLiteral("korvane: --lang wants en or zh_CN, not \"%1\"").arg(*asked)));
        return 2;
    }
    app::installTranslations(app, asked.value_or(settings.value("language").toString()));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("korvane", "Desktop companion for the power meter."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption portsOption(
        QStringLiteral("ports"),
        QCoreApplication::translate(
            "korvane", "Devices to search as COM1, COM2, ... instead of the system's serial ports; "
                       "remembered for the next start (\"auto\": the system's ports again)."),
        QStringLiteral("DEV[,DEV...]"));
#ifdef KORVANE_DEMO
    const QCommandLineOption demoOption(
        QStringLiteral("demo"),
        QCoreApplication::translate("korvane", "Start a virtual meter and search it as COM1."));
#endif
    const QCommandLineOption languageOption(
        QStringLiteral("lang"),
        QCoreApplication::translate(
            "korvane",
            "The window's language for this run: en or zh_CN (default: the choice in Help, "
            "else the system's)."),
        QStringLiteral("LANG"));
    parser.addOption(portsOption);
#ifdef KORVANE_DEMO
    parser.addOption(demoOption);
#endif
    const QCommandLineOption openOption(
        QStringLiteral("open"),
        QCoreApplication::translate(
            "korvane", "Show a saved log in a trend window of its own; repeat it for logs that "
                       "go together."),
        QStringLiteral("FILE"));
    parser.addOption(languageOption);
    parser.addOption(openOption);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QCoreApplication::translate("korvane", "Logs to show, as with --open."),
        QStringLiteral("[FILE...]"));
    parser.process(app);
#ifdef KORVANE_DEMO
    const bool demo = parser.isSet(demoOption);
#else
    const bool demo = false;
#endif

    QStringList ports = platform::parsePortList(parser.value(portsOption));
    if (parser.isSet(portsOption)) {
        if (parser.value(portsOption) == QLatin1String("auto")) {
            ports.clear();
            settings.remove("ports");
        } else {
            const QString problem = platform::portListProblem(
                demo ? ports + QStringList{QStringLiteral("demo")} : ports);
            if (!problem.isEmpty()) {
                std::fprintf(stderr, "korvane: %s%s\n", qPrintable(problem),
                             demo ? " with --demo, which takes COM1" : "");
                return 2;
            }
            settings.setValue("ports", ports);
        }
    } else {
        ports = settings.value("ports").toStringList();
    }
#ifdef KORVANE_DEMO
    std::unique_ptr<sim::VirtualMeter> meter;
    if (demo) {
        meter = std::make_unique<sim::VirtualMeter>();
        QString error;
        if (!meter->start(&error)) {
            QMessageBox::critical(
                nullptr, QStringLiteral("Korvane"),
                QCoreApplication::translate("korvane", "The virtual meter could not start: %1")
                    .arg(error));
            return 1;
        }
        ports.prepend(meter->devicePath());
    }
#endif

    const QStringList logs = parser.values(openOption) + parser.positionalArguments();
    const int status = runWindow(app, ports, logs, settings, stopSignals);
    // Closing the window finished its publishing; let the goodbye reach the broker.
    publish::MqttConnection::waitForAllToEnd(2000);
    return status;
}
