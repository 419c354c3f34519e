// The sample model description as the parser reads it, and a file of
// malformed statements each skipped alone.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "common/model_support.h"

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
    EXPECT_TRUE(copy && identity && unknownBit);
    for (const auto& g : r->groups) EXPECT_TRUE(g);
    EXPECT_FALSE(r->judges.empty() || r->items.empty() || r->actions.empty() || r->transacts.empty() ||
                 r->alertActions.empty() || r->alerts.empty() || r->exclusive.empty());
}

// The page and tray records, the only place slot papers are parsed whole
// (the value lists of a source run over three lines in braces).
TEST_F(Sample, PaperTraysAndTheirRecords) {
    const MdlOption* paper = option(*r, "VPD_dmPaperSize");
    ASSERT_TRUE(paper);
    ASSERT_EQ(paper->values.size(), 11u);
    EXPECT_EQ(paper->values[9].command, "");  // listed without a command
    EXPECT_EQ(paper->values[10].command, "CUSTOM");  // the free-size paper
    EXPECT_EQ(paper->selection, 1);           // the index of A4
    const MdlValue& a4 = paper->values[1];
    EXPECT_EQ(a4.size1, 2100);
    EXPECT_EQ(a4.size2, 2970);
    ASSERT_EQ(a4.pages.size(), 3u);
    EXPECT_EQ(a4.pages[1].condKey, keyOf("VPD_rdmExtPrintArea"));
    EXPECT_EQ(a4.pages[1].width, 4864);
    ASSERT_EQ(paper->values[0].pages.size(), 2u);
    EXPECT_EQ(paper->values[0].pages[1].resolution, 1200);  // a dpi number instead of a value name

    const MdlOption* source = option(*r, "VPD_dmDefaultSource");
    ASSERT_TRUE(source);
    ASSERT_EQ(source->values.size(), 7u);
    EXPECT_EQ(source->values[5].slotPapers,
              (std::vector<uint16_t>{valueId("IDS_PAPERSIZE_A4"), valueId("IDS_PAPERSIZE_LETTER")}));
    EXPECT_EQ(source->values[6].command, "BYPASS");
    EXPECT_EQ(source->values[6].slotPapers.size(), 10u);
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
