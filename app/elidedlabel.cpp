// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/elidedlabel.h"

#include <QFontMetrics>

namespace korvane::app {

ElidedLabel::ElidedLabel(QWidget* parent) : QLabel(parent)
{
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setFullText(const QString& text, const QString& tip)
{
    m_text = text;
    m_tip = tip;
    fit();
}

QSize ElidedLabel::minimumSizeHint() const
{
    return QSize(fontMetrics().averageCharWidth() * 8, QLabel::minimumSizeHint().height());
}

void ElidedLabel::resizeEvent(QResizeEvent* event)
{
    QLabel::resizeEvent(event);
    fit();
}

void ElidedLabel::fit()
{
    const int room = contentsRect().width();
    const QString shown = fontMetrics().elidedText(m_text, Qt::ElideMiddle, room);
    setText(shown);
    setToolTip(!m_tip.isEmpty() ? m_tip : shown != m_text ? m_text : QString());
}

} // namespace korvane::app
