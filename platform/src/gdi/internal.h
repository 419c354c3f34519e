// Internal objects of the stand-in graphics engine. Every public engine
// record (SURFOBJ, BRUSHOBJ, ...) is the first member of an engine object, so
// the engine finds its own object from the pointer a driver hands back after
// checking it against the registry of live objects.
#pragma once
#include <win/gdi.h>
#include <winsim/engine.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#pragma GCC visibility push(default)
namespace winsim::gdi {

// Colours inside the engine are 0x00RRGGBB.
using Rgb = uint32_t;
inline Rgb rgb(unsigned r, unsigned g, unsigned b) { return ((r & 0xFF) << 16) | ((g & 0xFF) << 8) | (b & 0xFF); }
inline unsigned red(Rgb c) { return (c >> 16) & 0xFF; }
inline unsigned green(Rgb c) { return (c >> 8) & 0xFF; }
inline unsigned blue(Rgb c) { return c & 0xFF; }

// Bits per pixel of a BMF_* format; 0 for a format the engine cannot draw on.
unsigned formatBits(ULONG format);
// Row size in bytes the engine gives a bitmap of the format: a 4-byte multiple.
size_t strideFor(ULONG format, LONG width);

// ---------------------------------------------------------------------------
// Palettes: how pixel values of a surface stand for colours.
struct Palette {
    ULONG mode = PAL_BGR;           // PAL_INDEXED, PAL_BITFIELDS, PAL_RGB, PAL_BGR
    std::vector<Rgb> entries;       // PAL_INDEXED
    ULONG masks[3] = {0, 0, 0};     // PAL_BITFIELDS: red, green, blue

    Rgb toRgb(ULONG value) const;
    ULONG fromRgb(Rgb c) const;     // nearest entry for indexed palettes
};
// The palette a bitmap without a device palette uses: a grey ramp for
// 1/4/8 bits (black and white for 1 bit), 5-5-5 for 16 bits, BGR above.
std::shared_ptr<const Palette> defaultPalette(ULONG format);
std::shared_ptr<const Palette> paletteFromHandle(HPALETTE h);

// ---------------------------------------------------------------------------
// Surfaces.
struct Device;
struct Surface {
    SURFOBJ so{};
    std::vector<uint8_t> bits;          // engine-owned bits (when the caller gave none)
    std::shared_ptr<const Palette> palette;  // set by EngAssociateSurface
    FLONG hooks = 0;
    bool banding = false;
    bool associated = false;
    int locks = 0;
    bool deleted = false;
};
// Looks up a live surface by handle or by its SURFOBJ (null when unknown).
std::shared_ptr<Surface> surfaceFromHandle(HSURF h);
Surface* surfaceFromObj(const SURFOBJ* so);
// Live engine objects (for leak checks): surfaces by handle or still locked, palettes.
size_t liveSurfaceCount();
size_t livePaletteCount();
// The palette a surface's pixel values use.
std::shared_ptr<const Palette> surfacePalette(const SURFOBJ* so);
bool isBitmap(const SURFOBJ* so);  // an engine-managed bitmap with bits

// Engine devices: EngAssociateSurface finds a device's PDEV and palette from
// its HDEV. The job API registers its devices here.
struct DeviceLink {
    DHPDEV dhpdev = nullptr;
    std::shared_ptr<const Palette> palette;
    double styleUnit = 1;  // pixels per style unit of cosmetic lines (GDIINFO)
    std::function<BOOL(BRUSHOBJ*, SURFOBJ*, SURFOBJ*, SURFOBJ*, XLATEOBJ*, ULONG)> realizeBrush;
};
HDEV registerDevice(DeviceLink link);
void updateDevice(HDEV h, const DeviceLink& link);
void unregisterDevice(HDEV h);
bool deviceLink(HDEV h, DeviceLink* out);

// Pixel access on bitmaps.
inline uint8_t* rowPtr(const SURFOBJ* so, LONG y) {
    return static_cast<uint8_t*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
}
ULONG getPixel(const SURFOBJ* so, LONG x, LONG y);
void putPixel(SURFOBJ* so, LONG x, LONG y, ULONG v);

// ---------------------------------------------------------------------------
// Colour translation.
struct Xlate {
    XLATEOBJ xo{};
    std::vector<ULONG> table;
    std::shared_ptr<const Palette> src, dst;
    ~Xlate();
};
// Builds a translation from a source palette to a destination palette.
std::unique_ptr<Xlate> makeXlate(std::shared_ptr<const Palette> src, ULONG srcFormat,
                                 std::shared_ptr<const Palette> dst, ULONG dstFormat);
Xlate* xlateFromObj(const XLATEOBJ* xo);

// Maps source pixel values to destination pixel values for one operation:
// through the caller's XLATEOBJ when given, else through the two surfaces'
// palettes.
class Translator {
public:
    Translator(const SURFOBJ* src, const SURFOBJ* dst, XLATEOBJ* xo);
    ULONG operator()(ULONG v) const;

private:
    bool identity_ = false;
    std::vector<ULONG> lut_;            // indexed sources
    const XLATEOBJ* xo_ = nullptr;      // a foreign translation read by its public fields
    std::shared_ptr<const Palette> src_, dst_;
    mutable ULONG lastIn_ = 0xFFFFFFFF, lastOut_ = 0;
};

// ---------------------------------------------------------------------------
// Regions: sets of pixels kept as y-bands of sorted, disjoint x-spans.
struct Region {
    struct Band {
        LONG top, bottom;
        std::vector<std::pair<LONG, LONG>> spans;  // [left, right)
    };
    std::vector<Band> bands;

    static Region fromRect(const RECTL& r);
    static Region fromRects(const std::vector<RECTL>& rects);
    // Rows of a coverage mask placed at (x0, y0).
    static Region fromMask(LONG x0, LONG y0, LONG w, LONG h, const std::vector<uint8_t>& mask);
    Region intersect(const Region& o) const;
    Region intersect(const RECTL& r) const;
    Region translated(LONG dx, LONG dy) const;
    bool empty() const { return bands.empty(); }
    RECTL bounds() const;
    std::vector<RECTL> rects() const;  // top to bottom, left to right
    bool contains(LONG x, LONG y) const;
    bool operator==(const Region& o) const;
};

// ---------------------------------------------------------------------------
// Paths in 28.4 device units.
struct Segment {
    bool bezier = false;
    POINTFIX p[3]{};  // a line uses p[0]; a Bézier: two controls and the end
};
struct SubPath {
    POINTFIX start{};
    std::vector<Segment> segs;
    bool closed = false;
};
struct PathGeom {
    std::vector<SubPath> subs;
    bool hasBeziers() const;
    ULONG curveCount() const;
    RECTFX bounds() const;
    PathGeom translated(FIX dx, FIX dy) const;
};
struct Path {
    PATHOBJ po{};
    PathGeom geom;
    size_t runLimit = 0;  // most points a run holds (0 = whole segments of one kind)
    struct Run {
        FLONG flags;
        std::vector<POINTFIX> pts;
    };
    std::vector<Run> runs;
    size_t next = 0;
    bool enumerated = false;
    bool engineOwned = false;  // freed by EngDeletePath (from CLIPOBJ_ppoGetPath)
};
Path* newPath(PathGeom geom, size_t runLimit = 0);  // registered; free with deletePath
void deletePath(Path* p);
Path* pathFromObj(const PATHOBJ* po);
// Rebuilds a path from a foreign PATHOBJ by enumerating it.
PathGeom geometryOf(PATHOBJ* po);

// Polygons in pixel units (doubles), as flattened from a path.
struct Pt {
    double x, y;
};
using Polygon = std::vector<Pt>;
std::vector<Polygon> flatten(const PathGeom& g, bool closeAll);

// Where a paint can go straight to the surface: a solid brush whose mix
// neither reads the old pixels nor depends on how often a pixel is covered,
// so covered spans are painted as they are found, within the clip.
struct SpanPainter {
    SURFOBJ* so = nullptr;
    const Region* clip = nullptr;
    ULONG value = 0;
};
// Paints [x0, x1) of row y where the clip lets it.
void paintSpan(const SpanPainter& p, LONG y, LONG x0, LONG x1);

// Coverage masks: one byte a pixel over a box of the surface; with a span
// painter, no mask: what is covered is painted at once.
struct Coverage {
    LONG x0 = 0, y0 = 0, w = 0, h = 0;
    std::vector<uint8_t> m;
    const SpanPainter* direct = nullptr;
    void init(const RECTL& box);
    void set(LONG x, LONG y) {
        if (x >= x0 && y >= y0 && x < x0 + w && y < y0 + h) {
            if (direct)
                paintSpan(*direct, y, x, x + 1);
            else
                m[static_cast<size_t>(y - y0) * w + (x - x0)] = 1;
        }
    }
    // Covers [from, to) of row y, both inside the box.
    void fill(LONG y, LONG from, LONG to) {
        if (direct)
            paintSpan(*direct, y, from, to);
        else
            std::memset(m.data() + static_cast<size_t>(y - y0) * w + (from - x0), 1, static_cast<size_t>(to - from));
    }
    bool get(LONG x, LONG y) const {
        return !direct && x >= x0 && y >= y0 && x < x0 + w && y < y0 + h && m[static_cast<size_t>(y - y0) * w + (x - x0)];
    }
};
// Scan-converts polygons into the mask (pixel centres inside; winding or
// alternate rule).
void fillPolygons(Coverage& cov, const std::vector<Polygon>& polys, bool winding);
void fillPolygons(Coverage& cov, const Polygon* polys, size_t count, bool winding);
// Lines of a stroked path: cosmetic (one pixel) or geometric (wide, with caps
// and joins), dashed by the style array.
struct StrokeStyle {
    bool geometric = false;
    double width = 1;       // pixels (geometric)
    ULONG join = JOIN_ROUND, cap = ENDCAP_ROUND;
    double miterLimit = 10;
    std::vector<double> dashes;  // pixels: dash, gap, dash, ...
    double dashOffset = 0;
};
void strokePolylines(Coverage& cov, const std::vector<Polygon>& lines, const std::vector<bool>& closed,
                     const StrokeStyle& st);
StrokeStyle strokeStyleFor(const LINEATTRS* la, XFORMOBJ* pxo, const SURFOBJ* so);

// ---------------------------------------------------------------------------
// Clip objects.
struct Clip {
    CLIPOBJ co{};
    Region region;
    bool trivial = true;
    PathGeom path;         // the path a complex clip was made from, when it has one
    bool hasPath = false;
    std::vector<RECTL> enumRects;
    size_t enumNext = 0;
    ~Clip();
};
// Builds a clip object for a region (trivial when `trivial`); iUniq as given.
std::unique_ptr<Clip> makeClip(const Region* region, ULONG uniq);
Clip* clipFromObj(const CLIPOBJ* co);
// The pixels a drawing call may touch: the clip object's region (or the whole
// surface for a trivial one) within the surface.
Region effectiveClip(const SURFOBJ* so, const CLIPOBJ* co);

// ---------------------------------------------------------------------------
// Brushes.
struct Brush {
    BRUSHOBJ bo{};
    enum Kind { Solid, Hatch, Pattern } kind = Solid;
    Rgb fg = 0, bg = 0xFFFFFF;
    ULONG hatch = 0;
    // Pattern brushes: the pattern as an engine bitmap and its palette.
    HBITMAP patternBitmap = nullptr;
    std::shared_ptr<const Palette> patternPalette;
    // The device that realises the brush, and its target.
    HDEV hdev = nullptr;
    SURFOBJ* target = nullptr;
    std::vector<std::unique_ptr<uint8_t[]>> realizations;
    bool realizeTried = false;
    // Engine-side pattern in a destination format.
    ULONG cacheFormat = 0;
    const Palette* cachePalette = nullptr;
    LONG pw = 0, ph = 0;
    std::vector<ULONG> values;
    std::vector<uint8_t> isFore;
    ~Brush();
};
Brush* brushFromObj(const BRUSHOBJ* bo);
std::unique_ptr<Brush> makeSolidBrush(Rgb color, const SURFOBJ* target, HDEV hdev);
std::unique_ptr<Brush> makeHatchBrush(ULONG hatch, Rgb fg, Rgb bg, const SURFOBJ* target, HDEV hdev);
// `pattern` is an engine bitmap the brush takes over; `pal` its palette.
std::unique_ptr<Brush> makePatternBrush(HBITMAP pattern, std::shared_ptr<const Palette> pal,
                                        const SURFOBJ* target, HDEV hdev);

// A brush as pixel values of one destination surface.
struct BrushPixels {
    bool ok = false;
    bool solid = true;
    ULONG color = 0;
    LONG w = 0, h = 0;
    const ULONG* values = nullptr;
    const uint8_t* fore = nullptr;
    POINTL origin{};
    ULONG at(LONG x, LONG y, bool* isFore) const;
};
BrushPixels brushPixels(BRUSHOBJ* bo, const SURFOBJ* dst, const POINTL* origin);

// ---------------------------------------------------------------------------
// Raster operations.
ULONG rop3Apply(BYTE rop3, ULONG p, ULONG s, ULONG d);
BYTE mixToRop3(ULONG mix2);
inline bool ropUsesSource(BYTE rop3) { return ((rop3 >> 2) & 0x33) != (rop3 & 0x33); }
inline bool ropUsesPattern(BYTE rop3) { return ((rop3 >> 4) & 0x0F) != (rop3 & 0x0F); }
// Paints the covered pixels of a mask with a brush and mix (foreground mix
// in the low byte, background mix for the background pixels of one-bit
// patterns in the next byte), within the clip.
BOOL paintCoverage(SURFOBJ* so, const Coverage& cov, const Region& clip, BRUSHOBJ* bo,
                   const POINTL* brushOrg, MIX mix);
// The span painter of a brush and mix within a clip; false when the paint
// needs a mask (a pattern, or a mix that reads the old pixels).
bool solidSpanPainter(SURFOBJ* so, const Region& clip, BRUSHOBJ* bo, const POINTL* brushOrg, MIX mix,
                      SpanPainter* out);
BOOL fillRectWithBrush(SURFOBJ* so, const RECTL& r, const Region& clip, BRUSHOBJ* bo,
                       const POINTL* brushOrg, MIX mix);

// ---------------------------------------------------------------------------
// Transforms: row vectors, x' = x*M11 + y*M21 + Dx.
struct Xform {
    XFORMOBJ xo{};
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    ULONG complexity() const;
};
Xform* newXform(double m11, double m12, double m21, double m22, double dx, double dy);
Xform* xformFromObj(const XFORMOBJ* xo);
void deleteXform(Xform* x);

// ---------------------------------------------------------------------------
// Text.
struct Font {
    FONTOBJ fo{};
    std::shared_ptr<const engine::FontFace> face;  // engine font; null for a device font
    engine::FontSpec spec;
    std::vector<uint8_t> ifi;               // IFIMETRICS block (engine fonts)
    IFIMETRICS* deviceIfi = nullptr;        // the driver's metrics (device fonts)
    Xform* xform = nullptr;                 // notional to device
    std::map<HGLYPH, std::vector<uint8_t>> bitsCache;  // GLYPHBITS blocks
    std::map<HGLYPH, Path*> pathCache;
    std::map<uint64_t, GLYPHDATA> dataCache;  // (handle << 1) | path mode
    std::vector<const engine::GlyphOutline*> byIndex;  // glyph handle -> outline (0: box)
    std::map<char16_t, HGLYPH> byChar;
    ~Font();
    IFIMETRICS* metrics() const {
        return deviceIfi ? deviceIfi : ifi.empty() ? nullptr : reinterpret_cast<IFIMETRICS*>(const_cast<uint8_t*>(ifi.data()));
    }
};
// Realises an engine font at a height and angle (iUniq given by the caller).
std::unique_ptr<Font> makeEngineFont(std::shared_ptr<const engine::FontFace> face, const engine::FontSpec& spec,
                                     LONG dpi, ULONG uniq);
// A device font the driver described (its IFIMETRICS stays the driver's).
std::unique_ptr<Font> makeDeviceFont(IFIMETRICS* ifi, ULONG iFace, const engine::FontSpec& spec, LONG dpi,
                                     ULONG uniq);
Font* fontFromObj(const FONTOBJ* fo);
// Engine fonts: the glyph handle of a character, and a glyph's advance in
// font units.
HGLYPH engineGlyph(const Font& f, char16_t c);
int32_t engineAdvance(const Font& f, HGLYPH hg);
// Glyph data of an engine font glyph (bits or path); null when it has none.
GLYPHDATA* engineGlyphData(Font& f, HGLYPH hg, ULONG mode);

struct Str {
    STROBJ so{};
    std::vector<GLYPHPOS> pos;
    std::vector<GLYPHDEF> defs;
    std::u16string text;
    ULONG batch = 0;  // glyphs per STROBJ_bEnum batch (0 = all)
    size_t next = 0;
    Font* font = nullptr;
    Str();
    ~Str();
    Str(const Str&) = delete;
    Str& operator=(const Str&) = delete;
};
Str* strFromObj(const STROBJ* so);

// Registry of live engine objects of one kind, keyed by their public record.
template <class T>
struct Registry {
    std::mutex lock;
    std::map<const void*, T*> live;
    void add(T* t, const void* key) {
        std::lock_guard g(lock);
        live[key] = t;
    }
    void remove(const void* key) {
        std::lock_guard g(lock);
        live.erase(key);
    }
    T* find(const void* key) {
        std::lock_guard g(lock);
        auto it = live.find(key);
        return it == live.end() ? nullptr : it->second;
    }
};

// Journal and fault hook of the engine calls ("EngCreateBitmap" ...).
bool engEnter(const char* fn, const std::string& detail = {});

}  // namespace winsim::gdi
#pragma GCC visibility pop
