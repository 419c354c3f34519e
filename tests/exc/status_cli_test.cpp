// vesk api PRINTER status on a fresh machine: a custom paper set and read
// back on one handle with the DEVMODE it leaves, a refused Set that leaves
// the DEVMODE as it was, and records built from field names.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/run_vesk.h"

namespace {

struct ApiMachine : vesktest::PrinterMachine {
    ApiMachine() : PrinterMachine("vesk-api-") {
        ok = ok && vesktest::vesk(path, {"printer", "add", "VESK MFP C41"}).status == 0;
    }
};

bool has(const std::string& out, const std::string& what) { return out.find(what) != std::string::npos; }

// The digests the devmode steps of a run print, in order.
std::vector<std::string> digests(const std::string& out) {
    std::vector<std::string> d;
    for (size_t at = out.find(", digest "); at != std::string::npos; at = out.find(", digest ", at + 1))
        d.push_back(out.substr(at + 9, 8));
    return d;
}

TEST(ApiStatusCli, ACustomPaperOnOneHandleWithItsDevmode) {
    ApiMachine m;
    ASSERT_TRUE(m.ok);
    auto r = vesktest::vesk(m.path, {"api", "VESK MFP C41", "status", "set", "7", "size=256", "width=2100",
                                     "length=2970", "--then", "status get 7", "--then", "devmode --mode 4"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r.out, "VESKDrvSetStatus(7, mode 0): 0 (set)")) << r.out;
    EXPECT_TRUE(has(r.out, "  size = 256\n  width = 2100\n  length = 2970\n")) << r.out;
    EXPECT_TRUE(has(r.out, "dmPaperSize 256, dmPaperLength 2970, dmPaperWidth 2100")) << r.out;

    r = vesktest::vesk(m.path, {"api", "VESK MFP C41", "status", "set", "7", "size=256", "width=9", "length=2970",
                                "--then", "devmode --mode 4"});
    EXPECT_EQ(r.status, 1) << "a refused step fails the run";
    EXPECT_TRUE(has(r.out, "VESKDrvSetStatus(7, mode 0): -1 (refused)")) << r.out;
    EXPECT_TRUE(has(r.out, "  changed: none")) << r.out;
    EXPECT_TRUE(has(r.out, "dmPaperSize 9,")) << "the DEVMODE of a fresh handle: " << r.out;
}

TEST(ApiStatusCli, RecordsFromFieldNames) {
    ApiMachine m;
    ASSERT_TRUE(m.ok);
    auto r = vesktest::vesk(m.path, {"api", "VESK MFP C41", "status", "set", "10", "method=1", "userid=ABC",
                                     "jobpw=1234", "--then", "status get 10"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r.out, "  method = 1\n  flags = 127\n  userid = \"ABC\"\n  jobpw = \"1234\"")) << r.out;
    r = vesktest::vesk(m.path, {"api", "VESK MFP C41", "status", "set", "10", "nosuch=1"});
    EXPECT_NE(r.status, 0);
    r = vesktest::vesk(m.path, {"api", "VESK MFP C41", "status", "set", "10", "userid=ABCDEFGHIJ"});
    EXPECT_NE(r.status, 0) << "a text longer than its field";
    r = vesktest::vesk(m.path, {"api", "No such printer", "status", "get", "9"});
    EXPECT_NE(r.status, 0);
}

TEST(ApiStatusCli, ARefusedSetLeavesTheHandlesDevmodeByteForByte) {
    ApiMachine m;
    ASSERT_TRUE(m.ok);
    const auto r = vesktest::vesk(
        m.path, {"api", "VESK MFP C41", "status", "set", "7", "size=256", "width=2100", "length=2970", "--then",
                 "devmode --mode 4", "--then", "status set 7 size=256 width=9 length=2970", "--then",
                 "devmode --mode 4"});
    EXPECT_EQ(r.status, 1) << r.out;
    EXPECT_TRUE(has(r.out, "VESKDrvSetStatus(7, mode 0): -1 (refused)")) << r.out;
    const std::vector<std::string> d = digests(r.out);
    ASSERT_EQ(d.size(), 2u) << r.out;
    EXPECT_EQ(d[0], d[1]) << "the refused Set put every byte back: " << r.out;
    EXPECT_TRUE(has(r.out, "dmPaperSize 256, dmPaperLength 2970, dmPaperWidth 2100")) << r.out;
}

TEST(ApiStatusCli, TheApiWatermarkGoesToSlot256AndTheHandleSelectsIt) {
    ApiMachine m;
    ASSERT_TRUE(m.ok);
    const auto r = vesktest::vesk(
        m.path, {"api", "VESK MFP C41", "status", "set", "16", "kind=1", "fontstyle=1", "colour=2", "density=50",
                 "size=72", "text=DRAFT", "font=Arial", "--then", "status set 17 id=256 switch=1", "--then",
                 "status get 17", "--then", "devmode"});
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(has(r.out, "VESKDrvSetStatus(16, mode 0): 0 (set)")) << r.out;
    EXPECT_TRUE(has(r.out, "VESKDrvSetStatus(17, mode 0): 0 (set)")) << r.out;
    EXPECT_TRUE(has(r.out, "  id = 256\n")) << r.out;
    EXPECT_TRUE(has(r.out, "  watermark switch 1, rdmWmID 256\n")) << r.out;
    // The printer's settings file holds the slot with its own number.
    const auto ini = vesktest::vesk(m.path, {"printer", "ini", "VESK MFP C41", "KW12D170"});
    EXPECT_EQ(ini.status, 0) << ini.out;
    const size_t slot = ini.out.find("[Stamp256us]");
    ASSERT_NE(slot, std::string::npos) << ini.out;
    const std::string section = ini.out.substr(slot, ini.out.find("\n[", slot + 1) - slot);
    EXPECT_TRUE(has(section, "rdmWmID=256\n")) << section;
    EXPECT_TRUE(has(section, "wdmWmChar=DRAFT\n")) << section;
    EXPECT_TRUE(has(section, "rdmWmFontName=Arial\n")) << section;
}

}  // namespace
