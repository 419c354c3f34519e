// Merges arbitrary bytes as a caller's DEVMODE into a context built from
// defaults, with each merge flag set the callers use; the context's DEVMODE
// must stay this driver's afterwards, and converting the bytes must stay
// inside the buffers.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/context.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_private.h"
#include "core/devmode_sizes.h"
#include "core/sysdeps.h"

using namespace vesk;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static DrvContext* ctx = [] {
        PRINTER_INFO_2W pi{};
        pi.pPrinterName = const_cast<LPWSTR>(u"Fuzz");
        DrvContext* c = CtxCreateEx(nullptr, nullptr, nullptr, 4, 0, 0, &pi);
        if (c) {
            c->devmode = static_cast<BYTE*>(MemAllocZero(dmSizes().stateSize));
            DmSetDefaults(c);
        }
        return c;
    }();
    if (!ctx || !ctx->devmode) return 0;
    // An exact-size copy, so that any read past the caller's bytes is caught.
    std::vector<BYTE> in(data, data + size);
    static const uint32_t flags[] = {0x400000A, 0x2000000, 0x22000008, 0x8000008, 0x1000008, 0x10000008, 0x2000004};
    const uint32_t f = flags[size % (sizeof(flags) / sizeof(flags[0]))];
    DmMergeDevmode(ctx, in.empty() ? nullptr : in.data(), in.size(), f);
    if (!DmIsOwnDevmode(ctx, ctx->devmode, dmSizes().totalSize)) std::abort();

    std::vector<BYTE> out(1260, 0);
    out[68] = 220;
    out[70] = 1040 & 0xFF;
    out[71] = 1040 >> 8;
    DmCopyConvert(in.data(), in.size(), out.data(), out.size());
    DWORD cb = static_cast<DWORD>(out.size());
    DmConvertDevmode(u"Fuzz", in.data(), in.size(), out.data(), &cb, 1u << (size % 4));
    return 0;
}
