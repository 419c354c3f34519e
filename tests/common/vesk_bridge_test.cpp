// vesk machine bridge and vesk printer bridge end to end: a printer of a
// terminal server served as type 18 by a print server machine takes the
// server's device settings, DEVMODE and presets.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "platform/run_vesk.h"

using namespace vesktest;

namespace {

std::string slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void spit(const std::filesystem::path& p, const std::string& text) { std::ofstream(p, std::ios::binary) << text; }

}  // namespace

TEST(VeskBridge, AServedPrinterTakesTheServersSettingsAndPresets) {
    PrinterMachine server("vesk-bridge-srv-");
    ASSERT_TRUE(server.ok);
    ASSERT_EQ(server.run({"printer", "add", "Central"}).status, 0);
    ASSERT_EQ(server.run({"printer", "data", "Central", "RAM", "--set-binary", "0004"}).status, 0);
    ASSERT_EQ(server.run({"printer", "devmode", "Central", "copies=2"}).status, 0);
    ASSERT_EQ(server.run({"printer", "export", "Central", "C:\\_vesk\\user0000.rst", "--as", "preset"}).status, 0);
    const auto dir = server.path / "C" / "_vesk";
    spit(dir / "user0000.rst", std::regex_replace(slurp(dir / "user0000.rst"), std::regex("\\[VESK Colour MFP\\]"),
                                                  "[Central]"));
    spit(dir / "KW12D170.ini", "[Central]\r\nCount=1\r\nPresetList0=C:\\_vesk\\user0000.rst\r\n"
                               "PresetList0Name=Two copies\r\nPresetList0Comment=from the server\r\n");

    PrinterMachine local("vesk-bridge-ts-");
    ASSERT_TRUE(local.ok);
    ASSERT_EQ(local.run({"machine", "set", "os.major=5", "os.minor=2", "os.suite=16", "kw00c150.answer=1"}).status, 0);
    Outcome o = local.run({"printer", "bridge", "P"});
    EXPECT_TRUE(has(o, "state:            0")) << o.out;

    o = local.run({"machine", "bridge", "--server", server.path.string(), "P=18:Central"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(has(o, "QMBIDI_FLG = 1"));
    EXPECT_NE(local.run({"machine", "bridge", "--server", local.path.string()}).status, 0) << "not itself";
    EXPECT_NE(local.run({"machine", "bridge", "--server", server.path.string(), "P=x:Central"}).status, 0);

    o = local.run({"printer", "bridge", "P", "connect"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(has(o, "KorvanConnection: 1")) << o.out;
    EXPECT_TRUE(has(o, "KorvanFlg:        1"));
    EXPECT_TRUE(has(o, "user0000.rst"));
    EXPECT_TRUE(has(o, "  RAM\ttype 3, 2 bytes")) << "the server's device setting";
    EXPECT_TRUE(has(o, "DEVMODE:          taken from the server (1260 bytes)"));
    EXPECT_TRUE(has(local.run({"printer", "data", "P", "RAM"}), "00 04"));

    o = local.run({"printer", "bridge", "P", "devmode"});
    EXPECT_TRUE(has(o, "server DEVMODE:   1260 bytes")) << o.out;

    o = local.run({"printer", "bridge", "P", "import"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(has(o, "KorvanIni:        2"));
    EXPECT_TRUE(has(o, "0\tTwo copies\tC:\\_vesk\\user0000.rst")) << o.out;
    const std::string preset = slurp(local.path / "C" / "_vesk" / "user0000.rst");
    EXPECT_EQ(preset.rfind("[P]", 0), 0u) << "the preset under the printer's own name";
    const std::string ini = slurp(local.path / "C" / "Documents and Settings" / "user" / "_vesk" / "KW12D170.ini");
    EXPECT_NE(ini.find("PresetList0Comment=from the server"), std::string::npos) << ini;
    o = local.run({"printer", "presets", "P", "list"});
    ASSERT_EQ(o.status, 0) << o.out;
    EXPECT_TRUE(has(o, "Two copies") && has(o, "from the server")) << "the preset list shows the server's preset\n"
                                                                  << o.out;
    EXPECT_NE(local.run({"printer", "bridge", "P", "import"}).status, 0) << "imported once";
}
