// The heap's block index: every record is found until its removal, however
// keys crowd one probe run, the table grows and removals shift records back;
// and the heap's calls keep telling live handles from freed ones across
// many blocks.
#include <gtest/gtest.h>

#include <win/memory.h>
#include <winsim/memory.h>
#include <winsim/winsim.h>

#include <cstdint>
#include <random>
#include <unordered_map>
#include <vector>

#include "memory/block_index.h"

using winsim::detail::BlockIndex;

namespace {

void* key(uintptr_t n) { return reinterpret_cast<void*>(n); }

}  // namespace

TEST(MemoryBlockIndex, AgreesWithAPlainMapThroughRandomChanges) {
    BlockIndex<int> index;
    std::unordered_map<uintptr_t, int> model;
    std::mt19937 rng(7);
    // Keys of few distinct hashes (multiples of 16 in a narrow range) make
    // long probe runs that wrap around the table's end.
    std::uniform_int_distribution<uintptr_t> pick(1, 3000);
    for (int step = 0; step < 60000; ++step) {
        const uintptr_t k = pick(rng) * 16;
        if (rng() % 3 == 0) {
            index.erase(key(k));
            model.erase(k);
        } else {
            index.emplace(key(k), step);
            model.emplace(k, step);  // an existing key keeps its first record
        }
        if (step % 5000 == 0 || step == 59999) {
            ASSERT_EQ(index.size(), model.size()) << step;
            for (uintptr_t n = 1; n <= 3000; ++n) {
                const int* v = index.find(key(n * 16));
                auto it = model.find(n * 16);
                ASSERT_EQ(v != nullptr, it != model.end()) << step << " " << n;
                if (v) {
                    ASSERT_EQ(*v, it->second);
                }
            }
        }
    }
    EXPECT_EQ(index.find(nullptr), nullptr);
    index.erase(key(0x999990));  // a missing key: nothing changes
    EXPECT_EQ(index.size(), model.size());
}

TEST(MemoryBlockIndex, ManyBlocksKeepTheirHandlesAndFreedOnesAreRefused) {
    winsim::TempMachine m;
    const size_t base = winsim::liveGlobalBlocks();
    std::vector<HGLOBAL> blocks;
    for (int i = 0; i < 3000; ++i) {
        HGLOBAL h = GlobalAlloc(i % 2 ? GMEM_MOVEABLE : GMEM_FIXED, static_cast<SIZE_T>(8 + i % 50));
        ASSERT_NE(h, nullptr);
        blocks.push_back(h);
    }
    EXPECT_EQ(winsim::liveGlobalBlocks(), base + blocks.size());
    for (size_t i = 0; i < blocks.size(); i += 3) ASSERT_EQ(GlobalFree(blocks[i]), nullptr);
    for (size_t i = 0; i < blocks.size(); ++i) {
        SetLastError(0);
        const SIZE_T size = GlobalSize(blocks[i]);
        if (i % 3 == 0) {
            EXPECT_EQ(size, 0u) << i;
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE)) << i;
            continue;
        }
        EXPECT_EQ(size, static_cast<SIZE_T>(8 + i % 50)) << i;
        if (i % 2) {
            void* p = GlobalLock(blocks[i]);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(GlobalHandle(p), blocks[i]) << i;
            GlobalUnlock(blocks[i]);
        }
    }
    for (size_t i = 0; i < blocks.size(); ++i)
        if (i % 3) {
            ASSERT_EQ(GlobalFree(blocks[i]), nullptr);
        }
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}
