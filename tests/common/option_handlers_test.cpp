// The built-in handlers of options 35-706 as the runner calls them: only
// for items without a dictionary key, storing defaults in mode 1 and
// repairing what fails their rule in mode 2. Starred options (they have a
// key) are tested with the key taken off the context's own item table, as
// a table without their key would run them.
#include <gtest/gtest.h>

#include "common/devmode_support.h"
#include "core/item_ids.h"
#include "core/item_lists.h"
#include "core/item_store.h"
#include "core/units.h"
#include "core/validation/option_handlers.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class OptionHandlers : public ::testing::Test {
protected:
    void SetUp() override {
        scope_ = std::make_unique<ModelScope>(model_);
        ctx_ = defaultsContext();
        ASSERT_TRUE(ctx_);
    }
    DrvContext* c() { return ctx_.get(); }
    uint32_t raw(int id) { return ItemRawById(c(), id); }
    void set(int id, uint32_t v) { ItemSetRawById(c(), id, v); }
    // An edit of the context's own table, declared as every such edit is.
    void dropKey(int id) {
        ItemTableEdited(c());
        ItemFindById(c(), id)->key = 0;
    }
    // Sets `id` to `value`, runs the handlers in `mode` and gives the value
    // left.
    uint32_t after(int id, uint32_t value, int mode) {
        set(id, value);
        RunOptionChangeHandlers(c(), static_cast<uint32_t>(mode));
        return raw(id);
    }
    HandlerDefaults& desc() { return c()->desc->handler; }

    FakeModel model_;
    std::unique_ptr<ModelScope> scope_;
    ContextPtr ctx_;
};

}  // namespace

TEST(OptionHandlerTable, OneRowPerOptionAndTheirHandlers) {
    ASSERT_EQ(OptHandlerTableCount(), 672);
    int handlers = 0;
    for (int i = 0; i < OptHandlerTableCount(); ++i) {
        EXPECT_EQ(OptHandlerTable()[i].id, 35 + i);
        if (OptHandlerTable()[i].handler) ++handlers;
    }
    EXPECT_EQ(handlers, 185);
    EXPECT_EQ(OptHandlerRowOf(34), nullptr);
    EXPECT_EQ(OptHandlerRowOf(707), nullptr);
    EXPECT_EQ(OptHandlerRowOf(97)->parameter, 2u);
}

TEST_F(OptionHandlers, DefaultsInModeOneAndRuleChecksInModeTwo) {
    // A range rule: mode 2 keeps a good value and repairs a bad one; mode 1
    // always stores the parameter.
    EXPECT_EQ(after(kItRdmNUPLineType, 5, 2), 5u);
    EXPECT_EQ(after(kItRdmNUPLineType, 9, 2), 2u);
    EXPECT_EQ(after(kItRdmNUPLineType, 5, 1), 2u);
    EXPECT_EQ(after(kItRdmTimeOut, 100, 2), 100u);
    EXPECT_EQ(after(kItRdmTimeOut, 100, 1), 300u);
    EXPECT_EQ(after(kItRdmColorBrightness, static_cast<uint32_t>(-50), 2), static_cast<uint32_t>(-50));
    EXPECT_EQ(after(kItRdmColorBrightness, static_cast<uint32_t>(-51), 2), 0u);
    EXPECT_EQ(after(kItRdmPosterFaceType, 32772, 2), 32772u);
    EXPECT_EQ(after(kItRdmPosterFaceType, 1, 2), 32769u);

    // Forced values in every mode; the device versions come from the
    // description, not from the row.
    desc().cdcVersion = 7;
    desc().veskVersion = 21;
    EXPECT_EQ(after(kItRdmiCDCVersion, 3, 1), 7u);
    EXPECT_EQ(after(kItRdmiCDCVersion, 3, 2), 7u);
    EXPECT_EQ(after(kItRdmVESKVer, 3, 2), 21u);
    EXPECT_EQ(after(kItRdmPlaneUseCMYKBlack, 3, 2), 8u);
    EXPECT_EQ(after(kItRdmActionStoredPrn, 0, 2), 1u) << "a bit item: the parameter 8 sets it";

    // Rules that store the description's defaults instead of a parameter.
    desc().separatePaperSize = 5;
    desc().dspLanguageId = 2;
    desc().option441 = 77;
    EXPECT_EQ(after(kItRdmSeparatePaperSize, 384, 2), 384u) << "a free size is a known paper";
    EXPECT_EQ(after(kItRdmSeparatePaperSize, 999, 2), 5u);
    EXPECT_EQ(after(kItRdmSeparatePaperSize, 9, 1), 5u);
    EXPECT_EQ(after(kItRdmDspLanguageID, 200, 2), 2u);
    EXPECT_EQ(after(441, 500, 2), 500u);
    EXPECT_EQ(after(441, 0, 2), 77u);
    EXPECT_EQ(after(kItRdmMachineID, 133, 2), 133u);
    EXPECT_EQ(after(kItRdmMachineID, 5, 2), 133u);
    EXPECT_EQ(after(kItRdmSeparateInputTray, 281, 2), 281u);
    EXPECT_EQ(after(kItRdmSeparateInputTray, 280, 2), 7u);
    EXPECT_EQ(after(kItRdmLocaleID, 99, 1), 99u) << "kept in every mode";

    // The poster tab is 15 mm in dots of the destination resolution, also
    // in mode 2.
    set(kItRdmDstResolutionW, 1200);
    EXPECT_EQ(after(kItRdmPosterStickTab, 1, 2), static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 150, 1200)));
}

TEST_F(OptionHandlers, OnlyOptionsWithoutAKeyReachTheirHandlers) {
    // rdmScaleH has a key and no model option: unchecked, kept.
    EXPECT_EQ(after(kItRdmScaleH, 19, 2), 19u);
    EXPECT_EQ(after(kItRdmNUPLine, 7, 1), 7u);
    // Without its key its rule runs.
    dropKey(kItRdmScaleH);
    EXPECT_EQ(after(kItRdmScaleH, 19, 2), 100u);
    EXPECT_EQ(after(kItRdmScaleH, 400, 2), 400u);
    // With a key and a model option, the model decides instead.
    model_.types = {{kItRdmNUPLine, 4}};
    model_.values = {{kItRdmNUPLine, 1}};
    EXPECT_EQ(after(kItRdmNUPLine, 7, 2), 1u) << "not a Boolean: the model's default";
    EXPECT_EQ(after(kItRdmNUPLine, 0, 1), 0u);

    // The preset number.
    dropKey(kItRdmPresetNo);
    EXPECT_EQ(after(kItRdmPresetNo, 200, 2), 0u) << "only 0..127 or a low byte 255";
    EXPECT_EQ(after(kItRdmPresetNo, 120, 2), 120u);
    EXPECT_EQ(after(kItRdmPresetNo, 0x1FF, 2), 0x1FFu);
    EXPECT_EQ(after(kItRdmPresetNo, 127, 2), 127u);

    // The destination resolution: a failing value takes the public print
    // quality when that is valid (here by the built-in list), else the
    // description's default.
    dropKey(kItRdmDstResolutionW);
    dropKey(kItRdmDstResolutionH);
    set(kItDmPrintQuality, 1200);
    EXPECT_EQ(after(kItRdmDstResolutionW, 500, 2), 1200u);
    EXPECT_EQ(after(kItRdmDstResolutionW, 2400, 2), 2400u);
    set(kItDmPrintQuality, 1100);
    desc().dstResolutionH = 300;
    EXPECT_EQ(after(kItRdmDstResolutionW, 500, 2), 600u);
    EXPECT_EQ(after(kItRdmDstResolutionH, 500, 2), 300u);
    EXPECT_EQ(after(kItRdmDstResolutionH, 1200, 1), 300u) << "mode 1 never keeps";

    // Margins up to 50 mm in dots of the destination resolution.
    dropKey(kItRdmMarginOdd);
    set(kItRdmDstResolutionW, 600);
    const uint32_t limit = static_cast<uint32_t>(DisplayToDots(kUnitTenthMm, 500, 600));
    EXPECT_EQ(after(kItRdmMarginOdd, limit, 2), limit);
    EXPECT_EQ(after(kItRdmMarginOdd, limit + 1, 2), 0u);

    // The watermark font name: "none" stores nothing, also for text.
    dropKey(kItRdmWmID);
    EXPECT_EQ(after(kItRdmWmID, 250, 1), 250u);
}
