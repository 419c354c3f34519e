// Profile (INI) functions: the reading quirks callers depend on, result
// values of cut buffers, and writes that touch only what they change.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include <win/profile.h>
#include <winsim/winsim.h>
#include "core/sim.h"
#include "platform/file_helpers.h"

namespace fs = std::filesystem;

namespace {

fs::path winDir(const winsim::TempMachine& m) { return m.root() / "C" / "WINDOWS"; }

void put(const fs::path& p, const std::string& bytes) { filetest::putHostText(p, bytes); }
std::string get(const fs::path& p) { return filetest::hostText(p); }

std::u16string read(const char16_t* sec, const char16_t* key, const char16_t* def = u"<def>",
                    const char16_t* file = u"t.ini") {
    WCHAR buf[256];
    DWORD n = GetPrivateProfileStringW(sec, key, def, buf, 256, file);
    return std::u16string(buf, n);
}

// A double-NUL list as its items.
std::vector<std::u16string> items(const WCHAR* buf, DWORD n) {
    std::vector<std::u16string> out;
    size_t i = 0;
    while (i < n && buf[i]) {
        std::u16string s(buf + i);
        i += s.size() + 1;
        out.push_back(s);
    }
    return out;
}

using V = std::vector<std::u16string>;

}  // namespace

TEST(ProfileRead, QuotesBlanksCaseDuplicatesAndStrayLines) {
    winsim::TempMachine m;
    put(winDir(m) / "t.ini",
        "*Keyword=before any section\r\n"
        "orphan=1\r\n"
        "[ Main ]\r\n"
        "  Plain  =  some value  \r\n"
        "dq=\"quoted \"\r\n"
        "sq='x'\r\n"
        "half=\"open\n"
        "inner=a\"b\"\r\n"
        "mixed=\"a'\r\n"
        "; comment=hidden\r\n"
        "NoEquals\r\n"
        "dup=first\r\n"
        "DUP=second\r\n"
        "empty=\r\n"
        "[main]\r\n"
        "onlysecond=2\r\n"
        "[Printer [2]]\r\n"
        "k=bracketed\r\n"
        "[Other]\r\n"
        "Plain=other");
    EXPECT_EQ(read(u"MAIN", u"plain"), u"some value");
    EXPECT_EQ(read(u"Main", u"dq"), u"quoted ");
    EXPECT_EQ(read(u"Main", u"sq"), u"x");
    EXPECT_EQ(read(u"Main", u"half"), u"\"open");
    EXPECT_EQ(read(u"Main", u"inner"), u"a\"b\"");
    EXPECT_EQ(read(u"Main", u"mixed"), u"\"a'");
    EXPECT_EQ(read(u"Main", u"dup"), u"first");
    EXPECT_EQ(read(u"Main", u"empty"), u"");
    EXPECT_EQ(read(u" Main ", u" Plain "), u"some value");
    // Comments, lines without '=', lines before the first section and later
    // duplicate sections are never found.
    EXPECT_EQ(read(u"Main", u"; comment"), u"<def>");
    EXPECT_EQ(read(u"Main", u"NoEquals"), u"<def>");
    EXPECT_EQ(read(u"", u"orphan"), u"<def>");
    EXPECT_EQ(read(u"Main", u"onlysecond"), u"<def>");
    EXPECT_EQ(read(u"Printer [2]", u"k"), u"bracketed");
    EXPECT_EQ(read(u"other", u"plain"), u"other");  // last line without a line end
}

TEST(ProfileRead, MissingGivesTheDefaultWithoutTrailingBlanks) {
    winsim::TempMachine m;
    put(winDir(m) / "t.ini", "[S]\r\nk=v\r\n");
    EXPECT_FAILS_WITH(read(u"S", u"nokey", u"  def  "), u"  def", ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(read(u"NoSection", u"k", u"d"), u"d");
    EXPECT_EQ(read(u"S", u"k", u"d", u"absent.ini"), u"d");
    EXPECT_EQ(read(u"S", u"nokey", nullptr), u"");
    WCHAR buf[8] = {u'x', u'x'};
    EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buf, 0, u"t.ini"), 0u);
    EXPECT_EQ(buf[0], u'x');  // nothing written into a zero-sized buffer
    EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", nullptr, 8, u"t.ini"), 0u);
}

TEST(ProfileRead, CutValuesAndListsReturnSizeMinusOneAndTwo) {
    winsim::TempMachine m;
    put(winDir(m) / "t.ini", "[Alpha]\r\nlong=abcdefgh\r\none=1\r\ntwo=2\r\n[Beta]\r\n[Gamma]\r\n");
    WCHAR buf[24];
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(GetPrivateProfileStringW(u"Alpha", u"long", u"", buf, 5, u"t.ini"), 4u);
    EXPECT_EQ(std::u16string(buf), u"abcd");
    EXPECT_EQ(buf[5], u'#');
    EXPECT_EQ(GetPrivateProfileStringW(u"Alpha", u"long", u"", buf, 9, u"t.ini"), 8u);  // exact fit
    EXPECT_EQ(GetPrivateProfileStringW(u"Alpha", u"nokey", u"defaultvalue", buf, 4, u"t.ini"), 3u);
    EXPECT_EQ(std::u16string(buf), u"def");

    // Key list "long\0one\0two\0\0": 13 characters and a final NUL.
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(GetPrivateProfileStringW(u"Alpha", nullptr, u"", buf, 16, u"t.ini"), 13u);
    EXPECT_EQ(items(buf, 13), (V{u"long", u"one", u"two"}));
    EXPECT_EQ(buf[13], 0);
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(GetPrivateProfileStringW(u"Alpha", nullptr, u"", buf, 8, u"t.ini"), 6u);
    EXPECT_EQ(std::u16string(buf, 8), std::u16string(u"long\0o\0\0", 8));
    EXPECT_EQ(buf[8], u'#');
    EXPECT_EQ(GetPrivateProfileStringW(u"Alpha", nullptr, u"", buf, 1, u"t.ini"), 0u);
    EXPECT_EQ(buf[0], 0);

    // Section list; an empty list still ends in two NULs.
    EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, u"", buf, 18, u"t.ini"), 17u);
    EXPECT_EQ(items(buf, 17), (V{u"Alpha", u"Beta", u"Gamma"}));
    EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 17, u"t.ini"), 15u);
    EXPECT_EQ(std::u16string(buf, 17), std::u16string(u"Alpha\0Beta\0Gamm\0\0", 17));
    EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 9, u"t.ini"), 7u);
    EXPECT_EQ(std::u16string(buf, 9), std::u16string(u"Alpha\0B\0\0", 9));
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(GetPrivateProfileStringW(u"Beta", nullptr, u"ignored", buf, 16, u"t.ini"), 0u);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(buf[1], 0);
}

TEST(ProfileRead, KeyListSkipsCommentsBareLinesAndRepeats) {
    winsim::TempMachine m;
    put(winDir(m) / "t.ini", "[S]\nb=1\n;c=2\nbare line\na=3\nB=4\n=nameless\n[S]\nz=5\n");
    WCHAR buf[64];
    DWORD n = GetPrivateProfileStringW(u"s", nullptr, nullptr, buf, 64, u"t.ini");
    EXPECT_EQ(items(buf, n), (V{u"b", u"a"}));
    n = GetPrivateProfileSectionNamesW(buf, 64, u"t.ini");
    EXPECT_EQ(items(buf, n), (V{u"S"}));
    n = GetPrivateProfileSectionW(u"S", buf, 64, u"t.ini");
    EXPECT_EQ(items(buf, n), (V{u"b=1", u"bare line", u"a=3", u"B=4", u"=nameless"}));
}

TEST(ProfileInt, MissingOrEmptyGivesTheDefaultElseLeadingNumber) {
    winsim::TempMachine m;
    put(winDir(m) / "t.ini",
        "[N]\r\nempty=\r\nquotedEmpty=\"\"\r\nblank=   \r\nmixed=12abc\r\nneg=-1\r\nplus= +7\r\n"
        "hex=0x1F\r\nHEX=0XfF\r\nword=abc\r\nquoted='42'\r\nbig=4294967297\r\n");
    auto get = [](const char16_t* key) { return GetPrivateProfileIntW(u"N", key, 0x7FFF, u"t.ini"); };
    EXPECT_EQ(get(u"missing"), 0x7FFFu);
    EXPECT_EQ(GetPrivateProfileIntW(u"N", u"missing", -1, u"t.ini"), 0xFFFFFFFFu);
    EXPECT_EQ(GetPrivateProfileIntW(u"N", u"x", 5, u"absent.ini"), 5u);
    EXPECT_EQ(get(u"empty"), 0x7FFFu);
    EXPECT_EQ(get(u"quotedEmpty"), 0x7FFFu);
    EXPECT_EQ(get(u"blank"), 0x7FFFu);
    EXPECT_EQ(get(u"mixed"), 12u);
    EXPECT_EQ(get(u"neg"), 0xFFFFFFFFu);
    EXPECT_EQ(get(u"plus"), 7u);
    EXPECT_EQ(get(u"hex"), 31u);
    EXPECT_EQ(get(u"word"), 0u);
    EXPECT_EQ(get(u"quoted"), 42u);
    EXPECT_EQ(get(u"big"), 1u);  // 32-bit wrap
}

TEST(ProfileWrite, CreatesFileSectionAndKeyInWindowsLayout) {
    winsim::TempMachine m;
    ASSERT_TRUE(WritePrivateProfileStringW(u"First", u"key", u"value", u"new.ini"));
    ASSERT_TRUE(WritePrivateProfileStringW(u"First", u"second", u"2", u"C:\\windows\\NEW.INI"));
    ASSERT_TRUE(WritePrivateProfileStringW(u"Next", u"k", u" spaced ", u"new.ini"));
    EXPECT_EQ(get(winDir(m) / "new.ini"), "[First]\r\nkey=value\r\nsecond=2\r\n[Next]\r\nk= spaced \r\n");
    EXPECT_EQ(read(u"first", u"KEY", u"", u"new.ini"), u"value");

    EXPECT_FAILS_WITH(WritePrivateProfileStringW(u"S", u"k", u"v", u"C:\\NoSuchDir\\x.ini"),
                      FALSE, ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(fs::exists(m.root() / "C" / "NoSuchDir"));

    ASSERT_TRUE(WriteProfileStringW(u"Devices", u"P1", u"winspool,Ne00:"));
    EXPECT_EQ(get(winDir(m) / "win.ini"), "[Devices]\r\nP1=winspool,Ne00:\r\n");
    WCHAR buf[32];
    EXPECT_EQ(GetProfileStringW(u"devices", u"p1", u"", buf, 32), 14u);
    EXPECT_EQ(GetProfileIntW(u"devices", u"none", 3), 3u);
    EXPECT_EQ(GetPrivateProfileStringW(u"Devices", u"P1", u"", buf, 32, nullptr), 14u);
}

TEST(ProfileWrite, ReplacesInPlaceAndLeavesEveryOtherByte) {
    winsim::TempMachine m;
    const std::string head = "; settings\n\n[A]\n  key = old value ; note\n;keep me\nother=1\n\n";
    const std::string tail = "[B]\r\nkey=b\r\n";
    put(winDir(m) / "t.ini", head + tail);
    ASSERT_TRUE(WritePrivateProfileStringW(u"a", u"KEY", u"new", u"t.ini"));
    EXPECT_EQ(get(winDir(m) / "t.ini"),
              "; settings\n\n[A]\nkey=new\n;keep me\nother=1\n\n" + tail);
    // A new key goes after the section's last entry, before its blank line.
    ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"added", u"x", u"t.ini"));
    EXPECT_EQ(get(winDir(m) / "t.ini"),
              "; settings\n\n[A]\nkey=new\n;keep me\nother=1\nadded=x\r\n\n" + tail);
    // The file's last line gets a line end before anything follows it.
    put(winDir(m) / "u.ini", "[A]\r\nk=1");
    ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"j", u"2", u"u.ini"));
    ASSERT_TRUE(WritePrivateProfileStringW(u"C", u"k", u"3", u"u.ini"));
    EXPECT_EQ(get(winDir(m) / "u.ini"), "[A]\r\nk=1\r\nj=2\r\n[C]\r\nk=3\r\n");
    // Replacing the last line keeps it without a line end.
    put(winDir(m) / "v.ini", "[A]\r\nk=1");
    ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"k", u"22", u"v.ini"));
    EXPECT_EQ(get(winDir(m) / "v.ini"), "[A]\r\nk=22");
}

TEST(ProfileWrite, DeletesKeysSectionsAndFlushes) {
    winsim::TempMachine m;
    put(winDir(m) / "t.ini", "top=1\r\n[A]\r\nk=1\r\nj=2\r\nK=3\r\n[B]\r\nx=1\r\n[a]\r\nm=1\r\n");
    ASSERT_TRUE(WritePrivateProfileStringW(u"A", u"k", nullptr, u"t.ini"));
    EXPECT_EQ(get(winDir(m) / "t.ini"), "top=1\r\n[A]\r\nj=2\r\n[B]\r\nx=1\r\n[a]\r\nm=1\r\n");
    ASSERT_TRUE(WritePrivateProfileStringW(u"A", nullptr, nullptr, u"t.ini"));
    EXPECT_EQ(get(winDir(m) / "t.ini"), "top=1\r\n[B]\r\nx=1\r\n");
    EXPECT_TRUE(WritePrivateProfileStringW(u"Gone", u"k", nullptr, u"t.ini"));
    EXPECT_TRUE(WritePrivateProfileStringW(u"Gone", nullptr, nullptr, u"t.ini"));
    EXPECT_EQ(get(winDir(m) / "t.ini"), "top=1\r\n[B]\r\nx=1\r\n");
    // Deleting from a missing file succeeds and makes no file.
    EXPECT_TRUE(WritePrivateProfileStringW(u"A", nullptr, nullptr, u"none.ini"));
    EXPECT_FALSE(fs::exists(winDir(m) / "none.ini"));

    winsim::journalEnable(true);
    winsim::journalClear();
    EXPECT_TRUE(WritePrivateProfileStringW(nullptr, nullptr, nullptr, u"t.ini"));
    EXPECT_EQ(winsim::journalCount("WritePrivateProfileStringW"), 1u);
    EXPECT_EQ(winsim::journal().back().detail, "(null)|(null)|t.ini");
    EXPECT_FAILS_WITH(WritePrivateProfileStringW(nullptr, u"k", u"v", u"t.ini"), FALSE, ERROR_INVALID_PARAMETER);
}

TEST(ProfileWrite, ReadOnlyFilesAndStructureBreakingTextAreRefused) {
    winsim::TempMachine m;
    const std::string text = "[S]\r\nk=v\r\n";
    fs::path p = winDir(m) / "t.ini";
    put(p, text);
    ASSERT_TRUE(winsim::detail::setHostAttributes(p, FILE_ATTRIBUTE_READONLY));
    EXPECT_FAILS_WITH(WritePrivateProfileStringW(u"S", u"k", u"w", u"t.ini"), FALSE, ERROR_ACCESS_DENIED);
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", nullptr, nullptr, u"t.ini"));
    EXPECT_EQ(get(p), text);

    ASSERT_TRUE(winsim::detail::setHostAttributes(p, FILE_ATTRIBUTE_HIDDEN));
    for (auto [s, k, v] : {std::tuple{u"S", u"k", u"x\r\n[Evil]\r\ny=1"}, std::tuple{u"S\n", u"k", u"v"},
                           std::tuple{u"S", u"a=b", u"v"}, std::tuple{u"S", u"[T]", u"v"},
                           std::tuple{u"S", u" ;c", u"v"}, std::tuple{u"S", u"", u"v"}}) {
        EXPECT_FAILS_WITH(WritePrivateProfileStringW(s, k, v, u"t.ini"), FALSE, ERROR_INVALID_PARAMETER);
    }
    EXPECT_EQ(get(p), text);
    // A write keeps the file's attributes and leaves no temporary behind.
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"k", u"w", u"t.ini"));
    EXPECT_EQ(winsim::detail::hostAttributes(p), static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN));
    size_t entries = 0;
    for (const auto& e : fs::directory_iterator(winDir(m))) entries += e.is_regular_file();
    EXPECT_EQ(entries, 1u);
}

TEST(ProfileSection, ReadCutReplaceCreateAndDelete) {
    winsim::TempMachine m;
    put(winDir(m) / "t.ini", "[A]\r\n; c\r\n k = 1 \r\nq=\"2\"\r\n\r\n[B]\r\nx=1\r\n");
    WCHAR buf[32];
    DWORD n = GetPrivateProfileSectionW(u"a", buf, 32, u"t.ini");
    EXPECT_EQ(items(buf, n), (V{u"k=1", u"q=\"2\""}));
    EXPECT_EQ(n, 10u);
    std::fill(std::begin(buf), std::end(buf), u'#');
    EXPECT_EQ(GetPrivateProfileSectionW(u"A", buf, 7, u"t.ini"), 5u);
    EXPECT_EQ(std::u16string(buf, 7), std::u16string(u"k=1\0q\0\0", 7));
    EXPECT_EQ(buf[7], u'#');
    EXPECT_EQ(GetPrivateProfileSectionW(u"none", buf, 32, u"t.ini"), 0u);
    EXPECT_EQ(buf[0], 0);

    ASSERT_TRUE(WritePrivateProfileSectionW(u"A", u"n=1\0m=2\0", u"t.ini"));
    EXPECT_EQ(get(winDir(m) / "t.ini"), "[A]\r\nn=1\r\nm=2\r\n\r\n[B]\r\nx=1\r\n");
    ASSERT_TRUE(WritePrivateProfileSectionW(u"C", u"z=9\0", u"t.ini"));
    ASSERT_TRUE(WritePrivateProfileSectionW(u"B", nullptr, u"t.ini"));
    EXPECT_EQ(get(winDir(m) / "t.ini"), "[A]\r\nn=1\r\nm=2\r\n\r\n[C]\r\nz=9\r\n");
    ASSERT_TRUE(WritePrivateProfileSectionW(u"A", u"\0", u"t.ini"));
    EXPECT_EQ(get(winDir(m) / "t.ini"), "[A]\r\n\r\n[C]\r\nz=9\r\n");
    EXPECT_FALSE(WritePrivateProfileSectionW(u"A", u"ok=1\0[X]\0", u"t.ini"));
    EXPECT_EQ(get(winDir(m) / "t.ini"), "[A]\r\n\r\n[C]\r\nz=9\r\n");
}

TEST(ProfileStruct, RoundTripsAndRefusesDamagedValues) {
    winsim::TempMachine m;
    const uint8_t data[3] = {0x01, 0xAB, 0xFF};
    ASSERT_TRUE(WritePrivateProfileStructW(u"S", u"blob", data, 3, u"t.ini"));
    EXPECT_EQ(get(winDir(m) / "t.ini"), "[S]\r\nblob=01ABFFAB\r\n");
    uint8_t out[3] = {};
    EXPECT_TRUE(GetPrivateProfileStructW(u"S", u"blob", out, 3, u"t.ini"));
    EXPECT_EQ(std::memcmp(out, data, 3), 0);
    uint8_t other[4] = {9, 9, 9, 9};
    EXPECT_FALSE(GetPrivateProfileStructW(u"S", u"blob", other, 4, u"t.ini"));
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"blob", u"01ABFFAC", u"t.ini"));
    EXPECT_FALSE(GetPrivateProfileStructW(u"S", u"blob", other, 3, u"t.ini"));
    EXPECT_EQ(other[0], 9);
}

TEST(ProfileCodePage, Text932RoundTripsThroughTheFile) {
    winsim::MachineConfig c;
    c.ansiCodePage = 932;
    winsim::TempMachine m(c);
    // U+30BD is 0x83 0x5C in code page 932: its second byte is a backslash.
    ASSERT_TRUE(WritePrivateProfileStringW(u"\u30BD\u30D5\u30C8", u"\u540D\u524D", u"\u8868\u793A=\u30BD", u"jp.ini"));
    EXPECT_EQ(get(winDir(m) / "jp.ini"),
              "[\x83\x5C\x83\x74\x83\x67]\r\n\x96\xBC\x91\x4F=\x95\x5C\x8E\xA6=\x83\x5C\r\n");
    EXPECT_EQ(read(u"\u30BD\u30D5\u30C8", u"\u540D\u524D", u"", u"jp.ini"), u"\u8868\u793A=\u30BD");
    // A section name ending in such a character still closes at its ']'.
    put(winDir(m) / "k.ini", "[\x83\x5C]\r\nk=\x83\x5D\r\n");
    EXPECT_EQ(read(u"\u30BD", u"k", u"", u"k.ini"), u"\u30BE");
}

TEST(ProfileEncoding, Utf16FilesStayUtf16) {
    winsim::TempMachine m;
    std::u16string text = u"[S]\r\nk=\u20AC\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t ch : text) bytes += std::string{static_cast<char>(ch & 0xFF), static_cast<char>(ch >> 8)};
    put(winDir(m) / "u.ini", bytes);
    EXPECT_EQ(read(u"S", u"k", u"", u"u.ini"), u"\u20AC");
    ASSERT_TRUE(WritePrivateProfileStringW(u"S", u"j", u"\u3042", u"u.ini"));
    std::string after = get(winDir(m) / "u.ini");
    EXPECT_EQ(after.substr(0, bytes.size()), bytes);
    EXPECT_EQ(after.substr(bytes.size()), std::string("j\0=\0\x42\x30\r\0\n\0", 10));
}

TEST(ProfileConcurrency, TwoProcessesWritingOneFileLoseNothing) {
    winsim::TempMachine m;
    constexpr int kPerProcess = 40;
    pid_t child = fork();
    ASSERT_GE(child, 0);
    const char16_t* section = child == 0 ? u"Child" : u"Parent";
    bool ok = true;
    for (int i = 0; i < kPerProcess; ++i) {
        std::u16string key = u"k" + winsim::fromUtf8(std::to_string(i));
        ok = WritePrivateProfileStringW(section, key.c_str(), u"v", u"shared.ini") && ok;
        ok = WritePrivateProfileStringW(u"Common", (std::u16string(section) + key).c_str(), u"1", u"shared.ini") && ok;
    }
    if (child == 0) _exit(ok ? 0 : 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(ok);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    WCHAR buf[4096];
    for (const char16_t* s : {u"Child", u"Parent"}) {
        DWORD n = GetPrivateProfileStringW(s, nullptr, u"", buf, 4096, u"shared.ini");
        EXPECT_EQ(items(buf, n).size(), static_cast<size_t>(kPerProcess)) << winsim::toUtf8(s);
    }
    DWORD n = GetPrivateProfileStringW(u"Common", nullptr, u"", buf, 4096, u"shared.ini");
    EXPECT_EQ(items(buf, n).size(), static_cast<size_t>(2 * kPerProcess));
}

TEST(ProfileFaults, InjectedFailuresChangeNothing) {
    winsim::TempMachine m;
    put(winDir(m) / "t.ini", "[S]\r\nk=1\r\n");
    winsim::failCall("WritePrivateProfileStringW", 1, ERROR_DISK_FULL);
    EXPECT_FAILS_WITH(WritePrivateProfileStringW(u"S", u"k", u"2", u"t.ini"), FALSE, ERROR_DISK_FULL);
    EXPECT_EQ(get(winDir(m) / "t.ini"), "[S]\r\nk=1\r\n");
    winsim::failCall("GetPrivateProfileIntW", 1, ERROR_READ_FAULT);
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"k", 77, u"t.ini"), 77u);
    EXPECT_EQ(GetPrivateProfileIntW(u"S", u"k", 77, u"t.ini"), 1u);
    winsim::failCall("GetPrivateProfileStringW", 1, ERROR_READ_FAULT);
    EXPECT_EQ(read(u"S", u"k"), u"");
    EXPECT_EQ(read(u"S", u"k"), u"1");
}
