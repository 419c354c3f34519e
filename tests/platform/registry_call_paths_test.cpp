// The registry's per-call work: names taken from the caller's buffers
// without copies, the journal's text made only while calls are journalled,
// and the machine hive's file known once per machine.
#include <gtest/gtest.h>

#include <win/registry.h>
#include <winsim/registry.h>
#include <winsim/winsim.h>

#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr LONG kOk = ERROR_SUCCESS;

LONG open(HKEY root, const std::u16string& path, HKEY* h) { return RegOpenKeyW(root, path.c_str(), h); }

std::string detailOf(const char* function) {
    for (const auto& e : winsim::journal())
        if (e.function == function) return e.detail;
    return "(none)";
}

}  // namespace

TEST(RegistryCallPaths, TheFirstBadComponentDecidesTheError) {
    winsim::TempMachine m;
    const std::u16string longName(256, u'k');
    const std::u16string longest(255, u'k');
    HKEY h = nullptr;
    EXPECT_EQ(open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\\\" + longName, &h), ERROR_BAD_PATHNAME);
    EXPECT_EQ(open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\" + longName + u"\\\\x", &h), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(open(HKEY_LOCAL_MACHINE, u"\\" + longName, &h), ERROR_BAD_PATHNAME);
    EXPECT_EQ(open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\\\", &h), ERROR_BAD_PATHNAME);  // only one trailing '\'
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\" + longest + u"\\Deep", u"v", 1));
    ASSERT_EQ(open(HKEY_LOCAL_MACHINE, u"software\\" + longest + u"\\DEEP\\", &h), kOk);
    DWORD v = 0, cb = sizeof v;
    EXPECT_EQ(RegQueryValueExW(h, u"V", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb), kOk);
    EXPECT_EQ(v, 1u);
    RegCloseKey(h);
    EXPECT_EQ(open(HKEY_LOCAL_MACHINE, u"SOFTWARE\\" + longest + u"\\Deeper", &h), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(h, nullptr);
}

TEST(RegistryCallPaths, NamesOfEveryLengthAndTheDefaultValueAreFound) {
    winsim::TempMachine m;
    const std::u16string key = u"SOFTWARE\\Maker\\A Key Name Longer Than Any Short String";
    ASSERT_TRUE(winsim::regSetString(HKEY_LOCAL_MACHINE, key, u"", u"default"));
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, key, u"a", 1));
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, key, std::u16string(300, u'n'), 2));
    HKEY h = nullptr;
    ASSERT_EQ(open(HKEY_LOCAL_MACHINE, key, &h), kOk);
    WCHAR text[16] = {};
    DWORD cb = sizeof text;
    EXPECT_EQ(RegQueryValueExW(h, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &cb), kOk);
    EXPECT_EQ(std::u16string(text), u"default");
    DWORD v = 0;
    cb = sizeof v;
    EXPECT_EQ(RegQueryValueExW(h, u"A", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb), kOk);
    EXPECT_EQ(v, 1u);
    const std::u16string longValue(300, u'N');
    cb = sizeof v;
    EXPECT_EQ(RegQueryValueExW(h, longValue.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb), kOk);
    EXPECT_EQ(v, 2u);
    cb = sizeof v;
    EXPECT_EQ(RegQueryValueExW(h, u"AB", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb), ERROR_FILE_NOT_FOUND);
    RegCloseKey(h);
    // Below HKEY_USERS the first name is the user's.
    ASSERT_TRUE(winsim::regSetDword(HKEY_CURRENT_USER, u"Software\\Mine", u"x", 7));
    const std::u16string user = winsim::fromUtf8(winsim::config().userName);
    ASSERT_EQ(open(HKEY_USERS, user + u"\\Software\\Mine", &h), kOk);
    cb = sizeof v;
    EXPECT_EQ(RegQueryValueExW(h, u"x", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb), kOk);
    EXPECT_EQ(v, 7u);
    RegCloseKey(h);
}

TEST(RegistryCallPaths, TheJournalStillNamesEachCallsKeyOrValueAndFaultsStillStrike) {
    winsim::TempMachine m;
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker", u"Count", 3));
    winsim::journalClear();
    winsim::journalEnable(true);
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker", &h), kOk);
    DWORD v = 0, cb = sizeof v;
    ASSERT_EQ(RegQueryValueExW(h, u"Count", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb), kOk);
    RegCloseKey(h);
    winsim::journalEnable(false);
    EXPECT_EQ(detailOf("RegOpenKeyW"), "SOFTWARE\\Maker");
    EXPECT_EQ(detailOf("RegQueryValueExW"), "Count");
    EXPECT_EQ(detailOf("RegCloseKey"), "");
    winsim::journalClear();

    // With the journal off, an injected failure still fails its call.
    winsim::failCall("RegOpenKeyW", 2, ERROR_OUTOFMEMORY);
    EXPECT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker", &h), kOk);
    RegCloseKey(h);
    h = nullptr;
    EXPECT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker", &h), ERROR_OUTOFMEMORY);
    EXPECT_EQ(h, nullptr);
    winsim::clearFaults();
}

TEST(RegistryCallPaths, EachMachineHasItsOwnHive) {
    fs::path first;
    {
        winsim::TempMachine a;
        first = a.root();
        ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker", u"Which", 1));
        EXPECT_TRUE(fs::exists(a.root() / "registry" / "HKLM.hive"));
    }
    winsim::TempMachine b;
    ASSERT_NE(b.root(), first);
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker", &h), ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker", u"Which", 2));
    EXPECT_EQ(winsim::regGet(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker", u"Which")->data[0], 2);
    EXPECT_TRUE(fs::exists(b.root() / "registry" / "HKLM.hive"));
}
