// DrvConvertDevMode: the spooler's conversion, and the printer's install
// work that the driver-default and convert requests of an install carry.
#include <win/windows.h>

#include <cstring>
#include <vector>

#include "core/bridge/bridge.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_state.h"
#include "core/devmode_sizes.h"
#include "core/dirs.h"
#include "core/install/install_ini.h"
#include "core/install/install_steps.h"
#include "core/jobctl/jc_client.h"
#include "core/lists/lists.h"
#include "core/locks.h"
#include "core/pending_capabilities.h"
#include "core/printer_identity.h"
#include "docprops/doc_props.h"
#include "entry/scoped.h"
#include "core/deploy/deploy.h"
#include "core/handover/handover.h"
#include "core/install/batch_install.h"
#include "core/install/install_printer.h"
#include "core/install/install_rename.h"
#include "sheets/sheet_session.h"

namespace vesk {
namespace {

using dm::kOffPrivateVersion;
using dm::rd32;
using dm::wr32;

constexpr uint16_t kKindDriverDefaults = 0x1B00;
constexpr uint16_t kKindInstall = 0x300;
constexpr uint32_t kFeatureRemoteConfig = 7;
constexpr uint32_t kServerTypeNoDownload = 17;
constexpr int kStampTargetCommon = 0;
constexpr int kStampTargetFirst = 2;
constexpr int kInstallTypeInstaller = 3;   // the installer's VESK.ini had work
constexpr int kInstallTypeRedeploy = 2;    // a DEVMODE of this driver
constexpr int kInstallTypeFresh = 1;       // anything else

const DWORD kTotal = dmSizes().totalSize;

uint32_t lowWord(uint32_t v) { return v & 0xFFFF; }
uint32_t highWord(uint32_t v) { return v >> 16; }

// The output buffer takes a whole DEVMODE only when the caller's size says
// so; otherwise the needed size is reported and nothing is copied.
bool outputFits(PDEVMODEW out, DWORD capacity, LONG* pcbNeeded) {
    if (!out || capacity >= kTotal) return true;
    *pcbNeeded = static_cast<LONG>(kTotal);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
}

void copyOut(PDEVMODEW out, const BYTE* dm, LONG* pcbNeeded) {
    if (!out) return;
    std::memcpy(out, dm, kTotal);
    *pcbNeeded = static_cast<LONG>(kTotal);
}

void stampDriverVersion(DrvContext* ctx) { wr32(ctx->devmode, kOffPrivateVersion, ctx->desc->privateVersion); }

bool nameHasClient(const WCHAR* name) {
    static const WCHAR kClient[] = u"\\Client";
    for (const WCHAR* p = name; p && *p; ++p) {
        size_t i = 0;
        while (kClient[i] && p[i] == kClient[i]) ++i;
        if (!kClient[i]) return true;
    }
    return false;
}

// The driver-default request of a new printer: the defaults, or the install
// of a printer that has not been set up yet.
BOOL driverDefaultInstall(LPWSTR name, PDEVMODEW out, LONG* pcbNeeded) {
    ScopedPrinter h(OpenPrinterAs(name, PRINTER_READ));
    if (!h) return FALSE;
    const bool remote = PrnIsRemoteByHandle(h.get()) != 0;
    if (!remote) h.reset(OpenPrinterAs(name, PRINTER_ALL_ACCESS));
    if (!h) return FALSE;
    InstallMark mark;
    mark.set();

    if (remote || (PrnBatchInstallDone(h.get()) && PrnHasInfo2Data(h.get()))) {
        ScopedContext ctx(CtxCreateWith(h.get(), h.get(), nullptr, kKindDriverDefaults, kCreateInterface));
        if (!ctx || !ctx->devmode) return FALSE;
        DmSetDefaults(ctx.get());
        copyOut(out, ctx->devmode, pcbNeeded);
        return TRUE;
    }

    TsMutexWait();
    const int installed = InstallPrinter(h.get(), reinterpret_cast<BYTE*>(out), kInstallNewDefault);
    TsMutexRelease();
    if (!installed) return FALSE;

    uint32_t serverType = 0;
    if (IsFeatureOn(kFeatureRemoteConfig)) {
        ScopedContext ctx(CtxCreateWith(h.get(), h.get(), nullptr, kKindInstall, kCreateInterface));
        if (ctx && ctx->devmode) {
            std::vector<BYTE> server(kTotal, 0);
            if (SrvCfgGetServerDevmode(ctx.get(), server.data(), &serverType))
                TakeServerDevmode(ctx.get(), name, server.data(), server.size(), out, pcbNeeded);
        }
    }
    const int target = (nameHasClient(name) || serverType == kServerTypeNoDownload) ? kStampTargetCommon
                                                                                     : kStampTargetFirst;
    return WriteInstallStamp(h.get(), 1, target) ? TRUE : FALSE;
}

// The convert request of an install: the printer set up by the installer's
// file, re-deployed for a DEVMODE of this driver, or installed afresh.
BOOL convertInstall(LPWSTR name, PDEVMODEW in, PDEVMODEW out, LONG* pcbNeeded) {
    ScopedPrinter h(OpenPrinterAs(name, PrnIsRemoteByName(name) ? PRINTER_READ : PRINTER_ALL_ACCESS));
    if (!h) return FALSE;
    InstallMark mark;
    mark.set();
    ScopedContext ctx(CtxCreateWith(h.get(), h.get(), nullptr, kKindInstall, kCreateInterface));
    if (!ctx || !ctx->devmode) return FALSE;
    JcInitAtInstall(ctx.get());

    const BYTE* inBytes = reinterpret_cast<const BYTE*>(in);
    const size_t inLen = DmClaimedLength(inBytes);
    const bool inHasVersion = inBytes && inLen > kOffPrivateVersion + 4;
    const uint32_t inVersion = inHasVersion ? rd32(inBytes, kOffPrivateVersion) : 0;
    const uint32_t ours = ctx->desc->privateVersion;
    int type;
    if (VeskIniHasWorkFor(name)) {
        if (!InstallPrinter(h.get(), reinterpret_cast<BYTE*>(out), 0)) return FALSE;
        type = kInstallTypeInstaller;
    } else if (inHasVersion && lowWord(inVersion) == lowWord(ours)) {
        InstallDeployPresetFiles(ctx.get(), kDeployKeepUserLists);
        DmClearActionOptions(ctx.get(), 1);
        if (highWord(inVersion) < highWord(ours)) {
            ReloadQualityLists(ctx.get());
            if (out) {
                stampDriverVersion(ctx.get());
                copyOut(out, ctx->devmode, pcbNeeded);
            }
        }
        RunBatchInstall(h.get(), ctx.get(), 1);
        SecurePrivateDir(ctx.get());
        type = kInstallTypeRedeploy;
    } else {
        if (!InstallPrinter(h.get(), reinterpret_cast<BYTE*>(out), 1)) return FALSE;
        DmSetDefaults(ctx.get());
        copyOut(out, ctx->devmode, pcbNeeded);
        type = kInstallTypeFresh;
    }
    mark.clear();
    return WriteInstallStamp(h.get(), type, 0) ? TRUE : FALSE;
}

}  // namespace

int TakeServerDevmode(DrvContext* ctx, const WCHAR* name, const BYTE* server, size_t len, PDEVMODEW out,
                      LONG* pcbNeeded) {
    // Only a DEVMODE of this driver (its private header, the low word of its
    // version) is taken; anything else leaves the driver's defaults.
    if (!ctx || !ctx->devmode || !server || len < kTotal || !DmIsCompatible(ctx, server, len)) return 0;
    const uint32_t theirs = rd32(server, kOffPrivateVersion);
    const uint32_t ours = ctx->desc->privateVersion;
    if (highWord(theirs) >= highWord(ours)) {
        copyOut(out, server, pcbNeeded);
        return out ? 1 : 0;
    }
    // An older release's is converted into the context.
    DWORD size = kTotal;
    if (DmConvertDevmode(name, server, len, ctx->devmode, &size, CDM_CONVERT) != 1) return 0;
    ReloadQualityLists(ctx);
    if (!out) return 0;
    stampDriverVersion(ctx);
    copyOut(out, ctx->devmode, pcbNeeded);
    return 1;
}

}  // namespace vesk

VESK_UI_EXPORT BOOL WINAPI DrvConvertDevMode(LPWSTR pPrinterName, PDEVMODEW pdmIn, PDEVMODEW pdmOut,
                                             LONG* pcbNeeded, DWORD fMode) {
    using namespace vesk;
    if (!pcbNeeded || *pcbNeeded < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const DWORD capacity = static_cast<DWORD>(*pcbNeeded);
    DWORD size = capacity;
    const BYTE* in = reinterpret_cast<const BYTE*>(pdmIn);
    const int answer = DmConvertDevmode(pPrinterName, in, DmClaimedLength(in), reinterpret_cast<BYTE*>(pdmOut), &size, fMode);
    *pcbNeeded = static_cast<LONG>(size);
    if (answer == 2 && fMode == CDM_DRIVER_DEFAULT) {
        if (!outputFits(pdmOut, capacity, pcbNeeded)) return FALSE;
        return driverDefaultInstall(pPrinterName, pdmOut, pcbNeeded);
    }
    if (answer == 1 && fMode == CDM_CONVERT) {
        if (!outputFits(pdmOut, capacity, pcbNeeded)) return FALSE;
        return convertInstall(pPrinterName, pdmIn, pdmOut, pcbNeeded);
    }
    return answer == 1 ? TRUE : FALSE;
}
