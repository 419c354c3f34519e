// The brush of a drawing call: the engine's realisation of a pattern brush,
// or the device's solid-brush slot holding the colour of a solid one.
#include "vector/vector.h"

namespace vesk {

RealizedBrush* SolidBrushSlot(Pdev* p, DWORD foreground) {
    RealizedBrush* b = &p->solidBrush;
    *b = RealizedBrush{};
    b->kind = kBrushSolid;
    b->foreground = foreground;
    b->background = 0xFFFFFF;
    return b;
}

RealizedBrush* BrushSelect(Pdev* p, SURFOBJ*, BRUSHOBJ* pbo, const POINTL* origin) {
    if (!pbo) return nullptr;
    RealizedBrush* b = nullptr;
    if (pbo->iSolidColor == 0xFFFFFFFF) {
        b = static_cast<RealizedBrush*>(pbo->pvRbrush ? pbo->pvRbrush : BRUSHOBJ_pvGetRbrush(pbo));
        if (!b) return nullptr;
        b->originX = static_cast<SHORT>(origin ? origin->x & 0xFF : 0);
        b->originY = static_cast<SHORT>(origin ? origin->y & 0xFF : 0);
    } else {
        b = SolidBrushSlot(p, pbo->iSolidColor);
    }
    b->hostIcm = pbo->flColorType & BR_HOST_ICM;
    return b;
}

}  // namespace vesk
