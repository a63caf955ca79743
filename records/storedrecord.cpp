// SPDX-License-Identifier: GPL-3.0-or-later
#include "records/storedrecord.h"

#include "measure/frame.h"

#include <algorithm>
#include <array>

namespace korvane::records {

using measure::kFrameSize;

namespace {
constexpr int kOnePhaseColumns = 4; // U, I, PF, P

bool hasUndefinedFirstValue(const measure::Reading& reading)
{
    const auto first = reading.values().first(std::min(kOnePhaseColumns, reading.count));
    return std::any_of(first.begin(), first.end(), [](const measure::Quantity& q) {
        return q.state == measure::State::Undefined;
    });
}

std::shared_ptr<const measure::Reading> asOnePhase(QByteArrayView record, qint64 receivedMs)
{
    std::array<char, kFrameSize> bytes{};
    std::copy(record.begin(), record.begin() + kFrameSize, bytes.begin());
    bytes[1] = 0;
    auto phase = measure::decodeFrame(QByteArrayView(bytes.data(), kFrameSize),
                                      measure::Source::Stored, receivedMs);
    if (!phase)
        return nullptr;
    return std::make_shared<const measure::Reading>(*phase);
}
} // namespace

std::vector<StoredRecord> storedRecords(QByteArrayView dump, int count, qint64 receivedMs,
                                        int firstNumber)
{
    const qsizetype whole = std::min<qsizetype>(std::max(count, 0), dump.size() / kFrameSize);
    std::vector<StoredRecord> out;
    out.reserve(std::size_t(whole));
    for (qsizetype i = 0; i < whole; ++i) {
        const QByteArrayView bytes = dump.sliced(i * kFrameSize, kFrameSize);
        StoredRecord record{firstNumber + int(i), measure::byteAt(bytes, 0),
                            measure::decodeFrame(bytes, measure::Source::Stored, receivedMs),
                            nullptr};
        if (record.reading && record.reading->isTotals() && hasUndefinedFirstValue(*record.reading))
            record.onePhase = asOnePhase(bytes, receivedMs);
        out.push_back(std::move(record));
    }
    return out;
}

} // namespace korvane::records
