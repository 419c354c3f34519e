// Looking at a dialog: the state of each window as a user sees it, and the
// text dump (one line per window, in z-order, indented by parent). Control
// state is read through the class's own procedure, past any subclass.
#include <sstream>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;
using winsim::ui::ControlState;

namespace winsim::detail {
bool commonControlState(HWND window, ControlState& s);
}

namespace {

// A message to the class procedure of the window (its own state).
LRESULT ask(HWND h, UINT m, WPARAM w = 0, LPARAM l = 0) {
    Window* win = findWindow(h);
    ClassInfo c;
    if (!win || !lookupClass(win->instance, win->className, c) || !c.proc) return 0;
    return c.proc(h, m, w, l);
}

std::string quote(std::u16string_view text) {
    std::string out = "\"";
    for (char c : winsim::toUtf8(text)) {
        if (c == '"' || c == '\\') out += '\\', out += c;
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else if (c == '\t') out += "\\t";
        else out += c;
    }
    return out + "\"";
}

void listState(HWND h, ControlState& s, bool combo) {
    s.count = int(ask(h, combo ? CB_GETCOUNT : LB_GETCOUNT));
    s.selection = int(ask(h, combo ? CB_GETCURSEL : LB_GETCURSEL));
    s.top = int(ask(h, combo ? CB_GETTOPINDEX : LB_GETTOPINDEX));
    if (s.selection >= 0) {
        const LRESULT n = ask(h, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, WPARAM(s.selection));
        if (n >= 0 && n < 0x10000) {
            std::u16string t(size_t(n) + 4, u'\0');
            ask(h, combo ? CB_GETLBTEXT : LB_GETTEXT, WPARAM(s.selection), reinterpret_cast<LPARAM>(t.data()));
            t.resize(wlenBounded(t.c_str(), size_t(n)));
            s.selectedText = t;
        }
    }
    if (combo) s.dropped = ask(h, CB_GETDROPPEDSTATE) != 0;
}

}  // namespace

namespace winsim::ui {

bool controlState(HWND window, ControlState& s) {
    Window* w = findWindow(window);
    if (!w) return false;
    s = ControlState{};
    s.window = window;
    s.id = (w->style & WS_CHILD) ? int(w->id) : 0;
    s.className = w->className;
    s.text = w->text;
    s.visible = windowIsVisible(window);
    s.enabled = windowIsEnabled(window);
    s.focused = GetFocus() == window;
    s.templateId = w->templateId;
    const DWORD style = w->style;
    const std::u16string cls = w->className;
    auto is = [&](const char16_t* name) { return wequalNoCase(cls, name); };
    if (w->isDialog && sheetPages(window, &s.pages, &s.currentPage)) {
        s.kind = "sheet";
    } else if (w->isDialog) {
        s.kind = "dialog";
    } else if (is(u"Button")) {
        switch (style & BS_TYPEMASK) {
            case BS_DEFPUSHBUTTON: s.kind = "default"; break;
            case BS_CHECKBOX:
            case BS_AUTOCHECKBOX:
            case BS_3STATE:
            case BS_AUTO3STATE: s.kind = "check"; break;
            case BS_RADIOBUTTON:
            case BS_AUTORADIOBUTTON: s.kind = "radio"; break;
            case BS_GROUPBOX: s.kind = "group"; break;
            case BS_OWNERDRAW: s.kind = "owner-draw", s.ownerDraw = true; break;
            default: s.kind = "push";
        }
        if (s.kind == "check" || s.kind == "radio") s.check = int(ask(window, BM_GETCHECK));
    } else if (is(u"Static")) {
        const DWORD type = style & SS_TYPEMASK;
        s.kind = type == SS_BITMAP ? "bitmap" : type == SS_ICON ? "icon" : "text";
        if (type == SS_OWNERDRAW) s.kind = "owner-draw", s.ownerDraw = true;
        if (HANDLE img = reinterpret_cast<HANDLE>(ask(window, STM_GETIMAGE, IMAGE_BITMAP))) {
            if (const winsim::ImageInfo* info = findImage(img)) s.image = info->resourceId;
        }
    } else if (is(u"Edit")) {
        s.kind = "edit";
        if (style & ES_PASSWORD) s.text.assign(s.text.size(), u'*');
    } else if (is(u"ListBox")) {
        s.kind = "list";
        s.ownerDraw = style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE);
        listState(window, s, false);
    } else if (is(u"ComboBox")) {
        s.kind = "combo";
        s.ownerDraw = style & (CBS_OWNERDRAWFIXED | CBS_OWNERDRAWVARIABLE);
        listState(window, s, true);
    } else if (is(u"ScrollBar")) {
        s.kind = (style & SBS_VERT) ? "vscroll" : "hscroll";
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS, 0, 0, 0, 0, 0};
        ask(window, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(&si));
        s.pos = si.nPos, s.minPos = si.nMin, s.maxPos = si.nMax;
    } else if (!commonControlState(window, s)) {
        s.kind = "window";
    }
    return true;
}

std::string dumpLine(const ControlState& s) {
    std::ostringstream o;
    if (s.kind == "dialog") o << "dialog " << s.templateId;
    else if (s.kind == "sheet") o << "sheet";
    else o << s.id;
    o << " " << toUtf8(s.className) << " " << quote(s.text);
    if (s.kind != "sheet") o << " " << s.kind;
    if (s.kind == "sheet") {
        o << " pages";
        for (size_t i = 0; i < s.pages.size(); ++i) {
            if (int(i) == s.currentPage) o << " [" << s.pages[i] << "]";
            else o << " " << s.pages[i];
        }
    }
    if (s.check >= 0) o << (s.check == BST_CHECKED ? " on" : s.check == BST_INDETERMINATE ? " mixed" : " off");
    if (s.count >= 0) {
        o << " " << s.count << " items";
        if (s.selection >= 0) o << " sel " << s.selection << " " << quote(s.selectedText);
        if (s.top) o << " top " << s.top;
        if (s.dropped) o << " dropped";
    }
    if (s.kind == "vscroll" || s.kind == "hscroll" || s.kind == "trackbar") o << " pos " << s.pos << " of " << s.minPos << ".." << s.maxPos;
    if (s.image) o << " image " << s.image;
    if (s.ownerDraw && s.kind != "owner-draw") o << " owner-draw";
    if (!s.enabled) o << " disabled";
    if (!s.visible) o << " hidden";
    if (s.focused) o << " focus";
    return o.str();
}

std::string dump(HWND window) {
    std::string out;
    struct Walk {
        std::string& out;
        void operator()(HWND h, int depth) {
            ControlState s;
            if (!controlState(h, s)) return;
            out += std::string(size_t(depth) * 2, ' ') + dumpLine(s) + "\n";
            for (const std::string& d : s.details) out += std::string(size_t(depth) * 2 + 2, ' ') + "| " + d + "\n";
            Window* w = findWindow(h);
            if (!w) return;
            for (HWND c : std::vector<HWND>(w->children)) (*this)(c, depth + 1);
        }
    };
    Walk{out}(window, 0);
    return out;
}

bool parseDumpLine(std::string_view line, ControlState& s) {
    s = ControlState{};
    size_t at = 0;
    auto blanks = [&] {
        while (at < line.size() && line[at] == ' ') ++at;
    };
    auto word = [&] {
        blanks();
        size_t b = at;
        while (at < line.size() && line[at] != ' ') ++at;
        return std::string(line.substr(b, at - b));
    };
    auto text = [&](std::u16string* out) {
        blanks();
        if (at >= line.size() || line[at] != '"') return false;
        std::string t;
        for (++at; at < line.size() && line[at] != '"'; ++at) {
            char c = line[at];
            if (c == '\\' && at + 1 < line.size()) {
                const char e = line[++at];
                c = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
            }
            t += c;
        }
        if (at >= line.size()) return false;
        ++at;
        *out = fromUtf8(t);
        return true;
    };
    auto integer = [&](int* v) {
        const std::string w = word();
        char* e = nullptr;
        const long n = std::strtol(w.c_str(), &e, 10);
        if (w.empty() || *e) return false;
        *v = int(n);
        return true;
    };
    std::string first = word();
    if (first == "|") {
        blanks();
        s.kind = "detail";
        s.text = fromUtf8(std::string(line.substr(at)));
        return true;
    }
    bool dialog = first == "dialog";
    const bool sheet = first == "sheet";
    if (dialog) {
        if (!integer(&s.templateId)) return false;
    } else if (sheet) {
        s.kind = "sheet";
    } else {
        char* e = nullptr;
        s.id = int(std::strtol(first.c_str(), &e, 10));
        if (first.empty() || *e) return false;
    }
    s.className = fromUtf8(word());
    if (!text(&s.text)) return false;
    if (sheet) {
        s.visible = s.enabled = true;
        if (word() != "pages") return false;
        for (std::string w = word(); !w.empty(); w = word()) {
            const bool current = w.size() > 2 && w.front() == '[' && w.back() == ']';
            if (current) w = w.substr(1, w.size() - 2);
            if (w == "disabled" || w == "hidden" || w == "focus") {
                (w == "disabled" ? s.enabled : w == "hidden" ? s.visible : s.focused) = w == "focus";
                continue;
            }
            char* e = nullptr;
            const long n = std::strtol(w.c_str(), &e, 10);
            if (*e) return false;
            if (current) s.currentPage = int(s.pages.size());
            s.pages.push_back(int(n));
        }
        return true;
    }
    s.kind = word();
    if (s.kind.empty()) return false;
    s.visible = s.enabled = true;
    s.ownerDraw = s.kind == "owner-draw";
    for (std::string w = word(); !w.empty(); w = word()) {
        if (w == "on") s.check = BST_CHECKED;
        else if (w == "off") s.check = BST_UNCHECKED;
        else if (w == "mixed") s.check = BST_INDETERMINATE;
        else if (w == "items") continue;
        else if (w == "sel") {
            if (!integer(&s.selection) || !text(&s.selectedText)) return false;
        } else if (w == "top") {
            if (!integer(&s.top)) return false;
        } else if (w == "dropped") s.dropped = true;
        else if (w == "pos") {
            if (!integer(&s.pos) || word() != "of") return false;
            const std::string r = word();
            const size_t dots = r.find("..");
            if (dots == std::string::npos) return false;
            s.minPos = std::atoi(r.substr(0, dots).c_str());
            s.maxPos = std::atoi(r.substr(dots + 2).c_str());
        } else if (w == "image") {
            int v = 0;
            if (!integer(&v)) return false;
            s.image = uint32_t(v);
        } else if (w == "owner-draw") s.ownerDraw = true;
        else if (w == "disabled") s.enabled = false;
        else if (w == "hidden") s.visible = false;
        else if (w == "focus") s.focused = true;
        else {
            char* e = nullptr;
            const long n = std::strtol(w.c_str(), &e, 10);
            if (*e) return false;
            s.count = int(n);  // "<n> items"
        }
    }
    return true;
}

}  // namespace winsim::ui
