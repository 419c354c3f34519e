// Fonts and glyph strings of the text the session plays.
#include <winsim/engine.h>

#include "session.h"

#include "core/sim.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <sstream>

namespace winsim::engine {

namespace {

std::u16string ifiName(IFIMETRICS* ifi, PTRDIFF off) {
    std::u16string out;
    if (!ifi || off <= 0 || static_cast<ULONG>(off) >= ifi->cjThis || ifi->cjThis > (1u << 20)) return out;
    const uint8_t* base = reinterpret_cast<const uint8_t*>(ifi);
    for (ULONG i = static_cast<ULONG>(off); i + 1 < ifi->cjThis && out.size() < 256; i += 2) {
        char16_t c = static_cast<char16_t>(base[i] | (base[i + 1] << 8));
        if (!c) break;
        out.push_back(c);
    }
    return out;
}

}  // namespace

// ---------------------------------------------------------------------------
// Fonts.

void Session::Impl::loadDeviceFonts() {
    if (cur.fontsLoaded) return;
    cur.fontsLoaded = true;
    auto query = fn<PFN_DrvQueryFont>(INDEX_DrvQueryFont);
    if (!query || cur.dev.cFonts == 0) return;
    ULONG n = std::min<ULONG>(cur.dev.cFonts, 4096);
    for (ULONG i = 1; i <= n; ++i) {
        ULONG_PTR id = 0;
        IFIMETRICS* ifi = query(cur.dhpdev, 0, i, &id);
        log("DrvQueryFont " + std::to_string(i) + " -> " + (ifi ? "metrics" : "null"));
        if (!ifi || ifi->cjThis < sizeof(IFIMETRICS) - sizeof(void*)) continue;
        DeviceFont f;
        f.iFace = i;
        f.ifi = ifi;
        f.name = ifiName(ifi, ifi->dpwszFaceName);
        cur.fonts.push_back(std::move(f));
    }
}

Font* Session::Impl::fontFor(const FontSpec& spec) {
    loadDeviceFonts();
    std::ostringstream key;
    key << winsim::toUtf8(spec.face) << '|' << spec.height << '|' << spec.escapement << '|' << spec.bold << spec.italic;
    auto it = cur.fontCache.find(key.str());
    if (it != cur.fontCache.end()) return it->second.get();
    LONG dpi = static_cast<LONG>(cur.gdi.ulLogPixelsX ? cur.gdi.ulLogPixelsX : 600);
    std::unique_ptr<Font> f;
    for (auto& df : cur.fonts)
        if (!spec.face.empty() && winsim::detail::wequalNoCase(df.name, spec.face)) {
            f = makeDeviceFont(df.ifi, df.iFace, spec, dpi, nextFontUniq++);
            break;
        }
    if (!f) {
        std::shared_ptr<const FontFace> face;
        for (const auto& ff : faces)
            if (winsim::detail::wequalNoCase(ff->face, spec.face) || winsim::detail::wequalNoCase(ff->family, spec.face)) {
                face = ff;
                break;
            }
        if (!face) face = faces.empty() ? builtinFace() : faces.front();
        f = makeEngineFont(face, spec, dpi, nextFontUniq++);
    }
    Font* raw = f.get();
    cur.fontCache[key.str()] = std::move(f);
    return raw;
}

bool Session::Impl::buildString(const Operation& op, Font* font, LONG tx, LONG ty, CallObjects& o) {
    const TextSpec& t = op.text;
    auto s = std::make_unique<Str>();
    s->font = font;
    s->batch = opt.glyphBatch;
    s->text = t.text;
    size_t n = t.text.size();
    std::vector<HGLYPH> hgs(n);
    IFIMETRICS* ifi = font->metrics();
    DeviceFont* df = nullptr;
    if (!font->face)
        for (auto& d : cur.fonts)
            if (d.iFace == font->fo.iFace) df = &d;
    if (df && !df->mapLoaded && !t.glyphIndex) {
        df->mapLoaded = true;
        if (auto tree = fn<PFN_DrvQueryFontTree>(INDEX_DrvQueryFontTree)) {
            ULONG_PTR id = 0;
            auto* gs = static_cast<FD_GLYPHSET*>(tree(cur.dhpdev, 0, df->iFace, QFT_GLYPHSET, &id));
            log(std::string("DrvQueryFontTree ") + std::to_string(df->iFace) + " -> " + (gs ? "glyph set" : "null"));
            if (gs) {
                ULONG runs = std::min<ULONG>(gs->cRuns, 65536);
                for (ULONG r = 0; r < runs; ++r) {
                    const WCRUN& run = gs->awcrun[r];
                    for (ULONG k = 0; k < run.cGlyphs; ++k) {
                        uint32_t wc = run.wcLow + k;
                        if (wc > 0xFFFF) break;
                        df->map[static_cast<char16_t>(wc)] = run.phg ? run.phg[k] : wc;
                    }
                }
            }
        }
    }
    for (size_t i = 0; i < n; ++i) {
        char16_t c = t.text[i];
        if (t.glyphIndex)
            hgs[i] = c;
        else if (font->face)
            hgs[i] = engineGlyph(*font, c);
        else if (df) {
            auto it = df->map.find(c);
            if (it == df->map.end()) it = df->map.find(u'?');
            hgs[i] = it == df->map.end() ? 0 : it->second;
        }
    }
    // Advances along the baseline, in pixels.
    double m11 = font->xform->m11, m12 = font->xform->m12, m21 = font->xform->m21, m22 = font->xform->m22;
    double scale = std::hypot(m11, m12);
    double bx = scale > 0 ? m11 / scale : 1, by = scale > 0 ? m12 / scale : 0;  // baseline direction
    std::vector<double> adv(n, 0);
    if (!t.dx.empty() || t.fixedAdvance) {
        for (size_t i = 0; i < n; ++i) adv[i] = t.fixedAdvance ? t.fixedAdvance : i < t.dx.size() ? t.dx[i] : 0;
    } else if (font->face) {
        for (size_t i = 0; i < n; ++i) adv[i] = engineAdvance(*font, hgs[i]) * scale;
    } else {
        std::vector<USHORT> widths(n, 0);
        auto aw = fn<PFN_DrvQueryAdvanceWidths>(INDEX_DrvQueryAdvanceWidths);
        BOOL ok = n > 0 && aw && aw(cur.dhpdev, &font->fo, QAW_GETWIDTHS, hgs.data(), widths.data(), static_cast<ULONG>(n));
        if (aw) log("DrvQueryAdvanceWidths -> " + std::to_string(ok));
        for (size_t i = 0; i < n; ++i)
            adv[i] = ok ? widths[i] / 16.0 : (ifi ? ifi->fwdAveCharWidth * scale : 0);
    }
    if (t.vertical) {  // vertical strings advance down the page
        bx = 0;
        by = 1;
    }
    if (t.reversed) {  // right to left: from the first glyph backwards
        bx = -bx;
        by = -by;
    }
    double asc = 0, desc = 0;
    if (ifi) {
        double sy = std::hypot(m21, m22);  // pixels per font unit up the glyph
        asc = ifi->fwdWinAscender * sy;
        desc = ifi->fwdWinDescender * sy;
    }
    double ux = -m21, uy = -m22;  // the ascender direction
    double ul = std::hypot(ux, uy);
    if (ul > 0) {
        ux /= ul;
        uy /= ul;
    }
    s->pos.resize(n);
    s->defs.resize(n);
    ULONG mode = FO_GLYPHBITS;
    if (font->face)
        if (auto gm = fn<PFN_DrvGetGlyphMode>(INDEX_DrvGetGlyphMode)) mode = gm(cur.dhpdev, &font->fo) == FO_PATHOBJ ? FO_PATHOBJ : FO_GLYPHBITS;
    double px = t.at.x, py = t.at.y;
    RECTL bk{0, 0, 0, 0};
    for (size_t i = 0; i < n; ++i) {
        GLYPHPOS& gp = s->pos[i];
        gp.hg = hgs[i];
        gp.ptl = {static_cast<LONG>(std::lround(px)) - tx, static_cast<LONG>(std::lround(py)) - ty};
        gp.pgdf = nullptr;
        if (font->face) {
            GLYPHDATA* gd = engineGlyphData(*font, hgs[i], mode);
            if (gd) {
                s->defs[i] = gd->gdf;
                gp.pgdf = &s->defs[i];
            }
        }
        double ax = adv[i] * bx, ay = adv[i] * by;
        double cx[4] = {px + ux * asc, px - ux * desc, px + ax + ux * asc, px + ax - ux * desc};
        double cy[4] = {py + uy * asc, py - uy * desc, py + ay + uy * asc, py + ay - uy * desc};
        RECTL cell{static_cast<LONG>(std::floor(*std::min_element(cx, cx + 4))),
                   static_cast<LONG>(std::floor(*std::min_element(cy, cy + 4))),
                   static_cast<LONG>(std::ceil(*std::max_element(cx, cx + 4))),
                   static_cast<LONG>(std::ceil(*std::max_element(cy, cy + 4)))};
        bk = unionRect(bk, cell);
        px += ax;
        py += ay;
    }
    s->so.cGlyphs = static_cast<ULONG>(n);
    s->so.flAccel = (t.dx.empty() ? SO_FLAG_DEFAULT_PLACEMENT : 0) | (t.glyphIndex ? SO_GLYPHINDEX_TEXTOUT : 0) |
                    (t.reversed ? SO_REVERSED : 0) | (t.vertical ? SO_VERTICAL : (op.text.font.escapement % 3600 == 0 ? SO_HORIZONTAL : 0));
    if (t.fixedAdvance > 0)
        s->so.ulCharInc = static_cast<ULONG>(t.fixedAdvance);
    else if (t.dx.empty() && font->face && font->face->fixedPitch && !t.vertical && op.text.font.escapement == 0 && n)
        s->so.ulCharInc = static_cast<ULONG>(std::lround(adv[0]));
    s->so.rclBkGround = shifted(bk, tx, ty);
    s->so.pgp = s->pos.data();
    s->so.pwszOrg = s->text.data();
    // Underline and strike-out bars of horizontal text.
    if (ifi && (op.text.font.underline || op.text.font.strikeout) && by == 0 && bx > 0 && n) {
        double sy = std::hypot(m21, m22);
        LONG left = t.at.x, right = static_cast<LONG>(std::lround(px));
        if (op.text.font.underline) {
            LONG th = std::max<LONG>(1, std::lround(ifi->fwdUnderscoreSize * sy));
            LONG top = t.at.y - static_cast<LONG>(std::lround(ifi->fwdUnderscorePosition * sy));
            o.extra.push_back(shifted(RECTL{left, top, right, top + th}, tx, ty));
        }
        if (op.text.font.strikeout) {
            LONG th = std::max<LONG>(1, std::lround(ifi->fwdStrikeoutSize * sy));
            LONG top = t.at.y - static_cast<LONG>(std::lround(ifi->fwdStrikeoutPosition * sy));
            o.extra.push_back(shifted(RECTL{left, top, right, top + th}, tx, ty));
        }
        o.extra.push_back(RECTL{0, 0, 0, 0});
    }
    if (t.opaque) {
        o.hasOpaque = true;
        o.opaqueRect = shifted(orderedRect(*t.opaque), tx, ty);
    }
    o.str = std::move(s);
    return true;
}


}  // namespace winsim::engine
