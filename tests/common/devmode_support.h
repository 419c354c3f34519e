// Helpers of the DEVMODE tests: a context with a DEVMODE built from defaults,
// a stand-in model that allows chosen values, and byte access.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "common/context_support.h"
#include "core/devmode/dm_defaults.h"
#include "core/devmode/dm_layout.h"
#include "core/devmode/dm_model.h"

namespace vesk::test {

// A model for the tests: option types by item, numeric ranges, current
// values, allowed (item, value) pairs, value lists, conditions that hold,
// page sizes, and the items whose actions ran.
struct FakeModel {
    std::vector<std::pair<int, int>> types;
    std::vector<std::pair<int, std::pair<int32_t, int32_t>>> ranges;
    std::vector<std::pair<int, uint32_t>> values;
    std::set<std::pair<int, int32_t>> allowedValues;
    std::map<int, std::set<uint32_t>> lists;
    std::set<std::tuple<int, uint32_t, int>> conditions;  // (item, value, which) that hold
    // Page sizes (0.1 mm) by Windows paper code, portrait; the query turns
    // them in landscape as the model's does.
    std::map<int, std::pair<int32_t, int32_t>> papers{{9, {2100, 2970}}, {1, {2159, 2794}}};
    std::vector<int> actionsRun;
    bool collate = false;
    bool paperLimits = true;

    static FakeModel*& current() {
        static FakeModel* m = nullptr;
        return m;
    }
    static int type(DrvContext*, int item) {
        for (auto& t : current()->types)
            if (t.first == item) return t.second;
        return 0;
    }
    static int range(DrvContext*, int item, int32_t* lo, int32_t* hi) {
        for (auto& r : current()->ranges)
            if (r.first == item) {
                *lo = r.second.first;
                *hi = r.second.second;
                return 1;
            }
        return 0;
    }
    static int value(DrvContext*, int item, uint32_t* v) {
        for (auto& r : current()->values)
            if (r.first == item) {
                *v = r.second;
                return 1;
            }
        return 0;
    }
    static int paper(DrvContext* ctx, int code, int32_t* w, int32_t* l) {
        auto it = current()->papers.find(code);
        if (it == current()->papers.end()) return 0;
        const bool landscape = ctx->devmode && dm::rds16(ctx->devmode, dm::kOffOrientation) == 2;
        *w = landscape ? it->second.second : it->second.first;
        *l = landscape ? it->second.first : it->second.second;
        return 1;
    }
    static int check(DrvContext*, int item, int32_t v) { return current()->allowedValues.count({item, v}) ? 1 : 0; }
    static int collates(DrvContext*) { return current()->collate ? 1 : 0; }
    static int freeSize(DrvContext*, int code, int32_t* w, int32_t* l) {
        if (code != 384) return 0;
        *w = 6000;  // 1200-dpi dots: 127 mm
        *l = 9600;  // 203.2 mm
        return 1;
    }
    static int limits(DrvContext*) { return current()->paperLimits ? 1 : 0; }
    static int listHas(DrvContext*, int item, uint32_t v) {
        auto it = current()->lists.find(item);
        if (it == current()->lists.end()) return -1;
        return it->second.count(v) ? 1 : 0;
    }
    static int condition(DrvContext*, int item, uint32_t v, int which) {
        return current()->conditions.count({item, v, which}) ? 1 : 0;
    }
    static int actions(DrvContext*, int item) {
        current()->actionsRun.push_back(item);
        return 0;
    }
};

// Puts a fake model in place for the scope.
class ModelScope {
public:
    explicit ModelScope(FakeModel& m) {
        FakeModel::current() = &m;
        static const DmModelQueries q{FakeModel::type,     FakeModel::range,   FakeModel::value,
                                      FakeModel::paper,    FakeModel::check,   FakeModel::collates,
                                      FakeModel::freeSize, FakeModel::limits,  FakeModel::listHas,
                                      FakeModel::condition, FakeModel::actions};
        previous_ = DmSetModelQueries(&q);
    }
    ~ModelScope() {
        DmSetModelQueries(previous_);
        FakeModel::current() = nullptr;
    }

private:
    const DmModelQueries* previous_;
};

// A light context whose DEVMODE is built from defaults.
inline ContextPtr defaultsContext() {
    ContextPtr c = contextWithDevmode();
    if (c) DmSetDefaults(c.get());
    return c;
}

inline int16_t s16(const BYTE* p, uint32_t off) { return dm::rds16(p, off); }
inline std::vector<BYTE> copyOf(const BYTE* p, size_t n) { return std::vector<BYTE>(p, p + n); }

}  // namespace vesk::test
