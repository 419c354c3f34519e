// The raster paths: every image reaches the device as a RasterRecord. Each
// path decides whether the source bitmap goes as it is or is first copied
// into a temporary bitmap (to change its format, crop, mirror or reduce
// it), builds the palette from the colour translation and writes the
// record. Scaling is the device's: a record carries the destination and the
// source size apart.
#include <cstdlib>
#include <cstring>

#include "vector/vector.h"

namespace vesk {

namespace {

constexpr DWORD kPaletteMax = 768;

struct Temp {
    HSURF h = nullptr;
    SURFOBJ* so = nullptr;
    ~Temp() { TempSurfaceDelete(so, h); }
};

ULONG bitmapFormatOf(DWORD rasterFormat) {
    switch (rasterFormat & kRasterFormatMask) {
    case kRaster1: return BMF_1BPP;
    case kRaster4: return BMF_4BPP;
    case kRaster8: return BMF_8BPP;
    default: return BMF_24BPP;
    }
}

DWORD rasterBits(DWORD rasterFormat) {
    switch (rasterFormat & kRasterFormatMask) {
    case kRaster1: return 1;
    case kRaster4: return 4;
    case kRaster8: return 8;
    default: return 24;
    }
}

bool isBitmap(const SURFOBJ* so) {
    return so && so->iType == STYPE_BITMAP && so->pvScan0 && so->lDelta != 0;
}

// True when the bitmap's rows are laid out as a record's rows are: a row
// step of ((width x bits + 31) / 32) x 4 bytes.
bool recordRows(const SURFOBJ* so, DWORD rasterFormat) {
    const uint64_t need = (uint64_t(so->sizlBitmap.cx) * rasterBits(rasterFormat) + 31) / 32 * 4;
    return uint64_t(std::llabs(so->lDelta)) == need;
}

// The record of a whole bitmap `so` at (x, y, w, h) with its palette and
// the host-ICM bit of the translation.
RasterImage imageOf(const SURFOBJ* so, DWORD format, LONG x, LONG y, LONG w, LONG h, const XLATEOBJ* pxlo,
                    const BYTE* palette) {
    RasterImage img{};
    img.x = x;
    img.y = y;
    img.width = w;
    img.height = h;
    img.srcWidth = static_cast<DWORD>(so->sizlBitmap.cx);
    img.rows = static_cast<DWORD>(so->sizlBitmap.cy);
    img.format = format | (pxlo && (pxlo->flXlate & XO_HOST_ICM) ? DWORD{kRasterHostIcm} : DWORD{0});
    img.firstRow = static_cast<const BYTE*>(so->pvScan0);
    img.palette = palette;
    img.bottomUp = so->lDelta < 0;
    return img;
}

// The palette of the record, or null: none for 24 bits, without a
// translation or for a grey ramp.
const BYTE* paletteFor(const XLATEOBJ* pxlo, DWORD format, BYTE* buffer) {
    if (XlateIsGreyRamp(pxlo, format)) return nullptr;
    return RasterPaletteBytes(pxlo, format, buffer) ? buffer : nullptr;
}

// The translation a conversion needs: only when the format changes.
XLATEOBJ* xlateFor(XLATEOBJ* pxlo, const SURFOBJ* src, DWORD format) {
    return src->iBitmapFormat == bitmapFormatOf(format) ? nullptr : pxlo;
}

RECTL ordered(const RECTL& r) {
    return RECTL{r.left < r.right ? r.left : r.right, r.top < r.bottom ? r.top : r.bottom,
                 r.left < r.right ? r.right : r.left, r.top < r.bottom ? r.bottom : r.top};
}

}  // namespace

DWORD RasterFormatOf(ULONG f, bool* convert) {
    *convert = false;
    switch (f) {
    case BMF_1BPP: return kRaster1;
    case BMF_4BPP: return kRaster4;
    case BMF_8BPP: return kRaster8;
    case BMF_24BPP: return kRaster24;
    default: *convert = true; return kRaster24;
    }
}

bool XlateIsGreyRamp(const XLATEOBJ* pxlo, DWORD format) {
    const DWORD bits = rasterBits(format);
    if (bits > 8 || !pxlo || !pxlo->pulXlate) return false;
    const ULONG n = 1u << bits;
    if (pxlo->cEntries != n) return false;
    for (ULONG i = 0; i < n; ++i) {
        const DWORD l = i * 255 / (n - 1);
        if ((pxlo->pulXlate[i] & 0xFFFFFF) != (l << 16 | l << 8 | l)) return false;
    }
    return true;
}

bool RasterPaletteBytes(const XLATEOBJ* pxlo, DWORD format, BYTE* out) {
    const DWORD bits = rasterBits(format);
    if (bits > 8 || !pxlo || !pxlo->pulXlate || !pxlo->cEntries) return false;
    const ULONG n = 1u << bits;
    std::memset(out, 0, n * 3);
    for (ULONG i = 0; i < n && i < pxlo->cEntries; ++i) {
        const DWORD c = pxlo->pulXlate[i];
        out[i * 3] = static_cast<BYTE>(c);
        out[i * 3 + 1] = static_cast<BYTE>(c >> 8);
        out[i * 3 + 2] = static_cast<BYTE>(c >> 16);
    }
    return true;
}

RasterOptions RasterOptionsOf(const Pdev* p) {
    RasterOptions o{};
    o.wholeRecord = p->printMethod == 5 || p->printMethod == 7 || p->apiUse;
    o.monochrome = p->machineColor == 0 || p->color == 1;
    o.banding = p->banding != 0;
    return o;
}

bool RasterShip(Pdev* p, const RasterImage& img) {
    if (RasterRecordWrite(&p->out, img, RasterOptionsOf(p))) return true;
    // A record of which part has already left cannot be written again.
    if (p->flags & kPdevOutputFailed) return false;
    return RasterRecordWriteRows(&p->out, img) != nullptr;
}

int CropRaster24(Pdev* p, SURFOBJ* src, const POINTL* sp, const RECTL* target) {
    const RECTL t = ordered(*target);
    const int64_t w = int64_t(t.right) - t.left, h = int64_t(t.bottom) - t.top;
    const POINTL at = sp ? *sp : POINTL{0, 0};
    if (src->iBitmapFormat != BMF_24BPP || at.x < 0 || at.y < 0 || w <= 0 || h <= 0 ||
        at.x + w > src->sizlBitmap.cx || at.y + h > src->sizlBitmap.cy)
        return -1;
    // The part's rows straight from the bitmap. They go in batches like any
    // other image, so that a large part keeps to the record buffer's 1 MB
    // reservations and a monochrome device gets grey rows as it does for the
    // rest of the page.
    RasterImage img{};
    img.x = t.left;
    img.y = t.top;
    img.width = static_cast<LONG>(w);
    img.height = static_cast<LONG>(h);
    img.srcWidth = static_cast<DWORD>(w);
    img.rows = static_cast<DWORD>(h);
    img.format = kRaster24;
    img.firstRow = static_cast<const BYTE*>(src->pvScan0) + std::ptrdiff_t{at.y} * src->lDelta + std::ptrdiff_t{at.x} * 3;
    img.rowStep = src->lDelta;
    return RasterShip(p, img) ? 1 : 0;
}

BOOL CopyRasterShip(Pdev* p, XLATEOBJ* pxlo, SURFOBJ* src, const POINTL* sp, const RECTL* target) {
    if (!isBitmap(src) || !target) return FALSE;
    const RECTL t = ordered(*target);
    const LONG w = t.right - t.left, h = t.bottom - t.top;
    if (w <= 0 || h <= 0) return TRUE;
    bool convert = false;
    const DWORD format = RasterFormatOf(src->iBitmapFormat, &convert);
    const POINTL at = sp ? *sp : POINTL{0, 0};
    if (src->sizlBitmap.cx < 0) convert = true;
    if (src->sizlBitmap.cx != w || src->sizlBitmap.cy != h) {
        if (src->iBitmapFormat == BMF_24BPP && src->sizlBitmap.cx > 0 && src->sizlBitmap.cy > 0) {
            const int sent = CropRaster24(p, src, &at, &t);
            if (sent >= 0) return sent ? TRUE : FALSE;
        }
        convert = true;
    }
    // A bitmap sent as it is must be the whole image from its first pixel.
    if (at.x != 0 || at.y != 0 || !recordRows(src, format)) convert = true;
    Temp tmp;
    SURFOBJ* from = src;
    if (convert) {
        tmp.so = TempSurfaceCreate(p, &tmp.h, w, h, bitmapFormatOf(format));
        if (!tmp.so) return FALSE;
        RECTL all{0, 0, w, h};
        POINTL pt = at;
        if (!EngCopyBits(tmp.so, src, nullptr, xlateFor(pxlo, src, format), &all, &pt)) return FALSE;
        from = tmp.so;
    }
    BYTE palette[kPaletteMax];
    const RasterImage img = imageOf(from, format, t.left, t.top, w, h, pxlo, paletteFor(pxlo, format, palette));
    return RasterShip(p, img) ? TRUE : FALSE;
}

namespace {

// The rows of a 32-bit source rectangle converted one at a time through a
// one-row 24-bit bitmap; with `half` every second row and pixel.
struct ConvertedRows {
    SURFOBJ* src;
    SURFOBJ* row;
    XLATEOBJ* xlate;
    RECTL rect;
    LONG width;
    bool half;
    static const BYTE* at(void* self, DWORD r) {
        auto* c = static_cast<ConvertedRows*>(self);
        const LONG y = c->rect.top + static_cast<LONG>(c->half ? r * 2 : r);
        RECTL d{0, 0, c->width, 1}, s{c->rect.left, y, c->rect.right, y + 1};
        if (!EngStretchBlt(c->row, c->src, nullptr, nullptr, c->xlate, nullptr, nullptr, &d, &s, nullptr,
                           COLORONCOLOR))
            return nullptr;
        return static_cast<const BYTE*>(c->row->pvScan0);
    }
};

}  // namespace

BOOL StretchRasterBanded(Pdev* p, SURFOBJ* src, const RECTL* sr, const RECTL* target, XLATEOBJ* pxlo) {
    const LONG sw = sr->right - sr->left, sh = sr->bottom - sr->top;
    const LONG x = target->left < target->right ? target->left : target->right;
    const LONG y = target->top < target->bottom ? target->top : target->bottom;
    const LONG w = target->right - target->left, h = target->bottom - target->top;
    const LONG aw = w < 0 ? -w : w, ah = h < 0 ? -h : h;
    RasterImage img{};
    img.x = x;
    img.y = y;
    img.width = w;
    img.height = ah;
    img.srcWidth = static_cast<DWORD>(sw);
    img.rows = static_cast<DWORD>(sh);
    BYTE palette[kPaletteMax];
    const ULONG f = src->iBitmapFormat;
    if (f == BMF_24BPP || f == BMF_8BPP) {
        const LONG bytes = f == BMF_24BPP ? 3 : 1;
        img.format = f == BMF_24BPP ? kRaster24 : kRaster8;
        img.palette = f == BMF_8BPP ? paletteFor(pxlo, kRaster8, palette) : nullptr;
        img.firstRow = static_cast<const BYTE*>(src->pvScan0) + std::ptrdiff_t{sr->top} * src->lDelta +
                       std::ptrdiff_t{sr->left} * bytes;
        img.rowStep = src->lDelta;
        return RasterRecordWriteRows(&p->out, img) ? TRUE : FALSE;
    }
    if (f != BMF_32BPP) return FALSE;
    // Halved when the device would reduce it anyway, or when it is large.
    const bool half = (aw < sw && ah < sh) || uint64_t(sw) * uint64_t(sh) * 3 > 0xA00000;
    ConvertedRows rows{src, nullptr, pxlo, *sr, half ? sw / 2 : sw, half};
    if (half) {
        if (sw / 2 == 0 || sh / 2 == 0) return FALSE;
        img.srcWidth = static_cast<DWORD>(sw / 2);
        img.rows = static_cast<DWORD>(sh / 2);
        img.format |= kRasterHostReduced;
    }
    img.format |= kRaster24;
    Temp row;
    row.so = TempSurfaceCreate(p, &row.h, rows.width, 1, BMF_24BPP);
    if (!row.so) return FALSE;
    rows.row = row.so;
    img.rowAt = &ConvertedRows::at;
    img.rowContext = &rows;
    return RasterRecordWriteRows(&p->out, img) ? TRUE : FALSE;
}

BOOL StretchRasterShip(Pdev* p, XLATEOBJ* pxlo, SURFOBJ* src, COLORADJUSTMENT* pca, POINTL* ht,
                       const RECTL* target, const RECTL* srcRect) {
    if (!isBitmap(src) || !target) return FALSE;
    RECTL sr = srcRect ? ordered(*srcRect) : RECTL{0, 0, src->sizlBitmap.cx, src->sizlBitmap.cy};
    if (sr.left < 0) sr.left = 0;
    if (sr.top < 0) sr.top = 0;
    if (sr.right > src->sizlBitmap.cx) sr.right = src->sizlBitmap.cx;
    if (sr.bottom > src->sizlBitmap.cy) sr.bottom = src->sizlBitmap.cy;
    const LONG sw = sr.right - sr.left, sh = sr.bottom - sr.top;
    const LONG x = target->left < target->right ? target->left : target->right;
    const LONG y = target->top < target->bottom ? target->top : target->bottom;
    const int64_t w = int64_t(target->right) - target->left, h = int64_t(target->bottom) - target->top;
    if (sw <= 0 || sh <= 0 || w == 0 || h == 0 || w > 0x7FFFFFFF || w < -0x7FFFFFFF || h > 0x7FFFFFFF ||
        h < -0x7FFFFFFF)
        return TRUE;
    bool convert = false;
    DWORD format = RasterFormatOf(src->iBitmapFormat, &convert);
    const bool whole = sr.left == 0 && sr.top == 0 && sw == src->sizlBitmap.cx && sh == src->sizlBitmap.cy;
    if (!whole || w < 0 || h < 0 || !recordRows(src, format)) convert = true;
    // The surface gets the source's size (the device scales), except that
    // in direct-size mode a 24 or 32-bit image going to a smaller target is
    // reduced here.
    LONG tw = sw, th = sh;
    const int64_t aw = w < 0 ? -w : w, ah = h < 0 ? -h : h;
    const bool deep = src->iBitmapFormat == BMF_24BPP || src->iBitmapFormat == BMF_32BPP;
    if (p->directSize && p->draw.rop.valid && p->draw.rop.rop == 0xCC && deep && !(aw >= sw && ah >= sh)) {
        tw = static_cast<LONG>(aw);
        th = static_cast<LONG>(ah);
        convert = true;
    }
    Temp tmp;
    SURFOBJ* from = src;
    LONG srcX = sr.left, srcY = sr.top;
    if (convert) {
        const ULONG bmf = bitmapFormatOf(format);
        tmp.so = TempSurfaceCreate(p, &tmp.h, tw, th, bmf);
        const ULONG f = src->iBitmapFormat;
        if (!tmp.so && (f == BMF_8BPP || f == BMF_24BPP || f == BMF_32BPP))
            return StretchRasterBanded(p, src, &sr, target, pxlo);
        // Without memory for the image at its size, smaller copies in turn:
        // the device enlarges them to the target.
        for (LONG k = 2; !tmp.so && k <= 5; ++k) {
            const LONG rw = tw / k, rh = th / k;
            if (rw <= 0 || rh <= 0) break;
            tmp.so = TempSurfaceCreate(p, &tmp.h, rw, rh, bmf);
            if (tmp.so) {
                tw = rw;
                th = rh;
                format |= kRasterHostReduced;
            }
        }
        if (!tmp.so) return FALSE;
        RECTL d{w < 0 ? tw : 0, h < 0 ? th : 0, w < 0 ? 0 : tw, h < 0 ? 0 : th};
        if (!EngStretchBlt(tmp.so, src, nullptr, nullptr, xlateFor(pxlo, src, format), pca, ht, &d, &sr, nullptr,
                           COLORONCOLOR))
            return FALSE;
        from = tmp.so;
        srcX = srcY = 0;
    }
    BYTE palette[kPaletteMax];
    RasterImage img = imageOf(from, format, x, y, static_cast<LONG>(w), static_cast<LONG>(ah), pxlo,
                              paletteFor(pxlo, format, palette));
    img.srcX = srcX;
    img.srcY = srcY;
    return RasterShip(p, img) ? TRUE : FALSE;
}

BOOL BlitRasterShip(Pdev* p, XLATEOBJ* pxlo, SURFOBJ* src, const POINTL* sp, const RECTL* target,
                    const POINTL* maskPoint, SURFOBJ* mask, ROP4 rop4) {
    if (!isBitmap(src) || !sp || !target) return FALSE;
    const LONG w = target->right - target->left, h = target->bottom - target->top;
    if (w == 0 || h == 0) return TRUE;
    const LONG aw = w < 0 ? -w : w, ah = h < 0 ? -h : h;
    bool convert = false;
    DWORD format = RasterFormatOf(src->iBitmapFormat, &convert);
    const bool masked = (rop4 & 0xFFFF) == 0xAACC && mask;
    if (src->sizlBitmap.cx != aw || src->sizlBitmap.cy != ah || sp->x != 0 || sp->y != 0 || masked ||
        !recordRows(src, format))
        convert = true;
    format |= kRasterBlit;
    Temp tmp;
    SURFOBJ* from = src;
    RECTL all{0, 0, aw, ah};
    if (masked) {
        // The mask first, as a one-bit image that sets the pixels the image
        // is to paint (ROP 0xEE), then the image ANDed onto them (0x88).
        Temp m;
        m.so = TempSurfaceCreate(p, &m.h, aw, ah, BMF_1BPP);
        if (!m.so) return FALSE;
        POINTL mp = maskPoint ? *maskPoint : POINTL{0, 0};
        if (!EngBitBlt(m.so, mask, nullptr, nullptr, nullptr, &all, &mp, nullptr, nullptr, nullptr, 0xCCCC))
            return FALSE;
        if (!SetRopCached(&p->out, &p->draw, 0xEE)) return FALSE;
        const RasterImage mi = imageOf(m.so, kRaster1, target->left, target->top, w, h, nullptr, nullptr);
        if (!RasterShip(p, mi)) return FALSE;
        if (!SetRopCached(&p->out, &p->draw, 0x88)) return FALSE;
        tmp.so = TempSurfaceCreate(p, &tmp.h, aw, ah, bitmapFormatOf(format));
        if (!tmp.so || !EngEraseSurface(tmp.so, &all, 0xFFFFFF)) return FALSE;
        POINTL at = *sp;
        if (!EngBitBlt(tmp.so, src, mask, nullptr, xlateFor(pxlo, src, format), &all, &at, &mp, nullptr, nullptr,
                       0xAACC))
            return FALSE;
        from = tmp.so;
    } else if (convert) {
        tmp.so = TempSurfaceCreate(p, &tmp.h, aw, ah, bitmapFormatOf(format));
        if (!tmp.so) return FALSE;
        POINTL at = *sp;
        if (!EngBitBlt(tmp.so, src, nullptr, nullptr, xlateFor(pxlo, src, format), &all, &at, nullptr, nullptr,
                       nullptr, 0xCCCC))
            return FALSE;
        from = tmp.so;
    }
    BYTE palette[kPaletteMax];
    const RasterImage img =
        imageOf(from, format, target->left, target->top, w, h, pxlo, paletteFor(pxlo, format, palette));
    return RasterShip(p, img) ? TRUE : FALSE;
}

}  // namespace vesk
