// The save stack (deeper than three levels), item-table snapshots, font
// lists and feature switches.
#include <gtest/gtest.h>

#include <winsim/memory.h>

#include <string>

#include "common/devmode_support.h"
#include "core/devmode/dm_state.h"
#include "core/font_tables.h"
#include "core/item_store.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

TEST(DevmodeSaveStack, FourLevelsComeBackInReverseOrder) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    for (uint32_t level = 0; level < 4; ++level) {
        ItemSetRawById(c.get(), kItDmOrientation, 1 + level % 2);
        ItemSetRawById(c.get(), kItDmCopies, 10 + level);
        ChangeMaskAdd(c.get(), 0x10000u << level);
        ASSERT_EQ(DmSaveState(c.get()), 1);
    }
    EXPECT_EQ(DmSaveDepth(c.get()), 4u);
    ItemSetRawById(c.get(), kItDmCopies, 99);
    for (int level = 3; level >= 0; --level) {
        ASSERT_EQ(DmRestoreState(c.get(), 1), 1);
        EXPECT_EQ(ItemRawById(c.get(), kItDmCopies), 10u + level);
        EXPECT_EQ(ChangeMaskGet(c.get()) & 0xF0000u, (0x20000u << level) - 0x10000u);
        EXPECT_EQ(ItemFindById(c.get(), kItDmCopies)->changed, 0u);
        EXPECT_EQ(c->ws->itemsChanged, 0u);
    }
    EXPECT_EQ(DmRestoreState(c.get(), 1), 0) << "an empty stack restores nothing";
    EXPECT_EQ(ItemRawById(c.get(), kItDmCopies), 10u);
}

TEST(DevmodeSaveStack, PopWithoutRestoreKeepsTheDevmode) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    ItemSetRawById(c.get(), kItDmCopies, 5);
    ASSERT_EQ(DmSaveState(c.get()), 1);
    ItemSetRawById(c.get(), kItDmCopies, 6);
    ASSERT_EQ(DmRestoreState(c.get(), 0), 1);
    EXPECT_EQ(ItemRawById(c.get(), kItDmCopies), 6u);
    EXPECT_EQ(DmSaveDepth(c.get()), 0u);
}

TEST(DevmodeSaveStack, DeepStackIsFreedWithTheContext) {
    const size_t base = winsim::liveGlobalBlocks();
    {
        ContextPtr c = defaultsContext();
        ASSERT_TRUE(c);
        for (int i = 0; i < 12; ++i) ASSERT_EQ(DmSaveState(c.get()), 1);
        EXPECT_EQ(DmSaveDepth(c.get()), 12u);
    }
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}

TEST(DevmodeSnapshot, RoundTripRestoresTheRecords) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    DmItemTable* snap = SnapshotOptionTable(c.get());
    ASSERT_NE(snap, nullptr);
    ASSERT_EQ(snap->count, c->items->count);
    DmItem* it = ItemFindById(c.get(), kItRdmScaleH);
    const DmItem before = *it;
    it->changeClasses = 0x1F0000;
    it->valueName = u"Other";
    it->changed = 1;
    RestoreOptionTable(c.get(), snap);
    EXPECT_EQ(it->changeClasses, before.changeClasses);
    EXPECT_EQ(it->valueName, before.valueName);
    EXPECT_EQ(it->changed, before.changed);
    RestoreOptionTable(c.get(), nullptr);
}


TEST(DevmodeFontLists, DeviceThenOptionFontsAndSubstitutes) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    ItemSetRawById(c.get(), kItRdmDeviceFont, adoptFontRecords({{0, u"Courier"}, {0, u"Gothic"}}));
    ItemSetRawById(c.get(), kItRdmDeviceFontNum, 2);
    ItemSetRawById(c.get(), kItRdmOptionFont, adoptFontRecords({{0, u"Barcode"}}));
    ItemSetRawById(c.get(), kItRdmOptionFontNum, 5);  // more than the table holds: only what it holds
    EXPECT_EQ(GetNameListCount(c.get()), 3u);
    WCHAR name[40];
    GetNameListItem(c.get(), 1, name, 40);
    EXPECT_EQ(std::u16string(name), u"Gothic");
    GetNameListItem(c.get(), 2, name, 40);
    EXPECT_EQ(std::u16string(name), u"Barcode");
    EXPECT_EQ(GetNameListItem(c.get(), 3, name, 40), 0u);

    std::u16string pairs(128, u'\0');
    pairs.replace(0, 5, u"Arial");
    pairs.replace(32, 7, u"Courier");
    pairs.replace(64, 5, u"Times");
    pairs.replace(96, 6, u"Gothic");
    ASSERT_EQ(SetNameList(c.get(), 2, pairs.data()), 1);
    FindNameListItem(c.get(), u"Times", name, 40);
    EXPECT_EQ(std::u16string(name), u"Gothic");
    FindNameListItem(c.get(), u"Tim", name, 40);
    EXPECT_EQ(std::u16string(name), u"Courier") << "no match: the first device font";
    // A stale handle in the DEVMODE finds nothing.
    ItemSetRawById(c.get(), kItRdmDeviceFont, 0x7FFFFFF0);
    EXPECT_EQ(GetNameListCount(c.get()), 1u);
}

TEST(DevmodeFontLists, RestoreGivesBackTheFirstSubstitutionTable) {
    const size_t tables = FontTableLiveCount();
    {
        ContextPtr c = defaultsContext();
        ASSERT_TRUE(c);
        const uint32_t first = adoptFontPairs({{u"Arial", u"Vesk Sans"}});
        ItemSetRawById(c.get(), kItRdmFontTable, first);
        ItemSetRawById(c.get(), kItRdmFontTableNum, 1);
        ASSERT_EQ(DmSaveState(c.get()), 1);
        std::u16string pair(64, u'x');
        ASSERT_EQ(SetNameList(c.get(), 1, pair.data()), 1);
        ASSERT_EQ(SetNameList(c.get(), 1, pair.data()), 1);
        EXPECT_NE(ItemRawById(c.get(), kItRdmFontTable), first);
        EXPECT_EQ(FontTableLiveCount(), tables + 2);
        ASSERT_EQ(DmRestoreState(c.get(), 1), 1);
        EXPECT_EQ(ItemRawById(c.get(), kItRdmFontTable), first);
        EXPECT_EQ(c->ws->keptSubstTable, 0u);
        EXPECT_EQ(FontTableLiveCount(), tables + 1);
    }
    EXPECT_EQ(FontTableLiveCount(), tables);
}

TEST(DevmodeFontLists, EveryLaterReplacementFreesTheTableItReplaces) {
    const size_t tables = FontTableLiveCount();
    {
        ContextPtr c = defaultsContext();
        ASSERT_TRUE(c);
        ASSERT_EQ(ItemRawById(c.get(), kItRdmFontTable), 0u);  // no table to keep
        std::u16string pair(64, u'w');
        for (int i = 0; i < 3; ++i) ASSERT_EQ(SetNameList(c.get(), 1, pair.data()), 1);
        EXPECT_EQ(FontTableLiveCount(), tables + 1);
        ASSERT_EQ(DmSaveState(c.get()), 1);
        ASSERT_EQ(SetNameList(c.get(), 1, pair.data()), 1);
        EXPECT_EQ(FontTableLiveCount(), tables + 1);
    }
    EXPECT_EQ(FontTableLiveCount(), tables);
}

TEST(DevmodeFeatures, OnlyBitSevenIsOn) {
    EXPECT_EQ(IsFeatureOn(7), 1);
    EXPECT_EQ(IsFeatureOn(0), 0);
    EXPECT_EQ(IsFeatureOn(64), 0);
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    EXPECT_EQ(RunFeature(0, c.get()), 0);
    ItemSetRawById(c.get(), 920, 1);
    EXPECT_EQ(GetOptionInRange916(c.get(), 920), 1u);
    EXPECT_EQ(GetOptionInRange916(c.get(), kItDmCopies), 0u);
}

TEST(DevmodeFontLists, RestoreNeverBringsBackAFreedTable) {
    const size_t tables = FontTableLiveCount();
    {
        ContextPtr c = defaultsContext();
        ASSERT_TRUE(c);
        const uint32_t first = adoptFontRecords({{0, u"Courier"}});
        ItemSetRawById(c.get(), kItRdmDeviceFont, first);
        ItemSetRawById(c.get(), kItRdmDeviceFontNum, 1);
        ASSERT_EQ(DmSaveState(c.get()), 1);
        // The device list is loaded again: the old table is freed.
        FontTableRelease(first);
        const uint32_t second = adoptFontRecords({{0, u"Gothic"}, {0, u"Mincho"}});
        ItemSetRawById(c.get(), kItRdmDeviceFont, second);
        ItemSetRawById(c.get(), kItRdmDeviceFontNum, 2);
        ASSERT_EQ(DmRestoreState(c.get(), 1), 1);
        EXPECT_EQ(ItemRawById(c.get(), kItRdmDeviceFont), second) << "the live list stays";
        EXPECT_EQ(ItemRawById(c.get(), kItRdmDeviceFontNum), 2u);
        EXPECT_EQ(GetNameListCount(c.get()), 2u);

        // Nested saves around two replacements of the substitution table.
        std::u16string pair(64, u'y');
        ASSERT_EQ(DmSaveState(c.get()), 1);
        ASSERT_EQ(SetNameList(c.get(), 1, pair.data()), 1);
        const uint32_t mid = ItemRawById(c.get(), kItRdmFontTable);
        ASSERT_EQ(DmSaveState(c.get()), 1);
        ASSERT_EQ(SetNameList(c.get(), 1, pair.data()), 1);
        const uint32_t last = ItemRawById(c.get(), kItRdmFontTable);
        EXPECT_EQ(FontTableData(mid), nullptr) << "a later replacement frees the table it replaces";
        ASSERT_EQ(DmRestoreState(c.get(), 1), 1);
        EXPECT_EQ(ItemRawById(c.get(), kItRdmFontTable), last) << "the freed table does not come back";
        ASSERT_EQ(DmRestoreState(c.get(), 1), 1);
        EXPECT_EQ(ItemRawById(c.get(), kItRdmFontTable), 0u) << "the first level had no table";
        EXPECT_EQ(FontTableLiveCount(), tables + 1);
    }
    EXPECT_EQ(FontTableLiveCount(), tables);
}

TEST(DevmodeFontLists, ResettingWithoutAPrintersDefaultTableLeavesTheListEmpty) {
    ContextPtr c = defaultsContext();
    ASSERT_TRUE(c);
    std::u16string pair(64, u'z');
    ASSERT_EQ(SetNameList(c.get(), 1, pair.data()), 1);
    // The default table lives in the printer's data, and this context's
    // handle names no printer: the list is left empty and the call says so.
    EXPECT_EQ(SetNameList(c.get(), 0, nullptr), 0);
    EXPECT_EQ(ItemRawById(c.get(), kItRdmFontTable), 0u);
    EXPECT_EQ(ItemRawById(c.get(), kItRdmFontTableNum), 0u);
}
