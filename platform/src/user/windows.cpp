// The window table: creation and destruction, the tree and its z-order,
// owners, styles, window longs, text, visibility and enabling. A window
// handle is a table index with a generation, so a destroyed window's handle
// stays invalid even when its slot is reused.
#include <algorithm>
#include <cstring>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct Table {
    std::vector<std::unique_ptr<Window>> slots;
    std::vector<HWND> topLevel;  // z-order: the first is on top
};
Table& table() {
    static auto* t = new Table;
    return *t;
}

constexpr uint32_t kGenerationBits = 0x3FF;
constexpr size_t kMaxWindows = 0x3FFFF;

HWND makeHandle(size_t index, uint32_t generation) {
    return reinterpret_cast<HWND>(uintptr_t(((generation & kGenerationBits) << 20) | ((index + 1) << 2)));
}

std::vector<HWND>& siblingsOf(const Window& w) {
    if (Window* p = findWindow(w.parent)) return p->children;
    return table().topLevel;
}

// Non-client insets of a window: caption and frame from its styles.
struct Insets {
    int left = 0, top = 0, right = 0, bottom = 0;
};
Insets insets(const Window& w) {
    int frame = 0;
    if ((w.style & (WS_DLGFRAME | WS_THICKFRAME)) || (w.exStyle & WS_EX_DLGMODALFRAME)) frame = 3;
    else if (w.style & WS_BORDER) frame = 1;
    if (w.exStyle & WS_EX_CLIENTEDGE) frame += 2;
    else if (w.exStyle & WS_EX_STATICEDGE) frame += 1;
    Insets in{frame, frame, frame, frame};
    if ((w.style & WS_CAPTION) == WS_CAPTION) in.top += GetSystemMetrics(SM_CYCAPTION);
    return in;
}

// Screen position of the window's top-left corner.
POINT windowOrigin(const Window& w) {
    POINT p{w.rect.left, w.rect.top};
    if (const Window* parent = findWindow(w.parent); parent && (w.style & WS_CHILD)) {
        const POINT o = clientOrigin(*parent);
        p.x += o.x, p.y += o.y;
    }
    return p;
}

void sendDestroy(HWND h) {
    SendMessageW(h, WM_DESTROY, 0, 0);
    Window* w = findWindow(h);
    if (!w) return;
    for (HWND c : std::vector<HWND>(w->children)) sendDestroy(c);
}

void releaseSlot(HWND h) {
    Window* w = findWindow(h);
    if (!w) return;
    for (HWND c : std::vector<HWND>(w->children)) releaseSlot(c);
    SendMessageW(h, WM_NCDESTROY, 0, 0);
    std::lock_guard g(userLock());
    w = findWindow(h);
    if (!w) return;
    std::erase(siblingsOf(*w), h);
    focusDestroyed(h);
    w->alive = false;
    w->children.clear();
    w->data.reset();
    w->extra.clear();
    ++w->generation;
}

void destroyTree(HWND h) {
    // Windows it owns go first.
    for (HWND t : topLevelWindows())
        if (Window* o = findWindow(t); o && o->owner == h && !o->destroying) destroyTree(t);
    Window* w = findWindow(h);
    if (!w || w->destroying) return;
    w->destroying = true;
    if (w->isDialog) w->ended = true;
    dropWindowTimers(h);
    if (GetCapture() == h) ReleaseCapture();
    sendDestroy(h);
    releaseSlot(h);
}

WNDPROC procOfClass(HINSTANCE instance, std::u16string_view name, int* extra, std::u16string* storedName,
                    HCURSOR* cursor) {
    ClassInfo c;
    if (!lookupClass(instance, name, c)) return nullptr;
    *extra = c.windowExtra;
    *storedName = c.name;
    *cursor = c.cursor;
    return c.proc;
}

HWND create(DWORD exStyle, std::u16string_view className, const WCHAR* text, DWORD style, RECT r, HWND parent,
            LONG_PTR id, HINSTANCE instance, LPVOID param, bool anyClass) {
    int extra = 0;
    std::u16string name(className);
    HCURSOR cursor = nullptr;
    WNDPROC proc = procOfClass(instance, className, &extra, &name, &cursor);
    if (!proc) {
        if (!anyClass) {
            setError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        proc = &DefWindowProcW;
    }
    if (parent && !findWindow(parent)) {
        setError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if ((style & WS_CHILD) && !parent) {
        setError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    HWND h;
    {
        std::lock_guard g(userLock());
        auto& t = table();
        size_t index = 0;
        while (index < t.slots.size() && t.slots[index]->alive) ++index;
        if (index >= kMaxWindows) {
            setError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        if (index == t.slots.size()) t.slots.push_back(std::make_unique<Window>());
        Window& w = *t.slots[index];
        const uint32_t generation = w.generation;
        w = Window{};
        w.generation = generation;
        w.alive = true;
        h = w.self = makeHandle(index, generation);
        w.className = name;
        w.proc = proc;
        w.instance = instance;
        w.style = style & ~WS_VISIBLE;
        w.exStyle = exStyle;
        w.classCursor = cursor;
        w.extra.assign(size_t(std::max(extra, 0)), 0);
        if (style & WS_CHILD) {
            w.parent = parent;
            w.id = id;
        } else {
            w.owner = parent;
        }
        w.rect = r;
        if (style & WS_CHILD) siblingsOf(w).push_back(h);
        else t.topLevel.insert(t.topLevel.begin(), h);
    }
    CREATESTRUCTW cs{param, instance, reinterpret_cast<HMENU>(id), parent, int(r.bottom - r.top),
                     int(r.right - r.left), int(r.top), int(r.left), LONG(style), text, nullptr, exStyle};
    const std::u16string clsCopy(name);
    cs.lpszClass = clsCopy.c_str();
    if (!SendMessageW(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) || !findWindow(h) ||
        SendMessageW(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1 || !findWindow(h)) {
        if (findWindow(h)) destroyTree(h);
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (style & WS_VISIBLE) ShowWindow(h, SW_SHOWNA);
    return h;
}

bool contains(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

RECT screenRect(const Window& w) {
    const POINT o = windowOrigin(w);
    return RECT{o.x, o.y, o.x + (w.rect.right - w.rect.left), o.y + (w.rect.bottom - w.rect.top)};
}

// The deepest visible, enabled window under `pt` among `list` and below.
HWND hitTest(const std::vector<HWND>& list, POINT pt) {
    for (HWND c : list) {
        Window* w = findWindow(c);
        if (!w || !(w->style & WS_VISIBLE) || !contains(screenRect(*w), pt)) continue;
        if (SendMessageW(c, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y)) == HTTRANSPARENT) continue;
        w = findWindow(c);
        if (!w) continue;
        if (w->style & WS_DISABLED) return (w->style & WS_CHILD) ? nullptr : c;
        const std::vector<HWND> kids = w->children;
        if (HWND deeper = hitTest(kids, pt)) return deeper;
        return c;
    }
    return nullptr;
}

}  // namespace

namespace winsim::detail {

Window* findWindow(HWND h) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (!v || (v & 3)) return nullptr;
    const size_t index = ((v >> 2) & kMaxWindows) - 1;
    std::lock_guard g(userLock());
    auto& t = table();
    if (index >= t.slots.size()) return nullptr;
    Window& w = *t.slots[index];
    return w.alive && (w.generation & kGenerationBits) == (v >> 20) ? &w : nullptr;
}

Window* windowOrFail(HWND h) {
    Window* w = findWindow(h);
    if (!w) setError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

std::vector<HWND> topLevelWindows() {
    std::lock_guard g(userLock());
    return table().topLevel;
}

POINT clientOrigin(const Window& w) {
    POINT p = windowOrigin(w);
    const Insets in = insets(w);
    return POINT{p.x + in.left, p.y + in.top};
}

RECT clientRect(const Window& w) {
    const Insets in = insets(w);
    const LONG cx = std::max<LONG>(0, w.rect.right - w.rect.left - in.left - in.right);
    const LONG cy = std::max<LONG>(0, w.rect.bottom - w.rect.top - in.top - in.bottom);
    return RECT{0, 0, cx, cy};
}

bool windowIsVisible(HWND h) {
    for (Window* w = findWindow(h); w; w = findWindow(w->parent)) {
        if (!(w->style & WS_VISIBLE)) return false;
        if (!(w->style & WS_CHILD)) return true;
    }
    return false;
}

bool windowIsEnabled(HWND h) {
    Window* w = findWindow(h);
    return w && !(w->style & WS_DISABLED);
}

void setWindowOwner(HWND window, HWND owner, LONG_PTR dialogProc) {
    Window* w = findWindow(window);
    if (!w) return;
    if (!(w->style & WS_CHILD)) w->owner = owner;
    if (w->extra.size() >= size_t(DLGWINDOWEXTRA)) std::memcpy(w->extra.data() + DWLP_DLGPROC, &dialogProc, sizeof dialogProc);
}

}  // namespace winsim::detail

namespace winsim {

HWND createWindow(std::u16string_view className, std::u16string_view text, HWND parent, int id, LONG_PTR procedure) {
    const std::u16string t(text);
    const DWORD style = parent ? WS_CHILD : WS_OVERLAPPED;
    HWND h = create(0, className, t.c_str(), style, RECT{0, 0, 0, 0}, parent, id, nullptr, nullptr, true);
    if (h && procedure) SetWindowLongPtrW(h, GWLP_WNDPROC, procedure);
    return h;
}

std::vector<WindowInfo> windows() {
    std::lock_guard g(userLock());
    std::vector<WindowInfo> out;
    for (const auto& w : table().slots)
        if (w->alive) out.push_back(WindowInfo{w->self, w->className, w->text, int(w->id), w->parent, w->owner,
                                               reinterpret_cast<LONG_PTR>(w->proc)});
    return out;
}

bool windowInfo(HWND window, WindowInfo& out) {
    Window* w = findWindow(window);
    if (!w) return false;
    out = WindowInfo{w->self, w->className, w->text, int(w->id), w->parent, w->owner,
                     reinterpret_cast<LONG_PTR>(w->proc)};
    return true;
}

void resetWindows() {
    for (HWND h : topLevelWindows()) DestroyWindow(h);
    resetClasses();
}

}  // namespace winsim

extern "C" {

WINBASEAPI HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                                       int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                       LPVOID param) {
    if (enter("CreateWindowExW", className && !IS_INTRESOURCE(className) ? winsim::toUtf8(wstr(className)) : "")) return nullptr;
    if (!className || IS_INTRESOURCE(className)) {
        setError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    // Default positions of overlapped windows.
    constexpr int kUseDefault = int(0x80000000u);
    if (x == kUseDefault) x = y = 0;
    if (width == kUseDefault) width = 320, height = 240;
    RECT r{x, y, LONG(int64_t(x) + std::max(width, 0)), LONG(int64_t(y) + std::max(height, 0))};
    return create(exStyle, wstr(className), windowName, style, r, parent, reinterpret_cast<LONG_PTR>(menu), instance,
                  param, false);
}

WINBASEAPI BOOL WINAPI IsWindow(HWND window) { return findWindow(window) ? TRUE : FALSE; }

WINBASEAPI BOOL WINAPI IsChild(HWND parent, HWND window) {
    for (Window* w = findWindow(window); w && (w->style & WS_CHILD); w = findWindow(w->parent))
        if (w->parent == parent) return TRUE;
    return FALSE;
}

WINBASEAPI BOOL WINAPI DestroyWindow(HWND window) {
    enter("DestroyWindow");
    Window* w = windowOrFail(window);
    if (!w) return FALSE;
    if (w->destroying) return TRUE;
    destroyTree(window);
    return TRUE;
}

WINBASEAPI HWND WINAPI FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    enter("FindWindowW", className && !IS_INTRESOURCE(className) ? winsim::toUtf8(wstr(className)) : "");
    for (HWND h : topLevelWindows()) {
        const Window* w = findWindow(h);
        if (!w) continue;
        if (className && !IS_INTRESOURCE(className) && !wequalNoCase(w->className, wstr(className))) continue;
        if (windowName && !wequalNoCase(w->text, wstr(windowName))) continue;
        return h;
    }
    setError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

WINBASEAPI HWND WINAPI GetWindow(HWND window, UINT relation) {
    std::lock_guard g(userLock());
    Window* w = windowOrFail(window);
    if (!w) return nullptr;
    const auto& sib = siblingsOf(*w);
    const auto at = std::find(sib.begin(), sib.end(), window);
    switch (relation) {
        case GW_HWNDFIRST: return sib.empty() ? nullptr : sib.front();
        case GW_HWNDLAST: return sib.empty() ? nullptr : sib.back();
        case GW_HWNDNEXT: return at != sib.end() && at + 1 != sib.end() ? *(at + 1) : nullptr;
        case GW_HWNDPREV: return at != sib.end() && at != sib.begin() ? *(at - 1) : nullptr;
        case GW_OWNER: return w->owner;
        case GW_CHILD: return w->children.empty() ? nullptr : w->children.front();
        default: setError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

WINBASEAPI HWND WINAPI GetTopWindow(HWND window) {
    if (!window) {
        auto top = topLevelWindows();
        return top.empty() ? nullptr : top.front();
    }
    return GetWindow(window, GW_CHILD);
}

WINBASEAPI HWND WINAPI GetParent(HWND window) {
    Window* w = windowOrFail(window);
    if (!w) return nullptr;
    return (w->style & WS_CHILD) ? w->parent : w->owner;
}

WINBASEAPI HWND WINAPI SetParent(HWND window, HWND parent) {
    Window* w = windowOrFail(window);
    if (!w || (parent && !windowOrFail(parent))) return nullptr;
    std::lock_guard g(userLock());
    const HWND old = w->parent;
    std::erase(siblingsOf(*w), window);
    w->parent = parent;
    if (parent) w->style = (w->style | WS_CHILD) & ~WS_POPUP;
    if (parent) siblingsOf(*w).insert(siblingsOf(*w).begin(), window);
    else table().topLevel.insert(table().topLevel.begin(), window);
    return old;
}

WINBASEAPI HWND WINAPI GetDesktopWindow(void) { return nullptr; }

WINBASEAPI BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param) {
    if (!proc) return FALSE;
    std::vector<HWND> order;
    std::vector<HWND> stack;
    auto push = [&](HWND h) {
        if (Window* w = findWindow(h))
            for (auto it = w->children.rbegin(); it != w->children.rend(); ++it) stack.push_back(*it);
    };
    if (parent) push(parent);
    else
        for (auto it = topLevelWindows().rbegin(); it != topLevelWindows().rend(); ++it) stack.push_back(*it);
    while (!stack.empty()) {
        HWND h = stack.back();
        stack.pop_back();
        order.push_back(h);
        push(h);
    }
    for (HWND h : order)
        if (findWindow(h) && !proc(h, param)) return FALSE;
    return TRUE;
}

WINBASEAPI LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index) {
    Window* w = windowOrFail(window);
    if (!w) return 0;
    switch (index) {
        case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
        case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
        case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>((w->style & WS_CHILD) ? w->parent : w->owner);
        case GWLP_ID: return w->id;
        case GWL_STYLE: return LONG_PTR(LONG(w->style));
        case GWL_EXSTYLE: return LONG_PTR(LONG(w->exStyle));
        case GWLP_USERDATA: return w->userData;
        default: break;
    }
    if (index < 0 || size_t(index) + sizeof(LONG_PTR) > w->extra.size()) {
        setError(ERROR_INVALID_INDEX);
        return 0;
    }
    LONG_PTR v;
    std::memcpy(&v, w->extra.data() + index, sizeof v);
    return v;
}

WINBASEAPI LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
    enter("SetWindowLongPtrW", std::to_string(index));
    Window* w = windowOrFail(window);
    if (!w) return 0;
    LONG_PTR old = 0;
    switch (index) {
        case GWLP_WNDPROC:
            if (!value) {
                setError(ERROR_INVALID_PARAMETER);
                return 0;
            }
            old = reinterpret_cast<LONG_PTR>(w->proc);
            w->proc = reinterpret_cast<WNDPROC>(value);
            break;
        case GWLP_HINSTANCE:
            old = reinterpret_cast<LONG_PTR>(w->instance);
            w->instance = reinterpret_cast<HINSTANCE>(value);
            break;
        case GWLP_ID: old = w->id, w->id = value; break;
        case GWL_STYLE: old = LONG(w->style), w->style = DWORD(value); break;
        case GWL_EXSTYLE: old = LONG(w->exStyle), w->exStyle = DWORD(value); break;
        case GWLP_USERDATA: old = w->userData, w->userData = value; break;
        case GWLP_HWNDPARENT:
            old = reinterpret_cast<LONG_PTR>(w->owner);
            if (!(w->style & WS_CHILD)) w->owner = reinterpret_cast<HWND>(value);
            break;
        default:
            if (index < 0 || size_t(index) + sizeof(LONG_PTR) > w->extra.size()) {
                setError(ERROR_INVALID_INDEX);
                return 0;
            }
            std::memcpy(&old, w->extra.data() + index, sizeof old);
            std::memcpy(w->extra.data() + index, &value, sizeof value);
    }
    SetLastError(0);
    return old;
}

WINBASEAPI LONG WINAPI GetWindowLongW(HWND window, int index) { return LONG(GetWindowLongPtrW(window, index)); }
WINBASEAPI LONG WINAPI SetWindowLongW(HWND window, int index, LONG value) {
    return LONG(SetWindowLongPtrW(window, index, value));
}

WINBASEAPI BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text) {
    enter("SetWindowTextW", text ? winsim::toUtf8(wstr(text)) : "");
    if (!windowOrFail(window)) return FALSE;
    // Lists answer a refused text with a negative error.
    return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) > 0 ? TRUE : FALSE;
}

WINBASEAPI int WINAPI GetWindowTextW(HWND window, LPWSTR buffer, int capacity) {
    if (!windowOrFail(window)) {
        if (buffer && capacity > 0) buffer[0] = 0;
        return 0;
    }
    if (!buffer || capacity <= 0) return 0;
    return int(SendMessageW(window, WM_GETTEXT, WPARAM(capacity), reinterpret_cast<LPARAM>(buffer)));
}

WINBASEAPI int WINAPI GetWindowTextLengthW(HWND window) {
    if (!windowOrFail(window)) return 0;
    return int(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}

WINBASEAPI BOOL WINAPI ShowWindow(HWND window, int command) {
    Window* w = windowOrFail(window);
    if (!w) return FALSE;
    const bool was = w->style & WS_VISIBLE;
    const bool show = command != SW_HIDE;
    if (was == show) return was;
    SendMessageW(window, WM_SHOWWINDOW, show, 0);
    if (!(w = findWindow(window))) return was;
    if (show) {
        w->style |= WS_VISIBLE;
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
    } else {
        w->style &= ~WS_VISIBLE;
        if (HWND f = GetFocus(); f && (f == window || IsChild(window, f))) SetFocus(w->parent);
        if (w->parent) InvalidateRect(w->parent, nullptr, TRUE);
    }
    return was;
}

WINBASEAPI BOOL WINAPI IsWindowVisible(HWND window) { return windowIsVisible(window) ? TRUE : FALSE; }

WINBASEAPI BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
    Window* w = windowOrFail(window);
    if (!w) return FALSE;
    const bool wasDisabled = w->style & WS_DISABLED;
    if (wasDisabled == !enable) return wasDisabled;
    if (enable) w->style &= ~WS_DISABLED;
    else w->style |= WS_DISABLED;
    if (!enable)
        if (HWND f = GetFocus(); f && (f == window || IsChild(window, f))) SetFocus(nullptr);
    SendMessageW(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
    InvalidateRect(window, nullptr, TRUE);
    return wasDisabled;
}

WINBASEAPI BOOL WINAPI IsWindowEnabled(HWND window) { return windowIsEnabled(window) ? TRUE : FALSE; }

WINBASEAPI BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Window* w = windowOrFail(window);
    if (!w) return FALSE;
    if (!(flags & SWP_NOZORDER)) {
        std::lock_guard g(userLock());
        auto& sib = siblingsOf(*w);
        std::erase(sib, window);
        if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST)
            sib.insert(sib.begin(), window);
        else if (insertAfter == HWND_BOTTOM)
            sib.push_back(window);
        else {
            auto at = std::find(sib.begin(), sib.end(), insertAfter);
            sib.insert(at == sib.end() ? sib.begin() : at + 1, window);
        }
    }
    RECT r = w->rect;
    if (!(flags & SWP_NOMOVE)) r = RECT{x, y, x + (r.right - r.left), y + (r.bottom - r.top)};
    if (!(flags & SWP_NOSIZE)) r.right = r.left + std::max(cx, 0), r.bottom = r.top + std::max(cy, 0);
    const bool moved = r.left != w->rect.left || r.top != w->rect.top;
    const bool sized = (r.right - r.left) != (w->rect.right - w->rect.left) ||
                       (r.bottom - r.top) != (w->rect.bottom - w->rect.top);
    w->rect = r;
    if (moved || sized) SendMessageW(window, WM_WINDOWPOSCHANGED, 0, 0);
    if (moved && (w = findWindow(window))) SendMessageW(window, WM_MOVE, 0, 0);
    if (sized && (w = findWindow(window))) {
        const RECT c = clientRect(*w);
        SendMessageW(window, WM_SIZE, 0, MAKELPARAM(c.right, c.bottom));
    }
    if (flags & SWP_SHOWWINDOW) ShowWindow(window, SW_SHOWNA);
    if (flags & SWP_HIDEWINDOW) ShowWindow(window, SW_HIDE);
    if (!(flags & SWP_NOREDRAW) && (moved || sized)) InvalidateRect(window, nullptr, TRUE);
    return TRUE;
}

WINBASEAPI BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(window, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

WINBASEAPI BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
    Window* w = windowOrFail(window);
    if (!w || !rect) return FALSE;
    *rect = screenRect(*w);
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
    Window* w = windowOrFail(window);
    if (!w || !rect) return FALSE;
    *rect = clientRect(*w);
    return TRUE;
}

WINBASEAPI BOOL WINAPI ScreenToClient(HWND window, LPPOINT point) {
    Window* w = windowOrFail(window);
    if (!w || !point) return FALSE;
    const POINT o = clientOrigin(*w);
    point->x -= o.x, point->y -= o.y;
    return TRUE;
}

WINBASEAPI BOOL WINAPI ClientToScreen(HWND window, LPPOINT point) {
    Window* w = windowOrFail(window);
    if (!w || !point) return FALSE;
    const POINT o = clientOrigin(*w);
    point->x += o.x, point->y += o.y;
    return TRUE;
}

WINBASEAPI int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    POINT a{0, 0}, b{0, 0};
    if (from) {
        Window* w = windowOrFail(from);
        if (!w) return 0;
        a = clientOrigin(*w);
    }
    if (to) {
        Window* w = windowOrFail(to);
        if (!w) return 0;
        b = clientOrigin(*w);
    }
    const LONG dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; points && i < count; ++i) points[i].x += dx, points[i].y += dy;
    SetLastError(0);
    return int(MAKELONG(WORD(dx), WORD(dy)));
}

WINBASEAPI HWND WINAPI WindowFromPoint(POINT point) { return hitTest(topLevelWindows(), point); }

WINBASEAPI HWND WINAPI ChildWindowFromPoint(HWND parent, POINT point) {
    Window* p = windowOrFail(parent);
    if (!p) return nullptr;
    if (!contains(clientRect(*p), point)) return nullptr;
    const POINT o = clientOrigin(*p);
    const POINT s{point.x + o.x, point.y + o.y};
    for (HWND c : std::vector<HWND>(p->children))
        if (Window* w = findWindow(c); w && contains(screenRect(*w), s)) return c;
    return parent;
}

}  // extern "C"
