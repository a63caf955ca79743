// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QStringList>
#include <QTest>

namespace korvane::testing {

struct ProcessResult
{
    int exitCode = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;

    QStringList outLines() const { return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts); }
    QString errText() const { return QString::fromUtf8(err); }
};

// Runs a program to its end (or kills it after timeoutMs) and collects what it printed.
// For the window program: a home of its own (settings included) and no display.
inline QProcessEnvironment windowEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

inline ProcessResult runProgram(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess process;
    process.start(program, args);
    ProcessResult result;
    if (!process.waitForStarted(5000))
        return result;
    result.finished = process.waitForFinished(timeoutMs);
    if (!result.finished) {
        process.kill();
        process.waitForFinished(2000);
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

// The virtual meter as a separate program; the device path is the first line it prints.
class MeterProcess
{
public:
    MeterProcess() = default;
    MeterProcess(const MeterProcess&) = delete;
    MeterProcess& operator=(const MeterProcess&) = delete;
    ~MeterProcess()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.terminate();
            if (!m_process.waitForFinished(3000))
                m_process.kill();
            m_process.waitForFinished(2000);
        }
    }

    // Fails the calling test if the meter cannot open its pseudo-terminal.
    bool start(const QString& program, const QStringList& args)
    {
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start(program, args);
        if (!m_process.waitForStarted(5000))
            return false;
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(5000))
                return false;
        }
        m_device = QString::fromUtf8(m_process.readLine()).trimmed();
        return !m_device.isEmpty();
    }
    QString device() const { return m_device; }
    QString errorOutput() { return QString::fromUtf8(m_process.readAllStandardError()); }

private:
    QProcess m_process;
    QString m_device;
};

} // namespace korvane::testing
