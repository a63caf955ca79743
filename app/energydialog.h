// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/energysettings.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace korvane::app {

// Whether to count the energy consumed, and the tariff file its cost comes from. OK is refused,
// saying why, while the tariff file named cannot be read.
class EnergyDialog : public QDialog
{
    Q_OBJECT
public:
    explicit EnergyDialog(QWidget* parent = nullptr);

    void setSetting(const EnergySetting& setting);
    EnergySetting setting() const;
    QString message() const;

    QCheckBox* countEnergy = nullptr;
    QLineEdit* tariffPath = nullptr;
    QPushButton* browseButton = nullptr;

signals:
    void settingChosen(const korvane::app::EnergySetting& setting);

private:
    void tryAccept();
    void updateEnabled();

    QLabel* m_message = nullptr;
};

} // namespace korvane::app
