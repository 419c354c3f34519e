// The small pages the dispatcher handles itself: the preset page's Change
// and Default buttons, the initial settings, tray names, print type,
// margins, confirmation, tray status and save-preset pages.
#include <win/files.h>

#include "core/bidi/bidi.h"
#include "core/devmode/dm_flags.h"
#include "core/ini_wrap.h"
#include "core/install/install_rename.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "hooks/inline_pages.h"
#include "hooks/page_hooks.h"
#include "pipeline/ui_pipeline.h"

namespace vesk {
namespace {

constexpr int kItemPresetNo = 41;
constexpr uint32_t kPresetNew = 118;
constexpr uint32_t kPresetFirst = 119;
constexpr int kItemWmOn = 63;
constexpr int kItemWmId = 120;
constexpr int kItemWmKind = 109;
constexpr int kItemPrnMethod = 222;
constexpr int kItemPostTray = 893;
constexpr uint32_t kMaskPassword = 0x8000000u;
constexpr uint32_t kMaskPresetSave = 0x10000000u;
constexpr uint32_t kMaskDependents = 0x20000000u;
constexpr uint32_t kMaskOkFull = 0x40000000u;
constexpr uint32_t kMaskOkSub = 0x80000000u;
constexpr size_t kTextChars = 261;

// The tray number a status control shows; -1 for none.
struct TrayOf {
    uint16_t controlId;
    int8_t tray;
};
constexpr TrayOf kStatusTrays[] = {
    {2458, 0},  {2462, 0},  {2518, 0},  {2459, 1},  {2463, 1},  {2519, 1},  {2460, 2},  {2464, 2},
    {2520, 2},  {2461, 28}, {2465, 28}, {2521, 28}, {2541, 3},  {2544, 3},  {2547, 3},  {2542, 25},
    {2545, 25}, {2548, 25}, {2567, 25}, {2568, 25}, {2569, 25}, {2543, 27}, {2546, 27}, {2549, 27},
};
constexpr TrayOf kInitialTrays[] = {{2410, 0},  {2411, 28}, {2412, 1},  {2413, 2},
                                    {2538, 3},  {2566, 25}, {2539, 25}, {2540, 27}};

int presetSlot(DrvContext* ctx) { return int(ItemValueById(ctx, kItemPresetNo)) - int(kPresetFirst); }

void applyDependentsOf(DrvContext* ctx, UiPage* page, UiControl* c) {
    if (c) OptApplyDependents(ctx, page, c->option, c->applyMode);
}

void recheckStamp(DrvContext* ctx) {
    const uint32_t id = ItemValueById(ctx, kItemWmId);
    const uint32_t kind = ItemValueById(ctx, kItemWmKind);
    if (ItemValueById(ctx, kItemWmOn) && int(id) < GetStampCount(ctx) && kind >= 1 && kind <= 3) {
        LoadStampByIndex(ctx, id);
        return;
    }
    ItemSetValueById(ctx, kItemWmOn, 0);
    ItemSetValueById(ctx, kItemWmId, 0);
}

void textOf(const HookMsg& m, int id, WCHAR* out, size_t chars) {
    out[0] = 0;
    if (m.page->window) GetDlgItemTextW(m.page->window, id, out, int(chars));
}

void emptyAndFocus(const HookMsg& m, int id) {
    if (!m.page->window) return;
    SetDlgItemTextW(m.page->window, id, u"");
    if (HWND w = GetDlgItem(m.page->window, id)) SetFocus(w);
}

bool sameText(const WCHAR* a, const WCHAR* b) {
    size_t i = 0;
    for (; a[i] && a[i] == b[i]; ++i) {}
    return a[i] == b[i];
}

bool startsWith(const WCHAR* s, const WCHAR* head, size_t* n) {
    *n = WLen(head);
    for (size_t i = 0; i < *n; ++i)
        if (s[i] != head[i]) return false;
    return true;
}

// The job-merge folder: "<OS>" is the Windows directory, "<OSDRIVE>" its
// drive.
void jobMergeFolder(DrvContext* ctx, WCHAR* out, size_t chars) {
    WCHAR raw[kTextChars] = {};
    IniGetString(ctx->ws->printerName, u"DrvDefJobMergePath", u"<OS>\\Temp\\Rmp", raw, kTextChars,
                 GetIniFilePath(ctx));
    WCHAR win[kTextChars] = {};
    GetWindowsDir(win, kTextChars);
    size_t n = 0;
    out[0] = 0;
    if (startsWith(raw, u"<OSDRIVE>", &n)) {
        win[WLen(win) > 2 ? 2 : WLen(win)] = 0;
        WCopyCut(out, chars, win);
    } else if (startsWith(raw, u"<OS>", &n)) {
        WCopyCut(out, chars, win);
    } else {
        n = 0;
    }
    WAppendWhole(out, chars, raw + n);
}

bool hasBadNameChar(const WCHAR* s) {
    for (size_t i = 0; s[i]; ++i)
        for (const WCHAR* b = u"\\/:;,*?\"<>|"; *b; ++b)
            if (s[i] == *b) return true;
    return false;
}

int passwordConfirm(const HookMsg& m) {
    DrvContext* ctx = m.ctx;
    const int pw = ItemRawById(ctx, kItemPrnMethod) == 1 ? 2245 : 2533;
    if (UiControl* ok = CtlFindById(ctx, m.page, IDOK))
        if (OptChangeFromControl(ctx, m.page, ok, CtlGetItemValue(ctx, ok), 0)) return 1;
    CtlSetItemString(ctx, 2527, u"");
    if (OnFileButton(ctx, 0, 4005, m.page->window) == IDCANCEL) {
        emptyAndFocus(m, pw);
        return 1;
    }
    WCHAR typed[kTextChars] = {}, entered[kTextChars];
    CtlGetItemString(ctx, 2527, typed, kTextChars);
    textOf(m, pw, entered, kTextChars);
    if (!sameText(typed, entered)) {
        MsgBoxOk(ctx, m.page->window, 10034);
        emptyAndFocus(m, pw);
        return 1;
    }
    ChangeMaskClear(ctx, kMaskPassword);
    return 0;
}

int jobMergeCheck(const HookMsg& m) {
    WCHAR name[kTextChars];
    textOf(m, 2243, name, kTextChars);
    if (!name[0]) return 0;
    // The name is checked before the folder is looked at.
    if (hasBadNameChar(name)) return WarnAndFocus(m, 10051, 2243);
    WCHAR path[kTextChars * 2], ext[kTextChars] = {};
    jobMergeFolder(m.ctx, path, kTextChars * 2);
    IniGetString(m.ctx->ws->printerName, u"DrvDefJobMergeFileExt", u"rmp", ext, kTextChars, GetIniFilePath(m.ctx));
    const bool fits = WAppendWhole(path, kTextChars * 2, u"\\") && WAppendWhole(path, kTextChars * 2, name) &&
                      WAppendWhole(path, kTextChars * 2, u".") && WAppendWhole(path, kTextChars * 2, ext);
    if (!fits || GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES) return WarnAndFocus(m, 10050, 2243);
    return 0;
}

}  // namespace

int PresetPageChanged(const HookMsg& m) {
    DrvContext* ctx = m.ctx;
    if (m.isCommandOf(2003)) {
        const int count = GetPresetCount(ctx);
        if (PresetIsWritableByIndex(ctx, presetSlot(ctx)))
            ChangeMaskAdd(ctx, count >= kPresetSlots ? kMaskOkFull : kMaskOkFull | kMaskOkSub);
        else
            ChangeMaskAdd(ctx, kMaskOkSub);
        if (ItemValueById(ctx, kItemPresetNo) == kPresetNew) applyDependentsOf(ctx, m.page, CtlFindById(ctx, nullptr, 2001));
        OnFileButton(ctx, 0x10, 1003, m.page->window);
        // Whether the nested sheet went on is not reported to this page;
        // the stamp is checked again in every case.
        recheckStamp(ctx);
        if (GetPresetCount(ctx) == count + 1) {
            LoadPresetByIndex(ctx, count);
            ItemSetValueById(ctx, kItemPresetNo, kPresetFirst + uint32_t(count));
            PresetListChanged(ctx, m.page);
        }
        if (m.control->window) InvalidateRect(m.control->window, nullptr, TRUE);
        return 1;
    }
    if (m.isCommandOf(2034)) {
        LoadPresetByIndex(ctx, 0);
        ItemSetValueById(ctx, kItemPresetNo, kPresetFirst);
        PresetListChanged(ctx, m.page);
        PagesRefreshPresetLists(ctx);
        OnOptionControlChanged(ctx, m.page, 1);
        return 0;
    }
    const uint32_t mask = ChangeMaskGet(ctx);
    if (!m.control && (mask & kMaskDependents)) {
        applyDependentsOf(ctx, m.page, CtlFindById(ctx, nullptr, int(mask & 0xFFFF)));
        ChangeMaskClear(ctx, kMaskDependents);
    }
    return 0;
}

int InitialSettingsChanged(const HookMsg& m) {
    DrvContext* ctx = m.ctx;
    const int id = m.controlId();
    if (m.isCommandOf(2112)) {
        BidiQueryDeviceStatus(ctx, m.page->window);
        JcFetchItemsIfOn(ctx, 1);
        return 0;
    }
    if (m.isCommandOf(2152) && m.code() == CBN_SELCHANGE) {
        const LRESULT sel = SendMessageW(m.control->window, CB_GETCURSEL, 0, 0);
        if (sel >= 0 && uint32_t(SendMessageW(m.control->window, CB_GETITEMDATA, WPARAM(sel), 0)) !=
                            CtlGetItemValue(ctx, m.control))
            MsgBoxOk(ctx, m.page->window, 10056);
        return 0;
    }
    if (id == 2159) {
        for (const TrayOf& t : kInitialTrays) {
            UiControl* c = CtlFindById(ctx, m.page, t.controlId);
            if (c && c->window && IsWindowVisible(c->window)) StatusCtlPaint(ctx, m.page, c, m.message, t.tray);
        }
        return 0;
    }
    if (m.isCommandOf(2160)) {
        if (BidiGetDeviceInfo(ctx, m.page->window)) {
            PresetRefreshCheck(ctx, 0);
            return 0;
        }
        // The query's own wait window is gone when it returns.
        DmSetFlagE(ctx);
        return 1;
    }
    for (const TrayOf& t : kInitialTrays)
        if (id == t.controlId) return StatusCtlPaint(ctx, m.page, m.control, m.message, t.tray);
    if (m.isCommandOf(2570)) {
        JcOpenIfOn(ctx);
        JcSendLanguageIfOn(ctx);
        JcCloseIfOn(ctx);
    }
    return 0;
}

int TrayNamesChanged(const HookMsg& m) {
    const int id = m.controlId();
    if (id < 2193 || id > 2209 || (id - 2193) % 2) return 0;
    if (m.message == WM_SETFOCUS || m.message == WM_KILLFOCUS) {
        ItemSetValueById(m.ctx, kItemPostTray, m.message == WM_SETFOCUS ? uint32_t((id - 2193) / 2 + 1) : 0);
        OnOptionControlChanged(m.ctx, m.page, 0);
        return 0;
    }
    if (m.isCommandOf(id) && m.code() == EN_CHANGE) {
        CtlCommand(m.ctx, m.page, m.control, m.wParam, m.lParam);
        PagesRefreshCtrls2011(m.ctx);
        return 1;
    }
    return 0;
}

int PrintTypeChanged(const HookMsg& m) {
    DrvContext* ctx = m.ctx;
    const int id = m.controlId();
    if (m.message == WM_CHAR && (id == 2423 || id == 2532) && m.wParam == u'"') return 1;
    if ((m.isCommandOf(2245) || m.isCommandOf(2533)) && (m.code() == EN_CHANGE || m.code() == EN_UPDATE)) {
        CtlCommand(ctx, m.page, m.control, m.wParam, m.lParam);
        if (m.control->item && m.control->item->changed && m.control->window && IsWindowEnabled(m.control->window))
            ChangeMaskAdd(ctx, kMaskPassword);
        return 1;
    }
    if (m.isPageCommand(IDOK)) {
        if ((ChangeMaskGet(ctx) & kMaskPassword) && passwordConfirm(m)) return 1;
        if (ItemRawById(ctx, kItemPrnMethod) == 5) return jobMergeCheck(m);
        return 0;
    }
    if (m.isPageCommand(IDCANCEL)) ChangeMaskClear(ctx, kMaskPassword);
    return 0;
}

int MarginPageChanged(const HookMsg& m) {
    const int id = m.controlId();
    if ((id == 2352 || id == 2355 || id == 2396 || id == 2605) && m.isCommandOf(id) &&
        (m.code() == EN_KILLFOCUS || m.code() == EN_CHANGE)) {
        CtlCommand(m.ctx, m.page, m.control, m.wParam, m.lParam);
        OnOptionControlChanged(m.ctx, m.page, 1);
    }
    return 0;
}

int ConfirmPageChanged(const HookMsg& m) {
    if (!m.isPageCommand(IDOK)) return 0;
    return OnFileButton(m.ctx, 0, 1028, m.page->window) == IDNO ? 1 : 0;
}

int TrayStatusChanged(const HookMsg& m) {
    if (!m.control) return 0;
    int tray = 0;
    for (const TrayOf& t : kStatusTrays)
        if (t.controlId == m.control->id) tray = t.tray;
    return StatusCtlPaint(m.ctx, m.page, m.control, m.message, tray);
}

int SavePresetChanged(const HookMsg& m) {
    DrvContext* ctx = m.ctx;
    if (!m.control && (ChangeMaskGet(ctx) & kMaskPresetSave)) {
        ItemSetValueById(ctx, kItemPresetNo, kPresetNew);
        ChangeMaskClear(ctx, kMaskPresetSave);
    }
    if (!m.isPageCommand(IDOK)) return 0;
    WCHAR name[kTextChars] = {};
    if (m.page->window && GetDlgItem(m.page->window, 2452)) textOf(m, 2452, name, kTextChars);
    else CtlGetItemString(ctx, 2145, name, kTextChars);
    const uint32_t v = ItemValueById(ctx, kItemPresetNo);
    const int slot = presetSlot(ctx);
    int match = PresetFindByName(ctx, name, slot);
    if (v >= kPresetFirst) {
        if (match < 0) match = slot;
        else if (match != slot) return WarnAndFocus(m, 10052, 2452);
    }
    if (match < 0 && GetPresetCount(ctx) >= kPresetSlots) return WarnAndFocus(m, 10049, 2452);
    if (match >= 0 && !PresetIsWritableByIndex(ctx, match)) return WarnAndFocus(m, 10024, 2452);
    if (match > 0 && v == kPresetNew) {
        MsgBoxRequest q{10032, 0, MB_ICONQUESTION, MB_YESNO, nullptr, kMsgArgNone, 0, nullptr, nullptr};
        if (MsgBoxShow(ctx, &q, m.page->window) == IDNO) {
            if (HWND f = GetDlgItem(m.page->window, 2452)) SetFocus(f);
            return 1;
        }
    }
    ItemSetValueById(ctx, kItemPresetNo, match >= 0 ? kPresetFirst + uint32_t(match) : kPresetNew);
    return 0;
}

}  // namespace vesk
