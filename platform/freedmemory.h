// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace korvane::platform {

// Hands heap memory that the program has freed back to the system. The C library keeps freed
// memory for reuse, so after a large table is cleared, or the short-lived allocations around a
// download or a lost link, the process would otherwise stay as large as it ever was.
void releaseFreedMemory();

} // namespace korvane::platform
