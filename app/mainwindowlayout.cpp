// SPDX-License-Identifier: GPL-3.0-or-later
// The window's controls: names, kinds, captions, fonts, positions (in twips at the default
// size), how they follow a resize, the keyboard order and the shortcuts.
#include "app/appearance.h"
#include "app/logcontrol.h"
#include "app/mainwindow.h"
#include "app/overviewpage.h"
#include "app/phasorpage.h"
#include "app/publishcontrol.h"
#include "app/realtimepage.h"
#include "app/recordpage.h"
#include "app/trendpage.h"
#include "app/twips.h"
#include "app/watchcontrol.h"

#include <QEvent>
#include <QKeySequence>
#include <QLabel>
#include <QProgressBar>
#include <QShortcut>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

#include <array>

namespace korvane::app {

namespace {
constexpr int kStatusLabelWidth = 1455;
constexpr QRect kTabStrip = twipsRect(840, 600, 8535, 8246);
constexpr QRect kPortStatus = twipsRect(9720, 7560, kStatusLabelWidth, 375);
constexpr QRect kLinkStatus = twipsRect(9720, 8040, kStatusLabelWidth, 375);
constexpr QRect kProgress = twipsRect(9720, 8520, 1455, 300);
constexpr int kButtonLeft = 9960;
constexpr int kButtonHeight = 855;

struct ButtonSpec
{
    QString caption; // with its mnemonic
    ButtonPicture picture;
};

QToolButton* makeButton(QWidget* parent, const ButtonSpec& spec)
{
    auto* button = new QToolButton(parent);
    button->setText(spec.caption);
    button->setIcon(buttonIcon(spec.picture, button->palette()));
    button->setIconSize(spec.picture == ButtonPicture::Help ? QSize(24, 24) : QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::StrongFocus);
    return button;
}

QLabel* makeStatusLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setFont(cjkFont(12, false));
    return label;
}
} // namespace

void MainWindow::buildControls()
{
    setWindowTitle(QStringLiteral("Korvane"));
    setWindowIcon(windowIcon());
    resize(kDefaultClientSize);
    // The buttons and the status labels under them still fit; the pages take what is left.
    setMinimumSize(px(9000), px(7200));

    // Siblings are created back to front: a later one lies in front of an earlier one.
    linkStatusLabel = makeStatusLabel(this, tr("unconnected"));
    portStatusLabel = makeStatusLabel(this, tr("COM status"));

    downloadProgress = new QProgressBar(this);
    downloadProgress->setTextVisible(true);
    downloadProgress->setFormat(QStringLiteral("%v/%m"));
    downloadProgress->hide();

    // White on red reads in a light and a dark theme alike.
    alarmBanner = new QLabel(this);
    alarmBanner->setStyleSheet(QStringLiteral(
        "QLabel { background-color: rgb(176, 0, 32); color: white; padding: 2px 6px; }"));
    alarmBanner->setWordWrap(true);
    alarmBanner->setTextFormat(Qt::PlainText);
    alarmBanner->hide();

    tabs = new QTabWidget(this);
    tabs->tabBar()->setFont(cjkFont(12, true));

    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    watchControl = new WatchControl(m_session, *m_notifier, dataFolder, this);

    // The pages lie over the tab strip's client area; the readings panel in front of the grid.
    recordPage = new RecordPage(m_session, m_typeIndex, this);
    realtimePage = new RealtimePage(m_session, m_capture, *this, m_typeIndex, this);
    trendPage = new TrendPage(m_session, m_saveDialog, m_messages, this);
    trendPage->logControl->setWatch(watchControl);
    trendPage->publishControl->setWatch(watchControl);
    phasorPage = new PhasorPage(m_session, this);
    overviewPage = new OverviewPage(m_session, this);
    m_pages = {realtimePage, recordPage, trendPage, phasorPage, overviewPage};
    for (Page* page : m_pages) {
        tabs->addTab(new QWidget, page->title());
        // The pages lie over the tab strip and over each other: each paints its whole area.
        page->widget()->setAutoFillBackground(true);
    }

    readingsPanel = realtimePage;
    recordGrid = recordPage->grid;
    trendView = trendPage->view;
    logControl = trendPage->logControl;
    publishControl = trendPage->publishControl;
    phasorView = phasorPage->view;

    // Made in the order Tab visits them: the tab strip, the page shown, the buttons top to
    // bottom.
    readButton = makeButton(this, {tr("&Read"), ButtonPicture::Read});
    saveButton = makeButton(this, {tr("&Save"), ButtonPicture::Save});
    clearButton = makeButton(this, {tr("C&lear"), ButtonPicture::Clear});
    helpButton = makeButton(this, {tr("&Help"), ButtonPicture::Help});
    closeButton = makeButton(this, {tr("&Close"), ButtonPicture::Close});
    m_buttonTops = {{readButton, 840},
                    {saveButton, 2160},
                    {clearButton, 3480},
                    {helpButton, 4800},
                    {closeButton, 6120}};
    clearButton->setEnabled(false);

    placeControls();
}

void MainWindow::addShortcuts()
{
    for (int i = 0; i < int(m_pages.size()); ++i) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)), this);
        connect(shortcut, &QShortcut::activated, this, [this, i] { tabs->setCurrentIndex(i); });
    }
    const std::array<std::pair<QKeySequence, QToolButton*>, 4> keys{{
        {QKeySequence(Qt::CTRL | Qt::Key_S), saveButton},
        {QKeySequence(Qt::CTRL | Qt::Key_R), readButton},
        {QKeySequence(Qt::Key_F1), helpButton},
        {QKeySequence(Qt::CTRL | Qt::Key_Q), closeButton},
    }};
    for (const auto& [sequence, button] : keys) {
        auto* shortcut = new QShortcut(sequence, this);
        // A click does nothing on a disabled button, so Ctrl+R reads on the Record tab only.
        connect(shortcut, &QShortcut::activated, button, &QToolButton::click);
        button->setToolTip(
            tr("%1 (%2)", "a button and its shortcut")
                .arg(button->text().remove(u'&'), sequence.toString(QKeySequence::NativeText)));
    }
}

void MainWindow::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::PaletteChange || !readButton)
        return;
    // A dark or light palette chosen while running: the pictures follow the text colour.
    const std::array<std::pair<QToolButton*, ButtonPicture>, 5> pictures{{
        {readButton, ButtonPicture::Read},
        {saveButton, ButtonPicture::Save},
        {clearButton, ButtonPicture::Clear},
        {helpButton, ButtonPicture::Help},
        {closeButton, ButtonPicture::Close},
    }};
    for (const auto& [button, picture] : pictures)
        button->setIcon(buttonIcon(picture, palette()));
}

void MainWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeControls();
}

void MainWindow::placeControls()
{
    // At the default size everything lies where it was laid out. Grown, the tab strip and the
    // pages take the room and the right column keeps to the right edge; lower than laid out
    // (a small screen, a large scale factor), the right column closes up so it all still shows.
    const int dx = width() - kDefaultClientSize.width();
    const int dy = height() - kDefaultClientSize.height();
    const double closeUp = std::min(1.0, height() / double(kDefaultClientSize.height()));
    const auto inColumn = [dx, closeUp](const QRect& laidOut) {
        return QRect(laidOut.x() + dx, qRound(laidOut.y() * closeUp), laidOut.width(),
                     laidOut.height());
    };
    tabs->setGeometry(kTabStrip.adjusted(0, 0, dx, dy));
    for (Page* page : m_pages)
        page->widget()->setGeometry(kDefaultPageArea.adjusted(0, 0, dx, dy));
    for (const auto& [button, top] : m_buttonTops)
        button->setGeometry(inColumn(twipsRect(kButtonLeft, top, 1095, kButtonHeight)));
    portStatusLabel->setGeometry(inColumn(kPortStatus));
    linkStatusLabel->setGeometry(inColumn(kLinkStatus));
    downloadProgress->setGeometry(inColumn(kProgress));
    // Under the tab strip, as wide as it; the lines it needs, at most what is left below.
    const QRect strip = kTabStrip.adjusted(0, 0, dx, dy);
    const int bannerTop = strip.bottom() + 5;
    const int bannerHeight =
        std::min(alarmBanner->heightForWidth(strip.width()), std::max(0, height() - bannerTop - 2));
    alarmBanner->setGeometry(strip.left(), bannerTop, strip.width(), bannerHeight);
    fitStatusLabel(portStatusLabel);
    fitStatusLabel(linkStatusLabel);
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
