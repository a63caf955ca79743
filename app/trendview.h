// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/trendplot.h"
#include "measure/quantity.h"
#include "trend/trendstore.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <vector>

class QVBoxLayout;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace korvane::app {

// Any quantities of the trend store over time: chosen from a drop-down list grouped by kind, one
// value axis per unit with round ticks, local time below at round times. It follows the newest
// data until paused, zoomed or panned; going on again follows with the width on show, and "All"
// follows everything since start. Lines break where the store has a gap; zoomed out, each line is
// the columns' means with their min-max band around it.
class TrendView : public QWidget
{
    Q_OBJECT
public:
    explicit TrendView(const trend::TrendStore& store, QWidget* parent = nullptr,
                       std::function<qint64()> now = {});

    QList<measure::Key> chosen() const;
    void setChosen(const QList<measure::Key>& keys);
    // The derived quantities chosen (energy, cost), by name; offered once the store has them.
    QStringList chosenDerived() const;
    void setChosenDerived(const QStringList& names);
    bool following() const { return m_following; }
    // The span on show, [from, to) in milliseconds since the epoch.
    qint64 shownFrom() const { return m_from; }
    qint64 shownTo() const { return m_to; }
    // The chart as shown, with its legend, under a line giving the span shown and its date.
    QImage chartImage();
    // In a window of its own: no button to open another.
    void setDetached();
    // The trend in a window of its own over the same store, with the same choice; a second call
    // brings that window to the front instead of opening another. It closes with this view.
    TrendView* openPopOut();
    // The window openPopOut() opened, while it is open; null otherwise.
    TrendView* popOut() const { return m_popOut; }
    // A front end's own control (the log's, publishing's) on a line of its own above the chart.
    void addControl(QWidget* control);
    // Gaps shaded and events marked under the lines (a log read back).
    void setMarks(std::vector<TrendPlot::Mark> marks);

    // Each quantity shown over the span on show: its samples' lowest, mean and highest.
    struct SpanStatistics
    {
        QString name; // as the legend gives it, with the unit
        qsizetype count = 0;
        double min = 0;
        double mean = 0;
        double max = 0;
    };
    std::vector<SpanStatistics> spanStatistics() const;

public slots:
    // New samples: redrawn soon while following.
    void samplesArrived();
    void showEverything();
    void setPaused(bool paused);
    void redraw();

signals:
    void openInWindowRequested();
    // Save in a window of its own, where the main window's Save is out of reach.
    void saveRequested();
    void chosenChanged();
    // Drawn again: the span or the samples on show may have changed.
    void redrawn();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    struct Plot
    {
        QString name;
        const trend::Series* series = nullptr;
        QString unit;
        QColor colour;
    };

    void buildChoices();
    // Offers the derived series the store has gained since.
    void addDerivedChoices();
    void rebuildPlots();
    void zoomAt(double factor, double share);
    void zoomInto(double fromShare, double toShare);
    void panBy(double share);
    void leaveFollowing(qint64 from, qint64 to);
    // The value axes for the plots' units, over the ranges their segments span.
    std::vector<TrendValueAxis>
    valueAxes(const std::vector<std::vector<trend::PlotSegment>>& segments) const;
    TrendTimeAxis timeAxis() const;
    bool dark() const;

    const trend::TrendStore& m_store;
    std::function<qint64()> m_now;
    QTreeWidget* m_choices = nullptr;
    TrendPlot* m_plot = nullptr;
    QToolButton* m_pause = nullptr;
    QToolButton* m_windowButton = nullptr;
    QToolButton* m_saveButton = nullptr; // in a window of its own only
    QVBoxLayout* m_controls = nullptr;
    std::vector<Plot> m_plots;
    std::vector<QString> m_units; // the value axes' units, in the order of the plots
    QTreeWidgetItem* m_derivedGroup = nullptr;
    QPointer<TrendView> m_popOut;
    bool m_following = true;
    bool m_redrawPending = false;
    qint64 m_from = 0;
    qint64 m_to = 0;
    qint64 m_followSpan = 0; // the width followed; 0 follows everything since start
};

} // namespace korvane::app
