// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trendview.h"

#include "trend/plotsegments.h"

#include <QAreaSeries>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QValueAxis>
#include <QWheelEvent>

#include <algorithm>
#include <array>
#include <limits>

namespace korvane::app {

namespace {
using measure::Group;
using measure::Key;

struct GroupName
{
    Group group;
    const char* name;
};
// The kinds a user picks from; the phase sequence is a code, not a number to plot.
constexpr std::array<GroupName, 8> kGroups{{
    {Group::Voltage, "Voltages"},
    {Group::Current, "Currents"},
    {Group::PowerFactor, "Power factors"},
    {Group::Active, "Active power"},
    {Group::Reactive, "Reactive power"},
    {Group::Apparent, "Apparent power"},
    {Group::Frequency, "Frequency"},
    {Group::Angle, "Angles"},
}};

constexpr int kKeyRole = Qt::UserRole + 1;
constexpr std::chrono::milliseconds kEmptySpan{60'000};
constexpr std::chrono::milliseconds kRedrawDelay{250};
// Zooming out stops here: more than any store holds, and far from overflowing a time.
constexpr std::chrono::hours kLongestSpan{24 * 365 * 10};

// Each plotted quantity's colour by its place in the list: hues apart, lighter on a dark
// palette so that the lines read on either.
QColor plotColour(std::size_t index, bool dark)
{
    constexpr std::array<int, 8> kHues{120, 210, 0, 35, 280, 180, 320, 60};
    return QColor::fromHsv(kHues[index % kHues.size()], dark ? 150 : 220, dark ? 245 : 175);
}

QString choiceText(Key key)
{
    const measure::KeyInfo& info = measure::keyInfo(key);
    return info.unit.isEmpty()
               ? info.name.toString()
               : info.name.toString() + QStringLiteral(" (") + info.unit.toString() + u')';
}
} // namespace

void TrendChartView::wheelEvent(QWheelEvent* event)
{
    const double steps = event->angleDelta().y() / 120.0;
    if (steps != 0)
        emit zoomBy(std::pow(0.8, steps), event->position().x());
    event->accept();
}

void TrendChartView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        m_panning = true;
        m_lastX = event->position().x();
        event->accept();
        return;
    }
    QChartView::mousePressEvent(event);
}

void TrendChartView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_panning) {
        emit panBy(event->position().x() - m_lastX);
        m_lastX = event->position().x();
        event->accept();
        return;
    }
    QChartView::mouseMoveEvent(event);
}

void TrendChartView::mouseReleaseEvent(QMouseEvent* event)
{
    // The right button pans here; the view would zoom out on its release.
    if (event->button() == Qt::RightButton) {
        m_panning = false;
        event->accept();
        return;
    }
    QChartView::mouseReleaseEvent(event);
}

TrendView::TrendView(const trend::TrendStore& store, QWidget* parent, std::function<qint64()> now)
    : QWidget(parent), m_store(store),
      m_now(now ? std::move(now) : std::function<qint64()>(&QDateTime::currentMSecsSinceEpoch))
{
    setAutoFillBackground(true); // it lies over the other pages' widgets

    m_choices = new QTreeWidget(this);
    m_choices->setHeaderHidden(true);
    m_choices->setFixedWidth(150);
    buildChoices();

    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignTop);
    m_time = new QDateTimeAxis;
    m_time->setFormat(QStringLiteral("HH:mm:ss"));
    m_time->setTitleText(QStringLiteral("local time"));
    m_time->setTickCount(5);
    m_chart->addAxis(m_time, Qt::AlignBottom);
    m_view = new TrendChartView(m_chart, this);
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setRubberBand(QChartView::HorizontalRubberBand);
    applyPalette();

    m_pause = new QToolButton(this);
    m_pause->setText(QStringLiteral("Pause"));
    m_pause->setCheckable(true);
    auto* all = new QToolButton(this);
    all->setText(QStringLiteral("All"));
    all->setToolTip(QStringLiteral("Everything since start, following the newest data"));
    auto* window = m_windowButton = new QToolButton(this);
    window->setText(QStringLiteral("Window"));
    window->setToolTip(QStringLiteral("Open the trend in a window of its own"));
    m_view->setToolTip(
        QStringLiteral("Wheel: zoom. Left drag: zoom into a span. Right drag: pan."));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_pause);
    buttons->addWidget(all);
    buttons->addStretch();
    buttons->addWidget(window);
    auto* right = new QVBoxLayout;
    right->addLayout(buttons);
    m_controls = new QVBoxLayout;
    right->addLayout(m_controls);
    right->addWidget(m_view, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_choices);
    layout->addLayout(right, 1);

    connect(m_pause, &QToolButton::toggled, this, &TrendView::setPaused);
    connect(all, &QToolButton::clicked, this, &TrendView::showEverything);
    connect(window, &QToolButton::clicked, this, &TrendView::openInWindowRequested);
    connect(m_view, &TrendChartView::zoomBy, this, &TrendView::zoomAt);
    connect(m_view, &TrendChartView::panBy, this, &TrendView::panPixels);
    connect(m_time, &QDateTimeAxis::rangeChanged, this, &TrendView::onTimeRangeChanged);
    connect(m_choices, &QTreeWidget::itemChanged, this, [this] {
        rebuildPlots();
        redraw();
        emit chosenChanged();
    });
    setChosen({Key::U1});
}

void TrendView::buildChoices()
{
    for (const GroupName& g : kGroups) {
        auto* group = new QTreeWidgetItem(m_choices, {QString::fromLatin1(g.name)});
        group->setFlags(Qt::ItemIsEnabled);
        for (int k = 0; k < measure::kKeyCount; ++k) {
            if (measure::keyInfo(Key(k)).group != g.group)
                continue;
            auto* item = new QTreeWidgetItem(group, {choiceText(Key(k))});
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setCheckState(0, Qt::Unchecked);
            item->setData(0, kKeyRole, k);
        }
    }
    m_choices->expandAll();
}

QList<Key> TrendView::chosen() const
{
    QList<Key> keys;
    for (int g = 0; g < m_choices->topLevelItemCount(); ++g) {
        const QTreeWidgetItem* group = m_choices->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            if (group->child(i)->checkState(0) == Qt::Checked)
                keys << Key(group->child(i)->data(0, kKeyRole).toInt());
        }
    }
    return keys;
}

void TrendView::setChosen(const QList<Key>& keys)
{
    const QSignalBlocker blocker(m_choices);
    for (int g = 0; g < m_choices->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = m_choices->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            QTreeWidgetItem* item = group->child(i);
            const bool on = keys.contains(Key(item->data(0, kKeyRole).toInt()));
            item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
        }
    }
    rebuildPlots();
    redraw();
}

void TrendView::applyPalette()
{
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    m_chart->setTheme(dark ? QChart::ChartThemeDark : QChart::ChartThemeLight);
    m_chart->setBackgroundBrush(palette().brush(QPalette::Base));
    m_chart->setTitleBrush(palette().brush(QPalette::Text));
}

void TrendView::rebuildPlots()
{
    const QScopedValueRollback<bool> settingRange(m_settingRange, true);
    m_chart->removeAllSeries();
    for (auto& [unit, axis] : m_valueAxes) {
        m_chart->removeAxis(axis);
        delete axis;
    }
    m_valueAxes.clear();
    m_plots.clear();
    for (Key key : chosen())
        m_plots.push_back({key, {}, {}});
}

QValueAxis* TrendView::axisForUnit(const QString& unit)
{
    auto it = m_valueAxes.find(unit);
    if (it != m_valueAxes.end())
        return it->second;
    auto* axis = new QValueAxis;
    axis->setTitleText(unit.isEmpty() ? QStringLiteral("(no unit)") : unit);
    m_chart->addAxis(axis, m_valueAxes.size() % 2 == 0 ? Qt::AlignLeft : Qt::AlignRight);
    m_valueAxes.emplace(unit, axis);
    return axis;
}

void TrendView::samplesArrived()
{
    if (!m_following || !isVisible() || m_redrawPending)
        return;
    m_redrawPending = true;
    QTimer::singleShot(kRedrawDelay, this, &TrendView::redraw);
}

void TrendView::showEverything()
{
    m_following = true;
    m_followSpan = 0;
    const QSignalBlocker blocker(m_pause);
    m_pause->setChecked(false);
    redraw();
}

void TrendView::setPaused(bool paused)
{
    if (paused) {
        leaveFollowing(m_from, m_to);
        return;
    }
    // Going on keeps the width on show and moves it to the newest data.
    m_following = true;
    m_followSpan = m_to - m_from;
    redraw();
}

void TrendView::leaveFollowing(qint64 from, qint64 to)
{
    m_following = false;
    m_from = from;
    m_to = std::max(to, from + 1);
    const QSignalBlocker blocker(m_pause);
    m_pause->setChecked(true);
}

void TrendView::onTimeRangeChanged()
{
    if (m_settingRange)
        return;
    // The rubber band zoomed the chart: decimate afresh for the span it chose.
    leaveFollowing(m_time->min().toMSecsSinceEpoch(), m_time->max().toMSecsSinceEpoch());
    QMetaObject::invokeMethod(this, &TrendView::redraw, Qt::QueuedConnection);
}

void TrendView::zoomAt(double factor, double atX)
{
    const QRectF area = m_chart->plotArea();
    if (area.width() <= 0)
        return;
    const double share = std::clamp((atX - area.left()) / area.width(), 0.0, 1.0);
    const double span = double(m_to - m_from);
    const double at = double(m_from) + share * span;
    const double newSpan = std::clamp(
        span * factor, 1000.0,
        double(std::chrono::duration_cast<std::chrono::milliseconds>(kLongestSpan).count()));
    const qint64 from = qint64(at - share * newSpan);
    leaveFollowing(from, from + qint64(newSpan));
    redraw();
}

void TrendView::panPixels(double dx)
{
    const QRectF area = m_chart->plotArea();
    if (area.width() <= 0)
        return;
    const qint64 shift = qint64(-dx / area.width() * double(m_to - m_from));
    leaveFollowing(m_from + shift, m_to + shift);
    redraw();
}

void TrendView::redraw()
{
    m_redrawPending = false;
    // Attaching and filling series moves the axes too; only the user's zoom leaves following.
    const QScopedValueRollback<bool> settingRange(m_settingRange, true);
    if (m_following) {
        m_to = m_now();
        qint64 first = std::numeric_limits<qint64>::max();
        for (const Plot& plot : m_plots) {
            const trend::Series& s = m_store.series(plot.key);
            if (s.size() > 0)
                first = std::min(first, s.timeAt(0));
        }
        if (m_followSpan > 0)
            m_from = m_to - m_followSpan;
        else
            m_from = first < m_to ? first : m_to - kEmptySpan.count();
    }
    const int columns = std::max(1, int(m_chart->plotArea().width()));

    struct Range
    {
        double low = std::numeric_limits<double>::max();
        double high = std::numeric_limits<double>::lowest();
    };
    std::map<QString, Range> ranges;
    const bool dark = palette().color(QPalette::Window).lightness() < 128;
    for (std::size_t p = 0; p < m_plots.size(); ++p) {
        Plot& plot = m_plots[p];
        const auto cols = m_store.series(plot.key).decimate(m_from, m_to, columns);
        const auto segments = trend::plotSegments(cols, m_from, m_to);
        const bool zoomedOut = std::any_of(cols.begin(), cols.end(),
                                           [](const trend::Column& c) { return c.count > 1; });
        const QString unit = measure::keyInfo(plot.key).unit.toString();
        QValueAxis* axis = axisForUnit(unit);
        while (plot.lines.size() < segments.size()) {
            // The band does not own its edges: they are its children, gone with it.
            auto* band = new QAreaSeries;
            band->setUpperSeries(new QLineSeries(band));
            band->setLowerSeries(new QLineSeries(band));
            auto* line = new QLineSeries;
            line->setName(measure::keyInfo(plot.key).name.toString());
            m_chart->addSeries(band);
            m_chart->addSeries(line);
            for (QAbstractSeries* s :
                 {static_cast<QAbstractSeries*>(band), static_cast<QAbstractSeries*>(line)}) {
                s->attachAxis(m_time);
                s->attachAxis(axis);
            }
            // Every segment of a quantity in one colour; one legend entry.
            const QColor colour = plotColour(p, dark);
            line->setColor(colour);
            QColor fill = colour;
            fill.setAlpha(60);
            band->setBrush(fill);
            band->setPen(Qt::NoPen);
            for (QLegendMarker* marker : m_chart->legend()->markers(band))
                marker->setVisible(false);
            if (!plot.lines.empty()) {
                for (QLegendMarker* marker : m_chart->legend()->markers(line))
                    marker->setVisible(false);
            }
            plot.lines.push_back(line);
            plot.bands.push_back(band);
        }
        // Fewer segments than last time: the spare series go, so gaps once shown cost nothing.
        while (plot.lines.size() > std::max<std::size_t>(segments.size(), 1)) {
            m_chart->removeSeries(plot.lines.back());
            m_chart->removeSeries(plot.bands.back());
            delete plot.lines.back();
            delete plot.bands.back();
            plot.lines.pop_back();
            plot.bands.pop_back();
        }
        Range& range = ranges[unit];
        for (std::size_t i = 0; i < plot.lines.size(); ++i) {
            if (i < segments.size()) {
                plot.lines[i]->replace(segments[i].line);
                // A stretch of one column has no line to draw: its point shows instead.
                plot.lines[i]->setPointsVisible(segments[i].line.size() == 1);
                plot.bands[i]->upperSeries()->replace(segments[i].high);
                plot.bands[i]->lowerSeries()->replace(segments[i].low);
                plot.bands[i]->setVisible(zoomedOut);
                for (const QPointF& point : segments[i].low)
                    range.low = std::min(range.low, point.y());
                for (const QPointF& point : segments[i].high)
                    range.high = std::max(range.high, point.y());
            } else {
                plot.lines[i]->clear();
                plot.bands[i]->upperSeries()->clear();
                plot.bands[i]->lowerSeries()->clear();
            }
        }
    }
    for (auto& [unit, range] : ranges) {
        if (range.low > range.high)
            continue;
        const double margin = std::max(1e-3, (range.high - range.low) * 0.05);
        axisForUnit(unit)->setRange(range.low - margin, range.high + margin);
    }
    m_time->setRange(QDateTime::fromMSecsSinceEpoch(m_from), QDateTime::fromMSecsSinceEpoch(m_to));
    m_time->setFormat(m_to - m_from > 24 * 3600 * 1000 ? QStringLiteral("dd.MM HH:mm")
                                                       : QStringLiteral("HH:mm:ss"));
}

void TrendView::addControl(QWidget* control)
{
    m_controls->addWidget(control);
}

void TrendView::setDetached()
{
    m_windowButton->hide();
}

void TrendView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The column count follows the width, followed or not.
    if (!m_redrawPending) {
        m_redrawPending = true;
        QTimer::singleShot(kRedrawDelay, this, &TrendView::redraw);
    }
}

void TrendView::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        applyPalette();
        rebuildPlots();
        redraw();
    }
}

QImage TrendView::chartImage()
{
    return m_view->grab().toImage();
}

} // namespace korvane::app
