// The drawing calls in vector mode, each called with engine objects the test
// makes, read back as the page's records.
#include <win/icm.h>

#include "vector_support.h"

using namespace grtest;
using namespace vesk;

namespace {

using Lines = std::vector<std::string>;

class VectorCalls : public VectorPage {};

const RECTL kRect{100, 200, 300, 400};
constexpr int kItImagePrint = 183;  // banding

LINEATTRS cosmetic() {
    LINEATTRS la{};
    la.elWidth.l = 1;
    return la;
}

}  // namespace

TEST_F(VectorCalls, BlitsWithoutSourceFillTheRectangleUnderThePatternRops) {
    start();
    auto brush = solid(0xFF0000);
    struct {
        ROP4 rop4;
        Lines want;
    } cases[] = {
        {0xAAAA, {}},
        {0xF0F0, {"Brush solid", "Color fg=FF0000 bg=FFFFFF", "BkMode opaque", "Rop 0xCC", "Rect fill [100,200,300,400]"}},
        {0x5A5A, {"Brush solid", "Color fg=FF0000 bg=FFFFFF", "BkMode opaque", "Rop 0x66", "Rect fill [100,200,300,400]"}},
        // Mix 1 goes as 0xFF, as the device's table has it, with a black brush.
        {0x0000, {"Brush solid", "Color fg=000000 bg=FFFFFF", "BkMode opaque", "Rop 0xFF", "Rect fill [100,200,300,400]"}},
        // A transparent background for the no-operation background ROP.
        {0xAAF0, {"Brush solid", "Color fg=FF0000", "BkMode transparent", "Rop 0xCC", "Rect fill [100,200,300,400]"}},
    };
    for (const auto& c : cases) {
        RECTL r = kRect;
        EXPECT_TRUE(DrvBitBlt(so(), nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, &brush->bo, nullptr, c.rop4));
        ASSERT_TRUE(DrvSendPage(so()));
        ASSERT_TRUE(DrvStartPage(so()));
    }
    finish();
    for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(pageLines(i), cases[i].want) << cases[i].rop4;
}

TEST_F(VectorCalls, StrokesAndFillsOfSubpaths) {
    start();
    auto brush = solid(0x0000FF);
    LINEATTRS la = cosmetic();
    PathPtr one(makePath({{{10, 10}, {50, 10}, {50, 50}, {10, 50}}}, true));
    PathPtr two(makePath({{{10, 10}, {50, 10}, {50, 50}}, {{60, 60}, {90, 60}, {90, 90}}}, true));
    const MIX copy = R2_COPYPEN | (R2_COPYPEN << 8);
    EXPECT_EQ(DrvStrokePath(so(), &one->po, nullptr, nullptr, &brush->bo, nullptr, &la, copy), TRUE);
    EXPECT_EQ(DrvStrokePath(so(), &two->po, nullptr, nullptr, &brush->bo, nullptr, &la, copy), TRUE);
    EXPECT_EQ(DrvFillPath(so(), &two->po, nullptr, &brush->bo, nullptr, copy, FP_WINDINGMODE), TRUE);
    EXPECT_EQ(DrvStrokeAndFillPath(so(), &one->po, nullptr, nullptr, &brush->bo, &la, &brush->bo, nullptr, copy,
                                   FP_ALTERNATEMODE),
              TRUE);
    const Lines paths = only(finish(), "Path");
    // A closed figure is stroked alone; two closed figures give one record
    // each, with the whole path's bounds.
    EXPECT_EQ(paths, (Lines{
                         "Path lines stroke closed bounds=[10,10,50,50] work=12: M(10,10) L(50,10) L(50,50) L(10,50)",
                         "Path lines stroke closed bounds=[10,10,90,90] work=9: M(10,10) L(50,10) L(50,50)",
                         "Path lines stroke closed bounds=[10,10,90,90] work=9: M(60,60) L(90,60) L(90,90)",
                         "Path lines fill-winding closed multi bounds=[10,10,90,90] work=19: M(10,10) L(50,10) "
                         "L(50,50) | M(60,60) L(90,60) L(90,90)",
                         "Path lines stroke-fill-alternate closed bounds=[10,10,50,50] work=12: M(10,10) L(50,10) "
                         "L(50,50) L(10,50)",
                     }));
}

TEST_F(VectorCalls, PathCallsWithoutOutputOrWithABrushThatCannotGo) {
    start();
    auto brush = solid(0);
    LINEATTRS la = cosmetic();
    PathPtr path(makePath({{{10, 10}, {50, 10}}}, false));
    const MIX copy = R2_COPYPEN | (R2_COPYPEN << 8);
    // A pattern brush without a realisation: an error, with the reason set.
    BRUSHOBJ none{0xFFFFFFFF, nullptr, 0};
    SetLastError(0);
    EXPECT_EQ(DrvFillPath(so(), &path->po, nullptr, &none, nullptr, copy, 0), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    // A pattern pen is the engine's to draw.
    EXPECT_EQ(DrvStrokePath(so(), &path->po, nullptr, nullptr, &none, nullptr, &la, copy), FALSE);
    // Item 364: every call succeeds and sends nothing.
    pdev()->hiddenFunc18 = 1;
    EXPECT_EQ(DrvStrokePath(so(), &path->po, nullptr, nullptr, &brush->bo, nullptr, &la, copy), TRUE);
    EXPECT_EQ(DrvFillPath(so(), &path->po, nullptr, &brush->bo, nullptr, copy, 0), TRUE);
    RECTL r = kRect;
    EXPECT_EQ(DrvBitBlt(so(), nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, &brush->bo, nullptr, 0xF0F0),
              TRUE);
    pdev()->hiddenFunc18 = 0;
    // A device whose output failed draws nothing more.
    pdev()->flags |= kPdevOutputFailed;
    EXPECT_EQ(DrvFillPath(so(), &path->po, nullptr, &brush->bo, nullptr, copy, 0), FALSE);
    pdev()->flags &= ~kPdevOutputFailed;
    // An invalid surface.
    SURFOBJ stranger{};
    EXPECT_EQ(DrvFillPath(&stranger, &path->po, nullptr, &brush->bo, nullptr, copy, 0), FALSE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(only(finish(), "Path").empty());
}

TEST_F(VectorCalls, TheClipCacheSendsEachClipOnceAndEndsItOnce) {
    start();
    auto brush = solid(0);
    PathPtr path(makePath({{{10, 10}, {50, 10}, {50, 50}}}, true));
    const MIX copy = R2_COPYPEN | (R2_COPYPEN << 8);
    const gdi::Region rect = gdi::Region::fromRect(RECTL{0, 0, 100, 100});
    const gdi::Region two = gdi::Region::fromRects({RECTL{0, 0, 10, 10}, RECTL{20, 20, 30, 30}});
    auto rc = gdi::makeClip(&rect, 7);
    auto unnamed = gdi::makeClip(&two, 0);
    auto named = gdi::makeClip(&two, 9);
    auto fillWith = [&](CLIPOBJ* c) { EXPECT_EQ(DrvFillPath(so(), &path->po, c, &brush->bo, nullptr, copy, 0), TRUE); };
    fillWith(&rc->co);
    fillWith(&rc->co);
    fillWith(nullptr);
    fillWith(nullptr);
    fillWith(&unnamed->co);
    fillWith(&unnamed->co);
    fillWith(&named->co);
    fillWith(&named->co);
    const Lines lines = finish();
    Lines clips;
    for (const auto& l : lines)
        if (l.rfind("Rect clip", 0) == 0 || l == "ClipReset" || l.find(" clip ") != std::string::npos)
            clips.push_back(l.substr(0, 14));
    // A clip of id 0 names no clip in particular: it goes every time.
    EXPECT_EQ(clips, (Lines{"Rect clip [0,0", "ClipReset", "Path lines cli", "Path lines cli", "Path lines cli"}));
    EXPECT_EQ(only(lines, "Path lines fill").size(), 8u);
}

TEST_F(VectorCalls, TheClipKindOutlivesThePage) {
    start();
    const gdi::Region rect = gdi::Region::fromRect(RECTL{0, 0, 100, 100});
    auto rc = gdi::makeClip(&rect, 7);
    EXPECT_EQ(ClipSelect(pdev(), &rc->co), 1);
    EXPECT_EQ(ClipSelect(pdev(), &rc->co), 0);
    ASSERT_TRUE(DrvSendPage(so()));
    ASSERT_TRUE(DrvStartPage(so()));
    // The new page has forgotten the rectangle but still ends the clip.
    EXPECT_EQ(ClipSelect(pdev(), nullptr), 1);
    EXPECT_EQ(ClipSelect(pdev(), nullptr), 0);
    EXPECT_EQ(ClipSelect(pdev(), &rc->co), 1);
}

TEST_F(VectorCalls, CopiesOfThirtyTwoBitImagesBlendOnlyWhenSomePixelIsNotOpaque) {
    start();
    colourOutput();
    TestBitmap opaque(2, 2, BMF_32BPP), blended(2, 2, BMF_32BPP);
    for (LONG y = 0; y < 2; ++y)
        for (LONG x = 0; x < 2; ++x) {
            opaque.row(y)[x * 4 + 3] = 0xFF;
            blended.row(y)[x * 4 + 3] = 0xFF;
        }
    blended.row(1)[7] = 0x80;
    RECTL r{10, 10, 12, 12};
    POINTL at{0, 0};
    EXPECT_TRUE(DrvCopyBits(so(), opaque.so, nullptr, nullptr, &r, &at));
    EXPECT_TRUE(DrvCopyBits(so(), blended.so, nullptr, nullptr, &r, &at));
    const Lines lines = finish();
    EXPECT_EQ(only(lines, "Rop"), (Lines{"Rop 0xCC", "Rop 0x88"}));
    // Converted into 24 bits.
    EXPECT_EQ(only(lines, "Raster 24bpp").size(), 2u) << ::testing::PrintToString(lines);
}

TEST_F(VectorCalls, MaskedBlitsSendTheMaskBetweenItsRops) {
    start();
    colourOutput();
    TestBitmap src(8, 8, BMF_24BPP), mask(8, 8, BMF_1BPP);
    mask.row(0)[0] = 0xF0;
    RECTL r{40, 40, 48, 48};
    POINTL at{0, 0}, mp{0, 0};
    EXPECT_TRUE(DrvBitBlt(so(), src.so, mask.so, nullptr, nullptr, &r, &at, &mp, nullptr, nullptr, 0xAACC));
    Lines lines = finish();
    for (auto& l : lines) l = l.substr(0, l.find(" dst"));
    EXPECT_EQ(lines, (Lines{"BkMode transparent", "Rop 0xCC", "Color fg=FFFFFF", "Rop 0xEE", "Raster 1bpp",
                            "Rop 0x88", "Raster 24bpp"}));
}

TEST_F(VectorCalls, ColourTransformsAreKeptInPairsAndEachDeleteFreesItsOwn) {
    const std::string icc = readText(std::filesystem::path(VESK_SOURCE_DIR) / "samples/docs/img/printer.icc");
    ASSERT_FALSE(icc.empty());
    std::vector<BYTE> profile(icc.begin(), icc.end());
    const size_t base = winsim::engine::colorHandleCount();
    {
        EngineDevice d;
        ASSERT_TRUE(d.make(printer_)) << d.error;
        const DHPDEV dev = d.session->dhpdev();
        LOGCOLORSPACEW srgb{};
        srgb.lcsSignature = LCS_SIGNATURE;
        srgb.lcsSize = sizeof srgb;
        srgb.lcsCSType = LCS_sRGB;
        auto create = [&](std::vector<BYTE>& bytes, LPLOGCOLORSPACEW space) {
            return DrvIcmCreateColorTransform(dev, space, nullptr, 0, bytes.data(), static_cast<ULONG>(bytes.size()),
                                              nullptr, 0, 0);
        };
        SetLastError(0);
        EXPECT_EQ(DrvIcmCreateColorTransform(nullptr, nullptr, nullptr, 0, profile.data(), 1, nullptr, 0, 0), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
        // A profile that is not one leaves nothing open.
        std::vector<BYTE> junk(128, 0);
        EXPECT_EQ(create(junk, &srgb), nullptr);
        // A transform that cannot be made closes the profile it opened.
        EXPECT_EQ(create(profile, nullptr), nullptr);
        EXPECT_EQ(winsim::engine::colorHandleCount(), base);
        // A second transform does not replace the first: both stay open.
        HANDLE first = create(profile, &srgb), second = create(profile, &srgb);
        ASSERT_NE(first, nullptr);
        ASSERT_NE(second, nullptr);
        EXPECT_NE(first, second);
        EXPECT_EQ(winsim::engine::colorHandleCount(), base + 4);
        // A delete frees the pair of its handle only, once.
        EXPECT_TRUE(DrvIcmDeleteColorTransform(dev, first));
        EXPECT_FALSE(DrvIcmDeleteColorTransform(dev, first));
        int stranger = 0;
        EXPECT_FALSE(DrvIcmDeleteColorTransform(dev, &stranger));
        EXPECT_EQ(winsim::engine::colorHandleCount(), base + 2);
    }
    // The device's end frees the pair left.
    EXPECT_EQ(winsim::engine::colorHandleCount(), base);
}

TEST_F(VectorCalls, GlyphOutlinesAreMeasuredAndNeverWrittenPastTheirBuffer) {
    start();
    // Lone start points cost bytes but count no curve.
    PathPtr glyph(makePath({{{0, 0}, {4, 0}, {4, 4}}, {{8, 8}}, {{9, 9}}, {{10, 10}}}, true));
    BOOL closed = FALSE;
    const DWORD need = GlyphOutlineData(pdev(), &glyph->po, &closed, nullptr, 0, 0, 0);
    // Work estimate, then 12 + 2 x 12 bytes and three lone starts of 12.
    EXPECT_EQ(need, 4u + 36u + 36u);
    EXPECT_TRUE(closed);
    std::vector<BYTE> buf(need + 8, 0xEE);
    EXPECT_EQ(GlyphOutlineData(pdev(), &glyph->po, &closed, buf.data(), need - 4, 16, 32), 0u);
    EXPECT_EQ(GlyphOutlineData(pdev(), &glyph->po, &closed, buf.data(), need, 16, 32), need);
    EXPECT_EQ(buf[need], 0xEE);
    // The first start point moved by (16, 32) in 28.4.
    EXPECT_EQ(buf[8], 16);
    EXPECT_EQ(buf[12], 32);
}

TEST_F(VectorCalls, BandingDevicesHandBlitsToTheEngine) {
    start({{kItImagePrint, 1}});
    ASSERT_TRUE(d_.session->banding());
    POINTL org{0, 0};
    ASSERT_TRUE(DrvStartBanding(so(), &org));
    auto brush = solid(0x000000);
    TestBitmap src(4, 4, BMF_24BPP);
    RECTL r{0, 0, 4, 4}, big{0, 0, 8, 8}, whole{0, 0, 4, 4};
    winsim::journalEnable(true);
    winsim::journalClear();
    EXPECT_TRUE(DrvBitBlt(so(), nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, &brush->bo, nullptr, 0xF0F0));
    EXPECT_TRUE(DrvStretchBlt(so(), src.so, nullptr, nullptr, nullptr, nullptr, nullptr, &big, &whole, nullptr,
                              COLORONCOLOR));
    EXPECT_EQ(winsim::journalCount("EngBitBlt"), 1u);
    EXPECT_EQ(winsim::journalCount("EngStretchBlt"), 1u);
    winsim::journalEnable(false);
    // The band holds the black square.
    EXPECT_EQ(static_cast<const BYTE*>(so()->pvScan0)[0], 0x00);
    EXPECT_EQ(static_cast<const BYTE*>(so()->pvScan0)[9 * 3], 0xFF);
}
