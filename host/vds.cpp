// Drawing scripts: the reader (tokens, statements, paths, checks with line
// numbers). The values, the DEVMODE fields and the player have files of their own.
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
#include "vds_internal.h"

namespace vds {

namespace eng = winsim::engine;
using namespace internal;

// ---------------------------------------------------------------------------
// Tokens.

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v'; }

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

}  // namespace

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
                } else if (w == "reversed") {
                    c.textSpec.reversed = true;
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

}  // namespace vds
