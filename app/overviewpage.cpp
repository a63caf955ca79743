// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/overviewpage.h"

#include "app/filetypes.h"

#include "app/overviewpainter.h"
#include "export/overviewcsv.h"
#include "export/picture.h"
#include "session/metersession.h"

#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <chrono>
#include <vector>

namespace korvane::app {

namespace {
constexpr std::chrono::milliseconds kAgeTick{1000};
// A saved picture is never smaller than the page at the window's default size.
constexpr QSize kMinimumSaveSize{553, 460};

// What, when it changes, repaints the whole page rather than a reading's cells: which cells show
// greyed, and each row's unit.
struct Look
{
    std::vector<bool> stale;
    QStringList units;

    explicit Look(const measure::OverviewTable& table) : stale{table.type3Stale}
    {
        for (const auto* rows : {&table.details, &table.type3}) {
            for (const measure::OverviewRow& row : *rows) {
                stale.push_back(row.cells.front().stale);
                units << row.unit;
            }
        }
        for (const measure::OverviewRow& row : table.grid) {
            units << row.unit;
            for (const measure::OverviewCell& cell : row.cells)
                stale.push_back(cell.stale);
        }
    }
    Look() = default;
    bool operator==(const Look&) const = default;
};
} // namespace

// The painted part of the page, everything but the Reset button.
class OverviewCanvas : public QWidget
{
public:
    explicit OverviewCanvas(const OverviewPage& page) : m_page(page)
    {
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    }

    // Repaints when a cell has turned stale since the last paint.
    void updateIfAged()
    {
        if (Look(m_page.table()) != m_painted)
            update();
    }

    // Repaints the cells the reading changed, or everything when a unit or a grey changed.
    void updateFor(const measure::Reading& reading)
    {
        if (!isVisible())
            return;
        if (Look(m_page.table()) != m_painted) {
            update();
            return;
        }
        if (reading.kind == 3)
            update(m_layout.type3.toAlignedRect());
        for (const measure::Quantity& quantity : reading.values())
            update(
                m_layout.cells[std::size_t(quantity.key)].toAlignedRect().adjusted(-1, -1, 1, 1));
    }

protected:
    void paintEvent(QPaintEvent* event) override
    {
        const measure::OverviewTable table = m_page.table();
        m_painted = Look(table);
        QPainter painter(this);
        painter.setClipRect(event->rect());
        paintOverview(painter, QRectF(rect()).adjusted(8, 8, -8, -4), table, palette(), font(),
                      m_page.footer(), {}, &m_layout);
    }

private:
    const OverviewPage& m_page;
    Look m_painted;
    OverviewLayout m_layout;
};

OverviewPage::OverviewPage(session::MeterSession& session, QWidget* parent)
    : QWidget(parent), m_session(session), m_minMaxSinceMs(session.now()),
      m_canvas(new OverviewCanvas(*this)), m_reset(new QPushButton(tr("Reset")))
{
    setAutoFillBackground(true);
    m_reset->setToolTip(tr("Forget the lowest and highest values"));
    m_alarms = new QPushButton(tr("Alarms..."));
    m_alarms->setToolTip(tr("Rules that raise an alarm, and what each one runs"));
    m_alarmLines = new QLabel;
    m_alarmLines->setWordWrap(true);
    m_alarmLines->setTextFormat(Qt::PlainText);
    m_alarmLines->hide();
    m_energy = new QPushButton(tr("Energy..."));
    m_energy->setToolTip(tr("Count the energy consumed, and its cost from a tariff"));
    m_resetEnergy = new QPushButton(tr("Reset energy"));
    m_resetEnergy->setToolTip(tr("Start the energy and its cost again from zero"));
    m_resetEnergy->hide();
    m_energyLines = new QLabel;
    m_energyLines->setWordWrap(true);
    m_energyLines->setTextFormat(Qt::PlainText);
    m_energyLines->hide();
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_alarms);
    buttons->addWidget(m_energy);
    buttons->addWidget(m_resetEnergy);
    buttons->addStretch();
    buttons->addWidget(m_reset);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 8, 8);
    layout->addWidget(m_canvas, 1);
    layout->addWidget(m_energyLines);
    layout->addWidget(m_alarmLines);
    layout->addLayout(buttons);

    connect(m_reset, &QPushButton::clicked, this, &OverviewPage::resetMinMax);
    connect(&session, &session::MeterSession::readingReceived, this,
            [this](const measure::Reading& reading) {
                m_tracker.add(reading);
                m_linkLost = false;
                m_canvas->updateFor(reading);
            });
    connect(&session, &session::MeterSession::linkLost, this, [this] {
        m_linkLost = true;
        m_canvas->update();
    });
    m_ageTimer.setInterval(kAgeTick);
    connect(&m_ageTimer, &QTimer::timeout, m_canvas, &OverviewCanvas::updateIfAged);
    connect(&m_ageTimer, &QTimer::timeout, this, &OverviewPage::refreshEnergy);
}

void OverviewPage::setEnergySource(std::function<QStringList()> lines)
{
    m_energySource = std::move(lines);
    refreshEnergy();
}

void OverviewPage::refreshEnergy()
{
    const QStringList lines = m_energySource ? m_energySource() : QStringList();
    m_energyLines->setVisible(!lines.isEmpty());
    m_resetEnergy->setVisible(!lines.isEmpty());
    const QString text = lines.join(u'\n');
    if (m_energyLines->text() != text)
        m_energyLines->setText(text);
}

QString OverviewPage::energyText() const
{
    return m_energyLines->text();
}

measure::OverviewTable OverviewPage::table() const
{
    return measure::overviewTable(m_session.snapshot(), m_tracker, m_session.now(), m_linkLost);
}

void OverviewPage::setAlarmLines(const QStringList& lines, qsizetype rules)
{
    m_lines = lines;
    if (rules == 0)
        m_problem.clear();
    m_alarmLines->setVisible(rules > 0);
    m_alarmLines->setText(alarmText());
}

void OverviewPage::setAlarmProblem(const QString& text)
{
    m_problem = text;
    m_alarmLines->setText(alarmText());
}

QString OverviewPage::alarmText() const
{
    QStringList lines = m_lines;
    if (lines.isEmpty())
        lines << tr("Alarms: no event yet.");
    else
        lines.prepend(tr("Alarms, latest first:"));
    if (!m_problem.isEmpty())
        lines << m_problem;
    return lines.join(u'\n');
}

void OverviewPage::resetMinMax()
{
    m_tracker.resetMinMax();
    m_minMaxSinceMs = m_session.now();
    m_canvas->update();
}

QString OverviewPage::footer() const
{
    return tr("\u2193 lowest, \u2191 highest since %1  \u00B7  grey: older than %2 s or the link "
              "lost")
        .arg(QDateTime::fromMSecsSinceEpoch(m_minMaxSinceMs).toString(QStringLiteral("HH:mm:ss")))
        .arg(std::chrono::duration_cast<std::chrono::seconds>(measure::kStaleAfter).count());
}

QImage OverviewPage::renderForSave(const QDateTime& at) const
{
    const QSize size = m_canvas->size().expandedTo(kMinimumSaveSize);
    QImage image(size, QImage::Format_RGB32);
    image.fill(palette().color(QPalette::Window));
    QPainter painter(&image);
    paintOverview(painter, QRectF(8, 8, size.width() - 16, size.height() - 12), table(), palette(),
                  font(), footer(),
                  tr("Overview  %1").arg(at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))));
    return image;
}

void OverviewPage::showEvent(QShowEvent*)
{
    m_ageTimer.start();
}

void OverviewPage::hideEvent(QHideEvent*)
{
    m_ageTimer.stop();
}

SaveOffer OverviewPage::saveOffer()
{
    // The screen and its cells as they are when Save is clicked, at one time.
    const qint64 now = m_session.now();
    const QImage shot = renderForSave(QDateTime::fromMSecsSinceEpoch(now));
    const measure::OverviewTable cells = table();
    return {QStringLiteral("Korvane overview"),
            {{FileTypes::png(), QStringLiteral("png"),
              [shot](const QString& path) { return exporting::savePng(path, shot); }},
             {FileTypes::csv(), QStringLiteral("csv"), [cells, now](const QString& path) {
                  return exporting::saveOverviewCsv(path, cells, now);
              }}}};
}

} // namespace korvane::app
