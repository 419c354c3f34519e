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

}  // namespace

bool DmRunItemActionsFromImage(DrvContext* ctx) {
    if (!ownQueries() || !ctx || !ctx->items || !ctx->items->items) return false;
    const MdlImageView v = MdlViewOf(ctx);
    // The listed options whose option has a type and a Transact list (one
    // without a list runs nothing). They are all taken before any action
    // runs, so one list per thread serves every walk (a walk an action might
    // start finds it free to fill again). The image never changes, so the
    // lists found before the first action are the ones each action would
    // find.
    thread_local std::vector<MdlListedAction> actions;
    actions.clear();
    MdlListedActions(ctx, actions);
    // Each with the item position of its id, in item order.
    struct Step {
        int position;
        int id;
        uint32_t transact;
    };
    std::vector<Step> steps;
    steps.reserve(actions.size());
    for (const MdlListedAction& a : actions)
        if (DmItem* item = ItemFindById(ctx, a.id))
            steps.push_back({static_cast<int>(item - ctx->items->items), a.id, a.transact});
    // Positions are distinct (one item per listed id), so the order is that
    // of a stable sort.
    std::sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) { return a.position < b.position; });
    for (const Step& s : steps) {
        // The actions are those of the option of the id the item carries
        // (the actions store values, never an item's id).
        const int id = ctx->items->items[s.position].id;
        if (id == 0) continue;
        if (id == s.id) {
            MdlRunTransactList(ctx, s.transact);
            continue;
        }
        const uint32_t option = MdlFindOption(ctx, id);
        if (MdlOptionBaseTypeAt(v, option) != 0) MdlApplyOptionActions(ctx, option);
    }
    return true;
}

}  // namespace vesk
