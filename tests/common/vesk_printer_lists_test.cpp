// The vesk command's per-printer lists on a fresh machine: a free size shown
// by the strings with suffixes, a preset loaded back over a changed DEVMODE,
// stamps, and a repair after a free-size section lost its width.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/run_vesk.h"

#if defined(VESK_BIN) && defined(VESK_SOURCE_DIR)

namespace {

using vesktest::has;

class VeskLists : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string model = std::string(VESK_SOURCE_DIR) + "/samples/model/VESKMFP1.VMD";
        auto add = run({"printer", "add", "P", "--model", model});
        ASSERT_EQ(add.status, 0) << add.out;
    }
    vesktest::Outcome run(const std::vector<std::string>& args) { return vesktest::vesk(machine_.root(), args); }
    std::filesystem::path ini() { return machine_.root() / "C" / "_vesk" / "KW12D170.ini"; }
    std::string text() {
        std::ifstream f(ini(), std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }
    winsim::TempMachine machine_;
};

}  // namespace

TEST_F(VeskLists, AFreeSizeShowsInTheSuffixedStringAndBadSizesAreRefused) {
    // The machine's user locale is the US one: the install chose inches, so
    // sizes are given and shown in 0.01 inch.
    auto set = run({"printer", "freesizes", "P", "set", "0", "Poster", "3000", "4000"});
    ASSERT_EQ(set.status, 0) << set.out;
    auto s = run({"printer", "strings", "P", "109", "--suffix"});
    EXPECT_TRUE(has(s, "109\tPoster(30.00 x 40.00inch)\n")) << s.out;
    auto list = run({"printer", "freesizes", "P"});
    EXPECT_TRUE(has(list, "0\tpaper 384\tPoster\t30.00 x 40.00 inch")) << list.out;
    // An A4 slot, 210 x 297 mm, rounded up to the next 0.01 inch.
    EXPECT_TRUE(has(list, "9\tpaper 256\tUser size 10\t8.27 x 11.70 inch")) << list.out;
    EXPECT_NE(run({"printer", "freesizes", "P", "set", "10", "X", "3000", "4000"}).status, 0);
    EXPECT_NE(run({"printer", "freesizes", "P", "set", "1", "X", "0", "4000"}).status, 0);
    EXPECT_NE(run({"printer", "freesizes", "P", "set", "1", "X", "12a", "4000"}).status, 0);
}

TEST_F(VeskLists, AnAddedPresetRestoresItsItemsOverAChangedDevmode) {
    // The install deployed the model's three default presets.
    ASSERT_TRUE(has(run({"printer", "presets", "P"}), "presets (3)"));
    ASSERT_EQ(run({"printer", "devmode", "P", "rdmMarginOdd=12"}).status, 0);
    ASSERT_EQ(run({"printer", "export", "P", "C:\\presets\\a.rst", "--as", "preset"}).status, 0);
    auto add = run({"printer", "presets", "P", "add", "C:\\presets\\a.rst", "Office", "for the office"});
    ASSERT_EQ(add.status, 0) << add.out;
    ASSERT_EQ(run({"printer", "devmode", "P", "rdmMarginOdd=40"}).status, 0);
    auto load = run({"printer", "presets", "P", "load", "3"});
    ASSERT_EQ(load.status, 0) << load.out;
    auto options = run({"printer", "options", "P", "rdmMarginOdd"});
    EXPECT_TRUE(has(options, "rdmMarginOdd\tNumeric\t12 (12)")) << options.out;
    auto list = run({"printer", "presets", "P"});
    EXPECT_TRUE(has(list, "3\tC:\\presets\\a.rst\tOffice\tfor the office\twritable")) << list.out;
    EXPECT_NE(run({"printer", "presets", "P", "load", "4"}).status, 0) << "no preset 4";
    EXPECT_NE(run({"printer", "presets", "P", "load", "16"}).status, 0);
}

TEST_F(VeskLists, StampsAndARepairFromTheSetupIni) {
    auto repair = run({"printer", "repair", "P"});
    ASSERT_EQ(repair.status, 0) << repair.out;
    // The printer's install copied both lists from the setup INI.
    EXPECT_TRUE(has(repair, "free sizes: sound") && has(repair, "stamps: sound")) << repair.out;
    auto stamps = run({"printer", "stamps", "P"});
    EXPECT_TRUE(has(stamps, "stamps (3)") && has(stamps, "1\tkind 1\tCOPY")) << stamps.out;
    ASSERT_EQ(run({"printer", "stamps", "P", "delete", "0"}).status, 0);
    EXPECT_NE(run({"printer", "stamps", "P", "delete", "2"}).status, 0) << "two stamps left";
    auto show = run({"printer", "stamps", "P", "show", "0"});
    EXPECT_TRUE(has(show, "wdmWmChar=COPY")) << show.out;

    // One slot loses its width: every slot comes back from the setup INI.
    ASSERT_EQ(run({"printer", "freesizes", "P", "set", "0", "Poster", "3000", "4000"}).status, 0);
    std::string t = text();
    const std::string width = "[FreeSize3us]\r\nwdmFreeSizeName=User size 4\r\nwdmFreeSizeWidth=10200";
    const size_t at = t.find(width);
    ASSERT_NE(at, std::string::npos) << t;
    t.erase(at + width.size() - 5, 5);
    std::ofstream(ini(), std::ios::binary) << t;
    repair = run({"printer", "repair", "P"});
    EXPECT_TRUE(has(repair, "free sizes: broken, 10 slots restored") && has(repair, "stamps: sound")) << repair.out;
    auto list = run({"printer", "freesizes", "P"});
    // Shown in inches, the unit the install chose for the US locale.
    EXPECT_TRUE(has(list, "0\tpaper 384\tUser size 1\t8.27 x 11.70 inch")) << list.out;
    EXPECT_TRUE(has(list, "3\tpaper 387\tUser size 4\t8.50 x 11.00 inch")) << list.out;
}

#endif
