// The engine's side of a job: the driver's device and surface, documents,
// pages, banding, and drawing operations played into the driver's hooked
// functions with the engine's own rendering when the driver punts.
#include <winsim/engine.h>

#include "internal.h"

#include "core/sim.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <sstream>

namespace winsim::engine {

using namespace winsim::gdi;

// ---------------------------------------------------------------------------
// Geometry builders.

Path& Path::moveTo(LONG x, LONG y) {
    Figure f;
    f.start = {x * 16, y * 16};
    figures.push_back(std::move(f));
    return *this;
}

Path& Path::lineTo(LONG x, LONG y) {
    if (figures.empty()) return moveTo(x, y);
    Segment s;
    s.p[0] = {x * 16, y * 16};
    figures.back().segs.push_back(s);
    return *this;
}

Path& Path::bezierTo(LONG x1, LONG y1, LONG x2, LONG y2, LONG x3, LONG y3) {
    if (figures.empty()) moveTo(x1, y1);
    Segment s;
    s.bezier = true;
    s.p[0] = {x1 * 16, y1 * 16};
    s.p[1] = {x2 * 16, y2 * 16};
    s.p[2] = {x3 * 16, y3 * 16};
    figures.back().segs.push_back(s);
    return *this;
}

Path& Path::close() {
    if (!figures.empty()) figures.back().closed = true;
    return *this;
}

Path Path::rect(LONG left, LONG top, LONG right, LONG bottom) {
    Path p;
    p.moveTo(left, top).lineTo(right, top).lineTo(right, bottom).lineTo(left, bottom).close();
    return p;
}

bool Image::valid() const {
    if (width <= 0 || height <= 0 || width > 0x100000 || height > 0x100000) return false;
    switch (bitsPerPixel) {
        case 1:
        case 4:
        case 8:
            if (palette.empty() || palette.size() > (size_t{1} << bitsPerPixel)) return false;
            break;
        case 16:
        case 24:
        case 32: break;
        default: return false;
    }
    return bits.size() / stride() >= static_cast<size_t>(height);
}

bool loadDriver(PFN_DrvEnableDriver enable, DriverTable& out, std::string* error, ULONG engineVersion) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    out = DriverTable{};
    if (!enable) return fail("no DrvEnableDriver");
    DRVENABLEDATA ded{};
    if (!enable(engineVersion, sizeof ded, &ded)) return fail("DrvEnableDriver answered FALSE");
    if (ded.c == 0 || !ded.pdrvfn) return fail("DrvEnableDriver gave no functions");
    if (ded.c > 1024) return fail("DrvEnableDriver gave an implausible function count");
    out.driverVersion = ded.iDriverVersion;
    for (ULONG i = 0; i < ded.c; ++i) {
        ULONG idx = ded.pdrvfn[i].iFunc;
        if (idx <= INDEX_LAST) out.fn[idx] = ded.pdrvfn[i].pfn;
    }
    for (ULONG need : {INDEX_DrvEnablePDEV, INDEX_DrvCompletePDEV, INDEX_DrvDisablePDEV, INDEX_DrvEnableSurface,
                       INDEX_DrvDisableSurface})
        if (!out.has(need)) return fail("the driver lacks function " + std::to_string(need));
    return true;
}

// ---------------------------------------------------------------------------
// The session.

namespace {

struct DeviceFont {
    ULONG iFace = 0;
    IFIMETRICS* ifi = nullptr;
    std::u16string name;
    bool mapLoaded = false;
    std::map<char16_t, HGLYPH> map;
};

// One PDEV of the driver with its surface.
struct Device {
    HDEV hdev = nullptr;
    DHPDEV dhpdev = nullptr;
    HSURF hsurf = nullptr;
    SURFOBJ* pso = nullptr;
    GDIINFO gdi{};
    DEVINFO dev{};
    std::shared_ptr<const Palette> palette;
    FLONG hooks = 0;
    bool banding = false;
    HSURF patterns[HS_DDI_MAX] = {};
    std::vector<uint8_t> devmode;
    std::u16string deviceName;
    bool fontsLoaded = false;
    std::vector<DeviceFont> fonts;
    std::map<std::string, std::unique_ptr<Font>> fontCache;
};

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

// An engine bitmap made from an image for one call.
struct SourceBitmap {
    std::vector<uint8_t> bits;
    HBITMAP h = nullptr;
    SURFOBJ* so = nullptr;
    std::shared_ptr<const Palette> palette;
    SourceBitmap() = default;
    SourceBitmap(const SourceBitmap&) = delete;
    SourceBitmap& operator=(const SourceBitmap&) = delete;
    ~SourceBitmap() {
        if (so) EngUnlockSurface(so);
        if (h) EngDeleteSurface(reinterpret_cast<HSURF>(h));
    }
    bool make(const Image& img) {
        if (!img.valid()) return false;
        ULONG fmt = img.bitsPerPixel == 1    ? BMF_1BPP
                    : img.bitsPerPixel == 4  ? BMF_4BPP
                    : img.bitsPerPixel == 8  ? BMF_8BPP
                    : img.bitsPerPixel == 16 ? BMF_16BPP
                    : img.bitsPerPixel == 24 ? BMF_24BPP
                                             : BMF_32BPP;
        bits.assign(img.bits.begin(), img.bits.begin() + static_cast<ptrdiff_t>(img.stride() * img.height));
        h = EngCreateBitmap(SIZEL{img.width, img.height}, static_cast<LONG>(img.stride()), fmt,
                            img.topDown ? BMF_TOPDOWN : 0, bits.data());
        if (!h) return false;
        so = EngLockSurface(reinterpret_cast<HSURF>(h));
        if (!so) return false;
        auto p = std::make_shared<Palette>();
        if (img.bitsPerPixel <= 8) {
            p->mode = PAL_INDEXED;
            p->entries = img.palette;
        } else if (img.masks[0] || img.masks[1] || img.masks[2]) {
            p->mode = PAL_BITFIELDS;
            std::copy(img.masks, img.masks + 3, p->masks);
        } else if (img.bitsPerPixel == 16) {
            p->mode = PAL_BITFIELDS;
            p->masks[0] = 0x7C00;
            p->masks[1] = 0x03E0;
            p->masks[2] = 0x001F;
        } else {
            p->mode = PAL_BGR;
        }
        palette = p;
        if (Surface* s = surfaceFromObj(so)) s->palette = palette;
        return true;
    }
};

// A temporary 24-bit bitmap the engine renders into.
struct TempBitmap {
    HBITMAP h = nullptr;
    SURFOBJ* so = nullptr;
    TempBitmap() = default;
    TempBitmap(const TempBitmap&) = delete;
    TempBitmap& operator=(const TempBitmap&) = delete;
    ~TempBitmap() {
        if (so) EngUnlockSurface(so);
        if (h) EngDeleteSurface(reinterpret_cast<HSURF>(h));
    }
    bool make(LONG w, LONG hgt, ULONG fmt = BMF_24BPP) {
        h = EngCreateBitmap(SIZEL{w, hgt}, 0, fmt, BMF_TOPDOWN, nullptr);
        if (!h) return false;
        so = EngLockSurface(reinterpret_cast<HSURF>(h));
        return so != nullptr;
    }
};

PathGeom toGeom(const engine::Path& p, LONG tx, LONG ty) {
    PathGeom g;
    for (const auto& f : p.figures) {
        SubPath s;
        s.start = {f.start.x - tx * 16, f.start.y - ty * 16};
        for (const auto& seg : f.segs) {
            gdi::Segment d;
            d.bezier = seg.bezier;
            for (int i = 0; i < 3; ++i) d.p[i] = {seg.p[i].x - tx * 16, seg.p[i].y - ty * 16};
            s.segs.push_back(d);
        }
        s.closed = f.closed;
        g.subs.push_back(std::move(s));
    }
    return g;
}

RECTL shifted(const RECTL& r, LONG tx, LONG ty) { return RECTL{r.left - tx, r.top - ty, r.right - tx, r.bottom - ty}; }

RECTL orderedRect(const RECTL& r) {
    return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                 std::max(r.top, r.bottom)};
}

bool intersectRect(RECTL& r, const RECTL& by) {
    r.left = std::max(r.left, by.left);
    r.top = std::max(r.top, by.top);
    r.right = std::min(r.right, by.right);
    r.bottom = std::min(r.bottom, by.bottom);
    return r.left < r.right && r.top < r.bottom;
}

RECTL unionRect(const RECTL& a, const RECTL& b) {
    if (a.left >= a.right || a.top >= a.bottom) return b;
    if (b.left >= b.right || b.top >= b.bottom) return a;
    return RECTL{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                 std::max(a.bottom, b.bottom)};
}

// Everything a drawing call passes, built for one target surface.
struct CallObjects {
    std::unique_ptr<Clip> clip;
    std::unique_ptr<Brush> brush, pen, opaque;
    gdi::Path* path = nullptr;
    Xform* xform = nullptr;
    LINEATTRS la{};
    std::vector<FLOAT_LONG> style;
    SourceBitmap source, mask;
    std::unique_ptr<Xlate> xlate;
    std::unique_ptr<Str> str;
    std::vector<RECTL> extra;
    RECTL opaqueRect{};
    bool hasOpaque = false;
    CallObjects() = default;
    CallObjects(const CallObjects&) = delete;
    ~CallObjects() {
        deletePath(path);
        deleteXform(xform);
    }
};

}  // namespace

struct Session::Impl {
    DriverTable drv;
    SessionOptions opt;
    Device cur;
    std::vector<std::shared_ptr<const FontFace>> faces;
    bool docStarted = false;
    std::u16string docName;
    DWORD jobId = 0;
    bool inPage = false;
    std::vector<Operation> pageOps;
    size_t fallbacks = 0;
    size_t bands = 0;
    ULONG nextFontUniq = 1;
    // One-entry cache of clip identities: the same region keeps its iUniq.
    Region lastClip;
    bool lastClipValid = false;
    ULONG lastClipUniq = 0;
    ULONG nextClipUniq = 1;

    void log(const std::string& line) {
        if (opt.log) opt.log(line);
    }

    template <class F>
    F fn(ULONG i) const {
        return drv.get<F>(i);
    }

    bool enableDevice(const std::vector<uint8_t>& devmode, Device& d, std::string* error);
    bool enableSurface(Device& d, std::string* error);
    void disableSurface(Device& d);
    void disablePdev(Device& d);

    // Drawing.
    bool execute(const Operation& op, POINTL org, bool bandPass);
    bool regionOf(const ClipSpec& c, Region& out);
    std::unique_ptr<Clip> clipFor(const Operation& op, LONG tx, LONG ty, const SURFOBJ* target, bool* skip);
    std::unique_ptr<Brush> brushFor(const BrushSpec& b, const SURFOBJ* target);
    bool build(const Operation& op, LONG tx, LONG ty, SURFOBJ* target, CallObjects& o, bool* skip);
    BOOL engineRender(const Operation& op, SURFOBJ* target, CallObjects& o, LONG tx, LONG ty);
    BOOL driverCall(const Operation& op, CallObjects& o, LONG tx, LONG ty);
    bool hooked(const Operation& op) const;
    RECTL opBounds(const Operation& op, CallObjects& o) const;
    bool fallback(const Operation& op, POINTL org, const RECTL& bounds);
    Font* fontFor(const FontSpec& spec);
    void loadDeviceFonts();
    bool buildString(const Operation& op, Font* font, LONG tx, LONG ty, CallObjects& o);
};

bool Session::Impl::enableDevice(const std::vector<uint8_t>& devmode, Device& d, std::string* error) {
    d.devmode = devmode;
    d.deviceName = opt.printerName;
    d.hdev = registerDevice(DeviceLink{});
    auto enablePdev = fn<PFN_DrvEnablePDEV>(INDEX_DrvEnablePDEV);
    d.dhpdev = enablePdev(d.devmode.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(d.devmode.data()), nullptr,
                          HS_DDI_MAX, d.patterns, sizeof(GDIINFO), reinterpret_cast<ULONG*>(&d.gdi), sizeof(DEVINFO),
                          &d.dev, d.hdev, d.deviceName.empty() ? nullptr : d.deviceName.data(), opt.hPrinter);
    log(std::string("DrvEnablePDEV -> ") + (d.dhpdev ? "device" : "null"));
    if (!d.dhpdev) {
        unregisterDevice(d.hdev);
        d.hdev = nullptr;
        if (error) *error = "DrvEnablePDEV failed (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    d.palette = paletteFromHandle(d.dev.hpalDefault);
    if (!d.palette) d.palette = defaultPalette(d.gdi.cBitsPixel == 1 ? BMF_1BPP : BMF_24BPP);
    DeviceLink link;
    link.dhpdev = d.dhpdev;
    link.palette = d.palette;
    if (d.gdi.xStyleStep > 0 && d.gdi.denStyleStep > 0)
        link.styleUnit = static_cast<double>(d.gdi.denStyleStep) / d.gdi.xStyleStep;
    if (auto realize = fn<PFN_DrvRealizeBrush>(INDEX_DrvRealizeBrush)) {
        link.realizeBrush = [this, realize](BRUSHOBJ* pbo, SURFOBJ* t, SURFOBJ* p, SURFOBJ* m, XLATEOBJ* x,
                                            ULONG hatch) {
            BOOL r = realize(pbo, t, p, m, x, hatch);
            log("DrvRealizeBrush hatch " + std::to_string(hatch) + " -> " + std::to_string(r));
            return r;
        };
    }
    updateDevice(d.hdev, link);
    fn<PFN_DrvCompletePDEV>(INDEX_DrvCompletePDEV)(d.dhpdev, d.hdev);
    log("DrvCompletePDEV");
    return true;
}

bool Session::Impl::enableSurface(Device& d, std::string* error) {
    d.hsurf = fn<PFN_DrvEnableSurface>(INDEX_DrvEnableSurface)(d.dhpdev);
    log(std::string("DrvEnableSurface -> ") + (d.hsurf ? "surface" : "null"));
    auto s = d.hsurf ? surfaceFromHandle(d.hsurf) : nullptr;
    if (!s || !s->associated || s->so.hdev != d.hdev) {
        if (error) *error = d.hsurf ? "the driver's surface is not associated with its device" : "DrvEnableSurface failed";
        return false;
    }
    d.pso = EngLockSurface(d.hsurf);
    d.hooks = s->hooks;
    d.banding = s->banding && isBitmap(d.pso);
    return d.pso != nullptr;
}

void Session::Impl::disableSurface(Device& d) {
    if (!d.hsurf) return;
    fn<PFN_DrvDisableSurface>(INDEX_DrvDisableSurface)(d.dhpdev);
    log("DrvDisableSurface");
    if (d.pso) EngUnlockSurface(d.pso);
    d.pso = nullptr;
    d.hsurf = nullptr;
}

void Session::Impl::disablePdev(Device& d) {
    d.fontCache.clear();
    if (d.dhpdev) {
        fn<PFN_DrvDisablePDEV>(INDEX_DrvDisablePDEV)(d.dhpdev);
        log("DrvDisablePDEV");
    }
    if (d.hdev) unregisterDevice(d.hdev);
    d = Device{};
}

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
            // The brush keeps its own copy of the pattern bitmap.
            TempBitmap copy;
            ULONG fmt = src->so->iBitmapFormat;
            HBITMAP h = EngCreateBitmap(src->so->sizlBitmap, 0, fmt, BMF_TOPDOWN, nullptr);
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
    if (out) out->bo.flColorType = b.colorType;
    return out;
}

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
                    (t.vertical ? SO_VERTICAL : (op.text.font.escapement % 3600 == 0 ? SO_HORIZONTAL : 0));
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

RECTL Session::Impl::opBounds(const Operation& op, CallObjects& o) const {
    switch (op.kind) {
        case Operation::FillPath:
        case Operation::StrokePath:
        case Operation::StrokeAndFillPath: {
            RECTFX b = o.path->geom.bounds();
            LONG pad = 2;
            if (op.kind != Operation::FillPath) {
                double w = op.pen.geometric ? op.pen.width * std::sqrt(std::fabs(op.xform.m11 * op.xform.m22 -
                                                                                  op.xform.m12 * op.xform.m21))
                                            : 1;
                w = std::isfinite(w) ? std::min(w, 1e6) : 1;
                pad += static_cast<LONG>(std::ceil(w * 1.5 * std::max(1.0f, op.pen.miterLimit)));
            }
            return RECTL{(b.xLeft >> 4) - pad, (b.yTop >> 4) - pad, ((b.xRight + 15) >> 4) + pad,
                         ((b.yBottom + 15) >> 4) + pad};
        }
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

// ---------------------------------------------------------------------------
// Session.

Session::Session(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

std::unique_ptr<Session> Session::create(const DriverTable& driver, SessionOptions options, std::string* error) {
    try {
        auto impl = std::make_unique<Impl>();
        impl->drv = driver;
        impl->opt = std::move(options);
        for (ULONG need : {INDEX_DrvEnablePDEV, INDEX_DrvCompletePDEV, INDEX_DrvDisablePDEV, INDEX_DrvEnableSurface,
                           INDEX_DrvDisableSurface})
            if (!driver.has(need)) {
                if (error) *error = "the driver table lacks function " + std::to_string(need);
                return nullptr;
            }
        if (!impl->enableDevice(impl->opt.devmode, impl->cur, error)) return nullptr;
        if (!impl->enableSurface(impl->cur, error)) {
            impl->disableSurface(impl->cur);
            impl->disablePdev(impl->cur);
            return nullptr;
        }
        return std::unique_ptr<Session>(new Session(std::move(impl)));
    } catch (const std::bad_alloc&) {
        if (error) *error = "out of memory";
        return nullptr;
    }
}

Session::~Session() {
    if (!impl_) return;
    impl_->disableSurface(impl_->cur);
    impl_->disablePdev(impl_->cur);
}

const GDIINFO& Session::gdiInfo() const { return impl_->cur.gdi; }
const DEVINFO& Session::devInfo() const { return impl_->cur.dev; }
DHPDEV Session::dhpdev() const { return impl_->cur.dhpdev; }
HDEV Session::hdev() const { return impl_->cur.hdev; }
SURFOBJ* Session::surface() const { return impl_->cur.pso; }
bool Session::banding() const { return impl_->cur.banding; }
FLONG Session::hooks() const { return impl_->cur.hooks; }
size_t Session::fallbackCount() const { return impl_->fallbacks; }
size_t Session::bandCount() const { return impl_->bands; }

void Session::addFont(std::shared_ptr<const FontFace> face) {
    if (face) impl_->faces.push_back(std::move(face));
}

std::vector<std::u16string> Session::deviceFontNames() {
    impl_->loadDeviceFonts();
    std::vector<std::u16string> out;
    for (const auto& f : impl_->cur.fonts) out.push_back(f.name);
    return out;
}

bool Session::startDoc(const std::u16string& docName, DWORD jobId) {
    auto f = impl_->fn<PFN_DrvStartDoc>(INDEX_DrvStartDoc);
    impl_->docName = docName;
    impl_->jobId = jobId;
    BOOL r = TRUE;
    if (f) {
        std::u16string name = docName;
        r = f(impl_->cur.pso, name.empty() ? nullptr : name.data(), jobId);
        impl_->log("DrvStartDoc job " + std::to_string(jobId) + " -> " + std::to_string(r));
    }
    impl_->docStarted = r == TRUE;
    return r == TRUE;
}

bool Session::startPage() {
    impl_->inPage = true;
    impl_->pageOps.clear();
    impl_->lastClipValid = false;
    if (impl_->cur.banding && impl_->opt.bandingSkipsStartPage) {
        impl_->log("DrvStartPage left out (the band loop starts the page)");
        return true;
    }
    auto f = impl_->fn<PFN_DrvStartPage>(INDEX_DrvStartPage);
    if (!f) return true;
    BOOL r = f(impl_->cur.pso);
    impl_->log("DrvStartPage -> " + std::to_string(r));
    return r == TRUE;
}

bool Session::draw(const Operation& op) {
    if (impl_->cur.banding) {
        try {
            impl_->pageOps.push_back(op);
        } catch (const std::bad_alloc&) {
            return false;
        }
        return true;
    }
    return impl_->execute(op, POINTL{0, 0}, false);
}

bool Session::endPage() {
    Impl& m = *impl_;
    m.inPage = false;
    if (!m.cur.banding) {
        auto f = m.fn<PFN_DrvSendPage>(INDEX_DrvSendPage);
        if (!f) return true;
        BOOL r = f(m.cur.pso);
        m.log("DrvSendPage -> " + std::to_string(r));
        return r == TRUE;
    }
    auto start = m.fn<PFN_DrvStartBanding>(INDEX_DrvStartBanding);
    auto next = m.fn<PFN_DrvNextBand>(INDEX_DrvNextBand);
    std::vector<Operation> ops = std::move(m.pageOps);
    m.pageOps.clear();
    m.bands = 0;
    if (!start || !next) {
        m.log("banding surface without DrvStartBanding and DrvNextBand");
        return false;
    }
    POINTL org{0, 0};
    BOOL r = start(m.cur.pso, &org);
    m.log("DrvStartBanding -> " + std::to_string(r) + " origin " + std::to_string(org.x) + "," + std::to_string(org.y));
    if (r != TRUE) return false;
    bool ok = true;
    // A page has at most one band per row, and one more below it.
    size_t limit = static_cast<size_t>(std::max<LONG>(m.cur.gdi.ulVertRes, m.cur.pso->sizlBitmap.cy)) + 2;
    for (;;) {
        if (++m.bands > limit) {
            m.log("the driver keeps asking for bands; the page is abandoned");
            return false;
        }
        m.lastClipValid = false;
        for (const Operation& op : ops) ok = m.execute(op, org, true) && ok;
        POINTL nextOrg{0, 0};
        r = next(m.cur.pso, &nextOrg);
        m.log("DrvNextBand -> " + std::to_string(r) + " origin " + std::to_string(nextOrg.x) + "," +
              std::to_string(nextOrg.y));
        if (r != TRUE) return false;
        if (nextOrg.x == -1 && nextOrg.y == -1) break;
        org = nextOrg;
    }
    return ok;
}

bool Session::endDoc(bool abort) {
    auto f = impl_->fn<PFN_DrvEndDoc>(INDEX_DrvEndDoc);
    impl_->docStarted = false;
    if (!f) return true;
    BOOL r = f(impl_->cur.pso, abort ? ED_ABORTDOC : 0);
    impl_->log("DrvEndDoc -> " + std::to_string(r));
    return r == TRUE;
}

ULONG Session::escape(ULONG iEsc, const std::vector<uint8_t>& in, ULONG outSize, std::vector<uint8_t>* out) {
    auto f = impl_->fn<PFN_DrvEscape>(INDEX_DrvEscape);
    if (out) out->clear();
    if (!f) return 0;
    std::vector<uint8_t> input = in;
    std::vector<uint8_t> output(outSize, 0);
    ULONG r = f(impl_->cur.pso, iEsc, static_cast<ULONG>(input.size()), input.empty() ? nullptr : input.data(), outSize,
                outSize ? output.data() : nullptr);
    impl_->log("DrvEscape " + std::to_string(iEsc) + " -> " + std::to_string(static_cast<LONG>(r)));
    if (out) *out = std::move(output);
    return r;
}

bool Session::reset(const std::vector<uint8_t>& devmode, std::string* error) {
    Impl& m = *impl_;
    Device fresh;
    if (!m.enableDevice(devmode, fresh, error)) return false;
    if (auto f = m.fn<PFN_DrvResetPDEV>(INDEX_DrvResetPDEV)) {
        BOOL r = f(m.cur.dhpdev, fresh.dhpdev);
        m.log("DrvResetPDEV -> " + std::to_string(r));
        if (r != TRUE) {
            m.disablePdev(fresh);
            if (error) *error = "DrvResetPDEV failed";
            return false;
        }
    }
    m.disableSurface(m.cur);
    m.disablePdev(m.cur);
    m.cur = std::move(fresh);
    m.lastClipValid = false;
    if (!m.enableSurface(m.cur, error)) return false;
    if (m.docStarted) {
        std::u16string name = m.docName;
        if (auto f = m.fn<PFN_DrvStartDoc>(INDEX_DrvStartDoc)) {
            BOOL r = f(m.cur.pso, name.empty() ? nullptr : name.data(), m.jobId);
            m.log("DrvStartDoc job " + std::to_string(m.jobId) + " -> " + std::to_string(r));
            if (r != TRUE) {
                if (error) *error = "DrvStartDoc failed on the new device";
                return false;
            }
        }
    }
    return true;
}

}  // namespace winsim::engine
