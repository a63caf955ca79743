// SPDX-License-Identifier: GPL-3.0-or-later
// Save: what the page shown offers, through the save dialog.
#include "app/mainwindow.h"
#include "app/page.h"
#include "app/saveflow.h"

namespace korvane::app {

void MainWindow::onSaveClicked()
{
    Page& page = currentPage();
    runSave(page.saveOffer(), page.saveType(), m_saveDialog, m_messages, page.afterSaving());
}

} // namespace korvane::app
