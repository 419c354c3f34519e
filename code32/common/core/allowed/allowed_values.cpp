// The allowed values of the built-in settings and the check of one value.
#include "core/allowed/allowed_values.h"

#include <cstring>

#include "core/devmode/dm_normalize.h"
#include "core/devmode_sizes.h"
#include "core/item_store.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

constexpr uint32_t kTrialMaxItemId = 730;

// A block of MemAllocZero, freed with the holder.
class Block {
public:
    explicit Block(size_t bytes) : p_(MemAllocZero(bytes)) {}
    ~Block() { MemFree(p_); }
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    template <class T>
    T* as() const { return static_cast<T*>(p_); }

private:
    void* p_;
};

// The nodes of a pair list, counted up to `limit` + 1 (a longer list, or one
// that loops, counts as too long).
size_t countNodes(const AllowedNode* n, size_t limit) {
    size_t count = 0;
    for (; n && count <= limit; n = n->next) ++count;
    return count;
}

struct Noted {
    uint32_t item;
    uint32_t value;
};

// The whole item-store buffer and the items' changed marks, saved and put
// back: a trial leaves nothing behind.
class SavedState {
public:
    explicit SavedState(DrvContext* ctx)
        : ctx_(ctx), buffer_(dmSizes().stateSize), marks_(sizeof(uint32_t) * itemCount(ctx)) {
        ok_ = ctx->devmode && buffer_.as<BYTE>() && (itemCount(ctx) == 0 || marks_.as<uint32_t>());
        if (!ok_) return;
        std::memcpy(buffer_.as<BYTE>(), ctx->devmode, dmSizes().stateSize);
        for (size_t i = 0; i < itemCount(ctx); ++i) marks_.as<uint32_t>()[i] = ctx->items->items[i].changed;
        if (ctx->ws) itemsChanged_ = ctx->ws->itemsChanged, changeMask_ = ctx->ws->changeMask;
    }
    ~SavedState() {
        if (!ok_) return;
        std::memcpy(ctx_->devmode, buffer_.as<BYTE>(), dmSizes().stateSize);
        for (size_t i = 0; i < itemCount(ctx_); ++i) ctx_->items->items[i].changed = marks_.as<uint32_t>()[i];
        if (ctx_->ws) ctx_->ws->itemsChanged = itemsChanged_, ctx_->ws->changeMask = changeMask_;
    }
    SavedState(const SavedState&) = delete;
    SavedState& operator=(const SavedState&) = delete;
    bool ok() const { return ok_; }

private:
    static size_t itemCount(DrvContext* ctx) {
        return ctx->items && ctx->items->items && ctx->items->count > 0 ? static_cast<size_t>(ctx->items->count) : 0;
    }
    DrvContext* ctx_;
    Block buffer_;
    Block marks_;
    bool ok_ = false;
    uint32_t itemsChanged_ = 0, changeMask_ = 0;
};

int tryValue(DrvContext* ctx, const AllowedSetting* row, const AllowedValue* value) {
    if (!ctx->devmode) return 0;
    const bool setsItem = row->item != 0 && row->item <= kTrialMaxItemId && !(value->flags & kAllowedValueOff);
    // The item and at most kTrialMaxNoted - 1 pairs.
    const size_t pairs = countNodes(row->pairs, kTrialMaxNoted) + countNodes(value->pairs, kTrialMaxNoted);
    if (pairs >= kTrialMaxNoted) return 0;
    SavedState saved(ctx);
    if (!saved.ok()) return 0;
    Noted noted[kTrialMaxNoted];
    size_t n = 0;
    auto set = [&](uint32_t item, uint32_t v) {
        ItemSetRawById(ctx, static_cast<int>(item), v);
        noted[n++] = {item, v};
    };
    if (setsItem) set(row->item, value->value);
    for (const AllowedNode* p = row->pairs; p; p = p->next) set(p->item, p->value);
    for (const AllowedNode* p = value->pairs; p; p = p->next) set(p->item, p->value);
    OptRecheckPaperAndResolution(ctx);
    for (size_t i = n; i-- > 0;)
        if (ItemRawById(ctx, static_cast<int>(noted[i].item)) != noted[i].value) return 0;
    return 1;
}

// The allowed values of a document setting; `skipOff` leaves the off
// values out.
int allowedValues(DrvContext* ctx, uint32_t optionId, uint32_t capacity, uint32_t* out, uint32_t* outCount,
                  bool skipOff) {
    uint32_t dummy = 0;
    uint32_t* count = outCount ? outCount : &dummy;
    *count = 0;
    const AllowedSetting* row = OptFindAllowedEntry(ctx, optionId, kAllowedUseDocument);
    if (!row || !row->values || !row->values->count || !row->values->values) return kAllowedDone;
    const AllowedValueList& list = *row->values;
    Block work(sizeof(uint32_t) * list.count);
    uint32_t* kept = work.as<uint32_t>();
    if (!kept) return kAllowedNoMemory;
    uint32_t n = 0;
    for (uint32_t i = 0; i < list.count; ++i) {
        const AllowedValue& v = list.values[i];
        if (skipOff && (v.flags & kAllowedValueOff)) continue;
        if (OptValueAllowedBuiltin(ctx, row, &v)) kept[n++] = v.value;
    }
    *count = n;
    if (n == 0) return kAllowedDone;
    if (!out || capacity < n) return kAllowedTooSmall;
    std::memcpy(out, kept, sizeof(uint32_t) * n);
    return kAllowedDone;
}

}  // namespace

const AllowedSetting* OptFindAllowedEntry(DrvContext* ctx, uint32_t optionId, uint32_t mask) {
    if (optionId == 0) return nullptr;
    const AllowedTable* t = GetBuiltinTable10();
    for (uint32_t i = 0; i < t->count; ++i) {
        const AllowedSetting& r = t->rows[i];
        if (r.item != optionId || !(r.useMask & mask)) continue;
        if ((r.useMask & kAllowedUseOwnChain) && r.chain && !OptCondChain443(ctx, r.chain)) continue;
        return &r;
    }
    return nullptr;
}

int OptValueAllowedBuiltin(DrvContext* ctx, const AllowedSetting* row, const AllowedValue* value) {
    if (!ctx || !row || !value) return 0;
    if (row->kind & kAllowedKindTrial) return tryValue(ctx, row, value);
    return OptEvalCondChain(ctx, value->chain);
}

int OptGetAllowedValues(DrvContext* ctx, uint32_t optionId, uint32_t capacity, uint32_t* out, uint32_t* outCount) {
    return allowedValues(ctx, optionId, capacity, out, outCount, false);
}

int OptHasAllowedValue(DrvContext* ctx, uint32_t optionId) {
    uint32_t n = 0;
    return allowedValues(ctx, optionId, 0, nullptr, &n, true) == kAllowedTooSmall ? 1 : 0;
}

}  // namespace vesk
