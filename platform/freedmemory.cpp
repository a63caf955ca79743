// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/freedmemory.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace korvane::platform {

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

} // namespace korvane::platform
