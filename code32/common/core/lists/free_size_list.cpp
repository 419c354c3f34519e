// The ten free paper sizes of the display language: sections "FreeSize%d%s"
// of the per-printer INI with the free-size items, and their cache in the
// workspace, loaded once per change-mask epoch.
#include <cstring>

#include "core/devmode/dm_state.h"
#include "core/ini_wrap.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/library_profile.h"
#include "core/lists/lists.h"
#include "core/lists/lists_internal.h"
#include "core/paths.h"
#include "core/persist/settings_file.h"
#include "core/res/res.h"
#include "core/text_convert.h"
#include "core/validation/free_size_slots.h"
#include "core/wstr.h"

namespace vesk {
namespace {

using namespace lists;

constexpr uint32_t kFirstName = 109;  // string 109 + slot
constexpr size_t kNameChars = kWsFreeSizeNameBytes;

bool slotOk(int i) { return i >= 0 && i < kFreeSizeSlotCount; }

// Items first..first+2 to 0, then the section of `path`.
int loadFrom(DrvContext* ctx, const WCHAR* path, const WCHAR* section, bool source) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    const int first = source ? kItWdmSrcFreeSizeName : kItWdmFreeSizeName;
    ItemSetString(ctx, ItemFindById(ctx, first), u"");
    ItemSetRawById(ctx, first + 1, 0);
    ItemSetRawById(ctx, first + 2, 0);
    return sectionImport(ctx, path, section, kStRead | (source ? kStSourceFreeSize : kStFreeSize));
}

void toAnsi(char* dest, const WCHAR* text) { StrWideToAnsi(dest, text, static_cast<int>(kWsFreeSizeNameBytes)); }

void resName(DrvContext* ctx, int i, int suffix, char* dest) {
    WCHAR text[kNameChars + 8] = {};
    ResLoadString(ctx, kFirstName + static_cast<uint32_t>(i), text, kNameChars + 8, suffix);
    toAnsi(dest, text);
}

// Items name, width, length (859 or 862 first) into the slot; the display
// names follow from the user's name and the size.
int optionsToCache(DrvContext* ctx, int i, int first) {
    if (!ctx || !ctx->ws || !ctx->devmode || !slotOk(i)) return 0;
    WsFreeSize& s = ctx->ws->freeSizes[i];
    s.width = static_cast<int32_t>(ItemRawById(ctx, first + 1));
    s.length = static_cast<int32_t>(ItemRawById(ctx, first + 2));
    WCHAR name[kNameChars] = {};
    ItemGetString(ctx, ItemFindById(ctx, first), name, kNameChars);
    toAnsi(s.userName, name);
    if (!CurrentProfile().freeSizeNamesFromResources) {
        // Without resource strings the slot shows its name as stored.
        std::memcpy(s.displayName, s.userName, kWsFreeSizeNameBytes);
        std::memcpy(s.displayNameSized, s.userName, kWsFreeSizeNameBytes);
        return 1;
    }
    resName(ctx, i, 0, s.displayName);
    resName(ctx, i, 1, s.displayNameSized);
    return 1;
}

int cacheToOptions(DrvContext* ctx, int i, int first) {
    if (!ctx || !ctx->ws || !ctx->devmode || !slotOk(i)) return 0;
    const WsFreeSize& s = ctx->ws->freeSizes[i];
    char ansi[kWsFreeSizeNameBytes + 1] = {};
    for (size_t k = 0; k < kWsFreeSizeNameBytes; ++k) ansi[k] = s.userName[k];
    WCHAR name[kNameChars + 1] = {};
    StrAnsiToWide(name, ansi, static_cast<int>(kNameChars + 1));
    ItemSetString(ctx, ItemFindById(ctx, first), name);
    ItemSetRawById(ctx, first + 1, static_cast<uint32_t>(s.width));
    ItemSetRawById(ctx, first + 2, static_cast<uint32_t>(s.length));
    return 1;
}

// A slot's defaults: string 109 + slot, the setup INI's size, else A4.
void initSlot(DrvContext* ctx, int i) {
    WsFreeSize& s = ctx->ws->freeSizes[i];
    resName(ctx, i, 0, s.displayName);
    resName(ctx, i, 0, s.userName);
    WCHAR section[kListKeyChars];
    FormatFreeSizeSection(section, i, ctx);
    const WCHAR* setup = GetSetupIniPath(ctx);
    s.width = static_cast<int32_t>(IniGetInt(section, u"wdmFreeSizeWidth", kFreeSizeDefaultWidth, setup));
    s.length = static_cast<int32_t>(IniGetInt(section, u"wdmFreeSizeLength", kFreeSizeDefaultLength, setup));
    if (s.width <= 0) s.width = kFreeSizeDefaultWidth;
    if (s.length <= 0) s.length = kFreeSizeDefaultLength;
    resName(ctx, i, 1, s.displayNameSized);
}

}  // namespace

WCHAR* FormatFreeSizeSection(WCHAR* buffer, int i, DrvContext* ctx) { return formatLangSection(buffer, "FreeSize", i, ctx); }

int LoadFreeSizeSection(DrvContext* ctx, const WCHAR* section) {
    return loadFrom(ctx, lists::iniPath(ctx), section, false);
}

int LoadSrcFreeSizeSection(DrvContext* ctx, const WCHAR* section) {
    return loadFrom(ctx, lists::iniPath(ctx), section, true);
}

int SaveFreeSizeSection(DrvContext* ctx, const WCHAR* section) {
    return sectionExport(ctx, lists::iniPath(ctx), section, kStWrite | kStFreeSize);
}

int LoadFreeSizeByIndex(DrvContext* ctx, int i) {
    WCHAR section[kListKeyChars];
    return slotOk(i) ? LoadFreeSizeSection(ctx, FormatFreeSizeSection(section, i, ctx)) : 0;
}

int LoadSrcFreeSizeByIndex(DrvContext* ctx, int i) {
    WCHAR section[kListKeyChars];
    return slotOk(i) ? LoadSrcFreeSizeSection(ctx, FormatFreeSizeSection(section, i, ctx)) : 0;
}

int SaveFreeSizeByIndex(DrvContext* ctx, int i) {
    WCHAR section[kListKeyChars];
    return slotOk(i) ? SaveFreeSizeSection(ctx, FormatFreeSizeSection(section, i, ctx)) : 0;
}

int LoadFreeSizeTable(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    if (ChangeMaskGet(ctx) & kChangeFreeSizesLoaded) return 1;
    if (!ctx->devmode || !DmSaveState(ctx)) return 0;
    for (int i = 0; i < kFreeSizeSlotCount; ++i) {
        LoadFreeSizeByIndex(ctx, i);
        // A slot without a stored size (a new printer) shows its default
        // rather than a paper of no size.
        if (ItemRawById(ctx, kItWdmFreeSizeWidth) == 0 || ItemRawById(ctx, kItWdmFreeSizeLength) == 0)
            initSlot(ctx, i);
        else
            OptionsToCachedFreeSize(ctx, i);
    }
    DmRestoreState(ctx, 1);
    ChangeMaskAdd(ctx, kChangeFreeSizesLoaded);
    return 1;
}

int SaveFreeSizeTable(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode || !DmSaveState(ctx)) return 0;
    int ok = 1;
    for (int i = 0; i < kFreeSizeSlotCount; ++i)
        ok = CachedFreeSizeToOptions(ctx, i) && SaveFreeSizeByIndex(ctx, i) && ok;
    DmRestoreState(ctx, 1);
    return ok;
}

int InitFreeSizeTable(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    for (int i = 0; i < kFreeSizeSlotCount; ++i) initSlot(ctx, i);
    return 1;
}

int CachedFreeSizeToOptions(DrvContext* ctx, int i) { return cacheToOptions(ctx, i, kItWdmFreeSizeName); }
int CachedFreeSizeToOptions2(DrvContext* ctx, int i) { return cacheToOptions(ctx, i, kItWdmSrcFreeSizeName); }
int OptionsToCachedFreeSize(DrvContext* ctx, int i) { return optionsToCache(ctx, i, kItWdmFreeSizeName); }
int OptionsToCachedFreeSize2(DrvContext* ctx, int i) { return optionsToCache(ctx, i, kItWdmSrcFreeSizeName); }

int FreeSizePaper(DrvContext* ctx, int paperCode, int32_t* outWidth, int32_t* outLength) {
    if (!ctx || !ctx->ws || !IsFreeSizePaper(paperCode)) return 0;
    LoadFreeSizeTable(ctx);
    const WsFreeSize& s = ctx->ws->freeSizes[FreeSizeSlotFromPaper(paperCode)];
    const bool sized = s.width > 0 && s.length > 0;
    if (outWidth) *outWidth = sized ? s.width : kFreeSizeDefaultWidth;
    if (outLength) *outLength = sized ? s.length : kFreeSizeDefaultLength;
    return 1;
}

int FreeSizePaperName(DrvContext* ctx, int paperCode, WCHAR* name, uint32_t cch) {
    if (!ctx || !ctx->ws || !IsFreeSizePaper(paperCode)) return 0;
    LoadFreeSizeTable(ctx);
    const int slot = FreeSizeSlotFromPaper(paperCode);
    const WsFreeSize& s = ctx->ws->freeSizes[slot];
    char ansi[kWsFreeSizeNameBytes + 1] = {};
    const char* from = s.userName[0] ? s.userName : s.displayName;
    for (size_t k = 0; k < kWsFreeSizeNameBytes; ++k) ansi[k] = from[k];
    WCHAR wide[kNameChars + 1] = {};
    if (ansi[0]) StrAnsiToWide(wide, ansi, static_cast<int>(kNameChars + 1));
    else ResLoadString(ctx, kFirstName + static_cast<uint32_t>(slot), wide, kNameChars + 1, 0);
    if (name && cch) copyWhole(name, cch, wide);
    return 1;
}

}  // namespace vesk
