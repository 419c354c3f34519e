// Deploying the default bundle at install: the sections file, the setup
// INI's install files, the bundle's presets and qualities, the libraries
// the system directory needs, and the one-time registration.
#include <win/profile.h>

#include "core/admin.h"
#include "core/deploy/deploy.h"
#include "core/deploy/deploy_internal.h"
#include "core/install/batch_install.h"
#include "core/devmode/dm_flags.h"
#include "core/driver_desc.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/install/install_ini.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/os_version.h"
#include "core/path_names.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

using namespace deploy;

constexpr DWORD kSectionChars = 30720;
constexpr int kCopyRefresh = 2;
constexpr WCHAR kHandoverFile[] = u"VESK.ini";
constexpr int kInstallAddConnectionType = 2;

// The driver set's file list. Only its port-monitor row (kind 2, copied
// into the system directory) is known; the list is partial.
struct DriverSetFile {
    const WCHAR* name;
    int kind;
};
constexpr DriverSetFile kDriverSetFiles[] = {{u"kw4mon.dll", 2}};

const DriverDesc& descOf(DrvContext* ctx) { return ctx && ctx->desc ? *ctx->desc : builtinDriverDesc(); }

// Copies `name` from `sourceDir` (with its backslash) into the system
// directory when missing there or older. 1 when the system directory's copy
// is current afterwards or there is nothing to copy.
int copyToSystemDir(const WCHAR* sourceDir, const WCHAR* name) {
    if (!sourceDir || !sourceDir[0] || !name) return 0;
    WCHAR source[kPathBufChars], target[kPathBufChars], systemDir[kPathBufChars];
    if (!WCopyWhole(source, kPathBufChars, sourceDir) || !WAppendWhole(source, kPathBufChars, name)) return 0;
    if (!FileExists(source)) return 1;
    if (!GetSystemDir(systemDir, kPathBufChars) || !WAppendWhole(systemDir, kPathBufChars, u"\\") ||
        !WCopyWhole(target, kPathBufChars, systemDir) || !WAppendWhole(target, kPathBufChars, name))
        return 0;
    CopyFileBetweenDirs(name, sourceDir, systemDir, kCopyRefresh);
    return FileExists(target) && CompareFileTimes(source, target, 1) ? 1 : 0;
}

// A file of the driver set named in its description or the model: an
// absolute name is refreshed from the driver directory; a relative one is
// used there on Windows 2000 and later, and before that copied into the
// system directory and used there.
bool driverSetFile(DrvContext* ctx, const WCHAR* name, WCHAR* out) {
    out[0] = 0;
    if (!name || !name[0]) return false;
    if (hasDrive(name)) {
        CopyInstallFile(name, nullptr, kCopyRefresh, ctx, 0);
        return WCopyWhole(out, kWsPathChars, name);
    }
    if (OsIsNt5OrLater()) return MakeAbsoluteDriverPath(name, out, kWsPathChars, ctx) != 0;
    CopyDriverFileToSystemDir(name, nullptr, kCopyRefresh, ctx);
    BuildSystemDirPath(out, kWsPathChars, name);
    return out[0] != 0;
}

// Writes section `prefix` + the entry's file name of the sections file into
// the entry's file as section `prefix`.
void sectionInto(const WCHAR* sectionsFile, const WCHAR* prefix, const WCHAR* entry, WCHAR* buffer) {
    WCHAR name[kPathBufChars];
    if (!WCopyWhole(name, kPathBufChars, prefix) || !WAppendWhole(name, kPathBufChars, FileNamePart(entry))) return;
    buffer[0] = buffer[1] = 0;
    const DWORD n = GetPrivateProfileSectionW(name, buffer, kSectionChars, sectionsFile);
    if (n > 0 && n < kSectionChars - 2) WritePrivateProfileSectionW(prefix, buffer, entry);
}

void expandSections(DrvContext* ctx, const WCHAR* bundle, const WCHAR* lang, const char* stem, const WCHAR* countKey,
                    bool allSections, WCHAR* buffer) {
    WCHAR raw[kWsPathChars], sectionsFile[kWsPathChars];
    if (!readEntry(bundle, lang, stem, 0, raw, ctx, false) ||
        !MakeAbsoluteDriverPath(raw, sectionsFile, kWsPathChars, ctx) || !FileExists(sectionsFile))
        return;
    const int count = entryCount(bundle, lang, countKey);
    for (int n = 1; n <= count; ++n) {
        WCHAR entry[kWsPathChars];
        if (!readEntry(bundle, lang, stem, n, entry, ctx)) continue;
        if (allSections) {
            sectionInto(sectionsFile, u"condition", entry, buffer);
            sectionInto(sectionsFile, u"disable", entry, buffer);
        }
        sectionInto(sectionsFile, lang, entry, buffer);
    }
}

// The install files of the setup INI's language section, each from the
// driver directory to its path (plain mode).
void copyInstallFiles(DrvContext* ctx, const WCHAR* lang) {
    WCHAR setup[kWsPathChars];
    if (!driverSetFile(ctx, descOf(ctx).setupIniName, setup)) return;
    const int count = entryCount(setup, lang, u"NumInstallfiles");
    for (int n = 1; n <= count; ++n) {
        WCHAR target[kWsPathChars];
        if (!readEntry(setup, lang, "Installfiles", n, target, ctx, false) ||
            !ExpandInstallPathPlain(target, kWsPathChars, ctx))
            continue;
        CopyInstallFile(target, nullptr, kCopyRefresh, ctx, 0);
    }
}

}  // namespace

void ExpandSectionsFile(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return;
    WCHAR bundle[kWsPathChars];
    if (!GetDefaultRstName(ctx, bundle, kWsPathChars) || !FileExists(bundle)) return;
    WCHAR* buffer = static_cast<WCHAR*>(MemAllocZero(kSectionChars * sizeof(WCHAR)));
    if (!buffer) return;
    const WCHAR* lang = GetLangCode(ctx);
    expandSections(ctx, bundle, lang, "Deficonfiles", u"NumDeficonfiles", true, buffer);
    expandSections(ctx, bundle, lang, "Defqualityfiles", u"NumDefqualityfiles", false, buffer);
    MemFree(buffer);
}

int InstallDeployPresetFiles(DrvContext* ctx, uint32_t flags) {
    if (!ctx || !ctx->ws) return 0;
    ExpandSectionsFile(ctx);
    const WCHAR* lang = GetLangCode(ctx);
    copyInstallFiles(ctx, lang);
    WCHAR raw[kWsPathChars], bundle[kWsPathChars];
    if (modelBundleName(ctx, raw) && driverSetFile(ctx, raw, bundle)) {
        PresetsInstallList(bundle, lang, flags | kDplCopy, ctx, 0, nullptr);
        QualitiesInstallList(bundle, lang, flags | kDplCopy, ctx);
    }
    const WCHAR* driverDir = GetDriverDir(ctx);
    copyToSystemDir(driverDir, descOf(ctx).auxLibraryName);
    copyToSystemDir(driverDir, descOf(ctx).constraintLibraryName);
    return 1;
}

int InstallCopyFilesToSystemDir(HANDLE printer) {
    WCHAR driverDir[kPathBufChars] = {};
    if (!GetDriverDirEx(printer, driverDir, kPathBufChars) || !driverDir[0]) return 0;
    // The system directory is the spooler's to write, not the client's.
    HANDLE client = DoRevertToPrinterSelf();
    int ok = 1;
    for (const DriverSetFile& f : kDriverSetFiles)
        if (f.kind == 2) ok = copyToSystemDir(driverDir, f.name) && ok;
    ok = copyToSystemDir(driverDir, builtinDriverDesc().auxLibraryName) && ok;
    ok = copyToSystemDir(driverDir, builtinDriverDesc().constraintLibraryName) && ok;
    if (client) DoImpersonatePrinterClient(client);
    return ok;
}

int InstallDefaultRstOnce(uint32_t importFlags, int installType, DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 1;
    WCHAR bundle[kWsPathChars];
    const WCHAR* lang = GetLangCode(ctx);
    if (GetDefaultRstName(ctx, bundle, kWsPathChars) && IsBundleFile(bundle) && lang[0]) {
        DeviceFileLoad(bundle, kStAboveFive, ctx);
        const int presets = PresetsInstallList(bundle, lang, importFlags | kDplRegister, ctx, 0, nullptr);
        const int qualities = QualitiesInstallList(bundle, lang, importFlags | kDplRegister, ctx);
        const int done = presets && qualities ? 1 : 0;
        SetBatchInstallDone(GetIniFilePath(ctx), ctx->ws->printerName, done, installType != kInstallAddConnectionType,
                            ctx);
        DmPutFlagC(ctx, static_cast<BYTE>(done));
        CopyDefaultJobKeys(ctx, 1, bundle);
    }
    CopyDefaultJobKeys(ctx, 4, nullptr);
    WCHAR handover[kPathBufChars];
    BuildSystemDirPath(handover, kPathBufChars, kHandoverFile);
    if (handover[0] && FileExists(handover)) {
        IniWriteString(ctx->ws->printerName, u"DefaultRstName", nullptr, handover);
        IniWriteString(ctx->ws->printerName, GetBatchInstallDoneKey(), nullptr, handover);
    }
    return 1;
}

int ImportBundleSettings(const WCHAR* bundle, DrvContext* ctx) {
    if (!bundle || !ctx || !ctx->ws || !ctx->devmode) return 0;
    const int ok = SettingsImport(ctx->printer, bundle, kStAboveFive, ctx);
    DeviceFileLoad(bundle, kStAboveFive, ctx);
    DmPutOpt40Flag(ctx, ItemRawById(ctx, kItRdmUIModeChange) != 0 ? 1 : 0);
    return ok;
}

}  // namespace vesk
