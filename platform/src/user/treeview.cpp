// SysTreeView32: items under items, each with a text, a parameter, a state
// (selected, expanded) and images; one selection, the caret. Selecting, by
// the user or by TVM_SELECTITEM, asks the parent with TVN_SELCHANGINGW (TRUE
// refuses) and tells it with TVN_SELCHANGEDW; deleting tells it with
// TVN_DELETEITEMW per item. Rows are the expanded items in order, indented
// by depth. Item handles are numbers, never addresses.
#include <algorithm>
#include <cstring>
#include <map>

#include "core/sim.h"
#include "user/comctl_internal.h"

using namespace winsim::detail;

namespace {

constexpr int kRowHeight = 16;
constexpr int kIndent = 16;

struct Node {
    uintptr_t parent = 0;  // 0: a root item
    std::vector<uintptr_t> children;
    std::u16string text;
    LPARAM param = 0;
    UINT state = 0;
    int image = 0, selectedImage = 0, childrenFlag = 0;
};

struct TreeState {
    std::map<uintptr_t, Node> nodes;
    std::vector<uintptr_t> roots;
    uintptr_t next = 1;
    uintptr_t caret = 0;
    int top = 0;
    bool focused = false;
};

TreeState* state(HWND h) { return controlData<TreeState>(h); }

uintptr_t key(HTREEITEM item) { return reinterpret_cast<uintptr_t>(item); }
HTREEITEM handleOf(uintptr_t k) { return reinterpret_cast<HTREEITEM>(k); }

std::vector<uintptr_t>& siblings(TreeState& s, uintptr_t parent) {
    return parent ? s.nodes[parent].children : s.roots;
}

// Rows shown (expanded branches) or every item, in order, with depths.
void walk(const TreeState& s, const std::vector<uintptr_t>& level, int depth, bool all,
          std::vector<std::pair<uintptr_t, int>>& out) {
    for (uintptr_t k : level) {
        out.emplace_back(k, depth);
        const Node& n = s.nodes.at(k);
        if (all || (n.state & TVIS_EXPANDED)) walk(s, n.children, depth + 1, all, out);
    }
}

std::vector<std::pair<uintptr_t, int>> rows(const TreeState& s, bool all = false) {
    std::vector<std::pair<uintptr_t, int>> out;
    walk(s, s.roots, 0, all, out);
    return out;
}

int rowOf(const TreeState& s, uintptr_t k) {
    const auto r = rows(s);
    for (size_t i = 0; i < r.size(); ++i)
        if (r[i].first == k) return int(i);
    return -1;
}

TVITEMW record(const TreeState& s, uintptr_t k) {
    TVITEMW it{};
    if (!k) return it;
    const Node& n = s.nodes.at(k);
    it.mask = TVIF_HANDLE | TVIF_STATE | TVIF_PARAM;
    it.hItem = handleOf(k);
    it.state = n.state;
    it.stateMask = 0xFFFF;
    it.lParam = n.param;
    return it;
}

// Moves the caret to `k` (0: none): TVN_SELCHANGINGW, then TVN_SELCHANGEDW.
bool select(HWND h, uintptr_t k, UINT action) {
    TreeState* s = state(h);
    if (!s || s->caret == k || (k && !s->nodes.count(k))) return s && s->caret == k;
    NMTREEVIEWW nm{};
    nm.action = action;
    nm.itemOld = record(*s, s->caret);
    nm.itemNew = record(*s, k);
    if (notifyParent(h, TVN_SELCHANGINGW, &nm.hdr)) return false;
    if (!(s = state(h)) || (k && !s->nodes.count(k))) return false;
    const uintptr_t old = s->caret;
    if (old && s->nodes.count(old)) s->nodes[old].state &= ~UINT(TVIS_SELECTED);
    s->caret = k;
    if (k) {
        s->nodes[k].state |= TVIS_SELECTED;
        // The new caret's branch opens so that it shows.
        for (uintptr_t p = s->nodes[k].parent; p; p = s->nodes[p].parent) s->nodes[p].state |= TVIS_EXPANDED;
    }
    InvalidateRect(h, nullptr, TRUE);
    nm = NMTREEVIEWW{};
    nm.action = action;
    nm.itemOld = record(*s, old && s->nodes.count(old) ? old : 0);
    nm.itemNew = record(*s, k);
    notifyParent(h, TVN_SELCHANGEDW, &nm.hdr);
    return true;
}

uintptr_t insert(HWND h, TreeState* s, const TVINSERTSTRUCTW* is) {
    if (!is) return 0;
    uintptr_t parent = key(is->hParent);
    if (is->hParent == TVI_ROOT || !is->hParent) parent = 0;
    else if (!s->nodes.count(parent)) return 0;
    Node n;
    n.parent = parent;
    const TVITEMW& it = is->item;
    if (it.mask & TVIF_TEXT) n.text = textOf(it.pszText);
    if (it.mask & TVIF_PARAM) n.param = it.lParam;
    if (it.mask & TVIF_STATE) n.state = (it.state & it.stateMask) & ~UINT(TVIS_SELECTED);
    if (it.mask & TVIF_IMAGE) n.image = it.iImage;
    if (it.mask & TVIF_SELECTEDIMAGE) n.selectedImage = it.iSelectedImage;
    if (it.mask & TVIF_CHILDREN) n.childrenFlag = it.cChildren;
    const uintptr_t k = s->next++;
    s->nodes.emplace(k, n);
    std::vector<uintptr_t>& level = siblings(*s, parent);
    const HTREEITEM after = is->hInsertAfter;
    auto at = level.end();
    if (after == TVI_FIRST) at = level.begin();
    else if (after == TVI_SORT) {
        const std::u16string& text = s->nodes[k].text;
        at = std::find_if(level.begin(), level.end(), [&](uintptr_t o) { return s->nodes[o].text > text; });
    } else if (after != TVI_LAST && after) {
        auto f = std::find(level.begin(), level.end(), key(after));
        if (f != level.end()) at = f + 1;
    }
    level.insert(at, k);
    InvalidateRect(h, nullptr, TRUE);
    return k;
}

// Deletes `k` and everything under it, children first, telling the parent.
void erase(HWND h, uintptr_t k) {
    TreeState* s = state(h);
    if (!s || !s->nodes.count(k)) return;
    for (uintptr_t c : std::vector<uintptr_t>(s->nodes[k].children)) erase(h, c);
    if (!(s = state(h)) || !s->nodes.count(k)) return;
    NMTREEVIEWW nm{};
    nm.itemOld = record(*s, k);
    notifyParent(h, TVN_DELETEITEMW, &nm.hdr);
    if (!(s = state(h)) || !s->nodes.count(k)) return;
    auto& level = siblings(*s, s->nodes[k].parent);
    level.erase(std::remove(level.begin(), level.end(), k), level.end());
    s->nodes.erase(k);
    if (s->caret == k) s->caret = 0;  // the selection goes with the item, unannounced
    InvalidateRect(h, nullptr, TRUE);
}

uintptr_t neighbour(const TreeState& s, uintptr_t k, UINT flag) {
    if (flag == TVGN_ROOT) return s.roots.empty() ? 0 : s.roots.front();
    if (flag == TVGN_CARET) return s.caret;
    if (flag == TVGN_CHILD && (!k || k == key(TVI_ROOT))) return s.roots.empty() ? 0 : s.roots.front();
    auto it = s.nodes.find(k);
    if (it == s.nodes.end()) return 0;
    const Node& n = it->second;
    if (flag == TVGN_PARENT) return n.parent;
    if (flag == TVGN_CHILD) return n.children.empty() ? 0 : n.children.front();
    const auto& level = n.parent ? s.nodes.at(n.parent).children : s.roots;
    const auto at = std::find(level.begin(), level.end(), k);
    if (flag == TVGN_NEXT) return at + 1 < level.end() ? *(at + 1) : 0;
    if (flag == TVGN_PREVIOUS) return at > level.begin() ? *(at - 1) : 0;
    return 0;
}

RECT rowRect(HWND h, const TreeState& s, int row) {
    RECT c{};
    GetClientRect(h, &c);
    const int top = (row - s.top) * kRowHeight;
    return RECT{0, top, c.right, top + kRowHeight};
}

void paint(HWND h, TreeState* s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT c{};
    GetClientRect(h, &c);
    FillRect(dc, &c, GetSysColorBrush(COLOR_WINDOW));
    const auto r = rows(*s);
    SetBkMode(dc, TRANSPARENT);
    for (int i = s->top; i < int(r.size()); ++i) {
        const RECT row = rowRect(h, *s, i);
        if (row.top >= c.bottom) break;
        const Node& n = s->nodes.at(r[size_t(i)].first);
        RECT t{row.left + 4 + r[size_t(i)].second * kIndent, row.top,
               row.left + 8 + r[size_t(i)].second * kIndent + int(n.text.size()) * kCharWidth, row.bottom};
        const bool sel = r[size_t(i)].first == s->caret;
        if (sel) FillRect(dc, &t, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(sel ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT text{t.left + 2, t.top, t.right, t.bottom};
        DrawTextW(dc, n.text.c_str(), int(n.text.size()), &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
        if (sel && s->focused) DrawFocusRect(dc, &t);
    }
    EndPaint(h, &ps);
}

LRESULT keyDown(HWND h, TreeState* s, UINT vk) {
    const auto r = rows(*s);
    if (r.empty()) return 0;
    int at = std::max(0, rowOf(*s, s->caret));
    switch (vk) {
        case VK_UP: at = std::max(0, at - 1); break;
        case VK_DOWN: at = std::min(int(r.size()) - 1, at + 1); break;
        case VK_HOME: at = 0; break;
        case VK_END: at = int(r.size()) - 1; break;
        default: return 0;
    }
    select(h, r[size_t(at)].first, TVC_BYKEYBOARD);
    return 0;
}

}  // namespace

namespace winsim::detail {

LRESULT CALLBACK treeViewProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    TreeState* s = state(h);
    if (!s) return 0;
    if (LRESULT r = 0; commonMessage(h, m, s->focused, &r)) return r;
    switch (m) {
        case TVM_INSERTITEMW: return LRESULT(insert(h, s, reinterpret_cast<const TVINSERTSTRUCTW*>(lp)));
        case TVM_DELETEITEM: {
            const HTREEITEM item = reinterpret_cast<HTREEITEM>(lp);
            if (item == TVI_ROOT || !item) {
                for (uintptr_t k : std::vector<uintptr_t>(s->roots)) erase(h, k);
                return TRUE;
            }
            if (!s->nodes.count(key(item))) return FALSE;
            erase(h, key(item));
            return TRUE;
        }
        case TVM_GETCOUNT: return LRESULT(s->nodes.size());
        case TVM_GETNEXTITEM: return LRESULT(neighbour(*s, uintptr_t(lp), UINT(wp)));
        case TVM_SELECTITEM:
            if (wp != TVGN_CARET) return FALSE;
            if (lp && !s->nodes.count(uintptr_t(lp))) return FALSE;
            return select(h, uintptr_t(lp), TVC_UNKNOWN) ? TRUE : FALSE;
        case TVM_EXPAND: {
            auto it = s->nodes.find(uintptr_t(lp));
            if (it == s->nodes.end()) return FALSE;
            const UINT code = UINT(wp) & 3;
            if (code == TVE_EXPAND) it->second.state |= TVIS_EXPANDED;
            else if (code == TVE_COLLAPSE) it->second.state &= ~UINT(TVIS_EXPANDED);
            else if (code == TVE_TOGGLE) it->second.state ^= TVIS_EXPANDED;
            InvalidateRect(h, nullptr, TRUE);
            return TRUE;
        }
        case TVM_GETITEMW:
        case TVM_SETITEMW: {
            auto* it = reinterpret_cast<TVITEMW*>(lp);
            if (!it) return FALSE;
            auto f = s->nodes.find(key(it->hItem));
            if (f == s->nodes.end()) return FALSE;
            Node& n = f->second;
            if (m == TVM_GETITEMW) {
                if (it->mask & TVIF_TEXT) copyText(n.text, it->pszText, it->cchTextMax);
                if (it->mask & TVIF_PARAM) it->lParam = n.param;
                if (it->mask & TVIF_STATE) it->state = n.state & it->stateMask;
                if (it->mask & TVIF_IMAGE) it->iImage = n.image;
                if (it->mask & TVIF_SELECTEDIMAGE) it->iSelectedImage = n.selectedImage;
                if (it->mask & TVIF_CHILDREN) it->cChildren = n.children.empty() ? n.childrenFlag : 1;
            } else {
                if (it->mask & TVIF_TEXT) n.text = textOf(it->pszText);
                if (it->mask & TVIF_PARAM) n.param = it->lParam;
                // The selection moves only through TVM_SELECTITEM.
                if (it->mask & TVIF_STATE)
                    n.state = (n.state & ~(it->stateMask & ~UINT(TVIS_SELECTED))) |
                              (it->state & it->stateMask & ~UINT(TVIS_SELECTED));
                if (it->mask & TVIF_IMAGE) n.image = it->iImage;
                if (it->mask & TVIF_SELECTEDIMAGE) n.selectedImage = it->iSelectedImage;
                if (it->mask & TVIF_CHILDREN) n.childrenFlag = it->cChildren;
                InvalidateRect(h, nullptr, TRUE);
            }
            return TRUE;
        }
        case TVM_GETITEMRECT: {
            auto* r = reinterpret_cast<RECT*>(lp);
            if (!r) return FALSE;
            uintptr_t k = 0;
            std::memcpy(&k, r, sizeof k);  // the item's handle arrives in the rectangle
            const int row = rowOf(*s, k);
            if (row < 0) return FALSE;
            *r = rowRect(h, *s, row);
            return TRUE;
        }
        case WM_LBUTTONDOWN: {
            if (!IsWindowEnabled(h)) return 0;
            if (GetFocus() != h) SetFocus(h);
            if (!(s = state(h))) return 0;
            const auto r = rows(*s);
            const int row = s->top + GET_Y_LPARAM(lp) / kRowHeight;
            if (GET_Y_LPARAM(lp) >= 0 && row < int(r.size())) select(h, r[size_t(row)].first, TVC_BYMOUSE);
            return 0;
        }
        case WM_KEYDOWN: return keyDown(h, s, UINT(wp));
        case WM_PAINT: paint(h, s); return 0;
        default: return DefWindowProcW(h, m, wp, lp);
    }
}

bool treeViewState(HWND h, winsim::ui::ControlState& out) {
    TreeState* s = state(h);
    if (!s) return false;
    out.kind = "tree";
    out.count = int(s->nodes.size());
    out.selection = rowOf(*s, s->caret);
    if (s->caret) out.selectedText = s->nodes.at(s->caret).text;
    for (const auto& [k, depth] : rows(*s, true)) {
        const Node& n = s->nodes.at(k);
        std::string line = std::string(size_t(depth) * 2, ' ') + "item " + dumpQuote(n.text);
        if (k == s->caret) line += " sel";
        if (!n.children.empty()) line += (n.state & TVIS_EXPANDED) ? " expanded" : " collapsed";
        out.details.push_back(line);
    }
    return true;
}

// By text (the first item in order that has it) or by row (#N, of the rows
// shown); the branch opens first when the item is hidden.
bool treeViewSelect(HWND h, const winsim::ui::Step& step, std::string* error) {
    TreeState* s = state(h);
    if (!s) return *error = "the tree is gone", false;
    uintptr_t k = 0;
    if (step.index >= 0) {
        const auto r = rows(*s);
        if (step.index < int(r.size())) k = r[size_t(step.index)].first;
    } else {
        for (const auto& [item, depth] : rows(*s, true))
            if (!k && s->nodes.at(item).text == step.text) k = item;
    }
    if (!k) return *error = "control " + std::to_string(step.id) + " has no such item", false;
    for (uintptr_t p = s->nodes[k].parent; p; p = s->nodes[p].parent) s->nodes[p].state |= TVIS_EXPANDED;
    const int row = rowOf(*s, k);
    RECT c{};
    GetClientRect(h, &c);
    if ((row - s->top + 1) * kRowHeight > c.bottom || row < s->top) s->top = row;
    const RECT r = rowRect(h, *s, row);
    clickAt(h, POINT{8, (r.top + r.bottom) / 2});
    return true;
}

}  // namespace winsim::detail
