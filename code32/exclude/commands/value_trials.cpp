// Trials: would a value be kept, which number would the driver keep.
#include <cstring>
#include <vector>

#include "commands/command_base.h"
#include "commands/devmode_sections.h"
#include "commands/set_line.h"
#include "commands/value_lists.h"
#include "core/allowed/allowed_values.h"
#include "core/computed/predicates.h"
#include "core/devmode/dm_normalize.h"
#include "core/item_store.h"

namespace vesk {
namespace {

constexpr uint32_t kItemBinding = 102, kItemPunch = 134, kItemPunchOn = 65, kItemStapleOn = 66;

// The handle's given flags and values, put back when the scope ends.
class HandleGuard {
public:
    explicit HandleGuard(ExcContext* h)
        : h_(h), given_(h->given, h->given + h->count), values_(h->values, h->values + h->count) {}
    ~HandleGuard() {
        std::memcpy(h_->given, given_.data(), given_.size());
        std::memcpy(h_->values, values_.data(), values_.size() * sizeof(uint32_t));
    }
    HandleGuard(const HandleGuard&) = delete;
    HandleGuard& operator=(const HandleGuard&) = delete;

private:
    ExcContext* h_;
    std::vector<BYTE> given_;
    std::vector<uint32_t> values_;
};

void setRaw(ExcContext* h, uint32_t item, uint32_t value) {
    if (item >= 1 && item <= kExcLastDriverItem) ItemSetRawById(h->ctx, static_cast<int>(item), value);
    ExcRecordValue(h, item, value);
}

}  // namespace

int ExcValueIsOffered(DrvContext* ctx, const ExcCommandEntry* row, const ExcCommandValue* item) {
    if (!ctx || !row || !item) return 0;
    if (item->flags & kAllowedValueNeverOffered) return 0;
    if ((item->flags & kAllowedValueRepeat) && !item->chain) return 0;
    if (row->kind & kExcKindTrial) return OptValueAllowedBuiltin(ctx, row, item);
    return !item->chain || OptEvalCondChain(ctx, item->chain) ? 1 : 0;
}

const char* ExcFinishEdgeIs(const ExcContext* h) {
    if (!ExcGiven(h, kItemStapleOn) && !ExcGiven(h, kItemPunchOn)) return nullptr;
    return IsFinishEdge1(h->ctx) ? "SEF" : IsFinishEdge2(h->ctx) ? "LEF" : "ALL";
}

int ExcTryValue(ExcContext* h, const ExcCommandEntry* row, const ExcCommandValue* item) {
    if (!h || !h->base || !h->ctx || !ExcValueIsOffered(h->ctx, row, item)) return 0;
    DmSections13Guard devmode(h->ctx);
    if (!devmode.ok()) return 0;
    HandleGuard handle(h);
    DrvContext* ctx = h->ctx;
    if (!(item->flags & kAllowedValueOff)) setRaw(h, row->item, item->value);
    for (const OptCondLink* l = row->pairs; l; l = l->next) setRaw(h, l->item, l->value);
    for (const OptCondLink* l = item->pairs; l; l = l->next) setRaw(h, l->item, l->value);
    const char* name = row->name ? row->name : item->commandName;
    if ((row->kind & (kExcKindBooklet | kExcKindSpecial)) == (kExcKindBooklet | kExcKindSpecial) &&
        ExcGiven(h, kItemBinding)) {
        const uint32_t b = ItemRawById(ctx, static_cast<int>(kItemBinding));
        setRaw(h, kItemBinding, ExcBookletBase(item->value) + ExcBindingPosition(b));
    }
    if ((row->kind & (kExcKindFamily731First | kExcKindSpecial)) == (kExcKindFamily731First | kExcKindSpecial) &&
        ExcGiven(h, kItemPunch)) {
        const uint32_t base = ExcPunchBase(ExcRecorded(h, kExcItemPunchFamily));
        setRaw(h, kItemPunch, base + 2);
        ExcApplyOptionActions(h, kItemPunch);
        if (ItemRawById(ctx, static_cast<int>(kItemPunch)) != base + 2) setRaw(h, kItemPunch, base);
    }
    DmNormalize(ctx);
    const bool all731 = ExcGiven(h, kExcItemPunchFamily) && ExcGiven(h, kItemPunch) && ExcGiven(h, kItemPunchOn);
    ExcRefreshValues(h, all731 ? 0 : 1);
    ExcText fresh, changes;
    if (!fresh.ok() || !changes.ok() || ExcWriteCommandBase(fresh.get(), h) != 0) return 0;
    if (ExcCollectChanges(changes.get(), h, fresh.c_str(), ExcUpdateLine{name, item->word}, false) != 0) return 0;
    return changes->length == 0 ? 1 : 0;
}

uint32_t ExcNormalizeNumber(DrvContext* ctx, const ExcCommandEntry* row, uint32_t number) {
    if (row->kind & (kExcKindTable | kExcKindModel)) {
        DmSections13Guard devmode(ctx);
        if (!devmode.ok()) return number;
        const int id = static_cast<int>(row->item);
        if (row->kind & kExcKindModel) ItemSetValueById(ctx, id, number);
        else ItemSetRawById(ctx, id, number);
        DmNormalize(ctx);
        return ItemRawById(ctx, id);
    }
    if (const ExcNumericRange* r = row->range) {
        if (number < r->minimum) return r->minimum;
        if (number > r->maximum) return r->maximum;
    }
    return number;
}

}  // namespace vesk
