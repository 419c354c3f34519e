// comctl32's shared part: WM_NOTIFY, the controls' own capture loops, the
// dump and script entries of the common controls, and DllGetVersion.
#include <winsim/winsim.h>

#include <cstring>

#include "core/sim.h"
#include "user/comctl_internal.h"

using namespace winsim::detail;

namespace {

bool isClass(HWND h, const char16_t* name) {
    Window* w = findWindow(h);
    return w && wequalNoCase(w->className, name);
}

}  // namespace

namespace winsim::detail {

LRESULT notifyParent(HWND control, UINT code, NMHDR* record) {
    Window* w = findWindow(control);
    if (!w || !w->parent) return 0;
    const HWND parent = w->parent;
    record->hwndFrom = control;
    record->idFrom = UINT_PTR(w->id);
    record->code = code;
    return SendMessageW(parent, WM_NOTIFY, WPARAM(record->idFrom), reinterpret_cast<LPARAM>(record));
}

int copyText(const std::u16string& text, LPWSTR buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    const size_t n = std::min(text.size(), size_t(capacity - 1));
    std::memcpy(buffer, text.data(), n * sizeof(WCHAR));
    buffer[n] = 0;
    return int(n);
}

std::u16string textOf(LPCWSTR text) {
    // (LPWSTR)-1 asks the parent for the text later; this system keeps none.
    if (!text || text == reinterpret_cast<LPCWSTR>(intptr_t(-1))) return {};
    return std::u16string(text, wlenBounded(text, 0x10000));
}

std::string dumpQuote(const std::u16string& text) {
    std::string out = "\"";
    for (char c : winsim::toUtf8(text)) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

bool commonMessage(HWND h, UINT m, bool& focused, LRESULT* result) {
    *result = 0;
    switch (m) {
        case WM_GETDLGCODE: *result = DLGC_WANTARROWS; return true;
        case WM_SETFOCUS:
        case WM_KILLFOCUS: focused = m == WM_SETFOCUS; break;
        case WM_ENABLE: break;
        case WM_ERASEBKGND: *result = 1; return true;
        default: return false;
    }
    InvalidateRect(h, nullptr, TRUE);
    return true;
}

void clickAt(HWND h, POINT client) {
    ClientToScreen(h, &client);
    queueInput({InputKind::MouseMove, client, 0});
    queueInput({InputKind::LeftDown, client, 0});
    queueInput({InputKind::LeftUp, client, 0});
}

void captureLoop(HWND control, bool (*tracking)(HWND)) {
    while (IsWindow(control) && GetCapture() == control && tracking(control)) {
        MSG m;
        if (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                PostQuitMessage(int(m.wParam));  // for the loop outside
                break;
            }
            TranslateMessage(&m);
            DispatchMessageW(&m);
            continue;
        }
        const size_t failed = winsim::ui::failures().size();
        WaitMessage();  // an idle point: the script's next step
        if (winsim::ui::failures().size() > failed) {
            if (GetCapture() == control) ReleaseCapture();
            break;
        }
    }
}

bool commonControlState(HWND h, winsim::ui::ControlState& s) {
    if (isClass(h, WC_LISTVIEWW)) return listViewState(h, s);
    if (isClass(h, TRACKBAR_CLASSW)) return trackbarState(h, s);
    if (isClass(h, WC_TABCONTROLW)) return tabControlState(h, s);
    if (isClass(h, WC_TREEVIEWW)) return treeViewState(h, s);
    return false;
}

bool commonControlStep(HWND h, const winsim::ui::Step& step, std::string* error, bool* handled) {
    *handled = true;
    const std::string& v = step.verb;
    if (v == "select" && isClass(h, WC_LISTVIEWW)) return listViewSelect(h, step, error);
    if (v == "select" && isClass(h, WC_TABCONTROLW)) return tabControlSelect(h, step, error);
    if (v == "select" && isClass(h, WC_TREEVIEWW)) return treeViewSelect(h, step, error);
    if (v == "scroll" && isClass(h, TRACKBAR_CLASSW)) return trackbarScroll(h, step, error);
    *handled = false;
    return false;
}

}  // namespace winsim::detail

extern "C" {

WINBASEAPI HRESULT WINAPI DllGetVersion(DLLVERSIONINFO* info) {
    if (enter("DllGetVersion")) return E_FAIL;
    if (!info || info->cbSize != sizeof(DLLVERSIONINFO)) return E_INVALIDARG;
    // The machine's "comctl32.version": "6.0" is the visual-styles library,
    // anything else the classic 5.82.
    const auto v = winsim::config().get("comctl32.version");
    const bool six = v && (*v == "6.0" || *v == "6" || *v == "6.00");
    info->dwMajorVersion = six ? 6 : 5;
    info->dwMinorVersion = six ? 0 : 82;
    info->dwBuildNumber = 2600;
    info->dwPlatformID = DLLVER_PLATFORM_NT;
    return S_OK;
}

}  // extern "C"
