#include "core/devmode/dm_option_walks.h"

#include <algorithm>
#include <bitset>
#include <vector>

#include "core/devmode/dm_model.h"
#include "core/devmode/dm_validate.h"
#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/image.h"
#include "core/model/query.h"
#include "core/validation/option_checks.h"
#include "core/validation/option_handlers.h"

namespace vesk {
namespace {

bool ownQueries() { return &dmModel() == &DmDefaultModelQueries(); }

// The option record of an id that has a header slot, as MdlFindOption finds
// it: the slot's link when it names a whole record, else none.
uint32_t slotOption(const MdlImageView& v, int slot) {
    uint32_t o = 0;
    return v.data() && v.link(MdlSlotOffset(slot), kMdlImgOptionSize, &o) ? o : 0;
}

// The option's type without its Identity and TypeUnknown bits (0 without
// option), as MdlGetOptionType gives it.
int baseTypeAt(const MdlImageView& v, uint32_t option) {
    if (!option) return 0;
    uint16_t t = 0;
    v.u16(option + kMdlOptType, &t);
    return MdlBaseType(t);
}

// The first record of each listed id without a slot, and whether an id with
// a slot is listed at all, from one walk of the option list; ids in the
// order of the list's first records, as MdlListedOptionIds gives them.
struct ListedOption {
    int id;
    uint32_t option;
};
void listedOptions(const MdlImageView& v, std::vector<ListedOption>& out) {
    uint32_t head = 0;
    if (!v.data() || !v.link(MdlSlotOffset(0), kMdlImgOptionSize, &head)) return;
    std::bitset<0x10000> seen;
    MdlListWalk walk(v, head, kMdlImgOptionSize);
    for (uint32_t rec; walk.next(&rec);) {
        uint16_t id = 0;
        if (!v.u16(rec + kMdlOptId, &id) || !id || seen[id]) continue;
        uint32_t option = rec;
        if (const int slot = MdlSlotForOptionId(id)) {
            option = slotOption(v, slot);
            if (!option) continue;
        }
        seen[id] = true;
        out.push_back({id, option});
    }
}

}  // namespace

int DmOptionBaseType(DrvContext* ctx, int id) {
    if (!ownQueries()) return dmModel().optionType(ctx, id);
    const MdlImageView v = MdlViewOf(ctx);
    const int slot = MdlSlotForOptionId(id);
    return baseTypeAt(v, slot ? slotOption(v, slot) : MdlFindOption(ctx, id));
}

bool DmRunItemActionsFromImage(DrvContext* ctx) {
    if (!ownQueries() || !ctx || !ctx->items || !ctx->items->items) return false;
    const MdlImageView v = MdlViewOf(ctx);
    std::vector<ListedOption> listed;
    listedOptions(v, listed);
    // The item position of each listed id with the option found for it,
    // in item order.
    struct Step {
        int position;
        int id;
        uint32_t option;
    };
    std::vector<Step> steps;
    steps.reserve(listed.size());
    for (const ListedOption& l : listed)
        if (DmItem* item = ItemFindById(ctx, l.id))
            steps.push_back({static_cast<int>(item - ctx->items->items), l.id, l.option});
    std::sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.position < b.position; });
    for (const Step& s : steps) {
        // The actions are those of the option of the id the item carries.
        const int id = ctx->items->items[s.position].id;
        if (id == 0) continue;
        const uint32_t option = id == s.id ? s.option : MdlFindOption(ctx, id);
        if (baseTypeAt(v, option) != 0) MdlApplyOptionActions(ctx, option);
    }
    return true;
}

bool DmValueListHasFromImage(DrvContext* ctx, int id, uint32_t value, int* out) {
    if (!ownQueries()) return false;
    const uint32_t option = MdlFindOption(ctx, id);
    const MdlImageView v = MdlViewOf(ctx);
    uint16_t type = 0;
    if (option) v.u16(option + kMdlOptType, &type);
    const uint16_t base = MdlBaseType(type);
    if (!option || !MdlIsListType(base)) {
        *out = -1;
        return true;
    }
    // The value records: none (a link outside the block) counts as an
    // empty list, as a count of the values would find.
    const uint32_t recSize = MdlValueRecordSize(base);
    uint32_t head = 0;
    if (!v.link(option + kMdlOptValues, recSize, &head)) {
        *out = -1;
        return true;
    }
    MdlListWalk walk(v, head, recSize);
    int count = 0;
    bool found = false;
    for (uint32_t rec; walk.next(&rec);) {
        ++count;
        uint16_t x = 0;
        v.u16(rec + kMdlValId, &x);
        if (!found && value <= 0xFFFF && x == value) found = true;
    }
    *out = count <= 0 ? -1 : found ? 1 : 0;
    return true;
}

}  // namespace vesk
