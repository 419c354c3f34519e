#include "core/context_access.h"

#include "core/context.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode_sizes.h"

namespace vesk {

BYTE* GetPrivateDevmodeRaw(DrvContext* ctx) {
    BYTE* dm = CtxGetDevmode(ctx);
    if (!dm) return nullptr;
    // The context's own DEVMODE: its dmSize is the public size it was built
    // with, but a merged-in value must not point the part past the buffer.
    const uint16_t size = dm::rd16(dm, dm::kOffSize);
    return size <= dmSizes().publicSize ? dm + size : dm + dmSizes().publicSize;
}

BYTE* GetPrivateDevmode(DrvContext* ctx) { return GetPrivateDevmodeRaw(ctx); }

BYTE* GetPrivateDevmodeNt(DrvContext* ctx) {
    BYTE* dm = CtxGetDevmode(ctx);
    return dm ? dm + dmSizes().publicSize : nullptr;
}

BYTE* GetDmVarBlock(DrvContext* ctx) {
    BYTE* dm = CtxGetDevmode(ctx);
    if (!dm) return nullptr;
    const uint16_t base = dm::rd16(dm, dm::kOffSectionBase2);
    return base < dmSizes().stateSize ? dm + base : nullptr;
}

int ReturnFalse() { return 0; }
int ReturnTrue() { return 1; }
void EmptyHook4(void*, void*, void*, void*) {}

}  // namespace vesk
