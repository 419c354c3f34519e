// The resident fonts of the driver and the engine's questions about them:
// the integer metrics, the glyph sets made from the code pages, the font
// queries and their widths.
#include <iconv.h>

#include "records/text_records.h"
#include "text/glyph_cache.h"
#include "text/text_metrics.h"
#include "text_support.h"

using namespace grtest;
using namespace vesk;

namespace {

class TextFonts : public TextPage {};

// The handle a glyph set gives a character, or 0.
HGLYPH handleOf(const FD_GLYPHSET* gs, WCHAR c) {
    for (ULONG r = 0; r < gs->cRuns; ++r) {
        const WCRUN& run = gs->awcrun[r];
        if (c >= run.wcLow && c < run.wcLow + run.cGlyphs) return run.phg[c - run.wcLow];
    }
    return 0;
}

}  // namespace

TEST(TextMetrics, LengthsAnglesSinesAndScales) {
    EXPECT_EQ(IntHypot(3, 4), 5);
    EXPECT_EQ(IntHypot(3, 5), 6);  // the smallest r with r * r >= 34
    EXPECT_EQ(IntHypot(0, -7), 7);
    EXPECT_EQ(IntHypot(-9, 0), 9);
    // Squares beyond 32 bits.
    EXPECT_EQ(IntHypot(2000000000, 2000000000), 0x7FFFFFFF);
    EXPECT_EQ(IntHypot(1000000000, 1000000000), 1414213563);
    EXPECT_EQ(IntHypot(-300000, 400000), 500000);

    EXPECT_EQ(VectorAngle(0, 0), 0);
    EXPECT_EQ(VectorAngle(1, 1), 45);
    EXPECT_EQ(VectorAngle(-1, 1), 135);
    EXPECT_EQ(VectorAngle(-7, -7), -135);
    EXPECT_EQ(VectorAngle(5, 0), 0);
    EXPECT_EQ(VectorAngle(-5, 0), 180);
    EXPECT_EQ(VectorAngle(0, 3), 90);
    EXPECT_EQ(VectorAngle(0, -3), -90);
    EXPECT_EQ(VectorAngle(1000, 577), 30);
    EXPECT_EQ(VectorAngle(1000, -1732), -60);
    EXPECT_EQ(VectorAngle(1000, 7), 0);    // 0.40 degrees: 4 tenths
    EXPECT_EQ(VectorAngle(1000, 8), 1);    // 0.46 degrees: 5 tenths, then 1 degree
    EXPECT_EQ(VectorAngle(1, 1000), 90);
    EXPECT_EQ(VectorAngle(-2147483647, 1), 180);

    EXPECT_EQ(Sin14(0), 0);
    EXPECT_EQ(Sin14(1), 286);
    EXPECT_EQ(Sin14(2), 572);
    EXPECT_EQ(Sin14(30), 8192);
    EXPECT_EQ(Sin14(90), 16384);
    EXPECT_EQ(Sin14(150), 8192);
    EXPECT_EQ(Sin14(210), -8192);
    EXPECT_EQ(Sin14(-30), -8192);
    EXPECT_EQ(Sin14(450), 16384);
    EXPECT_EQ(Cos14(0), 16384);
    EXPECT_EQ(Cos14(90), 0);
    EXPECT_EQ(Cos14(180), -16384);
    EXPECT_EQ(Cos14(-60), 8192);

    EXPECT_EQ(FloatScale(1.5f, 3), 4);
    EXPECT_EQ(FloatScale(-1.5f, 3), -4);
    EXPECT_EQ(FloatScale(1e20f, 2), 0x7FFFFFFF);
}

TEST_F(TextFonts, TheFourFacesAreLoadedAtEnableAndAnsweredByTheQueries) {
    start();
    EXPECT_EQ(pdev()->deviceFontCount, 4u);
    const DHPDEV dh = reinterpret_cast<DHPDEV>(pdev());
    const std::u16string names[] = {u"明朝", u"@明朝", u"ｺﾞｼｯｸ", u"@ｺﾞｼｯｸ"};
    const BYTE pitch[] = {0x11, 0x11, 0x21, 0x21};
    for (ULONG i = 1; i <= 4; ++i) {
        ULONG_PTR id = 5;
        IFIMETRICS* ifi = DrvQueryFont(dh, 0, i, &id);
        ASSERT_NE(ifi, nullptr);
        EXPECT_EQ(id, 0u);
        EXPECT_EQ(std::u16string(MetricsFaceName(ifi)), names[i - 1]);
        EXPECT_EQ(std::u16string(MetricsFamilyName(ifi)), names[i - 1]);
        EXPECT_EQ(ifi->jWinPitchAndFamily, pitch[i - 1]);
        EXPECT_EQ(ifi->jWinCharSet, 128);
        EXPECT_EQ(ifi->usWinWeight, 400);
        EXPECT_EQ(ifi->fwdUnitsPerEm, 1000);
        EXPECT_EQ(ifi->fwdWinAscender, 900);
        EXPECT_EQ(ifi->fwdWinDescender, 100);
        EXPECT_EQ(ifi->fwdAveCharWidth, 500);
        EXPECT_EQ(ifi->fwdMaxCharInc, 1000);
        EXPECT_EQ(ifi->flInfo, 0x18482038u);
        EXPECT_EQ(std::u16string(reinterpret_cast<const WCHAR*>(reinterpret_cast<BYTE*>(ifi) + ifi->dpwszStyleName)),
                  u"Medium");
        EXPECT_EQ(DeviceFontFaceOf(pdev(), i)->symbolKind, i % 2 ? kSymbolJis : kSymbolJisVertical);
    }
    EXPECT_STREQ(DeviceFontFaceOf(pdev(), 1)->deviceName, "@CHUMINCYO");
    EXPECT_STREQ(DeviceFontFaceOf(pdev(), 4)->deviceName, "@GOTHIC");
    SetLastError(0);
    ULONG_PTR id = 5;
    EXPECT_EQ(DrvQueryFont(dh, 0, 5, &id), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(id, 0u);
    EXPECT_EQ(DrvQueryFont(dh, 0, 0, &id), nullptr);

    // One glyph set serves all four faces; kerning pairs: none.
    auto* gs = static_cast<FD_GLYPHSET*>(DrvQueryFontTree(dh, 0, 1, QFT_GLYPHSET, &id));
    ASSERT_NE(gs, nullptr);
    for (ULONG i = 2; i <= 4; ++i) EXPECT_EQ(DrvQueryFontTree(dh, 0, i, QFT_GLYPHSET, &id), gs);
    auto* kern = static_cast<FD_KERNINGPAIR*>(DrvQueryFontTree(dh, 0, 2, QFT_KERNPAIRS, &id));
    ASSERT_NE(kern, nullptr);
    EXPECT_EQ(kern->wcFirst, 0);
    EXPECT_EQ(kern->wcSecond, 0);
    SetLastError(0);
    EXPECT_EQ(DrvQueryFontTree(dh, 0, 1, QFT_LIGATURES, &id), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(DrvQueryFontTree(dh, 0, 5, QFT_GLYPHSET, &id), nullptr);
    EXPECT_EQ(DrvGetGlyphMode(dh, nullptr), static_cast<ULONG>(FO_GLYPHBITS));
}

TEST_F(TextFonts, GlyphSetsAreMadeFromTheirCodePagesAndDecodeBack) {
    start();
    FD_GLYPHSET* jis = GlyphSetLoad(pdev(), pdev()->module, 2);
    ASSERT_NE(jis, nullptr);
    EXPECT_EQ(jis->cGlyphsSupported, 7484u);
    EXPECT_EQ(jis->cRuns, 4247u);
    EXPECT_EQ(handleOf(jis, u'あ'), 0x82A0u);
    EXPECT_EQ(handleOf(jis, 0xFF71), 0xB1u);
    EXPECT_EQ(handleOf(jis, u'A'), 0x41u);
    EXPECT_EQ(handleOf(jis, 0xE000), 0u);  // user-defined characters are not in the set
    // Every handle is the code page's own code of its character.
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    ULONG checked = 0, wrong = 0;
    for (ULONG r = 0; r < jis->cRuns; ++r) {
        const WCRUN& run = jis->awcrun[r];
        if (r) {
            EXPECT_GT(run.wcLow, jis->awcrun[r - 1].wcLow + jis->awcrun[r - 1].cGlyphs);  // runs are maximal
        }
        for (ULONG k = 0; k < run.cGlyphs; ++k, ++checked) {
            const HGLYPH h = run.phg[k];
            char in[2] = {static_cast<char>(h > 0xFF ? h >> 8 : h), static_cast<char>(h & 0xFF)};
            char16_t outChar = 0;
            char* ip = h > 0xFF ? in : in + 1;
            size_t il = h > 0xFF ? 2 : 1, ol = 2;
            char* op = reinterpret_cast<char*>(&outChar);
            if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || outChar != run.wcLow + k) ++wrong;
        }
    }
    iconv_close(cd);
    EXPECT_EQ(checked, 7484u);
    EXPECT_EQ(wrong, 0u);
    // The single-byte sets (their sizes are ours: see the data's notes).
    FD_GLYPHSET* ibm = GlyphSetLoad(pdev(), pdev()->module, 3);
    FD_GLYPHSET* win = GlyphSetLoad(pdev(), pdev()->module, 1);
    ASSERT_TRUE(ibm && win);
    EXPECT_EQ(ibm->cGlyphsSupported, 268u);
    EXPECT_EQ(ibm->cRuns, 43u);
    EXPECT_EQ(handleOf(ibm, 0x2591), 0xB0u);  // a shade of code page 850
    EXPECT_EQ(win->cGlyphsSupported, 218u);
    EXPECT_EQ(handleOf(win, 0x20AC), 0x80u);
    EXPECT_EQ(GlyphSetLoad(pdev(), pdev()->module, 4), nullptr);
}

TEST_F(TextFonts, NoFontsWhileBanding) {
    start({{183, 1}});
    EXPECT_EQ(pdev()->deviceFontCount, 0u);
    EXPECT_EQ(pdev()->deviceFonts, nullptr);
    EXPECT_EQ(DrvQueryFont(reinterpret_cast<DHPDEV>(pdev()), 0, 1, nullptr), nullptr);
    finish();
}

TEST_F(TextFonts, GlyphDataWidthsExtentsAndAdvanceWidths) {
    start();
    const DHPDEV dh = reinterpret_cast<DHPDEV>(pdev());
    auto f = residentFont(1, 33);  // 0.033 pixels per font unit
    GLYPHDATA gd{};
    // Half-width codes take the average width, the others the full increment.
    struct {
        HGLYPH hg;
        FIX advance;
    } widths[] = {{0x41, 272}, {0xB1, 272}, {0x8640, 272}, {0x8541, 272}, {0x82A0, 528}, {0x8740, 528}};
    for (const auto& w : widths) {
        EXPECT_EQ(DrvQueryFontData(dh, &f->fo, QFD_GLYPHANDBITMAP, w.hg, &gd, nullptr, 0), 0);
        EXPECT_EQ(gd.hg, w.hg);
        EXPECT_EQ(gd.fxD, w.advance) << std::hex << w.hg;
        EXPECT_EQ(gd.fxAB, w.advance);
        EXPECT_EQ(gd.fxA, 0);
        EXPECT_EQ(gd.ptqD.x.u.HighPart, w.advance);
        EXPECT_EQ(gd.ptqD.y.u.HighPart, 0);
    }
    // The font box through the transform, rounded to whole pixels in 28.4.
    EXPECT_EQ(gd.fxInkTop, 480);      // 900 * 0.033 = 29.7
    EXPECT_EQ(gd.fxInkBottom, -48);   // -100 * 0.033 = -3.3
    EXPECT_EQ(DrvQueryFontData(dh, &f->fo, QFD_GLYPHANDBITMAP, 0x41, nullptr, nullptr, 0), 0);

    EXPECT_EQ(DrvQueryFontData(dh, &f->fo, QFD_MAXEXTENTS, 0, nullptr, nullptr, 0), 124);
    FD_DEVICEMETRICS dm{};
    EXPECT_EQ(DrvQueryFontData(dh, &f->fo, QFD_MAXEXTENTS, 0, nullptr, &dm, sizeof dm), 124);
    EXPECT_EQ(dm.lD, 33);
    EXPECT_EQ(dm.fxMaxAscender, 480);
    EXPECT_EQ(dm.fxMaxDescender, 48);
    EXPECT_FLOAT_EQ(dm.pteBase.x, 0.033f);
    EXPECT_EQ(dm.ptlUnderline1.y, 3);  // 100 units below the baseline
    EXPECT_EQ(dm.ptlULThickness.y, 2);
    EXPECT_EQ(dm.ptlSOThickness.y, 2);
    EXPECT_EQ(DrvQueryFontData(dh, &f->fo, QFD_GLYPHANDOUTLINE, 0, &gd, nullptr, 0), -1);
    EXPECT_EQ(DrvQueryFontData(dh, &f->fo, 7, 0, &gd, nullptr, 0), -1);

    HGLYPH hgs[3] = {0x41, 0x82A0, 0x8640};
    USHORT aw[3] = {};
    EXPECT_TRUE(DrvQueryAdvanceWidths(dh, &f->fo, QAW_GETWIDTHS, hgs, aw, 3));
    EXPECT_EQ(aw[0], 272);  // 16.5 pixels rounded to a whole 1/16 step
    EXPECT_EQ(aw[1], 528);
    EXPECT_EQ(aw[2], 272);
    EXPECT_TRUE(DrvQueryAdvanceWidths(dh, &f->fo, QAW_GETEASYWIDTHS, nullptr, nullptr, 0));
    SetLastError(0);
    EXPECT_FALSE(DrvQueryAdvanceWidths(dh, &f->fo, 2, hgs, aw, 3));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    finish();
}

TEST_F(TextFonts, TheGlyphCacheForgetsAtEveryResetAndKeysByFontAndMode) {
    start();
    Pdev* p = pdev();
    EXPECT_FALSE(GlyphCacheFind(p, 5, u'A', kTextCharacters));
    ASSERT_TRUE(GlyphCacheAdd(p, 5, u'A', kTextCharacters));
    EXPECT_TRUE(GlyphCacheFind(p, 5, u'A', kTextCharacters));
    EXPECT_FALSE(GlyphCacheFind(p, 5, u'A', kTextGlyphIndex));
    EXPECT_FALSE(GlyphCacheFind(p, 6, u'A', kTextCharacters));
    // 1024 apart: the same bucket, different entries.
    ASSERT_TRUE(GlyphCacheAdd(p, 5 + 1024, u'A', kTextCharacters));
    EXPECT_TRUE(GlyphCacheFind(p, 5 + 1024, u'A', kTextCharacters));
    const SHORT gen = p->glyphGeneration;
    ASSERT_TRUE(DrvSendPage(so()));
    EXPECT_EQ(p->glyphGeneration, gen + 1);
    EXPECT_FALSE(GlyphCacheFind(p, 5, u'A', kTextCharacters));
    ASSERT_TRUE(DrvStartPage(so()));
    winsim::failCall("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(GlyphCacheAdd(p, 5, u'B', kTextCharacters));
    EXPECT_FALSE(GlyphCacheFind(p, 5, u'B', kTextCharacters));
    finish();
}

TEST_F(TextFonts, ANewDeviceOfTheDocumentGoesOnFromTheOldGlyphGeneration) {
    start();
    ASSERT_TRUE(GlyphCacheAdd(pdev(), 5, u'A', kTextCharacters));
    ASSERT_TRUE(DrvSendPage(so()));
    const SHORT gen = pdev()->glyphGeneration;
    std::string why;
    ASSERT_TRUE(d_.session->reset({}, &why)) << why;
    EXPECT_EQ(pdev()->glyphGeneration, gen + 1);
    EXPECT_FALSE(GlyphCacheFind(pdev(), 5, u'A', kTextCharacters));
    EXPECT_EQ(pdev()->deviceFontCount, 4u);
    ASSERT_TRUE(DrvStartPage(so()));
    finish();
}
