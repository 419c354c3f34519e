// DEVMODE work a print path repeats: merging a caller's DEVMODE into a
// context that is already built (a cached context), and building a DEVMODE
// from defaults.
#include <benchmark/benchmark.h>

#include <vector>

#include "core/context.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode_sizes.h"
#include "core/seams.h"
#include "core/sysdeps.h"

using namespace vesk;

namespace {
DrvContext* newContext() {
    PRINTER_INFO_2W pi{};
    pi.pPrinterName = const_cast<LPWSTR>(u"Bench");
    DrvContext* c = CtxCreateEx(nullptr, nullptr, nullptr, 4, 0, 0, &pi);
    c->devmode = static_cast<BYTE*>(MemAllocZero(dmSizes().stateSize));
    DmSetDefaults(c);
    return c;
}
}  // namespace

static void BM_MergeCallerDevmode(benchmark::State& state) {
    DrvContext* c = newContext();
    std::vector<BYTE> in(c->devmode, c->devmode + dmSizes().totalSize);
    dm::wr16(in.data(), dm::kOffOrientation, 2);
    dm::wr16(in.data(), dm::kOffCopies, 3);
    dm::setFields(in.data(), DM_ORIENTATION | DM_COPIES | DM_PAPERSIZE | DM_PRINTQUALITY | DM_DUPLEX);
    for (auto _ : state) benchmark::DoNotOptimize(DmMergeDevmode(c, in.data(), in.size(), 0x2000008));
    CtxReleaseEx(c, kReleaseFree);
}
BENCHMARK(BM_MergeCallerDevmode);

static void BM_DevmodeFromDefaults(benchmark::State& state) {
    DrvContext* c = newContext();
    for (auto _ : state) {
        BYTE* b = DmCreateDefault(c, 1);
        benchmark::DoNotOptimize(b);
        MemFree(b);
    }
    CtxReleaseEx(c, kReleaseFree);
}
BENCHMARK(BM_DevmodeFromDefaults);
