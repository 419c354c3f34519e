// Drawing, brush, colour and font functions of the table whose own bodies
// belong to the drawing code of the driver. Until that code takes them over,
// each answers as a driver that does not do the call: the drawing calls hand
// the operation to the engine's own rendering (which draws on engine bitmaps,
// as the banding surface is, and refuses a device surface, so that the engine
// falls back on its side), and the queries answer that the driver has
// nothing to offer.
#include "driver_functions.h"

extern "C" {

BOOL APIENTRY DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                        RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                        ROP4 rop4) {
    return EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
}

BOOL APIENTRY DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                            COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                            POINTL* pptlMask, ULONG iMode) {
    return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask, iMode);
}

// The engine has no stretch with a brush of its own to hand this to: the
// call is refused and the engine renders it.
BOOL APIENTRY DrvStretchBltROP(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*, RECTL*,
                               RECTL*, POINTL*, ULONG, BRUSHOBJ*, DWORD) {
    return FALSE;
}

BOOL APIENTRY DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                          POINTL* pptlSrc) {
    return EngCopyBits(psoDest, psoSrc, pco, pxlo, prclDest, pptlSrc);
}

BOOL APIENTRY DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                            POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
    return EngStrokePath(pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
}

BOOL APIENTRY DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                          FLONG flOptions) {
    return EngFillPath(pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
}

BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                   LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                   FLONG flOptions) {
    return EngStrokeAndFillPath(pso, ppo, pco, pxo, pboStroke, plineattrs, pboFill, pptlBrushOrg, mixFill, flOptions);
}

BOOL APIENTRY DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                         RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
    return EngTextOut(pso, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg, mix);
}

// No realisation: the engine keeps the brush as its own.
BOOL APIENTRY DrvRealizeBrush(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG) { return FALSE; }

// The nearest solid colour.
ULONG APIENTRY DrvDitherColor(DHPDEV, ULONG, ULONG, ULONG*) { return DCR_SOLID; }

HANDLE APIENTRY DrvIcmCreateColorTransform(DHPDEV, LPLOGCOLORSPACEW, PVOID, ULONG, PVOID, ULONG, PVOID, ULONG,
                                           DWORD) {
    return nullptr;
}

BOOL APIENTRY DrvIcmDeleteColorTransform(DHPDEV, HANDLE) { return FALSE; }

// The driver has no device font to describe yet.
PIFIMETRICS APIENTRY DrvQueryFont(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*) { return nullptr; }

PVOID APIENTRY DrvQueryFontTree(DHPDEV, ULONG_PTR, ULONG, ULONG, ULONG_PTR*) { return nullptr; }

LONG APIENTRY DrvQueryFontData(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG) { return -1; }

BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG) { return FALSE; }

// Glyph images, as the engine gives them when a driver does not ask.
ULONG APIENTRY DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return FO_GLYPHBITS; }

}  // extern "C"
