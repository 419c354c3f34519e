// Internal views of the clock beyond the control interface.
#pragma once
#include <cstdint>

#pragma GCC visibility push(default)
namespace winsim::detail {

// Milliseconds of the tick counter, full width (GetTickCount64); its low 32
// bits are nowTickCount().
uint64_t tickCount64();
// Whether the clock is virtual (moved only by advanceClock).
bool clockIsVirtual();

}  // namespace winsim::detail
#pragma GCC visibility pop
