// Paths of a DC: BeginPath opens one, MoveToEx, LineTo and Rectangle add figures, text
// adds its glyphs' pixels as dots, EndPath closes it for StrokePath (the pen
// along every segment, the dots in the pen's colour) or FillPath (the brush
// inside the closed figures, even-odd). Drawing a path empties it.
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "core/sim.h"
#include "gdi32/gdi32_internal.h"
#include "user/user_internal.h"

using namespace winsim::detail;
using namespace winsim::gdi32;

namespace winsim::gdi32 {

struct PathState {
    bool open = false;   // between BeginPath and EndPath
    bool ready = false;  // ended, waiting to be drawn
    std::vector<std::vector<POINT>> figures;
    std::vector<bool> closed;
    std::vector<POINT> dots;
};

bool pathOpen(const Dc& dc) { return dc.path && dc.path->open; }

void pathMoveTo(Dc& dc, int x, int y) {
    dc.path->figures.push_back({POINT{x, y}});
    dc.path->closed.push_back(false);
}

void pathLineTo(Dc& dc, int x, int y) {
    PathState& p = *dc.path;
    if (p.figures.empty() || p.closed.back()) {
        p.figures.push_back({dc.state.pos});
        p.closed.push_back(false);
    }
    p.figures.back().push_back(POINT{x, y});
}

void pathDot(Dc& dc, int x, int y) { dc.path->dots.push_back(POINT{x, y}); }

void pathRectangle(Dc& dc, int left, int top, int right, int bottom) {
    if (right - left < 1 || bottom - top < 1) return;
    dc.path->figures.push_back(
        {POINT{left, top}, POINT{right - 1, top}, POINT{right - 1, bottom - 1}, POINT{left, bottom - 1}});
    dc.path->closed.push_back(true);
}

}  // namespace winsim::gdi32

namespace {

// The DC and its ended path, locked; null (and ERROR_CAN_NOT_COMPLETE) when
// no ended path is waiting.
struct Drawn {
    std::lock_guard<std::recursive_mutex> guard{userLock()};
    Dc* dc = nullptr;
    Surface* s = nullptr;
    explicit Drawn(HDC h) {
        Dc* d = findDc(h);
        if (!d) return;
        if (!d->path || !d->path->ready) {
            setError(ERROR_CAN_NOT_COMPLETE);
            return;
        }
        s = surfaceOf(*d);
        if (s) dc = d;
    }
    void put(int x, int y, COLORREF c) {
        if (visible(*dc, *s, x, y)) s->pixels[size_t(y) * size_t(s->width) + size_t(x)] = c & 0xFFFFFF;
    }
    ~Drawn() {
        if (dc) {
            surfaceWritten(*dc);
            dc->path.reset();
        }
    }
};

void stroke(Drawn& d) {
    const Object* pen = findObject(d.dc->state.pen);
    if (!pen || pen->kind != Kind::Pen || pen->style == PS_NULL) return;
    const int lo = -(pen->width / 2), hi = lo + pen->width;
    auto dot = [&](int x, int y) {
        for (int dy = lo; dy < hi; ++dy)
            for (int dx = lo; dx < hi; ++dx) d.put(x + dx, y + dy, pen->colour);
    };
    auto segment = [&](POINT a, POINT b) {
        int x0 = int(a.x), y0 = int(a.y);
        const int x1 = int(b.x), y1 = int(b.y);
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        while (x0 != x1 || y0 != y1) {
            dot(x0, y0);
            const int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    };
    const PathState& p = *d.dc->path;
    for (size_t f = 0; f < p.figures.size(); ++f) {
        const auto& pts = p.figures[f];
        for (size_t i = 1; i < pts.size(); ++i) segment(pts[i - 1], pts[i]);
        if (p.closed[f] && pts.size() > 2) segment(pts.back(), pts.front());
        else if (!pts.empty()) dot(int(pts.back().x), int(pts.back().y));  // an open figure ends on its last point
    }
    for (const POINT& q : p.dots) dot(int(q.x), int(q.y));
}

// Even-odd fill of every figure (open ones closed), pixel centres tested.
void fill(Drawn& d) {
    const Object* b = findObject(d.dc->state.brush);
    if (!b || b->kind != Kind::Brush || b->style == BS_NULL) return;
    const PathState& p = *d.dc->path;
    for (int y = 0; y < d.s->height; ++y) {
        const double cy = y + 0.5;
        std::vector<double> xs;
        for (const auto& pts : p.figures) {
            for (size_t i = 0; i < pts.size() && pts.size() > 2; ++i) {
                const POINT a = pts[i], c = pts[(i + 1) % pts.size()];
                if ((a.y <= cy) == (c.y <= cy)) continue;
                xs.push_back(a.x + (cy - a.y) * double(c.x - a.x) / double(c.y - a.y));
            }
        }
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2)
            for (int x = std::max(0, int(std::ceil(xs[i] - 0.5))); x < std::min(d.s->width, int(std::ceil(xs[i + 1] - 0.5))); ++x)
                d.put(x, y, b->colour);
    }
    for (const POINT& q : p.dots) d.put(int(q.x), int(q.y), b->colour);
}

// Fills and/or strokes the DC's closed path and logs the call by its name.
BOOL paintPath(HDC dc, const char* name, bool filled, bool stroked) {
    Drawn d(dc);
    if (!d.dc) return FALSE;
    if (filled) fill(d);
    if (stroked) stroke(d);
    logDraw({d.dc->window, name, 0, 0, uint32_t(d.dc->path->figures.size()), dc, {}, 0});
    return TRUE;
}


}  // namespace

extern "C" {

WINBASEAPI BOOL WINAPI BeginPath(HDC dc) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d) return FALSE;
    d->path = std::make_shared<PathState>();
    d->path->open = true;
    return TRUE;
}

WINBASEAPI BOOL WINAPI EndPath(HDC dc) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d) return FALSE;
    if (!pathOpen(*d)) {
        setError(ERROR_CAN_NOT_COMPLETE);
        return FALSE;
    }
    d->path->open = false;
    d->path->ready = true;
    return TRUE;
}

WINBASEAPI BOOL WINAPI AbortPath(HDC dc) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d) return FALSE;
    d->path.reset();
    return TRUE;
}

WINBASEAPI BOOL WINAPI CloseFigure(HDC dc) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d) return FALSE;
    if (!pathOpen(*d) || d->path->figures.empty()) {
        setError(ERROR_CAN_NOT_COMPLETE);
        return FALSE;
    }
    d->path->closed.back() = true;
    return TRUE;
}

WINBASEAPI BOOL WINAPI StrokePath(HDC dc) { return paintPath(dc, "StrokePath", false, true); }
WINBASEAPI BOOL WINAPI FillPath(HDC dc) { return paintPath(dc, "FillPath", true, false); }
WINBASEAPI BOOL WINAPI StrokeAndFillPath(HDC dc) { return paintPath(dc, "StrokeAndFillPath", true, true); }

}  // extern "C"
