// Paths, transforms and the engine's own path rendering: PATHOBJ_*,
// XFORMOBJ_*, EngFillPath, EngStrokePath, EngStrokeAndFillPath, EngDeletePath.
#include "internal.h"

#include "core/sim.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace winsim::gdi {

using winsim::detail::setError;

bool PathGeom::hasBeziers() const {
    for (const auto& s : subs)
        for (const auto& g : s.segs)
            if (g.bezier) return true;
    return false;
}

// Lines and curves that make up the path; the closing line of a closed
// figure is counted as a line too.
ULONG PathGeom::curveCount() const {
    ULONG n = 0;
    for (const auto& s : subs) n += static_cast<ULONG>(s.segs.size()) + (s.closed ? 1 : 0);
    return n;
}

RECTFX PathGeom::bounds() const {
    bool any = false;
    RECTFX r{0, 0, 0, 0};
    auto add = [&](const POINTFIX& p) {
        if (!any) {
            r = {p.x, p.y, p.x, p.y};
            any = true;
            return;
        }
        r.xLeft = std::min(r.xLeft, p.x);
        r.yTop = std::min(r.yTop, p.y);
        r.xRight = std::max(r.xRight, p.x);
        r.yBottom = std::max(r.yBottom, p.y);
    };
    for (const auto& s : subs) {
        add(s.start);
        for (const auto& g : s.segs)
            for (int i = 0; i < (g.bezier ? 3 : 1); ++i) add(g.p[i]);
    }
    return r;
}

PathGeom PathGeom::translated(FIX dx, FIX dy) const {
    PathGeom g = *this;
    for (auto& s : g.subs) {
        s.start.x += dx;
        s.start.y += dy;
        for (auto& seg : s.segs)
            for (auto& p : seg.p) {
                p.x += dx;
                p.y += dy;
            }
    }
    return g;
}

namespace {
Registry<Path>& paths() {
    static auto* r = new Registry<Path>;
    return *r;
}
Registry<Xform>& xforms() {
    static auto* r = new Registry<Xform>;
    return *r;
}

bool allIntegers(const PathGeom& g) {
    auto whole = [](const POINTFIX& p) { return (p.x & 15) == 0 && (p.y & 15) == 0; };
    for (const auto& s : g.subs) {
        if (!whole(s.start)) return false;
        for (const auto& seg : s.segs)
            for (int i = 0; i < (seg.bezier ? 3 : 1); ++i)
                if (!whole(seg.p[i])) return false;
    }
    return true;
}

// Splits the path into the runs PATHOBJ_bEnum hands out: one run per stretch
// of segments of one kind within a subpath, cut further when a run limit is
// set (Bézier runs on whole curves).
std::vector<Path::Run> buildRuns(const PathGeom& g, size_t limit) {
    std::vector<Path::Run> runs;
    for (const auto& s : g.subs) {
        size_t firstRun = runs.size();
        Path::Run cur{PD_BEGINSUBPATH | PD_RESETSTYLE, {s.start}};
        bool curBez = false;
        bool started = false;  // cur holds segment points
        auto flush = [&]() {
            runs.push_back(std::move(cur));
            cur = Path::Run{0, {}};
            started = false;
        };
        for (const auto& seg : s.segs) {
            size_t n = seg.bezier ? 3 : 1;
            if (started && seg.bezier != curBez) flush();
            if (limit && started && cur.pts.size() + n > std::max(limit, n + 1)) flush();
            if (!started) {
                curBez = seg.bezier;
                if (curBez) cur.flags |= PD_BEZIERS;
                started = true;
            }
            for (size_t i = 0; i < n; ++i) cur.pts.push_back(seg.p[i]);
        }
        runs.push_back(std::move(cur));
        runs.back().flags |= PD_ENDSUBPATH | (s.closed ? PD_CLOSEFIGURE : 0);
        (void)firstRun;
    }
    return runs;
}
}  // namespace

Path* newPath(PathGeom geom, size_t runLimit) {
    auto* p = new Path;
    p->geom = std::move(geom);
    p->runLimit = runLimit;
    p->po.cCurves = p->geom.curveCount();
    p->po.fl = (p->geom.hasBeziers() ? PO_BEZIERS : 0) | (allIntegers(p->geom) ? PO_ALL_INTEGERS : 0);
    paths().add(p, &p->po);
    return p;
}

void deletePath(Path* p) {
    if (!p) return;
    paths().remove(&p->po);
    delete p;
}

Path* pathFromObj(const PATHOBJ* po) { return po ? paths().find(po) : nullptr; }

PathGeom geometryOf(PATHOBJ* po) {
    if (Path* p = pathFromObj(po)) return p->geom;
    return {};
}

// ---------------------------------------------------------------------------
// Flattening.

std::vector<Polygon> flatten(const PathGeom& g, bool closeAll) {
    std::vector<Polygon> out;
    for (const auto& s : g.subs) {
        Polygon poly;
        Pt cur{s.start.x / 16.0, s.start.y / 16.0};
        poly.push_back(cur);
        for (const auto& seg : s.segs) {
            if (!seg.bezier) {
                cur = {seg.p[0].x / 16.0, seg.p[0].y / 16.0};
                poly.push_back(cur);
                continue;
            }
            Pt c1{seg.p[0].x / 16.0, seg.p[0].y / 16.0}, c2{seg.p[1].x / 16.0, seg.p[1].y / 16.0},
                e{seg.p[2].x / 16.0, seg.p[2].y / 16.0};
            double len = std::hypot(c1.x - cur.x, c1.y - cur.y) + std::hypot(c2.x - c1.x, c2.y - c1.y) +
                         std::hypot(e.x - c2.x, e.y - c2.y);
            int n = static_cast<int>(std::ceil(std::sqrt(len) * 2));
            n = std::clamp(n, 1, 256);
            for (int i = 1; i <= n; ++i) {
                double t = static_cast<double>(i) / n, u = 1 - t;
                double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
                poly.push_back({a * cur.x + b * c1.x + c * c2.x + d * e.x, a * cur.y + b * c1.y + c * c2.y + d * e.y});
            }
            cur = e;
        }
        if ((closeAll || s.closed) && poly.size() > 1 &&
            (poly.front().x != poly.back().x || poly.front().y != poly.back().y))
            poly.push_back(poly.front());
        out.push_back(std::move(poly));
    }
    return out;
}

// ---------------------------------------------------------------------------
// Coverage.

void Coverage::init(const RECTL& box) {
    x0 = box.left;
    y0 = box.top;
    w = std::max<LONG>(0, box.right - box.left);
    h = std::max<LONG>(0, box.bottom - box.top);
    if (direct)
        m.clear();
    else
        m.assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
}

void fillPolygons(Coverage& cov, const std::vector<Polygon>& polys, bool winding) {
    fillPolygons(cov, polys.data(), polys.size(), winding);
}

void fillPolygons(Coverage& cov, const Polygon* polys, size_t count, bool winding) {
    struct Edge {
        double x0, y0, x1, y1;
        int dir;
    };
    // A stroke fills a polygon per segment, cap and join, for every band it
    // touches: the work lists are kept from call to call.
    struct Scratch {
        std::vector<Edge> edges;
        std::vector<const Edge*> active;
        std::vector<std::pair<double, int>> xs;
    };
    thread_local Scratch scratch;
    std::vector<Edge>& edges = scratch.edges;
    std::vector<const Edge*>& active = scratch.active;
    std::vector<std::pair<double, int>>& xs = scratch.xs;
    edges.clear();
    active.clear();
    if (cov.w == 0 || cov.h == 0) return;
    double ymin = 1e300, ymax = -1e300, xmin = 1e300, xmax = -1e300;
    for (size_t k = 0; k < count; ++k) {
        const Polygon& p = polys[k];
        for (const Pt& q : p) {
            xmin = std::min(xmin, q.x);
            xmax = std::max(xmax, q.x);
        }
        for (size_t i = 0; i + 1 <= p.size() && p.size() > 1; ++i) {
            const Pt& a = p[i];
            const Pt& b = p[(i + 1) % p.size()];
            if (i + 1 == p.size() && a.x == p.front().x && a.y == p.front().y) break;
            if (a.y == b.y) continue;
            if (a.y < b.y)
                edges.push_back({a.x, a.y, b.x, b.y, 1});
            else
                edges.push_back({b.x, b.y, a.x, a.y, -1});
            ymin = std::min({ymin, a.y, b.y});
            ymax = std::max({ymax, a.y, b.y});
        }
    }
    // Nothing to do for polygons wholly outside the mask (the parts of a
    // page's drawing that lie in other bands).
    if (edges.empty() || xmax + 0.5 < cov.x0 || xmin - 0.5 > double(cov.x0) + cov.w) return;
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
    LONG yStart = std::max<LONG>(cov.y0, static_cast<LONG>(std::floor(ymin - 0.5)));
    LONG yEnd = std::min<LONG>(cov.y0 + cov.h, static_cast<LONG>(std::ceil(ymax + 0.5)));
    size_t nextEdge = 0;
    for (LONG y = yStart; y < yEnd; ++y) {
        double yc = y + 0.5;
        while (nextEdge < edges.size() && edges[nextEdge].y0 <= yc) active.push_back(&edges[nextEdge++]);
        active.erase(std::remove_if(active.begin(), active.end(), [&](const Edge* e) { return e->y1 <= yc; }),
                     active.end());
        xs.clear();
        for (const Edge* e : active)
            if (e->y0 <= yc && yc < e->y1) xs.emplace_back(e->x0 + (yc - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0), e->dir);
        if (xs.size() < 2) continue;
        std::sort(xs.begin(), xs.end());
        int count = 0;
        for (size_t i = 0; i + 1 < xs.size(); ++i) {
            count += winding ? xs[i].second : 1;
            bool inside = winding ? count != 0 : (count & 1) != 0;
            if (!inside) continue;
            double xa = xs[i].first, xb = xs[i + 1].first;
            LONG from = static_cast<LONG>(std::ceil(xa - 0.5)), to = static_cast<LONG>(std::ceil(xb - 0.5));
            from = std::max(from, cov.x0);
            to = std::min(to, cov.x0 + cov.w);
            if (from < to) cov.fill(y, from, to);
        }
    }
}

namespace {
constexpr double kPi = 3.14159265358979323846;

Polygon circle(Pt c, double r) {
    Polygon p;
    int n = std::clamp(static_cast<int>(r * 2), 8, 64);
    for (int i = 0; i < n; ++i) {
        double a = 2 * kPi * i / n;
        p.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
    return p;
}

void fillOne(Coverage& cov, const Polygon& p) { fillPolygons(cov, &p, 1, true); }

// One-pixel lines between pixel positions; the last pixel is left out, as
// the engine leaves it out of every line it draws.
void cosmeticLine(Coverage& cov, Pt a, Pt b, const std::vector<double>& dashes, double& pos) {
    LONG x0 = static_cast<LONG>(std::floor(a.x)), y0 = static_cast<LONG>(std::floor(a.y));
    LONG x1 = static_cast<LONG>(std::floor(b.x)), y1 = static_cast<LONG>(std::floor(b.y));
    LONG dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    LONG sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    LONG err = dx + dy;
    double total = 0;
    for (double d : dashes) total += d;
    while (!(x0 == x1 && y0 == y1)) {
        bool on = true;
        if (total > 0) {
            double p = std::fmod(pos, total);
            size_t i = 0;
            while (i < dashes.size() && p >= dashes[i]) p -= dashes[i++];
            on = (i % 2) == 0;
        }
        if (on) cov.set(x0, y0);
        pos += 1;
        LONG e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

// Splits a polyline into its dashes (pieces that are drawn).
std::vector<Polygon> dashPieces(const Polygon& line, const std::vector<double>& dashes, double offset) {
    double total = 0;
    for (double d : dashes) total += d;
    if (dashes.size() < 2 || total <= 0) return {line};
    std::vector<Polygon> out;
    size_t idx = 0;
    double left = dashes[0];
    double off = std::fmod(std::max(0.0, offset), total);
    while (off > 0) {
        if (off >= left) {
            off -= left;
            idx = (idx + 1) % dashes.size();
            left = dashes[idx];
        } else {
            left -= off;
            off = 0;
        }
    }
    Polygon cur;
    if (idx % 2 == 0 && !line.empty()) cur.push_back(line[0]);
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        Pt a = line[i], b = line[i + 1];
        double len = std::hypot(b.x - a.x, b.y - a.y), done = 0;
        int guard = 0;
        while (len - done > left && ++guard < 100000) {
            done += left;
            Pt p{a.x + (b.x - a.x) * done / len, a.y + (b.y - a.y) * done / len};
            if (idx % 2 == 0) {
                cur.push_back(p);
                out.push_back(std::move(cur));
                cur.clear();
            } else {
                cur.assign(1, p);
            }
            idx = (idx + 1) % dashes.size();
            left = dashes[idx];
            if (left <= 0) left = 1e-9;
        }
        left -= len - done;
        if (idx % 2 == 0) cur.push_back(b);
    }
    if (idx % 2 == 0 && cur.size() > 1) out.push_back(std::move(cur));
    return out;
}

void wideLine(Coverage& cov, const Polygon& line, bool closed, const StrokeStyle& st) {
    double hw = st.width / 2;
    // Drop repeated points.
    Polygon pts;
    for (const Pt& p : line)
        if (pts.empty() || std::hypot(p.x - pts.back().x, p.y - pts.back().y) > 1e-9) pts.push_back(p);
    if (closed && pts.size() > 2 && std::hypot(pts.front().x - pts.back().x, pts.front().y - pts.back().y) <= 1e-9)
        pts.pop_back();
    if (pts.empty()) return;
    if (pts.size() == 1) {
        if (st.cap == ENDCAP_ROUND) fillOne(cov, circle(pts[0], hw));
        if (st.cap == ENDCAP_SQUARE)
            fillOne(cov, {{pts[0].x - hw, pts[0].y - hw}, {pts[0].x + hw, pts[0].y - hw},
                          {pts[0].x + hw, pts[0].y + hw}, {pts[0].x - hw, pts[0].y + hw}});
        return;
    }
    size_t nseg = closed ? pts.size() : pts.size() - 1;
    auto dirOf = [&](size_t i) {
        Pt a = pts[i], b = pts[(i + 1) % pts.size()];
        double l = std::hypot(b.x - a.x, b.y - a.y);
        return Pt{(b.x - a.x) / l, (b.y - a.y) / l};
    };
    for (size_t i = 0; i < nseg; ++i) {
        Pt a = pts[i], b = pts[(i + 1) % pts.size()];
        Pt d = dirOf(i), n{-d.y * hw, d.x * hw};
        if (!closed && st.cap == ENDCAP_SQUARE) {
            if (i == 0) a = {a.x - d.x * hw, a.y - d.y * hw};
            if (i + 1 == nseg) b = {b.x + d.x * hw, b.y + d.y * hw};
        }
        fillOne(cov, {{a.x + n.x, a.y + n.y}, {b.x + n.x, b.y + n.y}, {b.x - n.x, b.y - n.y}, {a.x - n.x, a.y - n.y}});
    }
    if (!closed && st.cap == ENDCAP_ROUND) {
        fillOne(cov, circle(pts.front(), hw));
        fillOne(cov, circle(pts.back(), hw));
    }
    // Joins at the inner vertices (every vertex of a closed figure).
    size_t first = closed ? 0 : 1, last = closed ? pts.size() : pts.size() - 1;
    for (size_t v = first; v < last; ++v) {
        size_t in = (v + pts.size() - 1) % pts.size();
        Pt d0 = dirOf(in), d1 = dirOf(v % pts.size());
        Pt p = pts[v % pts.size()];
        Pt n0{-d0.y, d0.x}, n1{-d1.y, d1.x};
        if (st.join == JOIN_ROUND) {
            fillOne(cov, circle(p, hw));
            continue;
        }
        double side = (n0.x * d1.x + n0.y * d1.y) < 0 ? 1 : -1;
        Pt o0{p.x + side * n0.x * hw, p.y + side * n0.y * hw}, o1{p.x + side * n1.x * hw, p.y + side * n1.y * hw};
        Pt u{n0.x + n1.x, n0.y + n1.y};
        double ul = std::hypot(u.x, u.y);
        bool mitred = false;
        if (st.join == JOIN_MITER && ul > 1e-6) {
            double cosHalf = ul / 2;
            if (1 / cosHalf <= std::max(1.0, st.miterLimit)) {
                Pt m{p.x + side * u.x / ul * hw / cosHalf, p.y + side * u.y / ul * hw / cosHalf};
                fillOne(cov, {p, o0, m, o1});
                mitred = true;
            }
        }
        if (!mitred) fillOne(cov, {p, o0, o1});
    }
}
}  // namespace

void strokePolylines(Coverage& cov, const std::vector<Polygon>& lines, const std::vector<bool>& closed,
                     const StrokeStyle& st) {
    for (size_t i = 0; i < lines.size(); ++i) {
        const Polygon& line = lines[i];
        bool isClosed = i < closed.size() && closed[i];
        if (!st.geometric) {
            double pos = st.dashOffset;
            if (line.size() == 1) {
                cov.set(static_cast<LONG>(std::floor(line[0].x)), static_cast<LONG>(std::floor(line[0].y)));
                continue;
            }
            for (size_t k = 0; k + 1 < line.size(); ++k) cosmeticLine(cov, line[k], line[k + 1], st.dashes, pos);
            continue;
        }
        if (st.dashes.size() >= 2) {
            Polygon open = line;
            for (const Polygon& piece : dashPieces(open, st.dashes, st.dashOffset)) wideLine(cov, piece, false, st);
        } else {
            wideLine(cov, line, isClosed, st);
        }
    }
}

StrokeStyle strokeStyleFor(const LINEATTRS* la, XFORMOBJ* pxo, const SURFOBJ* so) {
    StrokeStyle st;
    if (!la) return st;
    double scale = 1;
    if (Xform* x = xformFromObj(pxo)) scale = std::sqrt(std::fabs(x->m11 * x->m22 - x->m12 * x->m21));
    st.geometric = (la->fl & LA_GEOMETRIC) != 0;
    if (st.geometric) {
        double w = la->elWidth.e;
        if (!(w > 0) || !std::isfinite(w)) w = 0;
        st.width = std::max(1.0, w * scale);
        st.join = la->iJoin;
        st.cap = la->iEndCap == ENDCAP_SQUARE ? ENDCAP_SQUARE
                 : la->iEndCap == ENDCAP_BUTT ? ENDCAP_BUTT
                                              : ENDCAP_ROUND;
        double ml = la->eMiterLimit;
        st.miterLimit = std::isfinite(ml) ? std::max(1.0, ml) : 10.0;
    }
    // Pixels per style unit of a cosmetic line, from the device description.
    double unit = 1;
    DeviceLink link;
    if (so && so->hdev && deviceLink(so->hdev, &link) && link.styleUnit > 0) unit = link.styleUnit;
    if (la->fl & LA_ALTERNATE) {
        st.dashes = {1, 1};
    } else if ((la->fl & LA_STYLED) && la->pstyle && la->cstyle > 0 && la->cstyle <= 1024) {
        if (la->fl & LA_STARTGAP) st.dashes.push_back(0);
        for (ULONG i = 0; i < la->cstyle; ++i) {
            double v = st.geometric ? la->pstyle[i].e * scale : la->pstyle[i].l * unit;
            if (!std::isfinite(v) || v < 0) v = 0;
            st.dashes.push_back(v);
        }
        if (st.dashes.size() % 2) {  // an odd array repeats with dash and gap swapped
            size_t n = st.dashes.size();
            for (size_t i = 0; i < n; ++i) st.dashes.push_back(st.dashes[i]);
        }
        double total = 0;
        for (double d : st.dashes) total += d;
        if (total <= 0) st.dashes.clear();
    }
    return st;
}

// ---------------------------------------------------------------------------
// Transforms.

ULONG Xform::complexity() const {
    bool unit = m11 == 1 && m12 == 0 && m21 == 0 && m22 == 1;
    if (unit) return (dx == 0 && dy == 0) ? GX_IDENTITY : GX_OFFSET;
    if (m12 == 0 && m21 == 0) return GX_SCALE;
    return GX_GENERAL;
}

Xform* newXform(double m11, double m12, double m21, double m22, double dx, double dy) {
    auto* x = new Xform;
    x->m11 = m11;
    x->m12 = m12;
    x->m21 = m21;
    x->m22 = m22;
    x->dx = dx;
    x->dy = dy;
    xforms().add(x, &x->xo);
    return x;
}

Xform* xformFromObj(const XFORMOBJ* xo) { return xo ? xforms().find(xo) : nullptr; }

void deleteXform(Xform* x) {
    if (!x) return;
    xforms().remove(&x->xo);
    delete x;
}

}  // namespace winsim::gdi

using namespace winsim::gdi;
using winsim::detail::setError;

namespace {
LONG roundL(double v) {
    if (!std::isfinite(v)) return 0;
    v = std::clamp(v, -2147483648.0, 2147483647.0);
    return static_cast<LONG>(std::lround(v));
}

// Renders a path into the coverage of a surface, limited to the clip's box.
bool pathCoverage(SURFOBJ* pso, PATHOBJ* ppo, const Region& clip, Coverage& cov, bool fill, bool winding,
                  const StrokeStyle* st) {
    PathGeom g = geometryOf(ppo);
    RECTL cb = clip.bounds();
    if (g.subs.empty() || clip.empty()) {
        cov.init(RECTL{0, 0, 0, 0});
        return true;
    }
    RECTFX b = g.bounds();
    double pad = st ? st->width * 2 + 2 : 1;
    RECTL box{static_cast<LONG>(std::floor(b.xLeft / 16.0 - pad)), static_cast<LONG>(std::floor(b.yTop / 16.0 - pad)),
              static_cast<LONG>(std::ceil(b.xRight / 16.0 + pad)), static_cast<LONG>(std::ceil(b.yBottom / 16.0 + pad))};
    box.left = std::max(box.left, cb.left);
    box.top = std::max(box.top, cb.top);
    box.right = std::min(box.right, cb.right);
    box.bottom = std::min(box.bottom, cb.bottom);
    if (box.left >= box.right || box.top >= box.bottom) {
        cov.init(RECTL{0, 0, 0, 0});
        return true;
    }
    (void)pso;
    cov.init(box);
    if (fill) {
        fillPolygons(cov, flatten(g, true), winding);
    } else {
        std::vector<bool> closed;
        for (const auto& s : g.subs) closed.push_back(s.closed);
        strokePolylines(cov, flatten(g, false), closed, *st);
    }
    return true;
}
}  // namespace

extern "C" {

WINBASEAPI void APIENTRY PATHOBJ_vEnumStart(PATHOBJ* ppo) {
    Path* p = pathFromObj(ppo);
    if (!p) return;
    try {
        p->runs = buildRuns(p->geom, p->runLimit);
    } catch (const std::bad_alloc&) {
        p->runs.clear();
    }
    p->next = 0;
    p->enumerated = true;
}

WINBASEAPI BOOL APIENTRY PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd) {
    Path* p = pathFromObj(ppo);
    if (!ppd) return FALSE;
    ppd->flags = 0;
    ppd->count = 0;
    ppd->pptfx = nullptr;
    if (!p) return FALSE;
    if (!p->enumerated) PATHOBJ_vEnumStart(ppo);
    if (p->next >= p->runs.size()) return FALSE;
    Path::Run& r = p->runs[p->next++];
    ppd->flags = r.flags;
    ppd->count = static_cast<ULONG>(r.pts.size());
    ppd->pptfx = r.pts.data();
    return p->next < p->runs.size();
}

WINBASEAPI void APIENTRY PATHOBJ_vGetBounds(PATHOBJ* ppo, PRECTFX prectfx) {
    if (!prectfx) return;
    Path* p = pathFromObj(ppo);
    *prectfx = p ? p->geom.bounds() : RECTFX{0, 0, 0, 0};
}

WINBASEAPI void APIENTRY EngDeletePath(PATHOBJ* ppo) {
    if (engEnter("EngDeletePath")) return;
    Path* p = pathFromObj(ppo);
    // Only paths the engine handed out for the caller to delete are freed.
    if (p && p->engineOwned) deletePath(p);
}

WINBASEAPI ULONG APIENTRY XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform) {
    Xform* x = xformFromObj(pxo);
    if (!x) {
        if (pxform) *pxform = XFORML{1, 0, 0, 1, 0, 0};
        return pxo ? 0xFFFFFFFF : GX_IDENTITY;  // a null transform is the identity
    }
    if (pxform)
        *pxform = XFORML{static_cast<FLOATL>(x->m11), static_cast<FLOATL>(x->m12), static_cast<FLOATL>(x->m21),
                         static_cast<FLOATL>(x->m22), static_cast<FLOATL>(x->dx), static_cast<FLOATL>(x->dy)};
    return x->complexity();
}

WINBASEAPI BOOL APIENTRY XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn,
                                              PVOID pvOut) {
    if (!pvIn || !pvOut) return FALSE;
    Xform id;
    Xform* x = pxo ? xformFromObj(pxo) : &id;
    if (!x) return FALSE;
    bool inverse = iMode == XF_INV_LTOL || iMode == XF_INV_FXTOL;
    double a = x->m11, b = x->m12, c = x->m21, d = x->m22, ex = x->dx, ey = x->dy;
    if (inverse) {
        double det = a * d - b * c;
        if (det == 0 || !std::isfinite(det)) return FALSE;
        double ia = d / det, ib = -b / det, ic = -c / det, id2 = a / det;
        double iex = -(ex * ia + ey * ic), iey = -(ex * ib + ey * id2);
        a = ia;
        b = ib;
        c = ic;
        d = id2;
        ex = iex;
        ey = iey;
    }
    double inScale = iMode == XF_INV_FXTOL ? 1.0 / 16 : 1;
    double outScale = iMode == XF_LTOFX ? 16 : 1;
    if (iMode > XF_INV_FXTOL) return FALSE;
    // Input and output may be the same array: read each point before writing it.
    auto* in = static_cast<const LONG*>(pvIn);
    auto* out = static_cast<LONG*>(pvOut);
    for (ULONG i = 0; i < cPoints; ++i) {
        double px = in[2 * i] * inScale, py = in[2 * i + 1] * inScale;
        double qx = px * a + py * c + ex, qy = px * b + py * d + ey;
        out[2 * i] = roundL(qx * outScale);
        out[2 * i + 1] = roundL(qy * outScale);
    }
    return TRUE;
}

WINBASEAPI BOOL APIENTRY EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
                                     POINTL* pptlBrushOrg, MIX mix, FLONG flOptions) {
    if (engEnter("EngFillPath")) return FALSE;
    if (!isBitmap(pso) || !ppo || !pbo) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    try {
        Region clip = effectiveClip(pso, pco);
        Coverage cov;
        SpanPainter direct;
        if (solidSpanPainter(pso, clip, pbo, pptlBrushOrg, mix, &direct)) cov.direct = &direct;
        pathCoverage(pso, ppo, clip, cov, true, (flOptions & FP_WINDINGMODE) != 0, nullptr);
        return cov.direct ? TRUE : paintCoverage(pso, cov, clip, pbo, pptlBrushOrg, mix);
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

WINBASEAPI BOOL APIENTRY EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo, BRUSHOBJ* pbo,
                                       POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix) {
    if (engEnter("EngStrokePath")) return FALSE;
    if (!isBitmap(pso) || !ppo || !pbo || !plineattrs) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    try {
        Region clip = effectiveClip(pso, pco);
        StrokeStyle st = strokeStyleFor(plineattrs, pxo, pso);
        Coverage cov;
        SpanPainter direct;
        if (solidSpanPainter(pso, clip, pbo, pptlBrushOrg, mix, &direct)) cov.direct = &direct;
        pathCoverage(pso, ppo, clip, cov, false, false, &st);
        return cov.direct ? TRUE : paintCoverage(pso, cov, clip, pbo, pptlBrushOrg, mix);
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

WINBASEAPI BOOL APIENTRY EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                              BRUSHOBJ* pboStroke, LINEATTRS* plineattrs, BRUSHOBJ* pboFill,
                                              POINTL* pptlBrushOrg, MIX mixFill, FLONG flOptions) {
    if (engEnter("EngStrokeAndFillPath")) return FALSE;
    if (!EngFillPath(pso, ppo, pco, pboFill, pptlBrushOrg, mixFill, flOptions)) return FALSE;
    // The outline is drawn with the pen over the filled interior.
    return EngStrokePath(pso, ppo, pco, pxo, pboStroke, pptlBrushOrg, plineattrs, mixFill);
}

}  // extern "C"
