// Brush realisation: hatches, one-bit and two-colour patterns as one-bit
// 32 x 32 patterns, every other pattern as 24 bits.
#include <cstring>

#include "vector_support.h"

using namespace grtest;
using namespace vesk;

namespace {

class Brushes : public VectorPage {
protected:
    // Realises a pattern (or hatch) into a brush of the engine's.
    const RealizedBrush* realize(SURFOBJ* pattern, XLATEOBJ* xlate, ULONG hatch = HS_DDI_MAX) {
        brushes_.push_back(solid(0));
        BRUSHOBJ* bo = &brushes_.back()->bo;
        if (!DrvRealizeBrush(bo, so(), pattern, nullptr, xlate, hatch)) return nullptr;
        return static_cast<const RealizedBrush*>(bo->pvRbrush);
    }
    static bool bit(const RealizedBrush* b, int x, int y) { return (BrushPattern(b)[y * 4 + x / 8] >> (7 - x % 8)) & 1; }
    static DWORD rgb(const RealizedBrush* b, int x, int y) {
        const BYTE* p = BrushPattern(b) + (y * 32 + x) * 3;
        return (DWORD{p[2]} << 16) | (DWORD{p[1]} << 8) | p[0];
    }
    std::vector<std::unique_ptr<gdi::Brush>> brushes_;
};

}  // namespace

TEST_F(Brushes, HatchesAreTheirEightByEightRowsFourTimesOver) {
    start();
    const BYTE rows[6][8] = {
        {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00}, {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},
        {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01}, {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},
        {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08}, {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},
    };
    TestXlate xl({0xFFFFFF, 0x00FF00});
    for (ULONG style = 0; style < 6; ++style) {
        SCOPED_TRACE(style);
        const RealizedBrush* b = realize(nullptr, &xl.xo, style);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->kind, kBrushMono);
        EXPECT_EQ(b->size, 32);
        EXPECT_EQ(b->foreground, 0x00FF00u);
        EXPECT_EQ(b->background, 0xFFFFFFu);
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x) ASSERT_EQ(bit(b, x, y), ((rows[style][y / 4] >> (7 - x / 4)) & 1) != 0) << x << "," << y;
    }
    // The cross: rows 16 to 19 are all ones.
    const RealizedBrush* cross = realize(nullptr, &xl.xo, HS_CROSS);
    for (int y = 16; y < 20; ++y) EXPECT_EQ(std::memcmp(BrushPattern(cross) + y * 4, "\xFF\xFF\xFF\xFF", 4), 0);
}

TEST_F(Brushes, OneBitPatternsOfEverySizeSetTheBitsOfTheirClearPixels) {
    start();
    TestXlate xl({0x112233, 0xFFFFFF});
    // 8 x 8: each pixel a 2 x 2 block of the 16 x 16 tile.
    TestBitmap eight(8, 8, BMF_1BPP);
    for (LONG y = 0; y < 8; ++y) eight.row(y)[0] = 0x7F;  // pixel 0 clear, the rest set
    const RealizedBrush* b = realize(eight.so, &xl.xo);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->kind, kBrushMono);
    EXPECT_EQ(b->foreground, 0x112233u);
    EXPECT_EQ(b->background, 0xFFFFFFu);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_EQ(bit(b, x, y), x % 16 < 2) << x << "," << y;
    // 3 x 2: tiled, and the same polarity (one inversion only).
    TestBitmap odd(3, 2, BMF_1BPP);
    odd.row(0)[0] = 0x40;  // pixel 1 of row 0 set
    odd.row(1)[0] = 0xE0;
    const RealizedBrush* o = realize(odd.so, &xl.xo);
    ASSERT_NE(o, nullptr);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool set = y % 2 == 1 || x % 3 == 1;
            ASSERT_EQ(bit(o, x, y), !set) << x << "," << y;
        }
}

TEST_F(Brushes, TwoColourPatternsGoAsOneBitAndThreeColoursAsTwentyFourBits) {
    start();
    TestBitmap two(8, 8, BMF_24BPP), three(8, 8, BMF_24BPP);
    for (LONG y = 0; y < 8; ++y)
        for (LONG x = 0; x < 8; ++x) {
            two.put24(x, y, (x + y) % 2 ? 0x0000FF : 0xFF0000);
            three.put24(x, y, x == 7 && y == 7 ? 0x00FF00 : (x + y) % 2 ? 0x0000FF : 0xFF0000);
        }
    const RealizedBrush* b2 = realize(two.so, nullptr);
    ASSERT_NE(b2, nullptr);
    EXPECT_EQ(b2->kind, kBrushMono);
    EXPECT_EQ(b2->foreground, 0xFF0000u);
    EXPECT_EQ(b2->background, 0x0000FFu);
    EXPECT_TRUE(bit(b2, 0, 0));
    EXPECT_TRUE(bit(b2, 1, 0));   // a doubled pixel
    EXPECT_FALSE(bit(b2, 2, 0));
    const RealizedBrush* b3 = realize(three.so, nullptr);
    ASSERT_NE(b3, nullptr);
    EXPECT_EQ(b3->kind, kBrushRgb);
    EXPECT_EQ(b3->bitsPerPixel, 24);
    EXPECT_EQ(rgb(b3, 0, 0), 0xFF0000u);
    EXPECT_EQ(rgb(b3, 15, 15), 0x00FF00u);
    EXPECT_EQ(rgb(b3, 31, 31), 0x00FF00u);
}

TEST_F(Brushes, DeepPatternsKeepTheirColoursInEitherRowOrder) {
    start();
    // 5-5-5 white stays white.
    TestBitmap w16(8, 8, BMF_16BPP);
    for (LONG y = 0; y < 8; ++y)
        for (LONG x = 0; x < 8; ++x) w16.row(y)[x * 2] = 0xFF, w16.row(y)[x * 2 + 1] = 0x7F;
    const RealizedBrush* white = realize(w16.so, nullptr);
    ASSERT_NE(white, nullptr);
    EXPECT_EQ(rgb(white, 5, 5), 0xFFFFFFu);
    // A 4-bit pattern through its translation, top-down and bottom-up alike:
    // the top row first in both.
    TestXlate xl({0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    TestBitmap top(8, 8, BMF_4BPP), bottom(8, 8, BMF_4BPP, true);
    for (LONG y = 0; y < 8; ++y) {
        std::memset(top.row(y), y == 0 ? 0x12 : 0x33, 4);
        std::memset(bottom.row(y), y == 0 ? 0x12 : 0x33, 4);
    }
    const RealizedBrush* a = realize(top.so, &xl.xo);
    const RealizedBrush* b = realize(bottom.so, &xl.xo);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(rgb(a, 0, 0), 0xFF0000u);
    EXPECT_EQ(rgb(a, 1, 0), 0x00FF00u);
    EXPECT_EQ(rgb(a, 0, 1), 0x0000FFu);
    EXPECT_EQ(std::memcmp(BrushPattern(a), BrushPattern(b), 3072), 0);
    // A 3 x 3 24-bit pattern is resampled to 8 x 8 and tiled by 8.
    TestBitmap small(3, 3, BMF_24BPP);
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 3; ++x) small.put24(x, y, x == 0 ? 0x804020 : 0x102030);
    const RealizedBrush* r = realize(small.so, nullptr);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, kBrushRgb);
    for (int x = 0; x < 24; ++x) EXPECT_EQ(rgb(r, x, 3), rgb(r, x + 8, 11)) << x;
    EXPECT_EQ(rgb(r, 0, 0), 0x804020u);
    EXPECT_EQ(rgb(r, 7, 0), 0x102030u);
}

TEST_F(Brushes, PatternBrushesOfTheScriptReachTheStream) {
    start();
    auto hatch = gdi::makeHatchBrush(HS_CROSS, 0x000000, 0xFFFFFF, so(), d_.session->hdev());
    PathPtr path(makePath({{{10, 10}, {50, 10}, {50, 50}}}, true));
    EXPECT_EQ(DrvFillPath(so(), &path->po, nullptr, &hatch->bo, nullptr, R2_COPYPEN | (R2_COPYPEN << 8), 0), TRUE);
    EXPECT_EQ(only(finish(), "Brush"), (std::vector<std::string>{"Brush pattern 1bpp 32x32 bytes=128 fnv:A28385F5"}));
}
