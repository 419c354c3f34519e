// Clip objects and brushes of the operations the session plays.
#include <winsim/engine.h>

#include "session.h"

#include "core/sim.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <sstream>

namespace winsim::engine {

// ---------------------------------------------------------------------------
// Clips.

bool Session::Impl::regionOf(const ClipSpec& c, Region& out) {
    if (c.kind == ClipSpec::Rects) {
        out = Region::fromRects(c.rects);
        return true;
    }
    if (c.kind == ClipSpec::PathClip) {
        PathGeom g = toGeom(c.path, 0, 0);
        RECTFX b = g.bounds();
        RECTL box{static_cast<LONG>(std::floor(b.xLeft / 16.0)) - 1, static_cast<LONG>(std::floor(b.yTop / 16.0)) - 1,
                  static_cast<LONG>(std::ceil(b.xRight / 16.0)) + 1, static_cast<LONG>(std::ceil(b.yBottom / 16.0)) + 1};
        RECTL page{0, 0, static_cast<LONG>(cur.gdi.ulHorzRes), static_cast<LONG>(cur.gdi.ulVertRes)};
        if (page.right <= 0 || page.bottom <= 0) page = RECTL{0, 0, cur.pso->sizlBitmap.cx, cur.pso->sizlBitmap.cy};
        if (!intersectRect(box, page)) {
            out = Region{};
            return true;
        }
        Coverage cov;
        cov.init(box);
        fillPolygons(cov, flatten(g, true), c.winding);
        out = Region::fromMask(cov.x0, cov.y0, cov.w, cov.h, cov.m);
        return true;
    }
    return false;
}

std::unique_ptr<Clip> Session::Impl::clipFor(const Operation& op, LONG tx, LONG ty, const SURFOBJ* target,
                                             bool* skip) {
    *skip = false;
    Region r;
    bool any = regionOf(op.clip, r);
    if (!any) return makeClip(nullptr, 0);
    r = r.translated(-tx, -ty).intersect(RECTL{0, 0, target->sizlBitmap.cx, target->sizlBitmap.cy});
    if (r.empty()) {
        *skip = true;
        return nullptr;
    }
    ULONG uniq;
    if (lastClipValid && lastClip == r) {
        uniq = lastClipUniq;
    } else {
        uniq = nextClipUniq++;
        lastClip = r;
        lastClipUniq = uniq;
        lastClipValid = true;
    }
    auto c = makeClip(&r, uniq);
    if (op.clip.kind == ClipSpec::PathClip) {
        c->hasPath = true;
        c->path = toGeom(op.clip.path, tx, ty);
    }
    return c;
}

std::unique_ptr<Brush> Session::Impl::brushFor(const BrushSpec& b, const SURFOBJ* target) {
    std::unique_ptr<Brush> out;
    switch (b.kind) {
        case BrushSpec::None: return nullptr;
        case BrushSpec::Solid: out = makeSolidBrush(b.color, target, cur.hdev); break;
        case BrushSpec::Hatch: out = makeHatchBrush(b.hatch, b.color, b.background, target, cur.hdev); break;
        case BrushSpec::Pattern: {
            if (!b.pattern) return nullptr;
            auto src = std::make_unique<SourceBitmap>();
            if (!src->make(*b.pattern)) return nullptr;
            // The brush keeps its own copy of the pattern bitmap, in the
            // image's row order (the driver reverses bottom-up patterns).
            TempBitmap copy;
            ULONG fmt = src->so->iBitmapFormat;
            HBITMAP h = EngCreateBitmap(src->so->sizlBitmap, 0, fmt, b.pattern->topDown ? BMF_TOPDOWN : 0, nullptr);
            if (!h) return nullptr;
            SURFOBJ* so = EngLockSurface(reinterpret_cast<HSURF>(h));
            RECTL all{0, 0, src->so->sizlBitmap.cx, src->so->sizlBitmap.cy};
            POINTL zero{0, 0};
            XLATEOBJ trivial{};
            trivial.flXlate = XO_TRIVIAL;
            bool ok = so && EngCopyBits(so, src->so, nullptr, &trivial, &all, &zero);
            if (so) {
                if (Surface* s = surfaceFromObj(so)) s->palette = src->palette;
                EngUnlockSurface(so);
            }
            if (!ok) {
                EngDeleteSurface(reinterpret_cast<HSURF>(h));
                return nullptr;
            }
            out = makePatternBrush(h, src->palette, target, cur.hdev);
            break;
        }
    }
    if (out) out->bo.flColorType = b.colorType | (icmTransform ? BR_HOST_ICM : 0);
    return out;
}


}  // namespace winsim::engine
