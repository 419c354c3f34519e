// The preset maintenance dialog: reorder, rename, comment, delete and add
// presets, and refresh the list against what the device reports. The list
// control's entries stand for the slots in order, so every operation reads
// the keys it works on from the list.
#include "dialogs/preset_maintenance.h"

#include <win/user.h>

#include <string_view>

#include "core/bidi/bidi.h"
#include "core/deploy/deploy.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/res/res.h"
#include "core/sysdeps.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "dialogs/file_dialogs.h"
#include "hooks/page_hooks.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"

namespace vesk {
namespace {

constexpr int kCtlList = 2139, kBtnDelete = 2140, kBtnRefresh = 2141, kBtnAdd = 2142, kBtnUp = 2143,
              kBtnDown = 2144, kEditName = 2145, kEditComment = 2146;
constexpr uint32_t kSlotBase = 119;
constexpr UINT kMsgDuplicate = 0x8004;
constexpr WORD kEnChange = 0x300, kEnKillFocus = 0x200;
constexpr size_t kNameEditChars = 260;

const WCHAR* section(DrvContext* ctx) { return ctx->ws->printerName; }

bool same(const WCHAR* a, const WCHAR* b) { return std::u16string_view(a) == std::u16string_view(b); }

// A non-negative number as decimal text into `out` of 12 characters.
void decimal(int v, WCHAR* out) {
    WCHAR digits[12];
    int n = 0;
    do digits[n++] = WCHAR(u'0' + v % 10);
    while ((v /= 10) > 0 && n < 11);
    for (int i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
    out[n] = 0;
}

// True when the list keeps texts; the dialog's own preset list is drawn
// from its entries' values alone.
bool keepsTexts(HWND list) {
    const LONG_PTR style = GetWindowLongPtrW(list, GWL_STYLE);
    return !(style & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE)) || (style & LBS_HASSTRINGS);
}

// The key of a list entry: its text, or the string of its value (the value
// of slot n is 119 + n, whose string is the slot's key). False when there
// is none or it does not fit.
bool entryKey(DrvContext* ctx, HWND list, int position, WCHAR* key) {
    key[0] = 0;
    if (position < 0 || position >= int(SendMessageW(list, LB_GETCOUNT, 0, 0))) return false;
    if (!keepsTexts(list)) {
        const auto value = uint32_t(SendMessageW(list, LB_GETITEMDATA, WPARAM(position), 0));
        if (value < kSlotBase || value >= kSlotBase + kPresetSlots) return false;
        ResLoadString(ctx, value, key, kListKeyChars - 8, 0);
        return key[0] != 0;
    }
    const LRESULT len = SendMessageW(list, LB_GETTEXTLEN, WPARAM(position), 0);
    if (len <= 0 || size_t(len) + 8 > kListKeyChars) return false;
    SendMessageW(list, LB_GETTEXT, WPARAM(position), reinterpret_cast<LPARAM>(key));
    return true;
}

void withSuffix(WCHAR* out, const WCHAR* key, const WCHAR* suffix) {
    WCopyWhole(out, kListKeyChars, key);
    WAppendWhole(out, kListKeyChars, suffix);
}

void readValue(DrvContext* ctx, const WCHAR* key, WCHAR* out, size_t chars) {
    IniGetString(section(ctx), key, u"", out, DWORD(chars), GetIniFilePath(ctx));
}

void slotName(DrvContext* ctx, int slot, WCHAR* out, size_t chars) {
    WCHAR key[kListKeyChars];
    readValue(ctx, FormatPresetKey(key, slot, 1), out, chars);
}

struct Dialog {
    DrvContext* ctx;
    UiPage* page;
    UiControl* list;
};

void selectSlot(const Dialog& d, int slot) {
    SendMessageW(d.list->window, LB_SETCURSEL, WPARAM(slot), 0);
}

// The list's item becomes the slot and the change pipeline runs for it.
void listItemToSlot(const Dialog& d, int slot) {
    CtlSetItemValue(d.ctx, d.list, kSlotBase + uint32_t(slot));
    OptChangeFromControl(d.ctx, d.page, d.list, kSlotBase + uint32_t(slot), 0);
}

void copyNameComment(const Dialog& d, int slot) {
    WCHAR text[kPresetValueChars];
    PresetGetEntryText(d.ctx, d.list->window, slot, 1, text);
    CtlSetItemString(d.ctx, kEditName, text);
    PresetGetEntryText(d.ctx, d.list->window, slot, 2, text);
    CtlSetItemString(d.ctx, kEditComment, text);
}

int deleteSelected(const Dialog& d, UiControl* button) {
    HWND list = d.list->window;
    const int s = int(SendMessageW(list, LB_GETCURSEL, 0, 0));
    if (s <= 0) return 0;
    // The model's rule for the button asks first; no rule, no deletion.
    if (OptCheckConflict(d.ctx, d.page, button->option) != 1) return 1;
    const int n = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int p = s; p <= n - 2; ++p) PresetSwapEntries(d.ctx, list, p, p + 1);
    PresetClearEntry(d.ctx, list, n - 1);
    PagesRefreshPresetLists(d.ctx);
    const int sel = s >= n - 1 ? 0 : s;
    selectSlot(d, sel);
    LoadPresetByIndex(d.ctx, sel);
    listItemToSlot(d, sel);
    copyNameComment(d, sel);
    OnOptionControlChanged(d.ctx, d.page, 1);
    return 1;
}

// The device-information items as {index, value} pairs ended by {0, 0};
// null when none qualifies or memory is short.
uint32_t* captureDeviceInfo(DrvContext* ctx) {
    const DmItemTable* t = ctx->items;
    if (!t || t->count <= 0) return nullptr;
    int n = 0;
    for (int i = 0; i < t->count; ++i) n += OptIsDeviceInfoItem(t->items[i].id) ? 1 : 0;
    if (!n) return nullptr;
    auto* pairs = static_cast<uint32_t*>(MemAllocZero(size_t(n + 1) * 2 * sizeof(uint32_t)));
    if (!pairs) return nullptr;
    int at = 0;
    for (int i = 0; i < t->count; ++i) {
        if (!OptIsDeviceInfoItem(t->items[i].id)) continue;
        pairs[2 * at] = uint32_t(i);
        pairs[2 * at + 1] = ItemGetValue(ctx, &t->items[i]);
        ++at;
    }
    return pairs;
}

int refreshFromDevice(const Dialog& d) {
    BidiGetDeviceInfo(d.ctx, d.page->window);
    HelpTipHide(d.ctx);
    MemFree(d.ctx->ws->devInfoCaptureList);
    d.ctx->ws->devInfoCaptureList = captureDeviceInfo(d.ctx);
    PresetsRevalidate(d.ctx, 1);
    int slot = PresetCheckDuplicates(d.ctx, d.page->window, -1);
    if (slot < 0) slot = 0;
    PagesRefreshPresetLists(d.ctx);
    selectSlot(d, slot);
    if (HWND edit = GetDlgItem(d.page->window, kEditName)) {
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
    }
    LoadPresetByIndex(d.ctx, slot);
    listItemToSlot(d, slot);
    OnOptionControlChanged(d.ctx, d.page, 1);
    return 1;
}

int addPresetFile(const Dialog& d, UiControl* button, WPARAM wParam, LPARAM lParam) {
    if (SendMessageW(d.list->window, LB_GETCOUNT, 0, 0) >= kPresetSlots) return 1;
    CtlCommand(d.ctx, d.page, button, wParam, lParam);
    if (!UiProceedFlag(d.ctx)) return 1;
    WCHAR path[kPresetValueChars] = {}, fileSection[kWsPrinterNameChars] = {};
    WCopyCut(path, kPresetValueChars, GetLastChosenFilePath(d.ctx));
    WCopyCut(fileSection, kWsPrinterNameChars, PrnGetPrinterName(d.ctx));
    IniSectionBracketsToCommas(fileSection);
    WCHAR name[kPresetValueChars] = {}, comment[kPresetValueChars] = {};
    // The preset file names its display name and comment under the fields'
    // own names in the printer's section.
    IniGetString(fileSection, u"wdmPresetName", u"", name, kPresetValueChars, path);
    IniGetString(fileSection, u"wdmPresetComment", u"", comment, kPresetValueChars, path);
    if (!name[0]) {
        // The file's name without its last extension.
        size_t start = 0, dot = SIZE_MAX;
        for (size_t i = 0; path[i]; ++i)
            if (path[i] == u'\\') start = i + 1, dot = SIZE_MAX;
            else if (path[i] == u'.') dot = i;
        WCopyCut(name, kPresetValueChars, path + start);
        if (dot != SIZE_MAX) name[dot - start] = 0;
    }
    PresetAdd(d.ctx, path, name, comment);
    const int slot = GetPresetCount(d.ctx) - 1;
    LoadPresetByIndex(d.ctx, slot);
    listItemToSlot(d, slot);
    PagesRefreshPresetLists(d.ctx);
    CtlSetItemValue(d.ctx, d.list, kSlotBase + uint32_t(slot));
    OnOptionControlChanged(d.ctx, d.page, 1);
    return 1;
}

int move(const Dialog& d, bool up) {
    HWND list = d.list->window;
    const int s = int(SendMessageW(list, LB_GETCURSEL, 0, 0));
    const int n = int(SendMessageW(list, LB_GETCOUNT, 0, 0));
    int t = s;
    if (up && s > 0) t = s - 1;
    if (!up && s < n - 1) t = s + 1;
    // Slot 0 never moves and nothing moves into it.
    if (t == s || s < 1 || t < 1) return 1;
    PresetSwapEntries(d.ctx, list, s, t);
    // The moved preset stays chosen: the lists are refilled showing it.
    CtlSetItemValue(d.ctx, d.list, kSlotBase + uint32_t(t));
    PagesRefreshPresetLists(d.ctx);
    selectSlot(d, t);
    copyNameComment(d, t);
    OnOptionControlChanged(d.ctx, d.page, 0);
    return 1;
}

int editCommand(const Dialog& d, UiControl* edit, WPARAM wParam, LPARAM lParam) {
    const WORD code = HIWORD(wParam);
    if (code == kEnChange) {
        CtlCommand(d.ctx, d.page, edit, wParam, lParam);
        return 1;
    }
    if (code != kEnKillFocus) return 0;
    CtlCommand(d.ctx, d.page, edit, wParam, lParam);
    const int s = int(SendMessageW(d.list->window, LB_GETCURSEL, 0, 0));
    if (s > 0) {
        WCHAR name[kPresetValueChars] = {};
        CtlGetItemString(d.ctx, kEditName, name, kPresetValueChars);
        if (!name[0]) {
            MsgBoxSimple(d.ctx, d.page->window, 10031, 0);
            if (HWND e = GetDlgItem(d.page->window, kEditName)) SetFocus(e);
            selectSlot(d, s);
        } else {
            SavePresetByIndex(d.ctx, s);
        }
    }
    return 1;
}

}  // namespace

int IniSwapValues(DrvContext* ctx, const WCHAR* sectionName, const WCHAR* keyA, const WCHAR* keyB) {
    if (!ctx || !sectionName || !keyA || !keyB) return 0;
    WCHAR a[kPresetValueChars] = {}, b[kPresetValueChars] = {};
    const WCHAR* ini = GetIniFilePath(ctx);
    IniGetString(sectionName, keyA, u"", a, kPresetValueChars, ini);
    IniGetString(sectionName, keyB, u"", b, kPresetValueChars, ini);
    const int ok = IniWriteString(sectionName, keyA, b, ini);
    return IniWriteString(sectionName, keyB, a, ini) && ok;
}

int PresetSwapEntries(DrvContext* ctx, HWND list, int a, int b) {
    if (!ctx || !ctx->ws) return 0;
    WCHAR keyA[kListKeyChars], keyB[kListKeyChars];
    if (!entryKey(ctx, list, a, keyA) || !entryKey(ctx, list, b, keyB)) return 0;
    int ok = 1;
    for (const WCHAR* suffix : {u"", u"Name", u"Comment"}) {
        WCHAR ka[kListKeyChars], kb[kListKeyChars];
        withSuffix(ka, keyA, suffix);
        withSuffix(kb, keyB, suffix);
        ok = IniSwapValues(ctx, section(ctx), ka, kb) && ok;
    }
    PresetSnapshot(ctx, nullptr, 3);
    return ok;
}

int PresetSetNameComment(DrvContext* ctx, HWND list, int position, const WCHAR* name, const WCHAR* comment) {
    if (!ctx || !ctx->ws) return 0;
    WCHAR key[kListKeyChars], k[kListKeyChars];
    if (!entryKey(ctx, list, position, key)) return 0;
    withSuffix(k, key, u"Name");
    int ok = IniWriteString(section(ctx), k, name ? name : u"", GetIniFilePath(ctx));
    withSuffix(k, key, u"Comment");
    ok = IniWriteString(section(ctx), k, comment ? comment : u"", GetIniFilePath(ctx)) && ok;
    PresetSnapshot(ctx, nullptr, 3);
    return ok;
}

int PresetClearEntry(DrvContext* ctx, HWND list, int position) {
    if (!ctx || !ctx->ws) return 0;
    WCHAR key[kListKeyChars];
    if (!entryKey(ctx, list, position, key)) return 0;
    WCHAR path[kWsPathChars] = {};
    readValue(ctx, key, path, kWsPathChars);
    IniWriteString(section(ctx), key, u"", GetIniFilePath(ctx));
    const size_t n = WLen(path);
    // The file stays on disk; the check keeps the other lists' marks current.
    if (n > 2 && WEqualNoCase(path + n - 3, u"rst") && PresetIsWritable(ctx, path)) FileIsListed(ctx, path);
    PresetSetNameComment(ctx, list, position, u"", u"");
    const int count = GetPresetCount(ctx);
    WCHAR text[12] = {};
    decimal(count > 0 ? count - 1 : 0, text);
    const int ok = IniWriteString(section(ctx), u"Count", text, GetIniFilePath(ctx));
    PresetSnapshot(ctx, nullptr, 3);
    return ok;
}

int PresetGetEntryText(DrvContext* ctx, HWND list, int position, int kind, WCHAR* buffer) {
    if (!buffer) return 0;
    buffer[0] = 0;
    if (!ctx || !ctx->ws || kind < 0 || kind > 2) return 0;
    WCHAR key[kListKeyChars], k[kListKeyChars];
    if (!entryKey(ctx, list, position, key)) return 0;
    withSuffix(k, key, kind == 1 ? u"Name" : kind == 2 ? u"Comment" : u"");
    return int(IniGetString(section(ctx), k, u"", buffer, kPresetValueChars, GetIniFilePath(ctx)));
}

int PresetFindByName(DrvContext* ctx, const WCHAR* name, int preferredSlot) {
    if (!ctx || !ctx->ws || !name) return -1;
    const int count = GetPresetCount(ctx);
    WCHAR slot[kPresetValueChars];
    if (preferredSlot >= 0 && preferredSlot < count) {
        slotName(ctx, preferredSlot, slot, kPresetValueChars);
        if (same(slot, name)) return preferredSlot;
    }
    for (int i = 0; i < count; ++i) {
        slotName(ctx, i, slot, kPresetValueChars);
        if (same(slot, name)) return i;
    }
    return -1;
}

int PresetFindDuplicateName(DrvContext* ctx, HWND dialog, int a) {
    if (!ctx || !ctx->ws) return -1;
    const int count = GetPresetCount(ctx);
    WCHAR candidate[kPresetValueChars], other[kPresetValueChars];
    for (int i = 0; i < count; ++i) {
        if (a != -1 && i != a) continue;
        if (a == -1) {
            slotName(ctx, i, candidate, kPresetValueChars);
        } else {
            candidate[0] = 0;
            GetDlgItemTextW(dialog, kEditName, candidate, int(kNameEditChars));
        }
        for (int j = a == -1 ? i + 1 : 0; j < count; ++j) {
            if (j == i) continue;
            slotName(ctx, j, other, kPresetValueChars);
            if (same(other, candidate)) return (j == 0 || a > 0) ? i : j;
        }
    }
    return -1;
}

int PresetCheckDuplicates(DrvContext* ctx, HWND dialog, int slot) {
    const int found = PresetFindDuplicateName(ctx, dialog, slot);
    if (found >= 0) PostMessageW(dialog, kMsgDuplicate, WPARAM(found), 0);
    return found;
}

int PresetMaintenanceHook(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                          LPARAM lParam) {
    if (!ctx || !ctx->ws || !page) return 0;
    if (!control) {
        if (message == WM_INITDIALOG) {
            ctx->ws->devInfoCaptureList = nullptr;  // the dispatcher applied and freed the last one
            return 0;
        }
        if (message != kMsgDuplicate) return 0;
        UiControl* list = CtlFindById(ctx, page, kCtlList);
        if (!list || !list->window) return 0;
        const Dialog d{ctx, page, list};
        MsgBoxSimple(ctx, page->window, 10052, 0);
        if (HWND e = GetDlgItem(page->window, kEditName)) SetFocus(e);
        const int slot = int(wParam);
        selectSlot(d, slot);
        LoadPresetByIndex(ctx, slot);
        listItemToSlot(d, slot);
        OnOptionControlChanged(ctx, page, 1);
        return 1;
    }
    if (message != WM_COMMAND || LOWORD(wParam) != control->id) return 0;
    UiControl* list = CtlFindById(ctx, page, kCtlList);
    if (!list || !list->window) return 0;
    const Dialog d{ctx, page, list};
    switch (control->id) {
        case kBtnDelete: return deleteSelected(d, control);
        case kBtnRefresh: return refreshFromDevice(d);
        case kBtnAdd: return addPresetFile(d, control, wParam, lParam);
        case kBtnUp: return move(d, true);
        case kBtnDown: return move(d, false);
        case kEditName:
        case kEditComment: return editCommand(d, control, wParam, lParam);
        default: return 0;
    }
}

}  // namespace vesk
