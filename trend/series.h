// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

namespace korvane::trend {

// One pixel column of a decimated series: the samples whose times fall in it.
struct Column
{
    double min = 0;
    double max = 0;
    double mean = 0;
    qsizetype count = 0; // 0: nothing to draw here
    // A gap lies between the sample before this column and this column's last sample: the line
    // must not be drawn into this column from the one before.
    bool breakBefore = false;
};

// One quantity's samples since start, in time order, in chunks of 4096 with a min / max / sum
// pyramid over blocks of 32 and 256 samples and the whole chunk, so decimating any span into
// columns costs about the same for an hour as for a week. About 8.6 bytes per sample.
class Series
{
public:
    Series();
    ~Series();
    Series(Series&&) noexcept;
    Series& operator=(Series&&) noexcept;

    // Times never go back: a sample older than the last is taken at the last one's time.
    void append(qint64 ms, float value);
    // The line ends after the last sample (link lost, the meter no longer asked for this
    // quantity); the next sample starts a new one.
    void breakLine();

    qsizetype size() const { return m_size; }
    // The time of the newest sample; 0 before the first.
    qint64 lastTime() const { return m_lastMs; }
    qint64 timeAt(qsizetype i) const;
    float valueAt(qsizetype i) const;
    // The first sample at or after ms; size() when there is none.
    qsizetype lowerBound(qint64 ms) const;

    // [from, to) cut into `columns` equal slices, each summarised; columns < 1 gives none. Where
    // slices hold a hundred samples or so, each edge between two is moved on to the next start of
    // a block of 32 samples (less than a third of a slice) or to a break before it, so a column
    // is made of whole blocks; the span's own ends stay exact, and so does every break's column.
    std::vector<Column> decimate(qint64 from, qint64 to, int columns) const;

    std::size_t memoryBytes() const;

private:
    struct Block
    {
        float min;
        float max;
        double sum;
    };
    struct Chunk;
    // A place in the series: a chunk and a sample in it; at the end, the chunk count and 0.
    struct Cursor
    {
        std::size_t chunk = 0;
        qsizetype pos = 0;
    };
    struct Sum
    {
        double min = 0;
        double max = 0;
        double sum = 0;
        qsizetype count = 0;
        void add(double low, double high, double total, qsizetype n);
    };

    const Chunk& chunkHolding(qsizetype i) const;
    qsizetype indexOf(Cursor at) const;
    // The first chunk after `at`'s whose newest sample is at or after ms.
    Cursor laterChunk(Cursor at, qint64 ms) const;
    // The first sample at or after ms, searched from `at` on: near it in a few steps.
    Cursor seek(Cursor at, qint64 ms, qsizetype guess = 1) const;
    // The same moved on to the next start of a block of 16, or of a chunk, unless a break lies
    // between: then to the break.
    Cursor seekBlock(Cursor at, qint64 ms, qsizetype guess) const;
    // A column of whole blocks summed while its edge is looked for, as seekBlock would place it;
    // false where seekBlock and aggregate must do it (a break near the edge, the edge past
    // `limit` or in a later chunk).
    bool walkBlocks(Cursor at, qint64 ms, qsizetype limit, Cursor& next, Sum& sum) const;
    void aggregate(const Chunk& chunk, qsizetype first, qsizetype last, Sum& sum) const;
    bool breakWithin(qsizetype first, qsizetype last) const;

    std::vector<std::unique_ptr<Chunk>> m_chunks;
    qsizetype m_size = 0;
    qint64 m_lastMs = 0;
    std::vector<qsizetype> m_breaks; // index of the first sample after each break
};

} // namespace korvane::trend
