// SysTabControl32: a row of tabs along the top and the display area below.
// A user's pick asks the parent with TCN_SELCHANGING (TRUE refuses) and
// tells it with TCN_SELCHANGE; TCM_SETCURSEL tells nobody. The first tab
// inserted becomes the selection.
#include <algorithm>

#include "core/sim.h"
#include "user/comctl_internal.h"

using namespace winsim::detail;

namespace {

// Our layout: tabs 20 pixels high, each its text's width plus 12, from x 2;
// the display area inside a 4-pixel border below them.
constexpr int kTabHeight = 20;
constexpr int kTabPadding = 12;
constexpr int kBorder = 4;

struct Tab {
    std::u16string text;
    LPARAM param = 0;
    int image = -1;
};

struct TabState {
    std::vector<Tab> tabs;
    int current = -1;
    bool focused = false;
};

TabState* state(HWND h) { return controlData<TabState>(h); }

RECT tabRect(const TabState& s, int i) {
    int x = 2;
    for (int k = 0; k < i; ++k) x += int(s.tabs[size_t(k)].text.size()) * kCharWidth + kTabPadding;
    return RECT{x, 0, x + int(s.tabs[size_t(i)].text.size()) * kCharWidth + kTabPadding, kTabHeight};
}

int hitTab(const TabState& s, POINT p) {
    for (int i = 0; i < int(s.tabs.size()); ++i) {
        const RECT r = tabRect(s, i);
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return i;
    }
    return -1;
}

void adjust(RECT* r, bool larger) {
    if (larger) *r = RECT{r->left - kBorder, r->top - kTabHeight - kBorder, r->right + kBorder, r->bottom + kBorder};
    else *r = RECT{r->left + kBorder, r->top + kTabHeight + kBorder, r->right - kBorder, r->bottom - kBorder};
}

// The user's pick of tab i.
void userPick(HWND h, int i) {
    TabState* s = state(h);
    if (!s || i < 0 || i >= int(s->tabs.size()) || i == s->current) return;
    NMHDR nm{};
    if (notifyParent(h, TCN_SELCHANGING, &nm)) return;
    if (!(s = state(h)) || i >= int(s->tabs.size())) return;
    s->current = i;
    InvalidateRect(h, nullptr, TRUE);
    nm = NMHDR{};
    notifyParent(h, TCN_SELCHANGE, &nm);
}

bool readItem(const TCITEMW* it, Tab& t) {
    if (!it) return false;
    if (it->mask & TCIF_TEXT) t.text = textOf(it->pszText);
    if (it->mask & TCIF_PARAM) t.param = it->lParam;
    if (it->mask & TCIF_IMAGE) t.image = it->iImage;
    return true;
}

void paint(HWND h, TabState* s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT c{};
    GetClientRect(h, &c);
    FillRect(dc, &c, GetSysColorBrush(COLOR_BTNFACE));
    RECT body{0, kTabHeight - 2, c.right, c.bottom};
    classicEdge(dc, body, true);
    const bool enabled = IsWindowEnabled(h);
    for (int i = 0; i < int(s->tabs.size()); ++i) {
        RECT r = tabRect(*s, i);
        if (i == s->current) r = RECT{r.left - 2, r.top, r.right + 2, r.bottom};
        else r.top += 2;
        FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
        RECT edge{r.left, r.top, r.right, r.bottom + 2};  // the bottom edge hides under the body's top
        classicEdge(dc, edge, true);
        if (i == s->current) {
            RECT join{r.left + 2, r.bottom - 2, r.right - 2, r.bottom + 2};
            FillRect(dc, &join, GetSysColorBrush(COLOR_BTNFACE));
        }
        RECT t{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2};
        classicText(dc, s->tabs[size_t(i)].text, t, DT_CENTER | DT_VCENTER | DT_SINGLELINE, enabled);
        if (i == s->current && s->focused) DrawFocusRect(dc, &t);
    }
    EndPaint(h, &ps);
}

}  // namespace

namespace winsim::detail {

LRESULT CALLBACK tabControlProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    TabState* s = state(h);
    if (!s) return 0;
    if (LRESULT r = 0; commonMessage(h, m, s->focused, &r)) return r;
    const int n = int(s->tabs.size());
    switch (m) {
        case TCM_INSERTITEMW: {
            Tab t;
            if (!readItem(reinterpret_cast<const TCITEMW*>(lp), t)) return -1;
            const int at = std::clamp(int(wp), 0, n);
            s->tabs.insert(s->tabs.begin() + at, t);
            if (s->current < 0) s->current = 0;
            else if (at <= s->current) ++s->current;
            InvalidateRect(h, nullptr, TRUE);
            return at;
        }
        case TCM_SETITEMW:
            if (int(wp) < 0 || int(wp) >= n || !readItem(reinterpret_cast<const TCITEMW*>(lp), s->tabs[wp]))
                return FALSE;
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        case TCM_GETITEMW: {
            auto* it = reinterpret_cast<TCITEMW*>(lp);
            if (!it || int(wp) < 0 || int(wp) >= n) return FALSE;
            const Tab& t = s->tabs[wp];
            if (it->mask & TCIF_TEXT) copyText(t.text, it->pszText, it->cchTextMax);
            if (it->mask & TCIF_PARAM) it->lParam = t.param;
            if (it->mask & TCIF_IMAGE) it->iImage = t.image;
            return TRUE;
        }
        case TCM_GETITEMCOUNT: return n;
        case TCM_DELETEITEM:
            if (int(wp) < 0 || int(wp) >= n) return FALSE;
            s->tabs.erase(s->tabs.begin() + ptrdiff_t(wp));
            if (int(wp) < s->current || s->current >= int(s->tabs.size())) --s->current;
            if (s->current < 0 && !s->tabs.empty()) s->current = 0;
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        case TCM_DELETEALLITEMS:
            s->tabs.clear();
            s->current = -1;
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        case TCM_GETCURSEL:
        case TCM_GETCURFOCUS: return s->current;
        case TCM_SETCURSEL:
        case TCM_SETCURFOCUS: {
            if (int(wp) < 0 || int(wp) >= n) return -1;
            const int old = s->current;
            s->current = int(wp);
            InvalidateRect(h, nullptr, TRUE);
            return m == TCM_SETCURSEL ? old : 0;
        }
        case TCM_GETITEMRECT:
            if (!lp || int(wp) < 0 || int(wp) >= n) return FALSE;
            *reinterpret_cast<RECT*>(lp) = tabRect(*s, int(wp));
            return TRUE;
        case TCM_HITTEST: {
            auto* ht = reinterpret_cast<TCHITTESTINFO*>(lp);
            if (!ht) return -1;
            const int i = hitTab(*s, ht->pt);
            ht->flags = i < 0 ? TCHT_NOWHERE : TCHT_ONITEM;
            return i;
        }
        case TCM_ADJUSTRECT:
            if (lp) adjust(reinterpret_cast<RECT*>(lp), wp != 0);
            return 0;
        case WM_LBUTTONDOWN: {
            if (!IsWindowEnabled(h)) return 0;
            const int i = hitTab(*s, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
            if (i >= 0 && GetFocus() != h) SetFocus(h);
            userPick(h, i);
            return 0;
        }
        case WM_KEYDOWN:
            if (wp == VK_LEFT && s->current > 0) userPick(h, s->current - 1);
            else if (wp == VK_RIGHT) userPick(h, s->current + 1);
            return 0;
        case WM_PAINT: paint(h, s); return 0;
        default: return DefWindowProcW(h, m, wp, lp);
    }
}

bool tabControlState(HWND h, winsim::ui::ControlState& out) {
    TabState* s = state(h);
    if (!s) return false;
    out.kind = "tab";
    out.count = int(s->tabs.size());
    out.selection = s->current;
    if (s->current >= 0) out.selectedText = s->tabs[size_t(s->current)].text;
    for (size_t i = 0; i < s->tabs.size(); ++i)
        out.details.push_back("tab " + std::to_string(i) + (int(i) == s->current ? " sel " : " ") + dumpQuote(s->tabs[i].text));
    return true;
}

bool tabControlSelect(HWND h, const winsim::ui::Step& step, std::string* error) {
    TabState* s = state(h);
    if (!s) return *error = "the tab control is gone", false;
    int i = step.index;
    if (i < 0)
        for (size_t k = 0; k < s->tabs.size() && i < 0; ++k)
            if (s->tabs[k].text == step.text) i = int(k);
    if (i < 0 || i >= int(s->tabs.size())) return *error = "control " + std::to_string(step.id) + " has no such tab", false;
    const RECT r = tabRect(*s, i);
    clickAt(h, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    return true;
}

}  // namespace winsim::detail
