// `vesk ui dialog` on a fresh machine: a page of the printer's string
// library driven by a script and dumped.
#include <gtest/gtest.h>

#include <fstream>

#include <winsim/winsim.h>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace {

using vesktest::vesk;

TEST(VeskUi, APageRunsItsScriptAndListsEveryControlWithItsState) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    auto r = vesk(m.root(), {"ui", "dialog", "P1", "1002", "--do", "check 2069; select 2017 #2", "--dump"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  dialog 1002 #32770 \"VPD_IDD_BASIC\" dialog\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    2069 Button \"2069\" check on\n"), std::string::npos);
    EXPECT_NE(r.out.find("    2017 ComboBox \"2017 #2\" combo 4 items sel 2 \"2017 #2\" owner-draw focus\n"),
              std::string::npos);
    EXPECT_NE(r.out.find("    2035 Static \"2035\" text\n"), std::string::npos);  // the page's last control
    EXPECT_NE(r.out.find("dialog 1002 ended with cancel"), std::string::npos);
    // A dialog on its own, ended by the script; a step that cannot be done
    // fails the run.
    r = vesk(m.root(), {"ui", "dialog", "P1", "4006", "--do", "expect dialog 4006; ok"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("ended with ok"), std::string::npos);
    r = vesk(m.root(), {"ui", "dialog", "P1", "1002", "--do", "click 9999"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("click 9999: dialog 0 has no control 9999"), std::string::npos) << r.out;
    r = vesk(m.root(), {"ui", "dialog", "P1", "1002", "--do", "frobnicate 3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("unknown statement 'frobnicate'"), std::string::npos) << r.out;
    EXPECT_EQ(vesk(m.root(), {"ui", "dialog", "P1", "7777"}).status, 1);
}

TEST(VeskUi, AListViewOfAPageGetsPlaceholderRowsTheScriptCanPick) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    auto r = vesk(m.root(), {"ui", "dialog", "P1", "1035", "--do", "select 2490 #2; dump; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("2490 SysListView32 \"\" listview 4 items sel 2 \"2490 #2\" owner-draw focus\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("| row 2 sel focus \"2490 #2\"\n"), std::string::npos) << r.out;
}

TEST(VeskUi, APictureOfTheDialogIsWrittenBeforeItEnds) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    const std::string file = (m.root() / "page.png").string();
    auto r = vesk(m.root(), {"ui", "dialog", "P1", "1002", "--do", "check 2069; ok", "--png", file});
#ifdef VESK_HAVE_PNG
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("ended with ok"), std::string::npos) << r.out;
    std::ifstream png(file, std::ios::binary);
    char head[24] = {};
    png.read(head, 24);
    EXPECT_EQ(std::string(head + 1, 3), "PNG");
    // The header's width and height (big-endian) are the frame's, not empty.
    const auto be32 = [&](int at) {
        return uint32_t(uint8_t(head[at])) << 24 | uint32_t(uint8_t(head[at + 1])) << 16 |
               uint32_t(uint8_t(head[at + 2])) << 8 | uint8_t(head[at + 3]);
    };
    EXPECT_GT(be32(16), 100u);
    EXPECT_GT(be32(20), 100u);
    r = vesk(m.root(), {"ui", "dialog", "P1", "1002", "--png", (m.root() / "no/such/dir/x.png").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("cannot create"), std::string::npos) << r.out;
#else
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("libpng"), std::string::npos) << r.out;
#endif
}

}  // namespace

#endif
