// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtmessageboxes.h"

#include <QMessageBox>
#include <QPushButton>

namespace korvane::platform {

namespace {
// Opened window-modal and left to the event loop: a box that ran its own loop would hold up
// whatever signal or timer slot asked for it, the serial port's among them.
void openBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text)
{
    auto* box = new QMessageBox(icon, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
} // namespace

void QtMessageBoxes::information(const QString& title, const QString& text)
{
    openBox(m_parent, QMessageBox::Information, title, text);
}

void QtMessageBoxes::warning(const QString& title, const QString& text)
{
    openBox(m_parent, QMessageBox::Warning, title, text);
}

void QtMessageBoxes::question(const QString& title, const QString& text, const QString& acceptText,
                              std::function<void()> onAccept, std::function<void()> onCancel)
{
    auto* box = new QMessageBox(QMessageBox::Question, title, text, QMessageBox::Cancel, m_parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    QPushButton* accept = box->addButton(acceptText, QMessageBox::AcceptRole);
    box->setDefaultButton(QMessageBox::Cancel);
    QObject::connect(box, &QMessageBox::finished, box,
                     [box, accept, onAccept = std::move(onAccept), onCancel = std::move(onCancel)] {
                         if (box->clickedButton() == accept)
                             onAccept();
                         else if (onCancel)
                             onCancel();
                     });
    box->open();
}

} // namespace korvane::platform
