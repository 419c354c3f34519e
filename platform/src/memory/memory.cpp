// Global and local memory blocks.
//
// Every block is kept in a registry keyed by its handle, so a handle that is
// unknown or already freed is refused with ERROR_INVALID_HANDLE instead of
// corrupting the heap. A fixed block's handle is its address. A moveable
// block's handle is the address of a small cell holding the block's address
// (as on Windows, where such a handle points at its block's address), so
// handles never collide with block addresses.
//
// Choices where Windows leaves room:
// - Blocks are always zero-filled, GMEM_ZEROINIT or not, and so is the part a
//   reallocation adds. The one exception is the stand-in's own
//   GlobalAllocUnfilled, for a caller that overwrites the whole block before
//   anything reads it.
// - A block that may move always moves (new memory, contents copied), so a
//   stale address is caught by the sanitizers instead of working by luck.
// - A fixed block, or a locked moveable one, reallocated without
//   GMEM_MOVEABLE changes size in place only: it can shrink, and grow back up
//   to the size it was allocated with; beyond that the call fails with
//   ERROR_NOT_ENOUGH_MEMORY (Windows' heap grows in place only when the
//   neighbouring memory happens to be free).
// - A moveable block of 0 bytes is discarded: it keeps its handle, GlobalLock
//   gives NULL with ERROR_DISCARDED, and GlobalReAlloc brings it back. A
//   fixed block of 0 bytes has an address of its own.
// - Blocks over 1 GiB are refused with ERROR_NOT_ENOUGH_MEMORY: no caller
//   needs one and the size is more likely a negative number gone unsigned.
// - Global and local blocks share one heap and one registry; either Free
//   releases either, as on Windows NT.
#include <win/memory.h>
#include <winsim/memory.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <mutex>
#include <string>

#include "block_index.h"
#include "core/sim.h"

using namespace winsim::detail;

namespace {

constexpr size_t kMaxBlock = size_t{1} << 30;

struct Cell {
    void* data;  // a moveable handle points here
};

struct Block {
    void* data = nullptr;  // null while discarded
    size_t size = 0;
    size_t capacity = 0;   // bytes allocated; in-place growth stops here
    bool moveable = false;
    bool discardable = false;
    unsigned locks = 0;
    Cell* cell = nullptr;  // moveable blocks only
};

struct Heap {
    std::mutex lock;
    BlockIndex<Block> byHandle;
    BlockIndex<void*> handleOfData;  // moveable blocks: address -> handle
    size_t bytes = 0;
};
Heap& heap() {
    static Heap* h = new Heap;  // outlives every static destructor that may free
    return *h;
}

// Names of one family's functions, for the journal and failure injection.
struct Family {
    const char* alloc;
    const char* free;
    const char* size;
    const char* lock;
    const char* unlock;
    const char* realloc;
    const char* handle;
    const char* flags;
    UINT validFlags;
    UINT discardable;
};
constexpr Family kGlobal{"GlobalAlloc", "GlobalFree", "GlobalSize", "GlobalLock", "GlobalUnlock",
                         "GlobalReAlloc", "GlobalHandle", "GlobalFlags", GMEM_VALID_FLAGS, GMEM_DISCARDABLE};
constexpr Family kLocal{"LocalAlloc", "LocalFree", "LocalSize", "LocalLock", "LocalUnlock",
                        "LocalReAlloc", "LocalHandle", "LocalFlags", LMEM_VALID_FLAGS, LMEM_DISCARDABLE};

// Starts an allocating call: journal entry with the size, injected failure.
// A journal that cannot grow fails the call as memory short.
bool enterWithSize(const char* function, size_t bytes) {
    try {
        return enterWith(function, [&] { return std::to_string(bytes); });
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return true;
    }
}

void* zeroed(size_t n) { return std::calloc(n ? n : 1, 1); }
void* unfilled(size_t n) { return std::malloc(n ? n : 1); }

Block* find(Heap& h, void* handle) { return h.byHandle.find(handle); }

// `fill` false leaves a fixed block's bytes as the heap had them.
HANDLE allocBlock(const Family& f, UINT flags, size_t bytes, bool fill = true) {
    if (enterWithSize(f.alloc, bytes)) return nullptr;
    if (flags & ~f.validFlags) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (bytes > kMaxBlock) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    Block b;
    b.moveable = flags & GMEM_MOVEABLE;
    b.discardable = flags & f.discardable;
    b.size = bytes;
    Cell* cell = nullptr;
    try {
        if (!b.moveable || bytes > 0) {
            b.data = fill ? zeroed(bytes) : unfilled(bytes);
            if (!b.data) throw std::bad_alloc();
            b.capacity = bytes;
        } else {
            b.size = 0;  // born discarded
        }
        if (b.moveable) {
            cell = new Cell{b.data};
            b.cell = cell;
        }
        HANDLE handle = b.moveable ? static_cast<HANDLE>(cell) : b.data;
        Heap& h = heap();
        std::lock_guard g(h.lock);
        if (b.moveable && b.data) h.handleOfData.emplace(b.data, handle);
        h.byHandle.emplace(handle, b);
        h.bytes += b.size;
        return handle;
    } catch (const std::bad_alloc&) {
        Heap& h = heap();
        {
            std::lock_guard g(h.lock);
            if (b.data) h.handleOfData.erase(b.data);
            h.byHandle.erase(b.moveable ? static_cast<HANDLE>(cell) : b.data);
        }
        std::free(b.data);
        delete cell;
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

HANDLE freeBlock(const Family& f, HANDLE handle) {
    if (!handle) return nullptr;
    if (enter(f.free)) return handle;
    Block b;
    {
        Heap& h = heap();
        std::lock_guard g(h.lock);
        Block* p = find(h, handle);
        if (!p) {
            setError(ERROR_INVALID_HANDLE);
            return handle;
        }
        b = *p;
        if (b.moveable && b.data) h.handleOfData.erase(b.data);
        h.bytes -= b.size;
        h.byHandle.erase(handle);
    }
    std::free(b.data);
    delete b.cell;
    return nullptr;
}

SIZE_T blockSize(const Family& f, HANDLE handle) {
    if (enter(f.size)) return 0;
    Heap& h = heap();
    std::lock_guard g(h.lock);
    Block* b = find(h, handle);
    if (!b) {
        setError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return b->data ? b->size : 0;
}

LPVOID lockBlock(const Family& f, HANDLE handle) {
    if (enter(f.lock)) return nullptr;
    Heap& h = heap();
    std::lock_guard g(h.lock);
    Block* b = find(h, handle);
    if (!b) {
        setError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (!b->moveable) return b->data;
    if (!b->data) {
        setError(ERROR_DISCARDED);
        return nullptr;
    }
    ++b->locks;
    return b->data;
}

BOOL unlockBlock(const Family& f, HANDLE handle) {
    if (enter(f.unlock)) return FALSE;
    Heap& h = heap();
    std::lock_guard g(h.lock);
    Block* b = find(h, handle);
    if (!b) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!b->moveable) return TRUE;
    if (b->locks == 0) {
        setError(ERROR_NOT_LOCKED);
        return FALSE;
    }
    if (--b->locks > 0) return TRUE;
    setError(NO_ERROR);
    return FALSE;
}

HANDLE reallocBlock(const Family& f, HANDLE handle, size_t bytes, UINT flags) {
    if (enterWithSize(f.realloc, bytes)) return nullptr;
    if (flags & ~(f.validFlags | GMEM_MODIFY)) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Heap& h = heap();
    std::unique_lock g(h.lock);
    Block* b = find(h, handle);
    if (!b) {
        setError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    try {
        if (flags & GMEM_MODIFY) {
            // Changes the kind only: discardable, or fixed to moveable.
            if (b->moveable) b->discardable = flags & f.discardable;
            if (b->moveable || !(flags & GMEM_MOVEABLE)) return handle;
            auto* cell = new Cell{b->data};
            Block nb = *b;
            nb.moveable = true;
            nb.discardable = flags & f.discardable;
            nb.cell = cell;
            try {
                h.handleOfData.emplace(nb.data, cell);
                h.byHandle.emplace(cell, nb);
            } catch (...) {
                h.handleOfData.erase(nb.data);
                delete cell;
                throw;
            }
            h.byHandle.erase(handle);
            return cell;
        }
        if (bytes > kMaxBlock) {
            setError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        bool mayMove = (flags & GMEM_MOVEABLE) || (b->moveable && b->locks == 0);
        if (b->moveable && bytes == 0) {
            // Discards the block; a locked one cannot be.
            if (b->locks > 0) {
                setError(ERROR_NOT_ENOUGH_MEMORY);
                return nullptr;
            }
            if (b->data) h.handleOfData.erase(b->data);
            std::free(b->data);
            h.bytes -= b->size;
            b->data = nullptr;
            b->cell->data = nullptr;
            b->size = b->capacity = 0;
            return handle;
        }
        if (b->data && bytes <= b->capacity) {
            // In place: grows back within the allocation, zero-filled.
            if (bytes > b->size) std::memset(static_cast<char*>(b->data) + b->size, 0, bytes - b->size);
            h.bytes = h.bytes - b->size + bytes;
            b->size = bytes;
            return handle;
        }
        if (b->data && !mayMove) {
            setError(ERROR_NOT_ENOUGH_MEMORY);
            return nullptr;
        }
        void* data = zeroed(bytes);
        if (!data) throw std::bad_alloc();
        if (b->data) std::memcpy(data, b->data, b->size < bytes ? b->size : bytes);
        if (b->moveable) {
            try {
                h.handleOfData.emplace(data, handle);
            } catch (...) {
                std::free(data);
                throw;
            }
            if (b->data) h.handleOfData.erase(b->data);
            std::free(b->data);
            b->data = data;
            b->cell->data = data;
            h.bytes = h.bytes - b->size + bytes;
            b->size = b->capacity = bytes;
            return handle;
        }
        // A fixed block moves: its handle is its new address.
        Block nb = *b;  // `b` is not used past the insertion, which may rehash
        void* old = b->data;
        size_t oldSize = b->size;
        nb.data = data;
        nb.size = nb.capacity = bytes;
        try {
            h.byHandle.emplace(data, nb);
        } catch (...) {
            std::free(data);
            throw;
        }
        h.bytes = h.bytes - oldSize + bytes;
        h.byHandle.erase(handle);
        g.unlock();
        std::free(old);
        return data;
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

HANDLE handleOf(const Family& f, LPCVOID p) {
    if (enter(f.handle)) return nullptr;
    Heap& h = heap();
    std::lock_guard g(h.lock);
    void* key = const_cast<void*>(p);
    if (Block* b = find(h, key); b && !b->moveable) return key;
    if (p) {
        if (void** handle = h.handleOfData.find(key)) return *handle;
    }
    setError(ERROR_INVALID_HANDLE);
    return nullptr;
}

UINT blockFlags(const Family& f, HANDLE handle) {
    if (enter(f.flags)) return GMEM_INVALID_HANDLE;
    Heap& h = heap();
    std::lock_guard g(h.lock);
    Block* b = find(h, handle);
    if (!b) {
        setError(ERROR_INVALID_HANDLE);
        return GMEM_INVALID_HANDLE;
    }
    UINT flags = b->locks > GMEM_LOCKCOUNT ? GMEM_LOCKCOUNT : b->locks;
    if (b->moveable && !b->data) flags |= GMEM_DISCARDED;
    if (b->discardable) flags |= f.discardable;
    return flags;
}

}  // namespace

namespace winsim {

size_t liveGlobalBlocks() {
    Heap& h = heap();
    std::lock_guard g(h.lock);
    return h.byHandle.size();
}

size_t liveGlobalBytes() {
    Heap& h = heap();
    std::lock_guard g(h.lock);
    return h.bytes;
}

}  // namespace winsim

extern "C" {

WINBASEAPI HGLOBAL WINAPI GlobalAlloc(UINT flags, SIZE_T bytes) { return allocBlock(kGlobal, flags, bytes); }
WINBASEAPI HGLOBAL WINAPI GlobalAllocUnfilled(SIZE_T bytes) {
    return allocBlock(kGlobal, GMEM_FIXED, bytes, false);
}
WINBASEAPI HGLOBAL WINAPI GlobalFree(HGLOBAL h) { return freeBlock(kGlobal, h); }
WINBASEAPI SIZE_T WINAPI GlobalSize(HGLOBAL h) { return blockSize(kGlobal, h); }
WINBASEAPI LPVOID WINAPI GlobalLock(HGLOBAL h) { return lockBlock(kGlobal, h); }
WINBASEAPI BOOL WINAPI GlobalUnlock(HGLOBAL h) { return unlockBlock(kGlobal, h); }
WINBASEAPI HGLOBAL WINAPI GlobalReAlloc(HGLOBAL h, SIZE_T bytes, UINT flags) {
    return reallocBlock(kGlobal, h, bytes, flags);
}
WINBASEAPI HGLOBAL WINAPI GlobalHandle(LPCVOID p) { return handleOf(kGlobal, p); }
WINBASEAPI UINT WINAPI GlobalFlags(HGLOBAL h) { return blockFlags(kGlobal, h); }

WINBASEAPI HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes) { return allocBlock(kLocal, flags, bytes); }
WINBASEAPI HLOCAL WINAPI LocalFree(HLOCAL h) { return freeBlock(kLocal, h); }
WINBASEAPI SIZE_T WINAPI LocalSize(HLOCAL h) { return blockSize(kLocal, h); }
WINBASEAPI LPVOID WINAPI LocalLock(HLOCAL h) { return lockBlock(kLocal, h); }
WINBASEAPI BOOL WINAPI LocalUnlock(HLOCAL h) { return unlockBlock(kLocal, h); }
WINBASEAPI HLOCAL WINAPI LocalReAlloc(HLOCAL h, SIZE_T bytes, UINT flags) {
    return reallocBlock(kLocal, h, bytes, flags);
}
WINBASEAPI HLOCAL WINAPI LocalHandle(LPCVOID p) { return handleOf(kLocal, p); }
WINBASEAPI UINT WINAPI LocalFlags(HLOCAL h) { return blockFlags(kLocal, h); }

}  // extern "C"
