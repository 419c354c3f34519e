// vesk print on a fresh machine, as tools/main-job runs it: the showcase in
// vector mode, then a page in banding mode once the printer's DEVMODE asks
// for it; vesk decode lists each stream without an error.
#include <gtest/gtest.h>

#include <fstream>

#include <winsim/winsim.h>

#include <filesystem>
#include <fstream>

#include "platform/run_vesk.h"

namespace fs = std::filesystem;

namespace {

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(PrintCommand, PrintsInVectorModeAndInBandingModeWhenThePrinterAsks) {
    const fs::path machine = fs::temp_directory_path() / ("vesk-print-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::remove_all(machine, ec);
    const std::string printer = "VESK MFP C41";
    const std::string script = std::string(VESK_SOURCE_DIR) + "/samples/docs/showcase.vds";
    ASSERT_EQ(vesktest::vesk(machine, {"machine", "init", machine.string()}).status, 0);
    auto add = vesktest::vesk(machine, {"printer", "add", printer});
    ASSERT_EQ(add.status, 0) << add.out;

    const fs::path vector = machine / "vector.vsk";
    auto printed = vesktest::vesk(machine, {"print", script, "--out", vector.string()});
    ASSERT_EQ(printed.status, 0) << printed.out;
    EXPECT_TRUE(has(printed.out, "5 pages")) << printed.out;
    EXPECT_FALSE(has(printed.out, "could not be sent")) << printed.out;
    auto listed = vesktest::vesk(machine, {"decode", vector.string()});
    ASSERT_EQ(listed.status, 0) << listed.out;
    EXPECT_TRUE(has(listed.out, "@PJL SET DATE = \"")) << listed.out;
    EXPECT_TRUE(has(listed.out, "job name \"Showcase\"")) << listed.out;
    EXPECT_TRUE(has(listed.out, "end: 5 pages")) << listed.out;
    // Text in every form: font records, runs of characters, single
    // characters and outlines, glyph images defined, run and sent whole.
    for (const char* record : {"DeviceFont \"", "GraphicsFont \"", "TextRun \"", "Glyph '", " outline work=",
                               "GlyphDefine '", "GlyphRun text=", "GlyphBitmap '", " in-cache"})
        EXPECT_TRUE(has(listed.out, record)) << record;
    EXPECT_TRUE(has(listed.out, "Path lines fill-winding")) << listed.out;
    EXPECT_TRUE(has(listed.out, "Raster 24bpp")) << listed.out;
    // Pictures of the pages: a PNG each, with the page's drawing on it.
#ifdef VESK_HAVE_PNG
    auto pictures = vesktest::vesk(machine, {"decode", vector.string(), "--png", machine.string()});
    ASSERT_EQ(pictures.status, 0) << pictures.out;
    EXPECT_TRUE(has(pictures.out, "page-4.png: ")) << pictures.out;
    std::ifstream png(machine / "page-1.png", std::ios::binary);
    char sig[8] = {};
    png.read(sig, 8);
    EXPECT_EQ(std::string(sig + 1, 3), "PNG");
#endif
    EXPECT_NE(vesktest::vesk(machine, {"decode", vector.string(), "--png"}).status, 0);

    auto devmode = vesktest::vesk(machine, {"printer", "devmode", printer, "imageprint=1"});
    ASSERT_EQ(devmode.status, 0) << devmode.out;
    const fs::path banded = machine / "banding.vsk";
    const std::string onePage = std::string(VESK_SOURCE_DIR) + "/tests/gr/scripts/one-page.vds";
    printed = vesktest::vesk(machine, {"print", onePage, "--printer", printer, "--out", banded.string()});
    ASSERT_EQ(printed.status, 0) << printed.out;
    listed = vesktest::vesk(machine, {"decode", banded.string(), "--records-only"});
    ASSERT_EQ(listed.status, 0) << listed.out;
    EXPECT_TRUE(has(listed.out, "flags=grey,banding")) << listed.out.substr(0, 4000);
    EXPECT_TRUE(has(listed.out, "end: 1 page,")) << listed.out.substr(0, 4000);

    // A printer that is not there, a script that is not there.
    EXPECT_NE(vesktest::vesk(machine, {"print", script, "--printer", "Nobody"}).status, 0);
    EXPECT_NE(vesktest::vesk(machine, {"print", "no-such.vds"}).status, 0);
    fs::remove_all(machine, ec);
}

TEST(PrintCommand, AModelDescriptionTheDriverCannotUseIsNamedWithTheReadersReason) {
    const fs::path machine = fs::temp_directory_path() / ("vesk-badmodel-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::remove_all(machine, ec);
    ASSERT_EQ(vesktest::vesk(machine, {"machine", "init", machine.string()}).status, 0);
    const fs::path model = machine.string() + "-BAD.VMD";
    std::ofstream(model, std::ios::binary) << "*FileVersion: 3.61\n*OpenUI *VPD_dmPaperSize PickPage\n";
    ASSERT_EQ(vesktest::vesk(machine, {"printer", "add", "Bad", "--model", model.string()}).status, 0);
    const std::string why = "-BAD.VMD gives no paper sizes (line 2: statement 'OpenUI': malformed statement";
    const std::string onePage = std::string(VESK_SOURCE_DIR) + "/tests/gr/scripts/one-page.vds";
    auto printed = vesktest::vesk(machine, {"print", onePage, "--printer", "Bad"});
    EXPECT_NE(printed.status, 0);
    EXPECT_TRUE(has(printed.out, "DrvEnableSurface failed: the model description C:\\")) << printed.out;
    EXPECT_TRUE(has(printed.out, why)) << printed.out;
    auto shown = vesktest::vesk(machine, {"printer", "show", "Bad"});
    ASSERT_EQ(shown.status, 0) << shown.out;
    EXPECT_TRUE(has(shown.out, "model:       the model description C:\\")) << shown.out;
    EXPECT_TRUE(has(shown.out, why)) << shown.out;
    fs::remove_all(machine, ec);
    fs::remove(model, ec);
}
