#include "measure/livetexts.h"

#include "measure/fieldtext.h"

namespace korvane::measure {

namespace {
using Row = std::array<QStringView, kLiveRows>;

// Captions that carry the sub-index: prefix, then framesub + 1, then ": ".
constexpr Row kPhasePrefixes{u"U", u"I", u"PF", u"P", u"Q", u"S"};
constexpr Row kType3Prefixes{u"U", u"I", u"PF", u"P", u"W", u""};
constexpr Row kTotalsCaptions{u"PF:", u"P: ", u"Q: ", u"S: ", u"", u""};
constexpr Row kType1Captions{u"U1: ", u"U2: ", u"U3: ", u"I: ", u"F: ", u""};
constexpr Row kType2Captions{u"U1\u00B0: ", u"U2\u00B0: ", u"U3\u00B0: ",
                             u"I\u00B0: ",  u"phase:",     u""};

constexpr quint8 kFirstTotalsSub = 3;

void setRow(std::array<std::optional<QString>, kLiveRows>& row, const Row& texts)
{
    for (int i = 0; i < kLiveRows; ++i)
        row[i] = texts[i].toString();
}

void setNumbered(LiveTexts& out, const Row& prefixes, int rows, quint8 framesub)
{
    const QString n = QString::number(int(framesub) + 1);
    for (int i = 0; i < rows; ++i)
        out.captions[i] = prefixes[i].toString().append(n).append(u": ");
}

// Type 0 reads the sign byte as negative only when it is exactly 2; type 3 unless it is exactly 1.
bool type0Negative(quint8 sign)
{
    return sign == 2;
}
bool type3Negative(quint8 sign)
{
    return sign != 1;
}
} // namespace

void setcaptions(const FrameState& state, LiveTexts& out)
{
    switch (state.frametype) {
    case 0:
        if (state.framesub >= kFirstTotalsSub)
            setRow(out.captions, kTotalsCaptions);
        else
            setNumbered(out, kPhasePrefixes, kLiveRows, state.framesub);
        break;
    case 1:
        setRow(out.captions, kType1Captions);
        break;
    case 2:
        setRow(out.captions, kType2Captions);
        break;
    case 3:
        setNumbered(out, kType3Prefixes, 5, state.framesub);
        out.captions[5] = QStringLiteral("Time: ");
        break;
    default:
        break;
    }
}

void showtype0(QByteArrayView rxbuf, quint8 framesub, LiveTexts& out)
{
    const QString pf = powerFactorText(value16(rxbuf, 8), type0Negative(byteAt(rxbuf, 10)));
    const auto p = powerAt(rxbuf, 11, PowerQuantity::Active);
    const auto q = powerAt(rxbuf, 14, PowerQuantity::Reactive);
    const auto s = powerAt(rxbuf, 17, PowerQuantity::Apparent);
    if (framesub >= kFirstTotalsSub) {
        out.values = {pf, p, q, s, QString(), QString()};
        return;
    }
    out.values = {voltageAt(rxbuf, 2), currentAt(rxbuf, 5), pf, p, q, s};
}

void showtype1(QByteArrayView rxbuf, LiveTexts& out)
{
    out.values = {voltageAt(rxbuf, 1),
                  voltageAt(rxbuf, 4),
                  voltageAt(rxbuf, 7),
                  currentAt(rxbuf, 10),
                  frequencyText(value16(rxbuf, 13)),
                  QString()};
}

void showtype2(QByteArrayView rxbuf, LiveTexts& out)
{
    out.values = {angleText(value16(rxbuf, 10)),        angleText(value16(rxbuf, 12)),
                  angleText(value16(rxbuf, 14)),        angleText(value16(rxbuf, 16)),
                  phaseSequenceText(byteAt(rxbuf, 18)), QString()};
}

void showtype3(QByteArrayView rxbuf, LiveTexts& out)
{
    out.values = {voltageAt(rxbuf, 2),
                  currentAt(rxbuf, 5),
                  powerFactorText(value16(rxbuf, 8), type3Negative(byteAt(rxbuf, 10))),
                  powerAt(rxbuf, 11, PowerQuantity::Active),
                  wText(value16(rxbuf, 14), byteAt(rxbuf, 16)),
                  timeAt(rxbuf, 17)};
}

LiveTexts framedispatch(QByteArrayView rxbuf, const FrameState& state)
{
    LiveTexts out;
    setcaptions(state, out);
    switch (state.frametype) {
    case 0:
        showtype0(rxbuf, state.framesub, out);
        break;
    case 1:
        showtype1(rxbuf, out);
        break;
    case 2:
        showtype2(rxbuf, out);
        break;
    case 3:
        showtype3(rxbuf, out);
        break;
    default:
        break;
    }
    return out;
}

LiveTexts rxframe(QByteArrayView rxbuf, FrameState& state)
{
    if (rxbuf.isEmpty())
        return {};
    const quint8 type = byteAt(rxbuf, 0);
    if (rxbuf.size() < bytesNeeded(type))
        return {};
    state.frametype = type;
    if (takesFramesub(type))
        state.framesub = byteAt(rxbuf, 1);
    return framedispatch(rxbuf.first(std::min(rxbuf.size(), kFrameSize)), state);
}

} // namespace korvane::measure
