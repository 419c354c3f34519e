#include "core/item_store.h"

#include <cstdint>
#include <cstring>

#include "core/devmode_sizes.h"
#include "core/item_ids.h"
#include "core/item_lists.h"
#include "core/item_raw.h"
#include "core/text_convert.h"

namespace vesk {
namespace {

using namespace itemraw;

// Bytes a read or write of the item touches from its offset.
uint32_t accessWidth(const DmItem& it) {
    const RawForm& f = kRawForms.of[itemTypeCode(it)];
    return f.kind == kAddress ? itemSize(it) : f.width;
}

void writeLe(BYTE* p, uint32_t n, uint32_t v) {
    for (uint32_t i = 0; i < n; ++i) p[i] = static_cast<BYTE>(v >> (8 * i));
}

void markChanged(DrvContext* ctx, DmItem* item) {
    item->changed = 1;
    if (ctx->ws) ctx->ws->itemsChanged = 1;
}

// Common tail of every store: marks, the scale mirror and the change classes.
uint32_t afterStore(DrvContext* ctx, DmItem* item, uint32_t value) {
    markChanged(ctx, item);
    if (item->id == kItRdmScaleH && ItemRawById(ctx, kItRdmScaleType) == 1)
        ItemSetRawById(ctx, kItRdmScaleV, value);
    uint32_t classes = item->changeClasses & kChangeClassMask;
    if (classes) ChangeMaskAdd(ctx, classes);
    return classes;
}

}  // namespace

DmItem* ItemFindByIdElsewhere(DrvContext* ctx, int id) {
    if (!ctx || !ctx->items || !ctx->items->items || id <= 0) return nullptr;
    DmItem* items = ctx->items->items;
    int count = ctx->items->count;
    if (count <= 0) return nullptr;
    // Ids 1 to 962 sit at position id - 1; the position is checked, so an id
    // that no item has never aliases another record.
    if (id <= count && items[id - 1].id == id) return &items[id - 1];
    if (id > 0xFFFF) return nullptr;
    // Ids 10001 to 10277 follow the low ids in the built-in order, at
    // position 962 + (id - 10001); the position is checked as above, and a
    // table laid out otherwise is searched.
    if (id >= kItemIdFirstHigh && id <= kItemIdLastHigh) {
        const int at = kItemIdLastLow + (id - kItemIdFirstHigh);
        if (at < count && items[at].id == id) return &items[at];
    }
    int lo = 0, hi = count - 1;
    if (items[lo].id == id) return &items[lo];
    if (items[hi].id == id) return &items[hi];
    while (lo + 1 < hi) {
        int mid = lo + (hi - lo) / 2;
        if (items[mid].id == id) return &items[mid];
        if (items[mid].id < id) lo = mid;
        else hi = mid;
    }
    // A table out of order: scan from the end.
    for (int i = count - 1; i >= 0; --i)
        if (items[i].id == id) return &items[i];
    return nullptr;
}

namespace {
// The answers ItemFindByKey gave while a scope stands, with what each
// depends on besides the key: the context, its item table (address and
// length) and its symbol table.
struct KeyAnswer {
    const DrvContext* ctx;
    const DmItem* items;
    int count;
    const SymbolTable* symbols;
    int key;
    DmItem* item;
};
struct KeyAnswers {
    int depth = 0;
    int used = 0;
    int next = 0;  // the entry a new answer replaces once all are used
    KeyAnswer kept[8];
};
KeyAnswers& keyAnswers() {
    thread_local KeyAnswers a;
    return a;
}

DmItem* findByKey(DrvContext* ctx, int key);
}  // namespace

ItemKeyScope::ItemKeyScope() { ++keyAnswers().depth; }

ItemKeyScope::~ItemKeyScope() {
    KeyAnswers& a = keyAnswers();
    if (--a.depth == 0) a.used = a.next = 0;
}

DmItem* ItemFindByKey(DrvContext* ctx, int key) {
    if (!ctx || !ctx->items || key == 0) return nullptr;
    KeyAnswers& a = keyAnswers();
    if (a.depth == 0) return findByKey(ctx, key);
    const DmItem* items = ctx->items->items;
    const int count = ctx->items->count;
    for (int i = 0; i < a.used; ++i) {
        const KeyAnswer& k = a.kept[i];
        if (k.key == key && k.ctx == ctx && k.items == items && k.count == count && k.symbols == ctx->symbols)
            return k.item;
    }
    DmItem* found = findByKey(ctx, key);
    KeyAnswer& slot = a.used < 8 ? a.kept[a.used++] : a.kept[a.next++ % 8];
    slot = {ctx, items, count, ctx->symbols, key, found};
    return found;
}

namespace {
// The first item with the key, four items a step: the keys of a step are
// compared together and the step that holds a match is searched again item
// by item.
DmItem* scanForKey(DmItem* items, int count, int16_t k) {
    int i = 0;
    for (; i + 4 <= count; i += 4)
        if ((items[i].key == k) | (items[i + 1].key == k) | (items[i + 2].key == k) | (items[i + 3].key == k)) break;
    for (; i < count; ++i)
        if (items[i].key == k) return &items[i];
    return nullptr;
}

DmItem* findByKey(DrvContext* ctx, int key) {
    // A key no 16-bit key equals matches no item. A fresh table finds the
    // key in its lists' index (a checking build compares the answer with
    // the scan); any other table is scanned.
    if (key >= INT16_MIN && key <= INT16_MAX) {
        DmItem* items = ctx->items->items;
        const int count = ctx->items->count;
        const int16_t k = static_cast<int16_t>(key);
        DmItem* found = nullptr;
        if (const ItemLists* lists = ItemListsUnchecked(ctx)) {
            const int pos = ItemListsKeyPos(*lists, k);
            found = pos >= 0 ? &items[pos] : nullptr;
#ifndef NDEBUG
            if (found != scanForKey(items, count, k)) ItemListsStale();
#endif
        } else {
            found = scanForKey(items, count, k);
        }
        if (found) return found;
    }
    const SymbolTable* st = ctx->symbols;
    if (!st) return nullptr;
    for (int i = 0; i < st->count; ++i)
        if (st->entries[i].key == key) return st->entries[i].itemId ? ItemFindById(ctx, st->entries[i].itemId) : nullptr;
    return nullptr;
}
}  // namespace

const WCHAR* ItemGetName(DrvContext* ctx, int id) {
    DmItem* it = ItemFindById(ctx, id);
    return it ? it->fieldName : nullptr;
}

BYTE* ItemStorageIn(BYTE* buffer, const DmItem* item) {
    return item ? fieldIn(buffer, *item, accessWidth(*item)) : nullptr;
}

BYTE* ItemGetStorage(DrvContext* ctx, const DmItem* item) {
    return ctx ? ItemStorageIn(ctx->devmode, item) : nullptr;
}

BYTE* ItemGetShadowStorage(DrvContext* ctx, const DmItem* item) {
    return (ctx && ctx->ws) ? ItemStorageIn(ctx->ws->shadow, item) : nullptr;
}

bool ItemWriteRawIn(BYTE* buffer, const DmItem* item, uint32_t value) {
    if (!item) return false;
    const RawForm& f = kRawForms.of[itemTypeCode(*item)];
    if (f.kind == kAddress) {
        BYTE* p = ItemStorageIn(buffer, item);
        if (!p) return false;
        if (value != 0) return false;  // text and blocks take bytes, not numbers
        std::memset(p, 0, itemSize(*item));
        return true;
    }
    BYTE* p = fieldIn(buffer, *item, f.width);
    if (!p) return false;
    if (f.kind == kBit) {
        if (value) p[f.bitByte] |= f.bitMask;
        else p[f.bitByte] &= static_cast<BYTE>(~f.bitMask);
    } else {
        writeLe(p, f.width, value);
    }
    return true;
}

uint32_t ItemRawById(DrvContext* ctx, int id, DmItem** outItem) {
    DmItem* it = ItemFindById(ctx, id);
    if (outItem) *outItem = it;
    return ItemGetRaw(ctx, it);
}

BYTE* ItemGetRawAddress(DrvContext* ctx, const DmItem* item) {
    if (!item || !typeIsAddress(itemTypeCode(*item))) return nullptr;
    return ItemGetStorage(ctx, item);
}

uint32_t ItemSetRaw(DrvContext* ctx, DmItem* item, uint32_t value) {
    if (!ctx || !item || !ItemWriteRawIn(ctx->devmode, item, value)) return 0;
    return afterStore(ctx, item, value);
}

uint32_t ItemSetRawById(DrvContext* ctx, int id, uint32_t value) {
    return ItemSetRaw(ctx, ItemFindById(ctx, id), value);
}

uint32_t ItemSetRawRun(DrvContext* ctx, int firstId, const uint32_t* values, size_t count) {
    if (!ctx || !values) return 0;
    uint32_t classes = 0;
    for (size_t i = 0; i < count; ++i) classes |= ItemSetRaw(ctx, ItemFindById(ctx, firstId + static_cast<int>(i)), values[i]);
    return classes;
}

uint32_t ItemSetRawBytes(DrvContext* ctx, DmItem* item, const void* source) {
    if (!ctx || !item || !typeIsAddress(itemTypeCode(*item))) return 0;
    BYTE* p = ItemGetStorage(ctx, item);
    if (!p) return 0;
    if (source) std::memmove(p, source, itemSize(*item));
    else std::memset(p, 0, itemSize(*item));
    return afterStore(ctx, item, 0);
}

BYTE* ItemGetString(DrvContext* ctx, const DmItem* item, WCHAR* dest, size_t destChars) {
    if (!ctx || !item || !dest || destChars == 0) return nullptr;
    BYTE* p = ItemGetStorage(ctx, item);
    if (!p) return nullptr;
    uint32_t code = itemTypeCode(*item);
    uint32_t size = itemSize(*item);
    if (typeIsAnsi(code)) {
        size_t n = 0;
        while (n < size && p[n]) ++n;
        if (!AnsiToWideBounded(reinterpret_cast<const char*>(p), n, dest, destChars)) dest[0] = 0;
    } else if (typeIsWide(code)) {
        size_t chars = size / 2, i = 0;
        for (; i < chars && i + 1 < destChars; ++i) {
            WCHAR c = static_cast<WCHAR>(p[2 * i] | (p[2 * i + 1] << 8));
            if (!c) break;
            dest[i] = c;
        }
        dest[i] = 0;
    } else {
        static const WCHAR kWrong[] = u"wrong";
        size_t i = 0;
        for (; kWrong[i] && i + 1 < destChars; ++i) dest[i] = kWrong[i];
        dest[i] = 0;
    }
    return p;
}

BYTE* ItemSetString(DrvContext* ctx, DmItem* item, const WCHAR* source) {
    if (!ctx || !item || !source) return nullptr;
    uint32_t code = itemTypeCode(*item);
    if (!typeIsAnsi(code) && !typeIsWide(code)) return nullptr;
    BYTE* p = ItemGetStorage(ctx, item);
    if (!p) return nullptr;
    ItemSetRawBytes(ctx, item, nullptr);
    uint32_t size = itemSize(*item);
    if (size == 0) return p;
    if (typeIsAnsi(code)) {
        WideToAnsiBounded(source, reinterpret_cast<char*>(p), size);
    } else {
        size_t chars = size / 2;
        for (size_t i = 0; i + 1 < chars && source[i]; ++i) {
            p[2 * i] = static_cast<BYTE>(source[i] & 0xFF);
            p[2 * i + 1] = static_cast<BYTE>(source[i] >> 8);
        }
    }
    return p;
}

uint32_t ItemGetShadowRaw(DrvContext* ctx, const DmItem* item) {
    return (ctx && ctx->ws) ? ItemReadRawIn(ctx->ws->shadow, item) : 0;
}

uint32_t ItemShadowRawById(DrvContext* ctx, int id, DmItem** outItem) {
    DmItem* it = ItemFindById(ctx, id);
    if (outItem) *outItem = it;
    return ItemGetShadowRaw(ctx, it);
}

int ItemSetShadowRaw(DrvContext* ctx, const DmItem* item, uint32_t value) {
    return (ctx && ctx->ws && ItemWriteRawIn(ctx->ws->shadow, item, value)) ? 1 : 0;
}

int ItemSetShadowRawById(DrvContext* ctx, int id, uint32_t value) {
    return ItemSetShadowRaw(ctx, ItemFindById(ctx, id), value);
}

int UnitIsMetric(DrvContext* ctx) { return ItemRawById(ctx, kItRdmDspUnit) == 0 ? 1 : 0; }

void ChangeMaskAdd(DrvContext* ctx, uint32_t bits) {
    if (!ctx || !ctx->ws) return;
    uint32_t& mask = ctx->ws->changeMask;
    if (bits == 0) {
        mask = 0;
        return;
    }
    if (bits & 0xFFFFu) mask &= ~0xFFFFu;
    mask |= bits;
}

uint32_t ChangeMaskGet(DrvContext* ctx) { return (ctx && ctx->ws) ? ctx->ws->changeMask : 0; }

void ChangeMaskClear(DrvContext* ctx, uint32_t bits) {
    if (!ctx || !ctx->ws) return;
    ctx->ws->changeMask &= ~bits;
    if (bits & 0xF0000000u) {
        for (uint32_t& h : ctx->ws->changeHistory) h &= ~bits;
        for (uint32_t i = 0; ctx->ws->historyDeeper && i < ctx->ws->saveDeeperCapacity; ++i)
            ctx->ws->historyDeeper[i] &= ~bits;
    }
}

void CtxSetPresetFlag(DrvContext* ctx, uint32_t value) {
    if (ctx && ctx->ws) ctx->ws->presetFlag = value;
}

uint32_t CtxGetPresetFlag(DrvContext* ctx) { return (ctx && ctx->ws) ? ctx->ws->presetFlag : 0; }

}  // namespace vesk
