// The showcase's drawing pages printed in vector mode and in banding mode,
// each decoded and replayed into pictures, agree on coarse cells: where one
// mode puts ink the other does too. (The replay draws no text, so colours
// are not compared.)
#include <gtest/gtest.h>

#include "decode/replay.h"
#include "frame_support.h"

using namespace grtest;

namespace {

constexpr unsigned kCell = 64;

// Per cell of kCell x kCell pixels: whether a tenth of it or more is inked.
std::vector<char> inkedCells(const vesk::decode::Picture& p, unsigned* cols) {
    *cols = (p.width + kCell - 1) / kCell;
    const unsigned rows = (p.height + kCell - 1) / kCell;
    std::vector<unsigned> ink(static_cast<size_t>(*cols) * rows, 0);
    for (unsigned y = 0; y < p.height; ++y)
        for (unsigned x = 0; x < p.width; ++x) {
            const std::uint8_t* q = p.rgb.data() + (static_cast<size_t>(y) * p.width + x) * 3;
            if (q[0] < 0xF0 || q[1] < 0xF0 || q[2] < 0xF0) ++ink[(y / kCell) * *cols + x / kCell];
        }
    std::vector<char> out(ink.size());
    for (size_t i = 0; i < ink.size(); ++i) out[i] = ink[i] * 10 >= kCell * kCell;
    return out;
}

class CrossMode : public DriverMachine {};

}  // namespace

TEST_F(CrossMode, ShowcaseDrawingPagesAgreeOnCoarseCells) {
    const std::string script = readText(std::filesystem::path(VESK_SOURCE_DIR) / "samples/docs/showcase.vds");
    const Printed vector = printScript(script, printerName_);
    const Printed banded = printScript("devmode imageprint=1\n" + script, printerName_);
    ASSERT_TRUE(vector.job.ok) << vector.job.error;
    ASSERT_TRUE(banded.job.ok) << banded.job.error;
    const auto v = vesk::decode::replayStream({vector.stream.data(), vector.stream.size()}, 1ull << 26);
    const auto b = vesk::decode::replayStream({banded.stream.data(), banded.stream.size()}, 1ull << 26);
    ASSERT_TRUE(v.ok) << v.error;
    ASSERT_TRUE(b.ok) << b.error;
    ASSERT_EQ(v.pages.size(), b.pages.size());
    // Pages 2 and 3: images, blits, stretches, hatches, pattern brushes, clips.
    for (size_t page : {1u, 2u}) {
        ASSERT_EQ(v.pages[page].width, b.pages[page].width);
        unsigned cols = 0;
        const auto cv = inkedCells(v.pages[page], &cols), cb = inkedCells(b.pages[page], &cols);
        size_t inkedV = 0, inkedB = 0, differ = 0;
        for (size_t i = 0; i < cv.size(); ++i) {
            inkedV += cv[i];
            inkedB += cb[i];
            differ += cv[i] != cb[i];
        }
        EXPECT_GT(inkedV, 50u) << "page " << page + 1;
        EXPECT_GT(inkedB, 50u) << "page " << page + 1;
        EXPECT_LE(differ * 20, inkedV + inkedB) << "page " << page + 1 << ": " << differ << " of " << inkedV
                                                << " / " << inkedB << " inked cells differ";
    }
}
