// The default window procedure: text, font, hit test, cursor, painting,
// closing, and the colour messages.
#include <algorithm>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

// The longest window text kept; longer texts are cut.
constexpr size_t kMaxText = 0x7FFFF;

}  // namespace

extern "C" {

WINBASEAPI LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = findWindow(window);
    if (!w) return 0;
    switch (message) {
        case WM_NCCREATE: {
            const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            // A picture's resource id (0xFFFF and the id) is no text.
            if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName) && cs->lpszName[0] != 0xFFFF)
                w->text.assign(cs->lpszName, wlenBounded(cs->lpszName, kMaxText));
            return TRUE;
        }
        case WM_SETTEXT: {
            const auto* t = reinterpret_cast<const WCHAR*>(lParam);
            if (t) w->text.assign(t, wlenBounded(t, kMaxText));
            else w->text.clear();
            return TRUE;
        }
        case WM_GETTEXT: {
            auto* buf = reinterpret_cast<WCHAR*>(lParam);
            if (!buf || wParam == 0) return 0;
            const size_t n = std::min(w->text.size(), size_t(wParam) - 1);
            w->text.copy(buf, n);
            buf[n] = 0;
            return LRESULT(n);
        }
        case WM_GETTEXTLENGTH: return LRESULT(w->text.size());
        case WM_SETFONT:
            w->font = reinterpret_cast<HFONT>(wParam);
            if (LOWORD(lParam)) InvalidateRect(window, nullptr, TRUE);
            return 0;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(w->font);
        case WM_SETREDRAW: w->redraw = wParam != 0; return 0;
        case WM_NCHITTEST: return HTCLIENT;
        case WM_SETCURSOR: {
            // The parent decides first; then the class cursor (the arrow when
            // the class has none) for the client area.
            if ((w->style & WS_CHILD) && w->parent &&
                SendMessageW(w->parent, WM_SETCURSOR, wParam, lParam))
                return TRUE;
            if (LOWORD(lParam) == HTCLIENT) {
                Window* again = findWindow(window);
                SetCursor(again && again->classCursor ? again->classCursor : systemArrow());
                return TRUE;
            }
            return FALSE;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            EndPaint(window, &ps);
            return 0;
        }
        case WM_ERASEBKGND: return 1;
        case WM_CLOSE: DestroyWindow(window); return 0;
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSCROLLBAR:
        case WM_CTLCOLORSTATIC:
            return reinterpret_cast<LRESULT>(
                GetSysColorBrush(message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX ? COLOR_WINDOW
                                 : message == WM_CTLCOLORSCROLLBAR                           ? COLOR_SCROLLBAR
                                                                                              : COLOR_BTNFACE));
        case WM_HELP:
        case WM_CONTEXTMENU:
            // Help requests travel up to the parent.
            if ((w->style & WS_CHILD) && w->parent) return SendMessageW(w->parent, message, wParam, lParam);
            return 0;
        case WM_MOUSEACTIVATE: return 1;  // MA_ACTIVATE
        default: return 0;
    }
}

}  // extern "C"
