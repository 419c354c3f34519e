// Leak checks over the stand-in's memory blocks: the blocks GlobalAlloc,
// LocalAlloc and their ReAlloc forms handed out and nobody has freed yet.
// Global and local blocks live in one heap (either Free releases either), so
// the counters cover both.
#pragma once
#include <cstddef>

#include "winsim.h"

namespace winsim {

// Number of live blocks; a test notes it first and checks it returns there.
WINSIM_API size_t liveGlobalBlocks();
// Bytes those blocks hold (their sizes as GlobalSize reports them).
WINSIM_API size_t liveGlobalBytes();

}  // namespace winsim
