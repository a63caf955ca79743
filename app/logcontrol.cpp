// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/logcontrol.h"

#include "app/elidedlabel.h"
#include "app/savefolder.h"
#include "app/watchcontrol.h"
#include "watch/lognotes.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLocale>
#include <QPushButton>

namespace korvane::app {

namespace {
constexpr int kSemicolonFilter = 2;

QStringList logFilters()
{
    return {LogControl::tr("CSV, comma and decimal point (*.csv)"),
            LogControl::tr("CSV, semicolon and decimal comma (*.csv)")};
}

QString sizeText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}
} // namespace

LogControl::LogControl(session::MeterSession& session, platform::SaveDialog& dialog,
                       platform::MessageBoxes& messages, QWidget* parent)
    : QWidget(parent), m_session(session), m_dialog(dialog), m_messages(messages)
{
    m_button = new QPushButton(tr("Start log..."), this);
    m_button->setToolTip(tr("Write every live frame to a CSV file as it arrives"));
    m_status = new ElidedLabel(this);
    m_open = new QPushButton(tr("Open log..."), this);
    m_open->setToolTip(tr("Show saved logs in a trend of their own (or drop the files on the "
                          "window)"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_button);
    layout->addWidget(m_status, 1);
    layout->addWidget(m_open);
    connect(m_button, &QPushButton::clicked, this, [this] { logging() ? stop() : start(); });
}

LogControl::~LogControl()
{
    end();
}

void LogControl::setWatch(WatchControl* watch)
{
    m_watch = watch;
    // Only among a running log's frames; a log stopped or failed takes nothing.
    connect(watch, &WatchControl::energyGap, this, [this](const energy::Gap& gap) {
        if (logging())
            m_recorder->note({gap.toMs, watch::energyGapNote(gap)});
    });
    connect(watch, &WatchControl::alarm, this, [this](const alarms::AlarmEvent& event) {
        if (!logging())
            return;
        if (const QByteArray lines = watch::alarmLines(event, m_recorder->format());
            !lines.isEmpty())
            m_recorder->writeLines(event.ms, lines);
    });
}

QString LogControl::statusText() const
{
    return m_status->fullText();
}

void LogControl::start()
{
    if (logging())
        return;
    const QString initial =
        m_lastPath.isEmpty()
            ? QStringLiteral("Korvane log %1").arg(QDate::currentDate().toString(Qt::ISODate))
            : QFileInfo(m_lastPath).completeBaseName();
    const QString folder =
        m_lastPath.isEmpty() ? defaultSaveFolder() : QFileInfo(m_lastPath).absolutePath();
    const platform::SaveDialogAnswer answer =
        m_dialog.ask({initial, logFilters(), m_lastFilter, QStringLiteral("csv"), folder, false});
    if (!answer.accepted)
        return;
    m_recorder.reset();
    m_lastPath = answer.path;
    emit pathChosen(m_lastPath);
    m_lastFilter = answer.selectedFilter;
    const datalog::Dialect dialect =
        m_lastFilter == kSemicolonFilter ? datalog::Dialect::Semicolon : datalog::Dialect::Comma;
    std::unique_ptr<datalog::LineFormat> format =
        datalog::makeFormat(datalog::Format::Csv, dialect, true);
    // The columns stay as the log began: energy turned off meanwhile leaves them empty.
    std::vector<datalog::DerivedColumn> columns;
    if (m_watch)
        columns = m_watch->derivedColumns();
    format->setDerivedColumns(columns);
    m_file = std::make_unique<datalog::LogFile>(answer.path, format->frameHeading());
    if (!m_file->open(m_session.now())) {
        onFailed(m_file->error());
        return;
    }
    m_recorder = std::make_unique<datalog::Recorder>(m_session, std::move(format), *m_file);
    if (m_watch && !columns.empty()) {
        WatchControl* watch = m_watch;
        m_recorder->setDerived([watch, columns](const measure::Reading& reading) {
            datalog::DerivedValues values = watch->derivedFor(reading);
            // The same names in the same places, or nothing.
            if (watch->derivedColumns() != columns)
                values.clear();
            return values;
        });
    }
    connect(m_recorder.get(), &datalog::Recorder::written, this, &LogControl::showProgress);
    connect(m_recorder.get(), &datalog::Recorder::failed, this, &LogControl::onFailed);
    m_button->setText(tr("Stop log"));
    showProgress();
}

void LogControl::stop()
{
    if (!logging())
        return;
    const QString path = m_file->path();
    const qint64 size = m_file->size();
    end();
    // The name and size on the line; where it is in the tooltip.
    m_status->setFullText(tr("Log saved: %1 (%2)").arg(QFileInfo(path).fileName(), sizeText(size)),
                          QDir::toNativeSeparators(path));
}

void LogControl::showProgress()
{
    const QString name = QFileInfo(m_file->path()).fileName();
    const QString chosen = QFileInfo(m_lastPath).fileName();
    // A file of the chosen name is never replaced: the log goes beside it, and says so.
    const QString text = name == chosen
                             ? tr("Logging to %1 (%2)").arg(name, sizeText(m_file->size()))
                             : tr("Logging to %1 (%2); %3 exists and is kept")
                                   .arg(name, sizeText(m_file->size()), chosen);
    m_status->setFullText(text, QDir::toNativeSeparators(m_file->path()));
}

void LogControl::onFailed(const QString& message)
{
    end();
    m_status->setFullText(tr("Logging stopped: %1").arg(message));
    m_messages.warning(QStringLiteral("Korvane"), tr("Logging stopped: %1").arg(message));
}

// The recorder stays until the next start: this may run inside its own signal.
void LogControl::end()
{
    if (m_recorder)
        m_recorder->finish();
    if (m_file)
        m_file->close();
    m_button->setText(tr("Start log..."));
}

} // namespace korvane::app
