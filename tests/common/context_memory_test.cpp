// Every block a context takes goes back when it is released, also when
// creation fails part way.
#include <gtest/gtest.h>

#include <winsim/memory.h>

#include "common/context_support.h"
#include "core/context_cache.h"
#include "core/font_tables.h"
#include "core/item_store.h"

using namespace vesk;
using namespace vesk::test;

namespace {
constexpr DWORD kNoMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY
}

TEST(ContextMemory, CreateAndReleaseEveryKindWithoutLeaks) {
    winsim::TempMachine machine;
    CtxCacheClear();
    size_t base = winsim::liveGlobalBlocks();
    PRINTER_INFO_2W pi = printerInfo(u"Office 1");
    for (uint16_t kind : {0, 1, 2, 3, 4, 5, 0x20, 0xFF}) {
        DrvContext* c = CtxCreateEx(handle(1), handle(1), nullptr, kind, 0, 0, &pi);
        EXPECT_EQ(c == nullptr, kind < 4) << kind;
        CtxReleaseEx(c, kReleaseFree);
        EXPECT_EQ(winsim::liveGlobalBlocks(), base) << kind;
    }
    // Through the caches: kept while cached, freed by the flush.
    DrvContext* a = CtxCreateEx(handle(1), handle(1), nullptr, kLightReusable, 0, 0, &pi);
    DrvContext* b = CtxCreateEx(handle(1), handle(1), nullptr, kLightReusable, kCreateDeviceCaps, 0, &pi);
    CtxRelease(a);
    CtxReleaseEx(b, kReleaseCache1);
    EXPECT_GT(winsim::liveGlobalBlocks(), base);
    CtxCacheFlush(1);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}

TEST(ContextMemory, FontTablesOfTheDevmodeAndShadowGoWithTheContext) {
    winsim::TempMachine machine;
    size_t base = winsim::liveGlobalBlocks();
    size_t tables = FontTableLiveCount();
    {
        ContextPtr c = contextWithDevmode();
        ASSERT_TRUE(c);
        for (const FontTableItems& f : kFontTableItems) {
            void* t = MemAllocZero(3 * f.entrySize);
            ItemSetRawById(c.get(), f.countItem, 3);
            ItemSetRawById(c.get(), f.handleItem, FontTableAdopt(t, 3 * f.entrySize));
        }
        ASSERT_EQ(CtxSnapshotDevmode(c.get()), 1);
        EXPECT_EQ(FontTableLiveCount(), tables + 6);
    }
    EXPECT_EQ(FontTableLiveCount(), tables);
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}

TEST(ContextMemory, OtherReleaseTypesLeaveTheDevmodeFontTablesToTheirHolder) {
    winsim::TempMachine machine;
    const size_t tables = FontTableLiveCount();
    for (uint16_t type : {uint16_t{3}, kReleaseFree}) {
        SCOPED_TRACE(type);
        DrvContext* c = contextWithDevmode().release();
        ASSERT_NE(c, nullptr);
        const FontTableItems& f = kFontTableItems[0];
        const uint32_t h = FontTableAdopt(MemAllocZero(2 * f.entrySize), 2 * f.entrySize);
        ItemSetRawById(c, f.countItem, 2);
        ItemSetRawById(c, f.handleItem, h);
        CtxReleaseEx(c, type);
        EXPECT_EQ(FontTableData(h) != nullptr, type == 3);
        FontTableRelease(h);
        EXPECT_EQ(FontTableLiveCount(), tables);
    }
}

TEST(ContextMemory, EveryFailedAllocationFailsCreationCleanly) {
    winsim::TempMachine machine;
    PRINTER_INFO_2W pi = printerInfo(u"Office 1");
    size_t base = winsim::liveGlobalBlocks();
    // Count the blocks one creation takes, then fail each of them in turn.
    DrvContext* probe = CtxCreateEx(handle(1), handle(1), nullptr, 4, 0, 0, &pi);
    ASSERT_NE(probe, nullptr);
    size_t blocks = winsim::liveGlobalBlocks() - base;
    CtxReleaseEx(probe, kReleaseFree);
    ASSERT_GE(blocks, 3u);  // the context, its tables, its workspace with the buffers
    for (size_t n = 1; n <= blocks; ++n) {
        winsim::failCall("GlobalAlloc", n, kNoMemory);
        DrvContext* c = CtxCreateEx(handle(1), handle(1), nullptr, 4, 0, 0, &pi);
        winsim::clearFaults();
        EXPECT_EQ(c, nullptr) << "allocation " << n;
        CtxReleaseEx(c, kReleaseFree);
        EXPECT_EQ(winsim::liveGlobalBlocks(), base) << "allocation " << n;
    }
}
