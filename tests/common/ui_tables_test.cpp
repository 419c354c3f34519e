// The built-in page and control tables as the property sheets must find
// them: every page with its key, kind, help and number of controls, how many
// controls of each type there are, and the bound item ids that name no item.
#include <gtest/gtest.h>

#include <map>

#include "common/context_support.h"
#include "core/item_store.h"
#include "core/ui_lookup.h"

using namespace vesk;
using namespace vesk::test;

namespace {

struct PageRow {
    int id;
    const char* name;
    int key, kind;
    uint32_t help;
    int controls;
};

// In table order.
const PageRow kPages[] = {
    {1001, "VPD_IDD_PRESET", 264, 0x1, 20101, 39},
    {1002, "VPD_IDD_BASIC", 265, 0x11, 22001, 50},
    {1003, "VPD_IDD_EDIT", 266, 0x11, 22301, 41},
    {1004, "VPD_IDD_FINISH", 267, 0x11, 22701, 19},
    {1005, "VPD_IDD_OTHERS", 268, 0x11, 22801, 16},
    {1006, "VPD_IDD_PRINTQUALITY", 269, 0x1, 21401, 24},
    {1010, "VPD_IDD_DIALOG_INIT", 270, 0x5, 20301, 39},
    {1011, "VPD_IDD_DIALOG_OPTION", 271, 0x6, 21001, 24},
    {1009, "VPD_IDD_TTF", 272, 0x2, 23201, 7},
    {1008, "VPD_IDD_USER_CODE", 273, 0x2, 23301, 5},
    {1015, "VPD_IDD_DIALOG_PRINTPOST", 274, 0x6, 20801, 23},
    {1007, "VPD_IDD_MAINTENANCE", 275, 0x4, 20201, 13},
    {1012, "VPD_IDD_DIALOG_ROTATION", 276, 0x4, 20401, 8},
    {1013, "VPD_IDD_DIALOG_UNIT", 277, 0x4, 20501, 6},
    {1014, "VPD_IDD_DIALOG_SORT", 278, 0x4, 20601, 11},
    {1016, "VPD_IDD_DIALOG_ACTION", 279, 0x4, 20701, 10},
    {1017, "VPD_IDD_DIALOG_FREESIZE", 280, 0x4, 20901, 28},
    {1018, "VPD_IDD_DIALOG_SCALE", 281, 0x4, 21101, 13},
    {1019, "VPD_IDD_DIALOG_PRINTTYPE", 282, 0x4, 21201, 19},
    {1020, "VPD_IDD_DIALOG_STATUS", 283, 0x4, 0, 3},
    {1021, "VPD_IDD_DIALOG_USER_PQC", 284, 0x20, 21601, 37},
    {4004, "VPD_IDD_DIALOG_USER_TTF", 285, 0x20, 21701, 10},
    {1029, "VPD_IDD_DIALOG_USER_OTHERS", 286, 0x20, 21801, 12},
    {1022, "VPD_IDD_DIALOG_STAMP_CHAR", 287, 0x4, 22401, 31},
    {1023, "VPD_IDD_DIALOG_STAMP_IMAGE", 288, 0x4, 22501, 18},
    {1024, "VPD_IDD_DIALOG_MARGIN", 289, 0x4, 22601, 28},
    {1030, "VPD_IDD_DIALOG_COVER", 290, 0x4, 22101, 33},
    {1031, "VPD_IDD_DIALOG_MARK", 291, 0x4, 22201, 31},
    {1034, "VPD_IDD_DIALOG_REMOTE", 292, 0x4, 23001, 10},
    {1035, "VPD_IDD_DIALOG_ADDRESS", 293, 0x4, 23101, 13},
    {1036, "VPD_IDD_DIALOG_ICM", 294, 0x4, 0, 8},
    {1037, "VPD_IDD_DIALOG_OVERLAY", 295, 0x4, 23501, 12},
    {1065, "VPD_IDD_DIALOG_HIDDEN_FUNC", 296, 0x4, 0, 3},
    {1032, "VPD_IDD_DIALOG_SAVE_PRESET", 297, 0x4, 21301, 7},
    {1033, "VPD_IDD_DIALOG_SAVE_USER", 298, 0x4, 21901, 8},
    {1025, "VPD_IDD_DIALOG_VERSION", 299, 0x4, 0, 12},
    {1026, "VPD_IDD_DIALOG_USERCODE_CHANGE", 300, 0x4, 0, 3},
    {1027, "VPD_IDD_DIALOG_USERCODE_INPUT", 301, 0x4, 0, 6},
    {1028, "VPD_IDD_DIALOG_USERCODE_CONFIRMATION", 302, 0x4, 0, 5},
    {4005, "VPD_IDD_DIALOG_PASSWORD_INPUT", 303, 0x4, 0, 5},
    {4006, "VPD_IDD_DLG_STATUS", 304, 0x4, 0, 1},
    {4001, "VPD_FILEOPEN", 305, 0x100, 0, 12},
    {4002, "VPD_RSTOPENSAVE", 306, 0x200, 0, 15},
    {4003, "VPD_FILEREFER", 307, 0x400, 0, 12},
    {4007, "VPD_RPOSAVE", 308, 0x800, 0, 13},
    {4008, "VPD_RPOREFER", 309, 0x1000, 0, 12},
    {4015, "VPD_IDD_DIALOG_CREATE_MIDFILES", 310, 0x8000, 0, 10},
};

}  // namespace

TEST(UiTables, EveryPageHasItsRecordAndItsNumberOfControls) {
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    ASSERT_EQ(CtxPages(c)->count, 47);
    ASSERT_EQ(sizeof kPages / sizeof kPages[0], 47u);
    int total = 0;
    for (int i = 0; i < 47; ++i) {
        const UiPage& p = CtxPages(c)->pages[i];
        const PageRow& want = kPages[i];
        EXPECT_EQ(p.id, want.id) << i;
        EXPECT_STREQ(p.name, want.name) << want.id;
        EXPECT_EQ(p.key, want.key) << want.id;
        EXPECT_EQ(p.kind, want.kind) << want.id;
        EXPECT_EQ(p.helpId, want.help) << want.id;
        EXPECT_EQ(p.controlCount, want.controls) << want.id;
        EXPECT_EQ(p.key, 264 + i) << want.id;  // the page keys run in table order
        total += p.controlCount;
    }
    EXPECT_EQ(total, 765);
}

TEST(UiTables, TheControlTypesAddUpAndOddItemIdsBindNothing) {
    ContextPtr c = contextWithDevmode();
    ASSERT_TRUE(c);
    std::map<int, int> types;
    for (int p = 0; p < CtxPages(c)->count; ++p)
        for (int i = 0; i < CtxPages(c)->pages[p].controlCount; ++i) ++types[CtxPages(c)->pages[p].controls[i].type];
    const std::map<int, int> want{{1, 230}, {2, 55},  {4, 18},  {21, 174}, {22, 50}, {23, 15}, {41, 31}, {42, 5},
                                  {43, 5},  {47, 23}, {48, 55}, {50, 2},   {61, 56}, {63, 34}, {84, 10}, {105, 2}};
    EXPECT_EQ(types, want);
    // Bound item ids past every item: the controls stay without an item.
    const struct {
        int page, control, item;
    } odd[] = {{1008, 2368, 63852}, {1025, 2555, 26364}, {1025, 2557, 35174}, {1011, 2617, 65535}};
    for (const auto& o : odd) {
        UiControl* ctl = CtlFindById(c.get(), PageFindById(c.get(), o.page), o.control);
        ASSERT_NE(ctl, nullptr) << o.control;
        EXPECT_EQ(ctl->tableItemId, o.item);
        EXPECT_EQ(ItemFindById(c.get(), o.item), nullptr) << o.item;
        EXPECT_EQ(CtlBindItem(c.get(), ctl), nullptr) << o.control;
    }
    // Each context has its own copy: a window set in one is not in another's.
    ContextPtr other = contextWithDevmode();
    ASSERT_TRUE(other);
    EXPECT_NE(CtxPages(other), CtxPages(c));
    PageFindById(c.get(), 1002)->window = reinterpret_cast<HWND>(0x99);
    EXPECT_EQ(PageFindById(other.get(), 1002)->window, nullptr);
}
