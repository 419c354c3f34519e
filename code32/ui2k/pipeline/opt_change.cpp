// The option change pipeline: a control's new value is stored, the option's
// conflict entries are evaluated, a conflict is explained in a box and the
// value put back unless the user accepted it, the entry's actions for the
// answer run, and dependent items, scaling and the preset follow.
#include <win/user.h>

#include <algorithm>

#include "core/devmode/dm_paper.h"
#include "core/devmode/dm_state.h"
#include "core/dictionary_lookup.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/model/eval.h"
#include "core/model/image.h"
#include "core/model/query.h"
#include "core/printer_identity.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "pipeline/opt_conflict.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"

namespace vesk {
namespace {

constexpr size_t kTextChars = 522, kCaptionChars = 260;
constexpr int kItemPreset = 41, kItemPrnMethod = 222;
constexpr uint32_t kPresetFirst = 119, kPresetLast = 134;
constexpr uint32_t kPrnMethodStored = 56;
constexpr uint16_t kTypeNumEdit = 63;
constexpr int kPresetListControl = 2001;
constexpr uint16_t kButtonsOkCancel = 1;
constexpr int kItemSrcLength = 44, kItemSrcWidth = 45, kItemDstLength = 51, kItemDstWidth = 52;
constexpr int kItemFuncScale = 58, kItemScaleType = 90, kItemScaleH = 92, kItemScaleV = 93;
constexpr int kItemPaper = 8, kItemOutPaper = 50;

uint16_t entryWord(DrvContext* ctx, uint32_t entry, uint32_t at) {
    uint16_t w = 0;
    MdlViewOf(ctx).u16(entry + at, &w);
    return w;
}

uint16_t entryTextId(DrvContext* ctx, uint32_t entry) {
    const MessageSymbol* m = MsgSymFindById(ctx, entryWord(ctx, entry, kMdlAlertMessage));
    return m ? m->textId : 0;
}

// The control the user has to correct after a rejected conflict.
void moveFocus(DrvContext* ctx, UiPage* page, uint32_t entry) {
    if (!page || !page->window) return;
    int target = 0;
    bool empty = false;
    switch (page->id) {
        case 1019: {
            const uint16_t text = entryTextId(ctx, entry);
            if (text == 10003 || text == 10004) target = 2241;
            else target = ItemRawById(ctx, kItemPrnMethod) == 1 ? 2245 : 2533, empty = true;
            break;
        }
        case 1021: target = 2281; break;
        case 1032: target = 2452; break;
        case 1033: target = 2455; break;
        default: return;
    }
    HWND w = GetDlgItem(page->window, target);
    if (!w) return;
    if (empty) SetWindowTextW(w, u"");
    SetFocus(w);
}

}  // namespace

uint32_t OptConflictEntry(DrvContext* ctx, uint32_t option, uint16_t key) {
    const uint32_t rule = MdlOptionRule(ctx, option);
    if (!rule || !key) return 0;
    const MdlImageView v = MdlViewOf(ctx);
    uint32_t head = 0;
    if (!v.link(rule + kMdlRuleAlerts, kMdlImgAlertSize, &head) || !head) return 0;
    return MdlListFind(v, head, kMdlImgAlertSize, kMdlAlertMessage, key);
}

int OptChangeFromControl(DrvContext* ctx, UiPage* page, UiControl* control, uint32_t value, int store) {
    if (!ctx || !control) return 0;
    HelpTipHide(ctx);
    uint32_t old = 0;
    if (store == 1) {
        old = CtlGetItemValue(ctx, control);
        CtlSetItemValue(ctx, control, value);
    }
    const uint32_t option = control->option;
    if (!option) return 0;
    const uint32_t presetBefore = ItemValueById(ctx, kItemPreset);
    UiPageState* st = UiPageStateOf(ctx);
    uint16_t key;
    if (st && st->applying) {
        // The apply's check leaves the option table as it found it.
        DmItemTable* snapshot = SnapshotOptionTable(ctx);
        key = MdlFirstTrueEntry(ctx, option);
        RestoreOptionTable(ctx, snapshot);
    } else {
        key = MdlFirstTrueEntry(ctx, option);
    }
    if (key == 0) {
        OptApplyDependents(ctx, page, option, control->applyMode);
        const uint32_t preset = ItemValueById(ctx, kItemPreset);
        if (preset != presetBefore && preset >= kPresetFirst && preset <= kPresetLast) {
            const int slot = int(preset - kPresetFirst);
            LoadPresetByIndex(ctx, slot);
            ItemSetValueById(ctx, kItemPreset, uint32_t(slot) + kPresetFirst);
            if (UiControl* list = page ? CtlFindById(ctx, page, kPresetListControl) : nullptr) {
                if (list->window) SendMessageW(list->window, LB_SETCURSEL, WPARAM(slot), 0);
                OnOptionControlChanged(ctx, page, 1);
            }
        }
        return 0;
    }
    const uint32_t entry = OptConflictEntry(ctx, option, key);
    if (!entry) return 0;
    int answer;
    if (control->type == kTypeNumEdit && page && page->window) {
        // An edit keeps its focus while the user types: the box comes later,
        // from the page procedure, which looks the entry up again by key.
        PostMessageW(page->window, kMsgShowConflict, WPARAM(control->id), LPARAM(key));
        answer = 1;
    } else {
        answer = ConflictMessageBox(ctx, entry, page ? page->window : nullptr);
    }
    const uint16_t text = entryTextId(ctx, entry);
    if (ItemRawById(ctx, kItemPrnMethod) == kPrnMethodStored && (text == 10011 || text == 10012)) {
        MdlApplyOptionSubActions(ctx, option, key, uint16_t(answer));
        return 0;
    }
    if (entryWord(ctx, entry, kMdlAlertButtons) == kButtonsOkCancel && answer == IDOK) {
        MdlApplyOptionSubActions(ctx, option, key, uint16_t(answer));
        return 0;
    }
    if (store == 1) CtlSetItemValue(ctx, control, old);
    MdlApplyOptionSubActions(ctx, option, key, uint16_t(answer));
    moveFocus(ctx, page, entry);
    return 1;
}

int OptChangeFromControlAlias(DrvContext* ctx, UiPage* page, UiControl* control, uint32_t value) {
    return OptChangeFromControl(ctx, page, control, value, 1);
}

int ConflictMessageBox(DrvContext* ctx, uint32_t entry, HWND window) {
    if (!ctx || !entry) return 0;
    const uint16_t key = entryWord(ctx, entry, kMdlAlertMessage);
    const MessageSymbol* m = MsgSymFindById(ctx, key);
    if (!m) return 0;
    WCHAR caption[kCaptionChars] = {};
    if (m->captionId) ResLoadString(ctx, m->captionId, caption, kCaptionChars, 0);
    else if (const WCHAR* name = PrnGetPrinterName(ctx)) {
        size_t i = 0;
        for (; name[i] && i + 1 < kCaptionChars; ++i) caption[i] = name[i];
        caption[i] = 0;
    }
    WCHAR text[kTextChars] = {};
    ResLoadString(ctx, m->textId, text, kTextChars, 0);
    if (window) PostMessageW(window, WM_PAINT, 0, 0);
    const UINT style = UINT(entryWord(ctx, entry, kMdlAlertButtons)) | UINT(entryWord(ctx, entry, kMdlAlertIcon));
    return MessageBoxW(window, text, caption, style);
}

int OptCheckConflict(DrvContext* ctx, UiPage* page, uint32_t option) {
    if (!ctx || !option) return 0;
    const uint16_t key = MdlFirstTrueEntry(ctx, option);
    const uint32_t entry = OptConflictEntry(ctx, option, key);
    if (!entry) return 0;
    const int answer = ConflictMessageBox(ctx, entry, page ? page->window : nullptr);
    MdlApplyOptionSubActions(ctx, option, key, uint16_t(answer));
    return answer;
}

int OptApplyDependents(DrvContext* ctx, UiPage* page, uint32_t option, uint32_t scaling) {
    if (!ctx || !option) return 0;
    const uint32_t dialog = MdlApplyOptionActions(ctx, option);
    OptUpdateScaling(ctx, scaling);
    if (!dialog || !page) return 0;
    if (OnFileButton(ctx, 4, int(dialog), page->window) == 2) OnOptionControlChanged(ctx, page, 1);
    return 1;
}

void OptUpdateScaling(DrvContext* ctx, uint32_t scaling) {
    if (!ctx || scaling != 1) return;
    DmSetSrcPaperItemsSwap(ctx, int16_t(ItemRawById(ctx, kItemPaper)));
    DmSetDstPaperItemsSwap(ctx, int16_t(ItemRawById(ctx, kItemOutPaper)));
    if (ItemRawById(ctx, kItemFuncScale) != 1 || ItemRawById(ctx, kItemScaleType) != 2) return;
    const int64_t srcW = int32_t(ItemValueById(ctx, kItemSrcWidth));
    const int64_t srcL = int32_t(ItemValueById(ctx, kItemSrcLength));
    // A zero source size leaves the scales as they are.
    if (srcW == 0 || srcL == 0) return;
    const int64_t h = int64_t(int32_t(ItemValueById(ctx, kItemDstWidth))) * 100 / srcW;
    const int64_t v = int64_t(int32_t(ItemValueById(ctx, kItemDstLength))) * 100 / srcL;
    const int32_t scale = int32_t(std::clamp<int64_t>(h < v ? h : v, INT32_MIN, INT32_MAX));
    ItemSetValueById(ctx, kItemScaleH, uint32_t(scale));
    ItemSetValueById(ctx, kItemScaleV, uint32_t(scale));
}

}  // namespace vesk
