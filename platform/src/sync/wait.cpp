// WaitForSingleObject over every Waitable kernel object, and unnamed events.
//
// The pseudo handles of the current process and thread are not waitable
// here (a wait on oneself never ends); they fail with ERROR_INVALID_HANDLE.
#include <win/sync.h>

#include <condition_variable>

#include "waitable.h"

using namespace winsim::detail;

namespace {

struct Event : Waitable {
    std::mutex lock;
    std::condition_variable signalled;
    bool manualReset;
    bool state;
    Event(bool manual, bool initial) : manualReset(manual), state(initial) {}
    const char* kindName() const override { return "event"; }
    DWORD wait(DWORD milliseconds) override {
        auto deadline = waitDeadline(milliseconds);
        std::unique_lock g(lock);
        auto isSet = [&] { return state; };
        if (!deadline) signalled.wait(g, isSet);
        else if (!signalled.wait_until(g, *deadline, isSet)) return WAIT_TIMEOUT;
        if (!manualReset) state = false;  // an auto-reset event releases one waiter
        return WAIT_OBJECT_0;
    }
    void set(bool on) {
        std::lock_guard g(lock);
        state = on;
        if (!on) return;
        if (manualReset) signalled.notify_all();
        else signalled.notify_one();
    }
};

}  // namespace

extern "C" {

WINBASEAPI DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    if (enter("WaitForSingleObject")) return WAIT_FAILED;
    auto w = lookup<Waitable>(handle);
    if (!w) {
        setError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    return w->wait(milliseconds);
}

WINBASEAPI HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES sa, BOOL manualReset, BOOL initialState, LPCWSTR name) {
    (void)sa;
    if (enter("CreateEventW")) return nullptr;
    if (name) {
        setError(ERROR_NOT_SUPPORTED);  // events are not shared between processes here
        return nullptr;
    }
    try {
        HANDLE h = addHandle(std::make_shared<Event>(manualReset != FALSE, initialState != FALSE));
        setError(ERROR_SUCCESS);
        return h;
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI BOOL WINAPI SetEvent(HANDLE event) {
    if (enter("SetEvent")) return FALSE;
    auto e = lookup<Event>(event);
    if (!e) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    e->set(true);
    return TRUE;
}

WINBASEAPI BOOL WINAPI ResetEvent(HANDLE event) {
    if (enter("ResetEvent")) return FALSE;
    auto e = lookup<Event>(event);
    if (!e) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    e->set(false);
    return TRUE;
}

}  // extern "C"
