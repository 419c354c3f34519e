// The installable options dialog: the option list whose entries a click
// installs or removes, and the paper source list view with the paper size,
// type, orientation and lock of the selected source.
#include <win/commctrl.h>
#include <win/prsht.h>
#include <win/user.h>
#include <win/wingdi.h>

#include "core/item_store.h"
#include "core/model/constraints.h"
#include "core/model/eval.h"
#include "core/model/query.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "dialogs/install_options.h"
#include "hooks/page_hooks.h"
#include "pictures/pictures.h"
#include "pipeline/ui_pipeline.h"

namespace vesk {
namespace {

// The compositor takes a bitmap of the resource library by its id in place
// of a handle (it loads, draws and frees it itself).

constexpr int kCtlOptions = 2164, kCtlSources = 2166, kCtlPaper = 2168, kCtlMedia = 2170, kCtlPortrait = 2173,
              kCtlLandscape = 2175, kCtlLock = 2551, kCtlDefaults = 2176;
constexpr int kItemSources = 951, kItemPaperMap = 952, kItemMediaMap = 953, kItemMachineFeed = 379;
constexpr int kItemTrayField = 10111, kItemTrayOrient = 10143, kItemTrayPaper = 10175, kItemTrayMedia = 10207,
              kItemTrayLock = 10239;
constexpr int kColorMenuText = 7;
constexpr size_t kTextChars = 128;

void markChanged(UiPage* page) {
    if (HWND parent = GetParent(page->window)) SendMessageW(parent, PSM_CHANGED, WPARAM(page->window), 0);
}

UiControl* ctl(DrvContext* ctx, UiPage* page, int id) { return CtlFindById(ctx, page, id); }

HWND window(DrvContext* ctx, UiPage* page, int id) {
    UiControl* c = ctl(ctx, page, id);
    return c ? c->window : nullptr;
}

void redraw(DrvContext* ctx, UiPage* page, int id, BOOL erase) {
    if (HWND w = window(ctx, page, id)) InvalidateRect(w, nullptr, erase);
}

int selectedSlot(DrvContext* ctx) { return TraySlotForValue(ItemValueById(ctx, kItemSources)); }

void refillSources(DrvContext* ctx, UiPage* page) {
    UiControl* c = ctl(ctx, page, kCtlSources);
    if (!c || !c->window) return;
    SendMessageW(c->window, LVM_DELETEALLITEMS, 0, 0);
    CtlInit(ctx, page, c);
}

// The controls under the list show the slot of the selected source.
void showSlot(DrvContext* ctx, UiPage* page) {
    const int s = selectedSlot(ctx);
    if (UiControl* c = ctl(ctx, page, kCtlPaper)) CtlSetItemValue(ctx, c, ItemValueById(ctx, kItemTrayPaper + s));
    if (UiControl* c = ctl(ctx, page, kCtlMedia)) CtlSetItemValue(ctx, c, ItemValueById(ctx, kItemTrayMedia + s));
    if (UiControl* c = ctl(ctx, page, kCtlPortrait))
        CtlSetItemValue(ctx, c, ItemValueById(ctx, kItemTrayOrient + s) ? kCtlLandscape : kCtlPortrait);
    if (UiControl* c = ctl(ctx, page, kCtlLock)) CtlSetItemValue(ctx, c, ItemValueById(ctx, kItemTrayLock + s));
}

void fillText(HDC dc, const RECT& r, const WCHAR* text, int x) {
    SIZE size{};
    GetTextExtentPoint32W(dc, text, int(WLen(text)), &size);
    ExtTextOutW(dc, x, (r.top + r.bottom - size.cy) / 2, ETO_OPAQUE | ETO_CLIPPED, &r, text, UINT(WLen(text)), nullptr);
}

int drawOption(DrvContext* ctx, UiPage* page, UiControl* control, const DRAWITEMSTRUCT* dis) {
    if (!dis || !(dis->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) || !dis->itemData) return 0;
    const uint32_t v = uint32_t(dis->itemData);
    const bool grey = !IsWindowEnabled(control->window) || OptionRuleLocked(ctx, OptionRuleFind(v, nullptr));
    const COLORREF back = GetSysColor(grey ? COLOR_BTNFACE : COLOR_WINDOW);
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dis->hDC, &dis->rcItem, brush);
    DeleteObject(brush);
    SetTextColor(dis->hDC, GetSysColor(grey ? COLOR_GRAYTEXT : kColorMenuText));
    const COLORREF oldBack = SetBkColor(dis->hDC, back);
    WCHAR text[kTextChars] = {};
    ResLoadString(ctx, v, text, kTextChars, 0);
    SIZE size{};
    GetTextExtentPoint32W(dis->hDC, text, int(WLen(text)), &size);
    fillText(dis->hDC, dis->rcItem, text, dis->rcItem.left + 2 * size.cy);
    const bool on = InstallOptionIsInstalled(ctx, v);
    DrawBitmapComposite(ctx, page, control, dis->hDC, &dis->rcItem, dis->rcItem.left, dis->rcItem.top,
                        BitmapSourceId(grey ? (on ? 7004 : 7002) : (on ? 7003 : 7001)), 1, 0);
    SetTextColor(dis->hDC, GetSysColor(kColorMenuText));
    SetBkColor(dis->hDC, oldBack);
    if ((dis->itemAction & ODA_FOCUS) || (dis->itemState & ODS_FOCUS)) DrawFocusRect(dis->hDC, &dis->rcItem);
    return 1;
}

int clickOption(DrvContext* ctx, UiPage* page, UiControl* control) {
    HWND list = control->window;
    const LRESULT sel = SendMessageW(list, LB_GETCURSEL, 0, 0);
    if (sel >= 0) {
        const uint32_t v = uint32_t(SendMessageW(list, LB_GETITEMDATA, WPARAM(sel), 0));
        const uint32_t f = InstallOptionToggle(ctx, v, !IsWindowEnabled(list));
        if (f & kInstallRedraw) InvalidateRect(list, nullptr, FALSE);
        if (f & kInstallRefill) refillSources(ctx, page);
    }
    markChanged(page);
    OnOptionControlChanged(ctx, page, 0);
    return 0;
}

// The model's paper sources, each listed unless its condition holds; a
// listed source's tray slot is marked present, a left-out one absent.
int initSources(DrvContext* ctx, UiPage* page, UiControl* control) {
    HWND lv = control->window;
    if (SendMessageW(lv, LVM_GETITEMCOUNT, 0, 0) > 0) return 1;
    RECT client{};
    GetClientRect(lv, &client);
    for (int c = 0; c < 4; ++c) {
        WCHAR head[kTextChars] = {};
        ResLoadString(ctx, uint32_t(6001 + c), head, kTextChars, 0);
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        col.cx = client.right / 4;
        col.pszText = head;
        col.iSubItem = c;
        SendMessageW(lv, LVM_INSERTCOLUMNW, WPARAM(c), reinterpret_cast<LPARAM>(&col));
    }
    CtlSetItemValue(ctx, control, 2);
    const uint32_t option = MdlFindOption(ctx, kItemSources);
    int row = 0;
    for (uint32_t rec = option ? MdlGetOptionValues(ctx, kItemSources, nullptr) : 0; rec;
         rec = MdlOptionGetValueList(ctx, option, rec)) {
        const uint32_t v = MdlOptionGetChoice(ctx, option, rec, nullptr);
        const int slot = TraySlotForValue(v);
        const bool leftOut = MdlEvalOptionCond1(ctx, option, v) != 0;
        ItemSetValueById(ctx, kItemTrayField + slot, leftOut ? 0 : 1);
        if (leftOut) continue;
        WCHAR text[kTextChars] = {};
        ResLoadString(ctx, v, text, kTextChars, 0);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = text;
        item.lParam = LPARAM(v);
        const int at = int(SendMessageW(lv, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (at >= 0 && v == CtlGetItemValue(ctx, control)) {
            LVITEMW state{};
            state.state = state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(lv, LVM_SETITEMSTATE, WPARAM(at), reinterpret_cast<LPARAM>(&state));
        }
        ++row;
    }
    showSlot(ctx, page);
    return 1;
}

void cellText(DrvContext* ctx, int mapItem, uint32_t raw, WCHAR* out) {
    out[0] = 0;
    if (const DmItem* map = ItemFindById(ctx, mapItem)) ResLoadString(ctx, ItemMapToValue(ctx, map, raw), out, kTextChars, 0);
}

int drawSource(DrvContext* ctx, UiControl* control, const DRAWITEMSTRUCT* dis) {
    if (!dis || !(dis->itemAction & (ODA_DRAWENTIRE | ODA_SELECT))) return 0;
    HWND lv = control->window;
    WCHAR text[kTextChars] = {};
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = int(dis->itemID);
    item.pszText = text;
    item.cchTextMax = int(kTextChars);
    SendMessageW(lv, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    const int s = TraySlotForValue(uint32_t(item.lParam));
    const bool disabled = !IsWindowEnabled(lv), selected = dis->itemState & ODS_SELECTED;
    const COLORREF back = GetSysColor(disabled ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW);
    SetTextColor(dis->hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : kColorMenuText));
    const COLORREF oldBack = SetBkColor(dis->hDC, back);
    RECT cell = dis->rcItem;
    for (int c = 0; c < 4; ++c) {
        cell.right = cell.left + int(SendMessageW(lv, LVM_GETCOLUMNWIDTH, WPARAM(c), 0));
        WCHAR t[kTextChars] = {};
        if (c == 0) WCopyCut(t, kTextChars, text);
        if (c == 1) cellText(ctx, kItemPaperMap, ItemValueById(ctx, kItemTrayPaper + s), t);
        if (c == 3) cellText(ctx, kItemMediaMap, ItemValueById(ctx, kItemTrayMedia + s), t);
        if (c == 2) {
            HBRUSH brush = CreateSolidBrush(back);
            FillRect(dis->hDC, &cell, brush);
            DeleteObject(brush);
            const bool turned = ItemValueById(ctx, kItemTrayOrient + s) != 0;
            const bool feed = ItemValueById(ctx, kItemMachineFeed) == 1;
            DrawBitmapComposite(ctx, nullptr, control, dis->hDC, &cell, cell.left, cell.top,
                                BitmapSourceId(turned == feed ? 6194 : 6193), 1, 0);
        } else {
            fillText(dis->hDC, cell, t, cell.left);
        }
        cell.left = cell.right;
    }
    SetTextColor(dis->hDC, GetSysColor(kColorMenuText));
    SetBkColor(dis->hDC, oldBack);
    if ((dis->itemAction & ODA_FOCUS) || (dis->itemState & ODS_FOCUS)) DrawFocusRect(dis->hDC, &dis->rcItem);
    return 1;
}

int sourceMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, LPARAM lParam) {
    if (message == WM_INITDIALOG) return initSources(ctx, page, control);
    if (message == WM_DRAWITEM) return drawSource(ctx, control, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    if (message == WM_COMMAND) return 1;
    if (message != WM_NOTIFY) return 0;
    const auto* nm = reinterpret_cast<const NMLISTVIEW*>(lParam);
    if (nm && nm->hdr.code == LVN_ITEMCHANGED && (nm->uNewState & LVIS_SELECTED) &&
        uint32_t(nm->lParam) != CtlGetItemValue(ctx, control)) {
        CtlSetItemValue(ctx, control, uint32_t(nm->lParam));
        showSlot(ctx, page);
        OnOptionControlChanged(ctx, page, 0);
    }
    return 1;
}

int orientation(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) CtlCommand(ctx, page, control, wParam, lParam);
    const int s = selectedSlot(ctx);
    const uint32_t flag = CtlGetItemValue(ctx, control) != uint32_t(kCtlPortrait) ? 1 : 0;
    if (ItemValueById(ctx, kItemTrayOrient + s) != flag || message == WM_COMMAND) {
        ItemSetValueById(ctx, kItemTrayOrient + s, flag);
        redraw(ctx, page, kCtlSources, FALSE);
    }
    if (message != WM_COMMAND) return 0;
    markChanged(page);
    OnOptionControlChanged(ctx, page, 1);
    return 1;
}

}  // namespace

int InstallOptionsHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                       LPARAM lParam) {
    if (!ctx || !page || !control || !control->window) return 0;
    if ((message == WM_COMMAND || message == WM_NOTIFY) && LOWORD(wParam) != control->id) return 0;
    const int s = selectedSlot(ctx);
    switch (control->id) {
        case kCtlOptions:
            if (message == WM_LBUTTONUP || (message == WM_CHAR && wParam == VK_SPACE))
                return clickOption(ctx, page, control);
            if (message == WM_DRAWITEM)
                return drawOption(ctx, page, control, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return 0;
        case kCtlSources: return sourceMessage(ctx, page, control, message, lParam);
        case kCtlPaper:
        case kCtlMedia:
            if (message != WM_COMMAND || HIWORD(wParam) != CBN_SELCHANGE) return 0;
            CtlCommand(ctx, page, control, wParam, lParam);
            ItemSetValueById(ctx, (control->id == kCtlPaper ? kItemTrayPaper : kItemTrayMedia) + s,
                             CtlGetItemValue(ctx, control));
            redraw(ctx, page, kCtlSources, FALSE);
            return 1;
        case kCtlPortrait:
        case kCtlLandscape:
            if (message != WM_COMMAND && message != WM_PAINT) return 0;
            return orientation(ctx, page, control, message, wParam, lParam);
        case kCtlLock:
            if (message != WM_COMMAND) return 0;
            CtlCommand(ctx, page, control, wParam, lParam);
            ItemSetValueById(ctx, kItemTrayLock + s, CtlGetItemValue(ctx, control));
            redraw(ctx, page, kCtlSources, FALSE);
            return 1;
        case kCtlDefaults:
            if (message != WM_COMMAND) return 0;
            CtlCommand(ctx, page, control, wParam, lParam);
            markChanged(page);
            redraw(ctx, page, kCtlOptions, TRUE);
            refillSources(ctx, page);
            OnOptionControlChanged(ctx, page, 1);
            return 1;
        default: return 0;
    }
}

}  // namespace vesk
