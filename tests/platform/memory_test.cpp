// Global and local memory blocks: zero fill, handles, locks, reallocation,
// bad handles, failure injection and the live-block counter.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

#include <win/memory.h>
#include <winsim/memory.h>
#include <winsim/winsim.h>
#include "platform/last_error.h"

namespace {

bool allZero(const void* p, size_t n) {
    auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i]) return false;
    return true;
}

}  // namespace

TEST(Memory, BlocksAreZeroFilledAndCountedUntilFreed) {
    size_t base = winsim::liveGlobalBlocks();
    // Without GMEM_ZEROINIT too: callers rely on a clean block.
    for (UINT flags : {GPTR, GMEM_FIXED}) {
        auto* p = static_cast<unsigned char*>(GlobalAlloc(flags, 4096));
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(allZero(p, 4096));
        EXPECT_EQ(GlobalSize(p), 4096u);
        EXPECT_EQ(GlobalLock(p), p);  // a fixed block's handle is its address
        EXPECT_TRUE(GlobalUnlock(p));
        std::memset(p, 0xAB, 4096);
        EXPECT_EQ(winsim::liveGlobalBlocks(), base + 1);
        EXPECT_EQ(GlobalFree(p), nullptr);
    }
    HLOCAL l = LocalAlloc(LPTR, 10);
    ASSERT_NE(l, nullptr);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + 1);
    EXPECT_EQ(LocalSize(l), 10u);
    EXPECT_EQ(LocalFree(l), nullptr);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
    EXPECT_EQ(winsim::liveGlobalBytes(), 0u);
}

TEST(Memory, FreeIsNullSafeAndRefusesUnknownOrFreedHandles) {
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    EXPECT_EQ(LocalFree(nullptr), nullptr);

    HGLOBAL h = GlobalAlloc(GPTR, 16);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(GlobalFree(h), nullptr);
    EXPECT_FAILS_WITH(GlobalFree(h), h, ERROR_INVALID_HANDLE);  // already freed

    int local = 0;
    EXPECT_FAILS_WITH(GlobalFree(&local), &local, ERROR_INVALID_HANDLE);  // never a block
    EXPECT_FAILS_WITH(GlobalSize(&local), 0u, ERROR_INVALID_HANDLE);
    EXPECT_EQ(GlobalLock(&local), nullptr);
    EXPECT_FALSE(GlobalUnlock(&local));
    EXPECT_EQ(GlobalReAlloc(&local, 8, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalFlags(&local), static_cast<UINT>(GMEM_INVALID_HANDLE));
}

TEST(Memory, MoveableBlockIsReachedThroughLockAndHandle) {
    size_t base = winsim::liveGlobalBlocks();
    HGLOBAL h = GlobalAlloc(GHND, 100);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 0u);
    auto* p = static_cast<char*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    EXPECT_NE(static_cast<void*>(p), h);
    EXPECT_TRUE(allZero(p, 100));
    EXPECT_EQ(GlobalHandle(p), h);
    // The address alone is not a handle.
    EXPECT_EQ(GlobalFree(p), static_cast<HGLOBAL>(p));

    EXPECT_EQ(GlobalLock(h), p);
    EXPECT_EQ(GlobalFlags(h) & GMEM_LOCKCOUNT, 2u);
    EXPECT_TRUE(GlobalUnlock(h));  // still locked once
    SetLastError(1234);
    EXPECT_FALSE(GlobalUnlock(h));  // now unlocked
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    EXPECT_FAILS_WITH(GlobalUnlock(h), FALSE, ERROR_NOT_LOCKED);  // was not locked

    // Freeing a locked block works, as on Windows.
    ASSERT_NE(GlobalLock(h), nullptr);
    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}

TEST(Memory, ReallocKeepsContentsAndZeroFillsGrowth) {
    // Fixed block with GMEM_MOVEABLE: may move, the handle is the new address.
    auto* p = static_cast<unsigned char*>(GlobalAlloc(GPTR, 8));
    ASSERT_NE(p, nullptr);
    std::memcpy(p, "abcdefgh", 8);
    auto* q = static_cast<unsigned char*>(GlobalReAlloc(p, 64, GMEM_MOVEABLE | GMEM_ZEROINIT));
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(std::memcmp(q, "abcdefgh", 8), 0);
    EXPECT_TRUE(allZero(q + 8, 56));
    EXPECT_EQ(GlobalSize(q), 64u);
    ASSERT_NE(q, p);  // a block that may move always does, so stale addresses show
    EXPECT_EQ(GlobalSize(p), 0u);  // the old address is no block now

    // Without GMEM_MOVEABLE a fixed block changes in place only.
    EXPECT_FAILS_WITH(GlobalReAlloc(q, 128, 0), nullptr, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GlobalSize(q), 64u);
    EXPECT_EQ(GlobalReAlloc(q, 4, 0), q);
    EXPECT_EQ(GlobalSize(q), 4u);
    EXPECT_EQ(GlobalReAlloc(q, 16, 0), q);  // grows back within its allocation, zero-filled
    EXPECT_EQ(std::memcmp(q, "abcd", 4), 0);
    EXPECT_TRUE(allZero(q + 4, 12));
    EXPECT_EQ(GlobalFree(q), nullptr);

    // Moveable: the handle stays; locked blocks do not move without the flag.
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 4);
    auto* a = static_cast<char*>(GlobalLock(h));
    std::memcpy(a, "wxyz", 4);
    EXPECT_EQ(GlobalReAlloc(h, 1000, 0), nullptr);
    EXPECT_TRUE(GlobalUnlock(h) == FALSE && GetLastError() == NO_ERROR);
    EXPECT_EQ(GlobalReAlloc(h, 1000, 0), h);
    auto* b = static_cast<char*>(GlobalLock(h));
    EXPECT_EQ(std::memcmp(b, "wxyz", 4), 0);
    EXPECT_TRUE(allZero(b + 4, 996));
    EXPECT_EQ(GlobalHandle(b), h);
    GlobalUnlock(h);
    EXPECT_EQ(winsim::liveGlobalBytes(), 1000u);
    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(winsim::liveGlobalBlocks(), 0u);
}

TEST(Memory, ZeroSizedMoveableBlockIsDiscardedUntilReallocated) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 0);
    ASSERT_NE(h, nullptr);
    EXPECT_NE(GlobalFlags(h) & GMEM_DISCARDED, 0u);
    EXPECT_FAILS_WITH(GlobalLock(h), nullptr, ERROR_DISCARDED);
    ASSERT_EQ(GlobalReAlloc(h, 32, GMEM_MOVEABLE), h);
    EXPECT_EQ(GlobalFlags(h) & GMEM_DISCARDED, 0u);
    EXPECT_NE(GlobalLock(h), nullptr);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), nullptr);

    void* f = GlobalAlloc(GPTR, 0);  // a fixed empty block still has an address
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(GlobalSize(f), 0u);
    EXPECT_EQ(GlobalFree(f), nullptr);
}

TEST(Memory, ModifyTurnsAFixedBlockMoveable) {
    auto* p = static_cast<char*>(GlobalAlloc(GPTR, 4));
    std::memcpy(p, "abc", 4);
    HGLOBAL h = GlobalReAlloc(p, 0, GMEM_MODIFY | GMEM_MOVEABLE);
    ASSERT_NE(h, nullptr);
    EXPECT_NE(h, static_cast<HGLOBAL>(p));
    EXPECT_EQ(GlobalLock(h), p);
    EXPECT_EQ(GlobalFree(p), static_cast<HGLOBAL>(p));  // the old handle is gone
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(winsim::liveGlobalBlocks(), 0u);
}

TEST(Memory, InjectedAndImpossibleAllocationsFailCleanly) {
    size_t base = winsim::liveGlobalBlocks();
    HGLOBAL first = GlobalAlloc(GPTR, 8);
    winsim::failCall("GlobalAlloc", 2, ERROR_NOT_ENOUGH_MEMORY);
    HGLOBAL second = GlobalAlloc(GPTR, 8);
    EXPECT_FAILS_WITH(GlobalAlloc(GPTR, 8), nullptr, ERROR_NOT_ENOUGH_MEMORY);  // the second call from now fails
    HGLOBAL fourth = GlobalAlloc(GPTR, 8);  // only that one
    EXPECT_NE(second, nullptr);
    EXPECT_NE(fourth, nullptr);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + 3);

    winsim::failCall("GlobalReAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GlobalReAlloc(first, 100, GMEM_MOVEABLE), nullptr);
    EXPECT_EQ(GlobalSize(first), 8u);  // untouched on failure

    EXPECT_FAILS_WITH(GlobalAlloc(GPTR, static_cast<SIZE_T>(-1)), nullptr, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(-16)), nullptr);
    EXPECT_EQ(GlobalReAlloc(first, static_cast<SIZE_T>(-1), GMEM_MOVEABLE), nullptr);
    EXPECT_FAILS_WITH(LocalAlloc(0x10000, 8), nullptr, ERROR_INVALID_PARAMETER);  // not a flag

    for (HGLOBAL h : {first, second, fourth}) EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}

// The stand-in's unfilled block is a fixed GlobalAlloc block in every way
// but the fill: same journal entry, same injected failures (counted with
// GlobalAlloc's), counted and sized, freed by GlobalFree, and grown back in
// place with the growth zero-filled.
TEST(Memory, UnfilledBlocksAreGlobalAllocBlocksWithoutTheFill) {
    size_t base = winsim::liveGlobalBlocks();
    size_t baseBytes = winsim::liveGlobalBytes();
    winsim::journalClear();
    winsim::journalEnable(true);
    auto* p = static_cast<unsigned char*>(GlobalAllocUnfilled(300));
    winsim::journalEnable(false);
    ASSERT_NE(p, nullptr);
    auto entries = winsim::journal();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].function, "GlobalAlloc");
    EXPECT_EQ(entries[0].detail, "300");
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + 1);
    EXPECT_EQ(winsim::liveGlobalBytes(), baseBytes + 300);
    EXPECT_EQ(GlobalSize(p), 300u);
    EXPECT_EQ(GlobalLock(p), p);
    EXPECT_TRUE(GlobalUnlock(p));
    EXPECT_EQ(GlobalFlags(p), 0u);
    std::memset(p, 0xCD, 300);
    EXPECT_EQ(GlobalReAlloc(p, 100, 0), p);
    EXPECT_EQ(GlobalReAlloc(p, 200, 0), p);
    EXPECT_TRUE(allZero(p + 100, 100));

    // The Nth-call injection counts both calls as GlobalAlloc calls.
    winsim::failCall("GlobalAlloc", 2, ERROR_NOT_ENOUGH_MEMORY);
    HGLOBAL q = GlobalAlloc(GPTR, 8);
    ASSERT_NE(q, nullptr);
    EXPECT_FAILS_WITH(GlobalAllocUnfilled(8), nullptr, ERROR_NOT_ENOUGH_MEMORY);
    winsim::failCall("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FAILS_WITH(GlobalAllocUnfilled(8), nullptr, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FAILS_WITH(GlobalAllocUnfilled(static_cast<SIZE_T>(-1)), nullptr, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + 2);

    void* empty = GlobalAllocUnfilled(0);  // an address of its own, as GlobalAlloc(GMEM_FIXED, 0)
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(GlobalSize(empty), 0u);
    for (HGLOBAL h : {static_cast<HGLOBAL>(p), q, static_cast<HGLOBAL>(empty)}) EXPECT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
    EXPECT_EQ(winsim::liveGlobalBytes(), baseBytes);
}

TEST(Memory, GlobalAndLocalShareOneHeap) {
    HLOCAL l = LocalAlloc(LHND, 12);
    ASSERT_NE(l, nullptr);
    void* p = LocalLock(l);
    EXPECT_EQ(LocalHandle(p), l);
    EXPECT_EQ(GlobalHandle(p), l);
    EXPECT_FALSE(LocalUnlock(l));
    EXPECT_EQ(GlobalFree(l), nullptr);  // either Free releases either
    EXPECT_EQ(LocalFree(l), l);
    EXPECT_EQ(winsim::liveGlobalBlocks(), 0u);
}

TEST(Memory, ThreadsAllocateAndFreeConcurrently) {
    size_t base = winsim::liveGlobalBlocks();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 500; ++i) {
                HGLOBAL h = GlobalAlloc(i % 2 ? GHND : GPTR, static_cast<SIZE_T>(16 + i));
                ASSERT_NE(h, nullptr);
                void* p = GlobalLock(h);
                ASSERT_NE(p, nullptr);
                std::memset(p, 0x5A, static_cast<size_t>(16 + i));
                GlobalUnlock(h);
                ASSERT_EQ(GlobalFree(h), nullptr);
            }
        });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}
