// Helpers of the graphics engine tests: engine bitmaps that free themselves,
// and pixel reading by colour.
#pragma once
#include <win/gdi.h>
#include <winsim/engine.h>

#include <stdexcept>

#include "gdi/internal.h"

namespace gditest {

struct Bmp {
    HBITMAP h = nullptr;
    SURFOBJ* so = nullptr;
    Bmp(LONG w, LONG hgt, ULONG fmt, bool topDown = true) {
        h = EngCreateBitmap(SIZEL{w, hgt}, 0, fmt, topDown ? BMF_TOPDOWN : 0, nullptr);
        if (!h) throw std::runtime_error("EngCreateBitmap failed");
        so = EngLockSurface(reinterpret_cast<HSURF>(h));
    }
    ~Bmp() {
        if (so) EngUnlockSurface(so);
        if (h) EngDeleteSurface(reinterpret_cast<HSURF>(h));
    }
    Bmp(const Bmp&) = delete;
    Bmp& operator=(const Bmp&) = delete;
    ULONG px(LONG x, LONG y) const { return winsim::gdi::getPixel(so, x, y); }
    void set(LONG x, LONG y, ULONG v) { winsim::gdi::putPixel(so, x, y, v); }
    void fill(ULONG v) {
        RECTL r{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
        EngEraseSurface(so, &r, v);
    }
    // Pixels in a rectangle equal to v.
    long count(ULONG v, RECTL r) const {
        long n = 0;
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x) n += px(x, y) == v;
        return n;
    }
    long count(ULONG v) const { return count(v, RECTL{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy}); }
    // Bounding box of pixels that differ from v (empty when none).
    RECTL inkBox(ULONG background) const {
        RECTL b{0x7FFFFFFF, 0x7FFFFFFF, -1, -1};
        for (LONG y = 0; y < so->sizlBitmap.cy; ++y)
            for (LONG x = 0; x < so->sizlBitmap.cx; ++x)
                if (px(x, y) != background) {
                    b.left = std::min(b.left, x);
                    b.top = std::min(b.top, y);
                    b.right = std::max(b.right, x + 1);
                    b.bottom = std::max(b.bottom, y + 1);
                }
        if (b.right < 0) return RECTL{0, 0, 0, 0};
        return b;
    }
};

}  // namespace gditest
