// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/phasortext.h"

#include "datalog/fields.h"
#include "export/atomicfile.h"
#include "measure/readingtext.h"

#include <array>

namespace korvane::exporting {

namespace {
using measure::Key;

struct Line
{
    Key key;
    QStringView caption;
};
// The magnitudes first, then the angles and the sequence under the live view's captions.
constexpr std::array<Line, 9> kLines{{
    {Key::U1, u"U1: "},
    {Key::U2, u"U2: "},
    {Key::U3, u"U3: "},
    {Key::I, u"I: "},
    {Key::AngleU1, u"U1\u00B0: "},
    {Key::AngleU2, u"U2\u00B0: "},
    {Key::AngleU3, u"U3\u00B0: "},
    {Key::AngleI, u"I\u00B0: "},
    {Key::Sequence, u"Phase sequence: "},
}};
} // namespace

QByteArray phasorText(const measure::Snapshot& snapshot, qint64 nowMs)
{
    const QString newline = QStringLiteral("\r\n");
    QString text = QStringLiteral("Phasor diagram saved ") + datalog::isoTimeWithOffset(nowMs) +
                   newline + QStringLiteral("Angles lag U1, drawn clockwise") + newline;
    for (const Line& line : kLines) {
        text += line.caption;
        const auto& entry = snapshot.latest(line.key);
        const auto value = entry.seen ? measure::quantityText(entry.quantity) : std::nullopt;
        if (value)
            text += *value + QStringLiteral(", received ") +
                    datalog::isoTimeWithOffset(entry.receivedMs);
        else
            text += QStringLiteral("not received");
        text += newline;
    }
    return text.toUtf8();
}

SaveResult savePhasorText(const QString& path, const measure::Snapshot& snapshot, qint64 nowMs)
{
    return writeFileAtomically(path, phasorText(snapshot, nowMs));
}

} // namespace korvane::exporting
