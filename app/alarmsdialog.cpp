// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/alarmsdialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace korvane::app {

AlarmsDialog::AlarmsDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Alarms"));
    table = new QTableWidget(0, 2, this);
    table->setHorizontalHeaderLabels({tr("Rule"), tr("Command (optional)")});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setTabKeyNavigation(false);

    auto* help = new QLabel(
        tr("A rule is a quantity, &gt; or &lt; a threshold, with an optional duration and clear "
           "threshold, or a silence: <code>U1&gt;253 for 5s clear 251</code>, "
           "<code>F&lt;49.5</code>, <code>U1 silent 30s</code>. A command runs without a shell "
           "at each event; <code>%key</code>, <code>%value</code>, <code>%state</code> and "
           "<code>%time</code> in it are replaced, and it is stopped after 10 s."),
        this);
    help->setWordWrap(true);
    help->setTextFormat(Qt::RichText);

    addButton = new QPushButton(tr("&Add"), this);
    removeButton = new QPushButton(tr("&Remove"), this);
    connect(addButton, &QPushButton::clicked, this, [this] {
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, 0, new QTableWidgetItem);
        table->setItem(row, 1, new QTableWidgetItem);
        table->setCurrentCell(row, 0);
        table->editItem(table->item(row, 0));
    });
    connect(removeButton, &QPushButton::clicked, this, [this] {
        if (table->currentRow() >= 0)
            table->removeRow(table->currentRow());
    });

    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &AlarmsDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* rowButtons = new QHBoxLayout;
    rowButtons->addWidget(addButton);
    rowButtons->addWidget(removeButton);
    rowButtons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table, 1);
    layout->addLayout(rowButtons);
    layout->addWidget(help);
    layout->addWidget(m_message);
    layout->addWidget(buttons);
    resize(620, 420);
}

void AlarmsDialog::setAlarms(const QList<AlarmSetting>& alarms)
{
    table->setRowCount(0);
    for (const AlarmSetting& alarm : alarms) {
        const int row = table->rowCount();
        table->insertRow(row);
        table->setItem(row, 0, new QTableWidgetItem(alarm.rule));
        table->setItem(row, 1, new QTableWidgetItem(alarm.command));
    }
    m_message->clear();
}

QList<AlarmSetting> AlarmsDialog::alarms() const
{
    QList<AlarmSetting> out;
    for (int row = 0; row < table->rowCount(); ++row) {
        const auto text = [this, row](int column) {
            const QTableWidgetItem* item = table->item(row, column);
            return item ? item->text().trimmed() : QString();
        };
        const AlarmSetting alarm{text(0), text(1)};
        if (!alarm.rule.isEmpty() || !alarm.command.isEmpty())
            out << alarm;
    }
    return out;
}

QString AlarmsDialog::message() const
{
    return m_message->text();
}

void AlarmsDialog::tryAccept()
{
    const QList<AlarmSetting> chosen = alarms();
    int row = 0;
    const QString problem = AlarmSettings::problem(chosen, &row);
    m_message->setText(problem);
    if (!problem.isEmpty()) {
        // The row in the list as given, blank rows left out: find it in the table.
        int seen = 0;
        for (int r = 0; r < table->rowCount(); ++r) {
            const bool blank =
                !table->item(r, 0) ||
                (table->item(r, 0)->text().trimmed().isEmpty() &&
                 (!table->item(r, 1) || table->item(r, 1)->text().trimmed().isEmpty()));
            if (!blank && ++seen == row) {
                table->setCurrentCell(r, 0);
                break;
            }
        }
        return;
    }
    emit alarmsChosen(chosen);
    accept();
}

} // namespace korvane::app
