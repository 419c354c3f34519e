// The engine's questions about the resident device fonts: their metrics and
// glyph sets, glyph data and extents, advance widths, and how glyphs are
// kept.
#include <win/system.h>

#include "driver_functions.h"
#include "text/font_set.h"
#include "text/text_metrics.h"

namespace vesk {

namespace {

// The extents record has no pointer: the same 124 bytes on every target.
static_assert(sizeof(FD_DEVICEMETRICS) == 124, "FD_DEVICEMETRICS is 124 bytes");

// The empty kerning table: one terminating pair.
const FD_KERNINGPAIR kNoKerning[1] = {{0, 0, 0}};

constexpr FIX roundFix(LONG v) { return (v + 8) & ~15; }

// A notional vector through the font's transform, in 28.4.
POINTL toFix(XFORMOBJ* pxo, LONG x, LONG y) {
    POINTL in{x, y}, out{0, 0};
    if (!XFORMOBJ_bApplyXform(pxo, XF_LTOFX, 1, &in, &out)) out = POINTL{x * 16, y * 16};
    return out;
}

// The face's metrics and the font's transform of a device font.
const IFIMETRICS* deviceMetrics(DHPDEV dhpdev, FONTOBJ* pfo, XFORMOBJ** pxo) {
    Pdev* p = PdevFromHandle(dhpdev);
    if (!p || !pfo) return nullptr;
    const DeviceFontFace* f = DeviceFontFaceOf(p, pfo->iFace);
    if (!f) return nullptr;
    *pxo = FONTOBJ_pxoGetXform(pfo);
    return f->metrics;
}

// The width of a glyph in font units: the average width for single-byte
// codes and the half-width rows of the device's code (0x8640, 0x85xx), the
// full increment for everything else.
LONG glyphWidth(const IFIMETRICS* ifi, HGLYPH hg) {
    if (hg < 256 || hg == 0x8640 || (hg >> 8) == 0x85) return ifi->fwdAveCharWidth;
    return ifi->fwdMaxCharInc;
}

// Length in 28.4 x 4096 of the font's 4096-unit baseline vector.
int64_t baseLength(XFORMOBJ* pxo) {
    const POINTL v = toFix(pxo, 4096, 0);
    return IntHypot(v.x, v.y);
}

// Pitch bits 1: fixed pitch.
bool isFixedPitch(const IFIMETRICS* ifi) { return (ifi->jWinPitchAndFamily & 3) == 1; }

}  // namespace
}  // namespace vesk

using namespace vesk;

extern "C" {

PIFIMETRICS APIENTRY DrvQueryFont(DHPDEV dhpdev, ULONG_PTR, ULONG iFace, ULONG_PTR* pid) {
    if (pid) *pid = 0;
    Pdev* p = PdevFromHandle(dhpdev);
    DeviceFontFace* f = p ? DeviceFontFaceOf(p, iFace) : nullptr;
    if (!f) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return f->metrics;
}

PVOID APIENTRY DrvQueryFontTree(DHPDEV dhpdev, ULONG_PTR, ULONG iFace, ULONG iMode, ULONG_PTR* pid) {
    if (pid) *pid = 0;
    Pdev* p = PdevFromHandle(dhpdev);
    if (!p || !DeviceFontFaceOf(p, iFace)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (iMode == QFT_GLYPHSET) {
        FD_GLYPHSET* gs = GlyphSetForFace(p, p->deviceFonts, iFace);
        if (!gs) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return gs;
    }
    if (iMode == QFT_KERNPAIRS) return const_cast<FD_KERNINGPAIR*>(kNoKerning);
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
}

LONG APIENTRY DrvQueryFontData(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg, GLYPHDATA* pgd, PVOID pv,
                               ULONG cjSize) {
    XFORMOBJ* pxo = nullptr;
    if (iMode == QFD_GLYPHANDBITMAP) {
        if (!pgd) return 0;
        const IFIMETRICS* ifi = deviceMetrics(dhpdev, pfo, &pxo);
        if (!ifi) return -1;
        const int64_t width = glyphWidth(ifi, hg);
        const POINTL top = toFix(pxo, 0, ifi->rclFontBox.top), bottom = toFix(pxo, 0, ifi->rclFontBox.bottom);
        const POINTL base = toFix(pxo, 4096, 0);
        *pgd = GLYPHDATA{};
        pgd->hg = hg;
        pgd->fxInkTop = roundFix(top.y);
        pgd->fxInkBottom = roundFix(bottom.y);
        pgd->fxD = roundFix(static_cast<LONG>((width * baseLength(pxo)) >> 12));
        pgd->fxA = 0;
        pgd->fxAB = pgd->fxD;
        pgd->ptqD.x.u.HighPart = roundFix(static_cast<LONG>((width * base.x) >> 12));
        pgd->ptqD.y.u.HighPart = roundFix(static_cast<LONG>((width * base.y) >> 12));
        pgd->rclInk = RECTL{0, pgd->fxInkTop >> 4, pgd->fxD >> 4, pgd->fxInkBottom >> 4};
        return 0;
    }
    if (iMode == QFD_MAXEXTENTS) {
        const LONG need = static_cast<LONG>(sizeof(FD_DEVICEMETRICS));
        if (!pv) return need;
        const IFIMETRICS* ifi = deviceMetrics(dhpdev, pfo, &pxo);
        if (!ifi || cjSize < sizeof(FD_DEVICEMETRICS)) return -1;
        auto* dm = static_cast<FD_DEVICEMETRICS*>(pv);
        *dm = FD_DEVICEMETRICS{};
        const POINTL base = toFix(pxo, 1000, 0), side = toFix(pxo, 0, -1000);
        dm->pteBase = POINTE{static_cast<FLOATL>(base.x / 16000.0), static_cast<FLOATL>(base.y / 16000.0)};
        dm->pteSide = POINTE{static_cast<FLOATL>(side.x / 16000.0), static_cast<FLOATL>(side.y / 16000.0)};
        const POINTL inc = toFix(pxo, ifi->fwdMaxCharInc, 0);
        dm->lD = (IntHypot(inc.x, inc.y) + 8) >> 4;
        if (isFixedPitch(ifi)) dm->lNonLinearMaxCharWidth = dm->lD;
        LONG ascent = ifi->rclFontBox.top, descent = -ifi->rclFontBox.bottom;
        if (isFixedPitch(ifi) && !(ifi->flInfo & FM_INFO_DBCS_FIXED_PITCH)) {
            descent -= (ifi->rclFontBox.top - ifi->rclFontBox.bottom) - 1000;
            if (descent < 0) descent = 0;
        }
        const POINTL a = toFix(pxo, 0, ascent), d = toFix(pxo, 0, descent);
        dm->fxMaxAscender = roundFix(IntHypot(a.x, a.y));
        dm->fxMaxDescender = roundFix(IntHypot(d.x, d.y));
        auto px = [](POINTL v) { return POINTL{(v.x + 8) >> 4, (v.y + 8) >> 4}; };
        dm->ptlUnderline1 = px(toFix(pxo, 0, -ifi->fwdUnderscorePosition));
        dm->ptlStrikeOut = px(toFix(pxo, 0, -ifi->fwdStrikeoutPosition));
        dm->ptlULThickness = px(toFix(pxo, 0, ifi->fwdUnderscoreSize));
        dm->ptlSOThickness = dm->ptlULThickness;
        dm->cxMax = static_cast<ULONG>(dm->lD);
        dm->cyMax = static_cast<ULONG>((dm->fxMaxAscender + dm->fxMaxDescender) >> 4);
        return need;
    }
    return -1;
}

BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg, PVOID pvWidths,
                                    ULONG cGlyphs) {
    if (iMode != QAW_GETWIDTHS && iMode != QAW_GETEASYWIDTHS) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (cGlyphs == 0) return TRUE;
    XFORMOBJ* pxo = nullptr;
    const IFIMETRICS* ifi = deviceMetrics(dhpdev, pfo, &pxo);
    if (!ifi || !phg || !pvWidths) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const int64_t length = baseLength(pxo);
    auto* widths = static_cast<USHORT*>(pvWidths);
    for (ULONG i = 0; i < cGlyphs; ++i)
        widths[i] = static_cast<USHORT>((((glyphWidth(ifi, phg[i]) * length) >> 12) + 8) & 0xFFF0);
    return TRUE;
}

// The engine keeps glyph images for every font.
ULONG APIENTRY DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return FO_GLYPHBITS; }

}  // extern "C"
