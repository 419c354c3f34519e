// Brushes: the engine's brush objects, their realisation by the driver
// (BRUSHOBJ_pvGetRbrush calls DrvRealizeBrush on first use) and the
// engine's own pixels of a brush for its rasteriser.
#include "internal.h"

#include "core/sim.h"

#include <new>

namespace winsim::gdi {

namespace {
Registry<Brush>& brushes() {
    static auto* r = new Registry<Brush>;
    return *r;
}

// Hatch patterns, 8 rows top first, bit 7 the leftmost pixel; a set bit is
// the hatch line (foreground).
const uint8_t kHatch[HS_DDI_MAX][8] = {
    {0x00, 0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00},  // horizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // vertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // forward diagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // backward diagonal
    {0x08, 0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08},  // cross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // diagonal cross
};

std::unique_ptr<Brush> baseBrush(const SURFOBJ* target, HDEV hdev) {
    auto b = std::make_unique<Brush>();
    b->target = const_cast<SURFOBJ*>(target);
    b->hdev = hdev;
    return b;
}

void registerBrush(Brush* b) { brushes().add(b, &b->bo); }
}  // namespace

Brush* brushFromObj(const BRUSHOBJ* bo) { return bo ? brushes().find(bo) : nullptr; }

std::unique_ptr<Brush> makeSolidBrush(Rgb color, const SURFOBJ* target, HDEV hdev) {
    auto b = baseBrush(target, hdev);
    b->kind = Brush::Solid;
    b->fg = color & 0xFFFFFF;
    b->bo.iSolidColor = surfacePalette(target)->fromRgb(b->fg);
    registerBrush(b.get());
    return b;
}

std::unique_ptr<Brush> makeHatchBrush(ULONG hatch, Rgb fg, Rgb bg, const SURFOBJ* target, HDEV hdev) {
    auto b = baseBrush(target, hdev);
    b->kind = Brush::Hatch;
    b->hatch = hatch < HS_DDI_MAX ? hatch : HS_HORIZONTAL;
    b->fg = fg & 0xFFFFFF;
    b->bg = bg & 0xFFFFFF;
    b->bo.iSolidColor = 0xFFFFFFFF;
    registerBrush(b.get());
    return b;
}

std::unique_ptr<Brush> makePatternBrush(HBITMAP pattern, std::shared_ptr<const Palette> pal, const SURFOBJ* target,
                                        HDEV hdev) {
    auto b = baseBrush(target, hdev);
    b->kind = Brush::Pattern;
    b->patternBitmap = pattern;
    b->patternPalette = std::move(pal);
    b->bo.iSolidColor = 0xFFFFFFFF;
    registerBrush(b.get());
    return b;
}

Brush::~Brush() {
    brushes().remove(&bo);
    if (patternBitmap) EngDeleteSurface(reinterpret_cast<HSURF>(patternBitmap));
}

BrushPixels brushPixels(BRUSHOBJ* bo, const SURFOBJ* dst, const POINTL* origin) {
    BrushPixels bp;
    if (!bo) return bp;
    Brush* b = brushFromObj(bo);
    bp.origin = origin ? *origin : POINTL{0, 0};
    auto pal = surfacePalette(dst);
    if (!b) {
        // A brush the caller built itself: only a solid colour can be drawn.
        if (bo->iSolidColor == 0xFFFFFFFF) return bp;
        bp.ok = true;
        bp.color = bo->iSolidColor;
        return bp;
    }
    if (b->kind == Brush::Solid) {
        bp.ok = true;
        bp.color = pal->fromRgb(b->fg);
        return bp;
    }
    if (b->cacheFormat != dst->iBitmapFormat || b->cachePalette != pal.get() || b->values.empty()) {
        b->values.clear();
        b->isFore.clear();
        if (b->kind == Brush::Hatch) {
            b->pw = b->ph = 8;
            ULONG f = pal->fromRgb(b->fg), k = pal->fromRgb(b->bg);
            for (int y = 0; y < 8; ++y)
                for (int x = 0; x < 8; ++x) {
                    bool on = (kHatch[b->hatch][y] >> (7 - x)) & 1;
                    b->values.push_back(on ? f : k);
                    b->isFore.push_back(on);
                }
        } else {
            auto s = surfaceFromHandle(reinterpret_cast<HSURF>(b->patternBitmap));
            if (!s || !isBitmap(&s->so)) return bp;
            const SURFOBJ* p = &s->so;
            b->pw = p->sizlBitmap.cx;
            b->ph = p->sizlBitmap.cy;
            auto ppal = b->patternPalette ? b->patternPalette : defaultPalette(p->iBitmapFormat);
            bool mono = p->iBitmapFormat == BMF_1BPP;
            for (LONG y = 0; y < b->ph; ++y)
                for (LONG x = 0; x < b->pw; ++x) {
                    ULONG v = getPixel(p, x, y);
                    b->values.push_back(pal->fromRgb(ppal->toRgb(v)));
                    // One-bit patterns: index 0 is the foreground (text) colour.
                    b->isFore.push_back(mono ? v == 0 : 1);
                }
        }
        b->cacheFormat = dst->iBitmapFormat;
        b->cachePalette = pal.get();
    }
    bp.ok = true;
    bp.solid = false;
    bp.w = b->pw;
    bp.h = b->ph;
    bp.values = b->values.data();
    bp.fore = b->isFore.data();
    return bp;
}

}  // namespace winsim::gdi

using namespace winsim::gdi;
using winsim::detail::setError;

extern "C" {

WINBASEAPI PVOID APIENTRY BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj) {
    if (engEnter("BRUSHOBJ_pvAllocRbrush")) return nullptr;
    Brush* b = brushFromObj(pbo);
    if (!b || cj == 0 || cj > (64u << 20)) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    uint8_t* mem = new (std::nothrow) uint8_t[cj]();
    if (!mem) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    try {
        b->realizations.emplace_back(mem);
    } catch (const std::bad_alloc&) {
        delete[] mem;
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    return mem;
}

WINBASEAPI PVOID APIENTRY BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo) {
    if (engEnter("BRUSHOBJ_pvGetRbrush")) return nullptr;
    if (!pbo) return nullptr;
    if (pbo->pvRbrush) return pbo->pvRbrush;
    Brush* b = brushFromObj(pbo);
    if (!b || b->kind == Brush::Solid || b->realizeTried) return nullptr;
    b->realizeTried = true;
    DeviceLink link;
    if (!b->hdev || !deviceLink(b->hdev, &link) || !link.realizeBrush || !b->target) return nullptr;
    HBITMAP pattern = b->patternBitmap;
    bool ownPattern = false;
    std::shared_ptr<const Palette> ppal = b->patternPalette;
    ULONG iHatch = HS_DDI_MAX;
    if (b->kind == Brush::Hatch) {
        // The hatch goes to the driver as its style and as an 8x8 one-bit
        // pattern whose translation gives the background (0) and hatch (1).
        uint8_t bits[8 * 4] = {};
        for (int y = 0; y < 8; ++y) bits[y * 4] = kHatch[b->hatch][y];
        pattern = EngCreateBitmap(SIZEL{8, 8}, 4, BMF_1BPP, BMF_TOPDOWN, nullptr);
        if (!pattern) return nullptr;
        ownPattern = true;
        SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(pattern));
        if (so) {
            for (int y = 0; y < 8; ++y) rowPtr(so, y)[0] = bits[y * 4];
            EngUnlockSurface(so);
        }
        auto p = std::make_shared<Palette>();
        p->mode = PAL_INDEXED;
        p->entries = {b->bg, b->fg};
        ppal = p;
        iHatch = b->hatch;
    }
    SURFOBJ* pso = EngLockSurface(reinterpret_cast<HSURF>(pattern));
    BOOL ok = FALSE;
    if (pso) {
        try {
            auto xl = makeXlate(ppal, pso->iBitmapFormat, surfacePalette(b->target), b->target->iBitmapFormat);
            ok = link.realizeBrush(pbo, b->target, pso, nullptr, &xl->xo, iHatch);
        } catch (const std::bad_alloc&) {
            ok = FALSE;
        }
        EngUnlockSurface(pso);
    }
    if (ownPattern) EngDeleteSurface(reinterpret_cast<HSURF>(pattern));
    if (!ok) return nullptr;
    // A driver that allocated its realisation without storing it gets it stored.
    if (!pbo->pvRbrush && !b->realizations.empty()) pbo->pvRbrush = b->realizations.back().get();
    return pbo->pvRbrush;
}

WINBASEAPI ULONG APIENTRY BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo) {
    if (!pbo) return 0xFFFFFFFF;
    Brush* b = brushFromObj(pbo);
    if (b && b->kind != Brush::Solid) return 0xFFFFFFFF;
    if (b) return (blue(b->fg) << 16) | (green(b->fg) << 8) | red(b->fg);  // RGB form, red low
    return pbo->iSolidColor;
}

}  // extern "C"
