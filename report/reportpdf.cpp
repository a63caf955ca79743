// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/reportpdf.h"

#include "measure/quantity.h"
#include "trend/plotsegments.h"
#include "trend/ticks.h"

#include <QBuffer>
#include <QDateTime>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTimeZone>

#include <algorithm>
#include <cmath>

namespace korvane::report {

using measure::Key;

namespace {
// The layout is in points (the painter scales them); text is laid out at the device's own
// resolution, since glyph advances hinted at a point per pixel would not match the outlines the
// PDF draws.
constexpr int kResolution = 1200;
constexpr double kPointsPerInch = 72;
constexpr double kMargin = 42;
constexpr double kBodySize = 8.5;
constexpr double kLine = 12;
constexpr double kLabelWidth = 90;
constexpr double kPlotHeight = 190;
constexpr double kAxisWidth = 44; // the value labels left of a plot
constexpr double kTimeAxisHeight = 14;

// IEC 60445: L1 brown, L2 black, L3 grey; the totals and single quantities blue.
const QColor kPhaseColours[] = {QColor(0x8b, 0x45, 0x13), QColor(0x10, 0x10, 0x10),
                                QColor(0x90, 0x90, 0x90)};
const QColor kTotalColour(0x1f, 0x5f, 0xbf);

struct Plot
{
    const char* title;
    std::array<Key, 4> keys;
    int count;
};
constexpr Plot kPlots[] = {
    {"Voltages", {Key::U1, Key::U2, Key::U3}, 3},
    {"Currents", {Key::I1, Key::I2, Key::I3, Key::I}, 4},
    {"Active power", {Key::P1, Key::P2, Key::P3, Key::P}, 4},
    {"Power factor", {Key::PF1, Key::PF2, Key::PF3, Key::PF}, 4},
    {"Frequency", {Key::F}, 1},
};

QColor colourOf(Key key)
{
    switch (key) {
    case Key::U1:
    case Key::I1:
    case Key::P1:
    case Key::PF1:
        return kPhaseColours[0];
    case Key::U2:
    case Key::I2:
    case Key::P2:
    case Key::PF2:
        return kPhaseColours[1];
    case Key::U3:
    case Key::I3:
    case Key::P3:
    case Key::PF3:
        return kPhaseColours[2];
    default:
        return kTotalColour;
    }
}

// Enough decimals for what the meter resolves in that unit.
int decimalsFor(const QuantityStats& s)
{
    if (const auto key = measure::keyNamed(s.name)) {
        switch (measure::keyInfo(*key).group) {
        case measure::Group::Voltage:
            return 2;
        case measure::Group::Current:
        case measure::Group::PowerFactor:
        case measure::Group::Frequency:
            return 3;
        case measure::Group::Active:
        case measure::Group::Reactive:
        case measure::Group::Apparent:
        case measure::Group::Angle:
            return 1;
        case measure::Group::Sequence:
            return 0;
        }
    }
    return s.unit == QLatin1String("Wh") ? 1 : 2;
}

QString number(double v, int decimals)
{
    return QString::number(v, 'f', decimals);
}

QString localTime(qint64 ms)
{
    return QDateTime::fromMSecsSinceEpoch(ms).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString utcOffset(qint64 ms)
{
    const int seconds = QDateTime::fromMSecsSinceEpoch(ms).offsetFromUtc();
    const int minutes = std::abs(seconds) / 60;
    return QStringLiteral("UTC%1%2:%3")
        .arg(QChar(seconds < 0 ? u'-' : u'+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString duration(qint64 ms)
{
    qint64 s = (ms + 500) / 1000;
    const qint64 days = s / 86400;
    s %= 86400;
    QStringList parts;
    if (days > 0)
        parts << QStringLiteral("%1 d").arg(days);
    if (days > 0 || s >= 3600)
        parts << QStringLiteral("%1 h").arg(s / 3600);
    if (days == 0 && s >= 60)
        parts << QStringLiteral("%1 min").arg(s % 3600 / 60);
    if (days == 0 && s < 3600)
        parts << QStringLiteral("%1 s").arg(s % 60);
    return parts.join(u' ');
}

QString share(int part, int whole)
{
    return whole > 0 ? QStringLiteral("%1 %").arg(number(100.0 * part / whole, 1))
                     : QStringLiteral("–");
}

// Lays the report out top to bottom, page after page.
class Layout
{
public:
    Layout(QPdfWriter& writer, QPainter& painter)
        : m_writer(writer), m_painter(painter), m_scale(writer.resolution() / kPointsPerInch),
          m_width(writer.width() / m_scale), m_height(writer.height() / m_scale)
    {
        m_painter.scale(m_scale, m_scale);
        m_body.setFamily(QStringLiteral("DejaVu Sans"));
        m_body.setStyleHint(QFont::SansSerif);
        m_body.setPointSizeF(kBodySize);
        m_bold = m_body;
        m_bold.setBold(true);
        m_heading = m_bold;
        m_heading.setPointSizeF(11);
        m_title = m_bold;
        m_title.setPointSizeF(16);
    }

    double width() const { return m_width; }

    // Room for `height` more on this page, else a new page.
    void need(double height)
    {
        if (m_y + height > m_height && m_y > 0) {
            m_writer.newPage();
            m_y = 0;
        }
    }

    void title(const QString& text)
    {
        m_painter.setFont(m_title);
        m_painter.setPen(Qt::black);
        textAt(QPointF(0, m_y + 16), text);
        m_y += 28;
    }

    void heading(const QString& text)
    {
        need(3 * kLine);
        m_y += 8;
        m_painter.setFont(m_heading);
        m_painter.setPen(Qt::black);
        textAt(QPointF(0, m_y + 11), text);
        m_y += 18;
    }

    // A label and its value, the labels in a column of their own.
    void field(const QString& label, const QString& value)
    {
        need(kLine);
        m_painter.setPen(Qt::black);
        m_painter.setFont(m_bold);
        textAt(QPointF(0, m_y + 9), label);
        m_painter.setFont(m_body);
        const QRectF box(kLabelWidth, m_y, m_width - kLabelWidth, kLine);
        const double height = std::max(kLine, textBounds(box, Qt::TextWordWrap, value).height());
        text(QRectF(box.topLeft(), QSizeF(box.width(), height)), Qt::TextWordWrap, value);
        m_y += height;
    }

    void paragraph(const QString& words)
    {
        m_painter.setFont(m_body);
        m_painter.setPen(Qt::black);
        const QRectF box(0, m_y, m_width, 1e6);
        const QRectF used = textBounds(box, Qt::TextWordWrap, words);
        need(used.height());
        text(QRectF(0, m_y, m_width, used.height()), Qt::TextWordWrap, words);
        m_y += used.height() + 4;
    }

    void line(const QString& text) { row({text}, {0}, false); }

    // Cells at the given left edges; a cell after the first is right-aligned to the next edge
    // when `numbers` is set.
    void row(const QStringList& cells, const std::vector<double>& edges, bool bold,
             bool numbers = false)
    {
        need(kLine);
        m_painter.setFont(bold ? m_bold : m_body);
        m_painter.setPen(Qt::black);
        for (qsizetype i = 0; i < cells.size(); ++i) {
            const double left = edges[std::size_t(i)];
            const double right =
                std::size_t(i) + 1 < edges.size() ? edges[std::size_t(i) + 1] - 6 : m_width;
            const Qt::Alignment align = numbers && i >= 2 ? Qt::AlignRight : Qt::AlignLeft;
            text(QRectF(left, m_y, right - left, kLine), align | Qt::AlignTop, cells[i]);
        }
        m_y += kLine;
    }

    void rule()
    {
        m_painter.setPen(QPen(Qt::gray, 0.5));
        m_painter.drawLine(QPointF(0, m_y + 1), QPointF(m_width, m_y + 1));
        m_y += 3;
    }

    // A plot of the keys' decimated columns over the report's period; nothing when none of
    // them has samples in it.
    void plot(const Plot& plot, const Report& report, const trend::TrendStore& store);

private:
    // Text in points, drawn and measured untransformed at the device's resolution.
    void text(const QRectF& box, int flags, const QString& words)
    {
        const QTransform points = m_painter.transform();
        m_painter.save();
        m_painter.resetTransform();
        m_painter.drawText(points.mapRect(box), flags, words);
        m_painter.restore();
    }
    void textAt(QPointF baseline, const QString& words)
    {
        const QTransform points = m_painter.transform();
        m_painter.save();
        m_painter.resetTransform();
        m_painter.drawText(points.map(baseline), words);
        m_painter.restore();
    }
    QRectF textBounds(const QRectF& box, int flags, const QString& words)
    {
        const QTransform points = m_painter.transform();
        m_painter.save();
        m_painter.resetTransform();
        const QRectF bounds = m_painter.boundingRect(points.mapRect(box), flags, words);
        m_painter.restore();
        return points.inverted().mapRect(bounds);
    }
    double advance(const QString& words) const
    {
        return QFontMetricsF(m_painter.font(), &m_writer).horizontalAdvance(words) / m_scale;
    }

    QPdfWriter& m_writer;
    QPainter& m_painter;
    double m_scale; // device pixels per point
    double m_width;
    double m_height;
    double m_y = 0;
    QFont m_body;
    QFont m_bold;
    QFont m_heading;
    QFont m_title;
};

void Layout::plot(const Plot& plot, const Report& report, const trend::TrendStore& store)
{
    const qint64 from = report.fromMs;
    const qint64 to = report.toMs;
    if (to <= from)
        return;
    const QRectF area(kAxisWidth, 0, m_width - kAxisWidth - 4, kPlotHeight - kTimeAxisHeight - 18);
    const int columns = int(area.width());
    struct Drawn
    {
        Key key;
        std::vector<trend::PlotSegment> segments;
    };
    std::vector<Drawn> drawn;
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (int i = 0; i < plot.count; ++i) {
        const Key key = plot.keys[std::size_t(i)];
        const std::vector<trend::Column> cols = store.series(key).decimate(from, to, columns);
        bool any = false;
        for (const trend::Column& c : cols) {
            if (c.count == 0)
                continue;
            any = true;
            low = std::min(low, c.min);
            high = std::max(high, c.max);
        }
        if (any)
            drawn.push_back({key, trend::plotSegments(cols, from, to)});
    }
    if (drawn.empty())
        return;
    // A little room above and below, and some for a level line.
    const double pad =
        high - low < 1e-9 ? std::max(std::abs(high) * 0.01, 0.5) : (high - low) * 0.04;
    low -= pad;
    high += pad;
    const trend::ValueTicks ticks = trend::valueTicks(low, high, 5);

    need(kPlotHeight + 10);
    m_y += 10;
    m_painter.save();
    m_painter.translate(0, m_y);
    m_painter.setFont(m_bold);
    m_painter.setPen(Qt::black);
    textAt(QPointF(0, 10), QString::fromLatin1(plot.title));
    // The legend, right-aligned on the title's line.
    m_painter.setFont(m_body);
    double x = m_width;
    for (auto it = drawn.rbegin(); it != drawn.rend(); ++it) {
        const measure::KeyInfo& info = measure::keyInfo(it->key);
        const QString label = info.unit.isEmpty()
                                  ? info.name.toString()
                                  : QStringLiteral("%1 [%2]").arg(info.name, info.unit);
        x -= advance(label);
        m_painter.setPen(Qt::black);
        textAt(QPointF(x, 10), label);
        x -= 16;
        m_painter.setPen(QPen(colourOf(it->key), 1.5));
        m_painter.drawLine(QPointF(x, 7), QPointF(x + 12, 7));
        x -= 10;
    }
    m_painter.translate(0, 16);

    const auto xOf = [&](double ms) {
        return area.left() + (ms - double(from)) / double(to - from) * area.width();
    };
    const auto yOf = [&](double v) {
        return area.bottom() - (v - low) / (high - low) * area.height();
    };
    m_painter.setPen(QPen(QColor(0xdd, 0xdd, 0xdd), 0.4));
    for (double v = ticks.first; v <= high + ticks.step * 1e-9; v += ticks.step) {
        const double y = yOf(v);
        m_painter.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const double labelWidth = advance(QStringLiteral("00:00:00")) + 8;
    const qint64 step = trend::timeStep(to - from, area.width(), labelWidth);
    const std::vector<qint64> times = trend::timeTicks(from, to, step, zone);
    for (qint64 t : times)
        m_painter.drawLine(QPointF(xOf(double(t)), area.top()),
                           QPointF(xOf(double(t)), area.bottom()));

    m_painter.setClipRect(area.adjusted(-1, -1, 1, 1));
    for (const Drawn& d : drawn) {
        QColor band = colourOf(d.key);
        band.setAlpha(60);
        for (const trend::PlotSegment& s : d.segments) {
            // The band between the columns' minima and maxima, around the line of their means.
            QPolygonF outline;
            outline.reserve(s.low.size() + s.high.size());
            for (const QPointF& p : s.low)
                outline << QPointF(xOf(p.x()), yOf(p.y()));
            for (auto p = s.high.rbegin(); p != s.high.rend(); ++p)
                outline << QPointF(xOf(p->x()), yOf(p->y()));
            m_painter.setPen(Qt::NoPen);
            m_painter.setBrush(band);
            m_painter.drawPolygon(outline);
            QPolygonF line;
            line.reserve(s.line.size());
            for (const QPointF& p : s.line)
                line << QPointF(xOf(p.x()), yOf(p.y()));
            m_painter.setPen(QPen(colourOf(d.key), 0.8));
            m_painter.setBrush(Qt::NoBrush);
            if (line.size() == 1)
                m_painter.drawPoint(line.first());
            else
                m_painter.drawPolyline(line);
        }
    }
    m_painter.setClipping(false);

    m_painter.setPen(QPen(Qt::black, 0.6));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawRect(area);
    for (double v = ticks.first; v <= high + ticks.step * 1e-9; v += ticks.step)
        text(QRectF(0, yOf(v) - 6, kAxisWidth - 4, 12), Qt::AlignRight | Qt::AlignVCenter,
             number(v, ticks.decimals));
    for (qint64 t : times)
        text(QRectF(xOf(double(t)) - 40, area.bottom() + 2, 80, kTimeAxisHeight),
             Qt::AlignHCenter | Qt::AlignTop, trend::timeLabel(t, step, zone));
    m_painter.restore();
    m_y += kPlotHeight;
}

void draw(QPdfWriter& writer, QPainter& painter, const Report& report,
          const trend::TrendStore& store)
{
    Layout out(writer, painter);
    out.title(report.title);
    out.field(QStringLiteral("Meter"),
              report.meter.isEmpty() ? QStringLiteral("not named in the log") : report.meter);
    out.field(QStringLiteral("Period"),
              QStringLiteral("%1 to %2 (%3, %4)")
                  .arg(localTime(report.fromMs), localTime(report.toMs), utcOffset(report.fromMs),
                       duration(report.toMs - report.fromMs)));
    out.field(QStringLiteral("Frames"), QString::number(report.frames));
    out.field(QStringLiteral("Gaps"),
              report.gaps == 0
                  ? QStringLiteral("none")
                  : QStringLiteral("%1, %2 in all").arg(report.gaps).arg(duration(report.gapMs)));
    out.field(QStringLiteral("Nominal"),
              QStringLiteral("%1 V, %2 Hz")
                  .arg(number(report.nominalVoltage, 0), number(report.nominalFrequency, 0)));
    for (qsizetype i = 0; i < report.files.size(); ++i)
        out.field(i == 0 ? QStringLiteral("Logs") : QString(), report.files[i]);

    out.heading(QStringLiteral("Statistics"));
    const double w = out.width();
    const std::vector<double> edges{0,        w * 0.11, w * 0.19, w * 0.32,
                                    w * 0.46, w * 0.60, w * 0.74, w * 0.88};
    out.row({QStringLiteral("quantity"), QStringLiteral("unit"), QStringLiteral("count"),
             QStringLiteral("min"), QStringLiteral("mean"), QStringLiteral("max"),
             QStringLiteral("p5"), QStringLiteral("p95")},
            edges, true, true);
    out.rule();
    for (const QuantityStats& s : report.statistics) {
        const int d = decimalsFor(s);
        out.row({s.name, s.unit, QString::number(s.count), number(s.min, d), number(s.mean, d),
                 number(s.max, d), number(s.p5, d), number(s.p95, d)},
                edges, false, true);
    }
    if (report.statistics.empty())
        out.line(QStringLiteral("No readings in the period."));

    out.heading(QStringLiteral("Supply quality"));
    out.paragraph(methodText(report));
    const SupplyQuality& q = report.quality;
    const double un = report.nominalVoltage;
    for (const PhaseVoltageQuality& v : q.voltages) {
        if (v.windows == 0) {
            out.field(v.name, QStringLiteral("no samples"));
            continue;
        }
        out.field(v.name,
                  QStringLiteral("%1 of %2 10-minute means within %3–%4 V (%5); "
                                 "lowest %6 V, highest %7 V")
                      .arg(v.within)
                      .arg(v.windows)
                      .arg(number(un * 0.9, 1), number(un * 1.1, 1), share(v.within, v.windows),
                           number(v.lowestMean, 2), number(v.highestMean, 2)));
    }
    const double fn = report.nominalFrequency;
    out.field(QStringLiteral("F"),
              q.frequencyWindows == 0
                  ? QStringLiteral("no samples")
                  : QStringLiteral("%1 of %2 10-second means within %3–%4 Hz (%5); lowest %6 "
                                   "Hz, highest %7 Hz")
                        .arg(q.frequencyWithin)
                        .arg(q.frequencyWindows)
                        .arg(number(fn * 0.99, 2), number(fn * 1.01, 2),
                             share(q.frequencyWithin, q.frequencyWindows),
                             number(q.lowestFrequency, 3), number(q.highestFrequency, 3)));
    out.field(QStringLiteral("Unbalance"),
              q.unbalanceSamples == 0
                  ? QStringLiteral("U1, U2 and U3 never known together")
                  : QStringLiteral("95th percentile %1 %, maximum %2 %, over %3 frame times")
                        .arg(number(q.unbalanceP95, 2), number(q.unbalanceMax, 2))
                        .arg(q.unbalanceSamples));

    out.heading(QStringLiteral("Energy and cost"));
    if (report.counters.empty())
        out.line(QStringLiteral("The log holds no energy."));
    for (const CounterTotal& c : report.counters) {
        QString text = QStringLiteral("%1 %2 in the period").arg(number(c.added, 2), c.unit);
        if (!c.resets.empty()) {
            QStringList when;
            for (qint64 t : c.resets)
                when << localTime(t);
            text += QStringLiteral("; Reset %1 (%2)")
                        .arg(c.resets.size() == 1 ? QStringLiteral("once")
                                                  : QStringLiteral("%1 times").arg(c.resets.size()),
                             when.join(QStringLiteral(", ")));
        }
        out.field(c.name, text);
    }

    out.heading(QStringLiteral("Alarm events"));
    if (report.alarms.empty())
        out.line(QStringLiteral("None in the period."));
    const std::size_t listed = std::min<std::size_t>(report.alarms.size(), kMaxAlarmsListed);
    for (std::size_t i = 0; i < listed; ++i)
        out.row({localTime(report.alarms[i].ms), report.alarms[i].text}, {0, 100}, false);
    if (report.alarms.size() > listed)
        out.line(QStringLiteral("... and %1 more").arg(report.alarms.size() - listed));

    for (const Plot& plot : kPlots)
        out.plot(plot, report, store);
}
} // namespace

QByteArray pdfBytes(const Report& report, const trend::TrendStore& store, QString* error)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        if (error)
            *error = QStringLiteral("a PDF needs the program's graphics (QGuiApplication)");
        return {};
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(kResolution);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                         QMarginsF(kMargin, kMargin, kMargin, kMargin),
                                         QPageLayout::Point));
        writer.setTitle(report.title);
        writer.setCreator(QStringLiteral("Korvane"));
        QPainter painter;
        if (!painter.begin(&writer)) {
            if (error)
                *error = QStringLiteral("the PDF could not be started");
            return {};
        }
        painter.setRenderHint(QPainter::Antialiasing);
        draw(writer, painter, report, store);
        painter.end();
    }
    return buffer.data();
}

QString writePdf(const QString& path, const Report& report, const trend::TrendStore& store)
{
    QString error;
    const QByteArray bytes = pdfBytes(report, store, &error);
    if (bytes.isEmpty())
        return error;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

} // namespace korvane::report
