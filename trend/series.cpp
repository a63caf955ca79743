// SPDX-License-Identifier: GPL-3.0-or-later
#include "trend/series.h"

#include <algorithm>
#include <array>
#include <limits>

namespace korvane::trend {

namespace {
constexpr int kChunkShift = 12; // 4096 samples per chunk: little left unused per quantity
constexpr qsizetype kChunkSize = qsizetype(1) << kChunkShift;
constexpr int kSmallShift = 5; // blocks of 32 samples
constexpr int kLargeShift = 8; // blocks of 256 samples
constexpr qsizetype kSmall = qsizetype(1) << kSmallShift;
constexpr qsizetype kLarge = qsizetype(1) << kLargeShift;
static_assert(kChunkSize % kLarge == 0 && kLarge % kSmall == 0, "blocks nest in a chunk");
// A column of this many samples or more has its inner edges moved on to the next start of a block
// of 32, less than a third of the column: it then reads blocks only, and a week costs little more
// than an hour.
constexpr qsizetype kSnapFrom = 3 * kSmall;
// Up to this many samples a column's blocks are read one by one as its edge is looked for.
constexpr qsizetype kWalkBelow = 2 * kLarge;

// The first i in [low, high) for which late(i) holds (false up to some i, true from there on),
// or high; searched outwards from start, so a few steps when the answer lies near it.
template <typename Late> qsizetype gallop(qsizetype low, qsizetype high, qsizetype start, Late late)
{
    if (low >= high)
        return high;
    start = std::clamp(start, low, high - 1);
    qsizetype lo = start + 1; // the answer lies in [lo, hi]
    qsizetype hi = high;
    if (late(start)) {
        lo = low;
        hi = start;
        for (qsizetype step = 1; hi - step >= low; step *= 2) {
            if (!late(hi - step)) {
                lo = hi - step + 1;
                break;
            }
            hi -= step;
        }
    } else {
        for (qsizetype step = 1; lo + step - 1 < high; step *= 2) {
            if (late(lo + step - 1)) {
                hi = lo + step - 1;
                break;
            }
            lo += step;
        }
    }
    while (lo < hi) {
        const qsizetype mid = lo + (hi - lo) / 2;
        if (late(mid))
            hi = mid;
        else
            lo = mid + 1;
    }
    return lo;
}
} // namespace

// Times are kept as offsets from the chunk's first sample; a chunk whose offsets would no longer
// fit (weeks without a sample) is closed early, so chunks hold up to kChunkSize samples. Its
// blocks count from its own first sample.
struct Series::Chunk
{
    qint64 base = 0;
    qsizetype first = 0; // index of the chunk's first sample in the series
    qsizetype used = 0;
    qint64 last = 0; // the newest sample's time: seeking past this chunk need not read its samples
    double openSum = 0; // the newest small block's, so that its float is rounded once
    Block whole{};
    std::array<Block, kChunkSize / kLarge> large{};
    // With its first sample's time: a column's edge is found in the blocks, not the samples.
    struct SmallBlock
    {
        float min;
        float max;
        float sum;
        quint32 start;
    };
    std::array<SmallBlock, kChunkSize / kSmall> small{};
    // A sample's time and value side by side: finding a column's edge brings its values into
    // the cache with it.
    struct Sample
    {
        quint32 offset;
        float value;
    };
    std::array<Sample, kChunkSize> samples;

    qint64 lastTime() const { return last; }
};

Series::Series() = default;
Series::~Series() = default;
Series::Series(Series&&) noexcept = default;
Series& Series::operator=(Series&&) noexcept = default;

inline void Series::Sum::add(double low, double high, double total, qsizetype n)
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
    const auto offset = quint32(ms - chunk->base);
    chunk->samples[std::size_t(pos)] = {offset, value};
    const auto add = [value](auto& b, bool starts) {
        if (starts) {
            b = {value, value, value};
            return;
        }
        b.min = std::min(b.min, value);
        b.max = std::max(b.max, value);
        b.sum += value;
    };
    Chunk::SmallBlock& small = chunk->small[std::size_t(pos >> kSmallShift)];
    if (pos % kSmall == 0) {
        small = {value, value, value, offset};
        chunk->openSum = value;
    } else {
        small.min = std::min(small.min, value);
        small.max = std::max(small.max, value);
        chunk->openSum += value;
        small.sum = float(chunk->openSum);
    }
    add(chunk->large[std::size_t(pos >> kLargeShift)], pos % kLarge == 0);
    add(chunk->whole, pos == 0);
    ++chunk->used;
    chunk->last = ms;
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

inline qsizetype Series::indexOf(Cursor at) const
{
    return at.chunk == m_chunks.size() ? m_size : m_chunks[at.chunk]->first + at.pos;
}

Series::Cursor Series::laterChunk(Cursor at, qint64 ms) const
{
    // Mostly the next one: a column seldom spans a chunk.
    const std::size_t next = at.chunk + 1;
    if (next == m_chunks.size() || m_chunks[next]->lastTime() >= ms)
        return {next, 0};
    const auto it =
        std::partition_point(m_chunks.begin() + std::ptrdiff_t(next) + 1, m_chunks.end(),
                             [ms](const std::unique_ptr<Chunk>& c) { return c->lastTime() < ms; });
    return {std::size_t(it - m_chunks.begin()), 0};
}

Series::Cursor Series::seek(Cursor at, qint64 ms, qsizetype guess) const
{
    if (at.chunk == m_chunks.size())
        return at;
    if (m_chunks[at.chunk]->lastTime() < ms) {
        at = laterChunk(at, ms);
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

Series::Cursor Series::seekBlock(Cursor at, qint64 ms, qsizetype guess) const
{
    if (at.chunk == m_chunks.size())
        return at;
    if (m_chunks[at.chunk]->lastTime() < ms) {
        at = laterChunk(at, ms);
        if (at.chunk == m_chunks.size())
            return at;
    }
    const Chunk& chunk = *m_chunks[at.chunk];
    if (ms <= chunk.base)
        return at;
    const quint32 offset = quint32(ms - chunk.base);
    const Chunk::Sample* samples = chunk.samples.data();
    const quint32 atOffset = at.pos % kSmall == 0 ? chunk.small[std::size_t(at.pos / kSmall)].start
                                                  : samples[at.pos].offset;
    if (atOffset >= offset)
        return at;
    // The first block after `at` whose first sample is at or after ms, or the chunk's end.
    const qsizetype firstBlock = at.pos / kSmall + 1;
    const qsizetype blocks = (chunk.used + kSmall - 1) / kSmall;
    const qsizetype block =
        gallop(firstBlock, blocks, (at.pos + guess - 1 + kSmall - 1) / kSmall,
               [&](qsizetype b) { return chunk.small[std::size_t(b)].start >= offset; });
    qsizetype pos = std::min(block * kSmall, chunk.used);
    // The exact edge lies after `before`. A break between it and the block's end stays on its
    // side of the edge: the edge moves to the break instead.
    const qsizetype before = std::max(at.pos, (block - 1) * kSmall);
    auto it = std::upper_bound(m_breaks.begin(), m_breaks.end(), chunk.first + before);
    if (it != m_breaks.end() && *it < chunk.first + pos) {
        const qsizetype exact = gallop(before + 1, pos, before + 1,
                                       [&](qsizetype i) { return samples[i].offset >= offset; });
        it = std::lower_bound(it, m_breaks.end(), chunk.first + exact);
        if (it != m_breaks.end() && *it < chunk.first + pos)
            pos = *it - chunk.first;
    }
    if (pos == chunk.used)
        return {at.chunk + 1, 0};
    at.pos = pos;
    return at;
}

bool Series::walkBlocks(Cursor at, qint64 ms, qsizetype limit, Cursor& next, Sum& sum) const
{
    if (at.chunk == m_chunks.size() || at.pos % kSmall != 0)
        return false;
    const Chunk& chunk = *m_chunks[at.chunk];
    if (chunk.lastTime() < ms || ms <= chunk.base)
        return false;
    const quint32 offset = quint32(ms - chunk.base);
    // Two running minima, maxima and sums, taken in turn: no step waits for the one before.
    std::array<float, 2> low{std::numeric_limits<float>::infinity(),
                             std::numeric_limits<float>::infinity()};
    std::array<float, 2> high{-low[0], -low[0]};
    std::array<double, 2> total{};
    const Chunk::SmallBlock* const blocks = chunk.small.data();
    const Chunk::SmallBlock* const end = blocks + (chunk.used + kSmall - 1) / kSmall;
    const Chunk::SmallBlock* b = blocks + at.pos / kSmall;
    for (; b != end && b->start < offset; ++b) {
        low[0] = b->min < low[0] ? b->min : low[0];
        high[0] = b->max > high[0] ? b->max : high[0];
        total[0] += b->sum;
        std::swap(low[0], low[1]);
        std::swap(high[0], high[1]);
        std::swap(total[0], total[1]);
    }
    const qsizetype pos = std::min((b - blocks) * kSmall, chunk.used);
    if (pos > at.pos) {
        if (chunk.first + pos > limit)
            return false;
        // A break within the last block read: where the edge goes is seekBlock's to say.
        const qsizetype before = chunk.first + (pos - 1) / kSmall * kSmall;
        const auto it = std::upper_bound(m_breaks.begin(), m_breaks.end(), before);
        if (it != m_breaks.end() && *it < chunk.first + pos)
            return false;
        sum.add(std::min(low[0], low[1]), std::max(high[0], high[1]), total[0] + total[1],
                pos - at.pos);
    }
    next = pos == chunk.used ? Cursor{at.chunk + 1, 0} : Cursor{at.chunk, pos};
    return true;
}

inline void Series::aggregate(const Chunk& chunk, qsizetype first, qsizetype last, Sum& sum) const
{
    if (first == 0 && last == chunk.used) {
        sum.add(chunk.whole.min, chunk.whole.max, chunk.whole.sum, last);
        return;
    }
    // Two running minima, maxima and sums, taken in turn: no step waits for the one before.
    float low = std::numeric_limits<float>::infinity();
    float high = -low;
    double total = 0;
    float otherLow = low;
    float otherHigh = high;
    double otherTotal = 0;
    const auto take = [&](float min, float max, double part) {
        low = min < low ? min : low;
        high = max > high ? max : high;
        total += part;
        std::swap(low, otherLow);
        std::swap(high, otherHigh);
        std::swap(total, otherTotal);
    };
    qsizetype i = first;
    const auto samples = [&](qsizetype end) {
        for (; i < end; ++i) {
            const float v = chunk.samples[std::size_t(i)].value;
            take(v, v, v);
        }
    };
    const auto blocks = [&](const auto& level, int shift, qsizetype size, qsizetype end) {
        for (; i + size <= end; i += size) {
            const auto& b = level[std::size_t(i >> shift)];
            take(b.min, b.max, b.sum);
        }
    };
    const auto roundUp = [](qsizetype n, qsizetype size) { return (n + size - 1) / size * size; };
    if (last - first < kSmall) {
        samples(last);
    } else {
        samples(roundUp(i, kSmall));
        // Blocks of 256 only where they save more than they cost.
        if (last - i > 2 * kLarge) {
            blocks(chunk.small, kSmallShift, kSmall, roundUp(i, kLarge));
            blocks(chunk.large, kLargeShift, kLarge, last);
        }
        blocks(chunk.small, kSmallShift, kSmall, last);
        samples(last);
    }
    sum.add(std::min(low, otherLow), std::max(high, otherHigh), total + otherTotal, last - first);
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
    const Cursor stop = seek(at, to);
    qsizetype guess = 1;
    for (int c = 0; c < columns && first < m_size; ++c) {
        const qint64 end = from + span * (c + 1) / columns;
        // The span's own ends are exact.
        Cursor next;
        Sum sum;
        bool summed = false;
        if (c + 1 < columns && guess >= kSnapFrom) {
            summed = guess < kWalkBelow && walkBlocks(at, end, indexOf(stop), next, sum);
            if (!summed) {
                next = seekBlock(at, end, guess);
                if (indexOf(next) > indexOf(stop))
                    next = stop;
            }
        } else {
            next = seek(at, end, guess);
        }
        const qsizetype last = indexOf(next);
        if (last > first) {
            for (std::size_t k = at.chunk; !summed && k <= next.chunk && k < m_chunks.size(); ++k) {
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
