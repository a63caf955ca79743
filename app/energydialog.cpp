// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/energydialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace korvane::app {

EnergyDialog::EnergyDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Energy"));
    countEnergy = new QCheckBox(tr("&Count the energy consumed"), this);
    auto* what = new QLabel(
        tr("E1, E2, E3 and E in Wh, from the active powers P1, P2, P3 and P. The meter's power "
           "has no sign, so this is energy consumed. More than 10 s without a power, or an "
           "overload, adds nothing and is logged as a gap. The totals are kept per meter and "
           "survive a restart."),
        this);
    what->setWordWrap(true);

    auto* tariffLabel = new QLabel(tr("&Tariff file (optional, for the cost):"), this);
    tariffPath = new QLineEdit(this);
    tariffPath->setPlaceholderText(tr("No tariff: energy without cost"));
    tariffPath->setClearButtonEnabled(true);
    tariffLabel->setBuddy(tariffPath);
    browseButton = new QPushButton(tr("&Browse..."), this);
    connect(browseButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(
            this, tr("Tariff file"), tariffPath->text(), tr("Tariff (*.ini);;All files (*)"));
        if (!path.isEmpty())
            tariffPath->setText(QDir::toNativeSeparators(path));
    });
    auto* tariffHelp =
        new QLabel(tr("An INI file: <code>currency = EUR</code>, then per date it takes effect "
                      "<code>[from 2026-01-01]</code> with <code>standing = 0.40</code> a day, "
                      "<code>price = 0.30</code> per kWh and time-of-use prices such as "
                      "<code>price 22:00-06:00 = 0.20</code>."),
                   this);
    tariffHelp->setWordWrap(true);
    tariffHelp->setTextFormat(Qt::RichText);

    m_message = new QLabel(this);
    m_message->setWordWrap(true);
    m_message->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &EnergyDialog::tryAccept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(countEnergy, &QCheckBox::toggled, this, &EnergyDialog::updateEnabled);

    auto* tariffRow = new QHBoxLayout;
    tariffRow->addWidget(tariffPath, 1);
    tariffRow->addWidget(browseButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(countEnergy);
    layout->addWidget(what);
    layout->addSpacing(8);
    layout->addWidget(tariffLabel);
    layout->addLayout(tariffRow);
    layout->addWidget(tariffHelp);
    layout->addWidget(m_message);
    layout->addStretch();
    layout->addWidget(buttons);
    resize(560, 320);
    updateEnabled();
}

void EnergyDialog::setSetting(const EnergySetting& setting)
{
    countEnergy->setChecked(setting.on);
    tariffPath->setText(QDir::toNativeSeparators(setting.tariffPath));
    m_message->clear();
    updateEnabled();
}

EnergySetting EnergyDialog::setting() const
{
    return {countEnergy->isChecked(), QDir::fromNativeSeparators(tariffPath->text().trimmed())};
}

QString EnergyDialog::message() const
{
    return m_message->text();
}

void EnergyDialog::updateEnabled()
{
    tariffPath->setEnabled(countEnergy->isChecked());
    browseButton->setEnabled(countEnergy->isChecked());
}

void EnergyDialog::tryAccept()
{
    const EnergySetting chosen = setting();
    if (const QString problem = EnergySettings::tariffOf(chosen).problem; !problem.isEmpty()) {
        m_message->setText(problem);
        tariffPath->setFocus();
        return;
    }
    emit settingChosen(chosen);
    accept();
}

} // namespace korvane::app
