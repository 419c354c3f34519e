#include <gtest/gtest.h>

#include <cstring>

#include "common/context_support.h"
#include "core/item_helpers.h"
#include "core/item_store.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

TEST(ItemHelpers, PdlCodeAndBalanceMacro) {
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    SetPdlCodeItem(c.get());
    const char* stored = reinterpret_cast<const char*>(ItemGetRawAddress(c.get(), ItemFindById(c.get(), kItRdmOther)));
    EXPECT_STREQ(stored, "0001010207d00a");
    ItemSetRawById(c.get(), kItRdmDriverType, 1);
    SetPdlCodeItem(c.get());
    EXPECT_STREQ(stored, "0000010207d00a");

    EXPECT_EQ(UpdateItem187ForResolution(600, c.get()), 0u);
    EXPECT_EQ(ItemRawById(c.get(), kItRdmBalanceMacro), 17u);
    UpdateItem187ForResolution(1200, c.get());
    EXPECT_EQ(ItemRawById(c.get(), kItRdmBalanceMacro), 18u);
    ItemSetRawById(c.get(), kItRdmUseUserMacro, 1);
    EXPECT_EQ(UpdateItem187ForResolution(300, c.get()), 1u);
    EXPECT_EQ(ItemRawById(c.get(), kItRdmBalanceMacro), 18u);  // untouched while the user macro is on
}
