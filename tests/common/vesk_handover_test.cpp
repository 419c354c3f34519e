// The vesk command's hand-over instructions, scenario export and removal,
// and the directories printer show reports.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <filesystem>

#include "platform/run_vesk.h"

#if defined(VESK_BIN) && defined(VESK_SOURCE_DIR)

namespace {

using vesktest::has;

class VeskHandover : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string model = std::string(VESK_SOURCE_DIR) + "/samples/model/VESKMFP1.VMD";
        auto add = run({"printer", "add", "P", "--model", model});
        ASSERT_EQ(add.status, 0) << add.out;
    }
    vesktest::Outcome run(const std::vector<std::string>& args) { return vesktest::vesk(machine_.root(), args); }
    bool exists(const std::string& rel) { return std::filesystem::exists(machine_.root() / rel); }
    winsim::TempMachine machine_;
};

}  // namespace

TEST_F(VeskHandover, InstructionsAreWrittenShownAndABadKeyChangesNothing) {
    auto h = run({"printer", "handover", "P", "SetUserCode=12345678", "SetOwnerID=OWNER1"});
    ASSERT_EQ(h.status, 0) << h.out;
    EXPECT_TRUE(has(h, "  SetUserCode=12345678\n  SetOwnerID=OWNER1\nwork to do: yes\n")) << h.out;
    auto bad = run({"printer", "handover", "P", "SetUserCode=1", "Colour=1"});
    EXPECT_NE(bad.status, 0);
    auto show = run({"printer", "handover", "P"});
    EXPECT_TRUE(has(show, "SetUserCode=12345678\n")) << show.out;
    EXPECT_NE(run({"printer", "handover", "Q", "SetUserCode=1"}).status, 0);
}

TEST_F(VeskHandover, AScenarioIsWrittenListedAndRemoved) {
    auto s = run({"printer", "scenario", "P", "C:\\out\\a.rst"});
    ASSERT_EQ(s.status, 0) << s.out;
    EXPECT_TRUE(has(s, "  C:\\out\\a.rst\n  C:\\out\\a.lst\n  C:\\_vesk\\vesk\\")) << s.out;
    EXPECT_TRUE(exists("C/out/a.lst"));
    EXPECT_TRUE(exists("C/_vesk/vesk"));
    auto r = run({"printer", "scenario", "P", "C:\\out\\a.rst", "--remove"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_FALSE(exists("C/out/a.rst"));
    EXPECT_FALSE(exists("C/out/a.lst"));
    EXPECT_TRUE(std::filesystem::is_empty(machine_.root() / "C" / "_vesk" / "vesk"));
    EXPECT_NE(run({"printer", "scenario", "P", "C:\\out\\a.rst", "--remove"}).status, 0);
}

TEST_F(VeskHandover, ShowReportsThePrivateAndSpoolDirectories) {
    auto show = run({"printer", "show", "P"});
    ASSERT_EQ(show.status, 0) << show.out;
    EXPECT_TRUE(has(show, "private dir: C:\\_vesk\n")) << show.out;
    EXPECT_TRUE(has(show, "spool dir:   (the spooler's)\n")) << show.out;
}

#endif
