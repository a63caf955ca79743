// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/reportdialog.h"

#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QRadioButton>
#include <QSettings>
#include <QVBoxLayout>

namespace korvane::app {

namespace {
QString span(qint64 from, qint64 to)
{
    const auto when = [](qint64 ms) {
        return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    };
    return QStringLiteral("%1 – %2").arg(when(from), when(to));
}
} // namespace

ReportDialog::ReportDialog(qint64 surveyFrom, qint64 surveyTo, qint64 shownFrom, qint64 shownTo,
                           QWidget* parent)
    : QDialog(parent), m_shownFrom(shownFrom), m_shownTo(shownTo)
{
    setWindowTitle(tr("Survey report"));
    const QSettings settings;
    title = new QLineEdit(settings.value("report/title").toString(), this);
    title->setPlaceholderText(tr("Survey report"));
    wholeSurvey =
        new QRadioButton(tr("The whole survey, %1").arg(span(surveyFrom, surveyTo)), this);
    spanShown = new QRadioButton(tr("The span shown, %1").arg(span(shownFrom, shownTo)), this);
    wholeSurvey->setChecked(true);
    nominalVoltage = new QDoubleSpinBox(this);
    nominalVoltage->setRange(50, 500);
    nominalVoltage->setDecimals(0);
    nominalVoltage->setSuffix(QStringLiteral(" V"));
    nominalVoltage->setValue(settings.value("report/nominal", 230).toDouble());
    nominalFrequency = new QComboBox(this);
    nominalFrequency->addItems({QStringLiteral("50 Hz"), QStringLiteral("60 Hz")});
    nominalFrequency->setCurrentIndex(settings.value("report/frequency", 50).toInt() == 60 ? 1 : 0);

    auto* form = new QFormLayout;
    form->addRow(tr("&Title:"), title);
    form->addRow(tr("Period:"), wholeSurvey);
    form->addRow(QString(), spanShown);
    form->addRow(tr("&Nominal voltage (phase to neutral):"), nominalVoltage);
    form->addRow(tr("Nominal &frequency:"), nominalFrequency);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        QSettings kept;
        kept.setValue("report/title", title->text());
        kept.setValue("report/nominal", nominalVoltage->value());
        kept.setValue("report/frequency", nominalFrequency->currentIndex() == 1 ? 60 : 50);
        emit optionsChosen(options());
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

report::ReportOptions ReportDialog::options() const
{
    report::ReportOptions options;
    if (spanShown->isChecked()) {
        options.fromMs = m_shownFrom;
        options.toMs = m_shownTo;
    }
    options.nominalVoltage = nominalVoltage->value();
    options.nominalFrequency = nominalFrequency->currentIndex() == 1 ? 60 : 50;
    options.title = title->text().trimmed();
    return options;
}

} // namespace korvane::app
