// Getting a printer's compiled model three ways: compiling the model
// description, opening the cache file in a new process (the model list
// empty), and finding it in the process's list; for the sample model and for
// one about ten times larger made from it by make_large_model.py.
#include <benchmark/benchmark.h>

#include <win/windows.h>
#include <winsim/spooler.h>
#include <winsim/winsim.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "core/context.h"
#include "core/model/cache.h"
#include "core/model/image.h"
#include "core/model/model.h"

using namespace vesk;
namespace fs = std::filesystem;

namespace {

const std::u16string kDriverDir = u"C:\\WINDOWS\\system32\\spool\\DRIVERS\\W32X86\\3\\";

struct Printer {
    std::u16string dataFile;
    HANDLE handle = nullptr;
    DrvContext* ctx = nullptr;
    size_t textBytes = 0;
    uint32_t skipped = 0;
};

// A machine with one printer per model, made on first use and kept for the
// whole run.
class Machine {
public:
    Machine() {
        add(0, u"Sample", u"VESKMFP1.VMD", VESK_SAMPLE_MODEL);
        add(1, u"Large", u"VESKLRG1.VMD", VESK_LARGE_MODEL);
    }
    ~Machine() {
        MdlCacheFreeAll();
        for (Printer& p : printers_) {
            CtxReleaseEx(p.ctx, kReleaseFree);
            if (p.handle) ClosePrinter(p.handle);
        }
    }
    Printer* printer(int64_t n) { return n >= 0 && n < 2 && printers_[n].ctx ? &printers_[n] : nullptr; }

private:
    void add(int n, const std::u16string& name, const std::u16string& file, const char* source) {
        Printer& p = printers_[n];
        p.dataFile = kDriverDir + file;
        auto host = winsim::hostPath(p.dataFile);
        std::error_code ec;
        if (!host || !fs::copy_file(source, *host, fs::copy_options::overwrite_existing, ec)) return;
        std::ifstream in(source, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        p.textBytes = text.str().size();
        if (MdlParseResult* r = MdlParseText(reinterpret_cast<const BYTE*>(text.str().data()), p.textBytes)) {
            p.skipped = r->skippedCount;
            MdlFree(r);
        }
        winsim::DriverRecord d;
        d.name = u"VESK " + name;
        d.driverPath = kDriverDir + u"veskgr.dll";
        d.dataFile = p.dataFile;
        winsim::PrinterRecord pr;
        pr.name = name;
        pr.driver = d.name;
        if (winsim::addDriver(d) != ERROR_SUCCESS || winsim::addPrinter(pr) != ERROR_SUCCESS) return;
        if (!OpenPrinterW(const_cast<LPWSTR>(name.c_str()), &p.handle, nullptr)) return;
        p.ctx = CtxCreateEx(p.handle, p.handle, nullptr, 4, 0, 0, nullptr);
    }
    winsim::TempMachine machine_;
    Printer printers_[2];
};

Printer* setUp(benchmark::State& state) {
    static std::unique_ptr<Machine> machine(new Machine);
    Printer* p = machine->printer(state.range(0));
    if (!p) state.SkipWithError("the benchmark machine could not be made");
    return p;
}

void report(benchmark::State& state, const Printer& p, const MdlImage* image) {
    state.SetLabel(state.range(0) ? "large model" : "sample model");
    state.counters["text_bytes"] = static_cast<double>(p.textBytes);
    state.counters["image_bytes"] = image ? image->size : 0;
    state.counters["skipped_statements"] = p.skipped;
}

}  // namespace

static void BM_ModelCompileFromText(benchmark::State& state) {
    Printer* p = setUp(state);
    if (!p) return;
    uint32_t size = 0;
    for (auto _ : state) {
        MdlImage* image = MdlCompileImage(p->ctx, p->dataFile.c_str(), false);
        if (!image) {
            state.SkipWithError("compile failed");
            break;
        }
        size = image->size;
        MdlImageFree(image);
    }
    MdlImage probe{nullptr, size};
    report(state, *p, &probe);
}
BENCHMARK(BM_ModelCompileFromText)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Each round is a new process's first request: the list is emptied, then
// the model comes from the cache file (times, sizes, versions checked, the
// copy relocated and validated, listed).
static void BM_ModelOpenFromCacheFile(benchmark::State& state) {
    Printer* p = setUp(state);
    if (!p) return;
    MdlCacheFreeAll();
    MdlImageFree(MdlCompileImage(p->ctx, p->dataFile.c_str(), true));
    const MdlImage* image = nullptr;
    for (auto _ : state) {
        MdlCacheFreeAll();
        image = MdlCacheGet(p->ctx);
        if (!image) {
            state.SkipWithError("no model");
            break;
        }
    }
    report(state, *p, image);
    MdlCacheFreeAll();
}
BENCHMARK(BM_ModelOpenFromCacheFile)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

static void BM_ModelOpenFromList(benchmark::State& state) {
    Printer* p = setUp(state);
    if (!p) return;
    MdlCacheFreeAll();
    const MdlImage* image = MdlCacheGet(p->ctx);
    for (auto _ : state) benchmark::DoNotOptimize(MdlCacheGet(p->ctx));
    report(state, *p, image);
    MdlCacheFreeAll();
}
BENCHMARK(BM_ModelOpenFromList)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The user-space steps of an open from the cache file on their own: the
// stored image copied and relocated, and a relocated image checked.
static void BM_ModelImageRelocate(benchmark::State& state) {
    Printer* p = setUp(state);
    if (!p) return;
    MdlCacheFreeAll();
    MdlImageFree(MdlCompileImage(p->ctx, p->dataFile.c_str(), true));
    MdlImage* stored = MdlCacheLoadFile(p->dataFile.c_str());
    MdlImage* work = stored ? MdlImageNew(nullptr, stored->size) : nullptr;
    if (!work) {
        state.SkipWithError("no cache file");
        MdlImageFree(stored);
        return;
    }
    for (auto _ : state) {
        std::memcpy(work->block, stored->block, stored->size);
        if (!MdlRelocateImage(work->block, work->size)) {
            state.SkipWithError("relocation failed");
            break;
        }
    }
    report(state, *p, work);
    MdlImageFree(work);
    MdlImageFree(stored);
}
BENCHMARK(BM_ModelImageRelocate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

static void BM_ModelImageValidate(benchmark::State& state) {
    Printer* p = setUp(state);
    if (!p) return;
    MdlCacheFreeAll();
    MdlImage* image = MdlCompileImage(p->ctx, p->dataFile.c_str(), false);
    if (!image) {
        state.SkipWithError("compile failed");
        return;
    }
    for (auto _ : state) {
        if (!MdlValidateImage(image->view())) {
            state.SkipWithError("check failed");
            break;
        }
    }
    report(state, *p, image);
    MdlImageFree(image);
}
BENCHMARK(BM_ModelImageValidate)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
