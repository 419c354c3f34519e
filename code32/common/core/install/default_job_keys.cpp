#include <win/windows.h>

#include "core/ini_wrap.h"
#include "core/install/batch_install.h"
#include "core/lists/lists.h"
#include "core/os_version.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/printer_identity.h"
#include "core/printer_info.h"
#include "core/wstr.h"

namespace vesk {
namespace {

struct DefaultJobKey {
    const WCHAR* name;
    int kind;  // 0: copied from the setup INI; else the mode that writes it
};

// The keys other components read their job-merge settings from, in order.
constexpr DefaultJobKey kDefaultJobKeys[] = {
    {u"MergeKey", 0},
    {u"MergeSubKey", 0},
    {u"MergeFilePath", 0},
    {u"MergeFileName", 0},
    {u"DrvDefJobMergeFileName", 0},
    {u"DrvDefJobMergeFileExt", 0},
    {u"DrvDefJobMergePath", 0},  // read as "DrvDefJobMergePath2k" on Windows 2000 and later
    {u"APIJobMergeFileName", 0},
    {u"APIJobMergePath", 0},
    {u"APIUseFlag", 0},
    {u"DriverJobMergeFileName", 0},
    {u"DriverJobMergePath", 0},
    {u"SAVEPrnMethod", 0},
    {u"SAVEACT_FILEMERGEPRINT", 0},
    {u"APIAPLName", 0},
    {u"APIAPLInfo", 0},
    {u"DefaultRst", 1},
    {u"DefaultRst", 3},
    {u"BatchInstRst", 3},
    {u"BatchInstRst", 4},
};
constexpr size_t kMergePathRow = 6;
constexpr DWORD kJobKeyValueChars = 261;

}  // namespace

int CopyDefaultJobKeys(DrvContext* ctx, int mode, const WCHAR* value) {
    if (!ctx || !ctx->ws) return 0;
    const WCHAR* name = PrnGetPrinterName(ctx);
    const WCHAR* ini = GetIniFilePath(ctx);
    if (!name || !name[0] || !ini || !ini[0]) return 0;
    WCHAR target[kWsPathChars];
    WCopyCut(target, kWsPathChars, ini);
    if (mode == kJobKeysFromSetup) {
        const WCHAR* lang = GetLangSection(ctx);
        WCHAR setup[kWsPathChars] = {};
        WCopyCut(setup, kWsPathChars, GetSetupIniPath(ctx));
        if (!lang || !lang[0] || !setup[0]) return 0;
        int ok = 1;
        for (size_t i = 0; i < std::size(kDefaultJobKeys); ++i) {
            const DefaultJobKey& row = kDefaultJobKeys[i];
            if (row.kind != 0) continue;
            const WCHAR* from = i == kMergePathRow && OsIsNt5OrLater() ? u"DrvDefJobMergePath2k" : row.name;
            WCHAR v[kJobKeyValueChars] = {};
            IniGetString(lang, from, u"", v, kJobKeyValueChars, setup);
            if (!IniWriteString(name, row.name, v, target)) ok = 0;
        }
        OptSaveUserClasses(ctx->printer, ctx);
        return ok;
    }
    if (mode != kJobKeysDefaultRst && mode != kJobKeysKind3 && mode != kJobKeysBatchRst) return 0;
    if (mode == kJobKeysDefaultRst && !value) return 0;
    int ok = 1;
    for (const DefaultJobKey& row : kDefaultJobKeys)
        if (row.kind == mode && !IniWriteString(name, row.name, value, target)) ok = 0;
    return ok;
}

}  // namespace vesk
