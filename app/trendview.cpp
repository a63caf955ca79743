// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/trendview.h"

#include "app/trendcolours.h"
#include "trend/plotsegments.h"
#include "trend/ticks.h"

#include <QDateTime>
#include <QEvent>
#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QShortcut>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWidgetAction>

#include <algorithm>
#include <array>
#include <cmath>
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
    {Group::Voltage, QT_TRANSLATE_NOOP("korvane::app::TrendView", "Voltages")},
    {Group::Current, QT_TRANSLATE_NOOP("korvane::app::TrendView", "Currents")},
    {Group::PowerFactor, QT_TRANSLATE_NOOP("korvane::app::TrendView", "Power factors")},
    {Group::Active, QT_TRANSLATE_NOOP("korvane::app::TrendView", "Active power")},
    {Group::Reactive, QT_TRANSLATE_NOOP("korvane::app::TrendView", "Reactive power")},
    {Group::Apparent, QT_TRANSLATE_NOOP("korvane::app::TrendView", "Apparent power")},
    {Group::Frequency, QT_TRANSLATE_NOOP("korvane::app::TrendView", "Frequency")},
    {Group::Angle, QT_TRANSLATE_NOOP("korvane::app::TrendView", "Angles")},
}};

constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kDerivedRole = Qt::UserRole + 2; // a derived series' name; kKeyRole is then -1
constexpr std::chrono::milliseconds kEmptySpan{60'000};
constexpr std::chrono::milliseconds kRedrawDelay{250};
// Zooming out stops here: more than any store holds, and far from overflowing a time.
constexpr std::chrono::hours kLongestSpan{24 * 365 * 10};

constexpr int kChoicesHeight = 420;
// The wanted room per value tick, in label heights.
constexpr double kValueTickRoom = 3.0;
// Redrawn for the plot's new width when the axes' labels changed it by more than this.
constexpr double kWidthSlack = 2;

QString dateText(const QDateTime& at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd"));
}

// Energies in their power's colour, a shade apart so that both can be shown; the cost apart.
QColor derivedColour(const QString& name, bool dark)
{
    for (Key power : {Key::P1, Key::P2, Key::P3, Key::P}) {
        if (name == u'E' + measure::keyInfo(power).name.mid(1).toString())
            return dark ? trendColour(power, dark).lighter(130)
                        : trendColour(power, dark).darker(140);
    }
    return dark ? QColor(206, 147, 216) : QColor(123, 31, 162);
}

QString choiceText(Key key)
{
    const measure::KeyInfo& info = measure::keyInfo(key);
    return info.unit.isEmpty()
               ? info.name.toString()
               : info.name.toString() + QStringLiteral(" (") + info.unit.toString() + u')';
}
} // namespace

TrendView::TrendView(const trend::TrendStore& store, QWidget* parent, std::function<qint64()> now)
    : QWidget(parent), m_store(store),
      m_now(now ? std::move(now) : std::function<qint64()>(&QDateTime::currentMSecsSinceEpoch))
{
    setAutoFillBackground(true); // it lies over the other pages' widgets

    m_choices = new QTreeWidget(this);
    m_choices->setHeaderHidden(true);
    m_choices->setIndentation(12);
    buildChoices();
    m_choices->resizeColumnToContents(0);
    m_choices->setFixedSize(m_choices->columnWidth(0) + m_choices->frameWidth() * 2 +
                                style()->pixelMetric(QStyle::PM_ScrollBarExtent),
                            kChoicesHeight);

    m_plot = new TrendPlot(this);

    m_pause = new QToolButton(this);
    m_pause->setText(tr("Pause"));
    m_pause->setCheckable(true);
    auto* all = new QToolButton(this);
    all->setText(tr("All"));
    all->setToolTip(tr("Everything since start, following the newest data"));
    auto* window = m_windowButton = new QToolButton(this);
    window->setText(tr("Window"));
    window->setToolTip(tr("Open the trend in a window of its own"));
    m_saveButton = new QToolButton(this);
    m_saveButton->setText(tr("Save..."));
    m_saveButton->setToolTip(tr("The chart as PNG or its samples as CSV (Ctrl+S)"));
    m_saveButton->hide();
    m_plot->setToolTip(
        tr("Wheel or + and -: zoom. Left drag: zoom into a span. Right drag or arrow keys: pan."));

    // The choice drops down from a button: beside the chart it would take the width that the
    // value axes need.
    auto* choose = new QToolButton(this);
    choose->setText(tr("Quantities"));
    choose->setToolTip(tr("The quantities to draw"));
    choose->setPopupMode(QToolButton::InstantPopup);
    auto* menu = new QMenu(choose);
    auto* list = new QWidgetAction(menu);
    list->setDefaultWidget(m_choices);
    menu->addAction(list);
    choose->setMenu(menu);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(choose);
    buttons->addWidget(m_pause);
    buttons->addWidget(all);
    buttons->addStretch();
    buttons->addWidget(window);
    buttons->addWidget(m_saveButton);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
    m_controls = new QVBoxLayout;
    layout->addLayout(m_controls);
    layout->addWidget(m_plot, 1);

    connect(m_pause, &QToolButton::toggled, this, &TrendView::setPaused);
    connect(all, &QToolButton::clicked, this, &TrendView::showEverything);
    connect(window, &QToolButton::clicked, this, &TrendView::openInWindowRequested);
    connect(m_saveButton, &QToolButton::clicked, this, &TrendView::saveRequested);
    connect(m_plot, &TrendPlot::zoomBy, this, &TrendView::zoomAt);
    connect(m_plot, &TrendPlot::zoomInto, this, &TrendView::zoomInto);
    connect(m_plot, &TrendPlot::panBy, this, &TrendView::panBy);
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
        auto* group = new QTreeWidgetItem(m_choices, {tr(g.name)});
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
    m_derivedGroup = new QTreeWidgetItem(m_choices, {tr("Energy")});
    m_derivedGroup->setFlags(Qt::ItemIsEnabled);
    m_derivedGroup->setHidden(true);
    addDerivedChoices();
    m_choices->expandAll();
}

void TrendView::addDerivedChoices()
{
    const auto& derived = m_store.derivedSeries();
    if (qsizetype(derived.size()) == m_derivedGroup->childCount())
        return;
    const QSignalBlocker blocker(m_choices);
    for (std::size_t i = std::size_t(m_derivedGroup->childCount()); i < derived.size(); ++i) {
        const QString text = derived[i].unit.isEmpty()
                                 ? derived[i].name
                                 : derived[i].name + QStringLiteral(" (") + derived[i].unit + u')';
        auto* item = new QTreeWidgetItem(m_derivedGroup, {text});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        item->setData(0, kKeyRole, -1);
        item->setData(0, kDerivedRole, derived[i].name);
    }
    m_derivedGroup->setHidden(false);
    m_derivedGroup->setExpanded(true);
}

QList<Key> TrendView::chosen() const
{
    QList<Key> keys;
    for (int g = 0; g < m_choices->topLevelItemCount(); ++g) {
        const QTreeWidgetItem* group = m_choices->topLevelItem(g);
        for (int i = 0; i < group->childCount(); ++i) {
            const int key = group->child(i)->data(0, kKeyRole).toInt();
            if (key >= 0 && group->child(i)->checkState(0) == Qt::Checked)
                keys << Key(key);
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
            const int key = item->data(0, kKeyRole).toInt();
            if (key < 0)
                continue;
            item->setCheckState(0, keys.contains(Key(key)) ? Qt::Checked : Qt::Unchecked);
        }
    }
    rebuildPlots();
    redraw();
}

QStringList TrendView::chosenDerived() const
{
    QStringList names;
    for (int i = 0; i < m_derivedGroup->childCount(); ++i) {
        if (m_derivedGroup->child(i)->checkState(0) == Qt::Checked)
            names << m_derivedGroup->child(i)->data(0, kDerivedRole).toString();
    }
    return names;
}

void TrendView::setChosenDerived(const QStringList& names)
{
    addDerivedChoices();
    {
        const QSignalBlocker blocker(m_choices);
        for (int i = 0; i < m_derivedGroup->childCount(); ++i) {
            QTreeWidgetItem* item = m_derivedGroup->child(i);
            const bool on = names.contains(item->data(0, kDerivedRole).toString());
            item->setCheckState(0, on ? Qt::Checked : Qt::Unchecked);
        }
    }
    rebuildPlots();
    redraw();
}

bool TrendView::dark() const
{
    return palette().color(QPalette::Window).lightness() < 128;
}

void TrendView::rebuildPlots()
{
    m_plots.clear();
    m_units.clear();
    const auto addPlot = [this](const trend::Series* series, const QString& name,
                                const QString& unit, const QColor& colour) {
        m_plots.push_back({name, series, unit, colour});
        if (std::find(m_units.begin(), m_units.end(), unit) == m_units.end())
            m_units.push_back(unit);
    };
    for (Key key : chosen())
        addPlot(&m_store.series(key), choiceText(key), measure::keyInfo(key).unit.toString(),
                trendColour(key, dark()));
    for (const QString& name : chosenDerived()) {
        for (const trend::TrendStore::Derived& d : m_store.derivedSeries()) {
            if (d.name == name)
                addPlot(&d.series,
                        d.unit.isEmpty() ? name : name + QStringLiteral(" (") + d.unit + u')',
                        d.unit, derivedColour(name, dark()));
        }
    }
    std::vector<TrendLegendEntry> legend;
    for (const Plot& plot : m_plots)
        legend.push_back({plot.name, plot.colour});
    m_plot->setLegend(std::move(legend));
}

void TrendView::samplesArrived()
{
    addDerivedChoices();
    if (m_popOut)
        m_popOut->samplesArrived();
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

void TrendView::zoomAt(double factor, double share)
{
    const double span = double(m_to - m_from);
    const double at = double(m_from) + share * span;
    const double newSpan = std::clamp(
        span * factor, 1000.0,
        double(std::chrono::duration_cast<std::chrono::milliseconds>(kLongestSpan).count()));
    const qint64 from = qint64(at - share * newSpan);
    leaveFollowing(from, from + qint64(newSpan));
    redraw();
}

void TrendView::zoomInto(double fromShare, double toShare)
{
    const double span = double(m_to - m_from);
    const qint64 from = m_from + qint64(fromShare * span);
    // No narrower than a second, as the wheel.
    leaveFollowing(from, std::max(m_from + qint64(toShare * span), from + 1000));
    redraw();
}

void TrendView::panBy(double share)
{
    const qint64 shift = qint64(share * double(m_to - m_from));
    leaveFollowing(m_from + shift, m_to + shift);
    redraw();
}

void TrendView::redraw()
{
    m_redrawPending = false;
    if (m_following) {
        m_to = m_now();
        qint64 first = std::numeric_limits<qint64>::max();
        for (const Plot& plot : m_plots) {
            if (plot.series->size() > 0)
                first = std::min(first, plot.series->timeAt(0));
        }
        if (m_followSpan > 0)
            m_from = m_to - m_followSpan;
        else
            m_from = first < m_to ? first : m_to - kEmptySpan.count();
    }

    // The axes' labels take width from the plot: when they change it, once more at the new width.
    std::vector<std::vector<trend::PlotSegment>> segmentsOf(m_plots.size());
    std::vector<double> bandHeight(m_plots.size()); // the widest column's, in the plot's unit
    std::vector<TrendValueAxis> axes;
    qsizetype points = 0;
    int columns = 0;
    for (int pass = 0; pass < 2; ++pass) {
        const double width = m_plot->plotArea().width();
        if (pass > 0 && std::abs(width - columns) <= kWidthSlack)
            break;
        columns = std::max(1, int(width));
        points = 0;
        for (std::size_t p = 0; p < m_plots.size(); ++p) {
            const auto cols = m_plots[p].series->decimate(m_from, m_to, columns);
            segmentsOf[p] = trend::plotSegments(cols, m_from, m_to);
            for (const trend::PlotSegment& segment : segmentsOf[p])
                points = std::max(points, segment.line.size());
            bandHeight[p] = 0;
            for (const trend::Column& c : cols)
                bandHeight[p] = std::max(bandHeight[p], c.count > 1 ? c.max - c.min : 0.0);
        }
        axes = valueAxes(segmentsOf);
        m_plot->setAxes(axes, timeAxis());
    }

    std::vector<TrendPlot::Line> lines;
    const double height = m_plot->plotArea().height();
    for (std::size_t p = 0; p < m_plots.size(); ++p) {
        const std::size_t axis = std::size_t(
            std::find(m_units.begin(), m_units.end(), m_plots[p].unit) - m_units.begin());
        // A band of less than a pixel lies under its line.
        const bool band = bandHeight[p] / (axes[axis].high - axes[axis].low) * height >= 1.0;
        lines.push_back({m_plots[p].colour, axis, std::move(segmentsOf[p]), band});
    }
    // A line with a point in every other pixel column or more looks no different without
    // smoothing, and a week of noisy lines paints in a fraction of the time.
    m_plot->setLines(std::move(lines), points < columns / 2);
    emit redrawn();
}

std::vector<TrendValueAxis>
TrendView::valueAxes(const std::vector<std::vector<trend::PlotSegment>>& segments) const
{
    const QColor text = palette().color(QPalette::Text);
    const double wantedTicks =
        m_plot->plotArea().height() /
        (QFontMetricsF(m_plot->smallFont(), m_plot).height() * kValueTickRoom);
    std::vector<TrendValueAxis> axes;
    for (const QString& unit : m_units) {
        double low = std::numeric_limits<double>::max();
        double high = std::numeric_limits<double>::lowest();
        std::vector<QColor> colours;
        for (std::size_t p = 0; p < m_plots.size(); ++p) {
            if (m_plots[p].unit != unit)
                continue;
            colours.push_back(m_plots[p].colour);
            for (const trend::PlotSegment& segment : segments[p]) {
                // A value beyond a float's range is no number to scale an axis by.
                for (const QPointF& point : segment.low) {
                    if (std::isfinite(point.y()))
                        low = std::min(low, point.y());
                }
                for (const QPointF& point : segment.high) {
                    if (std::isfinite(point.y()))
                        high = std::max(high, point.y());
                }
            }
        }
        const bool empty = low > high;
        if (empty) {
            low = 0;
            high = 1;
        }
        // A flat line gets a span of its own size's hundredth, not ticks in the ten-thousandths.
        const double margin =
            std::max({1e-3, (high - low) * 0.05, std::max(std::abs(low), std::abs(high)) * 0.005});
        TrendValueAxis axis;
        axis.low = low - margin;
        axis.high = high + margin;
        axis.ticks = trend::valueTicks(axis.low, axis.high, std::max(2, int(wantedTicks)));
        if (empty)
            axis.ticks.step = 0; // no labels: nothing in the span to read them against
        // One quantity: its colour says which line the axis belongs to (the legend gives the
        // unit). Several: the unit says it.
        axis.colour = colours.size() == 1 ? colours.front() : text;
        if (colours.size() != 1)
            axis.title = unit.isEmpty() ? tr("(no unit)") : unit;
        // One grid, from the first axis with labels: several would cross each other.
        axis.grid = !empty && std::none_of(axes.begin(), axes.end(),
                                           [](const TrendValueAxis& a) { return a.grid; });
        axes.push_back(axis);
    }
    return axes;
}

TrendTimeAxis TrendView::timeAxis() const
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const QFontMetricsF metrics(m_plot->smallFont(), m_plot);
    // A label's width and as much again of space beside it.
    const auto room = [&](const char* widest) {
        return metrics.horizontalAdvance(QString::fromLatin1(widest)) + metrics.height();
    };
    const double width = std::max(1.0, m_plot->plotArea().width());
    const qint64 span = m_to - m_from;
    qint64 step = trend::timeStep(span, width, std::max(room("00:00"), room("00.00.")));
    if (step < 60'000)
        step = trend::timeStep(span, width, room("00:00:00"));

    TrendTimeAxis axis{m_from, m_to, {}, {}};
    for (qint64 t : trend::timeTicks(m_from, m_to, step, zone))
        axis.ticks.emplace_back(t, trend::timeLabel(t, step, zone));
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(m_from, zone);
    const QDateTime to = QDateTime::fromMSecsSinceEpoch(m_to, zone);
    axis.title = trend::crossesMidnight(m_from, m_to, zone)
                     ? dateText(from) + QStringLiteral(" – ") + dateText(to)
                     : dateText(from);
    return axis;
}

void TrendView::setMarks(std::vector<TrendPlot::Mark> marks)
{
    m_plot->setMarks(std::move(marks));
}

std::vector<TrendView::SpanStatistics> TrendView::spanStatistics() const
{
    std::vector<SpanStatistics> out;
    for (const Plot& plot : m_plots) {
        // One column over the span: the series' pyramid gives it without visiting every sample.
        const std::vector<trend::Column> whole = plot.series->decimate(m_from, m_to + 1, 1);
        SpanStatistics s{plot.name};
        if (!whole.empty() && whole.front().count > 0)
            s = {plot.name, whole.front().count, whole.front().min, whole.front().mean,
                 whole.front().max};
        out.push_back(s);
    }
    return out;
}

void TrendView::addControl(QWidget* control)
{
    m_controls->addWidget(control);
}

void TrendView::setDetached()
{
    m_windowButton->hide();
    m_saveButton->show();
    auto* save = new QShortcut(QKeySequence::Save, this);
    connect(save, &QShortcut::activated, m_saveButton, &QToolButton::click);
}

TrendView* TrendView::openPopOut()
{
    if (!m_popOut) {
        // Over the same samples, resizable; it closes with the main window.
        m_popOut = new TrendView(m_store, window(), m_now);
        m_popOut->setWindowFlag(Qt::Window);
        m_popOut->setAttribute(Qt::WA_DeleteOnClose);
        m_popOut->setWindowTitle(tr("Korvane: trend"));
        m_popOut->setDetached();
        m_popOut->setChosen(chosen());
        m_popOut->setChosenDerived(chosenDerived());
        m_popOut->resize(960, 540);
    }
    m_popOut->show();
    m_popOut->raise();
    m_popOut->activateWindow();
    m_popOut->redraw();
    return m_popOut;
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
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        rebuildPlots();
        redraw();
    }
}

QImage TrendView::chartImage()
{
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const QDateTime from = QDateTime::fromMSecsSinceEpoch(m_from, zone);
    const QDateTime to = QDateTime::fromMSecsSinceEpoch(m_to, zone);
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QString span =
        from.toString(format) + QStringLiteral(" – ") +
        to.toString(trend::crossesMidnight(m_from, m_to, zone) ? format
                                                               : QStringLiteral("HH:mm:ss"));

    const QPixmap chart = m_plot->picture();
    const qreal ratio = chart.devicePixelRatio();
    const QSize size = chart.deviceIndependentSize().toSize();
    const int titleHeight = fontMetrics().height() + 8;
    QImage image(QSize(size.width(), size.height() + titleHeight) * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.fill(palette().color(QPalette::Base));
    QPainter painter(&image);
    painter.setPen(palette().color(QPalette::Text));
    painter.setFont(font());
    painter.drawText(QRect(0, 0, size.width(), titleHeight), Qt::AlignCenter, span);
    painter.drawPixmap(0, titleHeight, chart);
    return image;
}

} // namespace korvane::app
