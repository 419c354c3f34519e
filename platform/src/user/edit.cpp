// EDIT: single and multi-line text with a selection, a limit, password and
// read-only styles, typing, backspace and the per-process clipboard. Every
// change the user makes sends EN_UPDATE and then EN_CHANGE; WM_SETTEXT does
// so on a single-line edit only, never on a multi-line one.
#include <win/wingdi.h>

#include <algorithm>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

constexpr size_t kMaxLimit = 0x7FFFFFFE;

struct EditState {
    size_t anchor = 0, caret = 0;  // the selection runs between them
    size_t limit = kMaxLimit;
    bool modified = false;
    bool focused = false;
    WCHAR passwordChar = u'*';
};

std::u16string& clipboard() {
    static auto* c = new std::u16string;
    return *c;
}

DWORD styleOf(HWND h) {
    Window* w = findWindow(h);
    return w ? w->style : 0;
}

std::u16string& textOf(HWND h) { return findWindow(h)->text; }

size_t selStart(const EditState& s) { return std::min(s.anchor, s.caret); }
size_t selEnd(const EditState& s) { return std::max(s.anchor, s.caret); }

void changed(HWND h, EditState* s) {
    s->modified = true;
    InvalidateRect(h, nullptr, TRUE);
    notifyParent(h, EN_UPDATE);
    notifyParent(h, EN_CHANGE);
}

// Replaces the selection with `in` as far as the limit allows; false when
// nothing changed.
bool replaceSelection(HWND h, EditState* s, std::u16string in) {
    const DWORD style = styleOf(h);
    if (!(style & ES_MULTILINE)) {
        const size_t nl = in.find_first_of(u"\r\n");
        if (nl != std::u16string::npos) in.resize(nl);
    }
    if (style & ES_UPPERCASE)
        for (auto& c : in) c = c >= u'a' && c <= u'z' ? WCHAR(c - 32) : c;
    if (style & ES_LOWERCASE)
        for (auto& c : in) c = c >= u'A' && c <= u'Z' ? WCHAR(c + 32) : c;
    std::u16string& t = textOf(h);
    const size_t a = selStart(*s), b = selEnd(*s);
    const size_t room = s->limit > t.size() - (b - a) ? s->limit - (t.size() - (b - a)) : 0;
    bool cut = false;
    if (in.size() > room) in.resize(room), cut = true;
    if (cut && in.empty() && a == b) {
        notifyParent(h, EN_MAXTEXT);
        return false;
    }
    t.replace(a, b - a, in);
    s->anchor = s->caret = a + in.size();
    changed(h, s);
    if (cut) notifyParent(h, EN_MAXTEXT);
    return true;
}

void typeChar(HWND h, EditState* s, WCHAR c) {
    const DWORD style = styleOf(h);
    if (style & ES_READONLY) {
        MessageBeep(0);
        return;
    }
    std::u16string& t = textOf(h);
    if (c == 8) {  // backspace
        if (selStart(*s) == selEnd(*s)) {
            if (s->caret == 0) return;
            s->anchor = s->caret - 1;
        }
        const size_t a = selStart(*s);
        t.erase(a, selEnd(*s) - a);
        s->anchor = s->caret = a;
        changed(h, s);
        return;
    }
    if (c == 22) {  // Ctrl+V
        SendMessageW(h, WM_PASTE, 0, 0);
        return;
    }
    if (c == 1) {  // Ctrl+A
        s->anchor = 0, s->caret = t.size();
        return;
    }
    if (c == u'\r' && (style & ES_MULTILINE)) {
        replaceSelection(h, s, u"\r\n");
        return;
    }
    if (c < 32) return;
    if ((style & ES_NUMBER) && (c < u'0' || c > u'9')) {
        MessageBeep(0);
        return;
    }
    replaceSelection(h, s, std::u16string(1, c));
}

void key(HWND h, EditState* s, UINT vk) {
    const size_t n = textOf(h).size();
    const bool extend = GetKeyState(VK_SHIFT) < 0;
    size_t to = s->caret;
    switch (vk) {
        case VK_LEFT: to = to ? to - 1 : 0; break;
        case VK_RIGHT: to = std::min(n, to + 1); break;
        case VK_HOME: to = 0; break;
        case VK_END: to = n; break;
        case VK_DELETE:
            if (styleOf(h) & ES_READONLY) return;
            if (selStart(*s) == selEnd(*s)) {
                if (s->caret >= n) return;
                s->anchor = s->caret + 1;
            }
            replaceSelection(h, s, u"");
            return;
        default: return;
    }
    s->caret = to;
    if (!extend) s->anchor = to;
}

// The text as shown: passwords as their character, lines split at line
// ends (a multi-line edit) with the offset of each line's first character.
struct Line {
    size_t start;
    std::u16string text;
};
std::vector<Line> shownLines(HWND h, const EditState& s) {
    const DWORD style = styleOf(h);
    std::u16string t = textOf(h);
    if (style & ES_PASSWORD) t.assign(t.size(), s.passwordChar ? s.passwordChar : u'*');
    std::vector<Line> out;
    if (!(style & ES_MULTILINE)) return {{0, t}};
    size_t begin = 0;
    for (;;) {
        const size_t nl = t.find(u'\n', begin);
        std::u16string line = t.substr(begin, nl == std::u16string::npos ? std::u16string::npos : nl - begin);
        if (!line.empty() && line.back() == u'\r') line.pop_back();
        out.push_back({begin, line});
        if (nl == std::u16string::npos) break;
        begin = nl + 1;
    }
    return out;
}

// White (or the parent's brush) behind the text; grey behind a read-only or
// disabled edit, whose text is embossed when disabled; the selection in the
// highlight colours while the edit has the focus.
void paint(HWND h, EditState* s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT c{};
    GetClientRect(h, &c);
    const bool enabled = IsWindowEnabled(h), editable = enabled && !(styleOf(h) & ES_READONLY);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(editable ? COLOR_WINDOW : COLOR_BTNFACE));
    HBRUSH back = controlBrush(h, dc, editable ? WM_CTLCOLOREDIT : WM_CTLCOLORSTATIC,
                               editable ? COLOR_WINDOW : COLOR_BTNFACE);
    FillRect(dc, &c, back);
    const bool multi = styleOf(h) & ES_MULTILINE;
    const int top = multi ? 1 : std::max(0, int(c.bottom - kCharHeight) / 2);
    const size_t a = selStart(*s), b = selEnd(*s);
    const auto lines = shownLines(h, *s);
    for (size_t i = 0; i < lines.size(); ++i) {
        const Line& l = lines[i];
        RECT r{2, top + int(i) * kCharHeight, c.right, top + int(i + 1) * kCharHeight};
        if (r.top >= c.bottom) break;
        classicText(dc, l.text, r, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX, enabled, true);
        const size_t from = std::max(a, l.start), to = std::min(b, l.start + l.text.size());
        if (!s->focused || from >= to) continue;
        RECT sel{LONG(2 + (from - l.start) * kCharWidth), r.top, LONG(2 + (to - l.start) * kCharWidth), r.bottom};
        FillRect(dc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
        const COLORREF was = SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        classicText(dc, l.text.substr(from - l.start, to - from), sel, DT_LEFT | DT_SINGLELINE | DT_NOPREFIX, true, true);
        SetTextColor(dc, was);
    }
    EndPaint(h, &ps);
}

}  // namespace

namespace winsim::ui {

void setClipboardText(std::u16string_view text) {
    std::lock_guard g(userLock());
    clipboard().assign(text);
}

std::u16string clipboardText() {
    std::lock_guard g(userLock());
    return clipboard();
}

}  // namespace winsim::ui

namespace winsim::detail {

LRESULT CALLBACK editProc(HWND h, UINT m, WPARAM wp, LPARAM lp) {
    auto* s = controlData<EditState>(h);
    if (!s) return 0;
    const DWORD style = styleOf(h);
    const size_t n = textOf(h).size();
    switch (m) {
        case WM_SETTEXT: {
            DefWindowProcW(h, m, wp, lp);
            s->anchor = s->caret = 0;
            s->modified = false;
            InvalidateRect(h, nullptr, TRUE);
            if (!(style & ES_MULTILINE)) {
                notifyParent(h, EN_UPDATE);
                notifyParent(h, EN_CHANGE);
            }
            return TRUE;
        }
        case WM_CHAR: typeChar(h, s, WCHAR(wp)); return 0;
        case WM_KEYDOWN: key(h, s, UINT(wp)); return 0;
        case WM_PASTE:
            if (style & ES_READONLY) return 0;
            replaceSelection(h, s, winsim::ui::clipboardText());
            return 0;
        case WM_COPY:
        case WM_CUT:
        case WM_CLEAR: {
            const size_t a = selStart(*s), b = selEnd(*s);
            if (m != WM_CLEAR && !(style & ES_PASSWORD)) winsim::ui::setClipboardText(textOf(h).substr(a, b - a));
            if (m != WM_COPY && a != b && !(style & ES_READONLY)) replaceSelection(h, s, u"");
            return 0;
        }
        case EM_GETSEL: {
            const size_t a = selStart(*s), b = selEnd(*s);
            if (wp) *reinterpret_cast<DWORD*>(wp) = DWORD(a);
            if (lp) *reinterpret_cast<DWORD*>(lp) = DWORD(b);
            return a > 0xFFFF || b > 0xFFFF ? -1 : MAKELONG(WORD(a), WORD(b));
        }
        case EM_SETSEL: {
            const auto start = intptr_t(int32_t(wp)), end = intptr_t(int32_t(lp));
            if (start == -1) {
                s->anchor = s->caret;  // no selection
                return 0;
            }
            const size_t a = std::min(size_t(std::max<intptr_t>(start, 0)), n);
            const size_t b = end < 0 ? n : std::min(size_t(end), n);
            s->anchor = a, s->caret = b;
            InvalidateRect(h, nullptr, FALSE);
            return 0;
        }
        case EM_REPLACESEL: {
            if (const auto* t = reinterpret_cast<const WCHAR*>(lp)) replaceSelection(h, s, wstr(t));
            return 0;
        }
        case EM_LIMITTEXT:
            s->limit = wp == 0 || wp > kMaxLimit ? kMaxLimit : size_t(wp);
            return 0;
        case EM_GETLIMITTEXT: return LRESULT(s->limit);
        case EM_GETMODIFY: return s->modified;
        case EM_SETMODIFY: s->modified = wp != 0; return 0;
        case EM_GETLINECOUNT:
            return (style & ES_MULTILINE) ? 1 + std::count(textOf(h).begin(), textOf(h).end(), u'\n') : 1;
        case EM_SETPASSWORDCHAR:
            s->passwordChar = WCHAR(wp);
            if (Window* w = findWindow(h)) w->style = wp ? (w->style | ES_PASSWORD) : (w->style & ~ES_PASSWORD);
            return 0;
        case EM_GETPASSWORDCHAR: return (style & ES_PASSWORD) ? s->passwordChar : 0;
        case EM_SETREADONLY:
            if (Window* w = findWindow(h)) w->style = wp ? (w->style | ES_READONLY) : (w->style & ~ES_READONLY);
            return TRUE;
        case WM_GETDLGCODE: {
            LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
            if (style & ES_MULTILINE) code |= DLGC_WANTALLKEYS;
            return code;
        }
        case WM_LBUTTONDOWN:
            SetFocus(h);
            if ((s = controlData<EditState>(h))) {
                const size_t at = size_t(std::max(0, GET_X_LPARAM(lp)) / kCharWidth);
                s->anchor = s->caret = std::min(at, textOf(h).size());
            }
            return 0;
        case WM_SETFOCUS:
            s->focused = true;
            InvalidateRect(h, nullptr, FALSE);
            notifyParent(h, EN_SETFOCUS);
            return 0;
        case WM_KILLFOCUS:
            s->focused = false;
            InvalidateRect(h, nullptr, FALSE);
            notifyParent(h, EN_KILLFOCUS);
            return 0;
        case WM_ENABLE: InvalidateRect(h, nullptr, TRUE); return 0;
        case WM_PAINT: paint(h, s); return 0;
        default: return DefWindowProcW(h, m, wp, lp);
    }
}

}  // namespace winsim::detail
