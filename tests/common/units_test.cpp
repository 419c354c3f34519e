#include <gtest/gtest.h>

#include <climits>

#include "common/context_support.h"
#include "core/item_store.h"
#include "core/units.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

TEST(Units, ConversionFormulas) {
    EXPECT_EQ(DotsToTenthMm(1200, 1200), 254);
    EXPECT_EQ(DotsToTenthMm(9921, 1200), 2099);
    EXPECT_EQ(DotsToTenthMm(5, 0), 0);
    EXPECT_EQ(TenthMmToDots(2100, 1200), 9921);
    EXPECT_EQ(DotsToHundredthInch(1200, 1200), 100);
    EXPECT_EQ(DotsToHundredthInch(1200, 0), 0);
    EXPECT_EQ(DotsToHundredthInch(1200, 50), 0);  // below one dot per 0.01 inch
    EXPECT_EQ(HundredthInchToDots(850, 600), 5100);
    EXPECT_EQ(ScaleUnits(600, 600, 1200), 1200);
    EXPECT_EQ(ScaleUnits(7, 0, 1200), 0);
    EXPECT_EQ(ScaleUnits(7, 600, 0), 0);
    EXPECT_EQ(ScaleUnits(INT_MAX, 1, 1200), INT_MAX);  // saturates instead of overflowing
    EXPECT_EQ(DotsToTenthMm(INT_MIN, -1), INT_MAX);
    EXPECT_EQ(MulDivOrMinus1(1000000, 1000000, 1000), 1000000000);
    EXPECT_EQ(MulDivOrMinus1(5, 6, 0), -1);
    EXPECT_EQ(MulDivOrMinus1(INT_MIN, -1, 1), INT_MAX);
}

TEST(Units, DisplayToDotsGivesEvenCountsThatDoNotShowLarger) {
    EXPECT_EQ(DisplayToDots(kUnitTenthMm, 2100, 1200), 9920);
    EXPECT_EQ(DotsToDisplay(kUnitTenthMm, 9920, 1200), 2100);
    for (int v : {1, 99, 900, 2100, 2970, 4318}) {
        for (uint32_t unit : {kUnitTenthMm, kUnitHundredthInch}) {
            int32_t n = DisplayToDots(unit, v, 1200);
            EXPECT_EQ(n % 2, 0) << v;
            int32_t back = unit == kUnitTenthMm ? DotsToTenthMm(n, 1200) : DotsToHundredthInch(n, 1200);
            EXPECT_LE(back, v) << v;
            EXPECT_EQ(DotsToDisplay(unit, n, 1200), v) << v << " unit " << unit;
        }
    }
    EXPECT_EQ(DisplayToDots(kUnitTenthMm, 2100, 600), 4960);  // scaled to the resolution
    EXPECT_EQ(DisplayToDots(0, 2100, 1200), 0);
    EXPECT_EQ(DotsToDisplay(0, 2100, 1200), 0);
    EXPECT_EQ(DisplayToDots(kUnitTenthMm, 0, 1200), 0);
}

TEST(Units, ItemFormsUseTheDisplayUnit) {
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    EXPECT_EQ(DisplayToDotsItem(c.get(), kItWdmFreeSizeWidth, 2100), 9920);
    EXPECT_EQ(ItemRawById(c.get(), kItWdmFreeSizeWidth), 9920u);
    EXPECT_EQ(ItemDotsToDisplay(c.get(), kItWdmFreeSizeWidth, 0), 2100);
    EXPECT_EQ(ItemDotsToDisplay(c.get(), kItWdmFreeSizeWidth, -1), 0);
    EXPECT_EQ(DisplayToDotsItem(c.get(), 0, -5), 0);
    ItemSetRawById(c.get(), kItRdmDspUnit, 1);  // 0.01 inch
    EXPECT_EQ(ItemDotsToDisplay(c.get(), 0, 10200), 850);
}

TEST(Units, CustomSizeRangeInDisplayUnits) {
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    int32_t lo = 0, hi = 0;
    ASSERT_EQ(GetCustomSizeRange(c.get(), 860, &lo, &hi), 1);
    EXPECT_EQ(lo, 900);
    EXPECT_EQ(hi, 2970);
    // Every shown value converts into the limits.
    EXPECT_GE(DisplayToDots(kUnitTenthMm, lo, 1200), 4250);
    EXPECT_LE(DisplayToDots(kUnitTenthMm, hi, 1200), 14030);
    ASSERT_EQ(GetCustomSizeRange(c.get(), 861, &lo, nullptr), 1);
    EXPECT_EQ(lo, 1480);
    ASSERT_EQ(GetCustomSizeRange(c.get(), 861, nullptr, &hi), 1);
    EXPECT_LE(DisplayToDots(kUnitTenthMm, hi, 1200), 28346);
    EXPECT_GT(DisplayToDots(kUnitTenthMm, hi + 1, 1200), 28346);
    EXPECT_EQ(GetCustomSizeRange(c.get(), 862, &lo, &hi), 0);
    ItemSetRawById(c.get(), kItRdmDspUnit, 1);
    ASSERT_EQ(GetCustomSizeRange(c.get(), 860, &lo, &hi), 1);
    EXPECT_LE(DisplayToDots(kUnitHundredthInch, hi, 1200), 14030);
    EXPECT_GE(DisplayToDots(kUnitHundredthInch, lo, 1200), 4250);
}
