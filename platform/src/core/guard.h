// Entry-point guards: no exception leaves an exported function. A memory
// shortage becomes ERROR_NOT_ENOUGH_MEMORY; anything else ERROR_GEN_FAILURE
// (a fault of ours, not a shortage the caller could relieve by freeing
// memory, so it is not reported as one).
#pragma once
#include "sim.h"

#include <new>

namespace winsim::detail {

// The Windows code for an exception caught at an entry point.
inline DWORD caughtCode(std::exception_ptr e) noexcept {
    try {
        std::rethrow_exception(e);
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_GEN_FAILURE;
    }
}

// For functions that report failure through the thread's last error: runs
// `body`; on an exception sets the last error and returns `failValue`.
template <class R, class F>
R guarded(R failValue, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        setError(caughtCode(std::current_exception()));
    }
    return failValue;
}

// For functions that return their error code: runs `body`; on an exception
// returns the code (the last error is left alone).
template <class F>
auto guardedCode(F&& body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        return static_cast<decltype(body())>(caughtCode(std::current_exception()));
    }
}

}  // namespace winsim::detail
