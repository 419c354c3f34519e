#include "core/model/constraints.h"

#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/query.h"
#include "core/lists/lists.h"
#include "core/pending_capabilities.h"
#include "core/ui_lookup.h"

namespace vesk {
namespace {

constexpr uint16_t kKindPickOne = 1, kKindPickMany = 2, kKindString = 16;

uint16_t kindOf(const MdlImageView& v, uint32_t option) {
    uint16_t t = 0;
    return option && v.u16(option + kMdlOptType, &t) ? static_cast<uint16_t>(t & 0xFF) : 0;
}

bool isList(uint16_t kind) { return kind == kKindPickOne || kind == kKindPickMany; }

uint32_t linkAt(const MdlImageView& v, uint32_t at, uint32_t size) {
    uint32_t x = 0;
    return v.link(at, size, &x) ? x : 0;
}

// The condition `which` (1 or 2) of the rule record, or of the option's
// per-value record for `subId` when the rule's does not hold.
uint32_t condCheck(DrvContext* ctx, uint32_t option, int subId, int which) {
    if (!option) return 0;
    const MdlImageView v = MdlViewOf(ctx);
    const uint32_t rule = MdlOptionRule(ctx, option);
    if (!rule) return 0;
    const uint32_t ruleField = which == 1 ? kMdlRuleCond1 : kMdlRuleCond2;
    if (MdlEvalExpression(ctx, linkAt(v, rule + ruleField, kMdlCellSize))) return 1;
    if (!isList(kindOf(v, option)) || subId == 0) return 0;
    const uint32_t entry = MdlFindSubRecord(ctx, rule, static_cast<uint32_t>(subId));
    if (!entry) return 0;
    const uint32_t entryField = which == 1 ? kMdlItemCond1 : kMdlItemCond2;
    return MdlEvalExpression(ctx, linkAt(v, entry + entryField, kMdlCellSize)) ? 1 : 0;
}

// The item of the preset list control, the selected preset.
DmItem* presetItem(DrvContext* ctx) {
    UiControl* list = CtlFindById(ctx, PageFindById(ctx, kPresetPage), kPresetListControl);
    if (!list) return nullptr;
    return list->item ? list->item : ItemFindByKey(ctx, list->key);
}

bool isPresetButton(int id) { return id == kPresetButtonA || id == kPresetButtonB || id == kPresetButtonC; }

// Whether the programs `which` of the option read a changed item: the rule
// record's, then each per-value record's in chain order.
bool programsChanged(DrvContext* ctx, uint32_t option, int which) {
    const MdlImageView v = MdlViewOf(ctx);
    const uint32_t rule = MdlOptionRule(ctx, option);
    if (!rule) return false;
    if (CondProgramHasChangedItem(ctx, linkAt(v, rule + (which == 1 ? kMdlRuleCond1 : kMdlRuleCond2), kMdlCellSize)))
        return true;
    MdlListWalk entries(v, linkAt(v, rule + kMdlRuleValues, kMdlImgItemSize), kMdlImgItemSize);
    const uint32_t field = which == 1 ? kMdlItemCond1 : kMdlItemCond2;
    for (uint32_t e; entries.next(&e);)
        if (CondProgramHasChangedItem(ctx, linkAt(v, e + field, kMdlCellSize))) return true;
    return false;
}

}  // namespace

uint16_t MdlOptionGetChoice(DrvContext* ctx, uint32_t option, uint32_t valueRecord, uint32_t* outConstraint) {
    if (outConstraint) *outConstraint = 0;
    if (!valueRecord) return 0;
    const MdlImageView v = MdlViewOf(ctx);
    const uint16_t kind = kindOf(v, option);
    uint16_t value = 0;
    if (isList(kind)) v.u16(valueRecord + kMdlValId, &value);
    else if (kind == kKindString) v.u16(valueRecord, &value);
    if (outConstraint && value) {
        const uint32_t rule = MdlOptionRule(ctx, option);
        if (rule) *outConstraint = linkAt(v, rule + kMdlRuleValues, kMdlImgItemSize);
    }
    return value;
}

uint32_t MdlOptionGetValueList(DrvContext* ctx, uint32_t option, uint32_t valueRecord) {
    const MdlImageView v = MdlViewOf(ctx);
    uint16_t type = 0;
    if (!valueRecord || !isList(kindOf(v, option)) || !v.u16(option + kMdlOptType, &type)) return 0;
    return linkAt(v, valueRecord + kMdlNext, MdlValueRecordSize(MdlBaseType(type)));
}

uint32_t MdlKeyCond1Holds(DrvContext* ctx, int key) {
    if (key == 0) return 0;
    const uint32_t option = MdlFindOptionByKey(ctx, key);
    return option && MdlEvalOptionCond1(ctx, option, 0) ? 1 : 0;
}

uint32_t MdlOptionCond1Check(DrvContext* ctx, uint32_t option, int subId) { return condCheck(ctx, option, subId, 1); }

uint32_t MdlOptionCond2Check(DrvContext* ctx, uint32_t option, int subId) {
    if (isPresetButton(subId)) {
        const int32_t n = GetPresetCount(ctx);
        const DmItem* item = presetItem(ctx);
        const int32_t c = item ? static_cast<int32_t>(ItemGetRaw(ctx, item)) : 0;
        switch (subId) {
            case kPresetButtonA: return c < 1 || c >= n;
            case kPresetButtonB: return c < 2 || c >= n;
            default: return c <= 0 || c >= n - 1;
        }
    }
    return condCheck(ctx, option, subId, 2);
}

int CondProgramHasChangedItem(DrvContext* ctx, uint32_t program) {
    const MdlImageView v = MdlViewOf(ctx);
    if (!program || program < kMdlHeaderSize) return 0;
    for (uint32_t at = program;; at += kMdlCellSize) {
        uint16_t kind = 0, value = 0;
        if (!v.u16(at + kMdlCellKind, &kind) || !v.u16(at + kMdlCellValue, &value)) return 0;
        if (kind == kMdlCellOperator && value == kMdlOpEnd) return 0;
        if (kind == kMdlCellOption) {
            const DmItem* item = ItemFindById(ctx, value);
            if (item && item->changed == 1) return 1;
        }
    }
}

int CtlStateChanged(DrvContext* ctx, const UiControl* control) {
    if (!ctx || !control) return 0;
    if (isPresetButton(control->id)) {
        const DmItem* item = presetItem(ctx);
        return item && item->changed == 1 ? 1 : 0;
    }
    if ((MdlOptionCond2Check(ctx, control->option, control->id) != 0) != (control->disabled != 0)) return 1;
    return control->option && programsChanged(ctx, control->option, 2) ? 1 : 0;
}

int CtlStateChangedEx(DrvContext* ctx, const UiControl* control) {
    if (!ctx || !control) return 0;
    if ((MdlOptionCond1Check(ctx, control->option, control->id) != 0) != (control->hidden != 0)) return 1;
    return control->option && programsChanged(ctx, control->option, 1) ? 1 : 0;
}

}  // namespace vesk
