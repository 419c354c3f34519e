// Rule sections: Judge, Item, Action, Transact, AlertAction, Alert and
// Exclusive, their numbers, names and references.
//
// A name that a rule cannot resolve (an option, value, message or page name
// not in the dictionaries, a rule name not defined earlier in its section, a
// reference of the wrong section, a word not in a vocabulary) skips the whole
// statement: stored as 0 it would turn a conditional action into an
// unconditional one, or set an option to 0.
#include <string>
#include <vector>

#include "core/dictionary_lookup.h"
#include "core/model/model_internal.h"
#include "core/text_hash.h"
#include "core/ui_lookup.h"

namespace vesk {

using namespace mdl;

namespace {

struct Prefix {
    const char* word;
    uint32_t cls;
};
// Tried in this order, so "AlertAction" wins over "Alert".
constexpr Prefix kPrefixes[] = {
    {"Judge", 1}, {"Item", 2}, {"Action", 3}, {"Transact", 4}, {"AlertAction", 6}, {"Alert", 5},
};
// The reference class of each section (in name-table order).
constexpr uint32_t kClassOfSection[kSecCount] = {1, 2, 3, 4, 6, 5};
constexpr const char* kSectionNames[kSecCount] = {"Judge", "Item", "Action", "Transact", "AlertAction", "Alert"};

uint32_t prefixClass(std::string_view w) {
    for (const Prefix& p : kPrefixes)
        if (w.substr(0, std::char_traits<char>::length(p.word)) == p.word) return p.cls;
    return 0;
}

constexpr MdlKeyword kIcons[] = {
    {"MB_ICONEXCLAMATION", 0x30}, {"MB_ICONINFORMATION", 0x40}, {"MB_ICONQUESTION", 0x20},
    {"MB_ICONSTOP", 0x10},        {nullptr, -1},
};
constexpr MdlKeyword kButtons[] = {
    {"MB_ABORTRETRYIGNORE", 2}, {"MB_OK", 0}, {"MB_OKCANCEL", 1}, {"MB_RETRYCANCEL", 5},
    {"MB_YESNO", 4},            {"MB_YESNOCANCEL", 3}, {nullptr, -1},
};
constexpr MdlKeyword kModes[] = {
    {"AlertAtOnce", 0}, {"AlertProperty", 1}, {"AlertOkApply", 2}, {"AlertDialog", 3}, {nullptr, -1},
};
// The answers of a message box. The pairs of an AlertAction are matched
// with the answer the user gave to the Alert's box, but the dictionary has no
// symbols for answers (its button symbols name dialog controls), so a word
// that is no dictionary symbol is read from this list: IDOK gives the box's
// answer 1. Without it no AlertAction of a model could ever be run.
constexpr MdlKeyword kAnswers[] = {
    {"IDOK", 1},     {"IDCANCEL", 2}, {"IDABORT", 3}, {"IDRETRY", 4},
    {"IDIGNORE", 5}, {"IDYES", 6},    {"IDNO", 7},    {nullptr, 0},
};

// The entries of a constant table by name, hashed once: nearly every Action
// pair names a page or an option, and the names share long prefixes. The
// first entry of a repeated name is found, as by a search from the start.
template <class Entry>
class TableIndex {
public:
    TableIndex(const Entry* entries, int count) : entries_(entries), count_(count) {
        size_t capacity = 16;
        while (capacity < 2 * static_cast<size_t>(count > 0 ? count : 0)) capacity *= 2;
        slots_.assign(capacity, Slot{});
        for (int i = 0; i < count; ++i) {
            if (!entries[i].name) continue;
            std::string_view n(entries[i].name);
            size_t k = TextHash(n) & (capacity - 1);
            while (slots_[k].entry && slots_[k].name != n) k = (k + 1) & (capacity - 1);
            if (!slots_[k].entry) slots_[k] = {n, &entries[i]};
        }
    }
    // The entry named `w` (up to a NUL, as the C-string lookups read it);
    // a table other than the one indexed is searched from its start.
    const Entry* find(const Entry* entries, int count, std::string_view w) const {
        w = w.substr(0, w.find('\0'));
        if (entries != entries_ || count != count_) {
            for (int i = 0; i < count; ++i)
                if (entries[i].name && w == entries[i].name) return &entries[i];
            return nullptr;
        }
        const size_t mask = slots_.size() - 1;
        for (size_t k = TextHash(w) & mask; slots_[k].entry; k = (k + 1) & mask)
            if (slots_[k].name == w) return slots_[k].entry;
        return nullptr;
    }

private:
    struct Slot {
        std::string_view name;
        const Entry* entry = nullptr;
    };
    const Entry* entries_;
    int count_;
    std::vector<Slot> slots_;
};

// The dialog page of a name in the template's pages (as PageFindByName).
const UiPage* pageNamed(std::string_view w) {
    const UiPageTable* t = GetContextTemplate()->pages;
    if (!t) return nullptr;
    static const TableIndex<UiPage> index(t->pages, t->count);
    return index.find(t->pages, t->count, w);
}

// The message of a name in the template's messages (as MsgSymFindByName).
const MessageSymbol* messageNamed(std::string_view w) {
    const MessageTable* t = GetContextTemplate()->messages;
    if (!t) return nullptr;
    static const TableIndex<MessageSymbol> index(t->entries, t->count);
    return index.find(t->entries, t->count, w);
}

bool fail(std::string& why, std::string text) {
    why = std::move(text);
    return false;
}

// The number of a rule reference of `section`: NULL 0, a prefixed word of
// that section its number, else the number registered for the name.
bool reference(const MdlParseResult& r, std::string_view w, int section, uint16_t* out, std::string& why) {
    if (w == "NULL") {
        *out = 0;
        return true;
    }
    uint32_t cls = prefixClass(w);
    if (cls == 0) {
        *out = MdlNameTableFind(r, w, section);
        // A Judge's name is registered before its expression is compiled, so
        // a Judge that did not compile still has a name; its number names no
        // program, and a reference to it is refused like an unknown name.
        if (*out && section == kSecJudge && !MdlFindRule(r, kSecJudge, *out))
            return fail(why, "'" + std::string(w) + "' names a Judge that did not compile");
        if (*out) return true;
        return fail(why, "'" + std::string(w) + "' names no " + kSectionNames[section]);
    }
    if (cls != kClassOfSection[section])
        return fail(why, "'" + std::string(w) + "' is no " + std::string(kSectionNames[section]) + " reference");
    int64_t n;
    if (!MdlParseDecimal(w, &n) || n < 1 || n > 0xFFFF) return fail(why, "'" + std::string(w) + "': rule number out of range");
    *out = static_cast<uint16_t>(n);
    return true;
}

bool valueOf(std::string_view w, uint32_t* out, std::string& why) {
    const ValueSymbol* vs = ValueSymFindByName(w);
    if (!vs) return fail(why, "'" + std::string(w) + "' is not a value name");
    *out = vs->value;
    return true;
}

bool optionKeyOf(std::string_view w, uint16_t* out, std::string& why) {
    const SymbolEntry* sym = SymFindByName(w);
    if (!sym) return fail(why, "'" + std::string(w) + "' is not a dictionary symbol");
    *out = static_cast<uint16_t>(sym->key);
    return true;
}

bool vocabulary(const MdlKeyword* table, std::string_view w, int16_t* out, std::string& why) {
    int32_t v = MdlKeywordValue(table, w);
    if (v < 0) return fail(why, "'" + std::string(w) + "' is not a known word here");
    *out = static_cast<int16_t>(v);
    return true;
}

// The number and name of a rule statement's first word `N=Name`.
bool header(const MdlParseResult& r, const Stmt& s, int section, uint16_t* number, std::string_view* name,
            std::string& why) {
    if (!s.w2.empty()) return fail(why, "a rule has one word before its colon");
    int64_t n;
    if (!MdlParseDecimal(s.w1, &n) || n < 1 || n > 0xFFFF) return fail(why, "the rule number is 0 or out of range");
    *number = static_cast<uint16_t>(n);
    size_t eq = s.w1.find('=');
    *name = eq == std::string_view::npos ? std::string_view() : s.w1.substr(eq + 1);
    if (MdlFindRule(r, section, *number)) return fail(why, "the rule number is already defined in its section");
    if (!name->empty() && MdlNameTableFind(r, *name, section)) return fail(why, "the rule name is already defined");
    return true;
}

// The words and numbers inside the value's outermost braces.
bool fields(const MdlParseResult& r, const Stmt& s, std::vector<std::string_view>& out, std::string& why) {
    MdlExprCursor c{s.value.data(), s.value.data() + s.value.size(), &r.leadByte};
    std::string_view t;
    out.clear();
    if (MdlExprNextToken(c, t) != kTokBracket || t != "{") return fail(why, "the value must be in braces");
    int depth = 1;
    while (depth > 0) {
        int cls = MdlExprNextToken(c, t);
        if (cls == kTokName || cls == kTokNumber) {
            out.push_back(t);
        } else if (cls == kTokBracket && t == "{") {
            ++depth;
        } else if (cls == kTokBracket && t == "}") {
            --depth;
        } else if (t.empty()) {
            return fail(why, "the closing '}' is missing");
        } else {
            return fail(why, "unexpected '" + std::string(t) + "'");
        }
    }
    if (MdlExprNextToken(c, t) != kTokOther || !t.empty()) return fail(why, "text after the closing '}'");
    return true;
}

bool groups(const std::vector<std::string_view>& f, size_t k, std::string& why) {
    if (f.size() % k) return fail(why, "an incomplete entry");
    return true;
}

template <class Entry>
void appendRule(MdlParseResult& r, std::vector<MdlRule<Entry>>& list, uint16_t number, std::string_view name,
                std::vector<Entry>&& entries, int section) {
    MdlRule<Entry> rule;
    rule.number = number;
    rule.entries = std::move(entries);
    list.push_back(std::move(rule));
    if (!name.empty()) MdlNameTableAdd(r, name, number, section);
}

}  // namespace

uint32_t MdlParseRuleRef(std::string_view word) {
    if (word == "NULL") return 0;
    uint32_t cls = prefixClass(word);
    if (!cls) return 0x70000;
    int64_t n = 0;
    MdlParseDecimal(word, &n);
    return (cls << 16) + static_cast<uint32_t>(n);
}

bool MdlParseDecimal(std::string_view word, int64_t* out) {
    int64_t v = 0;
    bool neg = false;
    for (char ch : word) {
        if (ch == '=' || ch == ' ' || ch == '\t') break;
        if (ch == '-') neg = true;
        if (ch >= '0' && ch <= '9') {
            v = v * 10 + (ch - '0');
            if (v > 0xFFFFFFFFll) return false;
        }
    }
    *out = neg ? -v : v;
    return true;
}

void MdlNameTableAdd(MdlParseResult& r, std::string_view name, uint16_t number, int table) {
    if (table < 0 || table >= kSecCount) return;
    r.nameIndex[static_cast<size_t>(table)].add(name, number);
}

uint16_t MdlNameTableFind(const MdlParseResult& r, std::string_view name, int table) {
    if (table < 0 || table >= kSecCount) return 0;
    return r.nameIndex[static_cast<size_t>(table)].find(name);
}

namespace mdl {

bool onJudge(MdlParseResult& r, const Stmt& s, std::string& why) {
    uint16_t number;
    std::string_view name;
    if (!header(r, s, kSecJudge, &number, &name, why)) return false;
    // The name is taken before the expression is compiled, whether or not it
    // compiles; an expression that names its own Judge finds no program.
    if (!name.empty()) MdlNameTableAdd(r, name, number, kSecJudge);
    MdlExprCursor c{s.value.data(), s.value.data() + s.value.size(), &r.leadByte};
    std::string_view t;
    if (MdlExprNextToken(c, t) != kTokBracket || t != "{") return fail(why, "the expression must be in braces");
    MdlJudge j;
    j.number = number;
    j.program.reserve(16);
    char stop = 0;
    if (!MdlCompileExpression(r, c, j.program, &stop)) return fail(why, "the expression does not compile");
    if (stop != '}') return fail(why, "the closing '}' is missing");
    if (MdlExprNextToken(c, t) != kTokOther || !t.empty()) return fail(why, "text after the closing '}'");
    if (!MdlCheckProgram(j.program.data(), j.program.size())) return fail(why, "the program fails its check");
    r.judges.push_back(std::move(j));
    return true;
}

bool onItem(MdlParseResult& r, const Stmt& s, std::string& why) {
    uint16_t number;
    std::string_view name;
    std::vector<std::string_view>& f = scratch().fields;
    if (!header(r, s, kSecItem, &number, &name, why) || !fields(r, s, f, why) || !groups(f, 3, why)) return false;
    std::vector<MdlItemEntry> entries;
    entries.reserve(f.size() / 3);
    for (size_t i = 0; i < f.size(); i += 3) {
        MdlItemEntry e;
        if (!valueOf(f[i], &e.valueId, why) || !reference(r, f[i + 1], kSecJudge, &e.judge1, why) ||
            !reference(r, f[i + 2], kSecJudge, &e.judge2, why))
            return false;
        entries.push_back(e);
    }
    appendRule(r, r.items, number, name, std::move(entries), kSecItem);
    return true;
}

bool onAction(MdlParseResult& r, const Stmt& s, std::string& why) {
    uint16_t number;
    std::string_view name;
    std::vector<std::string_view>& f = scratch().fields;
    if (!header(r, s, kSecAction, &number, &name, why) || !fields(r, s, f, why) || !groups(f, 2, why)) return false;
    std::vector<MdlActionPair> entries;
    entries.reserve(f.size() / 2);
    for (size_t i = 0; i < f.size(); i += 2) {
        MdlActionPair p;
        const std::string_view target = f[i];
        const std::string_view value = f[i + 1];
        if (const UiPage* page = pageNamed(target)) {
            p.targetKind = 1;
            p.targetId = page->id;
        } else {
            const SymbolEntry* sym = SymFindByName(target);
            if (!sym || !sym->itemId) return fail(why, "'" + std::string(target) + "' is no page and no option");
            p.targetId = sym->itemId;
        }
        int64_t n;
        if (parseWholeDecimal(value, 0, 0xFFFFFFFFll, &n)) {
            p.value = static_cast<uint32_t>(n);
        } else if (value == "Default") {
            const MdlOption* o = p.targetKind == 0 ? MdlFindOptionById(r, p.targetId) : nullptr;
            if (!o) return fail(why, "'Default' needs an option defined earlier in the file");
            p.value = MdlGetValueInTables(r, *o);
        } else if (!valueOf(value, &p.value, why)) {
            return false;
        }
        entries.push_back(p);
    }
    appendRule(r, r.actions, number, name, std::move(entries), kSecAction);
    return true;
}

bool onTransact(MdlParseResult& r, const Stmt& s, std::string& why) {
    uint16_t number;
    std::string_view name;
    std::vector<std::string_view>& f = scratch().fields;
    if (!header(r, s, kSecTransact, &number, &name, why) || !fields(r, s, f, why) || !groups(f, 2, why))
        return false;
    std::vector<MdlTransactPair> entries;
    entries.reserve(f.size() / 2);
    for (size_t i = 0; i < f.size(); i += 2) {
        MdlTransactPair p;
        if (!reference(r, f[i], kSecJudge, &p.judge, why) || !reference(r, f[i + 1], kSecAction, &p.action, why))
            return false;
        entries.push_back(p);
    }
    appendRule(r, r.transacts, number, name, std::move(entries), kSecTransact);
    return true;
}

bool onAlertAction(MdlParseResult& r, const Stmt& s, std::string& why) {
    uint16_t number;
    std::string_view name;
    std::vector<std::string_view>& f = scratch().fields;
    if (!header(r, s, kSecAlertAction, &number, &name, why) || !fields(r, s, f, why) || !groups(f, 2, why))
        return false;
    std::vector<MdlAlertActionPair> entries;
    entries.reserve(f.size() / 2);
    for (size_t i = 0; i < f.size(); i += 2) {
        MdlAlertActionPair p;
        // By dictionary key first; a word that is no symbol may be a
        // message-box answer.
        if (const SymbolEntry* sym = SymFindByName(f[i])) {
            p.optionKey = static_cast<uint16_t>(sym->key);
        } else {
            int32_t answer = MdlKeywordValue(kAnswers, f[i]);
            if (!answer) {
                std::string text = "'";
                text.append(f[i]).append("' is not a dictionary symbol nor a message-box answer");
                return fail(why, std::move(text));
            }
            p.optionKey = static_cast<uint16_t>(answer);
        }
        if (!reference(r, f[i + 1], kSecTransact, &p.transact, why)) return false;
        entries.push_back(p);
    }
    appendRule(r, r.alertActions, number, name, std::move(entries), kSecAlertAction);
    return true;
}

bool onAlert(MdlParseResult& r, const Stmt& s, std::string& why) {
    uint16_t number;
    std::string_view name;
    std::vector<std::string_view>& f = scratch().fields;
    if (!header(r, s, kSecAlert, &number, &name, why) || !fields(r, s, f, why) || !groups(f, 6, why)) return false;
    std::vector<MdlAlertEntry> entries;
    entries.reserve(f.size() / 6);
    for (size_t i = 0; i < f.size(); i += 6) {
        MdlAlertEntry e;
        if (!reference(r, f[i], kSecJudge, &e.judge, why)) return false;
        const MessageSymbol* m = messageNamed(f[i + 1]);
        if (!m) return fail(why, "'" + std::string(f[i + 1]) + "' is not a message name");
        e.messageKey = m->key;
        if (!vocabulary(kIcons, f[i + 2], &e.icon, why) || !vocabulary(kButtons, f[i + 3], &e.buttons, why) ||
            !vocabulary(kModes, f[i + 4], &e.mode, why) || !reference(r, f[i + 5], kSecAlertAction, &e.alertAction, why))
            return false;
        entries.push_back(e);
    }
    appendRule(r, r.alerts, number, name, std::move(entries), kSecAlert);
    return true;
}

bool onExclusive(MdlParseResult& r, const Stmt& s, std::string& why) {
    std::vector<std::string_view>& f = scratch().fields;
    if (!fields(r, s, f, why) || !groups(f, 7, why)) return false;
    std::vector<MdlExclusiveRow> rows;
    rows.reserve(f.size() / 7);
    for (size_t i = 0; i < f.size(); i += 7) {
        MdlExclusiveRow row;
        if (!optionKeyOf(f[i], &row.optionKey, why) || !reference(r, f[i + 1], kSecJudge, &row.judge1, why) ||
            !reference(r, f[i + 2], kSecJudge, &row.judge2, why) || !reference(r, f[i + 3], kSecItem, &row.item, why) ||
            !reference(r, f[i + 4], kSecAlert, &row.alert, why) ||
            !reference(r, f[i + 5], kSecTransact, &row.transact1, why) ||
            !reference(r, f[i + 6], kSecTransact, &row.transact2, why))
            return false;
        rows.push_back(row);
    }
    // The rows join the list only as a whole; a failure leaves the earlier
    // statements' rows as they were.
    r.exclusive.insert(r.exclusive.end(), rows.begin(), rows.end());
    return true;
}

}  // namespace mdl
}  // namespace vesk
