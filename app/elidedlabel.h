// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

namespace korvane::app {

// A one-line label that shortens its text with "…" where it does not fit, rather than cutting
// it, and then shows the whole text as its tooltip (or the tooltip it was given, if any).
class ElidedLabel : public QLabel
{
    Q_OBJECT
public:
    explicit ElidedLabel(QWidget* parent = nullptr);

    void setFullText(const QString& text, const QString& tip = {});
    QString fullText() const { return m_text; }

    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fit();

    QString m_text;
    QString m_tip;
};

} // namespace korvane::app
