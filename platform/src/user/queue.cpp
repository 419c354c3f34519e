// The one UI thread's message queue: sent messages are direct calls; the
// queue hands out posted messages, then synthesised input, then WM_PAINT for
// invalid windows, then due timers on the (virtual) clock. An empty queue is
// an idle point, where the UI script takes its next step.
#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

#include <win/sync.h>

#include "core/clock.h"
#include <win/time.h>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct Timer {
    HWND window;
    UINT_PTR id;
    UINT elapse;
    TIMERPROC proc;
    uint64_t due;
};

struct Queue {
    std::deque<MSG> posted;
    bool quit = false;
    int quitCode = 0;
    std::vector<Timer> timers;
    UINT_PTR nextTimerId = 1;
    DWORD lastTime = 0;
    int emptyPeeks = 0;
    int sendDepth = 0;
};
Queue& queue() {
    static auto* q = new Queue;
    return *q;
}

constexpr int kMaxSendDepth = 2000;
constexpr UINT kMinTimer = 10;

bool inRange(UINT m, UINT first, UINT last) { return (first == 0 && last == 0) || (m >= first && m <= last); }

bool matches(HWND filter, HWND h) { return !filter || h == filter || IsChild(filter, h); }

MSG makeMsg(HWND h, UINT m, WPARAM w, LPARAM l) {
    POINT pt{};
    GetCursorPos(&pt);
    return MSG{h, m, w, l, GetTickCount(), pt};
}

// The first visible window (parents before their children) waiting for paint.
HWND invalidWindow(const std::vector<HWND>& list, HWND filter) {
    for (HWND h : list) {
        Window* w = findWindow(h);
        if (!w || !(w->style & WS_VISIBLE)) continue;
        if (w->invalid && matches(filter, h)) return h;
        if (HWND c = invalidWindow(std::vector<HWND>(w->children), filter)) return c;
    }
    return nullptr;
}

uint64_t now() { return tickCount64(); }

// Takes (or looks at) the next message; false when there is none.
bool retrieve(MSG& out, HWND filter, UINT first, UINT last, bool remove) {
    auto& q = queue();
    // Synthesised input joins the queue when its turn comes, so that hit
    // tests see the capture and focus of the moment.
    for (;;) {
        std::unique_lock g(userLock());
        bool postedWaiting = std::any_of(q.posted.begin(), q.posted.end(), [&](const MSG& m) {
            return matches(filter, m.hwnd) && inRange(m.message, first, last);
        });
        if (postedWaiting || !inputPending()) break;
        g.unlock();
        MSG m;
        if (takeInput(m)) {
            std::lock_guard g2(userLock());
            q.posted.push_back(m);
        }
    }
    {
        std::lock_guard g(userLock());
        for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
            if (!matches(filter, it->hwnd) || !inRange(it->message, first, last)) continue;
            out = *it;
            if (remove) q.posted.erase(it);
            q.lastTime = out.time;
            return true;
        }
        if (q.quit && !filter) {
            out = makeMsg(nullptr, WM_QUIT, WPARAM(q.quitCode), 0);
            if (remove) q.quit = false;
            return true;
        }
    }
    if (inRange(WM_PAINT, first, last))
        if (HWND h = invalidWindow(topLevelWindows(), filter)) {
            out = makeMsg(h, WM_PAINT, 0, 0);
            return true;
        }
    if (inRange(WM_TIMER, first, last)) {
        std::lock_guard g(userLock());
        const uint64_t t = now();
        Timer* best = nullptr;
        for (auto& tm : q.timers)
            if (tm.due <= t && matches(filter, tm.window) && (!best || tm.due < best->due)) best = &tm;
        if (best) {
            out = makeMsg(best->window, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc));
            if (remove) best->due = t + best->elapse;
            return true;
        }
    }
    return false;
}

bool anythingWaiting() {
    MSG m;
    return retrieve(m, nullptr, 0, 0, false);
}

// The top modal window and its name for failure messages.
std::string modalName(const ModalEntry& e) {
    if (!e.window) return "message box";
    if (isSheetFrame(e.window)) return "property sheet";
    return "dialog " + (e.templateId ? std::to_string(e.templateId) : std::string("(no template)"));
}

// Ends the innermost loop after a failure: a dialog with IDCANCEL, any
// other loop by WM_QUIT.
void cancelInnermostLoop() {
    auto stack = modalStack();
    if (!stack.empty() && stack.back().window && IsWindow(stack.back().window)) {
        EndDialog(stack.back().window, IDCANCEL);
        return;
    }
    PostQuitMessage(0);
}

// An idle point: the next script step (true), else the failure rule.
bool idlePoint() {
    queue().emptyPeeks = 0;
    resetBudget();
    if (runIdleStep()) return true;
    auto stack = modalStack();
    recordFailure("unexpected wait in " + (stack.empty() ? std::string("the message loop") : modalName(stack.back())));
    cancelInnermostLoop();
    return false;
}

}  // namespace

namespace winsim::detail {

bool postMessage(HWND h, UINT message, WPARAM wParam, LPARAM lParam) {
    if (h && !findWindow(h)) return false;
    std::lock_guard g(userLock());
    queue().posted.push_back(makeMsg(h, message, wParam, lParam));
    queue().emptyPeeks = 0;
    return true;
}

void dropWindowTimers(HWND h) {
    std::lock_guard g(userLock());
    std::erase_if(queue().timers, [&](const Timer& t) { return t.window == h && h; });
    std::erase_if(queue().posted, [&](const MSG& m) { return m.hwnd == h && h; });
}

void pumpPosted() {
    for (;;) {
        MSG m;
        {
            std::lock_guard g(userLock());
            if (queue().posted.empty()) return;
            m = queue().posted.front();
            queue().posted.pop_front();
        }
        if (m.message == WM_QUIT || !m.hwnd) continue;
        if (!chargeBudget()) {
            recordFailure("message budget spent in a message box's pump");
            return;
        }
        DispatchMessageW(&m);
    }
}

INT_PTR runModalLoop(HWND dialog) {
    for (;;) {
        Window* w = findWindow(dialog);
        if (!w || w->ended) break;
        MSG m;
        if (!retrieve(m, nullptr, 0, 0, true)) {
            idlePoint();
            continue;
        }
        if (m.message == WM_QUIT) {
            PostQuitMessage(int(m.wParam));
            break;
        }
        if (!chargeBudget()) {
            recordFailure("message budget spent in dialog " + std::to_string(w->templateId));
            EndDialog(dialog, IDCANCEL);
            continue;
        }
        if (!IsDialogMessageW(dialog, &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    Window* w = findWindow(dialog);
    return w ? w->result : IDCANCEL;
}

void noteActivity() { queue().emptyPeeks = 0; }

void resetQueue() {
    std::lock_guard g(userLock());
    auto& q = queue();
    q.posted.clear();
    q.timers.clear();
    q.quit = false;
    q.emptyPeeks = 0;
}

}  // namespace winsim::detail

extern "C" {

WINBASEAPI LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = windowOrFail(window);
    if (!w) return 0;
    auto& q = queue();
    if (q.sendDepth >= kMaxSendDepth) {
        recordFailure("messages nested too deep (message " + std::to_string(message) + ")");
        setError(ERROR_STACK_OVERFLOW);
        return 0;
    }
    ++q.sendDepth;
    q.emptyPeeks = 0;  // the program is doing something: not a polling loop
    const LRESULT r = w->proc(window, message, wParam, lParam);
    --q.sendDepth;
    return r;
}

WINBASEAPI LRESULT WINAPI CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!proc) return 0;
    return proc(window, message, wParam, lParam);
}

WINBASEAPI BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (enter("PostMessageW", std::to_string(message))) return FALSE;
    if (!postMessage(window, message, wParam, lParam)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    return TRUE;
}

WINBASEAPI void WINAPI PostQuitMessage(int exitCode) {
    std::lock_guard g(userLock());
    queue().quit = true;
    queue().quitCode = exitCode;
}

WINBASEAPI BOOL WINAPI GetMessageW(LPMSG msg, HWND window, UINT first, UINT last) {
    if (!msg) {
        setError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    if (window && !windowOrFail(window)) return -1;
    while (!retrieve(*msg, window, first, last, true)) {
        if (window && !IsWindow(window)) return -1;
        // A filtered loop never sees the WM_QUIT that ends a failed wait.
        MSG peek;
        if (!idlePoint() && (window || first || last) && !retrieve(peek, window, first, last, false)) {
            setError(ERROR_INVALID_PARAMETER);
            return -1;
        }
    }
    queue().emptyPeeks = 0;
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

WINBASEAPI BOOL WINAPI PeekMessageW(LPMSG msg, HWND window, UINT first, UINT last, UINT remove) {
    if (!msg) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (retrieve(*msg, window, first, last, remove & PM_REMOVE)) {
        queue().emptyPeeks = 0;
        return TRUE;
    }
    // One empty peek is a caller draining the queue; a second in a row is a
    // loop polling for input, which is an idle point.
    if (++queue().emptyPeeks >= 2) idlePoint();
    return FALSE;
}

WINBASEAPI BOOL WINAPI TranslateMessage(const MSG* msg) {
    if (!msg || msg->message != WM_KEYDOWN) return FALSE;
    const UINT vk = UINT(msg->wParam);
    WCHAR c = 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    if (vk >= 'A' && vk <= 'Z') c = WCHAR(shift ? vk : vk + 32);
    else if (vk >= '0' && vk <= '9') c = WCHAR(vk);
    else if (vk == VK_SPACE || vk == VK_RETURN || vk == VK_BACK || vk == VK_TAB || vk == VK_ESCAPE) c = WCHAR(vk);
    if (!c) return FALSE;
    std::lock_guard g(userLock());
    queue().posted.push_front(makeMsg(msg->hwnd, WM_CHAR, c, msg->lParam));
    return TRUE;
}

WINBASEAPI LRESULT WINAPI DispatchMessageW(const MSG* msg) {
    if (!msg) {
        setError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    if (!msg->hwnd) return 0;
    if (!windowOrFail(msg->hwnd)) return 0;
    return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

WINBASEAPI BOOL WINAPI WaitMessage(void) {
    if (!anythingWaiting()) idlePoint();
    return TRUE;
}

WINBASEAPI DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                                  DWORD) {
    if (count && !handles) {
        setError(ERROR_INVALID_PARAMETER);
        return WAIT_FAILED;
    }
    auto signalled = [&]() -> DWORD {
        DWORD ready = 0;
        for (DWORD i = 0; i < count; ++i) {
            const DWORD r = WaitForSingleObject(handles[i], 0);
            if (r == WAIT_FAILED) return WAIT_FAILED;
            if (r == WAIT_OBJECT_0 || r == WAIT_ABANDONED) {
                if (!waitAll) return WAIT_OBJECT_0 + i;
                ++ready;
            }
        }
        return count && ready == count ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    };
    if (DWORD r = signalled(); r != WAIT_TIMEOUT) return r;
    if (anythingWaiting()) return WAIT_OBJECT_0 + count;
    // The idle wait: the script's next step, else time passes.
    resetBudget();
    if (runIdleStep()) return anythingWaiting() ? WAIT_OBJECT_0 + count : signalled();
    if (milliseconds == INFINITE) {
        auto stack = modalStack();
        recordFailure("unexpected wait in " +
                      (stack.empty() ? std::string("the message loop") : modalName(stack.back())));
        cancelInnermostLoop();
        return WAIT_OBJECT_0 + count;
    }
    if (clockIsVirtual()) winsim::advanceClock(milliseconds);
    else std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    if (DWORD r = signalled(); r != WAIT_TIMEOUT) return r;
    return anythingWaiting() ? WAIT_OBJECT_0 + count : WAIT_TIMEOUT;
}

WINBASEAPI DWORD WINAPI GetMessageTime(void) { return queue().lastTime; }

WINBASEAPI UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (enter("SetTimer")) return 0;
    if (window && !windowOrFail(window)) return 0;
    std::lock_guard g(userLock());
    auto& q = queue();
    elapse = std::max(elapse, kMinTimer);
    if (!window) id = q.nextTimerId++;
    for (auto& t : q.timers)
        if (t.window == window && t.id == id) {
            t.elapse = elapse, t.proc = proc, t.due = now() + elapse;
            return window ? 1 : id;
        }
    q.timers.push_back(Timer{window, id, elapse, proc, now() + elapse});
    return window ? 1 : id;
}

WINBASEAPI BOOL WINAPI KillTimer(HWND window, UINT_PTR id) {
    std::lock_guard g(userLock());
    auto& t = queue().timers;
    auto it = std::find_if(t.begin(), t.end(), [&](const Timer& x) { return x.window == window && x.id == id; });
    if (it == t.end()) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    t.erase(it);
    // A WM_TIMER already in the queue goes too.
    std::erase_if(queue().posted, [&](const MSG& m) {
        return m.message == WM_TIMER && m.hwnd == window && m.wParam == id;
    });
    return TRUE;
}

}  // extern "C"
