// OS version tests, identity, locale and special folders.
#include <gtest/gtest.h>

#include <filesystem>

#include <win/windows.h>
#include <winsim/system.h>
#include <winsim/winsim.h>
#include "core/sim.h"
#include "platform/last_error.h"

namespace fs = std::filesystem;

namespace {

winsim::MachineConfig machine(uint32_t major, uint32_t minor, uint32_t platform = 2, uint32_t suite = 0) {
    winsim::MachineConfig c;
    c.osMajor = major;
    c.osMinor = minor;
    c.osPlatform = platform;
    c.osSuite = suite;
    c.osBuild = platform == 1 ? 2222 : 3790;
    c.osServicePack = platform == 1 ? " A" : "Service Pack 2";
    return c;
}

// The checks callers make, each through VerifyVersionInfoW.
BOOL atLeast(DWORD major, DWORD minor) {
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    v.dwMajorVersion = major;
    v.dwMinorVersion = minor;
    ULONGLONG mask = VerSetConditionMask(0, VER_MAJORVERSION | VER_MINORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&v, VER_MAJORVERSION | VER_MINORVERSION, mask);
}

BOOL terminalServer() {
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    v.wSuiteMask = VER_SUITE_TERMINAL;
    return VerifyVersionInfoW(&v, VER_SUITENAME, VerSetConditionMask(0, VER_SUITENAME, VER_OR));
}

BOOL platformIs(DWORD id) {
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    v.dwPlatformId = id;
    return VerifyVersionInfoW(&v, VER_PLATFORMID, VerSetConditionMask(0, VER_PLATFORMID, VER_EQUAL));
}

std::u16string folder(int csidl) {
    WCHAR buf[MAX_PATH] = {};
    HRESULT hr = SHGetFolderPathW(nullptr, csidl, nullptr, 0, buf);
    return SUCCEEDED(hr) ? std::u16string(buf) : u"<failed>";
}

}  // namespace

TEST(Version, GetVersionExAcceptsOnlyTheTwoRecordSizes) {
    winsim::TempMachine m(machine(5, 2, 2, VER_SUITE_TERMINAL));
    static_assert(sizeof(OSVERSIONINFOW) == 276 && sizeof(OSVERSIONINFOEXW) == 284);
    OSVERSIONINFOEXW ex{};
    ex.dwOSVersionInfoSize = sizeof ex;
    ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&ex)));
    EXPECT_EQ(ex.dwMajorVersion, 5u);
    EXPECT_EQ(ex.dwMinorVersion, 2u);
    EXPECT_EQ(ex.dwBuildNumber, 3790u);
    EXPECT_EQ(ex.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_EQ(std::u16string(ex.szCSDVersion), u"Service Pack 2");
    EXPECT_EQ(ex.wServicePackMajor, 2);
    EXPECT_EQ(ex.wSuiteMask, VER_SUITE_TERMINAL);
    EXPECT_EQ(ex.wProductType, VER_NT_WORKSTATION);

    OSVERSIONINFOW v{};
    for (DWORD size : {0u, 148u, 275u, 277u, 300u}) {
        v.dwOSVersionInfoSize = size;
        EXPECT_FAILS_WITH(GetVersionExW(&v), FALSE, ERROR_INSUFFICIENT_BUFFER);
    }
    winsim::failCall("GetVersionExW", 1, ERROR_ACCESS_DENIED);
    v.dwOSVersionInfoSize = sizeof v;
    EXPECT_FALSE(GetVersionExW(&v));
    EXPECT_EQ(GetVersion(), 5u | (2u << 8) | (3790u << 16));
}

TEST(Version, NineXReportsItsPlatformAndPackedBuild) {
    winsim::TempMachine m(machine(4, 10, VER_PLATFORM_WIN32_WINDOWS));
    OSVERSIONINFOW v{};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_TRUE(GetVersionExW(&v));
    EXPECT_EQ(v.dwPlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_WINDOWS));
    EXPECT_EQ(v.dwBuildNumber, (4u << 24) | (10u << 16) | 2222u);
    EXPECT_NE(GetVersion() & 0x80000000u, 0u);
}

TEST(Version, DecisionTableOverMachines) {
    struct Row {
        uint32_t major, minor, platform, suite;
        BOOL atLeast51, atLeast52, atLeast60, equal51, ts, nt;
    };
    const Row rows[] = {
        {5, 0, 2, 0, FALSE, FALSE, FALSE, FALSE, FALSE, TRUE},
        {5, 1, 2, 0, TRUE, FALSE, FALSE, TRUE, FALSE, TRUE},
        {5, 2, 2, 0, TRUE, TRUE, FALSE, FALSE, FALSE, TRUE},
        {5, 2, 2, VER_SUITE_TERMINAL, TRUE, TRUE, FALSE, FALSE, TRUE, TRUE},
        {6, 0, 2, 0, TRUE, TRUE, TRUE, FALSE, FALSE, TRUE},
        {4, 10, 1, 0, FALSE, FALSE, FALSE, FALSE, FALSE, FALSE},
    };
    for (const Row& r : rows) {
        winsim::TempMachine m(machine(r.major, r.minor, r.platform, r.suite));
        SCOPED_TRACE(testing::Message() << r.major << "." << r.minor << " platform " << r.platform << " suite "
                                        << r.suite);
        EXPECT_EQ(atLeast(5, 1), r.atLeast51);
        EXPECT_EQ(atLeast(5, 2), r.atLeast52);
        EXPECT_EQ(atLeast(6, 0), r.atLeast60);
        EXPECT_EQ(terminalServer(), r.ts);
        EXPECT_EQ(platformIs(VER_PLATFORM_WIN32_NT), r.nt);
        OSVERSIONINFOEXW v{};
        v.dwOSVersionInfoSize = sizeof v;
        v.dwMajorVersion = 5;
        v.dwMinorVersion = 1;
        SetLastError(0);
        BOOL eq = VerifyVersionInfoW(&v, VER_MAJORVERSION | VER_MINORVERSION,
                                     VerSetConditionMask(0, VER_MAJORVERSION | VER_MINORVERSION, VER_EQUAL));
        EXPECT_EQ(eq, r.equal51);
        if (!eq) {
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_OLD_WIN_VERSION));
        }
    }
}

TEST(Version, ServicePackAndSuiteConditions) {
    winsim::TempMachine m(machine(5, 1, 2, VER_SUITE_TERMINAL | VER_SUITE_PERSONAL));
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    v.dwMajorVersion = 5;
    v.dwMinorVersion = 1;
    DWORD type = VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR;
    ULONGLONG ge = VerSetConditionMask(0, type, VER_GREATER_EQUAL);
    v.wServicePackMajor = 2;
    EXPECT_TRUE(VerifyVersionInfoW(&v, type, ge));  // machine has SP2
    v.wServicePackMajor = 3;
    EXPECT_FALSE(VerifyVersionInfoW(&v, type, ge));
    v.dwMajorVersion = 4;  // an older major decides before the service pack
    EXPECT_TRUE(VerifyVersionInfoW(&v, type, ge));

    v.wSuiteMask = VER_SUITE_TERMINAL | VER_SUITE_ENTERPRISE;
    EXPECT_TRUE(VerifyVersionInfoW(&v, VER_SUITENAME, VerSetConditionMask(0, VER_SUITENAME, VER_OR)));
    EXPECT_FALSE(VerifyVersionInfoW(&v, VER_SUITENAME, VerSetConditionMask(0, VER_SUITENAME, VER_AND)));
    v.wSuiteMask = VER_SUITE_TERMINAL | VER_SUITE_PERSONAL;
    EXPECT_TRUE(VerifyVersionInfoW(&v, VER_SUITENAME, VerSetConditionMask(0, VER_SUITENAME, VER_AND)));

    v.wProductType = VER_NT_SERVER;
    EXPECT_TRUE(VerifyVersionInfoW(&v, VER_PRODUCT_TYPE, VerSetConditionMask(0, VER_PRODUCT_TYPE, VER_LESS)));
}

TEST(Version, ConditionMaskLayoutAndBadArguments) {
    EXPECT_EQ(VerSetConditionMask(0, VER_SUITENAME, VER_OR), 7ull << 18);
    EXPECT_EQ(VerSetConditionMask(0, VER_MAJORVERSION | VER_MINORVERSION, VER_GREATER),
              (2ull << 3) | 2ull);
    EXPECT_EQ(VerSetConditionMask(0x1234, VER_MINORVERSION, 0), 0x1234ull);
    EXPECT_EQ(VerSetConditionMask(7ull, VER_MINORVERSION, VER_EQUAL), 1ull);

    winsim::TempMachine m;
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    EXPECT_FAILS_WITH(VerifyVersionInfoW(&v, 0, 0), FALSE, ERROR_BAD_ARGUMENTS);
    EXPECT_FALSE(VerifyVersionInfoW(&v, VER_MAJORVERSION | VER_BUILDNUMBER,
                                    VerSetConditionMask(0, VER_MAJORVERSION, VER_EQUAL)));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_ARGUMENTS));
    EXPECT_FAILS_WITH(VerifyVersionInfoW(&v, VER_SUITENAME, VerSetConditionMask(0, VER_SUITENAME, VER_EQUAL)),
                      FALSE, ERROR_BAD_ARGUMENTS);
}

TEST(Identity, UserAndComputerNameSizeProtocols) {
    winsim::MachineConfig c;
    c.userName = "alice";
    c.computerName = "OFFICE7";
    winsim::TempMachine m(c);
    WCHAR buf[16];
    DWORD size = 0;
    EXPECT_FAILS_WITH(GetUserNameW(nullptr, &size), FALSE, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(size, 6u);
    size = 5;
    buf[0] = u'#';
    EXPECT_FALSE(GetUserNameW(buf, &size));
    EXPECT_EQ(buf[0], u'#');
    size = 6;
    ASSERT_TRUE(GetUserNameW(buf, &size));
    EXPECT_EQ(std::u16string(buf), u"alice");
    EXPECT_EQ(size, 6u);
    winsim::detail::threadActsAsSystem() = true;
    size = 16;
    ASSERT_TRUE(GetUserNameW(buf, &size));
    EXPECT_EQ(std::u16string(buf), u"SYSTEM");
    winsim::detail::threadActsAsSystem() = false;

    size = 7;
    EXPECT_FAILS_WITH(GetComputerNameW(buf, &size), FALSE, ERROR_BUFFER_OVERFLOW);
    EXPECT_EQ(size, 8u);
    ASSERT_TRUE(GetComputerNameW(buf, &size));
    EXPECT_EQ(std::u16string(buf), u"OFFICE7");
    EXPECT_EQ(size, 7u);
}

TEST(Identity, ProfileDirectoryOfAToken) {
    winsim::TempMachine m;
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    DWORD size = 0;
    EXPECT_FAILS_WITH(GetUserProfileDirectoryW(token, nullptr, &size), FALSE, ERROR_INSUFFICIENT_BUFFER);
    std::u16string expect = u"C:\\Documents and Settings\\user";
    EXPECT_EQ(size, expect.size() + 1);
    std::u16string buf(size, u'\0');
    ASSERT_TRUE(GetUserProfileDirectoryW(token, buf.data(), &size));
    EXPECT_EQ(buf.c_str(), expect);
    CloseHandle(token);
    EXPECT_FAILS_WITH(GetUserProfileDirectoryW(nullptr, buf.data(), &size), FALSE, ERROR_INVALID_HANDLE);
}

TEST(Folders, ProfileLayoutFollowsTheWindowsVersion) {
    {
        winsim::TempMachine m;  // 5.1
        EXPECT_EQ(folder(CSIDL_APPDATA), u"C:\\Documents and Settings\\user\\Application Data");
        EXPECT_EQ(folder(CSIDL_LOCAL_APPDATA), u"C:\\Documents and Settings\\user\\Local Settings\\Application Data");
        EXPECT_EQ(folder(CSIDL_PERSONAL | CSIDL_FLAG_CREATE), u"C:\\Documents and Settings\\user\\My Documents");
        EXPECT_EQ(folder(CSIDL_COMMON_APPDATA), u"C:\\Documents and Settings\\All Users\\Application Data");
        EXPECT_TRUE(fs::is_directory(m.root() / "C" / "Documents and Settings" / "user" / "Application Data"));
    }
    winsim::TempMachine m(machine(6, 1));
    EXPECT_EQ(folder(CSIDL_APPDATA), u"C:\\Documents and Settings\\user\\AppData\\Roaming");
    EXPECT_EQ(folder(CSIDL_PERSONAL), u"C:\\Documents and Settings\\user\\Documents");
    EXPECT_EQ(folder(CSIDL_COMMON_APPDATA), u"C:\\ProgramData");
    WCHAR buf[MAX_PATH];
    EXPECT_EQ(SHGetFolderPathW(nullptr, 0x77, nullptr, 0, buf), E_INVALIDARG);
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, nullptr), E_INVALIDARG);
}

TEST(Folders, MachineFoldersAreMadeOnlyWhenAsked) {
    winsim::MachineConfig c;
    c.programFilesDir = "C:\\Apps";
    winsim::TempMachine m(c);  // builds C:\Apps
    fs::remove_all(m.root() / "C" / "Apps");
    WCHAR buf[MAX_PATH] = {u'#'};
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, 0, buf), E_FAIL);
    EXPECT_EQ(buf[0], 0);
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES | CSIDL_FLAG_DONT_VERIFY, nullptr, 0, buf), S_OK);
    EXPECT_FALSE(fs::exists(m.root() / "C" / "Apps"));
    EXPECT_EQ(SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES | CSIDL_FLAG_CREATE, nullptr, 0, buf), S_OK);
    EXPECT_EQ(std::u16string(buf), u"C:\\Apps");
    EXPECT_TRUE(fs::is_directory(m.root() / "C" / "Apps"));
}

TEST(Folders, KnownFolderLocalLowExistsFromVersionSixAndIsTaskMemory) {
    {
        winsim::TempMachine m;  // 5.1
        PWSTR p = reinterpret_cast<PWSTR>(1);
        EXPECT_EQ(SHGetKnownFolderPath(&FOLDERID_LocalAppDataLow, 0, nullptr, &p), E_NOTIMPL);
        EXPECT_EQ(p, nullptr);
    }
    winsim::TempMachine m(machine(6, 0));
    PWSTR p = nullptr;
    ASSERT_EQ(SHGetKnownFolderPath(&FOLDERID_LocalAppDataLow, 0, nullptr, &p), S_OK);
    EXPECT_EQ(std::u16string(p), u"C:\\Documents and Settings\\user\\AppData\\LocalLow");
    EXPECT_EQ(winsim::liveCoTaskMemBlocks(), 1u);
    CoTaskMemFree(p);
    EXPECT_EQ(winsim::liveCoTaskMemBlocks(), 0u);
    EXPECT_TRUE(fs::is_directory(m.root() / "C" / "Documents and Settings" / "user" / "AppData" / "LocalLow"));

    GUID unknown = FOLDERID_LocalAppDataLow;
    unknown.Data1 ^= 1;
    EXPECT_EQ(SHGetKnownFolderPath(&unknown, 0, nullptr, &p), E_INVALIDARG);
    winsim::failCall("CoTaskMemAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_EQ(SHGetKnownFolderPath(&FOLDERID_LocalAppDataLow, 0, nullptr, &p), E_OUTOFMEMORY);
    EXPECT_EQ(p, nullptr);
}

TEST(Locale, UserLocaleItemsAndCountryOverride) {
    winsim::MachineConfig c;
    c.userLcid = 0x0407;
    c.userCountry = "41";  // the user chose another country in the settings
    winsim::TempMachine m(c);
    EXPECT_EQ(GetUserDefaultLCID(), 0x0407u);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0407);
    EXPECT_EQ(GetSystemDefaultLCID(), 0x0407u);
    WCHAR buf[32];
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY, buf, 32), 3);
    EXPECT_EQ(std::u16string(buf), u"41");
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ICOUNTRY | LOCALE_NOUSEROVERRIDE, buf, 32), 3);
    EXPECT_EQ(std::u16string(buf), u"49");
    EXPECT_EQ(GetLocaleInfoW(0x0407, LOCALE_ICOUNTRY, buf, 32), 3);
    EXPECT_EQ(std::u16string(buf), u"49");  // a named locale has no user override
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_ILANGUAGE, buf, 32), 5);
    EXPECT_EQ(std::u16string(buf), u"0407");
    EXPECT_EQ(GetLocaleInfoW(0x0411, LOCALE_IDEFAULTANSICODEPAGE, buf, 32), 4);
    EXPECT_EQ(std::u16string(buf), u"932");
    EXPECT_EQ(GetLocaleInfoW(0x0411, LOCALE_SNATIVELANGNAME, buf, 32), 4);
    EXPECT_EQ(std::u16string(buf), u"\u65E5\u672C\u8A9E");
    DWORD number = 0;
    EXPECT_EQ(GetLocaleInfoW(0x0411, LOCALE_ICOUNTRY | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&number), 2), 2);
    EXPECT_EQ(number, 81u);
}

TEST(Locale, SizeQueriesShortBuffersAndUnknowns) {
    winsim::MachineConfig c;
    c.ansiCodePage = 932;
    c.set("locale.systemlcid", "0x0411");
    winsim::TempMachine m(c);
    EXPECT_EQ(GetSystemDefaultLCID(), 0x0411u);
    EXPECT_EQ(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SCOUNTRY, nullptr, 0), 14);  // "United States"
    WCHAR buf[8] = {u'#', u'#', u'#', u'#', u'#', u'#', u'#', u'#'};
    EXPECT_FAILS_WITH(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SCOUNTRY, buf, 7), 0, ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(buf[0], u'#');
    EXPECT_EQ(buf[7], u'#');
    EXPECT_EQ(GetLocaleInfoW(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, buf, 8), 4);
    EXPECT_EQ(std::u16string(buf), u"932");
    EXPECT_FAILS_WITH(GetLocaleInfoW(0x0C0B, LOCALE_ICOUNTRY, buf, 8), 0, ERROR_INVALID_PARAMETER);
    EXPECT_FAILS_WITH(GetLocaleInfoW(LOCALE_USER_DEFAULT, 0x7777, buf, 8), 0, ERROR_INVALID_FLAGS);
    EXPECT_FAILS_WITH(GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SLIST | LOCALE_RETURN_NUMBER, buf, 8),
                      0, ERROR_INVALID_FLAGS);
}
