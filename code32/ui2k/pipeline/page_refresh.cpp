// The page refresh after option items changed: controls re-initialised by
// change class or state, hidden and disabled by their conditions, the
// explanation icons of disabled controls, values shown and the focus moved
// off disabled windows. Also the hit test of page controls.
#include <win/commctrl.h>
#include <win/user.h>

#include "controls/ctl_ops.h"
#include "core/devmode/dm_flags.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/model/constraints.h"
#include "core/ui_lookup.h"
#include "hooks/page_hooks.h"
#include "pipeline/expl_icon.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"

namespace vesk {
namespace {

constexpr int kItemPreset = 41, kItemUiMode = 721, kItemCopies = 12, kItemOrientation = 7;
constexpr uint32_t kPresetFirst = 119, kPresetLast = 134, kPresetNone = 118;
constexpr int kItemPresetName = 865, kItemUiModeChange = 40, kItemLogCode = 10003;
constexpr int kItemWatermarkOn = 63;
constexpr int kItemOsKind = 716, kItemNoPermission = 720, kItemCallSrc = 715;
constexpr uint32_t kChangeClasses = 0x1F0000;
constexpr uint16_t kTypeSpin = 23, kTypePictureList = 50;
constexpr int kAttrPicture = 1, kAttrPreview = 8;

constexpr uint16_t kTypeTab = 104;
constexpr int kAttrTabs = 6;

// Kind-6 attribute of a tab control: per tab its label and the controls it
// shows.
struct UiTabRow {
    uint16_t labelString;
    uint16_t controlCount;
    const uint16_t* controlIds;
};
struct UiAttrTabs {
    int16_t kind;
    uint16_t tabCount;
    const UiTabRow* tabs;
};

// 1 when the page's first tab control lists `id` under a tab other than the
// selected one.
bool hiddenByTab(const UiPage* page, int id) {
    for (int i = 0; i < page->controlCount; ++i) {
        const UiControl& t = page->controls[i];
        if (t.type != kTypeTab) continue;
        const auto* a = static_cast<const UiAttrTabs*>(CtlGetAttr(&t, kAttrTabs));
        if (!a || !a->tabs) return false;
        const LRESULT selected = t.window ? SendMessageW(t.window, TCM_GETCURSEL, 0, 0) : -1;
        for (int tab = 0; tab < a->tabCount; ++tab) {
            if (tab == selected) continue;
            const UiTabRow& row = a->tabs[tab];
            for (int k = 0; row.controlIds && k < row.controlCount; ++k)
                if (row.controlIds[k] == id) return true;
        }
        return false;
    }
    return false;
}

bool itemChanged(DrvContext* ctx, int id) {
    DmItem* item = nullptr;
    ItemValueById(ctx, id, &item);
    return item && item->changed;
}

// The preset rule: a change of any setting but the exempt ones leaves the
// preset the settings came from.
void presetRule(DrvContext* ctx, UiPage* page) {
    if (page->id == 1007 || page->id == 1032) return;
    const uint32_t preset = ItemValueById(ctx, kItemPreset);
    if (preset < kPresetFirst || preset > kPresetLast || ItemValueById(ctx, kItemUiMode) != 0 ||
        itemChanged(ctx, kItemPreset))
        return;
    if (page->id == 1011 && !PageFindByWindow(ctx, GetParent(page->window))) return;
    const UiControl* comment = CtlFindById(ctx, nullptr, 2146);
    const DmItem* commentItem = comment ? comment->item : nullptr;
    for (int i = 0; ctx->items && i < ctx->items->count; ++i) {
        const DmItem& it = ctx->items->items[i];
        if (!it.changed || &it == commentItem) continue;
        if (it.id == kItemPresetName || it.id == kItemUiModeChange || it.id == kItemLogCode) continue;
        ItemSetValueById(ctx, kItemPreset, kPresetNone);
        PagesRefreshPresetLists(ctx);
        LoadPresetByIndex(ctx, -1);
        return;
    }
}

bool anyItemChangedBut(DrvContext* ctx, int except) {
    for (int i = 0; ctx->items && i < ctx->items->count; ++i)
        if (ctx->items->items[i].changed && ctx->items->items[i].id != except) return true;
    return false;
}

// A control whose own item did not change still refreshes for these.
bool refreshAnyway(DrvContext* ctx, const UiControl& c) {
    if (const auto* a = static_cast<const UiAttrPicture*>(CtlGetAttr(&c, kAttrPicture)))
        for (uint16_t id : a->controlIds)
            if (id && itemChanged(ctx, id)) return true;
    if (const auto* a = static_cast<const UiAttrPreview*>(CtlGetAttr(&c, kAttrPreview))) {
        if (itemChanged(ctx, kItemWatermarkOn)) return true;
        if (ItemValueById(ctx, kItemWatermarkOn))
            for (uint16_t id : a->keys)
                if (id && itemChanged(ctx, id)) return true;
    }
    if (c.id == 2406) return true;
    RECT r;
    return c.window && GetUpdateRect(c.window, &r, FALSE);
}

LRESULT listCount(HWND page, int id, bool selection) {
    HWND w = GetDlgItem(page, id);
    if (!w) return -2;
    WCHAR cls[16] = {};
    GetClassNameW(w, cls, 16);
    const bool combo = cls[0] == u'C' || cls[0] == u'c';
    if (selection) return SendMessageW(w, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0);
    return SendMessageW(w, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0);
}

// The count rules of the address and preset buttons; a missing list leaves
// the button as its condition says.
bool countRuleDisables(const UiPage* page, int id) {
    HWND w = page->window;
    if (id == 2406) {
        const LRESULT sel = listCount(w, 2089, true);
        return sel != -2 && sel < 5;
    }
    if (id == 2091 || id == 2092 || id == 2407) return listCount(w, 2089, false) >= 32;
    if (id == 2142) return listCount(w, 2139, false) > 15;
    return false;
}

void moveFocusOff(HWND focus) {
    if (!focus || !IsWindow(focus) || IsWindowEnabled(focus)) return;
    HWND first = GetWindow(focus, GW_HWNDFIRST);
    HWND w = GetWindow(focus, GW_HWNDNEXT);
    for (int pass = 0; pass < 2; ++pass) {
        for (; w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (w == focus) return;
            if (IsWindowEnabled(w)) {
                SetFocus(w);
                return;
            }
        }
        w = first;
    }
}

void refreshControl(DrvContext* ctx, UiPage* page, UiControl& c, bool full, bool pictures) {
    if (!c.window) c.window = GetDlgItem(page->window, c.secondId ? c.secondId : c.id);
    if (!c.window) return;
    if ((full || pictures) && c.type == kTypePictureList && !c.hidden) InvalidateRect(c.window, nullptr, FALSE);
    const uint32_t classes = c.flags & kChangeClasses & ChangeMaskGet(ctx);
    if (classes) {
        CtlInit(ctx, page, &c);
        ChangeMaskClear(ctx, classes);
    } else if (CtlStateChanged(ctx, &c) || CtlStateChangedEx(ctx, &c)) {
        if (c.type >= 42 && c.type <= 49 && c.id != 2164 && c.id != 2036 && c.id != 2078 && c.id != 2095 &&
            c.id != 2109 && c.id != 2384)
            CtlInit(ctx, page, &c);
    } else if (!full && (!c.item || !c.item->changed) && !refreshAnyway(ctx, c)) {
        return;
    }
    if (c.option) {
        c.hidden = MdlOptionCond1Check(ctx, c.option, c.id);
        if (!c.hidden && hiddenByTab(page, c.id)) c.hidden = 1;
        c.disabled = MdlOptionCond2Check(ctx, c.option, c.id);
    }
    if (c.id == 2384) c.disabled = !(DmGetUserDefaultMode(ctx) && page->id != 4004);
    if (countRuleDisables(page, c.id)) c.disabled = 1;
    if (c.hidden) c.disabled = 1;
    const bool wantEnabled = !c.disabled;
    if ((IsWindowEnabled(c.window) != 0) != wantEnabled && !(c.id == 2164 && !wantEnabled)) {
        EnableWindow(c.window, wantEnabled);
        if (c.type == kTypeSpin) EnableScrollBar(c.window, SB_CTL, wantEnabled ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
        if (c.type == 47 || c.type == 49 || c.type == 50) InvalidateRect(c.window, nullptr, TRUE);
    }
    if (!c.hidden && c.explanationString) {
        if ((ItemValueById(ctx, kItemOsKind) == 1 || ItemValueById(ctx, kItemOsKind) == 2) &&
            ItemValueById(ctx, kItemNoPermission) == 1 && ItemValueById(ctx, kItemCallSrc) == 1)
            c.explanationString = 0;
        else if (!IsWindowEnabled(c.window)) ExplIconShow(ctx, page, &c);
        else ExplIconRemove(page, &c);
    }
    const bool shown = (GetWindowLongPtrW(c.window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown == (c.hidden != 0)) ShowWindow(c.window, c.hidden ? SW_HIDE : SW_SHOW);
    if ((!c.hidden || (c.flags & kCtlLengthInDots)) && !(c.type == kTypeSpin && c.disabled))
        CtlShowValue(ctx, page, &c);
}

}  // namespace

void OnOptionControlChanged(DrvContext* ctx, UiPage* page, int full) {
    if (!ctx || !page || !page->window || !IsWindowEnabled(page->window)) return;
    UiPageState* st = UiPageStateOf(ctx);
    if (!st || st->refreshing) return;
    HWND focus = GetFocus();
    st->refreshing = 1;
    presetRule(ctx, page);
    const bool pictures = st->pictureRefresh && anyItemChangedBut(ctx, kItemCopies);
    st->pictureRefresh = 0;
    if (itemChanged(ctx, kItemOrientation)) PagesRefreshCtrls2085(ctx);
    if (full)
        for (int i = 0; ctx->items && i < ctx->items->count; ++i) ctx->items->items[i].changed = 1;
    for (int i = 0; i < page->controlCount; ++i) refreshControl(ctx, page, page->controls[i], full != 0, pictures);
    ItemsClearChanged(ctx);
    ExplIconInvalidateAll(page);
    moveFocusOff(focus);
    st->refreshing = 0;
}

UiControl* CtlHitTest(UiPage* page, int screenX, int screenY) {
    if (!page) return nullptr;
    for (int i = page->controlCount - 1; i >= 0; --i) {
        UiControl& c = page->controls[i];
        if (!c.window || c.hidden) continue;
        RECT r{};
        GetWindowRect(c.window, &r);
        if (screenX >= r.left && screenX < r.right && screenY >= r.top && screenY < r.bottom) return &c;
    }
    return nullptr;
}

}  // namespace vesk
