// Repair of the free-size and stamp lists from the setup INI, and their
// import from a default preset bundle.
#include "core/devmode/dm_state.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/lists/lists_internal.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"
#include "core/validation/free_size_slots.h"
#include "core/wstr.h"

namespace vesk {
namespace {

using namespace lists;

constexpr WCHAR kFreeSizeCount[] = u"FreeSizeCount";
constexpr WCHAR kStampCount[] = u"StampCount";

bool empty(const WCHAR* section, const WCHAR* key, const WCHAR* path) {
    WCHAR v[8] = {};
    IniGetString(section, key, u"", v, 8, path);
    return v[0] == 0;
}

// A free-size section holds both sizes.
bool sized(const WCHAR* section, const WCHAR* path) {
    return !empty(section, u"wdmFreeSizeWidth", path) && !empty(section, u"wdmFreeSizeLength", path);
}

bool freeSizesBroken(DrvContext* ctx, const WCHAR* ini) {
    for (int i = 0; i < kFreeSizeSlotCount; ++i) {
        WCHAR section[kListKeyChars];
        if (!sized(FormatFreeSizeSection(section, i, ctx), ini)) return true;
    }
    return false;
}

// The stamp keys in the order they are tested.
constexpr int kStampIds[] = {109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120, 121,
                             122, 123, 124, 125, 126, 127, 128, 869, 870, 871, 872, 873};

// A stamp with an empty key is broken, except that a text stamp (kind 1)
// has no image and an image stamp (kind 2) no text: that ends its test.
// Testing the other way round would count every text stamp broken and
// repair the list over the user's stamps at each check.
bool stampBroken(DrvContext* ctx, const WCHAR* section, const WCHAR* ini) {
    const int kind = static_cast<int>(IniGetInt(section, u"rdmWmKind", 0, ini));
    for (int id : kStampIds) {
        const DmItem* it = ItemFindById(ctx, id);
        if (!it || !it->fieldName) continue;
        if (!empty(section, it->fieldName, ini)) continue;
        if (kind == 1 && (id == kItWdmWmImage || id == kItWdmWmImageName)) return false;
        if (kind == 2 && (id == kItWdmWmChar || id == kItWdmWmCharName)) return false;
        return true;
    }
    return false;
}

bool stampsBroken(DrvContext* ctx, const WCHAR* lang, const WCHAR* ini) {
    const int count = readCount(lang, kStampCount, ini);
    if (count == 0) return true;
    for (int i = 0; i < count; ++i) {
        WCHAR section[kListKeyChars];
        if (stampBroken(ctx, FormatStampSection(section, i, ctx), ini)) return true;
    }
    return false;
}

int loadFreeSizeFrom(DrvContext* ctx, const WCHAR* path, const WCHAR* section) {
    ItemSetString(ctx, ItemFindById(ctx, kItWdmFreeSizeName), u"");
    ItemSetRawById(ctx, kItWdmFreeSizeWidth, 0);
    ItemSetRawById(ctx, kItWdmFreeSizeLength, 0);
    return sectionImport(ctx, path, section, kStRead | kStFreeSize);
}

}  // namespace

int RepairLists(DrvContext* ctx) { return RepairListsEx(ctx, nullptr); }

int RepairListsEx(DrvContext* ctx, uint32_t* repaired) {
    if (repaired) *repaired = 0;
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    WCHAR setup[kWsPathChars] = {};
    WCopyCut(setup, kWsPathChars, GetSetupIniPath(ctx));
    const WCHAR* ini = lists::iniPath(ctx);
    const WCHAR* lang = GetLangSection(ctx);
    if (!isDrivePath(setup) || !ini || !ctx->ws->printerName[0] || !lang || !lang[0]) return 0;
    WCHAR iniCopy[kWsPathChars] = {};
    WCopyCut(iniCopy, kWsPathChars, ini);
    uint32_t found = 0;

    if (freeSizesBroken(ctx, iniCopy) && DmSaveState(ctx)) {
        found |= kRepairedFreeSizes;
        const int ref = readCount(lang, kFreeSizeCount, setup) == kFreeSizeSlotCount ? kFreeSizeSlotCount : 0;
        writeCount(lang, kFreeSizeCount, ref, iniCopy);
        for (int i = 0; i < ref; ++i) {
            WCHAR section[kListKeyChars];
            loadFreeSizeFrom(ctx, setup, FormatFreeSizeSection(section, i, ctx));
            SaveFreeSizeByIndex(ctx, i);
        }
        DmRestoreState(ctx, 1);
        ChangeMaskClear(ctx, kChangeFreeSizesLoaded);
    }

    if (stampsBroken(ctx, lang, iniCopy) && DmSaveState(ctx)) {
        found |= kRepairedStamps;
        const int ref = readCount(lang, kStampCount, setup);
        SetStampCount(ctx, ref);
        for (int i = 0; i < ref; ++i) {
            WCHAR section[kListKeyChars];
            sectionImport(ctx, setup, FormatStampSection(section, i, ctx), kStRead | kStStamp);
            SaveStampByIndex(ctx, static_cast<uint32_t>(i));
        }
        DmRestoreState(ctx, 1);
    }
    if (repaired) *repaired = found;
    return 1;
}

int ImportFreeSizesFromFile(const WCHAR* file, const WCHAR* section, DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode || !isDrivePath(file) || !section) return 0;
    int n = readCount(section, kFreeSizeCount, file);
    if (n > kFreeSizeSlotCount) n = kFreeSizeSlotCount;
    for (int i = 0; i < n; ++i) {
        WCHAR name[kListKeyChars];
        FormatFreeSizeSection(name, i, ctx);
        // A slot the file does not size stays as it was.
        if (sized(name, file) && loadFreeSizeFrom(ctx, file, name)) SaveFreeSizeByIndex(ctx, i);
    }
    ChangeMaskClear(ctx, kChangeFreeSizesLoaded);
    return 1;
}

int ImportStampsFromFile(const WCHAR* file, const WCHAR* section, DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode || !isDrivePath(file) || !section) return 0;
    const int n = readCount(section, kStampCount, file);
    if (n > GetStampCount(ctx)) SetStampCount(ctx, n);
    const uint32_t kept = ItemRawById(ctx, kItRdmWmID);
    for (int i = 0; i < n && i < kScratchStamp; ++i) {
        WCHAR name[kListKeyChars];
        if (sectionImport(ctx, file, FormatStampSection(name, i, ctx), kStRead | kStStamp))
            SaveStampByIndex(ctx, static_cast<uint32_t>(i));
    }
    ItemSetRawById(ctx, kItRdmWmID, kept);
    return 1;
}

}  // namespace vesk
