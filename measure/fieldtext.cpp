#include "measure/fieldtext.h"

#include "measure/frame.h"
#include "measure/numtext.h"

#include <array>

namespace korvane::measure {

namespace {
struct UnitPair
{
    QStringView base;
    QStringView kilo;
};

constexpr std::array<UnitPair, 3> kPowerUnits{{
    {u"W", u"kW"},
    {u"var", u"kvar"},
    {u"VA", u"kVA"},
}};
static_assert(kPowerUnits.size() == 3, "one unit pair per PowerQuantity");

constexpr quint8 kOverloadCode = 6;
constexpr quint8 kFirstKiloCode = 3;

QString whole(quint32 q)
{
    return QString::number(q);
}

// Codes 0/3 hundredths, 1/4 tenths, everything else whole units.
QString scaledByCode(quint32 q, quint8 code)
{
    switch (code) {
    case 0:
    case 3:
        return numtext(q / 100.0);
    case 1:
    case 4:
        return numtext(q / 10.0);
    default:
        return whole(q);
    }
}
} // namespace

QString voltageText(quint32 q, quint8 range)
{
    return (range >= 3 ? numtext(q / 10.0) : numtext(q / 100.0)) + u'V';
}

QString currentText(quint32 q, quint8 range)
{
    return (range >= 3 ? whole(q) : numtext(q / 10.0)) + u'A';
}

QString powerFactorText(quint32 q, bool negative)
{
    const QString number = numtext(q / 1000.0);
    return negative ? u'-' + number : number;
}

std::optional<QString> powerText(quint32 q, quint8 code, PowerQuantity quantity)
{
    if (code > kOverloadCode)
        return std::nullopt;
    const UnitPair& units = kPowerUnits[std::size_t(quantity)];
    if (code == kOverloadCode)
        return QStringLiteral("OL").append(units.kilo);
    return scaledByCode(q, code).append(code >= kFirstKiloCode ? units.kilo : units.base);
}

QString wText(quint32 q, quint8 code)
{
    return scaledByCode(q, code).append(code >= kFirstKiloCode ? u"kW" : u"W");
}

QString frequencyText(quint32 q)
{
    return numtext(q / 10.0).append(u"Hz");
}

QString angleText(quint32 q)
{
    return numtext(q / 10.0) + u'\u00B0';
}

std::optional<QString> phaseSequenceText(quint8 code)
{
    switch (code) {
    case 0:
        return QStringLiteral("error");
    case 1:
        return QStringLiteral("normal");
    case 2:
        return QStringLiteral("reverse");
    default:
        return std::nullopt;
    }
}

QString timeText(quint8 hours, quint8 minutes, quint8 seconds)
{
    return whole(hours) + u':' + whole(minutes) + u':' + whole(seconds);
}

QString voltageAt(QByteArrayView frame, qsizetype pos)
{
    return voltageText(value16(frame, pos), byteAt(frame, pos + 2));
}

QString currentAt(QByteArrayView frame, qsizetype pos)
{
    return currentText(value16(frame, pos), byteAt(frame, pos + 2));
}

std::optional<QString> powerAt(QByteArrayView frame, qsizetype pos, PowerQuantity quantity)
{
    return powerText(value16(frame, pos), byteAt(frame, pos + 2), quantity);
}

QString timeAt(QByteArrayView frame, qsizetype pos)
{
    return timeText(byteAt(frame, pos), byteAt(frame, pos + 1), byteAt(frame, pos + 2));
}

} // namespace korvane::measure
