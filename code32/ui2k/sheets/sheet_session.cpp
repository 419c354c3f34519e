// The two sheet callbacks of the spooler's contract. A session opens a
// driver context at the common UI's init call, keeps it (and the session
// state) until the destroy call, saves what the sheet changed and tells the
// common UI the result.
#include "sheets/sheet_session.h"

#include "core/install/install_rename.h"
#include "docprops/doc_props.h"
#include "save/sheet_save.h"

#include <cstring>

#include "core/admin.h"
#include "core/bidi/bidi.h"
#include "core/bridge/bridge.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_state.h"
#include "core/devmode_sizes.h"
#include "core/files.h"
#include "core/font_tables.h"
#include "core/ini_wrap.h"
#include "core/install/install_check.h"
#include "core/item_store.h"
#include "core/jobctl/jc_client.h"
#include "core/locale.h"
#include "core/os_version.h"
#include "core/paths.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/printer_identity.h"
#include "core/printer_info.h"
#include "core/registry_values.h"
#include "core/sysdeps.h"
#include "core/terminal_server.h"
#include "core/usercode/user_code.h"
#include "sheets/sheet_support.h"

namespace vesk {
namespace {

constexpr uint32_t kDmNoPermission = 0x20;
constexpr uint32_t kDmUserDefault = 0x40;
constexpr uint32_t kDocMergeFlag = 0x2000000;
constexpr uint32_t kPrinterMergeFlags = 0x400000A;
constexpr int kItemDisplayLanguage = 177;
constexpr int kItemPresetSave = 10014;
constexpr int kFeatureServerImport = 7;
constexpr int kBinderFeature = 2;
constexpr uint32_t kJcSaveMask = 158;
constexpr uint32_t kJcFetchMask = 1;
constexpr uint32_t kDeviceFileFlags = 8;
constexpr ULONG_PTR kHeaderIconId = 64082;
constexpr WORD kHeaderFlags = PSUIHDRF_NOAPPLYNOW | PSUIHDRF_PROPTITLE;
constexpr const char16_t* kHandOverFile = u"KW00C170.ini";

// The printer's PRINTER_INFO_2, freed at every exit.
struct Info2 {
    PRINTER_INFO_2W* p = nullptr;
    Info2() = default;
    Info2(const Info2&) = delete;
    Info2& operator=(const Info2&) = delete;
    ~Info2() { PrnFreeInfo2(p); }
};

// The printer check of both sheets: its information, whether it was
// renamed, and the install check for a printer that was not.
bool checkPrinter(HANDLE printer, Info2& info, int* renamed) {
    info.p = PrnGetInfo2(printer);
    if (!info.p) return false;
    DrvContext probe{};
    probe.printer = printer;
    *renamed = PrnIsLocalRenamed(&probe, info.p);
    return *renamed || InstallCheck(printer, kInstallCheckConnection, info.p) == 1;
}

// Bytes of a caller's DEVMODE by its own sizes; 0 for none.
size_t devmodeBytes(const DEVMODEW* dm) { return dm ? size_t(dm->dmSize) + dm->dmDriverExtra : 0; }

// The two device-query marks of a document sheet.
void computeQueryMarks(DrvContext* ctx, SheetSession* s) {
    s->extendedQuery = BidiExIsEnabled(ctx) ? 1 : 0;
    const bool local = DmGetRemoteFlag(ctx) != 1;
    s->deviceQuery = (local && BidiIniHasFlag(ctx)) ? (BidiIniGetFlag(ctx) != 0) : (BidiGetFlag(ctx) != 0);
}
bool snapshotWanted(const SheetSession* s) { return !s->extendedQuery && s->deviceQuery; }

// The context's DEVMODE as the driver keeps it: reset when its sizes or
// private header are not this driver's.
void resetForeignDevmode(DrvContext* ctx) {
    const BYTE* dm = ctx->devmode;
    const uint32_t total = dmSizes().totalSize;
    const uint32_t sizes = uint32_t(dm[68] | dm[69] << 8) + uint32_t(dm[70] | dm[71] << 8);
    if (sizes == total && DmIsCompatible(ctx, dm, total)) return;
    DmSetDefaults(ctx);
    FontListsFree(ctx);
    SettingsSyncAtOpen(ctx);
}

// The installer's hand-over in "KW00C170.ini" of the private directory.
void applyHandOver(DrvContext* ctx) {
    WCHAR path[kWsPathChars] = {};
    if (!BuildDriverDirPath(path, kWsPathChars, kHandOverFile, ctx) || !FileExists(path)) return;
    const WCHAR* section = ctx->ws->printerName;
    const uint8_t done = uint8_t(IniGetInt(section, u"VeskInstDone", -1, path));
    if (done == 1)
        ItemSetRawById(ctx, kItemDisplayLanguage, uint8_t(IniGetInt(section, u"DispLang", 0, path)));
    else if (done == 0)
        InitLocaleDefaults(ctx);
}

void putNoPermission(DrvContext* ctx, bool no) {
    if (no) DmSetNoPermission(ctx);
    else DmClearNoPermission(ctx);
}

// What init of either sheet needs of the caller's header.
struct InitRequest {
    uint16_t kind;
    HANDLE printer;
    const WCHAR* name;
    uint32_t mode;       // document: fMode
    PDEVMODEW input;
    PDEVMODEW output;
    bool noPermission;
    const PRINTER_INFO_2W* info2;
    int renamed;
};

// Init failures release what was taken: the snapshot, the session, the context.
LONG failInit(DrvContext* ctx) {
    SheetSessionEnd(ctx);
    return -1;
}

LONG initSession(PPROPSHEETUI_INFO info, const InitRequest& r) {
    const bool doc = r.kind == kSheetDocument;
    DrvContext* ctx = CtxCreateFromInfo(r.printer, r.printer, nullptr, kCreateInterface, r.info2);
    if (!ctx) return -1;
    if (!ctx->model || !ctx->devmode || !ctx->ws) {
        CtxRelease(ctx);
        return -1;
    }
    SheetSession* s = SheetSessionBegin(ctx);
    if (!s) {
        CtxRelease(ctx);
        return -1;
    }
    resetForeignDevmode(ctx);
    if (r.renamed) HandlePrinterRename(ctx);
    if (doc && IsFeatureOn(kFeatureServerImport)) SrvCfgImportSettings(ctx);
    if (r.renamed && InstallCheck(r.printer, kInstallCheckConnection, r.info2) != 1) return failInit(ctx);
    applyHandOver(ctx);
    DmPutTerminalServerFlag(ctx, TsQueryEnabled(r.printer) ? 1 : 0);
    DmPutAdminFlag(ctx, IsUserAdmin() ? 1 : 0);
    if (DmGetRemoteFlag(ctx) != 1 && BidiIniGetFlag(ctx)) BidiIniImport(ctx);
    if (doc) {
        BidiRefreshOnOpen(ctx, nullptr);
    } else {
        BidiGetDeviceInfo(ctx, nullptr);
        if (OsIsNt5OrLater()) DmSetOsKindNt5(ctx);
        else DmSetOsKindNt4(ctx);
        DmSetUserDefaultMode(ctx);
        DmSetDeviceSheetMode(ctx);
    }
    const bool nt5 = OsIsNt5OrLater() != 0;
    if (doc) {
        computeQueryMarks(ctx, s);
        if (snapshotWanted(s)) {
            BidiExApplyTrayDefaults(ctx);
            s->snapshot = static_cast<BYTE*>(MemAllocZero(dmSizes().stateSize));
            if (!s->snapshot) return failInit(ctx);
        }
        if (nt5) {
            DmSetUserDefaultMode(ctx);
            DmSetOsKindNt5(ctx);
        } else {
            if (r.mode & kDmUserDefault) DmSetUserDefaultMode(ctx);
            else DmClearUserDefaultMode(ctx);
            DmSetOsKindNt4(ctx);
        }
        DmClearDeviceSheetMode(ctx);
    }
    putNoPermission(ctx, r.noPermission);
    const bool binder = RegIsFeatureInstalled(kBinderFeature, ctx) != 0;
    if (binder) DmSetBinderFlag(ctx);
    else DmClearBinderFlag(ctx);
    UpdateProviderUserCodeFlags(ctx);
    if (doc) {
        s->providerMark = DmGetProviderUserCode(ctx) == 1 ? 1 : 0;
        if (nt5) {
            if (!r.noPermission && OptSaveToPrinterData(r.printer, ctx, ItemFindById(ctx, kItemPresetSave)))
                PresetRefreshCheck(ctx, 0);
        } else if (DmGetUserDefaultMode(ctx) == 1 && !r.noPermission) {
            PresetRefreshCheck(ctx, 0);
        }
    }
    const int merged = doc ? DmMergeDevmode(ctx, reinterpret_cast<const BYTE*>(r.input), devmodeBytes(r.input),
                                            r.mode | kDocMergeFlag)
                           : DmMergeDevmode(ctx, nullptr, 0, kPrinterMergeFlags);
    if (!merged) return failInit(ctx);
    if (doc) {
        if (binder) DmSetBinderFlag(ctx);
        else DmClearBinderFlag(ctx);
        if (s->providerMark) {
            DmSetProviderUserCode(ctx);
            DmSetProviderUserCode2(ctx);
        } else {
            DmClearProviderUserCode(ctx);
            DmClearProviderUserCode2(ctx);
        }
    }
    info->UserData = reinterpret_cast<ULONG_PTR>(ctx);
    if (!doc) SheetPublishPrinter(ctx);
    SetPaperDefaultsFromCountry(ctx);
    s->comFunction = info->pfnComPropSheet;
    s->comHandle = info->hComPropSheet;
    s->applied = 0;
    s->kind = r.kind;
    SheetSetKind(ctx, r.kind);  // the save step follows the sheet's kind
    s->title = r.name;
    if (doc) {
        if (snapshotWanted(s)) {
            BidiExApplyTrayDefaults(ctx);
            std::memcpy(s->snapshot, ctx->devmode, dmSizes().stateSize);
        }
        s->input = r.input;
        s->output = r.output;
        s->callerMode = r.mode;
        ctx->ws->documentInput = r.input;
        ctx->ws->documentOutput = r.output;
        ctx->ws->documentMode = r.mode;
    } else {
        DmSetUserDefaultMode(ctx);
        DmSetDeviceSheetMode(ctx);
        putNoPermission(ctx, r.noPermission);
        s->permission = r.noPermission ? 0 : 1;
    }
    SheetAddPages(ctx, r.kind);
    return 1;
}

// The snapshot over the context's DEVMODE buffer. The font tables stay the
// live DEVMODE's: the tables the snapshot named may be gone by now.
void restoreSnapshot(DrvContext* ctx, SheetSession* s) {
    uint32_t keep[3][2] = {};
    for (size_t i = 0; i < 3; ++i) {
        keep[i][0] = ItemRawById(ctx, kFontTableItems[i].countItem);
        keep[i][1] = ItemRawById(ctx, kFontTableItems[i].handleItem);
    }
    std::memcpy(ctx->devmode, s->snapshot, dmSizes().stateSize);
    for (size_t i = 0; i < 3; ++i) {
        ItemWriteRawIn(ctx->devmode, ItemFindById(ctx, kFontTableItems[i].countItem), keep[i][0]);
        ItemWriteRawIn(ctx->devmode, ItemFindById(ctx, kFontTableItems[i].handleItem), keep[i][1]);
    }
}

void saveDeviceFiles(DrvContext* ctx) {
    if (!RegGetSaveDeviceSetup(ctx)) return;
    DefaultRstWriteDevice(ctx);
    DeviceFileSave(nullptr, kDeviceFileFlags, ctx);
}

void destroyDocument(PPROPSHEETUI_INFO info, DrvContext* ctx, SheetSession* s) {
    bool report = true;
    if (s->changed) {
        JcOpenIfOn(ctx);
        JcSetItemsIfOn(ctx, kJcSaveMask);
        JcGetItemsIfOn(ctx, kJcFetchMask);
        JcCloseIfOn(ctx);
        if (s->callerMode & (DM_UPDATE | DM_COPY)) SheetSaveDocument(ctx);
        if (snapshotWanted(s)) BidiExInit(ctx);
        saveDeviceFiles(ctx);
    } else if (OsIsNt5OrLater() && s->applied) {
        if (snapshotWanted(s)) BidiExInit(ctx);
    } else if (snapshotWanted(s)) {
        if (s->snapshot) {
            restoreSnapshot(ctx, s);
            MemFree(s->snapshot);
            s->snapshot = nullptr;
            SheetSaveDocument(ctx);
        }
        BidiExInit(ctx);
    } else {
        report = false;
    }
    SheetReportResult(info, s, report);
}

void destroyPrinter(PPROPSHEETUI_INFO info, DrvContext* ctx, SheetSession* s) {
    if (s->changed) {
        SheetSaveDevice(ctx);
        saveDeviceFiles(ctx);
        PresetRefreshCheck(ctx, 1);
        if (BidiHasFlag(ctx)) BidiIniClearSection(ctx);
    }
    SheetReportResult(info, s, s->changed != 0);
}

// Reasons after init: the header, destroy, the result, the icon.
LONG laterReason(PPROPSHEETUI_INFO info, LPARAM lParam, const WCHAR* title) {
    auto* ctx = reinterpret_cast<DrvContext*>(info->UserData);
    SheetSession* s = SheetSessionOf(ctx);
    if (!s) return -1;
    if (s->kind == kSheetDocument) computeQueryMarks(ctx, s);
    else SheetPublishPrinter(ctx);
    switch (info->Reason) {
        case PROPSHEETUI_REASON_GET_INFO_HEADER: {
            auto* h = reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(lParam);
            if (!h) return -1;
            h->Flags = kHeaderFlags;
            h->pTitle = const_cast<LPWSTR>(title && title[0] ? title : ctx->ws->printerName);
            h->hInst = SheetLibraryModule();
            h->IconID = kHeaderIconId;
            return 1;
        }
        case PROPSHEETUI_REASON_DESTROY:
            if (s->kind == kSheetDocument) destroyDocument(info, ctx, s);
            else destroyPrinter(info, ctx, s);
            info->UserData = 0;
            SheetSessionEnd(ctx);
            return 1;
        case PROPSHEETUI_REASON_SET_RESULT: {
            auto* r = reinterpret_cast<PSETRESULT_INFO>(lParam);
            if (r) info->Result = ULONG_PTR(r->Result);
            return 1;
        }
        case PROPSHEETUI_REASON_GET_ICON: return -1;
        default: return 1;
    }
}

}  // namespace

int BuildDriverDirPath(WCHAR* buffer, size_t capacity, const WCHAR* name, DrvContext* ctx) {
    if (!buffer || capacity == 0) return 0;
    buffer[0] = 0;
    WCHAR dir[kWsPathChars] = {};
    const size_t n = GetPrivateDir(dir, kWsPathChars, ctx);
    if (n == 0 || !name) return 0;
    size_t at = 0;
    auto put = [&](const WCHAR* t) {
        for (; t && *t; ++t) {
            if (at + 1 >= capacity) return false;
            buffer[at++] = *t;
        }
        return true;
    };
    const bool fits = put(dir) && (at > 0 && buffer[at - 1] == u'\\' ? true : put(u"\\")) && put(name);
    buffer[fits ? at : 0] = 0;
    return fits ? 1 : 0;
}

}  // namespace vesk

using namespace vesk;

extern "C" LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
    auto* header = reinterpret_cast<PDOCUMENTPROPERTYHEADER>(info ? info->lParamInit : lParam);
    if (!header) return -1;
    Info2 printerInfo;
    int renamed = 0;
    // Destroy always ends the session: a printer check that fails there
    // would leave the context behind.
    const bool check = info ? info->Reason != PROPSHEETUI_REASON_DESTROY : (header->fMode != 0 && header->pdmOut);
    if (check && !checkPrinter(header->hPrinter, printerInfo, &renamed)) return -1;
    if (!info) return DocPropsNoUi(header, printerInfo.p, renamed);
    if (info->Reason != PROPSHEETUI_REASON_INIT) return laterReason(info, lParam, header->pszPrinterName);
    InitRequest r{kSheetDocument,  header->hPrinter, header->pszPrinterName, header->fMode, header->pdmIn,
                  header->pdmOut,  (header->fMode & kDmNoPermission) != 0,   printerInfo.p, renamed};
    return initSession(info, r);
}

extern "C" LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) {
    if (!info) return -1;
    auto* header = reinterpret_cast<PDEVICEPROPERTYHEADER>(info->lParamInit);
    if (!header) return -1;
    if (info->Reason == PROPSHEETUI_REASON_DESTROY) return laterReason(info, lParam, header->pszPrinterName);
    Info2 printerInfo;
    int renamed = 0;
    if (!checkPrinter(header->hPrinter, printerInfo, &renamed)) return -1;
    if (info->Reason != PROPSHEETUI_REASON_INIT) return laterReason(info, lParam, header->pszPrinterName);
    InitRequest r{kSheetPrinter, header->hPrinter, header->pszPrinterName, 0, nullptr, nullptr,
                  (header->Flags & DPS_NOPERMISSION) != 0, printerInfo.p, renamed};
    return initSession(info, r);
}
