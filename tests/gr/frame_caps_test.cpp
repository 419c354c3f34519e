// What the device tells the engine: GDIINFO and DEVINFO for representative
// settings, the band height rule, the halftone sizes and the character-set
// and code-page pairs.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include <cstring>
#include <vector>

#include "pdev.h"

using namespace vesk;

namespace {

// A device record with A4 at 600 dpi and the settings a test changes.
struct CapsDevice {
    std::vector<unsigned char> block = std::vector<unsigned char>(sizeof(Pdev), 0);
    Pdev* p = reinterpret_cast<Pdev*>(block.data());
    CapsDevice() {
        p->signature = p->signatureEnd = kPdevSignature;
        p->resolution = 600;
        p->colorProcess = 0;
        p->color = 2;
        PageGeometry& g = p->geometry;
        g.paperWidthDots = 4960, g.paperLengthDots = 7016;
        g.printWidthDots = 4760, g.printLengthDots = 6816;
        g.printWidthTenthMm = 4760 * 254 / 600, g.printLengthTenthMm = 6816 * 254 / 600;
        g.offsetX = 100, g.offsetY = 100;
    }
    ~CapsDevice() {
        if (p->palette) EngDeletePalette(p->palette);
    }
    GDIINFO gdi() const {
        GDIINFO g{};
        FillGdiInfo(p, &g, sizeof g);
        return g;
    }
    DEVINFO dev() {
        DEVINFO d{};
        EXPECT_TRUE(FillDevInfo(p, &d, sizeof d, HalftonePatternSize(p->resolution)));
        return d;
    }
};

struct Depth {
    int banding, process, color, hidden30;
    ULONG bits, planes, colors, registers, htFormat;
};

}  // namespace

TEST(GdiInfo, DescribesTheDeviceByItsSettings) {
    CapsDevice d;
    const GDIINFO g = d.gdi();
    EXPECT_EQ(g.ulVersion, 0x500u);
    EXPECT_EQ(g.ulTechnology, static_cast<ULONG>(DT_RASPRINTER));
    EXPECT_EQ(g.ulHorzRes, 4760u);
    EXPECT_EQ(g.ulVertRes, 6816u);
    // Micrometres as negative sizes unless the print area is the extended one.
    EXPECT_EQ(static_cast<LONG>(g.ulHorzSize), -201500);
    EXPECT_EQ(static_cast<LONG>(g.ulVertSize), -288500);
    d.p->printArea = 2;
    EXPECT_EQ(d.gdi().ulHorzSize, 201u);
    EXPECT_EQ(d.gdi().ulVertSize, 288u);
    // What follows the resolution.
    EXPECT_EQ(g.ulLogPixelsX, 600u);
    EXPECT_EQ(g.ulAspectY, 600u);
    EXPECT_EQ(g.ulAspectXY, 848u);
    EXPECT_EQ(g.denStyleStep, 24);
    EXPECT_EQ(g.ulHTPatternSize, 7u);
    d.p->resolution = 1200;
    EXPECT_EQ(d.gdi().ulAspectXY, 1696u);
    EXPECT_EQ(d.gdi().ulHTPatternSize, 11u);
    // The physical page is the paper, the offset the printable area's.
    EXPECT_EQ(g.ptlPhysOffset.x, 100);
    EXPECT_EQ(g.szlPhysSize.cy, 7016);
}

TEST(GdiInfo, ColourDepthFollowsBandingColourProcessAndColour) {
    const Depth table[] = {
        {1, 1, 1, 0, 1, 1, 2, 2, HT_FORMAT_1BPP},          // banding, 1-bit output
        {1, 0, 2, 0, 8, 3, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP},
        {1, 1, 2, 0, 8, 3, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP},
        {0, 1, 2, 0, 1, 1, 8, 20, HT_FORMAT_24BPP},        // vector, colour process 1
        {0, 1, 1, 0, 1, 1, 2, 2, HT_FORMAT_24BPP},         // 1-bit output, no item 376
        {0, 1, 1, 1, 1, 1, 2, 2, HT_FORMAT_1BPP},          // 1-bit output with item 376
        {0, 2, 2, 0, 24, 1, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP},
        {0, 0, 1, 0, 8, 3, 0xFFFFFF, 0xFFFFFF, HT_FORMAT_24BPP},
    };
    for (const Depth& t : table) {
        SCOPED_TRACE(testing::Message() << "banding " << t.banding << " process " << t.process << " color "
                                        << t.color << " item 376 " << t.hidden30);
        CapsDevice d;
        d.p->banding = static_cast<int16_t>(t.banding);
        d.p->colorProcess = static_cast<int16_t>(t.process);
        d.p->color = static_cast<uint32_t>(t.color);
        d.p->hiddenFunc30 = static_cast<uint32_t>(t.hidden30);
        const GDIINFO g = d.gdi();
        EXPECT_EQ(g.cBitsPixel, t.bits);
        EXPECT_EQ(g.cPlanes, t.planes);
        EXPECT_EQ(g.ulNumColors, t.colors);
        EXPECT_EQ(g.ulNumPalReg, t.registers);
        EXPECT_EQ(g.ulHTOutputFormat, t.htFormat);
    }
}

TEST(GdiInfo, FillsNoMoreThanTheEngineGives) {
    CapsDevice d;
    std::vector<unsigned char> buf(sizeof(GDIINFO) + 8, 0xAB);
    EXPECT_EQ(FillGdiInfo(d.p, reinterpret_cast<GDIINFO*>(buf.data()), 8), 8u);
    EXPECT_EQ(buf[0], 0x00);  // ulVersion 0x500, low byte first
    EXPECT_EQ(buf[1], 0x05);
    EXPECT_EQ(buf[8], 0xAB);
    EXPECT_EQ(FillGdiInfo(d.p, reinterpret_cast<GDIINFO*>(buf.data()), buf.size()), sizeof(GDIINFO));
    EXPECT_EQ(buf[sizeof(GDIINFO)], 0xAB);
#if UINTPTR_MAX == 0xFFFFFFFFu
    EXPECT_EQ(sizeof(GDIINFO), 304u);
    EXPECT_EQ(sizeof(DEVINFO), 300u);
#endif
}

TEST(HalftonePattern, SizeBySmallerResolution) {
    const std::pair<uint32_t, ULONG> table[] = {{2400, 15}, {1800, 13}, {2399, 13}, {1200, 11}, {900, 9},
                                                 {600, 7},   {400, 7},   {399, 5},   {180, 5},   {179, 3}};
    for (const auto& [res, size] : table) EXPECT_EQ(HalftonePatternSize(res), size) << res;
}

TEST(DevInfo, VectorCapsDefaultFontAndBgrPalette) {
    winsim::TempMachine machine;
    CapsDevice d;
    d.p->hiddenFunc4 = 1;
    DEVINFO dev = d.dev();
    EXPECT_EQ(dev.flGraphicsCaps, 0x1Fu | 0x2000u);
    EXPECT_EQ(dev.lfDefaultFont.lfHeight, 87);
    EXPECT_EQ(dev.lfDefaultFont.lfWidth, 43);
    EXPECT_EQ(dev.lfDefaultFont.lfWeight, 400);
    EXPECT_EQ(dev.lfDefaultFont.lfPitchAndFamily, 0x11);
    EXPECT_EQ(dev.lfDefaultFont.lfFaceName[0], u'\u660E');
    EXPECT_EQ(dev.lfDefaultFont.lfFaceName[1], u'\u671D');
    EXPECT_EQ(dev.lfDefaultFont.lfFaceName[2], 0);
    // Code page 1252 is character set 0; the ANSI fonts are the default
    // font with character set 0.
    EXPECT_EQ(dev.lfDefaultFont.lfCharSet, 0);
    EXPECT_EQ(dev.lfAnsiVarFont.lfHeight, 87);
    EXPECT_EQ(dev.lfAnsiFixFont.lfCharSet, 0);
    EXPECT_EQ(dev.iDitherFormat, static_cast<ULONG>(BMF_24BPP));
    EXPECT_EQ(dev.cxDither, 0);
    EXPECT_EQ(dev.cFonts, 0u);
    ASSERT_NE(dev.hpalDefault, nullptr);
    EXPECT_EQ(dev.hpalDefault, d.p->palette);

    // EMF spooling clears the no-journal bit; colour with ICM adds its bit.
    d.p->emfSpool = 1;
    d.p->icmMatching = 1;
    d.p->icmType = 1;
    HPALETTE first = d.p->palette;
    dev = d.dev();
    EXPECT_EQ(dev.flGraphicsCaps, 0x1Fu | 0x2000000u);
    EXPECT_NE(d.p->palette, nullptr);
    EXPECT_FALSE(EngDeletePalette(first));  // replaced, so already deleted

    // No default font in banding mode, for another language or without item 350.
    d.p->hiddenFunc4 = 0;
    EXPECT_EQ(d.dev().lfDefaultFont.lfHeight, 0);
}

TEST(DevInfo, OneBitBandingHasTheBlackAndWhitePaletteAndDitherCell) {
    winsim::TempMachine machine;
    CapsDevice d;
    d.p->banding = 1;
    d.p->colorProcess = 1;
    d.p->color = 1;
    d.p->hiddenFunc4 = 1;
    const DEVINFO dev = d.dev();
    EXPECT_EQ(dev.flGraphicsCaps, 0x430u | 0x2000u | 0x800000u);
    EXPECT_EQ(dev.iDitherFormat, static_cast<ULONG>(BMF_1BPP));
    EXPECT_EQ(dev.cxDither, 8);
    EXPECT_EQ(dev.cyDither, 8);
    EXPECT_EQ(dev.lfDefaultFont.lfHeight, 0);
    ASSERT_NE(dev.hpalDefault, nullptr);
    // Pattern sizes 0 to 15 give cells of 2, 2, 4, 4, ... 16, 16.
    for (ULONG size = 0; size < 16; ++size) {
        DEVINFO x{};
        ASSERT_TRUE(FillDevInfo(d.p, &x, sizeof x, size));
        EXPECT_EQ(x.cxDither, (size / 2 + 1) * 2) << size;
    }
}

TEST(DevInfo, DefaultFontCharacterSetFollowsTheAnsiCodePage) {
    winsim::MachineConfig cfg;
    cfg.ansiCodePage = 932;
    cfg.oemCodePage = 932;
    winsim::TempMachine machine(cfg);
    CapsDevice d;
    d.p->hiddenFunc4 = 1;
    const DEVINFO dev = d.dev();
    EXPECT_EQ(dev.lfDefaultFont.lfCharSet, 0x80);
    EXPECT_EQ(dev.lfAnsiVarFont.lfCharSet, 0);
    EXPECT_EQ(dev.lfAnsiFixFont.lfCharSet, 0);
}

TEST(CharsetCodePages, BothWaysAndNothingForTheUnknown) {
    const std::pair<uint32_t, uint32_t> pairs[] = {{0, 1252}, {0x80, 932}, {0x82, 1361}, {0xDE, 874}};
    for (const auto& [charset, cp] : pairs) {
        uint32_t out = 0xFFFF;
        EXPECT_TRUE(CharsetCodePageMap(1, charset, &out));
        EXPECT_EQ(out, cp);
        EXPECT_TRUE(CharsetCodePageMap(2, cp, &out));
        EXPECT_EQ(out, charset);
    }
    uint32_t out = 7;
    EXPECT_FALSE(CharsetCodePageMap(1, 0x02, &out));
    EXPECT_FALSE(CharsetCodePageMap(2, 437, &out));
    EXPECT_FALSE(CharsetCodePageMap(3, 0, &out));
    EXPECT_EQ(out, 7u);
}

TEST(BandHeight, ByTheOneBitStrideAndAtMostThePage) {
    // A stride of 4 bytes: 76832 lines, so the band is the whole page.
    for (uint32_t w : {1u, 17u, 32u}) {
        EXPECT_EQ(BandHeight(w, 100000), 76832u) << w;
        EXPECT_EQ(BandHeight(w, 6816), 6816u) << w;
    }
    EXPECT_EQ(BandHeight(33, 100000), 38432u);
    EXPECT_EQ(BandHeight(4800, 7016), 544u);
    EXPECT_EQ(BandHeight(4760, 6816), 544u);
}
