// `vesk ui dialog` on a fresh machine: a page or dialog of the driver run
// under its own page procedure, driven by a script and dumped.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <winsim/winsim.h>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace {

using vesktest::vesk;

// The address list the address book writes, wherever the machine keeps the
// driver's private directory; empty when there is none.
std::string addressFile(const std::filesystem::path& root) {
    for (const auto& e : std::filesystem::recursive_directory_iterator(root))
        if (e.is_regular_file() && e.path().filename() == "KWHREMPR.CSV") {
            std::ifstream f(e.path(), std::ios::binary);
            std::ostringstream o;
            o << f.rdbuf();
            return o.str();
        }
    return "";
}

TEST(VeskUi, APageRunsItsScriptAndListsEveryControlWithItsState) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    // A sheet page in a sheet of its own, its lists filled by the driver.
    auto r = vesk(m.root(), {"ui", "dialog", "P1", "1002", "--do", "check 2069; select 2017 #2", "--dump"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("sheet #32770 \"P1\" pages [1002]\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  dialog 1002 #32770 \"VPD_IDD_BASIC\" dialog\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    2069 Button \"2069\" check on\n"), std::string::npos);
    EXPECT_NE(r.out.find("    2017 ComboBox \"A5\" combo 10 items sel 2 \"A5\" owner-draw focus\n"),
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

// The address book adds an entry through its list view and the file holds
// it; a second run deletes it after the question.
TEST(VeskUi, TheAddressBookAddsAndDeletesAnEntryOfTheAddressFile) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    auto r = vesk(m.root(), {"ui", "dialog", "P1", "1035", "--do",
                             "type 2494 \"Office\"; type 2489 \"0123-456\"; click 2499; dump; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  2490 SysListView32 \"\" listview 1 items sel 0 \"Office\" owner-draw\n"
                         "    | column 0 \"Name\" 39\n"
                         "    | column 1 \"Number\" 39\n"
                         "    | column 2 \"Line\" 39\n"
                         "    | row 0 sel focus \"Office\" \"0123-456\" \"\"\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("dialog 1035 ended with ok"), std::string::npos) << r.out;
    EXPECT_EQ(addressFile(m.root()), "Office,,,,,0123-456,,,,,,,\r\n");
    // Rows count from 0: the one entry is row 0.
    r = vesk(m.root(), {"ui", "dialog", "P1", "1035", "--do", "select 2490 #0; click 2501; answer IDOK; dump; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("message box \"P1\": Delete the selected entry? -> IDOK"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  2490 SysListView32 \"\" listview 0 items owner-draw\n"), std::string::npos) << r.out;
    EXPECT_EQ(addressFile(m.root()), "");
    // A name with a comma is refused and the file stays as it was.
    r = vesk(m.root(), {"ui", "dialog", "P1", "1035", "--do",
                        "type 2494 \"A,B\"; type 2489 \"1\"; click 2499; dump; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  2494 Edit \"A,B\" edit focus\n"), std::string::npos) << r.out;
    EXPECT_EQ(addressFile(m.root()), "");
    // A chosen line goes into the entry's line field by its name.
    r = vesk(m.root(), {"ui", "dialog", "P1", "1035", "--do",
                        "type 2494 \"Office\"; type 2489 \"0123-456\"; select 2491 \"G4\"; click 2499; dump; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  2491 ComboBox \"G4\" combo 5 items sel 4 \"G4\" owner-draw\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("    | row 0 sel focus \"Office\" \"0123-456\" \"G4\"\n"), std::string::npos) << r.out;
    EXPECT_EQ(addressFile(m.root()), "Office,,,,,0123-456,,,,G4,,,\r\n");
    // The remote dialog takes the entry's line by its name as well.
    r = vesk(m.root(), {"ui", "dialog", "P1", "1034", "--do", "click 2482; dump; cancel"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  2485 ComboBox \"G4\" combo 5 items sel 4 \"G4\""), std::string::npos) << r.out;
}

// The remote dialog starts with a typed number; OK needs a destination:
// book mode with an empty book keeps it open.
TEST(VeskUi, TheRemoteDialogClosesOnlyWithADestination) {
    winsim::TempMachine m;
    ASSERT_EQ(vesk(m.root(), {"printer", "add", "P1"}).status, 0);
    auto r = vesk(m.root(), {"ui", "dialog", "P1", "1034", "--do", "dump; click 2482; ok; dump; cancel"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("  2483 Button \"2483\" radio on\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  2484 ComboBox \"\" combo 0 items owner-draw focus\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("dialog 1034 ended with cancel"), std::string::npos) << r.out;
    r = vesk(m.root(), {"ui", "dialog", "P1", "1034", "--do", "type 2486 \"555\"; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("dialog 1034 ended with ok"), std::string::npos) << r.out;
    // A page of the printer sheet runs as well.
    r = vesk(m.root(), {"ui", "dialog", "P1", "1009", "--do", "dump; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("sheet #32770 \"P1\" pages [1009]\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("dialog 1009 ended with ok"), std::string::npos) << r.out;
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
