#include "core/install/install_rename.h"

#include "core/devmode/dm_flags.h"
#include "core/ini_wrap.h"
#include "core/install/batch_install.h"
#include "core/install/install_ini.h"
#include "core/install/install_internal.h"
#include "core/deploy/deploy.h"
#include "core/handover/handover.h"
#include "core/setupdirs/setup_dirs.h"
#include "core/lists/lists.h"
#include "core/locale.h"
#include "core/paths.h"
#include "core/printer_identity.h"
#include "core/printer_info.h"
#include "core/wstr.h"

namespace vesk {

int PresetRefreshCheck(DrvContext* ctx, int force) {
    if (!ctx || !ctx->ws) return 1;
    const WCHAR* name = PrnGetPrinterName(ctx);
    WCHAR ini[kWsPathChars] = {};
    WCopyCut(ini, kWsPathChars, GetIniFilePath(ctx));
    if (!name || !name[0] || !ini[0]) return 1;
    if (!force) force = (ctx->devmode && DmGetFlagE(ctx) == 1) || IniGetInt(name, u"PackInstallDone", 0, ini) == 1;
    if (force && IniGetInt(name, u"PresetRefresh", 0, ini) == 0) {
        PresetsRevalidate(ctx, 0);
        IniWriteString(name, u"PresetRefresh", u"1", ini);
    }
    return 1;
}

int HandlePrinterRename(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    install::InfoHold hold(ctx->printer, nullptr);
    if (!hold.info || !PrnIsLocalRenamed(ctx, hold.info)) return 0;
    const uint32_t flags = ctx->ws->flags;
    if (ctx->ws->creationFlags & kCreateInstallRunning) CopyDefaultJobKeys(ctx, kJobKeysFromSetup, nullptr);
    WCHAR old[kWsPrinterNameChars] = {}, bidi[kWsPathChars] = {};
    if (PrnGetStoredPrinterName(ctx->printer, old) && old[0] &&
        BuildPrivateDirPath(bidi, kWsPathChars, u"KW00C171.ini")[0])
        install::CopySection(bidi, old, bidi, PrnGetPrinterName(ctx));
    InstallDefaultRstOnce(16, -1, ctx);
    RepairLists(ctx);
    SaveLocaleIni(ctx);
    ctx->ws->flags = flags;
    if (WriteInstallStamp(ctx->printer, 1, 2)) {
        PrnStorePrinterName(ctx->printer);
        PrnStoreDriverName(ctx->printer);
    }
    return 1;
}

}  // namespace vesk
