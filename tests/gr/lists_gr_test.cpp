// The graphics library's quality transfers move the option set and leave
// the set's name (item 867) and the entry's "Name" as they are.
#include <gtest/gtest.h>

#include "common_calls/lists_gr.h"
#include "core/item_ids.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "frame_support.h"

using namespace vesk;
using namespace grtest;

namespace {

class QualityGr : public DriverMachine {
protected:
    void SetUp() override {
        DriverMachine::SetUp();
        ctx_ = CtxCreateEx(printer_, printer_, nullptr, 0, 0x10000, 0, nullptr);
        ASSERT_NE(ctx_, nullptr);
        ASSERT_EQ(EnsureParentDir(GetIniFilePath(ctx_)), 1);
    }
    void TearDown() override {
        CtxReleaseEx(ctx_, kReleaseFree);
        DriverMachine::TearDown();
    }
    std::u16string setName() {
        WCHAR name[40] = {};
        ItemGetString(ctx_, ItemFindById(ctx_, kItWdmUserSetName), name, 40);
        return name;
    }
    DrvContext* ctx_ = nullptr;
};

TEST_F(QualityGr, TheOptionsMoveAndTheNameStays) {
    const char16_t q0[] = u"C:\\sets\\q0.rsq";
    ASSERT_EQ(EnsureParentDir(q0), 1);
    ASSERT_EQ(QualityAdd(ctx_, q0, u"Fine text"), 1);
    ItemSetRawById(ctx_, kItRdmTonerSave, 1);
    ItemSetString(ctx_, ItemFindById(ctx_, kItWdmUserSetName), u"Other");
    ASSERT_EQ(SaveQualityGr(ctx_, u"QualityList0"), 1);

    ItemSetRawById(ctx_, kItRdmTonerSave, 0);
    ItemSetString(ctx_, ItemFindById(ctx_, kItWdmUserSetName), u"Mine");
    ASSERT_EQ(LoadQualityGr(ctx_, u"QualityList0"), 1);
    EXPECT_EQ(ItemRawById(ctx_, kItRdmTonerSave), 1u);
    EXPECT_EQ(setName(), u"Mine");
    // The entry's name was not overwritten by the save: the list still
    // holds the name it was given.
    WCHAR listed[40] = {};
    IniGetString(ctx_->ws->printerName, u"QualityList0Name", u"", listed, 40, GetIniFilePath(ctx_));
    EXPECT_EQ(std::u16string(listed), u"Fine text");
    EXPECT_EQ(LoadQualityGr(ctx_, u"QualityList9"), 0);
}

}  // namespace
