// Persisted settings on a printer whose driver set carries the sample model:
// opening a context of kind 0 (every option class and the font tables loaded
// from printer data and the per-printer INI) on a printer that has them, and
// the export and import of a full preset.
#include <benchmark/benchmark.h>

#include <win/windows.h>
#include <winsim/winsim.h>

#include <cstdlib>
#include <memory>

#include "bench_printer.h"
#include "core/context.h"
#include "core/context_cache.h"
#include "core/persist/opt_persist.h"
#include "core/persist/settings_file.h"

using namespace vesk;

namespace {

const WCHAR kPreset[] = u"C:\\_vesk\\bench.rst";

// One machine and printer with persisted settings for every benchmark.
struct Printer : bench::BenchPrinter {
    Printer() : BenchPrinter(u"Bench") {
        DrvContext* c = open();
        OptSaveUserClasses(handle, c);
        OptSaveClass(handle, c, 2, kOptSaveAll);
        CtxReleaseEx(c, kReleaseFree);
    }
};

Printer& printer() {
    static Printer p;
    return p;
}

}  // namespace

static void BM_OpenWithPersistedSettings(benchmark::State& state) {
    Printer& p = printer();
    for (auto _ : state) CtxReleaseEx(p.open(), kReleaseFree);
}
BENCHMARK(BM_OpenWithPersistedSettings)->Unit(benchmark::kMicrosecond);

static void BM_ExportPreset(benchmark::State& state) {
    Printer& p = printer();
    DrvContext* c = p.open();
    for (auto _ : state) benchmark::DoNotOptimize(SettingsExport(p.handle, kPreset, kStWrite, c));
    CtxReleaseEx(c, kReleaseFree);
}
BENCHMARK(BM_ExportPreset)->Unit(benchmark::kMicrosecond);

static void BM_ImportPreset(benchmark::State& state) {
    Printer& p = printer();
    DrvContext* c = p.open();
    if (!SettingsExport(p.handle, kPreset, kStWrite, c)) std::abort();
    for (auto _ : state) benchmark::DoNotOptimize(SettingsImport(p.handle, kPreset, kStRead, c));
    CtxReleaseEx(c, kReleaseFree);
}
BENCHMARK(BM_ImportPreset)->Unit(benchmark::kMicrosecond);

// The share of the open that the persisted settings take: every class and
// the font tables loaded again into an open context.
static void BM_LoadAllClassesAndFonts(benchmark::State& state) {
    Printer& p = printer();
    DrvContext* c = p.open();
    for (auto _ : state) benchmark::DoNotOptimize(OptLoadClasses(p.handle, -1, c));
    CtxReleaseEx(c, kReleaseFree);
}
BENCHMARK(BM_LoadAllClassesAndFonts)->Unit(benchmark::kMicrosecond);
