// The Exc command table and its lookups.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "commands/command_table.h"
#include "core/allowed/allowed_table.h"
#include "core/item_store.h"
#include "exc/exc_command_support.h"

namespace vesk::test {
namespace {

TEST(ExcCommandTable, IsTheCommonTableWithItsSmallTablesBeside) {
    const ExcCommandTable* t = GetBuiltinTable10Exc();
    ASSERT_EQ(t, GetBuiltinTable10());
    EXPECT_EQ(t->count, 46u);
    const ExcItemList* r = GetRequiredCommandsExc();
    ASSERT_EQ(r->count, 4u);
    EXPECT_EQ((std::vector<uint32_t>(r->items, r->items + 4)), (std::vector<uint32_t>{8, 7, 50, 13}));
    EXPECT_EQ(ExcAliasItem(64), 129u);
    EXPECT_EQ(ExcAliasItem(129), 0u);
    EXPECT_EQ(GetStampLineTableExc()->count, 18u);
    EXPECT_STREQ(GetStampLiteralExc(0), "WMKORDER");
    EXPECT_STREQ(GetStampLiteralExc(1), "PAPER");
    EXPECT_EQ(GetStampLiteralExc(2), nullptr);
    // Every word a row lists twice is marked a repeat, and every repeat has
    // its word listed before.
    for (uint32_t i = 0; i < t->count; ++i) {
        std::set<std::string> seen;
        for (uint32_t k = 0; k < ExcValueCount(&t->rows[i]); ++k) {
            const ExcCommandValue& v = t->rows[i].values->values[k];
            EXPECT_EQ(seen.count(v.word) == 1, (v.flags & kAllowedValueRepeat) != 0) << t->rows[i].name << " " << v.word;
            seen.insert(v.word);
        }
    }
}

using ExcLookup = ExcSession;

TEST_F(ExcLookup, FindsRowsByExactNameUnderTheirFlags) {
    for (const char* name : {"COLLATE", "PAPER", "TRAY", "DUPLEX", "STAPLE", "OUTBIN"}) {
        EXPECT_NE(ExcFindCommandByName(e(), name, kExcJob), nullptr) << name;
        EXPECT_NE(ExcFindCommandByName(e(), name, kExcPrinterOption), nullptr) << name;
    }
    EXPECT_EQ(ExcFindCommandByName(e(), "TRAYPAPER1", kExcJob | kExcPrinterOption), nullptr);
    ASSERT_NE(ExcFindCommandByName(e(), "TRAYPAPER1", kExcPrinterValue), nullptr);
    EXPECT_EQ(ExcFindCommandByName(e(), "TRAYPAPER1", kExcPrinterValue)->item, 604u);
    EXPECT_EQ(ExcFindCommandByName(e(), "collate", kExcJob), nullptr);
    EXPECT_EQ(ExcFindCommandByName(e(), nullptr, kExcJob), nullptr);
    EXPECT_EQ(ExcFindCommandById(13, kExcJob)->name, std::string("TRAY"));
    EXPECT_EQ(ExcFindCommandById(604, kExcJob), nullptr);
    EXPECT_EQ(ExcFindCommandById(732, kExcJob)->name, std::string("BOOKLET"));
}

TEST_F(ExcLookup, AConditionDecidesOnlyBetweenValuesOfOneWord) {
    DrvContext* c = e()->ctx;
    const ExcCommandEntry* tray = ExcFindCommandByName(e(), "TRAY", kExcJob);
    ItemSetRawById(c, 449, 0);
    const ExcCommandValue* t3 = ExcFindValueItem(c, tray, "TRAY", "TRAY3");
    ASSERT_NE(t3, nullptr);
    EXPECT_EQ(t3->value, 2u);
    EXPECT_EQ(ExcFindValueItem(c, tray, "TRAY", "TRAY9"), nullptr);

    const ExcCommandEntry* outbin = ExcFindCommandByName(e(), "OUTBIN", kExcJob);
    ItemSetRawById(c, 489, 0);
    ItemSetRawById(c, 490, 1);
    EXPECT_EQ(ExcFindValueItem(c, outbin, "OUTBIN", "FINISHERSHIFT")->value, 38u);
    ItemSetRawById(c, 489, 1);
    EXPECT_EQ(ExcFindValueItem(c, outbin, "OUTBIN", "FINISHERSHIFT")->value, 36u);
}

TEST_F(ExcLookup, ForceFeedIsAlwaysEnabledOtherCommandsOnceGiven) {
    const ExcCommandEntry* feed = ExcFindCommandByName(e(), "FORCEFEED", kExcJob);
    const ExcCommandEntry* booklet = ExcFindCommandByName(e(), "BOOKLET", kExcJob);
    EXPECT_EQ(ExcCommandIsEnabled(e(), feed), 1);
    EXPECT_EQ(ExcCommandIsEnabled(e(), booklet), 0);
    e()->given[731] = 1;
    EXPECT_EQ(ExcCommandIsEnabled(e(), booklet), 1);
    EXPECT_EQ(ExcCommandIsEnabled(nullptr, booklet), 0);
}

}  // namespace
}  // namespace vesk::test
