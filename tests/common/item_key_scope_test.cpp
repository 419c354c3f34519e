// The key answers kept while an ItemKeyScope stands: the same item the
// search gives outside a scope, for each context and table apart, with more
// keys than the scope keeps; and a key changed after the outermost scope
// ends is seen again.
#include <gtest/gtest.h>

#include <iterator>
#include <vector>

#include "core/context.h"
#include "core/dictionary.h"
#include "core/item_store.h"

using namespace vesk;

namespace {

// A context over a table of its own: item i + 1 at position i, with key
// 100 + i for the first 40 items (item 12 repeats item 3's key, so the
// first of the two counts), and a dictionary that names keys no item has.
struct KeyedTable {
    std::vector<DmItem> items;
    DmItemTable table{};
    SymbolEntry symbols[3] = {{9, 777, "nine"}, {0, 778, "none"}, {30, 103, "shadowed"}};
    SymbolTable dictionary{3, symbols};
    DrvContext ctx{};

    explicit KeyedTable(int shift = 0) : items(60) {
        for (int i = 0; i < 60; ++i) {
            items[static_cast<size_t>(i)].id = static_cast<uint16_t>(i + 1);
            if (i < 40) items[static_cast<size_t>(i)].key = static_cast<int16_t>(100 + (i + shift) % 40);
        }
        items[11].key = items[2].key;
        table = {60, items.data()};
        ctx.items = &table;
        ctx.symbols = &dictionary;
    }
};

const int kKeys[] = {100, 102, 103, 111, 139, 140, 777, 778, 0, -5, 70000, 102, 100};

// The first item with the key in table order, else the item the dictionary
// names for it.
DmItem* keyByScan(DrvContext* ctx, int key) {
    if (key == 0) return nullptr;
    for (int i = 0; i < ctx->items->count; ++i)
        if (ctx->items->items[i].key == key) return &ctx->items->items[i];
    for (int i = 0; i < ctx->symbols->count; ++i)
        if (ctx->symbols->entries[i].key == key)
            return ctx->symbols->entries[i].itemId ? ItemFindById(ctx, ctx->symbols->entries[i].itemId) : nullptr;
    return nullptr;
}

}  // namespace

TEST(ItemKeyScope, AnswersAsTheSearchForEachTableApart) {
    KeyedTable a, b(7);
    b.ctx.symbols = &a.dictionary;  // one dictionary: the tables alone tell the contexts apart
    std::vector<DmItem*> outsideA, outsideB;
    for (int k : kKeys) {
        outsideA.push_back(ItemFindByKey(&a.ctx, k));
        outsideB.push_back(ItemFindByKey(&b.ctx, k));
    }
    EXPECT_EQ(outsideA[1], &a.items[2]);  // the first of two equal keys
    EXPECT_EQ(outsideA[2], &a.items[3]);  // an item's key before the dictionary's
    EXPECT_EQ(outsideA[3], nullptr);      // the key item 12 gave up
    EXPECT_EQ(outsideA[6], &a.items[8]);  // a dictionary key: item 9
    EXPECT_EQ(outsideA[7], nullptr);      // a dictionary key without item
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        EXPECT_EQ(outsideA[i], keyByScan(&a.ctx, kKeys[i]));
        EXPECT_EQ(outsideB[i], keyByScan(&b.ctx, kKeys[i]));
    }
    {
        const ItemKeyScope scope;
        // Twice each, the two contexts in turn, and a nested scope between:
        // every answer is the one outside the scope, none taken for the
        // other context's.
        for (int round = 0; round < 2; ++round) {
            const ItemKeyScope inner;
            for (size_t i = 0; i < std::size(kKeys); ++i) {
                SCOPED_TRACE(kKeys[i]);
                EXPECT_EQ(ItemFindByKey(&a.ctx, kKeys[i]), outsideA[i]);
                EXPECT_EQ(ItemFindByKey(&b.ctx, kKeys[i]), outsideB[i]);
            }
        }
        // More keys than are kept: the ones given up are searched again.
        for (int pass = 0; pass < 2; ++pass)
            for (int k = 95; k < 145; ++k) {
                SCOPED_TRACE(k);
                EXPECT_EQ(ItemFindByKey(&a.ctx, k), keyByScan(&a.ctx, k));
                EXPECT_EQ(ItemFindByKey(&b.ctx, k), keyByScan(&b.ctx, k));
            }
        // The same table seen through another length is another table.
        EXPECT_EQ(ItemFindByKey(&a.ctx, 139), &a.items[39]);
        a.table.count = 5;
        EXPECT_EQ(ItemFindByKey(&a.ctx, 139), nullptr);
        a.table.count = 60;
    }
    // Outside the scope a key changed is seen at once.
    a.items[30].key = 100;
    a.items[0].key = 0;
    EXPECT_EQ(ItemFindByKey(&a.ctx, 100), &a.items[30]);
}

TEST(ItemKeyScope, TheOutermostEndForgets) {
    KeyedTable a;
    {
        const ItemKeyScope outer;
        {
            const ItemKeyScope inner;
            EXPECT_EQ(ItemFindByKey(&a.ctx, 105), &a.items[5]);
        }
    }
    a.items[5].key = 0;
    a.items[50].key = 105;
    const ItemKeyScope again;
    EXPECT_EQ(ItemFindByKey(&a.ctx, 105), &a.items[50]);
}
