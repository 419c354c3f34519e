// Paths: enumeration as the driver sees it, bounds, fills with both rules,
// Bézier flattening, cosmetic and wide strokes with dashes, transforms and
// clip paths.
#include <gtest/gtest.h>

#include <winsim/winsim.h>

#include "gdi_support.h"

using namespace winsim::gdi;
using gditest::Bmp;

namespace {
PathGeom geomOf(const winsim::engine::Path& p) {
    PathGeom g;
    for (const auto& f : p.figures) {
        SubPath s;
        s.start = f.start;
        for (const auto& seg : f.segs) {
            Segment d;
            d.bezier = seg.bezier;
            std::copy(seg.p, seg.p + 3, d.p);
            s.segs.push_back(d);
        }
        s.closed = f.closed;
        g.subs.push_back(s);
    }
    return g;
}

struct Run {
    FLONG flags;
    std::vector<POINTFIX> pts;
};
std::vector<Run> enumerate(PATHOBJ* po) {
    std::vector<Run> out;
    PATHOBJ_vEnumStart(po);
    PATHDATA pd;
    BOOL more;
    do {
        more = PATHOBJ_bEnum(po, &pd);
        if (pd.count) out.push_back({pd.flags, std::vector<POINTFIX>(pd.pptfx, pd.pptfx + pd.count)});
    } while (more);
    return out;
}

BOOL fill(Bmp& b, const winsim::engine::Path& p, bool winding, Rgb color, CLIPOBJ* clip = nullptr) {
    Path* po = newPath(geomOf(p));
    auto brush = makeSolidBrush(color, b.so, nullptr);
    BOOL r = EngFillPath(b.so, &po->po, clip, &brush->bo, nullptr, R2_COPYPEN, winding ? FP_WINDINGMODE : FP_ALTERNATEMODE);
    deletePath(po);
    return r;
}

// Fill or stroke with a mix and an optional clip.
BOOL paint(Bmp& b, const winsim::engine::Path& p, LINEATTRS* la, Rgb color, MIX mix, CLIPOBJ* clip) {
    Path* po = newPath(geomOf(p));
    auto brush = makeSolidBrush(color, b.so, nullptr);
    BOOL r = la ? EngStrokePath(b.so, &po->po, clip, nullptr, &brush->bo, nullptr, la, mix)
                : EngFillPath(b.so, &po->po, clip, &brush->bo, nullptr, mix, FP_WINDINGMODE);
    deletePath(po);
    return r;
}

BOOL stroke(Bmp& b, const winsim::engine::Path& p, LINEATTRS& la, Rgb color, XFORMOBJ* xo = nullptr) {
    Path* po = newPath(geomOf(p));
    auto brush = makeSolidBrush(color, b.so, nullptr);
    BOOL r = EngStrokePath(b.so, &po->po, nullptr, xo, &brush->bo, nullptr, &la, R2_COPYPEN);
    deletePath(po);
    return r;
}
}  // namespace

TEST(GdiPath, EnumerationRunsFlagsAndCounts) {
    winsim::TempMachine m;
    winsim::engine::Path p;
    p.moveTo(0, 0).lineTo(10, 0).bezierTo(12, 2, 12, 8, 10, 10).lineTo(0, 10).close();
    p.moveTo(50, 50);  // a lone start point
    Path* po = newPath(geomOf(p));
    EXPECT_EQ(po->po.fl & PO_BEZIERS, PO_BEZIERS);
    EXPECT_EQ(po->po.fl & PO_ALL_INTEGERS, PO_ALL_INTEGERS);
    EXPECT_EQ(po->po.cCurves, 4u);  // line, curve, line and the closing line
    auto runs = enumerate(&po->po);
    ASSERT_EQ(runs.size(), 4u);
    EXPECT_EQ(runs[0].flags, static_cast<FLONG>(PD_BEGINSUBPATH | PD_RESETSTYLE));
    EXPECT_EQ(runs[0].pts.size(), 2u);  // start point and the line's end
    EXPECT_EQ(runs[1].flags, static_cast<FLONG>(PD_BEZIERS));
    EXPECT_EQ(runs[1].pts.size(), 3u);
    EXPECT_EQ(runs[2].flags, static_cast<FLONG>(PD_ENDSUBPATH | PD_CLOSEFIGURE));
    EXPECT_EQ(runs[2].pts[0].x, 0);
    EXPECT_EQ(runs[2].pts[0].y, 160);
    EXPECT_EQ(runs[3].flags, static_cast<FLONG>(PD_BEGINSUBPATH | PD_RESETSTYLE | PD_ENDSUBPATH));
    EXPECT_EQ(runs[3].pts.size(), 1u);
    RECTFX b;
    PATHOBJ_vGetBounds(&po->po, &b);
    EXPECT_EQ(b.xRight, 50 * 16);
    EXPECT_EQ(b.yBottom, 50 * 16);
    // Enumeration starts over.
    EXPECT_EQ(enumerate(&po->po).size(), 4u);
    deletePath(po);
}

TEST(GdiPath, RunLimitSplitsLongRunsOnWholeCurves) {
    winsim::TempMachine m;
    winsim::engine::Path p;
    p.moveTo(0, 0);
    for (int i = 1; i <= 9; ++i) p.lineTo(i, i);
    for (int i = 0; i < 4; ++i) p.bezierTo(i, 0, i, 1, i + 1, 1);
    Path* po = newPath(geomOf(p), 4);
    auto runs = enumerate(&po->po);
    size_t lines = 0, bezPts = 0;
    for (const auto& r : runs) {
        EXPECT_LE(r.pts.size(), 4u);
        if (r.flags & PD_BEZIERS) {
            EXPECT_EQ(r.pts.size() % 3, 0u);
            bezPts += r.pts.size();
        } else {
            lines += r.pts.size();
        }
    }
    EXPECT_EQ(lines, 10u);  // start point and nine lines
    EXPECT_EQ(bezPts, 12u);
    EXPECT_TRUE(runs.back().flags & PD_ENDSUBPATH);
    deletePath(po);
}

TEST(GdiFill, RectangleCoversExactPixels) {
    winsim::TempMachine m;
    Bmp b(20, 20, BMF_24BPP);
    ASSERT_TRUE(fill(b, winsim::engine::Path::rect(2, 3, 12, 8), false, 0xFF0000));
    EXPECT_EQ(b.count(0xFF0000), 10 * 5);
    RECTL ink = b.inkBox(0);
    EXPECT_EQ(ink.left, 2);
    EXPECT_EQ(ink.top, 3);
    EXPECT_EQ(ink.right, 12);
    EXPECT_EQ(ink.bottom, 8);
}

TEST(GdiFill, WindingAndAlternateRules) {
    winsim::TempMachine m;
    // Two overlapping squares drawn the same way round.
    winsim::engine::Path p = winsim::engine::Path::rect(0, 0, 10, 10);
    auto second = winsim::engine::Path::rect(5, 5, 15, 15);
    p.figures.push_back(second.figures[0]);
    Bmp alt(20, 20, BMF_8BPP), wind(20, 20, BMF_8BPP);
    ASSERT_TRUE(fill(alt, p, false, 0xFFFFFF));
    ASSERT_TRUE(fill(wind, p, true, 0xFFFFFF));
    EXPECT_EQ(wind.count(255), 100 + 100 - 25);
    EXPECT_EQ(alt.count(255), 100 + 100 - 50);
    EXPECT_EQ(alt.px(7, 7), 0u);
    EXPECT_EQ(wind.px(7, 7), 255u);
}

TEST(GdiFill, BezierStaysInsideItsControlPolygon) {
    winsim::TempMachine m;
    winsim::engine::Path p;
    p.moveTo(10, 90).bezierTo(10, 10, 90, 10, 90, 90).close();
    Bmp b(100, 100, BMF_1BPP);
    ASSERT_TRUE(fill(b, p, false, 0xFFFFFF));
    RECTL ink = b.inkBox(0);
    EXPECT_GE(ink.left, 10);
    EXPECT_LE(ink.right, 90);
    EXPECT_GE(ink.top, 10);
    EXPECT_LE(ink.bottom, 90);
    // The curve peaks at y = 30 (three quarters up the control height).
    EXPECT_NEAR(ink.top, 30, 1);
    EXPECT_EQ(b.px(50, 40), 1u);
    EXPECT_EQ(b.px(12, 30), 0u);
}

TEST(GdiFill, ClipPathLimitsTheFill) {
    winsim::TempMachine m;
    Bmp b(40, 40, BMF_8BPP);
    Region reg = Region::fromRect(RECTL{0, 0, 20, 40});
    auto clip = makeClip(&reg, 1);
    ASSERT_TRUE(fill(b, winsim::engine::Path::rect(10, 10, 30, 30), false, 0xFFFFFF, &clip->co));
    EXPECT_EQ(b.count(255), 10 * 20);
    PATHOBJ* cp = CLIPOBJ_ppoGetPath(&clip->co);
    ASSERT_TRUE(cp);
    auto runs = enumerate(cp);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(runs[0].flags & PD_CLOSEFIGURE);
    EXPECT_EQ(runs[0].pts.size(), 4u);
    EXPECT_EQ(runs[0].pts[2].x, 20 * 16);
    EngDeletePath(cp);
    EXPECT_EQ(pathFromObj(cp), nullptr);
}

TEST(GdiStroke, CosmeticLinesLeaveOutTheLastPixel) {
    winsim::TempMachine m;
    Bmp b(30, 10, BMF_24BPP);
    LINEATTRS la{};
    winsim::engine::Path p;
    p.moveTo(5, 5).lineTo(25, 5);
    ASSERT_TRUE(stroke(b, p, la, 0x0000FF));
    EXPECT_EQ(b.count(0x0000FF), 20);
    EXPECT_EQ(b.px(25, 5), 0u);
    // Alternate style: every other pixel.
    Bmp c(30, 10, BMF_24BPP);
    la.fl = LA_ALTERNATE;
    ASSERT_TRUE(stroke(c, p, la, 0x0000FF));
    EXPECT_EQ(c.count(0x0000FF), 10);
    EXPECT_EQ(c.px(5, 5), 0x0000FFu);
    EXPECT_EQ(c.px(6, 5), 0u);
}

TEST(GdiStroke, WideLinesCapsJoinsAndDashes) {
    winsim::TempMachine m;
    winsim::engine::Path p;
    p.moveTo(20, 20).lineTo(80, 20);
    LINEATTRS la{};
    la.fl = LA_GEOMETRIC;
    la.elWidth.e = 10;
    la.iEndCap = ENDCAP_BUTT;
    Bmp flat(100, 40, BMF_8BPP);
    ASSERT_TRUE(stroke(flat, p, la, 0xFFFFFF));
    RECTL ink = flat.inkBox(0);
    EXPECT_EQ(ink.left, 20);
    EXPECT_EQ(ink.right, 80);
    EXPECT_EQ(ink.bottom - ink.top, 10);
    la.iEndCap = ENDCAP_SQUARE;
    Bmp square(100, 40, BMF_8BPP);
    ASSERT_TRUE(stroke(square, p, la, 0xFFFFFF));
    ink = square.inkBox(0);
    EXPECT_EQ(ink.left, 15);
    EXPECT_EQ(ink.right, 85);
    // A transform that doubles sizes doubles the width.
    Xform* x2 = newXform(2, 0, 0, 2, 0, 0);
    Bmp wide(100, 40, BMF_8BPP);
    la.iEndCap = ENDCAP_BUTT;
    ASSERT_TRUE(stroke(wide, p, la, 0xFFFFFF, &x2->xo));
    ink = wide.inkBox(0);
    EXPECT_EQ(ink.bottom - ink.top, 20);
    deleteXform(x2);
    // Dashes of 10 on, 10 off: three dashes along 60 pixels.
    FLOAT_LONG style[2];
    style[0].e = 10;
    style[1].e = 10;
    la.fl = LA_GEOMETRIC | LA_STYLED;
    la.cstyle = 2;
    la.pstyle = style;
    Bmp dashed(100, 40, BMF_8BPP);
    ASSERT_TRUE(stroke(dashed, p, la, 0xFFFFFF));
    EXPECT_EQ(dashed.count(255, RECTL{0, 20, 100, 21}), 30);
    EXPECT_EQ(dashed.px(25, 20), 255u);
    EXPECT_EQ(dashed.px(35, 20), 0u);
    // Mitre joins reach the corner; bevel joins cut it.
    winsim::engine::Path corner;
    corner.moveTo(20, 80).lineTo(20, 20).lineTo(80, 20);
    la = LINEATTRS{};
    la.fl = LA_GEOMETRIC;
    la.elWidth.e = 10;
    la.iEndCap = ENDCAP_BUTT;
    la.iJoin = JOIN_MITER;
    la.eMiterLimit = 10;
    Bmp mitre(100, 100, BMF_8BPP), bevel(100, 100, BMF_8BPP);
    ASSERT_TRUE(stroke(mitre, corner, la, 0xFFFFFF));
    la.iJoin = JOIN_BEVEL;
    ASSERT_TRUE(stroke(bevel, corner, la, 0xFFFFFF));
    EXPECT_EQ(mitre.px(15, 15), 255u);
    EXPECT_EQ(bevel.px(15, 15), 0u);
}

TEST(GdiXform, ComplexityAndPointMapping) {
    winsim::TempMachine m;
    Xform* id = newXform(1, 0, 0, 1, 0, 0);
    Xform* off = newXform(1, 0, 0, 1, 5, 0);
    Xform* sc = newXform(2, 0, 0, 3, 0, 0);
    Xform* gen = newXform(0, 1, -1, 0, 10, 20);
    XFORML xf;
    EXPECT_EQ(XFORMOBJ_iGetXform(&id->xo, &xf), static_cast<ULONG>(GX_IDENTITY));
    EXPECT_EQ(XFORMOBJ_iGetXform(&off->xo, &xf), static_cast<ULONG>(GX_OFFSET));
    EXPECT_EQ(XFORMOBJ_iGetXform(&sc->xo, &xf), static_cast<ULONG>(GX_SCALE));
    EXPECT_FLOAT_EQ(xf.eM22, 3.0f);
    EXPECT_EQ(XFORMOBJ_iGetXform(&gen->xo, &xf), static_cast<ULONG>(GX_GENERAL));
    POINTL in[2] = {{1, 0}, {0, 2}}, out[2];
    ASSERT_TRUE(XFORMOBJ_bApplyXform(&gen->xo, XF_LTOL, 2, in, out));
    EXPECT_EQ(out[0].x, 10);
    EXPECT_EQ(out[0].y, 21);
    EXPECT_EQ(out[1].x, 8);
    EXPECT_EQ(out[1].y, 20);
    POINTFIX fx[1];
    ASSERT_TRUE(XFORMOBJ_bApplyXform(&sc->xo, XF_LTOFX, 1, in, fx));
    EXPECT_EQ(fx[0].x, 32);
    POINTL back[1];
    ASSERT_TRUE(XFORMOBJ_bApplyXform(&sc->xo, XF_INV_FXTOL, 1, fx, back));
    EXPECT_EQ(back[0].x, 1);
    // The inverse of a singular transform does not exist.
    Xform* flat = newXform(1, 0, 0, 0, 0, 0);
    EXPECT_FALSE(XFORMOBJ_bApplyXform(&flat->xo, XF_INV_LTOL, 1, in, out));
    for (Xform* x : {id, off, sc, gen, flat}) deleteXform(x);
}

// A solid paint that does not read the old pixels goes straight to the
// surface span by span (a pixel may be painted more than once); one that
// reads them goes through the coverage mask (each pixel once). Onto black,
// XOR gives what copying gives, so the two ways must agree pixel for pixel:
// overlapping figures, wide strokes whose segments, caps and joins overlap,
// dashed cosmetic lines, under a clip of many spans per row.
TEST(GdiPaint, SpansPaintedDirectlyCoverWhatTheMaskCovers) {
    winsim::TempMachine m;
    winsim::engine::Path figures;
    figures.moveTo(5, 5).lineTo(70, 12).lineTo(40, 75).close();
    figures.moveTo(30, 2).lineTo(78, 40).bezierTo(60, 70, 20, 70, 10, 50).close();
    winsim::engine::Path zigzag;
    zigzag.moveTo(4, 60);
    for (int k = 1; k <= 9; ++k) zigzag.lineTo(4 + k * 8, k % 2 ? 20 : 60);
    FLOAT_LONG dash[2];
    dash[0].l = 3;
    dash[1].l = 2;
    LINEATTRS wide{}, thin{};
    wide.fl = LA_GEOMETRIC;
    wide.elWidth.e = 7;
    wide.iEndCap = ENDCAP_ROUND;
    wide.iJoin = JOIN_ROUND;
    thin.fl = LA_STYLED;
    thin.cstyle = 2;
    thin.pstyle = dash;
    // Stripes two pixels apart and a hole: many spans on every row.
    std::vector<uint8_t> mask(80 * 80, 0);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 80; ++x) mask[static_cast<size_t>(y) * 80 + x] = (x / 2 + y / 7) % 3 != 0 && !(x > 30 && x < 45 && y > 30 && y < 45);
    Region striped = Region::fromMask(0, 0, 80, 80, mask);
    auto clip = makeClip(&striped, 7);
    for (ULONG format : {BMF_1BPP, BMF_8BPP, BMF_24BPP}) {
        for (LINEATTRS* la : {static_cast<LINEATTRS*>(nullptr), &wide, &thin}) {
            for (CLIPOBJ* co : {static_cast<CLIPOBJ*>(nullptr), &clip->co}) {
                const winsim::engine::Path& path = la == &wide ? zigzag : figures;
                Bmp copied(80, 80, format), xored(80, 80, format);
                copied.fill(0);
                xored.fill(0);
                ASSERT_TRUE(paint(copied, path, la, 0xFFFFFF, R2_COPYPEN, co));
                ASSERT_TRUE(paint(xored, path, la, 0xFFFFFF, R2_XORPEN, co));
                long differ = 0;
                for (LONG y = 0; y < 80; ++y)
                    for (LONG x = 0; x < 80; ++x) differ += copied.px(x, y) != xored.px(x, y);
                EXPECT_EQ(differ, 0) << "format " << format << (la ? la == &wide ? " wide" : " thin" : " fill")
                                     << (co ? " clipped" : "");
                EXPECT_GT(copied.count(0), 0);
                EXPECT_LT(copied.count(0), 80 * 80);
            }
        }
    }
}
