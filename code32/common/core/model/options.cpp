// Option blocks: OpenUI and CloseUI, defaults, value statements and lists,
// the Numeric and String blocks, page records, slot papers, option commands
// and font substitution pairs.
#include <string>

#include "core/dictionary_lookup.h"
#include "core/model/model_internal.h"

namespace vesk::mdl {

namespace {

constexpr MdlKeyword kTypeWords[] = {
    {"PickOne", kMdlPickOne},   {"PickMany", kMdlPickMany}, {"Boolean", kMdlBoolean},
    {"Numeric", kMdlNumeric},   {"String", kMdlString},     {"PickPage", kMdlPickPage},
    {"PickSlot", kMdlPickSlot}, {"FontTbl", kMdlFontTbl},   {"Identity", kMdlIdentity},
    {"TypeUnknown", kMdlTypeUnknown}, {nullptr, kMdlPickOne},
};
constexpr MdlKeyword kCharKinds[] = {
    {"MultiByte", 1}, {"ASCII", 2}, {"Numeric", 4}, {"Capital", 8}, {"Small", 0x10}, {nullptr, 1},
};
constexpr MdlKeyword kDisplayFlags[] = {
    {"Password", 0x100}, {"ShowCapital", 0x200}, {"ShowSmall", 0x400}, {nullptr, 0},
};

bool fail(std::string& why, const char* text) {
    why = text;
    return false;
}

// A word up to its first NUL, as the C-string lookups read it.
std::string_view cText(std::string_view w) {
    // Words are short: a plain loop costs less than the call to find one.
    for (size_t i = 0; i < w.size(); ++i)
        if (w[i] == 0) return w.substr(0, i);
    return w;
}

// The value id of a value name (up to a NUL, as the C-string lookup reads it).
bool valueIdOf(std::string_view name, uint16_t* out, std::string& why) {
    const ValueSymbol* vs = ValueSymFindByName(cText(name));
    if (!vs) {
        why = "'" + std::string(name) + "' is not a value name";
        return false;
    }
    if (vs->value > 0xFFFF) return fail(why, "value out of range");
    *out = static_cast<uint16_t>(vs->value);
    return true;
}

MdlValue* findValue(MdlOption& o, uint16_t id) {
    for (MdlValue& v : o.values)
        if (v.valueId == id) return &v;
    return nullptr;
}

// The value record named by the statement's second word in the open
// option's value list, for the statements that describe one value.
MdlValue* statementValue(MdlParseResult& r, const Stmt& s, uint16_t baseType, std::string& why) {
    MdlOption* o = valueTarget(r);
    if (!o) return fail(why, "no option block is open"), nullptr;
    if (MdlBaseType(o->type) != baseType) return fail(why, "the option's type does not take this statement"), nullptr;
    uint16_t id;
    if (!valueIdOf(s.w2, &id, why)) return nullptr;
    MdlValue* v = findValue(*o, id);
    if (!v) why = "the value is not in the option's list";
    return v;
}

bool endOfValue(Value& v, std::string& why) {
    if (!v.atEnd()) return fail(why, "unexpected text after the value");
    return true;
}

// Whitespace-separated decimal numbers of a quoted text: every number is
// checked and counted, the first kMax kept (no statement takes more).
struct Numbers {
    static constexpr size_t kMax = 8;
    int64_t n[kMax] = {};
    size_t count = 0;
    int64_t operator[](size_t i) const { return n[i]; }
    size_t size() const { return count; }
};
bool quotedNumbers(std::string_view text, Numbers& out, std::string& why) {
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && is(static_cast<unsigned char>(text[i]), kChBlank | kChLineEnd)) ++i;
        size_t b = i;
        while (i < text.size() && !is(static_cast<unsigned char>(text[i]), kChBlank | kChLineEnd)) ++i;
        if (b == i) break;
        int64_t n;
        if (!parseWholeDecimal(text.substr(b, i - b), INT32_MIN, INT32_MAX, &n))
            return fail(why, "not a number, or a number out of range");
        if (out.count < Numbers::kMax) out.n[out.count] = n;
        ++out.count;
    }
    return true;
}

bool fitsI16(int64_t v) { return v >= INT16_MIN && v <= INT16_MAX; }

// Appends a value record. A list starts with room for a few values, so the
// records are not moved at the second, third and fifth value.
void addValue(MdlOption& o, MdlValue&& v) {
    if (o.values.capacity() == 0) o.values.reserve(8);
    o.values.push_back(std::move(v));
}

// A sub-numbered copy of a block: everything but the value list, which the
// copy shares with the first block (copying the list only to drop it would
// copy every value's strings), and the name, which is the copy's own.
MdlOption copyOfBlock(const MdlOption& f, std::string&& name) {
    MdlOption c;
    c.name = std::move(name);
    c.key = f.key;
    c.subNumber = f.subNumber;
    c.identityKey = f.identityKey;
    c.optionId = f.optionId;
    c.type = f.type;
    c.selection = f.selection;
    c.hasCommands = f.hasCommands;
    c.prefix = f.prefix;
    c.suffix = f.suffix;
    c.isCopy = f.isCopy;
    c.boolean = f.boolean;
    c.numeric = f.numeric;
    c.string = f.string;
    c.selectionIsIndex = f.selectionIsIndex;
    return c;
}

}  // namespace

MdlOption* openOption(MdlParseResult& r) {
    if (r.openOption < 0 || static_cast<size_t>(r.openOption) >= r.options.size()) return nullptr;
    return &r.options[static_cast<size_t>(r.openOption)];
}

MdlOption* valueTarget(MdlParseResult& r) {
    MdlOption* open = openOption(r);
    if (!open) return nullptr;
    if (r.targetOfOpen == r.openOption && static_cast<size_t>(r.targetIndex) < r.options.size())
        return &r.options[static_cast<size_t>(r.targetIndex)];
    // The open block itself at the latest.
    MdlOption* first = const_cast<MdlOption*>(MdlFindOptionByKey(r, open->key));
    r.targetOfOpen = r.openOption;
    r.targetIndex = static_cast<int>(first - r.options.data());
    return first;
}

bool onOpenUI(MdlParseResult& r, const Stmt& s, std::string& why) {
    if (openOption(r)) return fail(why, "a block is already open");
    if (s.w1.size() < 2 || s.w1[0] != '*') return fail(why, "the option name must begin with '*'");
    std::string name(s.w1.substr(1));
    // The statement's words hold no NUL, so the whole name is the C string.
    const SymbolEntry* sym = SymFindByName(std::string_view(name));
    if (!sym) return fail(why, "not a dictionary symbol");
    uint16_t key = static_cast<uint16_t>(sym->key);
    const MdlOption* first = MdlFindOptionByKey(r, key);

    uint16_t sub = 0;
    if (!s.w2.empty()) {
        int64_t n;
        if (!parseWholeDecimal(s.w2, 1, 0xFFFF, &n)) return fail(why, "sub-number out of range");
        sub = static_cast<uint16_t>(n);
    }
    if (sub && first) {
        // A sub-numbered block of a defined option: a copy with its own
        // default and option commands that shares the first block's values.
        // A sub-number given twice makes a second copy; lookups by key and
        // sub-number find the earlier one.
        MdlOption copy = copyOfBlock(*first, std::move(name));
        copy.subNumber = sub;
        copy.identityKey = 0;
        copy.isCopy = true;
        copy.values.clear();
        copy.selectionIsIndex = true;
        r.options.push_back(std::move(copy));
        r.openOption = static_cast<int>(r.options.size() - 1);
        return true;
    }
    // A new record. A sub-number without an earlier block of the key stays
    // on the record, so the default, option commands and command nodes that
    // name the key with that number find it. A further block of a defined
    // key without a sub-number is a record of its own type that takes over
    // the key's slot; its value statements still fill the first block, so
    // it reads that block's values (isCopy) rather than an empty list, as
    // long as it is of the first block's type: values of another type have
    // another layout, and it then keeps a list of its own (empty).
    MdlOption o;
    o.name = std::move(name);
    o.key = key;
    o.subNumber = sub;
    o.optionId = sym->itemId;
    Value v(s.value, r.leadByte);
    std::string_view w;
    if (!v.wordView(w)) {
        o.type = kMdlPickOne;
    } else if (w == "Identity" && !v.atEnd() && v.peek() != '|') {
        std::string_view other;
        if (!v.wordView(other)) return fail(why, "Identity needs an option name");
        const SymbolEntry* os = SymFindByName(cText(other));
        if (!os) return fail(why, "Identity names no dictionary symbol");
        o.type = kMdlIdentity;
        o.identityKey = static_cast<uint16_t>(os->key);
        if (const MdlOption* named = MdlFindOptionByKey(r, o.identityKey)) {
            o.type |= named->type;
            o.selection = named->selection;
            o.selectionIsIndex = true;
        }
    } else {
        o.type = static_cast<uint16_t>(MdlKeywordValue(kTypeWords, w));
        if (v.take('|')) {
            if (!v.wordView(w)) return fail(why, "a type word must follow '|'");
            o.type |= static_cast<uint16_t>(MdlKeywordValue(kTypeWords, w));
        }
    }
    if (!endOfValue(v, why)) return false;
    o.isCopy = first && MdlBaseType(first->type) == MdlBaseType(o.type);
    r.options.push_back(std::move(o));
    uint32_t index = static_cast<uint32_t>(r.options.size());
    if (int slot = MdlSlotForOptionId(sym->itemId)) r.optionSlots[static_cast<size_t>(slot)] = index;
    r.openOption = static_cast<int>(index - 1);
    return true;
}

bool onCloseUI(MdlParseResult& r, const Stmt&, std::string& why) {
    MdlOption* o = openOption(r);
    if (!o) return fail(why, "no option block is open");
    if (o->type & 1) {
        const MdlOption& owner = MdlValuesOwner(r, *o);
        if (!(o->selectionIsIndex && o->selection < owner.values.size())) {
            uint16_t index = 0;
            for (size_t i = 0; i < owner.values.size(); ++i) {
                if (owner.values[i].valueId == o->selection) {
                    index = static_cast<uint16_t>(i);
                    break;
                }
            }
            o->selection = index;
        }
        o->selectionIsIndex = true;
    }
    r.openOption = -1;
    r.keywordCache = 0;
    return true;
}

bool onDefault(MdlParseResult& r, const Stmt& s, std::string& why) {
    MdlOption* o = openOption(r);
    if (!o) return fail(why, "no option block is open");
    std::string_view word = s.value;
    for (size_t i = 0; i < word.size(); ++i) {
        if (is(static_cast<unsigned char>(word[i]), kChBlank | kChLineEnd)) {
            word = word.substr(0, i);
            break;
        }
    }
    uint16_t base = MdlBaseType(o->type);
    if (o->type & 1) {
        uint16_t id;
        if (!valueIdOf(word, &id, why)) return false;
        o->selection = id;
        o->selectionIsIndex = false;
    } else if (base == kMdlBoolean) {
        o->boolean.defaultValue = word == "True" ? 1 : 0;
    } else if (base == kMdlString) {
        // Only the default: the length, kind and display of StringValue stay,
        // so the two statements may come in either order.
        uint16_t id;
        if (!valueIdOf(word, &id, why)) return false;
        if (id > INT16_MAX) return fail(why, "value out of range");
        o->string.defaultId = static_cast<int16_t>(id);
    }
    return true;
}

namespace {

bool valueList(MdlParseResult& r, MdlOption& o, const Stmt& s, std::string& why) {
    if (!MdlIsListType(o.type)) return fail(why, "the option's type has no value list");
    Value v(s.value, r.leadByte);
    std::string_view w;
    if (v.peek() != '{') {
        if (!v.wordView(w) || w != "IDList") return fail(why, "a value list is 'IDList { ... }'");
    }
    if (!v.take('{')) return fail(why, "a value list is 'IDList { ... }'");
    for (;;) {
        if (v.take('}')) break;
        std::string cmd;
        bool braced = v.take('{');
        if (!v.wordView(w)) return fail(why, "a value name is expected");
        if (braced) {
            if (v.peek() == '"' && !v.quoted(cmd)) return fail(why, "unterminated quote");
            if (!v.take('}')) return fail(why, "'}' expected after the value's command");
        }
        uint16_t id;
        if (!valueIdOf(w, &id, why)) {
            why += "; the rest of the list is dropped";
            return false;
        }
        if (!findValue(o, id)) {
            MdlValue nv;
            nv.valueId = id;
            nv.command = std::move(cmd);
            addValue(o, std::move(nv));
        }
    }
    return endOfValue(v, why);
}

}  // namespace

bool onValueStatement(MdlParseResult& r, const Stmt& s, std::string& why) {
    MdlOption* o = valueTarget(r);
    if (!o) return fail(why, "no option block is open");
    if (s.w1.empty()) return valueList(r, *o, s, why);
    Value v(s.value, r.leadByte);
    std::string cmd;
    if (v.peek() == '"' && !v.quoted(cmd)) return fail(why, "unterminated quote");
    if (!endOfValue(v, why)) return false;
    if (MdlIsListType(o->type)) {
        uint16_t id;
        if (!valueIdOf(s.w1, &id, why)) return false;
        if (findValue(*o, id)) return fail(why, "the value is already listed; the first record stays");
        MdlValue nv;
        nv.valueId = id;
        nv.command = std::move(cmd);
        addValue(*o, std::move(nv));
        return true;
    }
    uint16_t base = MdlBaseType(o->type);
    // The Numeric and String blocks have no place for commands.
    if (base == kMdlNumeric || base == kMdlString) return fail(why, "a Numeric or String option takes no value commands");
    if (s.w1 == "True")
        o->boolean.trueCommand = std::move(cmd);
    else
        o->boolean.falseCommand = std::move(cmd);
    return true;
}

bool onNumericValue(MdlParseResult& r, const Stmt& s, std::string& why) {
    MdlOption* o = valueTarget(r);
    if (!o) return fail(why, "no option block is open");
    if (MdlBaseType(o->type) != kMdlNumeric) return fail(why, "the option is not Numeric");
    Value v(s.value, r.leadByte);
    MdlNumericBlock b;
    if (v.peek() != '"') {
        int64_t n;
        if (!v.number(INT16_MIN, INT16_MAX, &n)) return fail(why, "not a number, or a number out of range");
        b.f0 = static_cast<int16_t>(n);
    }
    std::string& text = scratch().text;
    if (!v.quoted(text)) return fail(why, "the numbers must be quoted");
    Numbers n;
    if (!quotedNumbers(text, n, why)) return false;
    if (n.size() < 6 || n.size() > 8) return fail(why, "six to eight numbers are expected");
    for (size_t i : {0u, 4u, 5u, 6u, 7u})
        if (i < n.size() && !fitsI16(n[i])) return fail(why, "number out of range");
    b.f2 = static_cast<int16_t>(n[0]);
    b.defaultValue = static_cast<int32_t>(n[1]);
    b.minimum = static_cast<int32_t>(n[2]);
    b.maximum = static_cast<int32_t>(n[3]);
    b.f4 = static_cast<int16_t>(n[4]);
    b.f6 = static_cast<int16_t>(n[5]);
    if (n.size() > 6) b.f8 = static_cast<int16_t>(n[6]);
    if (n.size() > 7) b.f10 = static_cast<int16_t>(n[7]);
    if (!endOfValue(v, why)) return false;
    o->numeric = b;
    return true;
}

bool onStringValue(MdlParseResult& r, const Stmt& s, std::string& why) {
    MdlOption* o = valueTarget(r);
    if (!o) return fail(why, "no option block is open");
    if (MdlBaseType(o->type) != kMdlString) return fail(why, "the option is not String");
    Value v(s.value, r.leadByte);
    int64_t n;
    if (!v.number(0, INT16_MAX, &n)) return fail(why, "the maximum length is not a number in range");
    std::string_view w;
    int32_t kind = 1, display = 0;
    if (v.wordView(w)) kind = MdlKeywordValue(kCharKinds, w);
    if (v.take('|')) {
        if (!v.wordView(w)) return fail(why, "a display word must follow '|'");
        display = MdlKeywordValue(kDisplayFlags, w);
    }
    if (!endOfValue(v, why)) return false;
    // The default value id of a Default statement stays.
    o->string.maxLength = static_cast<int16_t>(n);
    o->string.charKind = static_cast<int16_t>(kind);
    o->string.display = static_cast<int16_t>(display);
    return true;
}

bool onPageValue(MdlParseResult& r, const Stmt& s, std::string& why) {
    MdlValue* val = statementValue(r, s, kMdlPickPage, why);
    if (!val) return false;
    Value v(s.value, r.leadByte);
    MdlPageRecord p;
    std::string_view w;
    if (!v.wordView(w)) return fail(why, "a resolution is expected");
    if (const ValueSymbol* vs = ValueSymFindByName(cText(w))) {
        if (vs->value == 0 || vs->value > 0xFFFF) return fail(why, "resolution out of range");
        p.resolution = static_cast<uint16_t>(vs->value);
    } else {
        int64_t n;
        if (!parseWholeDecimal(w, 1, 0xFFFF, &n)) return fail(why, "the resolution is no value name nor a dpi number");
        p.resolution = static_cast<uint16_t>(n);
    }
    if (!v.wordView(w)) return fail(why, "an orientation is expected");
    if (!valueIdOf(w, &p.orientation, why)) return false;
    if (v.peek() != '"') {
        if (!v.wordView(w)) return fail(why, "a condition option is expected");
        const SymbolEntry* sym = SymFindByName(cText(w));
        if (!sym) return fail(why, "the condition names no dictionary symbol");
        p.condKey = static_cast<uint16_t>(sym->key);
        if (!v.wordView(w)) return fail(why, "the condition has no value");
        if (w == "True")
            p.condValue = 1;
        else if (w == "False")
            p.condValue = 0;
        else if (!valueIdOf(w, &p.condValue, why))
            return false;
    }
    std::string& text = scratch().text;
    if (!v.quoted(text)) return fail(why, "the area must be quoted");
    Numbers n;
    if (!quotedNumbers(text, n, why)) return false;
    // The area's four numbers, then up to two further ones (a quote that
    // closes after the fifth leaves the sixth 0). Fewer than four leave the
    // area incomplete and drop the record; more than six are refused rather
    // than ignored.
    if (n.size() < 4 || n.size() > 6) return fail(why, "four to six numbers are expected");
    p.x = static_cast<int32_t>(n[0]);
    p.y = static_cast<int32_t>(n[1]);
    p.width = static_cast<int32_t>(n[2]);
    p.height = static_cast<int32_t>(n[3]);
    if (n.size() > 4) p.further1 = static_cast<int32_t>(n[4]);
    if (n.size() > 5) p.further2 = static_cast<int32_t>(n[5]);
    if (!endOfValue(v, why)) return false;
    val->pages.push_back(p);
    return true;
}

bool onPageMMValue(MdlParseResult& r, const Stmt& s, std::string& why) {
    MdlValue* val = statementValue(r, s, kMdlPickPage, why);
    if (!val) return false;
    Value v(s.value, r.leadByte);
    std::string& text = scratch().text;
    if (!v.quoted(text)) return fail(why, "the two sizes must be quoted");
    Numbers n;
    if (!quotedNumbers(text, n, why)) return false;
    if (n.size() != 2) return fail(why, "two numbers are expected");
    if (!endOfValue(v, why)) return false;
    val->size1 = static_cast<int32_t>(n[0]);
    val->size2 = static_cast<int32_t>(n[1]);
    return true;
}

bool onSlotPaper(MdlParseResult& r, const Stmt& s, std::string& why) {
    MdlValue* val = statementValue(r, s, kMdlPickSlot, why);
    if (!val) return false;
    Value v(s.value, r.leadByte);
    if (!v.take('{')) return fail(why, "the papers must be in braces");
    std::vector<uint16_t>& ids = scratch().ids;
    ids.clear();
    std::string_view w;
    while (!v.take('}')) {
        if (!v.wordView(w)) return fail(why, "a paper name or '}' is expected");
        uint16_t id;
        if (!valueIdOf(w, &id, why)) return false;
        ids.push_back(id);
    }
    if (!endOfValue(v, why)) return false;
    val->slotPapers.assign(ids.begin(), ids.end());
    return true;
}

bool onOptionCommand(MdlParseResult& r, const Stmt& s, std::string& why) {
    MdlOption* o = openOption(r);
    if (!o) return fail(why, "no option block is open");
    Value v(s.value, r.leadByte);
    bool braced = v.take('{');
    std::string prefix, suffix;
    if (!v.quoted(prefix)) return fail(why, "a quoted prefix is expected");
    if (v.peek() == '"' && !v.quoted(suffix)) return fail(why, "unterminated quote");
    if (braced && !v.take('}')) return fail(why, "'}' expected");
    if (!endOfValue(v, why)) return false;
    o->hasCommands = true;
    o->prefix = std::move(prefix);
    o->suffix = std::move(suffix);
    return true;
}

bool onTTFS(MdlParseResult& r, const Stmt& s, std::string& why) {
    MdlValue* val = statementValue(r, s, kMdlFontTbl, why);
    if (!val) return false;
    Value v(s.value, r.leadByte);
    std::string_view w;
    if (v.peek() != '{' && (!v.wordView(w) || w != "IDList")) return fail(why, "a pair list is 'IDList { ... }'");
    if (!v.take('{')) return fail(why, "a pair list is 'IDList { ... }'");
    std::vector<std::string> first, second;
    bool broken = false;
    while (!v.take('}')) {
        std::string a, b;
        if (!v.take('{') || !v.quoted(a) || !v.quoted(b) || !v.take('}') || a.empty() || b.empty()) {
            broken = true;
            break;
        }
        first.push_back(std::move(a));
        second.push_back(std::move(b));
    }
    // The pairs before a broken entry are kept.
    val->fontTrueType = std::move(first);
    val->fontDevice = std::move(second);
    if (broken) return fail(why, "a broken font pair; the pairs after it are dropped");
    return endOfValue(v, why);
}

}  // namespace vesk::mdl
