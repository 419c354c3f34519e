// msctls_trackbar32: a range, a position, line and page steps. Unlike a
// scroll bar it moves itself, then tells the parent with WM_HSCROLL
// (WM_VSCROLL when TBS_VERT): TB_ codes, the position with TB_THUMBTRACK and
// TB_THUMBPOSITION, TB_ENDTRACK when the key or the button goes up. A thumb
// drag runs the control's own capture loop. TBM_SETPOS tells nobody.
#include <algorithm>

#include "core/sim.h"
#include "user/comctl_internal.h"

using namespace winsim::detail;

namespace {

constexpr int kMargin = 8;      // the channel's ends, from the control's sides
constexpr int kThumbLength = 11;

struct TrackbarState {
    int minPos = 0, maxPos = 100, pos = 0;
    int line = 1, page = 20;
    bool dragging = false, pressed = false, focused = false;
};

TrackbarState* state(HWND h) { return controlData<TrackbarState>(h); }

bool vertical(HWND h) {
    Window* w = findWindow(h);
    return w && (w->style & TBS_VERT);
}

int lengthOf(HWND h) {
    RECT c{};
    GetClientRect(h, &c);
    return vertical(h) ? int(c.bottom) : int(c.right);
}

// The thumb's centre along the channel for a position, and back.
int centreOf(HWND h, const TrackbarState& s, int pos) {
    const int span = std::max(1, lengthOf(h) - 2 * kMargin);
    const int range = s.maxPos - s.minPos;
    return kMargin + (range > 0 ? int(int64_t(pos - s.minPos) * span / range) : 0);
}

int positionAt(HWND h, const TrackbarState& s, int along) {
    const int span = std::max(1, lengthOf(h) - 2 * kMargin);
    const int range = s.maxPos - s.minPos;
    const int64_t off = std::clamp(along - kMargin, 0, span);
    return s.minPos + int((off * range + span / 2) / span);
}

RECT thumbRect(HWND h, const TrackbarState& s) {
    RECT c{};
    GetClientRect(h, &c);
    const int mid = centreOf(h, s, s.pos);
    if (vertical(h)) return RECT{2, mid - kThumbLength / 2, c.right - 2, mid + kThumbLength / 2 + 1};
    return RECT{mid - kThumbLength / 2, 2, mid + kThumbLength / 2 + 1, c.bottom - 2};
}

RECT channelRect(HWND h) {
    RECT c{};
    GetClientRect(h, &c);
    if (vertical(h)) return RECT{c.right / 2 - 2, kMargin, c.right / 2 + 2, c.bottom - kMargin};
    return RECT{kMargin, c.bottom / 2 - 2, c.right - kMargin, c.bottom / 2 + 2};
}

void tell(HWND h, int code, int pos) {
    Window* w = findWindow(h);
    if (!w || !w->parent) return;
    const bool carriesPos = code == TB_THUMBTRACK || code == TB_THUMBPOSITION;
    SendMessageW(w->parent, vertical(h) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(WORD(code), WORD(carriesPos ? pos : 0)),
                 reinterpret_cast<LPARAM>(h));
}

// Moves to `pos` (clamped) and tells the parent `code`.
void move(HWND h, TrackbarState* s, int pos, int code) {
    s->pos = std::clamp(pos, s->minPos, s->maxPos);
    InvalidateRect(h, nullptr, TRUE);
    tell(h, code, s->pos);
}

void setRange(HWND h, TrackbarState* s, int lo, int hi, bool redraw) {
    s->minPos = lo, s->maxPos = std::max(lo, hi);
    s->pos = std::clamp(s->pos, s->minPos, s->maxPos);
    if (redraw) InvalidateRect(h, nullptr, TRUE);
}

void paint(HWND h, TrackbarState* s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT c{};
    GetClientRect(h, &c);
    FillRect(dc, &c, GetSysColorBrush(COLOR_BTNFACE));
    const RECT ch = channelRect(h);
    classicEdge(dc, ch, false);
    RECT t = thumbRect(h, *s);
    FillRect(dc, &t, GetSysColorBrush(COLOR_BTNFACE));
    classicEdge(dc, t, true);
    if (s->focused) DrawFocusRect(dc, &c);
    EndPaint(h, &ps);
}

bool dragging(HWND h) {
    TrackbarState* s = state(h);
    return s && s->dragging;
}

}  // namespace

namespace winsim::detail {

LRESULT CALLBACK trackbarProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    TrackbarState* s = state(h);
    if (!s) return 0;
    if (LRESULT r = 0; commonMessage(h, m, s->focused, &r)) return r;
    switch (m) {
        case TBM_GETPOS: return s->pos;
        case TBM_GETRANGEMIN: return s->minPos;
        case TBM_GETRANGEMAX: return s->maxPos;
        case TBM_SETPOS:
            s->pos = std::clamp(int(lp), s->minPos, s->maxPos);
            if (wp) InvalidateRect(h, nullptr, TRUE);
            return 0;
        case TBM_SETRANGE: setRange(h, s, int(int16_t(LOWORD(lp))), int(int16_t(HIWORD(lp))), wp); return 0;
        case TBM_SETRANGEMIN: setRange(h, s, int(lp), std::max(int(lp), s->maxPos), wp); return 0;
        case TBM_SETRANGEMAX: setRange(h, s, std::min(int(lp), s->minPos), int(lp), wp); return 0;
        case TBM_SETPAGESIZE: {
            const int old = s->page;
            s->page = std::max(1, int(lp));
            return old;
        }
        case TBM_GETPAGESIZE: return s->page;
        case TBM_SETLINESIZE: {
            const int old = s->line;
            s->line = std::max(1, int(lp));
            return old;
        }
        case TBM_GETLINESIZE: return s->line;
        case TBM_GETTHUMBRECT:
        case TBM_GETCHANNELRECT:
            if (auto* r = reinterpret_cast<RECT*>(lp)) *r = m == TBM_GETTHUMBRECT ? thumbRect(h, *s) : channelRect(h);
            return 0;
        case WM_LBUTTONDOWN: {
            if (!IsWindowEnabled(h)) return 0;
            if (GetFocus() != h) SetFocus(h);
            if (!(s = state(h))) return 0;
            const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            const RECT t = thumbRect(h, *s);
            SetCapture(h);
            if (!(s = state(h))) return 0;
            s->pressed = true;
            if (p.x >= t.left && p.x < t.right && p.y >= t.top && p.y < t.bottom) {
                s->dragging = true;
                captureLoop(h, &dragging);
                return 0;
            }
            const int along = vertical(h) ? int(p.y) : int(p.x);
            const bool before = along < (vertical(h) ? t.top : t.left);
            move(h, s, s->pos + (before ? -s->page : s->page), before ? TB_PAGEUP : TB_PAGEDOWN);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (s->dragging && GetCapture() == h) {
                const int p = positionAt(h, *s, vertical(h) ? GET_Y_LPARAM(lp) : GET_X_LPARAM(lp));
                if (p != s->pos) move(h, s, p, TB_THUMBTRACK);
            }
            return 0;
        case WM_LBUTTONUP: {
            const bool dragged = s->dragging, pressed = s->pressed;
            s->dragging = s->pressed = false;
            if (GetCapture() == h) ReleaseCapture();
            if (dragged) tell(h, TB_THUMBPOSITION, s->pos);
            if (pressed) tell(h, TB_ENDTRACK, 0);
            return 0;
        }
        case WM_CAPTURECHANGED: s->dragging = s->pressed = false; return 0;
        case WM_KEYDOWN: {
            switch (wp) {
                case VK_LEFT:
                case VK_UP: move(h, s, s->pos - s->line, TB_LINEUP); break;
                case VK_RIGHT:
                case VK_DOWN: move(h, s, s->pos + s->line, TB_LINEDOWN); break;
                case VK_PRIOR: move(h, s, s->pos - s->page, TB_PAGEUP); break;
                case VK_NEXT: move(h, s, s->pos + s->page, TB_PAGEDOWN); break;
                case VK_HOME: move(h, s, s->minPos, TB_TOP); break;
                case VK_END: move(h, s, s->maxPos, TB_BOTTOM); break;
                default: break;
            }
            return 0;
        }
        case WM_KEYUP:
            switch (wp) {
                case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
                case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END: tell(h, TB_ENDTRACK, 0); break;
                default: break;
            }
            return 0;
        case WM_PAINT: paint(h, s); return 0;
        default: return DefWindowProcW(h, m, wp, lp);
    }
}

bool trackbarState(HWND h, winsim::ui::ControlState& out) {
    TrackbarState* s = state(h);
    if (!s) return false;
    out.kind = "trackbar";
    out.pos = s->pos, out.minPos = s->minPos, out.maxPos = s->maxPos;
    return true;
}

// lineup/linedown are the arrow keys; pageup/pagedown clicks beside the
// thumb; thumb N drags the thumb to N.
bool trackbarScroll(HWND h, const winsim::ui::Step& step, std::string* error) {
    TrackbarState* s = state(h);
    if (!s) return *error = "the trackbar is gone", false;
    const std::string& a = step.word;
    const bool vert = vertical(h);
    RECT c{};
    GetClientRect(h, &c);
    auto at = [&](int along) { return vert ? POINT{c.right / 2, along} : POINT{along, c.bottom / 2}; };
    const RECT t = thumbRect(h, *s);
    if (a == "lineup" || a == "lineleft" || a == "linedown" || a == "lineright") {
        SetFocus(h);
        const UINT vk = (a == "lineup" || a == "lineleft") ? (vert ? VK_UP : VK_LEFT) : (vert ? VK_DOWN : VK_RIGHT);
        queueInput({InputKind::KeyDown, {}, vk});
        queueInput({InputKind::KeyUp, {}, vk});
    } else if (a == "pageup" || a == "pageleft") {
        const int spot = (vert ? int(t.top) : int(t.left)) - 2;
        if (spot < 0 || s->pos == s->minPos) return *error = "the thumb is at the start", false;
        clickAt(h, at(spot));
    } else if (a == "pagedown" || a == "pageright") {
        const int spot = (vert ? int(t.bottom) : int(t.right)) + 1;
        if (spot >= lengthOf(h) || s->pos == s->maxPos) return *error = "the thumb is at the end", false;
        clickAt(h, at(spot));
    } else if (a == "thumb") {
        POINT from = at(vert ? (t.top + t.bottom) / 2 : (t.left + t.right) / 2);
        POINT to = at(centreOf(h, *s, std::clamp(int(step.number), s->minPos, s->maxPos)));
        ClientToScreen(h, &from);
        ClientToScreen(h, &to);
        queueInput({InputKind::MouseMove, from, 0});
        queueInput({InputKind::LeftDown, from, 0});
        queueInput({InputKind::MouseMove, to, 0});
        queueInput({InputKind::LeftUp, to, 0});
    } else {
        return *error = "unknown scroll action '" + a + "'", false;
    }
    return true;
}

}  // namespace winsim::detail
