// The allocation list of a graphics device: every block the driver takes for
// one device is linked into the device's list and freed with it, so a device
// that goes away (DrvDisablePDEV, or a failed DrvEnablePDEV) leaves nothing
// behind whatever its calls did before.
#pragma once
#include <win/types.h>

#include <cstddef>

namespace vesk {

// The head cell: one link to the newest block (null when the list is empty).
struct AllocList;

// A new empty list, or null without memory.
AllocList* AllocListCreate();
// A block of `bytes` linked into the list (newest first), not zero-filled;
// null without memory or for a size that cannot be allocated.
void* AllocListAlloc(AllocList* list, size_t bytes);
// The same, zero-filled.
void* AllocListAllocZero(AllocList* list, size_t bytes);
// Unlinks and frees the block whose address AllocListAlloc gave; null and
// addresses that are not in the list are ignored.
void AllocListFree(AllocList* list, void* block);
// Frees every block of the list, then the head cell; null is ignored.
void AllocListDestroy(AllocList* list);

}  // namespace vesk
