// Stand-in platform calls a context's creation makes many times, each on its
// own: a printer-data read through an open handle, an access check of the
// caller's token, the version and system-folder queries, a registry open, an
// INI read and a global block's allocation. The machine holds a printer of
// the sample driver set.
#include <benchmark/benchmark.h>

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <cstdlib>
#include <memory>

#include "common/sample_printer.h"

namespace {

struct Machine {
    std::unique_ptr<winsim::TempMachine> machine = std::make_unique<winsim::TempMachine>();
    HANDLE printer = nullptr;
    Machine() {
        if (!vesk::test::addSamplePrinter(u"Bench", &printer)) std::abort();
        if (winsim::setPrinterData(u"Bench", u"BenchValue", REG_DWORD, {1, 0, 0, 0}) != ERROR_SUCCESS) std::abort();
        HKEY key = nullptr;
        if (RegCreateKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\BenchVendor\\Driver", &key) != ERROR_SUCCESS) std::abort();
        RegCloseKey(key);
        if (!WritePrivateProfileStringW(u"Bench", u"Level", u"3", u"C:\\WINDOWS\\bench.ini")) std::abort();
    }
};

Machine& machine() {
    static Machine m;
    return m;
}

}  // namespace

static void BM_GetPrinterData(benchmark::State& state) {
    HANDLE h = machine().printer;
    for (auto _ : state) {
        BYTE b[4];
        DWORD type = 0, needed = 0;
        benchmark::DoNotOptimize(GetPrinterDataW(h, const_cast<LPWSTR>(u"BenchValue"), &type, b, 4, &needed));
    }
}
BENCHMARK(BM_GetPrinterData);

// The administrator test's steps: impersonate, open the token, check a
// descriptor that grants Administrators, close, revert.
static void BM_AccessCheckOfTheCaller(benchmark::State& state) {
    machine();
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &admins))
        std::abort();
    BYTE aclBytes[64] = {};
    auto* acl = reinterpret_cast<PACL>(aclBytes);
    SECURITY_DESCRIPTOR sd{};
    if (!InitializeAcl(acl, sizeof aclBytes, ACL_REVISION2) || !AddAccessAllowedAce(acl, ACL_REVISION2, 3, admins) ||
        !InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) || !SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorOwner(&sd, admins, FALSE) || !SetSecurityDescriptorGroup(&sd, admins, FALSE))
        std::abort();
    for (auto _ : state) {
        ImpersonateSelf(SecurityImpersonation);
        HANDLE token = nullptr;
        OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token);
        GENERIC_MAPPING mapping{1, 2, 0, 3};
        BYTE privileges[20] = {};
        DWORD privilegeBytes = sizeof privileges, granted = 0;
        BOOL status = FALSE;
        benchmark::DoNotOptimize(AccessCheck(&sd, token, 1, &mapping, reinterpret_cast<PPRIVILEGE_SET>(privileges),
                                             &privilegeBytes, &granted, &status));
        CloseHandle(token);
        RevertToSelf();
    }
    FreeSid(admins);
}
BENCHMARK(BM_AccessCheckOfTheCaller);

static void BM_VersionAndSystemFolder(benchmark::State& state) {
    machine();
    for (auto _ : state) {
        OSVERSIONINFOW v{};
        v.dwOSVersionInfoSize = sizeof v;
        benchmark::DoNotOptimize(GetVersionExW(&v));
        WCHAR dir[MAX_PATH];
        benchmark::DoNotOptimize(GetSystemDirectoryW(dir, MAX_PATH));
    }
}
BENCHMARK(BM_VersionAndSystemFolder);

static void BM_RegistryOpenAndClose(benchmark::State& state) {
    machine();
    for (auto _ : state) {
        HKEY key = nullptr;
        benchmark::DoNotOptimize(RegOpenKeyW(HKEY_LOCAL_MACHINE, u"SOFTWARE\\BenchVendor\\Driver", &key));
        RegCloseKey(key);
    }
}
BENCHMARK(BM_RegistryOpenAndClose);

static void BM_IniReadInt(benchmark::State& state) {
    machine();
    for (auto _ : state)
        benchmark::DoNotOptimize(GetPrivateProfileIntW(u"Bench", u"Level", 0, u"C:\\WINDOWS\\bench.ini"));
}
BENCHMARK(BM_IniReadInt);

static void BM_GlobalAllocAndFree(benchmark::State& state) {
    machine();
    for (auto _ : state) {
        HGLOBAL g = GlobalAlloc(GPTR, 256);
        benchmark::DoNotOptimize(g);
        GlobalFree(g);
    }
}
BENCHMARK(BM_GlobalAllocAndFree);

static void BM_CriticalSectionPair(benchmark::State& state) {
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    for (auto _ : state) {
        EnterCriticalSection(&cs);
        LeaveCriticalSection(&cs);
    }
    DeleteCriticalSection(&cs);
}
BENCHMARK(BM_CriticalSectionPair);
