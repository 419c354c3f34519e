// Device-independent bitmaps: reading and writing rows of 1, 4, 8, 24 and
// 32 bits a pixel against the 32-bit surfaces, CreateDIBitmap, DIB sections
// (the caller's pixel bytes kept in step with the surface), SetDIBits,
// GetDIBits and StretchDIBits.
#include <algorithm>
#include <cstring>

#include "core/sim.h"
#include "gdi32/gdi32_internal.h"
#include "user/user_internal.h"

using namespace winsim::detail;
using namespace winsim::gdi32;

namespace winsim::gdi32 {

// The layout of a DIB: size, row order, bits a pixel and its colour table.
struct DibFormat {
    int width = 0, height = 0;
    bool bottomUp = true;
    int bits = 0;
    std::vector<uint32_t> colours;  // COLORREF
    size_t stride = 0;
    size_t imageSize() const { return stride * size_t(height); }
};

struct DibSection {
    DibFormat format;
    BITMAPINFOHEADER header{};
    std::vector<uint8_t> raw;     // what the caller sees at the bits pointer
    std::vector<uint8_t> shadow;  // the bytes the surface was last made from
};

}  // namespace winsim::gdi32

namespace {

constexpr int kMaxSide = 16384;

uint32_t colourOf(const RGBQUAD& q) { return uint32_t(q.rgbRed) | uint32_t(q.rgbGreen) << 8 | uint32_t(q.rgbBlue) << 16; }

// The nearest entry of a colour table (an exact one first).
uint32_t nearestIndex(const std::vector<uint32_t>& table, uint32_t c) {
    uint32_t best = 0;
    int64_t bestDistance = INT64_MAX;
    for (size_t i = 0; i < table.size(); ++i) {
        const int dr = int(c & 0xFF) - int(table[i] & 0xFF), dg = int(c >> 8 & 0xFF) - int(table[i] >> 8 & 0xFF),
                  db = int(c >> 16 & 0xFF) - int(table[i] >> 16 & 0xFF);
        const int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
        if (d < bestDistance) bestDistance = d, best = uint32_t(i);
        if (d == 0) break;
    }
    return best;
}

// The palette a DC holds (DIB_PAL_COLORS tables index it).
std::vector<uint32_t> dcPalette(HDC dc) {
    Dc* d = dc ? findDc(dc) : nullptr;
    const Object* p = d && d->state.palette ? findObject(d->state.palette) : nullptr;
    if (p && p->kind == Kind::Palette) return p->entries;
    return defaultColours(4);
}

// Reads the header and colour table of `info`; false with
// ERROR_INVALID_PARAMETER for a layout this system does not draw.
bool readFormat(const BITMAPINFOHEADER& h, const void* table, UINT usage, HDC dc, DibFormat& f) {
    auto bad = [] {
        setError(ERROR_INVALID_PARAMETER);
        return false;
    };
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth < 1 || h.biWidth > kMaxSide || h.biHeight == 0 ||
        h.biHeight > kMaxSide || h.biHeight < -kMaxSide || h.biCompression != BI_RGB ||
        (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS))
        return bad();
    const int bits = h.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return bad();
    f.width = int(h.biWidth);
    f.height = int(h.biHeight < 0 ? -h.biHeight : h.biHeight);
    f.bottomUp = h.biHeight > 0;
    f.bits = bits;
    f.stride = ((size_t(f.width) * size_t(bits) + 31) / 32) * 4;
    f.colours.clear();
    if (bits <= 8) {
        const uint32_t most = 1u << bits;
        const uint32_t n = h.biClrUsed ? h.biClrUsed : most;
        if (n > most) return bad();
        if (!table) {
            f.colours = defaultColours(bits);
            return true;
        }
        if (usage == DIB_PAL_COLORS) {
            const std::vector<uint32_t> pal = dcPalette(dc);
            const auto* idx = static_cast<const WORD*>(table);
            for (uint32_t i = 0; i < n; ++i) f.colours.push_back(idx[i] < pal.size() ? pal[idx[i]] : 0);
        } else {
            const auto* q = static_cast<const RGBQUAD*>(table);
            for (uint32_t i = 0; i < n; ++i) f.colours.push_back(colourOf(q[i]));
        }
    }
    return true;
}

const void* tableOf(const BITMAPINFO* info) {
    return reinterpret_cast<const uint8_t*>(info) + info->bmiHeader.biSize;
}

// Row `r` of the DIB (in its own order) is row `y` of a top-down surface.
int surfaceRow(const DibFormat& f, int r) { return f.bottomUp ? f.height - 1 - r : r; }

uint32_t readPixel(const DibFormat& f, const uint8_t* row, int x) {
    auto entry = [&](uint32_t i) { return i < f.colours.size() ? f.colours[i] : 0u; };
    switch (f.bits) {
        case 1: return entry((row[x / 8] >> (7 - x % 8)) & 1);
        case 4: return entry((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF);
        case 8: return entry(row[x]);
        case 24: return uint32_t(row[x * 3 + 2]) | uint32_t(row[x * 3 + 1]) << 8 | uint32_t(row[x * 3]) << 16;
        default: return uint32_t(row[x * 4 + 2]) | uint32_t(row[x * 4 + 1]) << 8 | uint32_t(row[x * 4]) << 16;
    }
}

void writePixel(const DibFormat& f, uint8_t* row, int x, uint32_t c) {
    switch (f.bits) {
        case 1: {
            const uint8_t bit = uint8_t(0x80 >> (x % 8));
            if (nearestIndex(f.colours, c)) row[x / 8] |= bit;
            else row[x / 8] &= uint8_t(~bit);
            break;
        }
        case 4: {
            const uint8_t v = uint8_t(nearestIndex(f.colours, c) & 0xF);
            row[x / 2] = x % 2 ? uint8_t((row[x / 2] & 0xF0) | v) : uint8_t((row[x / 2] & 0x0F) | v << 4);
            break;
        }
        case 8: row[x] = uint8_t(nearestIndex(f.colours, c)); break;
        case 24:
            row[x * 3] = uint8_t(c >> 16), row[x * 3 + 1] = uint8_t(c >> 8), row[x * 3 + 2] = uint8_t(c);
            break;
        default:
            row[x * 4] = uint8_t(c >> 16), row[x * 4 + 1] = uint8_t(c >> 8), row[x * 4 + 2] = uint8_t(c);
            row[x * 4 + 3] = 0;
            break;
    }
}

// DIB rows [first, first + count) (own order; `bits` holds row `first`
// first) into the surface, or out of it. Widths may differ: the common part.
void rowsToSurface(const DibFormat& f, const uint8_t* bits, int first, int count, Surface& s) {
    for (int i = 0; i < count; ++i) {
        const int y = surfaceRow(f, first + i);
        if (y < 0 || y >= s.height) continue;
        const uint8_t* row = bits + size_t(i) * f.stride;
        for (int x = 0; x < std::min(f.width, s.width); ++x) s.pixels[size_t(y) * size_t(s.width) + size_t(x)] = readPixel(f, row, x);
    }
}

// With `keep`, a pixel whose bytes already give its colour keeps them (a
// DIB section's index stays when its table holds the colour twice).
void rowsFromSurface(const DibFormat& f, uint8_t* bits, int first, int count, const Surface& s, bool keep = false) {
    for (int i = 0; i < count; ++i) {
        const int y = surfaceRow(f, first + i);
        uint8_t* row = bits + size_t(i) * f.stride;
        if (y < 0 || y >= s.height) continue;
        for (int x = 0; x < std::min(f.width, s.width); ++x) {
            const uint32_t c = s.pixels[size_t(y) * size_t(s.width) + size_t(x)];
            if (!keep || readPixel(f, row, x) != c) writePixel(f, row, x, c);
        }
    }
}

// The rows of a Set/GetDIBits call that exist: false when none do.
bool clipRows(const DibFormat& f, UINT start, UINT lines, int* first, int* count) {
    if (start >= UINT(f.height) || lines == 0) return false;
    *first = int(start);
    *count = int(std::min<uint64_t>(lines, uint64_t(f.height) - start));
    return true;
}

Object* bitmapObject(HBITMAP h) {
    Object* o = findObject(h);
    if (!o || o->kind != Kind::Bitmap || !o->bits) {
        setError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    if (o->dib) dibToSurface(*o);
    return o;
}

void writeBack(Object& o) {
    if (!o.dib) return;
    rowsFromSurface(o.dib->format, o.dib->raw.data(), 0, o.dib->format.height, *o.bits, true);
    o.dib->shadow = o.dib->raw;
}

HBITMAP addBitmap(Object o) { return static_cast<HBITMAP>(addObject(std::move(o))); }

}  // namespace

namespace winsim::gdi32 {

std::vector<uint32_t> defaultColours(int bits) {
    // 1 bit: black and white. 4 bits: the sixteen colours of the classic
    // system palette. 8 bits (our choice): those sixteen, a 6 x 6 x 6 cube
    // and 24 greys, so that every common colour has a near entry.
    if (bits == 1) return {0x000000, 0xFFFFFF};
    static const uint32_t sixteen[16] = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                         0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                         0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
    std::vector<uint32_t> out(sixteen, sixteen + 16);
    if (bits != 8) return out;
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b) out.push_back(uint32_t(r * 51) | uint32_t(g * 51) << 8 | uint32_t(b * 51) << 16);
    for (int i = 1; i <= 24; ++i) {
        const uint32_t v = uint32_t(i * 255 / 25);
        out.push_back(v | v << 8 | v << 16);
    }
    return out;
}

void dibToSurface(Object& o) {
    DibSection& d = *o.dib;
    if (d.raw == d.shadow) return;
    rowsToSurface(d.format, d.raw.data(), 0, d.format.height, *o.bits);
    d.shadow = d.raw;
}

void surfaceWritten(Dc& dc) {
    if (!dc.memory) return;
    if (Object* o = findObject(dc.state.bitmap); o && o->dib && o->bits) writeBack(*o);
}

int bitmapRecord(const Object& o, int size, void* buffer) {
    const Surface& s = *o.bits;
    BITMAP bm{0, s.width, s.height, s.width * 4, 1, 32, nullptr};
    DIBSECTION ds{};
    if (o.dib) {
        bm.bmBitsPixel = WORD(o.dib->format.bits);
        bm.bmWidthBytes = LONG(o.dib->format.stride);
        bm.bmBits = o.dib->raw.data();
        ds.dsBm = bm;
        ds.dsBmih = o.dib->header;
        ds.dsBmih.biSizeImage = DWORD(o.dib->format.imageSize());
    }
    const bool section = o.dib && size >= int(sizeof(DIBSECTION));
    const int need = section ? int(sizeof(DIBSECTION)) : int(sizeof(BITMAP));
    if (!buffer) return o.dib ? int(sizeof(DIBSECTION)) : need;
    if (size < need) {
        setError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    if (section) std::memcpy(buffer, &ds, sizeof ds);
    else std::memcpy(buffer, &bm, sizeof bm);
    return need;
}

}  // namespace winsim::gdi32

extern "C" {

WINBASEAPI HBITMAP WINAPI CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                         const BITMAPINFO* info, UINT usage) {
    if (enter("CreateDIBitmap")) return nullptr;
    std::lock_guard g(userLock());
    if (dc && !findDc(dc)) return nullptr;
    DibFormat f;
    if (!header || !readFormat(*header, nullptr, DIB_RGB_COLORS, dc, f)) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Object o;
    o.kind = Kind::Bitmap;
    o.bits = std::make_shared<Surface>(f.width, f.height, 0);
    if ((init & CBM_INIT) && bits) {
        DibFormat from;
        if (!info || !readFormat(info->bmiHeader, tableOf(info), usage, dc, from)) return nullptr;
        rowsToSurface(from, static_cast<const uint8_t*>(bits), 0, from.height, *o.bits);
    }
    return addBitmap(std::move(o));
}

WINBASEAPI HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                           DWORD) {
    if (enter("CreateDIBSection")) return nullptr;
    std::lock_guard g(userLock());
    if (bits) *bits = nullptr;
    if (dc && !findDc(dc)) return nullptr;
    DibFormat f;
    if (!info || section || !readFormat(info->bmiHeader, tableOf(info), usage, dc, f)) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto d = std::make_shared<DibSection>();
    d->format = f;
    d->header = info->bmiHeader;
    d->header.biSize = sizeof(BITMAPINFOHEADER);
    d->raw.assign(f.imageSize(), 0);
    Object o;
    o.kind = Kind::Bitmap;
    o.bits = std::make_shared<Surface>(f.width, f.height, 0);
    rowsToSurface(f, d->raw.data(), 0, f.height, *o.bits);
    d->shadow = d->raw;
    o.dib = d;
    HBITMAP h = addBitmap(std::move(o));
    if (h && bits) *bits = d->raw.data();
    return h;
}

WINBASEAPI int WINAPI SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
                                const BITMAPINFO* info, UINT usage) {
    if (enter("SetDIBits")) return 0;
    std::lock_guard g(userLock());
    Object* o = bitmapObject(bitmap);
    DibFormat f;
    if (!o || !bits || !info || !readFormat(info->bmiHeader, tableOf(info), usage, dc, f)) return 0;
    int first = 0, count = 0;
    if (!clipRows(f, start, lines, &first, &count)) return 0;
    rowsToSurface(f, static_cast<const uint8_t*>(bits), first, count, *o->bits);
    writeBack(*o);
    return count;
}

WINBASEAPI int WINAPI GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
                                UINT usage) {
    if (enter("GetDIBits")) return 0;
    std::lock_guard g(userLock());
    Object* o = bitmapObject(bitmap);
    if (!o || !info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
        setError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    BITMAPINFOHEADER& h = info->bmiHeader;
    if (!bits && h.biBitCount == 0) {
        // The bitmap's own format.
        h.biWidth = o->bits->width;
        h.biHeight = o->bits->height;
        h.biPlanes = 1;
        h.biBitCount = o->dib ? WORD(o->dib->format.bits) : 32;
        h.biCompression = BI_RGB;
        h.biClrUsed = 0;
        h.biSizeImage = DWORD(((size_t(h.biWidth) * h.biBitCount + 31) / 32) * 4 * size_t(h.biHeight));
        return 1;
    }
    // At 8 bits or fewer without a table of the caller's, the default one.
    const bool ownTable = h.biBitCount <= 8 && h.biClrUsed != 0 && usage == DIB_RGB_COLORS;
    DibFormat f;
    if (!readFormat(h, ownTable ? tableOf(info) : nullptr, DIB_RGB_COLORS, dc, f)) return 0;
    h.biSizeImage = DWORD(f.imageSize());
    if (f.bits <= 8 && !ownTable) {
        auto* q = reinterpret_cast<RGBQUAD*>(reinterpret_cast<uint8_t*>(info) + h.biSize);
        for (size_t i = 0; i < f.colours.size(); ++i)
            q[i] = RGBQUAD{BYTE(f.colours[i] >> 16), BYTE(f.colours[i] >> 8), BYTE(f.colours[i]), 0};
    }
    if (!bits) return int(f.height);
    int first = 0, count = 0;
    if (!clipRows(f, start, lines, &first, &count)) return 0;
    rowsFromSurface(f, static_cast<uint8_t*>(bits), first, count, *o->bits);
    return count;
}

WINBASEAPI int WINAPI StretchDIBits(HDC dc, int x, int y, int width, int height, int sx, int sy, int swidth,
                                    int sheight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop) {
    if (enter("StretchDIBits")) return 0;
    std::lock_guard g(userLock());
    DibFormat f;
    if (!findDc(dc)) return 0;
    if (!bits || !info || !readFormat(info->bmiHeader, tableOf(info), usage, dc, f)) return 0;
    Surface from(f.width, f.height, 0);
    rowsToSurface(f, static_cast<const uint8_t*>(bits), 0, f.height, from);
    // A bottom-up DIB counts the source's y from its bottom row.
    const int top = f.bottomUp ? f.height - sy - sheight : sy;
    if (!blitSurface(dc, x, y, width, height, &from, sx, top, swidth, sheight, rop)) return 0;
    return sheight;
}

WINBASEAPI BOOL WINAPI GdiFlush(void) { return TRUE; }

}  // extern "C"
