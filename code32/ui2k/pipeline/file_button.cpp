// The launcher of a page's nested dialogs (file dialogs, nested sheets and
// modal dialogs) under a settings snapshot that is kept or restored by the
// user's answer, and the two file tests of the pages.
#include <win/files.h>
#include <win/prsht.h>
#include <win/user.h>

#include <string>
#include <vector>

#include "core/devmode/dm_state.h"
#include "core/ini_wrap.h"
#include "core/lists/lists.h"
#include "core/model/constraints.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"
#include "core/res/res.h"
#include "core/scenario/scenario.h"
#include "core/ui_lookup.h"
#include "dialogs/file_dialogs.h"
#include "hooks/page_hooks.h"
#include "pipeline/file_button.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"
#include "sheets/sheet_support.h"

namespace vesk {
namespace {

constexpr size_t kTextChars = 522;
constexpr int kCodeSave = 5001, kCodeLoad = 5002, kCodeDelete = 5003;
constexpr uint32_t kExportBackup = 0x10000;
constexpr uint32_t kUserSheetCaption = 5001;

DrvContext*& pendingModal() {
    static DrvContext* ctx = nullptr;
    return ctx;
}

void afterFileDialog(DrvContext* ctx, UiPageState* st, const WCHAR* file) {
    switch (st ? st->fileButtonCode : 0) {
        case kCodeSave: {
            WCHAR bundle[kWsPathChars] = {};
            if (MakeBackupName(file, bundle, ctx)) {
                if (!SettingsExport(ctx->printer, bundle, kExportBackup, ctx) || !ScenarioExport(file, bundle, ctx))
                    RemoveDirTree(bundle);
            }
            SettingsExport(ctx->printer, file, 0, ctx);
            ItemsClearChanged(ctx);
            SettingsFileTransferRsd(ctx->printer, file, 0, ctx);
            ItemsClearChanged(ctx);
            break;
        }
        case kCodeLoad:
            SettingsImport(ctx->printer, file, 0, ctx);
            PagesRefreshStampList(ctx);
            PagesRefreshCtrls2085(ctx);
            PagesRefreshCtrl2007(ctx);
            PagesRefreshPresetLists(ctx);
            PagesRefreshCtrls2011(ctx);
            PagesRefreshCtrls2017(ctx);
            break;
        case kCodeDelete:
            if (DeleteFileW(file)) {
                WCHAR bundle[kWsPathChars];
                ScenarioGetDefaultRst(file, bundle, kWsPathChars);
            }
            break;
        default: break;
    }
}

INT_PTR nestedSheet(DrvContext* ctx, int kind, int pageId, HWND parent, HMODULE res) {
    std::vector<PROPSHEETPAGEW> pages;
    UINT start = 0;
    UiPageTable* t = CtxPages(ctx);
    for (int i = 0; i < t->count; ++i) {
        UiPage& pg = t->pages[i];
        if (!(pg.kind & kind)) continue;
        if ((pg.kind & kPageUserSetting) && MdlKeyCond1Holds(ctx, pg.key)) continue;
        pg.window = nullptr;
        if (pg.id == pageId) start = UINT(pages.size());
        pages.push_back(SheetPageRecord(ctx, pg, res));
    }
    WCHAR caption[kTextChars] = {};
    if (kind == kPageUserSetting) ResLoadString(ctx, kUserSheetCaption, caption, kTextChars, 0);
    return SheetRunPages(ctx, pages.data(), UINT(pages.size()), start, parent, res,
                         kind == kPageUserSetting ? caption : nullptr);
}

}  // namespace

DrvContext* PageTakeModalContext(LPARAM lParam) {
    DrvContext* ctx = pendingModal();
    return ctx && reinterpret_cast<DrvContext*>(lParam) == ctx ? ctx : nullptr;
}

int ScenarioGetDefaultRst(const WCHAR* path, WCHAR* out, size_t outChars) {
    if (!out || outChars == 0) return 0;
    out[0] = 0;
    WCHAR list[kWsPathChars];
    if (!path || !ScenarioSiblingPath(path, u"lst", list)) return 0;
    IniGetString(kScenarioSection, u"DefaultRst", u"", out, DWORD(outChars), list);
    return out[0] != 0;
}

int OnFileButton(DrvContext* ctx, int sheetKind, int pageId, HWND parent) {
    if (!ctx || !CtxPages(ctx)) return 0;
    HMODULE res = ResGetStringDll(ctx);
    if (!res) return -1;
    SheetSession* s = SheetSessionOf(ctx);
    UiPageState* st = UiPageStateOf(ctx);
    // An unknown page changes nothing: no snapshot, the current page kept.
    UiPage* page = PageFindById(ctx, pageId);
    if (!page || !s) return 0;
    const uint16_t calling = s->currentPageId;
    s->currentPageId = uint16_t(pageId);
    DmSaveState(ctx);
    INT_PTR result = 0;
    if (PageIsFileDialog(page)) {
        WCHAR file[kTextChars] = {};
        if (st) st->fileButtonCode = 0;
        result = FileDialogRun(ctx, page, file, kTextChars);
        if (result) afterFileDialog(ctx, st, file);
    } else if ((sheetKind & 0xF0) || (page->kind & kPageUserSetting)) {
        result = nestedSheet(ctx, (page->kind & kPageUserSetting) ? kPageUserSetting : sheetKind, pageId, parent, res);
    } else {
        s->currentPageId = uint16_t(pageId);
        page->modal = 1;
        DrvContext* previous = pendingModal();
        pendingModal() = ctx;
        result = DialogBoxParamW(res, MAKEINTRESOURCEW(pageId), parent, &PageDlgProc, reinterpret_cast<LPARAM>(ctx));
        pendingModal() = previous;
        page->modal = 0;
        if (s->mainPageId == pageId) s->mainPageId = 0;
    }
    s->currentPageId = calling;
    UiPage* caller = PageFindById(ctx, calling);
    if (st && st->proceedFlag) {
        DmRestoreState(ctx, 0);
        if (pageId != 1020 && pageId != 1025 && caller && caller->window)
            SendMessageW(GetParent(caller->window), PSM_CHANGED, WPARAM(caller->window), 0);
        if (caller) OnOptionControlChanged(ctx, caller, 1);
    } else {
        DmRestoreState(ctx, 1);
    }
    return int(result);
}

int UiFileExists(const WCHAR* path) {
    if (!path || !path[0]) return 0;
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    CloseHandle(f);
    return 1;
}

int FileIsListed(DrvContext* ctx, const WCHAR* path) {
    if (!ctx || !ctx->ws || !path || !path[0]) return 0;
    const WCHAR* ini = GetIniFilePath(ctx);
    const WCHAR* section = ctx->ws->printerName;
    std::vector<std::u16string> files;
    WCHAR key[kListKeyChars], file[kWsPathChars];
    auto collect = [&](const WCHAR* k) {
        file[0] = 0;
        IniGetString(section, k, u"", file, kWsPathChars, ini);
        if (file[0]) files.emplace_back(file);
    };
    for (int i = 0, n = GetPresetCount(ctx); i <= n; ++i) collect(FormatPresetKey(key, i, 0));
    for (int i = 0, n = GetQualityCount(ctx); i <= n; ++i) collect(FormatQualityKey(key, i));
    // A listed file is recognised by the mark it carries, under whatever
    // spelling of its path; a mark that could not be written proves nothing.
    bool marked = true;
    for (const auto& f : files) marked = IniWriteString(u"VESK", u"USED", u"1", f.c_str()) && marked;
    const bool listed = IniGetInt(u"VESK", u"USED", 0, path) == 1;
    for (const auto& f : files) IniWriteString(u"VESK", u"USED", u"0", f.c_str());
    if (listed) return 1;
    if (!marked) {
        // Compare the spellings instead.
        for (const auto& f : files) {
            size_t i = 0;
            auto lower = [](WCHAR c) { return (c >= u'A' && c <= u'Z') ? WCHAR(c + 32) : c; };
            while (f[i] && path[i] && lower(f[i]) == lower(path[i])) ++i;
            if (!f[i] && !path[i]) return 1;
        }
    }
    return 0;
}

}  // namespace vesk
