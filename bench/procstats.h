// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <cstddef>

namespace korvane::bench {

// What the process holds resident now (/proc/self/statm), in bytes.
std::size_t residentBytes();
// The most the process has held resident since it started (getrusage), in bytes.
std::size_t peakResidentBytes();
// Bytes malloc has handed out and not taken back (glibc's mallinfo2).
std::size_t heapBytesInUse();
// User plus system CPU time of the whole process so far.
std::chrono::microseconds cpuTime();

constexpr double mebibytes(std::size_t bytes)
{
    return double(bytes) / (1024.0 * 1024.0);
}

} // namespace korvane::bench
