// The sheet's apply: who is told the result, the printer update of a
// printer sheet, the applied state as the session's new start.
#include "core/devmode/dm_flags.h"
#include "core/item_store.h"
#include "ui/sheet_support.h"

namespace vesk::test {
namespace {

class SheetApply_ : public SheetPrinter {
protected:
    void TearDown() override {
        if (open_) call(sheet_, i_, PROPSHEETUI_REASON_DESTROY);
        SheetPrinter::TearDown();
    }
    DrvContext* open(PFNPROPSHEETUI sheet, LPARAM header) {
        sheet_ = sheet;
        i_ = info(header);
        EXPECT_EQ(call(sheet, i_, PROPSHEETUI_REASON_INIT), 1);
        open_ = true;
        return contextOf(i_);
    }
    PFNPROPSHEETUI sheet_ = nullptr;
    PROPSHEETUI_INFO i_{};
    bool open_ = false;
};

TEST_F(SheetApply_, PrinterSheetPublishesAndReportsEvenWithoutChanges) {
    DrvContext* ctx = open(DrvDevicePropertySheets, reinterpret_cast<LPARAM>(&devHeader_));
    winsim::journalEnable(true);
    winsim::journalClear();
    DmSetOpt40Flag(ctx);
    SheetApply(ctx);
    EXPECT_EQ(winsim::journalCount("SetPrinterW"), 1u);
    EXPECT_EQ(com_.setResults, 1);
    EXPECT_EQ(SheetSessionOf(ctx)->applied, 1u);
    EXPECT_EQ(DmGetOpt40Flag(ctx), 1);
    SheetApply(ctx);
    EXPECT_EQ(com_.setResults, 2);
    winsim::journalEnable(false);
}

TEST_F(SheetApply_, DocumentSheetReportsOnlyForAnOutputMode) {
    docHeader_.fMode = DM_IN_PROMPT;
    DrvContext* ctx = open(DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(&docHeader_));
    winsim::journalEnable(true);
    winsim::journalClear();
    SheetApply(ctx);
    EXPECT_EQ(com_.setResults, 0);
    EXPECT_EQ(winsim::journalCount("SetPrinterW"), 0u);
    SheetSessionOf(ctx)->callerMode = DM_IN_PROMPT | DM_OUT_BUFFER;
    SheetApply(ctx);
    EXPECT_EQ(com_.setResults, 1);
    winsim::journalEnable(false);
    // Without a session there is nothing to apply.
    EXPECT_EQ(SheetApply(nullptr), 0);
}

TEST_F(SheetApply_, TheAppliedStateIsTheNewStart) {
    // Before Windows 2000 a device-query sheet restores its snapshot at
    // destroy even after an apply: the snapshot must be the applied state.
    winsim::config().osMajor = 4;
    winsim::config().osMinor = 0;
    ASSERT_EQ(winsim::setPrinterData(name_, u"BidiFlag", REG_DWORD, {1, 0, 0, 0}), DWORD(ERROR_SUCCESS));
    docHeader_.fMode = DM_IN_PROMPT | DM_OUT_BUFFER;
    DrvContext* ctx = open(DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(&docHeader_));
    ASSERT_NE(SheetSessionOf(ctx)->snapshot, nullptr);
    const uint32_t start = ItemRawById(ctx, 41);
    ItemSetRawById(ctx, 41, start + 2);
    SheetApply(ctx);
    EXPECT_EQ(ItemShadowRawById(ctx, 41), start + 2);
    ItemSetRawById(ctx, 41, start + 5);
    call(sheet_, i_, PROPSHEETUI_REASON_DESTROY);
    open_ = false;
    EXPECT_EQ(ItemRawById(ctx, 41), start + 2);
}

}  // namespace
}  // namespace vesk::test
