// Text calls on a vector page: fonts of the engine (built-in outlines under
// any name) or of the driver's resident faces, and strings whose glyph
// positions the test gives.
#pragma once
#include <winsim/engine.h>

#include <memory>
#include <string>
#include <vector>

#include "text/font_set.h"
#include "vector_support.h"

namespace grtest {

// An engine face of the built-in outlines under `name`.
inline std::shared_ptr<const winsim::engine::FontFace> namedFace(const std::u16string& name, USHORT fsType = 0,
                                                                 const std::u16string& family = {}) {
    auto f = std::make_shared<winsim::engine::FontFace>(*winsim::engine::builtinFace());
    f->face = name;
    f->family = family.empty() ? name : family;
    f->fsType = fsType;
    return f;
}

inline std::unique_ptr<gdi::Font> engineFont(const std::u16string& name, int32_t height = 40, int32_t tenths = 0,
                                             USHORT fsType = 0, ULONG uniq = 7) {
    winsim::engine::FontSpec spec;
    spec.face = name;
    spec.height = height;
    spec.escapement = tenths;
    return gdi::makeEngineFont(namedFace(name, fsType), spec, 600, uniq);
}

// A string of `text` with its glyphs at `at` (engine fonts get their glyph
// images, device fonts the character as the handle).
struct TestString {
    std::unique_ptr<gdi::Str> s = std::make_unique<gdi::Str>();
    TestString(gdi::Font* f, const std::u16string& text, const std::vector<POINTL>& at, FLONG accel,
               ULONG charInc = 0) {
        s->font = f;
        s->text = text;
        s->pos.resize(text.size());
        s->defs.resize(text.size());
        RECTL bk{at[0].x, at[0].y - 40, at.back().x + 40, at[0].y + 10};
        for (size_t i = 0; i < text.size(); ++i) {
            GLYPHPOS& g = s->pos[i];
            g.ptl = at[i];
            g.hg = (accel & SO_GLYPHINDEX_TEXTOUT) || !f->face ? text[i] : gdi::engineGlyph(*f, text[i]);
            if (f->face) {
                if (GLYPHDATA* gd = gdi::engineGlyphData(*f, g.hg, FO_GLYPHBITS)) {
                    s->defs[i] = gd->gdf;
                    g.pgdf = &s->defs[i];
                }
            }
        }
        s->so.cGlyphs = static_cast<ULONG>(text.size());
        s->so.flAccel = accel;
        s->so.ulCharInc = charInc;
        s->so.rclBkGround = bk;
        s->so.pgp = s->pos.data();
        s->so.pwszOrg = s->text.data();
    }
    STROBJ* so() { return &s->so; }
};

// Positions along a line from (x, y), `step` apart.
inline std::vector<POINTL> along(size_t n, LONG x, LONG y, LONG dx, LONG dy = 0) {
    std::vector<POINTL> out;
    for (size_t i = 0; i < n; ++i) out.push_back(POINTL{x + static_cast<LONG>(i) * dx, y + static_cast<LONG>(i) * dy});
    return out;
}

class TextPage : public VectorPage {
protected:
    // A resident face of the driver realised at `height` pixels.
    std::unique_ptr<gdi::Font> residentFont(ULONG face, int32_t height = 40, int32_t tenths = 0, ULONG uniq = 9) {
        ULONG_PTR id = 0;
        IFIMETRICS* ifi = DrvQueryFont(reinterpret_cast<DHPDEV>(pdev()), 0, face, &id);
        EXPECT_NE(ifi, nullptr);
        winsim::engine::FontSpec spec;
        spec.height = height;
        spec.escapement = tenths;
        return gdi::makeDeviceFont(ifi, face, spec, 600, uniq);
    }
    BOOL text(gdi::Font* f, TestString& s, RECTL* opaque = nullptr, RECTL* extra = nullptr) {
        auto fg = solid(0x000000);
        auto bg = solid(0xFFFF00);
        return DrvTextOut(so(), s.so(), &f->fo, nullptr, extra, opaque, &fg->bo, opaque ? &bg->bo : nullptr, nullptr,
                          R2_COPYPEN | (R2_NOP << 8));
    }
    // Text as glyph images (the graphics way).
    void graphicsWay() { pdev()->textAsBitmap = 1; }
};

}  // namespace grtest
