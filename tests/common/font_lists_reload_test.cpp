// Loading the font lists into a context that already holds tables: each
// load replaces the context's three tables (the old ones released, none
// leaked), a kept substitution table stays with its keeper, and the lists
// loaded are the printer's, from printer data or, without them, the model's.
#include <gtest/gtest.h>

#include <winsim/memory.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <vector>

#include "common/sample_printer_support.h"
#include "core/font_tables.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/persist/font_persist.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class FontListsReload : public SamplePrinter {
protected:
    // The three tables' bytes, as the context's DEVMODE names them.
    static std::vector<std::vector<BYTE>> tables(DrvContext* c) {
        std::vector<std::vector<BYTE>> out;
        for (const FontTableItems& f : kFontTableItems) {
            const uint32_t n = ItemRawById(c, f.countItem);
            uint32_t bytes = 0;
            const BYTE* t = static_cast<const BYTE*>(FontTableData(ItemRawById(c, f.handleItem), &bytes));
            out.emplace_back(t ? std::vector<BYTE>(t, t + bytes) : std::vector<BYTE>{});
            EXPECT_EQ(n != 0, t != nullptr);
        }
        return out;
    }
};

}  // namespace

TEST_F(FontListsReload, EachLoadReplacesTheTablesAndLeaksNone) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    const auto first = tables(c);
    const size_t live = FontTableLiveCount();
    const size_t blocks = winsim::liveGlobalBlocks();
    // Lists the printer keeps (written at the first open through this
    // administrator's handle), and in the middle round lists it lost (the
    // model's again, written back), loaded again and again.
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        if (round == 1) {
            for (const char16_t* count : {u"DeviceFontNum", u"OptionFontNum", u"FontTableNum"}) {
                ASSERT_EQ(winsim::deletePrinterData(name_, count), static_cast<DWORD>(ERROR_SUCCESS));
            }
        }
        FontListsLoad(printer_, c);
        EXPECT_EQ(tables(c), first);
        EXPECT_EQ(FontTableLiveCount(), live);
        EXPECT_EQ(winsim::liveGlobalBlocks(), blocks);
    }
    // A table put in by hand is released by the next load.
    const FontTableItems& f = kFontTableItems[0];
    FontTableRelease(ItemRawById(c, f.handleItem));
    const uint32_t own = FontTableAdopt(MemAllocZero(2 * f.entrySize), 2 * f.entrySize);
    ItemSetRawById(c, f.handleItem, own);
    ItemSetRawById(c, f.countItem, 2);
    FontListsLoad(printer_, c);
    EXPECT_EQ(FontTableData(own), nullptr) << "the replaced table is released";
    EXPECT_EQ(tables(c), first);
    EXPECT_EQ(FontTableLiveCount(), live);

    // A substitution table kept by the workspace stays with it.
    const FontTableItems& s = kFontTableItems[2];
    const uint32_t kept = ItemRawById(c, s.handleItem);
    ASSERT_NE(kept, 0u);
    c->ws->substKept = true;
    c->ws->keptSubstTable = kept;
    FontSubstTableLoad(printer_, c);
    EXPECT_NE(FontTableData(kept), nullptr);
    EXPECT_NE(ItemRawById(c, s.handleItem), kept);
    EXPECT_EQ(tables(c), first);
    c->ws->substKept = false;
    c->ws->keptSubstTable = 0;
    FontTableRelease(kept);

    // Freed: every table goes, and a load into the empty items makes them
    // again.
    FontListsFree(c);
    EXPECT_EQ(FontTableLiveCount(), live - 3);
    for (const FontTableItems& t : kFontTableItems) EXPECT_EQ(ItemRawById(c, t.handleItem), 0u);
    FontListsLoad(printer_, c);
    EXPECT_EQ(tables(c), first);
    EXPECT_EQ(FontTableLiveCount(), live);
}
