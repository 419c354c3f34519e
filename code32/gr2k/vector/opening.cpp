// The common opening of the drawing calls, colour descriptions and the ROP
// conversions.
#include <win/system.h>

#include "vector/vector.h"

namespace vesk {

Pdev* DrawBegin(SURFOBJ* pso, BOOL* result) {
    Pdev* p = PdevFromSurface(pso);
    if (!p) {
        *result = FALSE;
        return nullptr;
    }
    if (p->hiddenFunc18) {
        *result = TRUE;
        return nullptr;
    }
    if (p->flags & kPdevOutputFailed) {
        *result = FALSE;
        return nullptr;
    }
    return p;
}

DWORD ColorSwapRB(DWORD c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }

void ColorDescSwap(ColorDesc* d) {
    d->foreground = ColorSwapRB(d->foreground);
    d->background = ColorSwapRB(d->background);
    if (d->pen) d->pen = ColorSwapRB(d->pen);
}

void ColorDescFromMix(MIX mix, ColorDesc* d, int strokeAndFill) {
    d->fgMix = static_cast<BYTE>(mix & 0xFF);
    d->bkMode = ((mix >> 8) & 0xFF) == R2_NOP ? kBkTransparent : kBkOpaque;
    d->strokeAndFill = strokeAndFill == 1 ? 1 : 0;
}

BYTE PatternRopToMix(BYTE rop3) {
    // The 16 codes that use only pattern and destination, in mix-code order.
    static constexpr BYTE kCodes[16] = {0x00, 0x05, 0x0A, 0x0F, 0x50, 0x55, 0x5A, 0x5F,
                                        0xA0, 0xA5, 0xAA, 0xAF, 0xF0, 0xF5, 0xFA, 0xFF};
    for (BYTE i = 0; i < 16; ++i)
        if (kCodes[i] == rop3) return static_cast<BYTE>(i + 1);
    return 0;
}

BYTE RopFromRop4(DWORD rop) { return static_cast<BYTE>((rop >> 16) & 0xFF); }

}  // namespace vesk
