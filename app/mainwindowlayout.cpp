// SPDX-License-Identifier: GPL-3.0-or-later
// The window's controls: names, kinds, captions, fonts, colours, positions (in twips) and order.
#include "app/appearance.h"
#include "app/logcontrol.h"
#include "app/mainwindow.h"
#include "app/phasorview.h"
#include "app/publishcontrol.h"
#include "app/trendview.h"
#include "app/twips.h"
#include "records/gridgeometry.h"

#include <QAbstractButton>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

namespace korvane::app {

namespace {
constexpr QColor kReadingGreen{0, 192, 0};
constexpr int kClientWidth = 11745;
constexpr int kClientHeight = 10050;
constexpr int kStatusLabelWidth = 1455;

struct ButtonSpec
{
    const char* caption;
    ButtonPicture picture;
    int top;
};

QToolButton* makeButton(QWidget* parent, const ButtonSpec& spec)
{
    auto* button = new QToolButton(parent);
    button->setText(QLatin1String(spec.caption));
    button->setIcon(buttonIcon(spec.picture));
    button->setIconSize(spec.picture == ButtonPicture::Help ? QSize(24, 24) : QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::StrongFocus);
    button->setGeometry(twipsRect(9960, spec.top, 1095, 855));
    return button;
}

QLabel* makeReadingLabel(QWidget* parent, const QString& text, const QRect& geometry)
{
    auto* label = new QLabel(text, parent);
    label->setFont(cjkFont(36, true));
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, kReadingGreen);
    label->setPalette(palette);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setGeometry(geometry);
    return label;
}

QLabel* makeStatusLabel(QWidget* parent, const QString& text, int top)
{
    auto* label = new QLabel(text, parent);
    label->setFont(cjkFont(12, false));
    label->setGeometry(twipsRect(9720, top, kStatusLabelWidth, 375));
    return label;
}
} // namespace

void MainWindow::buildControls()
{
    setWindowTitle(QStringLiteral("Korvane"));
    setWindowIcon(windowIcon());
    setFixedSize(px(kClientWidth), px(kClientHeight));

    // Siblings are created back to front: a later one lies in front of an earlier one.
    linkStatusLabel = makeStatusLabel(this, QStringLiteral("unconnected"), 8040);
    portStatusLabel = makeStatusLabel(this, QStringLiteral("COM status"), 7560);

    downloadProgress = new QProgressBar(this);
    downloadProgress->setGeometry(twipsRect(9720, 8520, 1455, 300));
    downloadProgress->setTextVisible(true);
    downloadProgress->setFormat(QStringLiteral("%v/%m"));
    downloadProgress->hide();

    tabs = new QTabWidget(this);
    tabs->addTab(new QWidget, QStringLiteral("Realtime"));
    tabs->addTab(new QWidget, QStringLiteral("Record"));
    tabs->addTab(new QWidget, QStringLiteral("Trend"));
    tabs->addTab(new QWidget, QStringLiteral("Phasor"));
    tabs->tabBar()->setFont(cjkFont(12, true));
    tabs->setGeometry(twipsRect(840, 600, 8535, 8246));

    // Row 0 and column 0 of the table are its headings: the view's headers show them, so they
    // stay in sight while the records scroll.
    m_gridModel.setSourceModel(&m_session.records());
    recordGrid = new QTableView(this);
    recordGrid->setModel(&m_gridModel);
    recordGrid->setFont(cjkFont(10.5, false));
    for (QHeaderView* header : {recordGrid->horizontalHeader(), recordGrid->verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Fixed);
        header->setHighlightSections(false);
    }
    auto* corner = recordGrid->findChild<QAbstractButton*>();
    new CornerHeading(corner, [this] { return m_gridModel.corner(); });
    // The corner is no section of either header, so it repaints only when told.
    connect(&m_gridModel, &QAbstractItemModel::modelReset, corner, qOverload<>(&QWidget::update));
    connect(&m_gridModel, &QAbstractItemModel::headerDataChanged, corner,
            qOverload<>(&QWidget::update));
    recordGrid->setItemDelegate(new GridCellDelegate(recordGrid));
    recordGrid->setStyleSheet(QStringLiteral(
        "QTableView { gridline-color: rgb(192, 192, 192); background-color: rgb(128, 128, 128); }"
        "QHeaderView::section, QTableCornerButton::section { background-color: palette(button); "
        "color: palette(button-text); border: 0px; border-right: 1px solid rgb(192, 192, 192); "
        "border-bottom: 1px solid rgb(192, 192, 192); }"));
    recordGrid->setGeometry(twipsRect(5760, 7320, 3135, 1095));

    const std::array<ButtonSpec, 5> buttons{{{"Close", ButtonPicture::Close, 6120},
                                             {"Help", ButtonPicture::Help, 4800},
                                             {"Clear", ButtonPicture::Clear, 3480},
                                             {"Save", ButtonPicture::Save, 2160},
                                             {"Read", ButtonPicture::Read, 840}}};
    closeButton = makeButton(this, buttons[0]);
    helpButton = makeButton(this, buttons[1]);
    clearButton = makeButton(this, buttons[2]);
    saveButton = makeButton(this, buttons[3]);
    readButton = makeButton(this, buttons[4]);
    clearButton->setEnabled(false);

    readingsPanel = new QFrame(this);
    readingsPanel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    readingsPanel->setAutoFillBackground(true); // it covers the grid, so it must paint
    readingsPanel->setGeometry(twipsRect(960, 1200, 8295, 7422));
    for (int i = 0; i < measure::kLiveRows; ++i) {
        const int top = 240 + 960 * i;
        captionLabels[i] = makeReadingLabel(readingsPanel, measure::kStartCaptions[i].toString(),
                                            twipsRect(240, top, i < 3 ? 2505 : 2520, 795));
        valueLabels[i] = makeReadingLabel(readingsPanel, measure::kStartValues[i].toString(),
                                          twipsRect(3000, top, 5055, 795));
    }

    trendView = new TrendView(m_session.trend(), this);
    trendView->setGeometry(readingsPanel->geometry());
    logControl = new LogControl(m_session, m_saveDialog, m_messages, trendView);
    trendView->addControl(logControl);
    publishControl = new PublishControl(m_session, trendView);
    trendView->addControl(publishControl);
    phasorView = new PhasorView(m_session.snapshot(), this);
    phasorView->setGeometry(readingsPanel->geometry());

    setTabOrder(closeButton, helpButton);
    setTabOrder(helpButton, clearButton);
    setTabOrder(clearButton, saveButton);
    setTabOrder(saveButton, readButton);
    setTabOrder(readButton, recordGrid);
    setTabOrder(recordGrid, tabs);
}

void MainWindow::gridinit()
{
    using records::kGridGeometry;
    m_session.clearRecords();
    recordGrid->setGeometry(twipsRect(kGridGeometry.left, kGridGeometry.top, kGridGeometry.width,
                                      kGridGeometry.height));
    // Column 0 is the vertical header and row 0 the horizontal one.
    recordGrid->verticalHeader()->setFixedWidth(px(kGridGeometry.columnWidth));
    for (int c = 0; c + 1 < records::RecordTable::kColumns; ++c)
        recordGrid->setColumnWidth(c, px(kGridGeometry.columnWidth));
    recordGrid->horizontalHeader()->setFixedHeight(px(kGridGeometry.fixedRowHeight));
    recordGrid->setRowHeight(0, px(kGridGeometry.fixedRowHeight));
}

void MainWindow::fitStatusLabel(QLabel* label)
{
    // The laid-out width, or as much more as the text needs up to the window's edge.
    const int laidOut = px(kStatusLabelWidth);
    const int room = width() - label->x();
    label->resize(std::clamp(label->sizeHint().width(), laidOut, std::max(room, laidOut)),
                  label->height());
}

} // namespace korvane::app
