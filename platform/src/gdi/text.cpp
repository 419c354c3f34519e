// Fonts and strings: the engine's outline fonts (IFIMETRICS, glyph bitmaps
// and outlines), device fonts the driver describes, STROBJ_*, FONTOBJ_* and
// EngTextOut.
#include "internal.h"

#include "core/sim.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace winsim::gdi {

using engine::FontFace;
using engine::GlyphOutline;

namespace {
constexpr double kPi = 3.14159265358979323846;

Registry<Font>& fonts() {
    static auto* r = new Registry<Font>;
    return *r;
}
Registry<Str>& strs() {
    static auto* r = new Registry<Str>;
    return *r;
}

// Appends a UTF-16 string with its terminator; returns its offset.
PTRDIFF appendName(std::vector<uint8_t>& block, const std::u16string& s) {
    PTRDIFF at = static_cast<PTRDIFF>(block.size());
    for (char16_t c : s) {
        block.push_back(static_cast<uint8_t>(c));
        block.push_back(static_cast<uint8_t>(c >> 8));
    }
    block.push_back(0);
    block.push_back(0);
    return at;
}

FWORD fw(double v) { return static_cast<FWORD>(std::clamp(std::lround(v), -32768L, 32767L)); }

std::vector<uint8_t> buildIfi(const FontFace& f) {
    std::vector<uint8_t> block(sizeof(IFIMETRICS), 0);
    IFIMETRICS m{};
    const std::u16string& family = f.family.empty() ? f.face : f.family;
    m.dpwszFamilyName = appendName(block, family);
    m.dpwszStyleName = appendName(block, f.style);
    m.dpwszFaceName = appendName(block, f.face);
    m.dpwszUniqueName = appendName(block, f.face);
    while (block.size() % 8) block.push_back(0);
    m.cjThis = static_cast<ULONG>(block.size());
    m.jWinCharSet = f.charSet;
    m.jWinPitchAndFamily = f.pitchAndFamily;
    m.usWinWeight = f.weight;
    m.flInfo = FM_INFO_TECH_OUTLINE_NOT_TRUETYPE | FM_INFO_ARB_XFORMS | FM_INFO_RETURNS_OUTLINES |
               FM_INFO_RETURNS_BITMAPS | FM_INFO_1BPP | FM_INFO_RIGHT_HANDED |
               (f.fixedPitch ? FM_INFO_CONSTANT_WIDTH | FM_INFO_OPTICALLY_FIXED_PITCH : 0);
    m.fsSelection = f.weight >= 700 ? FM_SEL_BOLD : FM_SEL_REGULAR;
    m.fsType = f.fsType;
    double em = f.unitsPerEm > 0 ? f.unitsPerEm : 1000;
    m.fwdUnitsPerEm = fw(em);
    m.fwdLowestPPEm = 3;
    m.fwdWinAscender = m.fwdMacAscender = m.fwdTypoAscender = fw(f.ascender);
    m.fwdWinDescender = fw(f.descender);
    m.fwdMacDescender = m.fwdTypoDescender = fw(-f.descender);
    m.fwdMacLineGap = m.fwdTypoLineGap = 0;
    m.fwdAveCharWidth = fw(f.avgWidth);
    m.fwdMaxCharInc = fw(f.maxWidth);
    m.fwdCapHeight = fw(em * 0.7);
    m.fwdXHeight = fw(em * 0.5);
    m.fwdSubscriptXSize = m.fwdSuperscriptXSize = fw(em * 0.6);
    m.fwdSubscriptYSize = m.fwdSuperscriptYSize = fw(em * 0.6);
    m.fwdSubscriptYOffset = fw(em * 0.15);
    m.fwdSuperscriptYOffset = fw(em * 0.45);
    m.fwdUnderscoreSize = fw(em / 20);
    m.fwdUnderscorePosition = fw(-em / 10);
    m.fwdStrikeoutSize = fw(em / 20);
    m.fwdStrikeoutPosition = fw(em * 0.3);
    char16_t first = f.glyphs.empty() ? u' ' : f.glyphs.begin()->first;
    char16_t last = f.glyphs.empty() ? u'~' : f.glyphs.rbegin()->first;
    m.wcFirstChar = std::min<char16_t>(first, u' ');
    m.wcLastChar = std::max<char16_t>(last, u'~');
    m.wcDefaultChar = u'?';
    m.wcBreakChar = u' ';
    m.chFirstChar = 0x20;
    m.chLastChar = 0xFF;
    m.chDefaultChar = '?';
    m.chBreakChar = ' ';
    m.ptlBaseline = {1, 0};
    m.ptlAspect = {1, 1};
    m.ptlCaret = {0, 1};
    m.rclFontBox = {0, f.ascender, f.maxWidth, -f.descender};
    std::memcpy(m.achVendId, "WSIM", 4);
    m.ulPanoseCulture = 0;
    std::memcpy(block.data(), &m, sizeof m);
    return block;
}

// The box drawn for characters without an outline.
GlyphOutline boxGlyph(const FontFace& f) {
    GlyphOutline g;
    g.advance = f.defaultAdvance;
    LONG a = std::max(2, f.defaultAdvance / 10), r = std::max(a + 2, f.defaultAdvance - a);
    LONG top = std::max(4, f.ascender * 7 / 10), t = std::max(1, f.unitsPerEm / 16);
    auto rect = [](LONG l, LONG b, LONG rr, LONG tt, bool reverse) {
        engine::Figure fig;
        fig.start = {l, b};
        std::vector<POINTFIX> pts = {{rr, b}, {rr, tt}, {l, tt}};
        if (reverse) pts = {{l, tt}, {rr, tt}, {rr, b}};
        for (auto p : pts) {
            engine::Segment s;
            s.p[0] = p;
            fig.segs.push_back(s);
        }
        fig.closed = true;
        return fig;
    };
    g.contours.push_back(rect(a, 0, r, top, false));
    if (r - a > 2 * t && top > 2 * t) g.contours.push_back(rect(a + t, t, r - t, top - t, true));
    return g;
}

struct Matrix {
    double m11, m12, m21, m22;
};
Matrix fontMatrix(const Font& f) {
    return Matrix{f.xform->m11, f.xform->m12, f.xform->m21, f.xform->m22};
}

// A glyph's outline in device 28.4 units relative to its origin.
PathGeom deviceOutline(const Font& f, const GlyphOutline& g) {
    Matrix m = fontMatrix(f);
    double shear = f.spec.italic ? 0.2 : 0;
    auto map = [&](const POINTFIX& p) {
        double fx = p.x + shear * p.y, fy = -static_cast<double>(p.y);  // y down in notional space
        double dx = fx * m.m11 + fy * m.m21, dy = fx * m.m12 + fy * m.m22;
        return POINTFIX{static_cast<FIX>(std::lround(dx * 16)), static_cast<FIX>(std::lround(dy * 16))};
    };
    PathGeom geom;
    for (const auto& c : g.contours) {
        SubPath s;
        s.start = map(c.start);
        for (const auto& seg : c.segs) {
            Segment d;
            d.bezier = seg.bezier;
            for (int i = 0; i < (seg.bezier ? 3 : 1); ++i) d.p[i] = map(seg.p[i]);
            s.segs.push_back(d);
        }
        s.closed = true;
        geom.subs.push_back(std::move(s));
    }
    return geom;
}

const GlyphOutline* outlineOf(const Font& f, HGLYPH hg, GlyphOutline& box) {
    if (hg < f.byIndex.size() && f.byIndex[hg]) return f.byIndex[hg];
    box = boxGlyph(*f.face);
    return &box;
}
}  // namespace

Font::~Font() {
    fonts().remove(&fo);
    for (auto& [hg, p] : pathCache) deletePath(p);
    deleteXform(xform);
}

Font* fontFromObj(const FONTOBJ* fo) { return fo ? fonts().find(fo) : nullptr; }

namespace {
void setXform(Font& f, double height, double unitsPerEm) {
    double s = (unitsPerEm > 0 ? std::fabs(height) / unitsPerEm : 1);
    double a = f.spec.escapement / 10.0 * kPi / 180.0;
    double c = std::cos(a), n = std::sin(a);
    if (std::fabs(c) < 1e-12) c = 0;
    if (std::fabs(n) < 1e-12) n = 0;
    f.xform = newXform(s * c, -s * n, s * n, s * c, 0, 0);
}
FLONG simFlags(const engine::FontSpec& spec) {
    return (spec.bold ? FO_SIM_BOLD : 0) | (spec.italic ? FO_SIM_ITALIC : 0);
}
}  // namespace

std::unique_ptr<Font> makeEngineFont(std::shared_ptr<const FontFace> face, const engine::FontSpec& spec, LONG dpi,
                                     ULONG uniq) {
    auto f = std::make_unique<Font>();
    f->face = std::move(face);
    f->spec = spec;
    f->ifi = buildIfi(*f->face);
    f->byIndex.push_back(nullptr);
    for (const auto& [c, g] : f->face->glyphs) {
        f->byChar[c] = static_cast<HGLYPH>(f->byIndex.size());
        f->byIndex.push_back(&g);
    }
    setXform(*f, spec.height, f->face->unitsPerEm);
    f->fo.iUniq = uniq;
    f->fo.iFace = 0;
    f->fo.cxMax = static_cast<ULONG>(std::ceil(f->face->maxWidth * std::fabs(f->xform->m11 + f->xform->m12)));
    f->fo.flFontType = TRUETYPE_FONTTYPE | simFlags(spec);
    f->fo.iTTUniq = uniq;
    f->fo.iFile = reinterpret_cast<ULONG_PTR>(f->face.get());
    f->fo.sizLogResPpi = {dpi, dpi};
    fonts().add(f.get(), &f->fo);
    return f;
}

std::unique_ptr<Font> makeDeviceFont(IFIMETRICS* ifi, ULONG iFace, const engine::FontSpec& spec, LONG dpi,
                                     ULONG uniq) {
    auto f = std::make_unique<Font>();
    f->deviceIfi = ifi;
    f->spec = spec;
    setXform(*f, spec.height, ifi && ifi->fwdUnitsPerEm > 0 ? ifi->fwdUnitsPerEm : 1000);
    f->fo.iUniq = uniq;
    f->fo.iFace = iFace;
    double maxInc = ifi ? ifi->fwdMaxCharInc : 0;
    f->fo.cxMax = static_cast<ULONG>(std::ceil(std::max(0.0, maxInc) * std::hypot(f->xform->m11, f->xform->m12)));
    f->fo.flFontType = DEVICE_FONTTYPE | simFlags(spec);
    f->fo.iTTUniq = uniq;
    f->fo.sizLogResPpi = {dpi, dpi};
    fonts().add(f.get(), &f->fo);
    return f;
}

HGLYPH engineGlyph(const Font& f, char16_t c) {
    auto it = f.byChar.find(c);
    return it == f.byChar.end() ? 0 : it->second;
}

int32_t engineAdvance(const Font& f, HGLYPH hg) {
    if (!f.face) return 0;
    if (hg < f.byIndex.size() && f.byIndex[hg]) return f.byIndex[hg]->advance;
    return f.face->defaultAdvance;
}

GLYPHDATA* engineGlyphData(Font& f, HGLYPH hg, ULONG mode) {
    if (!f.face) return nullptr;
    GlyphOutline box;
    const GlyphOutline* g = outlineOf(f, hg, box);
    PathGeom geom = deviceOutline(f, *g);
    GLYPHDATA& gd = f.dataCache[(static_cast<uint64_t>(hg) << 1) | (mode == FO_PATHOBJ ? 1 : 0)];
    gd.hg = hg;
    Matrix m = fontMatrix(f);
    double adv = engineAdvance(f, hg);
    double ax = adv * m.m11, ay = adv * m.m12;
    gd.fxD = static_cast<FIX>(std::lround(std::hypot(ax, ay) * 16));
    gd.fxA = 0;
    gd.fxAB = gd.fxD;
    gd.ptqD.x.QuadPart = 0;
    gd.ptqD.y.QuadPart = 0;
    gd.ptqD.x.u.HighPart = static_cast<LONG>(std::lround(ax * 16));
    gd.ptqD.y.u.HighPart = static_cast<LONG>(std::lround(ay * 16));
    if (mode == FO_PATHOBJ) {
        auto it = f.pathCache.find(hg);
        if (it == f.pathCache.end()) it = f.pathCache.emplace(hg, newPath(geom)).first;
        gd.gdf.ppo = &it->second->po;
        RECTFX b = geom.bounds();
        gd.rclInk = {b.xLeft >> 4, b.yTop >> 4, (b.xRight + 15) >> 4, (b.yBottom + 15) >> 4};
        gd.fxInkTop = -b.yTop;
        gd.fxInkBottom = -b.yBottom;
        return &gd;
    }
    auto it = f.bitsCache.find(hg);
    if (it == f.bitsCache.end()) {
        RECTFX b = geom.bounds();
        bool empty = geom.subs.empty();
        RECTL box2{0, 0, 1, 1};
        if (!empty)
            box2 = {static_cast<LONG>(std::floor(b.xLeft / 16.0)) - 1, static_cast<LONG>(std::floor(b.yTop / 16.0)) - 1,
                    static_cast<LONG>(std::ceil(b.xRight / 16.0)) + 1, static_cast<LONG>(std::ceil(b.yBottom / 16.0)) + 1};
        Coverage cov;
        cov.init(box2);
        if (!empty) fillPolygons(cov, flatten(geom, true), true);
        if (f.spec.bold && !empty) {  // simulated bold: the glyph drawn again one pixel to the right
            Coverage bolder = cov;
            for (LONG y = 0; y < cov.h; ++y)
                for (LONG x = 1; x < cov.w; ++x)
                    if (cov.m[static_cast<size_t>(y) * cov.w + x - 1]) bolder.m[static_cast<size_t>(y) * cov.w + x] = 1;
            cov = std::move(bolder);
        }
        // Trim to the ink (keeps one pixel for a glyph without ink).
        LONG x0 = cov.w, y0 = cov.h, x1 = -1, y1 = -1;
        for (LONG y = 0; y < cov.h; ++y)
            for (LONG x = 0; x < cov.w; ++x)
                if (cov.m[static_cast<size_t>(y) * cov.w + x]) {
                    x0 = std::min(x0, x);
                    y0 = std::min(y0, y);
                    x1 = std::max(x1, x);
                    y1 = std::max(y1, y);
                }
        if (x1 < 0) {
            x0 = y0 = 0;
            x1 = y1 = 0;
        }
        LONG w = x1 - x0 + 1, h = y1 - y0 + 1;
        size_t rowBytes = (static_cast<size_t>(w) + 7) / 8;
        std::vector<uint8_t> block(std::max(sizeof(GLYPHBITS), offsetof(GLYPHBITS, aj) + rowBytes * h), 0);
        auto* gb = reinterpret_cast<GLYPHBITS*>(block.data());
        gb->ptlOrigin = {cov.x0 + x0, cov.y0 + y0};
        gb->sizlBitmap = {w, h};
        for (LONG y = 0; y < h; ++y)
            for (LONG x = 0; x < w; ++x)
                if (cov.get(cov.x0 + x0 + x, cov.y0 + y0 + y)) gb->aj[y * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x & 7));
        gd.rclInk = {gb->ptlOrigin.x, gb->ptlOrigin.y, gb->ptlOrigin.x + w, gb->ptlOrigin.y + h};
        it = f.bitsCache.emplace(hg, std::move(block)).first;
    }
    auto* gb = reinterpret_cast<GLYPHBITS*>(it->second.data());
    gd.gdf.pgb = gb;
    gd.rclInk = {gb->ptlOrigin.x, gb->ptlOrigin.y, gb->ptlOrigin.x + gb->sizlBitmap.cx,
                 gb->ptlOrigin.y + gb->sizlBitmap.cy};
    gd.fxInkTop = -gd.rclInk.top * 16;
    gd.fxInkBottom = -gd.rclInk.bottom * 16;
    return &gd;
}

Str::Str() { strs().add(this, &so); }
Str::~Str() { strs().remove(&so); }
Str* strFromObj(const STROBJ* so) { return so ? strs().find(so) : nullptr; }

// ---------------------------------------------------------------------------
// The built-in face: boxes and bars in three heights, so text has ink of
// the right size and place without font files.

std::shared_ptr<const engine::FontFace> builtinFaceImpl() {
    auto f = std::make_shared<FontFace>();
    f->family = f->face = u"Sample Sans";
    f->unitsPerEm = 1000;
    f->ascender = 800;
    f->descender = 200;
    f->avgWidth = 500;
    f->maxWidth = 750;
    f->defaultAdvance = 500;
    auto frame = [](LONG l, LONG b, LONG r, LONG t, LONG stroke) {
        std::vector<engine::Figure> out;
        auto rect = [](LONG l2, LONG b2, LONG r2, LONG t2, bool rev) {
            engine::Figure fig;
            fig.start = {l2, b2};
            std::vector<POINTFIX> pts = rev ? std::vector<POINTFIX>{{l2, t2}, {r2, t2}, {r2, b2}}
                                            : std::vector<POINTFIX>{{r2, b2}, {r2, t2}, {l2, t2}};
            for (auto p : pts) {
                engine::Segment s;
                s.p[0] = p;
                fig.segs.push_back(s);
            }
            fig.closed = true;
            return fig;
        };
        out.push_back(rect(l, b, r, t, false));
        if (r - l > 2 * stroke && t - b > 2 * stroke) out.push_back(rect(l + stroke, b + stroke, r - stroke, t - stroke, true));
        return out;
    };
    for (char16_t c = 0x21; c <= 0x7E; ++c) {
        engine::GlyphOutline g;
        g.advance = 500;
        if (std::u16string_view(u"iljI!|.,:;'`").find(c) != std::u16string_view::npos) g.advance = 250;
        if (std::u16string_view(u"mwMW@").find(c) != std::u16string_view::npos) g.advance = 750;
        LONG l = 60, r = g.advance - 60;
        if (c == u'.' || c == u',' || c == u':' || c == u';' || c == u'\'' || c == u'`') {
            g.contours = frame(l, 0, r, 120, 200);
        } else if (c == u'-' || c == u'=' || c == u'~' || c == u'+') {
            g.contours = frame(l, 250, r, 350, 200);
        } else if (c == u'_') {
            g.contours = frame(l, -150, r, -80, 200);
        } else if (std::u16string_view(u"gjpqy").find(c) != std::u16string_view::npos) {
            g.contours = frame(l, -200, r, 500, 70);
        } else if (c >= u'a' && c <= u'z' && std::u16string_view(u"bdfhklt").find(c) == std::u16string_view::npos) {
            g.contours = frame(l, 0, r, 500, 70);
        } else {
            g.contours = frame(l, 0, r, 700, 70);
        }
        f->glyphs[c] = std::move(g);
    }
    engine::GlyphOutline space;
    space.advance = 250;
    f->glyphs[u' '] = space;
    return f;
}

}  // namespace winsim::gdi

namespace winsim::engine {
std::shared_ptr<const FontFace> builtinFace() {
    static const std::shared_ptr<const FontFace> face = gdi::builtinFaceImpl();
    return face;
}
}  // namespace winsim::engine

using namespace winsim::gdi;
using winsim::detail::setError;

extern "C" {

WINBASEAPI void APIENTRY STROBJ_vEnumStart(STROBJ* pstro) {
    if (Str* s = strFromObj(pstro)) s->next = 0;
}

WINBASEAPI BOOL APIENTRY STROBJ_bEnum(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos) {
    if (pc) *pc = 0;
    if (ppgpos) *ppgpos = nullptr;
    Str* s = strFromObj(pstro);
    if (!s || !pc || !ppgpos) return FALSE;
    size_t left = s->pos.size() - std::min(s->next, s->pos.size());
    size_t n = s->batch ? std::min<size_t>(s->batch, left) : left;
    if (n == 0) return FALSE;
    *ppgpos = s->pos.data() + s->next;
    *pc = static_cast<ULONG>(n);
    s->next += n;
    return s->next < s->pos.size();
}

WINBASEAPI IFIMETRICS* APIENTRY FONTOBJ_pifi(FONTOBJ* pfo) {
    Font* f = fontFromObj(pfo);
    return f ? f->metrics() : nullptr;
}

WINBASEAPI XFORMOBJ* APIENTRY FONTOBJ_pxoGetXform(FONTOBJ* pfo) {
    Font* f = fontFromObj(pfo);
    return f && f->xform ? &f->xform->xo : nullptr;
}

WINBASEAPI ULONG APIENTRY FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg,
                                             PVOID* ppvGlyph) {
    if (engEnter("FONTOBJ_cGetGlyphs")) return 0;
    Font* f = fontFromObj(pfo);
    if (!f || !f->face || !phg || !ppvGlyph || cGlyph == 0 || (iMode != FO_GLYPHBITS && iMode != FO_PATHOBJ))
        return 0;
    try {
        // One glyph per call, as the engine hands them out.
        GLYPHDATA* gd = engineGlyphData(*f, phg[0], iMode);
        if (!gd) return 0;
        *ppvGlyph = gd;
        return 1;
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

WINBASEAPI BOOL APIENTRY EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                                    RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg,
                                    MIX mix) {
    if (engEnter("EngTextOut")) return FALSE;
    if (!isBitmap(pso) || !pstro || !pfo) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    try {
        Region clip = effectiveClip(pso, pco);
        if (prclOpaque && pboOpaque && !fillRectWithBrush(pso, *prclOpaque, clip, pboOpaque, pptlOrg, R2_COPYPEN))
            return FALSE;
        Font* f = fontFromObj(pfo);
        struct Placed {
            POINTL at;
            const GLYPHBITS* gb;
        };
        std::vector<Placed> placed;
        STROBJ_vEnumStart(pstro);
        Str* s = strFromObj(pstro);
        std::vector<GLYPHPOS> foreign;
        if (!s && pstro->pgp) foreign.assign(pstro->pgp, pstro->pgp + std::min<ULONG>(pstro->cGlyphs, 65536));
        auto take = [&](const GLYPHPOS& gp) {
            const GLYPHBITS* gb = nullptr;
            if (f && f->face) {
                GLYPHDATA* gd = engineGlyphData(*f, gp.hg, FO_GLYPHBITS);
                gb = gd ? gd->gdf.pgb : nullptr;
            } else if (gp.pgdf) {
                gb = gp.pgdf->pgb;
            }
            if (gb) placed.push_back({POINTL{gp.ptl.x + gb->ptlOrigin.x, gp.ptl.y + gb->ptlOrigin.y}, gb});
        };
        if (s) {
            ULONG c = 0;
            GLYPHPOS* gp = nullptr;
            BOOL more;
            do {
                more = STROBJ_bEnum(pstro, &c, &gp);
                for (ULONG i = 0; i < c; ++i) take(gp[i]);
            } while (more);
        } else {
            for (const auto& gp : foreign) take(gp);
        }
        if (!placed.empty() && pboFore) {
            RECTL box{placed[0].at.x, placed[0].at.y, placed[0].at.x, placed[0].at.y};
            for (const auto& p : placed) {
                box.left = std::min(box.left, p.at.x);
                box.top = std::min(box.top, p.at.y);
                box.right = std::max(box.right, p.at.x + p.gb->sizlBitmap.cx);
                box.bottom = std::max(box.bottom, p.at.y + p.gb->sizlBitmap.cy);
            }
            RECTL cb = clip.bounds();
            box.left = std::max(box.left, cb.left);
            box.top = std::max(box.top, cb.top);
            box.right = std::min(box.right, cb.right);
            box.bottom = std::min(box.bottom, cb.bottom);
            if (box.left < box.right && box.top < box.bottom) {
                Coverage cov;
                cov.init(box);
                for (const auto& p : placed) {
                    LONG w = p.gb->sizlBitmap.cx, h = p.gb->sizlBitmap.cy;
                    size_t rowBytes = (static_cast<size_t>(w) + 7) / 8;
                    for (LONG y = 0; y < h; ++y)
                        for (LONG x = 0; x < w; ++x)
                            if ((p.gb->aj[y * rowBytes + x / 8] >> (7 - (x & 7))) & 1) cov.set(p.at.x + x, p.at.y + y);
                }
                if (!paintCoverage(pso, cov, clip, pboFore, pptlOrg, (mix & 0xFF) | ((mix & 0xFF) << 8))) return FALSE;
            }
        }
        if (prclExtra && pboFore) {
            for (RECTL* r = prclExtra; r->left || r->top || r->right || r->bottom; ++r)
                if (!fillRectWithBrush(pso, *r, clip, pboFore, pptlOrg, (mix & 0xFF) | ((mix & 0xFF) << 8)))
                    return FALSE;
        }
        return TRUE;
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
}

}  // extern "C"
