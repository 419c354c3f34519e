// The replay: a small rasteriser of the device's records. Paths are
// flattened (Béziers in 16 steps) and filled by scan lines at pixel centres.
// A line wider than one pixel is drawn as a band along each segment with the
// cap (round, flat, square) at the ends of an open figure and the join
// (round, bevel, mitre within its limit) at each inner vertex, every vertex
// of a closed one; thin lines and dashed ones are squares of the line width
// stepped along each segment with the dash mask in force. Fills and
// rectangles use the pattern brush in force, anchored at the page's origin.
#include "decode/replay.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "decode/records.h"
#include "decode/stream.h"

namespace vesk::decode {
namespace {

struct Pt {
    double x, y;
};
using Poly = std::vector<Pt>;

std::vector<Poly> flatten(const Outline& o) {
    std::vector<Poly> out;
    for (const Subpath& s : o.subpaths) {
        Poly p{{s.start.x / 16.0, s.start.y / 16.0}};
        for (const PathSegment& seg : s.segments) {
            if (!seg.bezier) {
                p.push_back({seg.pts[0].x / 16.0, seg.pts[0].y / 16.0});
                continue;
            }
            const Pt a = p.back(), b{seg.pts[0].x / 16.0, seg.pts[0].y / 16.0}, c{seg.pts[1].x / 16.0, seg.pts[1].y / 16.0},
                     d{seg.pts[2].x / 16.0, seg.pts[2].y / 16.0};
            for (int i = 1; i <= 16; ++i) {
                const double t = i / 16.0, u = 1 - t;
                p.push_back({u * u * u * a.x + 3 * u * u * t * b.x + 3 * u * t * t * c.x + t * t * t * d.x,
                             u * u * u * a.y + 3 * u * u * t * b.y + 3 * u * t * t * c.y + t * t * t * d.y});
            }
        }
        out.push_back(std::move(p));
    }
    return out;
}

class Canvas : public Sink {
public:
    explicit Canvas(std::uint64_t maxPixels) : max_(maxPixels) {}
    std::vector<Picture> pages;
    std::string error;

    void record(unsigned, const Record& r, const DrawingStream& s) override {
        if (!error.empty()) return;
        std::visit([&](const auto& body) { draw(body, s); }, r.body);
    }

private:
    std::uint64_t max_;
    Picture* pic_ = nullptr;
    std::uint32_t fg_ = 0, bg_ = 0xFFFFFF;
    bool opaque_ = false;  // the background of a one-bit pattern is painted
    unsigned width_ = 1;
    std::uint8_t cap_ = 0;         // 0 round, 1 flat, 2 square
    std::uint8_t join_ = 0;        // 0 round, 1 bevel, 2 mitre
    double mitreLimit_ = 10;       // mitre length over line width
    unsigned unit_ = 1;            // pixels per dash cell
    std::uint32_t dashes_ = ~0u;   // 32 cells, the first in the top bit
    unsigned dashOffset_ = 0;      // cells
    // The pattern brush in force: its size, depth and bytes (none: solid).
    unsigned patSize_ = 0;
    bool pat24_ = false;
    std::vector<std::uint8_t> pattern_;
    std::uint8_t rop_ = 0xCC;
    std::vector<std::uint8_t> clip_;  // one byte a pixel; empty: no clip

    bool inClip(long x, long y) const { return clip_.empty() || clip_[static_cast<size_t>(y) * pic_->width + x]; }
    // Rasters combine with the page by the raster operation in force (source
    // and destination only: copy, and, or, exclusive or); fills copy.
    void put(long x, long y, std::uint32_t c, bool withRop = false) {
        if (!pic_ || x < 0 || y < 0 || x >= static_cast<long>(pic_->width) || y >= static_cast<long>(pic_->height) ||
            !inClip(x, y))
            return;
        std::uint8_t* p = pic_->rgb.data() + (static_cast<size_t>(y) * pic_->width + x) * 3;
        if (withRop && rop_ != 0xCC) {
            const std::uint32_t d = (std::uint32_t{p[0]} << 16) | (p[1] << 8) | p[2];
            c = rop_ == 0x88 ? (c & d) : rop_ == 0xEE ? (c | d) : rop_ == 0x66 ? (c ^ d) : rop_ == 0xAA ? d : c;
        }
        p[0] = static_cast<std::uint8_t>(c >> 16);
        p[1] = static_cast<std::uint8_t>(c >> 8);
        p[2] = static_cast<std::uint8_t>(c);
    }
    // A fill's pixel: the pattern's pixel at the page position, or the
    // foreground colour without a pattern; a transparent background leaves
    // the page as it is.
    void fill(long x, long y) {
        if (patSize_ == 0) return put(x, y, fg_);
        const size_t px = static_cast<size_t>(x) % patSize_, py = static_cast<size_t>(y) % patSize_;
        if (pat24_) {
            const size_t at = (py * patSize_ + px) * 3;
            if (at + 2 >= pattern_.size()) return put(x, y, fg_);
            return put(x, y, (std::uint32_t{pattern_[at + 2]} << 16) | (pattern_[at + 1] << 8) | pattern_[at]);
        }
        const size_t bit = py * patSize_ + px;
        if (bit / 8 >= pattern_.size()) return put(x, y, fg_);
        if ((pattern_[bit / 8] >> (7 - bit % 8)) & 1) return put(x, y, fg_);
        if (opaque_) put(x, y, bg_);
    }
    // Whether the dash mask draws at `distance` pixels along the line.
    bool dashOn(double distance) const {
        if (dashes_ == ~0u) return true;
        const unsigned cell = (static_cast<unsigned>(distance / unit_) + dashOffset_) % 32;
        return (dashes_ >> (31 - cell)) & 1;
    }
    // Calls f(x, y) for the pixels whose centres lie inside the polygons.
    template <class F>
    void scan(const std::vector<Poly>& polys, bool winding, F f) {
        if (!pic_) return;
        double top = 1e18, bottom = -1e18;
        for (const Poly& p : polys)
            for (const Pt& q : p) top = std::min(top, q.y), bottom = std::max(bottom, q.y);
        const long y0 = std::max(0L, static_cast<long>(std::floor(top))),
                   y1 = std::min(static_cast<long>(pic_->height) - 1, static_cast<long>(std::ceil(bottom)));
        std::vector<std::pair<double, int>> xs;
        for (long y = y0; y <= y1; ++y) {
            const double cy = y + 0.5;
            xs.clear();
            for (const Poly& p : polys)
                for (size_t i = 0; i < p.size(); ++i) {
                    const Pt a = p[i], b = p[(i + 1) % p.size()];
                    if ((a.y <= cy) == (b.y <= cy)) continue;
                    xs.push_back({a.x + (cy - a.y) * (b.x - a.x) / (b.y - a.y), a.y < b.y ? 1 : -1});
                }
            std::sort(xs.begin(), xs.end());
            int w = 0;
            for (size_t i = 0; i + 1 < xs.size(); ++i) {
                w = winding ? w + xs[i].second : w ^ 1;
                if (w == 0) continue;
                const long a = std::max(0L, static_cast<long>(std::ceil(xs[i].first - 0.5))),
                           b = std::min(static_cast<long>(pic_->width), static_cast<long>(std::ceil(xs[i + 1].first - 0.5)));
                for (long x = a; x < b; ++x) f(x, y);
            }
        }
    }
    void paintPoly(const Poly& poly) {
        scan({poly}, true, [&](long x, long y) { put(x, y, fg_); });
    }
    static Poly circle(Pt c, double r) {
        Poly p;
        const int n = std::clamp(static_cast<int>(r * 2), 8, 64);
        for (int i = 0; i < n; ++i) {
            const double a = 2 * 3.14159265358979323846 * i / n;
            p.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
        }
        return p;
    }
    // A line wider than a pixel, with its caps and joins.
    void wideLine(const Poly& line, bool closed) {
        const double h = width_ / 2.0;
        Poly p;  // without repeated points
        for (const Pt& q : line)
            if (p.empty() || std::hypot(q.x - p.back().x, q.y - p.back().y) > 1e-9) p.push_back(q);
        if (closed && p.size() > 2 && std::hypot(p.front().x - p.back().x, p.front().y - p.back().y) <= 1e-9)
            p.pop_back();
        if (p.empty()) return;
        if (p.size() == 1) {  // a dot: its caps alone
            const Pt c = p[0];
            if (cap_ == 0) paintPoly(circle(c, h));
            if (cap_ == 2) paintPoly({{c.x - h, c.y - h}, {c.x + h, c.y - h}, {c.x + h, c.y + h}, {c.x - h, c.y + h}});
            return;
        }
        closed = closed && p.size() > 2;
        auto dir = [&](size_t i) {
            const Pt a = p[i % p.size()], b = p[(i + 1) % p.size()];
            const double l = std::hypot(b.x - a.x, b.y - a.y);
            return Pt{(b.x - a.x) / l, (b.y - a.y) / l};
        };
        const size_t segments = closed ? p.size() : p.size() - 1;
        for (size_t i = 0; i < segments; ++i) {
            Pt a = p[i], b = p[(i + 1) % p.size()];
            const Pt d = dir(i), n{-d.y * h, d.x * h};
            if (!closed && cap_ == 2) {
                if (i == 0) a = {a.x - d.x * h, a.y - d.y * h};
                if (i + 1 == segments) b = {b.x + d.x * h, b.y + d.y * h};
            }
            paintPoly({{a.x + n.x, a.y + n.y}, {b.x + n.x, b.y + n.y}, {b.x - n.x, b.y - n.y}, {a.x - n.x, a.y - n.y}});
        }
        if (!closed && cap_ == 0) {
            paintPoly(circle(p.front(), h));
            paintPoly(circle(p.back(), h));
        }
        for (size_t v = closed ? 0 : 1; v < (closed ? p.size() : p.size() - 1); ++v) {
            const Pt c = p[v], d0 = dir(v + p.size() - 1), d1 = dir(v);
            if (join_ == 0) {
                paintPoly(circle(c, h));
                continue;
            }
            // The outer side of the turn, where the two bands leave a notch.
            const Pt n0{-d0.y, d0.x}, n1{-d1.y, d1.x};
            const double side = n0.x * d1.x + n0.y * d1.y < 0 ? 1 : -1;
            const Pt o0{c.x + side * n0.x * h, c.y + side * n0.y * h}, o1{c.x + side * n1.x * h, c.y + side * n1.y * h};
            const Pt u{n0.x + n1.x, n0.y + n1.y};
            const double ul = std::hypot(u.x, u.y), cosHalf = ul / 2;
            if (join_ == 2 && ul > 1e-6 && 1 / cosHalf <= std::max(1.0, mitreLimit_)) {
                const Pt m{c.x + side * u.x / ul * h / cosHalf, c.y + side * u.y / ul * h / cosHalf};
                paintPoly({c, o0, m, o1});
            } else {
                paintPoly({c, o0, o1});
            }
        }
    }
    void stroke(const std::vector<Poly>& polys, bool closed) {
        const double h = width_ / 2.0;
        if (width_ > 1 && dashes_ == ~0u) {
            for (const Poly& p : polys) wideLine(p, closed);
            return;
        }
        for (const Poly& p : polys) {
            double along = 0;  // the dash pattern runs on over each subpath
            for (size_t i = 0; i + 1 < p.size() + (closed ? 1 : 0); ++i) {
                const Pt a = p[i], b = p[(i + 1) % p.size()];
                const double len = std::hypot(b.x - a.x, b.y - a.y);
                const int steps = std::max(1, static_cast<int>(std::ceil(len)));
                for (int k = 0; k <= steps; ++k) {
                    if (!dashOn(along + len * k / steps)) continue;
                    const double x = a.x + (b.x - a.x) * k / steps, y = a.y + (b.y - a.y) * k / steps;
                    for (long yy = static_cast<long>(std::floor(y - h + 0.5)); yy < static_cast<long>(std::floor(y + h + 0.5)) || yy == static_cast<long>(std::floor(y)); ++yy)
                        for (long xx = static_cast<long>(std::floor(x - h + 0.5)); xx < static_cast<long>(std::floor(x + h + 0.5)) || xx == static_cast<long>(std::floor(x)); ++xx)
                            put(xx, yy, fg_);
                }
                along += len;
            }
        }
    }

    void draw(const PageStartRecord& r, const DrawingStream&) {
        if (static_cast<std::uint64_t>(r.width) * r.height > max_) {
            error = "a page of " + std::to_string(r.width) + "x" + std::to_string(r.height) + " pixels is too large";
            return;
        }
        pages.emplace_back();
        pic_ = &pages.back();
        pic_->width = r.width;
        pic_->height = r.height;
        pic_->rgb.assign(static_cast<size_t>(r.width) * r.height * 3, 0xFF);
        clip_.clear();
        fg_ = 0;
        bg_ = 0xFFFFFF;
        opaque_ = false;
        width_ = 1;
        cap_ = 0;
        join_ = 0;
        mitreLimit_ = 10;
        unit_ = 1;
        dashes_ = ~0u;
        dashOffset_ = 0;
        patSize_ = 0;
        pattern_.clear();
        rop_ = 0xCC;
        glyphs_.clear();
        fontRecords_ = 0;
    }
    void draw(const PageEndRecord&, const DrawingStream&) {
        pic_ = nullptr;
        clip_.clear();
    }
    void draw(const ColorRecord& r, const DrawingStream&) {
        fg_ = r.fg;
        opaque_ = r.hasBg;
        if (r.hasBg) bg_ = r.bg;
    }
    void draw(const BrushRecord& r, const DrawingStream& s) {
        patSize_ = 0;
        pattern_.clear();
        if (!(r.flags & 0x80) || r.size == 0) return;  // solid
        pat24_ = r.flags & 0x01;
        const size_t need = static_cast<size_t>(r.size) * r.size * (pat24_ ? 3 : 1) / (pat24_ ? 1 : 8);
        const Bytes b = s.bytes().subspan(r.pattern.offset, r.pattern.size);
        if (b.size() < need) return;
        pattern_.assign(b.begin(), b.begin() + static_cast<std::ptrdiff_t>(need));
        patSize_ = r.size;
    }
    void draw(const LineStyleOffsetRecord& r, const DrawingStream&) { dashOffset_ = r.offset % 32; }
    void draw(const RopRecord& r, const DrawingStream&) { rop_ = r.rop; }
    void draw(const LineStyleRecord& r, const DrawingStream&) {
        width_ = std::clamp<unsigned>(r.width, 1, 1000);
        unit_ = std::max<unsigned>(r.unit, 1);
        dashes_ = r.mask ? r.mask : ~0u;
    }
    void draw(const LineCapRecord& r, const DrawingStream&) { cap_ = r.cap; }
    void draw(const LineJoinRecord& r, const DrawingStream&) {
        join_ = r.join;
        mitreLimit_ = r.mitreLimit / 256.0;
    }
    void draw(const ClipResetRecord&, const DrawingStream&) { clip_.clear(); }
    void draw(const RectRecord& r, const DrawingStream&) {
        if (!pic_) return;
        const long l = std::max(0, r.rect.left), t = std::max(0, r.rect.top),
                   rr = std::min<long>(pic_->width, r.rect.right), b = std::min<long>(pic_->height, r.rect.bottom);
        if (r.operation == 5) {
            clip_.assign(static_cast<size_t>(pic_->width) * pic_->height, 0);
            for (long y = t; y < b; ++y)
                for (long x = l; x < rr; ++x) clip_[static_cast<size_t>(y) * pic_->width + x] = 1;
            return;
        }
        if (r.operation != 1) return;
        for (long y = t; y < b; ++y)
            for (long x = l; x < rr; ++x) fill(x, y);
    }
    void draw(const PathRecord& r, const DrawingStream&) {
        if (!pic_) return;
        const auto polys = flatten(r.path);
        if (r.mode == 5) {
            // A clip path replaces the clip in force.
            std::vector<std::uint8_t> next(static_cast<size_t>(pic_->width) * pic_->height, 0);
            scan(polys, false, [&](long x, long y) { next[static_cast<size_t>(y) * pic_->width + x] = 1; });
            clip_ = std::move(next);
            return;
        }
        if (r.mode >= 1) scan(polys, r.mode == 2 || r.mode == 4, [&](long x, long y) { fill(x, y); });
        if (r.mode == 0 || r.mode >= 3) stroke(polys, r.closed);
    }
    void draw(const RasterRecord& r, const DrawingStream& s) {
        if (!pic_ || r.rows == 0 || r.width == 0 || r.height == 0) return;
        const Bytes px = s.bytes().subspan(r.pixels.offset, r.pixels.size);
        const Bytes pal = s.bytes().subspan(r.palette.offset, r.palette.size);
        auto colour = [&](std::uint32_t sx, std::uint32_t sy) -> std::uint32_t {
            const std::uint8_t* row = px.data() + static_cast<size_t>(sy) * r.rowBytes;
            std::uint32_t v;
            switch (r.bitsPerPixel) {
                case 1: v = (row[sx / 8] >> (7 - sx % 8)) & 1; break;
                case 4: v = (row[sx / 2] >> (sx % 2 ? 0 : 4)) & 15; break;
                case 8: v = row[sx]; break;
                default: return (std::uint32_t{row[sx * 3 + 2]} << 16) | (row[sx * 3 + 1] << 8) | row[sx * 3];
            }
            if (pal.size() >= (v + 1) * 3)
                return (std::uint32_t{pal[v * 3 + 2]} << 16) | (pal[v * 3 + 1] << 8) | pal[v * 3];
            // No palette: grey levels over the format's range.
            const std::uint32_t top = (1u << r.bitsPerPixel) - 1, g = v * 255 / top;
            return (g << 16) | (g << 8) | g;
        };
        const long w = std::labs(r.width), h = std::labs(r.height);
        // The origin is the target's smaller corner; a negative size marks a
        // mirrored target whose pixels the host already mirrored.
        const long x0 = r.x, y0 = r.y;
        for (long y = 0; y < h; ++y) {
            const std::uint32_t sy = static_cast<std::uint32_t>(y * r.rows / h);
            for (long x = 0; x < w; ++x) {
                const std::uint32_t sx = static_cast<std::uint32_t>(x * r.srcWidth / w);
                put(x0 + x, y0 + y, colour(sx, sy), true);
            }
        }
    }
    // Glyph images: drawn in the foreground colour where their bits are
    // set; the device's glyph cache is kept per font record and text kind,
    // and forgotten with the page.
    struct GlyphImage {
        std::uint32_t width = 0, height = 0;
        std::vector<std::uint8_t> bits;
    };
    std::map<std::uint64_t, GlyphImage> glyphs_;
    std::uint32_t fontRecords_ = 0;
    std::uint64_t glyphKey(std::uint16_t ch, std::uint8_t flags) const {
        return (std::uint64_t{fontRecords_} << 24) | (std::uint64_t{flags & 0x0Cu} << 16) | ch;
    }
    bool image(const DrawingStream& s, const ByteRange& data, std::uint8_t encoding, std::uint32_t w, std::uint32_t h,
               GlyphImage* out) {
        std::string why;
        std::size_t where = 0;
        out->width = w;
        out->height = h;
        return expandGlyphBits(s.bytes().subspan(data.offset, data.size), encoding, std::uint64_t{(w + 7) / 8} * h,
                               &out->bits, &why, &where);
    }
    void stamp(const GlyphImage& g, long left, long top) {
        const std::uint32_t rowBytes = (g.width + 7) / 8;
        for (std::uint32_t y = 0; y < g.height; ++y)
            for (std::uint32_t x = 0; x < g.width; ++x)
                if ((g.bits[y * rowBytes + x / 8] >> (7 - x % 8)) & 1) put(left + x, top + y, fg_);
    }
    void draw(const FontRecord&, const DrawingStream&) { ++fontRecords_; }
    void draw(const GlyphBitmapRecord& r, const DrawingStream& s) {
        GlyphImage g;
        if (r.flags & 0x40) {
            auto it = glyphs_.find(glyphKey(r.ch, r.flags));
            if (it == glyphs_.end()) return;
            g = it->second;
        } else if (!image(s, r.data, r.encoding, r.width, r.height, &g)) {
            return;
        } else if (r.cacheInUse) {
            glyphs_[glyphKey(r.ch, r.flags)] = g;
        }
        stamp(g, r.left, r.top);
    }
    void draw(const GlyphDefineRecord& r, const DrawingStream& s) {
        GlyphImage g;
        if (image(s, r.data, r.encoding, r.width, r.height, &g)) glyphs_[glyphKey(r.ch, r.flags)] = std::move(g);
    }
    void draw(const GlyphRunRecord& r, const DrawingStream&) {
        long x = r.x, y = r.y;
        for (const GlyphRunEntry& e : r.glyphs) {
            x += e.dx;
            y += e.dy;
            auto it = glyphs_.find(glyphKey(e.ch, r.flags));
            if (it != glyphs_.end()) stamp(it->second, x, y);
        }
    }
    template <class T>
    void draw(const T&, const DrawingStream&) {
        if (pic_) ++pic_->skipped;  // characters of the device's fonts and state the replay does not use
    }
};

}  // namespace

ReplayResult replayStream(Bytes input, std::uint64_t maxPixels) {
    ReplayResult out;
    Canvas canvas(maxPixels);
    const Summary sum = decodeStream(input, StreamOptions{}, canvas);
    if (!sum.ok) {
        out.error = sum.error.text();
        return out;
    }
    if (!canvas.error.empty()) {
        out.error = canvas.error;
        return out;
    }
    out.ok = true;
    out.pages = std::move(canvas.pages);
    return out;
}

}  // namespace vesk::decode
