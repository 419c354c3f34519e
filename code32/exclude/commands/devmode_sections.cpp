#include "commands/devmode_sections.h"

#include <cstring>

#include "core/devmode_sizes.h"
#include "core/sysdeps.h"

namespace vesk {

BYTE* DmSaveSections13(DrvContext* ctx) {
    if (!ctx || !ctx->devmode) return nullptr;
    const DmSizes& s = dmSizes();
    const uint32_t n1 = dmSectionSize(s, 1), n3 = dmSectionSize(s, 3);
    auto* saved = static_cast<BYTE*>(MemAllocZero(n1 + n3));
    if (!saved) return nullptr;
    std::memcpy(saved, ctx->devmode + dmSectionBase(s, 1), n1);
    std::memcpy(saved + n1, ctx->devmode + dmSectionBase(s, 3), n3);
    return saved;
}

void DmRestoreSections13(DrvContext* ctx, BYTE* saved) {
    if (!saved) return;
    if (ctx && ctx->devmode) {
        const DmSizes& s = dmSizes();
        const uint32_t n1 = dmSectionSize(s, 1), n3 = dmSectionSize(s, 3);
        std::memcpy(ctx->devmode + dmSectionBase(s, 1), saved, n1);
        std::memcpy(ctx->devmode + dmSectionBase(s, 3), saved + n1, n3);
    }
    MemFree(saved);
}

}  // namespace vesk
