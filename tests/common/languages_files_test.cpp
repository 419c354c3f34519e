// The language table and its lookups, path-name parts, the ANSI and wide
// conversions, and the file helpers and install copy rules.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "common/services_support.h"
#include "core/files.h"
#include "core/languages.h"
#include "core/path_names.h"
#include "core/text_convert.h"

using namespace vesk;
using namespace vesk::test;
namespace fs = std::filesystem;

TEST(Languages, TableAndLookups) {
    ASSERT_EQ(LanguageCount(), 17u);
    EXPECT_EQ(LanguageTable()[17].index, 0xFFFF);
    std::set<std::u16string> codes;
    for (size_t i = 0; i < LanguageCount(); ++i) {
        const LanguageRow& r = LanguageTable()[i];
        EXPECT_NE(r.index, 15);
        EXPECT_TRUE(codes.insert(r.code).second);
        EXPECT_EQ(LangIdFromCode(r.code), r.index);
        EXPECT_EQ(std::u16string(LangCodeFromId(r.index)), r.code);
    }
    EXPECT_EQ(LangIdFromCode(u"JP"), 0);
    EXPECT_EQ(LangIdFromCode(u"xx"), 1);
    EXPECT_EQ(LangIdFromCode(nullptr), 1);
    EXPECT_EQ(LangIdFromCode(u"j"), 1);
    EXPECT_EQ(std::u16string(LangCodeFromId(15)), u"us");
    EXPECT_EQ(std::u16string(LangCodeNormalize(u"Fr")), u"fr");
    EXPECT_EQ(std::u16string(LangCodeNormalize(u"fra")), u"us");

    EXPECT_EQ(LangIndexFromLangIdWord(0x0804), 16);
    EXPECT_EQ(LangIndexFromLangIdWord(0x0404), 17);
    EXPECT_EQ(LangIndexFromLangIdWord(0x0411), 0xFFFF);  // rows with sublanguage 0 match only 0
    EXPECT_EQ(LangIndexFromLangIdWord(0x0409), 0xFFFF);
    EXPECT_EQ(LangIndexFromLangId(0x09, 0), 1);
    EXPECT_EQ(LangIndexFromLangId(0x04, 0), 16);

    uint16_t sub = 99;
    EXPECT_EQ(DispLangLookup(17, &sub), 0x04);
    EXPECT_EQ(sub, 1);
    EXPECT_EQ(DispLangLookup(0x106, &sub), 0x0C);  // the low byte counts
    EXPECT_EQ(sub, 0);
    EXPECT_EQ(DispLangLookup(15, &sub), 0);
    EXPECT_EQ(DispLangPrimaryId(0), 0x11);
    EXPECT_EQ(IsKnownDispLang(14), 1);
    EXPECT_EQ(IsKnownDispLang(15), 0);

    EXPECT_EQ(LangIdFromHelpFileName(u"ABCDEFfr.HLP"), 6);
    EXPECT_EQ(std::u16string(LangCodeFromHelpFileName(u"C:\\d.x\\ABCDEFfr.HLP")), u"fr");
    EXPECT_EQ(LangIdFromHelpFileName(u"ABCDEFzz.HLP"), 1);
    // Names too short to hold a code before the dot read nothing before them.
    EXPECT_EQ(LangIdFromHelpFileName(u"x.hlp"), 1);
    EXPECT_EQ(std::u16string(LangCodeFromHelpFileName(u".hlp")), u"us");
    EXPECT_EQ(std::u16string(LangCodeFromHelpFileName(u"NOEXTjp")), u"us");
    EXPECT_EQ(LangIdFromHelpFileName(nullptr), 1);
}

TEST(Languages, UserLocale) {
    winsim::TempMachine m;
    winsim::config().userLcid = 0x0804;
    EXPECT_EQ(GetUserLocaleLangIndex(), 16);
    winsim::config().userLcid = 0x0407;
    EXPECT_EQ(GetUserLocaleLangIndex(), 0xFFFF);
}

TEST(PathNames, Parts) {
    size_t n = 99;
    EXPECT_EQ(std::u16string(FileNamePart(u"C:\\a\\b.ini")), u"b.ini");
    EXPECT_EQ(std::u16string(FileNamePart(u"b.ini")), u"b.ini");
    EXPECT_EQ(FileNamePart(nullptr), nullptr);
    EXPECT_EQ(std::u16string(FileExtension(u"C:\\a.b\\name", &n)), u"name");
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(std::u16string(FileExtension(u"C:\\x\\a.tar.gz", &n)), u"gz");
    EXPECT_EQ(n, 2u);
    const WCHAR* base = FileBaseName(u"C:\\x\\a.tar.gz", &n);
    EXPECT_EQ(std::u16string(base, n), u"a");
    const WCHAR* empty = u"C:\\x\\";
    EXPECT_EQ(FileBaseName(empty, &n), empty);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(HasExtension1to3(u"x.html"), 0);
    EXPECT_EQ(HasExtension1to3(u".ini"), 0);
    EXPECT_EQ(HasExtension1to3(u"x.ini"), 1);
    EXPECT_EQ(HasExtension1to3(u"x."), 0);
    EXPECT_EQ(HasExtension1to3(u"x.a"), 1);
}

TEST(TextConversion, BoundedByTheDestination) {
    winsim::TempMachine m;  // code page 1252
    WCHAR w[8];
    EXPECT_EQ(StrAnsiToWide(w, "Caf\xE9 \x80", 8), 1);
    EXPECT_EQ(std::u16string(w), u"Caf\u00e9 \u20ac");
    EXPECT_EQ(StrAnsiToWide(w, "0123456789", 8), 0);  // cut
    EXPECT_EQ(std::u16string(w), u"0123456");
    w[0] = u'k';
    EXPECT_EQ(StrAnsiToWide(w, "abc", 0), 0);  // no capacity: nothing written
    EXPECT_EQ(w[0], u'k');
    EXPECT_EQ(StrAnsiToWide(w, "abc", -1), 0);
    char a[6];
    EXPECT_EQ(StrWideToAnsi(a, u"\u00c9t\u00e9", 6), 1);
    EXPECT_EQ(std::string(a), "\xC9t\xE9");
    EXPECT_EQ(a[4], 0);
    EXPECT_EQ(a[5], 0);  // zero-filled over the capacity
    EXPECT_EQ(StrWideToAnsi(a, u"abcdefgh", 6), 0);
    EXPECT_EQ(std::string(a), "abcde");
    EXPECT_EQ(StrWideToAnsi(a, u"x", 0), 0);
}

namespace {

class Files : public PrinterMachine {};

const std::u16string kSys = u"C:\\WINDOWS\\system32\\";

}  // namespace

TEST_F(Files, HelpersReportWhatHappened) {
    write(kSys + u"a.txt", "a");
    EXPECT_EQ(FileExists((kSys + u"a.txt").c_str()), 1);
    EXPECT_EQ(FileExists((kSys + u"b.txt").c_str()), 0);
    EXPECT_EQ(FileExists(nullptr), 0);
    SetFileAttributesW((kSys + u"a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ClearReadOnly((kSys + u"a.txt").c_str()), 1);
    EXPECT_EQ(GetFileAttributesW((kSys + u"a.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    SetFileAttributesW((kSys + u"a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(ForceDeleteFile((kSys + u"a.txt").c_str()), 1);
    EXPECT_EQ(FileExists((kSys + u"a.txt").c_str()), 0);
    EXPECT_EQ(ForceDeleteFile((kSys + u"a.txt").c_str()), 0);
    // A directory cannot be deleted as a file: no success reported.
    ASSERT_TRUE(CreateDirectoryW((kSys + u"dir").c_str(), nullptr));
    EXPECT_EQ(ForceDeleteFile((kSys + u"dir").c_str()), 0);
    EXPECT_EQ(CreateDirectoryIfMissing((kSys + u"dir").c_str()), 1);
    write(kSys + u"plain", "x");
    EXPECT_EQ(CreateDirectoryIfMissing((kSys + u"plain").c_str()), 0);  // a file of that name

    write(kSys + u"dir\\x1.tmp", "1");
    write(kSys + u"dir\\x2.tmp", "2");
    write(kSys + u"dir\\keep.ini", "k");
    SetFileAttributesW((kSys + u"dir\\x2.tmp").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(DeleteFilesByPattern((kSys + u"dir\\*.tmp").c_str()), 1);
    EXPECT_EQ(read(kSys + u"dir\\x2.tmp"), "(missing)");
    EXPECT_EQ(read(kSys + u"dir\\keep.ini"), "k");
    EXPECT_EQ(DeleteFilesByPattern((kSys + u"dir\\*.tmp").c_str()), 0);

    HANDLE h = CreateFileW((kSys + u"io.bin").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                           nullptr);
    EXPECT_EQ(WriteFileCount(h, "abcd", 4), 4);
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    char buf[4];
    EXPECT_EQ(ReadFileCount(h, buf, 4), 4);
    CloseHandle(h);
    EXPECT_EQ(ReadFileCount(INVALID_HANDLE_VALUE, buf, 4), -1);
}

TEST_F(Files, TimesAndCopyRules) {
    const std::u16string src = kDriverDir + u"KW00C171.ini";
    const std::u16string dst = kSys + u"KW00C171.ini";
    write(src, "new");
    setTime(src, 2000);
    EXPECT_EQ(CompareFileTimes(src.c_str(), dst.c_str(), 0), 0);  // target missing

    // Copy once: copies a missing target, never overwrites one.
    DrvContext* c = context();
    EXPECT_EQ(CopyDriverFileToSystemDir(u"KW00C171.ini", nullptr, 1, c), 1);
    EXPECT_EQ(read(dst), "new");
    EXPECT_EQ(GetFileAttributesW(dst.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    write(dst, "local");
    EXPECT_EQ(CopyDriverFileToSystemDir(u"KW00C171.ini", nullptr, 1, c), 1);
    EXPECT_EQ(read(dst), "local");
    EXPECT_EQ(CopyDriverFileToSystemDir(u"none.ini", nullptr, 1, c), 0);

    // Refresh: only a later source replaces the target, read-only or not.
    setTime(dst, 2000);
    EXPECT_EQ(CompareFileTimes(src.c_str(), dst.c_str(), 0), 1);
    EXPECT_EQ(CompareFileTimes(src.c_str(), dst.c_str(), 1), 1);
    EXPECT_EQ(CompareFileTimes(src.c_str(), dst.c_str(), 2), 0);
    EXPECT_EQ(CopyDriverFileToSystemDir(u"KW00C171.ini", nullptr, 0, c), 0);
    EXPECT_EQ(read(dst), "local");
    setTime(src, 3000);
    SetFileAttributesW(dst.c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(CompareFileTimes(src.c_str(), dst.c_str(), 1), 0);
    EXPECT_EQ(CopyDriverFileToSystemDir(u"KW00C171.ini", nullptr, 0, c), 1);
    EXPECT_EQ(read(dst), "new");

    // An absolute target: time mode 0 refreshes on any difference.
    const std::u16string abs = u"C:\\_vesk\\KW00C171.ini";
    CreateDirectoryW(u"C:\\_vesk", nullptr);
    write(abs, "older but later");
    setTime(abs, 9000);
    EXPECT_EQ(CopyInstallFile(abs.c_str(), nullptr, 0, c, 1), 0);  // source not later
    EXPECT_EQ(CopyInstallFile2(abs.c_str(), nullptr, 0, c), 1);    // times differ
    EXPECT_EQ(read(abs), "new");
    // A relative target goes to the system directory.
    EXPECT_EQ(CopyInstallFile(u"copy2.ini", u"KW00C171.ini", 1, c, 0), 1);
    EXPECT_EQ(read(kSys + u"copy2.ini"), "new");

    // The same file in another letter case: done, nothing touched.
    winsim::journalEnable(true);
    EXPECT_EQ(CopyFileIfChanged(src.c_str(), (kDriverDir + u"kw00c171.INI").c_str(), 0), 1);
    EXPECT_EQ(winsim::journalCount("CopyFileW"), 0u);
    winsim::journalEnable(false);
    EXPECT_EQ(CopyFileIfChanged(u"rel.ini", src.c_str(), 0), 0);
    EXPECT_EQ(CopyFileBetweenDirs(u"KW00C171.ini", kDriverDir.c_str(), u"", 1), 0);
    EXPECT_EQ(CopyFileBetweenDirs(u"KW00C171.ini", kDriverDir.c_str(), u"C:\\_vesk\\", 0), 0);  // equal times
}
