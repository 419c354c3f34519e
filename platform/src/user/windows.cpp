// The window table: windows with class, text, id, parent, owner and window
// procedure, window classes, and the device contexts of windows. A window
// handle is a table index with a generation, so a destroyed window's handle
// stays invalid. No messages are sent yet: creating, naming and destroying
// a window only changes the table.
#include <map>
#include <vector>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct Window {
    uint32_t generation = 0;
    bool alive = false;
    winsim::WindowInfo info;
    std::vector<HWND> children;  // z-order: the first child is on top
    LONG_PTR userData = 0;
    LONG_PTR dialogProc = 0;
};

struct ClassRecord {
    HINSTANCE instance = nullptr;
    std::u16string name;
    WNDCLASSEXW wc{};
};

struct Table {
    std::vector<Window> slots;
    std::vector<HWND> topLevel;  // z-order of top-level windows
    std::vector<ClassRecord> classes;
    std::map<uintptr_t, HWND> dcs;
    uintptr_t nextDc = 1;
    std::vector<winsim::DrawRecord> drawLog;
};
Table& table() {
    static auto* t = new Table;
    return *t;
}

// The procedure of the system classes until the controls are built.
LRESULT CALLBACK systemProc(HWND, UINT, WPARAM, LPARAM) { return 0; }
constexpr const char16_t* kSystemClasses[] = {u"#32770", u"Button", u"Static", u"Edit",
                                              u"ListBox", u"ComboBox", u"ScrollBar"};

HWND makeHandle(size_t index, uint32_t generation) {
    return reinterpret_cast<HWND>(uintptr_t(((generation & 0x3FF) << 20) | ((index + 1) << 2)));
}

Window* find(HWND h) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (!v || (v & 3)) return nullptr;
    const size_t index = ((v >> 2) & 0x3FFFF) - 1;
    auto& t = table();
    if (index >= t.slots.size()) return nullptr;
    Window& w = t.slots[index];
    return w.alive && (w.generation & 0x3FF) == (v >> 20) ? &w : nullptr;
}

Window* findOrFail(HWND h) {
    Window* w = find(h);
    if (!w) setError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

std::vector<HWND>& siblingsOf(const Window& w) {
    if (Window* p = find(w.info.parent)) return p->children;
    return table().topLevel;
}

void destroy(HWND h) {
    Window* w = find(h);
    if (!w) return;
    std::vector<HWND> children = w->children;
    for (HWND c : children) destroy(c);
    // Windows it owns go with it.
    std::vector<HWND> owned;
    for (HWND t : table().topLevel)
        if (Window* o = find(t); o && o->info.owner == h) owned.push_back(t);
    for (HWND o : owned) destroy(o);
    w = find(h);
    auto& sib = siblingsOf(*w);
    std::erase(sib, h);
    w->alive = false;
    w->children.clear();
    ++w->generation;
}

const ClassRecord* findClass(HINSTANCE instance, std::u16string_view name, bool anyInstance) {
    for (const auto& c : table().classes)
        if (wequalNoCase(c.name, name) && (anyInstance || c.instance == instance)) return &c;
    return nullptr;
}

LONG_PTR classProcedure(std::u16string_view name) {
    if (const ClassRecord* c = findClass(nullptr, name, true)) return reinterpret_cast<LONG_PTR>(c->wc.lpfnWndProc);
    for (auto s : kSystemClasses)
        if (wequalNoCase(s, name)) return reinterpret_cast<LONG_PTR>(&systemProc);
    return 0;
}

}  // namespace

namespace winsim::detail {

void logDraw(DrawRecord record) {
    std::lock_guard g(userLock());
    table().drawLog.push_back(std::move(record));
}

bool windowOfDc(HDC dc, HWND* window) {
    std::lock_guard g(userLock());
    auto it = table().dcs.find(reinterpret_cast<uintptr_t>(dc));
    if (it == table().dcs.end()) return false;
    *window = it->second;
    return true;
}

}  // namespace winsim::detail

namespace winsim {

HWND createWindow(std::u16string_view className, std::u16string_view text, HWND parent, int id, LONG_PTR procedure) {
    std::lock_guard g(userLock());
    auto& t = table();
    if (parent && !find(parent)) return nullptr;
    size_t index = 0;
    while (index < t.slots.size() && t.slots[index].alive) ++index;
    if (index == t.slots.size()) t.slots.emplace_back();
    if (index >= 0x3FFFF) return nullptr;
    Window& w = t.slots[index];
    const HWND h = makeHandle(index, w.generation);
    w.alive = true;
    w.children.clear();
    w.userData = w.dialogProc = 0;
    w.info = WindowInfo{h, std::u16string(className), std::u16string(text), id, parent, nullptr,
                        procedure ? procedure : classProcedure(className)};
    siblingsOf(w).push_back(h);
    return h;
}

std::vector<WindowInfo> windows() {
    std::lock_guard g(userLock());
    std::vector<WindowInfo> out;
    for (const auto& w : table().slots)
        if (w.alive) out.push_back(w.info);
    return out;
}

bool windowInfo(HWND window, WindowInfo& out) {
    std::lock_guard g(userLock());
    Window* w = find(window);
    if (!w) return false;
    out = w->info;
    return true;
}

void resetWindows() {
    std::lock_guard g(userLock());
    auto& t = table();
    std::vector<HWND> top = t.topLevel;
    for (HWND h : top) destroy(h);
    t.classes.clear();
}

std::vector<DrawRecord> drawLog() {
    std::lock_guard g(userLock());
    return table().drawLog;
}

void clearDrawLog() {
    std::lock_guard g(userLock());
    table().drawLog.clear();
}

size_t openWindowDcs() {
    std::lock_guard g(userLock());
    return table().dcs.size();
}

}  // namespace winsim

// Sets the owner of a window the dialog builder made (kept out of the
// public control interface).
namespace winsim::detail {
void setWindowOwner(HWND window, HWND owner, LONG_PTR dialogProc) {
    std::lock_guard g(userLock());
    if (Window* w = find(window)) w->info.owner = owner, w->dialogProc = dialogProc;
}
}  // namespace winsim::detail

extern "C" {

WINBASEAPI ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* wc) {
    enter("RegisterClassExW");
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXW) || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) ||
        !wc->lpfnWndProc) {
        setError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard g(userLock());
    auto& t = table();
    if (findClass(wc->hInstance, wstr(wc->lpszClassName), false)) {
        setError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    ClassRecord c{wc->hInstance, wstr(wc->lpszClassName), *wc};
    t.classes.push_back(std::move(c));
    t.classes.back().wc.lpszClassName = t.classes.back().name.c_str();
    return static_cast<ATOM>(0xC000 + t.classes.size() - 1);
}

WINBASEAPI BOOL WINAPI GetClassInfoExW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSEXW out) {
    enter("GetClassInfoExW", className && !IS_INTRESOURCE(className) ? winsim::toUtf8(wstr(className)) : "");
    if (!className || IS_INTRESOURCE(className) || !out) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::lock_guard g(userLock());
    const std::u16string name = wstr(className);
    if (const ClassRecord* c = findClass(instance, name, instance == nullptr)) {
        *out = c->wc;
        out->cbSize = sizeof(WNDCLASSEXW);
        return TRUE;
    }
    for (auto s : kSystemClasses)
        if (wequalNoCase(s, name)) {
            *out = WNDCLASSEXW{};
            out->cbSize = sizeof(WNDCLASSEXW);
            out->lpfnWndProc = &systemProc;
            out->lpszClassName = s;
            return TRUE;
        }
    setError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
}

WINBASEAPI HWND WINAPI FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    enter("FindWindowW", className && !IS_INTRESOURCE(className) ? winsim::toUtf8(wstr(className)) : "");
    std::lock_guard g(userLock());
    for (HWND h : table().topLevel) {
        const Window* w = find(h);
        if (!w) continue;
        if (className && !IS_INTRESOURCE(className) && !wequalNoCase(w->info.className, wstr(className))) continue;
        if (windowName && !wequalNoCase(w->info.text, wstr(windowName))) continue;
        return h;
    }
    setError(ERROR_FILE_NOT_FOUND);
    return nullptr;
}

WINBASEAPI HWND WINAPI GetWindow(HWND window, UINT relation) {
    enter("GetWindow", std::to_string(relation));
    std::lock_guard g(userLock());
    Window* w = findOrFail(window);
    if (!w) return nullptr;
    const auto& sib = siblingsOf(*w);
    size_t at = 0;
    while (at < sib.size() && sib[at] != window) ++at;
    switch (relation) {
        case GW_HWNDFIRST: return sib.empty() ? nullptr : sib.front();
        case GW_HWNDLAST: return sib.empty() ? nullptr : sib.back();
        case GW_HWNDNEXT: return at + 1 < sib.size() ? sib[at + 1] : nullptr;
        case GW_HWNDPREV: return at > 0 && at < sib.size() ? sib[at - 1] : nullptr;
        case GW_OWNER: return w->info.owner;
        case GW_CHILD: return w->children.empty() ? nullptr : w->children.front();
        default: setError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

WINBASEAPI HWND WINAPI GetDlgItem(HWND dialog, int id) {
    std::lock_guard g(userLock());
    Window* w = findOrFail(dialog);
    if (!w) return nullptr;
    for (HWND c : w->children)
        if (const Window* cw = find(c); cw && cw->info.id == id) return c;
    setError(ERROR_CONTROL_ID_NOT_FOUND);
    return nullptr;
}

WINBASEAPI int WINAPI GetClassNameW(HWND window, LPWSTR buffer, int capacity) {
    enter("GetClassNameW");
    std::lock_guard g(userLock());
    Window* w = findOrFail(window);
    if (!w) return 0;
    if (!buffer || capacity <= 0) {
        setError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const size_t n = std::min(w->info.className.size(), size_t(capacity - 1));
    w->info.className.copy(buffer, n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

WINBASEAPI LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index) {
    std::lock_guard g(userLock());
    Window* w = findOrFail(window);
    if (!w) return 0;
    switch (index) {
        case GWLP_WNDPROC: return w->info.procedure;
        case GWLP_ID: return w->info.id;
        case GWLP_USERDATA: return w->userData;
        default: setError(ERROR_INVALID_PARAMETER); return 0;
    }
}

WINBASEAPI LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
    enter("SetWindowLongPtrW", std::to_string(index));
    std::lock_guard g(userLock());
    Window* w = findOrFail(window);
    if (!w) return 0;
    LONG_PTR* field = nullptr;
    LONG_PTR id = w->info.id;
    switch (index) {
        case GWLP_WNDPROC: field = &w->info.procedure; break;
        case GWLP_USERDATA: field = &w->userData; break;
        case GWLP_ID: field = &id; break;
        default: setError(ERROR_INVALID_PARAMETER); return 0;
    }
    const LONG_PTR old = *field;
    *field = value;
    if (index == GWLP_ID) w->info.id = static_cast<int>(value);
    SetLastError(0);
    return old;
}

WINBASEAPI BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text) {
    enter("SetWindowTextW", text ? winsim::toUtf8(wstr(text)) : "");
    std::lock_guard g(userLock());
    Window* w = findOrFail(window);
    if (!w) return FALSE;
    w->info.text = wstr(text);
    return TRUE;
}

WINBASEAPI int WINAPI GetWindowTextW(HWND window, LPWSTR buffer, int capacity) {
    std::lock_guard g(userLock());
    Window* w = findOrFail(window);
    if (!w || !buffer || capacity <= 0) return 0;
    const size_t n = std::min(w->info.text.size(), size_t(capacity - 1));
    w->info.text.copy(buffer, n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

WINBASEAPI BOOL WINAPI SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    enter("SetDlgItemTextW", std::to_string(id));
    std::lock_guard g(userLock());
    HWND item = GetDlgItem(dialog, id);
    return item ? SetWindowTextW(item, text) : FALSE;
}

WINBASEAPI BOOL WINAPI IsWindow(HWND window) {
    std::lock_guard g(userLock());
    return find(window) ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI DestroyWindow(HWND window) {
    enter("DestroyWindow");
    std::lock_guard g(userLock());
    if (!findOrFail(window)) return FALSE;
    destroy(window);
    return TRUE;
}

WINBASEAPI HDC WINAPI GetDC(HWND window) {
    enter("GetDC");
    std::lock_guard g(userLock());
    if (window && !findOrFail(window)) return nullptr;
    auto& t = table();
    const uintptr_t h = 0x7D000000u | (t.nextDc++ << 2);
    t.dcs[h] = window;
    return reinterpret_cast<HDC>(h);
}

WINBASEAPI int WINAPI ReleaseDC(HWND, HDC dc) {
    enter("ReleaseDC");
    std::lock_guard g(userLock());
    return table().dcs.erase(reinterpret_cast<uintptr_t>(dc)) ? 1 : 0;
}

WINBASEAPI BOOL WINAPI DrawIcon(HDC dc, int x, int y, HICON icon) {
    enter("DrawIcon");
    std::lock_guard g(userLock());
    HWND window = nullptr;
    const winsim::ImageInfo* img = findImage(icon);
    if (!windowOfDc(dc, &window) || !img || img->kind == 'B') {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    logDraw({window, "DrawIcon", x, y, img->resourceId});
    return TRUE;
}

}  // extern "C"
