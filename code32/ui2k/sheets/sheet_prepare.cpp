// Preparing the controls of a sheet once: every control bound to its item
// and model option, the cursors and brushes the pages paint with, the
// preset name and comment and the watermark checked. Also the caption
// overrides, context help and page 1003's init hook.
#include <win/user.h>
#include <win/wingdi.h>

#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/model/constraints.h"
#include "core/model/query.h"
#include "core/paths.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "hooks/page_hooks.h"
#include "sheets/sheet_support.h"

namespace vesk {
namespace {

constexpr int kItemUiStart = 880;
constexpr int kItemPresetNo = 41;
constexpr uint32_t kPresetFirstValue = 119;
constexpr int kItemWatermarkOn = 63;
constexpr int kItemWatermarkId = 120;
constexpr int kItemWatermarkKind = 109;
constexpr uint16_t kTypeSpin = 23;
constexpr uint16_t kTypeGroup = 4;
constexpr uint16_t kCursorHand = 8000;
constexpr uint16_t kCursorPressed = 8001;
constexpr int kPage1003Control = 2407;
constexpr int kPage1003Text = 2088;
constexpr uint32_t kPage1003String = 563;

// Controls whose caption is drawn from another string (65535: no caption).
struct CaptionOverride {
    uint16_t controlId;
    uint16_t stringId;
};
constexpr CaptionOverride kCaptionOverrides[] = {
    {2037, 65535}, {2038, 65535}, {2079, 65535}, {2080, 65535}, {2096, 65535},
    {2097, 65535}, {2114, 65535}, {2115, 65535}, {2003, 13187}, {2002, 13188},
    {2140, 13191}, {2143, 13189}, {2144, 13190}, {2502, 13192}, {2503, 13193},
    {0, 0},
};

bool anyOptionBound(const UiPage* page) {
    for (int i = 0; page && i < page->controlCount; ++i)
        if (page->controls[i].option) return true;
    return false;
}

void bindControls(DrvContext* ctx) {
    UiPageTable* t = CtxPages(ctx);
    for (int p = 0; p < t->count; ++p) {
        UiPage& pg = t->pages[p];
        for (int i = 0; i < pg.controlCount; ++i) {
            UiControl& c = pg.controls[i];
            CtlBindItem(ctx, &c);
            c.option = 0;
            if (ctx->model) {
                const UiControl* partner = (c.type == kTypeSpin && c.partner) ? CtlFindById(ctx, &pg, c.partner) : nullptr;
                c.option = MdlFindOptionByKeyAlias2(ctx, partner ? partner->key : c.key);
            }
            if (c.secondId == 0) c.secondId = c.id;
        }
    }
}

// The preset name and comment of the current preset slot, from the
// per-printer INI (cut into their ANSI items on a character boundary).
void loadPresetTexts(DrvContext* ctx) {
    const uint32_t slot = ItemValueById(ctx, kItemPresetNo) - kPresetFirstValue;
    if (slot >= kWsPresetSlots) return;
    const WCHAR* ini = GetIniFilePath(ctx);
    WCHAR key[kListKeyChars];
    WCHAR text[kSheetTextChars];
    const struct {
        int kind;
        DmItem* item;
    } texts[] = {{1, PresetNameBuffer(ctx)}, {2, PresetCommentBuffer(ctx)}};
    for (const auto& t : texts) {
        if (!t.item) continue;
        text[0] = 0;
        IniGetString(ctx->ws->printerName, FormatPresetKey(key, int(slot), t.kind), u"", text, kSheetTextChars, ini);
        ItemSetString(ctx, t.item, text);
    }
}

void checkWatermark(DrvContext* ctx) {
    const uint32_t id = ItemValueById(ctx, kItemWatermarkId);
    const int count = GetStampCount(ctx);
    if (ItemValueById(ctx, kItemWatermarkOn) && count > 0 && id < uint32_t(count)) {
        const uint32_t kind = ItemValueById(ctx, kItemWatermarkKind);
        if (kind >= 1 && kind <= 3) {
            LoadStampByIndex(ctx, id);
            ItemSetValueById(ctx, kItemWatermarkId, id);
        }
        return;
    }
    ItemSetValueById(ctx, kItemWatermarkOn, 0);
    ItemSetValueById(ctx, kItemWatermarkId, 0);
}

void makePaintObjects(DrvContext* ctx, SheetSession* s) {
    HMODULE strings = ResGetStringDll(ctx);
    if (!s->cursors[0]) s->cursors[0] = LoadCursorW(strings, MAKEINTRESOURCEW(kCursorHand));
    if (!s->cursors[1]) s->cursors[1] = LoadCursorW(strings, MAKEINTRESOURCEW(kCursorPressed));
    s->currentCursor = 0;
    s->buttonFace = GetSysColor(COLOR_BTNFACE);
    if (!s->faceBrush) s->faceBrush = CreateSolidBrush(s->buttonFace);
    if (!s->whiteBrush) s->whiteBrush = CreateSolidBrush(RGB(255, 255, 255));
}

// The help file beside the string library of the model.
const WCHAR* helpFile(DrvContext* ctx) {
    WCHAR name[kWsPathChars] = {};
    const uint32_t at = ModelGetTable1225(ctx);
    if (!at || !MdlReadWide(ctx, at, name, kWsPathChars)) name[0] = 0;
    return GetHelpFilePath(ctx, name);
}

}  // namespace

void SheetPrepareControls(DrvContext* ctx, UiPage* page) {
    UiPageTable* t = ctx && ctx->ws ? CtxPages(ctx) : nullptr;
    if (!t || t->count <= 0) return;
    SheetSession* s = SheetSessionOf(ctx);
    if ((s && s->prepared) || anyOptionBound(page ? page : &t->pages[0])) return;
    ItemSetRawById(ctx, kItemUiStart, 1);
    UiTablesPrepare(ctx);
    bindControls(ctx);
    ChangeMaskAdd(ctx, 0);
    LoadFreeSizeTable(ctx);
    if (s) makePaintObjects(ctx, s);
    loadPresetTexts(ctx);
    checkWatermark(ctx);
    ctx->ws->itemsChanged = 0;
    for (int i = 0; ctx->items && i < ctx->items->count; ++i) ctx->items->items[i].changed = 0;
    if (s) s->prepared = 1;
}

void CtlClearCaptionOverride(DrvContext* ctx) {
    if (SheetSession* s = SheetSessionOf(ctx)) s->captionOverride = 0;
}

void CtlSetCaptionOverride(DrvContext* ctx, const UiControl* control) {
    SheetSession* s = SheetSessionOf(ctx);
    if (!s) return;
    s->captionOverride = 0;
    for (const CaptionOverride* r = kCaptionOverrides; control && r->controlId; ++r)
        if (r->controlId == control->id) {
            s->captionOverride = r->stringId;
            return;
        }
}

void ShowContextHelp(HWND page, HWND control, UINT message) {
    auto* ctx = reinterpret_cast<DrvContext*>(GetWindowLongPtrW(page, DWLP_USER));
    if (!ctx || !CtxPages(ctx)) return;
    UiControl* c = CtlFindByWindow(ctx, PageFindByWindow(ctx, page), control);
    if (!c || c->hidden) return;
    DWORD pairs[4] = {c->id, c->helpId, 0, 0};
    const auto data = reinterpret_cast<ULONG_PTR>(pairs);
    if (message == WM_HELP) WinHelpW(control, helpFile(ctx), HELP_WM_HELP, data);
    else WinHelpW(c->type == kTypeGroup ? page : control, helpFile(ctx), HELP_CONTEXTMENU, data);
}

int Page1003InitHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG || control || !ctx || !page || !page->window) return 0;
    UiControl* c = CtlFindById(ctx, page, kPage1003Control);
    if (!c || MdlOptionCond1Check(ctx, c->option, kPage1003Control)) return 0;
    WCHAR text[kSheetTextChars] = {};
    ResLoadString(ctx, kPage1003String, text, kSheetTextChars, 0);
    SetDlgItemTextW(page->window, kPage1003Text, text);
    return 0;
}

}  // namespace vesk
