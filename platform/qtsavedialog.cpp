// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qtsavedialog.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace korvane::platform {

namespace {
// "txt格式 (*.txt)" gives "txt".
QString suffixOf(const QString& filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*\\.(\\w+)"));
    return pattern.match(filter).captured(1);
}
} // namespace

SaveDialogAnswer QtSaveDialog::ask(const SaveDialogRequest& request)
{
    QFileDialog dialog(m_parent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(request.filters);
    dialog.setDirectory(request.folder);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirmOverwrite);
    dialog.selectFile(request.initialName);
    const int index = std::clamp(request.selectedFilter, 1, int(request.filters.size()));
    if (!request.filters.isEmpty())
        dialog.selectNameFilter(request.filters.at(index - 1));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(suffixOf(filter)); });

    SaveDialogAnswer answer;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return answer;
    answer.accepted = true;
    answer.path = dialog.selectedFiles().constFirst();
    answer.selectedFilter = int(request.filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (answer.selectedFilter < 1)
        answer.selectedFilter = index;
    return answer;
}

} // namespace korvane::platform
