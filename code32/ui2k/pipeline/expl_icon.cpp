// Explanation icons of disabled controls.
#include "pipeline/expl_icon.h"

#include <win/user.h>
#include <win/wingdi.h>

#include "core/printer_identity.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "pictures/pictures.h"
#include "pipeline/ui_state.h"
#include "sheets/sheet_session.h"

namespace vesk {
namespace {

constexpr DWORD kIconStyle = 0x5081000E;  // child, visible, border, tab stop, bitmap
constexpr size_t kTextChars = 522;
constexpr UINT kMsgNcPaint = 0x0085;  // WM_NCPAINT

// The static class's own procedure, which the icons replace (one for the
// process, like the class).
WNDPROC& staticProc() {
    static WNDPROC proc = nullptr;
    return proc;
}

UiControl* controlOf(HWND icon) { return reinterpret_cast<UiControl*>(GetWindowLongPtrW(icon, GWLP_USERDATA)); }

bool isIconOf(HWND w, const UiControl* control) {
    return w && control && w != control->window && controlOf(w) == control &&
           GetDlgCtrlID(w) != int(control->id);
}

DrvContext* contextOf(HWND icon) {
    return reinterpret_cast<DrvContext*>(GetWindowLongPtrW(GetParent(icon), DWLP_USER));
}

LRESULT passOn(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return staticProc() ? CallWindowProcW(staticProc(), w, m, wp, lp) : DefWindowProcW(w, m, wp, lp);
}

void setCursor(DrvContext* ctx, int which) {
    SheetSession* s = SheetSessionOf(ctx);
    if (s && s->cursors[which]) SetCursor(s->cursors[which]);
}

void explain(DrvContext* ctx, UiControl* c) {
    WCHAR text[kTextChars] = {};
    ResLoadString(ctx, c->explanationString, text, kTextChars, 0);
    const WCHAR* name = PrnGetPrinterName(ctx);
    MessageBoxW(c->window, text, name ? name : u"", MB_ICONINFORMATION);
}

}  // namespace

HWND ExplIconFind(const UiPage* page, const UiControl* control) {
    if (!page || !page->window) return nullptr;
    for (HWND w = GetTopWindow(page->window); w; w = GetWindow(w, GW_HWNDNEXT))
        if (isIconOf(w, control)) return w;
    return nullptr;
}

HWND ExplIconShow(DrvContext* ctx, UiPage* page, UiControl* control) {
    if (HWND existing = ExplIconFind(page, control)) return existing;
    if (!control->window) return nullptr;
    RECT r{};
    GetWindowRect(control->window, &r);
    POINT p{r.left - kExplIconSize, (r.bottom - r.top) <= kExplIconSize ? r.bottom - kExplIconSize : r.top};
    ScreenToClient(page->window, &p);
    if (p.x < 0) p.x = 0;
    if (p.y < 0) p.y = 0;
    HWND icon = CreateWindowExW(0, u"STATIC", u"", kIconStyle, p.x, p.y, kExplIconSize, kExplIconSize, page->window,
                                nullptr, ResGetStringDll(ctx), nullptr);
    if (!icon) return nullptr;
    SetWindowLongPtrW(icon, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    if (HBITMAP bmp = ResLoadBitmapId(ctx, kExplIconBitmap))
        SendMessageW(icon, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bmp));
    SetWindowPos(icon, control->window, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    const auto previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(icon, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ExplIconWndProc)));
    if (previous && previous != &ExplIconWndProc) staticProc() = previous;
    return icon;
}

void ExplIconRemove(UiPage* page, const UiControl* control) {
    if (HWND icon = ExplIconFind(page, control)) DestroyWindow(icon);
}

void ExplIconInvalidateAll(const UiPage* page) {
    if (!page || !page->window || !page->controls) return;
    for (HWND w = GetTopWindow(page->window); w; w = GetWindow(w, GW_HWNDNEXT)) {
        const UiControl* c = controlOf(w);
        if (c >= page->controls && c < page->controls + page->controlCount && isIconOf(w, c))
            InvalidateRect(w, nullptr, FALSE);
    }
}

LRESULT CALLBACK ExplIconWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DrvContext* ctx = contextOf(window);
    UiPageState* st = UiPageStateOf(ctx);
    UiControl* c = controlOf(window);
    switch (message) {
        case WM_SETFOCUS:
            if (st) st->focusedIcon = window;
            [[fallthrough]];
        case WM_KILLFOCUS: {
            RECT r{};
            GetWindowRect(window, &r);
            POINT a{r.left, r.top}, b{r.right, r.bottom};
            ScreenToClient(GetParent(window), &a);
            ScreenToClient(GetParent(window), &b);
            const RECT inParent{a.x, a.y, b.x, b.y};
            InvalidateRect(GetParent(window), &inParent, TRUE);
            break;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(window, &ps);
            RECT client{};
            GetClientRect(window, &client);
            UiPage* page = ctx ? PageFindByWindow(ctx, GetParent(window)) : nullptr;
            PreviewDrawImage(ctx, page, c, window, &client, kExplIconBitmap, 0, 0);
            if (st && st->focusedIcon == window && GetFocus() == window) {
                DrawFocusRect(dc, &client);
                st->focusedIcon = nullptr;
            }
            EndPaint(window, &ps);
            return 0;
        }
        case WM_NCHITTEST: {
            RECT r{};
            GetWindowRect(window, &r);
            const POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
            if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) {
                if (st && !st->savedCursor) {
                    st->savedCursor = GetCursor();
                    setCursor(ctx, 0);
                    SetCapture(window);
                }
                return HTCLIENT;
            }
            break;
        }
        case WM_MOUSEMOVE: {
            RECT client{};
            GetClientRect(window, &client);
            const POINT p{short(LOWORD(lParam)), short(HIWORD(lParam))};
            if (p.x >= client.left && p.x < client.right && p.y >= client.top && p.y < client.bottom) return 1;
            if (st && st->savedCursor) {
                SetCursor(st->savedCursor);
                st->savedCursor = nullptr;
            }
            ReleaseCapture();
            break;
        }
        case WM_LBUTTONDOWN:
            if (st) st->handPressed = 1;
            setCursor(ctx, 1);
            break;
        case WM_KEYUP:
            if (wParam != VK_SPACE) break;
            [[fallthrough]];
        case WM_LBUTTONUP:
            if (st) st->handPressed = 0;
            setCursor(ctx, 0);
            if (ctx && c && c->explanationString) explain(ctx, c);
            break;
        case kMsgNcPaint: return 0;
        case WM_DESTROY: {
            // The icon's bitmap is its own: it goes with the window, also
            // when the page takes the icon down with it.
            HBITMAP bmp = reinterpret_cast<HBITMAP>(SendMessageW(window, STM_SETIMAGE, IMAGE_BITMAP, 0));
            const LRESULT r = passOn(window, message, wParam, lParam);
            if (bmp) DeleteObject(bmp);
            return r;
        }
        default: break;
    }
    return passOn(window, message, wParam, lParam);
}

}  // namespace vesk
