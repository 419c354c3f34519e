// Compiled model image: layout, relocation and checked reading.
#include "core/model/image.h"

#include <cstring>
#include <map>
#include <unordered_map>
#include <new>

#include "core/context.h"
#include "core/model/cache.h"
#include "core/sysdeps.h"
#include "core/wstr.h"

namespace vesk {

// ---- View ----

bool MdlImageView::u8(uint32_t offset, uint8_t* out) const {
    *out = 0;
    if (!inside(offset, 1)) return false;
    *out = base_[offset];
    return true;
}
bool MdlImageView::u16(uint32_t offset, uint16_t* out) const {
    *out = 0;
    if (!inside(offset, 2)) return false;
    *out = static_cast<uint16_t>(base_[offset] | (base_[offset + 1] << 8));
    return true;
}
bool MdlImageView::i16(uint32_t offset, int16_t* out) const {
    uint16_t v;
    bool ok = u16(offset, &v);
    *out = static_cast<int16_t>(v);
    return ok;
}
bool MdlImageView::u32(uint32_t offset, uint32_t* out) const {
    *out = 0;
    if (!inside(offset, 4)) return false;
    const uint8_t* p = base_ + offset;
    *out = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
    return true;
}
bool MdlImageView::i32(uint32_t offset, int32_t* out) const {
    uint32_t v;
    bool ok = u32(offset, &v);
    *out = static_cast<int32_t>(v);
    return ok;
}
bool MdlImageView::link(uint32_t offset, uint32_t length, uint32_t* out) const {
    uint32_t v;
    *out = 0;
    if (!u32(offset, &v)) return false;
    if (v == 0) return true;
    // Records lie past the header; a tagged value was never relocated.
    if (MdlIsTagged(v) || v < kMdlHeaderSize || !inside(v, length)) return false;
    *out = v;
    return true;
}
bool MdlImageView::str(uint32_t offset, std::string_view* out) const {
    *out = {};
    if (offset < kMdlHeaderSize || !inside(offset, 1)) return false;
    for (size_t i = offset; i < size_; ++i)
        if (base_[i] == 0) {
            *out = std::string_view(reinterpret_cast<const char*>(base_ + offset), i - offset);
            return true;
        }
    return false;
}
bool MdlImageView::wstr(uint32_t offset, std::u16string* out) const {
    out->clear();
    if (offset < kMdlHeaderSize) return false;
    std::u16string s;
    for (uint32_t at = offset;; at += 2) {
        uint16_t c;
        if (!u16(at, &c)) return false;
        if (c == 0) break;
        s.push_back(static_cast<char16_t>(c));
    }
    *out = std::move(s);
    return true;
}
bool MdlImageView::slot(int n, uint32_t* out) const {
    *out = 0;
    if (n < 0 || n >= kMdlSlotCount) return false;
    return u32(MdlSlotOffset(n), out);
}

MdlListWalk::MdlListWalk(const MdlImageView& view, uint32_t head, uint32_t recordSize)
    : view_(view), cur_(head), size_(recordSize) {
    // A list of distinct records cannot hold more records than fit in the
    // block; one more step means a cycle.
    budget_ = static_cast<uint32_t>(view.size() / (recordSize ? recordSize : 1)) + 1;
}

bool MdlListWalk::next(uint32_t* out) {
    *out = 0;
    if (failed_ || cur_ == 0) return false;
    if (budget_-- == 0 || MdlIsTagged(cur_) || cur_ < kMdlHeaderSize || !view_.inside(cur_, size_)) {
        failed_ = true;
        return false;
    }
    *out = cur_;
    uint32_t nxt;
    view_.u32(cur_, &nxt);
    cur_ = nxt;
    return true;
}

// ---- Writer ----

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
    void put16(uint32_t at, uint32_t v) {
        b[at] = static_cast<uint8_t>(v);
        b[at + 1] = static_cast<uint8_t>(v >> 8);
    }
    void put32(uint32_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
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
using RuleMap = std::map<uint16_t, uint32_t>;

struct Layout {
    RuleMap judge, item, action, transact, alertAction, alert;
};

uint32_t find(const RuleMap& m, uint16_t number) {
    if (number == 0) return 0;
    auto it = m.find(number);
    return it == m.end() ? 0 : it->second;
}

template <class Entry>
void placeRules(const std::vector<MdlRule<Entry>>& rules, uint32_t recSize, uint32_t& at, RuleMap& map) {
    for (const auto& rule : rules) {
        if (rule.entries.empty()) continue;
        map.emplace(rule.number, at);  // the first rule of a number wins
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

uint32_t writeCommandList(Writer& w, const MdlParseResult& r, const Layout& lay, const MdlCommandList& list,
                          int depth);

uint32_t writeNodes(Writer& w, const MdlParseResult& r, const Layout& lay, const std::vector<MdlCommandNode>& nodes,
                    int depth) {
    uint32_t head = 0, prev = 0;
    for (const MdlCommandNode& n : nodes) {
        uint32_t at = 0;
        switch (n.kind) {
        case 1:
            at = w.reserve(12);
            w.put16(at + 6, n.optionKey);
            w.put16(at + 8, static_cast<uint16_t>(n.number));
            break;
        case 2: {
            const MdlCommandString* cs = MdlFindCommandString(r, n.stringNumber);
            uint32_t text = cs ? w.str(cs->text, false) : 0;
            at = w.reserve(16);
            if (cs) {
                w.put32(at + 8, static_cast<uint32_t>(cs->text.size() + 1));
                w.put32(at + 12, text);
            }
            break;
        }
        case 3: {
            uint32_t nested = n.nested ? writeCommandList(w, r, lay, *n.nested, depth + 1) : 0;
            at = w.reserve(12);
            w.put32(at + 8, nested);
            break;
        }
        default:
            at = w.reserve(8);
            break;
        }
        w.put16(at + 4, n.kind);
        if (prev) w.put32(prev, at);
        else head = at;
        prev = at;
    }
    return head;
}

uint32_t writeCommandList(Writer& w, const MdlParseResult& r, const Layout& lay, const MdlCommandList& list,
                          int depth) {
    // The reader builds ElseIf chains of bounded depth; a deeper nesting is
    // cut here so writing (and later reading) stays bounded.
    if (depth > 64) return 0;
    uint32_t first = writeNodes(w, r, lay, list.first, depth);
    uint32_t second = writeNodes(w, r, lay, list.second, depth);
    uint32_t at = w.reserve(kMdlImgCommandListSize);
    w.put32(at, MdlTag(find(lay.judge, list.condition)));
    w.put32(at + 4, first);
    w.put32(at + 8, second);
    return at;
}

// Writes the value storage of an option that owns its values; returns the
// offset for the option's +24.
uint32_t writeValues(Writer& w, const MdlOption& o) {
    uint16_t base = MdlBaseType(o.type);
    if (MdlIsListType(base)) {
        uint32_t recSize = base == kMdlPickSlot ? 20 : (base == kMdlPickPage || base == kMdlFontTbl) ? 24 : 12;
        uint32_t head = 0, prev = 0;
        for (const MdlValue& v : o.values) {
            uint32_t cmd = w.str(v.command);
            uint32_t extra1 = 0, extra2 = 0;
            if (base == kMdlPickPage) {
                uint32_t pprev = 0;
                for (const MdlPageRecord& p : v.pages) {
                    uint32_t at = w.reserve(kMdlImgPageSize);
                    w.put16(at + 4, p.resolution);
                    w.put16(at + 6, p.orientation);
                    w.put16(at + 8, p.condKey);
                    w.put16(at + 10, p.condValue);
                    const int32_t f[6] = {p.x, p.y, p.width, p.height, p.further1, p.further2};
                    for (int i = 0; i < 6; ++i) w.put32(at + 12 + 4 * i, static_cast<uint32_t>(f[i]));
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
            w.put16(at + 4, v.valueId);
            w.put32(at + 8, cmd);
            if (base == kMdlPickPage) {
                w.put32(at + 12, static_cast<uint32_t>(v.size1));
                w.put32(at + 16, static_cast<uint32_t>(v.size2));
                w.put32(at + 20, extra1);
            } else if (base == kMdlPickSlot) {
                w.put32(at + 12, static_cast<uint32_t>(v.slotPapers.size()));
                w.put32(at + 16, extra1);
            } else if (base == kMdlFontTbl) {
                w.put32(at + 12, static_cast<uint32_t>(v.fontTrueType.size()));
                w.put32(at + 16, extra1);
                w.put32(at + 20, extra2);
            }
            if (prev) w.put32(prev, at);
            else head = at;
            prev = at;
        }
        return head;
    }
    if (base == kMdlBoolean) {
        uint32_t t = w.str(o.boolean.trueCommand), f = w.str(o.boolean.falseCommand);
        uint32_t at = w.reserve(12);
        w.put32(at, static_cast<uint32_t>(o.boolean.defaultValue));
        w.put32(at + 4, t);
        w.put32(at + 8, f);
        return at;
    }
    if (base == kMdlNumeric) {
        const MdlNumericBlock& n = o.numeric;
        uint32_t at = w.reserve(24);
        const int16_t h[6] = {n.f0, n.f2, n.f4, n.f6, n.f8, n.f10};
        for (int i = 0; i < 6; ++i) w.put16(at + 2 * i, static_cast<uint16_t>(h[i]));
        w.put32(at + 12, static_cast<uint32_t>(n.defaultValue));
        w.put32(at + 16, static_cast<uint32_t>(n.minimum));
        w.put32(at + 20, static_cast<uint32_t>(n.maximum));
        return at;
    }
    if (base == kMdlString) {
        uint32_t at = w.reserve(8);
        const int16_t h[4] = {o.string.defaultId, o.string.maxLength, o.string.charKind, o.string.display};
        for (int i = 0; i < 4; ++i) w.put16(at + 2 * i, static_cast<uint16_t>(h[i]));
        return at;
    }
    return 0;  // a type without values
}

void serialize(const MdlParseResult& r, std::vector<uint8_t>& out) {
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

    auto tag = [&](const RuleMap& m, uint16_t n) { return MdlTag(find(m, n)); };
    for (const MdlJudge& j : r.judges)
        for (const MdlCondCell& c : j.program) {
            uint32_t p = w.reserve(4);
            w.put16(p, c.kind);
            w.put16(p + 2, c.value);
        }
    writeRules(w, r.items, kMdlImgItemSize, [&](uint32_t p, const MdlItemEntry& e) {
        w.put32(p + 4, e.valueId);
        w.put32(p + 8, tag(lay.judge, e.judge1));
        w.put32(p + 12, tag(lay.judge, e.judge2));
    });
    writeRules(w, r.actions, kMdlImgPairSize, [&](uint32_t p, const MdlActionPair& e) {
        w.put16(p + 4, e.targetId);
        w.put16(p + 6, e.targetKind);
        w.put32(p + 8, e.value);
    });
    writeRules(w, r.transacts, kMdlImgPairSize, [&](uint32_t p, const MdlTransactPair& e) {
        w.put32(p + 4, tag(lay.judge, e.judge));
        w.put32(p + 8, tag(lay.action, e.action));
    });
    writeRules(w, r.alertActions, kMdlImgPairSize, [&](uint32_t p, const MdlAlertActionPair& e) {
        w.put16(p + 4, e.optionKey);
        w.put32(p + 8, tag(lay.transact, e.transact));
    });
    writeRules(w, r.alerts, kMdlImgAlertSize, [&](uint32_t p, const MdlAlertEntry& e) {
        w.put32(p + 4, tag(lay.judge, e.judge));
        w.put16(p + 8, e.messageKey);
        w.put16(p + 10, static_cast<uint16_t>(e.icon));
        w.put16(p + 12, static_cast<uint16_t>(e.buttons));
        w.put16(p + 14, static_cast<uint16_t>(e.mode));
        w.put32(p + 16, tag(lay.alertAction, e.alertAction));
    });
    // Exclusive rows are laid out even when no other rule exists, so every
    // option's rule record stays meaningful.
    uint32_t exclusive = 0;
    for (size_t i = 0; i < r.exclusive.size(); ++i) {
        const MdlExclusiveRow& e = r.exclusive[i];
        uint32_t p = w.reserve(kMdlImgExclusiveSize);
        if (i == 0) exclusive = p;
        if (i + 1 < r.exclusive.size()) w.put32(p, p + kMdlImgExclusiveSize);
        w.put16(p + 4, e.optionKey);
        w.put32(p + 8, tag(lay.judge, e.judge1));
        w.put32(p + 12, tag(lay.judge, e.judge2));
        w.put32(p + 16, tag(lay.item, e.item));
        w.put32(p + 20, tag(lay.alert, e.alert));
        w.put32(p + 24, tag(lay.transact, e.transact1));
        w.put32(p + 28, tag(lay.transact, e.transact2));
    }

    // Option area. Options that use another option's values come first in
    // the list; their value field points to the owner's storage, so owners
    // are written before the records that share them.
    std::vector<size_t> order;
    for (size_t i = 0; i < r.options.size(); ++i)
        if (&MdlValuesOwner(r, r.options[i]) != &r.options[i]) order.push_back(i);
    for (size_t i = 0; i < r.options.size(); ++i)
        if (&MdlValuesOwner(r, r.options[i]) == &r.options[i]) order.push_back(i);
    std::vector<uint32_t> values(r.options.size(), 0), record(r.options.size(), 0);
    for (size_t i = 0; i < r.options.size(); ++i)
        if (&MdlValuesOwner(r, r.options[i]) == &r.options[i]) values[i] = writeValues(w, r.options[i]);
    uint32_t prev = 0;
    for (size_t i : order) {
        const MdlOption& o = r.options[i];
        uint32_t pair = 0;
        if (o.hasCommands) {
            uint32_t pre = w.str(o.prefix), suf = w.str(o.suffix);
            pair = w.reserve(8);
            w.put32(pair, pre);
            w.put32(pair + 4, suf);
        }
        const MdlOption& owner = MdlValuesOwner(r, o);
        uint32_t ownerValues = values[static_cast<size_t>(&owner - r.options.data())];
        uint32_t p = w.reserve(kMdlImgOptionSize);
        record[i] = p;
        w.put16(p + 4, o.key);
        w.put16(p + 6, o.subNumber ? o.subNumber : o.identityKey);
        w.put16(p + 8, o.optionId);
        w.put16(p + 10, o.type);
        w.put16(p + 12, o.selection);
        w.put32(p + 16, pair);
        for (size_t x = 0; x < r.exclusive.size(); ++x)
            if (r.exclusive[x].optionKey == o.key) {
                w.put32(p + 20, exclusive + kMdlImgExclusiveSize * static_cast<uint32_t>(x));
                break;
            }
        w.put32(p + 24, ownerValues);
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
            uint32_t e = w.reserve(8);
            w.put32(e, static_cast<uint32_t>(f.number));
            w.put32(e + 4, name);
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

// ---- Relocation ----

struct Relocator {
    uint8_t* b;
    MdlImageView v;
    bool ok = true;
    // Command lists and their nodes (8 bytes or more each) may be reached
    // once each: one budget for the whole image, so lists that several nodes
    // name cannot make the work grow beyond the image's size.
    uint32_t commandSteps = static_cast<uint32_t>(v.size() / 8);

    uint32_t get(uint32_t at) {
        uint32_t x;
        if (!v.u32(at, &x)) ok = false;
        return x;
    }
    void set(uint32_t at, uint32_t x) {
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(x >> (8 * i));
    }
    // Converts the field at `at` when it is tagged; returns whether it was
    // (and so whether what it names still needs converting).
    bool convert(uint32_t at, uint32_t length) {
        uint32_t x = get(at);
        if (!ok || !MdlIsTagged(x)) return false;
        uint32_t off = x / 16;
        if (off < kMdlHeaderSize || !v.inside(off, length)) {
            ok = false;
            return false;
        }
        set(at, off);
        return true;
    }
    // Converts a list whose head field is at `headAt`; `entry` converts the
    // references of one record. The walk stops at a link already plain: the
    // rest of that list was converted before, so shared lists are converted
    // once and every step clears one tag, which bounds the walk.
    template <class Entry>
    void list(uint32_t headAt, uint32_t recSize, Entry entry) {
        uint32_t at = headAt;
        while (ok && convert(at, recSize)) {
            uint32_t rec = get(at);
            entry(rec);
            at = rec;  // its next link is at +0
        }
    }
    void transacts(uint32_t headAt) {
        list(headAt, kMdlImgPairSize, [&](uint32_t rec) {
            convert(rec + 4, 4);
            list(rec + 8, kMdlImgPairSize, [](uint32_t) {});
        });
    }
    void commandList(uint32_t at, int depth) {
        if (!ok || at == 0) return;
        if (commandSteps-- == 0 || depth > 64 || at < kMdlHeaderSize || !v.inside(at, kMdlImgCommandListSize)) {
            ok = false;
            return;
        }
        convert(at, 4);
        for (uint32_t head : {at + 4, at + 8}) {
            for (uint32_t n = get(head); ok && n; n = get(n)) {
                uint16_t kind;
                if (commandSteps-- == 0 || n < kMdlHeaderSize || !v.inside(n, 8) || !v.u16(n + 4, &kind)) {
                    ok = false;
                    return;
                }
                if (kind == 3) commandList(get(n + 8), depth + 1);
            }
        }
    }
};

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

bool MdlRelocateImage(uint8_t* block, size_t size) {
    if (!block || size < kMdlHeaderSize || size > kMdlImageMaxSize) return false;
    Relocator rl{block, MdlImageView(block, size)};
    if (rl.get(kMdlImgTotalSize) != size) return false;
    // Plain offsets of the option and string areas need no change; the
    // Exclusive rows and everything reachable from them, and the command
    // lists' conditions, are converted.
    uint32_t budget = static_cast<uint32_t>(size / kMdlImgExclusiveSize) + 1;
    uint32_t row = rl.get(MdlSlotOffset(kMdlSlotExclusive));
    while (rl.ok && row) {
        if (budget-- == 0 || MdlIsTagged(row) || row < kMdlHeaderSize || !rl.v.inside(row, kMdlImgExclusiveSize))
            return false;
        rl.convert(row + 8, 4);
        rl.convert(row + 12, 4);
        rl.list(row + 16, kMdlImgItemSize, [&](uint32_t e) {
            rl.convert(e + 8, 4);
            rl.convert(e + 12, 4);
        });
        rl.list(row + 20, kMdlImgAlertSize, [&](uint32_t e) {
            rl.convert(e + 4, 4);
            rl.list(e + 16, kMdlImgPairSize, [&](uint32_t a) { rl.transacts(a + 8); });
        });
        rl.transacts(row + 24);
        rl.transacts(row + 28);
        row = rl.get(row);
    }
    for (int g = kMdlSlotJobStart; g <= kMdlSlotPageEnd; ++g) rl.commandList(rl.get(MdlSlotOffset(g)), 0);
    return rl.ok;
}

// ---- Validation ----

namespace {

// What a list holds, for remembering which records were checked.
enum class Held : uint8_t {
    Options, PickValues, PageValues, SlotValues, FontValues, Pages, Rows, Items, Alerts, AlertActions, Transacts,
    Actions, Cells
};

struct Checker {
    const MdlImageView& v;
    bool ok = true;
    // Rule lists and programs may be shared (a Transact list of several
    // rows, the values of copied options): a record already checked as what
    // it holds is not checked again, and a list that reaches one ends there
    // (its rest was checked). Reaching a record of the walk under way is a
    // loop. So every record is checked once, whatever the sharing.
    std::unordered_map<uint64_t, uint32_t> checked;
    uint32_t walks = 0;
    // Command lists and nodes are never shared by the writer: one budget for
    // the whole image, a step per list and per node (8 bytes or more each).
    uint32_t commandSteps = static_cast<uint32_t>(v.size() / 8);

    // False when `rec` was checked before as `held` (the walk ends there);
    // a record of the walk `walk` itself is a loop and fails the image.
    bool firstVisit(Held held, uint32_t rec, uint32_t walk) {
        auto [it, fresh] = checked.try_emplace(static_cast<uint64_t>(held) << 32 | rec, walk);
        if (!fresh && it->second == walk) ok = false;
        return fresh;
    }

    uint32_t link(uint32_t at, uint32_t length) {
        uint32_t x = 0;
        if (ok && !v.link(at, length, &x)) ok = false;
        return x;
    }
    // A narrow string ends within the block when a NUL lies at or after its
    // start: one test, however many records share the string.
    uint32_t lastNul = findLastNul();
    void str(uint32_t at) {
        uint32_t s = link(at, 1);
        if (ok && s && s > lastNul) ok = false;
    }
    uint32_t findLastNul() const {
        for (size_t i = v.size(); i-- > kMdlHeaderSize;)
            if (v.data()[i] == 0) return static_cast<uint32_t>(i);
        return 0;
    }
    // Arrays (font entries, FontTbl names) and command texts are the
    // writer's own for each record that holds them: every element and every
    // text byte checked takes from a budget of the image's size.
    uint32_t arraySteps = static_cast<uint32_t>(v.size() / 4);
    uint32_t textBytes = static_cast<uint32_t>(v.size());
    bool takeArray(uint32_t count) {
        if (count > arraySteps) ok = false;
        else arraySteps -= count;
        return ok;
    }
    // Walks a list; `each` checks one record.
    template <class Each>
    void list(uint32_t headAt, uint32_t recSize, Held held, Each each) {
        uint32_t head = link(headAt, recSize);
        if (!ok) return;
        const uint32_t walk = ++walks;
        MdlListWalk records(v, head, recSize);
        for (uint32_t rec; ok && records.next(&rec);) {
            if (!firstVisit(held, rec, walk)) return;
            each(rec);
        }
        if (records.failed()) ok = false;
    }
    void program(uint32_t at) {
        uint32_t p = link(at, 4);
        if (!ok || !p) return;
        // A program ends with its end cell inside the block; cells run
        // forward, so a cell checked before leads to an end.
        const uint32_t walk = ++walks;
        for (uint32_t c = p;; c += 4) {
            if (!firstVisit(Held::Cells, c, walk)) return;
            uint16_t kind, value;
            if (!v.u16(c, &kind) || !v.u16(c + 2, &value)) {
                ok = false;
                return;
            }
            if (kind == kMdlCellOperator && value == kMdlOpEnd) return;
        }
    }
    void transacts(uint32_t at) {
        list(at, kMdlImgPairSize, Held::Transacts, [&](uint32_t t) {
            program(t + 4);
            list(t + 8, kMdlImgPairSize, Held::Actions, [](uint32_t) {});
        });
    }
    void values(uint32_t option) {
        uint16_t type;
        v.u16(option + 10, &type);
        uint16_t base = MdlBaseType(type);
        if (MdlIsListType(base)) {
            uint32_t rec = base == kMdlPickSlot ? 20 : (base == kMdlPickPage || base == kMdlFontTbl) ? 24 : 12;
            const Held held = base == kMdlPickSlot   ? Held::SlotValues
                              : base == kMdlPickPage ? Held::PageValues
                              : base == kMdlFontTbl  ? Held::FontValues
                                                     : Held::PickValues;
            list(option + 24, rec, held, [&](uint32_t val) {
                str(val + 8);
                if (base == kMdlPickPage) list(val + 20, kMdlImgPageSize, Held::Pages, [](uint32_t) {});
                uint32_t count = 0;
                v.u32(val + 12, &count);
                if (base == kMdlPickSlot && count) {
                    if (count > v.size() / 2) ok = false;
                    else link(val + 16, 2 * count);
                }
                if (base == kMdlFontTbl && count) {
                    if (count > v.size() / 4 || !takeArray(2 * count)) {
                        ok = false;
                        return;
                    }
                    for (uint32_t arrAt : {val + 16, val + 20}) {
                        uint32_t arr = link(arrAt, 4 * count);
                        for (uint32_t i = 0; ok && arr && i < count; ++i) str(arr + 4 * i);
                    }
                }
            });
        } else if (base == kMdlBoolean) {
            uint32_t b = link(option + 24, 12);
            if (ok && b) {
                str(b + 4);
                str(b + 8);
            }
        } else if (base == kMdlNumeric) {
            link(option + 24, 24);
        } else if (base == kMdlString) {
            link(option + 24, 8);
        }
    }
    void commandList(uint32_t at, int depth) {
        if (!ok || !at) return;
        if (commandSteps-- == 0 || depth > 64 || !v.inside(at, kMdlImgCommandListSize)) {
            ok = false;
            return;
        }
        program(at);
        for (uint32_t head : {at + 4, at + 8}) {
            uint32_t first = link(head, 8);
            MdlListWalk nodes(v, first, 8);
            for (uint32_t n; ok && nodes.next(&n);) {
                if (commandSteps-- == 0) {
                    ok = false;
                    return;
                }
                uint16_t kind;
                v.u16(n + 4, &kind);
                if (kind == 1 || kind == 3) link(n, 12);  // whole node inside
                if (kind == 2) {
                    uint32_t len = 0, text = 0;
                    if (!v.u32(n + 8, &len) || !v.u32(n + 12, &text)) {
                        ok = false;
                        return;
                    }
                    if (text) {
                        std::string_view s;
                        str(n + 12);
                        if (ok && (len > textBytes || !v.str(text, &s) || len != s.size() + 1)) ok = false;
                        textBytes -= ok ? len : 0;
                    }
                }
                if (kind == 3) {
                    uint32_t nested = link(n + 8, kMdlImgCommandListSize);
                    commandList(nested, depth + 1);
                }
            }
            if (nodes.failed()) ok = false;
        }
    }
    void fonts(int countSlot) {
        uint32_t count = 0, arr = 0;
        v.slot(countSlot, &count);
        if (!count) return;
        if (count > v.size() / 4 || !takeArray(count)) {
            ok = false;
            return;
        }
        arr = link(MdlSlotOffset(countSlot + 1), 4 * count);
        if (!arr) ok = false;
        for (uint32_t i = 0; ok && i < count; ++i) {
            uint32_t e = link(arr + 4 * i, 8);
            if (ok && e) str(e + 4);
        }
    }
};

}  // namespace

namespace {

bool validate(const MdlImageView& view) {
    Checker c{view};
    c.list(MdlSlotOffset(0), kMdlImgOptionSize, Held::Options, [&](uint32_t o) {
        uint32_t pair = c.link(o + 16, 8);
        if (c.ok && pair) {
            c.str(pair);
            c.str(pair + 4);
        }
        c.link(o + 20, kMdlImgExclusiveSize);
        c.values(o);
    });
    for (int s = 1; c.ok && s < kMdlSlotResourceDll; ++s) c.link(MdlSlotOffset(s), kMdlImgOptionSize);
    for (int s : {kMdlSlotResourceDll, kMdlSlotConstraintDll}) {
        uint32_t at = c.link(MdlSlotOffset(s), 2);
        std::u16string w;
        if (c.ok && at && !view.wstr(at, &w)) c.ok = false;
    }
    c.list(MdlSlotOffset(kMdlSlotExclusive), kMdlImgExclusiveSize, Held::Rows, [&](uint32_t row) {
        c.program(row + 8);
        c.program(row + 12);
        c.list(row + 16, kMdlImgItemSize, Held::Items, [&](uint32_t e) {
            c.program(e + 8);
            c.program(e + 12);
        });
        c.list(row + 20, kMdlImgAlertSize, Held::Alerts, [&](uint32_t e) {
            c.program(e + 4);
            c.list(e + 16, kMdlImgPairSize, Held::AlertActions, [&](uint32_t a) { c.transacts(a + 8); });
        });
        c.transacts(row + 24);
        c.transacts(row + 28);
    });
    for (int g = kMdlSlotJobStart; c.ok && g <= kMdlSlotPageEnd; ++g)
        c.commandList(c.link(MdlSlotOffset(g), kMdlImgCommandListSize), 0);
    c.fonts(kMdlSlotDeviceFontCount);
    c.fonts(kMdlSlotCartridgeFontCount);
    return c.ok;
}

}  // namespace

bool MdlValidateImage(const MdlImageView& view) {
    uint32_t total = 0;
    if (view.size() < kMdlHeaderSize || view.size() > kMdlImageMaxSize || !view.u32(kMdlImgTotalSize, &total) ||
        total != view.size())
        return false;
    try {
        return validate(view);
    } catch (const std::bad_alloc&) {
        return false;  // the record of what was checked did not fit
    }
}

void MdlImageVersion(const MdlImageView& view, WCHAR (&out)[kMdlVersionChars + 1]) {
    for (WCHAR& c : out) c = 0;
    for (uint32_t i = 0; i < kMdlVersionChars; ++i) {
        uint16_t c = 0;
        if (!view.u16(kMdlImgFileVersion + 2 * i, &c) || c == 0) break;
        out[i] = static_cast<WCHAR>(c);
    }
}

bool MdlVersionEquals(const WCHAR* a, const WCHAR* b) {
    // A stored FileVersion need not end within its field: each text is
    // taken to its first 16 units.
    WCHAR x[kMdlVersionChars + 1] = {}, y[kMdlVersionChars + 1] = {};
    WCopyCut(x, kMdlVersionChars + 1, a ? a : u"");
    WCopyCut(y, kMdlVersionChars + 1, b ? b : u"");
    return lstrcmpiW(x, y) == 0;
}

MdlImage* MdlCompileImage(DrvContext* ctx, const WCHAR* path, bool writeCache) {
    MdlParseResult* r = MdlLoad(path);
    if (!r) return nullptr;
    std::vector<uint8_t> stored;
    bool ok = MdlSerializeImage(*r, stored);
    MdlFree(r);
    MdlImage* image = ok ? MdlImageNew(stored.data(), stored.size()) : nullptr;
    if (!image) return nullptr;
    // The stored form is written only once the image has relocated and
    // checked out, so the cache never holds what could not be used.
    if (!MdlRelocateImage(image->block, image->size) || !MdlValidateImage(image->view())) {
        MdlImageFree(image);
        return nullptr;
    }
    if (writeCache) {
        WCHAR version[kMdlVersionChars + 1];
        MdlImageVersion(image->view(), version);
        if (!ctx || (ctx->desc && MdlVersionEquals(version, ctx->desc->driverVersionText)))
            MdlCacheWriteFile(stored.data(), stored.size(), path);
    }
    return image;
}

MdlImage* MdlImageNew(const uint8_t* bytes, size_t size) {
    if (!bytes || size == 0 || size > kMdlImageMaxSize) return nullptr;
    auto* image = static_cast<MdlImage*>(MemAllocZero(sizeof(MdlImage)));
    if (!image) return nullptr;
    image->block = static_cast<uint8_t*>(MemAllocZero(size));
    if (!image->block) {
        MemFree(image);
        return nullptr;
    }
    std::memcpy(image->block, bytes, size);
    image->size = static_cast<uint32_t>(size);
    return image;
}

void MdlImageFree(MdlImage* image) {
    if (!image) return;
    MemFree(image->block);
    MemFree(image);
}

}  // namespace vesk
