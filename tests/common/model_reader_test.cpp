#include <gtest/gtest.h>
#include <winsim/memory.h>
#include <winsim/spooler.h>

#include <fstream>

#include <win/codepage.h>
#include <win/files.h>
#include <win/spooler.h>

#include "common/model_support.h"
#include "common/sample_printer.h"
#include "core/model/model_internal.h"
#include "core/sysdeps.h"

using namespace vesk;
using namespace vesk::test;

namespace {

constexpr DWORD kNoMemory = 8;  // ERROR_NOT_ENOUGH_MEMORY

// Reads the statements of a text one by one.
struct Statements {
    explicit Statements(std::string_view text) : text_(text) {
        rd = {reinterpret_cast<const BYTE*>(text_.data()), text_.size(), 0};
        for (int b = 0; b < 256; ++b) lead[b] = b >= 0x80 && IsDBCSLeadByte(static_cast<BYTE>(b));
    }
    int next() { return mdl::readStatement(rd, st, lead); }
    std::string keyword() const { return std::string(st.keyword); }
    std::string w1() const { return std::string(st.word1); }
    std::string w2() const { return std::string(st.word2); }
    std::string value() const { return std::string(st.value); }
    std::string text_;
    mdl::Statement st;
    mdl::Reader rd;
    std::array<bool, 256> lead{};
};

bool placeFile(const char16_t* winPath, const std::string& bytes) {
    auto host = winsim::hostPath(std::u16string_view(winPath));
    if (!host) return false;
    std::ofstream f(*host, std::ios::binary);
    f << bytes;
    return bool(f);
}

}  // namespace

TEST(ModelReader, StatementShapes) {
    winsim::TempMachine machine;
    Statements s(
        "*% a comment: *OpenUI *X: PickOne\n"
        "free text before the first statement\n"
        "\n"
        "*CloseUI\r\n"
        "*CloseUI   \n"
        "*Keyword W1 W2:   value with  blanks  \n"
        "*Key:W1\n"
        "*Key *W1: \"v\"\n"
        "*Key W1 W2 W3: v\n"
        "*OpenUI *Name/Text: PickOne\n"
        "*Next: 1\n"
        "*\n"
        "*Last: no line end");
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.keyword(), "CloseUI");
    EXPECT_EQ(s.value(), "");
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // blanks start the words, and no colon follows
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.keyword(), "Keyword");
    EXPECT_EQ(s.w1(), "W1");
    EXPECT_EQ(s.w2(), "W2");
    EXPECT_EQ(s.value(), "value with  blanks  ");
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.w1(), "");
    EXPECT_EQ(s.value(), "W1");
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.w1(), "*W1");
    EXPECT_EQ(s.value(), "\"v\"");
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // three words
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // a slash ends a word
    ASSERT_EQ(s.next(), mdl::kReadOk);       // the rest of the skipped line went with it
    EXPECT_EQ(s.keyword(), "Next");
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // empty keyword
    ASSERT_EQ(s.next(), mdl::kReadOk);       // the last statement needs no line end
    EXPECT_EQ(s.keyword(), "Last");
    EXPECT_EQ(s.value(), "no line end");
    EXPECT_EQ(s.next(), mdl::kReadEnd);
    EXPECT_EQ(s.next(), mdl::kReadEnd);
}

TEST(ModelReader, ValuesContinueInsideQuotesParenthesesAndBraces) {
    winsim::TempMachine machine;
    Statements s(
        "*A: { x\n  y }\n"
        "*B: ( p\n q ) tail\n"
        "*C: \"one\ntwo\"\n"
        "*D: \"%(kept%) %\" still\"\n"
        "*E: \"a (paren\"\n"
        "*F: ( { ) }\n"
        "*G: )\n"
        "*H: { } }\n"
        "*I: \"100%\n"
        "*J: ok\n"
        "*K: { open to the end\n  of the file");
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.value(), "{ x\n  y }");
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.value(), "( p\n q ) tail");
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.value(), "\"one\ntwo\"");
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.value(), "\"%(kept%) %\" still\"");
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // '(' inside quotes
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // '{' inside parentheses
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // ')' with none open
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // '}' with none open
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // '%' before a line end in quotes
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.keyword(), "J");
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // the brace is never closed
    EXPECT_EQ(s.next(), mdl::kReadEnd);
}

TEST(ModelReader, DoubleByteCharactersOfTheAnsiCodePage) {
    winsim::MachineConfig cfg;
    cfg.ansiCodePage = 932;
    winsim::TempMachine machine(cfg);
    // 0x95 0x5C and 0x83 0x7D are characters whose second byte is '\' and
    // '}'; 0x82 0x22 protects a quote.
    std::string text = "*A: \"\x95\x5C\x83\x7D\" { \x83\x7D }\n*B: \"\x82\"\" tail\n*C: \x83";
    Statements s(text);
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.value(), "\"\x95\x5C\x83\x7D\" { \x83\x7D }");
    ASSERT_EQ(s.next(), mdl::kReadOk);
    EXPECT_EQ(s.value(), "\"\x82\"\" tail");
    EXPECT_EQ(s.next(), mdl::kReadSkipped);  // a lead byte at the end of the file
    EXPECT_EQ(s.next(), mdl::kReadEnd);

    // The same bytes in code page 1252 are single characters: the '}' closes
    // a brace that was never opened.
    winsim::config().ansiCodePage = 1252;
    Statements w("*A: \x83}\n");
    EXPECT_EQ(w.next(), mdl::kReadSkipped);

    // Words and quoted strings of a value keep the pairs together.
    winsim::config().ansiCodePage = 932;
    ParsePtr r = parse("*CommandString 1: \"\x83}\x95\\\"\n*OpenUI *VPD_dmCopies: \x83}\n");
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->skipped.empty()) << skippedText(*r);
    ASSERT_EQ(r->commandStrings.size(), 1u);
    EXPECT_EQ(r->commandStrings[0].text, "\x83}\x95\\");
    ASSERT_EQ(r->options.size(), 1u);  // "\x83}" is one (unknown) type word
    EXPECT_EQ(r->options[0].type, kMdlPickOne);
    // In code page 1252 the '}' after 0x83 is left over.
    winsim::config().ansiCodePage = 1252;
    r = parse("*OpenUI *VPD_dmCopies: \x83}\n");
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->options.empty());
    EXPECT_EQ(r->skipped.size(), 1u);
}

TEST(ModelReader, QuotedStringsAndWords) {
    winsim::TempMachine machine;
    std::array<bool, 256> lead{};
    std::string s;
    mdl::Value v("\"a%\"b%%c\" \"<1B 45>x<0d0A>\" \"<4G1>\" \"\" \"line\nend\" rest", lead);
    ASSERT_TRUE(v.quoted(s));
    EXPECT_EQ(s, "a\"b%c");
    ASSERT_TRUE(v.quoted(s));
    EXPECT_EQ(s, "\x1b" "Ex\r\n");
    ASSERT_TRUE(v.quoted(s));
    EXPECT_EQ(s, "A");  // 'G' dropped, the lone '1' before '>' dropped
    ASSERT_TRUE(v.quoted(s));
    EXPECT_EQ(s, "");
    ASSERT_TRUE(v.quoted(s));
    EXPECT_EQ(s, "lineend");
    EXPECT_FALSE(v.quoted(s));  // no quote: the word stays
    ASSERT_TRUE(v.word(s));
    EXPECT_EQ(s, "rest");
    EXPECT_TRUE(v.atEnd());

    mdl::Value u("\"never closed", lead);
    EXPECT_FALSE(u.quoted(s));
    mdl::Value t("\"ends in %", lead);
    EXPECT_FALSE(t.quoted(s));

    mdl::Value w("*Name,next {A}|B: C=D", lead);
    ASSERT_TRUE(w.word(s));
    EXPECT_EQ(s, "Name");  // '*' dropped, ',' consumed
    ASSERT_TRUE(w.word(s));
    EXPECT_EQ(s, "next");
    EXPECT_TRUE(w.take('{'));
    ASSERT_TRUE(w.word(s));
    EXPECT_EQ(s, "A");
    EXPECT_TRUE(w.take('}'));  // a brace is left for the next read
    EXPECT_TRUE(w.take('|'));
    ASSERT_TRUE(w.word(s));
    EXPECT_EQ(s, "B");
    ASSERT_TRUE(w.word(s));
    EXPECT_EQ(s, "C");
    int64_t n;
    EXPECT_FALSE(w.number(0, 10, &n));  // "D"
    // The terminator goes with the word: a quote right after a word is no
    // longer there to open a string.
    mdl::Value q("Name\"text\" A{B", lead);
    ASSERT_TRUE(q.word(s));
    EXPECT_EQ(s, "Name");
    EXPECT_FALSE(q.quoted(s));
    ASSERT_TRUE(q.word(s));
    EXPECT_EQ(s, "text");
    ASSERT_TRUE(q.word(s));
    EXPECT_EQ(s, "A");
    EXPECT_EQ(q.peek(), '{');  // consumed with "A", still the next step's brace
    EXPECT_FALSE(q.word(s));
    EXPECT_TRUE(q.take('{'));
    ASSERT_TRUE(q.word(s));
    EXPECT_EQ(s, "B");
    EXPECT_TRUE(q.atEnd());
    mdl::Value x("-12 70000 1x", lead);
    EXPECT_TRUE(x.number(-100, 100, &n));
    EXPECT_EQ(n, -12);
    EXPECT_FALSE(x.number(0, 65535, &n));
    EXPECT_FALSE(x.number(0, 65535, &n));
}

TEST(ModelReader, ALongValueIsReadWithoutABlockOfItsOwn) {
    winsim::TempMachine machine;
    ASSERT_TRUE(SymFindByName("VPD_dmCopies"));  // the built-in tables are set up
    std::string text = "*CommandString 1: \"" + std::string(3000, 'x') + "\"\n*CommandString 2: \"y\"\n";
    size_t base = winsim::liveGlobalBlocks();
    // The statements are views of the text: a global allocation failing
    // cannot fail the reading, and none is left behind.
    winsim::failCall("GlobalAlloc", 1, kNoMemory);
    ParsePtr r = parse(text);
    winsim::clearFaults();
    ASSERT_TRUE(r);
    ASSERT_EQ(r->commandStrings.size(), 2u);
    EXPECT_EQ(r->commandStrings[0].text, std::string(3000, 'x'));
    EXPECT_EQ(r->commandStrings[1].text, "y");
    EXPECT_EQ(winsim::liveGlobalBlocks(), base);
}

TEST(ModelReader, ManySkippedStatementsAreCountedAndTheLogIsBounded) {
    winsim::TempMachine machine;
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "*: x\n*CommandString 1: \"ok\"\n";
    ParsePtr r = parse(text);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->skippedCount, 3000u);
    ASSERT_EQ(r->skipped.size(), kMdlSkipLogMax);
    EXPECT_EQ(r->skipped.back().line, 2 * kMdlSkipLogMax - 1);
    EXPECT_EQ(r->commandStrings.size(), 3000u);
}

TEST(ModelFile, LoadMapAndVersion) {
    winsim::TempMachine machine;
    const std::string text = "*FileVersion: 3.61 release two\n*CommandString 1: \"x\"\n*FileVersion: 9\n";
    ASSERT_TRUE(placeFile(u"C:\\MODEL.VMD", text));
    const BYTE* base = nullptr;
    DWORD size = 0;
    ASSERT_EQ(MdlMapFile(u"c:\\model.vmd", &base, &size), 1);
    EXPECT_EQ(size, text.size());
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(base), size), text);
    UnmapViewOfFile(base);

    ParsePtr r(MdlLoad(u"C:\\MODEL.VMD"));
    ASSERT_TRUE(r);
    EXPECT_EQ(std::u16string(r->fileVersion), u"9");  // the last one counts
    EXPECT_EQ(r->commandStrings.size(), 1u);

    WCHAR version[16] = u"unchanged";
    EXPECT_EQ(MdlReadFileVersion(u"C:\\MODEL.VMD", version), 1);
    EXPECT_EQ(std::u16string(version), u"3.61 release tw");  // the first, 15 characters
    WCHAR missing[16] = u"unchanged";
    EXPECT_EQ(MdlReadFileVersion(u"C:\\NONE.VMD", missing), 1);
    EXPECT_EQ(std::u16string(missing), u"unchanged");
    ASSERT_TRUE(placeFile(u"C:\\NOVER.VMD", "*CommandString 1: \"x\"\n"));
    EXPECT_EQ(MdlReadFileVersion(u"C:\\NOVER.VMD", missing), 1);
    EXPECT_EQ(std::u16string(missing), u"unchanged");

    EXPECT_FALSE(MdlLoad(u"C:\\NONE.VMD"));
    ASSERT_TRUE(placeFile(u"C:\\EMPTY.VMD", ""));
    EXPECT_FALSE(MdlLoad(u"C:\\EMPTY.VMD"));  // an empty file cannot be mapped
    EXPECT_EQ(MdlMapFile(nullptr, &base, &size), 0);
}

// The FileVersion is looked for in the head of the file first: one past the
// head, one whose statement the head cuts, and the first of two that the
// head alone settles all read as from the whole file.
TEST(ModelFile, TheVersionAnywhereInTheFile) {
    winsim::TempMachine machine;
    const std::string comment = "*% " + std::string(60, '-') + "\n";
    auto padded = [&](size_t bytes) {
        std::string t;
        while (t.size() + comment.size() <= bytes) t += comment;
        return t + std::string(bytes - t.size(), '\n');
    };
    struct Row {
        std::string text;
        const char16_t* version;
    };
    const Row rows[] = {
        {padded(6000) + "*FileVersion: 3.61 far down\n", u"3.61 far down"},
        {padded(4080) + "*FileVersion: 3.61 release two\n*CommandString 1: \"x\"\n", u"3.61 release tw"},
        {padded(4086) + "*FileVersion: \"3.61\ncut\"\n", u"\"3.61\ncut\""},
        {padded(4086) + "*FileVersion: \"3.61\n(cut)\"\n", u"unchanged"},  // a bracket in quotes: skipped
        {"*FileVersion: A\n" + padded(6000) + "*FileVersion: B\n", u"A"},
        {padded(5000), u"unchanged"},
    };
    for (const Row& r : rows) {
        ASSERT_TRUE(placeFile(u"C:\\MODEL.VMD", r.text));
        WCHAR version[16] = u"unchanged";
        EXPECT_EQ(MdlReadFileVersion(u"C:\\MODEL.VMD", version), 1);
        EXPECT_EQ(std::u16string(version), r.version) << r.text.size();
    }
}

TEST(ModelFile, TheLastLineEndMakesNoDifference) {
    winsim::TempMachine machine;
    std::string text = "*OpenUI *VPD_dmCollate: Boolean\n*DefaultVPD_dmCollate: True\n*CloseUI";
    ParsePtr without = parse(text);
    ParsePtr with = parse(text + "\n");
    ASSERT_TRUE(without && with);
    EXPECT_TRUE(without->skipped.empty()) << skippedText(*without);
    EXPECT_EQ(without->statementsRead, 3u);
    EXPECT_EQ(with->statementsRead, 3u);
    EXPECT_EQ(without->openOption, -1);
    EXPECT_EQ(without->options[0].boolean.defaultValue, 1);
}

TEST(ModelFile, DataFileOfThePrinterDriver) {
    winsim::TempMachine machine;
    HANDLE printer = nullptr;
    ASSERT_TRUE(addSamplePrinter(u"Office Colour", &printer));
    WCHAR* path = MdlGetDataFilePath(printer);
    ASSERT_TRUE(path);
    EXPECT_EQ(std::u16string(path), u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\VESKMFP1.VMD");
    MemFree(path);
    ClosePrinter(printer);
    EXPECT_EQ(MdlGetDataFilePath(nullptr), nullptr);
}

TEST(ModelFile, KeywordValueAndSlots) {
    static const MdlKeyword table[] = {{"One", 1}, {"Two", 2}, {nullptr, 7}};
    EXPECT_EQ(MdlKeywordValue(table, "Two"), 2);
    EXPECT_EQ(MdlKeywordValue(table, "two"), 7);  // case counts
    EXPECT_EQ(MdlKeywordValue(table, ""), 7);
    EXPECT_EQ(MdlSlotForOptionId(0), 0);
    EXPECT_EQ(MdlSlotForOptionId(1), 1);
    EXPECT_EQ(MdlSlotForOptionId(706), 706);
    EXPECT_EQ(MdlSlotForOptionId(707), 984);
    EXPECT_EQ(MdlSlotForOptionId(947), 1224);
    EXPECT_EQ(MdlSlotForOptionId(948), 0);
    EXPECT_EQ(MdlSlotForOptionId(10000), 0);
    EXPECT_EQ(MdlSlotForOptionId(10001), 707);
    EXPECT_EQ(MdlSlotForOptionId(10277), 983);
    EXPECT_EQ(MdlSlotForOptionId(10278), 0);
}
