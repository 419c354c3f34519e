// The install-state keys (batch-install flag, stamps, stamp states) and the
// install check's connection step.
#include <gtest/gtest.h>

#include "common/services_support.h"
#include "core/ini_wrap.h"
#include "core/install/install_check.h"
#include "core/install/install_ini.h"
#include "core/paths.h"
#include "core/persist/opt_persist.h"
#include "core/terminal_server.h"

namespace vesk::test {
namespace {

class InstallKeys : public PrinterMachine {
protected:
    explicit InstallKeys(const winsim::MachineConfig& cfg = osConfig(5, 1)) : PrinterMachine(cfg) {}
    void SetUp() override {
        TsForget();
        PrinterMachine::SetUp();
        WCHAR p[kWsPathChars] = {};
        ASSERT_TRUE(GetIniFilePathEx(p, 0));
        common_ = p;
        ASSERT_TRUE(GetIniFilePathEx(p, 1));
        user_ = p;
        ASSERT_EQ(EnsureParentDir(common_.c_str()), 1);
        startClock(0);
    }
    void TearDown() override {
        PrinterMachine::TearDown();
        TsForget();
    }
    std::u16string get(const std::u16string& ini, const char16_t* key, const std::u16string& section = {}) {
        WCHAR v[300] = {};
        IniGetString(section.empty() ? name_.c_str() : section.c_str(), key, u"(none)", v, 300, ini.c_str());
        return v;
    }
    void put(const std::u16string& ini, const char16_t* key, const char16_t* v) {
        ASSERT_EQ(EnsureParentDir(ini.c_str()), 1);
        ASSERT_TRUE(IniWriteString(name_.c_str(), key, v, ini.c_str()));
    }
    std::u16string common_, user_;
};

class InstallKeysTs : public InstallKeys {
protected:
    InstallKeysTs() : InstallKeys(osConfig(5, 1, VER_SUITE_TERMINAL)) {}
};

TEST_F(InstallKeys, IntegerKeysAndFlags) {
    const WCHAR* s = name_.c_str();
    EXPECT_EQ(IniGetFlag(s, u"F", common_.c_str()), 0);  // missing
    for (auto [text, flag] : {std::pair{u"0", 0}, {u"32767", 0}, {u"5", 1}, {u"-1", 1}}) {
        put(common_, u"F", text);
        EXPECT_EQ(IniGetFlag(s, u"F", common_.c_str()), flag) << winsim::toUtf8(text);
    }
    EXPECT_EQ(IniWriteIntKey(common_.c_str(), s, -42, u"N"), 1);
    EXPECT_EQ(get(common_, u"N"), u"-42");
    EXPECT_EQ(IniWriteIntKey(nullptr, s, 1, u"N"), 0);
}

TEST_F(InstallKeys, BatchInstallDoneInTheIniAndInPrinterData) {
    DrvContext* c = context();
    EXPECT_EQ(PrnBatchInstallDone(printer_), 0);
    EXPECT_EQ(SetBatchInstallDone(common_.c_str(), name_.c_str(), 1, 0, c), 1);
    EXPECT_EQ(get(common_, u"BatchInstallDone"), u"1");
    EXPECT_FALSE(winsim::printerData(name_, u"BatchInstallDone"));
    EXPECT_EQ(SetBatchInstallDone(common_.c_str(), name_.c_str(), 1, 1, c), 1);
    auto v = winsim::printerData(name_, u"BatchInstallDone");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(v->data, (std::vector<uint8_t>{1, 0, 0, 0}));
    EXPECT_EQ(PrnBatchInstallDone(printer_), 1);
    EXPECT_EQ(SetBatchInstallDone(common_.c_str(), name_.c_str(), 0, 1, c), 1);
    EXPECT_EQ(PrnBatchInstallDone(printer_), 0);
    // The printer-data copy needs a context.
    EXPECT_EQ(SetBatchInstallDone(common_.c_str(), name_.c_str(), 1, 1, nullptr), 0);
}

TEST_F(InstallKeys, NoStampsWithoutTerminalServices) {
    EXPECT_EQ(WriteInstallStamp(printer_, 1, 2), 1);
    EXPECT_EQ(get(common_, u"DrvInstTime"), u"(none)");
    EXPECT_EQ(get(common_, u"DrvInstVersion"), u"(none)");
}

TEST_F(InstallKeysTs, StampsByTarget) {
    ASSERT_EQ(EnsureParentDir(user_.c_str()), 1);
    EXPECT_EQ(WriteInstallStamp(printer_, 1, 2), 1);
    // The virtual clock starts at 2022-06-18 04:26:40 (no time-zone bias).
    EXPECT_EQ(get(common_, u"DrvInstTime"), u"20220618042640");
    EXPECT_EQ(get(common_, u"DrvFirstInstTime"), u"20220618042640");
    EXPECT_EQ(get(common_, u"DrvInstType"), u"1");
    EXPECT_EQ(get(common_, u"DrvInstVersion"), u"3.61");
    winsim::advanceClock(61000);
    EXPECT_EQ(WriteInstallStamp(printer_, 3, 0), 1);
    EXPECT_EQ(get(common_, u"DrvInstTime"), u"20220618042741");
    EXPECT_EQ(get(common_, u"DrvFirstInstTime"), u"20220618042640");
    EXPECT_EQ(get(common_, u"DrvInstType"), u"3");
    EXPECT_EQ(WriteInstallStamp(printer_, 1, 1), 1);
    EXPECT_EQ(get(user_, u"DrvInstTime"), u"20220618042741");
    EXPECT_EQ(get(user_, u"DrvFirstInstTime"), u"(none)");
}

TEST_F(InstallKeysTs, StampStates) {
    struct Row {
        const char16_t *user, *first, *common;
        bool adminChange;
        int state;
    };
    const Row rows[] = {
        {nullptr, u"20220618042640", u"20220618042640", false, kStampNeverSetUp},  // no per-user copy
        {u"", u"20220618042640", u"20220618042640", false, kStampNeverSetUp},
        {u"20220618042639", u"20220618042640", u"20220618042640", false, kStampNeverSetUp},  // a second older
        {u"20220618042640", u"20220618042640", u"", false, kStampUpToDate},
        {u"20220618042640", u"20220618042640", u"20220618042640", false, kStampUpToDate},
        {u"20220618042640", u"", u"20220618042641", false, kStampCommonNewer},
        {u"20220618042640", u"", u"20220618042641", true, kStampAdminChanged},
        // Only the first 14 characters count.
        {u"20220618042640x", u"20220618042640", u"20220618042640y", true, kStampUpToDate},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.user ? winsim::toUtf8(r.user) : "no copy");
        DeleteFileW(user_.c_str());
        if (r.user) put(user_, u"DrvInstTime", r.user);
        put(common_, u"DrvFirstInstTime", r.first);
        put(common_, u"DrvInstTime", r.common);
        const DWORD admin = r.adminChange;
        ASSERT_EQ(winsim::setPrinterData(name_, u"AdminChange", REG_BINARY,
                                         std::vector<uint8_t>{static_cast<uint8_t>(admin), 0, 0, 0}),
                  static_cast<DWORD>(ERROR_SUCCESS));
        int state = -1;
        ASSERT_EQ(GetInstallStampState(printer_, &state, nullptr), 1);
        EXPECT_EQ(state, r.state);
    }
    EXPECT_EQ(GetInstallStampState(printer_, nullptr, nullptr), 0);
}

TEST_F(InstallKeys, InstallTypeFromThePrintersSection) {
    DrvContext* c = context();
    const std::u16string ini = GetIniFilePath(c);
    uint32_t type = 9;
    ASSERT_EQ(PrinterInstallType(c, &type), 1);
    EXPECT_EQ(type, 0u);  // nothing recorded: a plain install
    put(ini, u"DrvInstType", u"5");
    ASSERT_EQ(PrinterInstallType(c, &type), 1);
    EXPECT_EQ(type, 5u);
    EXPECT_EQ(PrinterInstallType(c, nullptr), 0);
}

// A connection to a server's printer beside the local one.
class InstallCheckConnection : public InstallKeys {
protected:
    explicit InstallCheckConnection(const winsim::MachineConfig& cfg = osConfig(5, 1)) : InstallKeys(cfg) {}
    void SetUp() override {
        InstallKeys::SetUp();
        winsim::PrinterRecord p;
        p.name = conn_;
        p.server = u"\\\\server";
        p.driver = u"VESK Colour MFP";
        ASSERT_EQ(winsim::addPrinter(p), static_cast<DWORD>(ERROR_SUCCESS));
        PRINTER_DEFAULTSW pd{nullptr, nullptr, PRINTER_ALL_ACCESS};
        ASSERT_TRUE(OpenPrinterW(const_cast<LPWSTR>(conn_.c_str()), &connection_, &pd));
    }
    void TearDown() override {
        if (connection_) ClosePrinter(connection_);
        InstallKeys::TearDown();
    }
    std::u16string conn(const char16_t* key) { return get(common_, key, conn_); }
    void putConn(const char16_t* key, const char16_t* v) {
        ASSERT_TRUE(IniWriteString(conn_.c_str(), key, v, common_.c_str()));
    }
    std::u16string conn_ = u"\\\\server\\Office";
    HANDLE connection_ = nullptr;
};

class InstallCheckConnectionTs : public InstallCheckConnection {
protected:
    InstallCheckConnectionTs() : InstallCheckConnection(osConfig(5, 1, VER_SUITE_TERMINAL)) {}
};

TEST_F(InstallCheckConnection, AnInstalledCurrentConnectionNeedsNothing) {
    putConn(u"BatchInstallDone", u"1");
    putConn(u"DrvInstVersion", u"3.61");
    const std::string before = read(common_);
    EXPECT_EQ(InstallCheckDefault(connection_), 1);
    EXPECT_EQ(read(common_), before);
    // A local printer has no connection step.
    EXPECT_EQ(InstallCheckDefault(printer_), 1);
    EXPECT_EQ(read(common_), before);
}

TEST_F(InstallCheckConnection, AnOlderVersionStaysUntilItsFilesAreDeployed) {
    putConn(u"BatchInstallDone", u"1");
    putConn(u"DrvInstVersion", u"3.50");
    EXPECT_EQ(InstallCheckDefault(connection_), 1);
    // The deployment did not happen: the version is not claimed.
    EXPECT_EQ(conn(u"DrvInstVersion"), u"3.50");
    // Without the connection mode the step is not run at all.
    EXPECT_EQ(InstallCheck(connection_, 0, nullptr), 1);
}

TEST_F(InstallCheckConnection, AFirstInstallThatFailsFailsTheCheck) {
    EXPECT_EQ(InstallCheckDefault(connection_), 0);
    EXPECT_EQ(conn(u"DrvInstVersion"), u"(none)");
    EXPECT_FALSE(InstallRunning());
}

TEST_F(InstallCheckConnectionTs, UnderTerminalServicesTheFirstCheckMarksTheConnection) {
    // The connection step's marks; the user's own set-up follows it.
    InstallCheckDefault(connection_);
    EXPECT_EQ(conn(u"BatchInstallDone"), u"1");
    EXPECT_EQ(conn(u"DrvInstVersion"), u"3.61");
}

}  // namespace
}  // namespace vesk::test
