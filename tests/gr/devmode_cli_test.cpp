// vesk printer devmode and vesk print with DEVMODEs the driver validates:
// the outcome of each field (kept, repaired, reset) and a landscape colour
// script that prints landscape pages in colour bands.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/run_vesk.h"

namespace fs = std::filesystem;

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class DevmodeCli : public ::testing::Test {
protected:
    void SetUp() override {
        machine_ = fs::temp_directory_path() /
                   ("vesk-devmode-" + std::to_string(::getpid()) + "-" +
                    ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(machine_, ec_);
        ASSERT_EQ(run({"machine", "init", machine_.string()}).status, 0);
        auto add = run({"printer", "add", "P"});
        ASSERT_EQ(add.status, 0) << add.out;
    }
    void TearDown() override { fs::remove_all(machine_, ec_); }
    vesktest::Outcome run(const std::vector<std::string>& args) { return vesktest::vesk(machine_, args); }

    // Prints `script` (text) and lists the stream's records with the headers.
    std::string printAndList(const std::string& script) {
        const fs::path file = machine_ / "job.vds", out = machine_ / "job.vsk";
        std::ofstream(file) << script;
        auto printed = run({"print", file.string(), "--printer", "P", "--out", out.string()});
        EXPECT_EQ(printed.status, 0) << printed.out;
        auto listed = run({"decode", out.string()});
        EXPECT_EQ(listed.status, 0) << listed.out.substr(0, 2000);
        fs::remove(out, ec_);
        return listed.out;
    }
    std::string landscapeColour() {
        std::ifstream f(fs::path(VESK_SOURCE_DIR) / "samples/docs/landscape-colour.vds");
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

    fs::path machine_;
    std::error_code ec_;
};

}  // namespace

TEST_F(DevmodeCli, EachFieldIsReportedAsTheMergeLeftIt) {
    auto r = run({"printer", "devmode", "P", "rdmNUPLineType=9", "orient=2", "quality=300", "rdmTimeOut=100",
                  "rdmColorBrightness=-60"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r.out, "rdmNUPLineType=9: reset to 2")) << r.out;
    EXPECT_TRUE(has(r.out, "orient=2: kept")) << r.out;
    EXPECT_TRUE(has(r.out, "quality=300: reset to 600")) << r.out;
    EXPECT_TRUE(has(r.out, "rdmTimeOut=100: kept")) << r.out;
    EXPECT_TRUE(has(r.out, "rdmColorBrightness=-60: reset to 0")) << r.out;
    // The merged DEVMODE is the printer's now: a second run keeps it.
    r = run({"printer", "devmode", "P", "rdmNUPLineType=4"});
    ASSERT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r.out, "rdmNUPLineType=4: kept")) << r.out;

    // Names that are no private item, values their item cannot hold.
    EXPECT_NE(run({"printer", "devmode", "P", "dmOrientation=2"}).status, 0) << "public fields go by their keys";
    EXPECT_NE(run({"printer", "devmode", "P", "rdmNUPLineType=256"}).status, 0);
    EXPECT_NE(run({"printer", "devmode", "P", "rdmNUPLineType=x"}).status, 0);
    EXPECT_NE(run({"printer", "devmode", "P", "rdmWmFontName=1"}).status, 0) << "a text item";
}

TEST_F(DevmodeCli, ALandscapeColourScriptPrintsLandscapeColourBands) {
    const std::string listing = printAndList(landscapeColour());
    EXPECT_TRUE(has(listing, "@PJL SET PAPER = A5")) << listing.substr(0, 3000);
    EXPECT_TRUE(has(listing, "@PJL SET ORIENTATION = LANDSCAPE")) << listing.substr(0, 3000);
    EXPECT_TRUE(has(listing, "PageStart 4960x3496 600x600dpi")) << listing.substr(0, 3000);
    EXPECT_TRUE(has(listing, "Raster 24bpp dst=(0,0) size=4960x")) << listing.substr(0, 3000);
    EXPECT_TRUE(has(listing, "flags=banding ")) << listing.substr(0, 3000);
    EXPECT_FALSE(has(listing, "flags=grey")) << listing.substr(0, 3000);
}

TEST_F(DevmodeCli, AMonochromeDeviceGetsGreyBandsOfTheSameScript) {
    std::string script = landscapeColour();
    const size_t at = script.find("machinecolor=1", script.find("\ndevmode "));
    ASSERT_NE(at, std::string::npos);
    script.replace(at, 14, "machinecolor=0");
    const std::string listing = printAndList(script);
    EXPECT_TRUE(has(listing, "PageStart 4960x3496 600x600dpi")) << listing.substr(0, 3000);
    EXPECT_TRUE(has(listing, "flags=grey,banding")) << listing.substr(0, 3000);
    EXPECT_FALSE(has(listing, "Raster 24bpp")) << listing.substr(0, 3000);
}
