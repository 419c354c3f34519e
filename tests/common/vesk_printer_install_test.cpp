// The vesk command's install events on a fresh machine: a new printer set up
// by `printer add`, an install run again, the terminal-server user's check
// and a rename carried over at the next opening.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <fstream>

#include "platform/run_vesk.h"

#if defined(VESK_BIN) && defined(VESK_SOURCE_DIR)

namespace {

using vesktest::has;

class VeskInstall : public ::testing::Test {
protected:
    void SetUp() override {
        auto add = run({"printer", "add", "P"});
        ASSERT_EQ(add.status, 0) << add.out;
    }
    vesktest::Outcome run(const std::vector<std::string>& args) { return vesktest::vesk(machine_.root(), args); }
    winsim::TempMachine machine_;
};

}  // namespace

TEST_F(VeskInstall, AnAddedPrinterIsInstalledAndShowsItsKeys) {
    auto show = run({"printer", "show", "P"});
    EXPECT_TRUE(has(show, "PrinterName = REG_SZ")) << show.out;
    EXPECT_TRUE(has(show, "BidiFlag = REG_BINARY, 4 bytes: 00 00 00 00")) << show.out;
    auto ini = run({"printer", "ini", "P"});
    EXPECT_TRUE(has(ini, "RstVersion=200")) << ini.out;
    auto freesizes = run({"printer", "freesizes", "P"});
    EXPECT_TRUE(has(freesizes, "User size 10")) << freesizes.out;

    // Again: the install keeps what it wrote.
    auto again = run({"printer", "install", "P", "--type", "1"});
    EXPECT_EQ(again.status, 0) << again.out;
    EXPECT_TRUE(has(again, "install type 1 of 'P': done")) << again.out;
    EXPECT_FALSE(has(again, "printer data PrinterName")) << again.out;
    EXPECT_NE(run({"printer", "install", "P", "--type", "3"}).status, 0);
    EXPECT_NE(run({"printer", "install", "Nobody"}).status, 0);
}

TEST_F(VeskInstall, ASecondUserOfATerminalServerGetsTheInstallStamp) {
    ASSERT_EQ(run({"machine", "set", "os.suite=0x10"}).status, 0);
    auto first = run({"printer", "install", "P", "--type", "0"});
    ASSERT_EQ(first.status, 0) << first.out;
    EXPECT_TRUE(has(first, "[P] DrvFirstInstTime")) << first.out;
    ASSERT_EQ(run({"machine", "set", "user.name=user2"}).status, 0);
    auto check = run({"printer", "check", "P"});
    EXPECT_TRUE(has(check, "install check of 'P' (mode 1)")) << check.out;
    EXPECT_TRUE(has(check, "user2")) << check.out;
    EXPECT_TRUE(has(check, "[P] DrvInstTime")) << check.out;
}

TEST_F(VeskInstall, ARenamedPrinterCarriesItsBidirectionalSectionOver) {
    std::ofstream(machine_.root() / "C" / "_vesk" / "KW00C171.ini", std::ios::app | std::ios::binary)
        << "[P]\r\nTray1=A4\r\n";
    auto rename = run({"printer", "rename", "P", "Q"});
    ASSERT_EQ(rename.status, 0) << rename.out;
    EXPECT_NE(run({"printer", "rename", "P", "Q"}).status, 0);
    EXPECT_NE(run({"printer", "rename", "Q", "bad,name"}).status, 0);
    auto next = run({"printer", "ini", "Q", "KW00C171"});
    EXPECT_TRUE(has(next, "'Q' was renamed")) << next.out;
    EXPECT_TRUE(has(next, "Tray1=A4")) << next.out;
    auto old = run({"printer", "ini", "Q", "KW00C171"});
    EXPECT_FALSE(has(old, "was renamed")) << old.out;
    auto shown = run({"printer", "show", "Q"});
    EXPECT_TRUE(has(shown, "PrinterName = REG_SZ, 4 bytes: \"Q\"")) << shown.out;
    EXPECT_FALSE(has(shown, "was renamed")) << shown.out;
}

#endif
