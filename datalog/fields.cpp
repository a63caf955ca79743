// SPDX-License-Identifier: GPL-3.0-or-later
#include "datalog/fields.h"

#include <QDateTime>

#include <charconv>
#include <cstdlib>

namespace korvane::datalog {

QString isoTimeWithOffset(qint64 ms)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    // Written out by hand: Qt's ISO form leaves the offset out of local times and writes UTC
    // as "Z", where readers of these files expect "+00:00" like every other offset.
    const int offset = local.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    return local.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + (offset < 0 ? u'-' : u'+') +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QChar(u'0'))
               .arg(minutes % 60, 2, 10, QChar(u'0'));
}

QByteArray isoTimeBytes(qint64 ms)
{
    return isoTimeWithOffset(ms).toLatin1();
}

QString columnHeading(measure::Key key)
{
    const measure::KeyInfo& info = measure::keyInfo(key);
    if (info.unit.isEmpty())
        return info.name.toString();
    return info.name.toString() + QStringLiteral(" [") + info.unit.toString() + u']';
}

namespace {
template <typename T> void appendShortest(QByteArray& out, T value, char decimalPoint)
{
    // Fixed notation of the largest double takes 309 digits.
    char buf[400];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
    if (ec != std::errc())
        return;
    if (decimalPoint != '.') {
        for (char* c = buf; c != end; ++c) {
            if (*c == '.')
                *c = decimalPoint;
        }
    }
    out.append(buf, end - buf);
}
} // namespace

void appendNumber(QByteArray& out, double value, char decimalPoint)
{
    appendShortest(out, value, decimalPoint);
}

void appendNumber(QByteArray& out, float value, char decimalPoint)
{
    appendShortest(out, value, decimalPoint);
}

void appendCsvField(QByteArray& out, QByteArrayView field, char separator)
{
    bool quote = false;
    for (char c : field) {
        if (c == separator || c == '"' || c == '\n' || c == '\r')
            quote = true;
    }
    if (!quote) {
        out.append(field);
        return;
    }
    out.append('"');
    for (char c : field) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
}

void appendJsonString(QByteArray& out, QByteArrayView utf8)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out.append('"');
    for (char c : utf8) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out.append('\\').append(c);
        } else if (u < 0x20) {
            out.append("\\u00").append(kHex[u >> 4]).append(kHex[u & 15]);
        } else {
            out.append(c);
        }
    }
    out.append('"');
}

} // namespace korvane::datalog
