// Conversion between UTF-16 and the machine's code pages.
//
// Each 8-bit code page is read from iconv once, into a byte table (and a pair
// table for double-byte pages) plus a reverse table indexed by UTF-16 unit;
// every later conversion is a table walk. UTF-8 is converted here directly,
// strictly: overlong forms, surrogates and values past U+10FFFF are invalid.
#include "codepage_table.h"

#include <iconv.h>

#include <algorithm>
#include <iterator>
#include <map>
#include <memory>

namespace winsim::detail {
namespace {

const char* iconvName(UINT cp) {
    switch (cp) {
        case 1250: return "CP1250";
        case 1251: return "CP1251";
        case 1252: return "CP1252";
        case 1253: return "CP1253";
        case 1254: return "CP1254";
        case 1255: return "CP1255";
        case 1256: return "CP1256";
        case 1257: return "CP1257";
        case 1258: return "CP1258";
        case 874: return "CP874";
        case 932: return "CP932";
        case 936: return "CP936";
        case 949: return "CP949";
        case 950: return "BIG5";
        case 437: return "IBM437";
        case 850: return "IBM850";
        case 852: return "IBM852";
        case 866: return "IBM866";
        case 20127: return "ASCII";
        case 28591: return "ISO-8859-1";
        default: return nullptr;
    }
}

struct Iconv {
    iconv_t cd;
    Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
    // The one UTF-16 unit that `n` bytes convert to, or kNoChar.
    char16_t one(const unsigned char* bytes, size_t n) {
        char src[2] = {static_cast<char>(bytes[0]), n > 1 ? static_cast<char>(bytes[1]) : '\0'};
        unsigned char dst[8];
        char* sp = src;
        size_t sl = n;
        char* dp = reinterpret_cast<char*>(dst);
        size_t dl = sizeof dst;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &sp, &sl, &dp, &dl) == static_cast<size_t>(-1) || sl != 0 || sizeof dst - dl != 2)
            return kNoChar;
        return static_cast<char16_t>(dst[0] | dst[1] << 8);
    }
};

std::unique_ptr<CodePageTable> buildTable(UINT cp, const char* name) {
    Iconv conv("UTF-16LE", name);
    if (!conv.ok()) return nullptr;
    auto t = std::make_unique<CodePageTable>();
    t->codePage = cp;
    switch (cp) {
        case 932: {
            const BYTE r[] = {0x81, 0x9F, 0xE0, 0xFC};
            std::copy(std::begin(r), std::end(r), t->leadRanges);
            t->defaultWide = u'\u30FB';  // Windows' default for undefined double-byte input
            break;
        }
        case 936:
        case 949:
        case 950:
            t->leadRanges[0] = 0x81;
            t->leadRanges[1] = 0xFE;
            break;
        default: break;
    }
    for (size_t r = 0; t->leadRanges[r]; r += 2)
        for (unsigned b = t->leadRanges[r]; b <= t->leadRanges[r + 1]; ++b) t->lead[b] = true;
    t->doubleByte = t->leadRanges[0] != 0;

    for (unsigned b = 0; b < 0x80; ++b) t->single[b] = static_cast<char16_t>(b);
    for (unsigned b = 0x80; b < 0x100; ++b) {
        unsigned char byte = static_cast<unsigned char>(b);
        t->single[b] = t->lead[b] ? kNoChar : conv.one(&byte, 1);
        // Windows maps the bytes a single-byte table leaves open to the C1
        // control or Latin-1 character of the same value (1252: 0x81, 0x8D,
        // 0x8F, 0x90, 0x9D), so every byte converts and round-trips.
        if (!t->doubleByte && t->single[b] == kNoChar) t->single[b] = static_cast<char16_t>(b);
    }
    if (cp == 932) {
        // Single bytes Windows' 932 table maps that iconv's leaves undefined.
        t->single[0x80] = u'\u0080';
        t->single[0xA0] = u'\uF8F0';
        t->single[0xFD] = u'\uF8F1';
        t->single[0xFE] = u'\uF8F2';
        t->single[0xFF] = u'\uF8F3';
    }

    t->code.assign(0x10000, kNoCode);
    for (unsigned b = 0; b < 0x100; ++b)
        if (t->single[b] != kNoChar && t->code[t->single[b]] == kNoCode) t->code[t->single[b]] = static_cast<uint16_t>(b);
    if (t->doubleByte) {
        t->pair.assign(0x10000, kNoChar);
        // Several 932 codes name the same character; the reverse mapping takes
        // the lowest code, except that the NEC-selected rows 0xED/0xEE yield to
        // the IBM rows 0xFA-0xFC, as Windows does. Hence those two rows last.
        std::vector<unsigned> leads;
        for (unsigned b = 0x80; b < 0x100; ++b)
            if (t->lead[b] && !(cp == 932 && (b == 0xED || b == 0xEE))) leads.push_back(b);
        if (cp == 932) leads.insert(leads.end(), {0xED, 0xEE});
        for (unsigned l : leads) {
            for (unsigned tr = 0x40; tr < 0x100; ++tr) {
                if (!t->isTrail(static_cast<unsigned char>(tr))) continue;
                unsigned char bytes[2] = {static_cast<unsigned char>(l), static_cast<unsigned char>(tr)};
                char16_t c = conv.one(bytes, 2);
                uint16_t code = static_cast<uint16_t>(l << 8 | tr);
                t->pair[code] = c;
                if (c != kNoChar && t->code[c] == kNoCode) t->code[c] = code;
            }
        }
    }
    return t;
}

struct Tables {
    std::mutex lock;
    std::map<UINT, std::unique_ptr<CodePageTable>> byPage;
};
Tables& tables() {
    static Tables* t = new Tables;  // kept for the life of the process
    return *t;
}

bool isSurrogateHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isSurrogateLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

std::u16string decodeUtf8(std::string_view in, bool* invalid) {
    const size_t n = in.size();
    // The leading ASCII run widens byte for byte into a string sized once;
    // most texts (paths, names, configuration) are nothing else.
    size_t i = 0;
    while (i < n && static_cast<unsigned char>(in[i]) < 0x80) ++i;
    std::u16string out(i, u'\0');
    for (size_t k = 0; k < i; ++k) out[k] = static_cast<char16_t>(static_cast<unsigned char>(in[k]));
    if (i == n) return out;
    out.reserve(n);
    auto byte = [&](size_t k) { return static_cast<unsigned char>(in[k]); };
    while (i < n) {
        unsigned char b = byte(i);
        if (b < 0x80) {
            out += static_cast<char16_t>(b);
            ++i;
            continue;
        }
        size_t need;
        uint32_t c;
        unsigned char lo = 0x80, hi = 0xBF;  // range of the second byte
        if (b >= 0xC2 && b <= 0xDF) { need = 1; c = b & 0x1F; }
        else if (b >= 0xE0 && b <= 0xEF) {
            need = 2; c = b & 0x0F;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;  // no surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            need = 3; c = b & 0x07;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;  // nothing past U+10FFFF
        } else {
            out += u'\uFFFD';
            if (invalid) *invalid = true;
            ++i;
            continue;
        }
        // Take continuation bytes while they are valid; a broken sequence
        // becomes one U+FFFD and reading resumes at the byte that broke it.
        size_t k = 1;
        for (; k <= need && i + k < n; ++k) {
            unsigned char cb = byte(i + k);
            unsigned char l = k == 1 ? lo : 0x80, h = k == 1 ? hi : 0xBF;
            if (cb < l || cb > h) break;
            c = c << 6 | (cb & 0x3F);
        }
        if (k <= need) {
            out += u'\uFFFD';
            if (invalid) *invalid = true;
            i += k;
            continue;
        }
        i += k;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

std::string encodeUtf8(std::u16string_view in, bool* invalid) {
    std::string out;
    out.reserve(in.size());
    for (size_t i = 0; i < in.size(); ++i) {
        uint32_t c = in[i];
        if (isSurrogateHigh(in[i]) && i + 1 < in.size() && isSurrogateLow(in[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (in[i + 1] - 0xDC00u);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
            if (invalid) *invalid = true;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

namespace {

const CodePageTable* tableOrFallback(UINT cp) {
    if (const CodePageTable* t = codePageTable(cp)) return t;
    return codePageTable(1252);
}

}  // namespace

bool CodePageTable::isTrail(unsigned char b) const {
    switch (codePage) {
        case 932: return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
        case 949: return b >= 0x41 && b <= 0xFE;
        case 950: return (b >= 0x40 && b <= 0x7E) || (b >= 0xA1 && b <= 0xFE);
        default: return b >= 0x40 && b <= 0xFE && b != 0x7F;
    }
}

UINT effectiveCodePage(UINT cp) {
    if (cp == 0 || cp == 3) return config().ansiCodePage;  // CP_ACP, CP_THREAD_ACP
    if (cp == 1) return config().oemCodePage;              // CP_OEMCP
    return cp;
}

const CodePageTable* codePageTable(UINT cp) {
    cp = effectiveCodePage(cp);
    const char* name = iconvName(cp);
    if (!name) return nullptr;
    auto& ts = tables();
    std::lock_guard g(ts.lock);
    auto it = ts.byPage.find(cp);
    if (it == ts.byPage.end()) it = ts.byPage.emplace(cp, buildTable(cp, name)).first;
    return it->second.get();
}

bool isKnownCodePage(UINT cp) {
    cp = effectiveCodePage(cp);
    return cp == kUtf8CodePage || codePageTable(cp) != nullptr;
}

bool isLeadByte(UINT cp, unsigned char b) {
    const CodePageTable* t = codePageTable(cp);
    return t && t->lead[b];
}

std::u16string decodeBytes(UINT cp, std::string_view in, bool* invalid) {
    if (invalid) *invalid = false;
    cp = effectiveCodePage(cp);
    if (cp == kUtf8CodePage) return decodeUtf8(in, invalid);
    std::u16string out;
    const CodePageTable* t = tableOrFallback(cp);
    if (!t) {  // no iconv tables at all: read bytes as Latin-1
        for (unsigned char b : in) out += static_cast<char16_t>(b);
        return out;
    }
    out.reserve(in.size());
    const size_t n = in.size();
    for (size_t i = 0; i < n;) {
        auto b = static_cast<unsigned char>(in[i]);
        char16_t c;
        if (t->lead[b]) {
            if (i + 1 < n && t->isTrail(static_cast<unsigned char>(in[i + 1]))) {
                c = t->pair[b << 8 | static_cast<unsigned char>(in[i + 1])];
                i += 2;
            } else {
                c = kNoChar;  // incomplete: the next byte is read on its own
                ++i;
            }
        } else {
            c = t->single[b];
            ++i;
        }
        if (c == kNoChar) {
            c = t->defaultWide;
            if (invalid) *invalid = true;
        }
        out += c;
    }
    return out;
}

std::string encodeWide(UINT cp, std::u16string_view in, std::string_view defaultChar, bool* usedDefault,
                       bool* invalid) {
    if (usedDefault) *usedDefault = false;
    if (invalid) *invalid = false;
    cp = effectiveCodePage(cp);
    if (cp == kUtf8CodePage) return encodeUtf8(in, invalid);
    if (defaultChar.empty()) defaultChar = "?";
    std::string out;
    out.reserve(in.size());
    const CodePageTable* t = tableOrFallback(cp);
    for (size_t i = 0; i < in.size(); ++i) {
        char16_t c = in[i];
        uint16_t code = kNoCode;
        if (isSurrogateHigh(c) && i + 1 < in.size() && isSurrogateLow(in[i + 1])) {
            ++i;  // a supplementary character: no 8-bit page has it; one default for the pair
        } else if (t) {
            code = t->code[c];
        } else if (c < 0x100) {
            code = c;
        }
        if (code == kNoCode) {
            out += defaultChar;
            if (usedDefault) *usedDefault = true;
        } else if (code > 0xFF) {
            out += static_cast<char>(code >> 8);
            out += static_cast<char>(code & 0xFF);
        } else {
            out += static_cast<char>(code);
        }
    }
    return out;
}

std::u16string ansiToWide(std::string_view in, UINT cp, bool* lossless) {
    bool invalid = false;
    std::u16string out = decodeBytes(cp, in, &invalid);
    if (lossless) *lossless = !invalid;
    return out;
}

std::string wideToAnsi(std::u16string_view in, UINT cp, bool* lossless) {
    bool used = false, invalid = false;
    std::string out = encodeWide(cp, in, {}, &used, &invalid);
    if (lossless) *lossless = !used && !invalid;
    return out;
}

}  // namespace winsim::detail
