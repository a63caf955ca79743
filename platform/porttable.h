// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

namespace korvane::platform {

// Maps COM1..COM16 to devices. By default the table is the system's serial devices, USB
// adapters first; a fixed list (--ports) replaces it. On Windows COMn is the port named COMn.
class PortTable
{
public:
    static constexpr int kMaxPorts = 16;

    // An empty list means the system's devices.
    explicit PortTable(QStringList fixedDevices = {});

    // Reads the system's devices again; a fixed table stays as it is.
    void refresh();
    // The device of COMn, empty when there is none.
    QString device(int n) const;
    bool isFixed() const { return m_fixed; }

    // /dev/ttyUSB* then /dev/ttyACM* in number order, then the rest by name; at most 16.
    static QStringList orderDevices(QStringList devices);

private:
    bool m_fixed;
    QStringList m_devices;
};

// The USB serial number of the adapter behind a device (a link to it too), empty when it has
// none or is no USB adapter.
QString serialNumberOf(const QString& device);

// --ports DEV[,DEV...], shared by the window and the CLI.
QCommandLineOption portsOption();

// "/dev/ttyUSB0,/dev/ttyUSB1" to a list; blanks trimmed, empty entries dropped.
QStringList parsePortList(const QString& text);
// What is wrong with a --ports list (none, or more than COM1..COM16 can hold), empty if nothing.
QString portListProblem(const QStringList& devices);

} // namespace korvane::platform
