// The walks that visit listed positions on a table still copied from its
// image, and every item once the table has been edited.
#include <gtest/gtest.h>

#include <vector>

#include <winsim/winsim.h>

#include "common/sample_printer_support.h"
#include "core/item_lists.h"
#include "core/item_store.h"
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

// The key index answers what the scan of the table answers: every key an
// item has finds its first item, a key no item has finds none (and then the
// dictionary), and a key moved to an earlier item unmarked stops a
// checking build at the next search.
TEST_F(ItemListsWalk, TheKeyIndexFindsTheFirstItemOfEveryKey) {
    DrvContext* c = open();
    ASSERT_NE(c, nullptr);
    const ItemLists* lists = ItemListsOf(c);
    ASSERT_NE(lists, nullptr);
    DmItem* items = c->items->items;
    size_t keys = 0;
    for (int i = 0; i < c->items->count; ++i) {
        const int16_t key = items[i].key;
        if (!key) continue;
        int first = 0;
        while (items[first].key != key) ++first;
        if (first == i) ++keys;
        ASSERT_EQ(ItemListsKeyPos(*lists, key), first) << "key " << key;
    }
    EXPECT_EQ(lists->keyed.size(), keys);
    // Keys no item has, below, between and above those the table has.
    std::vector<bool> had(65536);
    for (int i = 0; i < c->items->count; ++i) had[static_cast<size_t>(items[i].key + 32768)] = true;
    int absent = 0;
    for (int k = -32768; k <= 32767; ++k)
        if (!had[static_cast<size_t>(k + 32768)] && k != 0) {
            ++absent;
            ASSERT_EQ(ItemListsKeyPos(*lists, static_cast<int16_t>(k)), -1) << "key " << k;
        }
    EXPECT_GT(absent, 60000);
#ifndef NDEBUG
    DmItem* late = &items[c->items->count - 1];
    while (!late->key) --late;
    const int16_t saved = items[0].key;
    items[0].key = late->key;
    EXPECT_DEATH(ItemFindByKey(c, late->key), "edited without ItemTableEdited");
    items[0].key = saved;
#endif
}
