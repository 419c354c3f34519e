// Regions and clip objects: CLIPOBJ_cEnumStart, CLIPOBJ_bEnum,
// CLIPOBJ_ppoGetPath.
#include "internal.h"

#include "core/sim.h"

#include <algorithm>
#include <new>

namespace winsim::gdi {

namespace {
using Spans = std::vector<std::pair<LONG, LONG>>;

Spans mergeSpans(Spans s) {
    std::sort(s.begin(), s.end());
    Spans out;
    for (auto& sp : s) {
        if (sp.first >= sp.second) continue;
        if (!out.empty() && sp.first <= out.back().second)
            out.back().second = std::max(out.back().second, sp.second);
        else
            out.push_back(sp);
    }
    return out;
}

Spans intersectSpans(const Spans& a, const Spans& b) {
    Spans out;
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        LONG l = std::max(a[i].first, b[j].first), r = std::min(a[i].second, b[j].second);
        if (l < r) out.emplace_back(l, r);
        if (a[i].second < b[j].second)
            ++i;
        else
            ++j;
    }
    return out;
}

// Joins vertically adjacent bands with equal spans and drops empty ones.
void coalesce(std::vector<Region::Band>& bands) {
    std::vector<Region::Band> out;
    for (auto& b : bands) {
        if (b.spans.empty() || b.top >= b.bottom) continue;
        if (!out.empty() && out.back().bottom == b.top && out.back().spans == b.spans)
            out.back().bottom = b.bottom;
        else
            out.push_back(std::move(b));
    }
    bands = std::move(out);
}
}  // namespace

Region Region::fromRect(const RECTL& r) {
    Region g;
    if (r.left < r.right && r.top < r.bottom) g.bands.push_back({r.top, r.bottom, {{r.left, r.right}}});
    return g;
}

Region Region::fromRects(const std::vector<RECTL>& rects) {
    std::vector<LONG> ys;
    for (const auto& r : rects)
        if (r.left < r.right && r.top < r.bottom) {
            ys.push_back(r.top);
            ys.push_back(r.bottom);
        }
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    Region g;
    for (size_t i = 0; i + 1 < ys.size(); ++i) {
        Spans s;
        for (const auto& r : rects)
            if (r.left < r.right && r.top <= ys[i] && r.bottom >= ys[i + 1]) s.emplace_back(r.left, r.right);
        g.bands.push_back({ys[i], ys[i + 1], mergeSpans(std::move(s))});
    }
    coalesce(g.bands);
    return g;
}

Region Region::fromMask(LONG x0, LONG y0, LONG w, LONG h, const std::vector<uint8_t>& mask) {
    Region g;
    for (LONG y = 0; y < h; ++y) {
        Spans s;
        const uint8_t* row = mask.data() + static_cast<size_t>(y) * w;
        LONG x = 0;
        while (x < w) {
            while (x < w && !row[x]) ++x;
            LONG start = x;
            while (x < w && row[x]) ++x;
            if (x > start) s.emplace_back(x0 + start, x0 + x);
        }
        g.bands.push_back({y0 + y, y0 + y + 1, std::move(s)});
    }
    coalesce(g.bands);
    return g;
}

Region Region::intersect(const Region& o) const {
    Region g;
    size_t i = 0, j = 0;
    while (i < bands.size() && j < o.bands.size()) {
        const Band& a = bands[i];
        const Band& b = o.bands[j];
        LONG top = std::max(a.top, b.top), bottom = std::min(a.bottom, b.bottom);
        if (top < bottom) g.bands.push_back({top, bottom, intersectSpans(a.spans, b.spans)});
        if (a.bottom < b.bottom)
            ++i;
        else
            ++j;
    }
    coalesce(g.bands);
    return g;
}

Region Region::intersect(const RECTL& r) const { return intersect(fromRect(r)); }

Region Region::translated(LONG dx, LONG dy) const {
    Region g = *this;
    for (auto& b : g.bands) {
        b.top += dy;
        b.bottom += dy;
        for (auto& s : b.spans) {
            s.first += dx;
            s.second += dx;
        }
    }
    return g;
}

RECTL Region::bounds() const {
    if (bands.empty()) return RECTL{0, 0, 0, 0};
    RECTL r{bands.front().spans.front().first, bands.front().top, bands.front().spans.back().second,
            bands.back().bottom};
    for (const auto& b : bands) {
        r.left = std::min(r.left, b.spans.front().first);
        r.right = std::max(r.right, b.spans.back().second);
    }
    return r;
}

std::vector<RECTL> Region::rects() const {
    std::vector<RECTL> out;
    for (const auto& b : bands)
        for (const auto& s : b.spans) out.push_back(RECTL{s.first, b.top, s.second, b.bottom});
    return out;
}

bool Region::contains(LONG x, LONG y) const {
    for (const auto& b : bands) {
        if (y < b.top) return false;
        if (y >= b.bottom) continue;
        for (const auto& s : b.spans)
            if (x >= s.first && x < s.second) return true;
        return false;
    }
    return false;
}

bool Region::operator==(const Region& o) const {
    if (bands.size() != o.bands.size()) return false;
    for (size_t i = 0; i < bands.size(); ++i)
        if (bands[i].top != o.bands[i].top || bands[i].bottom != o.bands[i].bottom ||
            bands[i].spans != o.bands[i].spans)
            return false;
    return true;
}

// ---------------------------------------------------------------------------
// Clip objects.

namespace {
Registry<Clip>& clips() {
    static auto* r = new Registry<Clip>;
    return *r;
}
}  // namespace

std::unique_ptr<Clip> makeClip(const Region* region, ULONG uniq) {
    auto c = std::make_unique<Clip>();
    c->co.iUniq = uniq;
    c->co.iMode = TC_RECTANGLES;
    if (region) {
        c->trivial = false;
        c->region = *region;
        c->co.rclBounds = region->bounds();
        size_t n = region->rects().size();
        c->co.iDComplexity = n == 1 ? DC_RECT : DC_COMPLEX;
        c->co.iFComplexity = n == 1 ? FC_RECT : n <= 4 ? FC_RECT4 : FC_COMPLEX;
    } else {
        c->co.iDComplexity = DC_TRIVIAL;
        c->co.iFComplexity = FC_RECT;
        c->co.rclBounds = RECTL{-0x7FFFFFF, -0x7FFFFFF, 0x7FFFFFF, 0x7FFFFFF};
    }
    clips().add(c.get(), &c->co);
    return c;
}

Clip* clipFromObj(const CLIPOBJ* co) { return co ? clips().find(co) : nullptr; }

Clip::~Clip() { clips().remove(&co); }

Region effectiveClip(const SURFOBJ* so, const CLIPOBJ* co) {
    RECTL whole{0, 0, so->sizlBitmap.cx, so->sizlBitmap.cy};
    if (!co || co->iDComplexity == DC_TRIVIAL) return Region::fromRect(whole);
    if (Clip* c = clipFromObj(co)) return c->region.intersect(whole);
    // A clip object of another maker: its bounds are all we can read.
    RECTL r = co->rclBounds;
    r.left = std::max(r.left, whole.left);
    r.top = std::max(r.top, whole.top);
    r.right = std::min(r.right, whole.right);
    r.bottom = std::min(r.bottom, whole.bottom);
    return Region::fromRect(r);
}

}  // namespace winsim::gdi

using namespace winsim::gdi;

namespace {
// Orders the enumeration as the caller asked: rows top-down or bottom-up,
// rectangles of a row left-to-right or right-to-left.
void orderRects(std::vector<RECTL>& v, ULONG dir) {
    if (dir == CD_ANY) return;
    bool up = (dir & CD_UPWARDS) != 0, left = (dir & CD_LEFTWARDS) != 0;
    std::stable_sort(v.begin(), v.end(), [&](const RECTL& a, const RECTL& b) {
        if (a.top != b.top) return up ? a.top > b.top : a.top < b.top;
        return left ? a.left > b.left : a.left < b.left;
    });
}
}  // namespace

extern "C" {

WINBASEAPI ULONG APIENTRY CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection,
                                             ULONG cLimit) {
    Clip* c = clipFromObj(pco);
    if (!c || iType != CT_RECTANGLES) return 0xFFFFFFFF;
    (void)bAll;  // the engine's clip objects hold no rectangles outside the region
    try {
        if (c->trivial)
            c->enumRects.assign(1, c->co.rclBounds);
        else
            c->enumRects = c->region.rects();
        orderRects(c->enumRects, iDirection);
    } catch (const std::bad_alloc&) {
        c->enumRects.clear();
    }
    c->enumNext = 0;
    ULONG n = static_cast<ULONG>(c->enumRects.size());
    return (cLimit && n > cLimit) ? 0xFFFFFFFF : n;
}

WINBASEAPI BOOL APIENTRY CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul) {
    Clip* c = clipFromObj(pco);
    auto* er = reinterpret_cast<ENUMRECTS*>(pul);
    if (!er || cj < sizeof(ULONG)) return FALSE;
    er->c = 0;
    if (!c) return FALSE;
    size_t room = (cj - offsetof(ENUMRECTS, arcl)) / sizeof(RECTL);
    if (cj < offsetof(ENUMRECTS, arcl)) room = 0;
    while (room > 0 && c->enumNext < c->enumRects.size()) {
        er->arcl[er->c++] = c->enumRects[c->enumNext++];
        --room;
    }
    return c->enumNext < c->enumRects.size();
}

WINBASEAPI PATHOBJ* APIENTRY CLIPOBJ_ppoGetPath(CLIPOBJ* pco) {
    if (engEnter("CLIPOBJ_ppoGetPath")) return nullptr;
    Clip* c = clipFromObj(pco);
    if (!c || c->trivial) return nullptr;
    try {
        PathGeom g;
        if (c->hasPath) {
            g = c->path;
        } else {
            for (const RECTL& r : c->region.rects()) {
                SubPath s;
                s.start = {r.left * 16, r.top * 16};
                Segment a, b, d;
                a.p[0] = {r.right * 16, r.top * 16};
                b.p[0] = {r.right * 16, r.bottom * 16};
                d.p[0] = {r.left * 16, r.bottom * 16};
                s.segs = {a, b, d};
                s.closed = true;
                g.subs.push_back(std::move(s));
            }
        }
        Path* p = newPath(std::move(g));
        p->engineOwned = true;
        return &p->po;
    } catch (const std::bad_alloc&) {
        winsim::detail::setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

}  // extern "C"
