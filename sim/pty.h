// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace korvane::sim {

// A pseudo-terminal in raw mode. The master side is the meter's end of the cable and is
// non-blocking; the slave side is the device a program opens as its serial port. One slave
// descriptor stays open here for the pty's whole life, so the master never reads a hangup
// while the program has its port closed.
class Pty
{
public:
    Pty() = default;
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    bool open(QString* error);
    void close();

    bool isOpen() const { return m_master >= 0; }
    int masterFd() const { return m_master; }
    QString slavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    int m_heldSlave = -1;
    QString m_slavePath;
};

} // namespace korvane::sim
