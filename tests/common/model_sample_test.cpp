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

std::string readFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

// Places bytes at a Windows path of the current machine.
bool placeFile(const char16_t* winPath, const std::string& bytes) {
    auto host = winsim::hostPath(std::u16string_view(winPath));
    if (!host) return false;
    std::ofstream f(*host, std::ios::binary);
    f << bytes;
    return bool(f);
}

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
    EXPECT_TRUE(r->skipped.empty()) << skippedText(*r);
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
