// COMBOBOX: a selection field over a list that drops below it. The list is
// part of the combo (no window of its own): while it is dropped the combo
// holds the capture, so a click on an item reaches it. A user's pick sends
// CBN_SELENDOK, CBN_CLOSEUP and CBN_SELCHANGE; opening sends CBN_DROPDOWN;
// CB_SETCURSEL sends nothing. Edit fields of CBS_DROPDOWN and CBS_SIMPLE
// combos are shown as their selected item's text.
#include <win/wingdi.h>

#include <algorithm>

#include "core/sim.h"
#include "user/list_model.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

constexpr int kFieldMargin = 6;  // frame and padding around the selection field's item

struct ComboState {
    ListModel model;
    int fieldItemHeight = kCharHeight + 2;
    int listHeight = 0;  // the dropped list, below the field
    bool dropped = false;
    bool focused = false;
};

DWORD styleOf(HWND h) {
    Window* w = findWindow(h);
    return w ? w->style : 0;
}

bool ownerDraw(HWND h) { return styleOf(h) & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE); }

int fieldHeight(const ComboState& s) { return s.fieldItemHeight + kFieldMargin; }

int listRows(const ComboState& s) { return std::max(1, s.listHeight / std::max(1, s.model.itemHeight)); }

void showSelection(HWND h, ComboState* s) {
    Window* w = findWindow(h);
    if (!w) return;
    w->text = s->model.valid(s->model.selection) ? s->model.items[size_t(s->model.selection)].text : u"";
    InvalidateRect(h, nullptr, TRUE);
}

void drop(HWND h, ComboState* s, bool open) {
    if (s->dropped == open) return;
    if (open) {
        notifyParent(h, CBN_DROPDOWN);
        if (!(s = controlData<ComboState>(h))) return;
        s->dropped = true;
        s->model.scrollTo(std::max(s->model.selection, 0), listRows(*s));
        SetCapture(h);
    } else {
        s->dropped = false;
        if (GetCapture() == h) ReleaseCapture();
        notifyParent(h, CBN_CLOSEUP);
    }
    InvalidateRect(h, nullptr, TRUE);
}

// A pick from the dropped list (or a key in the closed field).
void pick(HWND h, ComboState* s, int i) {
    if (!s->model.valid(i)) return;
    const bool wasDropped = s->dropped;
    s->model.selection = i;
    showSelection(h, s);
    if (wasDropped) {
        notifyParent(h, CBN_SELENDOK);
        if ((s = controlData<ComboState>(h))) drop(h, s, false);
    }
    notifyParent(h, CBN_SELCHANGE);
}

// The field in a sunken edge with the drop button at its right: a
// drop-down list shows its selected item (highlighted while it has the
// focus), a drop-down combo its edit part's text on white; owner-drawn
// fields (and the items of a dropped owner-drawn list) go to the parent.
void paint(HWND h, ComboState* s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT c{};
    GetClientRect(h, &c);
    const bool enabled = IsWindowEnabled(h);
    const int button = GetSystemMetrics(SM_CXVSCROLL);
    FillRect(dc, &c, GetSysColorBrush(enabled ? COLOR_WINDOW : COLOR_BTNFACE));
    classicEdge(dc, c, false);
    classicArrowButton(dc, RECT{c.right - 2 - button, 2, c.right - 2, c.bottom - 2}, 1, enabled, s->dropped);
    const RECT field{3, 3, c.right - 3 - button, 3 + s->fieldItemHeight};
    if (ownerDraw(h)) {
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_COMBOBOX;
        dis.itemID = UINT(s->model.selection);
        dis.itemAction = ODA_DRAWENTIRE;
        dis.itemState = ODS_COMBOBOXEDIT | (s->focused ? ODS_FOCUS | ODS_SELECTED : 0) |
                        (enabled ? 0 : ODS_DISABLED);
        dis.rcItem = field;
        dis.itemData = s->model.valid(s->model.selection) ? s->model.items[size_t(s->model.selection)].data : 0;
        sendDrawItem(h, dis);
        if ((s = controlData<ComboState>(h)) && s->dropped) {
            const int last = std::min(s->model.count(), s->model.top + listRows(*s));
            for (int i = s->model.top; i < last && s; ++i) {
                DRAWITEMSTRUCT it{};
                it.CtlType = ODT_COMBOBOX;
                it.itemID = UINT(i);
                it.itemAction = ODA_DRAWENTIRE;
                it.itemState = s->model.selection == i ? ODS_SELECTED : 0;
                const int top = fieldHeight(*s) + (i - s->model.top) * s->model.itemHeight;
                it.rcItem = RECT{0, top, c.right, top + s->model.itemHeight};
                it.itemData = s->model.items[size_t(i)].data;
                sendDrawItem(h, it);
                s = controlData<ComboState>(h);
            }
        }
    } else if (Window* w = findWindow(h)) {
        const bool list = (w->style & 3) == CBS_DROPDOWNLIST;
        const bool lit = list && s->focused && !s->dropped;
        if (lit) FillRect(dc, &field, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(lit ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT t{field.left + 1, field.top, field.right, field.bottom};
        classicText(dc, w->text, t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, enabled, true);
        if (lit) DrawFocusRect(dc, &field);
    }
    EndPaint(h, &ps);
}

LRESULT keyDown(HWND h, ComboState* s, UINT vk) {
    const int n = s->model.count();
    if (vk == VK_F4 || (vk == VK_DOWN && GetKeyState(VK_MENU) < 0)) {
        drop(h, s, !s->dropped);
        return 0;
    }
    if (s->dropped && vk == VK_RETURN) {
        pick(h, s, std::max(s->model.selection, 0));
        return 0;
    }
    if (s->dropped && vk == VK_ESCAPE) {
        notifyParent(h, CBN_SELENDCANCEL);
        if ((s = controlData<ComboState>(h))) drop(h, s, false);
        return 0;
    }
    if (n == 0) return 0;
    const int cur = s->model.selection;
    int to = cur;
    switch (vk) {
        case VK_UP:
        case VK_LEFT: to = cur < 0 ? 0 : cur - 1; break;
        case VK_DOWN:
        case VK_RIGHT: to = cur + 1; break;
        case VK_HOME: to = 0; break;
        case VK_END: to = n - 1; break;
        case VK_PRIOR: to = cur - listRows(*s); break;
        case VK_NEXT: to = cur + listRows(*s); break;
        default: return 0;
    }
    to = std::clamp(to, 0, n - 1);
    if (to == cur) return 0;
    if (s->dropped) {
        s->model.selection = to;
        s->model.scrollTo(to, listRows(*s));
        showSelection(h, s);
        notifyParent(h, CBN_SELCHANGE);
    } else {
        pick(h, s, to);
    }
    return 0;
}

}  // namespace

namespace winsim::detail {

LRESULT CALLBACK comboBoxProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* s = controlData<ComboState>(h);
    if (!s) return 0;
    ListModel& model = s->model;
    switch (m) {
        case WM_CREATE: {
            const DWORD style = styleOf(h);
            model.sorted = style & CBS_SORT;
            model.hasStrings = !ownerDraw(h) || (style & CBS_HASSTRINGS);
            Window* w = findWindow(h);
            if (style & CBS_OWNERDRAWFIXED) {
                // The selection field (item -1), then the list's items.
                for (int item : {-1, 0}) {
                    MEASUREITEMSTRUCT mi{ODT_COMBOBOX, UINT(w->id), UINT(item), UINT(w->rect.right - w->rect.left),
                                         UINT(item < 0 ? s->fieldItemHeight : model.itemHeight), 0};
                    if (w->parent) SendMessageW(w->parent, WM_MEASUREITEM, mi.CtlID, reinterpret_cast<LPARAM>(&mi));
                    if (!(s = controlData<ComboState>(h)) || !(w = findWindow(h))) return -1;
                    if (mi.itemHeight > 0 && mi.itemHeight < 256)
                        (item < 0 ? s->fieldItemHeight : s->model.itemHeight) = int(mi.itemHeight);
                }
            }
            // The made height includes the dropped list; the window is the field.
            const int made = int(w->rect.bottom - w->rect.top);
            s->listHeight = std::max(made - fieldHeight(*s), s->model.itemHeight);
            w->rect.bottom = w->rect.top + fieldHeight(*s);
            return 0;
        }
        case CB_ADDSTRING:
        case CB_INSERTSTRING: {
            const auto* t = reinterpret_cast<const WCHAR*>(lp);
            std::u16string text = model.hasStrings && t ? wstr(t) : std::u16string();
            const ULONG_PTR data = model.hasStrings ? 0 : ULONG_PTR(lp);
            const int r = m == CB_ADDSTRING ? model.add(std::move(text), data)
                                            : model.insert(int(int32_t(wp)), std::move(text), data);
            showSelection(h, s);
            return r == -2 ? CB_ERRSPACE : r < 0 ? CB_ERR : r;
        }
        case CB_DELETESTRING: {
            const int i = int(int32_t(wp));
            if (ownerDraw(h) && model.valid(i)) {
                const ULONG_PTR data = model.items[size_t(i)].data;
                model.remove(i);
                sendDeleteItems(h, ODT_COMBOBOX, i, {data});
                if (!(s = controlData<ComboState>(h))) return CB_ERR;
                showSelection(h, s);
                return s->model.count();
            }
            const int r = model.remove(i);
            showSelection(h, s);
            return r < 0 ? CB_ERR : r;
        }
        case CB_RESETCONTENT:
        case WM_DESTROY: {
            std::vector<ULONG_PTR> data;
            if (ownerDraw(h))
                for (const auto& it : model.items) data.push_back(it.data);
            model.clear();
            sendDeleteItems(h, ODT_COMBOBOX, 0, data);
            if (m == WM_DESTROY) return DefWindowProcW(h, m, wp, lp);
            if ((s = controlData<ComboState>(h))) showSelection(h, s);
            return CB_OKAY;
        }
        case CB_GETCOUNT: return model.count();
        case CB_SETCURSEL: {
            const int i = int(int32_t(wp));
            model.selection = model.valid(i) ? i : -1;
            if (model.valid(i)) model.scrollTo(i, listRows(*s));
            showSelection(h, s);
            return model.valid(i) ? i : CB_ERR;
        }
        case CB_GETCURSEL: return model.selection;
        case CB_GETLBTEXT: {
            const int i = int(int32_t(wp));
            if (!model.valid(i) || !lp) return CB_ERR;
            const size_t n = copyItemText(model, i, reinterpret_cast<WCHAR*>(lp));
            return model.hasStrings ? LRESULT(n) : LRESULT(sizeof(ULONG_PTR));
        }
        case CB_GETLBTEXTLEN: {
            const int i = int(int32_t(wp));
            if (!model.valid(i)) return CB_ERR;
            return model.hasStrings ? LRESULT(model.items[size_t(i)].text.size()) : LRESULT(sizeof(ULONG_PTR));
        }
        case CB_FINDSTRING:
        case CB_FINDSTRINGEXACT:
        case CB_SELECTSTRING: {
            std::u16string key;
            if (model.hasStrings) key = wstr(reinterpret_cast<const WCHAR*>(lp));
            else key.assign(reinterpret_cast<const char16_t*>(&lp), sizeof lp / 2);
            const int i = model.find(int(int32_t(wp)), key, m == CB_FINDSTRINGEXACT);
            if (i >= 0 && m == CB_SELECTSTRING) {
                model.selection = i;
                showSelection(h, s);
            }
            return i < 0 ? CB_ERR : i;
        }
        case CB_SETITEMDATA:
        case CB_GETITEMDATA: {
            const int i = int(int32_t(wp));
            if (!model.valid(i)) return CB_ERR;
            if (m == CB_GETITEMDATA) return LRESULT(model.items[size_t(i)].data);
            model.items[size_t(i)].data = ULONG_PTR(lp);
            return CB_OKAY;
        }
        case CB_SETITEMHEIGHT: {
            const int v = int(LOWORD(lp));
            if (v == 0 || v > 255) return CB_ERR;
            if (int32_t(wp) == -1) {
                s->fieldItemHeight = v;
                if (Window* w = findWindow(h)) w->rect.bottom = w->rect.top + fieldHeight(*s);
            } else {
                model.itemHeight = v;
            }
            return CB_OKAY;
        }
        case CB_GETITEMHEIGHT: return int32_t(wp) == -1 ? s->fieldItemHeight : model.itemHeight;
        case CB_SHOWDROPDOWN: drop(h, s, wp != 0); return TRUE;
        case CB_GETDROPPEDSTATE: return s->dropped;
        case CB_GETDROPPEDCONTROLRECT: {
            if (!lp) return CB_ERR;
            RECT r{};
            GetWindowRect(h, &r);
            r.bottom += s->listHeight;
            *reinterpret_cast<RECT*>(lp) = r;
            return CB_OKAY;
        }
        case CB_SETTOPINDEX: {
            const int i = int(int32_t(wp));
            if (!model.valid(i)) return CB_ERR;
            model.top = i;
            InvalidateRect(h, nullptr, TRUE);
            return CB_OKAY;
        }
        case CB_GETTOPINDEX: return model.top;
        case WM_GETDLGCODE: {
            const auto* msg = reinterpret_cast<const MSG*>(lp);
            LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
            if (s->dropped && msg && msg->message == WM_KEYDOWN && (wp == VK_RETURN || wp == VK_ESCAPE))
                code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_LBUTTONDOWN: {
            if (!s->dropped) {
                SetFocus(h);
                if ((s = controlData<ComboState>(h))) drop(h, s, true);
                return 0;
            }
            const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
            RECT c{};
            GetClientRect(h, &c);
            const int listTop = fieldHeight(*s);
            if (x >= 0 && x < c.right && y >= listTop && y < listTop + s->listHeight) {
                const int i = s->model.top + (y - listTop) / std::max(1, s->model.itemHeight);
                if (s->model.valid(i)) {
                    pick(h, s, i);
                    return 0;
                }
            }
            notifyParent(h, CBN_SELENDCANCEL);
            if ((s = controlData<ComboState>(h))) drop(h, s, false);
            return 0;
        }
        case WM_KEYDOWN: return keyDown(h, s, UINT(wp));
        case WM_CHAR: {
            if (!model.hasStrings || wp < 32) return 0;
            const int i = model.find(model.selection, std::u16string(1, WCHAR(wp)), false);
            if (i >= 0 && i != model.selection) pick(h, s, i);
            return 0;
        }
        case WM_SETFOCUS:
            s->focused = true;
            InvalidateRect(h, nullptr, FALSE);
            notifyParent(h, CBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            s->focused = false;
            if (s->dropped) drop(h, s, false);
            InvalidateRect(h, nullptr, FALSE);
            notifyParent(h, CBN_KILLFOCUS);
            return 0;
        case WM_CAPTURECHANGED:
            if (s->dropped && reinterpret_cast<HWND>(lp) != h) {
                s->dropped = false;
                InvalidateRect(h, nullptr, TRUE);
                notifyParent(h, CBN_CLOSEUP);
            }
            return 0;
        case WM_SETTEXT: {
            // The field shows an item: the text picks the item that has it.
            const auto* t = reinterpret_cast<const WCHAR*>(lp);
            const int i = t ? model.find(-1, wstr(t), true) : -1;
            if (i < 0) return CB_ERR;
            model.selection = i;
            showSelection(h, s);
            return TRUE;
        }
        case WM_ENABLE: InvalidateRect(h, nullptr, TRUE); return 0;
        case WM_PAINT: paint(h, s); return 0;
        default: return DefWindowProcW(h, m, wp, lp);
    }
}

}  // namespace winsim::detail
