#include "commands/value_text.h"

#include <cstdio>
#include <cstring>

#include "core/item_store.h"
#include "core/model/query.h"
#include "commands/set_line.h"
#include "core/text_convert.h"

namespace vesk {
namespace {

constexpr int kItemDstResolutionW = 42;
constexpr uint32_t kUnitClassMargin = 2;

MdlImageView viewOf(DrvContext* ctx) { return MdlViewOf(ctx); }

bool imageText(const MdlImageView& v, uint32_t linkAt, std::string_view* out) {
    *out = {};
    uint32_t at = 0;
    return v.u32(linkAt, &at) && at && v.str(at, out);
}

bool sameText(std::string_view a, const char* b) { return b && a == std::string_view(b); }

// Calls `f(record, valueId, command)` for each value record of a list option
// until it answers true; the record that stopped the walk, else 0.
template <class F>
uint32_t eachValue(DrvContext* ctx, const ExcModelOption& o, F f) {
    if (!MdlIsListType(o.type) || !o.values) return 0;
    MdlImageView v = viewOf(ctx);
    MdlListWalk walk(v, o.values, MdlValueRecordSize(o.type));
    for (uint32_t rec; walk.next(&rec);) {
        uint16_t id = 0;
        std::string_view command;
        v.u16(rec + kMdlValId, &id);
        imageText(v, rec + kMdlValCommand, &command);
        if (f(rec, id, command)) return rec;
    }
    return 0;
}

// The numeric block's scale numbers a (multiplier) and b (divisor); false
// when the option keeps no numeric block.
bool scale(DrvContext* ctx, const ExcModelOption& o, int64_t* a, int64_t* b) {
    *a = *b = 0;
    if (o.type != kMdlNumeric || !o.values) return false;
    MdlImageView v = viewOf(ctx);
    if (!v.inside(o.values, kMdlNumBlockSize)) return false;
    int16_t m = 0, d = 0;
    v.i16(o.values + kMdlNumMultiplier, &m);
    v.i16(o.values + kMdlNumDivisor, &d);
    *a = m;
    *b = d;
    return true;
}

bool isMarginUnit(DrvContext* ctx, uint32_t item) {
    const DmItem* it = ItemFindById(ctx, static_cast<int>(item));
    return it && it->classWords[kClassUnit] == kUnitClassMargin;
}

// n * num / den in 64 bits; a zero or negative divisor leaves n unscaled.
uint32_t scaled(uint64_t n, int64_t num, int64_t den) {
    if (den <= 0 || num <= 0) return static_cast<uint32_t>(n);
    const uint64_t r = n * static_cast<uint64_t>(num) / static_cast<uint64_t>(den);
    return r > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(r);
}

int32_t decimalText(int64_t n, int32_t room, char* buf) {
    char t[24];
    const int len = std::snprintf(t, sizeof t, "%lld", static_cast<long long>(n));
    return ExcHandOut(t, static_cast<size_t>(len), room, buf);
}

}  // namespace

uint32_t ExcFindModelOption(DrvContext* ctx, uint32_t id, uint32_t sub) {
    MdlImageView v = viewOf(ctx);
    uint32_t head = 0;
    if (!v.data() || !v.slot(0, &head)) return 0;
    uint32_t firstWithId = 0, lastWithSub = 0;
    MdlListWalk walk(v, head, kMdlImgOptionSize);
    for (uint32_t rec; walk.next(&rec);) {
        uint16_t oid = 0, osub = 0;
        uint32_t commands = 0;
        v.u16(rec + kMdlOptId, &oid);
        if (oid != id) continue;
        if (!firstWithId) firstWithId = rec;
        v.u16(rec + kMdlOptSub, &osub);
        if (osub != sub) continue;
        v.u32(rec + kMdlOptCommands, &commands);
        if (commands) return rec;
        lastWithSub = rec;
    }
    return lastWithSub ? lastWithSub : firstWithId;
}

bool ExcReadModelOption(DrvContext* ctx, uint32_t at, ExcModelOption* out) {
    *out = ExcModelOption{};
    MdlImageView v = viewOf(ctx);
    uint16_t type = 0;
    if (!at || !v.u16(at + kMdlOptType, &type)) return false;
    out->at = at;
    out->type = MdlBaseType(type);
    v.u32(at + kMdlOptValues, &out->values);
    uint32_t pair = 0;
    if (v.link(at + kMdlOptCommands, kMdlCommandPairSize, &pair) && pair) {
        imageText(v, pair + kMdlPairPrefix, &out->prefix);
        imageText(v, pair + kMdlPairSuffix, &out->suffix);
    }
    return true;
}

uint32_t ExcDecimal(const char* text) {
    uint64_t n = 0;
    for (const char* p = text; p && *p >= '0' && *p <= '9'; ++p) {
        n = n * 10 + static_cast<uint64_t>(*p - '0');
        if (n > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return static_cast<uint32_t>(n);
}

int32_t ExcHandOut(const char* text, size_t n, int32_t room, char* buf) {
    if (!n) return 0;
    if (n >= 0x7FFFFFFF) return 0;
    const int32_t need = static_cast<int32_t>(n + 1);
    if (buf && room >= need) {
        std::memcpy(buf, text, n);
        buf[n] = 0;
    }
    return need;
}

// ---- table-driven rows ----

uint32_t ExcTableWordToValue(const ExcCommandEntry* row, const char* text, bool* found) {
    if (found) *found = false;
    for (uint32_t i = 0; i < ExcValueCount(row); ++i) {
        const ExcCommandValue& v = row->values->values[i];
        if (v.word && text && std::strcmp(v.word, text) == 0) {
            if (found) *found = true;
            return v.value;
        }
    }
    return 0;
}

uint32_t ExcTableNumberFromText(const ExcCommandEntry* row, const char* text) {
    const uint32_t n = ExcDecimal(text);
    const ExcNumericRange* r = row->range;
    return r ? scaled(n, r->multiplier, r->divisor) : n;
}

namespace {

// Every command link of the row whose item the handle has given holds the
// link's value there.
bool linksAgree(const ExcContext* h, const OptCondLink* links) {
    for (const OptCondLink* l = links; h && l; l = l->next)
        if (l->item >= 1 && l->item < static_cast<uint32_t>(h->count) && h->given[l->item - 1] &&
            h->values[l->item - 1] != l->value)
            return false;
    return true;
}

}  // namespace

int32_t ExcTableValueToWord(const ExcContext* h, const ExcCommandEntry* row, uint32_t value, int32_t room, char* buf,
                            bool wantName, uint32_t* outIndex) {
    if (!linksAgree(h, row->pairs)) return 0;
    for (uint32_t i = 0; i < ExcValueCount(row); ++i) {
        const ExcCommandValue& v = row->values->values[i];
        if (v.value != value && !(v.flags & kAllowedValueOff)) continue;
        if (!linksAgree(h, v.pairs)) continue;
        if (outIndex) *outIndex = i;
        const char* text = wantName ? v.commandName : v.word;
        return text ? ExcHandOut(text, std::strlen(text), room, buf) : 0;
    }
    return 0;
}

int32_t ExcTableNumberToText(const ExcCommandEntry* row, uint32_t value, int32_t room, char* buf,
                             const ExcContext* h) {
    if (!linksAgree(h, row->pairs)) return 0;
    const ExcNumericRange* r = row->range;
    int64_t n = static_cast<int32_t>(value);
    if (r && r->multiplier) n = n * static_cast<int64_t>(r->divisor) / static_cast<int64_t>(r->multiplier);
    return decimalText(n, room, buf);
}

// ---- model-driven rows ----

uint32_t ExcEnumNameToValue(DrvContext* ctx, const ExcModelOption& o, const char* text) {
    uint16_t found = 0;
    eachValue(ctx, o, [&](uint32_t, uint16_t id, std::string_view command) {
        if (!sameText(command, text)) return false;
        found = id;
        return true;
    });
    return found;
}

uint32_t ExcBoolNameToValue(DrvContext* ctx, const ExcModelOption& o, const char* text) {
    std::string_view t;
    if (o.type != kMdlBoolean || !o.values) return 0;
    imageText(viewOf(ctx), o.values + kMdlBoolTrue, &t);
    return !t.empty() && sameText(t, text) ? 1 : 0;
}

uint32_t ExcNumberFromText(DrvContext* ctx, const ExcCommandEntry* row, const ExcModelOption& o, const char* text) {
    const uint32_t n = ExcDecimal(text);
    int64_t a, b;
    if (!n || !scale(ctx, o, &a, &b)) return n;
    uint32_t r;
    if (isMarginUnit(ctx, row->item))
        r = scaled(n, b * 1200, a * static_cast<int64_t>(ItemRawById(ctx, kItemDstResolutionW)));
    else
        r = scaled(n, b, a);
    return r ? r : 1;
}

int32_t ExcEnumValueToName(DrvContext* ctx, const ExcModelOption& o, uint32_t value, int32_t room, char* buf) {
    std::string_view name;
    eachValue(ctx, o, [&](uint32_t, uint16_t id, std::string_view command) {
        if (id != (value & 0xFFFF)) return false;
        name = command;
        return true;
    });
    return ExcHandOut(name.data(), name.size(), room, buf);
}

int32_t ExcBoolValueToName(DrvContext* ctx, const ExcModelOption& o, uint32_t value, int32_t room, char* buf) {
    std::string_view t;
    if (o.type != kMdlBoolean || !o.values) return 0;
    imageText(viewOf(ctx), o.values + (value ? kMdlBoolTrue : kMdlBoolFalse), &t);
    return ExcHandOut(t.data(), t.size(), room, buf);
}

int32_t ExcNumberToText(DrvContext* ctx, const ExcCommandEntry* row, const ExcModelOption& o, uint32_t value,
                        int32_t room, char* buf) {
    int64_t a, b;
    uint32_t n = value;
    // Without a numeric block the number goes as it is kept, so that the
    // text reads back.
    if (value && scale(ctx, o, &a, &b)) {
        if (isMarginUnit(ctx, row->item))
            n = scaled(value, a * static_cast<int64_t>(ItemRawById(ctx, kItemDstResolutionW)), b * 1200);
        else
            n = scaled(value, a, b);
        if (!n) n = 1;
    }
    return decimalText(n, room, buf);
}

int32_t ExcStringToText(DrvContext* ctx, uint32_t item, int32_t room, char* buf) {
    DmItem* it = ItemFindById(ctx, static_cast<int>(item));
    if (!it) return 0;
    WCHAR wide[kExcTokenBytes] = {};
    if (!ItemGetString(ctx, it, wide, kExcTokenBytes) || !wide[0]) return 0;
    char text[kExcTokenBytes + 2] = {};
    text[0] = '"';
    StrWideToAnsi(text + 1, wide, static_cast<int>(kExcTokenBytes - 1));
    const size_t n = std::strlen(text);
    text[n] = '"';
    return ExcHandOut(text, n + 1, room, buf);
}

void ExcStringFromText(DrvContext* ctx, uint32_t item, const char* text) {
    DmItem* it = ItemFindById(ctx, static_cast<int>(item));
    if (!it || !text) return;
    WCHAR wide[kExcTokenBytes] = {};
    StrAnsiToWide(wide, text, static_cast<int>(kExcTokenBytes));
    ItemSetString(ctx, it, wide);
}

uint32_t ExcModelTextToValue(DrvContext* ctx, const ExcCommandEntry* row, const ExcModelOption& o, const char* text) {
    switch (row->valueFormat) {
    case kExcTypeEnum: return ExcEnumNameToValue(ctx, o, text);
    case kExcTypeBool: return ExcBoolNameToValue(ctx, o, text);
    case kExcTypeNumber: return ExcNumberFromText(ctx, row, o, text);
    default: return 0;
    }
}

int32_t ExcModelValueToText(DrvContext* ctx, const ExcCommandEntry* row, const ExcModelOption& o, uint32_t value,
                            int32_t room, char* buf) {
    switch (row->valueFormat) {
    case kExcTypeEnum: return ExcEnumValueToName(ctx, o, value, room, buf);
    case kExcTypeBool: return ExcBoolValueToName(ctx, o, value, room, buf);
    case kExcTypeNumber: return ExcNumberToText(ctx, row, o, value, room, buf);
    case kExcTypeString: return ExcStringToText(ctx, row->item, room, buf);
    default: return 0;
    }
}

}  // namespace vesk
