// Calls a driver makes many times per context, each answered by a shorter
// path than before: the machine's configuration read without its lock, UTF-8
// text widened a run of ASCII at a time, the spooler's change counter read
// without a lock, and the caller's security identity kept per thread. Each
// case compares the short answer with the plain one, across the changes that
// must reach it (another machine, another process, another setting).
#include "spooler_fixture.h"
#include "platform/fork_child.h"

#include <win/security.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "core/sim.h"

using namespace spooltest;

namespace {

// The plain decoder the fast one must equal: one code point at a time.
std::u16string decodeSlowly(std::string_view in, bool* invalid) {
    std::u16string out;
    for (size_t i = 0; i < in.size();) {
        size_t len = 1;
        const auto b = static_cast<unsigned char>(in[i]);
        if (b >= 0xC2 && b <= 0xDF) len = 2;
        else if (b >= 0xE0 && b <= 0xEF) len = 3;
        else if (b >= 0xF0 && b <= 0xF4) len = 4;
        len = std::min(len, in.size() - i);
        // Cut at the first byte that cannot continue the sequence.
        size_t k = 1;
        while (k < len && (static_cast<unsigned char>(in[i + k]) & 0xC0) == 0x80) ++k;
        // A piece ends where no sequence can reach: at a byte that cannot
        // continue one. Pieces that start with ASCII are one byte long.
        out += winsim::detail::decodeUtf8(in.substr(i, k), invalid);
        i += k;
    }
    return out;
}

TEST(CallFastPaths, Utf8DecodingEqualsTheSequenceBySequenceDecodingAtEveryOffset) {
    const std::vector<std::string> tails = {
        "",  "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xC3", "\xE2\x82", "\xFF", "\x80",
        "\xED\xA0\x80",  "\xC3\xA9z",    "\xF4\x90\x80\x80", "a\xC3\xA9" "b"};
    for (size_t ascii = 0; ascii <= 40; ++ascii) {
        std::string prefix;
        for (size_t k = 0; k < ascii; ++k) prefix += static_cast<char>(k % 2 ? 0x7F - k : 0x01 + k);
        for (const auto& tail : tails) {
            const std::string text = prefix + tail;
            bool fastInvalid = false, slowInvalid = false;
            const std::u16string fast = winsim::detail::decodeUtf8(text, &fastInvalid);
            const std::u16string slow = decodeSlowly(text, &slowInvalid);
            EXPECT_EQ(fast, slow) << "ascii " << ascii << " tail " << tail.size();
            EXPECT_EQ(fastInvalid, slowInvalid) << "ascii " << ascii << " tail " << tail.size();
            EXPECT_EQ(winsim::fromUtf8(text), fast);
            ASSERT_EQ(fast.size() >= ascii, true);
            for (size_t k = 0; k < ascii; ++k) ASSERT_EQ(fast[k], static_cast<char16_t>(prefix[k]));
        }
    }
    // A NUL inside the text is a character like any other.
    EXPECT_EQ(winsim::fromUtf8(std::string_view("a\0b", 3)), std::u16string(u"a\0b", 3));
}

// A read-only open of a path in resolved form opens the host file directly;
// any character a plain name may not hold must send the path to the full
// resolution instead, so the open answers as that resolution does.
TEST(CallFastPaths, AnOpenOfANameWithAnyCharacterAnswersAsTheFullResolution) {
    winsim::TempMachine m;
    const std::filesystem::path dir = m.root() / "C" / "Dir";
    std::filesystem::create_directories(dir);
    for (char32_t c = 1; c < 0x180; ++c) {
        if (c == u'\\' || c == u'/' || c == u'.' || c == u' ') continue;  // separators and trailing dots: rules of their own
        std::u16string name = u"a";
        name += static_cast<char16_t>(c);
        name += u"b";
        const std::string hostName = winsim::toUtf8(name);
        { std::ofstream(dir / hostName) << "x"; }
        const std::u16string path = u"C:\\Dir\\" + name;
        winsim::detail::PathError err{};
        const auto resolved = winsim::detail::resolve(path, &err);
        const bool expected = resolved && std::filesystem::exists(resolved->host);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(h != INVALID_HANDLE_VALUE, expected) << "character " << unsigned(c);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        std::filesystem::remove(dir / hostName);
    }
}

TEST(CallFastPaths, TheConfigurationFollowsEveryMachineSwitch) {
    winsim::MachineConfig first;
    first.userName = "first";
    first.osServicePack = "Service Pack 2";
    winsim::MachineConfig second;
    second.userName = "second";
    second.osServicePack = "Service Pack 3";
    winsim::TempMachine a(first);
    const std::filesystem::path rootA = a.root();
    winsim::TempMachine b(second);
    const std::filesystem::path rootB = b.root();
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(winsim::useMachine(rootA));
        EXPECT_EQ(winsim::config().userName, "first");
        OSVERSIONINFOEXW v{};
        v.dwOSVersionInfoSize = sizeof v;
        ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&v)));
        EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(v.szCSDVersion)), u"Service Pack 2");
        EXPECT_EQ(v.wServicePackMajor, 2);
        ASSERT_TRUE(winsim::useMachine(rootB));
        EXPECT_EQ(winsim::config().userName, "second");
        ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&v)));
        EXPECT_EQ(v.wServicePackMajor, 3);
    }
    // A change made through the reference is what the next call sees.
    winsim::config().osServicePack = "Service Pack 5";
    OSVERSIONINFOEXW v{};
    v.dwOSVersionInfoSize = sizeof v;
    ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&v)));
    EXPECT_EQ(v.wServicePackMajor, 5);
}

// The service-pack text is widened in place when it is ASCII and converted
// otherwise; either way the buffer holds its first 127 units, terminated,
// with nothing left of what the buffer held before.
TEST(CallFastPaths, ServicePackTextAsConvertedAndCut) {
    winsim::TempMachine machine;
    const std::string longAscii(200, 'x');
    const std::string accented = "Paquete de servicio 2 \xc3\xb1 \xe2\x82\xac";
    for (const std::string& text : {std::string(), std::string("Service Pack 4"), longAscii, accented,
                                    accented + longAscii, std::string("SP\x01\x7f")}) {
        winsim::config().osServicePack = text;
        for (DWORD size : {DWORD{sizeof(OSVERSIONINFOW)}, DWORD{sizeof(OSVERSIONINFOEXW)}}) {
            OSVERSIONINFOEXW v;
            std::memset(&v, 0xFF, sizeof v);
            v.dwOSVersionInfoSize = size;
            ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&v)));
            std::u16string want = winsim::fromUtf8(text).substr(0, 127);
            want.resize(128, u'\0');
            EXPECT_TRUE(std::u16string(reinterpret_cast<const char16_t*>(v.szCSDVersion), 128) == want)
                << text.size() << " " << size;
        }
    }
}

// ---- critical sections taken with one atomic step ----

// Two threads hand a section back and forth many times, each waiting while
// the other holds it: every wait ends (no wake-up is lost), the record shows
// the holder while held and nobody once left, and a thread whose try fails
// while it is held gets it once it is given up.
TEST(CallFastPaths, ACriticalSectionWakesEachWaiterAndMirrorsItsHolder) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    std::atomic<int> turn{0};
    constexpr int kRounds = 2000;
    auto player = [&](int me) {
        for (int i = 0; i < kRounds; ++i) {
            EnterCriticalSection(&cs);
            while (turn.load() % 2 != me) {
                LeaveCriticalSection(&cs);
                std::this_thread::yield();
                EnterCriticalSection(&cs);
            }
            EXPECT_EQ(cs.RecursionCount, 1);
            EXPECT_EQ(reinterpret_cast<uintptr_t>(cs.OwningThread), uintptr_t{GetCurrentThreadId()});
            ++turn;
            LeaveCriticalSection(&cs);
        }
    };
    std::thread other(player, 1);
    player(0);
    other.join();
    EXPECT_EQ(turn.load(), 2 * kRounds);
    EXPECT_EQ(cs.RecursionCount, 0);
    EXPECT_EQ(cs.OwningThread, nullptr);

    // A thread blocked in Enter gets the section when it is given up.
    EnterCriticalSection(&cs);
    std::atomic<bool> entered{false};
    std::thread waiter([&] {
        EXPECT_FALSE(TryEnterCriticalSection(&cs));
        EnterCriticalSection(&cs);
        entered = true;
        LeaveCriticalSection(&cs);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_FALSE(entered.load());
    LeaveCriticalSection(&cs);
    waiter.join();
    EXPECT_TRUE(entered.load());
    DeleteCriticalSection(&cs);
}

// A section held by the thread that forks is held by the child's thread too
// (the same thread there), which may enter it again and leave it.
TEST(CallFastPaths, ASectionHeldAcrossAForkStaysTheForkingThreads) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EXPECT_TRUE(forktest::inChild([&] {
        if (!TryEnterCriticalSection(&cs)) return false;
        EnterCriticalSection(&cs);
        const bool counted = cs.RecursionCount == 3;
        LeaveCriticalSection(&cs);
        LeaveCriticalSection(&cs);
        LeaveCriticalSection(&cs);
        return counted && cs.RecursionCount == 0;
    }));
    EXPECT_EQ(cs.RecursionCount, 1);
    LeaveCriticalSection(&cs);
    DeleteCriticalSection(&cs);
}

// ---- the spooler's change counter ----

DWORD setByte(HANDLE h, const char16_t* name, BYTE v) {
    BYTE b[4] = {v, 0, 0, 0};
    return SetPrinterDataW(h, const_cast<LPWSTR>(name), kRegDword, b, 4);
}

int readByte(HANDLE h, const char16_t* name) {
    BYTE b[4] = {};
    DWORD type = 0, needed = 0;
    return GetPrinterDataW(h, const_cast<LPWSTR>(name), &type, b, 4, &needed) == ERROR_SUCCESS ? b[0] : -1;
}

HANDLE openRaw(DWORD access) {
    PRINTER_DEFAULTSW d{nullptr, nullptr, access};
    HANDLE h = nullptr;
    return OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h, &d) ? h : nullptr;
}

// Two machines used in turn: each one's counter answers for it alone, and
// another process's change on either is seen after every switch.
TEST_F(SpoolerTest, TheChangeCounterOfEachMachineIsReadAfterEverySwitch) {
    const std::filesystem::path rootA = machine_.root();
    ASSERT_EQ(winsim::setPrinterData(kPrinter, u"Side", kRegDword, {1, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE h = openRaw(PRINTER_ACCESS_USE);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(readByte(h, u"Side"), 1);
    ASSERT_TRUE(ClosePrinter(h));
    {
        winsim::TempMachine other;
        const std::filesystem::path rootB = other.root();
        SpoolerTest::SetUp();
        ASSERT_EQ(winsim::setPrinterData(kPrinter, u"Side", kRegDword, {2, 0, 0, 0}), static_cast<DWORD>(ERROR_SUCCESS));
        for (BYTE round = 0; round < 3; ++round) {
            for (const auto& [root, base] : {std::pair{rootA, BYTE{10}}, std::pair{rootB, BYTE{20}}}) {
                ASSERT_TRUE(winsim::useMachine(root));
                h = openRaw(PRINTER_ACCESS_USE);
                ASSERT_NE(h, nullptr);
                const int before = round == 0 ? base / 10 : base + round - 1;
                EXPECT_EQ(readByte(h, u"Side"), before);
                EXPECT_EQ(readByte(h, u"Side"), before);
                const BYTE next = static_cast<BYTE>(base + round);
                ASSERT_TRUE(forktest::inChild(
                    [next] { return winsim::setPrinterData(kPrinter, u"Side", kRegDword, {next, 0, 0, 0}) == 0; }));
                EXPECT_EQ(readByte(h, u"Side"), next);
                EXPECT_EQ(readByte(h, u"Side"), next);
                ASSERT_TRUE(ClosePrinter(h));
            }
        }
        ASSERT_TRUE(winsim::useMachine(rootB));
    }
    ASSERT_TRUE(winsim::useMachine(rootA));
    h = openRaw(PRINTER_ACCESS_USE);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(readByte(h, u"Side"), 12);
    ASSERT_TRUE(ClosePrinter(h));
}

// Readers on several threads while one thread writes: a read after a write
// has returned answers that write or a later one. A reader whose state the
// writer replaced in the cache still reads the record it resolved (it used
// to be freed under it, and the value then looked missing).
TEST_F(SpoolerTest, ReadersOnOtherThreadsSeeEveryFinishedChange) {
    HANDLE writer = openAdmin();
    ASSERT_NE(writer, nullptr);
    ASSERT_EQ(setByte(writer, u"Step", 0), static_cast<DWORD>(ERROR_SUCCESS));
    std::atomic<int> finished{0};
    std::atomic<bool> stop{false};
    std::atomic<int> stale{0}, reads{0};
    std::atomic<DWORD> lastError{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            HANDLE r = openRaw(PRINTER_ACCESS_USE);
            while (!stop.load()) {
                const int done = finished.load();
                const int seen = readByte(r, u"Step");
                if (seen < done) {
                    ++stale;
                    lastError = GetLastError();
                }
                ++reads;
            }
            ClosePrinter(r);
        });
    for (BYTE v = 1; v <= 40; ++v) {
        ASSERT_EQ(setByte(writer, u"Step", v), static_cast<DWORD>(ERROR_SUCCESS));
        finished.store(v);
    }
    while (reads.load() < 100) std::this_thread::yield();
    stop.store(true);
    for (auto& t : readers) t.join();
    EXPECT_EQ(stale.load(), 0) << "last failed read's error " << lastError.load();
    EXPECT_EQ(readByte(writer, u"Step"), 40);
}

// ---- the kept identity ----

// An access check against a descriptor that grants only `sid`.
int grantedTo(const std::vector<BYTE>& sid) {
    if (!ImpersonateSelf(SecurityImpersonation)) return -1;
    HANDLE token = nullptr;
    int result = -1;
    BYTE aclBytes[64] = {};
    SECURITY_DESCRIPTOR sd{};
    auto* acl = reinterpret_cast<PACL>(aclBytes);
    auto* psid = const_cast<BYTE*>(sid.data());
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) && InitializeAcl(acl, sizeof aclBytes, ACL_REVISION2) &&
        AddAccessAllowedAce(acl, ACL_REVISION2, 1, psid) && InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
        SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) && SetSecurityDescriptorOwner(&sd, psid, FALSE) &&
        SetSecurityDescriptorGroup(&sd, psid, FALSE)) {
        GENERIC_MAPPING mapping{1, 2, 0, 3};
        BYTE privileges[20] = {};
        DWORD privilegeBytes = sizeof privileges, granted = 0;
        BOOL status = FALSE;
        if (AccessCheck(&sd, token, 1, &mapping, reinterpret_cast<PPRIVILEGE_SET>(privileges), &privilegeBytes, &granted,
                        &status))
            result = status ? 1 : 0;
    }
    if (token) CloseHandle(token);
    RevertToSelf();
    return result;
}

std::vector<BYTE> userSid() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return {};
    BYTE buf[256];
    DWORD needed = 0;
    std::vector<BYTE> out;
    if (GetTokenInformation(token, TokenUser, buf, sizeof buf, &needed)) {
        PSID sid = reinterpret_cast<TOKEN_USER*>(buf)->User.Sid;
        auto* b = static_cast<const BYTE*>(sid);
        out.assign(b, b + GetLengthSid(sid));
    }
    CloseHandle(token);
    return out;
}

std::vector<BYTE> adminsSid() {
    return {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
}

bool memberOfAdmins() {
    std::vector<BYTE> sid = adminsSid();
    BOOL member = FALSE;
    return CheckTokenMembership(nullptr, sid.data(), &member) && member;
}

// Every setting the identity is made from, changed between two checks,
// changes the next answer exactly as a freshly made identity would.
TEST(CallFastPaths, AccessChecksFollowEverySettingOfTheIdentity) {
    winsim::TempMachine m;
    EXPECT_EQ(grantedTo(adminsSid()), 1);
    EXPECT_TRUE(memberOfAdmins());
    winsim::config().userIsAdmin = false;
    EXPECT_EQ(grantedTo(adminsSid()), 0);
    EXPECT_FALSE(memberOfAdmins());
    winsim::config().userIsAdmin = true;
    EXPECT_EQ(grantedTo(adminsSid()), 1);

    // The user's own SID follows the user and the computer name.
    const std::vector<BYTE> first = userSid();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(grantedTo(first), 1);
    winsim::config().userName = "someone-else";
    const std::vector<BYTE> second = userSid();
    ASSERT_NE(first, second);
    EXPECT_EQ(grantedTo(first), 0);
    EXPECT_EQ(grantedTo(second), 1);
    winsim::config().computerName = "OTHERBOX";
    EXPECT_EQ(grantedTo(second), 0);
    EXPECT_EQ(grantedTo(userSid()), 1);

    // A deny-only Administrators group is no grant, and going back is seen.
    winsim::config().userIsAdmin = false;
    winsim::config().set("user.admin.denyonly", "1");
    EXPECT_EQ(grantedTo(adminsSid()), 0);
    EXPECT_FALSE(memberOfAdmins());
    winsim::config().set("user.admin.denyonly", "0");
    winsim::config().userIsAdmin = true;
    EXPECT_EQ(grantedTo(adminsSid()), 1);

    // Another thread answers by its own settings read, the same ones.
    std::thread([] { EXPECT_EQ(grantedTo(adminsSid()), 1); }).join();
    winsim::config().userIsAdmin = false;
    std::thread([] { EXPECT_EQ(grantedTo(adminsSid()), 0); }).join();
    EXPECT_EQ(grantedTo(adminsSid()), 0);
}

}  // namespace
