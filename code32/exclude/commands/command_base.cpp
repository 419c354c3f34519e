// Writing the command base from the handle and resolving it.
#include "commands/command_base.h"

#include <cstring>
#include <string>
#include <vector>

#include "commands/set_line.h"
#include "commands/value_text.h"
#include "core/computed/predicates.h"
#include "core/devmode/dm_normalize.h"
#include "core/item_store.h"
#include "core/sysdeps.h"

namespace vesk {
namespace {

constexpr uint32_t kItemStapleOn = 66, kItemPunchOn = 65, kItemPunch = 134;
constexpr const char* kForceFeed = "FORCEFEED";

// A value-to-text call asked twice: for its size, then into room enough.
template <class F>
std::string textOf(F f) {
    char small[96];
    const int32_t need = f(static_cast<int32_t>(sizeof small), small);
    if (need <= 0) return {};
    if (need <= static_cast<int32_t>(sizeof small)) return std::string(small, static_cast<size_t>(need - 1));
    std::string big(static_cast<size_t>(need), '\0');
    f(need, big.data());
    big.resize(static_cast<size_t>(need - 1));
    return big;
}

int writeModelLine(ExcTextBuf* b, ExcContext* h, const ExcCommandEntry* row, uint32_t value) {
    ExcModelOption o;
    if (!ExcReadModelOption(h->ctx, ExcFindModelOption(h->ctx, row->item, row->subNumber), &o)) return 0;
    const std::string text =
        textOf([&](int32_t room, char* buf) { return ExcModelValueToText(h->ctx, row, o, value, room, buf); });
    if (text.empty()) return 0;
    if (ExcTextAppendBytes(b, o.prefix.data(), o.prefix.size()) || ExcTextAppend(b, text.c_str()) ||
        ExcTextAppendBytes(b, o.suffix.data(), o.suffix.size()))
        return -1;
    return 0;
}

int writeTableLine(ExcTextBuf* b, const ExcContext* h, const ExcCommandEntry* row, uint32_t value) {
    std::string text, name = row->name ? row->name : "";
    if (row->valueFormat == kExcTypeEnum || row->valueFormat == kExcTypeBool) {
        text = textOf([&](int32_t room, char* buf) { return ExcTableValueToWord(h, row, value, room, buf); });
        if (!row->name)
            name = textOf([&](int32_t room, char* buf) { return ExcTableValueToWord(h, row, value, room, buf, true); });
    } else if (row->valueFormat == kExcTypeNumber) {
        text = textOf([&](int32_t room, char* buf) { return ExcTableNumberToText(row, value, room, buf, h); });
    }
    if (text.empty() || name.empty()) return 0;
    return ExcWriteSetLine(b, name.c_str(), text.c_str());
}

bool forceFeedApplies(const ExcContext* h, char* baseValue) {
    baseValue[0] = 0;
    if (!ExcGiven(h, kItemStapleOn) && !ExcGiven(h, kItemPunchOn)) return false;
    if (h->base) ExcFindLineValue(h->base, kForceFeed, baseValue);
    return baseValue[0] != 0;
}

// Calls f(name, value) for every line of `text`; a line that does not parse
// is passed over up to its CR LF.
template <class F>
int eachLine(const char* text, F f) {
    char name[kExcTokenBytes], value[kExcTokenBytes];
    for (const char* p = text; p && *p;) {
        const int used = ExcParseSetLine(p, name, value);
        if (used == 0) break;
        if (used < 0) {
            const char* end = std::strstr(p, "\r\n");
            if (!end) break;
            p = end + 2;
            continue;
        }
        if (f(name, value) != 0) return -1;
        p += used;
    }
    return 0;
}

bool updateNames(ExcUpdateLine u, const char* name) { return u.name && std::strcmp(u.name, name) == 0; }

// The stored base (or the change text) becomes the text of `b`.
int store(ExcTextBuf* b, char** slot, int32_t* length) {
    if (ExcTextTerminate(b) != 0) return -1;
    MemFree(*slot);
    *length = b->length;
    *slot = ExcTextRelease(b);
    return 0;
}

}  // namespace

int ExcWriteCommandBase(ExcTextBuf* b, ExcContext* h) {
    if (!h || !h->given || h->count <= 0) return -1;
    std::vector<bool> written(static_cast<size_t>(h->count) + 1);
    for (uint32_t i = 1; i <= static_cast<uint32_t>(h->count); ++i) {
        if (!h->given[i - 1]) continue;
        uint32_t item = i;
        const ExcCommandEntry* row = ExcFindCommandById(i, kExcJob);
        if (!row) {
            item = ExcAliasItem(i);
            row = item ? ExcFindCommandById(item, kExcJob) : nullptr;
            // The alias line stands for the alias's own setting: without it
            // there is nothing to write.
            if (!row || !ExcGiven(h, item)) continue;
        }
        if (written[item]) continue;
        written[item] = true;
        const uint32_t value = ExcRecorded(h, item);
        if ((row->kind & kExcKindModel ? writeModelLine(b, h, row, value) : writeTableLine(b, h, row, value)) != 0)
            return -1;
    }
    return ExcTextTerminate(b);
}

int ExcCollectChanges(ExcTextBuf* out, const ExcContext* h, const char* fresh, ExcUpdateLine update, bool skipForceFeed) {
    return eachLine(fresh, [&](const char* name, const char* v) {
        if (skipForceFeed && std::strcmp(name, kForceFeed) == 0) return 0;
        char o[kExcTokenBytes];
        ExcFindLineValue(h->base, name, o);
        if (!o[0]) return 0;
        const bool asked = updateNames(update, name);
        const bool write = std::strcmp(v, o) != 0 ? !(asked && std::strcmp(update.value, v) == 0)
                                                  : asked && std::strcmp(update.value, v) != 0;
        return write ? ExcWriteSetLine(out, name, v) : 0;
    });
}

int ExcMergeCommandBase(ExcTextBuf* out, ExcContext* h, const char* fresh, ExcUpdateLine update) {
    return eachLine(h->base, [&](const char* name, const char* o) {
        char v[kExcTokenBytes];
        ExcFindLineValue(fresh, name, v);
        if (v[0]) return ExcWriteSetLine(out, name, v);
        if (update.name && ExcFindCommandByName(h, name, kExcJob))
            return ExcWriteSetLine(out, name, updateNames(update, name) ? update.value : o);
        return 0;
    });
}

int ExcResolve(ExcContext* h, ExcUpdateLine update, int mode) {
    DrvContext* ctx = h->ctx;
    if (mode != 2) {
        if (mode == 3 && ExcGiven(h, kItemPunch) && ExcGiven(h, kExcItemPunchFamily)) {
            const uint32_t p = ItemRawById(ctx, static_cast<int>(kItemPunch));
            const uint32_t family = ExcRecorded(h, kExcItemPunchFamily);
            if (p - ExcPunchPosition(p) != ExcPunchBase(family)) {
                ItemSetRawById(ctx, static_cast<int>(kItemPunch), ExcPunchBase(family) + ExcPunchPosition(p));
                ItemSetRawById(ctx, static_cast<int>(kItemPunchOn), 0);
            }
        }
        DmNormalize(ctx);
    }
    ExcRefreshValues(h, 1);

    ExcText fresh;
    if (!fresh.ok() || ExcWriteCommandBase(fresh.get(), h) != 0) return -1;
    char baseFeed[kExcTokenBytes];
    const bool feed = forceFeedApplies(h, baseFeed);
    if (feed) {
        const char* word = IsFinishEdge1(ctx) ? "SEF" : IsFinishEdge2(ctx) ? "LEF" : "ALL";
        ExcTextCut(fresh.get(), fresh->length - 1);
        if (ExcWriteSetLine(fresh.get(), kForceFeed, word) || ExcTextTerminate(fresh.get())) return -1;
    }

    ExcText changes;
    const bool feedUpdate = feed && updateNames(update, kForceFeed);
    if (!changes.ok() || ExcCollectChanges(changes.get(), h, fresh.c_str(), update, feedUpdate) != 0) return -1;
    if (feedUpdate && std::strcmp(update.value, baseFeed) != 0 && ExcWriteSetLine(changes.get(), kForceFeed, baseFeed))
        return -1;
    int result = 0;
    if (changes->length > 0) {
        if (store(changes.get(), &h->change, &h->changeLength) != 0) return -1;
        result = 1;
    }
    if (feedUpdate) return result;

    ExcText merged;
    if (!merged.ok() || ExcMergeCommandBase(merged.get(), h, fresh.c_str(), update) != 0 ||
        store(merged.get(), &h->base, &h->baseLength) != 0)
        return -1;
    return result;
}

}  // namespace vesk
