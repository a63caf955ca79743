// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/liveviewtext.h"

#include "export/atomicfile.h"

namespace korvane::exporting {

QByteArray liveViewText(const LiveRowTexts& captions, const LiveRowTexts& values)
{
    const QString gap(5, u' ');
    QString text;
    for (int i = 0; i < measure::kLiveRows; ++i)
        text += gap + captions[i] + gap + values[i] + QStringLiteral("\r\n");
    return text.toUtf8();
}

SaveResult saveLiveViewText(const QString& path, const LiveRowTexts& captions,
                            const LiveRowTexts& values)
{
    return writeFileAtomically(path, liveViewText(captions, values));
}

} // namespace korvane::exporting
