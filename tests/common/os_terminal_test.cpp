// The Windows version tests and the terminal-server decision: the query
// library of the driver set on 5.2 and later, the system's suite before.
#include <gtest/gtest.h>

#include <winsim/modules.h>

#include "common/services_support.h"
#include "core/os_version.h"
#include "core/process.h"
#include "core/terminal_server.h"

using namespace vesk;
using namespace vesk::test;

TEST(OsVersion, DecisionTable) {
    struct Row {
        uint32_t major, minor, platform;
        int before5, nt5, nt52, nt6, win9x;
    };
    const Row rows[] = {
        {4, 0, 2, 1, 0, 0, 0, 0}, {4, 10, 1, 1, 0, 0, 0, 1}, {5, 0, 2, 0, 1, 0, 0, 0},
        {5, 1, 2, 0, 1, 0, 0, 0}, {5, 2, 2, 0, 1, 1, 0, 0},  {6, 0, 2, 0, 1, 1, 1, 0},
        {6, 1, 2, 0, 1, 1, 1, 0}, {10, 0, 2, 0, 1, 1, 1, 0},
    };
    winsim::TempMachine m;
    for (const Row& r : rows) {
        winsim::config().osMajor = r.major;
        winsim::config().osMinor = r.minor;
        winsim::config().osPlatform = r.platform;
        SCOPED_TRACE(std::to_string(r.major) + "." + std::to_string(r.minor));
        EXPECT_EQ(OsIsBeforeNt5(), r.before5);
        EXPECT_EQ(OsIsNt5OrLater(), r.nt5);
        EXPECT_EQ(OsIsNt52OrLater(), r.nt52);
        EXPECT_EQ(OsIsNt6OrLater(), r.nt6);
        EXPECT_EQ(OsIsWin9x(), r.win9x);
    }
    // A version that cannot be read answers no to every test.
    winsim::failCall("GetVersionExW", 1, ERROR_INVALID_PARAMETER, SIZE_MAX);
    EXPECT_EQ(OsIsBeforeNt5() + OsIsNt5OrLater() + OsIsNt52OrLater() + OsIsNt6OrLater() + OsIsWin9x(), 0);
    winsim::clearFaults();
}

namespace {

class TerminalServer : public PrinterMachine {};

}  // namespace

TEST_F(TerminalServer, DecisionTable) {
    struct Row {
        uint32_t major, minor, suite;
        bool library;
        const char* answer;  // the library's configured answer, null: none set
        bool handle;
        int expected;
    };
    const Row rows[] = {
        // 5.2 and later with a handle: the library alone decides.
        {5, 2, 0, true, "1", true, 1},
        {5, 2, VER_SUITE_TERMINAL, true, "0", true, 0},
        {6, 1, 0, true, "2", true, 0},         // only 1 means yes
        {6, 1, 0, true, "-1", true, 0},
        {5, 2, VER_SUITE_TERMINAL, true, nullptr, true, 1},  // unset: the machine's suite
        {5, 2, VER_SUITE_TERMINAL, false, "1", true, 0},     // no library: not a terminal server
        // Older systems, or no handle: the suite test.
        {5, 1, VER_SUITE_TERMINAL, true, "0", true, 1},
        {5, 0, 0, true, "1", true, 0},
        {5, 2, VER_SUITE_TERMINAL, true, "0", false, 1},
        {6, 0, 0, true, "1", false, 0},
    };
    installQueryLibrary();
    for (const Row& r : rows) {
        SCOPED_TRACE(std::to_string(r.major) + "." + std::to_string(r.minor) + " suite " + std::to_string(r.suite) +
                     " library " + std::to_string(r.library) + " answer " + (r.answer ? r.answer : "-") +
                     " handle " + std::to_string(r.handle));
        auto& cfg = winsim::config();
        cfg.osMajor = r.major;
        cfg.osMinor = r.minor;
        cfg.osSuite = r.suite;
        // An empty setting leaves the answer to the machine's suite.
        setAnswer(r.answer ? r.answer : "");
        winsim::setModuleMissing(u"KW00C150.dll", !r.library);
        EXPECT_EQ(TsQueryEnabled(r.handle ? printer_ : nullptr), r.expected);
    }
    winsim::setModuleMissing(u"KW00C150.dll", false);
    // The library is loaded for the question and freed after it.
    for (const auto& m : winsim::loadedModules()) EXPECT_EQ(m.path.find(u"KW00C150"), std::u16string::npos);
}

TEST_F(TerminalServer, MissingEntryCountsAsNo) {
    installQueryLibrary();
    setAnswer("1");
    EXPECT_EQ(TsQueryEnabled(printer_), 1);
    winsim::hideExport(u"KW00C150.dll", "_IsTSE_WMICOM_VESK_Printer_Driver");
    EXPECT_EQ(TsQueryEnabled(printer_), 0);
    winsim::showExport(u"KW00C150.dll", "_IsTSE_WMICOM_VESK_Printer_Driver");
}

TEST_F(TerminalServer, FirstAnswerIsKeptForTheProcess) {
    installQueryLibrary();
    setAnswer("1");
    winsim::journalEnable(true);
    EXPECT_EQ(TsIsEnabled(printer_), 1);
    setAnswer("0");
    // Another printer, or none, gets the kept answer without a new query.
    EXPECT_EQ(TsIsEnabled(nullptr), 1);
    EXPECT_EQ(TsIsEnabled(reinterpret_cast<HANDLE>(0x77)), 1);
    size_t loads = 0;
    for (const auto& e : winsim::journal())
        loads += e.function == "LoadLibraryW" && e.detail.find("KW00C150") != std::string::npos;
    EXPECT_EQ(loads, 1u);
    winsim::journalEnable(false);
    // A library detached and loaded again asks again.
    processDetach();
    EXPECT_EQ(TsIsEnabled(printer_), 0);
}
