// The free paper size dialog: one of the ten cached free sizes at a time
// through the three free-size items; every edit and spin step is copied
// back into the cached slot at once. The slot being edited is the
// context's own.
#include <win/gdi.h>
#include <win/user.h>
#include <win/wingdi.h>

#include <initializer_list>

#include "core/lists/lists.h"
#include "core/res/res.h"
#include "core/wstr.h"
#include "hooks/page_hooks.h"
#include "pipeline/ui_pipeline.h"

namespace vesk {
namespace {

constexpr int kCtlSlots = 2364, kCtlDefaults = 2227;
constexpr int kFirstSlotString = 109;
constexpr int kNumericEditType = 63;
constexpr WORD kEnChange = 0x300, kEnKillFocus = 0x200;
constexpr int kColorMenuText = 7;
constexpr size_t kTextChars = 128;

bool isEdit(int id) {
    for (int e : {2365, 2220, 2224, 2392, 2394, 2398, 2400})
        if (id == e) return true;
    return false;
}

bool isSpin(int id) {
    for (int s : {2221, 2225, 2393, 2395, 2399, 2401})
        if (id == s) return true;
    return false;
}

HWND slotList(UiPage* page) { return page->window ? GetDlgItem(page->window, kCtlSlots) : nullptr; }

int& currentSlot(DrvContext* ctx) { return ctx->ws->freeSizeSlot; }

void redrawList(UiPage* page, BOOL erase) {
    if (HWND list = slotList(page)) InvalidateRect(list, nullptr, erase);
}

int storeBack(DrvContext* ctx, UiPage* page) {
    if (HWND list = slotList(page)) SendMessageW(list, LB_SETCURSEL, WPARAM(currentSlot(ctx)), 0);
    OptionsToCachedFreeSize(ctx, currentSlot(ctx));
    redrawList(page, FALSE);
    return 1;
}

void fillList(DrvContext* ctx, HWND list) {
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; i < int(kWsFreeSizeSlots); ++i) {
        WCHAR text[kTextChars] = {};
        ResLoadString(ctx, uint32_t(kFirstSlotString + i), text, kTextChars, 1);
        const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageW(list, LB_SETITEMDATA, WPARAM(at), LPARAM(kFirstSlotString + i));
    }
}

int drawSlot(DrvContext* ctx, HWND list, const DRAWITEMSTRUCT* dis) {
    if (!dis || !(dis->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) || !dis->itemData) return 0;
    const bool enabled = !list || IsWindowEnabled(list);
    const bool current = dis->itemData == ULONG_PTR(kFirstSlotString + currentSlot(ctx));
    const COLORREF back = GetSysColor(!enabled ? COLOR_BTNFACE : current ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dis->hDC, &dis->rcItem, brush);
    DeleteObject(brush);
    WCHAR text[kTextChars] = {};
    ResLoadString(ctx, uint32_t(dis->itemData), text, kTextChars, 1);
    SetTextColor(dis->hDC, GetSysColor(!enabled ? COLOR_GRAYTEXT : current ? COLOR_HIGHLIGHTTEXT : kColorMenuText));
    const COLORREF oldBack = SetBkColor(dis->hDC, back);
    SIZE size{};
    GetTextExtentPoint32W(dis->hDC, text, int(WLen(text)), &size);
    const int top = (dis->rcItem.top + dis->rcItem.bottom - size.cy) / 2;
    ExtTextOutW(dis->hDC, dis->rcItem.left, top, ETO_CLIPPED, &dis->rcItem, text, UINT(WLen(text)), nullptr);
    SetTextColor(dis->hDC, GetSysColor(kColorMenuText));
    SetBkColor(dis->hDC, oldBack);
    if ((dis->itemAction & ODA_FOCUS) || (dis->itemState & ODS_FOCUS)) DrawFocusRect(dis->hDC, &dis->rcItem);
    return 1;
}

int slotListMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND list = control->window ? control->window : slotList(page);
    if (message == WM_INITDIALOG) {
        if (!list) return 1;
        // A list already filled keeps its entries and the slot shown.
        if (SendMessageW(list, LB_GETCOUNT, 0, 0) != LRESULT(kWsFreeSizeSlots)) {
            fillList(ctx, list);
            currentSlot(ctx) = 0;
            SendMessageW(list, LB_SETCURSEL, 0, 0);
            CachedFreeSizeToOptions(ctx, 0);
        }
        return 1;
    }
    if (message == WM_DRAWITEM) return drawSlot(ctx, list, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    if (message != WM_COMMAND || LOWORD(wParam) != control->id || !list) return 0;
    switch (HIWORD(wParam)) {
        case LBN_SELCHANGE: {
            const int sel = int(SendMessageW(list, LB_GETCURSEL, 0, 0));
            if (sel >= 0 && sel < int(kWsFreeSizeSlots)) {
                currentSlot(ctx) = sel;
                CachedFreeSizeToOptions(ctx, sel);
                OnOptionControlChanged(ctx, page, 0);
            }
            return 1;
        }
        case LBN_SETFOCUS:
            if (currentSlot(ctx) >= 0) {
                SendMessageW(list, LB_SETCURSEL, WPARAM(currentSlot(ctx)), 0);
                SendMessageW(page->window, WM_LBUTTONDOWN, 0, 0);
                SendMessageW(page->window, WM_LBUTTONUP, 0, 0);
            }
            return 1;
        case LBN_KILLFOCUS: return 1;
        default: return 0;
    }
}

}  // namespace

int FreeSizeDialogHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                       LPARAM lParam) {
    if (!ctx || !ctx->ws || !page || !control) return 0;
    if (currentSlot(ctx) < 0 || currentSlot(ctx) >= int(kWsFreeSizeSlots)) currentSlot(ctx) = 0;
    if (message == WM_GETDLGCODE && wParam == VK_RETURN && control->type == kNumericEditType) {
        // Enter: the edit loses the focus to OK and its kill-focus store runs
        // before the dialog acts on the key.
        if (HWND ok = page->window ? GetDlgItem(page->window, IDOK) : nullptr) SetFocus(ok);
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        return 0;
    }
    const int id = control->id;
    if (id == kCtlSlots) return slotListMessage(ctx, page, control, message, wParam, lParam);
    if (isSpin(id)) {
        if (message != WM_VSCROLL || HWND(lParam) != control->window) return 0;
        CtlMessage(ctx, page, control, message, wParam, lParam);
        return storeBack(ctx, page);
    }
    if (message != WM_COMMAND || LOWORD(wParam) != id) return 0;
    if (isEdit(id)) {
        const WORD code = HIWORD(wParam);
        if (code != kEnChange && code != kEnKillFocus) return 0;
        CtlCommand(ctx, page, control, wParam, lParam);
        return storeBack(ctx, page);
    }
    if (id == kCtlDefaults) {
        CtlCommand(ctx, page, control, wParam, lParam);
        InitFreeSizeTable(ctx);
        HWND list = slotList(page);
        if (list) SendMessageW(list, LB_SETCURSEL, 0, 0);
        const int sel = list ? int(SendMessageW(list, LB_GETCURSEL, 0, 0)) : 0;
        currentSlot(ctx) = sel >= 0 ? sel : 0;
        CachedFreeSizeToOptions(ctx, currentSlot(ctx));
        redrawList(page, TRUE);
        OnOptionControlChanged(ctx, page, 0);
        return 1;
    }
    return 0;
}

}  // namespace vesk
