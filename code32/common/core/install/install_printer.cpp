// The install sequence, step by step in the order other components rely on.
#include "core/install/install_printer.h"

#include <cstring>

#include "core/bidi/bidi.h"
#include "core/bridge/bridge.h"
#include "core/context.h"
#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_private.h"
#include "core/devmode/dm_state.h"
#include "core/devmode_sizes.h"
#include "core/dirs.h"
#include "core/ini_wrap.h"
#include "core/install/batch_install.h"
#include "core/install/install_ini.h"
#include "core/install/install_steps.h"
#include "core/deploy/deploy.h"
#include "core/handover/handover.h"
#include "core/setupdirs/setup_dirs.h"
#include "core/jobctl/jc_client.h"
#include "core/lists/lists.h"
#include "core/locale.h"
#include "core/model_db.h"
#include "core/os_version.h"
#include "core/paths.h"
#include "core/pending_capabilities.h"
#include "core/persist/font_persist.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/printer_info.h"
#include "core/registry_values.h"
#include "core/usercode/user_code.h"
#include "core/wstr.h"

namespace vesk {

InstallRunningScope::InstallRunningScope() : before_(InstallRunning()) { SetInstallRunning(true); }
InstallRunningScope::~InstallRunningScope() { SetInstallRunning(before_); }

namespace {

bool isNewPrinter(int type) { return type == kInstallNewDefault || type == kInstallInitialise; }
bool isConnection(int type) { return type == kInstallAddConnection || type == kInstallConnectionCheck; }

// The job-control steps after a deployment.
void jobControlAfterDeploy(DrvContext* ctx, int type) {
    JcCmd30001IfOn(ctx);
    JcStoreItemsIfOn(ctx, kJcMaskDriver);
    if (!isConnection(type)) return;
    JcOpenIfOn(ctx);
    JcResendItemsIfOn(ctx, kJcMaskIdentity);
    JcCloseIfOn(ctx);
}

// The default presets and qualities: the installer's hand-over when it
// applies, else the driver's own bundle. True when the hand-over did it.
bool applyBundles(DrvContext* ctx, int type) {
    const bool handover = InstApplyVeskIni(ctx) && InstApplyDefaultRst(0, ctx, type == kInstallSettingsChanged);
    if (!handover) InstallDefaultRstOnce(0, type, ctx);
    return handover;
}

// Device settings and identity values of a new printer.
void newPrinterSettings(DrvContext* ctx) {
    HANDLE printer = ctx->printer;
    UpdateProviderUserCodeFlags(ctx);
    ClearJcItemsIfOn(ctx, kJcMaskJobItems);
    const bool bridged = (IsFeatureOn(kFeatureBridgeLegacy) || IsFeatureOn(kFeatureBridge)) && SrvCfgGetState(ctx) == 1;
    if (bridged) FontListsSaveDefaults(printer, ctx);
    else OptSaveDeviceClassInstall(printer, ctx);
    PrnWriteDriverFiles(printer, ctx);
    BidiSetFlag(ctx, 0);
    BidiSetExFlag(ctx, 0);
}

// The remote-configuration imports of the install types that have one.
void bridgeImports(DrvContext* ctx, int type) {
    if (IsFeatureOn(kFeatureBridgeLegacy) && !IsFeatureOn(kFeatureBridge)) {
        if (type == kInstallAddConnection) SrvCfgConnectLegacy(ctx);
        return;
    }
    if (!IsFeatureOn(kFeatureBridge)) return;
    if (type == kInstallInitialise) SrvCfgConnect(ctx);
    if (type == kInstallAddConnection && SrvCfgGetState(ctx) == 1) SrvCfgImportSettings(ctx);
}

}  // namespace

int InstallPrinter(HANDLE printer, BYTE* devmodeOut, int type) {
    const uint16_t kind = kKindOptMutexHeld | kKindOptAdmin | (type == kInstallInitialise ? 3 : 1);
    DrvContext* ctx = CtxCreateEx(printer, printer, nullptr, kind, kCreateInterface, 0, nullptr);
    if (!ctx) return 0;
    WCHAR name[kWsPrinterNameChars] = {};
    WCopyCut(name, kWsPrinterNameChars, PrnGetPrinterName(ctx));
    WCHAR setup[kWsPathChars] = {};
    WCopyCut(setup, kWsPathChars, GetSetupIniPath(ctx));

    ApplyWorkDirectorySetupIni(printer, name, ctx);
    ApplySpoolDirectory(setup, name, ctx);
    if (OsIsNt5OrLater()) CreatePrivateDir(ctx);
    const bool handoverWork = VeskIniHasWorkFor(name) != 0;
    RunExpandFiles(ctx);
    DmPutOsKind(ctx, OsIsNt5OrLater() ? 2 : 1);
    if (isNewPrinter(type)) PrnStoreHelpFileName(ctx);
    InitLocaleDefaults(ctx);
    SaveLocaleIni(ctx);
    RunBatchInstall(printer, ctx, 0);
    if (isNewPrinter(type)) {
        PrnStorePrinterName(printer);
        PrnStoreDriverName(printer);
        FontSubstDefaultsEnsure(printer, ctx);
    }
    BidiIniClearSection(ctx);

    bool sessionOpen = false;
    if (InstallDeployPresetFiles(ctx, 0)) {
        jobControlAfterDeploy(ctx, type);
        if (handoverWork) sessionOpen = JcOpenIfOn(ctx) == kJcOk;
        const bool handedOver = applyBundles(ctx, type) && handoverWork;
        SyncUserCodeAtInstall(ctx);
        CopyDefaultJobKeys(ctx, kJobKeysFromSetup, nullptr);
        WCHAR ini[kWsPathChars] = {};
        WCopyCut(ini, kWsPathChars, GetIniFilePath(ctx));
        if (handedOver) IniWriteString(name, u"PackInstallDone", u"1", ini);
        if (isConnection(type)) IniWriteString(name, u"DrvInstVersion", kDriverInstVersion, ini);
        if (isNewPrinter(type) && !PrnIsRemote(ctx)) ModelDbRegister(ctx);
    }
    if (sessionOpen) JcCloseIfOn(ctx);

    RepairLists(ctx);
    if (isNewPrinter(type)) newPrinterSettings(ctx);
    if (type != kInstallSettingsChanged) PrnWriteLogFileName(isNewPrinter(type) ? 1 : 0, ctx);
    if (type == kInstallNewDefault && devmodeOut && ctx->devmode) {
        DmSetPrivateFlagDefaults(ctx);
        std::memcpy(devmodeOut, ctx->devmode, dmSizes().totalSize);
    }
    SecurePrivateDir(ctx);
    bridgeImports(ctx, type);
    CtxReleaseEx(ctx, kReleaseFree);
    return 1;
}

}  // namespace vesk
