#include "core/font_tables.h"

#include <cstring>
#include <new>
#include <vector>

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
struct Registry {
    ProcessLock lock;
    std::vector<Slot> slots;  // handle = index + 1
    size_t live = 0;
};
Registry& reg() {
    static Registry* r = new Registry;
    return *r;
}
}  // namespace

uint32_t FontTableAdopt(void* block, uint32_t bytes) {
    if (!block) return 0;
    Registry& r = reg();
    LockHold hold(r.lock);
    for (size_t i = 0; i < r.slots.size(); ++i) {
        if (!r.slots[i].block) {
            r.slots[i] = {block, bytes};
            ++r.live;
            return static_cast<uint32_t>(i + 1);
        }
    }
    if (r.slots.size() >= 0xFFFFFFFEu) {
        MemFree(block);
        return 0;
    }
    try {
        r.slots.push_back({block, bytes});
    } catch (const std::bad_alloc&) {
        MemFree(block);
        return 0;
    }
    ++r.live;
    return static_cast<uint32_t>(r.slots.size());
}

void* FontTableData(uint32_t handle, uint32_t* bytes) {
    Registry& r = reg();
    LockHold hold(r.lock);
    if (handle == 0 || handle > r.slots.size() || !r.slots[handle - 1].block) return nullptr;
    if (bytes) *bytes = r.slots[handle - 1].bytes;
    return r.slots[handle - 1].block;
}

void FontTableRelease(uint32_t handle) {
    Registry& r = reg();
    void* block = nullptr;
    {
        LockHold hold(r.lock);
        if (handle == 0 || handle > r.slots.size() || !r.slots[handle - 1].block) return;
        block = r.slots[handle - 1].block;
        r.slots[handle - 1] = {nullptr, 0};
        --r.live;
    }
    MemFree(block);
}

size_t FontTableLiveCount() {
    Registry& r = reg();
    LockHold hold(r.lock);
    return r.live;
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
