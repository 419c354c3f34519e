// The wait window of the device query, and the window-procedure fix-up of
// the property sheets.
#include "core/printer_identity.h"
#include "core/res/res.h"

namespace vesk {
namespace {

constexpr uint16_t kWaitDialog = 4006;
constexpr int kWaitText = 5005;
constexpr int kClassNameChars = 48;
// Top-level window classes of a drawing application that subclasses the
// controls of the dialogs it opens.
constexpr const WCHAR* kSubclassingApps[] = {u"CorelDRAW 8.0", u"CorelDRAW 9.0"};

}  // namespace

HWND WaitDialogCreate(DrvContext* ctx, uint16_t messageId) {
    HMODULE lib = ResGetStringDll(ctx);
    HWND w = lib ? CreateDialogParamW(lib, MAKEINTRESOURCEW(kWaitDialog), GetActiveWindow(), nullptr, 0) : nullptr;
    if (!w || !ctx || !ctx->ws) return w;
    ResLoadString(ctx, messageId, ctx->ws->scratchText, kWsPrinterNameChars, 1);
    SetWindowTextW(w, PrnGetPrinterName(ctx));
    SetDlgItemTextW(w, kWaitText, ctx->ws->scratchText);
    return w;
}

void WaitDialogDestroy(HWND window) {
    if (window) DestroyWindow(window);
}

void FixAppWindowProcs(DrvContext*, HWND parent) {
    bool found = false;
    for (const WCHAR* cls : kSubclassingApps) found = found || FindWindowW(cls, nullptr);
    if (!found) return;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        WCHAR name[kClassNameChars + 1] = {};
        if (!GetClassNameW(child, name, kClassNameChars)) continue;
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        if (GetClassInfoExW(nullptr, name, &wc))
            SetWindowLongPtrW(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(wc.lpfnWndProc));
    }
}

}  // namespace vesk
