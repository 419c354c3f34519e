// Pieces the drawing-script files share: the tokens the reader cuts a
// statement into, the value parsers and the argument cursor built on them.
#pragma once
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "vds.h"

namespace vds::internal {

namespace eng = winsim::engine;

struct Token {
    enum Kind { Word, String, Open, Close, End } kind = Word;
    std::string text;
    int line = 0;
    bool quoted = false;  // a word that held a quoted value (name="x y")
};

inline bool isHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
inline int hexValue(char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; }

// Numbers in [lo, hi]: decimal, or hexadecimal with 0x.
bool parseInt(const std::string& s, int64_t lo, int64_t hi, int64_t& out);
bool parseFloat(const std::string& s, double lo, double hi, double& out);
bool parseColour(const std::string& s, eng::Color& out);
std::vector<std::string> splitList(const std::string& s);

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

// { M x y L x y C x1 y1 x2 y2 x3 y3 Z ... }
eng::Path readPath(Args& a, int scale);
// "key=value" as its two halves; a word without '=' has an empty value.
std::pair<std::string, std::string> option(const std::string& w);

// The driver's private part: its signature's offset and the size of a
// DEVMODE that carries it.
constexpr size_t kPrivateSignature = 349;
constexpr size_t kDriverDevmodeSize = 1260;

}  // namespace vds::internal
