// SPDX-License-Identifier: GPL-3.0-or-later
#include "sim/pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace korvane::sim {

namespace {
QString systemError(const char* what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}
} // namespace

Pty::~Pty()
{
    close();
}

bool Pty::open(QString* error)
{
    close();
    auto fail = [&](const char* what) {
        const QString message = systemError(what);
        close();
        if (error)
            *error = message;
        return false;
    };

    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0)
        return fail("cannot open a pseudo-terminal (posix_openpt)");
    if (::fcntl(m_master, F_SETFD, FD_CLOEXEC) < 0)
        return fail("cannot set close-on-exec on the pseudo-terminal");
    if (::grantpt(m_master) < 0)
        return fail("grantpt failed");
    if (::unlockpt(m_master) < 0)
        return fail("unlockpt failed");
    const char* name = ::ptsname(m_master);
    if (!name)
        return fail("ptsname failed");
    m_slavePath = QString::fromLocal8Bit(name);

    const int flags = ::fcntl(m_master, F_GETFL);
    if (flags < 0 || ::fcntl(m_master, F_SETFL, flags | O_NONBLOCK) < 0)
        return fail("cannot make the pseudo-terminal non-blocking");

    m_heldSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_heldSlave < 0)
        return fail("cannot open the pseudo-terminal's device");

    // Raw before anyone else opens the device: with echo on, every answer would come back to
    // the master as if the program had sent it.
    termios tio{};
    if (::tcgetattr(m_heldSlave, &tio) < 0)
        return fail("tcgetattr on the pseudo-terminal failed");
    ::cfmakeraw(&tio);
    ::cfsetispeed(&tio, B9600);
    ::cfsetospeed(&tio, B9600);
    if (::tcsetattr(m_heldSlave, TCSANOW, &tio) < 0)
        return fail("cannot put the pseudo-terminal in raw mode");
    return true;
}

void Pty::close()
{
    if (m_heldSlave >= 0)
        ::close(m_heldSlave);
    if (m_master >= 0)
        ::close(m_master);
    m_heldSlave = -1;
    m_master = -1;
    m_slavePath.clear();
}

} // namespace korvane::sim
