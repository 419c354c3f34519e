// LISTBOX: texts or item data, single or multiple selection, top index,
// fixed owner-drawn items (measured once while the list is made, so before
// the dialog's WM_INITDIALOG) and multi-column lists. A user's click or key
// sends LBN_SELCHANGE (with LBS_NOTIFY); LB_SETCURSEL sends nothing.
#include <win/wingdi.h>

#include <algorithm>

#include "core/sim.h"
#include "user/list_model.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct ListBoxState {
    ListModel model;
    int columnWidth = 15 * kCharWidth;
    bool focused = false;
    bool tracking = false;
    int pressSelection = -1;  // the selection when the button went down
};

DWORD styleOf(HWND h) {
    Window* w = findWindow(h);
    return w ? w->style : 0;
}

bool multiSelect(HWND h) { return styleOf(h) & LBS_MULTIPLESEL; }
bool multiColumn(HWND h) { return styleOf(h) & LBS_MULTICOLUMN; }
bool ownerDraw(HWND h) { return styleOf(h) & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE); }

RECT client(HWND h) {
    RECT r{};
    GetClientRect(h, &r);
    return r;
}

int rowsPerColumn(HWND h, const ListBoxState& s) {
    return std::max(1, int(client(h).bottom) / std::max(1, s.model.itemHeight));
}

// Items that fit: rows, times the columns of a multi-column list.
int visibleItems(HWND h, const ListBoxState& s) {
    const int rows = rowsPerColumn(h, s);
    if (!multiColumn(h)) return rows;
    return rows * std::max(1, int(client(h).right) / std::max(1, s.columnWidth));
}

bool itemRect(HWND h, const ListBoxState& s, int i, RECT* r) {
    if (!s.model.valid(i)) return false;
    const int rel = i - s.model.top;
    if (multiColumn(h)) {
        const int rows = rowsPerColumn(h, s);
        const int col = rel >= 0 ? rel / rows : -((-rel + rows - 1) / rows);
        const int row = rel - col * rows;
        *r = RECT{col * s.columnWidth, row * s.model.itemHeight, (col + 1) * s.columnWidth,
                  (row + 1) * s.model.itemHeight};
    } else {
        *r = RECT{0, rel * s.model.itemHeight, client(h).right, (rel + 1) * s.model.itemHeight};
    }
    return true;
}

// The item at a client point; *outside when the point is past the items.
int itemAt(HWND h, const ListBoxState& s, int x, int y, bool* outside) {
    const RECT c = client(h);
    *outside = x < 0 || y < 0 || x >= c.right || y >= c.bottom;
    int i;
    if (multiColumn(h)) {
        const int rows = rowsPerColumn(h, s);
        i = s.model.top + std::max(0, x / std::max(1, s.columnWidth)) * rows +
            std::clamp(y / std::max(1, s.model.itemHeight), 0, rows - 1);
    } else {
        i = s.model.top + std::max(0, y) / std::max(1, s.model.itemHeight);
    }
    if (i >= s.model.count()) {
        *outside = true;
        i = std::max(0, s.model.count() - 1);
    }
    return i;
}

void notify(HWND h, UINT code) {
    if (styleOf(h) & LBS_NOTIFY) notifyParent(h, code);
}

// A selection the user made: moves it, then notifies.
void userSelect(HWND h, ListBoxState* s, int i, bool notifyNow) {
    if (!s->model.valid(i)) return;
    bool changed;
    if (multiSelect(h)) {
        auto& it = s->model.items[size_t(i)];
        it.selected = !it.selected;
        changed = true;
    } else {
        changed = s->model.selection != i;
        s->model.selection = i;
    }
    s->model.caret = i;
    s->model.scrollTo(i, visibleItems(h, *s));
    InvalidateRect(h, nullptr, TRUE);
    if (changed && notifyNow) notify(h, LBN_SELCHANGE);
}

// The background is the parent's WM_CTLCOLORLISTBOX brush (else the window
// colour); owner-drawn items go to the parent, text items are drawn here:
// the selection in the highlight colours, the caret item framed while the
// list has the focus, texts embossed while it is disabled.
void paint(HWND h, ListBoxState* s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    Window* w = findWindow(h);
    if (!w || !w->redraw) {
        EndPaint(h, &ps);
        return;
    }
    RECT c = client(h);
    const bool enabled = IsWindowEnabled(h);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_WINDOW));
    FillRect(dc, &c, controlBrush(h, dc, WM_CTLCOLORLISTBOX, COLOR_WINDOW));
    if (!(s = controlData<ListBoxState>(h))) {
        EndPaint(h, &ps);
        return;
    }
    const COLORREF text = GetTextColor(dc);
    const int last = std::min(s->model.count(), s->model.top + visibleItems(h, *s));
    for (int i = s->model.top; i < last; ++i) {
        const bool sel = multiSelect(h) ? s->model.items[size_t(i)].selected : s->model.selection == i;
        RECT r{};
        itemRect(h, *s, i, &r);
        if (ownerDraw(h)) {
            DRAWITEMSTRUCT dis{};
            dis.CtlType = ODT_LISTBOX;
            dis.itemID = UINT(i);
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = (sel ? ODS_SELECTED : 0) | (s->focused && s->model.caret == i ? ODS_FOCUS : 0) |
                            (enabled ? 0 : ODS_DISABLED);
            dis.rcItem = r;
            dis.itemData = s->model.items[size_t(i)].data;
            sendDrawItem(h, dis);
            if (!IsWindow(h)) break;
            s = controlData<ListBoxState>(h);
            continue;
        }
        if (sel) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, sel ? GetSysColor(COLOR_HIGHLIGHTTEXT) : text);
        RECT t{r.left + 2, r.top + 1, r.right, r.bottom};
        classicText(dc, s->model.items[size_t(i)].text, t, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX, enabled, true);
        if (s->focused && s->model.caret == i) DrawFocusRect(dc, &r);
    }
    EndPaint(h, &ps);
}

LRESULT keyDown(HWND h, ListBoxState* s, UINT vk) {
    const int n = s->model.count();
    if (n == 0) return 0;
    const int cur = multiSelect(h) ? s->model.caret : std::max(s->model.selection, 0);
    const int page = std::max(1, visibleItems(h, *s) - 1);
    const int rows = multiColumn(h) ? rowsPerColumn(h, *s) : 1;
    int to = cur;
    switch (vk) {
        case VK_UP: to = cur - 1; break;
        case VK_DOWN: to = cur + 1; break;
        case VK_LEFT: to = multiColumn(h) ? cur - rows : cur - 1; break;
        case VK_RIGHT: to = multiColumn(h) ? cur + rows : cur + 1; break;
        case VK_PRIOR: to = cur - page; break;
        case VK_NEXT: to = cur + page; break;
        case VK_HOME: to = 0; break;
        case VK_END: to = n - 1; break;
        case VK_SPACE:
            if (multiSelect(h)) userSelect(h, s, cur, true);
            return 0;
        default: return 0;
    }
    to = std::clamp(to, 0, n - 1);
    if (s->model.selection == -1 && !multiSelect(h)) to = std::clamp(to, 0, n - 1);
    if (multiSelect(h)) {
        s->model.caret = to;
        s->model.scrollTo(to, visibleItems(h, *s));
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    if (to != s->model.selection) userSelect(h, s, to, true);
    return 0;
}

}  // namespace

namespace winsim::detail {

LRESULT CALLBACK listBoxProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* s = controlData<ListBoxState>(h);
    if (!s) return 0;
    ListModel& model = s->model;
    const DWORD style = styleOf(h);
    switch (m) {
        case WM_CREATE: {
            model.sorted = style & LBS_SORT;
            model.hasStrings = !ownerDraw(h) || (style & LBS_HASSTRINGS);
            if (style & LBS_OWNERDRAWFIXED) {
                Window* w = findWindow(h);
                MEASUREITEMSTRUCT mi{ODT_LISTBOX, UINT(w->id), 0, UINT(client(h).right), UINT(model.itemHeight), 0};
                if (w->parent) SendMessageW(w->parent, WM_MEASUREITEM, mi.CtlID, reinterpret_cast<LPARAM>(&mi));
                if ((s = controlData<ListBoxState>(h)) && mi.itemHeight > 0 && mi.itemHeight < 256)
                    s->model.itemHeight = int(mi.itemHeight);
            }
            return 0;
        }
        case LB_ADDSTRING:
        case LB_INSERTSTRING: {
            const auto* t = reinterpret_cast<const WCHAR*>(lp);
            std::u16string text = model.hasStrings && t ? wstr(t) : std::u16string();
            const ULONG_PTR data = model.hasStrings ? 0 : ULONG_PTR(lp);
            const int r = m == LB_ADDSTRING ? model.add(std::move(text), data)
                                            : model.insert(int(int32_t(wp)), std::move(text), data);
            InvalidateRect(h, nullptr, TRUE);
            return r == -2 ? LB_ERRSPACE : r < 0 ? LB_ERR : r;
        }
        case LB_DELETESTRING: {
            const int i = int(int32_t(wp));
            if (ownerDraw(h) && model.valid(i)) {
                const ULONG_PTR data = model.items[size_t(i)].data;
                model.remove(i);
                sendDeleteItems(h, ODT_LISTBOX, i, {data});
                InvalidateRect(h, nullptr, TRUE);
                s = controlData<ListBoxState>(h);
                return s ? s->model.count() : LB_ERR;
            }
            const int r = model.remove(i);
            InvalidateRect(h, nullptr, TRUE);
            return r < 0 ? LB_ERR : r;
        }
        case LB_RESETCONTENT:
        case WM_DESTROY: {
            // Owner-drawn items are given back to the parent as they go.
            std::vector<ULONG_PTR> data;
            if (ownerDraw(h))
                for (const auto& it : model.items) data.push_back(it.data);
            model.clear();
            sendDeleteItems(h, ODT_LISTBOX, 0, data);
            if (m == WM_DESTROY) return DefWindowProcW(h, m, wp, lp);
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        case LB_GETCOUNT: return model.count();
        case LB_SETCURSEL: {
            if (multiSelect(h)) return LB_ERR;
            const int i = int(int32_t(wp));
            model.selection = model.valid(i) ? i : -1;
            if (model.valid(i)) {
                model.caret = i;
                model.scrollTo(i, visibleItems(h, *s));
            }
            InvalidateRect(h, nullptr, TRUE);
            return model.valid(i) ? i : LB_ERR;
        }
        case LB_GETCURSEL:
            if (multiSelect(h)) return model.count() ? model.caret : LB_ERR;
            return model.selection;
        case LB_SETSEL: {
            if (!multiSelect(h)) return LB_ERR;
            const int i = int(int32_t(lp));
            if (i == -1) {
                for (auto& it : model.items) it.selected = wp != 0;
            } else if (model.valid(i)) {
                model.items[size_t(i)].selected = wp != 0;
            } else {
                return LB_ERR;
            }
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        case LB_GETSEL: {
            const int i = int(int32_t(wp));
            if (!model.valid(i)) return LB_ERR;
            return multiSelect(h) ? model.items[size_t(i)].selected : model.selection == i;
        }
        case LB_GETTEXT: {
            const int i = int(int32_t(wp));
            if (!model.valid(i) || !lp) return LB_ERR;
            const size_t n = copyItemText(model, i, reinterpret_cast<WCHAR*>(lp));
            return model.hasStrings ? LRESULT(n) : LRESULT(sizeof(ULONG_PTR));
        }
        case LB_GETTEXTLEN: {
            const int i = int(int32_t(wp));
            if (!model.valid(i)) return LB_ERR;
            return model.hasStrings ? LRESULT(model.items[size_t(i)].text.size()) : LRESULT(sizeof(ULONG_PTR));
        }
        case LB_FINDSTRING:
        case LB_FINDSTRINGEXACT:
        case LB_SELECTSTRING: {
            std::u16string key;
            if (model.hasStrings) key = wstr(reinterpret_cast<const WCHAR*>(lp));
            else key.assign(reinterpret_cast<const char16_t*>(&lp), sizeof lp / 2);
            const int i = model.find(int(int32_t(wp)), key, m == LB_FINDSTRINGEXACT);
            if (i >= 0 && m == LB_SELECTSTRING && !multiSelect(h)) {
                model.selection = model.caret = i;
                model.scrollTo(i, visibleItems(h, *s));
                InvalidateRect(h, nullptr, TRUE);
            }
            return i < 0 ? LB_ERR : i;
        }
        case LB_SETTOPINDEX: {
            const int i = int(int32_t(wp));
            if (!model.valid(i) && !(i == 0 && model.count() == 0)) return LB_ERR;
            model.top = multiColumn(h) ? i - i % rowsPerColumn(h, *s) : i;
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        case LB_GETTOPINDEX: return model.top;
        case LB_GETITEMRECT: {
            RECT r;
            if (!lp || !itemRect(h, *s, int(int32_t(wp)), &r)) return LB_ERR;
            *reinterpret_cast<RECT*>(lp) = r;
            return LB_OKAY;
        }
        case LB_ITEMFROMPOINT: {
            bool outside = false;
            const int i = itemAt(h, *s, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), &outside);
            return MAKELONG(WORD(i), outside ? 1 : 0);
        }
        case LB_SETITEMDATA:
        case LB_GETITEMDATA: {
            const int i = int(int32_t(wp));
            if (!model.valid(i)) return LB_ERR;
            if (m == LB_GETITEMDATA) return LRESULT(model.items[size_t(i)].data);
            model.items[size_t(i)].data = ULONG_PTR(lp);
            return LB_OKAY;
        }
        case LB_SETITEMHEIGHT:
            if (LOWORD(lp) == 0 || LOWORD(lp) > 255) return LB_ERR;
            model.itemHeight = LOWORD(lp);
            InvalidateRect(h, nullptr, TRUE);
            return LB_OKAY;
        case LB_GETITEMHEIGHT: return model.itemHeight;
        case LB_SETCOLUMNWIDTH:
            if (wp > 0 && wp < 0x8000) s->columnWidth = int(wp);
            return 0;
        case WM_SETREDRAW: {
            DefWindowProcW(h, m, wp, lp);
            if (wp) InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_LBUTTONDOWN: {
            SetFocus(h);
            if (!(s = controlData<ListBoxState>(h))) return 0;
            bool outside = false;
            const int i = itemAt(h, *s, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), &outside);
            s->pressSelection = s->model.selection;
            if (!outside) userSelect(h, s, i, multiSelect(h));
            s->tracking = !multiSelect(h);
            SetCapture(h);
            return 0;
        }
        case WM_MOUSEMOVE:
            if (s->tracking && GetCapture() == h) {
                bool outside = false;
                const int i = itemAt(h, *s, GET_X_LPARAM(lp), GET_Y_LPARAM(lp), &outside);
                if (!outside && i != model.selection) userSelect(h, s, i, false);
            }
            return 0;
        case WM_LBUTTONUP: {
            const bool wasTracking = s->tracking;
            s->tracking = false;
            if (GetCapture() == h) ReleaseCapture();
            if (!(s = controlData<ListBoxState>(h))) return 0;
            if (wasTracking && s->model.selection != s->pressSelection) notify(h, LBN_SELCHANGE);
            return 0;
        }
        case WM_LBUTTONDBLCLK: notify(h, LBN_DBLCLK); return 0;
        case WM_CAPTURECHANGED: s->tracking = false; return 0;
        case WM_KEYDOWN: return keyDown(h, s, UINT(wp));
        case WM_CHAR: {
            if (!model.hasStrings || wp < 32) return 0;
            const std::u16string key(1, WCHAR(wp));
            const int i = model.find(multiSelect(h) ? model.caret : model.selection, key, false);
            if (i >= 0 && i != model.selection) userSelect(h, s, i, true);
            return 0;
        }
        case WM_SETFOCUS:
            s->focused = true;
            InvalidateRect(h, nullptr, FALSE);
            notify(h, LBN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            s->focused = false;
            InvalidateRect(h, nullptr, FALSE);
            notify(h, LBN_KILLFOCUS);
            return 0;
        case WM_ENABLE: InvalidateRect(h, nullptr, TRUE); return 0;
        case WM_PAINT: paint(h, s); return 0;
        default: return DefWindowProcW(h, m, wp, lp);
    }
}

}  // namespace winsim::detail
