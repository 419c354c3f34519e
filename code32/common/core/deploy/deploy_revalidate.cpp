// Keeping the deployed presets and qualities right for the model: the
// preset list's revalidation after an option change and the re-deployment
// of a refused quality file.
#include <win/ui.h>

#include "core/deploy/deploy.h"
#include "core/deploy/deploy_internal.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/path_names.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/res/res.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {
namespace {

using namespace deploy;

// The preset list as it stands, at most 16 entries.
struct ListCopy {
    PresetEntry* entries = nullptr;
    int count = 0;
    ~ListCopy() { MemFree(entries); }
};

bool readList(DrvContext* ctx, ListCopy& list) {
    int n = GetPresetCount(ctx);
    if (n > kPresetSlots) n = kPresetSlots;
    list.entries = static_cast<PresetEntry*>(MemAllocZero(sizeof(PresetEntry) * (n > 0 ? n : 1)));
    if (!list.entries) return false;
    const WCHAR* ini = GetIniFilePath(ctx);
    for (int i = 0; i < n; ++i) {
        WCHAR key[kListKeyChars];
        PresetEntry& e = list.entries[i];
        IniGetString(ctx->ws->printerName, FormatPresetKey(key, i, 0), u"", e.path, kWsPathChars, ini);
        IniGetString(ctx->ws->printerName, FormatPresetKey(key, i, 1), u"", e.name, kPresetTextChars, ini);
        IniGetString(ctx->ws->printerName, FormatPresetKey(key, i, 2), u"", e.comment, kPresetTextChars, ini);
    }
    list.count = n;
    return true;
}

// Every preset entry of the bundle can be read and expanded.
bool bundleEntriesReadable(const WCHAR* bundle, const WCHAR* lang, int count, DrvContext* ctx) {
    for (int n = 1; n <= count; ++n) {
        WCHAR entry[kWsPathChars];
        if (!readEntry(bundle, lang, "Deficonfiles", n, entry, ctx)) return false;
    }
    return true;
}

// The rsr copy stands for one of the bundle's entries: its name with the
// extension rsd is an entry's file name.
bool isBundleCopy(const WCHAR* path, const WCHAR* bundle, const WCHAR* lang, int count, DrvContext* ctx) {
    WCHAR rsd[kWsPathChars];
    if (!ChangeExtensionRsd(FileNamePart(path), rsd, kWsPathChars)) return false;
    for (int n = 1; n <= count; ++n) {
        WCHAR entry[kWsPathChars];
        if (readEntry(bundle, lang, "Deficonfiles", n, entry, ctx) && WEqualNoCase(FileNamePart(entry), rsd))
            return true;
    }
    return false;
}

bool dropped(const WCHAR* path, const WCHAR* bundle, const WCHAR* lang, int count, DrvContext* ctx) {
    size_t n = 0;
    const WCHAR* ext = FileExtension(path, &n);
    const bool rsr = n == 3 && ext[0] == u'r' && ext[1] == u's' && ext[2] == u'r';
    if (rsr) return isBundleCopy(path, bundle, lang, count, ctx) && !CondEvaluate(path, ctx);
    return !PresetIsApplicable(path, ctx);
}

// The same file name before the first '.', letter case aside.
bool sameBaseName(const WCHAR* a, const WCHAR* b) {
    size_t na = 0, nb = 0;
    const WCHAR* x = FileBaseName(a, &na);
    const WCHAR* y = FileBaseName(b, &nb);
    if (!x || !y || na != nb || na == 0) return false;
    WCHAR s[kWsPathChars] = {}, t[kWsPathChars] = {};
    for (size_t i = 0; i < na && i + 1 < kWsPathChars; ++i) s[i] = x[i], t[i] = y[i];
    return WEqualNoCase(s, t);
}

}  // namespace

int PresetsRevalidate(DrvContext* ctx, int ask) {
    if (!ctx || !ctx->ws) return 0;
    ListCopy list;
    if (!readList(ctx, list)) return 0;
    WCHAR bundle[kWsPathChars];
    if (!GetPrinterDefaultRst(ctx, bundle, kWsPathChars)) return 0;
    const WCHAR* lang = GetLangCode(ctx);
    if (static_cast<int>(IniGetInt(lang, u"NumDeficonfiles", 0xFFFF, bundle)) == 0xFFFF) return 0;
    const int count = entryCount(bundle, lang, u"NumDeficonfiles");
    if (!bundleEntriesReadable(bundle, lang, count, ctx)) return 0;
    bool drop[kPresetSlots] = {};
    bool any = false;
    for (int i = 0; i < list.count; ++i) any = (drop[i] = dropped(list.entries[i].path, bundle, lang, count, ctx)) || any;
    if (any && ask && MsgBoxOkCancel(ctx, nullptr, kMsgPresetsDropped) == IDCANCEL) return 0;
    PresetClear(ctx);
    for (int i = 0; i < list.count; ++i)
        if (!drop[i]) PresetAdd(ctx, list.entries[i].path, list.entries[i].name, list.entries[i].comment);
    return PresetsInstallList(bundle, lang, kDplRegister | kDplCheckConditions | kDplMerge, ctx, list.count,
                              list.entries);
}

int QualityRedeploy(DrvContext* ctx, const WCHAR* path) {
    if (!ctx || !ctx->ws || !path) return 0;
    WCHAR bundle[kWsPathChars];
    const WCHAR* lang = GetLangCode(ctx);
    if (!GetDefaultRstName(ctx, bundle, kWsPathChars) || !IsBundleFile(bundle)) return 0;
    const int count = entryCount(bundle, lang, u"NumDefqualityfiles");
    for (int n = 1; n <= count; ++n) {
        WCHAR source[kWsPathChars];
        if (!readEntry(bundle, lang, "Defqualityfiles", n, source, ctx) || !sameBaseName(source, path)) continue;
        CopyInstallFile(source, nullptr, 2, ctx, 0);
        if (!FileExists(source)) return 0;
        CopyPresetConditions(path, source, kStQuality, ctx);
        return 1;
    }
    return 0;
}

}  // namespace vesk
