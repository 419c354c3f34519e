#include "common_calls/context_devmode.h"

#include <win/devmode.h>

#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"

namespace vesk {

DrvContext* CtxCreateGr(HANDLE printer, uint16_t kindWord, uint32_t flags) {
    return CtxCreateEx(printer, printer, nullptr, kindWord, flags, 0, nullptr);
}

void CtxReleaseGr(DrvContext* ctx) { CtxRelease(ctx); }

int DmApplyDevmodeFlagsGr(DrvContext* ctx, const DEVMODEW* devmode, uint32_t flags) {
    const BYTE* in = reinterpret_cast<const BYTE*>(devmode);
    size_t len = 0;
    if (in) len = static_cast<size_t>(dm::rd16(in, dm::kOffSize)) + dm::rd16(in, dm::kOffDriverExtra);
    return DmMergeDevmode(ctx, in, len, flags);
}

}  // namespace vesk
