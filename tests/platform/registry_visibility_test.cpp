// The registry keeps parsed hives between calls: a hive changed by another
// process, written behind the registry's back, made where none was, or
// removed must be seen by the very next call.
#include <gtest/gtest.h>

#include <win/registry.h>
#include <winsim/winsim.h>
#include "fork_child.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

using forktest::inChild;

void letSettle() { std::this_thread::sleep_for(std::chrono::milliseconds(250)); }

constexpr const char16_t* kKey = u"SOFTWARE\\VeskVisibility";

bool put(DWORD v) {
    HKEY k = nullptr;
    if (RegCreateKeyW(HKEY_LOCAL_MACHINE, kKey, &k) != ERROR_SUCCESS) return false;
    const LONG r = RegSetValueExW(k, u"N", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    RegCloseKey(k);
    return r == ERROR_SUCCESS;
}

// The value, or -1 when the key or value cannot be read (the result in `code`).
long long get(LONG* code = nullptr) {
    HKEY k = nullptr;
    LONG r = RegOpenKeyW(HKEY_LOCAL_MACHINE, kKey, &k);
    DWORD v = 0, size = sizeof v, type = 0;
    if (r == ERROR_SUCCESS) {
        r = RegQueryValueExW(k, u"N", nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
        RegCloseKey(k);
    }
    if (code) *code = r;
    return r == ERROR_SUCCESS ? static_cast<long long>(v) : -1;
}

fs::path hive(const winsim::TempMachine& m) { return m.root() / "registry" / "HKLM.hive"; }

std::string text(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(RegistryReads, ChangesOfAnotherProcessAreSeenAtOnceSettledOrNot) {
    winsim::TempMachine m;
    ASSERT_TRUE(put(1));
    letSettle();
    EXPECT_EQ(get(), 1);
    EXPECT_EQ(get(), 1);  // from the kept hive
    // The same size each time: only the file's identity and times tell the
    // versions apart. Once read again right away, once after settling.
    ASSERT_TRUE(inChild([] { return put(2); }));
    EXPECT_EQ(get(), 2);
    ASSERT_TRUE(inChild([] { return put(3); }));
    EXPECT_EQ(get(), 3);
    letSettle();
    EXPECT_EQ(get(), 3);
    ASSERT_TRUE(inChild([] { return put(4); }));
    EXPECT_EQ(get(), 4);
}

TEST(RegistryReads, AHiveRewrittenInPlaceOrRemovedIsReadAnew) {
    winsim::TempMachine m;
    ASSERT_TRUE(put(0x11));
    letSettle();
    EXPECT_EQ(get(), 0x11);
    std::string t = text(hive(m));
    const size_t at = t.find("11000000");
    ASSERT_NE(at, std::string::npos) << t;
    t.replace(at, 8, "22000000");
    // In place (same inode, same size), as another program might.
    int fd = ::open(hive(m).c_str(), O_WRONLY | O_TRUNC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, t.data(), t.size()), static_cast<ssize_t>(t.size()));
    ::close(fd);
    EXPECT_EQ(get(), 0x22);
    // A hive that goes is an empty one at once, and one that comes back is read.
    fs::rename(hive(m), m.root() / "registry" / "saved");
    LONG code = 0;
    EXPECT_EQ(get(&code), -1);
    EXPECT_EQ(code, ERROR_FILE_NOT_FOUND);
    fs::rename(m.root() / "registry" / "saved", hive(m));
    EXPECT_EQ(get(), 0x22);
    // A broken hive is reported, never served from what was kept.
    letSettle();
    EXPECT_EQ(get(), 0x22);
    std::ofstream(hive(m), std::ios::binary | std::ios::trunc) << "not a hive\n";
    EXPECT_EQ(get(&code), -1);
    EXPECT_EQ(code, ERROR_BADDB);
}

TEST(RegistryReads, AHiveMadeWhereThereWasNoneIsSeen) {
    winsim::TempMachine m;
    LONG code = 0;
    EXPECT_EQ(get(&code), -1);
    EXPECT_EQ(code, ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(inChild([] { return put(7); }));
    EXPECT_EQ(get(), 7);
}
