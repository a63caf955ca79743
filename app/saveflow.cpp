// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/saveflow.h"
#include "app/savefolder.h"

#include <algorithm>

namespace korvane::app {

void runSave(const SaveOffer& offer, int& remembered, platform::SaveDialog& dialog,
             platform::MessageBoxes& messages, const QString& afterSaving)
{
    if (offer.choices.empty())
        return;
    const int count = int(offer.choices.size());
    const auto choice = [&](int type) -> const SaveChoice& {
        return offer.choices[std::size_t(std::clamp(type, 1, count) - 1)];
    };
    const SaveChoice& preselected = choice(remembered);
    if (preselected.beforeDialog)
        preselected.beforeDialog();
    QStringList filters;
    for (const SaveChoice& type : offer.choices)
        filters << type.filter;
    const platform::SaveDialogAnswer answer =
        dialog.ask({offer.initialName, filters, std::clamp(remembered, 1, count),
                    preselected.suffix, defaultSaveFolder()});
    if (!answer.accepted)
        return;
    remembered = answer.selectedFilter;
    const exporting::SaveResult result = choice(remembered).write(answer.path);
    if (!result.ok)
        messages.warning(QStringLiteral("Korvane"), result.message());
    else if (!afterSaving.isEmpty())
        messages.information(QStringLiteral("Korvane"), afterSaving);
}

} // namespace korvane::app
