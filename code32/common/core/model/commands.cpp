// Statements outside option blocks: the file version, the library names,
// command strings, command groups and the font lists.
#include <string>

#include "core/dictionary_lookup.h"
#include "core/model/model_internal.h"
#include "core/text_convert.h"

namespace vesk::mdl {

namespace {

constexpr MdlKeyword kPhases[] = {
    {"JobStart", 1}, {"JobEnd", 2}, {"PageStart", 3}, {"PageEnd", 4}, {"DocReset", 5}, {nullptr, 0},
};
// Nesting of conditional command lists beyond this is refused.
constexpr int kMaxListDepth = 16;

bool fail(std::string& why, const char* text) {
    why = text;
    return false;
}

bool libraryName(MdlParseResult& r, const Stmt& s, std::u16string& out, std::string& why) {
    Value v(s.value, r.leadByte);
    std::string name;
    if (!v.quoted(name) || name.empty()) return fail(why, "a quoted library name is expected");
    if (!v.atEnd()) return fail(why, "unexpected text after the value");
    // A library name must fit in a path of 260 characters with its NUL.
    WCHAR wide[262];
    if (!AnsiToWideBounded(name.data(), name.size(), wide, 262)) return fail(why, "the name cannot be converted");
    std::u16string w(wide);
    if (w.size() > 259) return fail(why, "the library name is too long");
    out = std::move(w);
    return true;
}

// The condition word of a Command or ElseIf entry: JudgeN, a Judge name, or
// NULL for none.
bool conditionOf(const MdlParseResult& r, const std::string& w, uint16_t* out, std::string& why) {
    if (w == "NULL") {
        *out = 0;
        return true;
    }
    uint32_t ref = MdlParseRuleRef(w);
    if ((ref >> 16) == 1) {
        int64_t n;
        if (!MdlParseDecimal(w, &n) || n < 1 || n > 0xFFFF) return fail(why, "Judge number out of range");
        *out = static_cast<uint16_t>(n);
        return true;
    }
    if (ref == 0x70000) {
        if (uint16_t n = MdlNameTableFind(r, w, kSecJudge)) {
            *out = n;
            return true;
        }
    }
    why = "'" + w + "' names no Judge";
    return false;
}

// An optional colon after an entry word.
void takeColon(Value& v) { v.take(':'); }

bool parseNodes(const MdlParseResult& r, Value& v, std::vector<MdlCommandNode>& out, int depth, std::string& why);

// `Ref { ... }` with its Else or ElseIf, as one kind-3 node (dropped when
// both of its lists are empty).
bool parseConditional(const MdlParseResult& r, Value& v, std::vector<MdlCommandNode>& out, int depth,
                      std::string& why) {
    if (depth >= kMaxListDepth) return fail(why, "conditional commands nested too deep");
    std::string w;
    if (!v.word(w)) return fail(why, "a condition is expected");
    auto list = std::make_unique<MdlCommandList>();
    if (!conditionOf(r, w, &list->condition, why)) return false;
    if (!v.take('{')) return fail(why, "'{' expected");
    if (!parseNodes(r, v, list->first, depth + 1, why)) return false;
    if (list->condition) {
        const char* at = v.mark();
        if (v.word(w) && w == "Else") {
            if (!v.take('{')) return fail(why, "'{' expected after Else");
            if (!parseNodes(r, v, list->second, depth + 1, why)) return false;
        } else if (w == "ElseIf") {
            takeColon(v);
            if (!parseConditional(r, v, list->second, depth + 1, why)) return false;
        } else {
            v.seek(at);
        }
    }
    if (list->first.empty() && list->second.empty()) return true;
    MdlCommandNode n;
    n.kind = 3;
    n.nested = std::move(list);
    out.push_back(std::move(n));
    return true;
}

// Entries up to the closing brace.
bool parseNodes(const MdlParseResult& r, Value& v, std::vector<MdlCommandNode>& out, int depth, std::string& why) {
    std::string w;
    for (;;) {
        if (v.take('}')) return true;
        if (!v.word(w)) return fail(why, "an entry or '}' is expected");
        takeColon(v);
        if (w == "Command") {
            if (!parseConditional(r, v, out, depth, why)) return false;
            continue;
        }
        if (w != "Type") {
            why = "'" + w + "' is no entry of a command list";
            return false;
        }
        if (!v.word(w)) return fail(why, "a command type is expected");
        MdlCommandNode n;
        if (w == "GroupType") {
            if (!v.word(w)) return fail(why, "an option name is expected");
            const SymbolEntry* sym = SymFindByName(w.c_str());
            if (!sym) {
                why = "'" + w + "' is not a dictionary symbol";
                return false;
            }
            n.kind = 1;
            n.optionKey = static_cast<uint16_t>(sym->key);
            const char* at = v.mark();
            int64_t num;
            if (v.word(w)) {
                if (parseWholeDecimal(w, INT16_MIN, INT16_MAX, &num))
                    n.number = static_cast<int16_t>(num);
                else
                    v.seek(at);
            }
        } else if (w == "StringType") {
            int64_t num;
            if (!v.number(INT32_MIN, INT32_MAX, &num)) return fail(why, "a command string number is expected");
            if (num == 0) continue;  // number 0 names no command string
            n.kind = 2;
            n.stringNumber = static_cast<int32_t>(num);
        } else if (w == "FontType") {
            n.kind = 4;
        } else {
            why = "'" + w + "' is no command type";
            return false;
        }
        out.push_back(std::move(n));
    }
}

bool fontList(MdlParseResult& r, const Stmt& s, std::vector<MdlFont>& dest, std::string& why) {
    Value v(s.value, r.leadByte);
    std::string w;
    if (v.peek() != '{' && (!v.word(w) || w != "IDList")) return fail(why, "a font list is 'IDList { ... }'");
    if (!v.take('{')) return fail(why, "a font list is 'IDList { ... }'");
    std::vector<MdlFont> fonts;
    bool broken = false;
    while (!v.take('}')) {
        MdlFont f;
        int64_t n;
        if (!v.take('{') || !v.quoted(f.name) || f.name.empty() || !v.number(INT32_MIN, INT32_MAX, &n) ||
            !v.take('}')) {
            broken = true;
            break;
        }
        f.number = static_cast<int32_t>(n);
        fonts.push_back(std::move(f));
    }
    dest = std::move(fonts);
    if (broken) return fail(why, "a broken font entry; the entries after it are dropped");
    if (!v.atEnd()) return fail(why, "unexpected text after the value");
    return true;
}

}  // namespace

bool onFileVersion(MdlParseResult& r, const Stmt& s, std::string& why) {
    WCHAR text[16] = {};  // units past the terminator are compared and cached too
    if (!AnsiToWideBounded(s.value.data(), s.value.size(), text, 16)) return fail(why, "the version cannot be converted");
    std::copy(text, text + 16, r.fileVersion);
    return true;
}

bool onResourceDll(MdlParseResult& r, const Stmt& s, std::string& why) {
    return libraryName(r, s, r.resourceDll, why);
}

bool onConstraintDll(MdlParseResult& r, const Stmt& s, std::string& why) {
    return libraryName(r, s, r.constraintDll, why);
}

bool onCommandString(MdlParseResult& r, const Stmt& s, std::string& why) {
    int64_t n;
    if (!parseWholeDecimal(s.w1, INT32_MIN, INT32_MAX, &n)) return fail(why, "the number is not a decimal in range");
    Value v(s.value, r.leadByte);
    MdlCommandString cs;
    if (!v.quoted(cs.text) || cs.text.empty()) return fail(why, "a quoted text is expected");
    if (!v.atEnd()) return fail(why, "unexpected text after the value");
    cs.number = static_cast<int32_t>(n);
    r.commandStrings.push_back(std::move(cs));
    return true;
}

bool onCommandGroup(MdlParseResult& r, const Stmt& s, std::string& why) {
    Value v(s.value, r.leadByte);
    std::string w;
    if (!v.word(w)) return fail(why, "a phase is expected");
    int phase = MdlKeywordValue(kPhases, w);
    if (phase == 0) return fail(why, "unknown phase");
    if (!v.take('{')) return fail(why, "'{' expected");
    auto list = std::make_unique<MdlCommandList>();
    if (!parseNodes(r, v, list->first, 0, why)) return false;
    if (!v.atEnd()) return fail(why, "unexpected text after the command list");
    static constexpr int kSlotOfPhase[] = {0, kMdlSlotJobStart, kMdlSlotJobEnd, kMdlSlotPageStart, kMdlSlotPageEnd,
                                           kMdlSlotDocReset};
    // A list without entries is dropped.
    if (!list->first.empty()) r.groups[static_cast<size_t>(kSlotOfPhase[phase] - kMdlSlotJobStart)] = std::move(list);
    return true;
}

bool onDeviceFonts(MdlParseResult& r, const Stmt& s, std::string& why) { return fontList(r, s, r.deviceFonts, why); }

bool onFontCartridge(MdlParseResult& r, const Stmt& s, std::string& why) {
    return fontList(r, s, r.cartridgeFonts, why);
}

}  // namespace vesk::mdl
