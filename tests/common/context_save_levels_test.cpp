// The save stack's fixed levels share the table block a freed context leaves
// for the next one, and are not filled before use: each level must give back
// exactly the state saved in it whatever the block held, must not overlap the
// context's tables or another level, and the shadow must still start zeroed.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <cstring>
#include <vector>

#include "common/context_support.h"
#include "core/devmode/dm_state.h"
#include "core/item_store.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr uint32_t kLevels = 5;  // the three fixed levels and two deeper ones

size_t stateBytes() { return dmSizes().stateSize; }

// A DEVMODE state of its own for `seed`, with no font table named in it (a
// restore looks the named tables up).
std::vector<BYTE> pattern(DrvContext* c, uint32_t seed) {
    std::vector<BYTE> s(stateBytes());
    for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<BYTE>((i * 131 + seed * 29 + (i >> 8)) ^ seed);
    for (const FontTableItems& f : kFontTableItems) {
        ItemWriteRawIn(s.data(), ItemFindById(c, f.handleItem), 0);
        ItemWriteRawIn(s.data(), ItemFindById(c, f.countItem), 0);
    }
    return s;
}

// Saves `kLevels` states from `seed` on, one a level.
bool saveLevels(DrvContext* c, uint32_t seed, std::vector<std::vector<BYTE>>* saved) {
    for (uint32_t l = 0; l < kLevels; ++l) {
        saved->push_back(pattern(c, seed + l));
        std::memcpy(c->devmode, saved->back().data(), stateBytes());
        if (DmSaveState(c) != 1) return false;
    }
    return DmSaveDepth(c) == kLevels;
}

// Restores every level from the top and checks each gives its own state.
void expectLevelsBack(DrvContext* c, const std::vector<std::vector<BYTE>>& saved, const char* what) {
    ASSERT_EQ(saved.size(), kLevels);
    for (uint32_t l = kLevels; l-- > 0;) {
        std::memset(c->devmode, 0x5A, stateBytes());
        ASSERT_EQ(DmRestoreState(c, 1), 1) << what << " level " << l;
        EXPECT_EQ(std::memcmp(c->devmode, saved[l].data(), stateBytes()), 0) << what << " level " << l;
    }
    EXPECT_EQ(DmSaveDepth(c), 0u) << what;
}

bool sameTableBytes(DrvContext* c, const DrvContext* t) {
    if (std::memcmp(c->items->items, t->items->items, sizeof(DmItem) * static_cast<size_t>(t->items->count)) != 0)
        return false;
    for (int i = 0; i < t->pages->count; ++i) {
        const UiPage& own = CtxPages(c)->pages[i];
        const UiPage& tp = t->pages->pages[i];
        if (own.controlCount > 0 &&
            std::memcmp(own.controls, tp.controls, sizeof(UiControl) * static_cast<size_t>(own.controlCount)) != 0)
            return false;
    }
    return true;
}

}  // namespace

TEST(ContextSaveLevels, EachLevelGivesBackItsStateInTheBlockOfAFreedContext) {
    winsim::TempMachine machine;
    const DrvContext* t = GetContextTemplate();
    for (uint32_t round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        // The first context leaves its saved states behind in the block.
        {
            ContextPtr old = contextWithDevmode();
            ASSERT_TRUE(old);
            std::vector<std::vector<BYTE>> left;
            ASSERT_TRUE(saveLevels(old.get(), 100 + round, &left));
        }
        ContextPtr c = contextWithDevmode();
        ASSERT_TRUE(c);
        std::vector<std::vector<BYTE>> saved;
        ASSERT_TRUE(saveLevels(c.get(), 7 * round + 1, &saved));
        // Saving wrote no byte of the tables the levels share a block with.
        EXPECT_TRUE(sameTableBytes(c.get(), t));
        expectLevelsBack(c.get(), saved, "reused block");
    }
}

TEST(ContextSaveLevels, TwoLiveContextsKeepTheirOwnLevels) {
    winsim::TempMachine machine;
    ContextPtr a = contextWithDevmode();
    ContextPtr b = contextWithDevmode();
    ASSERT_TRUE(a && b);
    // No two fixed levels, of one context or of the two, share a byte.
    std::vector<const BYTE*> starts;
    for (DrvContext* c : {a.get(), b.get()})
        for (BYTE* level : c->ws->saveStack) starts.push_back(level);
    for (size_t i = 0; i < starts.size(); ++i)
        for (size_t k = i + 1; k < starts.size(); ++k) {
            const BYTE* lo = starts[i] < starts[k] ? starts[i] : starts[k];
            const BYTE* hi = starts[i] < starts[k] ? starts[k] : starts[i];
            EXPECT_GE(static_cast<size_t>(hi - lo), stateBytes()) << i << " " << k;
        }
    std::vector<std::vector<BYTE>> savedA, savedB;
    ASSERT_TRUE(saveLevels(a.get(), 11, &savedA));
    ASSERT_TRUE(saveLevels(b.get(), 53, &savedB));
    expectLevelsBack(a.get(), savedA, "a");
    expectLevelsBack(b.get(), savedB, "b");
}

TEST(ContextSaveLevels, AContextWithoutDevmodeHasItsLevelsAndAZeroShadow) {
    winsim::TempMachine machine;
    {
        ContextPtr old = contextWithDevmode();
        ASSERT_TRUE(old);
        std::vector<std::vector<BYTE>> left;
        ASSERT_TRUE(saveLevels(old.get(), 200, &left));
        ASSERT_EQ(CtxSnapshotDevmode(old.get()), 1);  // its shadow holds the last state too
    }
    PRINTER_INFO_2W pi = printerInfo(u"Light");
    ContextPtr c(CtxCreateEx(handle(1), handle(1), nullptr, 4, 0, 0, &pi));
    ASSERT_TRUE(c);
    ASSERT_EQ(c->devmode, nullptr);
    for (BYTE* level : c->ws->saveStack) EXPECT_NE(level, nullptr);
    ASSERT_NE(c->ws->shadow, nullptr);
    const std::vector<BYTE> zeros(stateBytes(), 0);
    EXPECT_EQ(std::memcmp(c->ws->shadow, zeros.data(), zeros.size()), 0);
    EXPECT_EQ(DmSaveState(c.get()), 0);  // nothing to save without a DEVMODE
    EXPECT_TRUE(sameTableBytes(c.get(), GetContextTemplate()));
}
