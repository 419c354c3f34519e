// Thread-local last error and the shared CloseHandle.
#include "sim.h"

namespace {
thread_local DWORD t_lastError = 0;
}

namespace winsim::detail {
void setError(DWORD code) { t_lastError = code; }
}  // namespace winsim::detail

extern "C" {

WINBASEAPI DWORD WINAPI GetLastError(void) { return t_lastError; }

WINBASEAPI void WINAPI SetLastError(DWORD code) { t_lastError = code; }

WINBASEAPI BOOL WINAPI CloseHandle(HANDLE h) {
    using namespace winsim::detail;
    if (enter("CloseHandle")) return FALSE;
    if (!removeHandle(h)) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
