// Drawing scripts: the value parsers (numbers, colours, lists, paths).
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "vds_internal.h"

namespace vds::internal {

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

namespace {

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

}  // namespace

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

}  // namespace vds::internal
