// Focus, capture, key state, the mouse and its cursor, system metrics and
// colours, beeps and help requests, and the synthesis of mouse and keyboard
// input: queued events become window messages by hit test (WM_NCHITTEST,
// WM_SETCURSOR) and capture, or go to the focus.
#include <algorithm>
#include <deque>
#include <map>

#include <win/time.h>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {


struct InputState {
    HWND focus = nullptr;
    HWND capture = nullptr;
    POINT mouse{0, 0};
    HCURSOR cursor = nullptr;  // the arrow, once asked for
    std::map<UINT, bool> keys;
    std::deque<InputEvent> events;
    std::vector<uint32_t> cursorLog;
    std::vector<UINT> beeps;
    std::vector<winsim::HelpRequest> help;
};
InputState& st() {
    static auto* s = new InputState;
    return *s;
}

uint32_t cursorId(HCURSOR c) {
    const winsim::ImageInfo* img = findImage(c);
    return img ? img->resourceId : 0;
}

// The fixed colour table (COLORREF 0x00BBGGRR) of a classic grey look.
constexpr DWORD kColours[31] = {
    0x00C8C8C8, 0x00808000, 0x00800000, 0x00808080, 0x00C0C0C0, 0x00FFFFFF, 0x00000000, 0x00000000,
    0x00000000, 0x00FFFFFF, 0x00C0C0C0, 0x00C0C0C0, 0x00808080, 0x00800000, 0x00FFFFFF, 0x00C0C0C0,
    0x00808080, 0x00808080, 0x00000000, 0x00C0C0C0, 0x00FFFFFF, 0x00000000, 0x00DFDFDF, 0x00000000,
    0x00E1FFFF, 0x00C0C0C0, 0x00FF0000, 0x00D08410, 0x00B5B5B5, 0x00800000, 0x00C0C0C0};

// The window that takes keys when nothing has the focus: the innermost
// modal dialog.
HWND keyTarget() {
    if (st().focus && IsWindow(st().focus)) return st().focus;
    auto stack = modalStack();
    for (auto it = stack.rbegin(); it != stack.rend(); ++it)
        if (it->window && IsWindow(it->window)) return it->window;
    return nullptr;
}

WPARAM mouseKeys() {
    WPARAM k = 0;
    if (GetKeyState(VK_LBUTTON) < 0) k |= MK_LBUTTON;
    if (GetKeyState(VK_RBUTTON) < 0) k |= MK_RBUTTON;
    if (GetKeyState(VK_SHIFT) < 0) k |= MK_SHIFT;
    if (GetKeyState(VK_CONTROL) < 0) k |= MK_CONTROL;
    return k;
}

}  // namespace

namespace winsim::detail {

HCURSOR systemArrow() { return LoadCursorW(nullptr, IDC_ARROW); }

void queueInput(InputEvent e) {
    std::lock_guard g(userLock());
    st().events.push_back(e);
}

bool inputPending() {
    std::lock_guard g(userLock());
    return !st().events.empty();
}

bool takeInput(MSG& out) {
    InputEvent e;
    {
        std::lock_guard g(userLock());
        if (st().events.empty()) return false;
        e = st().events.front();
        st().events.pop_front();
    }
    auto& s = st();
    out = MSG{};
    out.time = GetTickCount();
    switch (e.kind) {
        case InputKind::MouseMove:
        case InputKind::LeftDown:
        case InputKind::LeftUp: {
            s.mouse = e.pt;
            out.pt = e.pt;
            if (e.kind != InputKind::MouseMove) setKeyDown(VK_LBUTTON, e.kind == InputKind::LeftDown);
            HWND target = s.capture && IsWindow(s.capture) ? s.capture : WindowFromPoint(e.pt);
            if (!target) return false;
            const UINT message = e.kind == InputKind::MouseMove ? WM_MOUSEMOVE
                                 : e.kind == InputKind::LeftDown ? WM_LBUTTONDOWN
                                                                 : WM_LBUTTONUP;
            if (!s.capture) {
                const LRESULT hit = SendMessageW(target, WM_NCHITTEST, 0, MAKELPARAM(e.pt.x, e.pt.y));
                SendMessageW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(WORD(hit), message));
                if (!IsWindow(target)) return false;
            }
            POINT c = e.pt;
            ScreenToClient(target, &c);
            out.hwnd = target;
            out.message = message;
            out.wParam = mouseKeys();
            out.lParam = MAKELPARAM(c.x, c.y);
            return true;
        }
        case InputKind::KeyDown:
        case InputKind::KeyUp:
            setKeyDown(e.key, e.kind == InputKind::KeyDown);
            out.hwnd = keyTarget();
            out.message = e.kind == InputKind::KeyDown ? WM_KEYDOWN : WM_KEYUP;
            out.wParam = e.key;
            out.lParam = e.kind == InputKind::KeyDown ? 1 : LPARAM(0xC0000001u);
            out.pt = s.mouse;
            return out.hwnd != nullptr;
        case InputKind::Char:
            out.hwnd = keyTarget();
            out.message = WM_CHAR;
            out.wParam = e.key;
            out.lParam = 1;
            out.pt = s.mouse;
            return out.hwnd != nullptr;
    }
    return false;
}

void setKeyDown(UINT key, bool down) {
    std::lock_guard g(userLock());
    st().keys[key & 0xFF] = down;
}

void focusDestroyed(HWND h) {
    auto& s = st();
    if (s.focus == h) s.focus = nullptr;
    if (s.capture == h) s.capture = nullptr;
}

void resetInput() {
    std::lock_guard g(userLock());
    auto& s = st();
    s.focus = s.capture = nullptr;
    s.keys.clear();
    s.events.clear();
    s.cursorLog.clear();
    s.beeps.clear();
    s.help.clear();
    s.cursor = nullptr;
    s.mouse = POINT{0, 0};
}

}  // namespace winsim::detail

namespace winsim {

std::vector<uint32_t> cursorLog() {
    std::lock_guard g(userLock());
    return st().cursorLog;
}

std::vector<UINT> beepLog() {
    std::lock_guard g(userLock());
    return st().beeps;
}

std::vector<HelpRequest> helpLog() {
    std::lock_guard g(userLock());
    return st().help;
}

}  // namespace winsim

extern "C" {

WINBASEAPI HWND WINAPI SetFocus(HWND window) {
    auto& s = st();
    if (window && !windowOrFail(window)) return nullptr;
    const HWND old = s.focus && IsWindow(s.focus) ? s.focus : nullptr;
    if (old == window) return old;
    if (old) SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    if (window && !IsWindow(window)) return old;
    s.focus = window;
    if (window) {
        // The dialog that holds the control remembers it.
        for (Window* w = findWindow(window); w; w = findWindow(w->parent))
            if (w->isDialog && w->self != window) {
                w->lastFocus = window;
                break;
            }
        SendMessageW(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    }
    return old;
}

WINBASEAPI HWND WINAPI GetFocus(void) {
    auto& s = st();
    if (s.focus && !IsWindow(s.focus)) s.focus = nullptr;
    return s.focus;
}

WINBASEAPI HWND WINAPI SetCapture(HWND window) {
    auto& s = st();
    if (!windowOrFail(window)) return nullptr;
    const HWND old = s.capture && IsWindow(s.capture) ? s.capture : nullptr;
    s.capture = window;
    if (old && old != window) SendMessageW(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
    return old;
}

WINBASEAPI HWND WINAPI GetCapture(void) {
    auto& s = st();
    if (s.capture && !IsWindow(s.capture)) s.capture = nullptr;
    return s.capture;
}

WINBASEAPI BOOL WINAPI ReleaseCapture(void) {
    auto& s = st();
    const HWND old = s.capture;
    s.capture = nullptr;
    if (old && IsWindow(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

WINBASEAPI SHORT WINAPI GetKeyState(int key) {
    std::lock_guard g(userLock());
    auto it = st().keys.find(UINT(key) & 0xFF);
    return it != st().keys.end() && it->second ? SHORT(0x8000) : SHORT(0);
}

WINBASEAPI BOOL WINAPI GetCursorPos(LPPOINT point) {
    if (!point) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *point = st().mouse;
    return TRUE;
}

WINBASEAPI BOOL WINAPI SetCursorPos(int x, int y) {
    st().mouse = POINT{std::clamp(x, 0, 1023), std::clamp(y, 0, 767)};
    return TRUE;
}

WINBASEAPI HCURSOR WINAPI SetCursor(HCURSOR cursor) {
    std::lock_guard g(userLock());
    auto& s = st();
    const HCURSOR old = s.cursor;
    if (cursor != old) s.cursorLog.push_back(cursor ? cursorId(cursor) : 0);
    s.cursor = cursor;
    return old;
}

WINBASEAPI HCURSOR WINAPI GetCursor(void) { return st().cursor ? st().cursor : systemArrow(); }

WINBASEAPI int WINAPI GetSystemMetrics(int index) {
    switch (index) {
        case SM_CXSCREEN: return 1024;
        case SM_CYSCREEN: return 768;
        case SM_CXVSCROLL:
        case SM_CYHSCROLL:
        case SM_CYVSCROLL:
        case SM_CXHSCROLL:
        case SM_CYVTHUMB:
        case SM_CXHTHUMB: return 16;
        case SM_CYCAPTION: return 18;
        case SM_CXBORDER:
        case SM_CYBORDER: return 1;
        case SM_CXDLGFRAME:
        case SM_CYDLGFRAME: return 3;
        case SM_CXICON:
        case SM_CYICON:
        case SM_CXCURSOR:
        case SM_CYCURSOR: return 32;
        case SM_CYMENU: return 19;
        case SM_MOUSEPRESENT: return 1;
        case SM_SWAPBUTTON: return 0;
        case SM_CXDOUBLECLK:
        case SM_CYDOUBLECLK: return 4;
        case SM_CXEDGE:
        case SM_CYEDGE: return 2;
        case SM_CXSMICON:
        case SM_CYSMICON: return 16;
        default: return 0;
    }
}

WINBASEAPI DWORD WINAPI GetSysColor(int index) { return index >= 0 && index < 31 ? kColours[index] : 0; }

WINBASEAPI HBRUSH WINAPI GetSysColorBrush(int index) {
    // One fixed handle per colour; the drawing DCs read the colour back.
    if (index < 0 || index >= 31) return nullptr;
    return reinterpret_cast<HBRUSH>(uintptr_t(0x7C000000u | (uint32_t(index) << 2)));
}

WINBASEAPI BOOL WINAPI MessageBeep(UINT type) {
    enter("MessageBeep", std::to_string(type));
    std::lock_guard g(userLock());
    st().beeps.push_back(type);
    return TRUE;
}

WINBASEAPI BOOL WINAPI WinHelpW(HWND window, LPCWSTR helpFile, UINT command, ULONG_PTR data) {
    enter("WinHelpW", std::to_string(command));
    winsim::HelpRequest r{window, wstr(helpFile), command, data, {}};
    if ((command == HELP_WM_HELP || command == HELP_CONTEXTMENU) && data) {
        // The id pairs end with a zero control id; a list without its end
        // is cut at a sane length.
        const auto* p = reinterpret_cast<const DWORD*>(data);
        for (size_t i = 0; i < 4096 && p[2 * i]; ++i) r.idPairs.emplace_back(p[2 * i], p[2 * i + 1]);
    }
    std::lock_guard g(userLock());
    st().help.push_back(std::move(r));
    return TRUE;
}

}  // extern "C"
