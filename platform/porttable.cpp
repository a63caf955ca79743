// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/porttable.h"

#include <QFileInfo>
#include <QRegularExpression>
#ifndef Q_OS_WIN
#include <QSerialPortInfo>
#endif

#include <algorithm>
#include <tuple>

namespace korvane::platform {

namespace {
// Sort key: USB adapters, then ACM modems, then everything else; numbers compared as numbers.
std::tuple<int, QString, long> deviceKey(const QString& device)
{
    static const QRegularExpression pattern(QStringLiteral("^(.*?)(\\d+)$"));
    const auto match = pattern.match(device);
    const QString stem = match.hasMatch() ? match.captured(1) : device;
    const long number = match.hasMatch() ? match.captured(2).toLong() : -1;
    int group = 2;
    if (stem == QLatin1String("/dev/ttyUSB"))
        group = 0;
    else if (stem == QLatin1String("/dev/ttyACM"))
        group = 1;
    return {group, stem, number};
}

#ifndef Q_OS_WIN
QStringList systemDevices()
{
    QStringList devices;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        devices << info.systemLocation();
    return devices;
}
#endif
} // namespace

QString serialNumberOf(const QString& device)
{
#ifdef Q_OS_WIN
    // Windows names no USB serial number for a COM port without SetupAPI; the meter is
    // told apart by its port name there.
    Q_UNUSED(device);
    return {};
#else
    const QString target = QFileInfo(device).canonicalFilePath();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        if (info.systemLocation() == device || info.systemLocation() == target)
            return info.serialNumber();
    }
    return {};
#endif
}

PortTable::PortTable(QStringList fixedDevices)
    : m_fixed(!fixedDevices.isEmpty()), m_devices(std::move(fixedDevices))
{
    if (m_devices.size() > kMaxPorts)
        m_devices = m_devices.first(kMaxPorts);
    refresh();
}

void PortTable::refresh()
{
#ifndef Q_OS_WIN
    if (!m_fixed)
        m_devices = orderDevices(systemDevices());
#endif
}

QString PortTable::device(int n) const
{
#ifdef Q_OS_WIN
    if (!m_fixed)
        return n >= 1 && n <= kMaxPorts ? QStringLiteral("COM%1").arg(n) : QString();
#endif
    return m_devices.value(n - 1);
}

QStringList PortTable::orderDevices(QStringList devices)
{
    devices.removeDuplicates();
    std::sort(devices.begin(), devices.end(),
              [](const QString& a, const QString& b) { return deviceKey(a) < deviceKey(b); });
    if (devices.size() > kMaxPorts)
        devices = devices.first(kMaxPorts);
    return devices;
}

QCommandLineOption portsOption()
{
    return QCommandLineOption(
        QStringLiteral("ports"),
        QStringLiteral(
            "Devices to search as COM1, COM2, ... instead of the system's serial ports."),
        QStringLiteral("DEV[,DEV...]"));
}

QStringList parsePortList(const QString& text)
{
    QStringList devices;
    for (const QString& part : text.split(u',')) {
        const QString device = part.trimmed();
        if (!device.isEmpty())
            devices << device;
    }
    return devices;
}

QString portListProblem(const QStringList& devices)
{
    if (devices.isEmpty())
        return QStringLiteral("--ports needs at least one device");
    if (devices.size() > PortTable::kMaxPorts)
        return QStringLiteral("--ports takes at most %1 devices (COM1 to COM%1), not %2")
            .arg(PortTable::kMaxPorts)
            .arg(devices.size());
    return {};
}

} // namespace korvane::platform
