// The write-out of the output DEVMODE: the collate matrix, DM_UPDATE on the
// context's own DEVMODE, and the printer sheet's and document's saves.
#include "ui/ui_support.h"

#include "core/devmode/dm_flags.h"
#include "core/devmode/dm_layout.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/validation/public_validators.h"

namespace vesk::test {
namespace {

// The installed-option item the collate values of the device need.
constexpr int kItemCollateInstalled = 499;

class WriteOut : public UiPrinter {
protected:
    // A context of a document request without a sheet, with the caller's
    // buffers in its workspace.
    DrvContext* request(uint32_t mode, PDEVMODEW in, PDEVMODEW out) {
        CtxCacheClear();
        DrvContext* c = CtxCreateFull(printer_, printer_, nullptr, kCreateMergeNoUi, mode, nullptr);
        EXPECT_NE(c, nullptr);
        if (!c) return nullptr;
        contexts_.emplace_back(c);
        c->ws->documentMode = mode;
        c->ws->documentInput = in;
        c->ws->documentOutput = out;
        return c;
    }
    struct Case {
        bool supported, inputGiven, inputCollate, before2000;
        int16_t inputValue;
        uint32_t driverSetting;
    };
    // The collate fields written for a case: {DM_COLLATE set, dmCollate}.
    std::pair<bool, int16_t> collateOf(const Case& k) {
        GuardedBuffer in = driverDevmode();
        uint32_t f = in.u32(dm::kOffFields) & ~uint32_t{DM_COLLATE};
        if (k.inputCollate) f |= DM_COLLATE;
        in.put32(dm::kOffFields, f);
        in.put16(dm::kOffCollate, static_cast<uint16_t>(k.inputValue));
        GuardedBuffer out(kUiDm);
        winsim::config().osMajor = k.before2000 ? 4 : 5;
        DrvContext* c = request(DM_COPY, k.inputGiven ? in.dm() : nullptr, out.dm());
        if (!c) return {false, -1};
        DmSetUserDefaultMode(c);
        ItemSetRawById(c, kItemCollateInstalled, k.supported ? 1 : 0);
        EXPECT_EQ(DmCollateSupported(c), k.supported ? 1 : 0);
        ItemSetRawById(c, kItRdmFuncSelectSort, k.driverSetting);
        EXPECT_EQ(DmWriteOutDevmode(c), 1);
        EXPECT_TRUE(out.canaryIntact());
        winsim::config().osMajor = 5;
        return {(out.u32(dm::kOffFields) & DM_COLLATE) != 0, static_cast<int16_t>(out.u16(dm::kOffCollate))};
    }
};

TEST_F(WriteOut, CollationSupportedFollowsTheInputUnlessItSaysNothing) {
    // No input, or one without DM_COLLATE: the driver's setting.
    EXPECT_EQ(collateOf({true, false, false, false, 0, 1}), std::make_pair(true, int16_t{1}));
    EXPECT_EQ(collateOf({true, false, false, false, 0, 0}), std::make_pair(true, int16_t{0}));
    EXPECT_EQ(collateOf({true, true, false, false, 1, 0}), std::make_pair(true, int16_t{0}));
    // An input that says DM_COLLATE keeps its value, 0 included.
    EXPECT_EQ(collateOf({true, true, true, false, 0, 1}), std::make_pair(true, int16_t{0}));
    EXPECT_EQ(collateOf({true, true, true, false, 1, 0}), std::make_pair(true, int16_t{1}));
    // Before Windows 2000 the user default takes the driver's setting.
    EXPECT_EQ(collateOf({true, true, true, true, 0, 1}), std::make_pair(true, int16_t{1}));
    EXPECT_EQ(collateOf({true, false, false, true, 0, 1}), std::make_pair(true, int16_t{1}));
}

TEST_F(WriteOut, WithoutCollationTheFlagGoesWhateverTheInputSays) {
    for (const Case& k : {Case{false, false, false, false, 0, 1}, Case{false, true, true, false, 1, 1},
                          Case{false, true, false, true, 1, 1}, Case{false, true, true, true, 1, 0}})
        EXPECT_EQ(collateOf(k), std::make_pair(false, int16_t{0}));
}

TEST_F(WriteOut, UpdateAloneRefreshesTheContextsOwnCollateFields) {
    GuardedBuffer out(kUiDm);
    DrvContext* c = request(DM_UPDATE, nullptr, out.dm());
    ASSERT_NE(c, nullptr);
    dm::clearFields(c->devmode, DM_COLLATE);
    dm::wr16(c->devmode, dm::kOffCollate, 0);
    ItemSetRawById(c, kItemCollateInstalled, 1);
    ItemSetRawById(c, kItRdmFuncSelectSort, 1);
    EXPECT_EQ(DmWriteOutDevmode(c), 1);
    EXPECT_TRUE(out.untouched());
    EXPECT_TRUE(dm::fields(c->devmode) & DM_COLLATE);
    EXPECT_EQ(dm::rd16(c->devmode, dm::kOffCollate), 1);
    // Neither DM_UPDATE nor DM_COPY: nothing at all.
    c->ws->documentMode = DM_MODIFY;
    ItemSetRawById(c, kItRdmFuncSelectSort, 0);
    EXPECT_EQ(DmWriteOutDevmode(c), 1);
    EXPECT_EQ(dm::rd16(c->devmode, dm::kOffCollate), 1);
}

TEST_F(WriteOut, APrinterSheetSavesTheDeviceClassADocumentTheUserClasses) {
    DrvContext* c = request(DM_COPY, nullptr, nullptr);
    ASSERT_NE(c, nullptr);
    SheetSetKind(c, kSheetKindPrinter);
    ItemSetRawById(c, kItRdmSourceOptionTypeDuplex, ItemRawById(c, kItRdmSourceOptionTypeDuplex) ? 0 : 1);
    winsim::journalClear();
    EXPECT_EQ(SheetSave(c), 1);
    EXPECT_EQ(calls("SetPrinterDataW", "Duplex"), 1u) << "device settings go to printer data";
    SheetSetKind(c, kSheetKindDocument);
    GuardedBuffer out(kUiDm);
    c->ws->documentOutput = out.dm();
    winsim::journalClear();
    EXPECT_EQ(SheetSave(c), 1);
    EXPECT_EQ(out.u16(dm::kOffSize), 220) << "the document save writes the output DEVMODE";
    EXPECT_TRUE(out.canaryIntact());
    EXPECT_GT(calls("WritePrivateProfileStringW") + calls("WritePrivateProfileSectionW"), 0u)
        << "document settings go to the per-printer INI";
    c->ws->documentOutput = nullptr;
}

}  // namespace
}  // namespace vesk::test
