// The walks that visit listed positions on a table still copied from its
// image, and every item once the table has been edited.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include "common/sample_printer_support.h"
#include "core/item_lists.h"
#include "core/persist/opt_persist.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class ItemListsWalk : public SamplePrinter {};

}  // namespace

TEST_F(ItemListsWalk, AFreshContextListsItsNamedItemsAndAnEditedOneNone) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    const ItemLists* lists = ItemListsOf(c);
    ASSERT_NE(lists, nullptr);
    const std::vector<uint16_t>* named = &lists->named;
    std::vector<uint16_t> want;
    for (int i = 0; i < c->items->count; ++i)
        if (c->items->items[i].valueName) want.push_back(static_cast<uint16_t>(i));
    EXPECT_EQ(*named, want);
    EXPECT_LT(want.size(), static_cast<size_t>(c->items->count) / 2) << "a list that saves nothing";
    EXPECT_FALSE(lists->mirror.empty());
    // Once edited, the walks visit every item (the settings and mirror
    // suites show what they then find).
    ItemTableEdited(c);
    EXPECT_EQ(ItemListsOf(c), nullptr);
}

// A checking build stops at the first walk of a table edited unmarked.
TEST_F(ItemListsWalk, AnUnmarkedEditStopsACheckingBuild) {
#ifdef NDEBUG
    GTEST_SKIP() << "only a checking build compares lists with their table";
#else
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    DmItem* it = c->items->items;
    while (it->valueName) ++it;  // the table names far from all its items
    it->valueName = u"ListProbe";
    EXPECT_DEATH(OptSaveClass(printer_, c, 2, kOptSaveAll), "edited without ItemTableEdited");
    it->valueName = nullptr;
#endif
}
