// SPDX-License-Identifier: GPL-3.0-or-later
#include "trend/series.h"

#include <algorithm>
#include <limits>

namespace korvane::trend {

namespace {
constexpr int kChunkShift = 12; // 4096 samples per chunk: little left unused per quantity
constexpr qsizetype kChunkSize = qsizetype(1) << kChunkShift;
constexpr int kSmallShift = 6;  // blocks of 64 samples
constexpr int kLargeShift = 12; // blocks of 4096 samples
constexpr qsizetype kSmall = qsizetype(1) << kSmallShift;
constexpr qsizetype kLarge = qsizetype(1) << kLargeShift;
static_assert(kChunkSize % kLarge == 0, "a chunk holds whole blocks");
} // namespace

// Times are kept as offsets from the chunk's first sample; a chunk whose offsets would no longer
// fit (weeks without a sample) is closed early, so chunks hold up to kChunkSize samples.
struct Series::Chunk
{
    qint64 base = 0;
    qsizetype first = 0; // index of the chunk's first sample in the series
    qsizetype used = 0;
    std::unique_ptr<quint32[]> offsets{new quint32[kChunkSize]};
    std::unique_ptr<float[]> values{new float[kChunkSize]};
};

Series::Series() = default;
Series::~Series() = default;
Series::Series(Series&&) noexcept = default;
Series& Series::operator=(Series&&) noexcept = default;

void Series::Sum::add(double low, double high, double total, qsizetype n)
{
    if (n == 0)
        return;
    if (count == 0) {
        min = low;
        max = high;
    } else {
        min = std::min(min, low);
        max = std::max(max, high);
    }
    sum += total;
    count += n;
}

void Series::append(qint64 ms, float value)
{
    ms = std::max(ms, m_lastMs);
    Chunk* chunk = m_chunks.empty() ? nullptr : m_chunks.back().get();
    const bool full = chunk && (chunk->used == kChunkSize ||
                                ms - chunk->base > std::numeric_limits<quint32>::max());
    if (!chunk || full) {
        auto fresh = std::make_unique<Chunk>();
        fresh->base = ms;
        fresh->first = m_size;
        m_chunks.push_back(std::move(fresh));
        chunk = m_chunks.back().get();
    }
    chunk->offsets[chunk->used] = quint32(ms - chunk->base);
    chunk->values[chunk->used] = value;
    ++chunk->used;
    addToBlocks(m_blocks64, m_size, kSmallShift, value);
    addToBlocks(m_blocks4096, m_size, kLargeShift, value);
    ++m_size;
    m_lastMs = ms;
}

void Series::addToBlocks(std::vector<Block>& blocks, qsizetype index, int shift, float value)
{
    const std::size_t block = std::size_t(index >> shift);
    if (block == blocks.size()) {
        blocks.push_back({value, value, value});
        return;
    }
    Block& b = blocks[block];
    b.min = std::min(b.min, value);
    b.max = std::max(b.max, value);
    b.sum += value;
}

void Series::breakLine()
{
    if (m_size > 0 && (m_breaks.empty() || m_breaks.back() < m_size))
        m_breaks.push_back(m_size);
}

const Series::Chunk& Series::chunkHolding(qsizetype i) const
{
    const auto it = std::upper_bound(
        m_chunks.begin(), m_chunks.end(), i,
        [](qsizetype index, const std::unique_ptr<Chunk>& c) { return index < c->first; });
    return **std::prev(it);
}

qint64 Series::timeAt(qsizetype i) const
{
    const Chunk& chunk = chunkHolding(i);
    return chunk.base + chunk.offsets[i - chunk.first];
}

float Series::valueAt(qsizetype i) const
{
    const Chunk& chunk = chunkHolding(i);
    return chunk.values[i - chunk.first];
}

qsizetype Series::lowerBound(qint64 ms) const
{
    // The first chunk that starts at or after ms; the answer lies in the chunk before it (which
    // may end with samples at ms, when times repeat across a chunk's end) or is its start.
    const auto it =
        std::lower_bound(m_chunks.begin(), m_chunks.end(), ms,
                         [](const std::unique_ptr<Chunk>& c, qint64 t) { return c->base < t; });
    if (it != m_chunks.begin()) {
        const Chunk& chunk = **std::prev(it);
        const qint64 offset = ms - chunk.base;
        if (offset <= qint64(std::numeric_limits<quint32>::max())) {
            const quint32* begin = chunk.offsets.get();
            const quint32* at = std::lower_bound(begin, begin + chunk.used, quint32(offset));
            if (at != begin + chunk.used)
                return chunk.first + (at - begin);
        }
    }
    return it == m_chunks.end() ? m_size : (*it)->first;
}

Series::Sum Series::aggregate(qsizetype first, qsizetype last) const
{
    Sum sum;
    qsizetype i = first;
    const auto sample = [&] {
        const double v = valueAt(i++);
        sum.add(v, v, v, 1);
    };
    const auto block = [&](const std::vector<Block>& blocks, int shift, qsizetype n) {
        const Block& b = blocks[std::size_t(i >> shift)];
        sum.add(b.min, b.max, b.sum, n);
        i += n;
    };
    while (i < last && i % kSmall != 0)
        sample();
    while (i + kSmall <= last && i % kLarge != 0)
        block(m_blocks64, kSmallShift, kSmall);
    while (i + kLarge <= last)
        block(m_blocks4096, kLargeShift, kLarge);
    while (i + kSmall <= last)
        block(m_blocks64, kSmallShift, kSmall);
    while (i < last)
        sample();
    return sum;
}

bool Series::breakWithin(qsizetype first, qsizetype last) const
{
    const auto it = std::lower_bound(m_breaks.begin(), m_breaks.end(), first);
    return it != m_breaks.end() && *it <= last;
}

std::vector<Column> Series::decimate(qint64 from, qint64 to, int columns) const
{
    std::vector<Column> out;
    if (columns < 1 || to <= from)
        return out;
    out.resize(std::size_t(columns));
    const qint64 span = to - from;
    qsizetype first = lowerBound(from);
    for (int c = 0; c < columns; ++c) {
        const qint64 end = from + span * (c + 1) / columns;
        const qsizetype last = lowerBound(end);
        if (last > first) {
            const Sum sum = aggregate(first, last);
            Column& column = out[std::size_t(c)];
            column.min = sum.min;
            column.max = sum.max;
            column.mean = sum.sum / double(sum.count);
            column.count = sum.count;
            // From the sample before the column to its last one: a break there means the line
            // would bridge a gap.
            column.breakBefore = first > 0 && breakWithin(first, last - 1);
        }
        first = last;
    }
    return out;
}

std::size_t Series::memoryBytes() const
{
    std::size_t bytes = sizeof(*this);
    bytes += m_chunks.capacity() * sizeof(m_chunks[0]);
    bytes += m_chunks.size() * (sizeof(Chunk) + std::size_t(kChunkSize) * (4 + 4));
    bytes += (m_blocks64.capacity() + m_blocks4096.capacity()) * sizeof(Block);
    bytes += m_breaks.capacity() * sizeof(qsizetype);
    return bytes;
}

} // namespace korvane::trend
