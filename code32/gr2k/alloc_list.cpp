// Blocks are global memory with one leading link to the block allocated
// before them; the caller gets the address behind the link. The link is a
// pointer (4 bytes on the 32-bit target), so the user part keeps the
// alignment of a pointer.
#include "alloc_list.h"

#include <win/memory.h>

#include <cstdint>

namespace vesk {

struct AllocBlock {
    AllocBlock* older;
};

struct AllocList {
    AllocBlock* newest;
};

namespace {

void* userPart(AllocBlock* b) { return b + 1; }

void* allocLinked(AllocList* list, size_t bytes, bool zero) {
    if (!list || bytes > SIZE_MAX - sizeof(AllocBlock)) return nullptr;
    auto* b = static_cast<AllocBlock*>(GlobalAlloc(zero ? GPTR : GMEM_FIXED, sizeof(AllocBlock) + bytes));
    if (!b) return nullptr;
    b->older = list->newest;
    list->newest = b;
    return userPart(b);
}

}  // namespace

AllocList* AllocListCreate() {
    auto* list = static_cast<AllocList*>(GlobalAlloc(GMEM_FIXED, sizeof(AllocList)));
    if (list) list->newest = nullptr;
    return list;
}

void* AllocListAlloc(AllocList* list, size_t bytes) { return allocLinked(list, bytes, false); }

void* AllocListAllocZero(AllocList* list, size_t bytes) { return allocLinked(list, bytes, true); }

void AllocListFree(AllocList* list, void* block) {
    if (!list || !block) return;
    for (AllocBlock** link = &list->newest; *link; link = &(*link)->older) {
        if (userPart(*link) == block) {
            AllocBlock* b = *link;
            *link = b->older;
            GlobalFree(b);
            return;
        }
    }
}

void AllocListDestroy(AllocList* list) {
    if (!list) return;
    for (AllocBlock* b = list->newest; b;) {
        AllocBlock* older = b->older;
        GlobalFree(b);
        b = older;
    }
    GlobalFree(list);
}

}  // namespace vesk
