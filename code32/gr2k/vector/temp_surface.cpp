// Temporary engine bitmaps of the raster paths and the brush resampling.
#include "vector/vector.h"

namespace vesk {

namespace {

DWORD bitsOf(ULONG format) {
    switch (format) {
    case BMF_1BPP: return 1;
    case BMF_4BPP: return 4;
    case BMF_8BPP: return 8;
    case BMF_16BPP: return 16;
    case BMF_24BPP: return 24;
    case BMF_32BPP: return 32;
    default: return 0;
    }
}

}  // namespace

SURFOBJ* TempSurfaceCreate(Pdev* p, HSURF* out, LONG width, LONG height, ULONG format) {
    *out = nullptr;
    const DWORD bits = bitsOf(format);
    if (!bits || width <= 0 || height <= 0) return nullptr;
    const uint64_t rowBytes =
        bits == 32 ? uint64_t(width) * 4 : ((uint64_t(width) * bits + 7) / 8 + 3) / 4 * 4;
    if (rowBytes > 0x7FFFFFFF || rowBytes * uint64_t(height) > 0xFFFFFFFFu) return nullptr;
    HSURF h = reinterpret_cast<HSURF>(
        EngCreateBitmap(SIZEL{width, height}, static_cast<LONG>(rowBytes), format, BMF_TOPDOWN, nullptr));
    if (!h) return nullptr;
    SURFOBJ* so = nullptr;
    if (EngAssociateSurface(h, p->hdev, 0)) so = EngLockSurface(h);
    if (!so) {
        EngDeleteSurface(h);
        return nullptr;
    }
    *out = h;
    return so;
}

void TempSurfaceDelete(SURFOBJ* pso, HSURF hsurf) {
    if (pso) EngUnlockSurface(pso);
    if (hsurf) EngDeleteSurface(hsurf);
}

}  // namespace vesk
