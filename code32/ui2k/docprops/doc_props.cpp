// Document properties without a sheet and the two document-properties entry
// points.
#include "docprops/doc_props.h"

#include <win/windows.h>

#include "core/bridge/bridge.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_state.h"
#include "core/devmode_sizes.h"
#include "core/install/install_check.h"
#include "core/os_version.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/registry_values.h"
#include "core/usercode/user_code.h"
#include "entry/scoped.h"
#include "core/deploy/deploy.h"
#include "core/handover/handover.h"
#include "core/install/batch_install.h"
#include "core/install/install_printer.h"
#include "core/install/install_rename.h"
#include "sheets/sheet_session.h"
#include "save/sheet_save.h"

namespace vesk {
namespace {

using dm::kOffDriverExtra;
using dm::kOffFields;
using dm::kOffSize;
using dm::rd16;

constexpr DWORD kNoUiModeMask = DM_UPDATE | DM_COPY;
constexpr uint32_t kFeatureRemoteConfig = 7;

// The user-default flag and OS kind of a document request, as the document
// sheet sets them.
void setDocumentFlags(DrvContext* ctx, DWORD fMode) {
    if (OsIsNt5OrLater()) {
        DmSetUserDefaultMode(ctx);
        DmSetOsKindNt5(ctx);
    } else {
        if (fMode & DM_USER_DEFAULT) DmSetUserDefaultMode(ctx);
        else DmClearUserDefaultMode(ctx);
        DmSetOsKindNt4(ctx);
    }
}

}  // namespace

int MergeableDevmode(const BYTE* dm) {
    if (!dm) return 0;
    const size_t len = DmClaimedLength(dm);
    return len >= kOffFields + 4 && rd16(dm, kOffSize) >= kMinPublicSize && DmPublicVersion(dm, len) != 0 ? 1 : 0;
}

LONG DocPropsNoUi(DOCUMENTPROPERTYHEADER* header, const PRINTER_INFO_2W* info2, int renamed) {
    if (!header) return -1;
    const DmSizes& s = dmSizes();
    header->cbOut = s.totalSize;
    if (header->fMode == 0 || !header->pdmOut) return static_cast<LONG>(s.totalSize);

    ScopedContext ctx(CtxCreateFull(header->hPrinter, header->hPrinter, nullptr, kCreateMergeNoUi, header->fMode, info2));
    if (!ctx) return -1;
    // The caller's buffers are the workspace's only for this call.
    struct Forget {
        DrvWorkspace* ws;
        ~Forget() {
            if (ws) ws->documentInput = ws->documentOutput = nullptr;
        }
    } forget{ctx->ws};
    auto failed = [&ctx] {
        ctx.freeOnRelease();
        return -1;
    };
    if (!ctx->model || !ctx->devmode) return failed();

    BYTE* dm = ctx->devmode;
    if (rd16(dm, kOffSize) + rd16(dm, kOffDriverExtra) != s.totalSize || !DmIsCompatible(ctx.get(), dm, s.totalSize)) {
        DmSetDefaults(ctx.get());
        FontListsFree(ctx.get());
        SettingsSyncAtOpen(ctx.get());
    }

    DrvWorkspace* ws = ctx->ws;
    ws->documentInput = header->pdmIn;
    ws->documentOutput = header->pdmOut;
    ws->documentMode = header->fMode;

    if (renamed) HandlePrinterRename(ctx.get());
    if (IsFeatureOn(kFeatureRemoteConfig)) SrvCfgImportSettings(ctx.get());
    if (renamed && info2 && InstallCheck(header->hPrinter, kInstallCheckConnection, info2) != 1) return failed();

    setDocumentFlags(ctx.get(), header->fMode);
    if (header->fMode & DM_NOPERMISSION) DmSetNoPermission(ctx.get());
    else DmClearNoPermission(ctx.get());
    if (PrnIsRemote(ctx.get())) DmSetRemoteFlag(ctx.get());
    else DmClearRemoteFlag(ctx.get());
    const BYTE binder = RegIsFeatureInstalled(2, ctx.get()) ? 1 : 0;
    DmPutBinderFlag(ctx.get(), binder);
    UpdateProviderUserCodeFlags(ctx.get());
    const BYTE provider = DmGetProviderUserCode(ctx.get());
    const BYTE provider2 = DmGetFlag(ctx.get(), DmFlag::UserCodeDll);

    if ((header->fMode & DM_MODIFY) && header->pdmIn) {
        const BYTE* in = reinterpret_cast<const BYTE*>(header->pdmIn);
        if (!MergeableDevmode(in) || !DmMergeDevmode(ctx.get(), in, DmClaimedLength(in), header->fMode | kNoUiMergeFlags))
            return failed();
        DmPutBinderFlag(ctx.get(), binder);
        DmPutProviderUserCode(ctx.get(), provider);
        DmPutProviderUserCode2(ctx.get(), provider2);
    }
    if (header->fMode & kNoUiModeMask) DmWriteOutDevmode(ctx.get());
    return 1;
}

LONG DocPropsRun(HWND hWnd, HANDLE hPrinter, LPWSTR name, PDEVMODEW pdmOut, PDEVMODEW pdmIn, DWORD fMode) {
    DOCUMENTPROPERTYHEADER header{};
    header.cbSize = sizeof header;
    header.hPrinter = hPrinter;
    header.pszPrinterName = name;
    header.pdmIn = pdmIn;
    header.pdmOut = pdmOut;
    header.cbOut = 0;
    header.fMode = fMode;
    if (fMode & DM_PROMPT) {
        // The sheet sets the result word; a sheet that could not run (no
        // common property-sheet library) leaves it unset, which is a
        // failure, not a cancel.
        constexpr DWORD kUnset = 0xFFFFFFFFu;
        DWORD result = kUnset;
        if (RunCommonPropertySheet(hWnd, DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(&header), &result) < 0 ||
            result == kUnset)
            return -1;
        return static_cast<LONG>(result);
    }
    return DocPropsNoUi(&header, nullptr, 1);
}

int PrnIsRemoteByName(const WCHAR* name) {
    ScopedPrinter h(OpenPrinterAs(name, PRINTER_READ));
    return h ? (PrnIsRemoteByHandle(h.get()) ? 1 : 0) : 0;
}

}  // namespace vesk

VESK_UI_EXPORT LONG WINAPI DrvDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName, PDEVMODEW pdmOutput,
                                                 PDEVMODEW pdmInput, DWORD fMode) {
    if (fMode == 0 || !pdmOutput) return vesk::kUiDevmodeSize;
    vesk::InstallCheckDefault(hPrinter);
    const LONG r = vesk::DocPropsRun(hWnd, hPrinter, pDeviceName, pdmOutput, pdmInput, fMode);
    if (r > 0) return IDOK;
    if (r == 0) return IDCANCEL;
    return r;
}

VESK_UI_EXPORT LONG WINAPI DrvAdvancedDocumentProperties(HWND hWnd, HANDLE hPrinter, LPWSTR pDeviceName,
                                                         PDEVMODEW pdmOutput, PDEVMODEW pdmInput) {
    if (!pdmOutput) return vesk::kUiDevmodeSize;
    vesk::InstallCheckDefault(hPrinter);
    return vesk::DocPropsRun(hWnd, hPrinter, pDeviceName, pdmOutput, pdmInput, DM_ADVANCED | DM_PROMPT | DM_COPY) > 0
               ? 1
               : 0;
}
