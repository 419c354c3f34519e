// The option checks (keep, repair or reset one option value) and the
// public-field validators with their built-in ranges, against a stand-in
// model; the paper-code predicates, the free-size slots and the N-up kinds.
#include <gtest/gtest.h>

#include "common/devmode_support.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/validation/free_size_slots.h"
#include "core/validation/option_checks.h"
#include "core/validation/option_helpers.h"
#include "core/validation/paper_codes.h"
#include "core/validation/public_validators.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class OptionChecks : public ::testing::Test {
protected:
    void SetUp() override {
        scope_ = std::make_unique<ModelScope>(model_);
        ctx_ = defaultsContext();
        ASSERT_TRUE(ctx_);
    }
    DrvContext* c() { return ctx_.get(); }
    uint32_t raw(int id) { return ItemRawById(c(), id); }
    void set(int id, uint32_t v) { ItemSetRawById(c(), id, v); }

    FakeModel model_;
    std::unique_ptr<ModelScope> scope_;
    ContextPtr ctx_;
};

}  // namespace

TEST_F(OptionChecks, WhatCannotBeCheckedIsKept) {
    // rdmNUPLineType has no key: 2; rdmScaleH has one, but the model no
    // option: 3, and the value stays unchecked.
    set(kItRdmNUPLineType, 9);
    EXPECT_EQ(OptApplyValueChecked(kItRdmNUPLineType, 9, c()), kOptNoKey);
    EXPECT_EQ(OptIsValueAllowed(kItRdmNUPLineType, 9, c()), kOptNoKey);
    set(kItRdmScaleH, 7);
    EXPECT_EQ(OptApplyValueChecked(kItRdmScaleH, 7, c()), kOptNoModel);
    EXPECT_EQ(OptCheckValueOrReset(kItRdmScaleH, 7, c()), kOptNoModel);
    EXPECT_EQ(raw(kItRdmNUPLineType), 9u);
    EXPECT_EQ(raw(kItRdmScaleH), 7u);
    EXPECT_EQ(OptIsValueAllowed(0, 1, c()), kOptNoKey) << "no item";
}

TEST_F(OptionChecks, RefusedValuesAreResetOrClamped) {
    model_.types = {{kItRdmScaleH, 8}, {kItRdmMediaType, 1}};
    model_.ranges = {{kItRdmScaleH, {20, 400}}};
    model_.values = {{kItRdmScaleH, 100}, {kItRdmMediaType, 2}};
    model_.lists = {{kItRdmMediaType, {1, 2}}};
    EXPECT_EQ(OptIsValueAllowed(kItRdmScaleH, 401, c()), 0);
    EXPECT_EQ(OptIsValueAllowed(kItRdmScaleH, 400, c()), 1);

    // Without the clamp flag a refused value takes the model's default.
    set(kItRdmScaleH, 19);
    EXPECT_EQ(OptApplyValueChecked(kItRdmScaleH, 19, c()), kOptValid);
    EXPECT_EQ(raw(kItRdmScaleH), 100u);
    // With it, 92 and 93 go to the nearer end of the range...
    c()->ws->flags |= kWsClampNumeric;
    EXPECT_EQ(OptApplyValueChecked(kItRdmScaleH, 19, c()), kOptValid);
    EXPECT_EQ(raw(kItRdmScaleH), 20u);
    EXPECT_EQ(OptApplyValueChecked(kItRdmScaleH, 401, c()), kOptValid);
    EXPECT_EQ(raw(kItRdmScaleH), 400u);
    // ...and other options are still reset.
    set(kItRdmMediaType, 9);
    EXPECT_EQ(OptApplyValueChecked(kItRdmMediaType, 9, c()), kOptValid);
    EXPECT_EQ(raw(kItRdmMediaType), 2u);
    // A value whose first condition holds is refused too; one whose second
    // holds is kept.
    c()->ws->flags = 0;
    model_.conditions = {{kItRdmMediaType, 1, 1}, {kItRdmMediaType, 2, 2}};
    set(kItRdmMediaType, 1);
    EXPECT_EQ(OptApplyValueChecked(kItRdmMediaType, 1, c()), kOptValid);
    EXPECT_EQ(raw(kItRdmMediaType), 2u);
    EXPECT_EQ(OptApplyValueChecked(kItRdmMediaType, 2, c()), kOptValid);
    EXPECT_EQ(raw(kItRdmMediaType), 2u);
}

TEST_F(OptionChecks, PresetNumbersMapTheirSlots) {
    model_.types = {{kItRdmPresetNo, 1}};
    model_.lists = {{kItRdmPresetNo, {119, 120}}};
    struct Case {
        uint32_t value;
        uint32_t after;  // the raw value left in item 41
    } cases[] = {
        {120, 120},    // in the model's list
        {200, 0},      // no preset, not "none": preset 0
        {118, 118},    // "none" (255)
        {130, 130},    // slot 130 is preset 11
        {0x1FF, 0x1FF},  // "none" in the low byte
        {135, 0},
    };
    for (const Case& k : cases) {
        set(kItRdmPresetNo, k.value);
        EXPECT_EQ(OptApplyValueChecked(kItRdmPresetNo, k.value, c()), kOptValid) << k.value;
        EXPECT_EQ(raw(kItRdmPresetNo), k.after) << k.value;
        set(kItRdmPresetNo, k.value);
        EXPECT_EQ(OptCheckValueOrReset(kItRdmPresetNo, k.value, c()), kOptValid) << k.value;
        EXPECT_EQ(raw(kItRdmPresetNo), k.after) << k.value;
    }
}

TEST_F(OptionChecks, ValidatorsAskTheModelFirstThenTheirBuiltInRanges) {
    struct Case {
        int (*check)(int32_t, DrvContext*);
        std::vector<int32_t> accepted, refused;
    } cases[] = {
        {DmCheckDefaultSource, {1, 15, 256, 272, 281, 285}, {0, 16, 255, 273, 280, 286}},
        {DmCheckOrientation, {1, 2}, {0, 3}},
        {DmCheckPaperSize, {}, {1, 9, 256}},
        {DmCheckPrintQuality, {300, 600, 1200, 2400}, {0, 150, 601, -1}},
        {DmCheckDuplex, {1, 3}, {0, 4}},
        {DmCheckColor, {1, 2}, {0, 3}},
        {DmCheckTTOption, {1, 4}, {0, 5}},
        {DmCheckICMMethod, {1, 4, 256}, {0, 5, 257}},
        {DmCheckICMIntent, {1, 2, 256}, {0, 3, 257}},
        {DmCheckMediaType, {1, 3, 256, 271, 513, 516}, {0, 4, 272, 512, 517}},
        {DmCheckDitherType, {1, 4, 10, 256}, {0, 5, 9, 11}},
        {DmCheckAny, {INT32_MIN, 0, INT32_MAX}, {}},
    };
    for (const Case& k : cases) {
        for (int32_t v : k.accepted) EXPECT_EQ(k.check(v, c()), 1) << v;
        for (int32_t v : k.refused) EXPECT_EQ(k.check(v, c()), 0) << v;
    }
    EXPECT_EQ(IsDmResValue(-4), 1);
    EXPECT_EQ(IsDmResValue(-1), 1);
    EXPECT_EQ(IsDmResValue(-5), 0);
    EXPECT_EQ(IsDmResValue(0), 0);

    // Where the model has the option, its answer stands either way.
    model_.types = {{kItDmColor, 1}, {kItDmDitherType, 1}};
    model_.lists = {{kItDmColor, {1}}, {kItDmDitherType, {300}}};
    EXPECT_EQ(DmCheckDitherType(300, c()), 1) << "outside the built-in range, in the model's list";
    EXPECT_EQ(DmCheckDitherType(1, c()), 0);
    EXPECT_EQ(DmCheckPublicValue(c(), kItDmColor, 2), 0);
    EXPECT_EQ(DmCheckPublicValue(c(), kItDmColor, 1), 1);
    EXPECT_EQ(DmCheckPublicValue(c(), kItDmDuplex, 3), 1) << "the duplex field by the built-in range";
    // Orientation: a value the model does not list is still good while the
    // value map knows it, and nothing is stored.
    model_.types = {{kItDmOrientation, 1}};
    model_.lists = {{kItDmOrientation, {2026}}};
    set(kItDmOrientation, 1);
    EXPECT_EQ(DmCheckOrientation(2, c()), 1);
    EXPECT_EQ(DmCheckOrientation(3, c()), 0);
    EXPECT_EQ(raw(kItDmOrientation), 1u);
}

TEST_F(OptionChecks, PaperCodesAndTheirFreeSizeSlots) {
    for (int16_t code : {1, 118, 256, 513, 514, 517}) EXPECT_EQ(IsStandardPaperSize(code), 1) << code;
    for (int16_t code : {0, 119, 255, 384, 515, 516, 1024, -1}) EXPECT_EQ(IsStandardPaperSize(code), 0) << code;
    for (int16_t code : {256, 384, 392}) EXPECT_EQ(IsDriverPaperSize(code), 1) << code;
    for (int16_t code : {383, 393, 9}) EXPECT_EQ(IsDriverPaperSize(code), 0) << code;
    EXPECT_EQ(IsKnownPaperSize(390), 1);
    EXPECT_EQ(IsKnownPaperSize(393), 0);
    EXPECT_EQ(IsPaperValue1024(1024), 1);
    EXPECT_EQ(IsPaperValue1024(1023), 0);
    EXPECT_EQ(IsFreeSizeSlotPaper(0), 0);
    EXPECT_EQ(IsFreeSizeSlotPaper(256), 1);
    EXPECT_EQ(IsFreeSizeSlotPaper(393), 0);

    // The slot of the source and output paper items.
    const std::pair<int16_t, int> index[] = {{9, -1}, {384, 0}, {392, 8}, {256, 9}, {393, -1}, {0, -1}};
    for (auto [code, slot] : index) {
        set(kItDmPaperSize, static_cast<uint16_t>(code));
        set(kItRdmOutPaperSize, static_cast<uint16_t>(code));
        EXPECT_EQ(GetPaperSizeIndex(c()), slot) << code;
        EXPECT_EQ(GetOutputPaperSizeIndex(c()), slot) << code;
    }
    EXPECT_EQ(GetPaperSizeIndex(nullptr), -1);

    // Slots and codes map both ways; what is outside maps to 0.
    ASSERT_EQ(GetFreeSizeSlotCount(), 10);
    for (int slot = 0; slot < GetFreeSizeSlotCount(); ++slot) {
        const int32_t code = FreeSizePaperFromSlot(slot);
        EXPECT_EQ(IsFreeSizePaper(code), 1) << slot;
        EXPECT_EQ(FreeSizeSlotFromPaper(code), slot);
    }
    EXPECT_EQ(FreeSizePaperFromSlot(9), 256);
    EXPECT_EQ(FreeSizePaperFromSlot(0), 384);
    EXPECT_EQ(FreeSizePaperFromSlot(10), 0);
    EXPECT_EQ(FreeSizePaperFromSlot(-1), 0);
    EXPECT_EQ(FreeSizeSlotFromPaper(393), 0);
    EXPECT_EQ(IsFreeSizePaper(393), 0);
}

TEST_F(OptionChecks, NupKindsAndTheWatermarkAndMacroQuestions) {
    const std::pair<uint32_t, int> kinds[] = {
        {1, 1},  {2, 1},  {3, 1},  {33, 2},  {34, 2},  {37, 2},  {38, 2},    {65, 3},    {66, 3},    {69, 3},
        {70, 3}, {97, 4}, {98, 4}, {101, 4}, {102, 4}, {32769, 9}, {32770, 9}, {32771, 9}, {0, 0},   {4, 0},
        {35, 0}, {36, 0}, {67, 0}, {99, 0},  {32768, 0}, {32772, 0}, {0x10001, 0}};
    for (auto [type, kind] : kinds) {
        int flag = -1;
        EXPECT_EQ(NupKindFromType(type, &flag), kind) << type;
        EXPECT_EQ(flag, type == 3 ? 2 : 1) << type;
    }
    EXPECT_EQ(NupKindFromType(3, nullptr), 1);

    set(kItRdmWmID, 5);
    set(kItRdmFuncSelectWaterMark, 0);
    EXPECT_EQ(GetOptionValue63Or120(c()), -1);
    set(kItRdmFuncSelectWaterMark, 1);
    EXPECT_EQ(GetOptionValue63Or120(c()), 5);
    set(kItRdmUserPrintMacro, 140);
    set(kItRdmUseUserMacro, 0);
    EXPECT_EQ(GetOption188Offset(c()), -1);
    set(kItRdmUseUserMacro, 1);
    EXPECT_EQ(GetOption188Offset(c()), 5);
}
