// The engine's session internals shared by its parts: the driver's device,
// the objects one drawing call passes, and the session state.
#pragma once
#include <winsim/engine.h>

#include "internal.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace winsim::engine {

using namespace winsim::gdi;

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


inline PathGeom toGeom(const engine::Path& p, LONG tx, LONG ty) {
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

inline RECTL shifted(const RECTL& r, LONG tx, LONG ty) { return RECTL{r.left - tx, r.top - ty, r.right - tx, r.bottom - ty}; }

inline RECTL orderedRect(const RECTL& r) {
    return RECTL{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
                 std::max(r.top, r.bottom)};
}

inline bool intersectRect(RECTL& r, const RECTL& by) {
    r.left = std::max(r.left, by.left);
    r.top = std::max(r.top, by.top);
    r.right = std::min(r.right, by.right);
    r.bottom = std::min(r.bottom, by.bottom);
    return r.left < r.right && r.top < r.bottom;
}

inline RECTL unionRect(const RECTL& a, const RECTL& b) {
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
    // The driver's colour transform while colour management is on, and the
    // profile it was made from (made again for a new device).
    HANDLE icmTransform = nullptr;
    std::vector<uint8_t> icmProfile;
    size_t errors = 0;       // driver calls answering -1 (never rendered by the engine)
    size_t bandSkips = 0;    // operations of the last banded page left out of bands they do not touch
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
    bool icmCreate(Device& d);
    void icmDelete(Device& d);
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
    // The page pixels an operation may touch (within its clip); false when
    // it cannot be told before the call is built.
    bool pageBounds(const Operation& op, RECTL* out);
    bool fallback(const Operation& op, POINTL org, const RECTL& bounds);
    Font* fontFor(const FontSpec& spec);
    void loadDeviceFonts();
    bool buildString(const Operation& op, Font* font, LONG tx, LONG ty, CallObjects& o);
};

}  // namespace winsim::engine
