// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/tsvformat.h"

#include "measure/livetexts.h"

#include <QStringList>

namespace korvane::datalog {

QByteArray TsvFormat::frame(const measure::Reading& reading)
{
    measure::applyTo(measure::liveTexts(reading), m_live);
    QStringList fields;
    for (int i = 0; i < measure::kLiveRows; ++i)
        fields << m_live.captions()[i] << m_live.values()[i];
    return fields.join(u'\t').toUtf8() + '\n';
}

} // namespace korvane::datalog
