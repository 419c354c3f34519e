// The print-quality page: the user-quality check box, the owner-drawn list
// of user qualities with their pictures and names, and saving a quality.
#include <win/wingdi.h>
#include <win/user.h>

#include "core/devmode/dm_state.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "hooks/page_hooks.h"
#include "pictures/pictures.h"
#include "pipeline/ui_pipeline.h"

namespace vesk {
namespace {

constexpr int kUseUserQuality = 2133;
constexpr int kQualityList = 2134;
constexpr int kSaveQuality = 2136;
constexpr int kQualitySlotControl = 2457;
constexpr int kQualityNameControl = 2281;
constexpr uint16_t kRadioGroup[] = {2126, 2127, 2128, 2122};
constexpr int kPictureFirst = 6137;
constexpr int kPictureGreyFirst = 6152;
constexpr int kQualitySlots = 15;            // pictures 6137-6151
constexpr uint32_t kListValueOffset = 6002;  // slot picture value - list value
constexpr size_t kTextChars = 261;

int listSelection(UiPage* page) {
    HWND list = page->window ? GetDlgItem(page->window, kQualityList) : nullptr;
    return list ? int(SendMessageW(list, LB_GETCURSEL, 0, 0)) : -1;
}

void applyDependents(DrvContext* ctx, UiPage* page, UiControl* c) {
    if (c) OptApplyDependents(ctx, page, c->option, c->applyMode);
}

// The name of the quality under `key`: loaded with the settings saved and
// put back afterwards.
void qualityName(DrvContext* ctx, const WCHAR* key, WCHAR* out, size_t chars) {
    out[0] = 0;
    if (!DmSaveState(ctx)) return;
    if (LoadQuality(ctx, key)) CtlGetItemString(ctx, kQualityNameControl, out, chars);
    DmRestoreState(ctx, 1);
}

int drawEntry(DrvContext* ctx, UiPage* page, UiControl* control, const DRAWITEMSTRUCT* d) {
    if (!(d->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) || int(d->itemID) < 0) return 0;
    const bool disabled = (d->itemState & ODS_DISABLED) != 0;
    const bool selected = (d->itemState & ODS_SELECTED) != 0;
    const int back = disabled ? COLOR_BTNFACE : selected ? COLOR_HIGHLIGHT : COLOR_WINDOW;
    HBRUSH brush = CreateSolidBrush(GetSysColor(back));
    FillRect(d->hDC, &d->rcItem, brush);
    DeleteObject(brush);
    const int h = d->rcItem.bottom - d->rcItem.top;
    RECT pic{d->rcItem.left, d->rcItem.top, d->rcItem.left + h + 10, d->rcItem.bottom};
    PreviewDrawImage(ctx, page, control, d->hwndItem, &pic,
                     int(d->itemID) + (disabled ? kPictureGreyFirst : kPictureFirst), 0, 0);
    WCHAR key[kTextChars] = {}, name[kTextChars];
    ResLoadString(ctx, uint32_t(d->itemData), key, kTextChars, 0);
    qualityName(ctx, key, name, kTextChars);
    const COLORREF oldText = SetTextColor(
        d->hDC, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const int oldMode = SetBkMode(d->hDC, TRANSPARENT);
    RECT text = d->rcItem;
    text.left = pic.right + 2;
    DrawTextW(d->hDC, name, int(WLen(name)), &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SetBkMode(d->hDC, oldMode);
    SetTextColor(d->hDC, oldText);
    if (d->itemState & ODS_FOCUS) DrawFocusRect(d->hDC, &d->rcItem);
    return 1;
}

int useUserQuality(DrvContext* ctx, UiPage* page, UiControl* c, WPARAM wParam, LPARAM lParam) {
    const uint32_t checked = c->window && SendMessageW(c->window, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
    if (checked == (CtlGetItemValue(ctx, c) ? 1u : 0u)) return 0;
    if (checked) {
        const int sel = listSelection(page);
        if (sel >= 0) LoadQualityByIndex(ctx, uint32_t(sel));
    } else {
        for (uint16_t id : kRadioGroup) {
            UiControl* r = CtlFindById(ctx, page, id);
            if (r && r->window && SendMessageW(r->window, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                applyDependents(ctx, page, r);
                break;
            }
        }
    }
    CtlCommand(ctx, page, c, wParam, lParam);
    return 1;
}

int saveQuality(DrvContext* ctx, UiPage* page, UiControl* c, WPARAM wParam, LPARAM lParam) {
    const int sel = listSelection(page);
    if (sel < 0) return 1;
    LoadQualityByIndex(ctx, uint32_t(sel));
    if (CtlCommand(ctx, page, c, wParam, lParam) != IDOK) return 1;
    OptUpdateScaling(ctx, 1);
    UiControl* slotCtl = CtlFindById(ctx, nullptr, kQualitySlotControl);
    const uint32_t value = slotCtl ? CtlGetItemValue(ctx, slotCtl) : 0;
    // A slot outside the pictures would save past the quality list.
    if (value < uint32_t(kPictureFirst) || value - kPictureFirst >= uint32_t(kQualitySlots)) return 1;
    if (UiControl* list = CtlFindById(ctx, page, kQualityList)) CtlSetItemValue(ctx, list, value - kListValueOffset);
    SaveQualityByIndex(ctx, value - kPictureFirst);
    OnOptionControlChanged(ctx, page, 1);
    return 1;
}

}  // namespace

int PageQualityHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!ctx || !page || !control) return 0;
    if (control->id == kUseUserQuality && message == WM_COMMAND && LOWORD(wParam) == kUseUserQuality)
        return useUserQuality(ctx, page, control, wParam, lParam);
    if (control->id == kQualityList) {
        if (message == WM_DRAWITEM && lParam)
            return drawEntry(ctx, page, control, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        if (message == WM_COMMAND && LOWORD(wParam) == kQualityList && HIWORD(wParam) == LBN_SELCHANGE) {
            const int sel = listSelection(page);
            if (sel < 0) return 0;
            LoadQualityByIndex(ctx, uint32_t(sel));
            CtlSetItemValue(ctx, control, uint32_t(SendMessageW(control->window, LB_GETITEMDATA, WPARAM(sel), 0)));
            applyDependents(ctx, page, control);
            return 1;
        }
        return 0;
    }
    if (control->id == kSaveQuality && message == WM_COMMAND && LOWORD(wParam) == kSaveQuality)
        return saveQuality(ctx, page, control, wParam, lParam);
    return 0;
}

}  // namespace vesk
