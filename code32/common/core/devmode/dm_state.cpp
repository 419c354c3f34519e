#include "core/devmode/dm_state.h"

#include <cstring>

#include "core/devmode/dm_model.h"
#include "core/devmode_sizes.h"
#include "core/font_tables.h"
#include "core/item_lists.h"
#include "core/item_store.h"
#include "core/bridge/bridge.h"
#include "core/pending_capabilities.h"
#include "core/sysdeps.h"

namespace vesk {

namespace {
constexpr uint32_t kFixedLevels = 3;
constexpr uint64_t kFeatureSwitches = 1ull << 7;
constexpr uint32_t kSubstEntryChars = 64;
constexpr uint32_t kFontEntryChars = 34;
constexpr uint32_t kFontNameOffsetChars = 2;

BYTE* levelBuffer(DrvWorkspace* ws, uint32_t i) {
    return i < kFixedLevels ? ws->saveStack[i] : ws->saveDeeper[i - kFixedLevels];
}
uint32_t& levelHistory(DrvWorkspace* ws, uint32_t i) {
    return i < kFixedLevels ? ws->changeHistory[i] : ws->historyDeeper[i - kFixedLevels];
}

bool growDeeper(DrvWorkspace* ws) {
    const uint32_t cap = ws->saveDeeperCapacity ? ws->saveDeeperCapacity * 2 : 4;
    BYTE** bufs = static_cast<BYTE**>(MemAllocZero(sizeof(BYTE*) * cap));
    uint32_t* hist = static_cast<uint32_t*>(MemAllocZero(sizeof(uint32_t) * cap));
    if (!bufs || !hist) {
        MemFree(bufs);
        MemFree(hist);
        return false;
    }
    for (uint32_t i = 0; i < ws->saveDeeperCapacity; ++i) {
        bufs[i] = ws->saveDeeper[i];
        hist[i] = ws->historyDeeper[i];
    }
    MemFree(ws->saveDeeper);
    MemFree(ws->historyDeeper);
    ws->saveDeeper = bufs;
    ws->historyDeeper = hist;
    ws->saveDeeperCapacity = cap;
    return true;
}

const FontTableItems& substItems() { return kFontTableItems[2]; }

void readEntryText(const BYTE* table, uint32_t entryBytes, uint32_t index, uint32_t firstChar, uint32_t chars,
                   WCHAR* dest, size_t destChars) {
    size_t n = 0;
    const BYTE* e = table + static_cast<size_t>(index) * entryBytes + firstChar * 2;
    for (; n < chars && n + 1 < destChars; ++n) {
        WCHAR c = static_cast<WCHAR>(e[2 * n] | (e[2 * n + 1] << 8));
        if (!c) break;
        dest[n] = c;
    }
    dest[n] = 0;
}

// Entry `i` of a live font table, or null when the table is too short.
const BYTE* tableOf(DrvContext* ctx, const FontTableItems& f, uint32_t* count) {
    *count = ItemRawById(ctx, f.countItem);
    uint32_t bytes = 0;
    const BYTE* t = static_cast<const BYTE*>(FontTableData(ItemRawById(ctx, f.handleItem), &bytes));
    if (!t) {
        *count = 0;
        return nullptr;
    }
    if (static_cast<uint64_t>(*count) * f.entrySize > bytes) *count = bytes / f.entrySize;
    return t;
}
}  // namespace

uint32_t DmSaveDepth(const DrvContext* ctx) { return (ctx && ctx->ws) ? ctx->ws->saveLevel : 0; }

int DmSaveState(DrvContext* ctx) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    DrvWorkspace* ws = ctx->ws;
    const uint32_t level = ws->saveLevel;
    if (level >= kFixedLevels) {
        const uint32_t k = level - kFixedLevels;
        if (k >= ws->saveDeeperCapacity && !growDeeper(ws)) return 0;
        if (!ws->saveDeeper[k]) {
            ws->saveDeeper[k] = static_cast<BYTE*>(MemAllocZero(dmSizes().stateSize));
            if (!ws->saveDeeper[k]) return 0;
        }
    }
    BYTE* b = levelBuffer(ws, level);
    if (!b) return 0;
    std::memcpy(b, ctx->devmode, dmSizes().stateSize);
    levelHistory(ws, level) = ws->changeMask;
    ws->saveLevel = level + 1;
    return 1;
}

int DmRestoreState(DrvContext* ctx, int restore) {
    if (!ctx || !ctx->ws || !ctx->devmode || ctx->ws->saveLevel == 0) return 0;
    DrvWorkspace* ws = ctx->ws;
    const uint32_t level = ws->saveLevel - 1;
    BYTE* b = levelBuffer(ws, level);
    if (restore) {
        // Font tables: the restored level's table wins when it is still
        // alive, and the one the DEVMODE holds now is freed (the kept first
        // substitution table stays with the workspace until the level that
        // names it comes back). A level whose table was freed since keeps
        // the current one, so no freed handle ever comes back.
        for (const FontTableItems& f : kFontTableItems) {
            DmItem* h = ItemFindById(ctx, f.handleItem);
            DmItem* n = ItemFindById(ctx, f.countItem);
            const uint32_t now = ItemReadRawIn(ctx->devmode, h);
            const uint32_t then = ItemReadRawIn(b, h);
            const bool subst = &f == &substItems();
            if (now == then) continue;
            if (then && !FontTableData(then)) {
                ItemWriteRawIn(b, h, now);
                ItemWriteRawIn(b, n, ItemReadRawIn(ctx->devmode, n));
                continue;
            }
            if (!(subst && now == ws->keptSubstTable)) FontTableRelease(now);
            if (subst && ws->substKept && then == ws->keptSubstTable) {
                ws->keptSubstTable = 0;  // the DEVMODE owns it again
                ws->keptSubstCount = 0;
                ws->substKept = false;
            }
        }
        std::memcpy(ctx->devmode, b, dmSizes().stateSize);
        ws->changeMask = levelHistory(ws, level);
        ws->itemsChanged = 0;
        if (ctx->items)
            for (int i = 0; i < ctx->items->count; ++i) ctx->items->items[i].changed = 0;
    } else if (ws->substKept) {
        FontTableRelease(ws->keptSubstTable);
        ws->keptSubstTable = 0;
        ws->keptSubstCount = 0;
        ws->substKept = false;
    }
    ws->saveLevel = level;
    return 1;
}

void DmSaveStackFree(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return;
    DrvWorkspace* ws = ctx->ws;
    for (uint32_t i = 0; ws->saveDeeper && i < ws->saveDeeperCapacity; ++i) MemFree(ws->saveDeeper[i]);
    MemFree(ws->saveDeeper);
    MemFree(ws->historyDeeper);
    ws->saveDeeper = nullptr;
    ws->historyDeeper = nullptr;
    ws->saveDeeperCapacity = 0;
}

DmItemTable* SnapshotOptionTable(DrvContext* ctx) {
    if (!ctx || !ctx->items) return nullptr;
    DmItemTable* t = static_cast<DmItemTable*>(MemAllocZero(sizeof(DmItemTable)));
    if (!t) return nullptr;
    t->count = ctx->items->count;
    if (t->count > 0 && ctx->items->items) {
        t->items = static_cast<DmItem*>(MemAllocZero(sizeof(DmItem) * static_cast<size_t>(t->count)));
        if (t->items) std::memcpy(static_cast<void*>(t->items), ctx->items->items, sizeof(DmItem) * t->count);
    }
    return t;
}

void FreeOptionTable(DmItemTable* snapshot) {
    if (!snapshot) return;
    MemFree(snapshot->items);
    MemFree(snapshot);
}

void RestoreOptionTable(DrvContext* ctx, DmItemTable* snapshot) {
    if (!snapshot) return;
    if (ctx && ctx->items && ctx->items->items && snapshot->items && snapshot->count == ctx->items->count) {
        std::memcpy(static_cast<void*>(ctx->items->items), snapshot->items, sizeof(DmItem) * snapshot->count);
        ItemTableEdited(ctx);
    }
    FreeOptionTable(snapshot);
}

uint32_t GetNameListCount(DrvContext* ctx) {
    uint32_t total = 0;
    for (int k = 0; k < 2; ++k) {
        uint32_t n = 0;
        tableOf(ctx, kFontTableItems[k], &n);
        total += n;
    }
    return total;
}

size_t GetNameListItem(DrvContext* ctx, uint32_t i, WCHAR* dest, size_t destChars) {
    if (!dest || destChars == 0) return 0;
    dest[0] = 0;
    for (int k = 0; k < 2; ++k) {
        uint32_t n = 0;
        const BYTE* t = tableOf(ctx, kFontTableItems[k], &n);
        if (i < n) {
            readEntryText(t, kFontTableItems[k].entrySize, i, kFontNameOffsetChars,
                          kFontEntryChars - kFontNameOffsetChars, dest, destChars);
            break;
        }
        i -= n;
    }
    size_t len = 0;
    while (dest[len]) ++len;
    return len;
}

int SetNameList(DrvContext* ctx, uint32_t count, const WCHAR* entries) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    DrvWorkspace* ws = ctx->ws;
    const FontTableItems& f = substItems();
    DmItem* h = ItemFindById(ctx, f.handleItem);
    DmItem* n = ItemFindById(ctx, f.countItem);
    if (!h || !n) return 0;
    uint32_t handle = 0;
    if (entries && count) {
        if (count > 0xFFFF) return 0;
        const size_t bytes = static_cast<size_t>(count) * f.entrySize;
        BYTE* block = static_cast<BYTE*>(MemAllocZero(bytes));
        if (!block) return 0;
        for (size_t c = 0; c < static_cast<size_t>(count) * kSubstEntryChars; ++c) {
            block[2 * c] = static_cast<BYTE>(entries[c]);
            block[2 * c + 1] = static_cast<BYTE>(entries[c] >> 8);
        }
        handle = FontTableAdopt(block, static_cast<uint32_t>(bytes));
        if (!handle) return 0;
    }
    // The first replacement keeps the DEVMODE's table for a later restore
    // (a DEVMODE without a table keeps handle 0); every later one frees the
    // table it replaces.
    if (!ws->substKept) {
        ws->keptSubstTable = ItemGetRaw(ctx, h);
        ws->keptSubstCount = static_cast<uint16_t>(ItemGetRaw(ctx, n));
        ws->substKept = true;
    } else {
        FontTableRelease(ItemGetRaw(ctx, h));
    }
    ItemSetRaw(ctx, h, handle);
    ItemSetRaw(ctx, n, handle ? count : 0);
    // Without entries the list goes back to the driver's default table.
    if (!handle) return FontSubstTableResetDefaults(ctx) ? 1 : 0;
    return 1;
}

size_t FindNameListItem(DrvContext* ctx, const WCHAR* font, WCHAR* dest, size_t destChars) {
    if (!dest || destChars == 0) return 0;
    dest[0] = 0;
    uint32_t n = 0;
    const FontTableItems& f = substItems();
    const BYTE* t = font ? tableOf(ctx, f, &n) : nullptr;
    for (uint32_t i = 0; t && i < n; ++i) {
        WCHAR name[33];
        readEntryText(t, f.entrySize, i, 0, 32, name, 33);
        bool same = true;
        size_t k = 0;
        for (; k < 32; ++k) {
            if (font[k] != name[k]) {
                same = false;
                break;
            }
            if (!name[k]) break;
        }
        if (same && k == 32 && font[32] != 0) same = false;  // longer than a name can be
        if (same) {
            readEntryText(t, f.entrySize, i, 32, 32, dest, destChars);
            size_t len = 0;
            while (dest[len]) ++len;
            return len;
        }
    }
    return GetNameListItem(ctx, 0, dest, destChars);
}

int IsFeatureOn(uint32_t bit) { return (bit < 64 && ((kFeatureSwitches >> bit) & 1)) ? 1 : 0; }

int RunFeature(uint32_t bit, DrvContext* ctx) {
    if (!IsFeatureOn(bit)) return 0;
    if (bit == kFeatureBridge) return RemoteConfigConnect(ctx);
    if (bit == kFeatureBridgeLegacy) return SrvCfgConnectLegacy(ctx);
    return 0;
}

int DeviceHasCapability129(DrvContext* ctx) { return dmModel().collateSupported(ctx) ? 1 : 0; }

uint32_t GetOptionInRange916(DrvContext* ctx, int id) { return (id >= 916 && id <= 947) ? ItemRawById(ctx, id) : 0; }

void SetOptionUnlessLocked(int, int id, uint32_t value, DrvContext* ctx) { ItemSetRawById(ctx, id, value); }

}  // namespace vesk
