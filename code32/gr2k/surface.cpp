// The drawing surface: a banding bitmap the engine renders each band into,
// or a vector device surface whose drawing calls come to the driver.
#include "driver_functions.h"
#include "pdev.h"

namespace vesk {
namespace {

constexpr FLONG kHooksBanding = HOOK_BITBLT | HOOK_STRETCHBLT | HOOK_TEXTOUT;
constexpr FLONG kHooksVector = 0x24EB;          // paths, blits, text, copies and the stretch with a brush
constexpr FLONG kHooksVectorNoRop = 0x04EB;     // the same without the stretch with a brush
constexpr uint32_t kBandBytes = 307200;

}  // namespace

uint32_t BandHeight(uint32_t width, uint32_t height) {
    // The band is sized by the row stride of a 1-bit bitmap, whatever the
    // band's format.
    const uint32_t stride = ((width + 31) / 32) * 4;
    const uint32_t band = ((kBandBytes / stride) / 32 + 1) * 32;
    return band < height ? band : height;
}

}  // namespace vesk

using namespace vesk;

extern "C" {

HSURF APIENTRY DrvEnableSurface(DHPDEV dhpdev) {
    Pdev* p = PdevFromHandle(dhpdev);
    if (!p) return nullptr;
    const uint32_t w = p->surfaceWidth, h = p->surfaceHeight;
    if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return nullptr;
    HSURF s = nullptr;
    FLONG hooks = 0;
    if (p->banding) {
        const SIZEL size{static_cast<LONG>(w), static_cast<LONG>(BandHeight(w, h))};
        HBITMAP bmp = EngCreateBitmap(size, 0, PdevOneBitOutput(p) ? BMF_1BPP : BMF_24BPP, BMF_TOPDOWN, nullptr);
        s = reinterpret_cast<HSURF>(bmp);
        if (s && !EngMarkBandingSurface(s)) {
            EngDeleteSurface(s);
            return nullptr;
        }
        hooks = kHooksBanding;
    } else {
        const ULONG format = p->hiddenFunc30 && PdevOneBitOutput(p) ? BMF_1BPP : BMF_24BPP;
        s = EngCreateDeviceSurface(reinterpret_cast<DHSURF>(p), SIZEL{static_cast<LONG>(w), static_cast<LONG>(h)},
                                   format);
        hooks = p->hiddenFunc5 ? kHooksVectorNoRop : kHooksVector;
    }
    if (!s) return nullptr;
    if (!EngAssociateSurface(s, p->hdev, hooks)) {
        EngDeleteSurface(s);
        return nullptr;
    }
    p->surface = s;
    return s;
}

void APIENTRY DrvDisableSurface(DHPDEV dhpdev) {
    Pdev* p = PdevFromHandle(dhpdev);
    if (!p || !p->surface) return;
    EngDeleteSurface(p->surface);
    p->surface = nullptr;
}

}  // extern "C"
