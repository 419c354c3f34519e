// One item call with the printer opened for it, the record of every item,
// and the exported entry.
#include <win/spooler.h>

#include <cstring>

#include "api/api_handle.h"
#include "caps/caps_items.h"
#include "core/sysdeps.h"

namespace vesk {

int32_t CapsCallItemBounded(void* handle, uint32_t id, void* buffer, uint32_t capacity) {
    const CapsItemRow* row = CapsRowById(id);
    if (!row || !row->supported || !row->handler) return 0;
    HANDLE printer = nullptr;
    if (!ApiOpenPrinter(handle, &printer, nullptr)) return -1;
    const int32_t r = row->handler(handle, id, buffer, capacity);
    ApiClosePrinter(handle, printer);
    return r;
}

int32_t CapsCallItem(void* handle, uint32_t id, void* buffer) {
    return CapsCallItemBounded(handle, id, buffer, kCapsUnbounded);
}

namespace {

uint32_t numberItem(void* handle, uint32_t id) { return static_cast<uint32_t>(CapsCallItem(handle, id, nullptr)); }

// A list item into a new block sized by its count query; the field stays
// empty when the item gives nothing, fails or the block cannot be had.
void listItem(void* handle, uint32_t id, CapsList* field) {
    field->count = 0;
    field->entries = nullptr;
    const CapsItemRow* row = CapsRowById(id);
    if (!row || !row->entryBytes) return;
    const int32_t n = CapsCallItemBounded(handle, id, nullptr, 0);
    if (n == 0 || n == -1 || n < 0) return;
    void* block = MemAllocZero(static_cast<size_t>(n) * row->entryBytes);
    if (!block) return;
    // The capacity is the count asked for: a list that grew since stops
    // at the block's end.
    const int32_t got = CapsCallItemBounded(handle, id, block, static_cast<uint32_t>(n));
    if (got == 0 || got < 0) {
        MemFree(block);
        return;
    }
    field->count = static_cast<uint32_t>(got);
    field->entries = block;
}

void halvesItem(void* handle, uint32_t id, CapsHalves* field) {
    uint16_t pair[2] = {};
    CapsCallItemBounded(handle, id, pair, 1);
    field->low = static_cast<int16_t>(pair[0]);
    field->high = static_cast<int16_t>(pair[1]);
}

void numbers(void* handle, uint32_t first, uint32_t* out, uint32_t n) {
    for (uint32_t i = 0; i < n; ++i) out[i] = numberItem(handle, first + i);
}

}  // namespace

CapsAggregate* CapsGetAll(void* handle) {
    auto* r = static_cast<CapsAggregate*>(MemAllocZero(sizeof(CapsAggregate)));
    if (!r) return nullptr;
    r->bitmap = static_cast<BYTE*>(MemAllocZero(static_cast<size_t>(CapsGetBitmap(nullptr))));
    if (!r->bitmap) {
        MemFree(r);
        return nullptr;
    }
    CapsGetBitmap(r->bitmap);
    r->item1 = numberItem(handle, 1);
    listItem(handle, 2, &r->inputBins);
    listItem(handle, 3, &r->inputBinNames);
    listItem(handle, 4, &r->mediaTypes);
    listItem(handle, 5, &r->mediaTypeNames);
    listItem(handle, 6, &r->outputTrays);
    listItem(handle, 7, &r->outputTrayNames);
    r->item8 = numberItem(handle, 8);
    r->item9 = numberItem(handle, 9);
    listItem(handle, 10, &r->papers);
    listItem(handle, 11, &r->paperNames);
    listItem(handle, 12, &r->paperSizes);
    halvesItem(handle, 13, &r->maxExtent);
    halvesItem(handle, 14, &r->minExtent);
    listItem(handle, 15, &r->outputPapers);
    listItem(handle, 16, &r->outputPaperNames);
    r->item17 = numberItem(handle, 17);
    listItem(handle, 18, &r->printMethods);
    r->item19 = numberItem(handle, 19);
    halvesItem(handle, 20, &r->maxScale);
    halvesItem(handle, 21, &r->minScale);
    numbers(handle, 22, &r->item22, 1);
    numbers(handle, 23, &r->item23, 1);
    numbers(handle, 24, &r->item24, 1);
    numbers(handle, 25, r->item25to29, 5);
    listItem(handle, 30, &r->watermarkKinds);
    r->item31 = numberItem(handle, 31);
    if (r->item31 != 0 && r->item31 != 0xFFFFFFFFu) {
        listItem(handle, 32, &r->stampIds);
        listItem(handle, 33, &r->stampNames);
    }
    r->item34 = numberItem(handle, 34);
    if (r->item34 != 0) numbers(handle, 35, r->item35to38, 4);
    listItem(handle, 39, &r->sortTypes);
    listItem(handle, 40, &r->stapleTypes);
    listItem(handle, 41, &r->punchTypes);
    numbers(handle, 42, r->item42to44, 3);
    listItem(handle, 45, &r->emulations);
    r->item46 = numberItem(handle, 46);
    listItem(handle, 47, &r->printAreas);
    numbers(handle, 48, r->item48to53, 6);
    listItem(handle, 54, &r->resolutions);
    r->item55 = numberItem(handle, 55);
    listItem(handle, 56, &r->markPaperTypes);
    return r;
}

int32_t CapsFreeAll(CapsAggregate* r) {
    if (!r) return 1;
    CapsList* lists[] = {&r->inputBins,    &r->inputBinNames,  &r->mediaTypes,   &r->mediaTypeNames,
                         &r->outputTrays,  &r->outputTrayNames, &r->papers,      &r->paperNames,
                         &r->paperSizes,   &r->outputPapers,   &r->outputPaperNames, &r->printMethods,
                         &r->watermarkKinds, &r->stampIds,     &r->stampNames,   &r->sortTypes,
                         &r->stapleTypes,  &r->punchTypes,     &r->emulations,   &r->printAreas,
                         &r->resolutions,  &r->markPaperTypes};
    static_assert(sizeof lists / sizeof lists[0] == 22, "every list field of the record");
    for (CapsList* l : lists) MemFree(l->entries);
    MemFree(r->bitmap);
    MemFree(r);
    return 1;
}

}  // namespace vesk

using namespace vesk;

intptr_t WINAPI VESKDrvGetCaps(void* handle, uint32_t id, void* buffer) {
    if (!ApiUsableHandle(handle)) return -1;
    switch (id) {
    case kCapsIdBitmap: return CapsGetBitmap(static_cast<BYTE*>(buffer));
    case kCapsIdGetAll: return reinterpret_cast<intptr_t>(CapsGetAll(handle));
    case kCapsIdFreeAll: return CapsFreeAll(static_cast<CapsAggregate*>(buffer));
    default: return CapsCallItem(handle, id, buffer);
    }
}
