// Owner-drawn push buttons, the preset list with its previews, the tab
// control and the tree of every page and control.
#include <win/wingdi.h>
#include <win/comctl_controls.h>
#include <win/user.h>

#include <cstdio>

#include "controls/ctl_ops.h"
#include "core/devmode/dm_state.h"
#include "core/dictionary_lookup.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "pictures/pictures.h"
#include "pipeline/ui_pipeline.h"
#include "sheets/sheet_session.h"
#include "widgets/widget_support.h"
#include "widgets/widgets.h"

namespace vesk {
namespace {

constexpr uint32_t kNoCaption = 0xFFFF;
constexpr size_t kTextChars = 522;
constexpr int kPresetPicture = 2039;
constexpr uint32_t kPresetFirstValue = 119;
// The settings a preset preview of the selected entry keeps from the
// current ones: paper source, item 29, output tray and colour.
constexpr int kKeptItems[] = {13, 29, 57, 15};


// The preset's name as the INI holds it.
void presetName(DrvContext* ctx, uint32_t value, WCHAR* out, size_t cap) {
    out[0] = 0;
    const uint32_t slot = value - kPresetFirstValue;
    if (value < kPresetFirstValue || slot >= kWsPresetSlots) return;
    WCHAR key[kListKeyChars];
    IniGetString(ctx->ws->printerName, FormatPresetKey(key, int(slot), 1), u"", out, DWORD(cap), GetIniFilePath(ctx));
}

// The preset key of an entry: the string of its value. The list is owner
// drawn without strings, so the entry holds only the value.
uint32_t entryValue(HWND list, int index) { return uint32_t(SendMessageW(list, LB_GETITEMDATA, WPARAM(index), 0)); }
void entryKey(DrvContext* ctx, HWND list, int index, WCHAR* out) {
    out[0] = 0;
    if (index >= 0) ResLoadString(ctx, entryValue(list, index), out, kTextChars, 0);
}

}  // namespace

// ---- Push buttons ----

int CtlButtonInit(DrvContext* ctx, UiPage*, UiControl* c) {
    if (!ctx || !c) return 1;
    CtlSetCaptionOverride(ctx, c);
    const SheetSession* s = SheetSessionOf(ctx);
    if (s && s->captionOverride && c->window) {
        WCHAR text[kTextChars] = {};
        if (s->captionOverride != kNoCaption) ResLoadString(ctx, s->captionOverride, text, kTextChars, 0);
        SetWindowTextW(c->window, text);
    }
    CtlClearCaptionOverride(ctx);
    return 1;
}

int CtlButtonCommand(DrvContext* ctx, UiPage* page, UiControl* c, WPARAM, LPARAM) {
    if (!ctx || !c) return 1;
    if (c->option && OptCheckConflict(ctx, page, c->option) == 0) OptApplyDependents(ctx, page, c->option, c->applyMode);
    return 1;
}

int CtlButtonMessage(DrvContext* ctx, UiPage* page, UiControl* c, UINT message, WPARAM, LPARAM lParam) {
    if (!ctx || !c || !lParam) return 0;
    if (message == WM_MEASUREITEM) {
        auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        RECT r{};
        if (c->window) GetClientRect(c->window, &r);
        mi->itemWidth = UINT(r.right - r.left);
        mi->itemHeight = UINT(r.bottom - r.top);
        return 1;
    }
    if (message != WM_DRAWITEM) return 0;
    auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (!(di->itemAction & (ODA_DRAWENTIRE | ODA_SELECT | ODA_FOCUS))) return 0;
    CtlSetCaptionOverride(ctx, c);
    const bool focused = (di->itemAction & ODA_FOCUS) || (di->itemState & ODS_FOCUS);
    const int captionWidth =
        DrawButtonFace(ctx, page, c, di->hwndItem, di->hDC, &di->rcItem, 2, (di->itemState & ODS_SELECTED) != 0, focused);
    CtlClearCaptionOverride(ctx);
    if (c->option) {
        const RECT& r = di->rcItem;
        const int faceHeight = r.bottom - r.top;
        const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        const int x = captionWidth ? cx - captionWidth / 2 - faceHeight : cx;
        for (uint32_t rec = OptFirstValue(ctx, c->option); rec; rec = OptNextValue(ctx, c->option, rec)) {
            const uint16_t id = OptValueId(ctx, c->option, rec);
            if (!id) break;
            if (OptValueAllowed(ctx, c->option, id))
                DrawBitmapComposite(ctx, page, c, di->hDC, &r, x, cy, BitmapSourceId(id), 0x50, 0);
        }
    }
    return 1;
}

// ---- The preset list ----

int CtlPresetListInit(DrvContext* ctx, UiPage* page, UiControl* c) {
    if (!ctx || !c || !c->item || !c->window) return 0;
    SendMessageW(c->window, LB_RESETCONTENT, 0, 0);
    const int count = GetPresetCount(ctx);
    int entries = 0;
    for (uint32_t rec = OptFirstValue(ctx, c->option); rec && entries < count; rec = OptNextValue(ctx, c->option, rec)) {
        const uint16_t id = OptValueId(ctx, c->option, rec);
        if (!id) break;
        if (!OptValueAllowed(ctx, c->option, id)) continue;
        SendMessageW(c->window, LB_ADDSTRING, 0, LPARAM(id));
        ++entries;
    }
    ListShowValue(ctx, page, c);
    return 0;
}

int CtlPresetListCommand(DrvContext* ctx, UiPage* page, UiControl* c, WPARAM wParam, LPARAM lParam) {
    if (!ctx || !c || !c->window) return 0;
    const bool programmed = wParam == 0x10000 && lParam == 0;
    if (HIWORD(wParam) != LBN_SELCHANGE && !programmed) return 0;
    const int selected = int(SendMessageW(c->window, LB_GETCURSEL, 0, 0));
    if (selected < 0) return 0;
    WCHAR key[kTextChars];
    entryKey(ctx, c->window, selected, key);
    const uint32_t data = entryValue(c->window, selected);
    const int saved = DmSaveState(ctx);
    LoadPreset(ctx, key);
    if (OptChangeFromControl(ctx, page, c, data, 0)) {
        // Refused: back to the settings before, then the first entry.
        if (saved) DmRestoreState(ctx, 1);
        MessageBeep(0xFFFFFFFF);
        entryKey(ctx, c->window, 0, key);
        LoadPreset(ctx, key);
        SendMessageW(c->window, LB_SETCURSEL, 0, 0);
        CtlSetItemValue(ctx, c, entryValue(c->window, 0));
        OptApplyDependents(ctx, page, c->option, c->applyMode);
        CtlShowValue(ctx, page, c);
    } else {
        CtlSetItemValue(ctx, c, data);
        if (saved) DmRestoreState(ctx, 0);
    }
    OnOptionControlChanged(ctx, page, 1);
    return 1;
}

int CtlPresetListMessage(DrvContext* ctx, UiPage* page, UiControl* c, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_DRAWITEM || !ctx || !c || !lParam) return 0;
    auto* di = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
    if (!(di->itemAction & (ODA_DRAWENTIRE | ODA_SELECT)) || int(di->itemID) < 0) return 0;
    const bool selected = (di->itemState & ODS_SELECTED) != 0;
    uint32_t kept[4] = {};
    for (int i = 0; i < 4; ++i) kept[i] = ItemValueById(ctx, kKeptItems[i]);
    // The entry's preset is loaded only between a save and a restore: the
    // drawing never changes the settings.
    const int saved = DmSaveState(ctx);
    WCHAR key[kTextChars];
    entryKey(ctx, c->window, int(di->itemID), key);
    LoadPreset(ctx, key);
    if (selected && di->itemAction != ODA_SELECT)
        for (int i = 0; i < 4; ++i) ItemSetValueById(ctx, kKeptItems[i], kept[i]);
    OptApplyDependents(ctx, page, c->option, c->applyMode);
    if (di->itemData) {
        HDC dc = di->hDC;
        RECT r = di->rcItem;
        const COLORREF back = c->disabled ? GetSysColor(COLOR_BTNFACE)
                              : selected  ? GetSysColor(COLOR_HIGHLIGHT)
                                          : RGB(255, 255, 255);
        FillSolidRect(dc, &r, back);
        HFONT font = page && page->window ? reinterpret_cast<HFONT>(SendMessageW(page->window, WM_GETFONT, 0, 0)) : nullptr;
        HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
        SIZE ext{};
        TextExtent(dc, nullptr, &ext);
        RECT band{r.left, r.bottom - (ext.cy + 4), r.right, r.bottom};
        WCHAR name[kTextChars];
        presetName(ctx, uint32_t(di->itemData), name, kTextChars);
        const int oldMode = SetBkMode(dc, TRANSPARENT);
        const COLORREF oldColour = SetTextColor(dc, c->disabled ? GetSysColor(COLOR_GRAYTEXT)
                                                    : selected  ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                                                : RGB(0, 0, 0));
        DrawTextW(dc, name, int(WideLength(name)), &band, DT_CENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_SINGLELINE);
        SetTextColor(dc, oldColour);
        SetBkMode(dc, oldMode);
        if (oldFont) SelectObject(dc, oldFont);
        RECT picture{r.left, r.top, r.right, band.top};
        // The page picture may be on another page (the preset page has
        // none): the earliest one in the table then draws the entry.
        const int partnerId = c->partner ? c->partner : kPresetPicture;
        UiControl* partner = CtlFindById(ctx, page, partnerId);
        if (!partner) partner = CtlFindById(ctx, nullptr, partnerId);
        if (partner) CtlPictureDrawIn(ctx, page, partner, dc, &picture);
    }
    if (saved) DmRestoreState(ctx, 1);
    if ((di->itemAction & ODA_FOCUS) || (di->itemState & ODS_FOCUS)) DrawFocusRect(di->hDC, &di->rcItem);
    return 1;
}

// ---- Tabs ----

void TabShowGroup(UiPage* page, const UiAttrTabs* tabs, int k) {
    if (!page || !page->window || !tabs) return;
    for (int pass = 0; pass < 2; ++pass)
        for (int t = 0; t < tabs->count; ++t) {
            if ((t == k) != (pass == 1)) continue;
            const UiTabRow& row = tabs->rows[t];
            for (uint16_t i = 0; row.controls && i < row.count; ++i)
                if (HWND w = GetDlgItem(page->window, row.controls[i])) ShowWindow(w, pass ? SW_SHOW : SW_HIDE);
        }
}

int CtlTabInit(DrvContext* ctx, UiPage* page, UiControl* c) {
    const auto* tabs = static_cast<const UiAttrTabs*>(CtlGetAttr(c, 6));
    if (!ctx || !tabs || !c->window) return 0;
    for (int t = 0; t < tabs->count; ++t) {
        WCHAR label[kTextChars] = {};
        ResLoadString(ctx, tabs->rows[t].labelId, label, kTextChars, 0);
        TCITEMW item{};
        item.mask = TCIF_TEXT | TCIF_PARAM;
        item.pszText = label;
        item.lParam = reinterpret_cast<LPARAM>(ctx);
        SendMessageW(c->window, TCM_INSERTITEMW, WPARAM(t), LPARAM(&item));
    }
    TabShowGroup(page, tabs, 0);
    return 0;
}

int CtlTabMessage(DrvContext*, UiPage* page, UiControl* c, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_NOTIFY || !c || !lParam) return 0;
    const auto* n = reinterpret_cast<const NMHDR*>(lParam);
    if (n->code != UINT(TCN_SELCHANGE) || n->hwndFrom != c->window) return 0;
    TabShowGroup(page, static_cast<const UiAttrTabs*>(CtlGetAttr(c, 6)),
                 int(SendMessageW(c->window, TCM_GETCURSEL, 0, 0)));
    return 0;
}

// ---- The tree of pages and controls ----

// Appends ASCII text to a wide buffer, always terminated.
static size_t appendAscii(WCHAR* out, size_t at, size_t cap, const char* text) {
    for (; text && *text && at + 1 < cap; ++text) out[at++] = WCHAR(uint8_t(*text));
    out[at] = 0;
    return at;
}

static HTREEITEM treeInsert(HWND tree, HTREEITEM parent, WCHAR* text) {
    TVINSERTSTRUCTW is{};
    is.hParent = parent;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT;
    is.item.pszText = text;
    return reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_INSERTITEMW, 0, LPARAM(&is)));
}

int CtlTreeInit(DrvContext* ctx, UiPage*, UiControl* c) {
    UiPageTable* t = c && c->window ? CtxPages(ctx) : nullptr;
    if (!t) return 0;
    SendMessageW(c->window, TVM_DELETEITEM, 0, LPARAM(TVI_ROOT));
    WCHAR line[kTextChars];
    for (int p = 0; p < t->count; ++p) {
        UiPage& pg = t->pages[p];
        appendAscii(line, 0, kTextChars, pg.name);
        HTREEITEM root = treeInsert(c->window, TVI_ROOT, line);
        for (int i = 0; i < pg.controlCount; ++i) {
            UiControl& k = pg.controls[i];
            const SymbolEntry* sym = SymFindByKey(k.key);
            if (sym && sym->name) {
                // The symbol's name, a full-width colon and the item's value.
                size_t n = appendAscii(line, 0, kTextChars, sym->name);
                if (n + 1 < kTextChars) line[n++] = u'\uFF1A';
                char number[16];
                std::snprintf(number, sizeof number, "%d", int(CtlGetItemValue(ctx, &k)));
                appendAscii(line, n, kTextChars, number);
            } else {
                appendAscii(line, 0, kTextChars, "none");
            }
            treeInsert(c->window, root, line);
        }
    }
    return 0;
}

int CtlNoMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace vesk
