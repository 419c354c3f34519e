// UxTheme.DLL: off unless the machine says "uxtheme.active=1". With themes
// on, OpenThemeData gives a handle per opened class and DrawThemeBackground
// fills flat: the "Tab" class in the near-white of a themed tab page, any
// other class in the button face. SetWindowTheme only leaves its trace.
#include <win/uxtheme.h>
#include <winsim/winsim.h>

#include <algorithm>
#include <map>

#include "core/sim.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

constexpr uintptr_t kThemeTag = 0x7D000000;
constexpr COLORREF kTabFill = 0x00FEFCFC;  // RGB(252, 252, 254)

struct Themes {
    std::map<uintptr_t, std::u16string> open;  // handle -> class
    uintptr_t next = 1;
};
Themes& themes() {
    static auto* t = new Themes;
    return *t;
}

bool themesOn() {
    const auto v = winsim::config().get("uxtheme.active");
    return v && *v == "1";
}

std::string text(LPCWSTR s) { return s ? winsim::toUtf8(wstr(s)) : std::string("(null)"); }

}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI IsThemeActive(void) {
    enter("IsThemeActive");
    return themesOn() ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI IsAppThemed(void) {
    enter("IsAppThemed");
    return themesOn() ? TRUE : FALSE;
}

WINBASEAPI HTHEME WINAPI OpenThemeData(HWND window, LPCWSTR classList) {
    if (enter("OpenThemeData", text(classList))) return nullptr;
    if (!themesOn() || !classList || (window && !IsWindow(window))) {
        setError(ERROR_NOT_FOUND);
        return nullptr;
    }
    std::u16string cls = wstr(classList);
    cls = cls.substr(0, cls.find(u';'));
    std::lock_guard g(userLock());
    auto& t = themes();
    const uintptr_t h = kThemeTag | (t.next++ << 2);
    t.open.emplace(h, cls);
    return reinterpret_cast<HTHEME>(h);
}

WINBASEAPI HRESULT WINAPI CloseThemeData(HTHEME theme) {
    enter("CloseThemeData");
    std::lock_guard g(userLock());
    return themes().open.erase(reinterpret_cast<uintptr_t>(theme)) ? S_OK : E_HANDLE;
}

WINBASEAPI HRESULT WINAPI DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, LPCRECT rect, LPCRECT clip) {
    enter("DrawThemeBackground", std::to_string(part) + "/" + std::to_string(state));
    std::u16string cls;
    {
        std::lock_guard g(userLock());
        auto it = themes().open.find(reinterpret_cast<uintptr_t>(theme));
        if (it == themes().open.end()) return E_HANDLE;
        cls = it->second;
    }
    if (!rect) return E_INVALIDARG;
    RECT r = *rect;
    if (clip)
        r = RECT{std::max(r.left, clip->left), std::max(r.top, clip->top), std::min(r.right, clip->right),
                 std::min(r.bottom, clip->bottom)};
    if (r.right <= r.left || r.bottom <= r.top) return S_OK;
    HBRUSH b = CreateSolidBrush(wequalNoCase(cls, u"Tab") ? kTabFill : GetSysColor(COLOR_BTNFACE));
    const int done = FillRect(dc, &r, b);
    DeleteObject(b);
    return done ? S_OK : E_INVALIDARG;
}

WINBASEAPI HRESULT WINAPI SetWindowTheme(HWND window, LPCWSTR subAppName, LPCWSTR subIdList) {
    Window* w = findWindow(window);
    enter("SetWindowTheme", std::to_string(w ? w->id : 0) + " " + text(subAppName) + "|" + text(subIdList));
    return w ? S_OK : E_HANDLE;
}

}  // extern "C"
