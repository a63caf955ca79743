#pragma once

#include <QByteArrayView>
#include <QString>

#include <optional>

namespace korvane::measure {

// Text rules for the frame's fields, shared by the live view and the record table. Each reads
// its quantity q (a value16) and the range, sign or code byte that belongs to it.

// Power-scaled quantities and their unit groups: base unit for codes 0 to 2, kilo unit for 3 to 6.
enum class PowerQuantity { Active, Reactive, Apparent };

// Range 0..2: hundredths of a volt; 3..255: tenths. Unit "V".
QString voltageText(quint32 q, quint8 range);
// Range 0..2: tenths of an ampere; 3..255: whole amperes. Unit "A".
QString currentText(quint32 q, quint8 range);
// Thousandths, no unit; a negative power factor gets "-" in front.
QString powerFactorText(quint32 q, bool negative);
// Codes 0..5 give a number, 6 gives "OL"; the unit of the code's group follows. Codes 7..255 are
// undefined: no text, so the display keeps what it shows rather than growing a unit each frame.
std::optional<QString> powerText(quint32 q, quint8 code, PowerQuantity quantity);
// The W value of type 3: like power, but every code other than 0, 1, 3, 4 shows q whole and no
// code means overload.
QString wText(quint32 q, quint8 code);
// Tenths of a hertz.
QString frequencyText(quint32 q);
// Tenths of a degree, with the degree sign.
QString angleText(quint32 q);
// 0 "error", 1 "normal", 2 "reverse"; any other byte has no text.
std::optional<QString> phaseSequenceText(quint8 code);
// Hours, minutes, seconds as plain integers joined by ':'.
QString timeText(quint8 hours, quint8 minutes, quint8 seconds);

// The same rules at a position of a frame; the range, sign or code byte follows the quantity.
QString voltageAt(QByteArrayView frame, qsizetype pos);
QString currentAt(QByteArrayView frame, qsizetype pos);
std::optional<QString> powerAt(QByteArrayView frame, qsizetype pos, PowerQuantity quantity);
QString timeAt(QByteArrayView frame, qsizetype pos);

} // namespace korvane::measure
