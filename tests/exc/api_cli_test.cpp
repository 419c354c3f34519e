// vesk api PRINTER devmode on a fresh machine: the library loaded from the
// printer's driver directory, the DEVMODE of each mode decoded by field and
// taken by the driver's own check, failures reported as such.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/run_vesk.h"

namespace {

namespace fs = std::filesystem;

struct ApiMachine : vesktest::PrinterMachine {
    ApiMachine() : PrinterMachine("vesk-api-") {
        ok = ok && vesktest::vesk(path, {"printer", "add", "VESK MFP C41"}).status == 0;
    }
};

TEST(ApiCli, TheCurrentSettingsDecodedAndWritten) {
    ApiMachine m;
    ASSERT_TRUE(m.ok);
    const fs::path out = m.path / "dm.bin";
    const auto r = vesktest::vesk(m.path, {"api", "VESK MFP C41", "devmode", "--mode", "1", "--out", out.string()});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(vesktest::has(r, "VESKDrvCheckAPIVer: 3 (the API level in force)")) << r.out;
    EXPECT_TRUE(vesktest::has(r, "VESKDrvGetDevmode(mode 1, current settings, no buffer): 1260")) << r.out;
    EXPECT_TRUE(vesktest::has(r, "dmDriverExtra    1040")) << r.out;
    EXPECT_TRUE(vesktest::has(r, "private version  0x00030003  ok")) << r.out;
    EXPECT_TRUE(vesktest::has(r, "OS kind          2 (Windows 2000 or later)")) << r.out;
    EXPECT_TRUE(vesktest::has(r, "driver's check   accepted as the driver's own DEVMODE")) << r.out;
    EXPECT_TRUE(vesktest::has(r, "VESKDrvDisable: 1 (closed)")) << r.out;
    std::ifstream f(out, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 1260u);
    EXPECT_EQ(bytes.substr(349, 4), "priv");
}

TEST(ApiCli, EachModeAndTheFailures) {
    ApiMachine m;
    ASSERT_TRUE(m.ok);
    for (const char* mode : {"2", "4", "17", "18"}) {
        const auto r = vesktest::vesk(m.path, {"api", "VESK MFP C41", "devmode", "--mode", mode});
        EXPECT_EQ(r.status, 0) << mode << "\n" << r.out;
        EXPECT_TRUE(vesktest::has(r, "1260-byte buffer): 1260 (filled)")) << r.out;
    }
    auto r = vesktest::vesk(m.path, {"api", "VESK MFP C41", "devmode", "--mode", "3"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(vesktest::has(r, "no buffer): -1 (failed")) << r.out;
    EXPECT_TRUE(vesktest::has(r, "VESKDrvDisable: 1")) << "the handle is closed after a failure\n" << r.out;
    r = vesktest::vesk(m.path, {"api", "No printer", "devmode"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(vesktest::vesk(m.path, {"api", "VESK MFP C41", "devmode", "--mode", "x"}).status, 2);
    EXPECT_EQ(vesktest::vesk(m.path, {"api", "VESK MFP C41", "frobnicate"}).status, 2);
    r = vesktest::vesk(m.path, {"api", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(vesktest::has(r, "usage: vesk api PRINTER STEP")) << r.out;
}

}  // namespace
