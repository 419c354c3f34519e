// The user-quality list: entries "QualityList%d" (file, name) and
// "QualityCount" in the printer's section of the per-printer INI; a quality
// file holds the quality items and its name goes into item 867.
#include "core/devmode/dm_state.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/library_profile.h"
#include "core/lists/lists.h"
#include "core/lists/lists_internal.h"
#include "core/path_names.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/wstr.h"

namespace vesk {
namespace {

using namespace lists;

constexpr WCHAR kCount[] = u"QualityCount";
constexpr size_t kNameBytes = 33;  // item 867

bool readPath(DrvContext* ctx, const WCHAR* key, WCHAR* path) {
    path[0] = 0;
    const WCHAR* ini = iniPath(ctx);
    if (ini) IniGetString(ctx->ws->printerName, key, u"", path, kWsPathChars, ini);
    return path[0] != 0;
}

// The entry's "Name" key into `dest` of kListKeyChars.
WCHAR* nameKey(WCHAR* dest, const WCHAR* key) {
    WCopyCut(dest, kListKeyChars, key);
    WAppendWhole(dest, kListKeyChars, u"Name");
    return dest;
}

// Item 867 from the entry's "Name".
void nameIntoItem(DrvContext* ctx, const WCHAR* key) {
    WCHAR k[kListKeyChars];
    WCHAR name[kNameBytes] = {};
    readBounded(ctx->ws->printerName, nameKey(k, key), name, kNameBytes, kNameBytes, iniPath(ctx));
    ItemSetString(ctx, ItemFindById(ctx, kItWdmUserSetName), name);
}

bool usable(DrvContext* ctx, const WCHAR* key) { return ctx && ctx->ws && ctx->devmode && key; }

// The quality items from the entry's file and its name into item 867, or
// both the other way.
int transfer(DrvContext* ctx, const WCHAR* key, bool save, bool withName = true) {
    if (!usable(ctx, key)) return 0;
    WCHAR path[kWsPathChars];
    if (!readPath(ctx, key, path)) return 0;
    if (!save) {
        const int ok = SettingsImport(ctx->printer, path, kStQuality, ctx);
        if (withName) nameIntoItem(ctx, key);
        return ok;
    }
    const int ok = SettingsExport(ctx->printer, path, kStQuality, ctx);
    if (!withName) return ok;
    WCHAR k[kListKeyChars];
    WCHAR name[kNameBytes] = {};
    ItemGetString(ctx, ItemFindById(ctx, kItWdmUserSetName), name, kNameBytes);
    IniWriteString(ctx->ws->printerName, nameKey(k, key), name, iniPath(ctx));
    return ok;
}

int byIndex(DrvContext* ctx, uint32_t index, int (*act)(DrvContext*, const WCHAR*)) {
    if (index > 0x7FFFFFFF) return 0;
    WCHAR key[kListKeyChars];
    return act(ctx, FormatQualityKey(key, static_cast<int>(index)));
}

}  // namespace

int GetQualityCount(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    return readCount(ctx->ws->printerName, kCount, iniPath(ctx));
}

int QualityAdd(DrvContext* ctx, const WCHAR* file, const WCHAR* name) {
    const WCHAR* ini = ctx && ctx->ws ? iniPath(ctx) : nullptr;
    if (!ini || !file) return 0;
    const int n = GetQualityCount(ctx);
    WCHAR key[kListKeyChars];
    WCHAR k[kListKeyChars];
    int ok = IniWriteString(ctx->ws->printerName, FormatQualityKey(key, n), file, ini);
    ok = ok && IniWriteString(ctx->ws->printerName, nameKey(k, key), name ? name : u"", ini);
    return ok && writeCount(ctx->ws->printerName, kCount, n + 1, ini) ? 1 : 0;
}

int QualityListClear(DrvContext* ctx) {
    const WCHAR* ini = ctx && ctx->ws ? iniPath(ctx) : nullptr;
    return ini ? writeCount(ctx->ws->printerName, kCount, 0, ini) : 0;
}

int LoadQuality(DrvContext* ctx, const WCHAR* key) {
    return transfer(ctx, key, false, CurrentProfile().qualityLoadsName);
}
int SaveQuality(DrvContext* ctx, const WCHAR* key) { return transfer(ctx, key, true); }
int LoadQualityOptionsOnly(DrvContext* ctx, const WCHAR* key) { return transfer(ctx, key, false, false); }
int SaveQualityOptionsOnly(DrvContext* ctx, const WCHAR* key) { return transfer(ctx, key, true, false); }
int LoadQualityByIndex(DrvContext* ctx, uint32_t index) { return byIndex(ctx, index, LoadQuality); }
int SaveQualityByIndex(DrvContext* ctx, uint32_t index) { return byIndex(ctx, index, SaveQuality); }

int LoadQualityFromUserCopy(DrvContext* ctx, const WCHAR* key) {
    if (!usable(ctx, key)) return 0;
    WCHAR listed[kWsPathChars];
    if (!readPath(ctx, key, listed)) return 0;
    // The listed file's name with the extension rsq, in the per-user folder.
    WCHAR name[kWsPathChars] = {u'\\'};
    WCopyCut(name + 1, kWsPathChars - 1, FileNamePart(listed));
    WCHAR* dot = nullptr;
    for (WCHAR* p = name; *p; ++p)
        if (*p == u'.') dot = p;
    if (dot) *dot = 0;
    WCHAR path[kWsPathChars] = {};
    if (!GetUserDataDirPlain(path, kWsPathChars) || !WAppendWhole(path, kWsPathChars, name) ||
        !WAppendWhole(path, kWsPathChars, u".rsq"))
        return 0;
    const int ok = SettingsImport(ctx->printer, path, kStQuality | kStLanguageForm, ctx);
    nameIntoItem(ctx, key);
    return ok;
}

int ReloadQualityLists(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode || !DmSaveState(ctx)) return 0;
    const int n = GetQualityCount(ctx);
    for (int i = 0; i < n; ++i) {
        WCHAR key[kListKeyChars];
        FormatQualityKey(key, i);
        LoadQualityFromUserCopy(ctx, key);
        LoadQuality(ctx, key);
        SaveQuality(ctx, key);
    }
    DmRestoreState(ctx, 1);
    return 1;
}

}  // namespace vesk
