#include "core/font_tables.h"

#include <cstring>
#include <new>
#include <unordered_map>

#include "core/sysdeps.h"

namespace vesk {

const FontTableItems kFontTableItems[3] = {
    {10006, 10007, 68},   // device fonts
    {10008, 10009, 68},   // option fonts
    {10004, 10005, 128},  // substitution pairs
};

namespace {
struct Slot {
    void* block;
    uint32_t bytes;
};
// Handles are issued in increasing order and not reused while the counter
// has not wrapped, so a stale handle finds nothing instead of a newer table.
struct Registry {
    ProcessLock lock;
    std::unordered_map<uint32_t, Slot> slots;
    uint32_t next = 1;
};
Registry& reg() {
    static Registry r;
    return r;
}
}  // namespace

uint32_t FontTableAdopt(void* block, uint32_t bytes) {
    if (!block) return 0;
    Registry& r = reg();
    LockHold hold(r.lock);
    uint32_t h = r.next;
    for (size_t tries = 0; r.slots.count(h) || h == 0; ++tries) {
        if (tries > r.slots.size() + 1) {
            MemFree(block);
            return 0;
        }
        ++h;
    }
    try {
        r.slots.emplace(h, Slot{block, bytes});
    } catch (const std::bad_alloc&) {
        MemFree(block);
        return 0;
    }
    r.next = h + 1;
    return h;
}

void* FontTableData(uint32_t handle, uint32_t* bytes) {
    Registry& r = reg();
    LockHold hold(r.lock);
    auto it = r.slots.find(handle);
    if (it == r.slots.end()) return nullptr;
    if (bytes) *bytes = it->second.bytes;
    return it->second.block;
}

void FontTableRelease(uint32_t handle) {
    Registry& r = reg();
    void* block = nullptr;
    {
        LockHold hold(r.lock);
        auto it = r.slots.find(handle);
        if (it == r.slots.end()) return;
        block = it->second.block;
        r.slots.erase(it);
    }
    MemFree(block);
}

size_t FontTableLiveCount() {
    Registry& r = reg();
    LockHold hold(r.lock);
    return r.slots.size();
}

uint32_t FontTableCopy(uint32_t handle, uint32_t count, uint32_t entrySize) {
    if (count == 0 || entrySize == 0) return 0;
    uint64_t need = static_cast<uint64_t>(count) * entrySize;
    if (need > 0xFFFFFFFFu) return 0;
    uint32_t have = 0;
    Registry& r = reg();
    void* copy = nullptr;
    {
        LockHold hold(r.lock);
        void* src = FontTableData(handle, &have);
        if (!src || have < need) return 0;
        copy = MemAllocZero(static_cast<size_t>(need));
        if (!copy) return 0;
        std::memcpy(copy, src, static_cast<size_t>(need));
    }
    return FontTableAdopt(copy, static_cast<uint32_t>(need));
}

}  // namespace vesk
