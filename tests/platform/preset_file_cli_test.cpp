// The preset maintenance dialog on a fresh machine made by `vesk machine
// init`: a preset file the machine holds is added through the preset page's
// maintenance button and the file dialog, and deleted again after the
// model's question.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "run_vesk.h"

#ifdef VESK_BIN

namespace {

namespace fs = std::filesystem;
using vesktest::vesk;

struct FreshMachine {
    fs::path root = fs::temp_directory_path() / ("vesk-presets-" + std::to_string(std::random_device{}()));
    bool ok = vesk(root, {"machine", "init"}).status == 0 && vesk(root, {"printer", "add", "P1"}).status == 0;
    ~FreshMachine() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    std::string ini() const {
        std::ifstream in(root / "C" / "_vesk" / "KW12D170.ini", std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

constexpr const char* kAddOffice =
    "page 1001; click 2002; expect dialog 1007; click 2142; expect dialog 4001; folder \"C:\\\\presets\"; "
    "file \"office.rst\"; ok; dump; ok; ok";

TEST(VeskUiPresets, APresetFileOfTheMachineIsAddedThroughTheMaintenanceDialog) {
    FreshMachine m;
    ASSERT_TRUE(m.ok);
    // The sample machine brings the user's files.
    EXPECT_TRUE(fs::is_regular_file(m.root / "C" / "presets" / "office.rst"));
    EXPECT_TRUE(fs::is_regular_file(m.root / "C" / "stamps" / "logo.bmp"));
    EXPECT_TRUE(fs::is_regular_file(m.root / "C" / "stamps" / "letterhead.rpo"));
    auto r = vesk(m.root, {"ui", "document-properties", "P1", "--do", kAddOffice});
    ASSERT_EQ(r.status, 0) << r.out;
    // The dialog shows the new fourth preset chosen, with the file's name.
    EXPECT_NE(r.out.find("  2139 ListBox \"\" list 4 items sel 3 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  2145 Edit \"Office\" edit\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  2146 Edit \"Landscape, two-sided\" edit\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("document properties ended with IDOK"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("message box"), std::string::npos) << r.out;
    r = vesk(m.root, {"printer", "presets", "P1", "list"});
    EXPECT_NE(r.out.find("presets (4)\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  3\tC:\\presets\\office.rst\tOffice\tLandscape, two-sided\t"), std::string::npos) << r.out;
    const std::string ini = m.ini();
    EXPECT_NE(ini.find("PresetList3=C:\\presets\\office.rst"), std::string::npos) << ini;
    EXPECT_NE(ini.find("PresetList3Name=Office"), std::string::npos) << ini;

    // Deleting asks; Cancel keeps the preset, OK removes it from the list and
    // leaves its file on the machine.
    r = vesk(m.root, {"ui", "document-properties", "P1", "--do",
                      "page 1001; click 2002; expect dialog 1007; select 2139 #3; click 2140; answer IDCANCEL; "
                      "click 2140; answer IDOK; dump; ok; ok"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("Delete the selected entry? -> IDCANCEL"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Delete the selected entry? -> IDOK"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("  2139 ListBox \"\" list 3 items sel 0 "), std::string::npos) << r.out;
    r = vesk(m.root, {"printer", "presets", "P1", "list"});
    EXPECT_NE(r.out.find("presets (3)\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("office.rst"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::is_regular_file(m.root / "C" / "presets" / "office.rst"));
}

}  // namespace

#endif
