// The per-user set-up of a printer under terminal services: the machine's
// list files copied for the user, the default and batch bundles copied into
// the user's INI, and the re-run of the install when the settings version
// changed.
#include <win/windows.h>

#include "core/dirs.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/deploy/deploy.h"
#include "core/install/batch_install.h"
#include "core/install/install_ini.h"
#include "core/install/install_internal.h"
#include "core/install/install_printer.h"
#include "core/install/install_steps.h"
#include "core/jobctl/jc_client.h"
#include "core/lists/lists.h"
#include "core/os_version.h"
#include "core/paths.h"
#include "core/pending_capabilities.h"
#include "core/persist/opt_persist.h"
#include "core/wstr.h"

namespace vesk {
namespace {

using namespace install;

constexpr UINT kMissingVersion = 0xFFFF;
constexpr DWORD kNameChars = 514;

// `path` with its extension (after the last dot of the file name) replaced,
// or added when it has none, into `dest`.
bool withExtension(WCHAR* dest, size_t cap, const WCHAR* path, const WCHAR* ext) {
    const WCHAR* name = FileNamePart(path);
    if (!name) return false;
    const WCHAR* dot = nullptr;
    for (const WCHAR* p = name; *p; ++p)
        if (*p == u'.') dot = p;
    const size_t keep = dot ? static_cast<size_t>(dot - path) : WLen(path);
    WCHAR out[kWsPathChars];
    if (keep + 1 >= kWsPathChars) return false;
    for (size_t i = 0; i < keep; ++i) out[i] = path[i];
    out[keep] = u'.';
    out[keep + 1] = 0;
    return WAppendWhole(out, kWsPathChars, ext) && WCopyWhole(dest, cap, out);
}

// The per-user directory the user's copies go to; made when missing. Before
// Windows 2000 each level gets the Administrators owner and Everyone's access.
bool ensureUserDir(const WCHAR* userIni, const WCHAR* userDir) {
    if (!EnsureParentDir(userIni)) return false;
    if (!OsIsNt5OrLater()) {
        ApplyAdminOwner(userDir, 1);
        ApplyEveryoneDacl(userDir, 1);
    }
    return true;
}

// Copies entry `n` of a list from the common to the user's INI: the path
// pointed at the user's directory, the file's sections into the new file,
// and its name and comment keys.
void copyEntryForUser(const ListKind& list, int n, const WCHAR* printer, const WCHAR* common, const WCHAR* user,
                      const WCHAR* userDir) {
    WCHAR key[kKeyChars], path[kWsPathChars] = {}, moved[kWsPathChars];
    IniGetString(printer, ListKey(key, list, n, ""), u"", path, kWsPathChars, common);
    const WCHAR* file = FileNamePart(path);
    if (!file || !JoinPath(moved, kWsPathChars, userDir, file)) return;
    IniWriteString(printer, key, moved, user);
    CopyListFileSections(path, moved, printer, list.presets ? kMoveCondition | kMoveDisable : 0);
    for (const char* tail : {"Name", "Comment"}) {
        if (!list.presets && tail[0] == 'C') continue;
        WCHAR v[kNameChars] = {};
        if (IniGetString(printer, ListKey(key, list, n, tail), u"", v, kNameChars, common) > 0)
            IniWriteString(printer, key, v, user);
    }
}

// The batch bundle's stamps, free sizes and lists into the user's INI.
bool applyBatchBundle(HANDLE printer, const PRINTER_INFO_2W* info, const WCHAR* bundle, const WCHAR* name,
                      const WCHAR* common, const WCHAR* user, const WCHAR* userDir) {
    DrvContext* ctx = CtxCreateEx(printer, printer, nullptr, kKindOptMutexHeld | kKindOptAdmin | 1, kCreateInterface,
                                  0, info);
    if (!ctx) return false;
    const WCHAR* lang = GetLangSection(ctx);
    if (lang && lang[0]) {
        WCHAR section[8];
        WCopyCut(section, 8, lang);
        ImportStampsFromFile(bundle, section, ctx);
        ImportFreeSizesFromFile(bundle, section, ctx);
    }
    for (const ListKind* list : kLists) {
        WCHAR count[16] = {};
        IniGetString(name, list->countKey, u"", count, 16, common);
        if (!count[0]) continue;
        IniWriteString(name, list->countKey, count, user);
        const int n = static_cast<int>(IniGetInt(name, list->countKey, 0, common));
        for (int i = 0; i < n && i < 0x100; ++i) copyEntryForUser(*list, i, name, common, user, userDir);
    }
    CtxReleaseEx(ctx, kReleaseFree);
    return true;
}

}  // namespace

int InstallMigrateQuality(HANDLE printer) {
    InfoHold hold(printer, nullptr);
    WCHAR name[kWsPrinterNameChars], common[kWsPathChars], user[kWsPathChars], userDir[kWsPathChars],
        commonDir[kWsPathChars];
    if (!PrinterName(printer, hold.info, name) || !IniAndFolder(0, common, commonDir) ||
        !IniAndFolder(1, user, userDir) || !ensureUserDir(user, userDir))
        return 0;
    MutexHold mutex;
    for (const ListKind* list : kLists) {
        const int n = static_cast<int>(IniGetInt(name, list->countKey, 0, common));
        for (int i = 0; i < n && i < 0x100; ++i) {
            WCHAR key[kKeyChars], path[kWsPathChars] = {}, source[kWsPathChars], target[kWsPathChars];
            IniGetString(name, ListKey(key, *list, i, ""), u"", path, kWsPathChars, common);
            if (!withExtension(source, kWsPathChars, path, list->extension)) continue;
            if (!JoinPath(target, kWsPathChars, userDir, FileNamePart(source))) continue;
            // A missing source or one of the same time is left; an older
            // target is replaced.
            CopyFileIfChanged(target, source, 2);
        }
    }
    return 1;
}

int InstallApplyDefaultRst(HANDLE printer, const PRINTER_INFO_2W* given) {
    InfoHold hold(printer, given);
    WCHAR name[kWsPrinterNameChars], common[kWsPathChars], user[kWsPathChars], userDir[kWsPathChars],
        commonDir[kWsPathChars];
    if (!PrinterName(printer, hold.info, name) || !IniAndFolder(0, common, commonDir) ||
        !IniAndFolder(1, user, userDir))
        return 1;
    MutexHold mutex;
    WCHAR defaultRst[kWsPathChars] = {}, batchRst[kWsPathChars] = {};
    IniGetString(name, u"DefaultRst", u"", defaultRst, kWsPathChars, common);
    if (!defaultRst[0]) return 0;
    if (!EnsureParentDir(user) || !IniWriteString(name, u"DefaultRst", defaultRst, user)) return 1;
    IniGetString(name, u"BatchInstRst", u"", batchRst, kWsPathChars, common);
    if (!batchRst[0]) return 0;
    if (!IniWriteString(name, u"BatchInstRst", batchRst, user)) return 1;
    return applyBatchBundle(printer, hold.info, batchRst, name, common, user, userDir) ? 0 : 1;
}

int InstallCheckRstVersion(HANDLE printer, int stateType) {
    DrvContext* ctx = CtxCreateEx(printer, printer, nullptr, kKindOptMutexHeld | kKindOptAdmin, kCreateInterface, 0,
                                  nullptr);
    if (!ctx) return 0;
    struct Release {
        DrvContext* c;
        ~Release() { CtxReleaseEx(c, kReleaseFree); }
    } release{ctx};
    bool changed = stateType == kStampNeverSetUp || stateType == kStampAdminChanged;
    if (!changed) {
        WCHAR common[kWsPathChars] = {}, user[kWsPathChars] = {}, lang[8] = {};
        WCopyCut(lang, 8, GetLangSection(ctx));
        if (!GetIniFilePathEx(common, 0) || !GetIniFilePathEx(user, 1)) return 0;
        UINT u, c;
        {
            MutexHold mutex;
            u = IniGetInt(lang, u"RstVersion", kMissingVersion, user);
            c = IniGetInt(lang, u"RstVersion", kMissingVersion, common);
        }
        if (u == kMissingVersion || c == kMissingVersion) return 1;
        changed = u != c;
    }
    JcInitAtInstall(ctx);
    if (changed) {
        if (!InstallPrinter(printer, nullptr, kInstallSettingsChanged)) return 0;
        RunBatchInstallEx(printer, ctx, 0, 1);
    } else {
        InstallDeployPresetFiles(ctx, kDeployKeepUserLists);
        RunBatchInstall(printer, ctx, 1);
    }
    if (!WriteInstallStamp(printer, 1, 1)) return 0;
    SecurePrivateDir(ctx);
    return 1;
}

}  // namespace vesk
