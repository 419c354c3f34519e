// Code pages: round trips in 1252, 932 and UTF-8, size queries, short
// buffers, default characters, invalid input and the code-page queries.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include <win/codepage.h>
#include <winsim/winsim.h>
#include "platform/last_error.h"

namespace {

winsim::MachineConfig withCodePage(uint32_t cp) {
    winsim::MachineConfig c;
    c.ansiCodePage = cp;
    return c;
}

std::u16string toWide(UINT cp, const std::string& s, DWORD flags = 0) {
    int n = MultiByteToWideChar(cp, flags, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    if (n > 0) {
        EXPECT_EQ(MultiByteToWideChar(cp, flags, s.data(), static_cast<int>(s.size()), out.data(), n), n);
    }
    return out;
}

std::string toBytes(UINT cp, const std::u16string& s, BOOL* used = nullptr) {
    int n = WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, used);
    std::string out(static_cast<size_t>(n), '\0');
    if (n > 0) {
        EXPECT_EQ(WideCharToMultiByte(cp, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr, used), n);
    }
    return out;
}

}  // namespace

TEST(CodePage, Windows1252RoundTripsEveryByte) {
    winsim::TempMachine m;
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    std::u16string w = toWide(CP_ACP, all);
    ASSERT_EQ(w.size(), 255u);
    EXPECT_EQ(w[0x80 - 1], u'\u20AC');
    EXPECT_EQ(w[0x81 - 1], u'\u0081');  // bytes 1252 leaves open map to C1 controls
    EXPECT_EQ(w[0x9F - 1], u'\u0178');
    BOOL used = TRUE;
    EXPECT_EQ(toBytes(CP_ACP, w, &used), all);
    EXPECT_FALSE(used);
    EXPECT_EQ(toWide(1252, "\x80", MB_ERR_INVALID_CHARS), u"\u20AC");  // no byte of 1252 is invalid
}

TEST(CodePage, TerminatorSizeQueriesAndShortBuffers) {
    winsim::TempMachine m;
    // -1 counts the terminator; an explicit length does not add one.
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "Tray", -1, nullptr, 0), 5);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "Tray", 4, nullptr, 0), 4);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"Tray", -1, nullptr, 0, nullptr, nullptr), 5);
    WCHAR w[8];
    std::fill(std::begin(w), std::end(w), u'#');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "Tray", -1, w, 8), 5);
    EXPECT_EQ(std::u16string(w), u"Tray");
    std::fill(std::begin(w), std::end(w), u'#');
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "Tray", 4, w, 8), 4);
    EXPECT_EQ(w[4], u'#');

    // Too short: 0 and ERROR_INSUFFICIENT_BUFFER, nothing past the buffer.
    std::fill(std::begin(w), std::end(w), u'#');
    EXPECT_FAILS_WITH(MultiByteToWideChar(CP_ACP, 0, "Tray", -1, w, 4), 0, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(w[4], u'#');
    char b[8];
    std::memset(b, '#', sizeof b);
    EXPECT_FAILS_WITH(WideCharToMultiByte(CP_ACP, 0, u"Tray", -1, b, 4, nullptr, nullptr),
                      0, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(b[4], '#');
}

TEST(CodePage, Windows932DoubleByteAndHalfWidth) {
    winsim::TempMachine m(withCodePage(932));
    EXPECT_EQ(GetACP(), 932u);
    const std::string jp = "\x93\xFA\x96\x7B\x8C\xEA" "A\xB1\xB2\x5C";  // 日本語 A ｱｲ backslash
    const std::u16string wjp = u"\u65E5\u672C\u8A9E" u"A\uFF71\uFF72\\";
    EXPECT_EQ(toWide(CP_ACP, jp), wjp);
    EXPECT_EQ(toBytes(CP_ACP, wjp), jp);
    // Windows' own choices of the 932 table.
    EXPECT_EQ(toWide(932, "\x81\x60\x81\x5F\x81\x7C"), u"\uFF5E\uFF3C\uFF0D");
    EXPECT_EQ(toWide(932, "\x80\xA0\xFD"), u"\u0080\uF8F0\uF8F1");
    // Characters with several codes take the one Windows writes.
    EXPECT_EQ(toBytes(932, u"\u2252"), "\x81\xE0");   // not the NEC row 0x8790
    EXPECT_EQ(toBytes(932, u"\u2170"), "\xFA\x40");   // IBM row, not NEC-selected 0xEEEF
    EXPECT_EQ(toWide(932, "\xEE\xEF"), u"\u2170");
}

TEST(CodePage, Windows932EveryPairRoundTripsThroughUnicode) {
    winsim::TempMachine m(withCodePage(932));
    size_t defined = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F) continue;
            char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            WCHAR w = 0;
            if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, pair, 2, &w, 1) != 1) continue;
            ++defined;
            char back[2];
            BOOL used = FALSE;
            ASSERT_EQ(WideCharToMultiByte(932, 0, &w, 1, back, 2, nullptr, &used), 2) << std::hex << lead << trail;
            EXPECT_FALSE(used);
            WCHAR again = 0;
            ASSERT_EQ(MultiByteToWideChar(932, 0, back, 2, &again, 1), 1);
            EXPECT_EQ(again, w) << std::hex << lead << " " << trail;
        }
    }
    EXPECT_GT(defined, 7000u);  // JIS X 0208 plus the vendor rows
}

TEST(CodePage, Windows932IncompleteAndInvalidInput) {
    winsim::TempMachine m(withCodePage(932));
    // A lead byte at the end of the input.
    EXPECT_EQ(toWide(932, "A\x82"), u"A\u30FB");
    EXPECT_FAILS_WITH(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, "A\x82", 2, nullptr, 0),
                      0, ERROR_NO_UNICODE_TRANSLATION);
    // A lead byte before the terminator never swallows it.
    WCHAR w[4];
    EXPECT_EQ(MultiByteToWideChar(932, 0, "\x82", -1, w, 4), 2);
    EXPECT_EQ(w[0], u'\u30FB');
    EXPECT_EQ(w[1], 0);
    // A lead byte before a byte that cannot be a trail: that byte stands alone.
    EXPECT_EQ(toWide(932, "\x82" "1"), u"\u30FB" u"1");
    // Short buffer keeps double-byte characters whole.
    char b[4];
    std::memset(b, '#', sizeof b);
    EXPECT_FAILS_WITH(WideCharToMultiByte(932, 0, u"\u3042\u3044", 2, b, 3, nullptr, nullptr),
                      0, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(b, 2), "\x82\xA0");
    EXPECT_EQ(b[2], '#');
    EXPECT_EQ(WideCharToMultiByte(932, 0, u"\u3042\u3044", 2, nullptr, 0, nullptr, nullptr), 4);
}

TEST(CodePage, DefaultCharacterAndItsReport) {
    winsim::TempMachine m;
    BOOL used = FALSE;
    EXPECT_EQ(toBytes(CP_ACP, u"A\u3042B", &used), "A?B");
    EXPECT_TRUE(used);
    EXPECT_EQ(toBytes(CP_ACP, u"A?B", &used), "A?B");  // a real '?' is no default
    EXPECT_FALSE(used);
    EXPECT_EQ(toBytes(CP_ACP, u"x\U0001F600y", &used), "x?y");  // one default for a pair
    char b[8];
    EXPECT_EQ(WideCharToMultiByte(1252, 0, u"\u0100!", 2, b, 8, "*", &used), 2);  // no best fit
    EXPECT_EQ(std::string(b, 2), "*!");
    EXPECT_TRUE(used);
    EXPECT_FAILS_WITH(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, b, 8, "*", nullptr), 0, ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(WideCharToMultiByte(CP_UTF8, 0, u"a", 1, b, 8, nullptr, &used), 0, ERROR_INVALID_PARAMETER);
}

TEST(CodePage, Utf8StrictDecodingAndEncoding) {
    winsim::TempMachine m;
    const std::u16string text = u"Gr\u00FC\u00DFe \u65E5\u672C \U0001F600";
    const std::string utf8 = toBytes(CP_UTF8, text);
    EXPECT_EQ(utf8, "Gr\xC3\xBC\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80");
    EXPECT_EQ(toWide(CP_UTF8, utf8), text);
    // Overlong forms, encoded surrogates, values past U+10FFFF and cut
    // sequences are invalid: one U+FFFD per broken piece.
    EXPECT_EQ(toWide(CP_UTF8, "a\xC0\xAF" "b"), u"a\uFFFD\uFFFD" u"b");
    EXPECT_EQ(toWide(CP_UTF8, "\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(toWide(CP_UTF8, "\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");
    EXPECT_EQ(toWide(CP_UTF8, "x\xE3\x81"), u"x\uFFFD");
    EXPECT_EQ(toWide(CP_UTF8, "\xE3\x81" "A"), u"\uFFFD" u"A");
    EXPECT_FAILS_WITH(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xC0\xAF", 3, nullptr, 0),
                      0, ERROR_NO_UNICODE_TRANSLATION);
    // A lone surrogate becomes U+FFFD, or fails with WC_ERR_INVALID_CHARS.
    const char16_t lone[] = {u'a', 0xD800, u'b'};
    EXPECT_EQ(toBytes(CP_UTF8, std::u16string(lone, 3)), "a\xEF\xBF\xBD" "b");
    EXPECT_FAILS_WITH(WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, lone, 3, nullptr, 0, nullptr, nullptr),
                      0, ERROR_NO_UNICODE_TRANSLATION);
    // A buffer that holds only half of a surrogate pair gets neither half.
    WCHAR w[2] = {u'#', u'#'};
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "\xF0\x9F\x98\x80", 4, w, 1), 0);
    EXPECT_EQ(w[0], u'#');
}

TEST(CodePage, BadArgumentsAndFlags) {
    winsim::TempMachine m;
    WCHAR w[4];
    char b[4];
    auto expectError = [](int result, DWORD error) {
        EXPECT_EQ(result, 0);
        EXPECT_EQ(GetLastError(), error);
    };
    expectError(MultiByteToWideChar(CP_ACP, 0, nullptr, -1, w, 4), ERROR_INVALID_PARAMETER);
    expectError(MultiByteToWideChar(CP_ACP, 0, "a", 0, w, 4), ERROR_INVALID_PARAMETER);
    expectError(MultiByteToWideChar(CP_ACP, 0, "a", -2, w, 4), ERROR_INVALID_PARAMETER);
    expectError(MultiByteToWideChar(CP_ACP, 0, "a", 1, w, -1), ERROR_INVALID_PARAMETER);
    expectError(MultiByteToWideChar(CP_ACP, 0, "a", 1, nullptr, 4), ERROR_INVALID_PARAMETER);
    expectError(MultiByteToWideChar(12345, 0, "a", 1, w, 4), ERROR_INVALID_PARAMETER);
    expectError(MultiByteToWideChar(CP_ACP, 0x100, "a", 1, w, 4), ERROR_INVALID_FLAGS);
    expectError(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED | MB_COMPOSITE, "a", 1, w, 4), ERROR_INVALID_FLAGS);
    expectError(MultiByteToWideChar(CP_UTF8, MB_PRECOMPOSED, "a", 1, w, 4), ERROR_INVALID_FLAGS);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, "a", 1, w, 4), 1);

    expectError(WideCharToMultiByte(CP_ACP, 0, nullptr, -1, b, 4, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    expectError(WideCharToMultiByte(CP_ACP, 0, u"a", 0, b, 4, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    expectError(WideCharToMultiByte(CP_ACP, 0, u"a", 1, b, -1, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    expectError(WideCharToMultiByte(CP_ACP, 0, u"a", 1, nullptr, 4, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    expectError(WideCharToMultiByte(CP_MACCP, 0, u"a", 1, b, 4, nullptr, nullptr), ERROR_INVALID_PARAMETER);
    expectError(WideCharToMultiByte(CP_ACP, WC_ERR_INVALID_CHARS, u"a", 1, b, 4, nullptr, nullptr),
                ERROR_INVALID_FLAGS);
    expectError(WideCharToMultiByte(CP_UTF8, WC_NO_BEST_FIT_CHARS, u"a", 1, b, 4, nullptr, nullptr),
                ERROR_INVALID_FLAGS);
    EXPECT_EQ(WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, u"a", 1, b, 4, nullptr, nullptr), 1);
}

TEST(CodePage, QueriesFollowTheMachine) {
    {
        winsim::TempMachine m;
        EXPECT_EQ(GetACP(), 1252u);
        EXPECT_EQ(GetOEMCP(), 437u);
        EXPECT_FALSE(IsDBCSLeadByte(0x82));
        CPINFO info;
        ASSERT_TRUE(GetCPInfo(CP_ACP, &info));
        EXPECT_EQ(info.MaxCharSize, 1u);
        EXPECT_EQ(info.DefaultChar[0], '?');
        EXPECT_EQ(info.LeadByte[0], 0);
        ASSERT_TRUE(GetCPInfo(CP_UTF8, &info));
        EXPECT_EQ(info.MaxCharSize, 4u);
        ASSERT_TRUE(GetCPInfo(932, &info));
        EXPECT_EQ(info.MaxCharSize, 2u);
        const BYTE leads[] = {0x81, 0x9F, 0xE0, 0xFC, 0, 0};
        EXPECT_EQ(std::memcmp(info.LeadByte, leads, sizeof leads), 0);
        EXPECT_FAILS_WITH(GetCPInfo(4242, &info), FALSE, ERROR_INVALID_PARAMETER);
        EXPECT_FALSE(GetCPInfo(1252, nullptr));
        EXPECT_TRUE(IsDBCSLeadByteEx(932, 0x81));
        EXPECT_TRUE(IsDBCSLeadByteEx(932, 0xFC));
        EXPECT_FALSE(IsDBCSLeadByteEx(932, 0xA0));
        EXPECT_FALSE(IsDBCSLeadByteEx(932, 0xFD));
        EXPECT_FALSE(IsDBCSLeadByteEx(CP_UTF8, 0xE3));
        EXPECT_FAILS_WITH(IsDBCSLeadByteEx(4242, 0x81), FALSE, ERROR_INVALID_PARAMETER);
        EXPECT_TRUE(IsValidCodePage(932));
        EXPECT_FALSE(IsValidCodePage(CP_ACP));
        EXPECT_FALSE(IsValidCodePage(4242));
    }
    {
        winsim::TempMachine m(withCodePage(932));
        EXPECT_TRUE(IsDBCSLeadByte(0x82));
        EXPECT_FALSE(IsDBCSLeadByte(0xB1));
        EXPECT_FALSE(IsDBCSLeadByte('A'));
    }
}
