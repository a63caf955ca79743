// SPDX-License-Identifier: GPL-3.0-or-later
// Live frames of any length decoded into readings, formatted into the live texts and applied to
// a live view; the texts are checked against the bytes. Input: blocks of [length byte][bytes].
#include "fuzz/fieldcheck.h"
#include "fuzz/fuzzcheck.h"
#include "measure/livetexts.h"
#include "measure/liveview.h"
#include "measure/reading.h"

#include <array>

using namespace korvane;
using namespace korvane::fuzz;
using measure::kLiveRows;
using measure::LiveTexts;

namespace {
constexpr qsizetype kMaxTextLength = 16;

// A value display either gets the text of a field or is cleared.
struct ValueRule
{
    bool cleared;
    FieldAt at;
};
using ValueRules = std::array<ValueRule, kLiveRows>;

constexpr ValueRule field(Field f, qsizetype pos)
{
    return {false, {f, pos}};
}
constexpr ValueRule kCleared{true, {Field::Time, 0}};

constexpr ValueRules kPhaseRules{field(Field::Voltage, 2),     field(Field::Current, 5),
                                 field(Field::PowerFactor, 8), field(Field::Active, 11),
                                 field(Field::Reactive, 14),   field(Field::Apparent, 17)};
constexpr ValueRules kTotalsRules{field(Field::PowerFactor, 8),
                                  field(Field::Active, 11),
                                  field(Field::Reactive, 14),
                                  field(Field::Apparent, 17),
                                  kCleared,
                                  kCleared};
constexpr ValueRules kType1Rules{field(Field::Voltage, 1), field(Field::Voltage, 4),
                                 field(Field::Voltage, 7), field(Field::Current, 10),
                                 field(Field::Hz, 13),     kCleared};
constexpr ValueRules kType2Rules{field(Field::Angle, 10), field(Field::Angle, 12),
                                 field(Field::Angle, 14), field(Field::Angle, 16),
                                 field(Field::Phase, 18), kCleared};
constexpr ValueRules kType3Rules{field(Field::Voltage, 2),     field(Field::Current, 5),
                                 field(Field::PowerFactor, 8), field(Field::Active, 11),
                                 field(Field::W, 14),          field(Field::Time, 17)};

const ValueRules& rulesFor(quint8 type, quint8 sub)
{
    switch (type) {
    case 0:
        return sub >= 3 ? kTotalsRules : kPhaseRules;
    case 1:
        return kType1Rules;
    case 2:
        return kType2Rules;
    default:
        return kType3Rules;
    }
}

LiveTexts textsOf(QByteArrayView block, std::optional<measure::Reading>& reading)
{
    reading = measure::decodeFrame(block, measure::Source::Live, 0);
    return reading ? measure::liveTexts(*reading) : LiveTexts{};
}

bool nothingChanges(const LiveTexts& texts)
{
    for (int i = 0; i < kLiveRows; ++i) {
        if (texts.captions[i] || texts.values[i])
            return false;
    }
    return true;
}

bool sameTexts(const LiveTexts& a, const LiveTexts& b)
{
    return a.captions == b.captions && a.values == b.values;
}

void checkDecoded(QByteArrayView frame, quint8 type, quint8 index, const LiveTexts& texts)
{
    const auto hex = [&] { return QString::fromLatin1(frame.toByteArray().toHex(' ')); };
    if (type > 3) {
        KORVANE_FUZZ_CHECK(nothingChanges(texts), "unknown type " + hex());
        return;
    }
    const bool numbered = type == 3 || (type == 0 && index < 3);
    const QString sub = QString::number(int(index) + 1);
    for (int i = 0; i < kLiveRows; ++i) {
        KORVANE_FUZZ_CHECK(texts.captions[i].has_value(), hex());
        KORVANE_FUZZ_CHECK(texts.captions[i]->size() <= 8, *texts.captions[i]);
    }
    if (numbered)
        KORVANE_FUZZ_CHECK(texts.captions[0]->contains(sub), *texts.captions[0] + u' ' + hex());

    const ValueRules& rules = rulesFor(type, index);
    const quint8 sign = measure::byteAt(frame, 10);
    const bool negative = type == 0 ? sign == 2 : sign != 1;
    for (int i = 0; i < kLiveRows; ++i) {
        if (rules[i].cleared) {
            KORVANE_FUZZ_CHECK(texts.values[i] == QString(),
                               QStringLiteral("row %1 ").arg(i) + hex());
            continue;
        }
        const QString problem = fieldProblem(texts.values[i], frame, rules[i].at, negative);
        KORVANE_FUZZ_CHECK(problem.isEmpty(), QStringLiteral("row %1: ").arg(i) + problem);
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    InputReader in(data, size);
    measure::LiveTextsState live;
    while (!in.atEnd()) {
        const QByteArray block = in.bytes(in.byte());
        const auto captionsBefore = live.captions();
        const auto valuesBefore = live.values();

        std::optional<measure::Reading> reading;
        const LiveTexts texts = textsOf(block, reading);

        const bool whole =
            !block.isEmpty() && block.size() >= measure::bytesNeeded(quint8(block[0]));
        if (!whole) {
            KORVANE_FUZZ_CHECK(nothingChanges(texts), "short block changed a display");
            KORVANE_FUZZ_CHECK(!reading, "short block gave a reading");
        } else {
            const quint8 type = quint8(block[0]);
            KORVANE_FUZZ_CHECK(reading.has_value() == (type <= 3), "reading of a known type");
            const bool indexed = type == 0 || type == 3;
            const quint8 index = indexed ? quint8(block[1]) : 0;
            if (reading) {
                KORVANE_FUZZ_CHECK(reading->kind == type, "kind not taken from byte 0");
                KORVANE_FUZZ_CHECK(reading->index == index, "index not taken from byte 1");
            }
            checkDecoded(QByteArrayView(block).first(std::min(block.size(), measure::kFrameSize)),
                         type, index, texts);

            // Bytes past the frame's twenty make no difference.
            if (block.size() > measure::kFrameSize) {
                std::optional<measure::Reading> again;
                const LiveTexts trimmed =
                    textsOf(QByteArrayView(block).first(measure::kFrameSize), again);
                KORVANE_FUZZ_CHECK(sameTexts(texts, trimmed), "bytes past 20 changed the texts");
            }
        }

        measure::applyTo(texts, live);
        for (int i = 0; i < kLiveRows; ++i) {
            KORVANE_FUZZ_CHECK(live.captions()[i] == texts.captions[i].value_or(captionsBefore[i]),
                               "caption not applied");
            KORVANE_FUZZ_CHECK(live.values()[i] == texts.values[i].value_or(valuesBefore[i]),
                               "value not applied");
            KORVANE_FUZZ_CHECK(live.captions()[i].size() <= kMaxTextLength, live.captions()[i]);
            KORVANE_FUZZ_CHECK(live.values()[i].size() <= kMaxTextLength, live.values()[i]);
        }
    }
    return 0;
}
