// SCROLLBAR controls (the spins are vertical bars): range, page, position,
// arrows that can be disabled. A user's press on an arrow or the page area
// sends WM_VSCROLL / WM_HSCROLL (code, lParam = the bar) to the parent, and
// SB_ENDSCROLL when the button goes up; dragging the thumb sends
// SB_THUMBTRACK while it moves and SB_THUMBPOSITION where it ends. The bar
// does not move itself: the parent sets the position it wants.
#include <win/wingdi.h>

#include <algorithm>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct ScrollState {
    int minPos = 0, maxPos = 100;
    UINT page = 0;
    int pos = 0;
    int trackPos = 0;
    UINT disabledArrows = ESB_ENABLE_BOTH;
    bool dragging = false;
    bool pressed = false;
};

bool vertical(HWND h) {
    Window* w = findWindow(h);
    return w && (w->style & SBS_VERT);
}

int maxReachable(const ScrollState& s) {
    return std::max(s.minPos, s.maxPos - std::max<int>(int(s.page) - 1, 0));
}

void clampPos(ScrollState& s) { s.pos = std::clamp(s.pos, s.minPos, maxReachable(s)); }

// Geometry along the bar: its length, the arrows' size, the thumb.
struct Layout {
    int length, arrow, thumbStart, thumbSize;
};

Layout layout(HWND h, const ScrollState& s) {
    RECT c{};
    GetClientRect(h, &c);
    Layout l{};
    l.length = vertical(h) ? c.bottom : c.right;
    l.arrow = std::min(GetSystemMetrics(SM_CYVSCROLL), l.length / 2);
    const int track = std::max(0, l.length - 2 * l.arrow);
    const int span = s.maxPos - s.minPos + 1;
    l.thumbSize = s.page && span > 0 ? std::clamp(int(int64_t(track) * s.page / span), 8, track)
                                     : std::min(GetSystemMetrics(SM_CYVTHUMB), track);
    const int range = maxReachable(s) - s.minPos;
    l.thumbStart = l.arrow + (range > 0 ? int(int64_t(track - l.thumbSize) * (s.pos - s.minPos) / range) : 0);
    return l;
}

// The position a thumb dragged to `at` along the bar stands for.
int positionAt(HWND h, const ScrollState& s, int at) {
    const Layout l = layout(h, s);
    const int track = std::max(1, l.length - 2 * l.arrow - l.thumbSize);
    const int range = maxReachable(s) - s.minPos;
    const int64_t v = s.minPos + int64_t(std::clamp(at - l.arrow - l.thumbSize / 2, 0, track)) * range / track;
    return int(v);
}

void send(HWND h, int code, int pos) {
    Window* w = findWindow(h);
    if (!w || !w->parent) return;
    SendMessageW(w->parent, vertical(h) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(WORD(code), WORD(pos)),
                 reinterpret_cast<LPARAM>(h));
}

// Arrow buttons at both ends (greyed when disabled), the track in the
// parent's WM_CTLCOLORSCROLLBAR brush (else the scroll bar colour; a hollow
// brush leaves it as it is), and the thumb while there is a range to move in.
void paint(HWND h, ScrollState* s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT c{};
    GetClientRect(h, &c);
    const bool vert = vertical(h), enabled = IsWindowEnabled(h);
    HBRUSH track = controlBrush(h, dc, WM_CTLCOLORSCROLLBAR, COLOR_SCROLLBAR);
    if (!(s = controlData<ScrollState>(h))) {
        EndPaint(h, &ps);
        return;
    }
    FillRect(dc, &c, track);
    const Layout l = layout(h, *s);
    auto span = [&](int from, int to) {
        return vert ? RECT{0, from, c.right, to} : RECT{from, 0, to, c.bottom};
    };
    classicArrowButton(dc, span(0, l.arrow), vert ? 0 : 2, enabled && !(s->disabledArrows & ESB_DISABLE_LTUP), false);
    classicArrowButton(dc, span(l.length - l.arrow, l.length), vert ? 1 : 3,
                       enabled && !(s->disabledArrows & ESB_DISABLE_RTDN), false);
    if (enabled && maxReachable(*s) > s->minPos && l.thumbSize > 0) {
        RECT thumb = span(l.thumbStart, l.thumbStart + l.thumbSize);
        FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
        classicEdge(dc, thumb, true);
    }
    EndPaint(h, &ps);
}

int along(HWND h, LPARAM lp) { return vertical(h) ? GET_Y_LPARAM(lp) : GET_X_LPARAM(lp); }

}  // namespace

namespace winsim::detail {

LRESULT CALLBACK scrollBarProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* s = controlData<ScrollState>(h);
    if (!s) return 0;
    switch (m) {
        case SBM_SETPOS:
        case SBM_GETPOS: {
            const int old = s->pos;
            if (m == SBM_GETPOS) return old;
            s->pos = int(int32_t(wp));
            clampPos(*s);
            if (lp) InvalidateRect(h, nullptr, FALSE);
            return old;
        }
        case SBM_SETRANGE:
        case SBM_SETRANGEREDRAW: {
            const int old = s->pos;
            s->minPos = int(int32_t(wp)), s->maxPos = int(int32_t(lp));
            if (s->maxPos < s->minPos) std::swap(s->minPos, s->maxPos);
            clampPos(*s);
            InvalidateRect(h, nullptr, FALSE);
            return old;
        }
        case SBM_GETRANGE:
            if (wp) *reinterpret_cast<int*>(wp) = s->minPos;
            if (lp) *reinterpret_cast<int*>(lp) = s->maxPos;
            return 0;
        case SBM_SETSCROLLINFO: {
            const auto* si = reinterpret_cast<const SCROLLINFO*>(lp);
            if (!si || si->cbSize != sizeof(SCROLLINFO)) return 0;
            if (si->fMask & SIF_RANGE) {
                s->minPos = si->nMin, s->maxPos = std::max(si->nMin, si->nMax);
            }
            if (si->fMask & SIF_PAGE) s->page = std::min<UINT>(si->nPage, UINT(s->maxPos - s->minPos + 1));
            if (si->fMask & SIF_POS) s->pos = si->nPos;
            clampPos(*s);
            if (wp) InvalidateRect(h, nullptr, FALSE);
            return s->pos;
        }
        case SBM_GETSCROLLINFO: {
            auto* si = reinterpret_cast<SCROLLINFO*>(lp);
            if (!si || si->cbSize != sizeof(SCROLLINFO)) return FALSE;
            if (si->fMask & SIF_RANGE) si->nMin = s->minPos, si->nMax = s->maxPos;
            if (si->fMask & SIF_PAGE) si->nPage = s->page;
            if (si->fMask & SIF_POS) si->nPos = s->pos;
            if (si->fMask & SIF_TRACKPOS) si->nTrackPos = s->dragging ? s->trackPos : s->pos;
            return TRUE;
        }
        case SBM_ENABLE_ARROWS:
            s->disabledArrows = UINT(wp) & ESB_DISABLE_BOTH;
            InvalidateRect(h, nullptr, FALSE);
            return TRUE;
        case WM_GETDLGCODE: return DLGC_WANTARROWS;
        case WM_LBUTTONDOWN: {
            if (!IsWindowEnabled(h)) return 0;
            const Layout l = layout(h, *s);
            const int at = along(h, lp);
            SetCapture(h);
            if (!(s = controlData<ScrollState>(h))) return 0;
            s->pressed = true;
            if (at < l.arrow) {
                if (!(s->disabledArrows & ESB_DISABLE_LTUP)) send(h, SB_LINEUP, 0);
            } else if (at >= l.length - l.arrow) {
                if (!(s->disabledArrows & ESB_DISABLE_RTDN)) send(h, SB_LINEDOWN, 0);
            } else if (at < l.thumbStart) {
                send(h, SB_PAGEUP, 0);
            } else if (at >= l.thumbStart + l.thumbSize) {
                send(h, SB_PAGEDOWN, 0);
            } else {
                s->dragging = true;
                s->trackPos = s->pos;
                // The drag is the bar's own loop, up to the button's release.
                captureLoop(h, [](HWND bar) {
                    auto* st = controlData<ScrollState>(bar);
                    return st && st->dragging;
                });
            }
            return 0;
        }
        case WM_MOUSEMOVE:
            if (s->dragging && GetCapture() == h) {
                const int p = positionAt(h, *s, along(h, lp));
                if (p != s->trackPos) {
                    s->trackPos = p;
                    send(h, SB_THUMBTRACK, p);
                }
            }
            return 0;
        case WM_LBUTTONUP: {
            const bool dragged = s->dragging, pressed = s->pressed;
            s->dragging = s->pressed = false;
            if (GetCapture() == h) ReleaseCapture();
            if (dragged) send(h, SB_THUMBPOSITION, positionAt(h, *s, along(h, lp)));
            if (pressed) send(h, SB_ENDSCROLL, 0);
            return 0;
        }
        case WM_CAPTURECHANGED: s->dragging = s->pressed = false; return 0;
        case WM_KEYDOWN: {
            int code = -1;
            switch (wp) {
                case VK_UP:
                case VK_LEFT: code = SB_LINEUP; break;
                case VK_DOWN:
                case VK_RIGHT: code = SB_LINEDOWN; break;
                case VK_PRIOR: code = SB_PAGEUP; break;
                case VK_NEXT: code = SB_PAGEDOWN; break;
                case VK_HOME: code = SB_TOP; break;
                case VK_END: code = SB_BOTTOM; break;
                default: return 0;
            }
            if ((code == SB_LINEUP && (s->disabledArrows & ESB_DISABLE_LTUP)) ||
                (code == SB_LINEDOWN && (s->disabledArrows & ESB_DISABLE_RTDN)))
                return 0;
            send(h, code, 0);
            send(h, SB_ENDSCROLL, 0);
            return 0;
        }
        case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
        case WM_PAINT: paint(h, s); return 0;
        default: return DefWindowProcW(h, m, wp, lp);
    }
}

// Where a script's thumb drag to `pos` goes: the client point on the thumb
// now and the one that stands for `pos`.
bool scrollThumbPoints(HWND h, int pos, POINT* from, POINT* to) {
    auto* s = controlData<ScrollState>(h);
    if (!s) return false;
    const Layout l = layout(h, *s);
    RECT c{};
    GetClientRect(h, &c);
    const int track = std::max(1, l.length - 2 * l.arrow - l.thumbSize);
    const int range = std::max(1, maxReachable(*s) - s->minPos);
    const int target = l.arrow + l.thumbSize / 2 +
                       int(int64_t(std::clamp(pos, s->minPos, maxReachable(*s)) - s->minPos) * track / range);
    const int mid = l.thumbStart + l.thumbSize / 2;
    if (vertical(h)) *from = POINT{c.right / 2, mid}, *to = POINT{c.right / 2, target};
    else *from = POINT{mid, c.bottom / 2}, *to = POINT{target, c.bottom / 2};
    return true;
}

}  // namespace winsim::detail

extern "C" {

WINBASEAPI BOOL WINAPI EnableScrollBar(HWND window, UINT bar, UINT arrows) {
    if (!windowOrFail(window)) return FALSE;
    if (bar != SB_CTL) {
        setError(ERROR_NO_SCROLLBARS);
        return FALSE;
    }
    return SendMessageW(window, SBM_ENABLE_ARROWS, arrows, 0) ? TRUE : FALSE;
}

WINBASEAPI int WINAPI SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw) {
    if (!windowOrFail(window)) return 0;
    if (bar != SB_CTL) {
        setError(ERROR_NO_SCROLLBARS);
        return 0;
    }
    return int(SendMessageW(window, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(info)));
}

WINBASEAPI BOOL WINAPI GetScrollInfo(HWND window, int bar, LPSCROLLINFO info) {
    if (!windowOrFail(window)) return FALSE;
    if (bar != SB_CTL) {
        setError(ERROR_NO_SCROLLBARS);
        return FALSE;
    }
    return SendMessageW(window, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(info)) ? TRUE : FALSE;
}

WINBASEAPI int WINAPI SetScrollPos(HWND window, int bar, int pos, BOOL redraw) {
    if (!windowOrFail(window)) return 0;
    if (bar != SB_CTL) {
        setError(ERROR_NO_SCROLLBARS);
        return 0;
    }
    return int(SendMessageW(window, SBM_SETPOS, WPARAM(pos), redraw));
}

WINBASEAPI int WINAPI GetScrollPos(HWND window, int bar) {
    if (!windowOrFail(window)) return 0;
    if (bar != SB_CTL) {
        setError(ERROR_NO_SCROLLBARS);
        return 0;
    }
    return int(SendMessageW(window, SBM_GETPOS, 0, 0));
}

WINBASEAPI BOOL WINAPI SetScrollRange(HWND window, int bar, int minPos, int maxPos, BOOL redraw) {
    if (!windowOrFail(window)) return FALSE;
    if (bar != SB_CTL) {
        setError(ERROR_NO_SCROLLBARS);
        return FALSE;
    }
    SendMessageW(window, redraw ? SBM_SETRANGEREDRAW : SBM_SETRANGE, WPARAM(minPos), maxPos);
    return TRUE;
}

}  // extern "C"
