// Condition chains: AND groups joined by OR, read left to right with no
// precedence beyond the connectives.
#include "core/allowed/allowed_values.h"

#include "core/item_store.h"

namespace vesk {
namespace {

constexpr uint32_t kJoinInGroup = 0x2;
// A chain from a table never loops; this bounds the walk of one that does.
constexpr int kMaxNodes = 1024;

// From `node` on, the first node whose connective `stops` the skip; null
// at the end of the chain.
template <class Stop>
const AllowedNode* skip(const AllowedNode* node, int* budget, Stop stops) {
    while (node && !stops(node->connective) && --*budget > 0) node = node->next;
    return *budget > 0 ? node : nullptr;
}

// The chain walk; `test` answers for one node: -1 pass it over, else 0 or 1.
template <class Test>
int walk(const AllowedNode* node, Test test) {
    int r = 1;
    int budget = kMaxNodes;
    while (node && --budget > 0) {
        const int t = test(*node);
        if (t < 0) {
            node = node->next;
            continue;
        }
        if (t == 1) {
            r = 1;
            if (node->connective & kJoinInGroup) {
                node = node->next;
                continue;
            }
            // The group holds: pass over the alternatives up to a node that
            // joins with no alternative after it.
            const AllowedNode* stop = skip(node, &budget, [](uint32_t c) { return c != 0 && !(c & kJoinInGroup); });
            if (!stop) return 1;
            node = stop->next;
        } else {
            r = 0;
            // The group fails: go to its last node; an alternative follows
            // only a node with connective 0.
            const AllowedNode* stop = skip(node, &budget, [](uint32_t c) { return !(c & kJoinInGroup); });
            if (!stop || stop->connective != 0) return 0;
            node = stop->next;
        }
    }
    return r;
}

}  // namespace

int OptEvalCondChain(DrvContext* ctx, const AllowedNode* chain) {
    return walk(chain, [&](const AllowedNode& n) { return ItemRawById(ctx, static_cast<int>(n.item)) == n.value ? 1 : 0; });
}

int OptCondChain443(DrvContext* ctx, const AllowedNode* chain) {
    return walk(chain, [&](const AllowedNode& n) {
        if (n.item < 443 || n.item > 538) return -1;
        return ItemRawById(ctx, static_cast<int>(n.item) - 193) == n.value ? 1 : 0;
    });
}

}  // namespace vesk
