#include <gtest/gtest.h>

#include <string>

#include "common/context_support.h"
#include "core/item_store.h"
#include "core/ui_lookup.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

TEST(UiLookup, PagesByIdNameAndWindow) {
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    UiPage* icm = PageFindById(c.get(), 1036);
    ASSERT_NE(icm, nullptr);
    EXPECT_EQ(icm->key, 294);
    EXPECT_EQ(icm->helpId, 0u);
    EXPECT_EQ(PageFindById(c.get(), 1038), nullptr);
    EXPECT_EQ(PageFindByName(c.get(), "VPD_IDD_DIALOG_ICM"), icm);
    const UiPage* tmpl = PageFindByName(nullptr, "VPD_RPOSAVE");
    ASSERT_NE(tmpl, nullptr);
    EXPECT_EQ(tmpl->id, 4007);
    EXPECT_NE(tmpl, PageFindById(c.get(), 4007));  // the template's, not the context's
    EXPECT_EQ(PageFindByName(c.get(), "VPD_IDD_NOPAGE"), nullptr);
    HWND w = reinterpret_cast<HWND>(0x55);
    EXPECT_EQ(PageFindByWindow(c.get(), w), nullptr);
    icm->window = w;
    EXPECT_EQ(PageFindByWindow(c.get(), w), icm);
    EXPECT_EQ(PageFindByWindow(c.get(), nullptr), nullptr);
}

TEST(UiLookup, ControlsByIndexIdAndWindow) {
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    UiPage* preset = PageFindById(c.get(), 1001);
    ASSERT_NE(preset, nullptr);
    EXPECT_EQ(PageGetControl(preset, 0)->id, 2001);
    EXPECT_EQ(PageGetControl(preset, 38)->id, 2018);
    EXPECT_EQ(PageGetControl(preset, 39), nullptr);
    EXPECT_EQ(PageGetControl(preset, -1), nullptr);
    EXPECT_EQ(PageGetControl(nullptr, 0), nullptr);
    // Ids repeat across pages: without a page the earliest page wins.
    UiControl* basic = CtlFindById(c.get(), PageFindById(c.get(), 1002), 2017);
    UiControl* first = CtlFindById(c.get(), nullptr, 2017);
    ASSERT_NE(basic, nullptr);
    EXPECT_EQ(CtlOwnerPage(c.get(), first)->id, 1001);
    EXPECT_EQ(CtlOwnerPage(c.get(), basic)->id, 1002);
    // Page 1037's control 2039 is a label where the others are pictures.
    EXPECT_EQ(CtlFindById(c.get(), PageFindById(c.get(), 1037), 2039)->type, 1);
    EXPECT_EQ(CtlFindById(c.get(), PageFindById(c.get(), 1022), 2039)->type, 2);
    EXPECT_EQ(CtlFindById(c.get(), nullptr, 9999), nullptr);
    HWND w = reinterpret_cast<HWND>(0x77);
    basic->window = w;
    EXPECT_EQ(CtlFindByWindow(c.get(), nullptr, w), basic);
    EXPECT_EQ(CtlFindByWindow(c.get(), preset, w), nullptr);
}

TEST(UiLookup, ControlsBindToTheContextsOwnItems) {
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    // The orientation radio buttons carry the radio list's key; their ids are
    // the item's logical values.
    UiControl* portrait = CtlFindById(c.get(), nullptr, 2026);
    UiControl* landscape = CtlFindById(c.get(), nullptr, 2027);
    ASSERT_EQ(portrait->key, 328);
    DmItem* orient = CtlBindItem(c.get(), portrait);
    CtlBindItem(c.get(), landscape);
    ASSERT_EQ(orient, ItemFindById(c.get(), kItDmOrientation));
    CtlSetItemValue(c.get(), landscape, landscape->id);
    EXPECT_EQ(ItemRawById(c.get(), kItDmOrientation), 2u);
    EXPECT_EQ(CtlGetItemValue(c.get(), portrait), 2027u);
    // Every control the table binds to an item finds that item by its key.
    for (int p = 0; p < CtxPages(c)->count; ++p) {
        UiPage& pg = CtxPages(c)->pages[p];
        for (int i = 0; i < pg.controlCount; ++i) {
            UiControl& ctl = pg.controls[i];
            DmItem* it = CtlBindItem(c.get(), &ctl);
            bool known = ctl.tableItemId && ItemFindById(c.get(), ctl.tableItemId);
            if (known && !(pg.id == 1032 && ctl.id == 2452)) {
                ASSERT_NE(it, nullptr) << pg.id << "/" << ctl.id;
                EXPECT_EQ(it->id, ctl.tableItemId) << pg.id << "/" << ctl.id;
            }
            if (!ctl.tableItemId && ctl.key == 0) {
                EXPECT_EQ(it, nullptr);
            }
        }
    }
    // Ids that no item has (65535 on page 1011) bind nothing.
    EXPECT_EQ(CtlBindItem(c.get(), CtlFindById(c.get(), nullptr, 2617)), nullptr);
}

TEST(UiLookup, ControlTextAndAttributes) {
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    for (int p = 0; p < CtxPages(c)->count; ++p)
        for (int i = 0; i < CtxPages(c)->pages[p].controlCount; ++i) CtlBindItem(c.get(), &CtxPages(c)->pages[p].controls[i]);
    ASSERT_NE(CtlSetItemString(c.get(), 2145, u"Draft two-sided"), nullptr);
    WCHAR out[64];
    ASSERT_NE(CtlGetItemString(c.get(), 2388, out, 64), nullptr);  // same item, other page
    EXPECT_EQ(std::u16string(out), u"Draft two-sided");
    EXPECT_EQ(CtlGetItemString(c.get(), 4242, out, 64), nullptr);

    const auto* preview =
        static_cast<const UiAttrPreview*>(CtlGetAttr(CtlFindById(c.get(), PageFindById(c.get(), 1003), 2039), 8));
    ASSERT_NE(preview, nullptr);
    const int want[14] = {869, 121, 127, 113, 123, 112, 119, 122, 870, 128, 114, 115, 110, 758};
    for (int k = 0; k < 14; ++k) EXPECT_EQ(ItemFindByKey(c.get(), preview->keys[k])->id, want[k]) << k;
    UiControl* down = CtlFindById(c.get(), nullptr, 2502);
    EXPECT_EQ(CtlGetAttr(down, 8), nullptr);
    const auto* rep = static_cast<const UiAttrRepeat*>(CtlGetAttr(down, 5));
    ASSERT_NE(rep, nullptr);
    ASSERT_EQ(rep->count, 3);
    EXPECT_EQ(rep->entries[1].controlId, 2275);
    EXPECT_EQ(rep->entries[1].step, -1);
    EXPECT_EQ(CtlGetAttr(CtlFindById(c.get(), nullptr, 2001), 1), nullptr);
    // Length controls carry their flag from the table.
    EXPECT_TRUE(CtlFindById(c.get(), nullptr, 2224)->flags & kCtlLengthInDots);
    EXPECT_FALSE(CtlFindById(c.get(), nullptr, 2217)->flags & kCtlLengthInDots);
    EXPECT_EQ(CtlFindById(c.get(), nullptr, 2025)->partner, 328);
}
