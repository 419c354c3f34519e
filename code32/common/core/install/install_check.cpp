#include "core/install/install_check.h"

#include "core/context.h"
#include "core/deploy/deploy.h"
#include "core/dirs.h"
#include "core/ini_wrap.h"
#include "core/install/install_ini.h"
#include "core/install/install_internal.h"
#include "core/install/install_printer.h"
#include "core/install/install_steps.h"
#include "core/lists/lists.h"
#include "core/locks.h"
#include "core/os_version.h"
#include "core/paths.h"
#include "core/pending_capabilities.h"
#include "core/printer_identity.h"
#include "core/printer_info.h"
#include "core/terminal_server.h"
#include "core/wstr.h"

namespace vesk {

namespace {

using install::InfoHold;

template <class F>
auto underMutex(F f) {
    TsMutexWait();
    auto r = f();
    TsMutexRelease();
    return r;
}

// A connection whose install is done but whose files are of another driver
// version gets them again. The version is recorded only when the
// deployment succeeded, so that a failed one is tried again next time.
void redeployConnection(HANDLE printer, const PRINTER_INFO_2W* info, const WCHAR* name, const WCHAR* ini) {
    DrvContext* ctx = CtxCreateEx(printer, printer, nullptr, kKindOptAdmin, kCreateInterface, 0, info);
    if (!ctx) return;
    const int deployed = InstallDeployPresetFiles(ctx, kDeployKeepUserLists);
    ReloadQualityLists(ctx);
    SecurePrivateDir(ctx);
    CtxReleaseEx(ctx, kReleaseFree);
    if (deployed) IniWriteString(name, u"DrvInstVersion", kDriverInstVersion, ini);
}

// Step A: the connection check. 0 when the connection's first install
// failed, else 1.
int checkConnection(HANDLE printer, const PRINTER_INFO_2W* info) {
    WCHAR name[kWsPrinterNameChars] = {};
    WCHAR ini[kWsPathChars] = {};
    if (!PrnInfoCopyPrinterName(name, kWsPrinterNameChars, info) || !GetIniFilePathEx(ini, 0)) return 1;
    if (IniGetInt(name, GetBatchInstallDoneKey(), 0, ini) != 0) {
        WCHAR version[16] = {};
        IniGetString(name, u"DrvInstVersion", u"", version, 16, ini);
        if (!WEqualNoCase(version, kDriverInstVersion)) redeployConnection(printer, info, name, ini);
        return 1;
    }
    if (TsIsEnabled(printer)) {
        SetBatchInstallDoneIni(ini, name, 1);
        IniWriteString(name, u"DrvInstVersion", kDriverInstVersion, ini);
        return 1;
    }
    int ok;
    {
        InstallRunningScope running;
        ok = InstallPrinter(printer, nullptr, kInstallConnectionCheck);
    }
    ok = ok && WriteInstallStamp(printer, 1, 0);
    ok = ok && IniWriteString(name, u"DrvInstVersion", kDriverInstVersion, ini);
    ok = ok && InstallMigrateQuality(printer);
    ok = ok && InstallCheckRstVersion(printer, kStampNeverSetUp);
    ok = ok && DefaultRstAppliedForUser(printer, info);
    return ok ? 1 : 0;
}

// The user's own set-up under terminal services.
int checkUserSetUp(HANDLE printer, const PRINTER_INFO_2W* info) {
    WCHAR profile[kWsPathChars] = {};
    if (!GetUserProfileDirNoFallback(profile, kWsPathChars)) return 1;
    if (OsIsNt6OrLater() && !underMutex([&] { return LocalLowCorrect(printer, info); })) return 0;
    int ts = underMutex([&] { return GetTsIniState(printer, info); });
    if (ts == kTsIniToCorrect) ts = underMutex([&] { return TsIniCorrectPaths(printer, info); });
    int stamp = 0;
    if (ts == kTsIniError || !GetInstallStampState(printer, &stamp, info)) return 0;
    if (ts == kTsIniNoList) stamp = kStampNeverSetUp;
    if (stamp == kStampUpToDate) return 1;
    if (stamp == kStampNeverSetUp && !InstallMigrateQuality(printer)) return 0;
    if (!InstallCheckRstVersion(printer, stamp)) return 0;
    return DefaultRstAppliedForUser(printer, info) ? 1 : 0;
}

}  // namespace

int InstallCheck(HANDLE printer, int mode, const PRINTER_INFO_2W* given) {
    InfoHold hold(printer, given);
    if (mode == kInstallCheckConnection && hold.info && PrnInfoIsRemote(hold.info) &&
        !checkConnection(printer, hold.info))
        return 0;
    if (!TsIsEnabled(printer)) return 1;
    return checkUserSetUp(printer, hold.info);
}

int InstallCheckDefault(HANDLE printer) { return InstallCheck(printer, kInstallCheckConnection, nullptr); }

}  // namespace vesk
