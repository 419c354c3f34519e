// Constraint evaluation as a property-sheet refresh does it, on a context of
// kind 0 for a printer whose driver set carries the sample model: the
// hidden and disabled queries of every control of the document pages and of
// every option of the model, and the allowed values of the built-in
// settings.
#include <benchmark/benchmark.h>

#include <win/windows.h>
#include <winsim/winsim.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "common/sample_printer.h"
#include "core/allowed/allowed_values.h"
#include "core/context.h"
#include "core/context_cache.h"
#include "core/model/constraints.h"
#include "core/model/query.h"
#include "core/ui_lookup.h"

using namespace vesk;

namespace {

struct Printer {
    std::unique_ptr<winsim::TempMachine> machine = std::make_unique<winsim::TempMachine>();
    HANDLE handle = nullptr;
    DrvContext* ctx = nullptr;
    std::vector<UiControl*> controls;   // of the document pages, bound as the sheets bind them
    std::vector<uint32_t> options;      // every option of the model, by item

    Printer() {
        if (!test::addSamplePrinter(u"Bench", &handle)) std::abort();
        CtxCacheClear();
        ctx = CtxCreateEx(handle, handle, nullptr, 0, 0, 0, nullptr);
        if (!ctx || !ctx->model) std::abort();
        for (int p = 0; p < CtxPages(ctx)->count; ++p) {
            UiPage& page = CtxPages(ctx)->pages[p];
            if (!(page.kind & kPageDocument)) continue;
            for (int i = 0; i < page.controlCount; ++i) {
                UiControl* c = &page.controls[i];
                CtlBindItem(ctx, c);
                c->option = MdlFindOptionByKey(ctx, c->key);
                controls.push_back(c);
            }
        }
        for (int i = 0; i < ctx->items->count; ++i)
            if (uint32_t o = MdlFindOption(ctx, ctx->items->items[i].id)) options.push_back(o);
    }
};

Printer& printer() {
    static Printer p;
    return p;
}

void refreshControls(Printer& p) {
    for (UiControl* c : p.controls) {
        c->hidden = MdlOptionCond1Check(p.ctx, c->option, c->id);
        c->disabled = c->hidden || MdlOptionCond2Check(p.ctx, c->option, c->id);
    }
}

void allowedValues(Printer& p) {
    const AllowedTable* t = GetBuiltinTable10();
    uint32_t values[64];
    for (uint32_t i = 0; i < t->count; ++i) {
        uint32_t n = 0;
        benchmark::DoNotOptimize(OptGetAllowedValues(p.ctx, t->rows[i].item, 64, values, &n));
    }
}

}  // namespace

// Hidden and disabled states of every control of the document pages.
static void BM_RefreshDocumentControls(benchmark::State& state) {
    Printer& p = printer();
    for (auto _ : state) refreshControls(p);
    state.counters["controls"] = static_cast<double>(p.controls.size());
}
BENCHMARK(BM_RefreshDocumentControls);

// Both conditions of every option of the model (the option-level states).
static void BM_OptionConditions(benchmark::State& state) {
    Printer& p = printer();
    for (auto _ : state)
        for (uint32_t o : p.options) {
            benchmark::DoNotOptimize(MdlOptionCond1Check(p.ctx, o, 0));
            benchmark::DoNotOptimize(MdlOptionCond2Check(p.ctx, o, 0));
        }
    state.counters["options"] = static_cast<double>(p.options.size());
}
BENCHMARK(BM_OptionConditions);

// The allowed values of the 46 built-in settings.
static void BM_AllowedValuesOfEverySetting(benchmark::State& state) {
    Printer& p = printer();
    for (auto _ : state) allowedValues(p);
}
BENCHMARK(BM_AllowedValuesOfEverySetting);

// One whole refresh: the controls, then the allowed values.
static void BM_PropertySheetRefresh(benchmark::State& state) {
    Printer& p = printer();
    for (auto _ : state) {
        refreshControls(p);
        allowedValues(p);
    }
}
BENCHMARK(BM_PropertySheetRefresh);
