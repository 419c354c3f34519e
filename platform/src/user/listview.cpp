// SysListView32 in report mode: columns (text, width, format), rows of
// texts with a parameter and a state (selected, focused), one selection
// with LVS_SINGLESEL. Every state change, the user's or a program's, asks
// the parent with LVN_ITEMCHANGING and tells it with LVN_ITEMCHANGED
// (NMLISTVIEW). It paints a header of raised buttons and its rows; with
// LVS_OWNERDRAWFIXED the parent draws each row (WM_DRAWITEM, ODT_LISTVIEW)
// after measuring the row height once (WM_MEASUREITEM).
#include <algorithm>

#include "core/sim.h"
#include "user/comctl_internal.h"

using namespace winsim::detail;

namespace {

constexpr int kHeaderHeight = 18;   // our choice: a text line and the buttons' edges
constexpr int kRowHeight = 16;      // rows of drawn text when the parent does not measure
constexpr int kDefaultColumn = 60;  // LVCOLUMNW without LVCF_WIDTH

struct Column {
    std::u16string text;
    int width = kDefaultColumn;
    int format = LVCFMT_LEFT;
};

struct Row {
    std::vector<std::u16string> texts;  // one per column (sub-item)
    LPARAM param = 0;
    UINT state = 0;
    int image = 0;
};

struct ListViewState {
    std::vector<Column> columns;
    std::vector<Row> rows;
    int top = 0;
    int rowHeight = 0;  // 0: not measured yet
    DWORD exStyle = 0;
    bool focused = false;
    bool pressed = false;
};

DWORD styleOf(HWND h) {
    Window* w = findWindow(h);
    return w ? w->style : 0;
}
bool ownerDraw(HWND h) { return styleOf(h) & LVS_OWNERDRAWFIXED; }
bool singleSelect(HWND h) { return styleOf(h) & LVS_SINGLESEL; }
int headerHeight(HWND h) {
    return (styleOf(h) & LVS_TYPEMASK) == LVS_REPORT && !(styleOf(h) & LVS_NOCOLUMNHEADER) ? kHeaderHeight : 0;
}

ListViewState* state(HWND h) { return controlData<ListViewState>(h); }

// The row height: the parent's answer to WM_MEASUREITEM for owner-drawn
// rows (asked once), else the text rows'.
int rowHeight(HWND h, ListViewState* s) {
    if (s->rowHeight) return s->rowHeight;
    s->rowHeight = kRowHeight;
    Window* w = findWindow(h);
    if (ownerDraw(h) && w && w->parent) {
        MEASUREITEMSTRUCT mis{ODT_LISTVIEW, UINT(w->id), 0, 0, UINT(kRowHeight), 0};
        SendMessageW(w->parent, WM_MEASUREITEM, WPARAM(w->id), reinterpret_cast<LPARAM>(&mis));
        if ((s = state(h))) s->rowHeight = std::clamp<int>(int(mis.itemHeight), 1, 255);
    }
    return s ? s->rowHeight : kRowHeight;
}

int perPage(HWND h, ListViewState* s) {
    RECT c{};
    GetClientRect(h, &c);
    return std::max(1, (int(c.bottom) - headerHeight(h)) / rowHeight(h, s));
}

int rowsWidth(HWND h, const ListViewState& s) {
    int w = 0;
    for (const Column& c : s.columns) w += c.width;
    if (w == 0) {
        RECT c{};
        GetClientRect(h, &c);
        w = int(c.right);
    }
    return w;
}

RECT rowRect(HWND h, ListViewState* s, int i) {
    const int rh = rowHeight(h, s);
    const int top = headerHeight(h) + (i - s->top) * rh;
    return RECT{0, top, rowsWidth(h, *s), top + rh};
}

void invalidateRow(HWND h, ListViewState* s, int i) {
    const RECT r = rowRect(h, s, i);
    InvalidateRect(h, &r, TRUE);
}

// Changes the state bits `mask` of row i to `value`: LVN_ITEMCHANGING (a
// TRUE answer refuses), then LVN_ITEMCHANGED. False when refused, gone, or
// nothing changed.
bool changeState(HWND h, int i, UINT value, UINT mask, POINT action) {
    ListViewState* s = state(h);
    if (!s || i < 0 || i >= int(s->rows.size())) return false;
    const UINT old = s->rows[size_t(i)].state;
    const UINT now = (old & ~mask) | (value & mask);
    if (now == old) return false;
    auto record = [&] {
        NMLISTVIEW nm{};
        nm.iItem = i;
        nm.uNewState = now;
        nm.uOldState = old;
        nm.uChanged = LVIF_STATE;
        nm.ptAction = action;
        nm.lParam = s->rows[size_t(i)].param;
        return nm;
    };
    NMLISTVIEW nm = record();
    if (notifyParent(h, LVN_ITEMCHANGING, &nm.hdr)) return false;
    s = state(h);
    if (!s || !IsWindow(h) || i >= int(s->rows.size())) return false;
    s->rows[size_t(i)].state = now;
    invalidateRow(h, s, i);
    nm = record();
    notifyParent(h, LVN_ITEMCHANGED, &nm.hdr);
    return true;
}

// A state change as the control keeps it: selecting a row of a
// single-selection list (or a user's plain click) first clears the others'
// selection, focusing one clears the others' focus.
void setState(HWND h, int i, UINT value, UINT mask, POINT action, bool user) {
    ListViewState* s = state(h);
    if (!s) return;
    UINT clear = 0;
    if ((mask & LVIS_SELECTED) && (value & LVIS_SELECTED) && (singleSelect(h) || user)) clear |= LVIS_SELECTED;
    if ((mask & LVIS_FOCUSED) && (value & LVIS_FOCUSED)) clear |= LVIS_FOCUSED;
    if (clear)
        for (int j = 0; s && j < int(s->rows.size()); ++j) {
            if (j == i || !(s->rows[size_t(j)].state & clear)) continue;
            changeState(h, j, 0, clear, action);
            s = state(h);
        }
    changeState(h, i, value, mask, action);
}

void ensureVisible(HWND h, ListViewState* s, int i) {
    const int page = perPage(h, s);
    if (i < s->top) s->top = i;
    else if (i >= s->top + page) s->top = i - page + 1;
    s->top = std::max(0, s->top);
    InvalidateRect(h, nullptr, TRUE);
}

int hitRow(HWND h, ListViewState* s, POINT p) {
    if (p.y < headerHeight(h) || p.x < 0 || p.x >= rowsWidth(h, *s)) return -1;
    const int i = s->top + (int(p.y) - headerHeight(h)) / rowHeight(h, s);
    return i < int(s->rows.size()) ? i : -1;
}

// The user picks row i (or nothing, -1): selection and focus move there.
void userPick(HWND h, int i, POINT at) {
    if (i < 0) {
        ListViewState* s = state(h);
        for (int j = 0; s && j < int(s->rows.size()); ++j) {
            if (s->rows[size_t(j)].state & LVIS_SELECTED) changeState(h, j, 0, LVIS_SELECTED, at);
            s = state(h);
        }
        return;
    }
    setState(h, i, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, at, true);
    if (ListViewState* s = state(h)) ensureVisible(h, s, i);
}

void fillRect(HDC dc, RECT r, int colour) { FillRect(dc, &r, GetSysColorBrush(colour)); }

void paint(HWND h, ListViewState* s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT c{};
    GetClientRect(h, &c);
    fillRect(dc, c, COLOR_WINDOW);
    const int hh = headerHeight(h);
    const bool enabled = IsWindowEnabled(h);
    if (hh) {
        int x = 0;
        for (const Column& col : s->columns) {
            RECT b{x, 0, x + col.width, hh};
            fillRect(dc, b, COLOR_BTNFACE);
            classicEdge(dc, b, true);
            RECT t{b.left + 4, b.top + 2, b.right - 4, b.bottom - 2};
            classicText(dc, col.text, t, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX, enabled);
            x += col.width;
        }
        if (x < c.right) {
            RECT rest{x, 0, c.right, hh};
            fillRect(dc, rest, COLOR_BTNFACE);
            classicEdge(dc, rest, true);
        }
    }
    const int last = std::min<int>(int(s->rows.size()), s->top + perPage(h, s) + 1);
    for (int i = s->top; i < last; ++i) {
        if (!(s = state(h))) break;
        const RECT r = rowRect(h, s, i);
        const Row& row = s->rows[size_t(i)];
        const bool sel = row.state & LVIS_SELECTED;
        if (ownerDraw(h)) {
            DRAWITEMSTRUCT dis{};
            dis.CtlType = ODT_LISTVIEW;
            dis.itemID = UINT(i);
            dis.itemAction = ODA_DRAWENTIRE;
            dis.itemState = (sel ? ODS_SELECTED : 0) | (s->focused && (row.state & LVIS_FOCUSED) ? ODS_FOCUS : 0) |
                            (enabled ? 0 : ODS_DISABLED);
            dis.rcItem = r;
            dis.itemData = ULONG_PTR(row.param);
            sendDrawItem(h, dis);
            if (!IsWindow(h)) break;
            continue;
        }
        if (sel) fillRect(dc, r, COLOR_HIGHLIGHT);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : sel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        int x = 0;
        for (size_t k = 0; k < s->columns.size(); ++k) {
            const Column& col = s->columns[k];
            RECT t{x + 4, r.top, x + col.width - 4, r.bottom};
            const UINT align = col.format == LVCFMT_RIGHT ? DT_RIGHT : col.format == LVCFMT_CENTER ? DT_CENTER : DT_LEFT;
            if (k < row.texts.size())
                DrawTextW(dc, row.texts[k].c_str(), int(row.texts[k].size()), &t,
                          align | DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
            x += col.width;
        }
        if (s->focused && (row.state & LVIS_FOCUSED)) DrawFocusRect(dc, &r);
    }
    EndPaint(h, &ps);
}

LRESULT insertColumn(HWND h, ListViewState* s, int at, const LVCOLUMNW* c) {
    if (!c) return -1;
    Column col;
    if (c->mask & LVCF_TEXT) col.text = textOf(c->pszText);
    if (c->mask & LVCF_WIDTH) col.width = std::max(0, c->cx);
    if (c->mask & LVCF_FMT) col.format = c->fmt & 3;
    at = std::clamp(at, 0, int(s->columns.size()));
    s->columns.insert(s->columns.begin() + at, col);
    for (Row& r : s->rows)
        if (int(r.texts.size()) > at) r.texts.insert(r.texts.begin() + at, std::u16string());
    InvalidateRect(h, nullptr, TRUE);
    return at;
}

bool setItem(HWND h, ListViewState* s, const LVITEMW* it) {
    if (!it || it->iItem < 0 || it->iItem >= int(s->rows.size()) || it->iSubItem < 0 ||
        it->iSubItem > std::max<int>(0, int(s->columns.size()) - 1))
        return false;
    Row& r = s->rows[size_t(it->iItem)];
    if (it->mask & LVIF_TEXT) {
        if (int(r.texts.size()) <= it->iSubItem) r.texts.resize(size_t(it->iSubItem) + 1);
        r.texts[size_t(it->iSubItem)] = textOf(it->pszText);
    }
    if (it->iSubItem == 0) {
        if (it->mask & LVIF_PARAM) r.param = it->lParam;
        if (it->mask & LVIF_IMAGE) r.image = it->iImage;
    }
    const int index = it->iItem;
    const bool stateChange = it->iSubItem == 0 && (it->mask & LVIF_STATE);
    const UINT value = it->state, mask = it->stateMask;
    invalidateRow(h, s, index);
    if (stateChange) setState(h, index, value, mask, POINT{}, false);
    return true;
}

LRESULT insertItem(HWND h, ListViewState* s, const LVITEMW* it) {
    if (!it || it->iSubItem != 0) return -1;
    const int at = std::clamp(it->iItem, 0, int(s->rows.size()));
    Row r;
    if (it->mask & LVIF_TEXT) r.texts.push_back(textOf(it->pszText));
    if (it->mask & LVIF_PARAM) r.param = it->lParam;
    if (it->mask & LVIF_IMAGE) r.image = it->iImage;
    s->rows.insert(s->rows.begin() + at, r);
    InvalidateRect(h, nullptr, TRUE);
    NMLISTVIEW nm{};
    nm.iItem = at;
    nm.lParam = r.param;
    notifyParent(h, LVN_INSERTITEM, &nm.hdr);
    if ((it->mask & LVIF_STATE) && (it->state & it->stateMask)) setState(h, at, it->state, it->stateMask, POINT{}, false);
    return at;
}

bool getItem(const ListViewState* s, LVITEMW* it) {
    if (!it || it->iItem < 0 || it->iItem >= int(s->rows.size()) || it->iSubItem < 0) return false;
    const Row& r = s->rows[size_t(it->iItem)];
    if (it->mask & LVIF_TEXT)
        copyText(size_t(it->iSubItem) < r.texts.size() ? r.texts[size_t(it->iSubItem)] : std::u16string(), it->pszText,
                 it->cchTextMax);
    if (it->mask & LVIF_PARAM) it->lParam = r.param;
    if (it->mask & LVIF_IMAGE) it->iImage = r.image;
    if (it->mask & LVIF_STATE) it->state = r.state & it->stateMask;
    return true;
}

void deleteRow(HWND h, int i) {
    ListViewState* s = state(h);
    if (!s || i < 0 || i >= int(s->rows.size())) return;
    NMLISTVIEW nm{};
    nm.iItem = i;
    nm.lParam = s->rows[size_t(i)].param;
    notifyParent(h, LVN_DELETEITEM, &nm.hdr);
    if (!(s = state(h)) || i >= int(s->rows.size())) return;
    s->rows.erase(s->rows.begin() + i);
    s->top = std::clamp(s->top, 0, std::max(0, int(s->rows.size()) - 1));
    InvalidateRect(h, nullptr, TRUE);
}

int nextItem(const ListViewState* s, int start, UINT flags) {
    const UINT want = (flags & LVNI_SELECTED ? LVIS_SELECTED : 0) | (flags & LVNI_FOCUSED ? LVIS_FOCUSED : 0);
    const int n = int(s->rows.size());
    const int step = (flags & LVNI_ABOVE) ? -1 : 1;
    for (int i = start < 0 ? (step > 0 ? 0 : n - 1) : start + step; i >= 0 && i < n; i += step)
        if ((s->rows[size_t(i)].state & want) == want) return i;
    return -1;
}

LRESULT keyDown(HWND h, ListViewState* s, UINT vk) {
    const int n = int(s->rows.size());
    if (n == 0) return 0;
    const int cur = std::max(0, nextItem(s, -1, LVNI_FOCUSED));
    int to = cur;
    switch (vk) {
        case VK_UP: to = cur - 1; break;
        case VK_DOWN: to = cur + 1; break;
        case VK_PRIOR: to = cur - perPage(h, s); break;
        case VK_NEXT: to = cur + perPage(h, s); break;
        case VK_HOME: to = 0; break;
        case VK_END: to = n - 1; break;
        case VK_SPACE: break;
        default: return 0;
    }
    userPick(h, std::clamp(to, 0, n - 1), POINT{-1, -1});
    return 0;
}

}  // namespace

namespace winsim::detail {

LRESULT CALLBACK listViewProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    ListViewState* s = state(h);
    if (!s) return 0;
    if (LRESULT r = 0; commonMessage(h, m, s->focused, &r)) {
        if (m == WM_SETFOCUS || m == WM_KILLFOCUS) {
            NMHDR nm{};
            notifyParent(h, m == WM_SETFOCUS ? NM_SETFOCUS : NM_KILLFOCUS, &nm);
        }
        return r;
    }
    switch (m) {
        case LVM_INSERTCOLUMNW: return insertColumn(h, s, int(wp), reinterpret_cast<const LVCOLUMNW*>(lp));
        case LVM_SETCOLUMNW:
        case LVM_GETCOLUMNW: {
            auto* c = reinterpret_cast<LVCOLUMNW*>(lp);
            if (!c || wp >= s->columns.size()) return FALSE;
            Column& col = s->columns[wp];
            if (m == LVM_SETCOLUMNW) {
                if (c->mask & LVCF_TEXT) col.text = textOf(c->pszText);
                if (c->mask & LVCF_WIDTH) col.width = std::max(0, c->cx);
                if (c->mask & LVCF_FMT) col.format = c->fmt & 3;
                InvalidateRect(h, nullptr, TRUE);
            } else {
                if (c->mask & LVCF_TEXT) copyText(col.text, c->pszText, c->cchTextMax);
                if (c->mask & LVCF_WIDTH) c->cx = col.width;
                if (c->mask & LVCF_FMT) c->fmt = col.format;
                if (c->mask & LVCF_SUBITEM) c->iSubItem = int(wp);
            }
            return TRUE;
        }
        case LVM_DELETECOLUMN:
            if (wp >= s->columns.size()) return FALSE;
            s->columns.erase(s->columns.begin() + ptrdiff_t(wp));
            for (Row& r : s->rows)
                if (r.texts.size() > wp) r.texts.erase(r.texts.begin() + ptrdiff_t(wp));
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        case LVM_GETCOLUMNWIDTH: return wp < s->columns.size() ? s->columns[wp].width : 0;
        case LVM_SETCOLUMNWIDTH:
            if (wp >= s->columns.size()) return FALSE;
            s->columns[wp].width = std::max(0, int(int16_t(LOWORD(lp))));
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        case LVM_INSERTITEMW: return insertItem(h, s, reinterpret_cast<const LVITEMW*>(lp));
        case LVM_SETITEMW: return setItem(h, s, reinterpret_cast<const LVITEMW*>(lp)) ? TRUE : FALSE;
        case LVM_GETITEMW: return getItem(s, reinterpret_cast<LVITEMW*>(lp)) ? TRUE : FALSE;
        case LVM_SETITEMTEXTW: {
            auto* it = reinterpret_cast<const LVITEMW*>(lp);
            if (!it) return FALSE;
            LVITEMW copy = *it;
            copy.mask = LVIF_TEXT;
            copy.iItem = int(wp);
            return setItem(h, s, &copy) ? TRUE : FALSE;
        }
        case LVM_GETITEMTEXTW: {
            auto* it = reinterpret_cast<LVITEMW*>(lp);
            if (!it || int(wp) < 0 || int(wp) >= int(s->rows.size()) || it->iSubItem < 0) return 0;
            const Row& r = s->rows[wp];
            return copyText(size_t(it->iSubItem) < r.texts.size() ? r.texts[size_t(it->iSubItem)] : std::u16string(),
                            it->pszText, it->cchTextMax);
        }
        case LVM_DELETEITEM:
            if (int(wp) < 0 || int(wp) >= int(s->rows.size())) return FALSE;
            deleteRow(h, int(wp));
            return TRUE;
        case LVM_DELETEALLITEMS: {
            if (s->rows.empty()) return TRUE;
            NMLISTVIEW nm{};
            nm.iItem = -1;
            // A TRUE answer spares the parent one LVN_DELETEITEM per row.
            const bool quiet = notifyParent(h, LVN_DELETEALLITEMS, &nm.hdr) != 0;
            if (!(s = state(h))) return FALSE;
            if (quiet) s->rows.clear();
            while ((s = state(h)) && !s->rows.empty() && IsWindow(h)) deleteRow(h, int(s->rows.size()) - 1);
            if ((s = state(h))) s->top = 0;
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        }
        case LVM_GETITEMCOUNT: return LRESULT(s->rows.size());
        case LVM_SETITEMSTATE: {
            auto* it = reinterpret_cast<const LVITEMW*>(lp);
            if (!it) return FALSE;
            const UINT value = it->state, mask = it->stateMask;
            if (int(wp) == -1) {
                for (int i = 0; (s = state(h)) && i < int(s->rows.size()); ++i) changeState(h, i, value, mask, POINT{});
                return TRUE;
            }
            if (int(wp) < 0 || int(wp) >= int(s->rows.size())) return FALSE;
            setState(h, int(wp), value, mask, POINT{}, false);
            return TRUE;
        }
        case LVM_GETITEMSTATE:
            return int(wp) >= 0 && int(wp) < int(s->rows.size()) ? LRESULT(s->rows[wp].state & UINT(lp)) : 0;
        case LVM_GETNEXTITEM: return nextItem(s, int(wp), UINT(lp));
        case LVM_GETSELECTEDCOUNT:
            return std::count_if(s->rows.begin(), s->rows.end(), [](const Row& r) { return r.state & LVIS_SELECTED; });
        case LVM_ENSUREVISIBLE:
            if (int(wp) < 0 || int(wp) >= int(s->rows.size())) return FALSE;
            ensureVisible(h, s, int(wp));
            return TRUE;
        case LVM_REDRAWITEMS: {
            const int first = std::max(0, int(wp)), last = std::min(int(lp), int(s->rows.size()) - 1);
            for (int i = first; i <= last; ++i) invalidateRow(h, s, i);
            return TRUE;
        }
        case LVM_GETTOPINDEX: return s->top;
        case LVM_GETCOUNTPERPAGE: return perPage(h, s);
        case LVM_GETITEMRECT: {
            auto* r = reinterpret_cast<RECT*>(lp);
            if (!r || int(wp) < 0 || int(wp) >= int(s->rows.size())) return FALSE;
            *r = rowRect(h, s, int(wp));
            return TRUE;
        }
        case LVM_HITTEST: {
            auto* ht = reinterpret_cast<LVHITTESTINFO*>(lp);
            if (!ht) return -1;
            ht->iItem = hitRow(h, s, ht->pt);
            ht->iSubItem = 0;
            ht->flags = ht->iItem < 0 ? LVHT_NOWHERE : LVHT_ONITEMLABEL;
            return ht->iItem;
        }
        case LVM_SETEXTENDEDLISTVIEWSTYLE: {
            const DWORD old = s->exStyle, mask = wp ? DWORD(wp) : 0xFFFFFFFFu;
            s->exStyle = (old & ~mask) | (DWORD(lp) & mask);
            InvalidateRect(h, nullptr, TRUE);
            return old;
        }
        case LVM_GETEXTENDEDLISTVIEWSTYLE: return s->exStyle;
        case WM_SETFONT:
            s->rowHeight = 0;
            rowHeight(h, s);  // an owner-drawn list asks its parent now
            return 0;
        case WM_LBUTTONDOWN: {
            if (!IsWindowEnabled(h)) return 0;
            if (GetFocus() != h) SetFocus(h);
            if (!(s = state(h))) return 0;
            const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
            if (p.y < headerHeight(h)) return 0;
            s->pressed = true;
            userPick(h, hitRow(h, s, p), p);
            return 0;
        }
        case WM_LBUTTONUP:
            if (s->pressed) {
                s->pressed = false;
                NMHDR nm{};
                notifyParent(h, NM_CLICK, &nm);
            }
            return 0;
        case WM_LBUTTONDBLCLK: {
            NMHDR nm{};
            notifyParent(h, NM_DBLCLK, &nm);
            return 0;
        }
        case WM_KEYDOWN: return keyDown(h, s, UINT(wp));
        case WM_PAINT: paint(h, s); return 0;
        default: return DefWindowProcW(h, m, wp, lp);
    }
}

bool listViewState(HWND h, winsim::ui::ControlState& out) {
    ListViewState* s = state(h);
    if (!s) return false;
    out.kind = "listview";
    out.ownerDraw = ownerDraw(h);
    out.count = int(s->rows.size());
    out.top = s->top;
    out.selection = nextItem(s, -1, LVNI_SELECTED);
    if (out.selection >= 0 && !s->rows[size_t(out.selection)].texts.empty())
        out.selectedText = s->rows[size_t(out.selection)].texts[0];
    for (size_t k = 0; k < s->columns.size(); ++k)
        out.details.push_back("column " + std::to_string(k) + " " + dumpQuote(s->columns[k].text) + " " +
                              std::to_string(s->columns[k].width));
    for (size_t i = 0; i < s->rows.size(); ++i) {
        const Row& r = s->rows[i];
        std::string line = "row " + std::to_string(i);
        if (r.state & LVIS_SELECTED) line += " sel";
        if (r.state & LVIS_FOCUSED) line += " focus";
        for (size_t k = 0; k < std::max(r.texts.size(), s->columns.size()); ++k)
            line += " " + dumpQuote(k < r.texts.size() ? r.texts[k] : std::u16string());
        out.details.push_back(line);
    }
    return true;
}

bool listViewSelect(HWND h, const winsim::ui::Step& step, std::string* error) {
    ListViewState* s = state(h);
    if (!s) return *error = "the list view is gone", false;
    int i = step.index;
    if (i < 0)
        for (size_t k = 0; k < s->rows.size() && i < 0; ++k)
            if (!s->rows[k].texts.empty() && s->rows[k].texts[0] == step.text) i = int(k);
    if (i < 0 || i >= int(s->rows.size())) return *error = "control " + std::to_string(step.id) + " has no such row", false;
    // The user scrolls the row into sight, then clicks it.
    ensureVisible(h, s, i);
    const RECT r = rowRect(h, s, i);
    clickAt(h, POINT{std::min<LONG>(r.right - 1, 8), (r.top + r.bottom) / 2});
    return true;
}

}  // namespace winsim::detail
