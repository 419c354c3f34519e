// Update regions (one rectangle per window, the union of what was
// invalidated), WM_PAINT and BeginPaint/EndPaint, the device contexts of
// windows and the log of what is drawn on them. the pixels drawn on
// them live with the drawing side (gdi32); what is drawn is also logged.
#include <algorithm>
#include <map>

#include <win/wingdi.h>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct Dcs {
    std::map<uintptr_t, HWND> live;
    uintptr_t next = 1;
    std::vector<winsim::DrawRecord> log;
};
Dcs& dcs() {
    static auto* d = new Dcs;
    return *d;
}

bool emptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT unite(const RECT& a, const RECT& b) {
    if (emptyRect(a)) return b;
    if (emptyRect(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

RECT clip(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    return emptyRect(r) ? RECT{0, 0, 0, 0} : r;
}

HDC newDc(HWND window) {
    std::lock_guard g(userLock());
    auto& d = dcs();
    const uintptr_t h = 0x7D000000u | (d.next++ << 2);
    d.live[h] = window;
    return reinterpret_cast<HDC>(h);
}

void invalidate(HWND h, const RECT* rect, bool erase, bool children) {
    Window* w = findWindow(h);
    if (!w) return;
    const RECT client = clientRect(*w);
    const RECT r = rect ? clip(*rect, client) : client;
    if (!emptyRect(r) || !rect) {
        w->update = unite(w->update, r);
        w->invalid = true;
        w->erase = w->erase || erase;
    }
    if (children)
        for (HWND c : std::vector<HWND>(w->children)) invalidate(c, nullptr, erase, true);
}

void validate(HWND h, bool children) {
    Window* w = findWindow(h);
    if (!w) return;
    w->invalid = w->erase = false;
    w->update = RECT{0, 0, 0, 0};
    if (children)
        for (HWND c : std::vector<HWND>(w->children)) validate(c, true);
}

void paintNow(HWND h, bool children) {
    Window* w = findWindow(h);
    if (!w) return;
    if (w->invalid && (w->style & WS_VISIBLE)) SendMessageW(h, WM_PAINT, 0, 0);
    if (!children || !(w = findWindow(h))) return;
    for (HWND c : std::vector<HWND>(w->children)) paintNow(c, true);
}

}  // namespace

namespace winsim::detail {

void logDraw(DrawRecord record) {
    std::lock_guard g(userLock());
    dcs().log.push_back(std::move(record));
}

bool windowOfDc(HDC dc, HWND* window) {
    std::lock_guard g(userLock());
    auto it = dcs().live.find(reinterpret_cast<uintptr_t>(dc));
    if (it == dcs().live.end()) return false;
    *window = it->second;
    return true;
}

HDC controlDc(HWND h) { return newDc(h); }

void releaseControlDc(HDC dc) {
    std::lock_guard g(userLock());
    dcs().live.erase(reinterpret_cast<uintptr_t>(dc));
    forgetDc(dc);
}

void sendDrawItem(HWND control, DRAWITEMSTRUCT dis) {
    Window* w = findWindow(control);
    if (!w || !w->parent) return;
    const HWND parent = w->parent;
    dis.CtlID = UINT(w->id);
    dis.hwndItem = control;
    dis.hDC = newDc(control);
    logDraw({control, "DrawItem", int(dis.rcItem.left), int(dis.rcItem.top), dis.itemID, dis.hDC, {}, 0});
    SendMessageW(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    releaseControlDc(dis.hDC);
}

HBRUSH controlBrush(HWND control, HDC dc, UINT message, int fallbackColour) {
    Window* w = findWindow(control);
    if (w && w->parent) {
        const auto r = SendMessageW(w->parent, message, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control));
        if (r && GetObjectType(reinterpret_cast<HGDIOBJ>(r)) == OBJ_BRUSH) return reinterpret_cast<HBRUSH>(r);
    }
    return GetSysColorBrush(fallbackColour);
}

void sendDeleteItems(HWND control, UINT type, int first, const std::vector<ULONG_PTR>& data) {
    Window* w = findWindow(control);
    if (!w || !w->parent) return;
    const HWND parent = w->parent;
    const UINT id = UINT(w->id);
    for (size_t i = 0; i < data.size(); ++i) {
        DELETEITEMSTRUCT dis{type, id, UINT(first + int(i)), control, data[i]};
        SendMessageW(parent, WM_DELETEITEM, id, reinterpret_cast<LPARAM>(&dis));
    }
}

}  // namespace winsim::detail

namespace winsim {

std::vector<DrawRecord> drawLog() {
    std::lock_guard g(userLock());
    return dcs().log;
}

void clearDrawLog() {
    std::lock_guard g(userLock());
    dcs().log.clear();
}

size_t openWindowDcs() {
    std::lock_guard g(userLock());
    return dcs().live.size();
}

}  // namespace winsim

extern "C" {

WINBASEAPI BOOL WINAPI InvalidateRect(HWND window, LPCRECT rect, BOOL erase) {
    if (!window) return TRUE;  // the whole screen: nothing of ours to mark
    if (!windowOrFail(window)) return FALSE;
    invalidate(window, rect, erase, false);
    return TRUE;
}

WINBASEAPI BOOL WINAPI ValidateRect(HWND window, LPCRECT rect) {
    Window* w = windowOrFail(window);
    if (!w) return FALSE;
    // A rectangle that covers the update rectangle validates it; a part of
    // it leaves the whole rectangle waiting (one rectangle per window).
    if (!rect || (rect->left <= w->update.left && rect->top <= w->update.top && rect->right >= w->update.right &&
                  rect->bottom >= w->update.bottom))
        validate(window, false);
    return TRUE;
}

WINBASEAPI BOOL WINAPI GetUpdateRect(HWND window, LPRECT rect, BOOL erase) {
    Window* w = windowOrFail(window);
    if (!w) return FALSE;
    if (rect) *rect = w->invalid ? w->update : RECT{0, 0, 0, 0};
    if (erase && w->invalid && w->erase) {
        HDC dc = newDc(window);
        w->erase = false;
        SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        releaseControlDc(dc);
    }
    return w->invalid && !emptyRect(w->update);
}

WINBASEAPI BOOL WINAPI UpdateWindow(HWND window) {
    if (!windowOrFail(window)) return FALSE;
    paintNow(window, false);
    return TRUE;
}

WINBASEAPI BOOL WINAPI RedrawWindow(HWND window, LPCRECT rect, void*, UINT flags) {
    if (window && !windowOrFail(window)) return FALSE;
    if (!window) return TRUE;
    const bool children = flags & RDW_ALLCHILDREN;
    if (flags & RDW_INVALIDATE) invalidate(window, rect, flags & RDW_ERASE, children);
    if (flags & RDW_VALIDATE) validate(window, children);
    if (flags & RDW_UPDATENOW) paintNow(window, children);
    return TRUE;
}

WINBASEAPI HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint) {
    Window* w = windowOrFail(window);
    if (!w || !paint) return nullptr;
    *paint = PAINTSTRUCT{};
    paint->rcPaint = w->invalid ? w->update : RECT{0, 0, 0, 0};
    const bool erase = w->invalid && w->erase;
    w->invalid = w->erase = false;
    w->update = RECT{0, 0, 0, 0};
    paint->hdc = newDc(window);
    setPaintClip(paint->hdc, paint->rcPaint);
    paint->fErase = erase ? !SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) : FALSE;
    return paint->hdc;
}

WINBASEAPI BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT* paint) {
    if (paint) releaseControlDc(paint->hdc);
    return TRUE;
}

WINBASEAPI HDC WINAPI GetDC(HWND window) {
    enter("GetDC");
    if (window && !windowOrFail(window)) return nullptr;
    return newDc(window);
}

WINBASEAPI int WINAPI ReleaseDC(HWND, HDC dc) {
    enter("ReleaseDC");
    std::lock_guard g(userLock());
    forgetDc(dc);
    return dcs().live.erase(reinterpret_cast<uintptr_t>(dc)) ? 1 : 0;
}

}  // extern "C"
