// Window classes: the classes applications register and the system's own
// (the dialog class and the six control classes).
#include <algorithm>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct ClassRecord {
    HINSTANCE instance = nullptr;
    std::u16string name;
    WNDCLASSEXW wc{};
};

std::vector<ClassRecord>& classes() {
    static auto* v = new std::vector<ClassRecord>;
    return *v;
}

struct SystemClass {
    const char16_t* name;
    WNDPROC proc;
    int extra;
};
const SystemClass kSystemClasses[] = {
    {u"#32770", &dialogClassProc, DLGWINDOWEXTRA},
    {u"Button", &buttonProc, 0},
    {u"Static", &staticProc, 0},
    {u"Edit", &editProc, 0},
    {u"ListBox", &listBoxProc, 0},
    {u"ComboBox", &comboBoxProc, 0},
    {u"ScrollBar", &scrollBarProc, 0},
    {u"SysListView32", &listViewProc, 0},
    {u"msctls_trackbar32", &trackbarProc, 0},
    {u"SysTabControl32", &tabControlProc, 0},
    {u"SysTreeView32", &treeViewProc, 0},
};

const ClassRecord* findClass(HINSTANCE instance, std::u16string_view name, bool anyInstance) {
    for (const auto& c : classes())
        if (wequalNoCase(c.name, name) && (anyInstance || c.instance == instance)) return &c;
    return nullptr;
}

const SystemClass* findSystemClass(std::u16string_view name) {
    for (const auto& s : kSystemClasses)
        if (wequalNoCase(s.name, name)) return &s;
    return nullptr;
}

}  // namespace

namespace winsim::detail {

bool lookupClass(HINSTANCE instance, std::u16string_view name, ClassInfo& out) {
    std::lock_guard g(userLock());
    const ClassRecord* c = findClass(instance, name, false);
    if (!c) c = findClass(nullptr, name, true);
    if (c) {
        out = ClassInfo{c->wc.lpfnWndProc, std::max(c->wc.cbWndExtra, 0), c->wc.hCursor, c->name};
        return true;
    }
    if (const SystemClass* s = findSystemClass(name)) {
        out = ClassInfo{s->proc, s->extra, nullptr, s->name};
        return true;
    }
    return false;
}

void resetClasses() {
    std::lock_guard g(userLock());
    classes().clear();
}

}  // namespace winsim::detail

extern "C" {

WINBASEAPI ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* wc) {
    enter("RegisterClassExW");
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXW) || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) ||
        !wc->lpfnWndProc || wc->cbWndExtra < 0 || wc->cbWndExtra > 40000) {
        setError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::lock_guard g(userLock());
    auto& t = classes();
    const std::u16string name = wstr(wc->lpszClassName);
    if (findClass(wc->hInstance, name, false) || findSystemClass(name)) {
        setError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    t.push_back(ClassRecord{wc->hInstance, name, *wc});
    t.back().wc.lpszClassName = t.back().name.c_str();
    t.back().wc.lpszMenuName = nullptr;
    return static_cast<ATOM>(0xC000 + t.size() - 1);
}

WINBASEAPI BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE instance) {
    enter("UnregisterClassW");
    if (!className || IS_INTRESOURCE(className)) {
        setError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    std::lock_guard g(userLock());
    auto& t = classes();
    const std::u16string name = wstr(className);
    auto it = std::find_if(t.begin(), t.end(), [&](const ClassRecord& c) {
        return c.instance == instance && wequalNoCase(c.name, name);
    });
    if (it == t.end()) {
        setError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    // Records keep their place so that the name pointers handed out stay put.
    it->name = u"\x01removed";
    it->wc.lpszClassName = it->name.c_str();
    it->instance = reinterpret_cast<HINSTANCE>(uintptr_t(-1));
    return TRUE;
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
    if (const SystemClass* s = findSystemClass(name)) {
        *out = WNDCLASSEXW{};
        out->cbSize = sizeof(WNDCLASSEXW);
        out->lpfnWndProc = s->proc;
        out->cbWndExtra = s->extra;
        out->lpszClassName = s->name;
        return TRUE;
    }
    setError(ERROR_CLASS_DOES_NOT_EXIST);
    return FALSE;
}

WINBASEAPI int WINAPI GetClassNameW(HWND window, LPWSTR buffer, int capacity) {
    enter("GetClassNameW");
    Window* w = windowOrFail(window);
    if (!w) return 0;
    if (!buffer || capacity <= 0) {
        setError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    const size_t n = std::min(w->className.size(), size_t(capacity - 1));
    w->className.copy(buffer, n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

}  // extern "C"
