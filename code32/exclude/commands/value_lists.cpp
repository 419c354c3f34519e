// The lists and values the getters hand out.
#include "commands/value_lists.h"

#include <cstring>
#include <set>
#include <string>

#include "commands/command_base.h"
#include "commands/exc_api.h"
#include "commands/set_line.h"
#include "commands/value_text.h"
#include "core/allowed/allowed_values.h"
#include "core/item_store.h"
#include "core/model/query.h"

namespace vesk {
namespace {

constexpr uint32_t kNumThird = 4;  // the numeric block's third 16-bit number

// Appends an entry with its NUL, each word once.
int entry(ExcTextBuf* b, std::set<std::string>& seen, std::string_view word) {
    if (word.empty() || !seen.emplace(word).second) return 0;
    if (ExcTextAppendBytes(b, word.data(), word.size())) return -1;
    return ExcTextTerminate(b);
}

bool modelOption(DrvContext* ctx, const ExcCommandEntry* row, ExcModelOption* o) {
    return ExcReadModelOption(ctx, ExcFindModelOption(ctx, row->item, row->subNumber), o);
}

int numberEntry(ExcTextBuf* b, std::set<std::string>& seen, int32_t need, const char* text) {
    if (need <= 0) return 0;
    seen.clear();  // numbers may repeat (the maximum twice)
    return entry(b, seen, text);
}

// Hands a finished list (or text) out under the buffer protocol.
int32_t handOutList(const ExcTextBuf* b, int32_t size, char* buffer, int32_t* needed) {
    if (needed) *needed = b->length;
    if (b->length == 0) return 0;
    if (!buffer || size < b->length) return 1;
    std::memcpy(buffer, b->bytes, static_cast<size_t>(b->length));
    return 0;
}

}  // namespace

int ExcListEnumValues(ExcContext* h, const ExcCommandEntry* row, const char* name, int enabledOnly, ExcTextBuf* b) {
    DrvContext* ctx = h->ctx;
    std::set<std::string> seen;
    if (row->kind & kExcKindModel) {
        // Tried values need a value item, which a model row has none of.
        ExcModelOption o;
        if (enabledOnly || !modelOption(ctx, row, &o) || !MdlIsListType(o.type) || !o.values) return 0;
        MdlImageView v = MdlViewOf(ctx);
        MdlListWalk walk(v, o.values, MdlValueRecordSize(o.type));
        for (uint32_t rec; walk.next(&rec);) {
            uint32_t at = 0;
            std::string_view word;
            if (v.u32(rec + kMdlValCommand, &at) && at && v.str(at, &word) && entry(b, seen, word)) return -1;
        }
        return 0;
    }
    if ((row->kind & (kExcKindComputed | kExcKindSpecial)) == (kExcKindComputed | kExcKindSpecial)) {
        if (enabledOnly) {
            const char* w = ExcFinishEdgeIs(h);
            return w ? entry(b, seen, w) : 0;
        }
        for (const char* w : {"SEF", "LEF", "ALL"})
            if (entry(b, seen, w)) return -1;
        return 0;
    }
    for (uint32_t i = 0; i < ExcValueCount(row); ++i) {
        const ExcCommandValue* v = &row->values->values[i];
        if (!row->name && !(v->commandName && name && std::strcmp(v->commandName, name) == 0)) continue;
        const bool alias = v->flags & kAllowedValueRepeat;
        bool take;
        if (!enabledOnly)
            take = !alias && (!(row->useMask & kExcPrinterOption) || OptCondChain443(ctx, v->chain));
        else
            take = (!alias || v->chain) && ExcTryValue(h, row, v);
        if (take && v->word && entry(b, seen, v->word)) return -1;
    }
    return 0;
}

int ExcListBoolValues(ExcContext* h, const ExcCommandEntry* row, int enabledOnly, ExcTextBuf* b) {
    std::set<std::string> seen;
    if (row->kind & kExcKindModel) {
        ExcModelOption o;
        if (enabledOnly || !modelOption(h->ctx, row, &o)) return 0;
        for (uint32_t value : {0u, 1u}) {
            char word[kExcTokenBytes];
            if (ExcBoolValueToName(h->ctx, o, value, sizeof word, word) > 0 && entry(b, seen, word)) return -1;
        }
        return 0;
    }
    for (uint32_t i = 0; i < ExcValueCount(row); ++i) {
        const ExcCommandValue* v = &row->values->values[i];
        if ((!enabledOnly || ExcTryValue(h, row, v)) && v->word && entry(b, seen, v->word)) return -1;
    }
    return 0;
}

int ExcListNumericRange(ExcContext* h, const ExcCommandEntry* row, int enabledOnly, ExcTextBuf* b) {
    DrvContext* ctx = h->ctx;
    if (enabledOnly && row->range && row->range->chain && !OptEvalCondChain(ctx, row->range->chain)) return 0;
    std::set<std::string> seen;
    char t[32];
    if (row->kind & kExcKindModel) {
        ExcModelOption o;
        MdlImageView v = MdlViewOf(ctx);
        if (!modelOption(ctx, row, &o) || o.type != kMdlNumeric || !v.inside(o.values, kMdlNumBlockSize)) return 0;
        int32_t lo = 0, hi = 0;
        int16_t third = 0;
        v.i32(o.values + kMdlNumMinimum, &lo);
        v.i32(o.values + kMdlNumMaximum, &hi);
        v.i16(o.values + kNumThird, &third);
        uint32_t numbers[3] = {static_cast<uint32_t>(lo), static_cast<uint32_t>(hi),
                               static_cast<uint32_t>(static_cast<int32_t>(third))};
        if (enabledOnly) {
            numbers[0] = ExcNormalizeNumber(ctx, row, numbers[0]);
            numbers[1] = ExcNormalizeNumber(ctx, row, numbers[1]);
        }
        for (uint32_t n : numbers) {
            const int32_t need = ExcNumberToText(ctx, row, o, n, sizeof t, t);
            if (numberEntry(b, seen, need, t)) return -1;
        }
        return 0;
    }
    if (!row->range) return 0;
    for (uint32_t n : {row->range->minimum, row->range->maximum, row->range->maximum}) {
        const int32_t need = ExcTableNumberToText(row, n, sizeof t, t, nullptr);
        if (numberEntry(b, seen, need, t)) return -1;
    }
    return 0;
}

int32_t ExcFormatPrinterValue(DrvContext* ctx, const ExcCommandEntry* row, int32_t room, char* buf) {
    if (!OptEvalCondChain(ctx, row->pairs)) return 0;
    const int id = static_cast<int>(row->item);
    if (row->kind & kExcKindModel) {
        ExcModelOption o;
        if (!modelOption(ctx, row, &o)) return 0;
        return ExcModelValueToText(ctx, row, o, ItemValueById(ctx, id), room, buf);
    }
    const uint32_t raw = ItemRawById(ctx, id);
    if (row->valueFormat == kExcTypeNumber) return ExcTableNumberToText(row, raw, room, buf, nullptr);
    if (row->valueFormat == kExcTypeString) return 0;
    return ExcTableValueToWord(nullptr, row, raw, room, buf);
}

}  // namespace vesk

using namespace vesk;

int32_t WINAPI ExcGetCommandValue(void* handle, const char* command, int32_t enabledOnly, int32_t size, char* buffer,
                                  int32_t* needed) {
    ExcContext* h = ExcUsableHandle(handle);
    if (!h) return -1;
    if (needed) *needed = 0;
    const ExcCommandEntry* row = ExcFindCommandByName(h, command, kExcJob);
    if (!row || (enabledOnly && !ExcCommandIsEnabled(h, row))) return 0;
    ExcText list;
    if (!list.ok()) return -1;
    int r = 0;
    switch (row->valueFormat) {
    case kExcTypeEnum: r = ExcListEnumValues(h, row, command, enabledOnly, list.get()); break;
    case kExcTypeBool: r = ExcListBoolValues(h, row, enabledOnly, list.get()); break;
    case kExcTypeNumber: r = ExcListNumericRange(h, row, enabledOnly, list.get()); break;
    default: break;
    }
    if (r != 0 || (list->length && ExcTextTerminate(list.get()) != 0)) return -1;
    return handOutList(list.get(), size, buffer, needed);
}

int32_t WINAPI ExcGetPrinterOption(void* handle, const char* command, int32_t size, char* buffer, int32_t* needed) {
    ExcContext* h = ExcUsableHandle(handle);
    if (!h) return -1;
    if (needed) *needed = 0;
    const ExcCommandEntry* row = ExcFindCommandByName(h, command, kExcPrinterOption);
    if (!row) return 0;
    ExcText list;
    if (!list.ok()) return -1;
    std::set<std::string> seen;
    for (uint32_t i = 0; i < ExcValueCount(row); ++i) {
        const ExcCommandValue* v = &row->values->values[i];
        if (ExcValueIsOffered(h->ctx, row, v) && v->word && entry(list.get(), seen, v->word)) return -1;
    }
    if (list->length && ExcTextTerminate(list.get()) != 0) return -1;
    return handOutList(list.get(), size, buffer, needed);
}

int32_t WINAPI ExcGetPrinterValue(void* handle, const char* command, int32_t size, char* buffer, int32_t* needed) {
    ExcContext* h = ExcUsableHandle(handle);
    if (!h) return -1;
    if (needed) *needed = 0;
    const ExcCommandEntry* row = ExcFindCommandByName(h, command, kExcPrinterValue);
    if (!row) return 0;
    const int32_t need = ExcFormatPrinterValue(h->ctx, row, 0, nullptr);
    if (needed) *needed = need;
    if (need <= 0) return 0;
    if (!buffer || size < need) return 1;
    ExcFormatPrinterValue(h->ctx, row, size, buffer);
    return 0;
}
