#include "header/command_record.h"

namespace vesk {

bool ImageText(const MdlImageView& view, uint32_t linkAt, std::string_view* out) {
    *out = {};
    uint32_t at = 0;
    if (!view.u32(linkAt, &at) || at == 0) return false;
    return view.str(at, out);
}

bool MdlFindCommand(const MdlImageView& view, uint16_t key, uint16_t subKey, CommandRecord* out) {
    *out = CommandRecord{};
    uint32_t head = 0;
    if (!view.slot(0, &head)) return false;
    MdlListWalk walk(view, head, kMdlImgOptionSize);
    uint32_t at = 0;
    while (walk.next(&at)) {
        uint16_t k = 0, sub = 0, type = 0;
        view.u16(at + kMdlOptKey, &k);
        view.u16(at + kMdlOptSub, &sub);
        view.u16(at + kMdlOptType, &type);
        if (k != key || (sub != subKey && !(type & kCmdAnySubKey))) continue;
        out->at = at;
        out->type = type;
        uint32_t pair = 0;
        if (view.link(at + kMdlOptCommands, kMdlCommandPairSize, &pair) && pair) {
            ImageText(view, pair + kMdlPairPrefix, &out->affixes.prefix);
            ImageText(view, pair + kMdlPairSuffix, &out->affixes.suffix);
        }
        view.u32(at + kMdlOptValues, &out->values);
        return true;
    }
    return false;
}

uint32_t FindValueRecord(const MdlImageView& view, const CommandRecord& rec, uint16_t value) {
    return MdlListFind(view, rec.values, MdlValueRecordSize(MdlBaseType(rec.type)), kMdlValId, value);
}

void NumericScale(const MdlImageView& view, const CommandRecord& rec, int64_t* multiplier, int64_t* divisor) {
    *multiplier = 1;
    *divisor = 1;
    if (MdlBaseType(rec.type) != kMdlNumeric || !rec.values || !view.inside(rec.values, kMdlNumBlockSize)) return;
    int16_t m = 0, d = 0;
    view.i16(rec.values + kMdlNumMultiplier, &m);
    view.i16(rec.values + kMdlNumDivisor, &d);
    *multiplier = m;
    *divisor = d;
}

}  // namespace vesk
