// Registry: the size protocol, types, enumeration, persistence, the
// administrator rule and the delete rules.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>

#include <win/profile.h>
#include <win/registry.h>
#include <winsim/registry.h>
#include <winsim/winsim.h>
#include "core/sim.h"
#include "platform/file_helpers.h"

namespace fs = std::filesystem;

namespace {

constexpr LONG kOk = ERROR_SUCCESS;

HKEY create(HKEY root, const char16_t* path, DWORD* disposition = nullptr, REGSAM sam = KEY_ALL_ACCESS) {
    HKEY h = nullptr;
    EXPECT_EQ(RegCreateKeyExW(root, path, 0, nullptr, 0, sam, nullptr, &h, disposition), kOk);
    return h;
}

LONG setSz(HKEY h, const char16_t* name, std::u16string_view text, DWORD type = REG_SZ) {
    std::u16string t(text);
    return RegSetValueExW(h, name, 0, type, reinterpret_cast<const BYTE*>(t.c_str()),
                          static_cast<DWORD>((t.size() + 1) * 2));
}

LONG setDword(HKEY h, const char16_t* name, DWORD v) {
    return RegSetValueExW(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4);
}

winsim::MachineConfig standardUser() {
    winsim::MachineConfig c;
    c.userIsAdmin = false;
    c.userName = "alice";
    return c;
}

}  // namespace

TEST(RegistryKeys, CreateMakesEveryMissingKeyAndReportsIt) {
    winsim::TempMachine m;
    DWORD disp = 0;
    HKEY h = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Driver\\", &disp);
    EXPECT_EQ(disp, static_cast<DWORD>(REG_CREATED_NEW_KEY));
    RegCloseKey(h);
    h = create(HKEY_LOCAL_MACHINE, u"software\\MAKER\\driver", &disp);
    EXPECT_EQ(disp, static_cast<DWORD>(REG_OPENED_EXISTING_KEY));
    RegCloseKey(h);

    HKEY o = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"Software\\maker", 0, KEY_READ, &o), kOk);
    HKEY sub = nullptr;
    EXPECT_EQ(RegOpenKeyW(o, u"DRIVER", &sub), kOk);
    EXPECT_EQ(RegCloseKey(sub), kOk);
    // Names keep the case they were created with.
    WCHAR name[32];
    DWORD cch = 32;
    EXPECT_EQ(RegEnumKeyExW(o, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), kOk);
    EXPECT_EQ(std::u16string(name, cch), u"Driver");
    EXPECT_EQ(RegCloseKey(o), kOk);

    o = reinterpret_cast<HKEY>(1);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Nothing", 0, KEY_READ, &o), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(o, nullptr);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"\\SOFTWARE", 0, KEY_READ, &o), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\\\Maker", 0, KEY_READ, &o), ERROR_BAD_PATHNAME);
    EXPECT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, (u"SOFTWARE\\" + std::u16string(256, u'k')).c_str(), &o),
              ERROR_INVALID_PARAMETER);
    // A predefined key opened again is itself.
    EXPECT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, nullptr, &o), kOk);
    EXPECT_EQ(o, HKEY_LOCAL_MACHINE);
}

TEST(RegistryValues, SizeProtocolAndExactBytes) {
    winsim::TempMachine m;
    HKEY h = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\T");
    // A string stored without its terminator comes back as stored.
    const char16_t raw[] = u"abc";
    ASSERT_EQ(RegSetValueExW(h, u"NoNul", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), 6), kOk);
    DWORD type = 0, cb = 0;
    EXPECT_EQ(RegQueryValueExW(h, u"nonul", nullptr, &type, nullptr, &cb), kOk);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(cb, 6u);
    BYTE buf[16];
    std::memset(buf, 0xEE, sizeof buf);
    cb = 4;
    type = 0;
    EXPECT_EQ(RegQueryValueExW(h, u"NoNul", nullptr, &type, buf, &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 6u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(buf[0], 0xEE);
    cb = sizeof buf;
    EXPECT_EQ(RegQueryValueExW(h, u"NoNul", nullptr, nullptr, buf, &cb), kOk);
    EXPECT_EQ(cb, 6u);
    EXPECT_EQ(std::memcmp(buf, raw, 6), 0);
    EXPECT_EQ(buf[6], 0xEE);  // no terminator added

    EXPECT_EQ(RegQueryValueExW(h, u"missing", nullptr, &type, buf, &cb), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(h, u"NoNul", nullptr, nullptr, buf, nullptr), ERROR_INVALID_PARAMETER);
    DWORD reserved = 0;
    EXPECT_EQ(RegQueryValueExW(h, u"NoNul", &reserved, nullptr, nullptr, &cb), ERROR_INVALID_PARAMETER);
    RegCloseKey(h);
}

TEST(RegistryValues, TypesAndBytesRoundTripAndNamesIgnoreCase) {
    winsim::TempMachine m;
    HKEY h = create(HKEY_CURRENT_USER, u"Software\\Types");
    const BYTE bin[] = {0, 1, 0xFF, 0x80};
    EXPECT_EQ(setSz(h, u"Sz", u"text"), kOk);
    EXPECT_EQ(setSz(h, u"Dword", u"first a string"), kOk);
    EXPECT_EQ(RegSetValueExW(h, u"Binary", 0, REG_BINARY, bin, 4), kOk);
    EXPECT_EQ(RegSetValueExW(h, u"Empty", 0, REG_BINARY, nullptr, 0), kOk);
    EXPECT_EQ(setSz(h, nullptr, u"default"), kOk);
    EXPECT_EQ(setDword(h, u"DWORD", 7), kOk);  // replaces "Dword" and its type, keeps its spelling

    struct Case {
        const char16_t* name;
        DWORD type;
        std::string bytes;
    } cases[] = {
        {u"sz", REG_SZ, std::string("t\0e\0x\0t\0\0\0", 10)},
        {u"dword", REG_DWORD, std::string("\x07\0\0\0", 4)},
        {u"binary", REG_BINARY, std::string("\0\x01\xFF\x80", 4)},
        {u"empty", REG_BINARY, std::string()},
        {u"", REG_SZ, std::string(reinterpret_cast<const char*>(u"default"), 16)},
    };
    for (const auto& c : cases) {
        BYTE buf[64];
        DWORD type = 0, cb = sizeof buf;
        ASSERT_EQ(RegQueryValueExW(h, c.name, nullptr, &type, buf, &cb), kOk) << winsim::toUtf8(c.name);
        EXPECT_EQ(type, c.type) << winsim::toUtf8(c.name);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(buf), cb), c.bytes) << winsim::toUtf8(c.name);
    }
    DWORD cb = 0;
    EXPECT_EQ(RegQueryValueExW(h, nullptr, nullptr, nullptr, nullptr, &cb), kOk);
    EXPECT_EQ(cb, 16u);
    WCHAR name[16];
    DWORD cch = 16;
    EXPECT_EQ(RegEnumValueW(h, 1, name, &cch, nullptr, nullptr, nullptr, nullptr), kOk);
    EXPECT_EQ(std::u16string(name, cch), u"Dword");
    RegCloseKey(h);
}

TEST(RegistryEnumeration, OrderSizesAndTheEnd) {
    winsim::TempMachine m;
    HKEY h = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\E");
    for (const char16_t* k : {u"beta", u"Alpha", u"gamma_long_name", u"BETA2", u"_first"}) {
        HKEY s = create(h, k);
        RegCloseKey(s);
    }
    for (const char16_t* v : {u"zeta", u"Ant", u"mid"}) EXPECT_EQ(setDword(h, v, 1), kOk);
    EXPECT_EQ(RegSetValueExW(h, u"big", 0, REG_BINARY, reinterpret_cast<const BYTE*>("0123456789"), 10), kOk);

    std::vector<std::u16string> keys;
    WCHAR name[64];
    for (DWORD i = 0;; ++i) {
        DWORD cch = 64;
        FILETIME ft{};
        LONG r = RegEnumKeyExW(h, i, name, &cch, nullptr, nullptr, nullptr, &ft);
        if (r == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(r, kOk);
        EXPECT_NE(ft.dwHighDateTime, 0u);
        keys.emplace_back(name, cch);
    }
    // Case-insensitive order: upper-case folding puts '_' after the letters.
    EXPECT_EQ(keys, (std::vector<std::u16string>{u"Alpha", u"beta", u"BETA2", u"gamma_long_name", u"_first"}));

    std::vector<std::u16string> values;
    for (DWORD i = 0;; ++i) {
        DWORD cch = 64, type = 0;
        LONG r = RegEnumValueW(h, i, name, &cch, nullptr, &type, nullptr, nullptr);
        if (r == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(r, kOk);
        values.emplace_back(name, cch);
    }
    EXPECT_EQ(values, (std::vector<std::u16string>{u"zeta", u"Ant", u"mid", u"big"}));

    // A name buffer one short is refused and its size left alone; a data
    // buffer too small reports the size needed.
    DWORD cch = 5;
    EXPECT_EQ(RegEnumKeyExW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    EXPECT_EQ(cch, 5u);
    cch = 6;
    EXPECT_EQ(RegEnumKeyExW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), kOk);
    EXPECT_EQ(cch, 5u);
    BYTE data[4];
    DWORD cb = sizeof data;
    cch = 64;
    EXPECT_EQ(RegEnumValueW(h, 3, name, &cch, nullptr, nullptr, data, &cb), ERROR_MORE_DATA);
    EXPECT_EQ(cb, 10u);

    DWORD subKeys = 0, maxSub = 0, nValues = 0, maxName = 0, maxData = 0;
    EXPECT_EQ(RegQueryInfoKeyW(h, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &nValues, &maxName,
                               &maxData, nullptr, nullptr),
              kOk);
    EXPECT_EQ(subKeys, 5u);
    EXPECT_EQ(maxSub, 15u);
    EXPECT_EQ(nValues, 4u);
    EXPECT_EQ(maxName, 4u);
    EXPECT_EQ(maxData, 10u);
    RegCloseKey(h);
}

TEST(RegistryPersistence, ValuesSurviveReloadsAndReachOtherProcesses) {
    winsim::TempMachine m;
    HKEY h = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\VeskDrv");
    // Names of any characters survive the hive file.
    const std::u16string odd = u"sp ace%25\\back\nline\u00E9\u3042";
    EXPECT_EQ(setSz(h, odd.c_str(), u"D:\\Data"), kOk);
    RegCloseKey(h);
    h = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\a/b%c d");
    RegCloseKey(h);

    ASSERT_TRUE(winsim::useMachine(m.root()));
    auto v = winsim::regGet(HKEY_LOCAL_MACHINE, u"software\\maker\\veskdrv", odd);
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, static_cast<uint32_t>(REG_SZ));
    EXPECT_EQ(v->data.size(), 16u);
    EXPECT_TRUE(winsim::regKeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\A/B%C D"));

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        bool ok = winsim::regGet(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\VeskDrv", odd).has_value();
        HKEY c = nullptr;
        ok = ok && RegCreateKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\VeskDrv", &c) == kOk;
        ok = ok && setDword(c, u"FromChild", 5) == kOk;
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    auto fromChild = winsim::regGet(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\VeskDrv", u"fromchild");
    ASSERT_TRUE(fromChild);
    EXPECT_EQ(fromChild->data, (std::vector<uint8_t>{5, 0, 0, 0}));
}

TEST(RegistryPersistence, ADamagedHiveIsReportedNotReplaced) {
    winsim::TempMachine m;
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\X", u"v", 1));
    fs::path hive = m.root() / "registry" / "HKLM.hive";
    ASSERT_TRUE(fs::exists(hive));
    {
        std::ofstream(hive, std::ios::app) << "garbage line\n";
    }
    const std::string before = filetest::hostText(hive);
    HKEY h = nullptr;
    EXPECT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\X", &h), ERROR_BADDB);
    EXPECT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Y", &h), ERROR_BADDB);
    EXPECT_EQ(filetest::hostText(hive), before);
}

TEST(RegistryAccess, StandardUsersReadButCannotWriteTheMachineKeys) {
    winsim::TempMachine m(standardUser());
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Setup", u"Save", 1));
    HKEY h = nullptr;
    ASSERT_EQ(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Setup", &h), kOk);
    DWORD v = 0, cb = 4;
    EXPECT_EQ(RegQueryValueExW(h, u"save", nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb), kOk);
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(setDword(h, u"Save", 2), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteValueW(h, u"Save"), ERROR_ACCESS_DENIED);
    RegCloseKey(h);
    // An existing key opens for reading; a missing one cannot be made.
    ASSERT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Setup", &h), kOk);
    EXPECT_EQ(setDword(h, u"Save", 2), ERROR_ACCESS_DENIED);
    RegCloseKey(h);
    EXPECT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\New", &h), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker", 0, KEY_WRITE, &h), ERROR_ACCESS_DENIED);
    EXPECT_EQ(setDword(HKEY_LOCAL_MACHINE, u"Direct", 1), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Setup"), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(winsim::regKeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\New"));
    EXPECT_EQ(winsim::regGet(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\Setup", u"Save")->data[0], 1);

    // The user's own keys are writable; acting as SYSTEM opens the machine keys.
    h = create(HKEY_CURRENT_USER, u"Software\\Mine");
    EXPECT_EQ(setDword(h, u"x", 3), kOk);
    RegCloseKey(h);
    winsim::detail::threadActsAsSystem() = true;
    h = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Maker\\New");
    winsim::detail::threadActsAsSystem() = false;
    EXPECT_EQ(setDword(h, u"x", 1), kOk);  // the handle keeps the rights it was opened with
    RegCloseKey(h);
}

TEST(RegistryAccess, AHandleOpenedForReadingRefusesWrites) {
    winsim::TempMachine m;
    HKEY w = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\R");
    RegCloseKey(w);
    HKEY r = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\R", 0, KEY_READ, &r), kOk);
    EXPECT_EQ(setDword(r, u"v", 1), ERROR_ACCESS_DENIED);
    RegCloseKey(r);
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\R", 0, KEY_SET_VALUE, &w), kOk);
    EXPECT_EQ(setDword(w, u"v", 1), kOk);
    DWORD cb = 0;
    EXPECT_EQ(RegQueryValueExW(w, u"v", nullptr, nullptr, nullptr, &cb), ERROR_ACCESS_DENIED);
    WCHAR name[8];
    DWORD cch = 8;
    EXPECT_EQ(RegEnumKeyExW(w, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), ERROR_ACCESS_DENIED);
    RegCloseKey(w);
}

// Creating a subkey is decided by the caller's rights on the key, not by the
// rights the parent handle was opened with.
TEST(RegistryAccess, CreatingThroughAReadHandleFollowsTheCallersRights) {
    {
        winsim::TempMachine m;
        HKEY w = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\R");
        RegCloseKey(w);
        HKEY r = nullptr, sub = nullptr;
        ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\R", 0, KEY_READ, &r), kOk);
        DWORD disposition = 0;
        EXPECT_EQ(RegCreateKeyExW(r, u"Sub", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &sub, &disposition), kOk);
        EXPECT_EQ(disposition, static_cast<DWORD>(REG_CREATED_NEW_KEY));
        EXPECT_EQ(setDword(sub, u"v", 1), kOk);  // the new handle has the rights asked for
        RegCloseKey(sub);
        RegCloseKey(r);
        EXPECT_TRUE(winsim::regKeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\R\\Sub"));
    }
    // A standard user's read handle still may not create below the machine keys.
    winsim::TempMachine m(standardUser());
    ASSERT_TRUE(winsim::regSetDword(HKEY_LOCAL_MACHINE, u"SOFTWARE\\R", u"v", 1));
    HKEY r = nullptr, sub = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\R", 0, KEY_READ, &r), kOk);
    EXPECT_EQ(RegCreateKeyExW(r, u"Sub", 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr), ERROR_ACCESS_DENIED);
    RegCloseKey(r);
}

TEST(RegistryDelete, OnlyLeafKeysAndOpenHandlesNoticeTheLoss) {
    winsim::TempMachine m;
    HKEY parent = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\D\\Child");
    RegCloseKey(parent);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\D"), ERROR_ACCESS_DENIED);
    EXPECT_TRUE(winsim::regKeyExists(HKEY_LOCAL_MACHINE, u"SOFTWARE\\D\\Child"));
    HKEY child = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\D\\Child");
    EXPECT_EQ(setDword(child, u"v", 1), kOk);
    EXPECT_EQ(RegDeleteValueW(child, u"nothing"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegDeleteValueW(child, u"V"), kOk);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"software\\d\\CHILD"), kOk);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\D\\Child"), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(setDword(child, u"v", 1), ERROR_KEY_DELETED);
    HKEY again = nullptr;
    EXPECT_EQ(RegCreateKeyW(child, u"Below", &again), ERROR_KEY_DELETED);
    EXPECT_EQ(RegCloseKey(child), kOk);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\D"), kOk);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, u""), ERROR_ACCESS_DENIED);
}

TEST(RegistryHandles, PredefinedClosesAreNoOpsAndUnknownHandlesFail) {
    winsim::TempMachine m;
    EXPECT_EQ(RegCloseKey(HKEY_LOCAL_MACHINE), kOk);
    EXPECT_EQ(RegCloseKey(HKEY_CURRENT_USER), kOk);
    EXPECT_EQ(RegCloseKey(nullptr), ERROR_INVALID_HANDLE);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x12345)), ERROR_INVALID_HANDLE);
    HKEY h = create(HKEY_CURRENT_USER, u"Software");
    EXPECT_EQ(RegFlushKey(h), kOk);
    EXPECT_EQ(RegCloseKey(h), kOk);
    EXPECT_EQ(RegCloseKey(h), ERROR_INVALID_HANDLE);
    DWORD cb = 0;
    EXPECT_EQ(RegQueryValueExW(h, u"x", nullptr, nullptr, nullptr, &cb), ERROR_INVALID_HANDLE);
    if (sizeof(void*) == 8) {  // only the sign-extended form names a predefined key
        EXPECT_EQ(RegOpenKeyW(reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)), u"x", &h),
                  ERROR_INVALID_HANDLE);
    }
}

TEST(RegistryHives, CurrentUserIsPerUserAndClassesRootIsTheMachineClasses) {
    winsim::TempMachine m(standardUser());
    ASSERT_TRUE(winsim::regSetDword(HKEY_CURRENT_USER, u"Software\\P", u"v", 1));
    EXPECT_TRUE(winsim::regGet(HKEY_USERS, u"ALICE\\Software\\P", u"v"));
    EXPECT_TRUE(fs::exists(m.root() / "registry" / "users" / "alice" / "NTUSER.hive"));
    HKEY u = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_USERS, nullptr, 0, KEY_READ, &u), kOk);
    WCHAR name[16];
    DWORD cch = 16;
    EXPECT_EQ(RegEnumKeyExW(HKEY_USERS, 0, name, &cch, nullptr, nullptr, nullptr, nullptr), kOk);
    EXPECT_EQ(std::u16string(name, cch), u"alice");
    HKEY other = nullptr;
    EXPECT_EQ(RegCreateKeyW(HKEY_USERS, u"bob\\Software", &other), ERROR_ACCESS_DENIED);

    winsim::config().userName = "bob";
    EXPECT_FALSE(winsim::regGet(HKEY_CURRENT_USER, u"Software\\P", u"v"));
    winsim::config().userName = "alice";
    EXPECT_TRUE(winsim::regGet(HKEY_CURRENT_USER, u"Software\\P", u"v"));

    ASSERT_TRUE(winsim::regSetString(HKEY_CLASSES_ROOT, u".vds", u"", u"VeskDrawing"));
    EXPECT_TRUE(winsim::regGet(HKEY_LOCAL_MACHINE, u"SOFTWARE\\Classes\\.vds", u""));
    EXPECT_EQ(setSz(HKEY_CLASSES_ROOT, u"x", u"y"), ERROR_ACCESS_DENIED);  // machine keys, standard user
}

TEST(RegistryFaults, InjectedFailuresAreReturned) {
    winsim::TempMachine m;
    HKEY h = create(HKEY_LOCAL_MACHINE, u"SOFTWARE\\F");
    winsim::failCall("RegSetValueExW", 1, ERROR_CANTWRITE);
    EXPECT_EQ(setDword(h, u"v", 1), ERROR_CANTWRITE);
    EXPECT_FALSE(winsim::regGet(HKEY_LOCAL_MACHINE, u"SOFTWARE\\F", u"v"));
    winsim::failCall("RegOpenKeyExW", 1, ERROR_ACCESS_DENIED);
    HKEY o = nullptr;
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\F", 0, KEY_READ, &o), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\F", 0, KEY_READ, &o), kOk);
    RegCloseKey(o);
    RegCloseKey(h);
}

TEST(RegistryHandles, WithoutAMachineNothingIsKeptAnywhere) {
    if (!winsim::machineRoot().empty()) GTEST_SKIP() << "VESK_MACHINE names a machine";
    fs::path cwd = fs::current_path();
    HKEY h = nullptr;
    EXPECT_EQ(RegCreateKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\X", &h), ERROR_CANTOPEN);
    EXPECT_EQ(h, nullptr);
    EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"v", u"x.ini"));
    EXPECT_FALSE(fs::exists(cwd / "registry"));
    EXPECT_FALSE(fs::exists(cwd / "profile"));
}
