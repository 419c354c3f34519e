// The display text of a string option's value and of the stamp items, which
// the model does not describe.
#include <gtest/gtest.h>

#include "common/res_support.h"
#include "core/item_format.h"
#include "core/model/query.h"
#include "core/ui_lookup.h"
#include "core/item_store.h"
#include "core/item_ids.h"

namespace vesk::test {
namespace {

using ItemFormat = ResourcePrinter;

std::u16string text(DrvContext* c, int key, size_t capacity = 64) {
    WCHAR b[64] = {u'x'};
    ItemFormatValue(c, key, b, capacity);
    return b;
}

TEST_F(ItemFormat, StringOptionsShowTheirText) {
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    const int key = keyOf("VPD_rdmUserID");
    ASSERT_NE(MdlFindOptionByKey(c, key), 0u);
    ASSERT_NE(ItemSetString(c, ItemFindById(c, kItRdmUserID), u"alice"), nullptr);
    EXPECT_EQ(text(c, key), u"alice");
    EXPECT_EQ(text(c, key, 4), u"ali");
    ItemSetString(c, ItemFindById(c, kItRdmUserID), u"");
    EXPECT_EQ(text(c, key), u"");
}

TEST_F(ItemFormat, StampKindAndStampNameWithoutAModelOption) {
    DrvContext* c = context(0, 0);
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(MdlFindOption(c, kItRdmWmKind), 0u);
    const std::u16string kinds[] = {u"None", u"文字ｽﾀﾝﾌﾟ", u"ｲﾒｰｼﾞｽﾀﾝﾌﾟ", u"合成", u"None"};
    for (uint32_t k = 0; k < 5; ++k) {
        ItemSetRawById(c, kItRdmWmKind, k);
        EXPECT_EQ(text(c, kItRdmWmKind), kinds[k]) << k;
    }
    // The stamp's name: the item of the text stamp's or the image stamp's
    // name control by the kind, as the sheets bind them; a combined stamp
    // reads a control bound to no item.
    for (int id : {2310, 2339, 2584}) CtlBindItem(c, CtlFindById(c, nullptr, id));
    ItemSetString(c, ItemFindById(c, kItWdmWmCharName), u"CONFIDENTIAL");
    ItemSetString(c, ItemFindById(c, kItWdmWmImageName), u"logo.bmp");
    const std::u16string names[] = {u"None", u"CONFIDENTIAL", u"logo.bmp", u""};
    for (uint32_t k = 0; k < 4; ++k) {
        ItemSetRawById(c, kItRdmWmKind, k);
        EXPECT_EQ(text(c, kItRdmWmID), names[k]) << k;
    }
}

}  // namespace
}  // namespace vesk::test
