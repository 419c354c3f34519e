// The vesk command's persisted settings across processes: a document setting
// saved to the per-printer INI comes back in a new process's context, device
// settings in printer data change what may be chosen, and a settings file
// moves a preset between printers unless its header is refused, which the
// message box says.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/run_vesk.h"

#if defined(VESK_BIN) && defined(VESK_SOURCE_DIR)

namespace fs = std::filesystem;

namespace {

using vesktest::has;

class VeskSettings : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string model = std::string(VESK_SOURCE_DIR) + "/samples/model/VESKMFP1.VMD";
        for (const char* p : {"P", "Q"}) {
            auto add = run({"printer", "add", p, "--model", model});
            ASSERT_EQ(add.status, 0) << add.out;
        }
    }
    vesktest::Outcome run(const std::vector<std::string>& args) { return vesktest::vesk(machine_.root(), args); }
    std::string fileText(const std::string& rel) {
        std::ifstream f(machine_.root() / "C" / rel, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    winsim::TempMachine machine_;
};

}  // namespace

TEST_F(VeskSettings, SavedSettingsReachANewProcessAndPrinterDataChangesTheChoices) {
    ASSERT_EQ(run({"printer", "devmode", "P", "rdmPrnMethod=2"}).status, 0);
    auto save = run({"printer", "save", "P", "user"});
    ASSERT_EQ(save.status, 0) << save.out;
    auto ini = run({"printer", "ini", "P"});
    EXPECT_TRUE(has(ini, "[P]") && has(ini, "PrnMethod=2\n")) << ini.out;
    auto options = run({"printer", "options", "P", "rdmPrnMethod"});
    EXPECT_TRUE(has(options, "rdmPrnMethod\tPickOne\t2622 (Hold print)")) << options.out;

    ASSERT_EQ(run({"printer", "data", "P", "Duplex", "--set-binary", "01000000"}).status, 0);
    auto allowed = run({"printer", "allowed", "P", "DUPLEX"});
    EXPECT_TRUE(has(allowed, "ON\t1\tallowed")) << allowed.out;
    auto fonts = run({"printer", "fonts", "P"});
    EXPECT_TRUE(has(fonts, "device fonts (4)") && has(fonts, "Arial -> Vesk Sans")) << fonts.out;
}

TEST_F(VeskSettings, APresetMovesToAnotherPrinterUnlessItsHeaderIsRefused) {
    ASSERT_EQ(run({"printer", "devmode", "P", "rdmMarginOdd=120", "rdmMediaType=2"}).status, 0);
    auto out = run({"printer", "export", "P", "C:\\p.rst", "--as", "preset"});
    ASSERT_EQ(out.status, 0) << out.out;
    const std::string text = fileText("p.rst");
    EXPECT_EQ(text.rfind("[VESK Colour MFP]\r\nRstVersion=200\r\nRstMachine=133\r\n", 0), 0u) << text;
    auto in = run({"printer", "import", "Q", "C:\\p.rst", "--as", "preset"});
    ASSERT_EQ(in.status, 0) << in.out;
    auto q = run({"printer", "options", "Q", "rdmMarginOdd", "rdmMediaType"});
    EXPECT_TRUE(has(q, "rdmMarginOdd\tNumeric\t120") && has(q, "rdmMediaType\tPickOne\t2")) << q.out;

    // A file of another version family is refused with the message, and the
    // printer keeps its settings.
    ASSERT_EQ(run({"printer", "devmode", "Q", "rdmMarginOdd=0"}).status, 0);
    std::string newer = text;
    newer.replace(newer.find("RstVersion=200"), 14, "RstVersion=300");
    std::ofstream(machine_.root() / "C" / "p.rst", std::ios::binary) << newer;
    auto refused = run({"--answer", "ok", "printer", "import", "Q", "C:\\p.rst", "--as", "preset"});
    EXPECT_EQ(refused.status, 0) << refused.out;
    EXPECT_TRUE(has(refused, "message box \"Q\" [OK]:\nThe file p.rst cannot be used.") &&
                has(refused, "rejected, nothing changed"))
        << refused.out;
    auto kept = run({"printer", "options", "Q", "rdmMarginOdd"});
    EXPECT_TRUE(has(kept, "rdmMarginOdd\tNumeric\t0 ")) << kept.out;
}

#endif
