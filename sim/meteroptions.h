// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

#include <chrono>
#include <optional>

namespace korvane::sim {

constexpr int kDefaultRecordCount = 36;
constexpr int kMaxRecordCount = 65535; // the count answer carries 16 bits
// The command byte's time on the wire at 9600 baud, plus the meter's own processing.
constexpr std::chrono::milliseconds kDefaultAnswerDelay{3};

// What the meter sends when it is told to send garbage.
enum class Garbage {
    None,
    Surround, // a few random bytes before and after every answer
    Replace,  // random bytes instead of every answer, as many as the answer would have had
};

// How the virtual meter behaves. The defaults are a healthy meter; everything after
// `answerDelay` is a fault that a test or a demo switches on.
struct MeterOptions
{
    // A symlink re-pointed at the current device; empty for none.
    QString linkPath;
    int recordCount = kDefaultRecordCount;
    // Bytes leave at 960 per second, as on a 9600 baud line; off: as fast as the pty takes them.
    bool pacing = true;
    std::chrono::milliseconds answerDelay = kDefaultAnswerDelay;

    // Fall silent after this many answers, or this long after start; whichever comes first,
    // once. Commands are still read while silent, just not answered.
    std::optional<int> silentAfterAnswers;
    std::optional<std::chrono::milliseconds> silentAfterTime;
    // How long a silence lasts before the meter answers again; empty: for good.
    std::optional<std::chrono::milliseconds> silentFor;

    // After this many answers, every answer is cut to its first byte or two, in turn: a meter
    // that still stirs but says nothing whole.
    std::optional<int> fragmentsAfterAnswers;

    Garbage garbage = Garbage::None;
    quint32 garbageSeed = 1;

    // Send every answer in pieces of this many bytes with a pause in between; 0: in one go.
    int chunkSize = 0;
    std::chrono::milliseconds chunkGap{0};

    bool wrongHandshake = false; // D5 55 54 instead of D5 55 55
    bool badCount = false;       // 05 04 lo hi instead of 05 05 lo hi
    bool zeroCount = false;      // 05 05 00 00 although records are stored

    // The first dump stops after this many of its bytes: the cable is pulled (the pty goes
    // away), or the meter restarts (the rest of the dump never comes, later commands are
    // answered as usual).
    std::optional<int> unplugMidDump;
    std::optional<int> restartMidDump;
    // The cable is pulled once, shortly after this many answers (while polling, say).
    std::optional<int> unplugAfterAnswers;
    // After an unplug, the meter comes back on a new pty this much later; empty: only replug().
    std::optional<std::chrono::milliseconds> replugAfter;
};

// An empty string when the options make sense, otherwise what is wrong with them.
QString checkOptions(const MeterOptions& options);

} // namespace korvane::sim
