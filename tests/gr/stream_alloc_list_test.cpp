// The allocation list: blocks linked newest first, freed one by one or all
// at once, and nothing left behind when memory runs out.
#include <gtest/gtest.h>

#include <cstring>

#include <winsim/memory.h>
#include <winsim/winsim.h>

#include "alloc_list.h"

using namespace vesk;

namespace {
constexpr DWORD kNoMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY
}

TEST(AllocList, BlocksAreUsableAndGoWithTheList) {
    const size_t base = winsim::liveGlobalBlocks();
    AllocList* list = AllocListCreate();
    ASSERT_NE(list, nullptr);
    auto* a = static_cast<char*>(AllocListAlloc(list, 100));
    auto* b = static_cast<char*>(AllocListAllocZero(list, 64));
    auto* c = static_cast<char*>(AllocListAlloc(list, 0));
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(a) % alignof(void*), 0u);
    std::memset(a, 0x5A, 100);
    for (int i = 0; i < 64; ++i) EXPECT_EQ(b[i], 0) << i;
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + 4);
    AllocListDestroy(list);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}

TEST(AllocList, FreeUnlinksOnlyItsBlockAndIgnoresStrangers) {
    const size_t base = winsim::liveGlobalBlocks();
    AllocList* list = AllocListCreate();
    void* blocks[4];
    for (void*& p : blocks) p = AllocListAlloc(list, 16);
    // The middle, the newest and the oldest: each unlink leaves the rest
    // reachable.
    AllocListFree(list, blocks[2]);
    AllocListFree(list, blocks[3]);
    AllocListFree(list, blocks[0]);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + 2);
    int stranger = 0;
    AllocListFree(list, &stranger);
    AllocListFree(list, blocks[2]);  // already gone
    AllocListFree(list, nullptr);
    AllocListFree(nullptr, blocks[1]);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + 2);
    // The survivor is still in the list and can be freed by address.
    AllocListFree(list, blocks[1]);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + 1);
    void* again = AllocListAlloc(list, 8);
    EXPECT_NE(again, nullptr);
    AllocListDestroy(list);
    AllocListDestroy(nullptr);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}

TEST(AllocList, FailedAllocationsLeaveTheListIntact) {
    const size_t base = winsim::liveGlobalBlocks();
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    EXPECT_EQ(AllocListCreate(), nullptr);
    winsim::clearFaults();
    AllocList* list = AllocListCreate();
    void* kept = AllocListAlloc(list, 32);
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    EXPECT_EQ(AllocListAlloc(list, 32), nullptr);
    winsim::clearFaults();
    EXPECT_EQ(AllocListAlloc(list, SIZE_MAX), nullptr);
    EXPECT_EQ(AllocListAlloc(nullptr, 8), nullptr);
    AllocListFree(list, kept);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + 1);
    AllocListDestroy(list);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}
