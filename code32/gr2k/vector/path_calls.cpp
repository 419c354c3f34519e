// The path calls in vector mode: each sends the state its path needs (line
// attributes, brush, background mode, ROP, clip, colours), then the path as
// PathRecords. 1 done; 0 lets the engine draw the path itself; -1 is an
// error (the brush could not be sent) with the error code set.
#include <win/system.h>

#include "driver_functions.h"
#include "records/path_record.h"
#include "vector/vector.h"

namespace vesk {

namespace {

constexpr BOOL kPathError = -1;

bool isPattern(const BRUSHOBJ* pbo) { return !pbo || pbo->iSolidColor == 0xFFFFFFFF; }

// The brush and its record: null with the error set when it cannot be sent.
RealizedBrush* sendBrush(Pdev* p, SURFOBJ* pso, BRUSHOBJ* pbo, POINTL* org) {
    RealizedBrush* b = BrushSelect(p, pso, pbo, org);
    if (!SetBrushCached(&p->out, &p->draw, b)) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return b;
}

// The line records of a stroke in `color`.
bool sendLine(Pdev* p, const LINEATTRS* la, DWORD color, XFORMOBJ* pxo) {
    LineAttrs a;
    int geometric = 0;
    return LineAttrsConvert(p, la, color, pxo, &a, &geometric) && SetLineAttrsCached(&p->out, &p->draw, a);
}

// Background mode, the ROP of the mix and the clip.
bool sendModes(Pdev* p, BYTE bkMode, MIX mix, CLIPOBJ* pco) {
    return SetBkModeCached(&p->out, &p->draw, bkMode) && SetRopCached(&p->out, &p->draw, Rop2ToRop3(mix & 0xFF)) &&
           ClipSelect(p, pco) >= 0;
}

BOOL stroke(Pdev* p, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo, POINTL* org,
            LINEATTRS* la, MIX mix) {
    if (isPattern(pbo) || !sendLine(p, la, pbo->iSolidColor, pxo)) return FALSE;
    RealizedBrush* b = sendBrush(p, pso, pbo, org);
    if (!b) return kPathError;
    ColorDesc d{};
    ColorDescFromMix(mix, &d, 0);
    if (!sendModes(p, static_cast<BYTE>(d.bkMode), mix, pco)) return FALSE;
    d.foreground = pbo->iSolidColor;
    d.background = 0xFFFFFF;
    d.kind = kColorStroke;
    d.hostIcm = b->hostIcm;
    ColorDescSwap(&d);
    if (!SetColorCached(&p->out, &p->draw, d)) return FALSE;
    return PathRecordWrite(p, ppo, kPathStroke) ? TRUE : FALSE;
}

// A kind-3 brush (a bitmap pattern) always paints its background.
BYTE bkModeFor(const RealizedBrush* b, const ColorDesc& d) {
    return b->kind == kBrushRgb ? BYTE{kBkOpaque} : static_cast<BYTE>(d.bkMode);
}

BOOL fill(Pdev* p, SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* org, MIX mix, FLONG options) {
    RealizedBrush* b = sendBrush(p, pso, pbo, org);
    if (!b) return kPathError;
    ColorDesc d{};
    ColorDescFromMix(mix, &d, 0);
    d.foreground = b->foreground;
    d.background = b->background;
    d.kind = kColorFill;
    d.hostIcm = b->hostIcm;
    ColorDescSwap(&d);
    if (!SetColorCached(&p->out, &p->draw, d) || !sendModes(p, bkModeFor(b, d), mix, pco)) return FALSE;
    const BYTE mode = (options & FP_WINDINGMODE) ? kPathFillWinding : kPathFillAlternate;
    return PathRecordWrite(p, ppo, mode) ? TRUE : FALSE;
}

}  // namespace
}  // namespace vesk

using namespace vesk;

extern "C" {

BOOL APIENTRY DrvStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                            POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
    BOOL r = FALSE;
    Pdev* p = DrawBegin(pso, &r);
    if (!p) return r;
    return stroke(p, pso, ppo, pco, pxo, pbo, pptlBrushOrg, plineattrs, mix);
}

BOOL APIENTRY DrvFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo, POINTL* pptlBrushOrg, MIX mix,
                          FLONG flOptions) {
    BOOL r = FALSE;
    Pdev* p = DrawBegin(pso, &r);
    if (!p) return r;
    return fill(p, pso, ppo, pco, pbo, pptlBrushOrg, mix, flOptions);
}

BOOL APIENTRY DrvStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pboStroke,
                                   LINEATTRS* plineattrs, BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                   FLONG flOptions) {
    BOOL r = FALSE;
    Pdev* p = DrawBegin(pso, &r);
    if (!p) return r;
    if (isPattern(pboStroke) || isPattern(pboFill)) {
        // A fill, then a stroke; the stroke is not drawn over a fill that
        // failed, so that the engine's own rendering of the whole call is
        // not drawn twice.
        const BOOL f = fill(p, pso, ppo, pco, pboFill, pptlBrushOrg, mixFill, flOptions);
        if (f != TRUE) return f;
        return stroke(p, pso, ppo, pco, pxo, pboStroke, pptlBrushOrg, plineattrs, mixFill);
    }
    if (!sendLine(p, plineattrs, pboStroke->iSolidColor, pxo)) return FALSE;
    RealizedBrush* b = sendBrush(p, pso, pboFill, pptlBrushOrg);
    if (!b) return kPathError;
    ColorDesc d{};
    ColorDescFromMix(mixFill, &d, 1);
    if (!sendModes(p, bkModeFor(b, d), mixFill, pco)) return FALSE;
    d.foreground = b->foreground;
    d.background = b->background;
    d.pen = pboStroke->iSolidColor;
    d.second = 0xFFFFFF;
    d.kind = kColorStrokeFill;
    d.hostIcm = b->hostIcm;
    ColorDescSwap(&d);
    if (!SetColorCached(&p->out, &p->draw, d)) return FALSE;
    const BYTE mode = (flOptions & FP_WINDINGMODE) ? kPathStrokeFillWinding : kPathStrokeFillAlternate;
    return PathRecordWrite(p, ppo, mode) ? TRUE : FALSE;
}

}  // extern "C"
