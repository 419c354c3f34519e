// The reader's handlers share buffers from statement to statement and read
// words as views into the text: a statement must never see what an earlier
// one (long, or broken half-way) left in them, and names compared in place
// must match whole names only.
#include <gtest/gtest.h>

#include <string>

#include "common/model_support.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class ModelReaderReuse : public ::testing::Test {
protected:
    winsim::TempMachine machine_;
};

// The reasons of the skipped statements, one a line.
std::string reasons(const MdlParseResult& r) {
    std::string s;
    for (const MdlSkipped& k : r.skipped) s += k.reason + "\n";
    return s;
}

}  // namespace

TEST_F(ModelReaderReuse, ALongStatementLeavesNothingToTheNextShortOne) {
    const std::string pad(300, ' ');
    ParsePtr r = parse(
        "*OpenUI *VPD_dmCopies: Numeric\n"
        "*NumericValue: 1 \"11 12 13 14 15 16 17 18" + pad + "\"\n"
        "*CloseUI\n"
        "*OpenUI *VPD_rdmUserCode: Numeric\n"
        "*NumericValue: 2 \"21 22 23 24 25 26\"\n"
        "*CloseUI\n"
        "*OpenUI *VPD_dmPaperSize: PickPage\n"
        "*VPD_dmPaperSize: IDList { IDS_PAPERSIZE_A4 IDS_PAPERSIZE_A3 }\n"
        "*PageMMValue *VPD_dmPaperSize IDS_PAPERSIZE_A4: \"2100 2970" + pad + "\"\n"
        "*PageMMValue *VPD_dmPaperSize IDS_PAPERSIZE_A3: \"2970\"\n"
        "*CloseUI\n"
        "*OpenUI *VPD_dmDefaultSource: PickSlot\n"
        "*VPD_dmDefaultSource: IDList { IDS_SOURCE_TRAY1 IDS_SOURCE_TRAY2 }\n"
        "*SlotPaper *VPD_dmDefaultSource IDS_SOURCE_TRAY1: { IDS_PAPERSIZE_A4 IDS_PAPERSIZE_A3 IDS_PAPERSIZE_B5 }\n"
        "*SlotPaper *VPD_dmDefaultSource IDS_SOURCE_TRAY1: { IDS_PAPERSIZE_A5 IDS_NOPE }\n"
        "*SlotPaper *VPD_dmDefaultSource IDS_SOURCE_TRAY2: { IDS_PAPERSIZE_A5 }\n"
        "*CloseUI\n");
    ASSERT_TRUE(r);
    EXPECT_EQ(reasons(*r), "two numbers are expected\n'IDS_NOPE' is not a value name\n");
    const MdlNumericBlock& a = option(*r, "VPD_dmCopies")->numeric;
    EXPECT_EQ(a.f8, 17);
    EXPECT_EQ(a.f10, 18);
    const MdlNumericBlock& b = option(*r, "VPD_rdmUserCode")->numeric;
    EXPECT_EQ(b.f0, 2);
    EXPECT_EQ(b.f2, 21);
    EXPECT_EQ(b.f6, 26);
    EXPECT_EQ(b.f8, 0);  // not the 17 of the statement before
    EXPECT_EQ(b.f10, 0);
    const MdlOption* paper = option(*r, "VPD_dmPaperSize");
    EXPECT_EQ(paper->values[0].size1, 2100);
    EXPECT_EQ(paper->values[1].size1, 0);  // its one number is refused
    const MdlOption* source = option(*r, "VPD_dmDefaultSource");
    // The broken statement changes nothing; the next takes its own paper only.
    EXPECT_EQ(source->values[0].slotPapers,
              (std::vector<uint16_t>{valueId("IDS_PAPERSIZE_A4"), valueId("IDS_PAPERSIZE_A3"), valueId("IDS_PAPERSIZE_B5")}));
    EXPECT_EQ(source->values[1].slotPapers, std::vector<uint16_t>{valueId("IDS_PAPERSIZE_A5")});
}

TEST_F(ModelReaderReuse, RuleWordsAreThoseOfTheirOwnStatement) {
    ParsePtr r = parse(
        "*Judge 1=One: { VPD_dmCopies == 1 }\n"
        "*Item 1=Three: { IDS_PAPERSIZE_A3 One NULL IDS_PAPERSIZE_A4 NULL One IDS_PAPERSIZE_B5 One One }\n"
        "*Item 2=Broken: { IDS_PAPERSIZE_A3 One NULL IDS_PAPERSIZE_A4 == }\n"
        "*Item 3=Single: { IDS_PAPERSIZE_A5 NULL NULL }\n"
        "*Action 1=Page: { VPD_IDD_BASIC 0 }\n"
        "*Action 2=Short: { VPD_IDD_BAS 0 }\n"
        "*Action 3=Long: { VPD_IDD_BASICX 0 }\n"
        "*Transact 1=Go: { One Page }\n"
        "*AlertAction 1=Answers: { IDOK Go IDMAYBE Go }\n"
        "*AlertAction 2=Yes: { IDYES Go }\n"
        "*Alert 1=Warn: { One VPD_PrintSizeIllegal MB_ICONSTOP MB_OK AlertDialog Yes }\n"
        "*Alert 2=Warn2: { One VPD_PrintSizeIllegalMessage MB_ICONSTOP MB_OK AlertDialog Yes }\n");
    ASSERT_TRUE(r);
    EXPECT_EQ(reasons(*r),
              "unexpected '=='\n"
              "'VPD_IDD_BAS' is no page and no option\n"
              "'VPD_IDD_BASICX' is no page and no option\n"
              "'IDMAYBE' is not a dictionary symbol nor a message-box answer\n"
              "'VPD_PrintSizeIllegal' is not a message name\n");
    ASSERT_EQ(r->items.size(), 2u);
    EXPECT_EQ(r->items[0].entries.size(), 3u);
    ASSERT_EQ(r->items[1].entries.size(), 1u);
    EXPECT_EQ(r->items[1].entries[0].valueId, valueId("IDS_PAPERSIZE_A5"));
    ASSERT_EQ(r->actions.size(), 1u);
    EXPECT_EQ(r->actions[0].entries[0].targetKind, 1);
    EXPECT_EQ(r->actions[0].entries[0].targetId, 1002);
    ASSERT_EQ(r->alertActions.size(), 1u);
    EXPECT_EQ(r->alertActions[0].entries[0].optionKey, 6);  // IDYES
    ASSERT_EQ(r->alerts.size(), 1u);
    EXPECT_EQ(r->alerts[0].entries[0].messageKey, 254);
}

TEST_F(ModelReaderReuse, WordsWithANulAreLookedUpToTheNul) {
    // The lookups read a word as a C string; a view must be cut the same way.
    const std::string nul(1, '\0');
    ParsePtr r = parse(
        "*OpenUI *VPD_dmCollate: Boolean\n*CloseUI\n"
        "*OpenUI *VPD_rdmJobLinker: Identity VPD_dmCollate" + nul + "tail\n*CloseUI\n"
        "*OpenUI *VPD_dmPaperSize: PickPage\n"
        "*VPD_dmPaperSize: IDList { IDS_PAPERSIZE_A4 }\n"
        "*PageValue *VPD_dmPaperSize IDS_PAPERSIZE_A4: IDS_RESOLUTION_600" + nul + "x IDS_ORIENT_PORTRAIT "
        "VPD_dmCollate" + nul + "y True \"1 2 3 4\"\n"
        "*CloseUI\n");
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->skipped.empty()) << skippedText(*r);
    EXPECT_EQ(option(*r, "VPD_rdmJobLinker")->identityKey, keyOf("VPD_dmCollate"));
    const MdlValue& a4 = option(*r, "VPD_dmPaperSize")->values.at(0);
    ASSERT_EQ(a4.pages.size(), 1u);
    EXPECT_EQ(a4.pages[0].resolution, valueId("IDS_RESOLUTION_600"));
    EXPECT_EQ(a4.pages[0].condKey, keyOf("VPD_dmCollate"));
    EXPECT_EQ(a4.pages[0].condValue, 1);
}

TEST_F(ModelReaderReuse, QuotedTextsDecodeAlikeAtEveryOffsetOfARun) {
    // Runs of plain bytes are passed over many at a time: an escape, a hex
    // run, a line end or a byte from 0x80 on must be seen wherever it falls.
    for (size_t k = 0; k < 40; ++k) {
        const std::string a(k, 'a');
        const std::string b(20, 'b');
        ParsePtr r = parse("*OpenUI *VPD_dmCollate: Boolean\n*OptionCommand: \"" + a + "%\"" + b + "<41 42>" + a +
                           "\r\n" + b + "\xE9" + a + "\" \"" + a + "\"\n*CloseUI\n");
        ASSERT_TRUE(r);
        EXPECT_TRUE(r->skipped.empty()) << k << ": " << skippedText(*r);
        const MdlOption* o = option(*r, "VPD_dmCollate");
        EXPECT_EQ(o->prefix, a + "\"" + b + "AB" + a + b + "\xE9" + a) << k;
        EXPECT_EQ(o->suffix, a) << k;
    }
}

TEST_F(ModelReaderReuse, ASubNumberedCopyTakesTheBlockButNotItsValues) {
    ParsePtr r = parse(
        "*OpenUI *VPD_rdmMediaType: PickOne\n"
        "*VPD_rdmMediaType: IDList { IDS_MEDIA_PLAIN IDS_MEDIA_THICK }\n"
        "*VPD_rdmMediaType IDS_MEDIA_LABEL: \"a command long enough to live on the heap\"\n"
        "*OptionCommand: \"pre\" \"suf\"\n"
        "*DefaultVPD_rdmMediaType: IDS_MEDIA_THICK\n"
        "*CloseUI\n"
        "*OpenUI *VPD_rdmMediaType 3: PickOne\n*CloseUI\n");
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->skipped.empty()) << skippedText(*r);
    ASSERT_EQ(r->options.size(), 2u);
    const MdlOption& first = r->options[0];
    const MdlOption& copy = r->options[1];
    EXPECT_EQ(first.values.size(), 3u);
    EXPECT_TRUE(copy.values.empty());
    EXPECT_TRUE(copy.isCopy);
    EXPECT_EQ(copy.subNumber, 3);
    EXPECT_EQ(copy.key, first.key);
    EXPECT_EQ(copy.type, first.type);
    EXPECT_TRUE(copy.hasCommands);
    EXPECT_EQ(copy.prefix, "pre");
    EXPECT_EQ(copy.suffix, "suf");
    EXPECT_EQ(copy.selection, first.selection);
    EXPECT_EQ(&MdlValuesOwner(*r, copy), &first);
}

TEST_F(ModelReaderReuse, TokensAndWordsEndAlikeAtEveryOffsetOfARun) {
    // Names are passed over many bytes at a time: where a name's run ends
    // (a '/' or '-' inside it, a terminator, the end) must not matter.
    for (size_t k = 1; k < 40; ++k) {
        std::string name = "V";
        for (size_t i = 1; i < k; ++i) name += "a1_Z"[i % 4];
        const std::string digits(k, '7');
        const std::string text = name + "/b-c==" + digits + " " + digits + "q}" + name;
        MdlExprCursor c{text.data(), text.data() + text.size(), nullptr};
        std::string_view t;
        EXPECT_EQ(MdlExprNextToken(c, t), kTokName) << k;
        EXPECT_EQ(t, name + "/b") << k;
        EXPECT_EQ(MdlExprNextToken(c, t), kTokOther) << k;
        EXPECT_EQ(t, "-");
        EXPECT_EQ(MdlExprNextToken(c, t), kTokName) << k;
        EXPECT_EQ(t, "c");
        EXPECT_EQ(MdlExprNextToken(c, t), kTokOperator) << k;
        EXPECT_EQ(MdlExprNextToken(c, t), kTokNumber) << k;
        EXPECT_EQ(t, digits) << k;
        EXPECT_EQ(MdlExprNextToken(c, t), kTokName) << k;
        EXPECT_EQ(t, digits + "q") << k;
        EXPECT_EQ(MdlExprNextToken(c, t), kTokBracket) << k;
        EXPECT_EQ(MdlExprNextToken(c, t), kTokName) << k;
        EXPECT_EQ(t, name) << k;  // a name that ends with the text
        EXPECT_EQ(MdlExprNextToken(c, t), kTokOther) << k;
        EXPECT_EQ(t, "");

        const std::string pad(k, ' ');
        ParsePtr r = parse("*OpenUI *VPD_dmPaperSize: PickPage\n*VPD_dmPaperSize: IDList {" + pad + "IDS_PAPERSIZE_A4" +
                           pad + "{IDS_PAPERSIZE_A3 \"cmd\"}" + pad + "IDS_PAPERSIZE_B5}\n*CloseUI\n");
        ASSERT_TRUE(r);
        EXPECT_TRUE(r->skipped.empty()) << k << ": " << skippedText(*r);
        const MdlOption* paper = option(*r, "VPD_dmPaperSize");
        ASSERT_EQ(paper->values.size(), 3u) << k;
        EXPECT_EQ(paper->values[0].valueId, valueId("IDS_PAPERSIZE_A4"));
        EXPECT_EQ(paper->values[1].command, "cmd") << k;
        EXPECT_EQ(paper->values[2].valueId, valueId("IDS_PAPERSIZE_B5"));
    }
}
