// DrvTextOut in vector mode. Two ways: the device-font way sends the
// characters for the device's own fonts (TextRunRecord, GlyphRecord) or, for
// fonts the device must not or cannot substitute, each glyph's outline; the
// graphics way sends glyph images, kept in the device's glyph cache for the
// page (GlyphDefineRecord and GlyphRunRecord, or GlyphBitmapRecord per
// glyph). While banding the engine draws the text into the band.
#include "text/text_out.h"

#include <win/memory.h>
#include <win/system.h>

#include <cstdio>
#include <cstring>
#include <limits>
#include <string_view>
#include <utility>

#include "driver_functions.h"
#include "records/glyph_rle.h"
#include "text/font_set.h"
#include "text/glyph_cache.h"
#include "printer_text.h"
#include "text/text_metrics.h"
#include "vector/vector.h"

namespace vesk {

namespace {

constexpr size_t kMaxNameChars = 128;
constexpr DWORD kRunLimit = 0xFFFF;  // the 16-bit counts of run records
constexpr BYTE kFullWidthDfg[6] = {0x82, 0x63, 0x82, 0x65, 0x82, 0x66};

// A work buffer of the engine's memory, freed when it goes.
template <class T>
struct Work {
    T* p = nullptr;
    explicit Work(size_t n) {
        if (n == 0) n = 1;
        if (n <= std::numeric_limits<SIZE_T>::max() / sizeof(T)) p = static_cast<T*>(GlobalAlloc(GMEM_FIXED, n * sizeof(T)));
    }
    ~Work() {
        if (p) GlobalFree(p);
    }
    Work(const Work&) = delete;
    Work& operator=(const Work&) = delete;
};

size_t wideLength(const WCHAR* s, size_t max) {
    size_t n = 0;
    while (s && n < max && s[n]) ++n;
    return n;
}

bool wideEquals(const WCHAR* s, std::u16string_view what) {
    return s && wideLength(s, what.size() + 1) == what.size() && std::u16string_view(s, what.size()) == what;
}

bool wideContains(const WCHAR* s, std::u16string_view what) {
    return s && std::u16string_view(s, wideLength(s, 4096)).find(what) != std::u16string_view::npos;
}

bool isEudcName(const WCHAR* s) { return wideEquals(s, u"EUDC"); }

// The transform's mirror: its determinant is negative.
bool mirroredXform(XFORMOBJ* pxo) {
    XFORML x{1, 0, 0, 1, 0, 0};
    XFORMOBJ_iGetXform(pxo, &x);
    return static_cast<double>(x.eM11) * x.eM22 - static_cast<double>(x.eM12) * x.eM21 < 0;
}

POINTL apply(XFORMOBJ* pxo, LONG x, LONG y) {
    POINTL in{x, y}, out{x, y};
    if (!XFORMOBJ_bApplyXform(pxo, XF_LTOL, 1, &in, &out)) out = in;
    return out;
}

// Tenths to whole pixels, halves away from zero: a component that points
// up or left rounds as one that points down or right does.
LONG tenthsRound(LONG v) { return v >= 0 ? (v + 5) / 10 : -((5 - int64_t{v}) / 10); }

// The pixel length of a notional vector given in tenths of a font unit,
// each component rounded.
LONG tenthsLength(XFORMOBJ* pxo, LONG x, LONG y) {
    const POINTL v = apply(pxo, x, y);
    return IntHypot(tenthsRound(v.x), tenthsRound(v.y));
}

WORD clampWord(LONG v) { return static_cast<WORD>(v < 0 ? 0 : v > 0xFFFF ? 0xFFFF : v); }

// One text call with what the ways share.
struct TextCall {
    Pdev* p;
    SURFOBJ* pso;
    STROBJ* str;
    FONTOBJ* fo;
    IFIMETRICS* ifi;
    XFORMOBJ* pxo;
    const WCHAR* family;  // wide names, at most 128 characters used
    const WCHAR* face;
    size_t familyLen, faceLen;
    bool mirrored;
    bool glyphIndex;
    LONG ascender;  // pixels
    FontDesc font;
    GLYPHPOS* glyphs;  // every glyph of the string, in order
    ULONG count;
};

WCHAR charOf(const TextCall& t, ULONG i) {
    if (t.glyphIndex || !t.str->pwszOrg) return static_cast<WCHAR>(t.glyphs[i].hg);
    return t.str->pwszOrg[i];
}

// The font description's sizes, names and the rest from the engine's font.
void describe(TextCall& t, BYTE kind) {
    FontDesc& f = t.font;
    const IFIMETRICS* ifi = t.ifi;
    f = FontDesc{};
    f.italic = (t.fo->flFontType & FO_SIM_ITALIC) != 0;
    f.bold = (t.fo->flFontType & FO_SIM_BOLD) != 0;
    f.vertical = (t.str->flAccel & SO_VERTICAL) != 0;
    f.kind = kind;
    f.textMode = t.glyphIndex ? kTextGlyphIndex : kTextCharacters;
    f.charSet = ifi->jWinCharSet;
    f.pitchAndFamily = ifi->jWinPitchAndFamily;
    f.weight = ifi->usWinWeight;
    const LONG em = LONG{ifi->fwdUnitsPerEm} * 10;
    const POINTL base = apply(t.pxo, em, 0);
    LONG angle = -VectorAngle(base.x, base.y);
    if (angle < 0) angle += 360;
    f.escapement = static_cast<WORD>(angle % 360);
    f.emWidth = clampWord(IntHypot(tenthsRound(base.x), tenthsRound(base.y)));
    f.emHeight = clampWord(tenthsLength(t.pxo, 0, em));
    t.ascender = tenthsLength(t.pxo, 0, LONG{ifi->fwdWinAscender} * 10);
    const LONG descender = tenthsLength(t.pxo, 0, LONG{ifi->fwdWinDescender} * 10);
    const LONG leading = t.ascender + descender - f.emHeight;
    f.internalLeading = clampWord(leading);
    f.averageWidth = clampWord(tenthsLength(t.pxo, LONG{ifi->fwdAveCharWidth} * 10, 0));
    f.defaultChar = ifi->wcDefaultChar;
    UnicodeToPrinterCp(reinterpret_cast<BYTE*>(f.familyName), kFontNameBytes - 1, t.family, t.familyLen);
    UnicodeToPrinterCp(reinterpret_cast<BYTE*>(f.faceName), kFontNameBytes - 1, t.face, t.faceLen);
    f.fontId = t.fo->iUniq;
    f.generation = t.p->glyphGeneration;
}

// The font record unless this font and text mode were the last sent on the
// page (or always).
bool sendFont(TextCall& t, bool always) {
    DrawState& s = t.p->draw;
    if (!always && s.font.valid && s.font.fontId == t.font.fontId && s.font.textMode == t.font.textMode &&
        s.font.kind == t.font.kind)
        return true;
    const bool ok = t.font.kind == kFontBitmap ? GraphicsFontRecordWrite(&t.p->out, t.font) != nullptr
                                               : DeviceFontRecordWrite(&t.p->out, t.font) != nullptr;
    if (!ok) return false;
    s.font.valid = true;
    s.font.fontId = t.font.fontId;
    s.font.textMode = t.font.textMode;
    s.font.kind = t.font.kind;
    return true;
}

// ---------------------------------------------------------------------------
// Characters in the device's font.

// A fixed increment along the baseline: one advance for all characters.
bool fixedRuns(TextCall& t, Work<WCHAR>& chars) {
    const STROBJ* s = t.str;
    SHORT inc = static_cast<SHORT>(s->ulCharInc > 0x7FFF ? 0x7FFF : s->ulCharInc);
    if (s->flAccel & SO_REVERSED) inc = static_cast<SHORT>(-inc);
    const bool vertical = (s->flAccel & SO_VERTICAL) != 0;
    for (ULONG at = 0; at < t.count; at += kRunLimit) {
        const WORD n = static_cast<WORD>(t.count - at < kRunLimit ? t.count - at : kRunLimit);
        const LONG step = static_cast<LONG>(at) * inc;
        const LONG x = s->rclBkGround.left + (vertical ? 0 : step), y = s->rclBkGround.top + (vertical ? step : 0);
        if (!TextRunRecordWrite(&t.p->out, s->rclBkGround, x, y, chars.p + at, &inc, n, 1)) return false;
    }
    return true;
}

// Per-character advances along one line; false with nothing written when
// the glyphs do not lie on one line or an advance does not fit 16 bits
// (*fits tells which).
bool advanceRuns(TextCall& t, Work<WCHAR>& chars, bool* fits) {
    const bool vertical = (t.str->flAccel & SO_VERTICAL) != 0;
    *fits = false;
    Work<SHORT> adv(t.count);
    if (!adv.p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        *fits = true;
        return false;
    }
    for (ULONG i = 0; i < t.count; ++i) {
        const POINTL& a = t.glyphs[i].ptl;
        if ((vertical ? a.x != t.glyphs[0].ptl.x : a.y != t.glyphs[0].ptl.y)) return false;
        int64_t d = 0;
        if (i + 1 < t.count) d = vertical ? int64_t{t.glyphs[i + 1].ptl.y} - a.y : int64_t{t.glyphs[i + 1].ptl.x} - a.x;
        if (d < -32768 || d > 32767) return false;
        adv.p[i] = static_cast<SHORT>(d);
    }
    *fits = true;
    for (ULONG at = 0; at < t.count; at += kRunLimit) {
        const WORD n = static_cast<WORD>(t.count - at < kRunLimit ? t.count - at : kRunLimit);
        const POINTL& first = t.glyphs[at].ptl;
        if (!TextRunRecordWrite(&t.p->out, t.str->rclBkGround, first.x, first.y - t.ascender, chars.p + at,
                                adv.p + at, n, n))
            return false;
    }
    return true;
}

// One GlyphRecord per character at its reference point.
bool glyphRecords(TextCall& t, Work<WCHAR>& chars) {
    const LONG esc = t.font.escapement;
    const LONG ox = static_cast<LONG>((int64_t{t.ascender} * Sin14(esc)) >> 14);
    const LONG oy = static_cast<LONG>((int64_t{t.ascender} * Cos14(esc)) >> 14);
    for (ULONG i = 0; i < t.count; ++i) {
        const LONG x = t.glyphs[i].ptl.x - ox, y = t.glyphs[i].ptl.y - oy;
        const RECTL cell{x, y, x + t.font.emWidth, y + t.font.emHeight};
        if (!GlyphRecordWrite(&t.p->out, cell, x, y, chars.p[i])) return false;
    }
    return true;
}

bool residentText(TextCall& t) {
    Work<WCHAR> chars(t.count);
    if (!chars.p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    for (ULONG i = 0; i < t.count; ++i) chars.p[i] = charOf(t, i);
    const STROBJ* s = t.str;
    if ((s->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && s->ulCharInc) return fixedRuns(t, chars);
    if (t.font.escapement == 0 && (s->flAccel & (SO_HORIZONTAL | SO_VERTICAL))) {
        bool fits = false;
        if (advanceRuns(t, chars, &fits)) return true;
        if (fits) return false;  // a record could not be written
    }
    return glyphRecords(t, chars);
}

// ---------------------------------------------------------------------------
// Outlines.

bool outlineText(TextCall& t) {
    const STROBJ* s = t.str;
    const bool fixed = (s->flAccel & SO_FLAG_DEFAULT_PLACEMENT) && s->ulCharInc;
    for (ULONG i = 0; i < t.count; ++i) {
        HGLYPH hg = t.glyphs[i].hg;
        GLYPHDATA* gd = nullptr;
        if (FONTOBJ_cGetGlyphs(t.fo, FO_PATHOBJ, 1, &hg, reinterpret_cast<PVOID*>(&gd)) != 1 || !gd || !gd->gdf.ppo)
            continue;  // a glyph the engine cannot give is left out
        PATHOBJ* ppo = gd->gdf.ppo;
        RECTFX b{};
        PATHOBJ_vGetBounds(ppo, &b);
        POINTL at = t.glyphs[i].ptl;
        if (fixed) {
            at = t.glyphs[0].ptl;
            at.x += static_cast<LONG>(i * s->ulCharInc);
        }
        const RECTL cell{at.x + (b.xLeft >> 4), at.y + (b.yTop >> 4), at.x + ((b.xRight + 15) >> 4),
                         at.y + ((b.yBottom + 15) >> 4)};
        BOOL closed = FALSE;
        const DWORD need = GlyphOutlineData(t.p, ppo, &closed, nullptr, 0, -b.xLeft, -b.yTop);
        if (need == 0) continue;
        Work<BYTE> data(need);
        if (!data.p) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        const DWORD got = GlyphOutlineData(t.p, ppo, &closed, data.p, need, -b.xLeft, -b.yTop);
        if (got == 0) continue;
        if (!GlyphOutlineRecordWrite(&t.p->out, cell, cell.left, cell.top, charOf(t, i), data.p, got)) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Glyph images.

// The glyph's image from the string or the engine; null when there is none.
const GLYPHBITS* bitsOf(TextCall& t, ULONG i) {
    const GLYPHPOS& gp = t.glyphs[i];
    if (gp.pgdf && gp.pgdf->pgb) return gp.pgdf->pgb;
    HGLYPH hg = gp.hg;
    GLYPHDATA* gd = nullptr;
    if (FONTOBJ_cGetGlyphs(t.fo, FO_GLYPHBITS, 1, &hg, reinterpret_cast<PVOID*>(&gd)) != 1 || !gd) return nullptr;
    return gd->gdf.pgb;
}

// The image's bytes, run-length encoded when that is shorter.
struct GlyphImage {
    const BYTE* data = nullptr;
    DWORD bytes = 0;
    BYTE encoding = kGlyphRaw;
    DWORD width = 0, height = 0;
};

// Encodes `gb` using `work` (at least the raw size); false only for memory.
bool imageOf(const GLYPHBITS* gb, Work<BYTE>& work, DWORD workBytes, GlyphImage* out) {
    out->width = static_cast<DWORD>(gb->sizlBitmap.cx > 0 ? gb->sizlBitmap.cx : 0);
    out->height = static_cast<DWORD>(gb->sizlBitmap.cy > 0 ? gb->sizlBitmap.cy : 0);
    const uint64_t raw = uint64_t{(out->width + 7) / 8} * out->height;
    if (raw > 0x7FFFFFFF) return false;
    out->data = gb->aj;
    out->bytes = static_cast<DWORD>(raw);
    out->encoding = kGlyphRaw;
    if (raw == 0 || !work.p || workBytes < raw) return true;
    const DWORD rle = GlyphRleEncode(gb->aj, static_cast<DWORD>(raw), work.p, static_cast<DWORD>(raw));
    if (rle) {
        out->data = work.p;
        out->bytes = rle;
        out->encoding = kGlyphRle;
    }
    return true;
}

// The largest raw image of the string.
DWORD largestImage(TextCall& t) {
    uint64_t most = 0;
    for (ULONG i = 0; i < t.count; ++i)
        if (const GLYPHBITS* gb = bitsOf(t, i)) {
            const uint64_t n = uint64_t{(static_cast<DWORD>(gb->sizlBitmap.cx) + 7) / 8} *
                               static_cast<DWORD>(gb->sizlBitmap.cy);
            if (n > most) most = n;
        }
    return static_cast<DWORD>(most > 0x7FFFFFFF ? 0x7FFFFFFF : most);
}

// One GlyphBitmapRecord per glyph: through the device's cache (0x53, a
// glyph the device holds goes without data) or with every image (0x57).
bool bitmapText(TextCall& t, bool useCache) {
    const BYTE flags = t.glyphIndex ? kGlyphIndexText : kGlyphCharText;
    const DWORD workBytes = largestImage(t);
    Work<BYTE> work(workBytes);
    if (!work.p) {
        // Tried again once the cache has given its memory back.
        GlyphCacheReset(t.p);
        Work<BYTE> again(workBytes);
        if (!again.p) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return false;
        }
        std::swap(work.p, again.p);
    }
    for (ULONG i = 0; i < t.count; ++i) {
        const GLYPHBITS* gb = bitsOf(t, i);
        if (!gb) continue;
        const WCHAR ch = charOf(t, i);
        const POINTL& at = t.glyphs[i].ptl;
        const LONG left = at.x + gb->ptlOrigin.x, top = at.y + gb->ptlOrigin.y;
        const RECTL cell{left, top, left + gb->sizlBitmap.cx, top + gb->sizlBitmap.cy};
        if (useCache && GlyphCacheFind(t.p, t.font.fontId, ch, t.font.textMode)) {
            if (!GlyphBitmapRecordWrite(&t.p->out, true, cell, flags | kGlyphInDeviceCache, ch, at.x, at.y, left,
                                        top, static_cast<DWORD>(gb->sizlBitmap.cx),
                                        static_cast<DWORD>(gb->sizlBitmap.cy), nullptr, 0, kGlyphRaw))
                return false;
            continue;
        }
        GlyphImage img;
        imageOf(gb, work, workBytes, &img);
        if (!GlyphBitmapRecordWrite(&t.p->out, useCache, cell, flags, ch, at.x, at.y, left, top, img.width,
                                    img.height, img.data, img.bytes, img.encoding))
            return false;
        if (useCache && !GlyphCacheAdd(t.p, t.font.fontId, ch, t.font.textMode)) GlyphCacheReset(t.p);
    }
    return true;
}

// The glyphs the device lacks as GlyphDefineRecords, then the string as
// GlyphRunRecords. When a glyph cannot be added to the cache, the cache is
// reset and the string goes glyph by glyph without it.
bool runText(TextCall& t) {
    const BYTE flags = t.glyphIndex ? kGlyphIndexText : kGlyphCharText;
    const DWORD workBytes = largestImage(t);
    Work<BYTE> work(workBytes);
    Work<GlyphRunEntry> entries(t.count);
    if (!work.p || !entries.p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return false;
    }
    for (ULONG i = 0; i < t.count; ++i) {
        const GLYPHBITS* gb = bitsOf(t, i);
        const WCHAR ch = charOf(t, i);
        if (!gb || GlyphCacheFind(t.p, t.font.fontId, ch, t.font.textMode)) continue;
        GlyphImage img;
        imageOf(gb, work, workBytes, &img);
        if (!GlyphDefineRecordWrite(&t.p->out, flags, ch, img.width, img.height, img.data, img.bytes, img.encoding))
            return false;
        if (!GlyphCacheAdd(t.p, t.font.fontId, ch, t.font.textMode)) {
            GlyphCacheReset(t.p);
            return bitmapText(t, false);
        }
    }
    // Steps between the images' top-left corners; a glyph without an image
    // is a zero entry.
    POINTL prev{0, 0};
    bool havePrev = false;
    ULONG start = 0;
    POINTL first{0, 0};
    auto flush = [&](ULONG end) {
        if (end == start) return true;
        return GlyphRunRecordWrite(&t.p->out, t.str->rclBkGround, flags, first.x, first.y, entries.p + start,
                                   static_cast<WORD>(end - start)) != nullptr;
    };
    for (ULONG i = 0; i < t.count; ++i) {
        if (i - start == kRunLimit) {
            if (!flush(i)) return false;
            start = i;
            havePrev = false;
        }
        const GLYPHBITS* gb = bitsOf(t, i);
        if (!gb) {
            entries.p[i] = GlyphRunEntry{0, 0, 0};
            continue;
        }
        const POINTL o{t.glyphs[i].ptl.x + gb->ptlOrigin.x, t.glyphs[i].ptl.y + gb->ptlOrigin.y};
        if (!havePrev) {
            first = o;
            prev = o;
            havePrev = true;
        }
        entries.p[i] = GlyphRunEntry{static_cast<SHORT>(o.x - prev.x), static_cast<SHORT>(o.y - prev.y), charOf(t, i)};
        prev = o;
    }
    return flush(t.count);
}

// ---------------------------------------------------------------------------
// The two ways.

bool eudcChars(const TextCall& t) {
    if (t.glyphIndex || !t.str->pwszOrg) return false;
    for (ULONG i = 0; i < t.count; ++i)
        if (t.str->pwszOrg[i] >= 0xE000 && t.str->pwszOrg[i] <= 0xF8FF) return true;
    return false;
}

bool deviceWay(TextCall& t) {
    describe(t, kFontResident);
    TextKindInputs in{};
    in.fsType = t.ifi->fsType;
    in.osMajor = t.p->os.dwMajorVersion;
    in.mirrored = t.mirrored;
    in.eudcHandling = t.p->frontFuncFlag != 0;
    in.glyphIndex = t.glyphIndex;
    in.family = t.family;
    in.face = t.face;
    in.familyCp = t.font.familyName;
    in.faceCp = t.font.faceName;
    t.font.kind = DeviceWayKind(in);
    bool always = false;
    if (in.eudcHandling && t.font.kind == kFontOutline &&
        (eudcChars(t) || isEudcName(t.family) || isEudcName(t.face))) {
        EudcRename(t.font.familyName, t.family, t.familyLen, t.font.fontId);
        EudcRename(t.font.faceName, t.face, t.faceLen, t.font.fontId);
        always = true;
    }
    if (!sendFont(t, always)) return false;
    return t.font.kind == kFontResident ? residentText(t) : outlineText(t);
}

bool graphicsWay(TextCall& t) {
    describe(t, kFontBitmap);
    if (IsResidentFaceName(t.p, t.family) || IsResidentFaceName(t.p, t.face)) t.font.kind = kFontResident;
    if (!sendFont(t, false)) return false;
    if (t.font.kind == kFontResident) return residentText(t);
    const bool eudc = isEudcName(t.family) || isEudcName(t.face);
    if (eudc || t.mirrored) return bitmapText(t, false);
    if (t.font.escapement != 0 || t.font.vertical) return bitmapText(t, true);
    return runText(t);
}

// The colours of a brush for text: a pattern paints its own colours on an
// opaque background, a solid colour goes on white with a transparent one.
bool textColors(Pdev* p, SURFOBJ* pso, BRUSHOBJ* pbo, POINTL* org, MIX mix, bool send) {
    RealizedBrush* b = BrushSelect(p, pso, pbo, org);
    if (send && (!b || !SetBrushCached(&p->out, &p->draw, b))) return false;
    ColorDesc d{};
    ColorDescFromMix(mix, &d, 0);
    if (pbo->iSolidColor == 0xFFFFFFFF) {
        d.bkMode = kBkOpaque;
        d.foreground = b ? b->foreground : 0xFFFFFF;
        d.background = b ? b->background : 0xFFFFFF;
    } else {
        d.bkMode = kBkTransparent;
        d.foreground = pbo->iSolidColor;
        d.background = 0xFFFFFF;
    }
    d.kind = kColorText;
    d.hostIcm = pbo->flColorType & BR_HOST_ICM;
    ColorDescSwap(&d);
    return SetColorCached(&p->out, &p->draw, d) && SetBkModeCached(&p->out, &p->draw, static_cast<BYTE>(d.bkMode)) &&
           SetRopCached(&p->out, &p->draw, Rop2ToRop3(mix & 0xFF));
}

bool rectEmpty(const RECTL& r) { return r.left >= r.right || r.top >= r.bottom; }

}  // namespace

// ---------------------------------------------------------------------------

BYTE DeviceWayKind(const TextKindInputs& in) {
    BYTE kind = kFontResident;
    if ((in.fsType & FM_READONLY_EMBED) || (in.osMajor < 6 && (in.fsType & FM_EDITABLE_EMBED))) kind = kFontOutline;
    if (in.mirrored) kind = kFontOutline;
    if (isEudcName(in.family) || isEudcName(in.face)) kind = in.eudcHandling ? kFontOutline : kFontResident;
    auto dfg = [](const char* s) { return s && strnlen(s, 6) == 6 && std::memcmp(s, kFullWidthDfg, 6) == 0; };
    if (dfg(in.familyCp) || dfg(in.faceCp)) kind = kFontOutline;
    if (in.eudcHandling && (wideContains(in.family, u"外字") || wideContains(in.face, u"外字"))) kind = kFontOutline;
    if (wideContains(in.family, u".tmp") || wideContains(in.family, u".TMP")) kind = kFontOutline;
    if (in.glyphIndex) kind = kFontOutline;
    return kind;
}

void EudcRename(char* name, const WCHAR* wide, size_t count, DWORD fontId) {
    char suffix[12];
    const int n = std::snprintf(suffix, sizeof suffix, "_%x", static_cast<unsigned>(fontId));
    const size_t room = kFontNameBytes - 1 - static_cast<size_t>(n);
    size_t len = std::strlen(name);
    if (len > room) len = UnicodeToPrinterCp(reinterpret_cast<BYTE*>(name), room, wide, count);  // cut on a character boundary
    std::memcpy(name + len, suffix, static_cast<size_t>(n) + 1);
}

bool IsResidentFaceName(Pdev* p, const WCHAR* name) {
    if (!p->deviceFonts || !name) return false;
    for (ULONG i = 0; i < p->deviceFonts->count; ++i) {
        const WCHAR* face = MetricsFaceName(p->deviceFonts->faces[i].metrics);
        if (face && wideEquals(name, std::u16string_view(face, wideLength(face, kMaxNameChars + 1)))) return true;
    }
    return false;
}

}  // namespace vesk

using namespace vesk;

extern "C" {

BOOL APIENTRY DrvTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                         RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix) {
    Pdev* p = PdevFromSurface(pso);
    IFIMETRICS* ifi = pfo ? FONTOBJ_pifi(pfo) : nullptr;
    if (!p || !pstro || !ifi) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    BOOL r = FALSE;
    if (!DrawBegin(pso, &r)) return r;
    if (p->banding) {
        POINTL zero{0, 0};
        return EngTextOut(pso, pstro, pfo, pco, prclExtra, prclOpaque, pboFore, pboOpaque, pptlOrg ? pptlOrg : &zero,
                          mix);
    }
    // Every glyph position of the string, taken before anything is sent.
    Work<GLYPHPOS> glyphs(pstro->cGlyphs);
    if (!glyphs.p) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    if (ClipSelect(p, pco) < 0) return FALSE;
    if (pboOpaque && prclOpaque && !rectEmpty(*prclOpaque)) {
        if (!textColors(p, pso, pboOpaque, pptlOrg, mix, true) ||
            !RectRecordWrite(&p->out, *prclOpaque, nullptr, kRectFill))
            return FALSE;
    }
    if (!pboFore || !textColors(p, pso, pboFore, pptlOrg, mix, true)) return FALSE;

    TextCall t{};
    t.p = p;
    t.pso = pso;
    t.str = pstro;
    t.fo = pfo;
    t.ifi = ifi;
    t.pxo = FONTOBJ_pxoGetXform(pfo);
    t.family = MetricsFamilyName(ifi);
    t.face = MetricsFaceName(ifi);
    t.familyLen = wideLength(t.family, kMaxNameChars);
    t.faceLen = wideLength(t.face, kMaxNameChars);
    t.mirrored = mirroredXform(t.pxo);
    t.glyphIndex = (pstro->flAccel & SO_GLYPHINDEX_TEXTOUT) != 0;
    STROBJ_vEnumStart(pstro);
    ULONG n = 0;
    for (bool more = true; more && n < pstro->cGlyphs;) {
        ULONG c = 0;
        GLYPHPOS* gp = nullptr;
        more = STROBJ_bEnum(pstro, &c, &gp) != FALSE;
        for (ULONG i = 0; gp && i < c && n < pstro->cGlyphs; ++i) glyphs.p[n++] = gp[i];
    }
    t.glyphs = glyphs.p;
    t.count = n;
    if (n > 0) {
        const bool device = !p->textAsBitmap || p->printMethod == 5 || p->apiUse;
        if (!(device ? deviceWay(t) : graphicsWay(t))) return FALSE;
    }
    if (prclExtra)
        for (const RECTL* e = prclExtra; !rectEmpty(*e); ++e)
            if (!RectRecordWrite(&p->out, *e, nullptr, kRectFill)) return FALSE;
    return TRUE;
}

}  // extern "C"
