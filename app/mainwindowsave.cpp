// SPDX-License-Identifier: GPL-3.0-or-later
// Save: what the page shown offers, through the save dialog.
#include "app/mainwindow.h"
#include "app/page.h"
#include "app/savefolder.h"

namespace korvane::app {

void MainWindow::onSaveClicked()
{
    Page& page = currentPage();
    SaveOffer offer = page.saveOffer();
    if (offer.choices.empty())
        return;
    // The remembered type may be another page's: a page with fewer types takes its last.
    const int count = int(offer.choices.size());
    int& remembered = page.saveType();
    const SaveChoice& preselected =
        offer.choices[std::size_t(std::clamp(remembered, 1, count) - 1)];
    if (preselected.beforeDialog)
        preselected.beforeDialog();
    QStringList filters;
    for (const SaveChoice& choice : offer.choices)
        filters << choice.filter;
    const platform::SaveDialogAnswer answer =
        m_saveDialog.ask({offer.initialName, filters, std::clamp(remembered, 1, count),
                          preselected.suffix, defaultSaveFolder()});
    if (!answer.accepted)
        return;
    remembered = answer.selectedFilter;
    reportSave(offer.choices[std::size_t(std::clamp(remembered, 1, count) - 1)].write(answer.path));
}

void MainWindow::reportSave(const exporting::SaveResult& result)
{
    if (!result.ok)
        m_messages.warning(QStringLiteral("Korvane"), result.message());
}

} // namespace korvane::app
