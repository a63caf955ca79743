// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fuzz/fuzzcheck.h"
#include "measure/frame.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace korvane::fuzz {

// What a display text must say about the field at `pos` of a frame or record, read back from
// the text: the number scaled by the field's divisor is the 16-bit quantity, the unit follows
// the range or code byte, and undefined codes give no text at all.
enum class Field {
    Voltage,
    Current,
    PowerFactor,
    Active,
    Reactive,
    Apparent,
    W,
    Hz,
    Angle,
    Phase,
    Time
};

struct FieldAt
{
    Field field;
    qsizetype pos;
};

// Why `text` is not what the field at `pos` allows, or an empty string when it is. `negative`
// is the power factor's sign as the caller's rule reads the sign byte.
inline QString fieldProblem(const std::optional<QString>& text, QByteArrayView frame, FieldAt at,
                            bool negative = false)
{
    using measure::byteAt;
    using measure::value16;
    const qsizetype pos = at.pos;
    const auto describe = [&](const char* what) {
        return QStringLiteral("%1 at %2 (bytes %3): %4")
            .arg(QLatin1String(what))
            .arg(pos)
            .arg(QString::fromLatin1(frame.toByteArray().toHex(' ')))
            .arg(text ? u'"' + *text + u'"' : QStringLiteral("no text"));
    };
    if (at.field == Field::Time) {
        const QString expected = QStringLiteral("%1:%2:%3")
                                     .arg(byteAt(frame, pos))
                                     .arg(byteAt(frame, pos + 1))
                                     .arg(byteAt(frame, pos + 2));
        return text == expected ? QString() : describe("time");
    }
    if (at.field == Field::Phase) {
        static const QString kWords[] = {QStringLiteral("error"), QStringLiteral("normal"),
                                         QStringLiteral("reverse")};
        const quint8 code = byteAt(frame, pos);
        if (code > 2)
            return text ? describe("undefined phase sequence") : QString();
        return text == kWords[code] ? QString() : describe("phase sequence");
    }

    const bool power =
        at.field == Field::Active || at.field == Field::Reactive || at.field == Field::Apparent;
    if (power && byteAt(frame, pos + 2) > 6)
        return text ? describe("undefined power code") : QString();
    const qint64 q = value16(frame, pos);
    if (!text)
        return describe("missing");
    switch (at.field) {
    case Field::Voltage: {
        const int divisor = byteAt(frame, pos + 2) >= 3 ? 10 : 100;
        return isScaledText(*text, u"V", divisor, q) ? QString() : describe("voltage");
    }
    case Field::Current: {
        const int divisor = byteAt(frame, pos + 2) >= 3 ? 1 : 10;
        return isScaledText(*text, u"A", divisor, q) ? QString() : describe("current");
    }
    case Field::PowerFactor: {
        const bool hasMinus = text->startsWith(u'-');
        const bool ok =
            hasMinus == negative && isScaledText(text->mid(hasMinus ? 1 : 0), u"", 1000, q);
        return ok ? QString() : describe("power factor");
    }
    case Field::Hz:
        return isScaledText(*text, u"Hz", 10, q) ? QString() : describe("frequency");
    case Field::Angle:
        return isScaledText(*text, u"\u00B0", 10, q) ? QString() : describe("angle");
    default:
        break;
    }

    // Power and the W value: codes 0/3 hundredths, 1/4 tenths, others whole; 3 and up in kilo.
    const quint8 code = byteAt(frame, pos + 2);
    const int divisor = code == 0 || code == 3 ? 100 : code == 1 || code == 4 ? 10 : 1;
    const bool kilo = code >= 3;
    if (at.field == Field::W)
        return isScaledText(*text, kilo ? u"kW" : u"W", divisor, q) ? QString() : describe("W");
    QStringView base = u"W";
    QStringView kiloUnit = u"kW";
    if (at.field == Field::Reactive) {
        base = u"var";
        kiloUnit = u"kvar";
    } else if (at.field == Field::Apparent) {
        base = u"VA";
        kiloUnit = u"kVA";
    }
    if (code == 6)
        return *text == QStringLiteral("OL").append(kiloUnit) ? QString() : describe("overload");
    return isScaledText(*text, kilo ? kiloUnit : base, divisor, q) ? QString() : describe("power");
}

} // namespace korvane::fuzz
