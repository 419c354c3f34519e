// vesk exc on a fresh machine: the library loaded from the printer's driver
// directory, a command base, an update, its changes and the resolved base,
// against the reviewed text in golden/ (written again with
// VESK_UPDATE_GOLDEN=1 once a change has been looked at).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/run_vesk.h"

namespace {

namespace fs = std::filesystem;
const fs::path kSource = VESK_SOURCE_DIR;

std::string readText(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The output with the source folder written as ".".
std::string portable(std::string out) {
    const std::string src = kSource.string();
    for (size_t at; (at = out.find(src)) != std::string::npos;) out.replace(at, src.size(), ".");
    return out;
}

struct ExcMachine : vesktest::PrinterMachine {
    ExcMachine() : PrinterMachine("vesk-exc-") {
        ok = ok && vesktest::vesk(path, {"printer", "add", "VESK MFP C41"}).status == 0;
    }
};

TEST(ExcCli, ABaseAStapleUpdateItsChangesAndTheResolvedBase) {
    ExcMachine m;
    ASSERT_TRUE(m.ok);
    const auto r = vesktest::vesk(m.path, {"exc", "VESK MFP C41", "base", (kSource / "samples/exc/base.pjl").string(),
                                           "update", "@PJL SET STAPLE = LEFTTOP", "changes", "show"});
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string listing = portable(r.out);
    const fs::path golden = kSource / "tests/exc/golden/exc-base-update.txt";
    if (const char* u = std::getenv("VESK_UPDATE_GOLDEN"); u && *u == '1') {
        std::ofstream(golden, std::ios::binary) << listing;
        return;
    }
    const std::string want = readText(golden);
    ASSERT_FALSE(want.empty()) << golden << " is missing (VESK_UPDATE_GOLDEN=1 writes it)";
    EXPECT_EQ(listing, want);
}

TEST(ExcCli, ABaseWithoutTrayIsRefusedAndFailedStepsFailTheRun) {
    ExcMachine m;
    ASSERT_TRUE(m.ok);
    const fs::path file = m.path / "no-tray.pjl";
    std::ofstream(file, std::ios::binary) << "@PJL SET APLPAGESIZE = A4\r\n@PJL SET APLPAGELAYOUT = PORTRAIT\r\n"
                                             "@PJL SET PAPER = SAME\r\n";
    auto r = vesktest::vesk(m.path, {"exc", "VESK MFP C41", "base", file.string(), "show"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(vesktest::has(r, "ExcSetCommandBase: -2 (refused: no text or a required command missing)")) << r.out;
    EXPECT_TRUE(vesktest::has(r, "ExcGetCommandBase: 0 (done), 0 bytes")) << r.out;

    r = vesktest::vesk(m.path, {"exc", "VESK MFP C41", "values", "TRAY", "--enabled", "value", "TRAYPAPER1", "ini"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(vesktest::has(r, "ExcGetIniFileName: 0 (done)\n  C:\\")) << r.out;
    r = vesktest::vesk(m.path, {"exc", "VESK MFP C41", "devmode", "2"});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(vesktest::has(r, "ExcGetDriverDevmode: -1 (failed), needed 1196 bytes")) << r.out;
    EXPECT_EQ(vesktest::vesk(m.path, {"exc", "No printer", "show"}).status, 1);
    EXPECT_EQ(vesktest::vesk(m.path, {"exc", "VESK MFP C41", "frobnicate"}).status, 2);
    r = vesktest::vesk(m.path, {"exc", "--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(vesktest::has(r, "usage: vesk exc PRINTER STEP...")) << r.out;
}

}  // namespace
