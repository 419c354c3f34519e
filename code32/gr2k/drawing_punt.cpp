// Text and font functions of the table whose own bodies belong to the text
// code of the driver. Until that code takes them over, each answers as a
// driver that does not do the call: text goes to the engine's own rendering
// (which draws on engine bitmaps, as the banding surface is, and refuses a
// device surface, so that the engine falls back on its side), and the font
// queries answer that the driver has nothing to offer.
#include "driver_functions.h"

extern "C" {

BOOL APIENTRY DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                         RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
    return EngTextOut(pso, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg, mix);
}

// The driver has no device font to describe yet.
PIFIMETRICS APIENTRY DrvQueryFont(DHPDEV, ULONG_PTR, ULONG, ULONG_PTR*) { return nullptr; }

PVOID APIENTRY DrvQueryFontTree(DHPDEV, ULONG_PTR, ULONG, ULONG, ULONG_PTR*) { return nullptr; }

LONG APIENTRY DrvQueryFontData(DHPDEV, FONTOBJ*, ULONG, HGLYPH, GLYPHDATA*, PVOID, ULONG) { return -1; }

BOOL APIENTRY DrvQueryAdvanceWidths(DHPDEV, FONTOBJ*, ULONG, HGLYPH*, PVOID, ULONG) { return FALSE; }

// Glyph images, as the engine gives them when a driver does not ask.
ULONG APIENTRY DrvGetGlyphMode(DHPDEV, FONTOBJ*) { return FO_GLYPHBITS; }

}  // extern "C"
