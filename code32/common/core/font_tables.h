// Font tables held by a DEVMODE (device fonts, option fonts and the font
// substitution pairs). The DEVMODE keeps a 32-bit handle into this per-library
// registry instead of an address; a handle read from a DEVMODE that came from
// outside finds nothing unless this library issued it and it is still alive.
#pragma once
#include <win/types.h>

namespace vesk {

// Takes ownership of `block` (from MemAllocZero, `bytes` long) and returns its
// handle; 0 when the registry cannot grow (the block is then freed).
uint32_t FontTableAdopt(void* block, uint32_t bytes);
// The block of a live handle and its size, or null.
void* FontTableData(uint32_t handle, uint32_t* bytes = nullptr);
// Frees the block of a live handle; 0 and unknown handles are ignored.
void FontTableRelease(uint32_t handle);
// Number of live tables (for leak checks).
size_t FontTableLiveCount();
// Copies `count` entries of `entrySize` bytes of a live table into a new
// table; 0 when the count is 0, the source is too short or memory fails.
uint32_t FontTableCopy(uint32_t handle, uint32_t count, uint32_t entrySize);

// The (count item, handle item, entry size) pairs of the DEVMODE.
struct FontTableItems {
    int countItem;
    int handleItem;
    uint32_t entrySize;
};
extern const FontTableItems kFontTableItems[3];

}  // namespace vesk
