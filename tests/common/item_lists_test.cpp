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

TEST_F(ItemListsWalk, ListsOfAFreshContextAreThoseOfItsTable) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    for (ItemList which : {ItemList::Named, ItemList::ExtMirror}) {
        const std::vector<uint16_t>* list = ItemListOf(c, which);
        ASSERT_NE(list, nullptr);
        std::vector<uint16_t> want;
        for (int i = 0; i < c->items->count; ++i)
            if (ItemInList(c->items->items[i], which)) want.push_back(static_cast<uint16_t>(i));
        EXPECT_EQ(*list, want);
        EXPECT_FALSE(want.empty());
        EXPECT_LT(want.size(), static_cast<size_t>(c->items->count) / 2) << "a list that saves nothing";
    }
    // Once edited, the walks visit every item (see the settings and mirror
    // suites for what they then find).
    ItemTableEdited(c);
    EXPECT_EQ(ItemListOf(c, ItemList::Named), nullptr);
    EXPECT_EQ(ItemListOf(c, ItemList::ExtMirror), nullptr);
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
