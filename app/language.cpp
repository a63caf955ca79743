// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korvane::app {

namespace {
// Where the build embeds the window's catalogues.
const QString kCatalogueFolder = QStringLiteral(":/i18n");

bool load(QCoreApplication& app, const QLocale& locale, const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(locale, name, QStringLiteral("_"), folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
} // namespace

QList<Language> languages()
{
    return {{QStringLiteral("en"), QStringLiteral("English")},
            {QStringLiteral("zh_CN"), QStringLiteral("简体中文")}};
}

bool isLanguage(const QString& code)
{
    for (const Language& language : languages()) {
        if (language.code == code)
            return true;
    }
    return false;
}

void installTranslations(QCoreApplication& app, const QString& code)
{
    const QLocale locale = code.isEmpty() ? QLocale::system() : QLocale(code);
    // The source texts are English: an English user needs no catalogue, and one for Qt's own
    // dialogs would only be in the way of a system that is set to English anyway.
    if (locale.language() == QLocale::English || locale.language() == QLocale::C)
        return;
    // Korvane's own first: a language it has no catalogue for keeps the window in English,
    // and then Qt's dialogs stay English too, rather than half and half.
    if (!load(app, locale, QStringLiteral("korvane"), kCatalogueFolder))
        return;
    load(app, locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

bool installCatalogue(QCoreApplication& app, const QString& qmPath)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(qmPath)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace korvane::app
