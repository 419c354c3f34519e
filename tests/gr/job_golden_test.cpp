// Decoded listings of whole jobs, compared with the listings kept under
// tests/gr/golden: the sample scripts printed in vector and in banding mode
// on a machine whose clock stands still. A listing that changes is looked at
// and, when the change is right, written again with VESK_UPDATE_GOLDEN=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "decode/listing.h"
#include "frame_support.h"

using namespace grtest;
namespace fs = std::filesystem;

namespace {

const fs::path kSource = VESK_SOURCE_DIR;

class Golden : public DriverMachine {
protected:
    explicit Golden(const winsim::MachineConfig& cfg = winsim::MachineConfig()) : DriverMachine(cfg) {}
    void SetUp() override {
        DriverMachine::SetUp();
        // 2024-03-05 06:07:08 UTC.
        winsim::setVirtualClock(133540924280000000ull, 1000);
    }

    void check(const std::string& name, const std::string& script) {
        const Printed p = printScript(script, printerName_);
        ASSERT_TRUE(p.readError.empty()) << p.readError;
        ASSERT_TRUE(p.job.ok) << p.job.error;
        vesk::decode::Summary sum;
        const std::string listing =
            vesk::decode::listStream(vesk::decode::Bytes(p.stream.data(), p.stream.size()), {}, {}, &sum);
        EXPECT_TRUE(sum.ok) << sum.error.text();
        const fs::path golden = kSource / "tests/gr/golden" / (name + ".txt");
        if (const char* u = std::getenv("VESK_UPDATE_GOLDEN"); u && *u == '1') {
            std::ofstream(golden, std::ios::binary) << listing;
            return;
        }
        const std::string want = readText(golden);
        ASSERT_FALSE(want.empty()) << golden << " is missing (VESK_UPDATE_GOLDEN=1 writes it)";
        EXPECT_EQ(listing, want) << "the listing of " << name << " differs from " << golden;
    }
};

// A machine whose code page is 932.
class GoldenOn932 : public Golden {
protected:
    static winsim::MachineConfig config() {
        winsim::MachineConfig cfg;
        cfg.ansiCodePage = 932;
        cfg.oemCodePage = 932;
        return cfg;
    }
    GoldenOn932() : Golden(config()) {}
};

}  // namespace

TEST_F(Golden, FontsOnCodePage1252) { check("fonts-1252", readText(kSource / "samples/docs/fonts.vds")); }
TEST_F(GoldenOn932, FontsOnCodePage932) { check("fonts-932", readText(kSource / "samples/docs/fonts.vds")); }

TEST_F(Golden, ShowcaseInVectorMode) { check("showcase-vector", readText(kSource / "samples/docs/showcase.vds")); }

TEST_F(Golden, ShowcaseInBandingMode) {
    check("showcase-banding", "devmode imageprint=1\n" + readText(kSource / "samples/docs/showcase.vds"));
}

TEST_F(Golden, LetterWithAnUnsafeJobName) { check("letter-vector", readText(kSource / "tests/gr/scripts/letter.vds")); }
