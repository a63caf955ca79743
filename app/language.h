// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

class QCoreApplication;

namespace korvane::app {

// A language the window speaks. An empty code stands for the system's language.
struct Language
{
    QString code; // "en", "zh_CN"
    QString name; // in its own language: "English", "简体中文"
};

// English first; every language the program ships a catalogue for after it.
QList<Language> languages();
bool isLanguage(const QString& code);

// Installs Korvane's catalogue and Qt's own for the language (empty: the system's) on the
// application, so the window and the standard dialogs speak it. English needs none.
void installTranslations(QCoreApplication& app, const QString& code);

// For the check that every visible text is translatable: a catalogue in which every text is
// marked, installed in place of the real ones. False when it cannot be loaded.
bool installCatalogue(QCoreApplication& app, const QString& qmPath);

} // namespace korvane::app
