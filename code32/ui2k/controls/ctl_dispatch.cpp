// Dispatch of page events to one control through the control-type table,
// with the page hook first; the items' changed marks; the page layout of
// message 0x8006.
#include <win/user.h>

#include <algorithm>

#include "controls/ctl_ops.h"
#include "core/ui_lookup.h"
#include "hooks/page_hooks.h"
#include "pipeline/ui_pipeline.h"

namespace vesk {
namespace {

constexpr uint16_t kTypeSlider = 0x54;

void askRefresh(const UiPage* page) {
    if (page && page->window) PostMessageW(page->window, WM_PAINT, 0, 0);
}

}  // namespace

int CtlInit(DrvContext* ctx, UiPage* page, UiControl* control) {
    if (!control) return 0;
    if (PageCtrlChanged(ctx, page, control, WM_INITDIALOG, 0, 0) == 1) return 0;
    const CtlTypeRow* row = CtlTypeFind(control->type);
    if (!row) return 0;
    if (row->windowProc && !control->previousProc && control->window) {
        control->previousProc = uintptr_t(
            SetWindowLongPtrW(control->window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(row->windowProc)));
        SetWindowLongPtrW(control->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(control));
    }
    return row->init ? row->init(ctx, page, control) : 0;
}

void CtlShowValue(DrvContext* ctx, UiPage* page, UiControl* control) {
    if (!control || PageCtrlChanged(ctx, page, control, WM_PAINT, 0, 0) == 1) return;
    const CtlTypeRow* row = CtlTypeFind(control->type);
    if (row && row->show) row->show(ctx, page, control);
}

int CtlCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam) {
    const CtlTypeRow* row = control ? CtlTypeFind(control->type) : nullptr;
    return row && row->command ? row->command(ctx, page, control, wParam, lParam) : 0;
}

int CtlMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!control) return 0;
    if (message == WM_LBUTTONDOWN && control->type == kTypeSlider) return 0;
    const CtlTypeRow* row = CtlTypeFind(control->type);
    return row && row->message ? row->message(ctx, page, control, message, wParam, lParam) : 0;
}

int CtlWmCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam) {
    if (!control) return 0;
    int result = PageCtrlChanged(ctx, page, control, WM_COMMAND, wParam, lParam);
    if (!result && LOWORD(wParam) == control->id) result = CtlCommand(ctx, page, control, wParam, lParam);
    if (result) askRefresh(page);
    return result;
}

int CtlDispatchMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                       LPARAM lParam) {
    if (!control || control->hidden) return 0;
    int result = PageCtrlChanged(ctx, page, control, message, wParam, lParam);
    if (!result) result = CtlMessage(ctx, page, control, message, wParam, lParam);
    if (result && message != WM_DRAWITEM && message != WM_CTLCOLORLISTBOX && message != WM_CTLCOLORSCROLLBAR)
        askRefresh(page);
    return result;
}

int CtlSelectByData(DrvContext* ctx, UiPage* page, int controlId, uint32_t value) {
    UiControl* c = page ? CtlFindById(ctx, page, controlId) : nullptr;
    if (!c || !c->window) return 0;
    const int n = int(SendMessageW(c->window, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        if (uint32_t(SendMessageW(c->window, CB_GETITEMDATA, WPARAM(i), 0)) != value) continue;
        SendMessageW(c->window, CB_SETCURSEL, WPARAM(i), 0);
        return CtlCommand(ctx, page, c, 0x10000, 0);
    }
    return 0;
}

int ItemsAnyChanged(DrvContext* ctx) {
    if (!ctx || !ctx->items) return 0;
    for (int i = 0; i < ctx->items->count; ++i)
        if (ctx->items->items[i].changed) return 1;
    return 0;
}

void ItemsClearChanged(DrvContext* ctx) {
    if (!ctx || !ctx->items) return;
    for (int i = 0; i < ctx->items->count; ++i) ctx->items->items[i].changed = 0;
    if (ctx->ws) ctx->ws->itemsChanged = 0;
}

void PageFitAndShow(DrvContext* ctx, HWND window) {
    RECT client{};
    if (!window || !GetClientRect(window, &client)) return;
    const int availW = client.right - 3, availH = client.bottom - 3;
    int extW = availW, extH = availH;
    for (HWND w = GetTopWindow(window); w; w = GetWindow(w, GW_HWNDNEXT)) {
        RECT r{};
        GetWindowRect(w, &r);
        POINT br{r.right, r.bottom};
        ScreenToClient(window, &br);
        extW = std::max(extW, int(br.x));
        extH = std::max(extH, int(br.y));
    }
    // Scaled only into a positive size: a zero extent leaves the layout.
    if ((extW != availW || extH != availH) && availW > 0 && availH > 0 && extW > 0 && extH > 0) {
        auto scale = [](int v, int num, int den) { return int(int64_t(v) * num / den); };
        for (HWND w = GetTopWindow(window); w; w = GetWindow(w, GW_HWNDNEXT)) {
            RECT r{};
            GetWindowRect(w, &r);
            POINT tl{r.left, r.top}, br{r.right, r.bottom};
            ScreenToClient(window, &tl);
            ScreenToClient(window, &br);
            const int x = scale(tl.x, availW, extW), y = scale(tl.y, availH, extH);
            MoveWindow(w, x, y, scale(br.x, availW, extW) - x, scale(br.y, availH, extH) - y, TRUE);
        }
    }
    UiPage* page = PageFindByWindow(ctx, window);
    for (HWND w = GetTopWindow(window); w; w = GetWindow(w, GW_HWNDNEXT))
        if (!page || !CtlFindByWindow(ctx, page, w)) ShowWindow(w, SW_SHOW);
    EnableWindow(window, TRUE);
    if (page) OnOptionControlChanged(ctx, page, 1);
}

}  // namespace vesk
