// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/helpbox.h"

#include "app/language.h"
#include "app/savefolder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QLabel>
#include <QSettings>
#include <QVBoxLayout>

namespace korvane::app {

namespace {
QString escaped(const QString& text)
{
    return text.toHtmlEscaped();
}
} // namespace

HelpBox::HelpBox(const QString& languageChoice, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(tr("Thank you for using our product."));
    const QString version = QCoreApplication::applicationVersion();
    const QString keys = tr("<table>"
                            "<tr><td>Ctrl+1 … Ctrl+5&nbsp;&nbsp;</td><td>the tabs</td></tr>"
                            "<tr><td>Ctrl+S</td><td>Save what the tab shows</td></tr>"
                            "<tr><td>Ctrl+R</td><td>Read the stored records (Record tab)</td></tr>"
                            "<tr><td>F1</td><td>this help</td></tr>"
                            "<tr><td>Ctrl+Q</td><td>Close</td></tr>"
                            "</table>");
    QString html;
    html += QStringLiteral("<h3>Korvane %1</h3>").arg(escaped(version));
    html += QStringLiteral("<p>") +
            tr("A companion for the handheld power meter: it finds the meter on a serial port by "
               "itself, shows its live readings, downloads the records stored in it, and saves, "
               "charts, logs and publishes what it measures.") +
            QStringLiteral("</p><p>") +
            tr("Free software under the GNU General Public License, version 3 or later; it comes "
               "with no warranty.") +
            QStringLiteral("</p><p>") +
            tr("<b>Reaching the meter:</b> connect it with its USB-serial cable; Korvane tries "
               "COM1 to COM16 by itself. On Linux your account needs the dialout group: "
               "<code>sudo usermod -aG dialout $USER</code>, then log in again.") +
            QStringLiteral("</p><p>") +
            tr("<b>Files:</b> Save opens in %1; a log goes where you choose; settings are kept "
               "in %2.")
                .arg(escaped(QDir::toNativeSeparators(defaultSaveFolder())),
                     escaped(QDir::toNativeSeparators(QSettings().fileName()))) +
            QStringLiteral("</p><p><b>") + tr("Keys") + QStringLiteral("</b></p>") + keys +
            QStringLiteral("<p>") +
            tr("More in the README: %1, and in /usr/share/doc/korvane where the package is "
               "installed.")
                .arg(QStringLiteral("<a href=\"https://github.com/korvane/korvane\">"
                                    "github.com/korvane/korvane</a>")) +
            QStringLiteral("</p>");
    m_text = new QLabel(html, this);
    m_text->setWordWrap(true);
    m_text->setTextFormat(Qt::RichText);
    m_text->setOpenExternalLinks(true);
    m_text->setTextInteractionFlags(Qt::TextBrowserInteraction);

    m_language = new QComboBox(this);
    m_language->addItem(tr("The system's language"), QString());
    for (const Language& language : languages())
        m_language->addItem(language.name, language.code);
    m_language->setCurrentIndex(std::max(0, m_language->findData(languageChoice)));
    connect(m_language, &QComboBox::activated, this,
            [this] { emit languageChosen(m_language->currentData().toString()); });
    auto* choice = new QFormLayout;
    choice->addRow(tr("&Language (from the next start):"), m_language);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addLayout(choice);
    layout->addWidget(buttons);
    setMinimumWidth(fontMetrics().averageCharWidth() * 70);
}

QString HelpBox::text() const
{
    return m_text->text();
}

} // namespace korvane::app
