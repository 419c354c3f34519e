#include <gtest/gtest.h>

#include "common/eval_support.h"
#include "core/computed/computed.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr DWORD kNoMemory = 8;

// Programs of raw cells on a hand-made image.
class Evaluator : public ::testing::Test {
protected:
    // Runs one program on an image of its own.
    uint32_t run(std::initializer_list<std::pair<uint16_t, uint16_t>> cells) {
        raw = RawImage();
        uint32_t at = raw.program(cells);
        build();
        return c ? eval(at) : 0xDEAD;
    }
    // Builds the programs laid out in `raw` into the image of a new context.
    void build() {
        ctx_.reset();
        image_ = raw.build();
        ctx_ = modelContext(image_.get());
        EXPECT_TRUE(ctx_);
        c = ctx_.get();
    }
    uint32_t eval(uint32_t at) { return MdlEvalExpression(c, at); }
    winsim::TempMachine machine_;
    RawImage raw;
    ImagePtr image_;
    ContextPtr ctx_;
    DrvContext* c = nullptr;
};

}  // namespace

TEST_F(Evaluator, OperatorsTakeTheLeftOperandFirst) {
    struct Case {
        uint16_t l, r, op;
        uint32_t want;
    };
    const Case cases[] = {
        {3, 2, kGt, 1}, {2, 3, kGt, 0}, {2, 3, kLt, 1}, {3, 2, kLt, 0}, {3, 3, kGe, 1}, {2, 3, kGe, 0},
        {3, 3, kLe, 1}, {4, 3, kLe, 0}, {5, 5, kEq, 1}, {5, 6, kEq, 0}, {5, 6, kNe, 1}, {6, 6, kNe, 0},
        {2, 3, kAnd, 1}, {0, 3, kAnd, 0}, {3, 0, kAnd, 0}, {0, 0, kOr, 0}, {0, 7, kOr, 1}, {7, 0, kOr, 1},
    };
    for (const Case& k : cases)
        EXPECT_EQ(run({{kLit, k.l}, {kLit, k.r}, {kOp, k.op}, {kOp, kEnd}}), k.want)
            << k.l << " op" << k.op << " " << k.r;
    EXPECT_EQ(run({{kLit, 0}, {kOp, kNot}, {kOp, kEnd}}), 1u);
    EXPECT_EQ(run({{kLit, 9}, {kOp, kNot}, {kOp, kEnd}}), 0u);
    // A literal ends as it is; unknown operators and cell kinds are passed
    // over.
    EXPECT_EQ(run({{kLit, 40000}, {kOp, 77}, {9, 1}, {kOp, kEnd}}), 40000u);
    // A chain runs strictly left to right: ((1 == 1) && 5) || 0.
    EXPECT_EQ(run({{kLit, 1}, {kLit, 1}, {kOp, kEq}, {kLit, 5}, {kOp, kAnd}, {kLit, 0}, {kOp, kOr}, {kOp, kEnd}}), 1u);
}

TEST_F(Evaluator, ComparisonsAreUnsigned) {
    uint32_t gt = raw.program({{kOpt, kItDmScale}, {kLit, 1}, {kOp, kGt}, {kOp, kEnd}});
    uint32_t lt = raw.program({{kOpt, kItDmScale}, {kLit, 1}, {kOp, kLt}, {kOp, kEnd}});
    build();
    ItemSetRawById(c, kItDmScale, static_cast<uint32_t>(-1));
    EXPECT_EQ(eval(gt), 1u);  // 0xFFFFFFFF > 1
    EXPECT_EQ(eval(lt), 0u);
}

TEST_F(Evaluator, BothOperandsOfAndAndOrAreEvaluated) {
    // Item 843 copies the resolution item into dmPrintQuality whenever it is
    // read: it is read although the left operand already decides.
    uint32_t andProg = raw.program({{kLit, 0}, {kOpt, 843}, {kOp, kAnd}, {kOp, kEnd}});
    uint32_t orProg = raw.program({{kLit, 1}, {kOpt, 843}, {kOp, kOr}, {kOp, kEnd}});
    build();
    ItemSetRawById(c, kItRdmDstResolutionW, 1200);
    ItemSetRawById(c, kItDmPrintQuality, 300);
    EXPECT_EQ(eval(andProg), 0u);
    EXPECT_EQ(ItemRawById(c, kItDmPrintQuality), 1200u);
    ItemSetRawById(c, kItDmPrintQuality, 300);
    EXPECT_EQ(eval(orProg), 1u);
    EXPECT_EQ(ItemRawById(c, kItDmPrintQuality), 1200u);
}

TEST_F(Evaluator, TextOptionsPushTheirLength) {
    uint32_t code = raw.program({{kOpt, kItRdmUserCode}, {kOp, kEnd}});
    uint32_t given = raw.program({{kOpt, kItRdmUserCode}, {kLit, 0}, {kOp, kGt}, {kOp, kEnd}});
    uint32_t name = raw.program({{kOpt, kItDmDeviceName}, {kOp, kEnd}});
    uint32_t twice = raw.program({{kOpt, kItRdmUserCode}, {kOpt, kItRdmUserCode}, {kOp, kEq}, {kOp, kEnd}});
    build();
    EXPECT_EQ(eval(given), 0u);
    ItemSetString(c, ItemFindById(c, kItRdmUserCode), u"1234");
    ItemSetString(c, ItemFindById(c, kItDmDeviceName), u"Front desk");
    EXPECT_EQ(eval(code), 4u);
    EXPECT_EQ(eval(given), 1u);
    EXPECT_EQ(eval(name), 10u);
    // The text's buffer cannot be had: the option pushes 0.
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    EXPECT_EQ(eval(code), 0u);
    winsim::clearFaults();
    // The option read last is reused within a run: its second cell does not
    // read the text again (that read would fail here and push 0).
    winsim::failCall("GlobalAlloc", 2, kNoMemory);
    EXPECT_EQ(eval(twice), 1u);
    winsim::clearFaults();
}

TEST_F(Evaluator, StackLimitsEndTheRunWithZeroAndKeepTheTop) {
    uint32_t full = raw.here();
    for (int i = 0; i < 256; ++i) raw.cell(kLit, static_cast<uint16_t>(i + 1));
    raw.cell(kOp, kEnd);
    uint32_t over = raw.here();
    for (int i = 0; i < 257; ++i) raw.cell(kLit, 1);
    raw.cell(kOp, kEnd);
    uint32_t emptyEnd = raw.program({{kOp, kEnd}});
    uint32_t emptyOp = raw.program({{kLit, 1}, {kOp, kEq}, {kOp, kEnd}});
    uint32_t noItem = raw.program({{kLit, 1}, {kLit, 2}, {kOpt, 5000}, {kOp, kEq}, {kOp, kEnd}});
    uint32_t unended = raw.program({{kLit, 1}, {kLit, 1}});  // the image ends before an end cell
    build();
    DrvWorkspace* ws = c->ws;

    EXPECT_EQ(eval(full), 256u);  // 256 values fit
    EXPECT_EQ(ws->evalTop, 0);
    EXPECT_EQ(eval(over), 0u);
    EXPECT_EQ(ws->evalTop, 0);
    // A caller's values below the run are neither popped nor lost.
    ws->evalTop = 3;
    EXPECT_EQ(eval(emptyEnd), 0u);
    EXPECT_EQ(eval(emptyOp), 0u);
    EXPECT_EQ(ws->evalTop, 3);
    EXPECT_EQ(eval(full), 0u);  // only 253 fit above them
    EXPECT_EQ(ws->evalTop, 3);
    ws->evalTop = 0;
    // An option without item ends the run early; what it pushed is gone.
    EXPECT_EQ(eval(noItem), 0u);
    EXPECT_EQ(ws->evalTop, 0);
    for (int i = 0; i < 300; ++i) eval(noItem);
    EXPECT_EQ(ws->evalTop, 0);
    EXPECT_EQ(eval(unended), 0u);
    EXPECT_EQ(ws->evalTop, 0);
}

TEST_F(Evaluator, NullProgramsMissingStacksAndOffsetsOutsideGiveZero) {
    EXPECT_EQ(run({{kLit, 5}, {kOp, kEnd}}), 5u);
    EXPECT_EQ(eval(0), 0u);
    EXPECT_EQ(eval(12), 0u);             // inside the header
    EXPECT_EQ(eval(image_->size), 0u);  // past the end
    EXPECT_EQ(MdlEvalExpression(nullptr, kMdlHeaderSize), 0u);
    MdlEvalStackFree(c);
    EXPECT_EQ(c->ws->evalStack, nullptr);
    EXPECT_EQ(eval(kMdlHeaderSize), 0u);
    EXPECT_EQ(MdlEvalStackAlloc(c), 1);
    EXPECT_EQ(eval(kMdlHeaderSize), 5u);
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    EXPECT_EQ(MdlEvalStackAlloc(c), -1);
    winsim::clearFaults();
    EXPECT_EQ(eval(kMdlHeaderSize), 0u);
}

TEST_F(Evaluator, ComputedIdsAreAskedForNeverRead) {
    uint32_t unlisted = raw.program({{kOpt, 740}, {kOp, kEnd}});
    uint32_t landscape = raw.program({{kOpt, 827}, {kOp, kEnd}});
    build();
    // The stored byte of an id without a predicate is never the answer.
    ItemSetRawById(c, 740, 1);
    ASSERT_EQ(ItemRawById(c, 740), 1u);
    EXPECT_EQ(eval(unlisted), 0u);
    ItemSetRawById(c, 827, 1);
    ItemSetRawById(c, kItDmOrientation, 1);  // portrait
    EXPECT_EQ(eval(landscape), 0u);
    ItemSetRawById(c, kItDmOrientation, 2);
    EXPECT_EQ(eval(landscape), 1u);
}

// ---- Rule records and Transact runs on descriptions ----

namespace {

using Rules = ImageTest;

const char* kRulesText =
    "*OpenUI *VPD_rdmFuncSelectStaple: Boolean\n*CloseUI\n"
    "*OpenUI *VPD_rdmFuncSelectPunch: Boolean\n*CloseUI\n"
    "*OpenUI *VPD_rdmFuncSelectDuplex: Boolean\n*CloseUI\n"
    "*OpenUI *VPD_rdmUserCode: String\n*CloseUI\n"
    "*OpenUI *VPD_rdmMediaType: PickOne\n"
    "*VPD_rdmMediaType: IDList { IDS_MEDIA_PLAIN IDS_MEDIA_THICK IDS_MEDIA_LABEL }\n*CloseUI\n"
    "*Judge 1=Code: { VPD_rdmUserCode > 0 }\n"
    "*Judge 2=NoCode: { VPD_rdmUserCode < 1 }\n"
    "*Judge 3=Staple: { VPD_rdmFuncSelectStaple == 1 }\n"
    "*Judge 4=Thick: { VPD_rdmMediaType == IDS_MEDIA_THICK }\n"
    "*Action 1=StapleOn: { VPD_rdmFuncSelectStaple 1 }\n"
    "*Action 2=PunchOn: { VPD_rdmFuncSelectPunch 1 }\n"
    "*Action 3=DuplexOn: { VPD_rdmFuncSelectDuplex 1 }\n"
    "*Action 4=Finish: { VPD_rdmFuncSelectDuplex 1 VPD_IDD_FINISH 0 VPD_rdmFuncSelectPunch 1 }\n"
    "*Action 5=Label: { VPD_rdmMediaType IDS_MEDIA_LABEL VPD_rdmUserCode 2000 }\n"
    // Code twice (the second time passed over while it was false), then
    // NoCode; a pair without condition; a page that ends the run.
    "*Transact 1=T1: { Code StapleOn Code PunchOn NoCode DuplexOn }\n"
    "*Transact 2=T2: { NULL Finish NULL StapleOn }\n"
    "*Transact 3=T3: { Staple PunchOn Staple DuplexOn }\n"
    "*Transact 4=T4: { NULL Label }\n"
    "*AlertAction 1=Answers: { IDOK T2 IDCANCEL T3 }\n"
    "*Alert 1=Messages: {\n"
    "  Code VPD_CoverMessage MB_ICONSTOP MB_OK AlertAtOnce NULL\n"
    "  Thick VPD_MarkMessage MB_ICONSTOP MB_OKCANCEL AlertAtOnce Answers\n"
    "  Staple VPD_MarkMessage MB_ICONSTOP MB_OKCANCEL AlertAtOnce NULL\n"
    "}\n"
    "*Item 1=PerValue: { IDS_MEDIA_THICK Staple NULL IDS_MEDIA_LABEL NULL Thick }\n"
    "*Exclusive: {\n"
    "  VPD_rdmFuncSelectStaple Code NoCode NULL Messages T1 T2\n"
    "  VPD_rdmMediaType NULL Thick PerValue Messages T3 T4\n"
    "  VPD_rdmFuncSelectPunch NULL NULL NULL NULL NULL NULL\n"
    "}\n";

}  // namespace

TEST_F(Rules, TransactPairsRunInOrderAndAFalseProgramIsNotRunAgain) {
    load(kRulesText);
    const uint32_t staple = optionOf(c, "VPD_rdmFuncSelectStaple");
    ASSERT_NE(staple, 0u);
    // No user code: Code is false once (one read of the text), its second
    // pair is passed over, NoCode holds.
    winsim::journalEnable(true);
    winsim::journalClear();
    EXPECT_EQ(MdlApplyOptionActions(c, staple), 0u);
    EXPECT_EQ(winsim::journalCount("GlobalAlloc"), 2u);
    winsim::journalEnable(false);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectStaple), 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectPunch), 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectDuplex), 1u);
    // With a user code both Code pairs run; NoCode does not.
    ItemSetRawById(c, kItRdmFuncSelectDuplex, 0);
    ItemSetString(c, ItemFindById(c, kItRdmUserCode), u"77");
    EXPECT_EQ(MdlApplyOptionActions(c, staple), 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectStaple), 1u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectPunch), 1u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectDuplex), 0u);
}

TEST_F(Rules, APageTargetEndsTheRunWithItsPageId) {
    load(kRulesText);
    uint32_t rule = MdlOptionRule(c, optionOf(c, "VPD_rdmFuncSelectStaple"));
    ASSERT_NE(rule, 0u);
    uint32_t second = 0;
    ASSERT_TRUE(MdlViewOf(c).link(rule + kMdlRuleTransact2, kMdlImgPairSize, &second));
    // The pairs before the page are applied, the ones after it are not, nor
    // any later Transact pair.
    EXPECT_EQ(MdlRunTransactList(c, second), 1004u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectDuplex), 1u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectPunch), 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectStaple), 0u);
    EXPECT_EQ(MdlRunTransactList(c, 0), 0u);
}

TEST_F(Rules, ActionsSetLogicalValuesAndResourceTexts) {
    load(kRulesText);
    const uint32_t media = optionOf(c, "VPD_rdmMediaType");
    uint32_t rule = MdlOptionRule(c, media), fourth = 0;
    ASSERT_TRUE(MdlViewOf(c).link(rule + kMdlRuleTransact2, kMdlImgPairSize, &fourth));
    ItemSetString(c, ItemFindById(c, kItRdmUserCode), u"123");
    EXPECT_EQ(MdlRunTransactList(c, fourth), 0u);
    EXPECT_EQ(ItemValueById(c, kItRdmMediaType), 5u);  // IDS_MEDIA_LABEL
    // A text item takes the resource string of the value's id; with no
    // string library loaded that text is empty.
    WCHAR text[16] = u"x";
    ItemGetString(c, ItemFindById(c, kItRdmUserCode), text, 16);
    EXPECT_EQ(std::u16string(text), u"");
}

TEST_F(Rules, ConditionsOfTheOptionAndOfItsValues) {
    load(kRulesText);
    const uint32_t staple = optionOf(c, "VPD_rdmFuncSelectStaple");
    const uint32_t media = optionOf(c, "VPD_rdmMediaType");
    const uint32_t punch = optionOf(c, "VPD_rdmFuncSelectPunch");
    const uint32_t duplex = optionOf(c, "VPD_rdmFuncSelectDuplex");
    EXPECT_EQ(MdlEvalOptionCond1(c, staple, 0), 0u);  // Code
    EXPECT_EQ(MdlEvalOptionCond2(c, staple, 0), 1u);  // NoCode
    ItemSetString(c, ItemFindById(c, kItRdmUserCode), u"5");
    EXPECT_EQ(MdlEvalOptionCond1(c, staple, 0), 1u);
    EXPECT_EQ(MdlEvalOptionCond2(c, staple, 0), 0u);
    // Per value: THICK's first condition is Staple, LABEL's second is Thick.
    uint32_t rule = MdlOptionRule(c, media);
    EXPECT_NE(MdlFindSubRecord(c, rule, 3), 0u);
    EXPECT_EQ(MdlFindSubRecord(c, rule, 1), 0u);  // PLAIN has no entry
    EXPECT_EQ(MdlEvalOptionCond1(c, media, 3), 0u);
    ItemSetRawById(c, kItRdmFuncSelectStaple, 1);
    EXPECT_EQ(MdlEvalOptionCond1(c, media, 3), 1u);
    EXPECT_EQ(MdlEvalOptionCond2(c, media, 3), 0u);   // no second condition
    EXPECT_EQ(MdlEvalOptionCond2(c, media, 5), 0u);
    ItemSetValueById(c, kItRdmMediaType, 3);
    EXPECT_EQ(MdlEvalOptionCond2(c, media, 5), 1u);
    EXPECT_EQ(MdlEvalOptionCond1(c, media, 1), 0u);   // a value without entry
    EXPECT_EQ(MdlEvalOptionCond1(c, media, 0), 0u);   // no first condition as a whole
    EXPECT_EQ(MdlEvalOptionCond2(c, media, 0), 1u);
    // A rule record of nothing but NULLs, and an option without one.
    EXPECT_NE(MdlOptionRule(c, punch), 0u);
    EXPECT_EQ(MdlEvalOptionCond1(c, punch, 0), 0u);
    EXPECT_EQ(MdlApplyOptionActions(c, punch), 0u);
    EXPECT_EQ(MdlOptionRule(c, duplex), 0u);
    EXPECT_EQ(MdlEvalOptionCond1(c, duplex, 0), 0u);
    EXPECT_EQ(MdlFirstTrueEntry(c, duplex), 0u);
    EXPECT_EQ(MdlFindSubRecord(c, 0, 3), 0u);
}

TEST_F(Rules, AlertsAndTheActionsOfAnAnswer) {
    load(kRulesText);
    const uint32_t media = optionOf(c, "VPD_rdmMediaType");
    EXPECT_EQ(MdlFirstTrueEntry(c, media), 0u);
    ItemSetRawById(c, kItRdmFuncSelectStaple, 1);  // Staple: the third entry
    EXPECT_EQ(MdlFirstTrueEntry(c, media), 259u);
    ItemSetString(c, ItemFindById(c, kItRdmUserCode), u"5");  // Code: the first entry wins
    EXPECT_EQ(MdlFirstTrueEntry(c, media), 258u);
    // The answer IDCANCEL (7 answers... key 2) to message 259 runs T3 of the
    // first entry with that message; IDOK runs T2, which ends at its page.
    ItemSetRawById(c, kItRdmFuncSelectStaple, 1);
    EXPECT_EQ(MdlApplyOptionSubActions(c, media, 259, 2), 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectPunch), 1u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectDuplex), 1u);
    ItemSetRawById(c, kItRdmFuncSelectDuplex, 0);
    EXPECT_EQ(MdlApplyOptionSubActions(c, media, 259, 1), 1004u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectDuplex), 1u);
    // No pair for the answer, no entry with the message, no alerts.
    ItemSetRawById(c, kItRdmFuncSelectDuplex, 0);
    EXPECT_EQ(MdlApplyOptionSubActions(c, media, 259, 6), 0u);
    EXPECT_EQ(MdlApplyOptionSubActions(c, media, 258, 1), 0u);
    EXPECT_EQ(MdlApplyOptionSubActions(c, media, 240, 1), 0u);
    EXPECT_EQ(ItemRawById(c, kItRdmFuncSelectDuplex), 0u);
}
