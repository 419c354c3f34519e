// Recording values in the handle and applying one line.
#include "commands/command_base.h"
#include "commands/value_text.h"
#include "core/allowed/allowed_values.h"
#include "core/item_store.h"
#include "core/model/eval.h"

namespace vesk {
namespace {

constexpr uint32_t kItemBinding = 102, kItemPunch = 134;

bool isKind(const ExcCommandEntry* row, uint32_t bits) { return (row->kind & (bits | kExcKindSpecial)) == (bits | kExcKindSpecial); }

uint32_t currentRaw(ExcContext* h, uint32_t item) {
    return item <= kExcLastDriverItem ? ItemRawById(h->ctx, static_cast<int>(item)) : ExcRecorded(h, item);
}

// The punch family of a value of item 134, or 0 for none. Base 1 is shared
// by families 1 and 2: the handle's family 2 or 3 answers 2 there.
uint32_t punchFamilyOf(uint32_t value, uint32_t current) {
    const uint32_t base = value - ExcPunchPosition(value);
    if (base == 1) return current == 2 || current == 3 ? 2 : 1;
    for (uint32_t f = 3; f <= 5; ++f)
        if (ExcPunchBase(f) == base) return f;
    return 0;
}

}  // namespace

uint32_t ExcBookletBase(uint32_t booklet) { return booklet == 1 ? 17 : booklet == 2 ? 20 : 1; }
uint32_t ExcBindingPosition(uint32_t v) { return (v == 2 || v == 18 || v == 21) ? 1 : (v == 3 || v == 19 || v == 22) ? 2 : 0; }
uint32_t ExcPunchBase(uint32_t family) {
    static const uint32_t bases[] = {1, 1, 17, 33, 49};
    return family >= 1 && family <= 5 ? bases[family - 1] : 1;
}
uint32_t ExcPunchPosition(uint32_t v) {
    return (v == 2 || v == 18 || v == 34 || v == 50) ? 1 : (v == 3 || v == 19 || v == 35 || v == 51) ? 2 : 0;
}

int ExcRecordValue(ExcContext* h, uint32_t item, uint32_t value) {
    if (!h || item == 0 || item > static_cast<uint32_t>(h->count)) return -1;
    h->given[item - 1] = 1;
    h->values[item - 1] = value;
    return 0;
}

int ExcValueDiffers(const ExcContext* h, uint32_t item, uint32_t value) {
    return ExcGiven(h, item) && ExcRecorded(h, item) == value ? 0 : 1;
}

void ExcApplyOptionActions(ExcContext* h, uint32_t item) {
    if (const uint32_t o = ExcFindModelOption(h->ctx, item, 0)) MdlApplyOptionActions(h->ctx, o);
}

void ExcSetTracked(ExcContext* h, uint32_t item, uint32_t value, int track) {
    if (!track) {
        ExcRecordValue(h, item, value);
        if (item >= 1 && item <= kExcLastDriverItem) ItemSetRawById(h->ctx, static_cast<int>(item), value);
        return;
    }
    if (!ExcValueDiffers(h, item, value)) return;
    ExcRecordValue(h, item, value);
    if (item >= 1 && item <= kExcLastDriverItem) {
        ItemSetRawById(h->ctx, static_cast<int>(item), value);
        ExcApplyOptionActions(h, item);
        ExcRefreshValues(h, 0);
    }
}

void ExcRefreshValues(ExcContext* h, int derive731) {
    for (uint32_t i = 1; i <= kExcLastDriverItem && i <= static_cast<uint32_t>(h->count); ++i)
        if (h->given[i - 1]) h->values[i - 1] = ItemRawById(h->ctx, static_cast<int>(i));
    if (ExcGiven(h, kItemBinding) && ExcGiven(h, kExcItemBooklet)) {
        const uint32_t v = ExcRecorded(h, kItemBinding);
        const uint32_t base = v - ExcBindingPosition(v);
        if (base == 1) h->values[kExcItemBooklet - 1] = 0;
        else if (base == 17) h->values[kExcItemBooklet - 1] = 1;
        else if (base == 20) h->values[kExcItemBooklet - 1] = 2;
    }
    if (derive731 && ExcGiven(h, kItemPunch) && ExcGiven(h, kExcItemPunchFamily)) {
        const uint32_t f = punchFamilyOf(ExcRecorded(h, kItemPunch), ExcRecorded(h, kExcItemPunchFamily));
        if (f) h->values[kExcItemPunchFamily - 1] = f;
    }
}

int ExcHasRequiredCommands(const ExcContext* h) {
    const ExcItemList* r = GetRequiredCommandsExc();
    for (uint32_t i = 0; i < r->count; ++i)
        if (!ExcGiven(h, r->items[i])) return -1;
    return 0;
}

int ExcApplyCommand(ExcContext* h, const ExcCommandEntry* row, const char* name, const char* text, int track) {
    DrvContext* ctx = h->ctx;
    for (const OptCondLink* l = row->pairs; l; l = l->next) ExcSetTracked(h, l->item, l->value, track);
    if (row->kind & kExcKindModel) {
        ExcModelOption o;
        if (!ExcReadModelOption(ctx, ExcFindModelOption(ctx, row->item, row->subNumber), &o)) return 0;
        if (row->valueFormat == kExcTypeString) ExcStringFromText(ctx, row->item, text);
        else ItemSetValueById(ctx, static_cast<int>(row->item), ExcModelTextToValue(ctx, row, o, text));
        ExcRecordValue(h, row->item, ItemRawById(ctx, static_cast<int>(row->item)));
        return 0;
    }
    if (row->item == 0) return 0;
    if (row->valueFormat == kExcTypeNumber || row->valueFormat == kExcTypeString) {
        ExcSetTracked(h, row->item, row->valueFormat == kExcTypeNumber ? ExcTableNumberFromText(row, text) : 0, track);
        return 0;
    }
    const ExcCommandValue* vi = ExcFindValueItem(ctx, row, name, text);
    if (!vi) return 0;
    for (const OptCondLink* l = vi->pairs; l; l = l->next) ExcSetTracked(h, l->item, l->value, track);
    if (vi->flags & kAllowedValueOff) {
        ExcRecordValue(h, row->item, currentRaw(h, row->item));
        return 0;
    }
    uint32_t value = vi->value;
    int result = 0;
    if (isKind(row, kExcKindFamily731)) {
        if (ExcGiven(h, kExcItemPunchFamily) && value)
            value = ExcPunchBase(ExcRecorded(h, kExcItemPunchFamily)) + ExcPunchPosition(value);
        result = 3;
    } else if (isKind(row, kExcKindFamily731First)) {
        if (vi->chain && !OptEvalCondChain(ctx, vi->chain)) {
            for (uint32_t i = 0; i < ExcValueCount(row); ++i) {
                const ExcCommandValue& c = row->values->values[i];
                if (!c.chain || OptEvalCondChain(ctx, c.chain)) {
                    value = c.value;
                    break;
                }
            }
        }
        if (ExcGiven(h, kItemPunch)) {
            ExcSetTracked(h, row->item, value, track);
            const uint32_t p = ExcRecorded(h, kItemPunch);
            ExcSetTracked(h, kItemPunch, ExcPunchBase(ExcRecorded(h, kExcItemPunchFamily)) + ExcPunchPosition(p), track);
        }
        result = 2;
    } else if (isKind(row, kExcKindBinding)) {
        if (ExcGiven(h, kExcItemBooklet))
            value = ExcBookletBase(ExcRecorded(h, kExcItemBooklet)) + ExcBindingPosition(value);
    } else if (isKind(row, kExcKindBooklet)) {
        if (ExcGiven(h, kItemBinding)) {
            ExcSetTracked(h, kExcItemBooklet, value, track);
            ExcSetTracked(h, kItemBinding, ExcBookletBase(value) + ExcBindingPosition(currentRaw(h, kItemBinding)), track);
        }
    }
    ExcSetTracked(h, row->item, value, track);
    return result;
}

}  // namespace vesk
