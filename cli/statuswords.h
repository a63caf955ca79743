// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/linkevents.h"

#include <QString>

#include <chrono>
#include <optional>

namespace korvane::cli {

// "COM3 Open" or "COM3Unviable", as the port label of the window reads in English.
QString portStatusText(const link::PortAttempt& attempt);
// Why an open failed and what the user can do about it; empty when there is nothing to add
// (a port in use or with no device behind it is the everyday case of the search).
QString portProblemText(const link::PortAttempt& attempt);
// "Connected" or "unconnected".
QString linkStateText(link::LinkState state);
// "records 250 of 1500, about 25 s left": a download's progress for a terminal.
QString downloadProgressText(int records, int count, std::optional<std::chrono::milliseconds> left);

} // namespace korvane::cli
