// DEVMODE work a print path repeats, on a context of kind 0 for a printer
// whose driver set carries the sample model: merging a caller's DEVMODE into
// the context (as a cached context does for each job), and building the
// context's DEVMODE from the driver's defaults and from the spooler's.
// bench_devmode runs the common code under the common profile (the user
// interface library's), bench_gr_devmode under the graphics library's; the
// run's context names the profile.
#include <benchmark/benchmark.h>

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "common/sample_printer.h"
#include "core/context.h"
#include "core/context_cache.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode_sizes.h"
#include "core/library_identity.h"
#include "core/sysdeps.h"

using namespace vesk;

namespace {

// One machine and printer for every benchmark of the run.
struct Printer {
    std::unique_ptr<winsim::TempMachine> machine = std::make_unique<winsim::TempMachine>();
    HANDLE handle = nullptr;

    Printer() {
        if (!test::addSamplePrinter(u"Bench", &handle)) std::abort();
    }
    DrvContext* open() {
        CtxCacheClear();
        DrvContext* c = CtxCreateEx(handle, handle, nullptr, 0, 0, 0, nullptr);
        if (!c || !c->devmode) std::abort();
        return c;
    }
};

Printer& printer() {
    static Printer p;
    return p;
}

// The library whose profile the common code follows in this program.
const bool g_profileNamed = (benchmark::AddCustomContext("library profile", kLibraryIdentity.name), true);

// A caller's DEVMODE of this driver: landscape, three copies, a paper by
// size, the print quality and duplex asked for.
std::vector<BYTE> callerDevmode(DrvContext* c) {
    std::vector<BYTE> in(c->devmode, c->devmode + dmSizes().totalSize);
    dm::wr16(in.data(), dm::kOffOrientation, DMORIENT_LANDSCAPE);
    dm::wr16(in.data(), dm::kOffCopies, 3);
    dm::wr16(in.data(), dm::kOffPaperSize, DMPAPER_LETTER);
    dm::wr16(in.data(), dm::kOffDuplex, DMDUP_VERTICAL);
    dm::setFields(in.data(), DM_ORIENTATION | DM_COPIES | DM_PAPERSIZE | DM_PRINTQUALITY | DM_DUPLEX);
    return in;
}

// Runs `round` once with the stand-in's call journal on and reports how many
// platform calls it made (counter "calls"), with the count of each function
// on stderr: the share of a round no driver change can remove.
template <class Round>
void countCalls(benchmark::State& state, const char* what, Round&& round) {
    winsim::journalClear();
    winsim::journalEnable(true);
    round();
    winsim::journalEnable(false);
    const std::vector<winsim::JournalEntry> calls = winsim::journal();
    winsim::journalClear();
    std::map<std::string, int> byFunction;
    for (const winsim::JournalEntry& e : calls) ++byFunction[e.function];
    state.counters["calls"] = static_cast<double>(calls.size());
    // Every run of a benchmark makes the same calls: the list is shown once.
    static std::map<std::string, bool> shown;
    if (std::exchange(shown[what], true)) return;
    std::fprintf(stderr, "%s: %zu platform calls:", what, calls.size());
    for (const auto& [function, n] : byFunction) std::fprintf(stderr, " %s %d", function.c_str(), n);
    std::fprintf(stderr, "\n");
}

}  // namespace

// The graphics driver's job merge into a context that is already built.
static void BM_MergeCallerDevmode(benchmark::State& state) {
    DrvContext* c = printer().open();
    const std::vector<BYTE> in = callerDevmode(c);
    for (auto _ : state) benchmark::DoNotOptimize(DmMergeDevmode(c, in.data(), in.size(), 0x8000008));
    countCalls(state, "caller merge", [&] { DmMergeDevmode(c, in.data(), in.size(), 0x8000008); });
    CtxReleaseEx(c, kReleaseFree);
}
BENCHMARK(BM_MergeCallerDevmode);

// The document-properties merge without user interface.
static void BM_MergeDocumentProperties(benchmark::State& state) {
    DrvContext* c = printer().open();
    const std::vector<BYTE> in = callerDevmode(c);
    for (auto _ : state) benchmark::DoNotOptimize(DmMergeDevmode(c, in.data(), in.size(), 0x22000008));
    CtxReleaseEx(c, kReleaseFree);
}
BENCHMARK(BM_MergeDocumentProperties);

// Builds the context's DEVMODE for kind 0 again and again.
static void buildDevmodes(benchmark::State& state, DrvContext* c) {
    for (auto _ : state) {
        BYTE* b = DmCreateDefault(c, 0);
        benchmark::DoNotOptimize(b);
        MemFree(b);
    }
    CtxReleaseEx(c, kReleaseFree);
}

// The DEVMODE of a context from the driver's defaults (no spooler default).
static void BM_DevmodeFromDefaults(benchmark::State& state) { buildDevmodes(state, printer().open()); }
BENCHMARK(BM_DevmodeFromDefaults);

// A whole context of kind 0 as every call of a library starts with one: the
// model from the process list (already listed), the DEVMODE from the
// driver's defaults, the context built and freed each round (the context
// cache emptied, so nothing of the last round is reused). Under the common
// profile the context also copies the page table and applies the hand-over;
// bench_gr_devmode measures it as the graphics library makes it.
static void BM_ContextKind0FromDefaults(benchmark::State& state) {
    Printer& p = printer();
    DrvContext* warm = p.open();  // lists the model
    CtxReleaseEx(warm, kReleaseFree);
    for (auto _ : state) {
        CtxCacheClear();
        DrvContext* c = CtxCreateEx(p.handle, p.handle, nullptr, 0, 0, 0, nullptr);
        if (!c || !c->devmode) {
            state.SkipWithError("no context");
            break;
        }
        CtxReleaseEx(c, kReleaseFree);
    }
    countCalls(state, "kind-0 context", [&] {
        CtxCacheClear();
        if (DrvContext* c = CtxCreateEx(p.handle, p.handle, nullptr, 0, 0, 0, nullptr)) CtxReleaseEx(c, kReleaseFree);
    });
}
BENCHMARK(BM_ContextKind0FromDefaults);

// The DEVMODE of a context from the spooler's default DEVMODE of the driver.
static void BM_DevmodeFromSpoolerDefault(benchmark::State& state) {
    DrvContext* c = printer().open();
    const std::vector<BYTE> stored(c->devmode, c->devmode + dmSizes().totalSize);
    if (winsim::setPrinterDevmode(u"Bench", stored) != ERROR_SUCCESS) std::abort();
    buildDevmodes(state, c);
}
BENCHMARK(BM_DevmodeFromSpoolerDefault);
