// Compiled model image: a parse result laid out in stored form.
#include "core/model/image.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace vesk {

namespace {

// Appends little-endian fields to the growing image.
struct Writer {
    std::vector<uint8_t>& b;
    uint32_t here() const { return static_cast<uint32_t>(b.size()); }
    uint32_t reserve(uint32_t n) {
        uint32_t at = here();
        b.resize(b.size() + n, 0);
        return at;
    }
    void align() {
        while (b.size() % 4) b.push_back(0);
    }
    // The bytes are put together first and stored in one copy: stores of
    // single bytes may alias the vector's own fields, so each would reload
    // them.
    void put16(uint32_t at, uint32_t v) {
        const uint8_t t[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
        std::memcpy(b.data() + at, t, sizeof t);
    }
    void put32(uint32_t at, uint32_t v) {
        const uint8_t t[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v >> 16),
                              static_cast<uint8_t>(v >> 24)};
        std::memcpy(b.data() + at, t, sizeof t);
    }
    // A narrow string with its NUL; 0 for an empty string when `emptyIsNone`.
    uint32_t str(const std::string& s, bool emptyIsNone = true) {
        if (s.empty() && emptyIsNone) return 0;
        uint32_t at = here();
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
        align();
        return at;
    }
    uint32_t wstr(const std::u16string& s) {
        if (s.empty()) return 0;
        uint32_t at = here();
        for (char16_t c : s) {
            b.push_back(static_cast<uint8_t>(c));
            b.push_back(static_cast<uint8_t>(c >> 8));
        }
        b.push_back(0);
        b.push_back(0);
        align();
        return at;
    }
};

// First record offset of each rule number per section. A rule whose list is
// empty has no records and is left out, so references to it become 0.
class RuleMap {
public:
    void emplace(uint16_t number, uint32_t at) { placed_.push_back({number, at}); }
    uint32_t find(uint16_t number) {
        if (number == 0) return 0;
        uint32_t i = index_.find(number, placed_.size(), [&](size_t k) { return placed_[k].number; });
        return i ? placed_[i - 1].at : 0;  // the first rule of a number wins
    }

private:
    struct Placed {
        uint16_t number;
        uint32_t at;
    };
    std::vector<Placed> placed_;
    MdlFirstIndex index_;
};

struct Layout {
    RuleMap judge, item, action, transact, alertAction, alert;
};

uint32_t find(RuleMap& m, uint16_t number) { return m.find(number); }

template <class Entry>
void placeRules(const std::vector<MdlRule<Entry>>& rules, uint32_t recSize, uint32_t& at, RuleMap& map) {
    for (const auto& rule : rules) {
        if (rule.entries.empty()) continue;
        map.emplace(rule.number, at);
        at += recSize * static_cast<uint32_t>(rule.entries.size());
    }
}

// Writes the entries of every rule of a section as linked lists with tagged
// links; `fill` writes an entry's fields.
template <class Entry, class Fill>
void writeRules(Writer& w, const std::vector<MdlRule<Entry>>& rules, uint32_t recSize, Fill fill) {
    for (const auto& rule : rules) {
        for (size_t i = 0; i < rule.entries.size(); ++i) {
            uint32_t at = w.reserve(recSize);
            if (i + 1 < rule.entries.size()) w.put32(at, MdlTag(at + recSize));
            fill(at, rule.entries[i]);
        }
    }
}

uint32_t writeCommandList(Writer& w, const MdlParseResult& r, Layout& lay, const MdlCommandList& list,
                          int depth);

uint32_t writeNodes(Writer& w, const MdlParseResult& r, Layout& lay, const std::vector<MdlCommandNode>& nodes,
                    int depth) {
    uint32_t head = 0, prev = 0;
    for (const MdlCommandNode& n : nodes) {
        uint32_t at = 0;
        switch (n.kind) {
        case 1:
            at = w.reserve(kMdlNodeOptionSize);
            w.put16(at + kMdlNodeOptionKey, n.optionKey);
            w.put16(at + kMdlNodeNumber, static_cast<uint16_t>(n.number));
            break;
        case 2: {
            const MdlCommandString* cs = MdlFindCommandString(r, n.stringNumber);
            uint32_t text = cs ? w.str(cs->text, false) : 0;
            at = w.reserve(kMdlNodeTextSize);
            if (cs) {
                w.put32(at + kMdlNodeTextLength, static_cast<uint32_t>(cs->text.size() + 1));
                w.put32(at + kMdlNodeText, text);
            }
            break;
        }
        case 3: {
            uint32_t nested = n.nested ? writeCommandList(w, r, lay, *n.nested, depth + 1) : 0;
            at = w.reserve(kMdlNodeNestedSize);
            w.put32(at + kMdlNodeNested, nested);
            break;
        }
        default:
            at = w.reserve(kMdlNodeSize);
            break;
        }
        w.put16(at + kMdlNodeKind, n.kind);
        if (prev) w.put32(prev, at);
        else head = at;
        prev = at;
    }
    return head;
}

uint32_t writeCommandList(Writer& w, const MdlParseResult& r, Layout& lay, const MdlCommandList& list,
                          int depth) {
    // The reader builds ElseIf chains of bounded depth; a deeper nesting is
    // cut here so writing (and later reading) stays bounded.
    if (depth > 64) return 0;
    uint32_t first = writeNodes(w, r, lay, list.first, depth);
    uint32_t second = writeNodes(w, r, lay, list.second, depth);
    uint32_t at = w.reserve(kMdlImgCommandListSize);
    w.put32(at + kMdlListCond, MdlTag(find(lay.judge, list.condition)));
    w.put32(at + kMdlListFirst, first);
    w.put32(at + kMdlListSecond, second);
    return at;
}

// Writes the value storage of an option that owns its values; returns the
// offset for the option's +24.
uint32_t writeValues(Writer& w, const MdlOption& o) {
    uint16_t base = MdlBaseType(o.type);
    if (MdlIsListType(base)) {
        uint32_t recSize = MdlValueRecordSize(base);
        uint32_t head = 0, prev = 0;
        for (const MdlValue& v : o.values) {
            uint32_t cmd = w.str(v.command);
            uint32_t extra1 = 0, extra2 = 0;
            if (base == kMdlPickPage) {
                uint32_t pprev = 0;
                for (const MdlPageRecord& p : v.pages) {
                    uint32_t at = w.reserve(kMdlImgPageSize);
                    w.put16(at + kMdlPageResolution, p.resolution);
                    w.put16(at + kMdlPageOrientation, p.orientation);
                    w.put16(at + kMdlPageCondKey, p.condKey);
                    w.put16(at + kMdlPageCondValue, p.condValue);
                    const int32_t f[6] = {p.x, p.y, p.width, p.height, p.further1, p.further2};
                    for (int i = 0; i < 6; ++i) w.put32(at + kMdlPageNumbers + 4 * i, static_cast<uint32_t>(f[i]));
                    if (pprev) w.put32(pprev, at);
                    else extra1 = at;
                    pprev = at;
                }
            } else if (base == kMdlPickSlot && !v.slotPapers.empty()) {
                extra1 = w.reserve(static_cast<uint32_t>(2 * v.slotPapers.size()));
                for (size_t i = 0; i < v.slotPapers.size(); ++i) w.put16(extra1 + 2 * static_cast<uint32_t>(i), v.slotPapers[i]);
                w.align();
            } else if (base == kMdlFontTbl && !v.fontTrueType.empty()) {
                size_t n = v.fontTrueType.size();
                std::vector<uint32_t> s1(n), s2(n);
                for (size_t i = 0; i < n; ++i) {
                    s1[i] = w.str(v.fontTrueType[i], false);
                    s2[i] = w.str(i < v.fontDevice.size() ? v.fontDevice[i] : std::string(), false);
                }
                extra1 = w.reserve(static_cast<uint32_t>(4 * n));
                extra2 = w.reserve(static_cast<uint32_t>(4 * n));
                for (size_t i = 0; i < n; ++i) {
                    w.put32(extra1 + 4 * static_cast<uint32_t>(i), s1[i]);
                    w.put32(extra2 + 4 * static_cast<uint32_t>(i), s2[i]);
                }
            }
            uint32_t at = w.reserve(recSize);
            w.put16(at + kMdlValId, v.valueId);
            w.put32(at + kMdlValCommand, cmd);
            if (base == kMdlPickPage) {
                w.put32(at + kMdlValSize1, static_cast<uint32_t>(v.size1));
                w.put32(at + kMdlValSize2, static_cast<uint32_t>(v.size2));
                w.put32(at + kMdlValPages, extra1);
            } else if (base == kMdlPickSlot) {
                w.put32(at + kMdlValCount, static_cast<uint32_t>(v.slotPapers.size()));
                w.put32(at + kMdlValArray1, extra1);
            } else if (base == kMdlFontTbl) {
                w.put32(at + kMdlValCount, static_cast<uint32_t>(v.fontTrueType.size()));
                w.put32(at + kMdlValArray1, extra1);
                w.put32(at + kMdlValArray2, extra2);
            }
            if (prev) w.put32(prev, at);
            else head = at;
            prev = at;
        }
        return head;
    }
    if (base == kMdlBoolean) {
        uint32_t t = w.str(o.boolean.trueCommand), f = w.str(o.boolean.falseCommand);
        uint32_t at = w.reserve(kMdlBoolBlockSize);
        w.put32(at + kMdlBoolDefault, static_cast<uint32_t>(o.boolean.defaultValue));
        w.put32(at + kMdlBoolTrue, t);
        w.put32(at + kMdlBoolFalse, f);
        return at;
    }
    if (base == kMdlNumeric) {
        const MdlNumericBlock& n = o.numeric;
        uint32_t at = w.reserve(kMdlNumBlockSize);
        const int16_t h[6] = {n.f0, n.f2, n.f4, n.f6, n.f8, n.f10};
        for (int i = 0; i < 6; ++i) w.put16(at + 2 * i, static_cast<uint16_t>(h[i]));
        w.put32(at + kMdlNumDefault, static_cast<uint32_t>(n.defaultValue));
        w.put32(at + kMdlNumMinimum, static_cast<uint32_t>(n.minimum));
        w.put32(at + kMdlNumMaximum, static_cast<uint32_t>(n.maximum));
        return at;
    }
    if (base == kMdlString) {
        uint32_t at = w.reserve(kMdlStrBlockSize);
        const int16_t h[4] = {o.string.defaultId, o.string.maxLength, o.string.charKind, o.string.display};
        for (int i = 0; i < 4; ++i) w.put16(at + 2 * i, static_cast<uint16_t>(h[i]));
        return at;
    }
    return 0;  // a type without values
}

void serialize(const MdlParseResult& r, std::vector<uint8_t>& out) {
    // A guess at the image's size from what it holds, so the block is seldom
    // moved while it grows.
    size_t guess = kMdlHeaderSize + 32 * r.exclusive.size() + 48 * r.options.size();
    for (const MdlJudge& j : r.judges) guess += 4 * j.program.size();
    for (const MdlCommandString& c : r.commandStrings) guess += c.text.size() + 20;
    for (const MdlOption& o : r.options) guess += 40 * o.values.size();
    guess += 16 * (r.items.size() + r.actions.size() + r.transacts.size() + r.alertActions.size() + r.alerts.size());
    out.clear();
    try {
        out.reserve(std::min<size_t>(guess + guess / 4, kMdlImageMaxSize));
    } catch (const std::bad_alloc&) {
        // Only a hint: the block then grows as it is written.
    }
    out.assign(kMdlHeaderSize, 0);
    Writer w{out};

    // Rule area: offsets first (references may point anywhere in it), then
    // the records.
    Layout lay;
    uint32_t at = kMdlHeaderSize;
    for (const MdlJudge& j : r.judges) {
        if (j.program.empty()) continue;
        lay.judge.emplace(j.number, at);
        at += 4 * static_cast<uint32_t>(j.program.size());
    }
    placeRules(r.items, kMdlImgItemSize, at, lay.item);
    placeRules(r.actions, kMdlImgPairSize, at, lay.action);
    placeRules(r.transacts, kMdlImgPairSize, at, lay.transact);
    placeRules(r.alertActions, kMdlImgPairSize, at, lay.alertAction);
    placeRules(r.alerts, kMdlImgAlertSize, at, lay.alert);

    auto tag = [&](RuleMap& m, uint16_t n) { return MdlTag(find(m, n)); };
    for (const MdlJudge& j : r.judges)
        for (const MdlCondCell& c : j.program) {
            uint32_t p = w.reserve(kMdlCellSize);
            w.put16(p + kMdlCellKind, c.kind);
            w.put16(p + kMdlCellValue, c.value);
        }
    writeRules(w, r.items, kMdlImgItemSize, [&](uint32_t p, const MdlItemEntry& e) {
        w.put32(p + kMdlItemValueId, e.valueId);
        w.put32(p + kMdlItemCond1, tag(lay.judge, e.judge1));
        w.put32(p + kMdlItemCond2, tag(lay.judge, e.judge2));
    });
    writeRules(w, r.actions, kMdlImgPairSize, [&](uint32_t p, const MdlActionPair& e) {
        w.put16(p + kMdlActionTarget, e.targetId);
        w.put16(p + kMdlActionKind, e.targetKind);
        w.put32(p + kMdlActionValue, e.value);
    });
    writeRules(w, r.transacts, kMdlImgPairSize, [&](uint32_t p, const MdlTransactPair& e) {
        w.put32(p + kMdlTransactCond, tag(lay.judge, e.judge));
        w.put32(p + kMdlTransactActions, tag(lay.action, e.action));
    });
    writeRules(w, r.alertActions, kMdlImgPairSize, [&](uint32_t p, const MdlAlertActionPair& e) {
        w.put16(p + kMdlAnswerKey, e.optionKey);
        w.put32(p + kMdlAnswerTransact, tag(lay.transact, e.transact));
    });
    writeRules(w, r.alerts, kMdlImgAlertSize, [&](uint32_t p, const MdlAlertEntry& e) {
        w.put32(p + kMdlAlertCond, tag(lay.judge, e.judge));
        w.put16(p + kMdlAlertMessage, e.messageKey);
        w.put16(p + kMdlAlertIcon, static_cast<uint16_t>(e.icon));
        w.put16(p + kMdlAlertButtons, static_cast<uint16_t>(e.buttons));
        w.put16(p + kMdlAlertMode, static_cast<uint16_t>(e.mode));
        w.put32(p + kMdlAlertActions, tag(lay.alertAction, e.alertAction));
    });
    // Exclusive rows are laid out even when no other rule exists, so every
    // option's rule record stays meaningful.
    uint32_t exclusive = 0;
    for (size_t i = 0; i < r.exclusive.size(); ++i) {
        const MdlExclusiveRow& e = r.exclusive[i];
        uint32_t p = w.reserve(kMdlImgExclusiveSize);
        if (i == 0) exclusive = p;
        if (i + 1 < r.exclusive.size()) w.put32(p + kMdlNext, p + kMdlImgExclusiveSize);
        w.put16(p + kMdlRuleKey, e.optionKey);
        w.put32(p + kMdlRuleCond1, tag(lay.judge, e.judge1));
        w.put32(p + kMdlRuleCond2, tag(lay.judge, e.judge2));
        w.put32(p + kMdlRuleValues, tag(lay.item, e.item));
        w.put32(p + kMdlRuleAlerts, tag(lay.alert, e.alert));
        w.put32(p + kMdlRuleTransact1, tag(lay.transact, e.transact1));
        w.put32(p + kMdlRuleTransact2, tag(lay.transact, e.transact2));
    }

    // Option area. Options that use another option's values come first in
    // the list; their value field points to the owner's storage, so owners
    // are written before the records that share them.
    std::vector<uint32_t> owner(r.options.size());
    for (size_t i = 0; i < r.options.size(); ++i)
        owner[i] = static_cast<uint32_t>(&MdlValuesOwner(r, r.options[i]) - r.options.data());
    std::vector<size_t> order;
    order.reserve(r.options.size());
    for (size_t i = 0; i < r.options.size(); ++i)
        if (owner[i] != i) order.push_back(i);
    for (size_t i = 0; i < r.options.size(); ++i)
        if (owner[i] == i) order.push_back(i);
    std::vector<uint32_t> values(r.options.size(), 0), record(r.options.size(), 0);
    for (size_t i = 0; i < r.options.size(); ++i)
        if (owner[i] == i) values[i] = writeValues(w, r.options[i]);
    MdlFirstIndex rowOfKey;
    uint32_t prev = 0;
    for (size_t i : order) {
        const MdlOption& o = r.options[i];
        uint32_t pair = 0;
        if (o.hasCommands) {
            uint32_t pre = w.str(o.prefix), suf = w.str(o.suffix);
            pair = w.reserve(kMdlCommandPairSize);
            w.put32(pair + kMdlPairPrefix, pre);
            w.put32(pair + kMdlPairSuffix, suf);
        }
        uint32_t ownerValues = values[owner[i]];
        uint32_t p = w.reserve(kMdlImgOptionSize);
        record[i] = p;
        w.put16(p + kMdlOptKey, o.key);
        w.put16(p + kMdlOptSub, o.subNumber ? o.subNumber : o.identityKey);
        w.put16(p + kMdlOptId, o.optionId);
        w.put16(p + kMdlOptType, o.type);
        w.put16(p + kMdlOptSelection, o.selection);
        w.put32(p + kMdlOptCommands, pair);
        if (uint32_t x = rowOfKey.find(o.key, r.exclusive.size(), [&](size_t k) { return r.exclusive[k].optionKey; }))
            w.put32(p + kMdlOptRule, exclusive + kMdlImgExclusiveSize * (x - 1));
        w.put32(p + kMdlOptValues, ownerValues);
        if (prev) w.put32(prev, p);
        else w.put32(MdlSlotOffset(0), p);
        prev = p;
    }
    for (int s = 1; s < kMdlSlotResourceDll; ++s) {
        uint32_t idx = r.optionSlots[static_cast<size_t>(s)];
        if (idx && idx <= r.options.size()) w.put32(MdlSlotOffset(s), record[idx - 1]);
    }

    // String area: command strings are written beside the nodes that use
    // them; the library names, command lists and fonts follow.
    w.put32(MdlSlotOffset(kMdlSlotResourceDll), w.wstr(r.resourceDll));
    w.put32(MdlSlotOffset(kMdlSlotConstraintDll), w.wstr(r.constraintDll));
    for (int g = 0; g < 5; ++g)
        if (r.groups[static_cast<size_t>(g)])
            w.put32(MdlSlotOffset(kMdlSlotJobStart + g), writeCommandList(w, r, lay, *r.groups[static_cast<size_t>(g)], 0));
    auto fonts = [&](const std::vector<MdlFont>& list, int countSlot) {
        if (list.empty()) return;
        std::vector<uint32_t> entries;
        for (const MdlFont& f : list) {
            uint32_t name = w.str(f.name, false);
            uint32_t e = w.reserve(kMdlFontEntrySize);
            w.put32(e + kMdlFontNumber, static_cast<uint32_t>(f.number));
            w.put32(e + kMdlFontName, name);
            entries.push_back(e);
        }
        uint32_t arr = w.reserve(4 * static_cast<uint32_t>(entries.size()));
        for (size_t i = 0; i < entries.size(); ++i) w.put32(arr + 4 * static_cast<uint32_t>(i), entries[i]);
        w.put32(MdlSlotOffset(countSlot), static_cast<uint32_t>(list.size()));
        w.put32(MdlSlotOffset(countSlot + 1), arr);
    };
    fonts(r.deviceFonts, kMdlSlotDeviceFontCount);
    fonts(r.cartridgeFonts, kMdlSlotCartridgeFontCount);

    // FileVersion up to its NUL (at most 15 units); the rest stays zero, so
    // the same description always gives the same bytes whatever the parse
    // left behind the terminator.
    for (int i = 0; i < 15 && r.fileVersion[i]; ++i) w.put16(kMdlImgFileVersion + 2 * i, r.fileVersion[i]);
    w.put32(MdlSlotOffset(kMdlSlotExclusive), exclusive);
    w.put32(kMdlImgTotalSize, w.here());
}

}  // namespace

bool MdlSerializeImage(const MdlParseResult& r, std::vector<uint8_t>& out) {
    try {
        serialize(r, out);
        if (out.size() > kMdlImageMaxSize) {
            out.clear();
            return false;
        }
        return true;
    } catch (const std::bad_alloc&) {
        out.clear();
        return false;
    } catch (const std::length_error&) {
        out.clear();
        return false;
    }
}

}  // namespace vesk
