// The rule records of an option: its conditions, per-value entries, alerts
// and Transact lists, and the actions those lists apply.
#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/query.h"

namespace vesk {
namespace {

constexpr uint16_t kTargetOption = 0, kTargetPage = 1;

// The offset held at `at` when it names a record of `size` bytes, else 0.
uint32_t linkAt(const MdlImageView& v, uint32_t at, uint32_t size) {
    uint32_t x = 0;
    return v.link(at, size, &x) ? x : 0;
}

// A condition reference: a program needs at least its end cell.
uint32_t programAt(const MdlImageView& v, uint32_t at) { return linkAt(v, at, 4); }

uint32_t evalRuleCond(DrvContext* ctx, uint32_t rule, uint32_t valueId, uint32_t ruleField, uint32_t entryField) {
    MdlImageView v = MdlViewOf(ctx);
    if (!rule) return 0;
    if (valueId == 0) return MdlEvalExpression(ctx, programAt(v, rule + ruleField));
    uint32_t entry = MdlFindSubRecord(ctx, rule, valueId);
    return entry ? MdlEvalExpression(ctx, programAt(v, entry + entryField)) : 0;
}

uint32_t evalCond(DrvContext* ctx, uint32_t option, uint32_t valueId, uint32_t ruleField, uint32_t entryField) {
    return evalRuleCond(ctx, MdlOptionRule(ctx, option), valueId, ruleField, entryField);
}

// The first Alert entry of the option's rule record with `messageKey`.
uint32_t alertEntry(DrvContext* ctx, uint32_t option, uint16_t messageKey) {
    MdlImageView v = MdlViewOf(ctx);
    uint32_t rule = MdlOptionRule(ctx, option);
    if (!rule) return 0;
    return MdlListFind(v, linkAt(v, rule + kMdlRuleAlerts, kMdlImgAlertSize), kMdlImgAlertSize, kMdlAlertMessage,
                       messageKey);
}

}  // namespace

uint32_t MdlOptionRule(DrvContext* ctx, uint32_t option) {
    if (!option) return 0;
    return linkAt(MdlViewOf(ctx), option + kMdlOptRule, kMdlImgExclusiveSize);
}

uint32_t MdlFindSubRecord(DrvContext* ctx, uint32_t rule, uint32_t valueId) {
    if (!rule) return 0;
    MdlImageView v = MdlViewOf(ctx);
    return MdlListFind(v, linkAt(v, rule + kMdlRuleValues, kMdlImgItemSize), kMdlImgItemSize, kMdlItemValueId, valueId,
                       true);
}

uint32_t MdlEvalOptionCond1(DrvContext* ctx, uint32_t option, uint32_t valueId) {
    return evalCond(ctx, option, valueId, kMdlRuleCond1, kMdlItemCond1);
}

uint32_t MdlEvalRuleCond1(DrvContext* ctx, uint32_t rule, uint32_t valueId) {
    return evalRuleCond(ctx, rule, valueId, kMdlRuleCond1, kMdlItemCond1);
}

uint32_t MdlEvalOptionCond2(DrvContext* ctx, uint32_t option, uint32_t valueId) {
    return evalCond(ctx, option, valueId, kMdlRuleCond2, kMdlItemCond2);
}

uint32_t MdlRunTransactList(DrvContext* ctx, uint32_t firstPair) {
    MdlImageView v = MdlViewOf(ctx);
    if (!v.data() || !firstPair) return 0;
    uint32_t previous = 0;
    bool previousFalse = false;
    MdlListWalk pairs(v, firstPair, kMdlImgPairSize);
    for (uint32_t pair; pairs.next(&pair);) {
        uint32_t cond = 0;
        bool holds;
        if (!v.link(pair + kMdlTransactCond, 4, &cond)) holds = false;  // a broken link never holds
        else if (cond == 0) holds = true;
        else if (cond == previous && previousFalse) holds = false;  // same program, known false
        else holds = MdlEvalExpression(ctx, cond) != 0;
        previous = cond;
        previousFalse = !holds;
        if (!holds) continue;
        MdlListWalk actions(v, linkAt(v, pair + kMdlTransactActions, kMdlImgPairSize), kMdlImgPairSize);
        for (uint32_t a; actions.next(&a);) {
            uint16_t target = 0, kind = 0;
            uint32_t value = 0;
            v.u16(a + kMdlActionTarget, &target);
            v.u16(a + kMdlActionKind, &kind);
            v.u32(a + kMdlActionValue, &value);
            if (kind == kTargetPage) return target;
            if (kind == kTargetOption) ItemSetValueOrResString(ctx, target, value);
        }
    }
    return 0;
}

uint32_t MdlOptionTransactListAt(const MdlImageView& v, uint32_t option) {
    const uint32_t rule = option ? linkAt(v, option + kMdlOptRule, kMdlImgExclusiveSize) : 0;
    return rule ? linkAt(v, rule + kMdlRuleTransact1, kMdlImgPairSize) : 0;
}

uint32_t MdlOptionTransactList(DrvContext* ctx, uint32_t option) {
    return MdlOptionTransactListAt(MdlViewOf(ctx), option);
}

uint32_t MdlApplyOptionActions(DrvContext* ctx, uint32_t option) {
    return MdlRunTransactList(ctx, MdlOptionTransactList(ctx, option));
}

uint16_t MdlFirstTrueEntry(DrvContext* ctx, uint32_t option) {
    MdlImageView v = MdlViewOf(ctx);
    uint32_t rule = MdlOptionRule(ctx, option);
    if (!rule) return 0;
    MdlListWalk walk(v, linkAt(v, rule + kMdlRuleAlerts, kMdlImgAlertSize), kMdlImgAlertSize);
    for (uint32_t e; walk.next(&e);) {
        if (!MdlEvalExpression(ctx, programAt(v, e + kMdlAlertCond))) continue;
        uint16_t key = 0;
        v.u16(e + kMdlAlertMessage, &key);
        return key;
    }
    return 0;
}

uint32_t MdlApplyOptionSubActions(DrvContext* ctx, uint32_t option, uint16_t messageKey, uint16_t optionKey) {
    MdlImageView v = MdlViewOf(ctx);
    uint32_t entry = alertEntry(ctx, option, messageKey);
    if (!entry) return 0;
    uint32_t pair =
        MdlListFind(v, linkAt(v, entry + kMdlAlertActions, kMdlImgPairSize), kMdlImgPairSize, kMdlAnswerKey, optionKey);
    return pair ? MdlRunTransactList(ctx, linkAt(v, pair + kMdlAnswerTransact, kMdlImgPairSize)) : 0;
}

}  // namespace vesk
