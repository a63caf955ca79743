// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;

namespace korvane::app {

// What Help shows: what the program is, its version and licence, where files go, the keys, how
// to reach a meter and where to read more; and the window's language for the next start.
class HelpBox : public QDialog
{
    Q_OBJECT
public:
    // languageChoice: the code chosen before, empty for the system's language.
    explicit HelpBox(const QString& languageChoice, QWidget* parent = nullptr);

    QString text() const;

signals:
    // A language code, or empty for the system's; it applies at the next start.
    void languageChosen(const QString& code);

private:
    QLabel* m_text = nullptr;
    QComboBox* m_language = nullptr;
};

} // namespace korvane::app
