// SPDX-License-Identifier: GPL-3.0-or-later
#include "notify/alarmcommand.h"

#include "datalog/fields.h"

#include <QProcess>
#include <QVariant>

#include <QTimer>
#include <utility>

namespace korvane::notify {

std::optional<QStringList> parseCommand(const QString& text)
{
    // Blanks separate words; 'single quotes' keep everything, "double quotes" keep all but \"
    // and \\, and a backslash outside quotes takes the next character as it is.
    QStringList argv;
    QString word;
    bool inWord = false;
    QChar quote;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quote == u'\'') {
            if (c == u'\'')
                quote = QChar();
            else
                word += c;
        } else if (quote == u'"') {
            if (c == u'"')
                quote = QChar();
            else if (c == u'\\' && i + 1 < text.size() &&
                     (text.at(i + 1) == u'"' || text.at(i + 1) == u'\\'))
                word += text.at(++i);
            else
                word += c;
        } else if (c.isSpace()) {
            if (inWord)
                argv << std::exchange(word, QString());
            inWord = false;
        } else {
            inWord = true;
            if (c == u'\'' || c == u'"')
                quote = c;
            else if (c == u'\\' && i + 1 < text.size())
                word += text.at(++i);
            else
                word += c;
        }
    }
    if (!quote.isNull())
        return std::nullopt; // a quote left open
    if (inWord)
        argv << word;
    if (argv.isEmpty() || argv.first().isEmpty())
        return std::nullopt;
    return argv;
}

namespace {
QString valueText(const alarms::AlarmEvent& event)
{
    if (event.overload)
        return QStringLiteral("OL");
    if (!event.value)
        return {};
    QByteArray number;
    datalog::appendNumber(number, *event.value);
    return QString::fromLatin1(number);
}
} // namespace

QStringList substituted(const QStringList& argv, const alarms::AlarmEvent& event)
{
    const QString key = measure::keyInfo(event.key()).name.toString();
    const QString value = valueText(event);
    const QString state = event.state == alarms::AlarmState::Raised ? QStringLiteral("raised")
                                                                    : QStringLiteral("cleared");
    const QString time = datalog::isoTimeWithOffset(event.ms);
    QStringList out;
    out.reserve(argv.size());
    for (QString arg : argv) {
        arg.replace(QLatin1String("%key"), key)
            .replace(QLatin1String("%value"), value)
            .replace(QLatin1String("%state"), state)
            .replace(QLatin1String("%time"), time);
        out << arg;
    }
    return out;
}

AlarmCommand::AlarmCommand(QStringList argv, std::chrono::milliseconds limit, QObject* parent)
    : QObject(parent), m_argv(std::move(argv)), m_limit(limit)
{
    qRegisterMetaType<CommandOutcome>();
}

AlarmCommand::~AlarmCommand()
{
    // A command still running when its rule goes is stopped, not left behind.
    if (m_process) {
        m_process->disconnect(this);
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

void AlarmCommand::run(const alarms::AlarmEvent& event)
{
    const QStringList argv = substituted(m_argv, event);
    if (m_process) {
        emit ended({CommandOutcome::Kind::Busy, 0, argv.value(0), QString()});
        return;
    }
    auto* process = new QProcess(this);
    m_process = process;
    process->setProgram(argv.first());
    process->setArguments(argv.mid(1));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto* limit = new QTimer(process);
    limit->setSingleShot(true);
    connect(limit, &QTimer::timeout, process, [process, limit] {
        limit->setProperty("expired", true);
        process->kill();
    });
    const auto finish = [this, process, limit](CommandOutcome outcome) {
        limit->stop();
        outcome.program = process->program();
        m_process = nullptr;
        process->deleteLater();
        emit ended(outcome);
    };
    connect(process, &QProcess::errorOccurred, this, [process, finish](QProcess::ProcessError e) {
        if (e == QProcess::FailedToStart)
            finish({CommandOutcome::Kind::NotStarted, 0, QString(), process->errorString()});
    });
    connect(process, &QProcess::finished, this,
            [process, limit, finish](int code, QProcess::ExitStatus status) {
                if (status == QProcess::NormalExit)
                    finish({CommandOutcome::Kind::Exited, code, QString(), QString()});
                else if (limit->property("expired").toBool())
                    finish({CommandOutcome::Kind::TimedOut, 0, QString(), QString()});
                else
                    finish({CommandOutcome::Kind::Crashed, 0, QString(), process->errorString()});
            });
    limit->start(m_limit);
    process->start();
}

} // namespace korvane::notify
