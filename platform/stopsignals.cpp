// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/stopsignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace korvane::platform {

#ifdef Q_OS_UNIX
namespace {
int g_fds[2] = {-1, -1};
bool g_hangUpCaught = false;

void onSignal(int signal)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_fds[0], &byte, 1);
    // A second Ctrl+C ends the program even if the first one's clean end is stuck.
    ::signal(signal, SIG_DFL);
    errno = savedErrno;
}
} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    ::signal(SIGXFSZ, SIG_IGN);
    ::signal(SIGPIPE, SIG_IGN);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_fds) != 0)
        return;
    m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        char bytes[16];
        while (::read(g_fds[1], bytes, sizeof bytes) > 0) {
        }
        emit stopRequested();
    });
    struct sigaction action
    {
    };
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    // Started under nohup, a hang-up is meant to pass unnoticed.
    struct sigaction hangUp
    {
    };
    ::sigaction(SIGHUP, nullptr, &hangUp);
    g_hangUpCaught = hangUp.sa_handler != SIG_IGN;
    if (g_hangUpCaught)
        ::sigaction(SIGHUP, &action, nullptr);
}

StopSignals::~StopSignals()
{
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    if (g_hangUpCaught)
        ::signal(SIGHUP, SIG_DFL);
    if (g_fds[0] >= 0) {
        ::close(g_fds[0]);
        ::close(g_fds[1]);
        g_fds[0] = g_fds[1] = -1;
    }
}
#elif defined(Q_OS_WIN)

namespace {
StopSignals* g_receiver = nullptr;
HANDLE g_finished = nullptr;

// Runs on a thread of the console's: the request goes to the event loop as an event.
BOOL WINAPI onControl(DWORD type)
{
    if (!g_receiver)
        return FALSE;
    QMetaObject::invokeMethod(g_receiver, &StopSignals::stopRequested, Qt::QueuedConnection);
    // The process ends as soon as a close, log-off or shut-down handler returns: give the
    // clean end a few seconds to close the log.
    if (type == CTRL_CLOSE_EVENT || type == CTRL_LOGOFF_EVENT || type == CTRL_SHUTDOWN_EVENT)
        ::WaitForSingleObject(g_finished, 4000);
    return TRUE;
}
} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent)
{
    g_receiver = this;
    g_finished = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ::SetConsoleCtrlHandler(onControl, TRUE);
}

StopSignals::~StopSignals()
{
    ::SetConsoleCtrlHandler(onControl, FALSE);
    g_receiver = nullptr;
    ::SetEvent(g_finished);
}

#else
StopSignals::StopSignals(QObject* parent) : QObject(parent) {}
StopSignals::~StopSignals() = default;
#endif

} // namespace korvane::platform
