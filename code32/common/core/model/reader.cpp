// The statement reader: cuts the model description into statements of a
// keyword, up to two words and a value, and reads the parts of a value.
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/model/model_internal.h"
#include "core/sysdeps.h"

namespace vesk::mdl {

namespace {

struct ClassTable {
    uint8_t c[256] = {};
    constexpr ClassTable() {
        for (int i = '0'; i <= '9'; ++i) c[i] |= kChDigit | kChKeyword;
        for (int i = 'A'; i <= 'F'; ++i) c[i] |= kChHex;
        for (int i = 'a'; i <= 'f'; ++i) c[i] |= kChHex;
        for (int i = 'A'; i <= 'Z'; ++i) c[i] |= kChKeyword;
        for (int i = 'a'; i <= 'z'; ++i) c[i] |= kChKeyword;
        for (char k : {'/', '@', '[', '\\', ']', '^', '_', '`'}) c[static_cast<unsigned char>(k)] |= kChKeyword;
        c[0x0A] |= kChLineEnd | kChTerminator;
        c[0x0D] |= kChLineEnd | kChTerminator;
        c[0x09] |= kChBlank | kChPrintable | kChTerminator;
        c[0x20] |= kChBlank | kChPrintable | kChTerminator;
        for (int i = 0x21; i <= 0x7E; ++i) {
            c[i] |= kChPrintable;
            if (i != ':' && i != '/') c[i] |= kChWord;
        }
        for (char k : {':', '/', '"', '#', '$', '%', '&', '\'', '(', ')', '*', ',', '.', ';', '<', '=', '>', '?',
                       '{', '|', '}'})
            c[static_cast<unsigned char>(k)] |= kChTerminator;
    }
};
constexpr ClassTable kClasses;

}  // namespace

const uint8_t kCharClasses[256] = {
#define VESK_ROW(i) kClasses.c[i], kClasses.c[i + 1], kClasses.c[i + 2], kClasses.c[i + 3]
#define VESK_ROW16(i) VESK_ROW(i), VESK_ROW(i + 4), VESK_ROW(i + 8), VESK_ROW(i + 12)
    VESK_ROW16(0),   VESK_ROW16(16),  VESK_ROW16(32),  VESK_ROW16(48),  VESK_ROW16(64),  VESK_ROW16(80),
    VESK_ROW16(96),  VESK_ROW16(112), VESK_ROW16(128), VESK_ROW16(144), VESK_ROW16(160), VESK_ROW16(176),
    VESK_ROW16(192), VESK_ROW16(208), VESK_ROW16(224), VESK_ROW16(240),
#undef VESK_ROW16
#undef VESK_ROW
};

// ---- Reader ----

// The scanning loops work on local pointers: the text's bytes may alias the
// reader's fields, so a loop over r.pos would store and reload it per byte.
namespace {

// The first byte at or after `p` (before `end`) whose class is not in `cls`.
// Keyword and word runs are tested sixteen bytes at a time where SSE2 is at
// hand: a keyword byte lies in 0x2F-0x39 or 0x40-0x7A, a word byte in
// 0x21-0x7E but is not ':' or '/' (bytes from 0x80 on are neither).
template <uint8_t cls>
inline const BYTE* skipClass(const BYTE* p, const BYTE* end) {
#if defined(__SSE2__)
    if constexpr (cls == kChKeyword || cls == kChWord) {
        auto within = [](__m128i v, char lo, char hi) {
            return _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(static_cast<char>(lo - 1))),
                                 _mm_cmplt_epi8(v, _mm_set1_epi8(static_cast<char>(hi + 1))));
        };
        while (end - p >= 16) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            __m128i in;
            if constexpr (cls == kChKeyword) {
                in = _mm_or_si128(within(v, 0x2F, 0x39), within(v, 0x40, 0x7A));
            } else {
                in = _mm_andnot_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(':')),
                                                   _mm_cmpeq_epi8(v, _mm_set1_epi8('/'))),
                                      within(v, 0x21, 0x7E));
            }
            const unsigned out = ~static_cast<unsigned>(_mm_movemask_epi8(in)) & 0xFFFFu;
            if (out) return p + __builtin_ctz(out);
            p += 16;
        }
    }
#endif
    while (p < end && is(*p, cls)) ++p;
    return p;
}

}  // namespace

const char* skipNameRun(const char* p, const char* end) {
#if defined(__SSE2__)
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i digit = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(0x2F)), _mm_cmplt_epi8(v, _mm_set1_epi8(0x3A)));
        const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(v, _mm_set1_epi8(0x3F)), _mm_cmplt_epi8(v, _mm_set1_epi8(0x7B)));
        const unsigned out = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(digit, letter))) & 0xFFFFu;
        if (out) return p + __builtin_ctz(out);
        p += 16;
    }
#endif
    while (p < end && ((*p >= 0x30 && *p <= 0x39) || (*p >= 0x40 && *p <= 0x7A))) ++p;
    return p;
}

void Reader::skipLine() {
    // The line ends at its first CR or LF: the LF is searched for, then a
    // CR before it (both with memchr, which passes over long comment lines
    // many bytes at a time).
    const BYTE* p = base + pos;
    const BYTE* end = base + size;
    if (p >= end) return;
    const void* lf = std::memchr(p, '\n', static_cast<size_t>(end - p));
    const BYTE* limit = lf ? static_cast<const BYTE*>(lf) : end;
    const void* cr = std::memchr(p, '\r', static_cast<size_t>(limit - p));
    pos = static_cast<size_t>((cr ? static_cast<const BYTE*>(cr) : limit) - base);
}

uint32_t lineOf(Reader& r, size_t offset) {
    if (offset < r.countedTo) {
        r.countedTo = 0;
        r.countedLines = 1;
    }
    for (size_t i = r.countedTo; i < offset && i < r.size; ++i) {
        if (r.base[i] == '\n') ++r.countedLines;
        else if (r.base[i] == '\r' && !(i + 1 < r.size && r.base[i + 1] == '\n')) ++r.countedLines;
    }
    r.countedTo = offset < r.size ? offset : r.size;
    return r.countedLines;
}

namespace {

// Blanks come one at a time between the parts of a statement, if at all: a
// plain loop here, not the run scanner.
void skipBlanks(Reader& r) {
    const BYTE* p = r.base + r.pos;
    const BYTE* const end = r.base + r.size;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    r.pos = static_cast<size_t>(p - r.base);
}

// The run of bytes of class `cls` at the reader's position.
template <uint8_t cls>
std::string_view readRun(Reader& r) {
    size_t from = r.pos;
    r.pos = static_cast<size_t>(skipClass<cls>(r.base + from, r.base + r.size) - r.base);
    return {reinterpret_cast<const char*>(r.base + from), r.pos - from};
}

// Bytes of a value that need no decision of their own: single-byte
// characters other than line ends, quotes, the escape '%' and the brackets.
struct PlainTable {
    bool plain[256] = {};
    constexpr PlainTable() {
        for (int i = 0; i < 0x80; ++i) plain[i] = !(kClasses.c[i] & kChLineEnd);
        for (char k : {'"', '%', '(', ')', '{', '}'}) plain[static_cast<unsigned char>(k)] = false;
    }
};
constexpr PlainTable kPlain;

// The first byte at or after `p` (before `end`) that is not plain. Sixteen
// bytes are tested at a time where SSE2 is at hand: the line ends, the six
// special characters and any byte with its high bit set stop the run.
const BYTE* skipPlain(const BYTE* p, const BYTE* end) {
#if defined(__SSE2__)
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i m = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
        m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('"')));
        m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('%')));
        m = _mm_or_si128(m, _mm_cmpeq_epi8(_mm_and_si128(v, _mm_set1_epi8(static_cast<char>(0xFE))), _mm_set1_epi8('(')));
        m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('{')));
        m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('}')));
        const unsigned stop = static_cast<unsigned>(_mm_movemask_epi8(m) | _mm_movemask_epi8(v));
        if (stop) return p + __builtin_ctz(stop);
        p += 16;
    }
#endif
    while (p < end && kPlain.plain[*p]) ++p;
    return p;
}

// A statement found broken: the rest of its line goes with it, so the next
// statement starts on a line of its own.
int skipped(Reader& r) {
    r.skipLine();
    return kReadSkipped;
}

}  // namespace

int readStatement(Reader& r, Statement& s, const std::array<bool, 256>& leadByte) {
    // Each view cleared on its own: a chained assignment stores and reloads
    // the same bytes, which stalls on the store.
    s.keyword = {};
    s.word1 = {};
    s.word2 = {};
    s.value = {};

    // 1. The start of a statement: '*' first on a line, not followed by '%'.
    for (;;) {
        if (r.pos >= r.size) return kReadEnd;
        unsigned char c = r.base[r.pos++];
        if (is(c, kChLineEnd)) continue;
        if (c == '*' && r.peek() != '%') break;
        r.skipLine();
    }
    s.start = r.pos - 1;

    // 2. The keyword.
    s.keyword = readRun<kChKeyword>(r);
    if (s.keyword.empty()) return skipped(r);

    // 3. A keyword directly followed by its line end (or the end of the
    // file) is a statement without a value.
    if (r.pos >= r.size || is(r.base[r.pos], kChLineEnd)) return kReadOk;

    // 4. Up to two words, then the colon. Blanks after the keyword start
    // the words, so "*CloseUI " with nothing after the blank is a statement
    // without its colon and is skipped.
    skipBlanks(r);
    if (r.peek() != ':') {
        s.word1 = readRun<kChWord>(r);
        skipBlanks(r);
        if (r.peek() != ':') {
            s.word2 = readRun<kChWord>(r);
            skipBlanks(r);
            if (r.peek() != ':') return skipped(r);
        }
    }
    ++r.pos;

    // 5. The value: up to a line end outside quotes, parentheses and braces.
    // It is the text's bytes from its first non-blank on.
    skipBlanks(r);
    // The value's loop keeps its position in a local pointer (the reader's
    // field is written back before every return).
    const BYTE* const base = r.base;
    const BYTE* const end = r.base + r.size;
    const BYTE* const from = base + r.pos;
    const BYTE* p = from;
    auto at = [&](const BYTE* q) {
        r.pos = static_cast<size_t>(q - base);
    };
    auto value = [&] {
        at(p);
        s.value = {reinterpret_cast<const char*>(from), static_cast<size_t>(p - from)};
        return kReadOk;
    };
    auto broken = [&] {
        at(p);
        return skipped(r);
    };
    bool quoted = false;
    uint32_t parens = 0, braces = 0;
    for (;;) {
        // A run of plain bytes is passed over whole (lead bytes are never
        // plain).
        p = skipPlain(p, end);
        if (p >= end) {
            if (!(quoted || parens || braces)) return value();
            at(p);
            return kReadSkipped;
        }
        unsigned char b = *p;
        if (is(b, kChLineEnd) && !quoted && parens == 0 && braces == 0) return value();
        ++p;
        if (leadByte[b]) {
            // A double-byte character: its second byte is not examined.
            if (p >= end) {
                at(p);
                return kReadSkipped;
            }
            ++p;
            continue;
        }
        if (quoted) {
            if (b == '"') {
                quoted = false;
            } else if (b == '%') {
                if (p >= end || is(*p, kChLineEnd)) return broken();
                ++p;
            } else if (b == '(' || b == ')' || b == '{' || b == '}') {
                return broken();
            }
            continue;
        }
        switch (b) {
        case '"': quoted = true; break;
        case '(': ++parens; break;
        case ')':
            if (parens == 0) return broken();
            --parens;
            break;
        case '{':
            if (parens) return broken();
            ++braces;
            break;
        case '}':
            if (parens || braces == 0) return broken();
            --braces;
            break;
        default: break;
        }
    }
}

Scratch& scratch() {
    thread_local Scratch s;
    return s;
}

// ---- Values ----

bool Value::wordView(std::string_view& out) {
    out = {};
    int c = peek();
    if (c < 0 || c == '{' || c == '}' || c == '"' || c == '|') return false;
    if (c == '*') ++p_;
    const char* from = p_;
    while (p_ < end_) {
        p_ = skipNameRun(p_, end_);
        if (p_ >= end_) break;
        unsigned char b = static_cast<unsigned char>(*p_);
        if (lead_[b]) {
            if (p_ + 1 >= end_) return false;
            p_ += 2;
            continue;
        }
        if (is(b, kChTerminator)) {
            // The terminator goes with the word. A quote that ends a word is
            // thus lost to the quoted string that would have followed.
            // A brace or bar that ended the word still counts as read by the
            // statement's next step, which asks for it.
            out = {from, static_cast<size_t>(p_ - from)};
            ++p_;
            if (b == '{' || b == '}' || b == '|') pending_ = static_cast<char>(b);
            return !out.empty();
        }
        ++p_;
    }
    out = {from, static_cast<size_t>(p_ - from)};
    return !out.empty();
}

bool Value::word(std::string& out) {
    std::string_view w;
    const bool ok = wordView(w);
    out.assign(w);
    return ok;
}

bool parseWholeDecimal(std::string_view w, int64_t lo, int64_t hi, int64_t* out) {
    size_t i = 0;
    bool neg = false;
    if (i < w.size() && w[i] == '-') {
        neg = true;
        ++i;
    }
    if (i == w.size()) return false;
    int64_t v = 0;
    for (; i < w.size(); ++i) {
        if (w[i] < '0' || w[i] > '9') return false;
        v = v * 10 + (w[i] - '0');
        if (v > 0xFFFFFFFFll) return false;
    }
    if (neg) v = -v;
    if (v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool Value::number(int64_t lo, int64_t hi, int64_t* out) {
    std::string_view w;
    return wordView(w) && parseWholeDecimal(w, lo, hi, out);
}

namespace {

// Bytes of a quoted string outside a hex run that are copied as they are:
// single-byte characters other than line ends, the quote, '%' and '<'.
struct QuotedPlainTable {
    bool plain[256] = {};
    constexpr QuotedPlainTable() {
        for (int i = 0; i < 0x80; ++i) plain[i] = !(kClasses.c[i] & kChLineEnd);
        for (char k : {'"', '%', '<'}) plain[static_cast<unsigned char>(k)] = false;
    }
};
constexpr QuotedPlainTable kQuotedPlain;

// The first byte at or after `p` (before `end`) that is not plain in a
// quoted string; sixteen bytes at a time where SSE2 is at hand (line ends,
// the three special characters and any byte with its high bit set stop it).
const char* skipQuotedPlain(const char* p, const char* end) {
#if defined(__SSE2__)
    while (end - p >= 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i m = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
        m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('"')));
        m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('%')));
        m = _mm_or_si128(m, _mm_cmpeq_epi8(v, _mm_set1_epi8('<')));
        const unsigned stop = static_cast<unsigned>(_mm_movemask_epi8(m) | _mm_movemask_epi8(v));
        if (stop) return p + __builtin_ctz(stop);
        p += 16;
    }
#endif
    while (p < end && kQuotedPlain.plain[static_cast<unsigned char>(*p)]) ++p;
    return p;
}

}  // namespace

bool Value::quoted(std::string& out) {
    out.clear();
    if (peek() != '"') return false;
    const char* p = p_ + 1;
    const char* const end = end_;
    bool hex = false;
    int nibble = -1;
    bool closed = false;
    while (p < end) {
        if (!hex) {
            const char* from = p;
            p = skipQuotedPlain(p, end);
            if (p != from) out.append(from, static_cast<size_t>(p - from));
            if (p >= end) break;
        }
        unsigned char b = static_cast<unsigned char>(*p++);
        if (lead_[b]) {
            if (p >= end) break;
            unsigned char t = static_cast<unsigned char>(*p++);
            if (!hex) {
                out.push_back(static_cast<char>(b));
                out.push_back(static_cast<char>(t));
            }
            continue;
        }
        if (b == '"') {
            closed = true;
            break;
        }
        if (b == '%') {
            if (p >= end) break;
            out.push_back(*p++);
            continue;
        }
        if (is(b, kChLineEnd)) continue;
        if (!hex) {
            if (b == '<') {
                hex = true;
                nibble = -1;
            } else {
                out.push_back(static_cast<char>(b));
            }
            continue;
        }
        if (b == '>') {
            hex = false;  // a lone digit before '>' is dropped
            continue;
        }
        if (!is(b, kChDigit | kChHex)) continue;
        int d = (b <= '9') ? b - '0' : (b | 0x20) - 'a' + 10;
        if (nibble < 0) {
            nibble = d;
        } else {
            out.push_back(static_cast<char>((nibble << 4) | d));
            nibble = -1;
        }
    }
    p_ = p;
    return closed;
}

}  // namespace vesk::mdl
