// The Exc interface on a printer of the sample model: one update of a
// 20-line command base (apply, resolve, write, collect, merge), and the
// TRAY values the current settings would keep (one trial per value).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench_printer.h"
#include "commands/exc_api.h"
#include "exc_handle.h"

using namespace vesk;

namespace {

const char kBase[] =
    "@PJL SET APLPAGESIZE = A4\r\n@PJL SET APLPAGELAYOUT = PORTRAIT\r\n@PJL SET PAPER = SAME\r\n"
    "@PJL SET TRAY = ALL\r\n@PJL SET DUPLEX = OFF\r\n@PJL SET COLLATE = SORT\r\n@PJL SET COPIES = 2\r\n"
    "@PJL SET STAPLE = OFF\r\n@PJL SET OUTBIN = UPPER\r\n@PJL SET FORCEFEED = ALL\r\n@PJL SET SCALETYPE = OFF\r\n"
    "@PJL SET NUP = OFF\r\n@PJL SET MEDIATYPE = PLAIN\r\n@PJL SET DSTRESOLUTIONH = 600\r\n"
    "@PJL SET DSTRESOLUTIONW = 600\r\n@PJL SET SRCRESOLUTIONH = 600\r\n@PJL SET SRCRESOLUTIONW = 600\r\n"
    "@PJL SET COLORSELECT = MONO\r\n@PJL SET SIMPLEXBINDING = LEFT\r\n@PJL SET NUPENCLOSURE = OFF\r\n";

struct Session {
    bench::BenchPrinter printer{u"Bench"};
    void* handle = nullptr;
    Session() {
        handle = ExcGetExclusive("Bench");
        if (!handle || ExcSetCommandBase(handle, kBase, nullptr) < 0) std::abort();
    }
};

Session& session() {
    static Session s;
    return s;
}

void BM_UpdateCommand(benchmark::State& state) {
    Session& s = session();
    const char* lines[] = {"@PJL SET PAPER = A3\r\n", "@PJL SET PAPER = A4\r\n"};
    size_t i = 0;
    for (auto _ : state) {
        int32_t length = 0;
        benchmark::DoNotOptimize(ExcUpdateCommand(s.handle, lines[i++ & 1], &length));
    }
}
BENCHMARK(BM_UpdateCommand)->Unit(benchmark::kMicrosecond);

void BM_TrayValuesEnabledOnly(benchmark::State& state) {
    Session& s = session();
    char buffer[256];
    for (auto _ : state) {
        int32_t need = 0;
        if (ExcGetCommandValue(s.handle, "TRAY", 1, sizeof buffer, buffer, &need) != 0) std::abort();
        benchmark::DoNotOptimize(buffer);
    }
}
BENCHMARK(BM_TrayValuesEnabledOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
