#include <gtest/gtest.h>
#include <winsim/spooler.h>

#include <fstream>
#include <set>
#include <sstream>

#include <win/spooler.h>

#include "common/model_support.h"
#include "core/sysdeps.h"

using namespace vesk;
using namespace vesk::test;

namespace {

class Sample : public ::testing::Test {
protected:
    void SetUp() override {
        text_ = readFile(sampleModel());
        ASSERT_FALSE(text_.empty()) << sampleModel();
        r_ = parse(text_);
        ASSERT_TRUE(r_);
        r = r_.get();
    }
    winsim::TempMachine machine_;
    std::string text_;
    ParsePtr r_;
    MdlParseResult* r = nullptr;
};

}  // namespace

TEST_F(Sample, ReadsWithoutASkippedStatement) {
    EXPECT_EQ(r->skippedCount, 0u) << skippedText(*r);
    // Every line that starts a statement was read as one.
    uint32_t starts = 0;
    std::istringstream lines(text_);
    for (std::string line; std::getline(lines, line);)
        if (line.size() > 1 && line[0] == '*' && line[1] != '%') ++starts;
    EXPECT_EQ(r->statementsRead, starts);
    EXPECT_EQ(std::u16string(r->fileVersion), u"3.61");
    EXPECT_EQ(r->resourceDll, u"VESKR1us.DLL");
    EXPECT_EQ(r->constraintDll, u"veskexc.DLL");
    EXPECT_EQ(r->openOption, -1);
}

TEST_F(Sample, UsesEveryKeywordAndEveryOptionType) {
    for (const char* kw : {"FileVersion", "OpenUI", "CloseUI", "NumericValue", "StringValue", "PageValue",
                           "PageMMValue", "SlotPaper", "OptionCommand", "CommandGroup", "DeviceFonts", "FontCartridge",
                           "TTFS", "CommandString", "Judge", "Item", "Action", "Transact", "AlertAction", "Alert",
                           "Exclusive", "UIResDLLName", "ExcDepDLLName"}) {
        std::string at = std::string("\n*") + kw;
        size_t p = text_.find(at);
        bool found = false;
        while (p != std::string::npos && !found) {
            char next = text_[p + at.size()];
            found = next == ':' || next == ' ' || next == '\n' || next == '\r';
            p = text_.find(at, p + 1);
        }
        EXPECT_TRUE(found) << kw;
    }
    std::set<uint16_t> types;
    bool copy = false, identity = false, unknownBit = false;
    for (const MdlOption& o : r->options) {
        types.insert(MdlBaseType(o.type));
        copy |= o.isCopy;
        identity |= o.identityKey != 0;
        unknownBit |= (o.type & kMdlTypeUnknown) != 0;
    }
    EXPECT_EQ(types, (std::set<uint16_t>{kMdlPickOne, kMdlPickMany, kMdlBoolean, kMdlNumeric, kMdlString,
                                         kMdlPickPage, kMdlPickSlot, kMdlFontTbl}));
    EXPECT_TRUE(copy);
    EXPECT_TRUE(identity);
    EXPECT_TRUE(unknownBit);
    for (const auto& g : r->groups) EXPECT_TRUE(g);
    EXPECT_FALSE(r->judges.empty());
    EXPECT_FALSE(r->items.empty());
    EXPECT_FALSE(r->actions.empty());
    EXPECT_FALSE(r->transacts.empty());
    EXPECT_FALSE(r->alertActions.empty());
    EXPECT_FALSE(r->alerts.empty());
    EXPECT_FALSE(r->exclusive.empty());
}

TEST_F(Sample, PaperTraysAndTheirRecords) {
    const MdlOption* paper = option(*r, "VPD_dmPaperSize");
    ASSERT_TRUE(paper);
    EXPECT_EQ(paper->type, kMdlPickPage);
    EXPECT_EQ(r->optionSlots[8], static_cast<uint32_t>(paper - r->options.data()) + 1);
    ASSERT_EQ(paper->values.size(), 10u);
    EXPECT_EQ(paper->values[0].valueId, valueId("IDS_PAPERSIZE_A3"));
    EXPECT_EQ(paper->values[0].command, "A3");
    EXPECT_EQ(paper->values[9].valueId, valueId("IDS_PAPERSIZE_CUSTOM"));
    EXPECT_EQ(paper->values[9].command, "");  // listed without a command
    EXPECT_EQ(paper->selection, 1);           // the index of A4
    const MdlValue& a4 = paper->values[1];
    EXPECT_EQ(a4.size1, 2100);
    EXPECT_EQ(a4.size2, 2970);
    ASSERT_EQ(a4.pages.size(), 3u);
    EXPECT_EQ(a4.pages[0].resolution, 600);
    EXPECT_EQ(a4.pages[0].orientation, 2026);
    EXPECT_EQ(a4.pages[0].condKey, 0);
    EXPECT_EQ(a4.pages[1].condKey, keyOf("VPD_rdmExtPrintArea"));
    EXPECT_EQ(a4.pages[1].condValue, 1);
    EXPECT_EQ(a4.pages[1].width, 4864);
    EXPECT_EQ(a4.pages[1].further2, 48);
    const MdlValue& a3 = paper->values[0];
    ASSERT_EQ(a3.pages.size(), 2u);
    EXPECT_EQ(a3.pages[1].resolution, 1200);  // a dpi number instead of a value name
    EXPECT_EQ(a3.pages[1].orientation, 2027);
    EXPECT_EQ(a3.pages[1].further2, 240);

    const MdlOption* source = option(*r, "VPD_dmDefaultSource");
    ASSERT_TRUE(source);
    EXPECT_EQ(source->type, kMdlPickSlot);
    EXPECT_EQ(source->selection, 0);  // AUTO
    ASSERT_EQ(source->values.size(), 7u);
    EXPECT_EQ(source->values[5].slotPapers,
              (std::vector<uint16_t>{valueId("IDS_PAPERSIZE_A4"), valueId("IDS_PAPERSIZE_LETTER")}));
    EXPECT_EQ(source->values[6].command, "BYPASS");
    EXPECT_EQ(source->values[6].slotPapers.size(), 10u);  // over three lines in braces
}

TEST_F(Sample, CopiesIdentityAndBlocks) {
    const MdlOption* bind = option(*r, "VPD_rdmDuplexType");
    ASSERT_TRUE(bind);
    const MdlOption* turn = nullptr;
    for (const MdlOption& o : r->options)
        if (o.key == bind->key && o.isCopy) turn = &o;
    ASSERT_TRUE(turn);
    EXPECT_EQ(turn->subNumber, 1);
    EXPECT_EQ(turn->prefix, "@PJL SET VESKTURN = ");
    EXPECT_EQ(bind->prefix, "@PJL SET BINDING = ");
    EXPECT_TRUE(turn->values.empty());
    EXPECT_EQ(&MdlValuesOwner(*r, *turn), bind);
    EXPECT_EQ(turn->selection, 0);
    EXPECT_EQ(r->optionSlots[102], static_cast<uint32_t>(bind - r->options.data()) + 1);

    const MdlOption* h = option(*r, "VPD_rdmDstResolutionH");
    const MdlOption* w = option(*r, "VPD_rdmDstResolutionW");
    ASSERT_TRUE(h && w);
    EXPECT_EQ(h->type, kMdlIdentity | kMdlPickOne);
    EXPECT_EQ(h->identityKey, w->key);
    EXPECT_EQ(&MdlValuesOwner(*r, *h), w);
    EXPECT_EQ(MdlGetValueInTables(*r, *h), 600u);

    const MdlOption* code = option(*r, "VPD_rdmUserCode");
    ASSERT_TRUE(code);
    EXPECT_EQ(code->string.defaultId, 2000);
    EXPECT_EQ(code->string.maxLength, 8);
    EXPECT_EQ(code->string.charKind, 4);
    EXPECT_EQ(code->string.display, 0x100);
    EXPECT_EQ(code->prefix, "@PJL SET USERCODE = \"");
    EXPECT_EQ(code->suffix, "\"\r\n");
    // Default before StringValue: both kept.
    const MdlOption* user = option(*r, "VPD_rdmUserID");
    ASSERT_TRUE(user);
    EXPECT_EQ(user->string.defaultId, 2000);
    EXPECT_EQ(user->string.charKind, 2);

    const MdlOption* copies = option(*r, "VPD_dmCopies");
    ASSERT_TRUE(copies);
    EXPECT_EQ(copies->numeric.f2, 3);
    EXPECT_EQ(copies->numeric.defaultValue, 1);
    EXPECT_EQ(copies->numeric.minimum, 1);
    EXPECT_EQ(copies->numeric.maximum, 999);
    EXPECT_EQ(copies->numeric.f8, 1);
    EXPECT_EQ(copies->numeric.f10, 1);
    const MdlOption* margin = option(*r, "VPD_rdmMarginOdd");
    ASSERT_TRUE(margin);
    EXPECT_EQ(margin->numeric.maximum, 200);
    EXPECT_EQ(margin->numeric.f6, 5);
    EXPECT_EQ(margin->numeric.f8, 0);

    const MdlOption* feed = option(*r, "VPD_rdmMachineFeed");
    ASSERT_TRUE(feed);
    EXPECT_EQ(feed->type, kMdlBoolean | kMdlTypeUnknown);
    EXPECT_EQ(feed->boolean.trueCommand, "@PJL SET VESKFEED = FAST\r\n");
    const MdlOption* duplexUnit = option(*r, "VPD_rdmSourceOptionTypeDuplex");
    ASSERT_TRUE(duplexUnit);
    EXPECT_EQ(duplexUnit->boolean.defaultValue, 1);
    EXPECT_EQ(r->optionSlots[10014 - 9294], static_cast<uint32_t>(duplexUnit - r->options.data()) + 1);

    const MdlOption* tt = option(*r, "VPD_rdmTTFont");
    ASSERT_TRUE(tt);
    EXPECT_EQ(tt->values[0].fontTrueType, (std::vector<std::string>{"Arial", "Times New Roman", "Courier New", "Symbol"}));
    EXPECT_EQ(tt->values[0].fontDevice[3], "Vesk Symbol");
    ASSERT_EQ(r->deviceFonts.size(), 4u);
    EXPECT_EQ(r->deviceFonts[2].name, "Vesk Mono");
    ASSERT_EQ(r->cartridgeFonts.size(), 2u);
    EXPECT_EQ(r->cartridgeFonts[1].number, 102);
}

TEST_F(Sample, CommandStringsAndGroups) {
    const MdlCommandString* eoj = MdlFindCommandString(*r, 5);
    ASSERT_TRUE(eoj);
    EXPECT_EQ(eoj->text, "\x1b%-12345X@PJL EOJ NAME = \"VESK Job\"\r\n\x1b%-12345X");
    ASSERT_TRUE(MdlFindCommandString(*r, 2));
    EXPECT_EQ(MdlFindCommandString(*r, 2)->text, "@PJL COMMENT VESK MFP C41 (colour)\r\n");

    const MdlCommandList& job = *r->groups[kMdlSlotJobStart - kMdlSlotJobStart];
    EXPECT_EQ(job.condition, 0);
    ASSERT_GE(job.first.size(), 10u);
    EXPECT_EQ(job.first[0].kind, 2);
    EXPECT_EQ(job.first[0].stringNumber, 1);
    EXPECT_EQ(job.first[3].kind, 1);
    EXPECT_EQ(job.first[3].optionKey, keyOf("VPD_rdmPrinterMemory"));
    // Colour: MonoMode / ElseIf AutoColour / Else.
    const MdlCommandNode& colour = job.first[7];
    ASSERT_EQ(colour.kind, 3);
    EXPECT_EQ(colour.nested->condition, 21);
    ASSERT_EQ(colour.nested->second.size(), 1u);
    const MdlCommandList& elseIf = *colour.nested->second[0].nested;
    EXPECT_EQ(elseIf.condition, 22);
    EXPECT_EQ(elseIf.first[0].optionKey, keyOf("VPD_rdmColorMode"));
    EXPECT_EQ(elseIf.second[0].stringNumber, 10);
    EXPECT_EQ(job.first.back().kind, 2);
    EXPECT_EQ(job.first[job.first.size() - 2].kind, 4);  // the device fonts

    const MdlCommandList& page = *r->groups[kMdlSlotPageStart - kMdlSlotJobStart];
    const MdlCommandNode& turn = page.first.back();
    ASSERT_EQ(turn.kind, 3);
    EXPECT_EQ(turn.nested->first[0].number, 1);  // the sub-numbered copy
    EXPECT_EQ(r->groups[kMdlSlotDocReset - kMdlSlotJobStart]->first[0].stringNumber, 6);
    EXPECT_EQ(r->groups[kMdlSlotJobEnd - kMdlSlotJobStart]->first[0].stringNumber, 5);
    EXPECT_EQ(r->groups[kMdlSlotPageEnd - kMdlSlotJobStart]->first[0].stringNumber, 12);
}

TEST_F(Sample, Rules) {
    ASSERT_EQ(r->judges.size(), 25u);
    // NotDuplex: (!DuplexOn) with DuplexOn's cells copied in.
    EXPECT_EQ(r->judges[4].program,
              (std::vector<MdlCondCell>{{1, 61}, {2, 1}, {3, 1}, {3, 5}, {3, 10}}));
    for (const MdlJudge& j : r->judges)
        EXPECT_EQ(MdlCheckProgram(j.program.data(), j.program.size()), 1) << j.number;

    ASSERT_EQ(r->actions.size(), 12u);
    const auto& defaultPaper = r->actions[7].entries;
    ASSERT_EQ(defaultPaper.size(), 2u);
    EXPECT_EQ(defaultPaper[0].targetId, 8);
    EXPECT_EQ(defaultPaper[0].value, 41u);  // the paper's default so far
    EXPECT_EQ(defaultPaper[1].value, 2026u);
    EXPECT_EQ(r->actions[8].entries[0].targetKind, 1);  // a page
    EXPECT_EQ(r->actions[8].entries[0].targetId, 1004);

    EXPECT_EQ(r->transacts[5].entries[1].action, 7);  // Action7 as a prefixed reference
    ASSERT_EQ(r->alertActions[1].entries.size(), 2u);
    EXPECT_EQ(r->alertActions[1].entries[0].optionKey, 6);  // IDYES
    EXPECT_EQ(r->alertActions[1].entries[1].transact, 3);
    const MdlAlertEntry& unit = r->alerts[0].entries[1];
    EXPECT_EQ(unit.messageKey, 240);
    EXPECT_EQ(unit.icon, 0x10);
    EXPECT_EQ(unit.mode, 1);
    EXPECT_EQ(unit.alertAction, 0);

    ASSERT_EQ(r->exclusive.size(), 14u);
    const MdlExclusiveRow& staple = r->exclusive[4];
    EXPECT_EQ(staple.optionKey, keyOf("VPD_rdmStapleType"));
    EXPECT_EQ(staple.judge1, 6);
    EXPECT_EQ(staple.judge2, 7);
    EXPECT_EQ(staple.item, 3);
    const MdlExclusiveRow& source = r->exclusive[11];
    EXPECT_EQ(source.transact1, 6);
    EXPECT_EQ(source.transact2, 10);
}

TEST(MalformedFile, EachBadStatementIsSkippedAlone) {
    winsim::TempMachine machine;
    std::string text = readFile(testData("malformed.vmd"));
    ASSERT_FALSE(text.empty());
    ParsePtr r = parse(text);
    ASSERT_TRUE(r);
    // The lines after "*% bad" comments, and only those, are skipped.
    std::vector<uint32_t> expected, got;
    std::istringstream lines(text);
    uint32_t n = 0;
    for (std::string line; std::getline(lines, line);)
        if (++n, line.rfind("*% bad", 0) == 0) expected.push_back(n + 1);
    for (const MdlSkipped& s : r->skipped) got.push_back(s.line);
    EXPECT_EQ(got, expected) << skippedText(*r);
    EXPECT_EQ(r->skippedCount, expected.size());

    // What the good statements around them left.
    const MdlOption* media = option(*r, "VPD_rdmMediaType");
    ASSERT_TRUE(media);
    ASSERT_EQ(media->values.size(), 2u);
    EXPECT_EQ(media->values[0].command, "PLAIN");
    EXPECT_EQ(media->values[1].command, "LABEL (sheet)");
    EXPECT_EQ(media->selection, 1);
    EXPECT_FALSE(option(*r, "VPD_dmCollate"));
    EXPECT_FALSE(option(*r, "VPD_dmColor"));
    EXPECT_EQ(option(*r, "VPD_dmCopies")->numeric.maximum, 999);
    EXPECT_EQ(option(*r, "VPD_dmCopies")->numeric.f0, 0);
    EXPECT_TRUE(option(*r, "VPD_dmDefaultSource")->values[0].slotPapers.empty());
    ASSERT_EQ(option(*r, "VPD_dmPaperSize")->values[0].pages.size(), 1u);
    EXPECT_EQ(option(*r, "VPD_rdmTTFont")->values[0].fontTrueType, std::vector<std::string>{"Arial"});
    EXPECT_EQ(option(*r, "VPD_rdmSortType")->type, kMdlPickOne);
    EXPECT_FALSE(MdlFindCommandString(*r, 20));
    EXPECT_TRUE(MdlFindCommandString(*r, 22));
    EXPECT_FALSE(MdlFindCommandString(*r, 23));
    ASSERT_EQ(r->judges.size(), 1u);
    EXPECT_EQ(r->items.size(), 1u);
    EXPECT_EQ(r->actions.size(), 1u);
    EXPECT_EQ(r->transacts.size(), 1u);
    EXPECT_EQ(r->alerts.size(), 1u);
    EXPECT_EQ(r->alerts[0].number, 2);
    ASSERT_EQ(r->exclusive.size(), 1u);
    EXPECT_EQ(r->exclusive[0].alert, 2);
    EXPECT_FALSE(r->groups[kMdlSlotJobStart - kMdlSlotJobStart]);
    EXPECT_TRUE(r->groups[kMdlSlotJobEnd - kMdlSlotJobStart]);
    EXPECT_TRUE(r->resourceDll.empty());
    ASSERT_EQ(r->deviceFonts.size(), 1u);
    EXPECT_EQ(r->deviceFonts[0].name, "Vesk Sans");
}
