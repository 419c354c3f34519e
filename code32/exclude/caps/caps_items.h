// The capability items of the versioned API: the 56-row item table, the
// capability bitmap, one item call, and the record that gathers every item
// (built and freed through VESKDrvGetCaps).
#pragma once
#include <win/types.h>

#include <cstddef>
#include <cstdint>

#include "core/context.h"

namespace vesk {

constexpr uint32_t kCapsItemCount = 56;
constexpr uint32_t kCapsBitmapBytes = 32;
constexpr uint32_t kCapsRecordVersion = 3;
// Special ids of VESKDrvGetCaps.
constexpr uint32_t kCapsIdBitmap = 0;
constexpr uint32_t kCapsIdGetAll = 0x80000001u;
constexpr uint32_t kCapsIdFreeAll = 0x80000002u;
// Entry sizes of the name items, in bytes.
constexpr uint32_t kCapsBinNameBytes = 24;
constexpr uint32_t kCapsNameBytes = 64;
// The string that names a value without an id.
constexpr uint32_t kCapsUnnamedValueString = 204;
// "As many entries as the item has": the exported call, which takes no
// capacity, hands its caller's buffer on with this.
constexpr uint32_t kCapsUnbounded = 0xFFFFFFFFu;

// An item handler: (handle, id, buffer or null, capacity in entries of the
// buffer). A number item returns its value; a list or name item returns the
// number of entries and, with a buffer, writes at most `capacity` of them
// (a longer list than the count query reported is cut, and the answer is
// then the number written); -1 when the answer cannot be given.
using CapsHandler = int32_t (*)(void* handle, uint32_t id, void* buffer, uint32_t capacity);

// One row of the capability table.
struct CapsItemRow {
    uint32_t id;             // 1-based, equal to the row's position
    uint32_t supported;      // 1 in every row
    uint32_t recordVersion;  // record version of the item's caller record
    CapsHandler handler;
    uint32_t entryBytes;     // bytes of one list entry; 0 for a number item
};

// The row of an id (1..CapsItemCount()), else null. Every API level selects
// the same table.
const CapsItemRow* CapsRowById(uint32_t id);
uint32_t CapsItemCount();
// The 32-byte bitmap (item i at bit 7 - ((i - 1) mod 8) of byte (i - 1) / 8)
// into `out` when given; returns its size.
int32_t CapsGetBitmap(BYTE* out);

// Calls item `id` with the printer opened for the call: 0 for an id without
// a supported row, -1 when the printer cannot be opened.
int32_t CapsCallItemBounded(void* handle, uint32_t id, void* buffer, uint32_t capacity);
// The exported form: the buffer holds what the count query reported.
int32_t CapsCallItem(void* handle, uint32_t id, void* buffer);

// A list field of the record: entries in a GlobalAlloc block, or count 0
// and a null block.
struct CapsList {
    uint32_t count;
    void* entries;
};
// Two 16-bit halves of a 4-byte item answer, low half first.
struct CapsHalves {
    int16_t low;
    int16_t high;
};

// Every item, in item order (316 bytes with 4-byte pointers).
struct CapsAggregate {
    BYTE* bitmap;
    uint32_t item1;
    CapsList inputBins, inputBinNames;           // items 2, 3
    CapsList mediaTypes, mediaTypeNames;         // items 4, 5
    CapsList outputTrays, outputTrayNames;       // items 6, 7
    uint32_t item8, item9;
    CapsList papers, paperNames, paperSizes;     // items 10, 11, 12
    CapsHalves maxExtent, minExtent;             // items 13, 14
    CapsList outputPapers, outputPaperNames;     // items 15, 16
    uint32_t item17;
    CapsList printMethods;                       // item 18
    uint32_t item19;
    CapsHalves maxScale, minScale;               // items 20, 21
    uint32_t item22, item23, item24;
    uint32_t item25to29[5];
    CapsList watermarkKinds;                     // item 30
    uint32_t item31;
    CapsList stampIds, stampNames;               // items 32, 33
    uint32_t item34;
    uint32_t item35to38[4];
    CapsList sortTypes, stapleTypes, punchTypes; // items 39, 40, 41
    uint32_t item42to44[3];
    CapsList emulations;                         // item 45
    uint32_t item46;
    CapsList printAreas;                         // item 47
    uint32_t item48to53[6];
    CapsList resolutions;                        // item 54
    uint32_t item55;
    CapsList markPaperTypes;                     // item 56
};
#if UINTPTR_MAX == 0xFFFFFFFFu
static_assert(sizeof(CapsAggregate) == 316, "the record's size on the 32-bit target");
static_assert(offsetof(CapsAggregate, maxExtent) == 88);
static_assert(offsetof(CapsAggregate, markPaperTypes) == 308);
#endif

// A new record of every item, or null when the record or its bitmap cannot
// be had; a list that cannot be had stays empty.
CapsAggregate* CapsGetAll(void* handle);
// Frees a record of CapsGetAll and every block it holds; null is ignored.
// Always 1.
int32_t CapsFreeAll(CapsAggregate* record);

// ---- Shared list routines (the handle's context; the printer is open) ----

// The allowed values of the built-in setting `optionId` as u32 entries;
// option 57 gets a leading 0 and no other 0 (the 0 alone when fewer than
// two others remain). 0 when none, -1 on failure.
int32_t CapsOptionValueList(void* handle, int optionId, uint32_t* out, uint32_t capacity);
// Id and name services of CapsOptionValueNames: 16-bit ids, and wide names
// of `entryChars` characters each; both return the count or -1.
using CapsIdsService = int (*)(void* handle, uint16_t* out, int optionId);
using CapsNamesService = int (*)(void* handle, WCHAR* out, int entryChars, int optionId);
// The ANSI names (entries of `entryBytes`) of exactly the values of
// CapsOptionValueList, the name at the position of the same id; a value
// without an id gets the unnamed-value string. -1 when the value list is
// empty or fails, the two services disagree on the count, or a name cannot
// be converted.
int32_t CapsOptionValueNames(void* handle, int optionId, uint32_t entryBytes, CapsIdsService ids,
                             CapsNamesService names, char* out, uint32_t capacity);
// The public values of the values of PickOne option `optionId` that are not
// disabled; -1 when the option is missing or not PickOne, has no values, a
// value lacks a usable value symbol, or none is selectable.
int32_t CapsSelectableValues(void* handle, int optionId, uint32_t* out, uint32_t capacity);

// Option tests the items share.
bool CapsOptionPresent(DrvContext* ctx, int optionId);
bool CapsOptionAvailable(DrvContext* ctx, int optionId);

}  // namespace vesk

extern "C" {
// The capability bitmap (id 0), a new record of every item (0x80000001: its
// address, 0 on failure), freeing such a record (0x80000002), or item 1-56;
// -1 for an unusable handle, 0 for any other id. The result is as wide as a
// pointer, so that the record's address survives on every target.
__attribute__((visibility("default"))) intptr_t WINAPI VESKDrvGetCaps(void* handle, uint32_t id, void* buffer);
}
