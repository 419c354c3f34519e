// Rule expressions: the token reader, the compiler into postfix condition
// programs and the program check.
#include <string>

#include "core/dictionary_lookup.h"
#include "core/model/model_internal.h"

namespace vesk {

using namespace mdl;

namespace {

bool isOperatorChar(unsigned char b) {
    return b == '=' || b == '!' || b == '&' || b == '|' || b == '>' || b == '<';
}

constexpr MdlKeyword kOperators[] = {
    {"==", 1}, {"!=", 2}, {"&&", 3}, {"||", 4}, {"!", 5}, {">", 6}, {"<", 7}, {">=", 8}, {"<=", 9}, {nullptr, 0},
};
constexpr uint16_t kOpNot = 5;

// Limits that keep a hostile description from exhausting the stack or the
// memory: parenthesised groups nest at most this deep, and a program (with
// the programs of the Judges it names copied in) has at most this many cells.
constexpr int kMaxGroupDepth = 64;
constexpr size_t kMaxCells = 16384;

}  // namespace

int MdlExprNextToken(MdlExprCursor& c, std::string& token) {
    std::string_view t;
    const int cls = MdlExprNextToken(c, t);
    token.assign(t);
    return cls;
}

int MdlExprNextToken(MdlExprCursor& c, std::string_view& token) {
    token = {};
    while (c.p < c.end && is(static_cast<unsigned char>(*c.p), kChBlank | kChLineEnd)) ++c.p;
    if (c.p >= c.end || *c.p == 0) return kTokOther;
    unsigned char b = static_cast<unsigned char>(*c.p);
    const char* start = c.p;
    auto cut = [&](int cls) {
        token = {start, static_cast<size_t>(c.p - start)};
        return cls;
    };
    if (c.leadByte && (*c.leadByte)[b] && c.p + 1 < c.end) {
        c.p += 2;
        return cut(kTokOther);
    }
    if (is(b, kChKeyword)) {
        // A number is a run of digits alone; any other keyword byte makes
        // the run a name, whose bulk is then passed over many bytes at a time.
        while (c.p < c.end && is(static_cast<unsigned char>(*c.p), kChDigit)) ++c.p;
        if (c.p == c.end || !is(static_cast<unsigned char>(*c.p), kChKeyword)) return cut(kTokNumber);
        for (;;) {
            c.p = skipNameRun(c.p, c.end);
            if (c.p == c.end || !is(static_cast<unsigned char>(*c.p), kChKeyword)) break;
            ++c.p;
        }
        return cut(kTokName);
    }
    if (b == '(' || b == ')' || b == '{' || b == '}') {
        ++c.p;
        return cut(kTokBracket);
    }
    if (isOperatorChar(b)) {
        while (c.p < c.end && isOperatorChar(static_cast<unsigned char>(*c.p))) ++c.p;
        return cut(kTokOperator);
    }
    ++c.p;
    return cut(kTokOther);
}

namespace {

struct Compiler {
    const MdlParseResult& r;
    MdlExprCursor& c;
    std::vector<MdlCondCell>& out;
    int depth = 0;

    bool emit(uint16_t kind, uint16_t value) {
        if (out.size() >= kMaxCells) return false;
        out.push_back({kind, value});
        return true;
    }

    bool operand(int cls, std::string_view t) {
        if (cls == kTokNumber) {
            int64_t n;
            if (!mdl::parseWholeDecimal(t, 0, 0xFFFF, &n)) return false;
            return emit(kMdlCellLiteral, static_cast<uint16_t>(n));
        }
        const SymbolEntry* sym = SymFindByName(t);
        if (sym && sym->itemId) return emit(kMdlCellOption, sym->itemId);
        if (const ValueSymbol* vs = ValueSymFindByName(t)) {
            if (vs->value > 0xFFFF) return false;
            return emit(kMdlCellLiteral, static_cast<uint16_t>(vs->value));
        }
        // An earlier Judge: its cells without the end cell.
        if (uint16_t n = MdlNameTableFind(r, t, kSecJudge)) {
            if (uint32_t at = MdlFindRule(r, kSecJudge, n)) {
                const MdlJudge& j = r.judges[at - 1];
                if (j.program.empty() || out.size() + j.program.size() - 1 > kMaxCells) return false;
                out.insert(out.end(), j.program.begin(), j.program.end() - 1);
                return true;
            }
        }
        return false;
    }

    // Compiles up to the ')' of a group (`inner`) or the end of the
    // expression. A pending operator is never dropped: an expression that
    // would lose one does not compile.
    bool run(bool inner, char* stop) {
        uint16_t pending = 0;
        std::string_view t;
        for (;;) {
            int cls = MdlExprNextToken(c, t);
            if (cls == kTokName || cls == kTokNumber) {
                if (!operand(cls, t)) return false;
                if (pending && !emit(kMdlCellOperator, pending)) return false;
                pending = 0;
            } else if (cls == kTokOperator) {
                if (pending && !emit(kMdlCellOperator, pending)) return false;
                pending = static_cast<uint16_t>(MdlKeywordValue(kOperators, t));
                if (!pending) return false;
            } else if (cls == kTokBracket && t[0] == '(') {
                if (depth >= kMaxGroupDepth) return false;
                ++depth;
                bool ok = run(true, nullptr);
                --depth;
                if (!ok) return false;
            } else if (cls == kTokBracket && t[0] == ')') {
                if (!inner) return false;
                return !pending || emit(kMdlCellOperator, pending);
            } else {
                // The end of the text or a brace ends the expression; any other
                // character is not part of the language.
                if (inner || pending) return false;
                if (cls == kTokOther && !t.empty()) return false;
                if (stop) *stop = t.empty() ? 0 : t[0];
                return emit(kMdlCellOperator, kMdlOpEnd);
            }
        }
    }
};

}  // namespace

bool MdlCompileExpression(const MdlParseResult& r, MdlExprCursor& text, std::vector<MdlCondCell>& out, char* stop) {
    out.clear();
    Compiler cc{r, text, out};
    if (cc.run(false, stop)) return true;
    out.clear();
    return false;
}

int MdlCheckProgram(const MdlCondCell* cells, size_t count) {
    if (!cells) return 0;
    int n = 0;
    for (size_t i = 0; i < count; ++i) {
        uint16_t kind = cells[i].kind, v = cells[i].value;
        if (kind == kMdlCellOption || kind == kMdlCellLiteral) {
            if (++n >= 128) return 0;
        } else if (kind == kMdlCellOperator) {
            if (v == kMdlOpEnd) return (n == 1 && i + 1 == count) ? 1 : 0;
            if (v == kOpNot) {
                // '!' takes the one value below it, as the evaluator does.
                if (n < 1) return 0;
            } else if (v >= 1 && v <= 9) {
                if (n < 2) return 0;
                --n;
            } else {
                return 0;
            }
        } else {
            return 0;
        }
    }
    return 0;
}

}  // namespace vesk
