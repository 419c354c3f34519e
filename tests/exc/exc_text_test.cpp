// The Exc settings text: the line reader, the lookup of a name, the writer
// and the growable text buffer.
#include <gtest/gtest.h>

#include <string>

#include "commands/set_line.h"
#include "commands/text_buf.h"
#include "commands/value_text.h"

namespace vesk {
namespace {

struct ParseCase {
    const char* text;
    int result;
    const char* name;
    const char* value;
};

TEST(ExcSetLine, ReadsLinesAsWrittenAndRefusesTheRest) {
    const std::string longName(263, 'N'), tooLong(264, 'N');
    const std::string atLimit = "@PJL SET " + longName + " = 1\r\n", over = "@PJL SET " + tooLong + " = 1\r\n";
    const ParseCase cases[] = {
        {"@PJL SET COPIES = 3\r\n", 21, "COPIES", "3"},
        {"  @PJL   SET   COPIES   =   3   \r\n", 34, "COPIES", "3"},
        {"\t@PJL\tSET\tCOPIES\t=\t3\t\r\n", 23, "COPIES", "3"},
        {"@PJLSET COPIES = 3\r\n", 20, "COPIES", "3"},
        {"@PJL SETCOPIES = 3\r\n", 20, "COPIES", "3"},
        {"@PJL SET USERCODE = \"4711\"\r\n", 28, "USERCODE", "\"4711\""},
        {"@PJL SET COPIES=3\r\n", -1, "", ""},
        {"@PJL SET COPIES = 3\n", -1, "", ""},
        {"@pjl SET COPIES = 3\r\n", -1, "", ""},
        {"@PJL set COPIES = 3\r\n", -1, "", ""},
        {"@PJL SET COPIES = \r\n", -1, "", ""},
        {"@PJL SET  = 3\r\n", -1, "", ""},
        {"@PJL SET NAME = \"two words\"\r\n", -1, "", ""},
        {"\r\n", -1, "", ""},
        {"", 0, "", ""},
        {"  \t ", 0, "", ""},
        {atLimit.c_str(), static_cast<int>(atLimit.size()), longName.c_str(), "1"},
        {over.c_str(), -1, "", ""},
    };
    for (const auto& c : cases) {
        char name[kExcTokenBytes] = "x", value[kExcTokenBytes] = "x";
        EXPECT_EQ(ExcParseSetLine(c.text, name, value), c.result) << c.text;
        if (c.result > 0) {
            EXPECT_STREQ(name, c.name) << c.text;
            EXPECT_STREQ(value, c.value) << c.text;
        }
    }
    char name[kExcTokenBytes], value[kExcTokenBytes];
    EXPECT_EQ(ExcParseSetLine(nullptr, name, value), 0);
    EXPECT_EQ(ExcParseSetLine("@PJL SET A = 1\r\n", nullptr, value), 0);
}

TEST(ExcSetLine, WalksATextLineByLine) {
    const char* text = "@PJL SET A = 1\r\n@PJL SET B = 2\r\n";
    char name[kExcTokenBytes], value[kExcTokenBytes];
    const int first = ExcParseSetLine(text, name, value);
    ASSERT_EQ(first, 16);
    EXPECT_EQ(ExcParseSetLine(text + first, name, value), 16);
    EXPECT_EQ(ExcParseSetLine(text + 32, name, value), 0);
    // A blank line between two lines stops the walk there.
    EXPECT_EQ(ExcParseSetLine("\r\n@PJL SET B = 2\r\n", name, value), -1);
}

TEST(ExcSetLine, FindsTheFirstLineOfANameUpToALineThatDoesNotParse) {
    const char* text = "@PJL SET A = 1\r\n@PJL SET B = 2\r\n@PJL SET B = 3\r\nbad\r\n@PJL SET C = 4\r\n";
    char value[kExcTokenBytes] = "x";
    EXPECT_EQ(ExcFindLineValue(text, "B", value), 16);
    EXPECT_STREQ(value, "2");
    EXPECT_EQ(ExcFindLineValue(text, "A", value), 0);
    EXPECT_STREQ(value, "1");
    // Names are compared exactly; C stands after the bad line.
    EXPECT_EQ(ExcFindLineValue(text, "b", value), 48);
    EXPECT_STREQ(value, "");
    ExcFindLineValue(text, "C", value);
    EXPECT_STREQ(value, "");
}

TEST(ExcText, WrittenLinesReadBackAndTheBufferGrowsKeepingItsText) {
    ExcText t;
    ASSERT_TRUE(t.ok());
    EXPECT_EQ(t->capacity, 4096);
    ASSERT_EQ(ExcWriteSetLine(t.get(), "COLLATE", "SORT"), 0);
    EXPECT_STREQ(t.c_str(), "@PJL SET COLLATE = SORT \r\n");
    char name[kExcTokenBytes], value[kExcTokenBytes];
    EXPECT_EQ(ExcParseSetLine(t.c_str(), name, value), t->length);
    EXPECT_STREQ(name, "COLLATE");
    EXPECT_STREQ(value, "SORT");

    // Past 4096 bytes every line written so far stays.
    std::string want = t.c_str();
    for (int i = 0; i < 300; ++i) {
        const std::string v = std::to_string(i);
        ASSERT_EQ(ExcWriteSetLine(t.get(), "COPIES", v.c_str()), 0);
        want += "@PJL SET COPIES = " + v + " \r\n";
    }
    ASSERT_GT(t->length, 4096);
    EXPECT_EQ(t->capacity % 4096, 0);
    EXPECT_EQ(std::string(t.c_str()), want);
    // A list terminator is counted; a cut goes back to a length.
    const int32_t before = t->length;
    ASSERT_EQ(ExcTextTerminate(t.get()), 0);
    EXPECT_EQ(t->length, before + 1);
    ExcTextCut(t.get(), 10);
    EXPECT_EQ(std::string(t.c_str()), want.substr(0, 10));
}

TEST(ExcText, DecimalTextTakesItsLeadingDigits) {
    EXPECT_EQ(ExcDecimal("42"), 42u);
    EXPECT_EQ(ExcDecimal("42mm"), 42u);
    EXPECT_EQ(ExcDecimal("-3"), 0u);
    EXPECT_EQ(ExcDecimal(""), 0u);
    EXPECT_EQ(ExcDecimal(nullptr), 0u);
    EXPECT_EQ(ExcDecimal("99999999999"), 0xFFFFFFFFu);
    char b[4] = "xyz";
    EXPECT_EQ(ExcHandOut("abcd", 4, 4, b), 5);
    EXPECT_STREQ(b, "xyz");  // one byte short: nothing copied
    char c[5];
    EXPECT_EQ(ExcHandOut("abcd", 4, 5, c), 5);
    EXPECT_STREQ(c, "abcd");
    EXPECT_EQ(ExcHandOut("", 0, 5, c), 0);
}

}  // namespace
}  // namespace vesk
