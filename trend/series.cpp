// SPDX-License-Identifier: GPL-3.0-or-later
#include "trend/series.h"

#include <algorithm>
#include <array>
#include <limits>

namespace korvane::trend {

namespace {
constexpr int kChunkShift = 12; // 4096 samples per chunk: little left unused per quantity
constexpr qsizetype kChunkSize = qsizetype(1) << kChunkShift;
constexpr int kSmallShift = 4; // blocks of 16 samples
constexpr int kLargeShift = 8; // blocks of 256 samples
constexpr qsizetype kSmall = qsizetype(1) << kSmallShift;
constexpr qsizetype kLarge = qsizetype(1) << kLargeShift;
static_assert(kChunkSize % kLarge == 0 && kLarge % kSmall == 0, "blocks nest in a chunk");
} // namespace

// Times are kept as offsets from the chunk's first sample; a chunk whose offsets would no longer
// fit (weeks without a sample) is closed early, so chunks hold up to kChunkSize samples. Its
// blocks count from its own first sample.
struct Series::Chunk
{
    qint64 base = 0;
    qsizetype first = 0; // index of the chunk's first sample in the series
    qsizetype used = 0;
    Block<double> whole{};
    std::array<Block<double>, kChunkSize / kLarge> large{};
    std::array<Block<float>, kChunkSize / kSmall> small{};
    // A sample's time and value side by side: finding a column's edge brings its values into
    // the cache with it.
    struct Sample
    {
        quint32 offset;
        float value;
    };
    std::array<Sample, kChunkSize> samples;

    qint64 lastTime() const { return base + samples[std::size_t(used - 1)].offset; }
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
    const qsizetype pos = chunk->used;
    chunk->samples[std::size_t(pos)] = {quint32(ms - chunk->base), value};
    const auto add = [value](auto& b, bool starts) {
        if (starts) {
            b = {value, value, value};
            return;
        }
        b.min = std::min(b.min, value);
        b.max = std::max(b.max, value);
        b.sum += value;
    };
    add(chunk->small[std::size_t(pos >> kSmallShift)], pos % kSmall == 0);
    add(chunk->large[std::size_t(pos >> kLargeShift)], pos % kLarge == 0);
    add(chunk->whole, pos == 0);
    ++chunk->used;
    ++m_size;
    m_lastMs = ms;
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
    return chunk.base + chunk.samples[std::size_t(i - chunk.first)].offset;
}

float Series::valueAt(qsizetype i) const
{
    const Chunk& chunk = chunkHolding(i);
    return chunk.samples[std::size_t(i - chunk.first)].value;
}

qsizetype Series::lowerBound(qint64 ms) const
{
    return indexOf(seek({}, ms));
}

qsizetype Series::indexOf(Cursor at) const
{
    return at.chunk == m_chunks.size() ? m_size : m_chunks[at.chunk]->first + at.pos;
}

Series::Cursor Series::seek(Cursor at, qint64 ms, qsizetype guess) const
{
    if (at.chunk == m_chunks.size())
        return at;
    if (m_chunks[at.chunk]->lastTime() < ms) {
        // Not in this chunk: the first later one whose last sample is at or after ms.
        const auto it = std::partition_point(
            m_chunks.begin() + std::ptrdiff_t(at.chunk) + 1, m_chunks.end(),
            [ms](const std::unique_ptr<Chunk>& c) { return c->lastTime() < ms; });
        at = {std::size_t(it - m_chunks.begin()), 0};
        if (at.chunk == m_chunks.size())
            return at;
    }
    const Chunk& chunk = *m_chunks[at.chunk];
    if (ms <= chunk.base)
        return at;
    // Galloping from where the caller guesses (the last column held about as many samples as
    // this one will): a few steps, whatever the span.
    const quint32 offset = quint32(ms - chunk.base);
    const Chunk::Sample* samples = chunk.samples.data();
    const qsizetype start = std::min(at.pos + std::max<qsizetype>(guess, 1) - 1, chunk.used - 1);
    // The answer lies in [low, high], and at high unless something before it is also late enough.
    qsizetype low = start + 1;
    qsizetype high = start;
    if (samples[start].offset < offset) {
        high = low;
        for (qsizetype step = 2; high < chunk.used && samples[high].offset < offset; step *= 2) {
            low = high + 1;
            high = start + step;
        }
        high = std::min(high, chunk.used);
    } else {
        low = start;
        for (qsizetype step = 2; low > at.pos && samples[low - 1].offset >= offset; step *= 2) {
            high = low - 1;
            low = std::max(at.pos, start - step);
        }
    }
    at.pos = std::lower_bound(samples + low, samples + high, offset,
                              [](const Chunk::Sample& a, quint32 t) { return a.offset < t; }) -
             samples;
    return at; // the chunk's last time is at or after ms, so pos is within it
}

void Series::aggregate(const Chunk& chunk, qsizetype first, qsizetype last, Sum& sum) const
{
    if (first == 0 && last == chunk.used) {
        sum.add(chunk.whole.min, chunk.whole.max, chunk.whole.sum, last);
        return;
    }
    float low = std::numeric_limits<float>::infinity();
    float high = -low;
    // Two sums in turn: each addition need not wait for the one before.
    std::array<double, 2> total{};
    qsizetype i = first;
    const auto samples = [&](qsizetype end) {
        for (; i < end; ++i) {
            const float v = chunk.samples[std::size_t(i)].value;
            low = std::min(low, v);
            high = std::max(high, v);
            total[std::size_t(i & 1)] += v;
        }
    };
    const auto blocks = [&](const auto& level, int shift, qsizetype size, qsizetype end) {
        for (; i + size <= end; i += size) {
            const auto& b = level[std::size_t(i >> shift)];
            low = std::min(low, b.min);
            high = std::max(high, b.max);
            total[std::size_t((i >> shift) & 1)] += b.sum;
        }
    };
    const auto roundUp = [](qsizetype n, qsizetype size) { return (n + size - 1) / size * size; };
    samples(std::min(last, roundUp(i, kSmall)));
    blocks(chunk.small, kSmallShift, kSmall, std::min(last, roundUp(i, kLarge)));
    blocks(chunk.large, kLargeShift, kLarge, last);
    blocks(chunk.small, kSmallShift, kSmall, last);
    samples(last);
    sum.add(low, high, total[0] + total[1], last - first);
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
    Cursor at = seek({}, from);
    qsizetype first = indexOf(at);
    qsizetype guess = 1;
    for (int c = 0; c < columns && first < m_size; ++c) {
        const qint64 end = from + span * (c + 1) / columns;
        const Cursor next = seek(at, end, guess);
        const qsizetype last = indexOf(next);
        if (last > first) {
            Sum sum;
            for (std::size_t k = at.chunk; k <= next.chunk && k < m_chunks.size(); ++k) {
                const Chunk& chunk = *m_chunks[k];
                aggregate(chunk, k == at.chunk ? at.pos : 0,
                          k == next.chunk ? next.pos : chunk.used, sum);
            }
            Column& column = out[std::size_t(c)];
            column.min = sum.min;
            column.max = sum.max;
            column.mean = sum.sum / double(sum.count);
            column.count = sum.count;
            // From the sample before the column to its last one: a break there means the line
            // would bridge a gap.
            column.breakBefore = first > 0 && breakWithin(first, last - 1);
        }
        if (next.chunk == at.chunk)
            guess = next.pos - at.pos + 1;
        at = next;
        first = last;
    }
    return out;
}

std::size_t Series::memoryBytes() const
{
    std::size_t bytes = sizeof(*this);
    bytes += m_chunks.capacity() * sizeof(m_chunks[0]);
    bytes += m_chunks.size() * sizeof(Chunk);
    bytes += m_breaks.capacity() * sizeof(qsizetype);
    return bytes;
}

} // namespace korvane::trend
