// vesk printer bidi and modeldb on a machine made by vesk machine init, one
// process per command: the sample device's answers, the results of a user who
// may not write printer data moving into printer data at an administrator's
// next command, the device named per printer, and the model database.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/run_vesk.h"

#if defined(VESK_BIN) && defined(VESK_SOURCE_DIR)

namespace {

using vesktest::has;

class VeskBidi : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(run({"machine", "init"}).status, 0);
        auto add = run({"printer", "add", "P", "--bidi"});
        ASSERT_EQ(add.status, 0) << add.out;
        const std::string dev = std::string(VESK_SOURCE_DIR) + "/samples/devices/VESKMFP1.dev";
        ASSERT_EQ(run({"machine", "set", "kw4mannt.device=" + dev}).status, 0);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    vesktest::Outcome run(const std::vector<std::string>& args) { return vesktest::vesk(path_, args); }
    std::filesystem::path path_ =
        std::filesystem::temp_directory_path() / ("vesk-bidi-" + std::to_string(std::random_device{}()));
};

TEST_F(VeskBidi, ListsTheSampleDevicesTraysAndOptions) {
    auto r = run({"printer", "bidi", "P"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r, "result 1")) << r.out;
    EXPECT_TRUE(has(r, "state byte:   1")) << r.out;
    EXPECT_TRUE(has(r, "printer data: BidiFlag 1")) << r.out;
    for (const char* line : {"  tray 3: paper 9, orientation 1, media 1\n", "  tray 4: paper 1, orientation 0, media 1, locked\n",
                             "options:\n  duplex unit, paper bank, finisher, hard disk\n", "10020 rdmSourceOptionTypeBank = 1", "10113 - = 1", "10114 - = 1",
                             "10061 rdmOutputOptionType15 = 1", "10012 rdmPrinterMemory = 512",
                             "10271 rdmSystemVersion = \"V1.20.03\""})
        EXPECT_TRUE(has(r, line)) << line << "\n" << r.out;
    auto status = run({"printer", "bidi", "P", "--status"});
    EXPECT_EQ(status.status, 0) << status.out;
    EXPECT_TRUE(has(status, "query:        status, result 1")) << status.out;
}

TEST_F(VeskBidi, TheDevicesBankTraysJoinTheBinList) {
    auto before = run({"printer", "caps", "P", "bins", "binnames"});
    ASSERT_EQ(before.status, 0) << before.out;
    EXPECT_TRUE(has(before, "bins: 4\n")) << before.out;
    EXPECT_FALSE(has(before, "\"Tray 3\"")) << before.out;
    ASSERT_EQ(run({"printer", "bidi", "P"}).status, 0);
    auto after = run({"printer", "caps", "P", "bins", "binnames"});
    ASSERT_EQ(after.status, 0) << after.out;
    EXPECT_TRUE(has(after, "bins: 6\n") && has(after, "binnames: 6\n")) << after.out;
    EXPECT_TRUE(has(after, "  \"Tray 3\"\n  \"Tray 4\"\n")) << after.out;
}

TEST_F(VeskBidi, UserResultsMoveAtTheAdministratorsNextCommand) {
    ASSERT_EQ(run({"printer", "bidi", "P"}).status, 0);
    ASSERT_EQ(run({"printer", "data", "P", "BankTray", "--delete"}).status, 0);
    ASSERT_EQ(run({"machine", "set", "user.admin=0"}).status, 0);
    auto user = run({"printer", "bidi", "P"});
    ASSERT_EQ(user.status, 0) << user.out;
    EXPECT_TRUE(has(user, "(not writable)")) << user.out;
    EXPECT_TRUE(has(user, "KW00C171.ini: BidiFlag 1, BidiExFlag 1")) << user.out;
    auto ini = run({"printer", "ini", "P", "KW00C171"});
    EXPECT_TRUE(has(ini, "rdmSourceOptionTypeBank=1")) << ini.out;
    EXPECT_FALSE(has(run({"printer", "data", "P"}), "BankTray"));

    ASSERT_EQ(run({"machine", "set", "user.admin=1"}).status, 0);
    ASSERT_EQ(run({"printer", "options", "P", "rdmSourceOptionTypeBank"}).status, 0);
    EXPECT_TRUE(has(run({"printer", "ini", "P", "KW00C171"}), "no section of printer 'P'"));
    EXPECT_TRUE(has(run({"printer", "data", "P"}), "BankTray = REG_BINARY, 4 bytes: 01 00 00 00"));
}

TEST_F(VeskBidi, DevicePerPrinterAndAnUnreachableDevice) {
    const auto file = path_ / "off.dev";
    std::ofstream(file) << "reachable = 0\n";
    ASSERT_EQ(run({"machine", "set", "kw4mannt.device.P=" + file.string()}).status, 0);
    auto r = run({"printer", "bidi", "P", "--quiet"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r, "result 0")) << r.out;
    EXPECT_TRUE(has(r, "state byte:   0")) << r.out;
    auto bad = run({"printer", "bidi", "P", "--quiet", "--status"});
    EXPECT_NE(bad.status, 0);
}

TEST_F(VeskBidi, ModelDatabaseEntry) {
    auto before = run({"printer", "modeldb", "P"});
    ASSERT_EQ(before.status, 0) << before.out;
    EXPECT_TRUE(has(before, "model:     \"VESK MFP1 Colour\"")) << before.out;
    EXPECT_TRUE(has(before, "LoadDll32 = VESKMT32.dll")) << before.out;
    // Adding the local printer registered its model already.
    EXPECT_TRUE(has(before, "ResDll = OVA22DAT.dll")) << before.out;
    std::filesystem::remove(path_ / "C" / "WINDOWS" / "zordb.ini");
    EXPECT_TRUE(has(run({"printer", "modeldb", "P"}), "ResDll = (missing)"));
    auto reg = run({"printer", "modeldb", "P", "--register"});
    ASSERT_EQ(reg.status, 0) << reg.out;
    EXPECT_TRUE(has(reg, "register:  result 1")) << reg.out;
    EXPECT_TRUE(has(reg, "ResDll = OVA22DAT.dll")) << reg.out;
    EXPECT_TRUE(has(reg, "Version = 1.4.0.2")) << reg.out;
}

}  // namespace

#endif
