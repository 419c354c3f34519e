// The shorter paths of the item store and of the option walks answer as the
// plain ones: the key search four items a step, the raw read, the walk of
// the listed options, and the option checks and item actions that find an
// option's record once (set against the same walks routed through a copy
// of the query table, which asks the model question by question).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "common/context_support.h"
#include "common/eval_support.h"
#include "common/sample_printer.h"
#include "core/context_cache.h"
#include "core/devmode/dm_model.h"
#include "core/devmode/dm_validate.h"
#include "core/devmode_sizes.h"
#include "core/dictionary.h"
#include "core/item_ids.h"
#include "core/item_lists.h"
#include "core/item_store.h"
#include "core/model/query.h"
#include "core/validation/option_handlers.h"

using namespace vesk;

namespace {

// The first item with the key in table order, else the item the dictionary
// names for it: the search as written out item by item.
DmItem* keyByScan(DrvContext* ctx, int key) {
    if (!ctx || !ctx->items || key == 0) return nullptr;
    for (int i = 0; i < ctx->items->count; ++i)
        if (ctx->items->items[i].key == key) return &ctx->items->items[i];
    if (ctx->symbols)
        for (int i = 0; i < ctx->symbols->count; ++i)
            if (ctx->symbols->entries[i].key == key)
                return ctx->symbols->entries[i].itemId ? ItemFindById(ctx, ctx->symbols->entries[i].itemId) : nullptr;
    return nullptr;
}

// A context over a table of `n` items of its own and a small dictionary.
struct SmallTable {
    std::vector<DmItem> items;
    DmItemTable table{};
    SymbolEntry symbols[3] = {{3, 900, "a"}, {0, 901, "b"}, {5, 7, "c"}};
    SymbolTable dictionary{3, symbols};
    DrvContext ctx{};

    explicit SmallTable(int n) : items(static_cast<size_t>(n)) {
        for (int i = 0; i < n; ++i) items[static_cast<size_t>(i)].id = static_cast<uint16_t>(i + 1);
        table = {static_cast<int16_t>(n), items.data()};
        ctx.items = &table;
        ctx.symbols = &dictionary;
    }
};

TEST(ItemKeySearch, TheFirstOfTwoEqualKeysWhereverTheyStand) {
    // Tables of 1 to 11 items cover the steps of four and every tail.
    for (int n = 1; n <= 11; ++n) {
        for (int i = 0; i < n; ++i) {
            for (int j = i; j < n; ++j) {
                SmallTable t(n);
                t.items[static_cast<size_t>(i)].key = 42;
                t.items[static_cast<size_t>(j)].key = 42;
                SCOPED_TRACE(testing::Message() << n << " items, keys at " << i << " and " << j);
                EXPECT_EQ(ItemFindByKey(&t.ctx, 42), &t.items[static_cast<size_t>(i)]);
            }
        }
    }
}

TEST(ItemKeySearch, KeysNoItemHasGoToTheDictionary) {
    SmallTable t(6);
    t.items[1].key = 7;  // the dictionary's key 7 is not asked for: an item has it
    EXPECT_EQ(ItemFindByKey(&t.ctx, 7), &t.items[1]);
    EXPECT_EQ(ItemFindByKey(&t.ctx, 900), &t.items[2]);  // the dictionary names item 3
    EXPECT_EQ(ItemFindByKey(&t.ctx, 901), nullptr);      // a key of no item
    EXPECT_EQ(ItemFindByKey(&t.ctx, 902), nullptr);      // a key nobody has
    EXPECT_EQ(ItemFindByKey(&t.ctx, 0), nullptr);
    // Keys past 16 bits match no item's key, not even one with their low bits.
    t.items[4].key = -2;
    for (int key : {0x10000 + 7, -2, 0xFFFE, -0x10002, 0x7FFF, -0x8000}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(ItemFindByKey(&t.ctx, key), keyByScan(&t.ctx, key));
    }
    EXPECT_EQ(ItemFindByKey(&t.ctx, -2), &t.items[4]);
    EXPECT_EQ(ItemFindByKey(&t.ctx, 0xFFFE), nullptr);
    DmItemTable empty{0, nullptr};
    t.ctx.items = &empty;
    EXPECT_EQ(ItemFindByKey(&t.ctx, 900), nullptr);  // item 3 is gone with the table
}

TEST(ItemKeySearch, TheContextTableAsItStandsAfterChanges) {
    winsim::TempMachine machine;
    test::ContextPtr owner = test::contextWithDevmode();
    ASSERT_TRUE(owner);
    DrvContext* c = owner.get();
    auto everyKeyAsTheScan = [c] {
        for (int i = 0; i < c->items->count; ++i) {
            const int key = c->items->items[i].key;
            if (key && ItemFindByKey(c, key) != keyByScan(c, key)) return key;
        }
        return 0;
    };
    EXPECT_EQ(everyKeyAsTheScan(), 0);
    // The item the bench's paper areas ask for, far down the table.
    DmItem* late = keyByScan(c, 10018);
    ASSERT_NE(late, nullptr);
    EXPECT_EQ(ItemFindByKey(c, 10018), late);
    // An earlier item takes the key: it is found from then on. Keys are
    // edited in place, so the table is declared edited first (a fresh
    // table answers from its kept key index).
    ItemTableEdited(c);
    c->items->items[5].key = 10018;
    EXPECT_EQ(ItemFindByKey(c, 10018), &c->items->items[5]);
    // Both give it up: the dictionary's item, or none, as the scan says.
    c->items->items[5].key = 0;
    late->key = 0;
    EXPECT_EQ(ItemFindByKey(c, 10018), keyByScan(c, 10018));
    // The last item of the table is reached too.
    DmItem& last = c->items->items[c->items->count - 1];
    last.key = -12345;
    ASSERT_EQ(keyByScan(c, -12345), &last);
    EXPECT_EQ(ItemFindByKey(c, -12345), &last);
    EXPECT_EQ(everyKeyAsTheScan(), 0);
}

TEST(ItemRawRead, EveryItemOfTheTableReadsWhatWasWritten) {
    winsim::TempMachine machine;
    test::ContextPtr owner = test::contextWithDevmode();
    ASSERT_TRUE(owner);
    DrvContext* c = owner.get();
    std::vector<BYTE> buf(dmSizes().stateSize);
    int numbers = 0, bits = 0;
    for (int i = 0; i < c->items->count; ++i) {
        const DmItem& it = c->items->items[i];
        const uint32_t code = itemTypeCode(it);
        SCOPED_TRACE(it.id);
        std::fill(buf.begin(), buf.end(), BYTE{0});
        if (!ItemStorageIn(buf.data(), &it)) {
            EXPECT_EQ(ItemReadRawIn(buf.data(), &it), 0u);
            continue;
        }
        if (typeIsBit(code)) {
            ++bits;
            ASSERT_TRUE(ItemWriteRawIn(buf.data(), &it, 1));
            EXPECT_EQ(ItemReadRawIn(buf.data(), &it), 1u);
            ASSERT_TRUE(ItemWriteRawIn(buf.data(), &it, 0));
            EXPECT_EQ(ItemReadRawIn(buf.data(), &it), 0u);
        } else if (typeIsNumber(code)) {
            ++numbers;
            ASSERT_TRUE(ItemWriteRawIn(buf.data(), &it, 0xFFFFFF80u));  // -128
            const uint32_t expect = code == kTypeU8 ? 0x80u : code == kTypeU16 ? 0xFF80u : 0xFFFFFF80u;
            EXPECT_EQ(ItemReadRawIn(buf.data(), &it), expect);
        } else {
            std::fill(buf.begin(), buf.end(), BYTE{0xFF});
            EXPECT_EQ(ItemReadRawIn(buf.data(), &it), 0u);  // a text has no raw number
        }
    }
    EXPECT_GT(numbers, 300);
    EXPECT_GT(bits, 20);
    // An item reaching past its section reads nothing, also for a bit.
    DmItem past = c->items->items[0];
    past.typeWord = (2u << 30) | (kTypeU32 << 24) | 4;
    past.offset = static_cast<uint16_t>(dmSizes().section2Size - 3);
    EXPECT_EQ(ItemReadRawIn(buf.data(), &past), 0u);
    past.typeWord = (2u << 30) | ((kTypeBitFirst + 9) << 24);
    past.offset = static_cast<uint16_t>(dmSizes().section2Size - 1);
    std::fill(buf.begin(), buf.end(), BYTE{0xFF});
    EXPECT_EQ(ItemReadRawIn(buf.data(), &past), 0u);
    past.typeWord &= ~(3u << 30);  // no section
    EXPECT_EQ(ItemReadRawIn(buf.data(), &past), 0u);
}

// A context of the sample printer, with a copy of the default query table at
// hand: with it in place the walks ask the table question by question.
struct SampleWalks : ::testing::Test {
    winsim::TempMachine machine;
    HANDLE printer = nullptr;
    DrvContext* ctx = nullptr;
    const DmModelQueries copy = DmDefaultModelQueries();

    void SetUp() override {
        ASSERT_TRUE(test::addSamplePrinter(u"Walks", &printer));
        CtxCacheClear();
        ctx = CtxCreateEx(printer, printer, nullptr, 0, 0, 0, nullptr);
        ASSERT_NE(ctx, nullptr);
        ASSERT_NE(ctx->devmode, nullptr);
    }
    void TearDown() override {
        DmSetModelQueries(nullptr);
        CtxReleaseEx(ctx, kReleaseFree);
        ClosePrinter(printer);
    }
    std::vector<BYTE> state() const { return {ctx->devmode, ctx->devmode + dmSizes().stateSize}; }
    void put(const std::vector<BYTE>& s) { std::memcpy(ctx->devmode, s.data(), s.size()); }
    // The state after `run` from `start`, by the default table and by the copy.
    template <class Run>
    std::pair<std::vector<BYTE>, std::vector<BYTE>> bothWays(const std::vector<BYTE>& start, Run run) {
        put(start);
        run();
        std::vector<BYTE> fast = state();
        DmSetModelQueries(&copy);
        put(start);
        run();
        DmSetModelQueries(nullptr);
        return {fast, state()};
    }
    // The private part changed here and there, so checks fail and repair.
    std::vector<BYTE> disturbed(uint32_t stride, BYTE mask) const {
        std::vector<BYTE> s = state();
        for (size_t i = dmSizes().publicSize; i < s.size(); i += stride) s[i] ^= mask;
        return s;
    }
};

TEST_F(SampleWalks, OptionChecksRepairAsTheQueryTableDoes) {
    for (const auto& [stride, mask] : {std::pair<uint32_t, BYTE>{7, 0x5A}, {3, 0x01}, {11, 0xFF}}) {
        SCOPED_TRACE(stride);
        const std::vector<BYTE> start = disturbed(stride, mask);
        for (uint32_t mode : {1u, 2u}) {
            int fastStored = 0, slowStored = 0;
            int* stored = &fastStored;
            const auto [fast, slow] = bothWays(start, [&] {
                *stored = RunOptionChangeHandlers(ctx, mode);
                stored = &slowStored;
            });
            EXPECT_NE(fast, start);
            EXPECT_EQ(fastStored, slowStored);
            for (size_t i = 0; i < fast.size(); ++i) ASSERT_EQ(fast[i], slow[i]) << "mode " << mode << " byte " << i;
        }
    }
}

TEST_F(SampleWalks, EveryCheckAnswersAsTheQueryTable) {
    // Without repair nothing is stored, so both answers come from one state.
    int checked = 0;
    for (int i = 0; i < ctx->items->count; ++i) {
        const DmItem* it = &ctx->items->items[i];
        if (!it->id || !MdlFindOption(ctx, it->id)) continue;
        ++checked;
        for (uint32_t raw : {0u, 1u, 2u, 3u, 7u, 100u, 600u, 0xFFFFu, ItemGetRaw(ctx, it)}) {
            const int fastEx = ItemValueIsValidEx(ctx, it, it->id, raw, false);
            const int fast = ItemValueIsValid(ctx, it, it->id, raw);
            DmSetModelQueries(&copy);
            const int slowEx = ItemValueIsValidEx(ctx, it, it->id, raw, false);
            const int slow = ItemValueIsValid(ctx, it, it->id, raw);
            DmSetModelQueries(nullptr);
            ASSERT_EQ(fastEx, slowEx) << it->id << " raw " << raw;
            ASSERT_EQ(fast, slow) << it->id << " raw " << raw;
        }
    }
    EXPECT_GT(checked, 20);
    // An id the model has no option for: every answer as the table's.
    const DmOptionQueries none(ctx, 0xFFFF);
    EXPECT_EQ(none.type(), 0);
    EXPECT_EQ(none.valueListHas(1), -1);
    EXPECT_EQ(none.valueCondition(1, 1), 0);
    int32_t lo = 5, hi = 6;
    EXPECT_EQ(none.range(&lo, &hi), 0);
    EXPECT_EQ(lo, 5);
}

TEST_F(SampleWalks, ItemActionsRunAsTheQueryTableRunsThem) {
    int changed = 0;
    for (const auto& [stride, mask] : {std::pair<uint32_t, BYTE>{5, 0x03}, {9, 0x40}, {2, 0x10}}) {
        SCOPED_TRACE(stride);
        const std::vector<BYTE> start = disturbed(stride, mask);
        const auto [fast, slow] = bothWays(start, [&] { DmApplyAllItemActions(ctx); });
        changed += fast != start;
        for (size_t i = 0; i < fast.size(); ++i) ASSERT_EQ(fast[i], slow[i]) << "byte " << i;
    }
    EXPECT_GE(changed, 2);  // some actions stored values
}

TEST_F(SampleWalks, TheListedOptionsAreTheSameEveryWalk) {
    std::vector<MdlListedOption> once;
    MdlListedOptions(ctx, once);
    ASSERT_GT(once.size(), 20u);
    // A second walk into the same vector appends the same entries again:
    // nothing of the first walk counts as given already.
    std::vector<MdlListedOption> twice = once;
    MdlListedOptions(ctx, twice);
    ASSERT_EQ(twice.size(), 2 * once.size());
    for (size_t i = 0; i < once.size(); ++i) {
        EXPECT_EQ(twice[once.size() + i].id, once[i].id);
        EXPECT_EQ(twice[once.size() + i].option, once[i].option);
        EXPECT_EQ(once[i].option, MdlFindOption(ctx, once[i].id));
    }
    // The id list and the defaults give the same ids, also when asked in turn.
    std::vector<int> ids;
    MdlListedOptionIds(ctx, ids);
    std::vector<MdlOptionDefault> defaults;
    MdlListedOptionDefaults(ctx, defaults);
    MdlListedOptionIds(ctx, ids);
    ASSERT_EQ(ids.size(), 2 * once.size());
    ASSERT_EQ(defaults.size(), once.size());
    for (size_t i = 0; i < once.size(); ++i) {
        EXPECT_EQ(ids[i], once[i].id);
        EXPECT_EQ(ids[once.size() + i], once[i].id);
        EXPECT_EQ(defaults[i].id, once[i].id);
    }
}

// Two options whose actions set the same item, listed by the model in the
// other order than their items: the actions run in item order, so the item
// keeps what the later item's action set; an option without a Transact list
// (the media type itself) runs nothing.
const char* kActionsOrderText =
    "*OpenUI *VPD_rdmFuncSelectStaple: Boolean\n*CloseUI\n"
    "*OpenUI *VPD_rdmFuncSelectPunch: Boolean\n*CloseUI\n"
    "*OpenUI *VPD_rdmMediaType: PickOne\n"
    "*VPD_rdmMediaType: IDList { IDS_MEDIA_PLAIN IDS_MEDIA_THICK IDS_MEDIA_LABEL }\n*CloseUI\n"
    "*Action 1=Thick: { VPD_rdmMediaType IDS_MEDIA_THICK }\n"
    "*Action 2=Label: { VPD_rdmMediaType IDS_MEDIA_LABEL }\n"
    "*Transact 1=ToThick: { NULL Thick }\n"
    "*Transact 2=ToLabel: { NULL Label }\n"
    "*Exclusive: {\n"
    "  VPD_rdmFuncSelectStaple NULL NULL NULL NULL ToLabel NULL\n"
    "  VPD_rdmFuncSelectPunch NULL NULL NULL NULL ToThick NULL\n"
    "  VPD_rdmMediaType NULL NULL NULL NULL NULL NULL\n"
    "}\n";

using ActionsOrder = test::ImageTest;

TEST_F(ActionsOrder, TheItemsOrderDecidesNotTheModels) {
    load(kActionsOrderText);
    std::vector<MdlListedOption> listed;
    MdlListedOptions(c, listed);
    ASSERT_GE(listed.size(), 2u);
    ASSERT_EQ(listed[0].id, kItRdmFuncSelectStaple);  // the model lists staple first
    ASSERT_LT(kItRdmFuncSelectPunch, kItRdmFuncSelectStaple);
    ItemSetValueById(c, kItRdmMediaType, 1);
    DmApplyAllItemActions(c);
    EXPECT_EQ(ItemValueById(c, kItRdmMediaType), 5u);  // punch, then staple: IDS_MEDIA_LABEL
    // Through a copy of the query table, item by item: the same.
    const DmModelQueries copy = DmDefaultModelQueries();
    ItemSetValueById(c, kItRdmMediaType, 1);
    DmSetModelQueries(&copy);
    DmApplyAllItemActions(c);
    DmSetModelQueries(nullptr);
    EXPECT_EQ(ItemValueById(c, kItRdmMediaType), 5u);
}

}  // namespace
