// The software rasteriser of engine bitmaps: raster operations, brushes as
// pixels, EngBitBlt, EngCopyBits, EngStretchBlt, EngEraseSurface.
#include "internal.h"

#include "core/sim.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace winsim::gdi {

using winsim::detail::setError;

ULONG rop3Apply(BYTE rop, ULONG p, ULONG s, ULONG d) {
    switch (rop) {  // the common ones directly
        case 0x00: return 0;
        case 0xFF: return 0xFFFFFFFF;
        case 0xCC: return s;
        case 0xF0: return p;
        case 0xAA: return d;
        case 0x55: return ~d;
        case 0x33: return ~s;
        case 0x88: return s & d;
        case 0xEE: return s | d;
        case 0x66: return s ^ d;
        case 0x5A: return p ^ d;
        default: break;
    }
    ULONG r = 0;
    for (int i = 0; i < 8; ++i)
        if ((rop >> i) & 1) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    return r;
}

BYTE mixToRop3(ULONG mix2) {
    static const BYTE table[17] = {0xF0, 0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                   0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};
    return mix2 <= 16 ? table[mix2] : 0xF0;  // an unknown mix copies the pen
}

ULONG BrushPixels::at(LONG x, LONG y, bool* isFore) const {
    if (solid) {
        if (isFore) *isFore = true;
        return color;
    }
    LONG px = static_cast<LONG>((static_cast<int64_t>(x) - origin.x) % w);
    LONG py = static_cast<LONG>((static_cast<int64_t>(y) - origin.y) % h);
    if (px < 0) px += w;
    if (py < 0) py += h;
    size_t i = static_cast<size_t>(py) * w + px;
    if (isFore) *isFore = fore[i] != 0;
    return values[i];
}

namespace {
// Clips a rectangle to another; false when nothing is left.
bool clipRect(RECTL& r, const RECTL& by) {
    r.left = std::max(r.left, by.left);
    r.top = std::max(r.top, by.top);
    r.right = std::min(r.right, by.right);
    r.bottom = std::min(r.bottom, by.bottom);
    return r.left < r.right && r.top < r.bottom;
}

RECTL ordered(const RECTL& r) {
    return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                 std::max(r.top, r.bottom)};
}

// Sets pixels [x0, x1) of row y to one value: whole bytes where the format
// allows, pixel by pixel otherwise.
void fillSpan(SURFOBJ* so, LONG y, LONG x0, LONG x1, ULONG v) {
    if (x1 <= x0) return;
    uint8_t* r = rowPtr(so, y);
    switch (so->iBitmapFormat) {
        case BMF_8BPP: std::fill(r + x0, r + x1, static_cast<uint8_t>(v)); return;
        case BMF_24BPP: {
            const uint8_t b0 = static_cast<uint8_t>(v), b1 = static_cast<uint8_t>(v >> 8), b2 = static_cast<uint8_t>(v >> 16);
            if (b0 == b1 && b1 == b2) {
                std::fill(r + 3 * static_cast<ptrdiff_t>(x0), r + 3 * static_cast<ptrdiff_t>(x1), b0);
                return;
            }
            for (uint8_t* p = r + 3 * static_cast<ptrdiff_t>(x0); p < r + 3 * static_cast<ptrdiff_t>(x1); p += 3) {
                p[0] = b0;
                p[1] = b1;
                p[2] = b2;
            }
            return;
        }
        default:
            for (LONG x = x0; x < x1; ++x) putPixel(so, x, y, v);
    }
}

inline bool ropUsesDest(BYTE rop3) { return ((rop3 >> 1) & 0x55) != (rop3 & 0x55); }

// The first x in [x, end) whose mask byte is set, or end; eight bytes a
// step over the empty stretches.
LONG nextCovered(const uint8_t* row, LONG x, LONG end) {
    while (x < end && (x & 7)) {
        if (row[x]) return x;
        ++x;
    }
    for (; end - x >= 8; x += 8) {
        uint64_t word;
        std::memcpy(&word, row + x, 8);
        if (word) break;
    }
    while (x < end && !row[x]) ++x;
    return x;
}

LONG coveredEnd(const uint8_t* row, LONG x, LONG end) {
    while (x < end && row[x]) ++x;
    return x;
}

// Paints the covered runs of a mask row (or the whole span when there is no
// mask): a solid brush whose result does not depend on the old pixels fills
// whole runs at once, anything else goes pixel by pixel.
struct RunPainter {
    SURFOBJ* so;
    const BrushPixels& bp;
    BYTE fg, bg;
    bool spans;
    ULONG spanValue;
    RunPainter(SURFOBJ* s, const BrushPixels& b, BYTE f, BYTE g)
        : so(s), bp(b), fg(f), bg(g), spans(b.solid && !ropUsesDest(f)), spanValue(rop3Apply(f, b.color, 0, 0)) {}
    void run(LONG y, LONG x0, LONG x1) const {
        if (spans) {
            fillSpan(so, y, x0, x1, spanValue);
            return;
        }
        for (LONG x = x0; x < x1; ++x) {
            bool fore = true;
            ULONG p = bp.at(x, y, &fore);
            putPixel(so, x, y, rop3Apply(fore ? fg : bg, p, 0, getPixel(so, x, y)));
        }
    }
};
}  // namespace

BOOL paintCoverage(SURFOBJ* so, const Coverage& cov, const Region& clip, BRUSHOBJ* bo, const POINTL* brushOrg,
                   MIX mix) {
    if (cov.w == 0 || cov.h == 0) return TRUE;
    BrushPixels bp = brushPixels(bo, so, brushOrg);
    if (!bp.ok) return FALSE;
    BYTE fg = mixToRop3(mix & 0xFF);
    BYTE bg = (mix >> 8) & 0xFF ? mixToRop3((mix >> 8) & 0xFF) : fg;
    RECTL box{cov.x0, cov.y0, cov.x0 + cov.w, cov.y0 + cov.h};
    const RunPainter paint(so, bp, fg, bg);
    for (RECTL r : clip.rects()) {
        if (!clipRect(r, box)) continue;
        for (LONG y = r.top; y < r.bottom; ++y) {
            // The mask row, indexed by surface x.
            const uint8_t* row = cov.m.data() + static_cast<size_t>(y - cov.y0) * cov.w - cov.x0;
            for (LONG x = nextCovered(row, r.left, r.right); x < r.right;) {
                const LONG end = coveredEnd(row, x, r.right);
                paint.run(y, x, end);
                x = nextCovered(row, end, r.right);
            }
        }
    }
    return TRUE;
}

void paintSpan(const SpanPainter& p, LONG y, LONG x0, LONG x1) {
    const auto& bands = p.clip->bands;
    const auto band = std::upper_bound(bands.begin(), bands.end(), y,
                                       [](LONG v, const Region::Band& b) { return v < b.bottom; });
    if (band == bands.end() || y < band->top) return;
    for (const auto& [left, right] : band->spans) {
        if (right <= x0) continue;
        if (left >= x1) break;
        fillSpan(p.so, y, std::max(left, x0), std::min(right, x1), p.value);
    }
}

bool solidSpanPainter(SURFOBJ* so, const Region& clip, BRUSHOBJ* bo, const POINTL* brushOrg, MIX mix,
                      SpanPainter* out) {
    const BrushPixels bp = brushPixels(bo, so, brushOrg);
    const BYTE fg = mixToRop3(mix & 0xFF);
    if (!bp.ok || !bp.solid || ropUsesDest(fg)) return false;
    *out = SpanPainter{so, &clip, rop3Apply(fg, bp.color, 0, 0)};
    return true;
}

BOOL fillRectWithBrush(SURFOBJ* so, const RECTL& rect, const Region& clip, BRUSHOBJ* bo, const POINTL* brushOrg,
                       MIX mix) {
    BrushPixels bp = brushPixels(bo, so, brushOrg);
    if (!bp.ok) return FALSE;
    BYTE fg = mixToRop3(mix & 0xFF);
    BYTE bg = (mix >> 8) & 0xFF ? mixToRop3((mix >> 8) & 0xFF) : fg;
    RECTL want = ordered(rect);
    const RunPainter paint(so, bp, fg, bg);
    for (RECTL r : clip.rects()) {
        if (!clipRect(r, want)) continue;
        for (LONG y = r.top; y < r.bottom; ++y) paint.run(y, r.left, r.right);
    }
    return TRUE;
}

namespace {
// Source pixels of a blit, read before the destination changes when both
// are the same surface.
struct SourceView {
    const SURFOBJ* so = nullptr;
    RECTL area{};  // in source coordinates
    std::vector<ULONG> copy;
    bool copied = false;
    ULONG get(LONG x, LONG y) const {
        if (!copied) return getPixel(so, x, y);
        return copy[static_cast<size_t>(y - area.top) * (area.right - area.left) + (x - area.left)];
    }
    void snapshot() {
        LONG w = area.right - area.left, h = area.bottom - area.top;
        if (w <= 0 || h <= 0) return;
        copy.resize(static_cast<size_t>(w) * h);
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x) copy[static_cast<size_t>(y) * w + x] = getPixel(so, area.left + x, area.top + y);
        copied = true;
    }
};


// The 8x8 ordered-dither thresholds (0..63) used by halftoning.
const uint8_t kBayer[8][8] = {{0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
                              {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
                              {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
                              {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
}  // namespace

}  // namespace winsim::gdi

using namespace winsim::gdi;
using winsim::detail::setError;

extern "C" {

WINBASEAPI BOOL APIENTRY EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                   XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                                   BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4) {
    if (engEnter("EngBitBlt")) return FALSE;
    if (!isBitmap(psoTrg) || !prclTrg) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BYTE fgRop = rop4 & 0xFF, bgRop = (rop4 >> 8) & 0xFF;
    bool useMask = psoMask != nullptr && fgRop != bgRop;
    if (!useMask) bgRop = fgRop;
    bool needSrc = ropUsesSource(fgRop) || ropUsesSource(bgRop);
    bool needPat = ropUsesPattern(fgRop) || ropUsesPattern(bgRop);
    if ((needSrc && (!isBitmap(psoSrc) || !pptlSrc)) || (useMask && (!isBitmap(psoMask) || psoMask->iBitmapFormat != BMF_1BPP))) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    try {
        RECTL trg = ordered(*prclTrg);
        BrushPixels bp;
        if (needPat) {
            bp = brushPixels(pbo, psoTrg, pptlBrush);
            if (!bp.ok) {
                setError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
        }
        // Limit the target to what the source and mask can supply.
        LONG sdx = 0, sdy = 0, mdx = 0, mdy = 0;
        RECTL limit = trg;
        if (needSrc) {
            sdx = pptlSrc->x - trg.left;
            sdy = pptlSrc->y - trg.top;
            RECTL srcArea{-sdx, -sdy, psoSrc->sizlBitmap.cx - sdx, psoSrc->sizlBitmap.cy - sdy};
            if (!clipRect(limit, srcArea)) return TRUE;
        }
        if (useMask) {
            POINTL m = pptlMask ? *pptlMask : POINTL{0, 0};
            mdx = m.x - trg.left;
            mdy = m.y - trg.top;
            RECTL maskArea{-mdx, -mdy, psoMask->sizlBitmap.cx - mdx, psoMask->sizlBitmap.cy - mdy};
            if (!clipRect(limit, maskArea)) return TRUE;
        }
        Region clip = effectiveClip(psoTrg, pco);
        SourceView src;
        src.so = psoSrc;
        if (needSrc && psoSrc == psoTrg) {
            src.area = RECTL{limit.left + sdx, limit.top + sdy, limit.right + sdx, limit.bottom + sdy};
            src.snapshot();
        }
        // One value for every pixel (no source, no mask, a solid brush or
        // none, the old pixels unused): whole spans at once.
        if (!needSrc && !useMask && (!needPat || bp.solid) && !ropUsesDest(fgRop)) {
            const ULONG v = rop3Apply(fgRop, needPat ? bp.color : 0, 0, 0);
            for (RECTL r : clip.rects()) {
                if (!clipRect(r, limit)) continue;
                for (LONG y = r.top; y < r.bottom; ++y) fillSpan(psoTrg, y, r.left, r.right, v);
            }
            return TRUE;
        }
        Translator tr(needSrc ? psoSrc : psoTrg, psoTrg, pxlo);
        for (RECTL r : clip.rects()) {
            if (!clipRect(r, limit)) continue;
            for (LONG y = r.top; y < r.bottom; ++y)
                for (LONG x = r.left; x < r.right; ++x) {
                    BYTE rop = fgRop;
                    if (useMask && !getPixel(psoMask, x + mdx, y + mdy)) rop = bgRop;
                    if (rop == 0xAA) continue;
                    ULONG s = needSrc ? tr(src.get(x + sdx, y + sdy)) : 0;
                    ULONG p = needPat ? bp.at(x, y, nullptr) : 0;
                    putPixel(psoTrg, x, y, rop3Apply(rop, p, s, getPixel(psoTrg, x, y)));
                }
        }
        return TRUE;
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

WINBASEAPI BOOL APIENTRY EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                     RECTL* prclDest, POINTL* pptlSrc) {
    if (engEnter("EngCopyBits")) return FALSE;
    // The engine reads and writes only its own bitmaps; a device surface's
    // pixels live in the device.
    if (!isBitmap(psoDest) || !isBitmap(psoSrc) || !prclDest || !pptlSrc) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return EngBitBlt(psoDest, psoSrc, nullptr, pco, pxlo, prclDest, pptlSrc, nullptr, nullptr, nullptr, 0xCCCC);
}

WINBASEAPI BOOL APIENTRY EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                       XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg, RECTL* prclDest,
                                       RECTL* prclSrc, POINTL* pptlMask, ULONG iMode) {
    if (engEnter("EngStretchBlt")) return FALSE;
    (void)pca;  // colour adjustment is not applied
    if (!isBitmap(psoDest) || !isBitmap(psoSrc) || !prclDest || !prclSrc || iMode < BLACKONWHITE ||
        iMode > HALFTONE || (psoMask && (!isBitmap(psoMask) || psoMask->iBitmapFormat != BMF_1BPP))) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    try {
        const RECTL& d = *prclDest;
        const RECTL& s = *prclSrc;
        bool mirrorX = (d.right < d.left) != (s.right < s.left);
        bool mirrorY = (d.bottom < d.top) != (s.bottom < s.top);
        RECTL dn = ordered(d), sn = ordered(s);
        int64_t dw = dn.right - dn.left, dh = dn.bottom - dn.top, sw = sn.right - sn.left, sh = sn.bottom - sn.top;
        if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return TRUE;
        Region clip = effectiveClip(psoDest, pco);
        SourceView src;
        src.so = psoSrc;
        if (psoSrc == psoDest) {
            src.area = sn;
            RECTL whole{0, 0, psoSrc->sizlBitmap.cx, psoSrc->sizlBitmap.cy};
            clipRect(src.area, whole);
            src.snapshot();
        }
        bool dither = iMode == HALFTONE && psoDest->iBitmapFormat == BMF_1BPP;
        auto dpal = surfacePalette(psoDest);
        auto spal = surfacePalette(psoSrc);
        ULONG black = dpal->fromRgb(0), white = dpal->fromRgb(0xFFFFFF);
        Xlate* xl = xlateFromObj(pxlo);
        Translator tr(psoSrc, psoDest, pxlo);
        POINTL ht = pptlHTOrg ? *pptlHTOrg : POINTL{0, 0};
        POINTL mk = pptlMask ? *pptlMask : POINTL{0, 0};
        for (RECTL r : clip.rects()) {
            if (!clipRect(r, dn)) continue;
            for (LONG y = r.top; y < r.bottom; ++y) {
                int64_t iy = y - dn.top;
                int64_t fy = (iy * 2 + 1) * sh / (dh * 2);
                if (mirrorY) fy = sh - 1 - fy;
                LONG sy = static_cast<LONG>(sn.top + fy);
                if (sy < 0 || sy >= psoSrc->sizlBitmap.cy) continue;
                for (LONG x = r.left; x < r.right; ++x) {
                    int64_t ix = x - dn.left;
                    int64_t fx = (ix * 2 + 1) * sw / (dw * 2);
                    if (mirrorX) fx = sw - 1 - fx;
                    LONG sx = static_cast<LONG>(sn.left + fx);
                    if (sx < 0 || sx >= psoSrc->sizlBitmap.cx) continue;
                    if (psoMask) {
                        LONG mx = mk.x + (sx - sn.left), my = mk.y + (sy - sn.top);
                        if (mx < 0 || my < 0 || mx >= psoMask->sizlBitmap.cx || my >= psoMask->sizlBitmap.cy ||
                            !getPixel(psoMask, mx, my))
                            continue;
                    }
                    ULONG v = src.get(sx, sy);
                    if (dither) {
                        Rgb c = xl ? xl->src->toRgb(v) : spal->toRgb(v);
                        unsigned lum = (red(c) * 306 + green(c) * 601 + blue(c) * 117) >> 10;
                        unsigned t = kBayer[static_cast<unsigned>(y - ht.y) & 7][static_cast<unsigned>(x - ht.x) & 7];
                        putPixel(psoDest, x, y, lum * 65 / 256 > t ? white : black);
                    } else {
                        putPixel(psoDest, x, y, tr(v));
                    }
                }
            }
        }
        return TRUE;
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

WINBASEAPI BOOL APIENTRY EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor) {
    if (engEnter("EngEraseSurface")) return FALSE;
    if (!isBitmap(pso) || !prcl) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RECTL r = ordered(*prcl);
    RECTL whole{0, 0, pso->sizlBitmap.cx, pso->sizlBitmap.cy};
    if (!clipRect(r, whole)) return TRUE;
    for (LONG y = r.top; y < r.bottom; ++y) fillSpan(pso, y, r.left, r.right, iColor);
    return TRUE;
}

}  // extern "C"
