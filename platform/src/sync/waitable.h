// Kernel objects that WaitForSingleObject can wait on. A service that owns
// such an object (mutex, event, process, thread...) derives from Waitable.
#pragma once
#include "core/sim.h"

#include <chrono>
#include <optional>

namespace winsim::detail {

struct Waitable : KernelObject {
    // Waits at most `milliseconds` (INFINITE: without limit). Returns
    // WAIT_OBJECT_0, WAIT_ABANDONED or WAIT_TIMEOUT; WAIT_FAILED with the
    // last error set when the wait cannot be made.
    virtual DWORD wait(DWORD milliseconds) = 0;
};

// The end of a wait of `milliseconds` from now; none for INFINITE. Waits run
// on the host's steady clock, not on the virtual clock: other threads and
// processes must be able to end them.
inline std::optional<std::chrono::steady_clock::time_point> waitDeadline(DWORD milliseconds) {
    if (milliseconds == INFINITE) return std::nullopt;
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
}

}  // namespace winsim::detail
