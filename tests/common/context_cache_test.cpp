#include <gtest/gtest.h>

#include "common/context_support.h"
#include "core/context_cache.h"
#include "core/item_store.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class ContextCache : public ::testing::Test {
protected:
    void SetUp() override {
        startClock(1000);
        CtxCacheClear();
    }
    void TearDown() override { CtxCacheFlush(1); }

    DrvContext* make(uintptr_t printer, const WCHAR* name, uint16_t kind = kLightReusable, uint32_t flags = 0,
                     uint32_t mode = 0) {
        PRINTER_INFO_2W pi = printerInfo(name);
        return CtxCreateEx(handle(printer), handle(printer), nullptr, kind, flags, mode, &pi);
    }
    // A request that must not be served from the cache: a new context, freed.
    void expectNew(DrvContext* got, DrvContext* cached) {
        EXPECT_NE(got, nullptr);
        EXPECT_NE(got, cached);
        if (got != cached) CtxReleaseEx(got, kReleaseFree);
    }
};

}  // namespace

TEST_F(ContextCache, ReuseWithinTheWindowAndFreshAfterIt) {
    DrvContext* a = make(1, u"P1");
    ASSERT_NE(a, nullptr);
    a->ws->presetFlag = 42;  // state of the released context
    CtxRelease(a);
    EXPECT_EQ(CtxCacheOccupied(2), 1);

    winsim::advanceClock(500);  // exactly 500 ms is still young
    DrvContext* b = make(1, u"P1");
    EXPECT_EQ(b, a);
    EXPECT_EQ(b->ws->presetFlag, 42u);
    EXPECT_EQ(CtxCacheOccupied(2), 0);
    CtxRelease(b);

    winsim::advanceClock(501);
    DrvContext* c = make(1, u"P1");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->ws->presetFlag, 0u);      // a new context
    EXPECT_EQ(CtxCacheOccupied(2), 0);     // the old one was freed by the lookup
    CtxReleaseEx(c, kReleaseFree);
}

TEST_F(ContextCache, AgeIsMeasuredAcrossTheTickWrap) {
    startClock(0xFFFFFF00u);
    DrvContext* a = make(1, u"P1");
    CtxRelease(a);
    winsim::advanceClock(400);  // the tick count wraps to 0x90
    EXPECT_LT(winsim::nowTickCount(), 0x100u);
    DrvContext* b = make(1, u"P1");
    EXPECT_EQ(b, a);
    CtxRelease(b);
    winsim::advanceClock(600);
    CtxCacheFlush(0);
    EXPECT_EQ(CtxCacheOccupied(2), 0);
}

TEST_F(ContextCache, MatchNeedsHandleNameFlagsAndKind) {
    DrvContext* a = make(1, u"P1", kLightReusable, kCreateInterface);
    CtxRelease(a);
    expectNew(make(2, u"P1", kLightReusable, kCreateInterface), a);            // other handle
    expectNew(make(1, u"p1", kLightReusable, kCreateInterface), a);            // name is case-sensitive
    expectNew(make(1, u"P1", kLightReusable, kCreateMergeNoUi), a);            // other flags
    expectNew(make(1, u"P1", 5 | kKindOptReuse, kCreateInterface), a);         // other kind
    expectNew(make(1, u"P1", 4 | kKindOptReuse | kKindOptAdmin, kCreateInterface), a);  // other state
    expectNew(make(1, u"P1", 4, kCreateInterface), a);                         // no reuse option
    DrvContext* hit = make(1, u"P1", kLightReusable, kCreateInterface);
    EXPECT_EQ(hit, a);
    CtxReleaseEx(hit, kReleaseFree);
}

TEST_F(ContextCache, AnyHandleOptionRebindsTheHandles) {
    DrvContext* a = make(1, u"P1");
    CtxRelease(a);
    DrvContext* b = make(9, u"P1", kLightReusable | kKindOptAnyHandle);
    ASSERT_EQ(b, a);
    EXPECT_EQ(b->printer, handle(9));
    EXPECT_EQ(b->driverQuery, handle(9));
    CtxReleaseEx(b, kReleaseFree);
}

TEST_F(ContextCache, MergeWithModeTwoNeedsAContextOfModeTwo) {
    DrvContext* a = make(1, u"P1", kLightReusable, kCreateMergeNoUi, 1);
    CtxRelease(a);
    DrvContext* b = make(1, u"P1", kLightReusable, kCreateMergeNoUi, 2);
    EXPECT_NE(b, a);
    DrvContext* c = make(1, u"P1", kLightReusable, kCreateMergeNoUi, 1);
    EXPECT_EQ(c, a);
    CtxReleaseEx(b, kReleaseFree);
    CtxReleaseEx(c, kReleaseFree);
}

TEST_F(ContextCache, DeviceCapabilityContextsUseCacheOne) {
    DrvContext* a = make(1, u"P1", kLightReusable, kCreateDeviceCaps);
    CtxReleaseEx(a, kReleaseCache1);
    EXPECT_EQ(CtxCacheOccupied(1), 1);
    EXPECT_EQ(CtxCacheOccupied(2), 0);
    expectNew(make(1, u"P1", kLightReusable, kCreateDeviceCaps | kCreateInterface), a);
    DrvContext* b = make(1, u"P1", kLightReusable, kCreateDeviceCaps);
    EXPECT_EQ(b, a);
    CtxReleaseEx(b, kReleaseFree);
}

TEST_F(ContextCache, AFullCacheEvictsTheSlotReleasedLongestAgoAndTheFirstOnATie) {
    struct Case {
        int order[3];
        uint32_t gap;  // ms between the releases
        int evicted;
    };
    // B released first although it sits in slot 0; then all three at one tick.
    const Case cases[] = {{{1, 0, 2}, 10, 1}, {{0, 1, 2}, 0, 0}};
    const WCHAR* names[] = {u"A", u"B", u"C"};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.gap);
        DrvContext* c[3];
        for (int i = 0; i < 3; ++i) {
            c[i] = make(1, names[i]);
            c[i]->ws->presetFlag = 1;  // a mark that survives in the cache
        }
        for (int i : k.order) {
            CtxRelease(c[i]);
            winsim::advanceClock(k.gap);
        }
        EXPECT_EQ(CtxCacheOccupied(2), 2);
        for (int i = 0; i < 3; ++i) {
            DrvContext* again = make(1, names[i]);
            EXPECT_EQ(again->ws->presetFlag, i == k.evicted ? 0u : 1u) << i;
            CtxReleaseEx(again, kReleaseFree);
        }
    }
}

TEST_F(ContextCache, ReleaseTypes) {
    DrvContext* a = make(1, u"A");
    CtxReleaseAs(a, kReleaseFree);
    EXPECT_EQ(CtxCacheOccupied(1) + CtxCacheOccupied(2), 0);
    DrvContext* b = make(1, u"B");
    CtxReleaseAs(b, 3);  // any other type frees at once
    EXPECT_EQ(CtxCacheOccupied(1) + CtxCacheOccupied(2), 0);
    DrvContext* c = make(1, u"C");
    CtxReleaseAs(c, kReleaseCache1);
    EXPECT_EQ(CtxCacheOccupied(1), 1);
    CtxReleaseAs(make(1, u"D"), kReleaseCache2);
    EXPECT_EQ(CtxCacheOccupied(2), 1);
    CtxReleaseEx(nullptr, 0);  // nothing to do
}

TEST_F(ContextCache, JobBindingKeepsAContextOutOfTheCache) {
    for (uint32_t mode : {1u, 2u, 3u}) {
        CtxCacheFlush(1);
        DrvContext* a = make(1, u"A");
        a->devmode = static_cast<BYTE*>(MemAllocZero(dmSizes().stateSize));
        ItemSetRawById(a, kItRdmJobLinker, mode);
        CtxRelease(a);
        EXPECT_EQ(CtxCacheOccupied(2), (mode & 1) ? 0 : 1) << mode;  // bit 0 binds
    }
}

TEST_F(ContextCache, TheMutexOptionMayTakeAPlainContextTheAdministratorOptionMayNot) {
    DrvContext* a = make(1, u"P1");
    CtxRelease(a);
    expectNew(make(1, u"P1", kLightReusable | kKindOptAdmin), a);
    DrvContext* b = make(1, u"P1", kLightReusable | kKindOptMutexHeld);
    EXPECT_EQ(b, a);
    CtxRelease(b);
    DrvContext* c = make(1, u"P1");
    EXPECT_EQ(c, a);
    CtxReleaseEx(c, kReleaseFree);
}

TEST_F(ContextCache, FlushFreesOnlyOldContextsUnlessAll) {
    DrvContext* a = make(1, u"A");
    CtxRelease(a);
    winsim::advanceClock(300);
    DrvContext* b = make(1, u"B");
    CtxReleaseEx(b, kReleaseCache1);
    winsim::advanceClock(300);
    CtxCacheFlush(0);
    EXPECT_EQ(CtxCacheOccupied(2), 0);
    EXPECT_EQ(CtxCacheOccupied(1), 1);
    CtxCacheFlush(1);
    EXPECT_EQ(CtxCacheOccupied(1), 0);
}

TEST_F(ContextCache, NoNameMeansNoLookup) {
    DrvContext* a = make(1, u"");
    ASSERT_NE(a, nullptr);
    CtxRelease(a);
    expectNew(make(1, u""), a);
}
