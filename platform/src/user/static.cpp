// STATIC: texts, pictures (SS_BITMAP, SS_ICON) and owner-drawn statics. A
// static lets the mouse through (HTTRANSPARENT) unless it has SS_NOTIFY.
#include <win/wingdi.h>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct StaticState {
    HANDLE image = nullptr;
    bool ownsImage = false;  // loaded from the template's resource id
};

DWORD typeOf(HWND h) {
    Window* w = findWindow(h);
    return w ? (w->style & SS_TYPEMASK) : 0;
}

void dropImage(StaticState* s) {
    if (s->image && s->ownsImage) {
        if (!DeleteObject(s->image)) DestroyIcon(static_cast<HICON>(s->image));
    }
    s->image = nullptr;
    s->ownsImage = false;
}

}  // namespace

namespace winsim::detail {

LRESULT CALLBACK staticProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* s = controlData<StaticState>(h);
    if (!s) return 0;
    const DWORD type = typeOf(h);
    switch (m) {
        case WM_CREATE: {
            const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lp);
            if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName) && cs->lpszName[0] == 0xFFFF &&
                (type == SS_BITMAP || type == SS_ICON)) {
                LPCWSTR name = MAKEINTRESOURCEW(cs->lpszName[1]);
                s->image = type == SS_BITMAP ? static_cast<HANDLE>(LoadBitmapW(cs->hInstance, name))
                                             : static_cast<HANDLE>(LoadIconW(cs->hInstance, name));
                s->ownsImage = s->image != nullptr;
            }
            return 0;
        }
        case WM_NCDESTROY:
            dropImage(s);
            return DefWindowProcW(h, m, wp, lp);
        case WM_NCHITTEST: {
            Window* w = findWindow(h);
            return w && (w->style & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
        }
        case WM_LBUTTONUP: {
            Window* w = findWindow(h);
            if (w && (w->style & SS_NOTIFY)) notifyParent(h, STN_CLICKED);
            return 0;
        }
        case WM_GETDLGCODE: return DLGC_STATIC;
        case STM_SETIMAGE:
        case STM_SETICON: {
            // An image the static loaded itself goes with the change; the
            // caller's images stay the caller's.
            const HANDLE old = s->ownsImage ? nullptr : s->image;
            dropImage(s);
            s->image = reinterpret_cast<HANDLE>(m == STM_SETICON ? wp : lp);
            InvalidateRect(h, nullptr, TRUE);
            return reinterpret_cast<LRESULT>(old);
        }
        case STM_GETIMAGE:
        case STM_GETICON: return reinterpret_cast<LRESULT>(s->image);
        case WM_SETTEXT: {
            const LRESULT r = DefWindowProcW(h, m, wp, lp);
            InvalidateRect(h, nullptr, TRUE);
            return r;
        }
        case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            BeginPaint(h, &ps);
            if (type == SS_OWNERDRAW) {
                DRAWITEMSTRUCT dis{};
                dis.CtlType = ODT_STATIC;
                dis.itemAction = ODA_DRAWENTIRE;
                dis.itemState = IsWindowEnabled(h) ? 0 : ODS_DISABLED;
                GetClientRect(h, &dis.rcItem);
                sendDrawItem(h, dis);
            } else if (type == SS_BITMAP || type == SS_ICON) {
                // The picture at the top left, or centred with SS_CENTERIMAGE.
                Window* w = findWindow(h);
                RECT r;
                GetClientRect(h, &r);
                if (const winsim::ImageInfo* img = findImage(s->image); img && w) {
                    const winsim::ImageInfo copy = *img;
                    const bool centre = w->style & SS_CENTERIMAGE;
                    drawImage(ps.hdc, centre ? int(r.right - copy.width) / 2 : 0,
                              centre ? int(r.bottom - copy.height) / 2 : 0, copy);
                }
            } else if (Window* w = findWindow(h); w && (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT)) {
                RECT r;
                GetClientRect(h, &r);
                FillRect(ps.hdc, &r, GetSysColorBrush(COLOR_BTNFACE));
                const UINT align = type == SS_CENTER ? DT_CENTER : type == SS_RIGHT ? DT_RIGHT : DT_LEFT;
                classicText(ps.hdc, w->text, r, align | DT_WORDBREAK, IsWindowEnabled(h));
            }
            EndPaint(h, &ps);
            return 0;
        }
        default: return DefWindowProcW(h, m, wp, lp);
    }
}

}  // namespace winsim::detail
