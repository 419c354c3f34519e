// Printer handles, access rules, printer and driver information.
#include "spooler_fixture.h"

#include <string>

#include "core/sim.h"

using namespace spooltest;

namespace {

class UserSpooler : public SpoolerTest {
protected:
    UserSpooler() : SpoolerTest(false) {}
};

std::u16string text(const WCHAR* s) { return s ? std::u16string(s) : std::u16string(u"(null)"); }

}  // namespace

TEST_F(SpoolerTest, OpenFindsPrintersByNameWithoutRegardToCase) {
    PRINTER_DEFAULTSW use{nullptr, nullptr, PRINTER_ACCESS_USE};
    HANDLE h = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(u"OFFICE colour"), &h, &use));
    EXPECT_EQ(winsim::openPrinterHandles(), 1u);
    EXPECT_TRUE(ClosePrinter(h));
    EXPECT_EQ(winsim::openPrinterHandles(), 0u);
    EXPECT_FAILS_WITH(ClosePrinter(h), FALSE, ERROR_INVALID_HANDLE);
    // A printer handle is not a kernel handle.
    ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h, nullptr));
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_TRUE(ClosePrinter(h));
}

TEST_F(SpoolerTest, OpenRefusesUnknownAndOverlongNames) {
    HANDLE h = reinterpret_cast<HANDLE>(1);
    EXPECT_FAILS_WITH(OpenPrinterW(const_cast<LPWSTR>(u"No Such Printer"), &h, nullptr),
                      FALSE, ERROR_INVALID_PRINTER_NAME);
    EXPECT_EQ(h, nullptr);

    winsim::PrinterRecord p;
    p.driver = kDriver;
    p.name = std::u16string(259, u'p');
    EXPECT_EQ(winsim::addPrinter(p), ERROR_SUCCESS);  // 259 characters is the longest name
    EXPECT_NE(open(p.name.c_str(), PRINTER_ACCESS_USE), nullptr);
    std::u16string tooLong(260, u'p');
    EXPECT_FAILS_WITH(OpenPrinterW(tooLong.data(), &h, nullptr), FALSE, ERROR_INVALID_PRINTER_NAME);
    p.name = tooLong;
    EXPECT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
    for (const char16_t* bad : {u"a,b", u"a\\b", u"", u"\\\\server\\"}) {
        p.name = bad;
        EXPECT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME)) << winsim::toUtf8(bad);
    }
    EXPECT_EQ(winsim::listPrinters().size(), 2u);
    EXPECT_FAILS_WITH(OpenPrinterW(const_cast<LPWSTR>(kPrinter), nullptr, nullptr), FALSE, ERROR_INVALID_PARAMETER);
}

TEST_F(SpoolerTest, AdministratorGetsEveryRightAndGenericRightsMap) {
    EXPECT_NE(openAdmin(), nullptr);
    EXPECT_NE(open(kPrinter, PRINTER_ACCESS_ADMINISTER), nullptr);
    HANDLE generic = open(kPrinter, 0x10000000 /* GENERIC_ALL */);
    ASSERT_NE(generic, nullptr);
    DWORD one = 1;
    EXPECT_EQ(SetPrinterDataW(generic, const_cast<LPWSTR>(u"X"), kRegDword, reinterpret_cast<BYTE*>(&one), 4),
              static_cast<DWORD>(ERROR_SUCCESS));
    HANDLE read = open(kPrinter, 0x80000000 /* GENERIC_READ */);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(SetPrinterDataW(read, const_cast<LPWSTR>(u"X"), kRegDword, reinterpret_cast<BYTE*>(&one), 4),
              static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(UserSpooler, OrdinaryUserMayUseButNotAdminister) {
    EXPECT_NE(openUse(), nullptr);
    EXPECT_NE(open(kPrinter, 0), nullptr);  // zero asks for use
    for (DWORD access : {DWORD(PRINTER_ALL_ACCESS), DWORD(PRINTER_ACCESS_ADMINISTER), DWORD(0x10000000)}) {
        HANDLE h = reinterpret_cast<HANDLE>(1);
        PRINTER_DEFAULTSW d{nullptr, nullptr, access};
        EXPECT_FALSE(OpenPrinterW(const_cast<LPWSTR>(kPrinter), &h, &d)) << access;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(h, nullptr);
    }
    EXPECT_EQ(winsim::openPrinterHandles(), 2u);
    // While the thread acts as the spooler itself, administration is allowed.
    HANDLE token = RevertToPrinterSelf();
    ASSERT_NE(token, nullptr);
    EXPECT_NE(openAdmin(), nullptr);
    EXPECT_TRUE(ImpersonatePrinterClient(token));
    EXPECT_FAILS_WITH(openAdmin(), nullptr, ERROR_ACCESS_DENIED);
}

TEST_F(UserSpooler, ImpersonationRestoresTheClientAndClosesTheToken) {
    size_t kernelBefore = winsim::detail::openHandleCount();
    EXPECT_FALSE(winsim::detail::threadActsAsSystem());
    HANDLE outer = RevertToPrinterSelf();
    ASSERT_NE(outer, nullptr);
    EXPECT_TRUE(winsim::detail::threadActsAsSystem());
    HANDLE inner = RevertToPrinterSelf();  // nested: the token remembers SYSTEM
    EXPECT_TRUE(ImpersonatePrinterClient(inner));
    EXPECT_TRUE(winsim::detail::threadActsAsSystem());
    EXPECT_TRUE(ImpersonatePrinterClient(outer));
    EXPECT_FALSE(winsim::detail::threadActsAsSystem());
    EXPECT_EQ(winsim::detail::openHandleCount(), kernelBefore);
    EXPECT_FAILS_WITH(ImpersonatePrinterClient(outer), FALSE, ERROR_INVALID_HANDLE);  // closed with the first use
    EXPECT_FALSE(ImpersonatePrinterClient(nullptr));
}

TEST_F(UserSpooler, RevertingDropsAThreadTokenAndRestoresIt) {
    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    HANDLE t = nullptr;
    ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &t));
    CloseHandle(t);
    HANDLE client = RevertToPrinterSelf();
    ASSERT_NE(client, nullptr);
    // As the spooler itself the thread has no token and may administer.
    EXPECT_FAILS_WITH(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &t), FALSE, ERROR_NO_TOKEN);
    EXPECT_NE(openAdmin(), nullptr);
    EXPECT_TRUE(ImpersonatePrinterClient(client));
    ASSERT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &t));
    CloseHandle(t);
    EXPECT_EQ(openAdmin(), nullptr);
    EXPECT_TRUE(RevertToSelf());
}

TEST_F(SpoolerTest, PrinterInfo2LaysOutItsStringsInTheCallersBlock) {
    HANDLE h = openUse();
    ASSERT_NE(h, nullptr);
    std::vector<uint8_t> dm = devmode(220, 1040, 0x5A);
    ASSERT_EQ(winsim::setPrinterDevmode(kPrinter, dm), ERROR_SUCCESS);
    ASSERT_EQ(winsim::setPrinterAttributes(kPrinter, PRINTER_ATTRIBUTE_ENABLE_BIDI), ERROR_SUCCESS);

    DWORD needed = 0;
    EXPECT_FAILS_WITH(GetPrinterW(h, 2, nullptr, 0, &needed), FALSE, ERROR_INSUFFICIENT_BUFFER);
    ASSERT_GT(needed, sizeof(PRINTER_INFO_2W) + dm.size());
    std::vector<BYTE> buf(needed + 16, 0xEE);
    DWORD again = 0;
    // One byte short still fails and writes nothing.
    EXPECT_FALSE(GetPrinterW(h, 2, buf.data(), needed - 1, &again));
    EXPECT_EQ(again, needed);
    EXPECT_EQ(buf[0], 0xEE);
    ASSERT_TRUE(GetPrinterW(h, 2, buf.data(), needed, &again));
    auto* pi = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    EXPECT_EQ(text(pi->pPrinterName), kPrinter);
    EXPECT_EQ(pi->pServerName, nullptr);
    EXPECT_EQ(text(pi->pDriverName), kDriver);
    EXPECT_EQ(text(pi->pComment), u"second floor");
    EXPECT_EQ(text(pi->pPortName), u"LPT1:");
    EXPECT_EQ(pi->Attributes, DWORD(PRINTER_ATTRIBUTE_ENABLE_BIDI | PRINTER_ATTRIBUTE_LOCAL));
    ASSERT_NE(pi->pDevMode, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pi->pDevMode) % 4, 0u);
    EXPECT_EQ(std::memcmp(pi->pDevMode, dm.data(), dm.size()), 0);
    auto* end = buf.data() + needed;
    for (const void* p : {static_cast<const void*>(pi->pPrinterName), static_cast<const void*>(pi->pDriverName),
                          static_cast<const void*>(pi->pDevMode), static_cast<const void*>(pi->pDatatype),
                          static_cast<const void*>(pi->pParameters)})
        EXPECT_TRUE(p >= buf.data() + sizeof(PRINTER_INFO_2W) && p < end);
    EXPECT_EQ(buf[needed], 0xEE);  // nothing written past the size reported
}

TEST_F(SpoolerTest, OtherPrinterLevelsAndBadLevels) {
    HANDLE h = openUse();
    ASSERT_NE(h, nullptr);
    auto one = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(h, 1, b, n, need); });
    ASSERT_FALSE(one.empty());
    auto* p1 = reinterpret_cast<PRINTER_INFO_1W*>(one.data());
    EXPECT_EQ(text(p1->pDescription), std::u16string(kPrinter) + u"," + kDriver + u",");
    auto four = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(h, 4, b, n, need); });
    ASSERT_FALSE(four.empty());
    EXPECT_EQ(text(reinterpret_cast<PRINTER_INFO_4W*>(four.data())->pPrinterName), kPrinter);
    auto five = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(h, 5, b, n, need); });
    ASSERT_FALSE(five.empty());
    EXPECT_EQ(text(reinterpret_cast<PRINTER_INFO_5W*>(five.data())->pPortName), u"LPT1:");

    DWORD needed = 0;
    EXPECT_FAILS_WITH(GetPrinterW(h, 3, nullptr, 0, &needed), FALSE, ERROR_INVALID_LEVEL);
    EXPECT_FAILS_WITH(GetPrinterW(h, 2, nullptr, 0, nullptr), FALSE, RPC_X_NULL_REF_POINTER);
    EXPECT_FAILS_WITH(GetPrinterW(h, 2, nullptr, 100, &needed), FALSE, ERROR_INVALID_USER_BUFFER);
    EXPECT_FAILS_WITH(GetPrinterW(nullptr, 2, nullptr, 0, &needed), FALSE, ERROR_INVALID_HANDLE);
}

TEST_F(SpoolerTest, ConnectionsCarryTheirServerName) {
    winsim::PrinterRecord p;
    p.name = u"Remote";
    p.server = u"\\\\SRV";
    p.driver = kDriver;
    ASSERT_EQ(winsim::addPrinter(p), ERROR_SUCCESS);
    HANDLE h = open(u"\\\\srv\\REMOTE", PRINTER_ACCESS_USE);
    ASSERT_NE(h, nullptr);
    auto buf = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(h, 2, b, n, need); });
    ASSERT_FALSE(buf.empty());
    auto* pi = reinterpret_cast<PRINTER_INFO_2W*>(buf.data());
    EXPECT_EQ(text(pi->pServerName), u"\\\\SRV");
    EXPECT_EQ(text(pi->pPrinterName), u"\\\\SRV\\Remote");
    EXPECT_EQ(pi->Attributes & (PRINTER_ATTRIBUTE_NETWORK | PRINTER_ATTRIBUTE_LOCAL), DWORD(PRINTER_ATTRIBUTE_NETWORK));
    EXPECT_EQ(open(u"Remote", PRINTER_ACCESS_USE), nullptr);  // only by its full name
}

TEST_F(SpoolerTest, SetPrinterChangesTheDefaultDevmodeAndRenames) {
    HANDLE use = openUse();
    HANDLE admin = openAdmin();
    ASSERT_TRUE(use && admin);
    auto buf = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(admin, 2, b, n, need); });
    ASSERT_FALSE(buf.empty());
    PRINTER_INFO_2W info;
    std::memcpy(&info, buf.data(), sizeof info);
    std::vector<uint8_t> dm = devmode(220, 8, 0x11);
    info.pDevMode = reinterpret_cast<DEVMODEW*>(dm.data());
    EXPECT_FAILS_WITH(SetPrinterW(use, 2, reinterpret_cast<BYTE*>(&info), 0), FALSE, ERROR_ACCESS_DENIED);
    ASSERT_TRUE(SetPrinterW(admin, 2, reinterpret_cast<BYTE*>(&info), 0));
    EXPECT_EQ(winsim::findPrinter(kPrinter)->devmode, dm);

    // A rename keeps the open handles working; a taken name is refused.
    winsim::PrinterRecord other;
    other.name = u"Other";
    other.driver = kDriver;
    ASSERT_EQ(winsim::addPrinter(other), ERROR_SUCCESS);
    info.pDevMode = nullptr;
    info.pPrinterName = const_cast<LPWSTR>(u"other");
    EXPECT_FAILS_WITH(SetPrinterW(admin, 2, reinterpret_cast<BYTE*>(&info), 0), FALSE, ERROR_PRINTER_ALREADY_EXISTS);
    info.pPrinterName = const_cast<LPWSTR>(u"Office Renamed");
    info.pDriverName = const_cast<LPWSTR>(u"No Such Driver");
    EXPECT_FAILS_WITH(SetPrinterW(admin, 2, reinterpret_cast<BYTE*>(&info), 0), FALSE, ERROR_UNKNOWN_PRINTER_DRIVER);
    EXPECT_TRUE(winsim::findPrinter(kPrinter));
    info.pDriverName = nullptr;
    ASSERT_TRUE(SetPrinterW(admin, 2, reinterpret_cast<BYTE*>(&info), 0));
    EXPECT_FALSE(winsim::findPrinter(kPrinter));
    auto after = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(use, 2, b, n, need); });
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(text(reinterpret_cast<PRINTER_INFO_2W*>(after.data())->pPrinterName), u"Office Renamed");
    EXPECT_EQ(reinterpret_cast<PRINTER_INFO_2W*>(after.data())->pDevMode != nullptr, true);  // kept
}

TEST_F(SpoolerTest, SetPrinterLevel7PublishesAndIsJournaled) {
    HANDLE admin = openAdmin();
    ASSERT_NE(admin, nullptr);
    winsim::journalEnable(true);
    PRINTER_INFO_7W seven{nullptr, DSPRINT_PUBLISH};
    ASSERT_TRUE(SetPrinterW(admin, 7, reinterpret_cast<BYTE*>(&seven), 0));
    EXPECT_TRUE(winsim::findPrinter(kPrinter)->attributes & PRINTER_ATTRIBUTE_PUBLISHED);
    seven.dwAction = DSPRINT_UPDATE;
    ASSERT_TRUE(SetPrinterW(admin, 7, reinterpret_cast<BYTE*>(&seven), 0));
    seven.dwAction = DSPRINT_UNPUBLISH;
    ASSERT_TRUE(SetPrinterW(admin, 7, reinterpret_cast<BYTE*>(&seven), 0));
    EXPECT_FALSE(winsim::findPrinter(kPrinter)->attributes & PRINTER_ATTRIBUTE_PUBLISHED);
    seven.dwAction = 0x40;
    EXPECT_FAILS_WITH(SetPrinterW(admin, 7, reinterpret_cast<BYTE*>(&seven), 0), FALSE, ERROR_INVALID_PARAMETER);
    size_t updates = 0;
    for (const auto& e : winsim::journal()) updates += e.function == "SetPrinterW" && e.detail == "level 7 action 2";
    EXPECT_EQ(updates, 1u);
}

TEST_F(SpoolerTest, DriverInformationLevels) {
    HANDLE h = openUse();
    ASSERT_NE(h, nullptr);
    auto three = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterDriverW(h, nullptr, 3, b, n, need); });
    ASSERT_FALSE(three.empty());
    auto* d3 = reinterpret_cast<DRIVER_INFO_3W*>(three.data());
    winsim::DriverRecord want = testDriver();
    EXPECT_EQ(d3->cVersion, 3u);
    EXPECT_EQ(text(d3->pName), kDriver);
    EXPECT_EQ(text(d3->pEnvironment), u"Windows NT x86");
    EXPECT_EQ(text(d3->pDriverPath), want.driverPath);
    EXPECT_EQ(text(d3->pDataFile), want.dataFile);
    EXPECT_EQ(text(d3->pConfigFile), want.configFile);
    EXPECT_EQ(text(d3->pHelpFile), want.helpFile);
    // Dependent files: NUL-separated, ended by a second NUL.
    std::u16string deps;
    for (const WCHAR* p = d3->pDependentFiles; *p; p += std::u16string(p).size() + 1) deps += std::u16string(p) + u"|";
    EXPECT_EQ(deps, want.dependentFiles[0] + u"|" + want.dependentFiles[1] + u"|");

    auto two = twoCalls([&](BYTE* b, DWORD n, DWORD* need) {
        return GetPrinterDriverW(h, const_cast<LPWSTR>(u"windows nt x86"), 2, b, n, need);
    });
    ASSERT_FALSE(two.empty());
    EXPECT_EQ(two.size() < three.size(), true);
    EXPECT_EQ(text(reinterpret_cast<DRIVER_INFO_2W*>(two.data())->pDataFile), want.dataFile);

    DWORD needed = 0;
    EXPECT_FAILS_WITH(GetPrinterDriverW(h, const_cast<LPWSTR>(u"Windows x64"), 2, nullptr, 0, &needed),
                      FALSE, ERROR_UNKNOWN_PRINTER_DRIVER);
    EXPECT_FAILS_WITH(GetPrinterDriverW(h, const_cast<LPWSTR>(u"Plan 9"), 2, nullptr, 0, &needed),
                      FALSE, ERROR_INVALID_ENVIRONMENT);
    EXPECT_FAILS_WITH(GetPrinterDriverW(h, nullptr, 5, nullptr, 0, &needed), FALSE, ERROR_INVALID_LEVEL);

    // Changing a printer's driver.
    winsim::PrinterRecord p;
    p.name = u"Orphan";
    p.driver = kDriver;
    ASSERT_EQ(winsim::addPrinter(p), ERROR_SUCCESS);
    winsim::DriverRecord renamed = testDriver();
    HANDLE orphan = open(u"Orphan", PRINTER_ACCESS_ADMINISTER);
    ASSERT_NE(orphan, nullptr);
    auto buf = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterW(orphan, 2, b, n, need); });
    PRINTER_INFO_2W info;
    std::memcpy(&info, buf.data(), sizeof info);
    renamed.name = u"Second Driver";
    ASSERT_EQ(winsim::addDriver(renamed), ERROR_SUCCESS);
    info.pDriverName = renamed.name.data();
    ASSERT_TRUE(SetPrinterW(orphan, 2, reinterpret_cast<BYTE*>(&info), 0));
    auto moved = twoCalls([&](BYTE* b, DWORD n, DWORD* need) { return GetPrinterDriverW(orphan, nullptr, 1, b, n, need); });
    ASSERT_FALSE(moved.empty());
    EXPECT_EQ(text(reinterpret_cast<DRIVER_INFO_1W*>(moved.data())->pName), u"Second Driver");
}

TEST_F(SpoolerTest, DriverDirectoryOfTheEnvironment) {
    auto buf = twoCalls([&](BYTE* b, DWORD n, DWORD* need) {
        return GetPrinterDriverDirectoryW(nullptr, nullptr, 1, b, n, need);
    });
    ASSERT_FALSE(buf.empty());
    EXPECT_EQ(std::u16string(reinterpret_cast<const WCHAR*>(buf.data())),
              u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86");
    EXPECT_EQ(buf.size(), (std::u16string(u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86").size() + 1) * 2);
    DWORD needed = 0;
    EXPECT_FAILS_WITH(GetPrinterDriverDirectoryW(const_cast<LPWSTR>(u"\\\\ELSEWHERE"), nullptr, 1, nullptr, 0, &needed),
                      FALSE, RPC_S_SERVER_UNAVAILABLE);
    EXPECT_FAILS_WITH(GetPrinterDriverDirectoryW(nullptr, nullptr, 2, nullptr, 0, &needed), FALSE, ERROR_INVALID_LEVEL);
}

TEST_F(SpoolerTest, RemovedPrinterFailsOnItsOpenHandles) {
    HANDLE h = openUse();
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(winsim::removePrinter(u"office colour"), ERROR_SUCCESS);
    DWORD needed = 0;
    EXPECT_FAILS_WITH(GetPrinterW(h, 2, nullptr, 0, &needed), FALSE, ERROR_INVALID_PRINTER_NAME);
    EXPECT_EQ(winsim::removePrinter(kPrinter), static_cast<DWORD>(ERROR_INVALID_PRINTER_NAME));
}

TEST_F(SpoolerTest, InjectedFailuresReachTheCaller) {
    HANDLE h = openUse();
    ASSERT_NE(h, nullptr);
    winsim::failCall("GetPrinterW", 2, ERROR_NOT_ENOUGH_MEMORY);
    DWORD needed = 0;
    EXPECT_FAILS_WITH(GetPrinterW(h, 2, nullptr, 0, &needed), FALSE, ERROR_INSUFFICIENT_BUFFER);
    std::vector<BYTE> buf(needed);
    EXPECT_FAILS_WITH(GetPrinterW(h, 2, buf.data(), needed, &needed), FALSE, ERROR_NOT_ENOUGH_MEMORY);
    winsim::failCall("OpenPrinterW", 1, ERROR_ACCESS_DENIED);
    EXPECT_FAILS_WITH(openUse(), nullptr, ERROR_ACCESS_DENIED);
}

TEST_F(SpoolerTest, DeviceCapabilitiesAreTheDriversToAnswer) {
    EXPECT_FAILS_WITH(DeviceCapabilitiesW(kPrinter, nullptr, DC_FIELDS, nullptr, nullptr), -1, ERROR_NOT_SUPPORTED);
    EXPECT_FAILS_WITH(DeviceCapabilitiesW(u"Nobody", nullptr, DC_FIELDS, nullptr, nullptr),
                      -1, ERROR_INVALID_PRINTER_NAME);
}

#if UINTPTR_MAX == 0xFFFFFFFFu
TEST(SpoolerRecords, SizesOn32BitAreThoseOfWindows) {
    EXPECT_EQ(sizeof(PRINTER_DEFAULTSW), 12u);
    EXPECT_EQ(sizeof(PRINTER_INFO_1W), 16u);
    EXPECT_EQ(sizeof(PRINTER_INFO_2W), 84u);
    EXPECT_EQ(sizeof(DRIVER_INFO_2W), 24u);
    EXPECT_EQ(sizeof(DRIVER_INFO_3W), 40u);
    EXPECT_EQ(sizeof(FORM_INFO_1W), 32u);
    EXPECT_EQ(sizeof(FORM_INFO_2W), 56u);
    EXPECT_EQ(sizeof(DOC_INFO_1W), 12u);
    EXPECT_EQ(sizeof(JOB_INFO_1W), 64u);
    EXPECT_EQ(sizeof(JOB_INFO_2W), 104u);
}
#endif
