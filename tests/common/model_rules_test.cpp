#include <gtest/gtest.h>

#include "common/model_support.h"

using namespace vesk;
using namespace vesk::test;

namespace {

using Cells = std::vector<MdlCondCell>;

class ModelRules : public ::testing::Test {
protected:
    // Compiles against the rules read so far; an empty vector when it fails.
    Cells compile(const std::string& text, char* stop = nullptr) {
        MdlExprCursor c{text.data(), text.data() + text.size(), nullptr};
        Cells out;
        if (!MdlCompileExpression(r, c, out, stop)) return {};
        return out;
    }
    bool passes(const Cells& p) { return MdlCheckProgram(p.data(), p.size()) == 1; }

    winsim::TempMachine machine_;
    MdlParseResult r;
    const uint16_t copies = itemOf("VPD_dmCopies");
    const uint16_t collate = itemOf("VPD_dmCollate");
};

constexpr MdlCondCell kEnd{3, 10};
MdlCondCell op(uint16_t v) { return {3, v}; }
MdlCondCell lit(uint16_t v) { return {2, v}; }
MdlCondCell opt(uint16_t v) { return {1, v}; }

}  // namespace

TEST_F(ModelRules, Tokens) {
    std::string text = "  Name_1 42 42x >=!( ) {}- \x83";
    MdlExprCursor c{text.data(), text.data() + text.size(), nullptr};
    std::string t;
    EXPECT_EQ(MdlExprNextToken(c, t), kTokName);
    EXPECT_EQ(t, "Name_1");
    EXPECT_EQ(MdlExprNextToken(c, t), kTokNumber);
    EXPECT_EQ(t, "42");
    EXPECT_EQ(MdlExprNextToken(c, t), kTokName);  // digits followed by a keyword character
    EXPECT_EQ(t, "42x");
    EXPECT_EQ(MdlExprNextToken(c, t), kTokOperator);
    EXPECT_EQ(t, ">=!");
    EXPECT_EQ(MdlExprNextToken(c, t), kTokBracket);
    EXPECT_EQ(MdlExprNextToken(c, t), kTokBracket);
    EXPECT_EQ(MdlExprNextToken(c, t), kTokBracket);
    EXPECT_EQ(t, "{");
    EXPECT_EQ(MdlExprNextToken(c, t), kTokBracket);
    EXPECT_EQ(MdlExprNextToken(c, t), kTokOther);
    EXPECT_EQ(t, "-");
    EXPECT_EQ(MdlExprNextToken(c, t), kTokOther);
    EXPECT_EQ(t, "\x83");
    EXPECT_EQ(MdlExprNextToken(c, t), kTokOther);  // the end, as often as asked
    EXPECT_EQ(t, "");
    EXPECT_EQ(MdlExprNextToken(c, t), kTokOther);
}

TEST_F(ModelRules, CompilesLeftToRightWithoutPrecedence) {
    EXPECT_EQ(compile("VPD_dmCopies == 1"), (Cells{opt(copies), lit(1), op(1), kEnd}));
    EXPECT_EQ(compile("VPD_dmCopies == 1 && VPD_dmCollate"),
              (Cells{opt(copies), lit(1), op(1), opt(collate), op(3), kEnd}));
    // 1 + 2 * 3 style: the operators apply in the order written.
    EXPECT_EQ(compile("1 || 0 && 0"), (Cells{lit(1), lit(0), op(4), lit(0), op(3), kEnd}));
    EXPECT_EQ(compile("((VPD_dmCopies == 1) && (VPD_dmCollate == 0))"),
              (Cells{opt(copies), lit(1), op(1), opt(collate), lit(0), op(1), op(3), kEnd}));
    // Value names give literals.
    EXPECT_EQ(compile("VPD_rdmMediaType != IDS_MEDIA_THICK"), (Cells{opt(378), lit(3), op(2), kEnd}));
    // Every operator.
    const char* ops[] = {"==", "!=", "&&", "||", "!", ">", "<", ">=", "<="};
    for (uint16_t i = 0; i < 9; ++i) {
        if (i == 4) continue;
        EXPECT_EQ(compile(std::string("1 ") + ops[i] + " 2"), (Cells{lit(1), lit(2), op(i + 1), kEnd})) << ops[i];
    }
    EXPECT_EQ(compile("!VPD_dmCollate"), (Cells{opt(collate), op(5), kEnd}));
    EXPECT_EQ(compile("(!(VPD_dmCollate))"), (Cells{opt(collate), op(5), kEnd}));
    EXPECT_EQ(compile("65535"), (Cells{lit(65535), kEnd}));
    char stop = 'x';
    EXPECT_EQ(compile("1 } rest", &stop), (Cells{lit(1), kEnd}));
    EXPECT_EQ(stop, '}');
    compile("1", &stop);
    EXPECT_EQ(stop, 0);
}

TEST_F(ModelRules, ExpressionsThatDoNotCompile) {
    // An operator that would be dropped: before a final group, before a
    // character outside the language, or at the end.
    EXPECT_TRUE(compile("(VPD_dmCopies == 1) && (VPD_dmCollate == 0)").empty());
    EXPECT_TRUE(compile("!(VPD_dmCollate)").empty());
    EXPECT_TRUE(compile("VPD_dmCopies == -1").empty());
    EXPECT_TRUE(compile("VPD_dmCopies ==").empty());
    EXPECT_TRUE(compile("VPD_dmCopies - 1").empty());
    EXPECT_TRUE(compile("VPD_dmCopies = 1").empty());  // no such operator
    EXPECT_TRUE(compile("VPD_NoSuch == 1").empty());
    EXPECT_TRUE(compile("VPD_IDD_BASIC == 1").empty());  // a page is no option
    EXPECT_TRUE(compile("65536").empty());
    EXPECT_TRUE(compile("(1").empty());
    EXPECT_TRUE(compile("1)").empty());
    EXPECT_TRUE(compile(std::string(65, '(') + "1" + std::string(65, ')')).empty());
    EXPECT_FALSE(compile(std::string(60, '(') + "1" + std::string(60, ')')).empty());
}

TEST_F(ModelRules, CheckCountsDepthAndEndsWithOneValue) {
    EXPECT_TRUE(passes({lit(1), kEnd}));
    EXPECT_FALSE(passes({kEnd}));
    EXPECT_FALSE(passes({lit(1), lit(2), kEnd}));
    EXPECT_FALSE(passes({lit(1), op(1), kEnd}));
    EXPECT_TRUE(passes({lit(1), op(5), kEnd}));  // '!' takes one value
    EXPECT_FALSE(passes({op(5), kEnd}));
    EXPECT_FALSE(passes({lit(1)}));                      // no end cell
    EXPECT_FALSE(passes({lit(1), kEnd, lit(2), op(1)}));  // cells after the end
    EXPECT_FALSE(passes({{0, 0}, lit(1), kEnd}));
    EXPECT_FALSE(passes({{4, 0}, lit(1), kEnd}));
    EXPECT_FALSE(passes({lit(1), lit(2), op(11), kEnd}));
    EXPECT_EQ(MdlCheckProgram(nullptr, 0), 0);
    // The depth must stay below 128.
    Cells deep, deeper;
    for (int i = 0; i < 127; ++i) deep.push_back(lit(1));
    deeper = deep;
    deeper.push_back(lit(1));
    for (int i = 0; i < 126; ++i) deep.push_back(op(3));
    for (int i = 0; i < 127; ++i) deeper.push_back(op(3));
    deep.push_back(kEnd);
    deeper.push_back(kEnd);
    EXPECT_TRUE(passes(deep));
    EXPECT_FALSE(passes(deeper));
    // Operands beyond 128 pass when operators keep the depth low.
    Cells wide{lit(1)};
    for (int i = 0; i < 300; ++i) {
        wide.push_back(lit(1));
        wide.push_back(op(3));
    }
    wide.push_back(kEnd);
    EXPECT_TRUE(passes(wide));
}

TEST_F(ModelRules, References) {
    EXPECT_EQ(MdlParseRuleRef("Judge7"), 0x10007u);
    EXPECT_EQ(MdlParseRuleRef("Item12"), 0x2000Cu);
    EXPECT_EQ(MdlParseRuleRef("Action3"), 0x30003u);
    EXPECT_EQ(MdlParseRuleRef("Transact4"), 0x40004u);
    EXPECT_EQ(MdlParseRuleRef("AlertAction2"), 0x60002u);
    EXPECT_EQ(MdlParseRuleRef("Alert2"), 0x50002u);
    EXPECT_EQ(MdlParseRuleRef("NULL"), 0u);
    EXPECT_EQ(MdlParseRuleRef("Paper"), 0x70000u);
    EXPECT_EQ(MdlParseRuleRef("judge7"), 0x70000u);
    int64_t n;
    ASSERT_TRUE(MdlParseDecimal("Judge12", &n));
    EXPECT_EQ(n, 12);
    ASSERT_TRUE(MdlParseDecimal("3=Paper9", &n));
    EXPECT_EQ(n, 3);
    ASSERT_TRUE(MdlParseDecimal("a1-b2", &n));
    EXPECT_EQ(n, -12);
    EXPECT_FALSE(MdlParseDecimal("99999999999", &n));
    MdlNameTableAdd(r, "Paper", 4, kSecItem);
    MdlNameTableAdd(r, "Paper", 9, kSecItem);
    EXPECT_EQ(MdlNameTableFind(r, "Paper", kSecItem), 4);
    EXPECT_EQ(MdlNameTableFind(r, "Paper", kSecJudge), 0);
    EXPECT_EQ(MdlNameTableFind(r, "Paper", 9), 0);
}

TEST_F(ModelRules, EverySection) {
    ParsePtr p = parse(
        "*OpenUI *VPD_dmPaperSize: PickPage\n"
        "*VPD_dmPaperSize: { IDS_PAPERSIZE_A3 IDS_PAPERSIZE_A4 }\n"
        "*DefaultVPD_dmPaperSize: IDS_PAPERSIZE_A4\n"
        "*CloseUI\n"
        "*Judge 3=Big: { VPD_dmPaperSize == IDS_PAPERSIZE_A3 }\n"
        "*Judge 4=BigOne: { ((Big) && (VPD_dmCopies == 1)) }\n"
        "*Judge 5=ItemCheck: { VPD_dmCopies > 1 }\n"
        "*Item 2=PerPaper: { IDS_PAPERSIZE_A3 Big Judge4 IDS_PAPERSIZE_A4 NULL NULL }\n"
        "*Action 6=Reset: { VPD_dmPaperSize Default VPD_dmCopies 12 VPD_IDD_BASIC 0 VPD_rdmMediaType IDS_MEDIA_LABEL }\n"
        "*Transact 1=Fix: { Big Reset NULL Action6 }\n"
        "*AlertAction 2=Answers: { IDNO Fix VPD_dmCopies NULL }\n"
        "*Alert 1=Warn: { BigOne VPD_PrintSizeIllegalMessage MB_ICONINFORMATION MB_YESNOCANCEL AlertDialog Answers }\n"
        "*Exclusive: { VPD_dmPaperSize Big NULL PerPaper Warn Fix Transact1 }\n");
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->skipped.empty()) << skippedText(*p);
    ASSERT_EQ(p->judges.size(), 3u);
    EXPECT_EQ(p->judges[1].program,
              (Cells{opt(8), lit(40), op(1), opt(copies), lit(1), op(1), op(3), kEnd}));  // Big copied in
    ASSERT_EQ(p->items.size(), 1u);
    EXPECT_EQ(p->items[0].number, 2);
    ASSERT_EQ(p->items[0].entries.size(), 2u);
    EXPECT_EQ(p->items[0].entries[0].valueId, 40u);
    EXPECT_EQ(p->items[0].entries[0].judge1, 3);
    EXPECT_EQ(p->items[0].entries[0].judge2, 4);
    EXPECT_EQ(p->items[0].entries[1].judge1, 0);
    const auto& act = p->actions[0].entries;
    ASSERT_EQ(act.size(), 4u);
    EXPECT_EQ(act[0].value, 41u);  // the default so far
    EXPECT_EQ(act[1].targetId, copies);
    EXPECT_EQ(act[1].value, 12u);
    EXPECT_EQ(act[2].targetKind, 1);
    EXPECT_EQ(act[2].targetId, 1002);
    EXPECT_EQ(act[3].value, 5u);
    const auto& tr = p->transacts[0].entries;
    ASSERT_EQ(tr.size(), 2u);
    EXPECT_EQ(tr[0].judge, 3);
    EXPECT_EQ(tr[0].action, 6);
    EXPECT_EQ(tr[1].judge, 0);
    EXPECT_EQ(tr[1].action, 6);
    const auto& aa = p->alertActions[0].entries;
    EXPECT_EQ(aa[0].optionKey, 7);  // IDNO
    EXPECT_EQ(aa[0].transact, 1);
    EXPECT_EQ(aa[1].optionKey, keyOf("VPD_dmCopies"));
    const MdlAlertEntry& al = p->alerts[0].entries[0];
    EXPECT_EQ(al.judge, 4);
    EXPECT_EQ(al.messageKey, 254);
    EXPECT_EQ(al.icon, 0x40);
    EXPECT_EQ(al.buttons, 3);
    EXPECT_EQ(al.mode, 3);
    EXPECT_EQ(al.alertAction, 2);
    ASSERT_EQ(p->exclusive.size(), 1u);
    const MdlExclusiveRow& row = p->exclusive[0];
    EXPECT_EQ(row.optionKey, 8);
    EXPECT_EQ(row.judge1, 3);
    EXPECT_EQ(row.item, 2);
    EXPECT_EQ(row.alert, 1);
    EXPECT_EQ(row.transact1, 1);
    EXPECT_EQ(row.transact2, 1);
    // The names (views into the text) are gone with the parse.
    for (const auto& t : p->nameIndex) EXPECT_TRUE(t.empty());
}

TEST_F(ModelRules, StatementsThatAreSkipped) {
    ParsePtr p = parse(
        "*Judge 1=One: { VPD_dmCopies == 1 }\n"
        "*Judge 2=ItemCheck: { VPD_dmCopies == 2 }\n"
        "*Judge 0=Zero: { 1 }\n"                                         // 3 number 0
        "*Judge 70000=Big: { 1 }\n"                                      // 4 out of range
        "*Judge 1=Again: { 1 }\n"                                        // 5 number taken
        "*Judge 6=One: { 1 }\n"                                          // 6 name taken
        "*Judge 7=Bare: VPD_dmCopies == 1\n"                             // 7 no braces
        "*Judge 8=Open: { VPD_dmCopies == 1 \n"                          // 8 never closed ...
        "}\n"                                                            // ... closed here: read as one
        "*Judge 9=Nested: { { 1 } }\n"                                   // 10
        "*Judge 10=Tail: { 1 } 2\n"                                      // 11
        "*Judge 11=Self: { Self }\n"                                     // 12
        "*Item 1=A: { IDS_MEDIA_THICK ItemCheck NULL }\n"                // 13 a prefix: an Item reference
        "*Item 2=B: { IDS_MEDIA_THICK One }\n"                           // 14 incomplete
        "*Item 3=C: { IDS_NOPE One NULL }\n"                             // 15
        "*Item 4=D: { IDS_MEDIA_THICK One NULL ( }\n"                    // 16
        "*Action 1=E: { VPD_dmCopies Default }\n"                        // 17 no option yet
        "*Action 2=F: { VPD_IDD_BASIC Default }\n"                       // 18
        "*Action 3=G: { VPD_dmCopies IDS_NOPE }\n"                       // 19
        "*Transact 1=H: { One Action9 }\n"                               // 20 kept: a number may come later
        "*Transact 2=I: { One Judge1 }\n"                                // 21 wrong section
        "*Transact 3=J: { Two NULL }\n"                                  // 22 unknown name
        "*AlertAction 1=K: { IDMAYBE NULL }\n"                           // 23
        "*Alert 1=L: { One VPD_NoMessage MB_ICONSTOP MB_OK AlertAtOnce NULL }\n"   // 24
        "*Alert 2=M: { One VPD_CopiesIllegalMessage MB_ICONSTOP MB_OK Sometimes NULL }\n"  // 25
        "*Exclusive: { VPD_dmCopies One NULL NULL NULL NULL NULL }\n"
        "*Exclusive: { VPD_dmCopies One NULL NULL NULL NULL NULL VPD_NoSuch One NULL NULL NULL NULL NULL }\n"  // 27
        "*Exclusive: { VPD_dmCopies One NULL NULL NULL Transact1 Judge1 }\n");  // 28
    ASSERT_TRUE(p);
    std::vector<uint32_t> got;
    for (const MdlSkipped& s : p->skipped) got.push_back(s.line);
    EXPECT_EQ(got, (std::vector<uint32_t>{3, 4, 5, 6, 7, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 21, 22, 23, 24, 25,
                                          27, 28}))
        << skippedText(*p);
    EXPECT_EQ(p->judges.size(), 3u);
    EXPECT_EQ(p->judges[2].number, 8);
    ASSERT_EQ(p->transacts.size(), 1u);
    EXPECT_EQ(p->transacts[0].entries[0].action, 9);
    EXPECT_EQ(p->exclusive.size(), 1u);  // a failing statement adds none of its rows
}

TEST_F(ModelRules, AJudgeNameIsTakenBeforeItsExpressionCompiles) {
    ParsePtr p = parse(
        "*Judge 5=Broken: { VPD_NoSuch == 1 }\n"           // 1 does not compile
        "*Judge 6=Broken: { VPD_dmCopies == 1 }\n"         // 2 the name is taken
        "*Item 1=X: { IDS_MEDIA_THICK Broken NULL }\n"     // 3 names no program
        "*Judge 7=Fine: { VPD_dmCopies == 2 }\n"
        "*Item 2=Y: { IDS_MEDIA_THICK Fine NULL }\n");
    ASSERT_TRUE(p);
    std::vector<uint32_t> got;
    for (const MdlSkipped& s : p->skipped) got.push_back(s.line);
    EXPECT_EQ(got, (std::vector<uint32_t>{1, 2, 3})) << skippedText(*p);
    ASSERT_EQ(p->judges.size(), 1u);
    EXPECT_EQ(p->judges[0].number, 7);
    ASSERT_EQ(p->items.size(), 1u);
    EXPECT_EQ(p->items[0].entries[0].judge1, 7);
}
