#include "core/devmode/dm_option_walks.h"

#include <algorithm>
#include <vector>

#include "core/devmode/dm_model.h"
#include "core/devmode/dm_validate.h"
#include "core/item_store.h"
#include "core/model/eval.h"
#include "core/model/image.h"
#include "core/model/query.h"

namespace vesk {
namespace {

bool ownQueries() { return &dmModel() == &DmDefaultModelQueries(); }

// The option's type without its Identity and TypeUnknown bits (0 without
// option), as MdlGetOptionType gives it.
int baseTypeAt(const MdlImageView& v, uint32_t option) {
    if (!option) return 0;
    uint16_t t = 0;
    v.u16(option + kMdlOptType, &t);
    return MdlBaseType(t);
}

}  // namespace

bool DmRunItemActionsFromImage(DrvContext* ctx) {
    if (!ownQueries() || !ctx || !ctx->items || !ctx->items->items) return false;
    const MdlImageView v = MdlViewOf(ctx);
    std::vector<MdlListedOption> listed;
    MdlListedOptions(ctx, listed);
    // The item position of each listed id with the option found for it,
    // in item order.
    struct Step {
        int position;
        int id;
        uint32_t option;
    };
    std::vector<Step> steps;
    steps.reserve(listed.size());
    for (const MdlListedOption& l : listed)
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

}  // namespace vesk
