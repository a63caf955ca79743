// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace korvane::fuzz {

// A broken invariant is a crash, so libFuzzer (or the standalone driver) keeps the input.
[[noreturn]] inline void fail(const char* file, int line, const char* condition,
                              const QString& detail)
{
    std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
    if (!detail.isEmpty())
        std::fprintf(stderr, "  %s\n", detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

#define KORVANE_FUZZ_CHECK(condition, detail)                                                      \
    do {                                                                                           \
        if (!(condition))                                                                          \
            ::korvane::fuzz::fail(__FILE__, __LINE__, #condition, (detail));                       \
    } while (false)

// Reads the fuzz input front to back; past the end every read yields zeros or nothing.
class InputReader
{
public:
    InputReader(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    std::size_t remaining() const { return m_size - m_pos; }

    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_pos++]; }
    quint16 word()
    {
        const quint16 low = byte();
        return quint16(low | quint16(byte()) << 8);
    }
    // Up to n bytes, fewer when the input runs out.
    QByteArray bytes(std::size_t n)
    {
        n = std::min(n, remaining());
        QByteArray out(reinterpret_cast<const char*>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return out;
    }
    QByteArray rest() { return bytes(remaining()); }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// Display texts are made of a number in the form numtext writes, then a unit. This splits off
// the number and returns it scaled by `divisor`, or nothing when the text is not such a number
// with at most as many decimals as the divisor allows.
inline std::optional<qint64> scaledNumber(QStringView number, int divisor)
{
    const QString point = QLocale().decimalPoint();
    qsizetype at = number.indexOf(point);
    QStringView whole = at < 0 ? number : number.first(at);
    QStringView fraction = at < 0 ? QStringView() : number.sliced(at + point.size());
    if (whole.isEmpty() || whole.size() > 6)
        return std::nullopt;
    if (whole.size() > 1 && whole.front() == u'0')
        return std::nullopt; // no leading zeros
    if (at >= 0 && (fraction.isEmpty() || fraction.back() == u'0'))
        return std::nullopt; // no trailing zeros, no bare point
    int maxDecimals = 0;
    for (int d = divisor; d > 1; d /= 10)
        ++maxDecimals;
    if (fraction.size() > maxDecimals)
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : whole) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    qint64 scale = divisor;
    value *= scale;
    for (QChar c : fraction) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        scale /= 10;
        value += (c.unicode() - u'0') * scale;
    }
    return value;
}

// True when `text` is `number` + `unit` and the number, scaled by `divisor`, is `expected`.
inline bool isScaledText(const QString& text, QStringView unit, int divisor, qint64 expected)
{
    if (!text.endsWith(unit))
        return false;
    const auto value = scaledNumber(QStringView(text).chopped(unit.size()), divisor);
    return value && *value == expected;
}

} // namespace korvane::fuzz
