// Pixel operations on a DC's surface, each clipped to the DC: rectangles,
// lines and the ternary raster operations of PatBlt, BitBlt and StretchBlt.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/sim.h"
#include "gdi32/gdi32_internal.h"
#include "user/user_internal.h"

using namespace winsim::detail;
using namespace winsim::gdi32;

namespace {

// A locked DC with its surface; `ok` is false for a stale DC.
struct Target {
    std::lock_guard<std::recursive_mutex> guard{userLock()};
    Dc* dc = nullptr;
    Surface* s = nullptr;
    HDC handle = nullptr;
    explicit Target(HDC h) : handle(h) {
        dc = findDc(h);
        s = dc ? surfaceOf(*dc) : nullptr;
    }
    ~Target() {
        if (s) surfaceWritten(*dc);
    }
    Target(const Target&) = delete;
    Target& operator=(const Target&) = delete;
    bool ok() const { return s != nullptr; }
    void put(int x, int y, COLORREF c) {
        if (visible(*dc, *s, x, y)) s->pixels[size_t(y) * size_t(s->width) + size_t(x)] = c & 0xFFFFFF;
    }
    void fill(RECT r, COLORREF c) {
        r.left = std::max<LONG>(r.left, 0), r.top = std::max<LONG>(r.top, 0);
        r.right = std::min<LONG>(r.right, s->width), r.bottom = std::min<LONG>(r.bottom, s->height);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) put(x, y, c);
    }
};

HDC h(const Target& t) { return t.handle; }

// The colour of a brush, false for a hollow or stale one.
bool brushColour(HGDIOBJ h, COLORREF* c) {
    const Object* o = findObject(h);
    if (!o || o->kind != Kind::Brush || o->style == BS_NULL) return false;
    *c = o->colour;
    return true;
}

const Object* penOf(const Dc& dc) {
    const Object* o = findObject(dc.state.pen);
    return o && o->kind == Kind::Pen && o->style != PS_NULL ? o : nullptr;
}

// A pen dot: width w centred on (x, y).
void dot(Target& t, int x, int y, const Object& pen) {
    const int lo = -(pen.width / 2), hi = lo + pen.width;
    for (int dy = lo; dy < hi; ++dy)
        for (int dx = lo; dx < hi; ++dx) t.put(x + dx, y + dy, pen.colour);
}

// A line without its end point.
void line(Target& t, int x0, int y0, int x1, int y1, const Object& pen) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    while (x0 != x1 || y0 != y1) {
        dot(t, x0, y0, pen);
        const int e2 = 2 * err;
        if (e2 >= dy) err += dy, x0 += sx;
        if (e2 <= dx) err += dx, y0 += sy;
    }
}

// Bit i of the operation code is the result for pattern, source and
// destination bits p s d with i = p*4 + s*2 + d; worked on all 24 bits.
uint32_t rop3(uint8_t code, uint32_t p, uint32_t s, uint32_t d) {
    uint32_t out = 0;
    for (int i = 0; i < 8; ++i) {
        if (!(code >> i & 1)) continue;
        const uint32_t mp = (i & 4) ? p : ~p, ms = (i & 2) ? s : ~s, md = (i & 1) ? d : ~d;
        out |= mp & ms & md;
    }
    return out & 0xFFFFFF;
}

bool usesSource(uint8_t code) { return ((code >> 2) & 0x33) != (code & 0x33); }
bool usesPattern(uint8_t code) { return ((code >> 4) & 0x0F) != (code & 0x0F); }

// Blits source rectangle (sx, sy, sw, sh) of `source` (may be null) onto
// (x, y, w, h) of `dc`, scaling by nearest pixel.
BOOL blit(const char* name, HDC dc, int x, int y, int w, int h, HDC source, int sx, int sy, int sw, int sh,
          DWORD rop) {
    std::lock_guard g(userLock());
    const Surface* from = nullptr;
    if (usesSource(uint8_t(rop >> 16))) {
        Dc* sdc = source ? findDc(source) : nullptr;
        from = sdc ? surfaceOf(*sdc) : nullptr;
        if (!from) {
            if (findDc(dc)) setError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
    }
    return blitSurface(dc, x, y, w, h, from, sx, sy, sw, sh, rop, name);
}

}  // namespace

namespace winsim::gdi32 {

BOOL blitSurface(HDC dc, int x, int y, int w, int h, const Surface* from, int sx, int sy, int sw, int sh, DWORD rop,
                 const char* name) {
    Target t(dc);
    if (!t.ok()) return FALSE;
    const auto code = uint8_t(rop >> 16);
    COLORREF pattern = 0;
    if (usesPattern(code) && !brushColour(t.dc->state.brush, &pattern)) pattern = 0;
    if (!usesSource(code)) from = nullptr;
    else if (!from) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    logDraw({t.dc->window, name, x, y, rop, dc, {}, pattern});
    if (w == 0 || h == 0) return TRUE;
    if (w < 0 || h < 0 || (from && (sw <= 0 || sh <= 0))) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // A copy of the source keeps a blit from a DC onto itself well defined.
    std::vector<uint32_t> src = from ? from->pixels : std::vector<uint32_t>{};
    const int fw = from ? from->width : 0, fh = from ? from->height : 0;
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = int(std::min<int64_t>(int64_t(x) + w, t.s->width)), y1 = int(std::min<int64_t>(int64_t(y) + h, t.s->height));
    for (int py = y0; py < y1; ++py)
        for (int px = x0; px < x1; ++px) {
            if (!visible(*t.dc, *t.s, px, py)) continue;
            uint32_t sv = 0;
            if (from) {
                const int64_t qx = sx + int64_t(px - x) * sw / w, qy = sy + int64_t(py - y) * sh / h;
                if (qx < 0 || qy < 0 || qx >= fw || qy >= fh) continue;  // outside the source: left alone
                sv = src[size_t(qy) * size_t(fw) + size_t(qx)];
            }
            uint32_t& d = t.s->pixels[size_t(py) * size_t(t.s->width) + size_t(px)];
            d = rop3(code, pattern, sv, d);
        }
    return TRUE;
}

}  // namespace winsim::gdi32

extern "C" {

WINBASEAPI COLORREF WINAPI GetPixel(HDC dc, int x, int y) {
    Target t(dc);
    if (!t.ok() || !visible(*t.dc, *t.s, x, y)) return CLR_INVALID;
    return t.s->pixels[size_t(y) * size_t(t.s->width) + size_t(x)];
}

WINBASEAPI COLORREF WINAPI SetPixel(HDC dc, int x, int y, COLORREF colour) {
    Target t(dc);
    if (!t.ok() || !visible(*t.dc, *t.s, x, y)) return CLR_INVALID;
    t.put(x, y, colour);
    return colour & 0xFFFFFF;
}

WINBASEAPI int WINAPI FillRect(HDC dc, LPCRECT rect, HBRUSH brush) {
    Target t(dc);
    COLORREF c = 0;
    if (!t.ok() || !rect) return 0;
    if (!findObject(brush)) {
        setError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (brushColour(brush, &c)) t.fill(*rect, c);
    logDraw({t.dc->window, "FillRect", int(rect->left), int(rect->top), 0, dc, {}, c});
    return 1;
}

WINBASEAPI int WINAPI FrameRect(HDC dc, LPCRECT rect, HBRUSH brush) {
    Target t(dc);
    COLORREF c = 0;
    if (!t.ok() || !rect) return 0;
    if (!findObject(brush)) {
        setError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const RECT r = *rect;
    if (r.right <= r.left || r.bottom <= r.top) return 1;
    if (brushColour(brush, &c)) {
        t.fill({r.left, r.top, r.right, r.top + 1}, c);
        t.fill({r.left, r.bottom - 1, r.right, r.bottom}, c);
        t.fill({r.left, r.top, r.left + 1, r.bottom}, c);
        t.fill({r.right - 1, r.top, r.right, r.bottom}, c);
    }
    logDraw({t.dc->window, "FrameRect", int(r.left), int(r.top), 0, dc, {}, c});
    return 1;
}

WINBASEAPI BOOL WINAPI Rectangle(HDC dc, int left, int top, int right, int bottom) {
    Target t(dc);
    if (!t.ok()) return FALSE;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (pathOpen(*t.dc)) {
        pathRectangle(*t.dc, left, top, right, bottom);
        return TRUE;
    }
    COLORREF c = 0;
    const Object* pen = penOf(*t.dc);
    const int inset = pen ? 1 : 0;
    if (brushColour(t.dc->state.brush, &c)) t.fill({left + inset, top + inset, right - inset, bottom - inset}, c);
    if (pen && right - left > 0 && bottom - top > 0) {
        line(t, left, top, right - 1, top, *pen);
        line(t, right - 1, top, right - 1, bottom - 1, *pen);
        line(t, right - 1, bottom - 1, left, bottom - 1, *pen);
        line(t, left, bottom - 1, left, top, *pen);
    }
    logDraw({t.dc->window, "Rectangle", left, top, 0, dc, {}, pen ? pen->colour : c});
    return TRUE;
}

WINBASEAPI BOOL WINAPI Polygon(HDC dc, const POINT* points, int count) {
    Target t(dc);
    if (!t.ok()) return FALSE;
    if (!points || count < 2) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The inside by the alternate rule at pixel centres, then the outline.
    COLORREF c = 0;
    if (brushColour(t.dc->state.brush, &c)) {
        LONG top = points[0].y, bottom = points[0].y;
        for (int i = 1; i < count; ++i) top = std::min(top, points[i].y), bottom = std::max(bottom, points[i].y);
        top = std::max<LONG>(top, 0), bottom = std::min<LONG>(bottom, t.s->height);
        std::vector<double> xs;
        for (LONG y = top; y < bottom; ++y) {
            const double yc = double(y) + 0.5;
            xs.clear();
            for (int i = 0; i < count; ++i) {
                const POINT a = points[i], b = points[(i + 1) % count];
                if ((a.y <= yc) == (b.y <= yc)) continue;
                xs.push_back(double(a.x) + (yc - double(a.y)) * double(b.x - a.x) / double(b.y - a.y));
            }
            std::sort(xs.begin(), xs.end());
            for (size_t k = 0; k + 1 < xs.size(); k += 2) {
                const auto from = LONG(std::ceil(xs[k] - 0.5)), to = LONG(std::ceil(xs[k + 1] - 0.5));
                t.fill(RECT{from, y, to, y + 1}, c);
            }
        }
    }
    const Object* pen = penOf(*t.dc);
    if (pen)
        for (int i = 0; i < count; ++i) {
            const POINT a = points[i], b = points[(i + 1) % count];
            line(t, int(a.x), int(a.y), int(b.x), int(b.y), *pen);
            dot(t, int(b.x), int(b.y), *pen);
        }
    logDraw({t.dc->window, "Polygon", int(points[0].x), int(points[0].y), uint32_t(count), h(t), {}, pen ? pen->colour : c});
    return TRUE;
}

WINBASEAPI BOOL WINAPI Ellipse(HDC dc, int left, int top, int right, int bottom) {
    Target t(dc);
    if (!t.ok()) return FALSE;
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    if (right - left < 1 || bottom - top < 1) return TRUE;
    // Pixel centres inside the ellipse of the box; those within the pen's
    // width of its edge are the outline.
    const double cx = (left + right - 1) / 2.0, cy = (top + bottom - 1) / 2.0;
    const double ra = (right - left) / 2.0, rb = (bottom - top) / 2.0;
    const Object* pen = penOf(*t.dc);
    const double w = pen ? pen->width : 0;
    auto inside = [&](double x, double y, double a, double b) {
        if (a <= 0 || b <= 0) return false;
        const double dx = (x - cx) / a, dy = (y - cy) / b;
        return dx * dx + dy * dy <= 1.0;
    };
    COLORREF c = 0;
    const bool filled = brushColour(t.dc->state.brush, &c);
    for (int y = std::max(top, 0); y < std::min(bottom, t.s->height); ++y)
        for (int x = std::max(left, 0); x < std::min(right, t.s->width); ++x) {
            if (!inside(x, y, ra, rb)) continue;
            if (inside(x, y, ra - w, rb - w)) {
                if (filled) t.put(x, y, c);
            } else if (pen) {
                t.put(x, y, pen->colour);
            }
        }
    logDraw({t.dc->window, "Ellipse", left, top, 0, h(t), {}, pen ? pen->colour : c});
    return TRUE;
}

WINBASEAPI BOOL WINAPI MoveToEx(HDC dc, int x, int y, LPPOINT previous) {
    Target t(dc);
    if (!t.dc) return FALSE;
    if (previous) *previous = t.dc->state.pos;
    t.dc->state.pos = POINT{x, y};
    if (pathOpen(*t.dc)) pathMoveTo(*t.dc, x, y);
    return TRUE;
}

WINBASEAPI BOOL WINAPI LineTo(HDC dc, int x, int y) {
    Target t(dc);
    if (!t.ok()) return FALSE;
    if (pathOpen(*t.dc)) {
        pathLineTo(*t.dc, x, y);
        t.dc->state.pos = POINT{x, y};
        return TRUE;
    }
    if (const Object* pen = penOf(*t.dc))
        line(t, int(t.dc->state.pos.x), int(t.dc->state.pos.y), x, y, *pen);
    logDraw({t.dc->window, "LineTo", x, y, 0, dc, {}, penOf(*t.dc) ? penOf(*t.dc)->colour : 0});
    t.dc->state.pos = POINT{x, y};
    return TRUE;
}

WINBASEAPI BOOL WINAPI PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop) {
    if (usesSource(uint8_t(rop >> 16))) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return blit("PatBlt", dc, x, y, width, height, nullptr, 0, 0, 0, 0, rop);
}

WINBASEAPI BOOL WINAPI BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop) {
    return blit("BitBlt", dc, x, y, width, height, source, sx, sy, width, height, rop);
}

WINBASEAPI BOOL WINAPI StretchBlt(HDC dc, int x, int y, int width, int height, HDC source, int sx, int sy,
                                  int swidth, int sheight, DWORD rop) {
    return blit("StretchBlt", dc, x, y, width, height, source, sx, sy, swidth, sheight, rop);
}

}  // extern "C"
