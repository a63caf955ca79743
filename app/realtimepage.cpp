// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/realtimepage.h"

#include "app/appearance.h"
#include "app/filetypes.h"
#include "app/readingcolours.h"
#include "app/twips.h"
#include "export/liveviewtext.h"
#include "export/picture.h"
#include "measure/livetexts.h"

#include <QEvent>
#include <QLabel>

namespace korvane::app {

namespace {
constexpr double kReadingPoints = 36;
constexpr double kMarkPoints = 12;

QLabel* makeReadingLabel(QWidget* parent, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setFont(cjkFont(kReadingPoints, true));
    label->setAutoFillBackground(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

void colour(QLabel* label, const QColor& background, const QColor& text)
{
    QPalette palette = label->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Window, background);
        palette.setColor(group, QPalette::WindowText, text);
    }
    label->setPalette(palette);
}

// Row i's caption and value, in twips inside the panel at its laid-out size.
QRect captionPlace(int row)
{
    return twipsRect(240, 240 + 960 * row, row < 3 ? 2505 : 2520, 795);
}
QRect valuePlace(int row)
{
    return twipsRect(3000, 240 + 960 * row, 5055, 795);
}

QRect scaled(const QRect& r, double factor)
{
    return QRect(qRound(r.x() * factor), qRound(r.y() * factor), qRound(r.width() * factor),
                 qRound(r.height() * factor));
}
} // namespace

RealtimePage::RealtimePage(session::MeterSession& session, platform::WindowCapture& capture,
                           QWidget& window, int& saveType, QWidget* parent)
    : QFrame(parent), m_capture(capture), m_window(window), m_saveType(saveType)
{
    setFrameStyle(QFrame::Box | QFrame::Sunken);
    setAutoFillBackground(true); // it covers the record grid, so it must paint
    for (int i = 0; i < measure::kLiveRows; ++i) {
        captionLabels[i] = makeReadingLabel(this, m_texts.captions()[i]);
        valueLabels[i] = makeReadingLabel(this, m_texts.values()[i]);
        staleMarks[i] = new QLabel(tr("stale"), this);
        staleMarks[i]->setFont(cjkFont(kMarkPoints, false));
        staleMarks[i]->setAlignment(Qt::AlignRight | Qt::AlignBottom);
        staleMarks[i]->hide();
    }
    applyColours();
    connect(&session, &session::MeterSession::readingReceived, this,
            [this](const measure::Reading& reading) {
                measure::applyTo(measure::liveTexts(reading), *this);
                showStale(false);
            });
    connect(&session, &session::MeterSession::linkLost, this, [this] { showStale(true); });
}

void RealtimePage::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    // The rows as laid out at the default size, scaled with the page so that a larger window
    // shows larger readings.
    const double factor = std::max(0.5, std::min(width() / double(kDefaultPageArea.width()),
                                                 height() / double(kDefaultPageArea.height())));
    for (int i = 0; i < measure::kLiveRows; ++i) {
        for (auto [label, place] : {std::pair{captionLabels[i], captionPlace(i)},
                                    std::pair{valueLabels[i], valuePlace(i)}}) {
            QFont font = label->font();
            font.setPointSizeF(kReadingPoints * factor);
            label->setFont(font);
            label->setGeometry(scaled(place, factor));
        }
        QFont markFont = staleMarks[i]->font();
        markFont.setPointSizeF(kMarkPoints * factor);
        staleMarks[i]->setFont(markFont);
        const QRect value = valueLabels[i]->geometry();
        staleMarks[i]->setGeometry(value.adjusted(value.width() / 2, 0, -qRound(6 * factor), 0));
    }
}

void RealtimePage::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColours();
}

void RealtimePage::applyColours()
{
    // Stale rows change colour, and say "stale" too: colour alone is lost on some eyes.
    const ReadingColours colours = readingColours(palette());
    const bool stale = m_stale && !m_capturing;
    const QColor background = stale ? colours.staleBackground : colours.background;
    const QColor text = stale ? colours.staleText : colours.text;
    for (int i = 0; i < measure::kLiveRows; ++i) {
        colour(captionLabels[i], background, text);
        colour(valueLabels[i], background, text);
        colour(staleMarks[i], background, text);
        staleMarks[i]->setAutoFillBackground(false);
        staleMarks[i]->setVisible(stale && !valueLabels[i]->text().isEmpty());
    }
}

void RealtimePage::setCaption(int row, const QString& text)
{
    m_texts.setCaption(row, text);
    captionLabels[row]->setText(text);
}

void RealtimePage::setValue(int row, const QString& text)
{
    m_texts.setValue(row, text);
    valueLabels[row]->setText(text);
}

void RealtimePage::showStale(bool stale)
{
    m_stale = stale;
    applyColours();
}

SaveOffer RealtimePage::saveOffer()
{
    m_shot = QImage();
    SaveChoice picture{FileTypes::jpeg(), QStringLiteral("jpg"),
                       [this](const QString& path) {
                           // Our own window, never whatever another program left on the
                           // clipboard; taken now if the user chose the picture in the dialog.
                           if (m_shot.isNull())
                               m_shot = captureWindow();
                           return exporting::savePicture(path, m_shot);
                       },
                       [this] {
                           // As it looks when Save is clicked, before the dialog covers it.
                           m_shot = captureWindow();
                           m_capture.toClipboard(m_shot);
                       }};
    // The rows as they stand when the file is written, after the dialog.
    SaveChoice text{FileTypes::text(), QStringLiteral("txt"), [this](const QString& path) {
                        return exporting::saveLiveViewText(path, m_texts.captions(),
                                                           m_texts.values());
                    }};
    return {QStringLiteral("Korvane"), {picture, text}};
}

QImage RealtimePage::captureWindow()
{
    // The picture shows the readings as they are, never greyed for a lost link. The capture
    // lets the window repaint first, so the link may lose or find the meter meanwhile.
    m_capturing = true;
    applyColours();
    QImage shot = m_capture.capture(m_window);
    m_capturing = false;
    applyColours();
    return shot;
}

} // namespace korvane::app
