// BUTTON: push, default, owner-draw, check boxes, radio buttons and group
// boxes. A user click (mouse, space bar, BM_CLICK) sets an automatic style's
// state first and then sends BN_CLICKED; BM_SETCHECK sends nothing. An
// automatic radio button clears the others of its group.
#include <win/wingdi.h>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct ButtonState {
    UINT check = BST_UNCHECKED;
    bool pushed = false;
    bool focused = false;
};

DWORD typeOf(HWND h) {
    Window* w = findWindow(h);
    return w ? (w->style & BS_TYPEMASK) : 0;
}

bool notifies(HWND h) {
    Window* w = findWindow(h);
    return w && (w->style & 0x4000L);  // BS_NOTIFY
}

bool isAutoRadio(HWND h) {
    Window* w = findWindow(h);
    return w && w->className == u"Button" && (w->style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
}

// Clears the other automatic radio buttons of the group that holds `h`.
void clearGroup(HWND h) {
    Window* w = findWindow(h);
    Window* p = w ? findWindow(w->parent) : nullptr;
    if (!p) return;
    const std::vector<HWND> sib = p->children;
    size_t at = 0;
    while (at < sib.size() && sib[at] != h) ++at;
    size_t begin = at;
    while (begin > 0 && !(findWindow(sib[begin]) && (findWindow(sib[begin])->style & WS_GROUP))) --begin;
    for (size_t i = begin; i < sib.size(); ++i) {
        Window* c = findWindow(sib[i]);
        if (i > begin && c && (c->style & WS_GROUP)) break;
        if (sib[i] != h && isAutoRadio(sib[i])) SendMessageW(sib[i], BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

void click(HWND h) {
    auto* s = controlData<ButtonState>(h);
    if (!s || !IsWindowEnabled(h)) return;
    switch (typeOf(h)) {
        case BS_AUTOCHECKBOX: s->check = s->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED; break;
        case BS_AUTO3STATE: s->check = (s->check + 1) % 3; break;
        case BS_AUTORADIOBUTTON:
            s->check = BST_CHECKED;
            clearGroup(h);
            break;
        default: break;
    }
    InvalidateRect(h, nullptr, FALSE);
    notifyParent(h, BN_CLICKED);
}

bool inside(HWND h, LPARAM l) {
    RECT r;
    GetClientRect(h, &r);
    const int x = GET_X_LPARAM(l), y = GET_Y_LPARAM(l);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

void paint(HWND h, ButtonState* s) {
    PAINTSTRUCT ps;
    BeginPaint(h, &ps);
    if (typeOf(h) == BS_OWNERDRAW) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = (s->pushed ? ODS_SELECTED : 0) | (s->focused ? ODS_FOCUS : 0) |
                        (IsWindowEnabled(h) ? 0 : ODS_DISABLED);
        GetClientRect(h, &dis.rcItem);
        sendDrawItem(h, dis);
    } else if (Window* w = findWindow(h)) {
        ButtonLook look;
        const DWORD type = typeOf(h);
        look.kind = type == BS_GROUPBOX ? ButtonLook::Group
                    : type == BS_CHECKBOX || type == BS_AUTOCHECKBOX || type == BS_3STATE || type == BS_AUTO3STATE
                        ? ButtonLook::Check
                    : type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON ? ButtonLook::Radio
                                                                           : ButtonLook::Push;
        look.checked = s->check;
        look.pushed = s->pushed;
        look.focused = s->focused;
        look.enabled = IsWindowEnabled(h);
        look.isDefault = type == BS_DEFPUSHBUTTON;
        RECT r;
        GetClientRect(h, &r);
        classicButton(ps.hdc, r, w->text, look);
    }
    EndPaint(h, &ps);
}

}  // namespace

namespace winsim::detail {

void notifyParent(HWND control, UINT code) {
    Window* w = findWindow(control);
    if (!w || !w->parent) return;
    SendMessageW(w->parent, WM_COMMAND, MAKEWPARAM(WORD(w->id), code), reinterpret_cast<LPARAM>(control));
}

LRESULT CALLBACK buttonProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* s = controlData<ButtonState>(h);
    if (!s) return 0;
    const DWORD type = typeOf(h);
    switch (m) {
        case WM_GETDLGCODE:
            switch (type) {
                case BS_PUSHBUTTON: return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
                case BS_DEFPUSHBUTTON: return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
                case BS_RADIOBUTTON:
                case BS_AUTORADIOBUTTON: return DLGC_BUTTON | DLGC_RADIOBUTTON;
                case BS_GROUPBOX: return DLGC_STATIC;
                default: return DLGC_BUTTON;
            }
        case WM_NCHITTEST: return type == BS_GROUPBOX ? HTTRANSPARENT : HTCLIENT;
        case BM_GETCHECK: return s->check;
        case BM_SETCHECK:
            if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW || type == BS_GROUPBOX)
                return 0;
            s->check = UINT(wp) > BST_INDETERMINATE ? BST_CHECKED : UINT(wp);
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        case BM_GETSTATE: return s->check | (s->pushed ? BST_PUSHED : 0) | (s->focused ? BST_FOCUS : 0);
        case BM_SETSTATE:
            s->pushed = wp != 0;
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        case BM_SETSTYLE:
            if (Window* w = findWindow(h)) w->style = (w->style & ~BS_TYPEMASK) | (DWORD(wp) & BS_TYPEMASK);
            if (lp) InvalidateRect(h, nullptr, TRUE);
            return 0;
        case BM_CLICK:
            if (!IsWindowEnabled(h)) return 0;
            SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, 0);
            SendMessageW(h, WM_LBUTTONUP, 0, 0);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (type == BS_GROUPBOX) return 0;
            SetFocus(h);
            SetCapture(h);
            if ((s = controlData<ButtonState>(h))) s->pushed = true;
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        case WM_MOUSEMOVE:
            if (GetCapture() == h && s->pushed != inside(h, lp)) {
                s->pushed = inside(h, lp);
                InvalidateRect(h, nullptr, FALSE);
            }
            return 0;
        case WM_LBUTTONUP: {
            const bool wasPushed = s->pushed && inside(h, lp);
            s->pushed = false;
            if (GetCapture() == h) ReleaseCapture();
            InvalidateRect(h, nullptr, FALSE);
            if (wasPushed) click(h);
            return 0;
        }
        case WM_CAPTURECHANGED:
            s->pushed = false;
            return 0;
        case WM_KEYDOWN:
            if (wp == VK_SPACE && !s->pushed) {
                s->pushed = true;
                InvalidateRect(h, nullptr, FALSE);
            }
            return 0;
        case WM_KEYUP:
            if (wp == VK_SPACE && s->pushed) {
                s->pushed = false;
                click(h);
            }
            return 0;
        case WM_CHAR: return 0;
        case WM_SETFOCUS:
            s->focused = true;
            InvalidateRect(h, nullptr, FALSE);
            if (notifies(h)) notifyParent(h, BN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            s->focused = false;
            s->pushed = false;
            InvalidateRect(h, nullptr, FALSE);
            if (notifies(h)) notifyParent(h, BN_KILLFOCUS);
            return 0;
        case WM_ENABLE: InvalidateRect(h, nullptr, FALSE); return 0;
        case WM_SETTEXT: {
            const LRESULT r = DefWindowProcW(h, m, wp, lp);
            InvalidateRect(h, nullptr, TRUE);
            return r;
        }
        case WM_PAINT: paint(h, s); return 0;
        default: return DefWindowProcW(h, m, wp, lp);
    }
}

}  // namespace winsim::detail
