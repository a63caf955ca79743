#include "platform/qtmessageboxes.h"

#include <QMessageBox>

namespace korvane::platform {

void QtMessageBoxes::information(const QString& title, const QString& text)
{
    QMessageBox::information(m_parent, title, text, QMessageBox::Ok);
}

void QtMessageBoxes::warning(const QString& title, const QString& text)
{
    QMessageBox::warning(m_parent, title, text, QMessageBox::Ok);
}

} // namespace korvane::platform
