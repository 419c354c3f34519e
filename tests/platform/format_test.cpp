// wsprintfW / wsprintfA: the formats the driver uses, widths and flags,
// text of the other form, unknown directives and the 1024-character limit.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include <win/text.h>
#include <winsim/winsim.h>

namespace {

template <class... A>
std::u16string fmtW(const char16_t* f, A... args) {
    WCHAR buf[1100];
    int n = wsprintfW(buf, f, args...);
    std::u16string s(buf);
    EXPECT_EQ(static_cast<size_t>(n), s.size());
    return s;
}

template <class... A>
std::string fmtA(const char* f, A... args) {
    char buf[1100];
    int n = wsprintfA(buf, f, args...);
    std::string s(buf);
    EXPECT_EQ(static_cast<size_t>(n), s.size());
    return s;
}

int viaVaList(WCHAR* out, const WCHAR* f, ...) {
    va_list ap;
    va_start(ap, f);
    int n = wvsprintfW(out, f, ap);
    va_end(ap);
    return n;
}

}  // namespace

TEST(Format, TheDriversFormats) {
    EXPECT_EQ(fmtW(u"%%SystemDrive%%\\_vesk\\%ws", u"model.ini"), u"%SystemDrive%\\_vesk\\model.ini");
    EXPECT_EQ(fmtW(u"%04d%02d%02d%02d%02d%02d", 2024, 2, 29, 7, 5, 9), u"20240229070509");
    EXPECT_EQ(fmtW(u"(%ld.%01d x %ld.%01d", LONG{210}, 0, LONG{297}, 5), u"(210.0 x 297.5");
    EXPECT_EQ(fmtW(u"%ld.%02d", LONG{-8}, 5), u"-8.05");
    EXPECT_EQ(fmtW(u"\u5370\u5237\u54C1\u8CEA No.%d", 3), u"\u5370\u5237\u54C1\u8CEA No.3");
    EXPECT_EQ(fmtW(u"%s=%lu", u"Copies", DWORD{4000000000u}), u"Copies=4000000000");
}

TEST(Format, WidthsFlagsAndPrecision) {
    EXPECT_EQ(fmtW(u"[%5d|%-5d|%05d|%-05d]", 42, 42, 42, 42), u"[   42|42   |00042|42   ]");
    EXPECT_EQ(fmtW(u"[%05d|%5d]", -42, -42), u"[-0042|  -42]");
    EXPECT_EQ(fmtW(u"%d %i %u", INT_MIN, INT_MAX, -1), u"-2147483648 2147483647 4294967295");
    EXPECT_EQ(fmtW(u"%x %X %lx %lX %#x %#X %#x", 255, 255, 0xDEADBEEFu, 0xABCu, 26, 26, 0),
              u"ff FF deadbeef ABC 0x1a 0X1A 0");
    EXPECT_EQ(fmtW(u"%08X|%#06x", 0x1F, 0x1F), u"0000001F|0x001f");
    EXPECT_EQ(fmtW(u"%hd %hu", 70000, 70000), u"4464 4464");  // 'h' narrows to 16 bits
    EXPECT_EQ(fmtW(u"%.3d|%.0d|%.d|%5.3d", 5, 0, 0, -7), u"005|0|0| -007");
    EXPECT_EQ(fmtW(u"[%.2s|%5s|%-5s|%3s]", u"abc", u"ab", u"ab", u"abcdef"), u"[ab|   ab|ab   |abcdef]");
    EXPECT_EQ(fmtW(u"%c%lc%wc%hc%C", u'a', u'b', u'c', 'd', 'e'), u"abcde");
}

TEST(Format, TextOfTheOtherFormGoesThroughTheAnsiCodePage) {
    winsim::TempMachine m;
    EXPECT_EQ(fmtW(u"%hs|%S|%ls", "caf\xE9", "\x80", u"x"), u"caf\u00E9|\u20AC|x");
    EXPECT_EQ(fmtW(u"%s|%hs", static_cast<const char16_t*>(nullptr), static_cast<const char*>(nullptr)),
              u"(null)|(null)");
    EXPECT_EQ(fmtA("%s|%ls|%ws|%S|%hs", "abc", u"\u00E9", u"\u3042", u"\u20AC", "z"), "abc|\xE9|?|\x80|z");
    EXPECT_EQ(fmtA("%c%C%lc%04d", 'a', u'\u00E9', u'b', 12), "a\xE9" "b0012");
}

TEST(Format, UnknownDirectivesWriteTheirCharacter) {
    EXPECT_EQ(fmtW(u"100%%"), u"100%");
    EXPECT_EQ(fmtW(u"a%qb"), u"aqb");
    EXPECT_EQ(fmtW(u"a%5qb"), u"aqb");
    EXPECT_EQ(fmtW(u"%+d", 5), u"+d");  // '+' is no flag here; the argument is not read
    EXPECT_EQ(fmtW(u"end%"), u"end");
    EXPECT_EQ(fmtA("x%yz"), "xyz");
}

TEST(Format, PointersPrintInFixedWidthHex) {
    void* p = reinterpret_cast<void*>(static_cast<uintptr_t>(0xABCDu));
    std::u16string expect(sizeof(void*) * 2 - 4, u'0');
    EXPECT_EQ(fmtW(u"%p", p), expect + u"ABCD");
}

TEST(Format, OutputStopsAt1024CharactersWithTheTerminator) {
    std::u16string longText(2000, u'x');
    WCHAR buf[1100];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(wsprintfW(buf, u"%s", longText.c_str()), 1023);
    EXPECT_EQ(buf[1022], u'x');
    EXPECT_EQ(buf[1023], 0);
    EXPECT_EQ(buf[1024], u'#');  // nothing past the limit

    // A width past the limit is cut too.
    EXPECT_EQ(wsprintfW(buf, u"ab%5000d", 1), 1023);
    EXPECT_EQ(buf[1023], 0);

    // The cut never leaves half a surrogate pair.
    std::u16string pairAtEnd = std::u16string(1022, u'a') + u"\U0001F600";
    EXPECT_EQ(wsprintfW(buf, u"%s", pairAtEnd.c_str()), 1022);
    EXPECT_EQ(buf[1022], 0);

    char abuf[1100];
    std::string longAnsi(1500, 'y');
    EXPECT_EQ(wsprintfA(abuf, "%s", longAnsi.c_str()), 1023);
    EXPECT_EQ(abuf[1023], 0);
}

TEST(Format, AnsiCutKeepsDoubleByteCharactersWhole) {
    winsim::MachineConfig c;
    c.ansiCodePage = 932;
    winsim::TempMachine m(c);
    std::string s = std::string(1022, 'a') + "\x82\xA0";  // U+3042 straddles the limit
    char buf[1100];
    EXPECT_EQ(wsprintfA(buf, "%s", s.c_str()), 1022);
    EXPECT_EQ(buf[1021], 'a');
    EXPECT_EQ(buf[1022], 0);
    EXPECT_EQ(fmtA("%ls", u"\u3042\uFF71"), "\x82\xA0\xB1");  // half-width katakana is one byte
}

TEST(Format, VaListFormAndBadArguments) {
    WCHAR buf[64];
    EXPECT_EQ(viaVaList(buf, u"%s-%d", u"Tray", 2), 6);
    EXPECT_EQ(std::u16string(buf), u"Tray-2");
    EXPECT_EQ(wsprintfW(nullptr, u"%d", 1), 0);
    buf[0] = u'#';
    EXPECT_EQ(wsprintfW(buf, nullptr), 0);
    EXPECT_EQ(buf[0], 0);
}
