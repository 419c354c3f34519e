// Drawing operations played into the driver's hooked functions, with the
// engine's own rendering when the driver punts.
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
// Drawing.

bool Session::Impl::hooked(const Operation& op) const {
    switch (op.kind) {
        case Operation::FillPath: return cur.hooks & HOOK_FILLPATH;
        case Operation::StrokePath: return cur.hooks & HOOK_STROKEPATH;
        case Operation::StrokeAndFillPath: return cur.hooks & HOOK_STROKEANDFILLPATH;
        case Operation::BitBlt: return cur.hooks & HOOK_BITBLT;
        case Operation::StretchBlt: return cur.hooks & (op.withRop ? HOOK_STRETCHBLTROP : HOOK_STRETCHBLT);
        case Operation::CopyBits: return (cur.hooks & HOOK_COPYBITS) || !isBitmap(cur.pso);
        case Operation::TextOut: return cur.hooks & HOOK_TEXTOUT;
    }
    return false;
}

bool Session::Impl::build(const Operation& op, LONG tx, LONG ty, SURFOBJ* target, CallObjects& o, bool* skip) {
    o.clip = clipFor(op, tx, ty, target, skip);
    if (*skip) return true;
    switch (op.kind) {
        case Operation::FillPath:
        case Operation::StrokePath:
        case Operation::StrokeAndFillPath: {
            o.path = newPath(toGeom(op.path, tx, ty), opt.pathRunLimit);
            if (op.kind != Operation::StrokePath) {
                o.brush = brushFor(op.brush, target);
                if (!o.brush) return false;
            }
            if (op.kind != Operation::FillPath) {
                BrushSpec pen;
                pen.color = op.pen.color;
                pen.colorType = op.pen.colorType;
                o.pen = brushFor(pen, target);
                o.xform = newXform(op.xform.m11, op.xform.m12, op.xform.m21, op.xform.m22, op.xform.dx, op.xform.dy);
                o.la.fl = (op.pen.geometric ? LA_GEOMETRIC : 0) | (op.pen.alternate ? LA_ALTERNATE : 0) |
                          (op.pen.style.empty() ? 0 : LA_STYLED) | (op.pen.startGap ? LA_STARTGAP : 0);
                o.la.iJoin = op.pen.join;
                o.la.iEndCap = op.pen.cap;
                if (op.pen.geometric)
                    o.la.elWidth.e = op.pen.width;
                else
                    o.la.elWidth.l = 1;
                o.la.eMiterLimit = op.pen.miterLimit;
                for (float v : op.pen.style) {
                    FLOAT_LONG fl;
                    if (op.pen.geometric)
                        fl.e = v;
                    else
                        fl.l = static_cast<LONG>(std::lround(v));
                    o.style.push_back(fl);
                }
                o.la.cstyle = static_cast<ULONG>(o.style.size());
                o.la.pstyle = o.style.empty() ? nullptr : o.style.data();
            }
            return true;
        }
        case Operation::BitBlt:
        case Operation::StretchBlt:
        case Operation::CopyBits: {
            if (op.source) {
                if (!o.source.make(*op.source)) return false;
                o.xlate = makeXlate(o.source.palette, o.source.so->iBitmapFormat, surfacePalette(target),
                                    target->iBitmapFormat);
                if (icmTransform) o.xlate->xo.flXlate |= XO_HOST_ICM;
            }
            if (op.mask && !o.mask.make(*op.mask)) return false;
            if (op.mask && op.mask->bitsPerPixel != 1) return false;
            if (op.kind == Operation::BitBlt || op.withRop) {
                BYTE fg = op.rop4 & 0xFF, bg = (op.rop4 >> 8) & 0xFF;
                if (ropUsesPattern(fg) || ropUsesPattern(bg) || op.withRop) o.brush = brushFor(op.brush, target);
            }
            if ((op.kind == Operation::CopyBits || op.kind == Operation::StretchBlt) && !op.source) return false;
            return true;
        }
        case Operation::TextOut: {
            Font* f = fontFor(op.text.font);
            if (!f) return false;
            o.brush = brushFor(op.brush, target);
            if (op.text.opaque) {
                BrushSpec b;
                b.color = op.text.opaqueColor;
                o.opaque = brushFor(b, target);
            }
            return buildString(op, f, tx, ty, o);
        }
    }
    return false;
}

BOOL Session::Impl::engineRender(const Operation& op, SURFOBJ* target, CallObjects& o, LONG tx, LONG ty) {
    POINTL org{op.brushOrigin.x - tx, op.brushOrigin.y - ty};
    CLIPOBJ* pco = o.clip ? &o.clip->co : nullptr;
    BRUSHOBJ* brush = o.brush ? &o.brush->bo : nullptr;
    switch (op.kind) {
        case Operation::FillPath:
            return EngFillPath(target, &o.path->po, pco, brush, &org, op.mix, op.winding ? FP_WINDINGMODE : FP_ALTERNATEMODE);
        case Operation::StrokePath:
            return EngStrokePath(target, &o.path->po, pco, &o.xform->xo, &o.pen->bo, &org, &o.la, op.mix);
        case Operation::StrokeAndFillPath:
            return EngStrokeAndFillPath(target, &o.path->po, pco, &o.xform->xo, &o.pen->bo, &o.la, brush, &org, op.mix,
                                        op.winding ? FP_WINDINGMODE : FP_ALTERNATEMODE);
        case Operation::BitBlt: {
            RECTL dst = shifted(orderedRect(op.dst), tx, ty);
            POINTL sp = op.srcPoint, mp = op.maskPoint;
            return EngBitBlt(target, o.source.so, o.mask.so, pco, o.xlate ? &o.xlate->xo : nullptr, &dst,
                             o.source.so ? &sp : nullptr, o.mask.so ? &mp : nullptr, brush, &org, op.rop4);
        }
        case Operation::StretchBlt: {
            RECTL dst = shifted(op.dst, tx, ty);
            RECTL src = op.srcRect ? *op.srcRect : RECTL{0, 0, op.source->width, op.source->height};
            POINTL mp = op.maskPoint, ht{0, 0};
            BYTE fg = op.rop4 & 0xFF;
            if (!op.withRop || fg == 0xCC)
                return EngStretchBlt(target, o.source.so, o.mask.so, pco, &o.xlate->xo, nullptr, &ht, &dst, &src,
                                     o.mask.so ? &mp : nullptr, op.stretchMode);
            // A stretch with a raster operation: stretched first, then combined.
            RECTL nd = orderedRect(dst);
            TempBitmap tmp;
            if (nd.right <= nd.left || nd.bottom <= nd.top) return TRUE;
            if (!tmp.make(nd.right - nd.left, nd.bottom - nd.top, target->iBitmapFormat)) return FALSE;
            if (Surface* s = surfaceFromObj(tmp.so)) s->palette = surfacePalette(target);
            RECTL td = shifted(dst, nd.left, nd.top);
            if (!EngStretchBlt(tmp.so, o.source.so, o.mask.so, nullptr, &o.xlate->xo, nullptr, &ht, &td, &src,
                               o.mask.so ? &mp : nullptr, op.stretchMode))
                return FALSE;
            POINTL zero{0, 0};
            return EngBitBlt(target, tmp.so, nullptr, pco, nullptr, &nd, &zero, nullptr, brush, &org,
                             (op.rop4 & 0xFF) | ((op.rop4 & 0xFF) << 8));
        }
        case Operation::CopyBits: {
            RECTL dst = shifted(orderedRect(op.dst), tx, ty);
            POINTL sp = op.srcPoint;
            return EngCopyBits(target, o.source.so, pco, &o.xlate->xo, &dst, &sp);
        }
        case Operation::TextOut: {
            Font* f = o.str->font;
            return EngTextOut(target, &o.str->so, &f->fo, pco, o.extra.empty() ? nullptr : o.extra.data(),
                              o.hasOpaque ? &o.opaqueRect : nullptr, brush, o.opaque ? &o.opaque->bo : nullptr, &org,
                              op.mix);
        }
    }
    return FALSE;
}

BOOL Session::Impl::driverCall(const Operation& op, CallObjects& o, LONG tx, LONG ty) {
    SURFOBJ* pso = cur.pso;
    POINTL org{op.brushOrigin.x - tx, op.brushOrigin.y - ty};
    CLIPOBJ* pco = o.clip ? &o.clip->co : nullptr;
    BRUSHOBJ* brush = o.brush ? &o.brush->bo : nullptr;
    switch (op.kind) {
        case Operation::FillPath:
            return fn<PFN_DrvFillPath>(INDEX_DrvFillPath)(pso, &o.path->po, pco, brush, &org, op.mix,
                                                          op.winding ? FP_WINDINGMODE : FP_ALTERNATEMODE);
        case Operation::StrokePath:
            return fn<PFN_DrvStrokePath>(INDEX_DrvStrokePath)(pso, &o.path->po, pco, &o.xform->xo, &o.pen->bo, &org,
                                                              &o.la, op.mix);
        case Operation::StrokeAndFillPath:
            return fn<PFN_DrvStrokeAndFillPath>(INDEX_DrvStrokeAndFillPath)(
                pso, &o.path->po, pco, &o.xform->xo, &o.pen->bo, &o.la, brush, &org, op.mix,
                op.winding ? FP_WINDINGMODE : FP_ALTERNATEMODE);
        case Operation::BitBlt: {
            RECTL dst = shifted(orderedRect(op.dst), tx, ty);
            POINTL sp = op.srcPoint, mp = op.maskPoint;
            return fn<PFN_DrvBitBlt>(INDEX_DrvBitBlt)(pso, o.source.so, o.mask.so, pco, o.xlate ? &o.xlate->xo : nullptr,
                                                      &dst, o.source.so ? &sp : nullptr, o.mask.so ? &mp : nullptr,
                                                      brush, &org, op.rop4);
        }
        case Operation::StretchBlt: {
            RECTL dst = shifted(op.dst, tx, ty);
            RECTL src = op.srcRect ? *op.srcRect : RECTL{0, 0, op.source->width, op.source->height};
            POINTL mp = op.maskPoint;
            POINTL ht{0, 0};
            COLORADJUSTMENT ca{};
            ca.caSize = sizeof ca;
            ca.caRedGamma = ca.caGreenGamma = ca.caBlueGamma = 10000;
            ca.caReferenceWhite = 10000;
            if (op.withRop)
                return fn<PFN_DrvStretchBltROP>(INDEX_DrvStretchBltROP)(
                    pso, o.source.so, o.mask.so, pco, &o.xlate->xo, &ca, &ht, &dst, &src, o.mask.so ? &mp : nullptr,
                    op.stretchMode, brush, op.rop4);
            return fn<PFN_DrvStretchBlt>(INDEX_DrvStretchBlt)(pso, o.source.so, o.mask.so, pco, &o.xlate->xo, &ca, &ht,
                                                              &dst, &src, o.mask.so ? &mp : nullptr, op.stretchMode);
        }
        case Operation::CopyBits: {
            RECTL dst = shifted(orderedRect(op.dst), tx, ty);
            POINTL sp = op.srcPoint;
            return fn<PFN_DrvCopyBits>(INDEX_DrvCopyBits)(pso, o.source.so, pco, &o.xlate->xo, &dst, &sp);
        }
        case Operation::TextOut: {
            Font* f = o.str->font;
            return fn<PFN_DrvTextOut>(INDEX_DrvTextOut)(pso, &o.str->so, &f->fo, pco,
                                                        o.extra.empty() ? nullptr : o.extra.data(),
                                                        o.hasOpaque ? &o.opaqueRect : nullptr, brush,
                                                        o.opaque ? &o.opaque->bo : nullptr, &org, op.mix);
        }
    }
    return FALSE;
}

namespace {
const char* drvName(const Operation& op) {
    switch (op.kind) {
        case Operation::FillPath: return "DrvFillPath";
        case Operation::StrokePath: return "DrvStrokePath";
        case Operation::StrokeAndFillPath: return "DrvStrokeAndFillPath";
        case Operation::BitBlt: return "DrvBitBlt";
        case Operation::StretchBlt: return op.withRop ? "DrvStretchBltROP" : "DrvStretchBlt";
        case Operation::CopyBits: return "DrvCopyBits";
        case Operation::TextOut: return "DrvTextOut";
    }
    return "?";
}
ULONG drvIndex(const Operation& op) {
    switch (op.kind) {
        case Operation::FillPath: return INDEX_DrvFillPath;
        case Operation::StrokePath: return INDEX_DrvStrokePath;
        case Operation::StrokeAndFillPath: return INDEX_DrvStrokeAndFillPath;
        case Operation::BitBlt: return INDEX_DrvBitBlt;
        case Operation::StretchBlt: return op.withRop ? INDEX_DrvStretchBltROP : INDEX_DrvStretchBlt;
        case Operation::CopyBits: return INDEX_DrvCopyBits;
        case Operation::TextOut: return INDEX_DrvTextOut;
    }
    return 0;
}
}  // namespace

namespace {
// The pixels a path operation may touch: its points' box grown by the pen.
RECTL pathBox(const PathGeom& g, const Operation& op) {
    RECTFX b = g.bounds();
    LONG pad = 2;
    if (op.kind != Operation::FillPath) {
        double w = op.pen.geometric
                       ? op.pen.width * std::sqrt(std::fabs(op.xform.m11 * op.xform.m22 - op.xform.m12 * op.xform.m21))
                       : 1;
        w = std::isfinite(w) ? std::min(w, 1e6) : 1;
        pad += static_cast<LONG>(std::ceil(w * 1.5 * std::max(1.0f, op.pen.miterLimit)));
    }
    return RECTL{(b.xLeft >> 4) - pad, (b.yTop >> 4) - pad, ((b.xRight + 15) >> 4) + pad, ((b.yBottom + 15) >> 4) + pad};
}
}  // namespace

bool Session::Impl::pageBounds(const Operation& op, RECTL* out) {
    switch (op.kind) {
        case Operation::FillPath:
        case Operation::StrokePath:
        case Operation::StrokeAndFillPath: *out = pathBox(toGeom(op.path, 0, 0), op); break;
        case Operation::BitBlt:
        case Operation::StretchBlt:
        case Operation::CopyBits: *out = orderedRect(op.dst); break;
        case Operation::TextOut: return false;  // glyph boxes are known only once the string is built
    }
    Region clip;
    if (regionOf(op.clip, clip) && !intersectRect(*out, clip.bounds())) *out = RECTL{0, 0, 0, 0};
    return true;
}

RECTL Session::Impl::opBounds(const Operation& op, CallObjects& o) const {
    switch (op.kind) {
        case Operation::FillPath:
        case Operation::StrokePath:
        case Operation::StrokeAndFillPath: return pathBox(o.path->geom, op);
        case Operation::BitBlt:
        case Operation::StretchBlt:
        case Operation::CopyBits: return orderedRect(op.dst);
        case Operation::TextOut: {
            RECTL r = o.str->so.rclBkGround;
            r = RECTL{r.left - 4, r.top - 4, r.right + 4, r.bottom + 4};
            for (const RECTL& e : o.extra) r = unionRect(r, e);
            if (o.hasOpaque) r = unionRect(r, o.opaqueRect);
            // Glyph ink may reach past the cells (italics, bold).
            LONG grow = static_cast<LONG>(op.text.font.height) / 2 + 2;
            return RECTL{r.left - grow, r.top - grow, r.right + grow, r.bottom + grow};
        }
    }
    return RECTL{0, 0, 0, 0};
}

// The driver punted on a device surface: the engine renders the operation
// into a white 24-bit bitmap over its bounds and hands it to DrvCopyBits.
bool Session::Impl::fallback(const Operation& op, POINTL org, const RECTL& boundsIn) {
    RECTL b = boundsIn;
    RECTL surf{0, 0, cur.pso->sizlBitmap.cx, cur.pso->sizlBitmap.cy};
    if (!intersectRect(b, surf)) return true;
    Region clip;
    if (regionOf(op.clip, clip)) {
        RECTL cb = clip.translated(-org.x, -org.y).bounds();
        if (!intersectRect(b, cb)) return true;
    }
    auto copy = fn<PFN_DrvCopyBits>(INDEX_DrvCopyBits);
    if (!copy) {
        log(std::string("fallback for ") + drvName(op) + " impossible: no DrvCopyBits");
        return false;
    }
    TempBitmap tmp;
    if (!tmp.make(b.right - b.left, b.bottom - b.top)) {
        log("fallback bitmap could not be made");
        return false;
    }
    RECTL all{0, 0, b.right - b.left, b.bottom - b.top};
    EngEraseSurface(tmp.so, &all, 0xFFFFFF);
    CallObjects o;
    bool skip = false;
    if (!build(op, org.x + b.left, org.y + b.top, tmp.so, o, &skip)) {
        log("fallback objects could not be built");
        return false;
    }
    if (skip) return true;
    if (!engineRender(op, tmp.so, o, org.x + b.left, org.y + b.top)) {
        log("fallback rendering failed");
        return false;
    }
    auto pageClip = clipFor(op, org.x, org.y, cur.pso, &skip);
    if (skip) return true;
    auto xl = makeXlate(defaultPalette(BMF_24BPP), BMF_24BPP, cur.palette, cur.pso->iBitmapFormat);
    POINTL zero{0, 0};
    // What lies beneath stays: a device that takes blits gets the rendering
    // through a mask of the pixels the operation touched (found by rendering
    // it again over black: a pixel touched is not white in the first or not
    // black in the second).
    auto blt = fn<PFN_DrvBitBlt>(INDEX_DrvBitBlt);
    TempBitmap dark, mask;
    CallObjects o2;
    if (blt && (cur.hooks & HOOK_BITBLT) && dark.make(all.right, all.bottom) && mask.make(all.right, all.bottom, BMF_1BPP)) {
        EngEraseSurface(dark.so, &all, 0);
        EngEraseSurface(mask.so, &all, 0);
        bool skip2 = false;
        if (build(op, org.x + b.left, org.y + b.top, dark.so, o2, &skip2) && !skip2 &&
            engineRender(op, dark.so, o2, org.x + b.left, org.y + b.top)) {
            for (LONG y = 0; y < all.bottom; ++y)
                for (LONG x = 0; x < all.right; ++x)
                    if (getPixel(tmp.so, x, y) != 0xFFFFFF || getPixel(dark.so, x, y) != 0) putPixel(mask.so, x, y, 1);
            BOOL r = blt(cur.pso, tmp.so, mask.so, pageClip ? &pageClip->co : nullptr, &xl->xo, &b, &zero, &zero,
                         nullptr, nullptr, 0xAACC);
            log("DrvBitBlt (fallback through a mask " + std::to_string(all.right) + "x" + std::to_string(all.bottom) +
                ") -> " + std::to_string(r));
            return r == TRUE;
        }
    }
    BOOL r = copy(cur.pso, tmp.so, pageClip ? &pageClip->co : nullptr, &xl->xo, &b, &zero);
    log("DrvCopyBits (fallback " + std::to_string(b.right - b.left) + "x" + std::to_string(b.bottom - b.top) + ") -> " +
        std::to_string(r));
    return r == TRUE;
}

bool Session::Impl::execute(const Operation& op, POINTL org, bool bandPass) {
    (void)bandPass;
    // Devices that do not hook stroke-and-fill get a fill and a stroke.
    if (op.kind == Operation::StrokeAndFillPath && !hooked(op)) {
        Operation fill = op, stroke = op;
        fill.kind = Operation::FillPath;
        stroke.kind = Operation::StrokePath;
        return execute(fill, org, bandPass) && execute(stroke, org, bandPass);
    }
    CallObjects o;
    bool skip = false;
    try {
        if (!build(op, org.x, org.y, cur.pso, o, &skip)) {
            log(std::string(drvName(op)) + ": the operation's objects could not be built");
            return false;
        }
        if (skip) return true;
        bool callDriver = hooked(op) && drv.has(drvIndex(op));
        if (callDriver) {
            BOOL r = driverCall(op, o, org.x, org.y);
            log(std::string(drvName(op)) + " -> " + std::to_string(r));
            if (r == TRUE) return true;
            if (r == -1) {
                ++errors;
                log(std::string(drvName(op)) + " reported an error");
                return false;
            }
            ++fallbacks;
        }
        if (isBitmap(cur.pso)) {
            BOOL r = engineRender(op, cur.pso, o, org.x, org.y);
            log(std::string(callDriver ? "fallback: " : "engine: ") + drvName(op) + " rendered by the engine -> " +
                std::to_string(r));
            return r == TRUE;
        }
        log(std::string(callDriver ? "fallback: " : "engine: ") + drvName(op) + " rendered into a bitmap for DrvCopyBits");
        return fallback(op, org, opBounds(op, o));
    } catch (const std::bad_alloc&) {
        log("out of memory");
        return false;
    }
}


}  // namespace winsim::engine
