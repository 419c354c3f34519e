// Drawing scripts: the reader (tokens, statements, paths, checks with line
// numbers), the public DEVMODE field writer and the player.
#include "vds.h"

#include <winsim/winsim.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <new>
#include <sstream>

#include "bmp.h"

namespace vds {

namespace eng = winsim::engine;

// ---------------------------------------------------------------------------
// Tokens.

namespace {

struct Token {
    enum Kind { Word, String, Open, Close, End } kind = Word;
    std::string text;
    int line = 0;
    bool quoted = false;  // a word that held a quoted value (name="x y")
};

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }
bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int hexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

class Lexer {
public:
    Lexer(std::string_view text, std::vector<Error>* errors) : s_(text), errors_(errors) {}

    // The tokens of the next statement (a line, or lines joined by braces);
    // false at the end of the text.
    bool next(std::vector<Token>& out, int& line) {
        out.clear();
        int depth = 0, openLine = line_;
        line = line_;
        while (pos_ < s_.size()) {
            char c = s_[pos_];
            if (c == '\n') {
                ++pos_;
                ++line_;
                if (depth == 0 && !out.empty()) return true;
                if (out.empty()) line = line_;
                continue;
            }
            if (isBlank(c)) {
                ++pos_;
                continue;
            }
            if (c == '#' && !isColour()) {
                while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
                continue;
            }
            if (c == '{' || c == '}') {
                out.push_back({c == '{' ? Token::Open : Token::Close, std::string(1, c), line_, false});
                if (c == '{' && depth == 0) openLine = line_;
                depth += c == '{' ? 1 : -1;
                ++pos_;
                if (depth < 0) depth = 0;
                continue;
            }
            if (c == '"') {
                Token t{Token::String, {}, line_, true};
                if (!readString(t.text)) return finishBroken(out);
                out.push_back(std::move(t));
                continue;
            }
            Token t{Token::Word, {}, line_, false};
            while (pos_ < s_.size() && !isBlank(s_[pos_]) && s_[pos_] != '\n' && s_[pos_] != '{' && s_[pos_] != '}') {
                if (s_[pos_] == '"') {
                    std::string v;
                    if (!readString(v)) return finishBroken(out);
                    t.text += v;
                    t.quoted = true;
                    continue;
                }
                t.text.push_back(s_[pos_++]);
                if (t.text.size() > 65536) {
                    error(line_, "word too long");
                    return finishBroken(out);
                }
            }
            out.push_back(std::move(t));
        }
        if (depth > 0) error(openLine, "a brace block is not closed");
        return !out.empty();
    }

private:
    bool isColour() const {
        if (pos_ + 7 > s_.size()) return false;
        for (size_t i = 1; i <= 6; ++i)
            if (!isHex(s_[pos_ + i])) return false;
        return pos_ + 7 == s_.size() || isBlank(s_[pos_ + 7]) || s_[pos_ + 7] == '\n' || s_[pos_ + 7] == '}';
    }

    bool readString(std::string& v) {
        int startLine = line_;
        ++pos_;  // opening quote
        while (pos_ < s_.size()) {
            char c = s_[pos_++];
            if (c == '"') return true;
            if (c == '\n') {
                --pos_;
                error(startLine, "a string is not closed on its line");
                return false;
            }
            if (c != '\\') {
                v.push_back(c);
            } else {
                if (pos_ >= s_.size()) break;
                char e = s_[pos_++];
                switch (e) {
                    case 'n': v.push_back('\n'); break;
                    case 't': v.push_back('\t'); break;
                    case '"': v.push_back('"'); break;
                    case '\\': v.push_back('\\'); break;
                    case 'u': {
                        uint32_t cp = 0;
                        for (int i = 0; i < 4; ++i) {
                            if (pos_ >= s_.size() || !isHex(s_[pos_])) {
                                error(startLine, "\\u needs four hexadecimal digits");
                                return false;
                            }
                            cp = cp * 16 + static_cast<uint32_t>(hexValue(s_[pos_++]));
                        }
                        appendUtf8(v, cp);
                        break;
                    }
                    default: error(startLine, std::string("unknown escape \\") + e); return false;
                }
            }
            if (v.size() > 65536) {
                error(startLine, "string too long");
                return false;
            }
        }
        error(startLine, "a string is not closed");
        return false;
    }

    // After a broken token the rest of the line is skipped.
    bool finishBroken(std::vector<Token>& out) {
        while (pos_ < s_.size() && s_[pos_] != '\n') ++pos_;
        out.clear();
        out.push_back({Token::Word, "\x01", line_, false});  // marks a statement already reported
        return true;
    }

    void error(int line, const std::string& m) {
        if (errors_) errors_->push_back({line, m});
    }

    std::string_view s_;
    size_t pos_ = 0;
    int line_ = 1;
    std::vector<Error>* errors_;
};

// ---------------------------------------------------------------------------
// Values.

bool parseInt(const std::string& s, int64_t lo, int64_t hi, int64_t& out) {
    if (s.empty() || s.size() > 24) return false;
    const char* p = s.c_str();
    char* end = nullptr;
    errno = 0;
    long long v;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X'))
        v = static_cast<long long>(std::strtoull(p + 2, &end, 16));
    else
        v = std::strtoll(p, &end, 10);
    if (errno || end == p || *end || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool parseFloat(const std::string& s, double lo, double hi, double& out) {
    if (s.empty() || s.size() > 32) return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(s.c_str(), &end);
    if (errno || end == s.c_str() || *end || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool parseColour(const std::string& s, eng::Color& out) {
    if (s.size() != 7 || s[0] != '#') return false;
    uint32_t v = 0;
    for (size_t i = 1; i < 7; ++i) {
        if (!isHex(s[i])) return false;
        v = v * 16 + static_cast<uint32_t>(hexValue(s[i]));
    }
    out = v;
    return true;
}

std::vector<std::string> splitList(const std::string& s) {
    std::vector<std::string> out;
    std::string cur;
    for (char c : s) {
        if (c == ',') {
            out.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    out.push_back(cur);
    return out;
}

constexpr int64_t kCoordMax = 1 << 26;  // pixels; leaves room for 28.4

struct ParseError {
    std::string message;
};

// Reads statements' arguments left to right.
class Args {
public:
    Args(const std::vector<Token>& t, size_t from) : t_(t), i_(from) {}
    bool done() const { return i_ >= t_.size(); }
    const Token& peek() const { return t_[i_]; }
    const Token& take(const char* what) {
        if (done()) throw ParseError{std::string("missing ") + what};
        return t_[i_++];
    }
    std::string word(const char* what) {
        const Token& t = take(what);
        if (t.kind != Token::Word && t.kind != Token::String) throw ParseError{std::string("expected ") + what};
        return t.text;
    }
    int64_t integer(const char* what, int64_t lo = -kCoordMax, int64_t hi = kCoordMax) {
        std::string w = word(what);
        int64_t v;
        if (!parseInt(w, lo, hi, v)) throw ParseError{std::string("bad ") + what + " '" + w + "'"};
        return v;
    }
    RECTL rect() {
        RECTL r;
        r.left = static_cast<LONG>(integer("left"));
        r.top = static_cast<LONG>(integer("top"));
        r.right = static_cast<LONG>(integer("right"));
        r.bottom = static_cast<LONG>(integer("bottom"));
        return r;
    }
    bool isOpen() const { return !done() && t_[i_].kind == Token::Open; }
    bool isWord(const char* w) const { return !done() && t_[i_].kind == Token::Word && t_[i_].text == w; }
    size_t& index() { return i_; }
    const std::vector<Token>& tokens() const { return t_; }

private:
    const std::vector<Token>& t_;
    size_t i_;
};

// A coordinate: pixels (scaled to 28.4 when `scale` is 16) or raw with "fx".
FIX coordinate(const std::string& w, int scale) {
    int64_t v;
    if (w.size() > 2 && w.compare(w.size() - 2, 2, "fx") == 0) {
        if (scale != 16) throw ParseError{"fx values are for device paths only"};
        if (!parseInt(w.substr(0, w.size() - 2), -kCoordMax * 16, kCoordMax * 16, v))
            throw ParseError{"bad coordinate '" + w + "'"};
        return static_cast<FIX>(v);
    }
    if (!parseInt(w, -kCoordMax, kCoordMax, v)) throw ParseError{"bad coordinate '" + w + "'"};
    return static_cast<FIX>(v * scale);
}

// { M x y L x y C x1 y1 x2 y2 x3 y3 Z ... }
eng::Path readPath(Args& a, int scale) {
    if (!a.isOpen()) throw ParseError{"expected a path in braces"};
    a.take("{");
    eng::Path p;
    size_t points = 0;
    for (;;) {
        const Token& t = a.take("}");
        if (t.kind == Token::Close) break;
        if (t.kind != Token::Word) throw ParseError{"unexpected text in a path"};
        auto pt = [&]() {
            FIX x = coordinate(a.word("x"), scale);
            FIX y = coordinate(a.word("y"), scale);
            return POINTFIX{x, y};
        };
        if (++points > 1000000) throw ParseError{"path too long"};
        if (t.text == "M") {
            eng::Figure f;
            f.start = pt();
            p.figures.push_back(std::move(f));
        } else if (t.text == "L") {
            if (p.figures.empty()) throw ParseError{"a path must start with M"};
            eng::Segment s;
            s.p[0] = pt();
            p.figures.back().segs.push_back(s);
        } else if (t.text == "C") {
            if (p.figures.empty()) throw ParseError{"a path must start with M"};
            eng::Segment s;
            s.bezier = true;
            for (auto& q : s.p) q = pt();
            p.figures.back().segs.push_back(s);
        } else if (t.text == "Z") {
            if (p.figures.empty()) throw ParseError{"Z without a figure"};
            p.figures.back().closed = true;
        } else {
            throw ParseError{"unknown path command '" + t.text + "'"};
        }
    }
    if (p.figures.empty()) throw ParseError{"empty path"};
    return p;
}

std::pair<std::string, std::string> option(const std::string& w) {
    size_t eq = w.find('=');
    if (eq == std::string::npos) return {w, {}};
    return {w.substr(0, eq), w.substr(eq + 1)};
}

// ---------------------------------------------------------------------------
// DEVMODE fields.

struct FieldInfo {
    const char* key;
    size_t offset;
    int bytes;   // 2 or 4; 0 for the form name
    uint32_t bit;
    int64_t lo, hi;
};
const FieldInfo kFields[] = {
    {"orient", 76, 2, 0x1, 1, 2},
    {"paper", 78, 2, 0x2, 0, 32767},
    {"length", 80, 2, 0x4, 0, 32767},
    {"width", 82, 2, 0x8, 0, 32767},
    {"scale", 84, 2, 0x10, 1, 32767},
    {"copies", 86, 2, 0x100, 1, 32767},
    {"source", 88, 2, 0x200, 0, 32767},
    {"quality", 90, 2, 0x400, -4, 32767},
    {"color", 92, 2, 0x800, 1, 2},
    {"duplex", 94, 2, 0x1000, 1, 3},
    {"yres", 96, 2, 0x2000, 0, 32767},
    {"ttoption", 98, 2, 0x4000, 1, 4},
    {"collate", 100, 2, 0x8000, 0, 1},
    {"form", 102, 0, 0x10000, 0, 0},
    {"nup", 180, 4, 0x40, 1, 2},
    {"icmmethod", 188, 4, 0x800000, 1, 0x7FFFFFFF},
    {"icmintent", 192, 4, 0x1000000, 1, 0x7FFFFFFF},
    {"media", 196, 4, 0x2000000, 1, 0x7FFFFFFF},
    {"dither", 200, 4, 0x4000000, 1, 0x7FFFFFFF},
};
constexpr size_t kPublicSize = 220;

// Settings of the driver's private part that a script may choose: the byte
// of the private DEVMODE (offset from the DEVMODE's start) and its range.
// They apply only to a DEVMODE that carries the driver's private part
// (signature "priv" at 349).
struct PrivateFieldInfo {
    const char* key;
    size_t offset;
    int64_t lo, hi;
};
const PrivateFieldInfo kPrivateFields[] = {
    {"imageprint", 593, 0, 1},  // rdmImagePrint: the page goes as a banded image
    {"joblinker", 224, 0, 2},   // rdmJobLinker (low byte): 1 binds the pages, PASSTHROUGH served
};
constexpr size_t kPrivateSignature = 349;
constexpr size_t kDriverDevmodeSize = 1260;

void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

}  // namespace

bool hasDriverPrivatePart(const std::vector<uint8_t>& dm) {
    return dm.size() >= kDriverDevmodeSize && std::memcmp(dm.data() + kPrivateSignature, "priv", 4) == 0;
}

std::vector<uint8_t> minimalDevmode(const std::u16string& deviceName) {
    std::vector<uint8_t> d(kPublicSize, 0);
    for (size_t i = 0; i < deviceName.size() && i < 31; ++i) put16(d, 2 * i, deviceName[i]);
    put16(d, 64, 0x0401);  // dmSpecVersion
    put16(d, 68, kPublicSize);
    return d;
}

bool applyDevmodeFields(std::vector<uint8_t>& dm, const std::vector<std::pair<std::string, std::string>>& fields,
                        std::string* error) {
    if (dm.size() < kPublicSize) {
        if (error) *error = "the DEVMODE is shorter than its public part";
        return false;
    }
    for (const auto& [key, value] : fields) {
        const FieldInfo* f = nullptr;
        for (const auto& k : kFields)
            if (key == k.key) f = &k;
        const PrivateFieldInfo* pf = nullptr;
        for (const auto& k : kPrivateFields)
            if (key == k.key) pf = &k;
        if (pf) {
            int64_t v;
            if (!parseInt(value, pf->lo, pf->hi, v)) {
                if (error) *error = "bad value for DEVMODE field '" + key + "'";
                return false;
            }
            if (!hasDriverPrivatePart(dm)) {
                if (error) *error = "'" + key + "' needs a DEVMODE with the driver's private part";
                return false;
            }
            dm[pf->offset] = static_cast<uint8_t>(v);
            continue;
        }
        if (!f) {
            if (error) *error = "unknown DEVMODE field '" + key + "'";
            return false;
        }
        if (f->bytes == 0) {
            std::u16string name = winsim::fromUtf8(value);
            if (name.size() > 31) {
                if (error) *error = "form name longer than 31 characters";
                return false;
            }
            for (size_t i = 0; i < 32; ++i) put16(dm, f->offset + 2 * i, i < name.size() ? name[i] : 0);
        } else {
            int64_t v;
            if (!parseInt(value, f->lo, f->hi, v)) {
                if (error) *error = "bad value for DEVMODE field '" + key + "'";
                return false;
            }
            if (f->bytes == 2)
                put16(dm, f->offset, static_cast<uint32_t>(v));
            else
                put32(dm, f->offset, static_cast<uint32_t>(v));
        }
        uint32_t flags = dm[72] | dm[73] << 8 | static_cast<uint32_t>(dm[74]) << 16 | static_cast<uint32_t>(dm[75]) << 24;
        put32(dm, 72, flags | f->bit);
    }
    return true;
}

// ---------------------------------------------------------------------------
// The reader.

namespace {

class Reader {
public:
    Reader(Script& out, std::vector<Error>* errors) : out_(out), errors_(errors) {}

    void statement(const std::vector<Token>& t, int line) {
        if (t.empty()) return;
        if (t[0].text == "\x01") {
            ok_ = false;
            return;
        }
        try {
            if (t[0].kind != Token::Word) throw ParseError{"a statement begins with a keyword"};
            Command c;
            c.line = line;
            Args a(t, 1);
            bool emit = dispatch(t[0].text, a, c);
            if (!a.done()) throw ParseError{"unexpected '" + a.peek().text + "'"};
            if (emit) out_.commands.push_back(std::move(c));
        } catch (const ParseError& e) {
            error(line, e.message);
        }
    }

    bool finish(int lastLine) {
        if (inPage_) error(lastLine, "the last page has no endpage");
        return ok_;
    }

private:
    void error(int line, const std::string& m) {
        ok_ = false;
        if (errors_ && errors_->size() < 1000) errors_->push_back({line, m});
    }

    void needPage(const std::string& kw) {
        if (!inPage_) throw ParseError{"'" + kw + "' belongs inside a page"};
    }
    void needJob(const std::string& kw) {
        if (inPage_) throw ParseError{"'" + kw + "' cannot be inside a page"};
        if (ended_) throw ParseError{"'" + kw + "' after end"};
    }

    // A path given inline or by name.
    eng::Path pathArg(Args& a) {
        if (a.isOpen()) return readPath(a, 16);
        std::string name = a.word("path name");
        auto it = paths_.find(name);
        if (it == paths_.end()) throw ParseError{"no path named '" + name + "'"};
        return it->second;
    }

    void fillRule(Args& a, Command& c) {
        if (a.isWord("winding")) {
            a.take("rule");
            c.winding = true;
        } else if (a.isWord("alternate")) {
            a.take("rule");
        }
    }

    std::vector<double> numberList(const std::string& v, double lo, double hi) {
        std::vector<double> out;
        for (const auto& s : splitList(v)) {
            double d;
            if (!parseFloat(s, lo, hi, d)) throw ParseError{"bad number '" + s + "' in a list"};
            out.push_back(d);
            if (out.size() > 1024) throw ParseError{"list too long"};
        }
        return out;
    }

    bool dispatch(const std::string& kw, Args& a, Command& c) {
        using K = Command::Kind;
        if (kw == "machine") {
            needJob(kw);
            c.kind = K::Machine;
            c.text = a.word("machine path");
        } else if (kw == "printer") {
            needJob(kw);
            c.kind = K::Printer;
            c.text = a.word("printer name");
        } else if (kw == "devmode" || kw == "resetdc") {
            needJob(kw);
            c.kind = kw == "devmode" ? K::Devmode : K::ResetDc;
            if (c.kind == K::ResetDc && a.isWord("devmode")) a.take("devmode");
            while (!a.done()) {
                auto [k, v] = option(a.word("field"));
                if (k == "file" && c.kind == K::Devmode)
                    c.devmodeFile = v;
                else
                    c.fields.emplace_back(k, v);
            }
            // Names and values are checked here; private fields need a
            // DEVMODE with the driver's private part, which this one stands for.
            std::vector<uint8_t> scratch = minimalDevmode(u"");
            scratch.resize(kDriverDevmodeSize, 0);
            std::memcpy(scratch.data() + kPrivateSignature, "priv", 4);
            std::string why;
            if (!applyDevmodeFields(scratch, c.fields, &why)) throw ParseError{why};
        } else if (kw == "job") {
            needJob(kw);
            c.kind = K::Job;
            while (!a.done()) {
                auto [k, v] = option(a.word("job option"));
                if (k == "name")
                    c.jobName = v;
                else if (k == "user")
                    c.jobUser = v;
                else if (k == "emf" && (v == "on" || v == "off"))
                    c.emf = v == "on";
                else
                    throw ParseError{"unknown job option '" + k + "'"};
            }
        } else if (kw == "fontface") {
            needJob(kw);
            c.kind = K::FontFace;
            c.face.face = c.face.family = winsim::fromUtf8(a.word("face name"));
            if (c.face.face.empty()) throw ParseError{"a font face needs a name"};
            while (!a.done()) {
                const auto kv = option(a.word("font option"));
                const std::string& k = kv.first;
                const std::string& v = kv.second;
                int64_t n = 0;
                auto num = [&](int64_t lo, int64_t hi) {
                    if (!parseInt(v, lo, hi, n)) throw ParseError{"bad value for '" + k + "'"};
                    return n;
                };
                if (k == "fixed")
                    c.face.fixedPitch = true;
                else if (k == "fstype")
                    c.face.fsType = static_cast<uint16_t>(num(0, 0xFFFF));
                else if (k == "charset")
                    c.face.charSet = static_cast<uint8_t>(num(0, 255));
                else if (k == "weight")
                    c.face.weight = static_cast<uint16_t>(num(1, 1000));
                else if (k == "em")
                    c.face.unitsPerEm = static_cast<int32_t>(num(16, 16384));
                else if (k == "ascent")
                    c.face.ascender = static_cast<int32_t>(num(0, 16384));
                else if (k == "descent")
                    c.face.descender = static_cast<int32_t>(num(0, 16384));
                else if (k == "advance")
                    c.face.defaultAdvance = c.face.avgWidth = static_cast<int32_t>(num(0, 32767));
                else
                    throw ParseError{"unknown font option '" + k + "'"};
            }
            c.face.maxWidth = std::max(c.face.defaultAdvance, c.face.unitsPerEm);
            lastFace_ = out_.commands.size();
            haveFace_ = true;
        } else if (kw == "glyph") {
            needJob(kw);
            if (!haveFace_) throw ParseError{"glyph without a fontface before it"};
            const Token& ch = a.take("character");
            std::u16string s = winsim::fromUtf8(ch.text);
            char16_t code;
            if (ch.kind == Token::String && s.size() == 1) {
                code = s[0];
            } else if (ch.kind == Token::Word && ch.text.size() > 2 && ch.text.compare(0, 2, "U+") == 0) {
                int64_t v;
                if (!parseInt("0x" + ch.text.substr(2), 0, 0xFFFF, v)) throw ParseError{"bad character " + ch.text};
                code = static_cast<char16_t>(v);
            } else {
                throw ParseError{"a glyph names one character in quotes, or U+XXXX"};
            }
            eng::GlyphOutline g;
            auto [k, v] = option(a.word("advance"));
            int64_t adv;
            if (k != "advance" || !parseInt(v, 0, 32767, adv)) throw ParseError{"a glyph needs advance=N"};
            g.advance = static_cast<int32_t>(adv);
            if (a.isOpen()) g.contours = readPath(a, 1).figures;
            eng::FontFace& face = out_.commands[lastFace_].face;
            face.glyphs[code] = std::move(g);
            face.maxWidth = std::max(face.maxWidth, static_cast<int32_t>(adv));
            return false;  // folded into its face
        } else if (kw == "escape") {
            if (ended_) throw ParseError{"escape after end"};
            c.kind = K::Escape;
            c.escape = static_cast<uint32_t>(a.integer("escape number", 0, 0xFFFFFFFFll));
            while (!a.done()) {
                const Token& t = a.take("argument");
                size_t colon = t.text.find(':');
                if (t.kind != Token::Word || colon == std::string::npos) throw ParseError{"bad escape argument"};
                std::string type = t.text.substr(0, colon), v = t.text.substr(colon + 1);
                auto& in = c.escapeIn;
                int64_t n;
                if (type == "u8" || type == "u16" || type == "u32") {
                    int bytes = type == "u8" ? 1 : type == "u16" ? 2 : 4;
                    int64_t hi = bytes == 4 ? 0xFFFFFFFFll : (1ll << (8 * bytes)) - 1;
                    if (!parseInt(v, -(hi / 2) - 1, hi, n)) throw ParseError{"bad " + type + " value"};
                    for (int i = 0; i < bytes; ++i) in.push_back(static_cast<uint8_t>(static_cast<uint64_t>(n) >> (8 * i)));
                } else if (type == "str") {
                    in.insert(in.end(), v.begin(), v.end());
                    in.push_back(0);
                } else if (type == "wstr") {
                    for (char16_t ch : winsim::fromUtf8(v)) {
                        in.push_back(static_cast<uint8_t>(ch));
                        in.push_back(static_cast<uint8_t>(ch >> 8));
                    }
                    in.push_back(0);
                    in.push_back(0);
                } else if (type == "hex") {
                    if (v.size() % 2) throw ParseError{"hex: needs an even number of digits"};
                    for (size_t i = 0; i < v.size(); i += 2) {
                        if (!isHex(v[i]) || !isHex(v[i + 1])) throw ParseError{"bad hex: digits"};
                        in.push_back(static_cast<uint8_t>(hexValue(v[i]) * 16 + hexValue(v[i + 1])));
                    }
                } else if (type == "out") {
                    if (!parseInt(v, 0, 1 << 20, n)) throw ParseError{"bad out: size"};
                    c.escapeOut = static_cast<uint32_t>(n);
                } else {
                    throw ParseError{"unknown escape argument type '" + type + "'"};
                }
                if (in.size() > (1u << 20)) throw ParseError{"escape input too long"};
            }
        } else if (kw == "icm") {
            if (ended_) throw ParseError{"icm after end"};  // in a page or between pages
            c.kind = K::Icm;
            const std::string w = a.word("profile=FILE or off");
            auto [k, v] = option(w);
            if (w == "off") {
            } else if (k == "profile" && !v.empty()) {
                c.icmProfile = v;
            } else {
                throw ParseError{"icm takes profile=FILE or off"};
            }
        } else if (kw == "page") {
            needJob(kw);
            c.kind = K::Page;
            inPage_ = true;
        } else if (kw == "endpage") {
            needPage(kw);
            c.kind = K::EndPage;
            inPage_ = false;
        } else if (kw == "end") {
            needJob(kw);
            c.kind = K::End;
            ended_ = true;
        } else if (kw == "clip") {
            needPage(kw);
            c.kind = K::Clip;
            std::string how = a.word("clip kind");
            if (how == "none") {
                c.clip.kind = eng::ClipSpec::None;
            } else if (how == "rect") {
                c.clip.kind = eng::ClipSpec::Rects;
                do {
                    c.clip.rects.push_back(a.rect());
                    if (c.clip.rects.size() > 4096) throw ParseError{"too many clip rectangles"};
                } while (!a.done());
            } else if (how == "path") {
                c.clip.kind = eng::ClipSpec::PathClip;
                c.clip.path = pathArg(a);
                if (a.isWord("winding")) {
                    a.take("rule");
                    c.clip.winding = true;
                }
            } else {
                throw ParseError{"clip is none, rect or path"};
            }
        } else if (kw == "brush") {
            needPage(kw);
            c.kind = K::Brush;
            std::string how = a.word("brush kind");
            if (how == "none") {
                c.brush.kind = eng::BrushSpec::None;
            } else if (how == "solid") {
                c.brush.kind = eng::BrushSpec::Solid;
                if (!parseColour(a.word("colour"), c.brush.color)) throw ParseError{"bad colour"};
            } else if (how == "hatch") {
                c.brush.kind = eng::BrushSpec::Hatch;
                c.brush.hatch = static_cast<uint32_t>(a.integer("hatch style", 0, HS_DDI_MAX - 1));
            } else if (how == "pattern") {
                c.brush.kind = eng::BrushSpec::Pattern;
                c.brushFile = a.word("pattern file");
            } else {
                throw ParseError{"brush is none, solid, hatch or pattern"};
            }
            while (!a.done()) {
                auto [k, v] = option(a.word("brush option"));
                eng::Color col;
                if (k == "icm")
                    c.brush.colorType |= BR_HOST_ICM;
                else if (k == "fg" && parseColour(v, col))
                    c.brush.color = col;
                else if (k == "bg" && parseColour(v, col))
                    c.brush.background = col;
                else
                    throw ParseError{"bad brush option '" + k + "'"};
            }
        } else if (kw == "pen") {
            needPage(kw);
            c.kind = K::Pen;
            std::string how = a.word("pen kind");
            if (how != "cosmetic" && how != "geometric") throw ParseError{"pen is cosmetic or geometric"};
            c.pen.geometric = how == "geometric";
            while (!a.done()) {
                auto [k, v] = option(a.word("pen option"));
                double d;
                eng::Color col;
                if (k == "width" && c.pen.geometric && parseFloat(v, 0, 1e6, d))
                    c.pen.width = static_cast<float>(d);
                else if (k == "cap" && c.pen.geometric && (v == "round" || v == "square" || v == "flat"))
                    c.pen.cap = v == "round" ? ENDCAP_ROUND : v == "square" ? ENDCAP_SQUARE : ENDCAP_BUTT;
                else if (k == "join" && c.pen.geometric && (v == "round" || v == "bevel" || v == "mitre" || v == "miter"))
                    c.pen.join = v == "round" ? JOIN_ROUND : v == "bevel" ? JOIN_BEVEL : JOIN_MITER;
                else if (k == "miter" && parseFloat(v, 0, 1e6, d))
                    c.pen.miterLimit = static_cast<float>(d);
                else if (k == "style")
                    for (double e : numberList(v, 0, 1e6)) c.pen.style.push_back(static_cast<float>(e));
                else if (k == "startgap")
                    c.pen.startGap = true;
                else if (k == "alternate" && !c.pen.geometric)
                    c.pen.alternate = true;
                else if (k == "color" && parseColour(v, col))
                    c.pen.color = col;
                else
                    throw ParseError{"bad pen option '" + k + "'"};
            }
        } else if (kw == "xform") {
            needPage(kw);
            c.kind = K::Xform;
            double m[6] = {1, 0, 0, 1, 0, 0};
            for (int i = 0; i < 6; ++i) {
                if (i >= 4 && a.done()) break;
                std::string w = a.word("matrix value");
                if (!parseFloat(w, -1e6, 1e6, m[i])) throw ParseError{"bad matrix value '" + w + "'"};
            }
            c.xform = {m[0], m[1], m[2], m[3], m[4], m[5]};
        } else if (kw == "mix") {
            needPage(kw);
            c.kind = K::Mix;
            ULONG fg = static_cast<ULONG>(a.integer("mix", 1, 16)), bg = R2_COPYPEN;
            if (!a.done()) {
                auto [k, v] = option(a.word("bg="));
                int64_t n;
                if (k != "bg" || !parseInt(v, 1, 16, n)) throw ParseError{"mix takes bg=N"};
                bg = static_cast<ULONG>(n);
            }
            c.mix = fg | (bg << 8);
        } else if (kw == "brushorg") {
            needPage(kw);
            c.kind = K::BrushOrg;
            c.point.x = static_cast<LONG>(a.integer("x"));
            c.point.y = static_cast<LONG>(a.integer("y"));
        } else if (kw == "path") {
            if (ended_) throw ParseError{"path after end"};
            c.kind = K::DefinePath;
            c.text = a.word("path name");
            c.path = readPath(a, 16);
            paths_[c.text] = c.path;
            return false;  // kept by the reader; statements carry their paths
        } else if (kw == "fill" || kw == "stroke" || kw == "strokefill") {
            needPage(kw);
            c.kind = kw == "fill" ? K::Fill : kw == "stroke" ? K::Stroke : K::StrokeFill;
            c.path = pathArg(a);
            if (c.kind != K::Stroke) fillRule(a, c);
        } else if (kw == "rect") {
            needPage(kw);
            c.kind = K::Rect;
            c.dst = a.rect();
            c.rop4 = 0xF0F0;
            ropOption(a, c);
        } else if (kw == "bitblt") {
            needPage(kw);
            c.kind = K::BitBlt;
            c.rop4 = 0xCCCC;
            blitArgs(a, c, true);
            if (c.srcFile.empty()) throw ParseError{"bitblt needs src=FILE"};
        } else if (kw == "stretch") {
            needPage(kw);
            c.kind = K::Stretch;
            blitArgs(a, c, true);
            if (c.srcFile.empty()) throw ParseError{"stretch needs src=FILE"};
        } else if (kw == "copy") {
            needPage(kw);
            c.kind = K::Copy;
            blitArgs(a, c, false);
            if (c.srcFile.empty()) throw ParseError{"copy needs src=FILE"};
        } else if (kw == "font") {
            needPage(kw);
            c.kind = K::Font;
            while (!a.done()) {
                auto [k, v] = option(a.word("font option"));
                int64_t n;
                if (k == "face")
                    c.font.face = winsim::fromUtf8(v);
                else if (k == "height" && parseInt(v, 1, 32767, n))
                    c.font.height = static_cast<int32_t>(n);
                else if (k == "angle" && parseInt(v, -36000, 36000, n))
                    c.font.escapement = static_cast<int32_t>(n);
                else if (k == "bold")
                    c.font.bold = true;
                else if (k == "italic")
                    c.font.italic = true;
                else if (k == "underline")
                    c.font.underline = true;
                else if (k == "strikeout")
                    c.font.strikeout = true;
                else
                    throw ParseError{"bad font option '" + k + "'"};
            }
        } else if (kw == "text") {
            needPage(kw);
            c.kind = K::Text;
            if (a.word("at") != "at") throw ParseError{"text begins with at X Y"};
            c.textSpec.at.x = static_cast<LONG>(a.integer("x"));
            c.textSpec.at.y = static_cast<LONG>(a.integer("y"));
            const Token& s = a.take("text");
            if (s.kind != Token::String) throw ParseError{"the text goes in quotes"};
            c.textSpec.text = winsim::fromUtf8(s.text);
            if (c.textSpec.text.size() > 4096) throw ParseError{"text longer than 4096 characters"};
            while (!a.done()) {
                std::string w = a.word("text option");
                auto [k, v] = option(w);
                int64_t n;
                if (k == "fixed" && parseInt(v, 1, 32767, n)) {
                    c.textSpec.fixedAdvance = static_cast<int32_t>(n);
                } else if (k == "dx") {
                    for (const auto& e : splitList(v)) {
                        if (!parseInt(e, -32767, 32767, n)) throw ParseError{"bad dx value '" + e + "'"};
                        c.textSpec.dx.push_back(static_cast<int32_t>(n));
                    }
                } else if (w == "opaque") {
                    RECTL r = a.rect();
                    eng::Color col;
                    if (!parseColour(a.word("opaque colour"), col)) throw ParseError{"bad opaque colour"};
                    c.textSpec.opaque = r;
                    c.textSpec.opaqueColor = col;
                } else if (w == "glyphindex") {
                    c.textSpec.glyphIndex = true;
                } else if (w == "vertical") {
                    c.textSpec.vertical = true;
                } else {
                    throw ParseError{"bad text option '" + w + "'"};
                }
            }
        } else {
            throw ParseError{"unknown statement '" + kw + "'"};
        }
        return true;
    }

    void ropOption(Args& a, Command& c) {
        while (!a.done()) {
            auto [k, v] = option(a.word("option"));
            int64_t n;
            if (k != "rop4" || !parseInt(v, 0, 0xFFFF, n)) throw ParseError{"expected rop4=0xNNNN"};
            c.rop4 = static_cast<ROP4>(n);
            c.hasRop = true;
        }
    }

    // dst L T R B, src=FILE [at X Y], mask=FILE [at X Y], srcrect L T R B,
    // mode N, rop4=0xNNNN, in any order.
    void blitArgs(Args& a, Command& c, bool masks) {
        bool haveDst = false;
        POINTL* lastAt = nullptr;
        while (!a.done()) {
            std::string w = a.word("blit option");
            auto [k, v] = option(w);
            int64_t n;
            if (w == "dst") {
                c.dst = a.rect();
                haveDst = true;
            } else if (k == "src" && !v.empty()) {
                c.srcFile = v;
                lastAt = &c.srcAt;
            } else if (k == "mask" && !v.empty() && masks && c.kind == Command::BitBlt) {
                c.maskFile = v;
                lastAt = &c.maskAt;
            } else if (w == "at") {
                if (!lastAt) throw ParseError{"at follows src= or mask="};
                lastAt->x = static_cast<LONG>(a.integer("x"));
                lastAt->y = static_cast<LONG>(a.integer("y"));
            } else if (w == "srcrect" && c.kind == Command::Stretch) {
                c.srcRect = a.rect();
                c.hasSrcRect = true;
            } else if (w == "mode" && c.kind == Command::Stretch) {
                c.mode = static_cast<ULONG>(a.integer("mode", 1, 4));
            } else if (k == "rop4" && masks && parseInt(v, 0, 0xFFFF, n)) {
                c.rop4 = static_cast<ROP4>(n);
                c.hasRop = true;
            } else {
                throw ParseError{"bad blit option '" + w + "'"};
            }
        }
        if (!haveDst) throw ParseError{"a blit needs dst L T R B"};
    }

    Script& out_;
    std::vector<Error>* errors_;
    bool ok_ = true;
    bool inPage_ = false;
    bool ended_ = false;
    bool haveFace_ = false;
    size_t lastFace_ = 0;
    std::map<std::string, eng::Path> paths_;
};

}  // namespace

bool read(std::string_view text, Script& out, std::vector<Error>* errors) {
    out = Script{};
    size_t before = errors ? errors->size() : 0;
    try {
        Reader r(out, errors);
        Lexer lex(text, errors);
        std::vector<Token> tokens;
        int line = 1, last = 1;
        while (lex.next(tokens, line)) {
            r.statement(tokens, line);
            last = tokens.empty() ? line : tokens.back().line;
        }
        bool ok = r.finish(last);
        return ok && (!errors || errors->size() == before);
    } catch (const std::bad_alloc&) {
        if (errors) errors->push_back({0, "out of memory"});
        return false;
    }
}

// ---------------------------------------------------------------------------
// The player.

namespace {

std::string hexBytes(const std::vector<uint8_t>& b, size_t max = 64) {
    static const char* d = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < b.size() && i < max; ++i) {
        s.push_back(d[b[i] >> 4]);
        s.push_back(d[b[i] & 15]);
    }
    if (b.size() > max) s += "...";
    return s;
}

class Player {
public:
    Player(const eng::DriverTable& driver, const Host& host) : driver_(driver), host_(host) {}

    PlayResult run(const Script& s) {
        for (const Command& c : s.commands) {
            if (!step(c)) break;
            if (c.kind == Command::End) break;
        }
        finish();
        return result_;
    }

private:
    bool fail(const Command& c, const std::string& why) {
        if (result_.error.empty()) result_.error = "line " + std::to_string(c.line) + ": " + why;
        log("error: " + result_.error);
        stopped_ = true;
        return false;
    }
    void log(const std::string& line) {
        if (host_.log) host_.log(line);
    }

    bool readFile(const std::string& path, std::string& bytes, std::string* error) {
        if (host_.readFile) return host_.readFile(path, bytes, error);
        std::filesystem::path p(path);
        if (p.is_relative() && !host_.baseDir.empty()) p = host_.baseDir / p;
        std::ifstream in(p, std::ios::binary);
        if (!in) {
            if (error) *error = "cannot open " + p.string();
            return false;
        }
        in.seekg(0, std::ios::end);
        std::streamoff size = in.tellg();
        if (size < 0 || size > (300ll << 20)) {
            if (error) *error = "file too large: " + p.string();
            return false;
        }
        in.seekg(0);
        bytes.resize(static_cast<size_t>(size));
        if (!in.read(bytes.data(), size)) {
            if (error) *error = "cannot read " + p.string();
            return false;
        }
        return true;
    }

    std::shared_ptr<const eng::Image> image(const Command& c, const std::string& path) {
        auto it = images_.find(path);
        if (it != images_.end()) return it->second;
        std::string bytes, why;
        if (!readFile(path, bytes, &why)) {
            fail(c, why);
            return nullptr;
        }
        auto img = std::make_shared<eng::Image>();
        if (!readBmp(bytes, *img, &why)) {
            fail(c, path + ": " + why);
            return nullptr;
        }
        images_[path] = img;
        return img;
    }

    bool buildDevmode(const Command& at, std::vector<uint8_t>& dm) {
        if (!devmodeFile_.empty()) {
            std::string bytes, why;
            if (!readFile(devmodeFile_, bytes, &why)) return fail(at, why);
            dm.assign(bytes.begin(), bytes.end());
        } else if (host_.defaultDevmode) {
            dm = host_.defaultDevmode(hPrinter_, printer_);
        }
        if (dm.size() < 220) dm = minimalDevmode(printer_);
        std::string why;
        if (!applyDevmodeFields(dm, devmodeFields_, &why)) return fail(at, why);
        return true;
    }

    bool ensureSession(const Command& c) {
        if (session_) return true;
        std::string why;
        if (host_.openPrinter) {
            hPrinter_ = host_.openPrinter(printer_, &why);
            if (!hPrinter_) return fail(c, "cannot open the printer: " + why);
        }
        if (!buildDevmode(c, devmode_)) return false;
        eng::SessionOptions o = host_.session;
        o.devmode = devmode_;
        o.printerName = printer_;
        o.hPrinter = hPrinter_;
        o.bandingSkipsStartPage = emf_;
        if (!o.log) o.log = host_.log;
        session_ = eng::Session::create(driver_, std::move(o), &why);
        if (!session_) return fail(c, "the driver's device could not be made: " + why);
        for (const auto& f : faces_) session_->addFont(f);
        std::u16string doc = winsim::fromUtf8(jobName_);
        if (host_.startJob) jobId_ = host_.startJob(hPrinter_, doc, winsim::fromUtf8(jobUser_));
        if (!session_->startDoc(doc, jobId_)) return fail(c, "DrvStartDoc failed");
        docStarted_ = true;
        return true;
    }

    void finish() {
        if (session_) {
            if (docStarted_) session_->endDoc(stopped_);
            session_.reset();
        }
        if (host_.endJob && jobId_) host_.endJob(hPrinter_, jobId_);
        if (hPrinter_ && host_.closePrinter) host_.closePrinter(hPrinter_);
        hPrinter_ = nullptr;
        if (result_.error.empty()) result_.ok = true;
    }

    void draw(const Command& c, eng::Operation& op) {
        op.clip = clip_;
        op.brushOrigin = brushOrg_;
        op.mix = mix_;
        if (!session_->draw(op)) {
            ++result_.failedDraws;
            log("line " + std::to_string(c.line) + ": the drawing failed");
        }
    }

    bool step(const Command& c) {
        using K = Command::Kind;
        bool started = session_ != nullptr;
        switch (c.kind) {
            case K::Machine: {
                if (started) return fail(c, "machine after the job started");
                std::string why;
                if (host_.useMachine && !host_.useMachine(c.text, &why)) return fail(c, "machine: " + why);
                return true;
            }
            case K::Printer:
                if (started) return fail(c, "printer after the job started");
                printer_ = winsim::fromUtf8(c.text);
                return true;
            case K::Devmode:
                if (started) return fail(c, "devmode after the job started (use resetdc)");
                if (!c.devmodeFile.empty()) devmodeFile_ = c.devmodeFile;
                devmodeFields_.insert(devmodeFields_.end(), c.fields.begin(), c.fields.end());
                return true;
            case K::Job:
                if (started) return fail(c, "job after the job started");
                jobName_ = c.jobName;
                jobUser_ = c.jobUser;
                emf_ = c.emf;
                return true;
            case K::FontFace: {
                auto f = std::make_shared<eng::FontFace>(c.face);
                faces_.push_back(f);
                if (session_) session_->addFont(f);
                return true;
            }
            case K::Glyph:
            case K::DefinePath: return true;
            case K::Escape: {
                if (!ensureSession(c)) return false;
                std::vector<uint8_t> out;
                ULONG r = session_->escape(c.escape, c.escapeIn, c.escapeOut, &out);
                log("escape " + std::to_string(c.escape) + " -> " + std::to_string(static_cast<LONG>(r)) +
                    (out.empty() ? "" : " out " + hexBytes(out)));
                return true;
            }
            case K::Icm: {
                if (!ensureSession(c)) return false;
                if (c.icmProfile.empty()) {
                    session_->icmStop();
                    log("icm off");
                    return true;
                }
                std::string bytes, why;
                if (!readFile(c.icmProfile, bytes, &why)) return fail(c, why);
                // A device without colour management draws on without it.
                const bool made = session_->icmStart(std::vector<uint8_t>(bytes.begin(), bytes.end()));
                log("icm profile " + c.icmProfile + (made ? "" : ": no colour transform"));
                return true;
            }
            case K::ResetDc: {
                if (!ensureSession(c)) return false;
                std::vector<uint8_t> dm = devmode_;
                std::string why;
                if (!applyDevmodeFields(dm, c.fields, &why)) return fail(c, why);
                if (!session_->reset(dm, &why)) return fail(c, "resetdc: " + why);
                devmode_ = dm;
                return true;
            }
            case K::Page:
                if (!ensureSession(c)) return false;
                if (!session_->startPage()) return fail(c, "DrvStartPage failed");
                return true;
            case K::EndPage:
                if (!session_->endPage()) return fail(c, "the page could not be finished");
                ++result_.pages;
                return true;
            case K::End: return true;
            case K::Clip: clip_ = c.clip; return true;
            case K::Brush:
                brush_ = c.brush;
                if (c.brush.kind == eng::BrushSpec::Pattern) {
                    brush_.pattern = image(c, c.brushFile);
                    if (!brush_.pattern) return false;
                }
                return true;
            case K::Pen: pen_ = c.pen; return true;
            case K::Xform: xform_ = c.xform; return true;
            case K::Mix: mix_ = c.mix; return true;
            case K::BrushOrg: brushOrg_ = c.point; return true;
            case K::Font: font_ = c.font; return true;
            case K::Fill:
            case K::Stroke:
            case K::StrokeFill: {
                eng::Operation op;
                op.kind = c.kind == K::Fill ? eng::Operation::FillPath
                          : c.kind == K::Stroke ? eng::Operation::StrokePath
                                                : eng::Operation::StrokeAndFillPath;
                op.path = c.path;
                op.winding = c.winding;
                op.pen = pen_;
                op.xform = xform_;
                op.brush = brush_;
                if (op.kind != eng::Operation::StrokePath && brush_.kind == eng::BrushSpec::None) return true;
                draw(c, op);
                return true;
            }
            case K::Rect: {
                eng::Operation op;
                op.kind = eng::Operation::BitBlt;
                op.dst = c.dst;
                op.rop4 = c.rop4;
                op.brush = brush_;
                draw(c, op);
                return true;
            }
            case K::BitBlt:
            case K::Stretch:
            case K::Copy: {
                eng::Operation op;
                op.kind = c.kind == K::BitBlt ? eng::Operation::BitBlt
                          : c.kind == K::Stretch ? eng::Operation::StretchBlt
                                                 : eng::Operation::CopyBits;
                op.dst = c.dst;
                op.source = image(c, c.srcFile);
                if (!op.source) return false;
                op.srcPoint = c.srcAt;
                if (!c.maskFile.empty()) {
                    op.mask = image(c, c.maskFile);
                    if (!op.mask) return false;
                    if (op.mask->bitsPerPixel != 1) return fail(c, "a mask must be a one-bit image");
                }
                op.maskPoint = c.maskAt;
                if (c.hasSrcRect) op.srcRect = c.srcRect;
                op.stretchMode = c.mode;
                op.brush = brush_;
                if (c.kind == K::BitBlt) {
                    op.rop4 = c.rop4;
                    if (!op.mask && (c.rop4 & 0xFF) != ((c.rop4 >> 8) & 0xFF))
                        op.rop4 = (c.rop4 & 0xFF) | ((c.rop4 & 0xFF) << 8);  // no mask: one operation
                } else if (c.kind == K::Stretch && c.hasRop) {
                    op.withRop = true;
                    op.rop4 = c.rop4;
                }
                draw(c, op);
                return true;
            }
            case K::Text: {
                eng::Operation op;
                op.kind = eng::Operation::TextOut;
                op.text = c.textSpec;
                op.text.font = font_;
                op.brush = brush_.kind == eng::BrushSpec::None ? eng::BrushSpec{} : brush_;
                draw(c, op);
                return true;
            }
        }
        return true;
    }

    const eng::DriverTable& driver_;
    const Host& host_;
    PlayResult result_;
    bool stopped_ = false;
    std::unique_ptr<eng::Session> session_;
    HANDLE hPrinter_ = nullptr;
    std::u16string printer_;
    std::string devmodeFile_;
    std::vector<std::pair<std::string, std::string>> devmodeFields_;
    std::vector<uint8_t> devmode_;
    std::string jobName_, jobUser_;
    bool emf_ = false;
    DWORD jobId_ = 1;
    bool docStarted_ = false;
    std::vector<std::shared_ptr<const eng::FontFace>> faces_;
    std::map<std::string, std::shared_ptr<const eng::Image>> images_;
    // The drawing state, kept across pages as a device context keeps it.
    eng::ClipSpec clip_;
    eng::BrushSpec brush_;
    eng::PenSpec pen_;
    eng::Transform xform_;
    MIX mix_ = R2_COPYPEN | (R2_COPYPEN << 8);
    POINTL brushOrg_{};
    eng::FontSpec font_;
};

}  // namespace

PlayResult play(const Script& script, const eng::DriverTable& driver, const Host& host) {
    try {
        Player p(driver, host);
        return p.run(script);
    } catch (const std::bad_alloc&) {
        PlayResult r;
        r.error = "out of memory";
        return r;
    }
}

}  // namespace vds
