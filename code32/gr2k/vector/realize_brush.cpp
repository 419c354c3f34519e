// DrvRealizeBrush: the engine's brushes as the device's 32 x 32 patterns,
// one bit per pixel (hatches and two-colour patterns) or 24 bits.
//
// Patterns are read through their first-row pointer and signed row step, so
// that a pattern stored bottom-up is read top row first like any other.
#include <win/system.h>

#include <cstring>

#include "driver_functions.h"
#include "vector/vector.h"

namespace vesk {

namespace {

constexpr int kSize = 32;
constexpr DWORD kMonoBytes = kSize * kSize / 8;
constexpr DWORD kRgbBytes = kSize * kSize * 3;

// The engine's six hatch styles as 8 x 8 one-bit patterns, top row first.
constexpr BYTE kHatch[6][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};

const BYTE* row(const SURFOBJ* so, LONG y) {
    return static_cast<const BYTE*>(so->pvScan0) + static_cast<std::ptrdiff_t>(y) * so->lDelta;
}

DWORD entry(const XLATEOBJ* x, ULONG i, DWORD otherwise) {
    return x && x->pulXlate && i < x->cEntries ? x->pulXlate[i] & 0xFFFFFF : otherwise;
}

DWORD bgrAt(const BYTE* p) { return (DWORD{p[2]} << 16) | (DWORD{p[1]} << 8) | p[0]; }

void putBit(BYTE* pat, int x, int y, bool on) {
    BYTE& b = pat[y * (kSize / 8) + x / 8];
    const BYTE bit = static_cast<BYTE>(0x80 >> (x % 8));
    b = on ? static_cast<BYTE>(b | bit) : static_cast<BYTE>(b & ~bit);
}

void putRgb(BYTE* pat, int x, int y, DWORD c) {
    BYTE* q = pat + (y * kSize + x) * 3;
    q[0] = static_cast<BYTE>(c);
    q[1] = static_cast<BYTE>(c >> 8);
    q[2] = static_cast<BYTE>(c >> 16);
}

RealizedBrush* allocate(BRUSHOBJ* pbo, SHORT kind, WORD bits, DWORD fg, DWORD bg) {
    const DWORD bytes = bits == 24 ? kRgbBytes : kMonoBytes;
    auto* b = static_cast<RealizedBrush*>(BRUSHOBJ_pvAllocRbrush(pbo, sizeof(RealizedBrush) + bytes));
    if (!b) return nullptr;
    *b = RealizedBrush{};
    b->kind = kind;
    b->foreground = fg;
    b->background = bg;
    b->bitsPerPixel = bits;
    b->size = kSize;
    std::memset(BrushPattern(b), 0, bytes);
    return b;
}

// The colour of pixel (x, y) of a 4, 8, 16, 24 or 32-bit pattern as
// 0x00RRGGBB; indexed pixels through the translation.
DWORD colorAt(const SURFOBJ* so, const XLATEOBJ* x, LONG px, LONG py) {
    const BYTE* r = row(so, py);
    switch (so->iBitmapFormat) {
    case BMF_4BPP: return entry(x, (r[px / 2] >> (px % 2 ? 0 : 4)) & 0x0F, 0);
    case BMF_8BPP: return entry(x, r[px], 0);
    case BMF_16BPP: {
        // 5-5-5: scaled so that 31 stays full intensity.
        const unsigned v = r[px * 2] | (r[px * 2 + 1] << 8);
        const unsigned red = (v >> 10) & 31, green = (v >> 5) & 31, blue = v & 31;
        return ((red * 255 / 31) << 16) | ((green * 255 / 31) << 8) | (blue * 255 / 31);
    }
    case BMF_24BPP: return bgrAt(r + px * 3);
    case BMF_32BPP: return bgrAt(r + px * 4);
    default: return 0;
    }
}

bool isEightByEight(const SURFOBJ* so) { return so->sizlBitmap.cx == 8 && so->sizlBitmap.cy == 8; }

// The pattern pixel of brush pixel (x, y). One-bit brushes enlarge an 8 x 8
// pattern (`doubled`): each pixel a 2 x 2 block of a 16 x 16 tile. Every
// other pattern is repeated by its width and height.
void sourcePixel(const SURFOBJ* so, int x, int y, LONG* px, LONG* py, bool doubled) {
    if (doubled && isEightByEight(so)) {
        *px = (x / 2) % 8;
        *py = (y / 2) % 8;
    } else {
        *px = x % so->sizlBitmap.cx;
        *py = y % so->sizlBitmap.cy;
    }
}

RealizedBrush* hatch(BRUSHOBJ* pbo, XLATEOBJ* pxlo, ULONG style) {
    RealizedBrush* b = allocate(pbo, kBrushMono, 1, entry(pxlo, 1, 0), entry(pxlo, 0, 0xFFFFFF));
    if (!b) return nullptr;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) putBit(BrushPattern(b), x, y, (kHatch[style][y / 4] >> (7 - x / 4)) & 1);
    return b;
}

// A one-bit source: a clear source bit is the foreground (translation entry
// 0), once for every size.
RealizedBrush* monoFromMono(BRUSHOBJ* pbo, const SURFOBJ* so, XLATEOBJ* pxlo) {
    RealizedBrush* b = allocate(pbo, kBrushMono, 1, entry(pxlo, 0, 0), entry(pxlo, 1, 0xFFFFFF));
    if (!b) return nullptr;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            LONG px, py;
            sourcePixel(so, x, y, &px, &py, true);
            const bool set = (row(so, py)[px / 8] >> (7 - px % 8)) & 1;
            putBit(BrushPattern(b), x, y, !set);
        }
    return b;
}

// The two colours of an 8 x 8 24-bit pattern, false for three or more.
bool twoColours(const SURFOBJ* so, DWORD* first, DWORD* second) {
    *first = bgrAt(row(so, 0));
    *second = *first;
    bool haveSecond = false;
    for (LONG y = 0; y < 8; ++y)
        for (LONG x = 0; x < 8; ++x) {
            const DWORD c = bgrAt(row(so, y) + x * 3);
            if (c == *first || (haveSecond && c == *second)) continue;
            if (haveSecond) return false;
            *second = c;
            haveSecond = true;
        }
    return true;
}

RealizedBrush* monoFromTwoColours(BRUSHOBJ* pbo, const SURFOBJ* so, DWORD first, DWORD second) {
    RealizedBrush* b = allocate(pbo, kBrushMono, 1, first, second);
    if (!b) return nullptr;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            LONG px, py;
            sourcePixel(so, x, y, &px, &py, true);
            putBit(BrushPattern(b), x, y, bgrAt(row(so, py) + px * 3) == first);
        }
    return b;
}

// The resampling size of a pattern that is not 8 x 8: the smallest of 4, 8,
// 16 and 32 that holds its width well.
LONG resampleSize(LONG width) { return width <= 2 ? 4 : width <= 4 ? 8 : width <= 10 ? 16 : 32; }

// 8 and 24-bit patterns other than 8 x 8 are stretched into an S x S
// 24-bit bitmap, then tiled; false when the bitmap cannot be made.
bool resampled(Pdev* p, SURFOBJ* so, XLATEOBJ* pxlo, BYTE* pat) {
    const LONG s = resampleSize(so->sizlBitmap.cx);
    HSURF h = nullptr;
    SURFOBJ* tmp = TempSurfaceCreate(p, &h, s, s, BMF_24BPP);
    if (!tmp) return false;
    RECTL dst{0, 0, s, s}, src{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
    const bool ok = EngStretchBlt(tmp, so, nullptr, nullptr, pxlo, nullptr, nullptr, &dst, &src, nullptr, COLORONCOLOR);
    if (ok)
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) putRgb(pat, x, y, bgrAt(row(tmp, y % s) + (x % s) * 3));
    TempSurfaceDelete(tmp, h);
    return ok;
}

RealizedBrush* rgb(Pdev* p, BRUSHOBJ* pbo, SURFOBJ* so, XLATEOBJ* pxlo) {
    RealizedBrush* b = allocate(pbo, kBrushRgb, 24, 0, 0xFFFFFF);
    if (!b) return nullptr;
    BYTE* pat = BrushPattern(b);
    const ULONG f = so->iBitmapFormat;
    if (f != BMF_4BPP && f != BMF_8BPP && f != BMF_16BPP && f != BMF_24BPP && f != BMF_32BPP) return b;
    if ((f == BMF_8BPP || f == BMF_24BPP) && !isEightByEight(so) && resampled(p, so, pxlo, pat)) return b;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            LONG px, py;
            sourcePixel(so, x, y, &px, &py, false);
            putRgb(pat, x, y, colorAt(so, pxlo, px, py));
        }
    return b;
}

bool readable(const SURFOBJ* so) {
    return so && so->pvScan0 && so->sizlBitmap.cx > 0 && so->sizlBitmap.cy > 0 && so->lDelta != 0;
}

}  // namespace
}  // namespace vesk

using namespace vesk;

extern "C" {

BOOL APIENTRY DrvRealizeBrush(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern, SURFOBJ*, XLATEOBJ* pxlo,
                              ULONG iHatch) {
    Pdev* p = PdevFromSurface(psoTarget);
    if (!p || !pbo) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    RealizedBrush* b = nullptr;
    if (iHatch < HS_DDI_MAX) {
        b = hatch(pbo, pxlo, iHatch);
    } else {
        if (!readable(psoPattern)) return FALSE;
        DWORD first = 0, second = 0;
        if (psoPattern->iBitmapFormat == BMF_1BPP)
            b = monoFromMono(pbo, psoPattern, pxlo);
        else if (psoPattern->iBitmapFormat == BMF_24BPP && isEightByEight(psoPattern) &&
                 twoColours(psoPattern, &first, &second))
            b = monoFromTwoColours(pbo, psoPattern, first, second);
        else
            b = rgb(p, pbo, psoPattern, pxlo);
    }
    if (!b) return FALSE;
    pbo->pvRbrush = b;
    return TRUE;
}

// Every colour is left to the engine's halftoning.
ULONG APIENTRY DrvDitherColor(DHPDEV, ULONG, ULONG, ULONG*) { return DCR_HALFTONE; }

}  // extern "C"
