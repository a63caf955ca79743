// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/page.h"
#include "measure/overview.h"

#include <QImage>
#include <QTimer>
#include <QWidget>

#include <functional>

class QDateTime;
class QLabel;
class QPushButton;

namespace korvane::session {
class MeterSession;
}

namespace korvane::app {

class OverviewCanvas;

// The standard power-meter screen over the session's snapshot: U, I, PF, P, Q, S by L1, L2, L3
// and Total, then F, the sequence, the angles and the type-3 values with the meter's clock; the
// lowest and highest of each since start or since Reset. Cells older than the staleness limit,
// and all of them from a lost link until the next reading, show greyed.
// Save offers the screen as PNG with the date and time, or the cells as CSV.
class OverviewPage : public QWidget, public Page
{
    Q_OBJECT
public:
    explicit OverviewPage(session::MeterSession& session, QWidget* parent = nullptr);

    QString title() const override { return tr("Overview"); }
    QWidget* widget() override { return this; }
    SaveOffer saveOffer() override;
    int& saveType() override { return m_saveType; }

    // The cells as the page shows them now, for the CSV save.
    measure::OverviewTable table() const;
    // The page's screen with the date and time above it, for the PNG save.
    QImage renderForSave(const QDateTime& at) const;
    // Forgets the lowest and highest values, as the Reset button does.
    void resetMinMax();

    QPushButton* resetButton() const { return m_reset; }
    // Opens the Alarms dialog; the window connects it.
    QPushButton* alarmsButton() const { return m_alarms; }
    // The latest alarm events, newest first, under the screen while any rule is set.
    void setAlarmLines(const QStringList& lines, qsizetype rules);
    // What went wrong with an alarm's command, under the events until the rules change.
    void setAlarmProblem(const QString& text);
    QString alarmText() const;
    // Opens the Energy dialog, and starts the totals again; the window connects them.
    QPushButton* energyButton() const { return m_energy; }
    QPushButton* resetEnergyButton() const { return m_resetEnergy; }
    // The energy's lines, asked for again at refreshEnergy() and every second while shown; none
    // hides them and the Reset energy button.
    void setEnergySource(std::function<QStringList()> lines);
    void refreshEnergy();
    QString energyText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    friend class OverviewCanvas;
    QString footer() const;

    session::MeterSession& m_session;
    measure::OverviewTracker m_tracker;
    bool m_linkLost = false;
    qint64 m_minMaxSinceMs = 0;
    OverviewCanvas* m_canvas = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_alarms = nullptr;
    QLabel* m_alarmLines = nullptr;
    QPushButton* m_energy = nullptr;
    QPushButton* m_resetEnergy = nullptr;
    QLabel* m_energyLines = nullptr;
    std::function<QStringList()> m_energySource;
    QStringList m_lines;
    QString m_problem;
    QTimer m_ageTimer; // cells grey out while no reading comes
    int m_saveType = 1;
};

} // namespace korvane::app
