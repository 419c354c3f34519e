// The UI script: its parser, the steps the idle points take, the stack of
// modal loops, the failures of a run and the message budget. Steps act as a
// user would: mouse events at a control's centre (hit test, cursor, capture),
// keys to the focus through the dialog manager.
#include <chrono>
#include <deque>
#include <thread>

#include "core/clock.h"
#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;
using winsim::ui::Step;

namespace winsim::detail {
bool scrollThumbPoints(HWND h, int pos, POINT* from, POINT* to);
bool commonControlStep(HWND h, const winsim::ui::Step& step, std::string* error, bool* handled);
bool fileDialogStep(HWND top, const winsim::ui::Step& step, std::string* error, bool* handled);
}

namespace {

struct ScriptState {
    std::deque<Step> steps;
    bool active = false;
    std::vector<std::string> failures;
    std::vector<ModalEntry> modal;
    size_t budget = 100000;
    size_t spent = 0;
    std::function<void(const std::string&)> dumpHandler;
    winsim::ui::PictureWriter pictureWriter;
    std::vector<std::string> dumps;
};
ScriptState& st() {
    static auto* s = new ScriptState;
    return *s;
}

// ---- Parsing ----

struct Lexer {
    std::string_view s;
    size_t at = 0;
    void blanks() {
        while (at < s.size() && (s[at] == ' ' || s[at] == '\t')) ++at;
    }
    bool end() {
        blanks();
        return at >= s.size();
    }
    bool word(std::string& out) {
        blanks();
        size_t b = at;
        while (at < s.size() && s[at] != ' ' && s[at] != '\t' && s[at] != '"') ++at;
        out.assign(s.substr(b, at - b));
        return !out.empty();
    }
    bool quoted(std::string& out, std::string* error) {
        blanks();
        if (at >= s.size() || s[at] != '"') return false;
        ++at;
        out.clear();
        while (at < s.size() && s[at] != '"') {
            char c = s[at++];
            if (c == '\\' && at < s.size()) {
                const char e = s[at++];
                c = e == 'n' ? '\n' : e == 'r' ? '\r' : e == 't' ? '\t' : e;
            }
            out += c;
        }
        if (at >= s.size()) return *error = "a text without its closing quote", false;
        ++at;
        return true;
    }
};

bool number(const std::string& w, long* out) {
    if (w.empty()) return false;
    char* e = nullptr;
    const long v = std::strtol(w.c_str(), &e, 0);
    if (*e) return false;
    *out = v;
    return true;
}

bool parseStatement(std::string_view text, Step& step, std::string* error) {
    Lexer lx{text};
    step = Step{};
    step.source = std::string(text);
    if (!lx.word(step.verb)) return *error = "empty statement", false;
    const std::string& v = step.verb;
    auto needId = [&]() {
        std::string w;
        long n = 0;
        if (!lx.word(w) || !number(w, &n) || n < 0 || n > 0xFFFF) return *error = v + " needs an id", false;
        step.id = int(n);
        return true;
    };
    std::string w, q;
    if (v == "click" || v == "check" || v == "uncheck" || v == "hover" || v == "page") {
        if (!needId()) return false;
    } else if (v == "select") {
        if (!needId()) return false;
        if (lx.quoted(q, error)) {
            step.text = winsim::fromUtf8(q);
        } else if (!error->empty()) {
            return false;
        } else if (lx.word(w) && w.size() > 1 && w[0] == '#' && number(w.substr(1), &step.number) &&
                   step.number >= 0) {
            step.index = int(step.number);
        } else {
            return *error = "select needs a \"text\" or #index", false;
        }
    } else if (v == "type") {
        if (!needId()) return false;
        if (!lx.quoted(q, error)) return error->empty() ? (*error = "type needs a \"text\"", false) : false;
        step.text = winsim::fromUtf8(q);
    } else if (v == "key" || v == "answer") {
        if (!lx.word(step.word)) return *error = v + " needs a name", false;
    } else if (v == "scroll") {
        if (!needId()) return false;
        if (!lx.word(step.word)) return *error = "scroll needs lineup, linedown, pageup, pagedown or thumb N", false;
        if (step.word == "thumb" && (!lx.word(w) || !number(w, &step.number)))
            return *error = "scroll thumb needs a position", false;
    } else if (v == "wait") {
        if (!lx.word(w) || !number(w, &step.number) || step.number < 0) return *error = "wait needs milliseconds", false;
    } else if (v == "expect") {
        if (!lx.word(w) || w != "dialog") return *error = "expect needs 'dialog ID'", false;
        if (!needId()) return false;
    } else if (v == "png") {
        if (lx.quoted(q, error)) step.word = q;
        else if (!lx.word(step.word)) return *error = "png needs a file", false;
    } else if (v == "folder" || v == "file") {
        // File dialogs: a folder to move into, a name for the name field.
        if (lx.quoted(q, error)) step.text = winsim::fromUtf8(q);
        else if (!error->empty()) return false;
        else if (lx.word(w)) step.text = winsim::fromUtf8(w);
        else return *error = v + " needs a name", false;
    } else if (v == "press") {
        if (!needId()) return false;
    } else if (v != "dump" && v != "ok" && v != "cancel" && v != "apply") {
        return *error = "unknown statement '" + v + "'", false;
    }
    if (!lx.end()) return *error = "'" + std::string(text.substr(lx.at)) + "' after the statement", false;
    return true;
}

// ---- Running ----

std::string controlName(int id) { return "control " + std::to_string(id); }

// The centre of a window in screen coordinates.
POINT centre(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

POINT toScreen(HWND h, POINT p) {
    ClientToScreen(h, &p);
    return p;
}

void mouseClick(POINT p) {
    queueInput({InputKind::MouseMove, p, 0});
    queueInput({InputKind::LeftDown, p, 0});
    queueInput({InputKind::LeftUp, p, 0});
}

bool keyCode(const std::string& name, UINT* vk, bool* shift) {
    static const struct {
        const char* name;
        UINT vk;
    } kKeys[] = {{"UP", VK_UP},       {"DOWN", VK_DOWN},     {"LEFT", VK_LEFT},      {"RIGHT", VK_RIGHT},
                 {"TAB", VK_TAB},     {"ENTER", VK_RETURN},  {"RETURN", VK_RETURN},  {"ESC", VK_ESCAPE},
                 {"ESCAPE", VK_ESCAPE}, {"SPACE", VK_SPACE}, {"HOME", VK_HOME},      {"END", VK_END},
                 {"PGUP", VK_PRIOR},  {"PRIOR", VK_PRIOR},   {"PGDN", VK_NEXT},      {"NEXT", VK_NEXT},
                 {"BACK", VK_BACK},   {"BACKSPACE", VK_BACK}, {"DELETE", VK_DELETE}, {"F1", VK_F1},
                 {"F4", VK_F4}};
    std::string n = name;
    for (auto& c : n) c = char(std::toupper(static_cast<unsigned char>(c)));
    *shift = n.rfind("SHIFT+", 0) == 0;
    if (*shift) n = n.substr(6);
    for (const auto& k : kKeys)
        if (n == k.name) return *vk = k.vk, true;
    if (n.size() == 1 && std::isalnum(static_cast<unsigned char>(n[0]))) return *vk = UINT(n[0]), true;
    return false;
}

bool answerCode(const std::string& name, int* out) {
    static const struct {
        const char* name;
        int id;
    } kAnswers[] = {{"OK", IDOK},       {"CANCEL", IDCANCEL}, {"ABORT", IDABORT},       {"RETRY", IDRETRY},
                    {"IGNORE", IDIGNORE}, {"YES", IDYES},     {"NO", IDNO},             {"CLOSE", IDCLOSE},
                    {"HELP", IDHELP},   {"TRYAGAIN", IDTRYAGAIN}, {"CONTINUE", IDCONTINUE}};
    std::string n = name;
    for (auto& c : n) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (n.rfind("ID", 0) == 0 && n != "IDLE") n = n.substr(2);
    for (const auto& a : kAnswers)
        if (n == a.name) return *out = a.id, true;
    long v = 0;
    if (number(name, &v) && v > 0) return *out = int(v), true;
    return false;
}

bool selectInList(HWND c, const Step& step, std::string* error) {
    int i = step.index;
    if (i < 0) i = int(SendMessageW(c, LB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(step.text.c_str())));
    if (i < 0 || i >= SendMessageW(c, LB_GETCOUNT, 0, 0))
        return *error = controlName(step.id) + " has no such item", false;
    RECT r{};
    RECT client{};
    GetClientRect(c, &client);
    SendMessageW(c, LB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
    if (r.top < 0 || r.bottom > client.bottom || r.left < 0 || r.right > client.right) {
        // The user scrolls the item into sight first.
        SendMessageW(c, LB_SETTOPINDEX, WPARAM(i), 0);
        SendMessageW(c, LB_GETITEMRECT, WPARAM(i), reinterpret_cast<LPARAM>(&r));
    }
    mouseClick(toScreen(c, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}));
    return true;
}

// A combo: the field is clicked now, the item at the next idle point, once
// the list has dropped.
bool selectInCombo(HWND c, const Step& step, std::string* error) {
    int i = step.index;
    if (i < 0)
        i = int(SendMessageW(c, CB_FINDSTRINGEXACT, WPARAM(-1), reinterpret_cast<LPARAM>(step.text.c_str())));
    if (i < 0 || i >= SendMessageW(c, CB_GETCOUNT, 0, 0))
        return *error = controlName(step.id) + " has no such item", false;
    if (!SendMessageW(c, CB_GETDROPPEDSTATE, 0, 0)) mouseClick(centre(c));
    Step pick = step;
    pick.verb = "pick";
    pick.index = i;
    st().steps.push_front(pick);
    return true;
}

bool pickDropped(HWND c, const Step& step, std::string* error) {
    if (!SendMessageW(c, CB_GETDROPPEDSTATE, 0, 0)) return *error = controlName(step.id) + " did not open", false;
    RECT dropped{}, field{};
    SendMessageW(c, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    GetWindowRect(c, &field);
    const int h = std::max<int>(1, int(SendMessageW(c, CB_GETITEMHEIGHT, 0, 0)));
    const int rows = std::max<int>(1, (dropped.bottom - field.bottom) / h);
    int top = int(SendMessageW(c, CB_GETTOPINDEX, 0, 0));
    if (step.index < top || step.index >= top + rows) {
        top = std::max(0, step.index - rows + 1);
        SendMessageW(c, CB_SETTOPINDEX, WPARAM(top), 0);
    }
    const POINT p{(field.left + field.right) / 2, field.bottom + (step.index - top) * h + h / 2};
    queueInput({InputKind::MouseMove, p, 0});
    queueInput({InputKind::LeftDown, p, 0});
    queueInput({InputKind::LeftUp, p, 0});
    return true;
}

bool scroll(HWND c, const Step& step, std::string* error) {
    WCHAR cls[16] = {};
    GetClassNameW(c, cls, 16);
    if (std::u16string(cls) != u"ScrollBar") return *error = controlName(step.id) + " is no scroll bar", false;
    const bool vertical = GetWindowLongPtrW(c, GWL_STYLE) & SBS_VERT;
    RECT r{};
    GetClientRect(c, &r);
    const int len = vertical ? r.bottom : r.right;
    const int arrow = std::min(GetSystemMetrics(SM_CYVSCROLL), len / 2);
    auto at = [&](int along) {
        return toScreen(c, vertical ? POINT{r.right / 2, along} : POINT{along, r.bottom / 2});
    };
    POINT from{}, to{};
    scrollThumbPoints(c, int(step.number), &from, &to);
    const int thumbMid = vertical ? from.y : from.x;
    const std::string& a = step.word;
    if (a == "lineup" || a == "lineleft") mouseClick(at(arrow / 2));
    else if (a == "linedown" || a == "lineright") mouseClick(at(len - 1 - arrow / 2));
    else if (a == "pageup" || a == "pageleft" || a == "pagedown" || a == "pageright") {
        const bool up = a == "pageup" || a == "pageleft";
        const int spot = up ? (arrow + thumbMid) / 2 - 4 : (thumbMid + len - arrow) / 2 + 4;
        if (up ? spot < arrow : spot >= len - arrow)
            return *error = controlName(step.id) + " has no page area on that side", false;
        mouseClick(at(spot));
    } else if (a == "thumb") {
        queueInput({InputKind::MouseMove, toScreen(c, from), 0});
        queueInput({InputKind::LeftDown, toScreen(c, from), 0});
        queueInput({InputKind::MouseMove, toScreen(c, to), 0});
        queueInput({InputKind::LeftUp, toScreen(c, to), 0});
    } else {
        return *error = "unknown scroll action '" + a + "'", false;
    }
    return true;
}

// The first visible window with that id under `root`, nearest first (a
// sheet's frame buttons, then the page shown).
HWND visibleControl(HWND root, int id) {
    Window* w = findWindow(root);
    if (!w) return nullptr;
    for (HWND c : std::vector<HWND>(w->children))
        if (Window* cw = findWindow(c); cw && cw->id == id && (cw->style & WS_VISIBLE)) return c;
    for (HWND c : std::vector<HWND>(w->children))
        if (Window* cw = findWindow(c); cw && (cw->style & WS_VISIBLE))
            if (HWND deeper = visibleControl(c, id)) return deeper;
    return nullptr;
}

bool press(HWND top, int id) {
    HWND b = winsim::ui::findControl(top, id);
    if (b && IsWindowVisible(b) && IsWindowEnabled(b)) {
        mouseClick(centre(b));
        return true;
    }
    PostMessageW(top, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(b));
    return true;
}

bool execute(const Step& step, std::string* error) {
    const std::string& v = step.verb;
    if (v == "wait") {
        if (clockIsVirtual()) winsim::advanceClock(uint64_t(step.number));
        else std::this_thread::sleep_for(std::chrono::milliseconds(step.number));
        return true;
    }
    if (v == "answer") return *error = "no message box is open", false;
    HWND top = winsim::ui::topWindow();
    if (!top) return *error = "no window is open", false;
    const bool sheet = isSheetFrame(top);
    if ((v == "page" || v == "apply") && !sheet) return *error = "no property sheet is open", false;
    if (v == "page") {
        POINT p{};
        if (!sheetTabPoint(top, step.id, &p)) return *error = "the sheet has no page " + std::to_string(step.id), false;
        mouseClick(p);
        return true;
    }
    if (v == "apply") {
        HWND b = sheetButton(top, 0x3021);
        if (!b) return *error = "the sheet has no Apply button", false;
        if (!IsWindowEnabled(b)) return *error = "the sheet's Apply button is disabled", false;
        mouseClick(centre(b));
        return true;
    }
    if (sheet && (v == "ok" || v == "cancel")) {
        if (HWND b = sheetButton(top, v == "ok" ? IDOK : IDCANCEL); b && IsWindowEnabled(b)) {
            mouseClick(centre(b));
            return true;
        }
    }
    if (v == "png") {
        winsim::ui::Picture pic;
        if (!winsim::ui::render(top, pic)) return *error = "the window cannot be drawn", false;
        const auto writer = st().pictureWriter;
        if (!writer) return *error = "nothing writes pictures here", false;
        return writer(step.word, pic, error);
    }
    Window* tw = findWindow(top);
    if (v == "expect") {
        if (tw->templateId != step.id)
            return *error = "the innermost dialog is " + std::to_string(tw->templateId), false;
        return true;
    }
    if (v == "dump") {
        const std::string d = winsim::ui::dump(top);
        auto& s = st();
        if (s.dumpHandler) s.dumpHandler(d);
        else s.dumps.push_back(d);
        return true;
    }
    if (v == "folder" || v == "file") {
        bool handled = false;
        return fileDialogStep(top, step, error, &handled);
    }
    if (v == "press") return press(top, step.id);
    if (v == "ok") return press(top, IDOK);
    if (v == "cancel") return press(top, IDCANCEL);
    if (v == "key") {
        UINT vk = 0;
        bool shift = false;
        if (!keyCode(step.word, &vk, &shift)) return *error = "unknown key '" + step.word + "'", false;
        if (shift) setKeyDown(VK_SHIFT, true);
        queueInput({InputKind::KeyDown, {}, vk});
        queueInput({InputKind::KeyUp, {}, vk});
        if (shift) st().steps.push_front(Step{"release-shift", 0, {}, -1, 0, {}, step.source});
        return true;
    }
    if (v == "release-shift") {
        setKeyDown(VK_SHIFT, false);
        return true;
    }
    HWND c = visibleControl(top, step.id);
    if (!c) c = winsim::ui::findControl(top, step.id);
    if (!c) return *error = "dialog " + std::to_string(tw->templateId) + " has no " + controlName(step.id), false;
    bool common = false;
    if (const bool done = commonControlStep(c, step, error, &common); common) return done;
    if (v == "click") mouseClick(centre(c));
    else if (v == "hover") queueInput({InputKind::MouseMove, centre(c), 0});
    else if (v == "check" || v == "uncheck") {
        const bool want = v == "check";
        if ((SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED) != want) mouseClick(centre(c));
    } else if (v == "type") {
        SetFocus(c);
        SendMessageW(c, EM_SETSEL, 0, -1);
        for (char16_t ch : step.text) queueInput({InputKind::Char, {}, UINT(ch)});
    } else if (v == "select" || v == "pick") {
        WCHAR cls[16] = {};
        GetClassNameW(c, cls, 16);
        const std::u16string name(cls);
        if (v == "pick") return pickDropped(c, step, error);
        if (name == u"ListBox") return selectInList(c, step, error);
        if (name == u"ComboBox") return selectInCombo(c, step, error);
        return *error = controlName(step.id) + " is no list", false;
    } else if (v == "scroll") {
        return scroll(c, step, error);
    } else {
        return *error = "unknown statement '" + v + "'", false;
    }
    return true;
}

}  // namespace

namespace winsim::detail {

bool runIdleStep() {
    auto& s = st();
    if (s.steps.empty()) return false;
    const Step step = s.steps.front();
    s.steps.pop_front();
    std::string error;
    if (!execute(step, &error)) recordFailure(step.source + ": " + error);
    return true;
}

void recordFailure(std::string text) {
    std::lock_guard g(userLock());
    st().failures.push_back(std::move(text));
}

bool chargeBudget() {
    auto& s = st();
    if (++s.spent <= s.budget) return true;
    s.spent = 0;
    return false;
}

void resetBudget() { st().spent = 0; }

void pushModal(ModalEntry e) { st().modal.push_back(std::move(e)); }

void popModal() {
    if (!st().modal.empty()) st().modal.pop_back();
}

std::vector<ModalEntry> modalStack() { return st().modal; }

bool scriptAnswer(int* answer) {
    auto& s = st();
    if (s.steps.empty() || s.steps.front().verb != "answer") return false;
    const Step step = s.steps.front();
    s.steps.pop_front();
    if (!answerCode(step.word, answer)) {
        recordFailure(step.source + ": unknown answer '" + step.word + "'");
        return false;
    }
    return true;
}

bool scriptRunning() { return st().active; }

}  // namespace winsim::detail

namespace winsim::ui {

bool parseScript(std::string_view text, std::vector<Step>& out, std::string* error) {
    std::string scratch;
    if (!error) error = &scratch;
    out.clear();
    size_t lineNo = 1;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = at;
        bool inQuote = false;
        while (end < text.size() && (inQuote || (text[end] != ';' && text[end] != '\n'))) {
            if (text[end] == '\\' && inQuote) ++end;
            else if (text[end] == '"') inQuote = !inQuote;
            if (end < text.size()) ++end;
        }
        std::string_view stmt = text.substr(at, end - at);
        while (!stmt.empty() && (stmt.front() == ' ' || stmt.front() == '\t' || stmt.front() == '\r'))
            stmt.remove_prefix(1);
        while (!stmt.empty() && (stmt.back() == ' ' || stmt.back() == '\t' || stmt.back() == '\r')) stmt.remove_suffix(1);
        if (!stmt.empty() && stmt.front() != '#') {
            Step step;
            error->clear();
            if (!parseStatement(stmt, step, error)) {
                *error = "line " + std::to_string(lineNo) + ": " + *error + " in '" + std::string(stmt) + "'";
                return false;
            }
            out.push_back(std::move(step));
        }
        if (end < text.size() && text[end] == '\n') ++lineNo;
        at = end + 1;
    }
    return true;
}

bool queueScript(std::string_view text, std::string* error) {
    std::vector<Step> steps;
    if (!parseScript(text, steps, error)) return false;
    queueSteps(steps);
    return true;
}

void queueSteps(const std::vector<Step>& steps) {
    auto& s = st();
    for (const auto& step : steps) s.steps.push_back(step);
    s.active = true;
    noteActivity();
}

size_t pendingSteps() { return st().steps.size(); }

bool runStep(const Step& step, std::string* error) {
    std::string scratch;
    return execute(step, error ? error : &scratch);
}

std::vector<std::string> failures() {
    std::lock_guard g(userLock());
    return st().failures;
}

void setMessageBudget(size_t messages) { st().budget = messages ? messages : 1; }

void setDumpHandler(std::function<void(const std::string&)> handler) { st().dumpHandler = std::move(handler); }

std::vector<std::string> dumps() { return st().dumps; }

void setPictureWriter(PictureWriter writer) { st().pictureWriter = std::move(writer); }

HWND topWindow() {
    auto& m = st().modal;
    for (auto it = m.rbegin(); it != m.rend(); ++it)
        if (it->window && IsWindow(it->window)) return it->window;
    for (HWND h : topLevelWindows())
        if (IsWindowVisible(h)) return h;
    auto top = topLevelWindows();
    return top.empty() ? nullptr : top.front();
}

HWND findControl(HWND root, int id) {
    Window* w = findWindow(root);
    if (!w) return nullptr;
    for (HWND c : std::vector<HWND>(w->children)) {
        Window* cw = findWindow(c);
        if (cw && cw->id == id) return c;
    }
    for (HWND c : std::vector<HWND>(w->children))
        if (HWND deeper = findControl(c, id)) return deeper;
    return nullptr;
}

void reset() {
    resetWindows();
    resetQueue();
    resetInput();
    auto& s = st();
    s.steps.clear();
    s.active = false;
    s.failures.clear();
    s.modal.clear();
    s.spent = 0;
    s.budget = 100000;
    s.dumpHandler = nullptr;
    s.pictureWriter = nullptr;
    s.dumps.clear();
    clearDrawLog();
    setClipboardText(u"");
}

}  // namespace winsim::ui
