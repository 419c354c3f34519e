// Condition evaluation: every condition program the image reaches (the
// options' conditions, their per-value entries, alerts and Transact pairs,
// and the command lists' conditions), run on a context, for the sample model
// and for the one about ten times larger that make_large_model.py makes of
// it; and the computed items alone.
#include <benchmark/benchmark.h>
#include <winsim/winsim.h>

#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "core/computed/computed.h"
#include "core/context.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/image.h"
#include "core/sysdeps.h"
#include "core/item_ids.h"

using namespace vesk;

namespace {

std::vector<uint8_t> compile(const char* path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    const std::string text = s.str();
    std::vector<uint8_t> image;
    MdlParseResult* r = MdlParseText(reinterpret_cast<const BYTE*>(text.data()), text.size());
    if (!r) return image;
    bool ok = MdlSerializeImage(*r, image) && MdlRelocateImage(image.data(), image.size()) &&
              MdlValidateImage(MdlImageView(image.data(), image.size()));
    MdlFree(r);
    if (!ok) image.clear();
    return image;
}

// Every distinct program the image reaches.
std::vector<uint32_t> reachablePrograms(const MdlImageView& v) {
    std::set<uint32_t> found;
    auto program = [&](uint32_t at) {
        uint32_t p = 0;
        if (v.link(at, 4, &p) && p) found.insert(p);
    };
    auto list = [&](uint32_t headAt, uint32_t size, auto each) {
        uint32_t head = 0;
        if (!v.link(headAt, size, &head)) return;
        MdlListWalk walk(v, head, size);
        for (uint32_t rec; walk.next(&rec);) each(rec);
    };
    auto transacts = [&](uint32_t headAt) { list(headAt, kMdlImgPairSize, [&](uint32_t t) { program(t + kMdlTransactCond); }); };
    list(MdlSlotOffset(kMdlSlotExclusive), kMdlImgExclusiveSize, [&](uint32_t row) {
        program(row + kMdlRuleCond1);
        program(row + kMdlRuleCond2);
        list(row + kMdlRuleValues, kMdlImgItemSize, [&](uint32_t e) {
            program(e + kMdlItemCond1);
            program(e + kMdlItemCond2);
        });
        list(row + kMdlRuleAlerts, kMdlImgAlertSize, [&](uint32_t e) {
            program(e + kMdlAlertCond);
            list(e + kMdlAlertActions, kMdlImgPairSize, [&](uint32_t a) { transacts(a + kMdlAnswerTransact); });
        });
        transacts(row + kMdlRuleTransact1);
        transacts(row + kMdlRuleTransact2);
    });
    // Command lists: the condition of every nested list.
    std::vector<uint32_t> pending;
    for (int g = kMdlSlotJobStart; g <= kMdlSlotPageEnd; ++g) {
        uint32_t l = 0;
        if (v.slot(g, &l) && l) pending.push_back(l);
    }
    while (!pending.empty()) {
        uint32_t l = pending.back();
        pending.pop_back();
        program(l);
        for (uint32_t head : {l + kMdlListFirst, l + kMdlListSecond}) {
            uint32_t n = 0;
            v.link(head, kMdlNodeSize, &n);
            MdlListWalk walk(v, n, kMdlNodeSize);
            for (uint32_t node; walk.next(&node);) {
                uint16_t kind = 0;
                uint32_t nested = 0;
                v.u16(node + kMdlNodeKind, &kind);
                if (kind == kMdlNodeGroup && v.link(node + kMdlNodeNested, kMdlImgCommandListSize, &nested) && nested) pending.push_back(nested);
            }
        }
    }
    return {found.begin(), found.end()};
}

struct Fixture {
    winsim::TempMachine machine;
    std::vector<uint8_t> bytes;
    MdlImage* image = nullptr;
    DrvContext* ctx = nullptr;
    explicit Fixture(const char* model) : bytes(compile(model)) {
        if (!bytes.empty()) image = MdlImageNew(bytes.data(), bytes.size());
        PRINTER_INFO_2W pi{};
        pi.pPrinterName = const_cast<LPWSTR>(u"Bench");
        ctx = CtxCreateEx(nullptr, nullptr, nullptr, 4, 0, 0, &pi);
        ctx->devmode = static_cast<BYTE*>(MemAllocZero(dmSizes().stateSize));
        MdlEvalStackAlloc(ctx);
        ctx->model = image;
        // A fitted finisher, A4 in tray 1, punching on: the rules over the
        // computed items take their long way.
        const std::pair<int, uint32_t> items[] = {{7, 1},   {8, 9},        {13, 1},       {50, 1024},   {42, 1200},
                                                  {14, 1200}, {65, 1},     {134, 1},      {10050, 1},   {10175, 9},
                                                  {10014, 1}, {61, 1},     {378, 3},      {66, 1}};
        for (auto [id, v] : items) ItemSetRawById(ctx, id, v);
        ItemSetString(ctx, ItemFindById(ctx, kItRdmUserCode), u"1234");
    }
    ~Fixture() {
        ctx->model = nullptr;
        CtxReleaseEx(ctx, kReleaseFree);
        MdlImageFree(image);
    }
};

}  // namespace

static void BM_EvaluateEveryCondition(benchmark::State& state) {
    Fixture f(state.range(0) ? VESK_LARGE_MODEL : VESK_SAMPLE_MODEL);
    if (!f.image) {
        state.SkipWithError("the model did not compile");
        return;
    }
    state.SetLabel(state.range(0) ? "large model" : "sample model");
    const std::vector<uint32_t> programs = reachablePrograms(f.image->view());
    uint32_t sum = 0;
    for (auto _ : state) {
        for (uint32_t p : programs) sum += MdlEvalExpression(f.ctx, p);
        benchmark::DoNotOptimize(sum);
    }
    state.counters["programs"] = static_cast<double>(programs.size());
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(programs.size()));
}
BENCHMARK(BM_EvaluateEveryCondition)->Arg(0)->Arg(1);

static void BM_ComputedItemsEachId(benchmark::State& state) {
    Fixture f(VESK_SAMPLE_MODEL);
    uint32_t sum = 0;
    int n = 0;
    for (auto _ : state) {
        n = 0;
        for (int id = kComputedFirst; id <= kComputedLast; ++id, ++n) sum += ComputedItemValue(f.ctx, id);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * n);
}
BENCHMARK(BM_ComputedItemsEachId);
