// Text on its way into the stream: the printer's code page, the system's
// ANSI code page, cuts on character boundaries and the PJL-safe form of
// outside text.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <string>

#include "printer_text.h"

using namespace vesk;

namespace {

std::string printerCp(const std::u16string& s, size_t capacity, TextPolicy policy = TextPolicy::AsIs) {
    std::string out(capacity, '\0');
    out.resize(UnicodeToPrinterCp(reinterpret_cast<BYTE*>(out.data()), capacity, s.c_str(), s.size(), policy));
    return out;
}
std::string ansi(const std::u16string& s, size_t capacity, TextPolicy policy = TextPolicy::AsIs) {
    std::string out(capacity, '\0');
    out.resize(WideToAnsiBytes(out.data(), capacity, s.c_str(), s.size(), policy));
    return out;
}

}  // namespace

TEST(PrinterText, AsciiAsItIsAndTheEuroAsItsSingleByte) {
    winsim::TempMachine machine;
    EXPECT_EQ(printerCp(u"Report 7", 128), "Report 7");
    EXPECT_EQ(printerCp(u"\u20AC5", 128), "\x80" "5");
    // Other characters of code page 1252's upper half go through the engine.
    EXPECT_EQ(printerCp(u"\u00E9t\u00E9", 128), "\xE9t\xE9");
    EXPECT_EQ(printerCp(u"\u2018q\u2019", 128), "\x91q\x92");
    EXPECT_EQ(printerCp(u"abc", 2), "ab");
    EXPECT_EQ(printerCp(u"abc", 0), "");
}

TEST(PrinterText, DoubleByteCharactersAreNeverCut) {
    winsim::MachineConfig cfg;
    cfg.ansiCodePage = 932;
    winsim::TempMachine machine(cfg);
    // U+3042 is 82 A0 in code page 932.
    EXPECT_EQ(printerCp(u"a\u3042", 3), "a\x82\xA0");
    EXPECT_EQ(printerCp(u"a\u3042", 2), "a");
    EXPECT_EQ(printerCp(u"\u3042\u3042", 3), "\x82\xA0");
    // A name of 65 such characters cut at 128 bytes keeps 64 whole ones.
    const std::string cut = printerCp(std::u16string(65, u'\u3042'), 128);
    EXPECT_EQ(cut.size(), 128u);
    EXPECT_EQ(printerCp(u"x" + std::u16string(64, u'\u3042'), 128).size(), 127u);
    EXPECT_EQ(ansi(u"\u3042b", 2), "\x82\xA0");
    EXPECT_EQ(ansi(u"b\u3042", 2), "b");
}

TEST(PrinterText, AnAnsiCutKeepsWholeCharactersOnly) {
    const char text[] = "ab\x82\xA0" "c\x82";
    {
        winsim::MachineConfig cfg;
        cfg.ansiCodePage = 932;
        winsim::TempMachine machine(cfg);
        EXPECT_EQ(AnsiWholeCharacters(text, 6, 6), 5u);  // the last lead byte has no trail byte
        EXPECT_EQ(AnsiWholeCharacters(text, 6, 3), 2u);  // nor room for it
        EXPECT_EQ(AnsiWholeCharacters(text, 6, 4), 4u);
        EXPECT_EQ(AnsiWholeCharacters(text, 3, 9), 2u);
        EXPECT_EQ(AnsiWholeCharacters(nullptr, 3, 3), 0u);
    }
    winsim::TempMachine western;
    EXPECT_EQ(AnsiWholeCharacters(text, 6, 6), 6u);
}

TEST(PrinterText, OutsideTextCannotEndItsLineOrItsQuotes) {
    winsim::TempMachine machine;
    const std::u16string hostile = u"a\r\n@PJL\x1b%-12345X\"b\x7f\t";
    const std::string safe = printerCp(hostile, 128, TextPolicy::PjlSafe);
    EXPECT_EQ(safe, "a  @PJL %-12345X'b  ");
    EXPECT_EQ(safe.size(), hostile.size());
    EXPECT_EQ(ansi(hostile, 128, TextPolicy::PjlSafe), safe);
    EXPECT_EQ(printerCp(hostile, 128), std::string("a\r\n@PJL\x1b%-12345X\"b\x7f\t"));
}

TEST(PrinterText, SurrogatePairsGoAsOneCharacter) {
    winsim::TempMachine machine;
    // A character outside the code page becomes its default character once.
    const std::string out = ansi(u"x\U0001F600y", 16);
    EXPECT_EQ(out, "x?y");
}
