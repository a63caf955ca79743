// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "report/report.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QRadioButton;

namespace korvane::app {

// What a survey report covers: the whole survey or the span on show, the nominal voltage and
// frequency the supply is judged against, and a title. The nominal values and the title are
// remembered for the next report.
class ReportDialog : public QDialog
{
    Q_OBJECT
public:
    // The survey's span and the span on show, [from, to) in milliseconds.
    ReportDialog(qint64 surveyFrom, qint64 surveyTo, qint64 shownFrom, qint64 shownTo,
                 QWidget* parent = nullptr);

    report::ReportOptions options() const;

    QLineEdit* title = nullptr;
    QRadioButton* wholeSurvey = nullptr;
    QRadioButton* spanShown = nullptr;
    QDoubleSpinBox* nominalVoltage = nullptr;
    QComboBox* nominalFrequency = nullptr;

signals:
    void optionsChosen(const korvane::report::ReportOptions& options);

private:
    qint64 m_shownFrom;
    qint64 m_shownTo;
};

} // namespace korvane::app
