// The engine's bitmaps and rasteriser: layouts of every format, palettes and
// translations, raster operations with brush, source and mask, clipping,
// stretching and halftoning.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include "gdi_support.h"
#include "platform/last_error.h"

using namespace winsim::gdi;
using gditest::Bmp;

namespace {
std::unique_ptr<Brush> solid(Rgb c, const SURFOBJ* so) { return makeSolidBrush(c, so, nullptr); }
}  // namespace

TEST(GdiLayout, RecordSizesMatchTheEnginesOn32Bit) {
    if (sizeof(void*) != 4) GTEST_SKIP() << "sizes are fixed for the 32-bit engine";
    EXPECT_EQ(sizeof(GDIINFO), 304u);
    EXPECT_EQ(sizeof(DEVINFO), 300u);
    EXPECT_EQ(sizeof(DRVENABLEDATA), 12u);
    EXPECT_EQ(sizeof(FD_DEVICEMETRICS), 124u);
    EXPECT_EQ(sizeof(LOGFONTW), 92u);
    EXPECT_EQ(sizeof(SURFOBJ), 52u);
    EXPECT_EQ(sizeof(IFIMETRICS), 184u);
    EXPECT_EQ(offsetof(DEVINFO, hpalDefault), 292u);
    EXPECT_EQ(offsetof(GDIINFO, ulDevicePelsDPI), 228u);
}

TEST(GdiBitmap, TopDownAndBottomUpLayouts) {
    winsim::TempMachine m;
    Bmp td(10, 3, BMF_24BPP, true), bu(10, 3, BMF_24BPP, false);
    EXPECT_EQ(td.so->lDelta, 32);
    EXPECT_EQ(td.so->pvScan0, td.so->pvBits);
    EXPECT_EQ(bu.so->lDelta, -32);
    EXPECT_EQ(static_cast<uint8_t*>(bu.so->pvScan0), static_cast<uint8_t*>(bu.so->pvBits) + 64);
    EXPECT_EQ(td.so->cjBits, 96u);
    EXPECT_EQ(td.so->fjBitmap & BMF_TOPDOWN, BMF_TOPDOWN);
    EXPECT_EQ(bu.so->fjBitmap & BMF_TOPDOWN, 0);
    EXPECT_EQ(td.count(0), 30);  // zero-filled
    // Row 0 of a bottom-up bitmap is the last row in memory.
    bu.set(0, 0, 0x123456);
    const uint8_t* last = static_cast<uint8_t*>(bu.so->pvBits) + 64;
    EXPECT_EQ(last[0], 0x56);
    EXPECT_EQ(last[2], 0x12);
}

TEST(GdiBitmap, PixelsOfEveryFormat) {
    winsim::TempMachine m;
    struct Case {
        ULONG fmt;
        ULONG v;
    } cases[] = {{BMF_1BPP, 1}, {BMF_4BPP, 0xA}, {BMF_8BPP, 0xC3}, {BMF_16BPP, 0x7ABC}, {BMF_24BPP, 0xABCDEF},
                 {BMF_32BPP, 0x80ABCDEF}};
    for (const auto& c : cases) {
        Bmp b(9, 2, c.fmt, false);
        for (LONG x = 0; x < 9; ++x) b.set(x, 1, x % 2 ? c.v : 0);
        for (LONG x = 0; x < 9; ++x) EXPECT_EQ(b.px(x, 1), x % 2 ? c.v : 0u) << "format " << c.fmt << " x " << x;
        EXPECT_EQ(b.count(0, RECTL{0, 0, 9, 1}), 9) << "row 0 untouched, format " << c.fmt;
    }
}

TEST(GdiBitmap, RefusesBadRequestsAndInjectedFailures) {
    winsim::TempMachine m;
    EXPECT_EQ(EngCreateBitmap(SIZEL{0, 5}, 0, BMF_24BPP, 0, nullptr), nullptr);
    EXPECT_EQ(EngCreateBitmap(SIZEL{5, 5}, 0, BMF_JPEG, 0, nullptr), nullptr);
    EXPECT_EQ(EngCreateBitmap(SIZEL{100, 5}, 4, BMF_24BPP, 0, nullptr), nullptr);  // row too short
    EXPECT_FAILS_WITH(EngCreateBitmap(SIZEL{100000, 100000}, 0, BMF_32BPP, 0, nullptr),
                      nullptr, ERROR_NOT_ENOUGH_MEMORY);
    winsim::failCall("EngCreateBitmap", 2, ERROR_NOT_ENOUGH_MEMORY);
    HBITMAP a = EngCreateBitmap(SIZEL{4, 4}, 0, BMF_8BPP, 0, nullptr);
    HBITMAP b = EngCreateBitmap(SIZEL{4, 4}, 0, BMF_8BPP, 0, nullptr);
    EXPECT_NE(a, nullptr);
    EXPECT_EQ(b, nullptr);
    EXPECT_TRUE(EngDeleteSurface(reinterpret_cast<HSURF>(a)));
    EXPECT_FALSE(EngDeleteSurface(reinterpret_cast<HSURF>(a)));
}

TEST(GdiBitmap, DeletedWhileLockedStaysUntilUnlocked) {
    winsim::TempMachine m;
    size_t base = liveSurfaceCount();
    HBITMAP h = EngCreateBitmap(SIZEL{4, 4}, 0, BMF_24BPP, BMF_TOPDOWN, nullptr);
    SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(h));
    ASSERT_TRUE(so);
    EXPECT_TRUE(EngDeleteSurface(reinterpret_cast<HSURF>(h)));
    EXPECT_EQ(EngLockSurface(reinterpret_cast<HSURF>(h)), nullptr);
    putPixel(so, 3, 3, 0xFFFFFF);  // still valid memory
    EXPECT_EQ(liveSurfaceCount(), base + 1);
    EngUnlockSurface(so);
    EXPECT_EQ(liveSurfaceCount(), base);
}

TEST(GdiPalette, IndexedEntriesAreRedLowAndTranslate) {
    winsim::TempMachine m;
    ULONG entries[2] = {0x000000FF, 0x00FF0000};  // red, blue as palette entries
    HPALETTE h = EngCreatePalette(PAL_INDEXED, 2, entries, 0, 0, 0);
    ASSERT_TRUE(h);
    auto pal = paletteFromHandle(h);
    EXPECT_EQ(pal->toRgb(0), 0xFF0000u);
    EXPECT_EQ(pal->toRgb(1), 0x0000FFu);
    EXPECT_EQ(pal->fromRgb(0xEE1010), 0u);
    auto xl = makeXlate(pal, BMF_1BPP, defaultPalette(BMF_24BPP), BMF_24BPP);
    EXPECT_TRUE(xl->xo.flXlate & XO_TABLE);
    EXPECT_EQ(xl->xo.cEntries, 2u);
    EXPECT_EQ(XLATEOBJ_iXlate(&xl->xo, 0), 0xFF0000u);
    EXPECT_EQ(XLATEOBJ_piVector(&xl->xo)[1], 0x0000FFu);
    ULONG back[2] = {};
    EXPECT_EQ(XLATEOBJ_cGetPalette(&xl->xo, XO_SRCPALETTE, 2, back), 2u);
    EXPECT_EQ(back[0], 0x000000FFu);
    EXPECT_TRUE(EngDeletePalette(h));
    EXPECT_FALSE(EngDeletePalette(h));
    EXPECT_EQ(EngCreatePalette(PAL_INDEXED, 0, entries, 0, 0, 0), nullptr);
    HPALETTE bf = EngCreatePalette(PAL_BITFIELDS, 0, nullptr, 0xF800, 0x07E0, 0x001F);
    ASSERT_TRUE(bf);
    EXPECT_EQ(paletteFromHandle(bf)->toRgb(0xF800), 0xFF0000u);
    EXPECT_EQ(paletteFromHandle(bf)->fromRgb(0x00FF00), 0x07E0u);
    EngDeletePalette(bf);
}

TEST(GdiCopy, ConvertsBetweenFormatsThroughPalettes) {
    winsim::TempMachine m;
    // 8-bit indexed source with a palette -> 24 bits.
    Bmp src(4, 1, BMF_8BPP);
    for (LONG x = 0; x < 4; ++x) src.set(x, 0, static_cast<ULONG>(x));
    auto spal = std::make_shared<Palette>();
    spal->mode = PAL_INDEXED;
    spal->entries = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    auto xl = makeXlate(spal, BMF_8BPP, defaultPalette(BMF_24BPP), BMF_24BPP);
    Bmp dst(4, 1, BMF_24BPP);
    RECTL r{0, 0, 4, 1};
    POINTL p{0, 0};
    ASSERT_TRUE(EngCopyBits(dst.so, src.so, nullptr, &xl->xo, &r, &p));
    EXPECT_EQ(dst.px(1, 0), 0xFF0000u);
    EXPECT_EQ(dst.px(3, 0), 0x0000FFu);
    // 16-bit 5-5-5 without a translation -> 24 bits through the default palettes.
    Bmp s16(2, 1, BMF_16BPP);
    s16.set(0, 0, 0x7C00);
    s16.set(1, 0, 0x001F);
    Bmp d24(2, 1, BMF_24BPP);
    RECTL r2{0, 0, 2, 1};
    ASSERT_TRUE(EngCopyBits(d24.so, s16.so, nullptr, nullptr, &r2, &p));
    EXPECT_EQ(d24.px(0, 0), 0xFF0000u);
    EXPECT_EQ(d24.px(1, 0), 0x0000FFu);
    // 24 bits -> 1 bit: nearest of black and white.
    Bmp d1(2, 1, BMF_1BPP);
    d24.set(0, 0, 0x202020);
    d24.set(1, 0, 0xE0E0E0);
    ASSERT_TRUE(EngCopyBits(d1.so, d24.so, nullptr, nullptr, &r2, &p));
    EXPECT_EQ(d1.px(0, 0), 0u);
    EXPECT_EQ(d1.px(1, 0), 1u);
    // 4-bit with a translation table -> 32 bits, and a 32-bit blit back onto itself shifted.
    Bmp s4(3, 1, BMF_4BPP);
    s4.set(0, 0, 2);
    s4.set(1, 0, 15);
    auto pal4 = std::make_shared<Palette>();
    pal4->mode = PAL_INDEXED;
    pal4->entries.assign(16, 0x101010);
    pal4->entries[2] = 0xABCDEF;
    auto xl4 = makeXlate(pal4, BMF_4BPP, defaultPalette(BMF_32BPP), BMF_32BPP);
    Bmp d32(3, 1, BMF_32BPP);
    RECTL r3{0, 0, 3, 1};
    ASSERT_TRUE(EngCopyBits(d32.so, s4.so, nullptr, &xl4->xo, &r3, &p));
    EXPECT_EQ(d32.px(0, 0) & 0xFFFFFF, 0xABCDEFu);
    EXPECT_EQ(d32.px(1, 0) & 0xFFFFFF, 0x101010u);
    RECTL shiftedRect{1, 0, 3, 1};
    ASSERT_TRUE(EngCopyBits(d32.so, d32.so, nullptr, nullptr, &shiftedRect, &p));  // overlapping copy
    EXPECT_EQ(d32.px(1, 0) & 0xFFFFFF, 0xABCDEFu);
    EXPECT_EQ(d32.px(2, 0) & 0xFFFFFF, 0x101010u);
    // A device surface cannot be read.
    HSURF dev = EngCreateDeviceSurface(nullptr, SIZEL{10, 10}, BMF_24BPP);
    SURFOBJ* dso = EngLockSurface(dev);
    EXPECT_FALSE(EngCopyBits(d24.so, dso, nullptr, nullptr, &r2, &p));
    EngUnlockSurface(dso);
    EngDeleteSurface(dev);
}

TEST(GdiBlt, TernaryOperationsWithBrushSourceAndMask) {
    winsim::TempMachine m;
    Bmp dst(4, 4, BMF_24BPP), src(4, 4, BMF_24BPP);
    dst.fill(0x00FF00);
    src.fill(0x0000FF);
    auto brush = solid(0xFF0000, dst.so);
    RECTL r{0, 0, 4, 4};
    POINTL p{0, 0};
    // PATINVERT: pattern xor destination.
    ASSERT_TRUE(EngBitBlt(dst.so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, &brush->bo, nullptr, 0x5A5A));
    EXPECT_EQ(dst.px(2, 2), 0xFFFF00u);
    // SRCAND then SRCPAINT.
    ASSERT_TRUE(EngBitBlt(dst.so, src.so, nullptr, nullptr, nullptr, &r, &p, nullptr, nullptr, nullptr, 0x8888));
    EXPECT_EQ(dst.px(0, 0), 0x000000u);
    ASSERT_TRUE(EngBitBlt(dst.so, src.so, nullptr, nullptr, nullptr, &r, &p, nullptr, nullptr, nullptr, 0xEEEE));
    EXPECT_EQ(dst.px(0, 0), 0x0000FFu);
    // A generic operation, 0xB8: the destination where the source is set, else the pattern.
    dst.fill(0x123456);
    ASSERT_TRUE(EngBitBlt(dst.so, src.so, nullptr, nullptr, nullptr, &r, &p, nullptr, &brush->bo, nullptr, 0xB8B8));
    EXPECT_EQ(dst.px(1, 1), 0xFF0056u);
    // Masked copy 0xAACC: the source where the mask is 1, the destination elsewhere.
    Bmp mask(4, 4, BMF_1BPP);
    mask.set(0, 0, 1);
    mask.set(3, 3, 1);
    dst.fill(0xFFFFFF);
    ASSERT_TRUE(EngBitBlt(dst.so, src.so, mask.so, nullptr, nullptr, &r, &p, &p, nullptr, nullptr, 0xAACC));
    EXPECT_EQ(dst.px(0, 0), 0x0000FFu);
    EXPECT_EQ(dst.px(3, 3), 0x0000FFu);
    EXPECT_EQ(dst.count(0xFFFFFF), 14);
    // A source operation without a source fails.
    EXPECT_FALSE(EngBitBlt(dst.so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, nullptr, nullptr, 0xCCCC));
}

TEST(GdiBlt, OneBitAndHatchedBrushes) {
    winsim::TempMachine m;
    Bmp dst(16, 16, BMF_1BPP);
    dst.fill(1);  // white
    auto black = solid(0x000000, dst.so);
    EXPECT_EQ(black->bo.iSolidColor, 0u);
    RECTL r{2, 2, 6, 6};
    ASSERT_TRUE(EngBitBlt(dst.so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, &black->bo, nullptr, 0xF0F0));
    EXPECT_EQ(dst.count(0), 16);
    EXPECT_EQ(dst.px(1, 1), 1u);
    EXPECT_EQ(dst.px(5, 5), 0u);
    Bmp c(16, 16, BMF_24BPP);
    auto cross = makeHatchBrush(HS_CROSS, 0x000000, 0xFFFFFF, c.so, nullptr);
    RECTL all{0, 0, 16, 16};
    ASSERT_TRUE(EngBitBlt(c.so, nullptr, nullptr, nullptr, nullptr, &all, nullptr, nullptr, &cross->bo, nullptr, 0xF0F0));
    // Rows 4 and 12 are full lines; columns 4 and 12 are lines.
    EXPECT_EQ(c.count(0, RECTL{0, 4, 16, 5}), 16);
    EXPECT_EQ(c.count(0, RECTL{4, 0, 5, 16}), 16);
    EXPECT_EQ(c.count(0), 16 * 4 - 4);
}

TEST(GdiBlt, ClippingToARegionOfRectangles) {
    winsim::TempMachine m;
    Bmp dst(20, 20, BMF_8BPP);
    auto b = solid(0xFFFFFF, dst.so);
    Region reg = Region::fromRects({RECTL{0, 0, 5, 5}, RECTL{10, 10, 15, 20}, RECTL{3, 3, 8, 4}});
    auto clip = makeClip(&reg, 7);
    EXPECT_EQ(clip->co.iDComplexity, DC_COMPLEX);
    EXPECT_EQ(clip->co.rclBounds.right, 15);
    RECTL all{0, 0, 20, 20};
    ASSERT_TRUE(EngBitBlt(dst.so, nullptr, nullptr, &clip->co, nullptr, &all, nullptr, nullptr, &b->bo, nullptr, 0xF0F0));
    EXPECT_EQ(dst.count(255), 25 + 50 + 3);
    EXPECT_EQ(dst.px(6, 3), 255u);
    EXPECT_EQ(dst.px(6, 4), 0u);
    // The same on 24 bits with a colour whose three bytes differ, and an erase.
    Bmp wide(20, 20, BMF_24BPP);
    auto red = solid(0xC02010, wide.so);
    ASSERT_TRUE(EngBitBlt(wide.so, nullptr, nullptr, &clip->co, nullptr, &all, nullptr, nullptr, &red->bo, nullptr, 0xF0F0));
    const ULONG v = wide.px(0, 0);
    EXPECT_EQ(wide.count(v), 25 + 50 + 3);
    EXPECT_EQ(wide.px(7, 3), v);
    EXPECT_EQ(wide.px(8, 3), 0u);
    RECTL part{2, 2, 19, 3};
    ASSERT_TRUE(EngEraseSurface(wide.so, &part, 0x123456));
    EXPECT_EQ(wide.count(0x123456, RECTL{0, 0, 20, 20}), 17);
    EXPECT_EQ(wide.px(1, 2), v);
    // Enumeration gives the same rectangles, bottom-up when asked.
    ULONG n = CLIPOBJ_cEnumStart(&clip->co, FALSE, CT_RECTANGLES, CD_RIGHTUP, 0);
    EXPECT_EQ(n, 4u);
    struct {
        ULONG c;
        RECTL r[8];
    } e{};
    EXPECT_FALSE(CLIPOBJ_bEnum(&clip->co, sizeof e, reinterpret_cast<ULONG*>(&e)));
    ASSERT_EQ(e.c, 4u);
    EXPECT_EQ(e.r[0].top, 10);
    EXPECT_EQ(e.r[3].top, 0);
    // A buffer for one rectangle gets them one at a time.
    CLIPOBJ_cEnumStart(&clip->co, FALSE, CT_RECTANGLES, CD_ANY, 0);
    ENUMRECTS one{};
    int calls = 0;
    while (CLIPOBJ_bEnum(&clip->co, sizeof one, reinterpret_cast<ULONG*>(&one))) ++calls;
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(CLIPOBJ_cEnumStart(&clip->co, FALSE, CT_RECTANGLES, CD_ANY, 2), 0xFFFFFFFFu);
}

TEST(GdiStretch, NearestMirrorAndHalftone) {
    winsim::TempMachine m;
    Bmp src(2, 2, BMF_24BPP);
    src.set(0, 0, 0xFF0000);
    src.set(1, 0, 0x00FF00);
    src.set(0, 1, 0x0000FF);
    src.set(1, 1, 0xFFFFFF);
    Bmp dst(4, 4, BMF_24BPP);
    RECTL d{0, 0, 4, 4}, s{0, 0, 2, 2};
    ASSERT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &d, &s, nullptr, COLORONCOLOR));
    EXPECT_EQ(dst.count(0xFF0000, RECTL{0, 0, 2, 2}), 4);
    EXPECT_EQ(dst.count(0xFFFFFF, RECTL{2, 2, 4, 4}), 4);
    RECTL mirror{4, 0, 0, 4};  // right < left: mirrored across x
    ASSERT_TRUE(EngStretchBlt(dst.so, src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &mirror, &s, nullptr, COLORONCOLOR));
    EXPECT_EQ(dst.px(0, 0), 0x00FF00u);
    EXPECT_EQ(dst.px(3, 0), 0xFF0000u);
    // Mid grey halftoned to one bit gives about half black.
    Bmp grey(1, 1, BMF_24BPP);
    grey.set(0, 0, 0x808080);
    Bmp mono(32, 32, BMF_1BPP);
    RECTL md{0, 0, 32, 32}, ms{0, 0, 1, 1};
    ASSERT_TRUE(EngStretchBlt(mono.so, grey.so, nullptr, nullptr, nullptr, nullptr, nullptr, &md, &ms, nullptr, HALFTONE));
    long black = mono.count(0);
    EXPECT_GT(black, 1024 * 2 / 5);
    EXPECT_LT(black, 1024 * 3 / 5);
    // White and black stay pure.
    grey.set(0, 0, 0xFFFFFF);
    ASSERT_TRUE(EngStretchBlt(mono.so, grey.so, nullptr, nullptr, nullptr, nullptr, nullptr, &md, &ms, nullptr, HALFTONE));
    EXPECT_EQ(mono.count(0), 0);
    EXPECT_FALSE(EngStretchBlt(mono.so, grey.so, nullptr, nullptr, nullptr, nullptr, nullptr, &md, &ms, nullptr, 9));
}

TEST(GdiServices, LocalTimeCodePagesAndConversion) {
    winsim::MachineConfig cfg;
    cfg.ansiCodePage = 932;
    cfg.timeZoneBiasMinutes = -540;  // UTC+9
    winsim::TempMachine m(cfg);
    // 2001-02-03 04:05:06.789 UTC
    winsim::setVirtualClock(126256467067890000ull, 0);
    ENG_TIME_FIELDS t{};
    EngQueryLocalTime(&t);
    EXPECT_EQ(t.usYear, 2001);
    EXPECT_EQ(t.usMonth, 2);
    EXPECT_EQ(t.usDay, 3);
    EXPECT_EQ(t.usHour, 13);
    EXPECT_EQ(t.usMinute, 5);
    EXPECT_EQ(t.usSecond, 6);
    EXPECT_EQ(t.usMilliseconds, 789);
    EXPECT_EQ(t.usWeekday, 6);  // a Saturday
    USHORT oem = 0, ansi = 0;
    EngGetCurrentCodePage(&oem, &ansi);
    EXPECT_EQ(ansi, 932);
    char16_t text[] = u"A\u3042B";
    char out[8] = {};
    ULONG n = 0;
    EngUnicodeToMultiByteN(out, sizeof out, &n, text, 6);
    ASSERT_EQ(n, 4u);
    EXPECT_EQ(static_cast<uint8_t>(out[1]), 0x82);
    EXPECT_EQ(static_cast<uint8_t>(out[2]), 0xA0);
    // Cut on a character boundary: 2 bytes of room keep "A" only.
    EngUnicodeToMultiByteN(out, 2, &n, text, 6);
    EXPECT_EQ(n, 1u);
    char16_t back[4] = {};
    EngMultiByteToUnicodeN(back, sizeof back, &n, out, 1);
    EXPECT_EQ(n, 2u);
    EXPECT_EQ(back[0], u'A');
}
