// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace korvane::sim {

// Every live frame and every stored record is 20 bytes: frame type, sub-index, then fields.
constexpr qsizetype kFrameSize = 20;

// Live frames cycle through seven kinds: type 0 for phases 1 to 3 and the totals, then types
// 1, 2 and 3. About 230 V, 5 A, 50 Hz, PF 0.9 lagging, a morning time of day; angles are lags
// behind U1: U2 at 120 and U3 at 240 degrees, the current at its phase angle phi, or at
// 360 - phi on a leading load. The readings drift a little with the sequence number.
constexpr int kLiveCycle = 7;
QByteArray liveFrame(int sequence);

// The meter's stored records; record i depends on i alone, so a dump can be predicted.
// The same seven kinds as the live frames, with varying ranges, power scales, leading and
// lagging loads and phase sequences.
QByteArray storedRecord(int index);
QByteArray storedRecords(int count);

} // namespace korvane::sim
