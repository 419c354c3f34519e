// The raster paths: which images go as they are and which are converted,
// their palettes, grey rows, record forms and the failures on the way.
#include <winsim/winsim.h>

#include "vector_support.h"

using namespace grtest;
using namespace vesk;

namespace {

using Lines = std::vector<std::string>;

class Rasters : public VectorPage {
protected:
    // Copies `src` whole to (100, 100).
    BOOL copy(SURFOBJ* src, XLATEOBJ* xl = nullptr) {
        RECTL r{100, 100, 100 + src->sizlBitmap.cx, 100 + src->sizlBitmap.cy};
        POINTL at{0, 0};
        return DrvCopyBits(so(), src, nullptr, xl, &r, &at);
    }
    // The raster lines of the page, cut before the pixel digest unless asked.
    Lines rasters(bool digests = false) {
        Lines out;
        for (auto l : only(finish(), "Raster")) out.push_back(digests ? l : l.substr(0, l.find(" pixels=")));
        return out;
    }
};

}  // namespace

TEST_F(Rasters, ColourAndGreyCopiesAndTheirPalettes) {
    start();
    colourOutput();
    TestBitmap rgb(4, 2, BMF_24BPP), mono(8, 1, BMF_1BPP), deep(4, 2, BMF_16BPP);
    TestXlate ramp({0x000000, 0xFFFFFF}), inverse({0xFFFFFF, 0x000000});
    EXPECT_TRUE(copy(rgb.so));
    EXPECT_TRUE(copy(mono.so, &ramp.xo));
    EXPECT_TRUE(copy(mono.so, &inverse.xo));
    EXPECT_TRUE(copy(deep.so));
    pdev()->color = 1;  // monochrome output: 24-bit rows go grey
    EXPECT_TRUE(copy(rgb.so));
    pdev()->printMethod = 5;  // one reservation, never grey
    EXPECT_TRUE(copy(rgb.so));
    EXPECT_EQ(rasters(), (Lines{
                             "Raster 24bpp dst=(100,100) size=4x2 src=(0,0) srcwidth=4 rows=2 rowbytes=12 palette=none",
                             "Raster 1bpp dst=(100,100) size=8x1 src=(0,0) srcwidth=8 rows=1 rowbytes=4 palette=none",
                             "Raster 1bpp dst=(100,100) size=8x1 src=(0,0) srcwidth=8 rows=1 rowbytes=4 "
                             "palette=[FFFFFF 000000]",
                             // 16 bits per pixel: converted into 24.
                             "Raster 24bpp dst=(100,100) size=4x2 src=(0,0) srcwidth=4 rows=2 rowbytes=12 palette=none",
                             "Raster 8bpp dst=(100,100) size=4x2 src=(0,0) srcwidth=4 rows=2 rowbytes=4 flags=grey "
                             "palette=none",
                             "Raster 24bpp dst=(100,100) size=4x2 src=(0,0) srcwidth=4 rows=2 rowbytes=12 palette=none",
                         }));
    // Grey rows: format byte 0x32 (eight bits, grey, no palette).
    const auto& grey = decoded_.pages[0].records;
    bool sawGrey = false;
    for (const auto& r : grey)
        if (auto* rr = std::get_if<vesk::decode::RasterRecord>(&r.body); rr && (rr->flags & 0x10)) {
            EXPECT_EQ(rr->flags, 0x32);
            sawGrey = true;
        }
    EXPECT_TRUE(sawGrey);
}

TEST_F(Rasters, BottomUpSourcesGoTopRowFirst) {
    start();
    colourOutput();
    TestBitmap top(3, 3, BMF_24BPP), bottom(3, 3, BMF_24BPP, true);
    for (LONG y = 0; y < 3; ++y)
        for (LONG x = 0; x < 3; ++x) {
            top.put24(x, y, 0x010203u * (y * 3 + x + 1));
            bottom.put24(x, y, 0x010203u * (y * 3 + x + 1));
        }
    EXPECT_TRUE(copy(top.so));
    EXPECT_TRUE(copy(bottom.so));
    const Lines l = rasters(true);
    ASSERT_EQ(l.size(), 2u);
    EXPECT_EQ(l[0], l[1]);
}

TEST_F(Rasters, PartsAndStretchesAreCopiedOrConverted) {
    start();
    colourOutput();
    TestBitmap big(16, 16, BMF_24BPP), eight(16, 16, BMF_8BPP);
    TestXlate grey8([] {
        std::vector<ULONG> e;
        for (ULONG i = 0; i < 256; ++i) e.push_back(i * 0x010101);
        return e;
    }());
    // A 24-bit part of a larger bitmap goes straight from it.
    RECTL part{10, 10, 14, 12};
    POINTL at{2, 3};
    EXPECT_TRUE(DrvCopyBits(so(), big.so, nullptr, nullptr, &part, &at));
    // A part of an 8-bit bitmap is converted (its palette a grey ramp: none).
    EXPECT_TRUE(DrvCopyBits(so(), eight.so, nullptr, &grey8.xo, &part, &at));
    // A stretch keeps the source size; a mirrored one is converted.
    RECTL dst{0, 0, 64, 32}, mirrored{64, 0, 0, 32};
    EXPECT_TRUE(DrvStretchBlt(so(), big.so, nullptr, nullptr, nullptr, nullptr, nullptr, &dst, nullptr, nullptr,
                              COLORONCOLOR));
    EXPECT_TRUE(DrvStretchBlt(so(), big.so, nullptr, nullptr, nullptr, nullptr, nullptr, &mirrored, nullptr, nullptr,
                              COLORONCOLOR));
    EXPECT_EQ(rasters(), (Lines{
                             "Raster 24bpp dst=(10,10) size=4x2 src=(0,0) srcwidth=4 rows=2 rowbytes=12 palette=none",
                             "Raster 8bpp dst=(10,10) size=4x2 src=(0,0) srcwidth=4 rows=2 rowbytes=4 palette=none",
                             "Raster 24bpp dst=(0,0) size=64x32 src=(0,0) srcwidth=16 rows=16 rowbytes=48 palette=none",
                             "Raster 24bpp dst=(0,0) size=-64x32 src=(0,0) srcwidth=16 rows=16 rowbytes=48 "
                             "palette=none",
                         }));
}

TEST_F(Rasters, ALongRowGoesOneRowAReservation) {
    start();
    colourOutput();
    // 666,668 pixels of 3 bytes: 2,000,004 bytes a row.
    TestBitmap wide(666668, 2, BMF_24BPP);
    ASSERT_NE(wide.so, nullptr);
    EXPECT_TRUE(copy(wide.so));
    EXPECT_EQ(rasters(), (Lines{"Raster 24bpp dst=(100,100) size=666668x2 src=(0,0) srcwidth=666668 rows=2 "
                                "rowbytes=2000004 palette=none"}));
}

TEST_F(Rasters, ABitmapThatCannotBeMadeFailsTheCopyAndLeavesNothing) {
    start();
    colourOutput();
    TestBitmap deep(4, 2, BMF_16BPP);
    const size_t surfaces = gdi::liveSurfaceCount();
    winsim::failCall("EngCreateBitmap", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(copy(deep.so));
    EXPECT_EQ(gdi::liveSurfaceCount(), surfaces);
    // The stretch of a 4-bit image tries smaller copies: the first that can
    // be made is sent, marked as reduced on the host.
    TestBitmap four(20, 20, BMF_4BPP), rgb(20, 20, BMF_24BPP), deep32(20, 20, BMF_32BPP);
    RECTL mirrored{40, 0, 0, 40}, smaller{0, 0, 10, 10};
    auto stretch = [&](SURFOBJ* src, RECTL* dst) {
        winsim::failCall("EngCreateBitmap", 1, ERROR_NOT_ENOUGH_MEMORY);
        return DrvStretchBlt(so(), src, nullptr, nullptr, nullptr, nullptr, nullptr, dst, nullptr, nullptr,
                             COLORONCOLOR);
    };
    EXPECT_TRUE(stretch(four.so, &mirrored));
    // 8, 24 and 32-bit images go row by row from the source instead; a
    // 32-bit one going smaller is halved.
    EXPECT_TRUE(stretch(rgb.so, &mirrored));
    EXPECT_TRUE(stretch(deep32.so, &smaller));
    EXPECT_EQ(gdi::liveSurfaceCount(), surfaces + 3);
    EXPECT_EQ(rasters(), (Lines{"Raster 4bpp dst=(0,0) size=-40x40 src=(0,0) srcwidth=10 rows=10 rowbytes=8 "
                                "flags=reduced palette=none",
                                "Raster 24bpp dst=(0,0) size=-40x40 src=(0,0) srcwidth=20 rows=20 rowbytes=60 "
                                "palette=none",
                                "Raster 24bpp dst=(0,0) size=10x10 src=(0,0) srcwidth=10 rows=10 rowbytes=32 "
                                "flags=reduced palette=none"}));
}

TEST_F(Rasters, DirectSizeDevicesGetReducedImagesFromTheHost) {
    start();
    colourOutput();
    pdev()->directSize = 1;
    TestBitmap rgb(16, 16, BMF_24BPP), four(16, 16, BMF_4BPP);
    RECTL larger{0, 0, 64, 32}, smaller{0, 0, 8, 4};
    auto stretch = [&](SURFOBJ* src, RECTL* dst) {
        return DrvStretchBlt(so(), src, nullptr, nullptr, nullptr, nullptr, nullptr, dst, nullptr, nullptr,
                             COLORONCOLOR);
    };
    EXPECT_TRUE(stretch(rgb.so, &larger));   // the device enlarges
    EXPECT_TRUE(stretch(rgb.so, &smaller));  // the host reduces
    EXPECT_TRUE(stretch(four.so, &smaller)); // only 24 and 32-bit images are reduced
    // With a brush and another ROP the device scales.
    auto brush = solid(0x00FF00);
    EXPECT_TRUE(DrvStretchBltROP(so(), rgb.so, nullptr, nullptr, nullptr, nullptr, nullptr, &smaller, nullptr, nullptr,
                                 COLORONCOLOR, &brush->bo, 0x8888));
    const Lines lines = finish();
    Lines got;
    for (const auto& l : lines)
        if (l.rfind("Raster", 0) == 0 || l.rfind("Rop", 0) == 0) got.push_back(l.substr(0, l.find(" rowbytes")));
    EXPECT_EQ(got, (Lines{"Rop 0xCC", "Raster 24bpp dst=(0,0) size=64x32 src=(0,0) srcwidth=16 rows=16",
                          "Raster 24bpp dst=(0,0) size=8x4 src=(0,0) srcwidth=8 rows=4",
                          "Raster 4bpp dst=(0,0) size=8x4 src=(0,0) srcwidth=16 rows=16", "Rop 0x88",
                          "Raster 24bpp dst=(0,0) size=8x4 src=(0,0) srcwidth=16 rows=16"}));
    EXPECT_EQ(only(lines, "Color"), (Lines{"Color fg=00FF00 bg=FFFFFF"}));
}
