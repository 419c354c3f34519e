// The per-printer lists on a printer of the sample model with its string
// library: a preset load that its snapshot answers, the same load from its
// file, and a load of the ten-slot free-size cache from the per-printer INI.
#include <benchmark/benchmark.h>

#include <win/windows.h>
#include <winsim/winsim.h>

#include <cstdlib>
#include <filesystem>

#include "bench_printer.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"

using namespace vesk;

namespace {

const WCHAR kPreset[] = u"C:\\_vesk\\bench.rst";

// One machine and printer with a preset and ten free sizes, and a context
// of it.
struct Printer : bench::BenchPrinter {
    DrvContext* ctx = nullptr;

    Printer() : BenchPrinter(u"Bench") {
        const auto lib = winsim::hostPath(u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\VESKR1us.DLL");
        std::error_code ec;
        if (!lib || !std::filesystem::copy_file(std::filesystem::path(VESK_RES_DIR) / "VESKR1us.DLL", *lib, ec))
            std::abort();
        ctx = open();
        if (!EnsureParentDir(kPreset) || !SettingsExport(handle, kPreset, kStPresetDevice, ctx) ||
            !PresetAdd(ctx, kPreset, u"Bench", u""))
            std::abort();
        for (int i = 0; i < 10; ++i) {
            ItemSetString(ctx, ItemFindById(ctx, kItWdmFreeSizeName), u"Bench size");
            ItemSetRawById(ctx, kItWdmFreeSizeWidth, 6000 + 100 * static_cast<uint32_t>(i));
            ItemSetRawById(ctx, kItWdmFreeSizeLength, 9000);
            if (!SaveFreeSizeByIndex(ctx, i)) std::abort();
        }
    }
    ~Printer() { CtxReleaseEx(ctx, kReleaseFree); }
};

Printer& printer() {
    static Printer p;
    return p;
}

}  // namespace

static void BM_LoadPresetSnapshotHit(benchmark::State& state) {
    Printer& p = printer();
    if (!LoadPresetByIndex(p.ctx, 0)) std::abort();
    for (auto _ : state) benchmark::DoNotOptimize(LoadPresetByIndex(p.ctx, 0));
}
BENCHMARK(BM_LoadPresetSnapshotHit)->Unit(benchmark::kMicrosecond);

static void BM_LoadPresetFromFile(benchmark::State& state) {
    Printer& p = printer();
    for (auto _ : state) {
        PresetSnapshot(p.ctx, nullptr, 3);
        benchmark::DoNotOptimize(LoadPresetByIndex(p.ctx, 0));
    }
}
BENCHMARK(BM_LoadPresetFromFile)->Unit(benchmark::kMicrosecond);

static void BM_LoadFreeSizeTable(benchmark::State& state) {
    Printer& p = printer();
    for (auto _ : state) {
        ChangeMaskClear(p.ctx, kChangeFreeSizesLoaded);
        benchmark::DoNotOptimize(LoadFreeSizeTable(p.ctx));
    }
}
BENCHMARK(BM_LoadFreeSizeTable)->Unit(benchmark::kMicrosecond);
