// String functions: lengths, bounded copies, comparisons, case, character
// steps, and the ANSI forms in 1252 and 932.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <win/text.h>
#include <winsim/winsim.h>

namespace {

winsim::MachineConfig withCodePage(uint32_t cp) {
    winsim::MachineConfig c;
    c.ansiCodePage = cp;
    return c;
}

}  // namespace

TEST(Text, LengthsAndNullStrings) {
    EXPECT_EQ(lstrlenW(nullptr), 0);
    EXPECT_EQ(lstrlenW(u""), 0);
    EXPECT_EQ(lstrlenW(u"printer\u00E9"), 8);
    EXPECT_EQ(lstrlenA(nullptr), 0);
    EXPECT_EQ(lstrlenA("abc"), 3);
    WCHAR buf[4] = u"xyz";
    EXPECT_EQ(lstrcpyW(nullptr, u"a"), nullptr);
    EXPECT_EQ(lstrcpyW(buf, nullptr), nullptr);
    EXPECT_EQ(lstrcatW(buf, nullptr), nullptr);
    EXPECT_EQ(std::u16string(buf), u"xyz");  // nothing written
}

TEST(Text, BoundedCopyTruncatesAndAlwaysTerminates) {
    WCHAR buf[8];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(lstrcpynW(buf, u"Letter", 4), buf);
    EXPECT_EQ(std::u16string(buf), u"Let");
    EXPECT_EQ(buf[4], u'#');  // nothing past the count

    std::fill(std::begin(buf), std::end(buf), u'#');
    lstrcpynW(buf, u"A4", 8);
    EXPECT_EQ(std::u16string(buf), u"A4");

    std::fill(std::begin(buf), std::end(buf), u'#');
    lstrcpynW(buf, u"Legal", 1);
    EXPECT_EQ(buf[0], 0);  // only the terminator fits
    EXPECT_EQ(buf[1], u'#');

    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(lstrcpynW(buf, u"Legal", 0), buf);
    EXPECT_EQ(buf[0], u'#');  // n == 0 writes nothing
    lstrcpynW(buf, u"Legal", -5);
    EXPECT_EQ(buf[0], u'#');

    WCHAR cat[16] = u"C:\\";
    lstrcatW(cat, u"WINDOWS");
    EXPECT_EQ(std::u16string(cat), u"C:\\WINDOWS");
    WCHAR cpy[16];
    lstrcpyW(cpy, u"abc");
    EXPECT_EQ(std::u16string(cpy), u"abc");
}

TEST(Text, AnsiBoundedCopyNeverSplitsADoubleByteCharacter) {
    winsim::TempMachine m(withCodePage(932));
    char buf[8];
    std::memset(buf, '#', sizeof buf);
    // "a" + U+3042 (0x82 0xA0) + "b": a count of 3 leaves room for "a" and
    // one byte, which would be half the character.
    lstrcpynA(buf, "a\x82\xA0" "b", 3);
    EXPECT_STREQ(buf, "a");
    lstrcpynA(buf, "a\x82\xA0" "b", 4);
    EXPECT_STREQ(buf, "a\x82\xA0");
    lstrcpynA(buf, "abcdef", 4);
    EXPECT_STREQ(buf, "abc");
}

TEST(Text, ComparisonsOrdinalAndCaseInsensitive) {
    EXPECT_EQ(lstrcmpW(u"abc", u"abc"), 0);
    EXPECT_EQ(lstrcmpW(u"abc", u"abd"), -1);
    EXPECT_EQ(lstrcmpW(u"abcd", u"abc"), 1);
    EXPECT_EQ(lstrcmpW(u"A", u"a"), -1);
    EXPECT_EQ(lstrcmpW(nullptr, nullptr), 0);
    EXPECT_EQ(lstrcmpW(nullptr, u""), -1);
    EXPECT_EQ(lstrcmpW(u"", nullptr), 1);

    EXPECT_EQ(lstrcmpiW(u"3.61", u"3.61"), 0);
    EXPECT_EQ(lstrcmpiW(u"PresetList", u"presetlist"), 0);
    EXPECT_EQ(lstrcmpiW(u"\u00C9T\u00C9", u"\u00E9t\u00E9"), 0);  // Latin-1 folds
    EXPECT_EQ(lstrcmpiW(u"\u0178", u"\u00FF"), 0);
    EXPECT_EQ(lstrcmpiW(u"abc", u"ABD"), -1);
    EXPECT_EQ(lstrcmpiW(u"ab", u"A"), 1);
    // Punctuation between 'Z' and 'a' sorts before letters, as on Windows.
    EXPECT_EQ(lstrcmpiW(u"_x", u"Ax"), -1);
    EXPECT_EQ(lstrcmpiW(nullptr, u"a"), -1);

    winsim::TempMachine m;  // ANSI code page 1252
    EXPECT_EQ(lstrcmpA("abc", "abd"), -1);
    EXPECT_EQ(lstrcmpiA("Model\xC9", "MODEL\xE9"), 0);  // 1252: E-acute
    EXPECT_EQ(lstrcmpiA(nullptr, nullptr), 0);
}

TEST(Text, CaseConversionPointerAndCharacterForms) {
    WCHAR s[] = u"Paper size \u00e9\u00ff 9";
    EXPECT_EQ(CharUpperW(s), s);
    EXPECT_EQ(std::u16string(s), u"PAPER SIZE \u00C9\u0178 9");
    CharLowerW(s);
    EXPECT_EQ(std::u16string(s), u"paper size \u00e9\u00ff 9");

    // A value below 0x10000 in the pointer is one character.
    auto one = [](WCHAR c) { return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(c)); };
    EXPECT_EQ(reinterpret_cast<uintptr_t>(CharUpperW(one(u'q'))), static_cast<uintptr_t>(u'Q'));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(CharLowerW(one(u'\u00C0'))), static_cast<uintptr_t>(u'\u00E0'));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(CharUpperW(one(u'7'))), static_cast<uintptr_t>(u'7'));

    WCHAR b[] = u"abcdef";
    EXPECT_EQ(CharUpperBuffW(b, 3), 3u);
    EXPECT_EQ(std::u16string(b), u"ABCdef");
    EXPECT_EQ(CharLowerBuffW(b, 6), 6u);
    EXPECT_EQ(std::u16string(b), u"abcdef");
    EXPECT_EQ(CharUpperBuffW(nullptr, 3), 0u);

    EXPECT_TRUE(IsCharUpperW(u'A'));
    EXPECT_FALSE(IsCharUpperW(u'a'));
    EXPECT_TRUE(IsCharLowerW(u'\u00FF'));
    EXPECT_TRUE(IsCharAlphaNumericW(u'7'));
    EXPECT_TRUE(IsCharAlphaNumericW(u'\u30A2'));  // Katakana
    EXPECT_TRUE(IsCharAlphaNumericW(u'\uFF11'));  // full-width digit
    EXPECT_FALSE(IsCharAlphaNumericW(u'-'));
    EXPECT_FALSE(IsCharAlphaNumericW(u'\u00D7'));
    EXPECT_FALSE(IsCharAlphaW(u'5'));
}

TEST(Text, CharacterStepsStopAtTheEnds) {
    const WCHAR* s = u"a\U0001F600b";  // 'a', a surrogate pair, 'b'
    const WCHAR* p = CharNextW(s);
    EXPECT_EQ(p, s + 1);
    p = CharNextW(p);
    EXPECT_EQ(p, s + 3);  // the pair is one character
    p = CharNextW(CharNextW(p));
    EXPECT_EQ(p, s + 4);  // stays on the terminator
    EXPECT_EQ(CharPrevW(s, s + 3), s + 1);
    EXPECT_EQ(CharPrevW(s, s + 1), s);
    EXPECT_EQ(CharPrevW(s, s), s);
}

TEST(Text, AnsiStepsFollowTheCodePage) {
    {
        winsim::TempMachine m(withCodePage(932));
        const char* s = "\x82\xA0x\x83";  // U+3042, 'x', then a lead byte cut off
        EXPECT_EQ(CharNextA(s), s + 2);
        EXPECT_EQ(CharNextA(s + 2), s + 3);
        EXPECT_EQ(CharNextA(s + 3), s + 4);  // a lone lead byte does not step past the end
        EXPECT_EQ(CharNextA(s + 4), s + 4);
        EXPECT_EQ(CharPrevA(s, s + 3), s + 2);
        EXPECT_EQ(CharPrevA(s, s + 2), s);
    }
    {
        winsim::TempMachine m;
        const char* s = "\x82\xA0";
        EXPECT_EQ(CharNextA(s), s + 1);  // 1252 has no lead bytes
        EXPECT_EQ(CharPrevA(s, s + 2), s + 1);
    }
}
