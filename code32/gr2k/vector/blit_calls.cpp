// The bit-block calls: in banding mode the engine draws them into the band
// bitmap; in vector mode a blit with a source ships its image through the
// raster paths, and a blit without one fills its rectangle with the brush.
#include "driver_functions.h"
#include "records/drawing_records.h"
#include "vector/vector.h"

namespace vesk {

namespace {

bool isBitmap(const SURFOBJ* so) { return so && so->iType == STYPE_BITMAP && so->pvScan0; }

// Transparent when the background ROP leaves the destination as it is.
BYTE bkModeOfRop4(DWORD rop4) { return ((rop4 >> 8) & 0xFF) == 0xAA ? kBkTransparent : kBkOpaque; }

// The colours of a blit with a source: the brush's, white without one.
bool sendBlitColours(Pdev* p, const RealizedBrush* b, BYTE bkMode) {
    ColorDesc d{};
    d.bkMode = bkMode;
    d.foreground = b ? b->foreground : 0xFFFFFF;
    d.background = b ? b->background : 0xFFFFFF;
    d.kind = kColorBlit;
    d.hostIcm = b ? b->hostIcm : 0;
    ColorDescSwap(&d);
    return SetColorCached(&p->out, &p->draw, d) != 0;
}

// The brush of a blit that has one; a brush that cannot be realised leaves
// none. False when its record cannot be sent.
bool blitBrush(Pdev* p, SURFOBJ* pso, BRUSHOBJ* pbo, POINTL* org, RealizedBrush** out) {
    *out = pbo ? BrushSelect(p, pso, pbo, org) : nullptr;
    return !*out || SetBrushCached(&p->out, &p->draw, *out);
}

// The target rectangle filled with the brush under the rop4's pattern ROPs.
BOOL fillRect(Pdev* p, SURFOBJ* pso, CLIPOBJ* pco, RECTL* rect, BRUSHOBJ* pbo, POINTL* org, ROP4 rop4) {
    const BYTE fg = rop4 & 0xFF, bg = (rop4 >> 8) & 0xFF;
    RealizedBrush* b = nullptr;
    if (fg == 0x00 || fg == 0xFF)
        b = SolidBrushSlot(p, fg == 0x00 ? 0 : 0xFFFFFF);
    else if (fg == 0x55 && !pbo)
        b = SolidBrushSlot(p, 0xFFFFFF);
    else
        b = BrushSelect(p, pso, pbo, org);
    if (!rect || !SetBrushCached(&p->out, &p->draw, b)) return FALSE;
    const BYTE mixFg = PatternRopToMix(fg), mixBg = PatternRopToMix(bg);
    ColorDesc d{};
    ColorDescFromMix(MIX{mixFg} | (MIX{mixBg} << 8), &d, 0);
    d.foreground = b->foreground;
    d.background = b->background;
    d.kind = kColorFill;
    d.hostIcm = b->hostIcm;
    ColorDescSwap(&d);
    if (!SetColorCached(&p->out, &p->draw, d) || !SetBkModeCached(&p->out, &p->draw, static_cast<BYTE>(d.bkMode)) ||
        !SetRopCached(&p->out, &p->draw, Rop2ToRop3(mixFg)))
        return FALSE;
    if (ClipSelect(p, pco) < 0) return FALSE;
    return RectRecordWrite(&p->out, *rect, nullptr, kRectFill) ? TRUE : FALSE;
}

// True when some pixel of a 32-bit bitmap is not fully opaque.
bool hasAlpha(const SURFOBJ* so) {
    if (so->iBitmapFormat != BMF_32BPP) return false;
    for (LONG y = 0; y < so->sizlBitmap.cy; ++y) {
        const BYTE* r = static_cast<const BYTE*>(so->pvScan0) + std::ptrdiff_t{y} * so->lDelta;
        for (LONG x = 0; x < so->sizlBitmap.cx; ++x)
            if (r[x * 4 + 3] != 0xFF) return true;
    }
    return false;
}

}  // namespace
}  // namespace vesk

using namespace vesk;

extern "C" {

BOOL APIENTRY DrvBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                        RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask, BRUSHOBJ* pbo, POINTL* pptlBrush,
                        ROP4 rop4) {
    BOOL r = FALSE;
    Pdev* p = DrawBegin(psoTrg, &r);
    if (!p) return r;
    if (p->banding)
        return EngBitBlt(psoTrg, psoSrc, psoMask, pco, pxlo, prclTrg, pptlSrc, pptlMask, pbo, pptlBrush, rop4);
    if ((rop4 & 0xFFFF) == 0xAAAA) return TRUE;
    const BYTE fg = rop4 & 0xFF;
    if (!psoSrc || fg == 0x00 || fg == 0xFF) return fillRect(p, psoTrg, pco, prclTrg, pbo, pptlBrush, rop4);
    RealizedBrush* b = nullptr;
    if (!blitBrush(p, psoTrg, pbo, pptlBrush, &b)) return FALSE;
    if (!SetBkModeCached(&p->out, &p->draw, bkModeOfRop4(rop4)) || !SetRopCached(&p->out, &p->draw, fg) ||
        !sendBlitColours(p, b, bkModeOfRop4(rop4)) || ClipSelect(p, pco) < 0)
        return FALSE;
    return BlitRasterShip(p, pxlo, psoSrc, pptlSrc, prclTrg, pptlMask, psoMask, rop4);
}

BOOL APIENTRY DrvStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco, XLATEOBJ* pxlo,
                            COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                            POINTL* pptlMask, ULONG iMode) {
    BOOL r = FALSE;
    Pdev* p = DrawBegin(psoDest, &r);
    if (!p) return r;
    if (p->banding)
        return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg, prclDest, prclSrc, pptlMask,
                             PdevOneBitOutput(p) ? HALFTONE : iMode);
    if (!isBitmap(psoSrc)) return FALSE;
    if (p->hiddenFunc30 && PdevOneBitOutput(p)) {
        POINTL origin{0, 0};
        return EngStretchBlt(psoDest, psoSrc, psoMask, pco, pxlo, pca, pptlHTOrg ? pptlHTOrg : &origin, prclDest,
                             prclSrc, pptlMask, HALFTONE);
    }
    if (ClipSelect(p, pco) < 0 || !SetRopCached(&p->out, &p->draw, 0xCC)) return FALSE;
    return StretchRasterShip(p, pxlo, psoSrc, pca, pptlHTOrg, prclDest, prclSrc);
}

BOOL APIENTRY DrvStretchBltROP(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ*, CLIPOBJ* pco, XLATEOBJ* pxlo,
                               COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc, POINTL*,
                               ULONG, BRUSHOBJ* pbo, DWORD rop4) {
    BOOL r = FALSE;
    Pdev* p = DrawBegin(psoDest, &r);
    if (!p) return r;
    if (!isBitmap(psoSrc)) return FALSE;
    RealizedBrush* b = nullptr;
    if (!SetBkModeCached(&p->out, &p->draw, bkModeOfRop4(rop4)) || !blitBrush(p, psoDest, pbo, pptlHTOrg, &b) ||
        !sendBlitColours(p, b, bkModeOfRop4(rop4)) || !SetRopCached(&p->out, &p->draw, rop4 & 0xFF) || ClipSelect(p, pco) < 0)
        return FALSE;
    return StretchRasterShip(p, pxlo, psoSrc, pca, pptlHTOrg, prclDest, prclSrc);
}

BOOL APIENTRY DrvCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo, RECTL* prclDest,
                          POINTL* pptlSrc) {
    // A copy from the device surface: the engine reads pixels the device
    // holds, which it cannot, and gets white.
    const bool fromDevice = psoSrc && psoSrc->iType != STYPE_BITMAP;
    BOOL r = FALSE;
    Pdev* p = DrawBegin(fromDevice ? psoSrc : psoDest, &r);
    if (!p) return r;
    if (fromDevice) return EngEraseSurface(psoDest, prclDest, 0xFFFFFF);
    if (!psoDest || psoDest->hsurf != p->surface || !isBitmap(psoSrc)) return FALSE;
    if (!SetRopCached(&p->out, &p->draw, hasAlpha(psoSrc) ? 0x88 : 0xCC) || ClipSelect(p, pco) < 0) return FALSE;
    return CopyRasterShip(p, pxlo, psoSrc, pptlSrc, prclDest);
}

}  // extern "C"
