// The page-hook dispatcher: every message of a page or of its controls is
// offered here first. The preset controls shared by several pages are
// handled before the pages by id; small pages inline, the others by their
// own hooks.
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/model/image.h"
#include "core/model/model.h"
#include "core/model/query.h"
#include "core/ini_wrap.h"
#include "core/paths.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "hooks/hook_state.h"
#include "hooks/inline_pages.h"
#include "hooks/page_hooks.h"
#include "pipeline/ui_pipeline.h"
#include "sheets/sheet_session.h"

namespace vesk {
namespace {

constexpr int kItemPresetNo = 41;
constexpr uint32_t kPresetFirst = 119;
constexpr int kQualityList = 2134;
constexpr int kPresetListControl = 2001;
constexpr size_t kNameChars = 33;
constexpr size_t kEntryChars = 261;

bool isPresetChoice(int id) { return id == 2036 || id == 2078 || id == 2095 || id == 2109; }
bool isPresetNameEdit(int id) { return id >= 2388 && id <= 2391; }
bool isMaintenanceButton(int id) { return id == 2002 || id == 2037 || id == 2079 || id == 2096 || id == 2114; }

int presetSlot(DrvContext* ctx) { return int(ItemValueById(ctx, kItemPresetNo)) - int(kPresetFirst); }

int presetChoice(const HookMsg& m) {
    DrvContext* ctx = m.ctx;
    HWND box = m.control->window;
    if (m.message == WM_INITDIALOG) {
        if (!m.control->item) return 0;
        SendMessageW(box, CB_RESETCONTENT, 0, 0);
        const int count = GetPresetCount(ctx);
        uint32_t ids[64];
        const int n = OptionValueIds(ctx, m.control->item->id, ids, 64);
        const WCHAR* ini = GetIniFilePath(ctx);
        for (int i = 0; i < n && int(SendMessageW(box, CB_GETCOUNT, 0, 0)) < count; ++i) {
            WCHAR key[kNameChars + 8] = {};
            ResLoadString(ctx, ids[i], key, kNameChars, 0);
            WAppendWhole(key, kNameChars + 8, u"Name");
            WCHAR text[kEntryChars] = {};
            IniGetString(ctx->ws->printerName, key, u"", text, kEntryChars, ini);
            const LRESULT at = SendMessageW(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
            if (at >= 0) SendMessageW(box, CB_SETITEMDATA, WPARAM(at), LPARAM(ids[i]));
        }
        const int slot = presetSlot(ctx);
        if (slot >= 0) SendMessageW(box, CB_SETCURSEL, WPARAM(slot), 0);
        return 1;
    }
    if (m.message != WM_COMMAND || LOWORD(m.wParam) != m.control->id) return 0;
    const LRESULT sel = SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (sel >= 0 && sel < 16) {
        const uint32_t data = uint32_t(SendMessageW(box, CB_GETITEMDATA, WPARAM(sel), 0));
        if (data != CtlGetItemValue(ctx, m.control)) {
            LoadPresetByIndex(ctx, int(sel));
            CtlSetItemValue(ctx, m.control, data);
            PresetListChanged(ctx, m.page);
            PagesRefreshPresetLists(ctx);
            OnOptionControlChanged(ctx, m.page, 1);
            if (m.page->window) SendMessageW(GetParent(m.page->window), PSM_CHANGED, WPARAM(m.page->window), 0);
        }
    }
    return 1;
}

int presetNameEdit(const HookMsg& m) {
    if (m.message != WM_COMMAND || LOWORD(m.wParam) != m.control->id || m.code() != EN_KILLFOCUS) return 0;
    CtlCommand(m.ctx, m.page, m.control, m.wParam, m.lParam);
    PagesRefreshPresetLists(m.ctx);
    return 1;
}

void restoreDevInfoCapture(DrvContext* ctx) {
    HookState* h = HookStateOf(ctx, false);
    if (!h || !h->devInfoCapture) return;
    for (const DevInfoPair* p = h->devInfoCapture; p->itemIndex; ++p)
        if (ctx->items && p->itemIndex < ctx->items->count) ItemSetRaw(ctx, &ctx->items->items[p->itemIndex], p->value);
    DevInfoCaptureListFree(ctx);
    PagesRefreshCtrl2007(ctx);
    PagesRefreshCtrls2011(ctx);
    PagesRefreshCtrls2017(ctx);
}

int maintenanceButton(const HookMsg& m) {
    if (m.message != WM_COMMAND || LOWORD(m.wParam) != m.control->id) return 0;
    DrvContext* ctx = m.ctx;
    if (UiControl* list = CtlFindById(ctx, PageFindById(ctx, 1007), 2139)) CtlSetItemValue(ctx, list, kPresetFirst);
    LoadPresetByIndex(ctx, 0);
    PresetListChanged(ctx, m.page);
    CtlCommand(ctx, m.page, m.control, m.wParam, m.lParam);
    restoreDevInfoCapture(ctx);
    int slot = presetSlot(ctx);
    if (slot < 0 || slot >= GetPresetCount(ctx)) slot = 0;
    LoadPresetByIndex(ctx, slot);
    ItemSetValueById(ctx, kItemPresetNo, kPresetFirst + uint32_t(slot));
    PresetListChanged(ctx, m.page);
    OnOptionControlChanged(ctx, m.page, 1);
    return 1;
}

}  // namespace

void PresetListChanged(DrvContext* ctx, UiPage* page) {
    UiControl* list = CtlFindById(ctx, nullptr, kPresetListControl);
    if (list) OptChangeFromControl(ctx, page, list, ItemValueById(ctx, kItemPresetNo), 0);
}

int WarnAndFocus(const HookMsg& m, uint16_t messageId, int focusId) {
    HWND owner = m.page ? m.page->window : nullptr;
    MsgBoxOk(m.ctx, owner, messageId);
    if (owner)
        if (HWND f = GetDlgItem(owner, focusId)) SetFocus(f);
    return 1;
}

int OptionValueIds(DrvContext* ctx, int optionId, uint32_t* out, int capacity) {
    const uint16_t base = MdlBaseType(MdlGetOptionRawType(ctx, optionId));
    if (!optionId || !MdlIsListType(base)) return 0;
    const uint32_t head = MdlGetOptionValues(ctx, optionId, nullptr);
    const MdlImageView v = MdlViewOf(ctx);
    MdlListWalk walk(v, head, MdlValueRecordSize(base));
    int n = 0;
    for (uint32_t rec; n < capacity && walk.next(&rec);) {
        uint16_t id = 0;
        if (v.u16(rec + kMdlValId, &id)) out[n++] = id;
    }
    return n;
}

int PageCtrlChanged(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                    LPARAM lParam) {
    Page1003InitHook(ctx, page, control, message, wParam, lParam);
    if (!page) {
        if (message != WM_MEASUREITEM || !lParam) return 0;
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        if (mis->CtlID != kQualityList) return 0;
        mis->itemHeight *= 2;
        return 1;
    }
    if (!ctx || !ctx->ws) return 0;
    const HookMsg m{ctx, page, control, message, wParam, lParam};
    const int id = m.controlId();
    if (control && isPresetChoice(id)) return presetChoice(m);
    if (control && isPresetNameEdit(id)) return presetNameEdit(m);
    if (control && isMaintenanceButton(id)) return maintenanceButton(m);
    switch (page->id) {
        case 1001: return PresetPageChanged(m);
        case 1003: case 1022: case 1023: case 1037:
            return StampPagesHook(ctx, page, control, message, wParam, lParam);
        case 1006: return PageQualityHook(ctx, page, control, message, wParam, lParam);
        case 1007: return PresetMaintenanceHook(ctx, page, control, message, wParam, lParam);
        case 1009: case 4004: return FontSubstPageHook(ctx, page, control, message, wParam, lParam);
        case 1010: return InitialSettingsChanged(m);
        case 1011: return InstallOptionsHook(ctx, page, control, message, wParam, lParam);
        case 1015: return TrayNamesChanged(m);
        case 1017: return FreeSizeDialogHook(ctx, page, control, message, wParam, lParam);
        case 1019: return PrintTypeChanged(m);
        case 1020: return StatusPageHook(ctx, page, control, message, wParam, lParam);
        case 1024: return MarginPageChanged(m);
        case 1027: return ConfirmPageChanged(m);
        case 1030: case 1031: return TrayStatusChanged(m);
        case 1032: return SavePresetChanged(m);
        case 1034: return PageAddressHook(ctx, page, control, message, wParam, lParam);
        case 1035: return PageAddressListHook(ctx, page, control, message, wParam, lParam);
        default: return 0;
    }
}

}  // namespace vesk
