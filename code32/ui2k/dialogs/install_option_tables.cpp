// The installable options' tables and the toggling of an entry.
#include <initializer_list>

#include "core/item_store.h"
#include "dialogs/install_options.h"

namespace vesk {
namespace {

constexpr uint16_t kItemMemory = 10012, kItemRemote = 10062, kItem1StepNum = 10110;
constexpr uint16_t kItemOutside = 10047, kItemFin1000 = 10049, kItemMailbox2 = 10057, kItemFin2000 = 10058,
                   kItemFinBF = 10059;

struct ValueItem {
    uint16_t item;
    uint16_t value;
};

// Value -> item, in the table's own order; value 0 ends it.
constexpr ValueItem kValueItems[] = {
    {10023, 143}, {10023, 144}, {10014, 146}, {10056, 147}, {10057, 148}, {10070, 145}, {10013, 164},
    {10013, 165}, {10013, 166}, {10013, 167}, {10020, 273}, {10021, 272}, {10018, 169}, {10018, 274},
    {10018, 421}, {10047, 268}, {10047, 275}, {10056, 333}, {10049, 276}, {10058, 277}, {10074, 382},
    {10075, 383}, {10076, 384}, {10077, 411}, {10059, 278}, {10048, 279}, {10013, 280}, {10013, 281},
    {10013, 282}, {10013, 283}, {10062, 284}, {10066, 285}, {10067, 286}, {10068, 287}, {10069, 288},
    {10023, 365}, {10058, 364}, {10074, 389}, {10075, 390}, {10076, 391}, {10077, 412}, {10013, 344},
    {10013, 346}, {10013, 348}, {10013, 350}, {10013, 352}, {10013, 354}, {10013, 366}, {10013, 356},
    {10013, 358}, {10013, 360}, {10013, 378}, {10013, 362}, {0, 0},
};
static_assert(sizeof kValueItems / sizeof kValueItems[0] == 54, "53 rows and the end");

// The fax-line rules 285-288 would lock on {item 0, value 0}, an item the
// store does not have; they lock, as intended, while the remote option
// (rdmOutputOptionTypeRemote, 10062) is not installed.
constexpr InstallOptionRule kRules[] = {
    {273, 10020, 1, 0, 0, 0, 0, 0, nullptr, {{10018, 0}, {0, 0}}, {{0, 0}}, 1, 1},
    {274, 10018, 1, 0, 0, 0, 0, 0, nullptr, {{10020, 0}, {0, 0}}, {{0, 0}}, 1, 1},
    {272, 10021, 1, 0, 0, 0, 0, 0, nullptr, {{0, 0}}, {{0, 0}}, 1, 1},
    {333, 10056, 1, 0, 0, 0, 0, 0, nullptr, {{0, 0}}, {{0, 0}}, 0, 1},
    {414, 10060, 1, 0, 0, 0, 0, 0, nullptr, {{10061, 0}, {0, 0}}, {{0, 0}}, 0, 1},
    {415, 10061, 1, 0, 0, 0, 0, 0, nullptr, {{10060, 0}, {0, 0}}, {{0, 0}}, 0, 1},
    {146, 10014, 1, 0, 0, 0, 0, 0, nullptr, {{0, 0}}, {{0, 0}}, 0, 1},
    {145, 10070, 1, 0, 0, 0, 0, 0, nullptr, {{0, 0}}, {{0, 0}}, 0, 1},
    {346, 10012, 64, 0, 0, 0, 0, 0, nullptr, {{0, 0}}, {{10012, 64}, {0, 0}}, 0, 1},
    {348, 10012, 96, 0, 0, 0, 0, 0, nullptr, {{0, 0}}, {{10012, 64}, {0, 0}}, 0, 1},
    {284, 10062, 1, 0, 0, 0, 0, 0, nullptr, {{0, 0}}, {{0, 0}}, 0, 1},
    {285, 10066, 1, 0, 0, kItemRemote, 1, 1, nullptr, {{0, 0}}, {{0, 0}}, 0, 1},
    {286, 10067, 1, 0, 0, kItemRemote, 1, 1, nullptr, {{0, 0}}, {{0, 0}}, 0, 1},
    {287, 10068, 1, 0, 0, kItemRemote, 1, 1, nullptr, {{0, 0}}, {{0, 0}}, 0, 1},
    {288, 10069, 1, 0, 0, kItemRemote, 1, 1, nullptr, {{0, 0}}, {{0, 0}}, 0, 1},
    {0, 0, 0, 0, 0, 0, 0, 0, nullptr, {{0, 0}}, {{0, 0}}, 0, 0},
};

struct TraySlot {
    int32_t slot;
    uint16_t value;
};
constexpr TraySlot kTraySlots[] = {{0, 2},  {1, 3},  {2, 5},  {3, 6},      {25, 7},     {25, 169},
                                   {27, 4}, {28, 8}, {25, 50002}, {27, 50000}, {0, 0}};

struct MemorySize {
    uint16_t value;
    uint16_t megabytes;
};
constexpr MemorySize kMemorySizes[] = {{164, 32},  {165, 32},  {344, 32},  {280, 64},  {281, 64},  {346, 64},
                                       {166, 96},  {167, 96},  {282, 96},  {283, 96},  {348, 96},  {350, 128},
                                       {352, 160}, {354, 192}, {366, 224}, {356, 256}, {358, 288}, {360, 320},
                                       {378, 352}, {362, 384}};

bool oneOf(uint32_t v, std::initializer_list<uint32_t> values) {
    for (uint32_t x : values)
        if (v == x) return true;
    return false;
}

uint32_t value(DrvContext* ctx, uint16_t item) { return ItemValueById(ctx, item); }
void set(DrvContext* ctx, uint16_t item, uint32_t v) { ItemSetValueById(ctx, item, v); }
void setForValue(DrvContext* ctx, uint32_t listValue, uint32_t v) { set(ctx, OptionItemForValue(listValue), v); }

void applyList(DrvContext* ctx, const InstallOptionPair* list) {
    for (int i = 0; i < 2 && list[i].item; ++i) set(ctx, list[i].item, list[i].value);
}

void install(DrvContext* ctx, const InstallOptionRule* r) {
    set(ctx, r->item, r->itemValue);
    if (r->item2) set(ctx, r->item2, r->value2);
}

bool memoryValue(uint32_t v) { return oneOf(v, {344, 350, 352, 354, 356, 358, 360, 362, 366, 378}); }
bool outputValue(uint32_t v) {
    return oneOf(v, {147, 148, 268, 275, 276, 277, 278, 279, 364, 382, 383, 384, 389, 390, 391, 411, 412});
}

// Installing one entry of the output group clears the options that cannot
// stand beside it.
void clearOutputGroup(DrvContext* ctx, uint32_t v) {
    set(ctx, kItemOutside, 0);
    if (oneOf(v, {268, 275, 276, 382, 383, 384, 411}))
        for (uint32_t other : {276u, 382u, 383u, 384u, 411u}) setForValue(ctx, other, 0);
    if (!oneOf(v, {277, 382, 383, 384, 411})) setForValue(ctx, 279, 0);
    set(ctx, kItemFin1000, 0);
    set(ctx, kItemMailbox2, 0);
    if (!oneOf(v, {279, 148})) {
        set(ctx, kItemFin2000, 0);
        for (uint32_t other : {389u, 390u, 391u, 412u}) setForValue(ctx, other, 0);
    }
    set(ctx, kItemFinBF, 0);
}

}  // namespace

const InstallOptionRule* InstallOptionRuleTable() { return kRules; }

uint16_t OptionItemForValue(uint32_t v) {
    for (const ValueItem* r = kValueItems; r->value; ++r)
        if (r->value == v) return r->item;
    return kValueItems[0].item;
}

const InstallOptionRule* OptionRuleFind(uint32_t v, const void*) {
    if (!v) return nullptr;
    for (const InstallOptionRule* r = kRules; r->value; ++r)
        if (r->value == v) return r;
    return nullptr;
}

bool OptionRuleInstalled(DrvContext* ctx, const InstallOptionRule* r) {
    if (!r || value(ctx, r->item) != r->itemValue) return false;
    return !r->item2 || value(ctx, r->item2) == r->value2;
}

bool OptionRuleLocked(DrvContext* ctx, const InstallOptionRule* r) {
    if (!r || !r->lockItem) return false;
    const bool holds = value(ctx, r->lockItem) == r->lockValue;
    return r->lockUnless ? !holds : holds;
}

uint32_t OptionRulesApplyRequires(DrvContext* ctx, const InstallOptionRule* clicked) {
    uint32_t flags = 0;
    for (const InstallOptionRule* r = kRules; r->value; ++r) {
        if (!r->alternatives || !r->alternatives[0] || !OptionRuleInstalled(ctx, r)) continue;
        bool any = false;
        for (const uint16_t* a = r->alternatives; *a; ++a) any = any || OptionRuleInstalled(ctx, OptionRuleFind(*a, nullptr));
        if (any) continue;
        const InstallOptionRule* pick = OptionRuleFind(r->alternatives[0], nullptr);
        if ((!pick || pick == clicked) && r->alternatives[1]) pick = OptionRuleFind(r->alternatives[1], nullptr);
        if (!pick) continue;
        install(ctx, pick);
        if (pick->refill) flags |= kInstallRefill;
        if (pick->redraw) flags |= kInstallRedraw;
    }
    return flags;
}

int TraySlotForValue(uint32_t v) {
    for (const TraySlot* t = kTraySlots; t->value; ++t)
        if (t->value == v) return t->slot;
    return kTraySlots[0].slot;
}

int InstallOptionMemorySize(uint32_t v) {
    for (const MemorySize& m : kMemorySizes)
        if (m.value == v) return m.megabytes;
    return 0;
}

bool InstallOptionIsInstalled(DrvContext* ctx, uint32_t v) {
    if (const InstallOptionRule* r = OptionRuleFind(v, nullptr)) return OptionRuleInstalled(ctx, r);
    const uint32_t i = value(ctx, OptionItemForValue(v));
    const uint32_t memory = value(ctx, kItemMemory);
    const uint32_t size = uint32_t(InstallOptionMemorySize(v));
    if (oneOf(v, {143, 365})) return i == 1 && value(ctx, kItem1StepNum) == 1;
    if (v == 144) return i == 1 && value(ctx, kItem1StepNum) == 2;
    if (oneOf(v, {164, 166, 280, 282})) return i == 0 && memory == size;
    if (oneOf(v, {165, 167, 281, 283})) return i != 0 && memory == size;
    if (memoryValue(v)) return memory == size;
    if (outputValue(v) || oneOf(v, {169, 421})) return i == 1;
    return false;
}

uint32_t InstallOptionToggle(DrvContext* ctx, uint32_t v, bool listDisabled) {
    if (const InstallOptionRule* r = OptionRuleFind(v, nullptr)) {
        if (listDisabled || OptionRuleLocked(ctx, r)) return 0;
        if (!OptionRuleInstalled(ctx, r)) {
            install(ctx, r);
            applyList(ctx, r->onInstall);
        } else {
            set(ctx, r->item, 1 - r->itemValue);
            applyList(ctx, r->onRemove);
        }
        const uint32_t f = OptionRulesApplyRequires(ctx, r);
        return ((r->redraw || (f & kInstallRedraw)) ? kInstallRedraw : 0) |
               ((r->refill || (f & kInstallRefill)) ? kInstallRefill : 0);
    }
    if (listDisabled) v = 0;
    const uint16_t item = OptionItemForValue(v);
    const uint32_t i = value(ctx, item);
    const uint32_t size = uint32_t(InstallOptionMemorySize(v));
    const uint32_t memory = value(ctx, kItemMemory);
    if (oneOf(v, {143, 365, 144})) {
        const uint32_t num = v == 144 ? 2 : 1;
        const bool on = i == 1 && value(ctx, kItem1StepNum) == num;
        set(ctx, item, on ? 0 : 1);
        set(ctx, kItem1StepNum, on ? 0 : num);
        return kInstallRedraw | kInstallRefill;
    }
    if (oneOf(v, {164, 166, 280, 282, 165, 167, 281, 283})) {
        const uint32_t want = oneOf(v, {164, 166, 280, 282}) ? 0 : 1;
        if (i != want || memory != size) {
            set(ctx, kItemMemory, size);
            set(ctx, item, want);
        } else {
            set(ctx, item, 1 - want);
        }
        return kInstallRedraw;
    }
    if (memoryValue(v)) {
        set(ctx, kItemMemory, memory == size ? 32 : size);
        return kInstallRedraw;
    }
    if (oneOf(v, {169, 421})) {
        set(ctx, item, 1 - (i ? 1 : 0));
        return kInstallRefill | (v == 169 ? kInstallRedraw : 0);
    }
    if (outputValue(v)) {
        if (i == 1) {
            set(ctx, item, 0);
            return kInstallRedraw;
        }
        clearOutputGroup(ctx, v);
        set(ctx, item, 1);
        return kInstallRedraw;
    }
    return 0;
}

}  // namespace vesk
