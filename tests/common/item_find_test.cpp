// ItemFindById against a plain search of the table, on the built-in table
// and on tables where the ids do not sit at their usual positions.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/context_support.h"
#include "core/item_store.h"

using namespace vesk;
using namespace vesk::test;

namespace {

// The first record with the id in a sorted table, by a binary search over
// the whole table; for a table out of order, the last record with the id.
const DmItem* plainFind(const std::vector<DmItem>& t, int id) {
    auto it = std::lower_bound(t.begin(), t.end(), id, [](const DmItem& a, int v) { return a.id < v; });
    if (std::is_sorted(t.begin(), t.end(), [](const DmItem& a, const DmItem& b) { return a.id < b.id; }))
        return it != t.end() && it->id == id ? &*it : nullptr;
    for (size_t i = t.size(); i-- > 0;)
        if (t[i].id == id) return &t[i];
    return nullptr;
}

class ItemFind : public ::testing::Test {
protected:
    void SetUp() override {
        ctx_ = contextWithDevmode();
        ASSERT_TRUE(ctx_);
        c = ctx_.get();
        own_ = c->items;
        builtin_.assign(own_->items, own_->items + own_->count);
    }
    void TearDown() override {
        if (c) c->items = own_;
    }
    // Every id of both ranges, their neighbours and a few outside finds the
    // record the plain search finds in table `t`.
    void expectSameAsPlain(std::vector<DmItem>& t, const char* what) {
        DmItemTable table{static_cast<int16_t>(t.size()), t.data()};
        c->items = &table;
        std::vector<int> ids;
        for (int id = 0; id <= kItemIdLastLow + 2; ++id) ids.push_back(id);
        for (int id = kItemIdFirstHigh - 2; id <= kItemIdLastHigh + 2; ++id) ids.push_back(id);
        for (int id : {1239, 5000, 65535, 65536 + 10001}) ids.push_back(id);
        for (int id : ids) EXPECT_EQ(ItemFindById(c, id), id > 0 && id <= 0xFFFF ? plainFind(t, id) : nullptr) << what << " id " << id;
        c->items = own_;
    }
    winsim::TempMachine machine_;
    ContextPtr ctx_;
    DrvContext* c = nullptr;
    DmItemTable* own_ = nullptr;
    std::vector<DmItem> builtin_;
};

}  // namespace

TEST_F(ItemFind, BuiltinTableHasTheHighIdsBehindTheLowOnes) {
    ASSERT_EQ(own_->count, kBuiltinItemCount);
    for (int id = kItemIdFirstHigh; id <= kItemIdLastHigh; ++id) {
        DmItem* it = ItemFindById(c, id);
        ASSERT_NE(it, nullptr) << id;
        EXPECT_EQ(it->id, id);
        EXPECT_EQ(it, own_->items + kItemIdLastLow + (id - kItemIdFirstHigh));
    }
    expectSameAsPlain(builtin_, "built-in");
}

TEST_F(ItemFind, ShiftedAndShortTablesAreSearched) {
    // Without some low items every high id sits earlier than its usual place,
    // and the record at the usual place is another id (or past the end).
    std::vector<DmItem> fewerLow = builtin_;
    fewerLow.erase(fewerLow.begin() + 100, fewerLow.begin() + 110);
    expectSameAsPlain(fewerLow, "ten low items fewer");
    // Without some high items the later high ids move down.
    std::vector<DmItem> fewerHigh = builtin_;
    fewerHigh.erase(fewerHigh.begin() + kItemIdLastLow + 5);
    fewerHigh.erase(fewerHigh.begin() + kItemIdLastLow + 100, fewerHigh.begin() + kItemIdLastLow + 103);
    expectSameAsPlain(fewerHigh, "four high items fewer");
    // A table cut inside the high range: ids past the end are found nowhere.
    std::vector<DmItem> cut(builtin_.begin(), builtin_.begin() + kItemIdLastLow + 40);
    expectSameAsPlain(cut, "cut");
    // An extra record before the high ids moves each of them one up.
    std::vector<DmItem> extra = builtin_;
    DmItem gap = extra[kItemIdLastLow];
    gap.id = 5000;
    extra.insert(extra.begin() + kItemIdLastLow, gap);
    expectSameAsPlain(extra, "one record more");
}

TEST_F(ItemFind, TableOutOfOrderIsScanned) {
    // Two high ids trade places: each one's usual position holds the other,
    // and the binary search is led astray; both are still found.
    std::vector<DmItem> swapped = builtin_;
    std::swap(swapped[kItemIdLastLow + 3], swapped[kItemIdLastLow + 200]);
    expectSameAsPlain(swapped, "swapped");
    // High ids ahead of the low ones.
    std::vector<DmItem> rotated = builtin_;
    std::rotate(rotated.begin(), rotated.begin() + kItemIdLastLow, rotated.end());
    expectSameAsPlain(rotated, "high first");
}
