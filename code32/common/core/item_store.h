// The item store: the only way the rest of the driver reads and writes
// settings. Items are found by id, by dictionary key or through a page
// control, and read or written raw (as stored) or logical (through the item's
// value map), in the context's DEVMODE or in its shadow copy.
#pragma once
#include <win/types.h>

#include "core/context.h"
#include "core/item_raw.h"

namespace vesk {

// Lookups. Ids outside 1..962 and 10001..10277, key 0 and unknown keys find
// nothing.
// ItemFindById whole; ItemFindById itself is inline for the usual answer,
// the item at its id's position (ids 1 to 962 sit at position id - 1).
DmItem* ItemFindByIdElsewhere(DrvContext* ctx, int id);
inline DmItem* ItemFindById(DrvContext* ctx, int id) {
    if (ctx && ctx->items && id > 0 && id <= ctx->items->count) {
        DmItem* items = ctx->items->items;
        if (items && items[id - 1].id == id) return &items[id - 1];
    }
    return ItemFindByIdElsewhere(ctx, id);
}
DmItem* ItemFindByKey(DrvContext* ctx, int key);
// While an ItemKeyScope stands on a thread, ItemFindByKey on that thread
// keeps the answers it gives (per context, item table, symbol table and
// key) and gives them again. The code that opens a scope vouches that
// nothing inside it changes an item's key or id, a context's item table or
// its symbol table: a DEVMODE merge reads and stores values only. Scopes
// nest; the outermost one's end forgets every answer.
class ItemKeyScope {
public:
    ItemKeyScope();
    ~ItemKeyScope();
    ItemKeyScope(const ItemKeyScope&) = delete;
    ItemKeyScope& operator=(const ItemKeyScope&) = delete;
};
// The field name of an item, or null for an unknown id or an unnamed item.
const WCHAR* ItemGetName(DrvContext* ctx, int id);

// Address of the item's field in the DEVMODE (or the shadow), or null when
// the item has no storage, the context no buffer, or the field would not lie
// inside its section.
BYTE* ItemGetStorage(DrvContext* ctx, const DmItem* item);
BYTE* ItemGetShadowStorage(DrvContext* ctx, const DmItem* item);

// Raw values of numeric and bit items (sign-extended for the signed codes).
// Text and block items answer 0 here; ItemGetRawAddress gives their field.
inline uint32_t ItemGetRaw(DrvContext* ctx, const DmItem* item) { return ctx ? ItemReadRawIn(ctx->devmode, item) : 0; }
uint32_t ItemRawById(DrvContext* ctx, int id, DmItem** outItem = nullptr);
BYTE* ItemGetRawAddress(DrvContext* ctx, const DmItem* item);

// Stores a raw value: widths 8, 16 and 32 keep the low bits; a bit item is set
// for a non-zero value. For text and block items only 0 is accepted (clears
// the field). Marks the item and the workspace changed, mirrors item 92 into
// item 93 while item 90 is 1, adds the item's change classes to the change
// mask and returns them (0 when none or when nothing was stored).
uint32_t ItemSetRaw(DrvContext* ctx, DmItem* item, uint32_t value);
uint32_t ItemSetRawById(DrvContext* ctx, int id, uint32_t value);
// Stores `count` raw values into the items with ids firstId, firstId + 1, ...
// in that order, each as ItemSetRaw would (an unknown id is skipped). Returns
// the change classes raised, or-ed together.
uint32_t ItemSetRawRun(DrvContext* ctx, int firstId, const uint32_t* values, size_t count);
// Copies `size` bytes from `source` into a text or block item (null clears it),
// with the same side effects as ItemSetRaw. Returns the change classes raised,
// 0 when the item is not a text or block item or has no storage.
uint32_t ItemSetRawBytes(DrvContext* ctx, DmItem* item, const void* source);

// Logical values. The map section of the layout items depends on the page
// orientation after layout, worked out above the store: these live in
// item_values.cpp, so that the store itself uses nothing above it.
uint32_t ItemMapToValue(DrvContext* ctx, const DmItem* item, uint32_t raw);
uint32_t ItemMapToRaw(DrvContext* ctx, const DmItem* item, uint32_t logical);
int ItemHasMapping(DrvContext* ctx, const DmItem* item, uint32_t raw);
uint32_t ItemGetValue(DrvContext* ctx, const DmItem* item);
uint32_t ItemValueById(DrvContext* ctx, int id, DmItem** outItem = nullptr);
uint32_t ItemValueByKey(DrvContext* ctx, int key, DmItem** outItem = nullptr);
uint32_t ItemSetValue(DrvContext* ctx, DmItem* item, uint32_t logical);
uint32_t ItemSetValueById(DrvContext* ctx, int id, uint32_t logical);
// A computed option value applied to its item by id; an unknown id changes
// nothing (the form the expression routines of the option-constraint and
// graphics libraries call).
void OptFindApply(DrvContext* ctx, uint16_t id, uint32_t value);

// Sets item `id` from a model value (item_values.cpp): numeric and bit items take it as a
// logical value (ItemSetValue); any other item takes the text of the
// resource string with that id, loaded into the workspace's display buffer.
// 1 stored, 0 for an unknown id or an item without storage.
int ItemSetValueOrResString(DrvContext* ctx, int id, uint32_t value);

// Text of a text item as wide text into `dest` of `destChars` characters,
// always terminated and cut to fit; a non-text item gives "wrong". Returns the
// field's address, or null when an argument is null or the item has no
// storage.
BYTE* ItemGetString(DrvContext* ctx, const DmItem* item, WCHAR* dest, size_t destChars);
// Clears the field (marking the item changed), then writes the text: ANSI
// items converted into at most size - 1 bytes, wide items cut to size / 2 - 1
// characters, always terminated. Returns the field's address, or null.
BYTE* ItemSetString(DrvContext* ctx, DmItem* item, const WCHAR* source);

// The shadow DEVMODE: the same decoding and encoding, without marks, change
// classes or side effects.
uint32_t ItemGetShadowRaw(DrvContext* ctx, const DmItem* item);
uint32_t ItemShadowRawById(DrvContext* ctx, int id, DmItem** outItem = nullptr);
int ItemSetShadowRaw(DrvContext* ctx, const DmItem* item, uint32_t value);
int ItemSetShadowRawById(DrvContext* ctx, int id, uint32_t value);

// 1 when item 179 holds 0 (display unit 0.1 mm), else 0.
int UnitIsMetric(DrvContext* ctx);

// Change mask of the workspace.
void ChangeMaskAdd(DrvContext* ctx, uint32_t bits);
uint32_t ChangeMaskGet(DrvContext* ctx);
void ChangeMaskClear(DrvContext* ctx, uint32_t bits);
void CtxSetPresetFlag(DrvContext* ctx, uint32_t value);
uint32_t CtxGetPresetFlag(DrvContext* ctx);

// Raw access on a given buffer laid out as the DEVMODE (used for the shadow
// and the save stack).
BYTE* ItemStorageIn(BYTE* buffer, const DmItem* item);
bool ItemWriteRawIn(BYTE* buffer, const DmItem* item, uint32_t value);

}  // namespace vesk
