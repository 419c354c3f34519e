// Merges a caller's DEVMODE made from the input into the DEVMODE of a
// context of kind 0 (a printer whose driver set carries the sample model),
// with the merge flags the callers use, and converts it. The first byte
// chooses the flags and how the rest is read:
//   bit 7 clear: the rest is the caller's DEVMODE as it stands (truncated,
//     lying sizes, any content);
//   bit 7 set: the rest patches a copy of the context's own DEVMODE (so the
//     private part passes the acceptance test and its fields are reached):
//     two bytes give the length the caller claims, then triples of a 16-bit
//     offset and a byte to put there.
// After every merge the context's DEVMODE must still be this driver's, with
// its own sizes, section bases, situation bytes, font tables and terminated
// strings; every copy must stay inside the buffers (the sanitizers see any
// read or write past them).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <winsim/winsim.h>

#include "common/sample_printer.h"
#include "core/context.h"
#include "core/devmode/dm_convert.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_private.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/sysdeps.h"
#include "core/item_ids.h"

using namespace vesk;

namespace {

// A printer of the driver on a temporary machine, its driver set carrying
// the sample model, and a context of kind 0 for it.
struct Fixture {
    std::unique_ptr<winsim::TempMachine> machine;
    HANDLE printer = nullptr;
    DrvContext* ctx = nullptr;
    std::vector<BYTE> defaults;  // the whole buffer as the context built it
};

bool setUp(Fixture& x) {
    x.machine = std::make_unique<winsim::TempMachine>();
    if (!test::addSamplePrinter(u"Fuzz", &x.printer)) return false;
    x.ctx = CtxCreateEx(x.printer, x.printer, nullptr, 0, 0, 0, nullptr);
    if (!x.ctx || !x.ctx->model || !x.ctx->devmode) return false;
    // Font tables the merge must leave alone: handles in section 2.
    ItemSetRawById(x.ctx, kItRdmDeviceFont, 0x1234);
    ItemSetRawById(x.ctx, kItRdmDeviceFontNum, 2);
    x.defaults.assign(x.ctx->devmode, x.ctx->devmode + dmSizes().stateSize);
    return true;
}

Fixture& fixture() {
    static Fixture f;
    static const bool ready = setUp(f);
    // A target that cannot build its context would test nothing.
    if (!ready) std::abort();
    return f;
}

// The bytes that describe the context itself and survive every merge.
constexpr uint32_t kKept[] = {1241, 1242, 1243, 1244, 1245, 1246, 1249, 1253, 1255, 1256};

void check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Fixture& f = fixture();
    DrvContext* ctx = f.ctx;
    if (size == 0) return 0;
    const DmSizes& s = dmSizes();
    std::memcpy(ctx->devmode, f.defaults.data(), s.stateSize);

    static const uint32_t flags[] = {0x400000A, 0x2000000, 0x22000008, 0x8000008,
                                     0x1000008, 0x10000008, 0x2000004, 0x2000008};
    const uint8_t head = data[0];
    const uint32_t mergeFlags = flags[head & 7];
    ++data;
    --size;

    // An exact-size buffer, so that any read past the caller's bytes is seen.
    std::vector<BYTE> in;
    if (head & 0x80) {
        in.assign(ctx->devmode, ctx->devmode + s.totalSize);
        size_t claimed = in.size();
        if (size >= 2) {
            claimed = data[0] | (data[1] << 8);
            data += 2;
            size -= 2;
        }
        for (; size >= 3; data += 3, size -= 3) {
            const size_t off = (data[0] | (data[1] << 8)) % in.size();
            in[off] = data[2];
        }
        in.resize(claimed < in.size() ? claimed : in.size());
    } else {
        in.assign(data, data + size);
    }

    DmMergeDevmode(ctx, in.empty() ? nullptr : in.data(), in.size(), mergeFlags);
    const BYTE* cur = ctx->devmode;
    check(DmIsOwnDevmode(ctx, cur, s.totalSize) == 1);
    check(dm::rd16(cur, dm::kOffSectionBase2) == dmSectionBase(s, 2));
    check(dm::rd16(cur, dm::kOffSectionBase3) == dmSectionBase(s, 3));
    for (uint32_t off : kKept) check(cur[off] == f.defaults[off]);
    check(ItemRawById(ctx, kItRdmDeviceFont) == 0x1234 && ItemRawById(ctx, kItRdmDeviceFontNum) == 2);
    check(dm::rd16(cur, dm::kOffFormName + 62) == 0 && dm::rd16(cur, dm::kOffDeviceName + 62) == 0);

    std::vector<BYTE> out(s.totalSize, 0);
    dm::wr16(out.data(), dm::kOffSize, s.publicSize);
    dm::wr16(out.data(), dm::kOffDriverExtra, s.privateSize);
    DmCopyConvert(in.data(), in.size(), out.data(), out.size());
    DWORD cb = static_cast<DWORD>(out.size());
    DmConvertDevmode(u"Fuzz", in.data(), in.size(), out.data(), &cb, 1u << (head >> 3 & 3));
    std::vector<BYTE> combined(s.totalSize, 0);
    DmCombine(in.data(), in.size(), f.defaults.data(), s.totalSize, combined.data(), combined.size());
    return 0;
}
