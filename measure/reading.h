// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "measure/quantity.h"

#include <QByteArrayView>
#include <QtGlobal>

#include <array>
#include <optional>
#include <span>

namespace korvane::measure {

constexpr int kLiveRows = 6;

// Type 0 with an index of 3 or more holds the totals of all phases.
constexpr quint8 kFirstTotalsIndex = 3;
// Phase-sequence codes the meter defines: 0 error, 1 normal, 2 reverse.
constexpr quint8 kSequenceCodes = 3;

// The h:m:s of a type-3 frame, each byte as the meter sends it (0..255, not checked).
struct MeterClock
{
    quint8 hours = 0;
    quint8 minutes = 0;
    quint8 seconds = 0;
};

// One decoded frame: what it is, its quantities in the order the meter's display rows show
// them, and when it was received.
struct Reading
{
    quint8 kind = 0;       // the frame type, 0..3
    quint8 index = 0;      // byte 1 of types 0 and 3: phase 0..2, in type 0 3.. the totals
    qint64 receivedMs = 0; // milliseconds since the epoch, UTC
    int count = 0;
    std::array<Quantity, kLiveRows> quantities{};
    std::optional<MeterClock> clock; // type 3 only

    bool hasIndex() const { return kind == 0 || kind == 3; }
    bool isTotals() const { return kind == 0 && index >= kFirstTotalsIndex; }
    std::span<const Quantity> values() const { return {quantities.data(), std::size_t(count)}; }
};

// Live frames and stored records share the byte map; they differ only in how the power factor
// of a type-0 frame reads its sign byte.
enum class Source { Live, Stored };

// A frame of type 0..3 with the bytes its type reads; anything else (an unknown type, a block
// too short for its type) is no reading. Bytes beyond position 19 are ignored.
std::optional<Reading> decodeFrame(QByteArrayView frame, Source source, qint64 receivedMs);

} // namespace korvane::measure
