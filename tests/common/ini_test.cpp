// INI access: the profile wrappers (brackets in section names, a flush after
// every write) and the driver's own 8-bit INI reader and writer, each
// reading what the other writes.
#include <gtest/gtest.h>

#include <win/windows.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <string>

#include "common/services_support.h"
#include "core/dirs.h"
#include "core/ini_text.h"
#include "core/ini_wrap.h"

using namespace vesk;
using namespace vesk::test;
namespace fs = std::filesystem;

namespace {

class Ini : public PrinterMachine {
protected:
    void SetUp() override {
        PrinterMachine::SetUp();
        CreateDirectoryW(u"C:\\_vesk", nullptr);
    }
    std::string bytes() { return read(file_); }
    void put(const std::string& text) { write(file_, text); }
    std::vector<BYTE> security(SECURITY_INFORMATION info) { return fileSecurity(file_, info); }
    std::u16string profile(const char16_t* section, const char16_t* key) {
        WCHAR b[128];
        GetPrivateProfileStringW(section, key, u"(missing)", b, 128, file_.c_str());
        return b;
    }

    std::u16string file_ = u"C:\\_vesk\\KW12D170.ini";
};

}  // namespace

TEST_F(Ini, WrappersCleanSectionNamesAndFlushEveryWrite) {
    winsim::journalEnable(true);
    EXPECT_EQ(IniWriteString(u"Printer [2]", u"PresetList1", u"Fine copy", file_.c_str()), 1);
    EXPECT_EQ(IniWriteString(u"Printer [2]", u"DispLang", u"6", file_.c_str()), 1);
    size_t writes = winsim::journalCount("WritePrivateProfileStringW");
    winsim::journalEnable(false);
    EXPECT_EQ(writes, 4u);  // each write and its flush
    EXPECT_EQ(bytes(), "[Printer ,2,]\r\nPresetList1=Fine copy\r\nDispLang=6\r\n");
    EXPECT_EQ(IniGetInt(u"Printer [2]", u"DispLang", 1, file_.c_str()), 6u);
    WCHAR b[8];
    EXPECT_EQ(IniGetString(u"Printer [2]", u"PresetList1", u"", b, 8, file_.c_str()), 7u);
    EXPECT_EQ(std::u16string(b), u"Fine co");
    // A null value deletes the key.
    EXPECT_EQ(IniWriteString(u"Printer [2]", u"DispLang", nullptr, file_.c_str()), 1);
    EXPECT_EQ(IniGetInt(u"Printer [2]", u"DispLang", 1, file_.c_str()), 1u);

    // A section name past 260 characters is not used: defaults, no write.
    std::u16string longName(261, u'P');
    EXPECT_EQ(IniWriteString(longName.c_str(), u"k", u"v", file_.c_str()), 0);
    EXPECT_EQ(bytes().find("PPP"), std::string::npos);
    EXPECT_EQ(IniGetInt(longName.c_str(), u"k", 42, file_.c_str()), 42u);
    EXPECT_EQ(IniGetString(longName.c_str(), u"k", u"default", b, 4, file_.c_str()), 3u);
    EXPECT_EQ(std::u16string(b), u"def");
    EXPECT_EQ(IniGetString(u"Printer [2]", u"k", u"default", b, 0, file_.c_str()), 0u);
}

TEST_F(Ini, KeepTimeWritesWithoutChangingTheTime) {
    winsim::setVirtualClock(133000000000000000ull, 1000);
    ASSERT_EQ(IniWriteString(u"S", u"a", u"1", file_.c_str()), 1);
    WIN32_FILE_ATTRIBUTE_DATA before{}, after{};
    ASSERT_TRUE(GetFileAttributesExW(file_.c_str(), GetFileExInfoStandard, &before));
    winsim::advanceClock(60000);
    EXPECT_EQ(IniWriteStringKeepTime(u"S", u"b", u"2", file_.c_str()), 1);
    ASSERT_TRUE(GetFileAttributesExW(file_.c_str(), GetFileExInfoStandard, &after));
    EXPECT_EQ(CompareFileTime(&before.ftLastWriteTime, &after.ftLastWriteTime), 0);
    EXPECT_EQ(bytes(), "[S]\r\na=1\r\nb=2\r\n");
}

TEST_F(Ini, OwnReaderReadsWhatTheProfileFunctionsWrite) {
    IniWriteString(u"Office [2]", u"RstVersion", u"200", file_.c_str());
    IniWriteString(u"Office [2]", u"Name", u"Caf\u00e9 \u20ac5", file_.c_str());
    IniWriteString(u"Office [2]", u"Empty", u"", file_.c_str());
    IniWriteString(u"Office [2]", u"Count", u"12abc", file_.c_str());
    IniWriteString(u"Next", u"Only", u"here", file_.c_str());

    char* text = IniTextLoad(file_.c_str());
    ASSERT_NE(text, nullptr);
    // The cleaned name is the one to look for.
    EXPECT_EQ(IniTextFindSection(u"Office [2]", text), nullptr);
    const char* body = IniTextFindSection(u"office ,2,", text);
    ASSERT_NE(body, nullptr);
    uint32_t cursor = 0;
    WCHAR b[64];
    // In written order each key is found where the cursor stands.
    EXPECT_EQ(IniTextGetInt(u"RstVersion", 0, body, &cursor), 200);
    uint32_t afterFirst = cursor;
    EXPECT_EQ(IniTextGetString(u"name", u"", b, 64, body, &cursor), 7);
    EXPECT_EQ(std::u16string(b), u"Caf\u00e9 \u20ac5");
    EXPECT_GT(cursor, afterFirst);
    EXPECT_EQ(IniTextGetString(u"Empty", u"x", b, 64, body, &cursor), 0);
    EXPECT_EQ(IniTextGetInt(u"Empty", 7, body, &cursor), 7);
    EXPECT_EQ(IniTextGetInt(u"Count", 0, body, &cursor), 12);
    // A key before the cursor is found after the wrap; one of the next
    // section never is.
    EXPECT_EQ(IniTextGetInt(u"RstVersion", 0, body, &cursor), 200);
    uint32_t kept = cursor;
    EXPECT_EQ(IniTextGetString(u"Only", u"none", b, 64, body, &cursor), 4);
    EXPECT_EQ(std::u16string(b), u"none");
    EXPECT_EQ(cursor, kept);
    // A cut value keeps capacity - 1 characters.
    EXPECT_EQ(IniTextGetString(u"Name", u"", b, 4, body, &cursor), 3);
    EXPECT_EQ(std::u16string(b), u"Caf");
    // A cursor from elsewhere (past this body) starts over.
    cursor = 100000;
    EXPECT_EQ(IniTextGetInt(u"Count", 0, body, &cursor), 12);
    // No body: the default and the cursor back at 0.
    EXPECT_EQ(IniTextGetString(u"Count", u"d", b, 64, nullptr, &cursor), 1);
    EXPECT_EQ(cursor, 0u);
    IniTextFree(text);
}

TEST_F(Ini, KeyLinesAreTakenAsWritten) {
    put("[S]\r\nkey =1\r\nWidth=-5\r\nLine=a b\rc\r\n=x\r\n[T]\r\nWidth=9\r\n");
    char* text = IniTextLoad(file_.c_str());
    ASSERT_NE(text, nullptr);
    const char* body = IniTextFindSection(u"S", text);
    uint32_t cursor = 0;
    EXPECT_EQ(IniTextGetInt(u"key", 3, body, &cursor), 3);  // a blank before '=' is not the key
    EXPECT_EQ(IniTextGetInt(u"Width", 0, body, &cursor), -5);
    WCHAR b[16];
    IniTextGetString(u"Line", u"", b, 16, body, &cursor);
    EXPECT_EQ(std::u16string(b), u"a b");  // a CR ends the value
    IniTextFree(text);
    // Relative paths are refused before any file is touched.
    winsim::journalEnable(true);
    EXPECT_EQ(IniTextLoad(u"KW12D170.ini"), nullptr);
    EXPECT_EQ(IniTextLoad(u""), nullptr);
    EXPECT_EQ(winsim::journalCount("CreateFileW"), 0u);
    winsim::journalEnable(false);
}

TEST_F(Ini, ProfileFunctionsReadWhatTheOwnWriterWrites) {
    put("[Keep]\r\nA=1\r\n\r\n[Office ,2,]\r\nOld=gone\r\n[Tail]\r\nB=2\r\n");
    ASSERT_EQ(ApplyEveryoneDacl(file_.c_str(), kSecNoEntries), 1);
    const std::vector<BYTE> dacl = security(DACL_SECURITY_INFORMATION);
    ASSERT_FALSE(dacl.empty());
    std::string section(kIniSectionBytes, '\0');
    uint32_t at = 0;
    ASSERT_EQ(IniTextPutSection(&at, u"Office ,2,", section.data(), kIniSectionBytes), 1);
    ASSERT_EQ(IniTextPutKey(&at, u"RstVersion", u"200", section.data(), kIniSectionBytes), 1);
    ASSERT_EQ(IniTextPutKey(&at, u"Name", u"\u00c9t\u00e9", section.data(), kIniSectionBytes), 1);
    ASSERT_EQ(IniTextPutKey(&at, u"Empty", u"", section.data(), kIniSectionBytes), 1);
    ASSERT_EQ(IniTextPutKey(&at, u"", u"skipped", section.data(), kIniSectionBytes), 1);
    ASSERT_EQ(IniTextReplaceSection(file_.c_str(), u"Office ,2,", section.data(), at), 1);
    // The section moves to the top; every other line keeps its bytes.
    EXPECT_EQ(bytes(), "[Office ,2,]\r\nRstVersion=200\r\nName=\xC9t\xE9\r\nEmpty=\r\n"
                       "[Keep]\r\nA=1\r\n\r\n[Tail]\r\nB=2\r\n");
    EXPECT_EQ(profile(u"Office [2]", u"Name"), u"(missing)");
    EXPECT_EQ(IniGetString(u"Office [2]", u"Name", u"", std::vector<WCHAR>(16).data(), 16, file_.c_str()), 3u);
    EXPECT_EQ(profile(u"Office ,2,", u"Name"), u"\u00c9t\u00e9");
    EXPECT_EQ(profile(u"Office ,2,", u"Old"), u"(missing)");
    EXPECT_EQ(profile(u"Tail", u"B"), u"2");
    EXPECT_EQ(IniGetInt(u"Office ,2,", u"RstVersion", 0, file_.c_str()), 200u);
    EXPECT_EQ(security(DACL_SECURITY_INFORMATION), dacl);  // the rewritten file keeps its access rules

    // The first section replaced: the new one and everything after the old.
    at = 0;
    IniTextPutSection(&at, u"Office ,2,", section.data(), kIniSectionBytes);
    IniTextPutKey(&at, u"X", u"1", section.data(), kIniSectionBytes);
    ASSERT_EQ(IniTextReplaceSection(file_.c_str(), u"office ,2,", section.data(), at), 1);
    EXPECT_EQ(bytes(), "[Office ,2,]\r\nX=1\r\n[Keep]\r\nA=1\r\n\r\n[Tail]\r\nB=2\r\n");

    // A file that does not exist gets the section alone.
    std::u16string fresh = u"C:\\_vesk\\new.rst";
    ASSERT_EQ(IniTextReplaceSection(fresh.c_str(), u"Office ,2,", section.data(), at), 1);
    char* text = IniTextLoad(fresh.c_str());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::string(text), "[Office ,2,]\r\nX=1\r\n");
    IniTextFree(text);
}

TEST_F(Ini, ComposingStopsAtTheBufferAndFailedRewritesKeepTheFile) {
    char small[32] = {};
    uint32_t at = 0;
    ASSERT_EQ(IniTextPutSection(&at, u"S", small, sizeof small), 1);
    EXPECT_EQ(IniTextPutKey(&at, u"Key", u"0123456789012345678901234", small, sizeof small), 0);
    EXPECT_EQ(at, 5u);  // nothing of the refused line
    EXPECT_EQ(std::string(small), "[S]\r\n");
    EXPECT_EQ(IniTextPutKey(&at, u"K", u"v", small, sizeof small), 1);
    EXPECT_EQ(std::string(small), "[S]\r\nK=v\r\n");

    put("[S]\r\nold=1\r\n[T]\r\nt=2\r\n");
    const std::string original = bytes();
    winsim::failCall("ReadFile", 1, ERROR_READ_FAULT);
    EXPECT_EQ(IniTextReplaceSection(file_.c_str(), u"S", small, at), 0);
    EXPECT_EQ(bytes(), original);
    winsim::failCall("WriteFile", 2, ERROR_DISK_FULL);
    EXPECT_EQ(IniTextReplaceSection(file_.c_str(), u"S", small, at), 0);
    winsim::clearFaults();
    EXPECT_EQ(bytes(), original);
    // No temporary file is left behind.
    size_t files = 0;
    for (auto& e : fs::directory_iterator(*winsim::hostPath(u"C:\\_vesk"))) files += e.is_regular_file();
    EXPECT_EQ(files, 1u);
    EXPECT_EQ(IniTextReplaceSection(file_.c_str(), u"S", small, at), 1);
    EXPECT_EQ(bytes(), "[S]\r\nK=v\r\n[T]\r\nt=2\r\n");
}
