// `vesk machine init|show` run as a separate process; the tests' builder API
// opens what it makes.
#include <gtest/gtest.h>

#include <random>

#include <winsim/winsim.h>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace fs = std::filesystem;

namespace {
struct TempDir {
    fs::path path = fs::temp_directory_path() / ("vesk-cli-" + std::to_string(std::random_device{}()));
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};
}  // namespace

TEST(VeskMachine, InitMakesAMachineTheBuilderOpens) {
    TempDir dir;
    auto init = vesktest::vesk(dir.path, {"machine", "init"});
    ASSERT_EQ(init.status, 0) << init.out;
    ASSERT_TRUE(winsim::useMachine(dir.path));
    EXPECT_EQ(winsim::config().osMajor, 5u);
    EXPECT_EQ(winsim::config().ansiCodePage, 1252u);
    EXPECT_TRUE(winsim::hostPath(winsim::config().driverDir()).has_value());
    EXPECT_TRUE(fs::is_directory(*winsim::hostPath(winsim::config().driverDir())));

    auto show = vesktest::vesk(dir.path, {"machine", "show"});
    ASSERT_EQ(show.status, 0) << show.out;
    EXPECT_NE(show.out.find("Windows NT 5.1"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("ANSI 1252"), std::string::npos) << show.out;
}

TEST(VeskMachine, ErrorsAreMessagesWithAFailingExit) {
    TempDir dir;
    ASSERT_EQ(vesktest::vesk(dir.path, {"machine", "init"}).status, 0);
    auto again = vesktest::vesk(dir.path, {"machine", "init"});  // folder in use
    EXPECT_NE(again.status, 0);
    EXPECT_NE(again.out.find("vesk: "), std::string::npos) << again.out;
    auto missing = vesktest::vesk(dir.path / "nothing", {"machine", "show"});
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.out.find("no machine"), std::string::npos) << missing.out;
    auto unknown = vesktest::vesk(dir.path, {"machine", "frobnicate"});
    EXPECT_NE(unknown.status, 0);
}

#endif
