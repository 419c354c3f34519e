// The file pages: templates of the common file dialog with a hook of ours
// that checks what the user typed or pressed before the dialog may close,
// the last folder of each kind in the per-printer INI and the path last
// chosen (per context).
#include "dialogs/file_dialogs.h"

#include <win/files.h>
#include <win/prsht.h>
#include <win/registry.h>
#include <win/system.h>
#include <win/user.h>

#include "core/devmode/dm_state.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/os_version.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"
#include "core/registry_values.h"
#include "core/sysdeps.h"
#include "core/res/res.h"
#include "core/ui_lookup.h"
#include "core/wstr.h"
#include "pipeline/ui_pipeline.h"
#include "pipeline/ui_state.h"

namespace vesk {
namespace {

constexpr uint16_t kFileKinds = kPageFileOpen | kPagePresetOpenSave | kPageBitmapRefer | kPageOverlaySave |
                                kPageOverlayRefer | kPageMidFiles;
constexpr int kCtlName = 1152, kCtlFolders = 1121, kCtlDrives = 1136;
constexpr int kCtlImagePath = 2341, kCtlOverlayRefer = 2586;
constexpr int kCtlAllPrinters = 2897, kCtlDefaultFolder = 2887;
constexpr int kBtnNew = 5001, kBtnRead = 5002, kBtnDelete = 5003;
constexpr int kItemOverlayPath = 875, kItemSpoolAll = 904;
constexpr uint32_t kTestImport = 0x20004;
constexpr int kPageOverlayFilter = 1037;
constexpr const WCHAR* kSpoolValue = u"SpoolDirectory";

size_t lastSlash(const WCHAR* s) {
    size_t at = SIZE_MAX;
    for (size_t i = 0; s[i]; ++i)
        if (s[i] == u'\\') at = i;
    return at;
}

// The folder of a path: up to its last backslash, which stays when it
// stands at index 2 (a drive root).
void cutToFolder(WCHAR* path) {
    const size_t at = lastSlash(path);
    if (at == SIZE_MAX) return;
    path[at == 2 ? 3 : at] = 0;
}

bool hasWildcards(const WCHAR* s) {
    for (; *s; ++s)
        if (*s == u'*' || *s == u'?') return true;
    return false;
}

// The last path component has no ".".
bool lacksDot(const WCHAR* s) {
    const size_t slash = lastSlash(s);
    for (size_t i = slash == SIZE_MAX ? 0 : slash + 1; s[i]; ++i)
        if (s[i] == u'.') return false;
    return true;
}

UiControl* boundControl(DrvContext* ctx, int id) {
    UiControl* c = CtlFindById(ctx, nullptr, id);
    if (c && !c->item) c->item = CtlBindItem(ctx, c);
    return c && c->item ? c : nullptr;
}

void controlText(DrvContext* ctx, int id, WCHAR* out, size_t chars) {
    out[0] = 0;
    if (UiControl* c = boundControl(ctx, id)) ItemGetString(ctx, c->item, out, chars);
}

void setControlText(DrvContext* ctx, int id, const WCHAR* text) {
    if (UiControl* c = boundControl(ctx, id)) ItemSetString(ctx, c->item, text);
}

void itemText(DrvContext* ctx, int itemId, WCHAR* out, size_t chars) {
    out[0] = 0;
    if (DmItem* it = ItemFindById(ctx, itemId)) ItemGetString(ctx, it, out, chars);
}

// The Windows directory with "\temp", or the Windows directory itself when
// that folder is missing (`missingToo` keeps "\temp" regardless).
void tempFolder(WCHAR* out, size_t chars, bool missingToo) {
    out[0] = 0;
    GetWindowsDirectoryW(out, UINT(chars));
    const size_t n = WLen(out);
    WAppendWhole(out, chars, u"\\temp");
    if (missingToo) return;
    const DWORD a = GetFileAttributesW(out);
    if (a == INVALID_FILE_ATTRIBUTES || !(a & FILE_ATTRIBUTE_DIRECTORY)) out[n] = 0;
}

// The documents folder from Windows Vista on, else the system directory.
void defaultFolder(WCHAR* out, size_t chars) {
    out[0] = 0;
    if (OsIsNt6OrLater()) {
        WCHAR docs[MAX_PATH] = {};
        if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, docs) == S_OK) {
            WCopyCut(out, chars, docs);
            return;
        }
    }
    GetSystemDirectoryW(out, UINT(chars));
}

void setFilter(DrvContext* ctx, WCHAR* buffer, uint32_t descriptionId, const WCHAR* pattern) {
    WCHAR description[kFileDialogChars] = {};
    ResLoadString(ctx, descriptionId, description, kFileDialogChars, 0);
    const size_t d = WLen(description), p = WLen(pattern);
    if (d + p + 3 > kFileDialogChars) {
        buffer[0] = buffer[1] = 0;
        return;
    }
    WCopyWhole(buffer, kFileDialogChars, description);
    WCopyWhole(buffer + d + 1, kFileDialogChars - d - 1, pattern);
    buffer[d + 1 + p + 1] = 0;
}

bool spoolAll(DrvContext* ctx) { return ItemValueById(ctx, kItemSpoolAll) == 1; }

// The spool folder's value where the page keeps it: the driver's registry
// key for all printers, else the printer's data. An absent value is
// written as the empty string.
void readSpoolFolder(DrvContext* ctx, WCHAR* out, size_t chars) {
    out[0] = 0;
    ItemSetValueById(ctx, kItemSpoolAll, 0);
    BYTE raw[kFileDialogChars * 2] = {};
    const WCHAR empty[1] = {0};
    if (!RegGetDrvValue(kSpoolValue, raw, sizeof raw - 2)) {
        RegSetDrvValue(kSpoolValue, empty, sizeof empty);
    } else {
        for (size_t i = 0; i + 1 < chars && i < kFileDialogChars - 1; ++i) {
            out[i] = WCHAR(raw[2 * i] | (raw[2 * i + 1] << 8));
            if (!out[i]) break;
            out[i + 1] = 0;
        }
    }
    if (out[0]) {
        ItemSetValueById(ctx, kItemSpoolAll, 1);
        return;
    }
    if (!PrnGetString(ctx->printer, out, chars, kSpoolValue)) {
        out[0] = 0;
        PrnSetDataString(ctx->printer, empty, sizeof empty, kSpoolValue);
    }
}

void writeSpoolFolder(DrvContext* ctx, const WCHAR* folder) {
    const DWORD bytes = DWORD((WLen(folder) + 1) * sizeof(WCHAR));
    if (spoolAll(ctx)) RegSetDrvValue(kSpoolValue, folder, bytes);
    else PrnSetDataString(ctx->printer, folder, bytes, kSpoolValue);
}

struct HookState {
    DrvContext* ctx;
    UiPage* page;
};

HookState hookState(HWND dialog) {
    auto* ofn = reinterpret_cast<OPENFILENAMEW*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!ofn) return {nullptr, nullptr};
    auto* ctx = reinterpret_cast<DrvContext*>(ofn->lCustData);
    const int id = IS_INTRESOURCE(ofn->lpTemplateName) ? int(reinterpret_cast<uintptr_t>(ofn->lpTemplateName)) : 0;
    return {ctx, ctx ? PageFindById(ctx, id) : nullptr};
}

int warn(DrvContext* ctx, HWND dialog, uint16_t message, int cancel) {
    return MsgBoxSimple(ctx, dialog, message, cancel);
}

void pressOk(HWND dialog) { SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

// The folder the folder list shows as current: its entries 0 .. selection
// joined by backslashes (a root entry brings its own). False when it does
// not fit.
bool shownFolder(HWND dialog, WCHAR* out, size_t chars) {
    out[0] = 0;
    HWND list = GetDlgItem(dialog, kCtlFolders);
    if (!list) return false;
    const int sel = int(SendMessageW(list, LB_GETCURSEL, 0, 0));
    for (int i = 0; i <= sel; ++i) {
        const LRESULT len = SendMessageW(list, LB_GETTEXTLEN, WPARAM(i), 0);
        if (len < 0 || size_t(len) >= kFileDialogChars) return false;
        WCHAR entry[kFileDialogChars] = {};
        SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(entry));
        const size_t n = WLen(out);
        if (n && out[n - 1] != u'\\' && !WAppendWhole(out, chars, u"\\")) return false;
        if (!WAppendWhole(out, chars, entry)) return false;
    }
    return sel >= 0;
}

// The full path of a typed name: as typed when it starts with a backslash
// or a drive, else inside the shown folder; the page's extension appended
// when the last component has none. False when it does not fit.
bool fullPath(HWND dialog, const UiPage* page, const WCHAR* name, WCHAR* out, size_t chars) {
    out[0] = 0;
    if (name[0] == u'\\' || (name[0] && name[1] == u':')) {
        if (!WCopyWhole(out, chars, name)) return false;
    } else {
        if (!shownFolder(dialog, out, chars)) return false;
        const size_t n = WLen(out);
        if (n && out[n - 1] != u'\\' && !WAppendWhole(out, chars, u"\\")) return false;
        if (!WAppendWhole(out, chars, name)) return false;
    }
    if (lacksDot(out) && !WAppendWhole(out, chars, PageFileFilter(page) + 1)) return false;
    return true;
}

// Replaces the extension after the last "." of the last component by the
// page's, or appends it. False when it does not fit.
bool fixExtension(const UiPage* page, WCHAR* path, size_t chars) {
    const size_t slash = lastSlash(path);
    size_t dot = SIZE_MAX;
    for (size_t i = slash == SIZE_MAX ? 0 : slash + 1; path[i]; ++i)
        if (path[i] == u'.') dot = i;
    if (dot != SIZE_MAX) path[dot] = 0;
    return WAppendWhole(path, chars, PageFileFilter(page) + 1);
}

// The image file opens as a bitmap: a "BM" header of at least the file and
// information headers.
bool bitmapFileOpens(const WCHAR* path) {
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    BYTE head[54] = {};
    DWORD got = 0;
    const BOOL ok = ReadFile(f, head, sizeof head, &got, nullptr);
    CloseHandle(f);
    return ok && got == sizeof head && head[0] == 'B' && head[1] == 'M';
}

// The test import of a preset file, the settings saved around it; true
// when the file's header was refused (the import showed why).
bool importRefused(DrvContext* ctx, const UiPage* page, const WCHAR* path) {
    if (!DmSaveState(ctx)) return false;
    ctx->ws->rejectedFile = 0;
    SettingsImport(ctx->printer, path, kTestImport, ctx);
    const bool refused = ctx->ws->rejectedFile != 0;
    if ((page->kind & kPageFileOpen) && !refused &&
        !WEqualNoCase(PrnGetPrinterName(ctx), ctx->ws->driverName))
        SettingsExport(ctx->printer, path, kTestImport, ctx);
    DmRestoreState(ctx, 1);
    return refused;
}

UINT_PTR okOnSpoolPage(DrvContext* ctx, HWND dialog) {
    WCHAR name[kFileDialogChars] = {};
    GetDlgItemTextW(dialog, kCtlName, name, int(kFileDialogChars));
    if (WEqualNoCase(name, u"*.*")) name[0] = 0;
    if (name[0]) return 0;
    WCHAR folder[kFileDialogChars] = {}, temp[kFileDialogChars] = {};
    if (!shownFolder(dialog, folder, kFileDialogChars)) {
        warn(ctx, dialog, 10024, 0);
        return 1;
    }
    const size_t n = WLen(folder);
    if (n > 3 && folder[n - 1] == u'\\') folder[n - 1] = 0;
    tempFolder(temp, kFileDialogChars, true);
    if (WEqualNoCase(folder, temp)) folder[0] = 0;
    writeSpoolFolder(ctx, folder);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return 1;
}

UINT_PTR okOnFilePage(DrvContext* ctx, UiPage* page, HWND dialog) {
    WCHAR name[kFileDialogChars] = {};
    GetDlgItemTextW(dialog, kCtlName, name, int(kFileDialogChars));
    if (hasWildcards(name)) return 0;
    if (name[0] && lacksDot(name)) {
        if (!WAppendWhole(name, kFileDialogChars, PageFileFilter(page) + 1)) {
            warn(ctx, dialog, 10024, 0);
            return 1;
        }
        SetDlgItemTextW(dialog, kCtlName, name);
    }
    const uint16_t kind = page->kind;
    if (kind & kPageBitmapRefer) {
        WCHAR path[kFileDialogChars] = {};
        if (fullPath(dialog, page, name, path, kFileDialogChars) && bitmapFileOpens(path)) {
            UiSetProceedFlag(ctx, 1);
            return 0;
        }
        warn(ctx, dialog, 10043, 0);
        return 1;
    }
    if (kind & kPageOverlaySave) {
        if (!name[0]) {
            warn(ctx, dialog, 10024, 0);
            return 1;
        }
        WCHAR path[kFileDialogChars] = {};
        if (!fullPath(dialog, page, name, path, kFileDialogChars)) {
            warn(ctx, dialog, 10024, 0);
            return 1;
        }
        if (!PageFileNameHasExtension(page, path)) {
            if (warn(ctx, dialog, 10060, 1) != IDOK) return 1;
            if (!fixExtension(page, name, kFileDialogChars) || !fixExtension(page, path, kFileDialogChars)) {
                warn(ctx, dialog, 10024, 0);
                return 1;
            }
            SetDlgItemTextW(dialog, kCtlName, name);
        }
        if (FileExists(path) && warn(ctx, dialog, 10026, 1) != IDOK) return 1;
        UiSetProceedFlag(ctx, 1);
        return 0;
    }
    if (kind & kPageOverlayRefer) {
        WCHAR path[kFileDialogChars] = {};
        if (!fullPath(dialog, page, name, path, kFileDialogChars) || !FileExists(path)) {
            warn(ctx, dialog, 10043, 0);
            return 1;
        }
        if (PageFileNameHasExtension(page, path)) {
            UiSetProceedFlag(ctx, 1);
            return 0;
        }
        warn(ctx, dialog, 10024, 0);
        return 1;
    }
    // Preset files: Enter on the managing page means save as new.
    if ((kind & kPagePresetOpenSave) && UiFileButton(ctx) == 0) {
        UiSetFileButton(ctx, kBtnNew);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(kBtnNew, BN_CLICKED), 0);
        // A refused name leaves the dialog open with nothing pressed, so the
        // next Enter is checked again.
        if (!UiProceedFlag(ctx)) UiSetFileButton(ctx, 0);
        return 1;
    }
    if (UiFileButton(ctx) != kBtnNew) {
        WCHAR path[kFileDialogChars] = {};
        if (!fullPath(dialog, page, name, path, kFileDialogChars)) {
            warn(ctx, dialog, 10024, 0);
            return 1;
        }
        if (importRefused(ctx, page, path)) return 1;
    }
    UiSetProceedFlag(ctx, 1);
    return 0;
}

// The bad forms of a name for the preset buttons: empty, a folder, or a
// last "." or "\" that starts the name or follows a backslash.
bool badButtonName(const WCHAR* name) {
    const size_t n = WLen(name);
    if (!n || name[n - 1] == u'\\') return true;
    size_t at = SIZE_MAX;
    for (size_t i = 0; i < n; ++i)
        if (name[i] == u'.' || name[i] == u'\\') at = i;
    return at == 0 || (at != SIZE_MAX && name[at - 1] == u'\\');
}

UINT_PTR presetButton(DrvContext* ctx, UiPage* page, HWND dialog, int button) {
    WCHAR name[kFileDialogChars] = {};
    GetDlgItemTextW(dialog, kCtlName, name, int(kFileDialogChars));
    if (hasWildcards(name)) {
        pressOk(dialog);
        return 0;
    }
    if (badButtonName(name)) {
        if (button == kBtnNew) warn(ctx, dialog, 10024, 0);
        return 0;
    }
    WCHAR path[kFileDialogChars] = {};
    if (!fullPath(dialog, page, name, path, kFileDialogChars) || WLen(path) > kFileDialogMaxPath) {
        warn(ctx, dialog, 10024, 0);
        return 1;
    }
    const bool overlay = page->kind & kPageOverlaySave;
    auto askExtension = [&](UINT_PTR onCancel, UINT_PTR* result) {
        if (PageFileNameHasExtension(page, path)) return true;
        if (warn(ctx, dialog, 10025, 1) != IDOK) return *result = onCancel, false;
        if (!fixExtension(page, path, kFileDialogChars) || WLen(path) > kFileDialogMaxPath) {
            warn(ctx, dialog, 10024, 0);
            return *result = 1, false;
        }
        fixExtension(page, name, kFileDialogChars);
        SetDlgItemTextW(dialog, kCtlName, name);
        return true;
    };
    UINT_PTR result = 0;
    if (!FileExists(path)) {
        if (button == kBtnRead) return warn(ctx, dialog, 10023, 0), 0;
        if (button == kBtnDelete) return warn(ctx, dialog, 10027, 0), 0;
        if (!askExtension(1, &result)) return result;
    } else {
        if (!askExtension(0, &result)) return result;
        if (!overlay) {
            if (!PresetIsWritable(ctx, path)) return warn(ctx, dialog, 374, 0), 0;
            if (button == kBtnNew && warn(ctx, dialog, 10026, 1) != IDOK) return 1;
            if (button == kBtnDelete && FileIsListed(ctx, path)) return warn(ctx, dialog, 375, 0), 0;
        }
    }
    if (button == kBtnDelete) {
        if (warn(ctx, dialog, 10028, 1) != IDOK) return 0;
        if (overlay) {
            DeleteFileW(path);
            SetDlgItemTextW(dialog, kCtlName, PageFileFilter(page));
            pressOk(dialog);
            return 0;
        }
    }
    UiSetFileButton(ctx, uint32_t(button));
    pressOk(dialog);
    return 0;
}

}  // namespace

bool PageIsFileDialog(const UiPage* page) { return page && (page->kind & kFileKinds); }

bool PageIsNotFileDialog(const UiPage* page) { return !PageIsFileDialog(page); }

const WCHAR* PageFileFilter(const UiPage* page) {
    if (!page) return u"*.rst";
    if (page->kind & kPageBitmapRefer) return u"*.bmp";
    if ((page->kind & (kPageOverlaySave | kPageOverlayRefer)) || page->id == kPageOverlayFilter) return u"*.rpo";
    return u"*.rst";
}

bool PageFileHasExtension(const UiPage* page, const WCHAR* tail) {
    const WCHAR* ext = PageFileFilter(page) + 1;  // ".rst"
    if (!tail || tail[0] != u'.') return false;
    for (int i = 1; i < 4; ++i) {
        const WCHAR want = ext[i];
        const WCHAR upper = want >= u'a' && want <= u'z' ? WCHAR(want - u'a' + u'A') : want;
        if (tail[i] != want && tail[i] != upper) return false;
    }
    return tail[4] == 0;
}

bool PageFileNameHasExtension(const UiPage* page, const WCHAR* name) {
    const size_t n = name ? WLen(name) : 0;
    return n >= 4 && PageFileHasExtension(page, name + n - 4);
}

const WCHAR* FileDialogFolderKey(const UiPage* page) {
    if (!page) return nullptr;
    if (page->kind & kPageFileOpen) return u"OpenFilePath";
    if (page->kind & kPagePresetOpenSave) return u"SaveFilePath";
    if (page->kind & kPageBitmapRefer) return u"RefFilePath";
    if (page->kind & kPageOverlayRefer) return u"RporefPath";
    return nullptr;
}

void FileDialogSaveLastFolder(DrvContext* ctx, const UiPage* page, const WCHAR* path) {
    const WCHAR* key = FileDialogFolderKey(page);
    if (!key || !ctx || !path) return;
    WCHAR folder[kFileDialogChars] = {};
    if (!WCopyWhole(folder, kFileDialogChars, path)) return;
    cutToFolder(folder);
    IniWriteString(PrnGetPrinterNameAlias(ctx), key, folder, GetIniFilePath(ctx));
}

int FileDialogGetLastFolder(DrvContext* ctx, const UiPage* page, WCHAR* buffer, size_t chars) {
    const WCHAR* key = FileDialogFolderKey(page);
    if (!buffer || !chars) return 0;
    buffer[0] = 0;
    if (!key || !ctx) return 0;
    return int(IniGetString(PrnGetPrinterNameAlias(ctx), key, u"", buffer, DWORD(chars), GetIniFilePath(ctx)));
}

void FileDialogPrepare(DrvContext* ctx, UiPage* page, FileDialogBlock* b, HWND owner) {
    *b = FileDialogBlock{};
    OPENFILENAMEW& ofn = b->ofn;
    ofn.lStructSize = sizeof(OPENFILENAMEW);
    ofn.hwndOwner = owner;
    ofn.hInstance = ResGetStringDll(ctx);
    ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    ofn.lpTemplateName = reinterpret_cast<LPCWSTR>(uintptr_t(page->id));
    ofn.lpfnHook = FileDialogHookProc;
    ofn.lCustData = reinterpret_cast<LPARAM>(ctx);
    ofn.lpstrFile = b->file;
    ofn.nMaxFile = kFileDialogChars;
    ofn.lpstrInitialDir = b->folder;
    ofn.lpstrTitle = b->title;
    ofn.lpstrFilter = b->filter;
    ofn.nFilterIndex = 1;
    const WCHAR* filter = PageFileFilter(page);
    const uint16_t kind = page->kind;
    if (kind & kPageMidFiles) {
        readSpoolFolder(ctx, b->folder, kFileDialogChars);
        if (!b->folder[0]) tempFolder(b->folder, kFileDialogChars, false);
        ofn.lpstrFilter = nullptr;
        ofn.nFilterIndex = 0;
        return;
    }
    WCopyWhole(b->defExt, 4, filter + 2);
    ofn.lpstrDefExt = b->defExt;
    uint32_t titleId = 5003, descriptionId = 376;
    if (kind & kPageFileOpen) titleId = 5002;
    if (kind & kPageBitmapRefer) {
        controlText(ctx, kCtlImagePath, b->file, kFileDialogChars);
        titleId = 5004, descriptionId = 377;
    } else if (kind & kPageOverlaySave) {
        itemText(ctx, kItemOverlayPath, b->file, kFileDialogChars);
        titleId = 5008, descriptionId = 433;
    } else if (kind & kPageOverlayRefer) {
        controlText(ctx, kCtlOverlayRefer, b->file, kFileDialogChars);
        titleId = 5009, descriptionId = 433;
    }
    const bool given = b->file[0] != 0;
    if (!given) WCopyWhole(b->file, kFileDialogChars, filter);
    setFilter(ctx, b->filter, descriptionId, filter);
    ResLoadString(ctx, titleId, b->title, kFileDialogChars, 0);
    if (given && ((kind & kPageOverlaySave) || FileExists(b->file))) {
        WCopyWhole(b->folder, kFileDialogChars, b->file);
        cutToFolder(b->folder);
    } else if (given || !FileDialogGetLastFolder(ctx, page, b->folder, kFileDialogChars)) {
        defaultFolder(b->folder, kFileDialogChars);
    }
}

int FileDialogRun(DrvContext* ctx, UiPage* page, WCHAR* file, size_t fileChars) {
    if (!ctx || !ctx->ws || !PageIsFileDialog(page)) return 0;
    auto* b = static_cast<FileDialogBlock*>(MemAllocZero(sizeof(FileDialogBlock)));
    if (!b) return 0;
    FileDialogPrepare(ctx, page, b, GetActiveWindow());
    UiSetFileButton(ctx, 0);
    UiSetProceedFlag(ctx, 0);
    const BOOL accepted =
        (page->kind & kPagePresetOpenSave) ? GetSaveFileNameW(&b->ofn) : GetOpenFileNameW(&b->ofn);
    int result = accepted ? 1 : 0;
    if (accepted && !(page->kind & kPageMidFiles)) {
        if (page->kind & kPageBitmapRefer) setControlText(ctx, kCtlImagePath, b->file);
        else if (page->kind & kPageOverlaySave) {
            if (DmItem* it = ItemFindById(ctx, kItemOverlayPath)) ItemSetString(ctx, it, b->file);
        } else if (page->kind & kPageOverlayRefer) setControlText(ctx, kCtlOverlayRefer, b->file);
        FileDialogSaveLastFolder(ctx, page, b->file);
        WCopyCut(ctx->ws->lastChosenPath, kWsDialogTextChars, b->file);
        if (file && fileChars && !WCopyWhole(file, fileChars, b->file)) result = 0;
    }
    MemFree(b);
    return result;
}

const WCHAR* GetLastChosenFilePath(DrvContext* ctx) {
    return ctx && ctx->ws ? ctx->ws->lastChosenPath : nullptr;
}

UINT_PTR CALLBACK FileDialogHookProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        // The dialog keeps the request: it names the context and the page.
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const HookState s = hookState(dialog);
        if (OsIsNt6OrLater())
            SetWindowLongPtrW(dialog, GWL_EXSTYLE, GetWindowLongPtrW(dialog, GWL_EXSTYLE) & ~LONG_PTR(WS_EX_CONTEXTHELP));
        if (s.ctx) FixAppWindowProcs(s.ctx, dialog);
        if (s.ctx && s.page && (s.page->kind & kPageMidFiles))
            CheckDlgButton(dialog, kCtlAllPrinters, spoolAll(s.ctx) ? BST_CHECKED : BST_UNCHECKED);
        return 1;
    }
    if (message == WM_HELP || message == WM_CONTEXTMENU) return 1;
    if (message != WM_COMMAND) return 0;
    const HookState s = hookState(dialog);
    if (!s.ctx || !s.ctx->ws || !s.page) return 0;
    DrvContext* ctx = s.ctx;
    UiPage* page = s.page;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    const bool spoolPage = page->kind & kPageMidFiles;
    switch (id) {
        case IDCANCEL: UiSetProceedFlag(ctx, 0); return 0;
        case kCtlDrives:
            if (code == CBN_SELCHANGE) {
                SetDlgItemTextW(dialog, kCtlName, PageFileFilter(page));
                pressOk(dialog);
            }
            return 1;
        case IDOK: return spoolPage ? okOnSpoolPage(ctx, dialog) : okOnFilePage(ctx, page, dialog);
        default: break;
    }
    if (spoolPage && id == kCtlDefaultFolder) {
        WCHAR temp[kFileDialogChars] = {};
        tempFolder(temp, kFileDialogChars, false);
        SetDlgItemTextW(dialog, kCtlName, temp);
        UiSetProceedFlag(ctx, 0);
        pressOk(dialog);
        return 1;
    }
    if (spoolPage && id == kCtlAllPrinters) {
        ItemSetValueById(ctx, kItemSpoolAll, IsDlgButtonChecked(dialog, kCtlAllPrinters) == BST_CHECKED ? 1 : 0);
        return 0;
    }
    if ((page->kind & (kPagePresetOpenSave | kPageOverlaySave)) && (id == kBtnNew || id == kBtnRead || id == kBtnDelete))
        return presetButton(ctx, page, dialog, id);
    return 0;
}

}  // namespace vesk
