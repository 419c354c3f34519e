// Device-capability questions as an application asks them, many times per
// document: for each question a device-capability context comes from its
// cache, the application's DEVMODE is merged, the count and then the list
// are asked for, and the context goes back to the cache. The printer has the
// sample model and the driver set's string library.
#include <benchmark/benchmark.h>

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "common/sample_printer.h"
#include "core/caps/device_caps.h"
#include "core/context.h"
#include "core/context_cache.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode_sizes.h"
#include "core/item_ids.h"

using namespace vesk;

namespace {

constexpr uint32_t kCapsMerge = 0x1000008;

struct Printer {
    std::unique_ptr<winsim::TempMachine> machine = std::make_unique<winsim::TempMachine>();
    HANDLE handle = nullptr;
    std::vector<BYTE> devmode;

    Printer() {
        if (!test::addSamplePrinter(u"Bench", &handle)) std::abort();
        for (const char* f : {"VESKR1us.DLL", "VESKC1XX.DLL"}) {
            auto to = winsim::hostPath(u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\" + winsim::fromUtf8(f));
            std::error_code ec;
            if (!to || !std::filesystem::copy_file(std::filesystem::path(VESK_RES_DIR) / f, *to,
                                                   std::filesystem::copy_options::overwrite_existing, ec))
                std::abort();
        }
        DrvContext* c = CtxCreateEx(handle, handle, nullptr, 0, kCreateDeviceCaps, 0, nullptr);
        if (!c || !c->devmode) std::abort();
        devmode.assign(c->devmode, c->devmode + dmSizes().totalSize);
        CtxReleaseEx(c, kReleaseCache1);
    }
};

Printer& printer() {
    static Printer p;
    return p;
}

// One question: a context from cache 1 with the DEVMODE merged, the count,
// the list, and the context back to the cache.
template <typename Ask>
void question(Printer& p, Ask ask) {
    DrvContext* c = CtxCreateEx(p.handle, p.handle, nullptr, 0, kCreateDeviceCaps, 0, nullptr);
    if (!c || !DmMergeDevmode(c, p.devmode.data(), p.devmode.size(), kCapsMerge)) std::abort();
    ask(c);
    CtxReleaseEx(c, kReleaseCache1);
}

// Count, then fill into a buffer of the count.
template <typename T, typename Get>
void countAndFill(DrvContext* c, size_t perEntry, Get get) {
    const int n = get(c, static_cast<T*>(nullptr));
    if (n <= 0) return;
    std::vector<T> out(static_cast<size_t>(n) * perEntry);
    benchmark::DoNotOptimize(get(c, out.data()));
}

void round(Printer& p) {
    auto papers = [](DrvContext* c, uint16_t* o) { return CapsGetPapers(c, o, kItDmPaperSize); };
    auto paperNames = [](DrvContext* c, WCHAR* o) {
        return CapsGetPaperNames(c, o, kCapsPaperNameChars, kItDmPaperSize);
    };
    auto sizes = [](DrvContext* c, int32_t* o) { return CapsGetPaperSizes(c, o, kItDmPaperSize); };
    auto bins = [](DrvContext* c, uint16_t* o) { return CapsGetBins(c, o, kItDmDefaultSource); };
    auto binNames = [](DrvContext* c, WCHAR* o) {
        return CapsGetBinNames(c, o, kCapsBinNameChars, kItDmDefaultSource);
    };
    auto resolutions = [](DrvContext* c, int32_t* o) { return CapsGetResolutions(c, o); };
    for (int pass = 0; pass < 2; ++pass) {  // count, then fill: two calls each
        const bool fill = pass == 1;
        auto one = [&](auto get, auto tag, size_t per) {
            using T = decltype(tag);
            question(p, [&](DrvContext* c) {
                if (fill) countAndFill<T>(c, per, get);
                else benchmark::DoNotOptimize(get(c, static_cast<T*>(nullptr)));
            });
        };
        one(papers, uint16_t{}, 1);
        one(paperNames, WCHAR{}, kCapsPaperNameChars);
        one(sizes, int32_t{}, 2);
        one(bins, uint16_t{}, 1);
        one(binNames, WCHAR{}, kCapsBinNameChars);
        one(resolutions, int32_t{}, 2);
    }
}

}  // namespace

// The twelve calls of an application's round, each through the cache.
static void BM_DeviceCapsRound(benchmark::State& state) {
    Printer& p = printer();
    for (auto _ : state) round(p);
}
BENCHMARK(BM_DeviceCapsRound)->Unit(benchmark::kMicrosecond);

// The lists alone on one context: the walks without the context and merge.
static void BM_DeviceCapsListsOnOneContext(benchmark::State& state) {
    Printer& p = printer();
    DrvContext* c = CtxCreateEx(p.handle, p.handle, nullptr, 0, kCreateDeviceCaps, 0, nullptr);
    if (!c) std::abort();
    std::vector<uint16_t> ids(64);
    std::vector<WCHAR> names(64 * kCapsPaperNameChars);
    std::vector<int32_t> pairs(128);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CapsGetPapers(c, ids.data(), kItDmPaperSize));
        benchmark::DoNotOptimize(CapsGetPaperNames(c, names.data(), kCapsPaperNameChars, kItDmPaperSize));
        benchmark::DoNotOptimize(CapsGetPaperSizes(c, pairs.data(), kItDmPaperSize));
        benchmark::DoNotOptimize(CapsGetBins(c, ids.data(), kItDmDefaultSource));
        benchmark::DoNotOptimize(CapsGetBinNames(c, names.data(), kCapsBinNameChars, kItDmDefaultSource));
        benchmark::DoNotOptimize(CapsGetResolutions(c, pairs.data()));
    }
    CtxReleaseEx(c, kReleaseFree);
}
BENCHMARK(BM_DeviceCapsListsOnOneContext)->Unit(benchmark::kMicrosecond);
