// Engine surfaces and bitmaps, palettes, colour translation and the devices
// that surfaces are associated with.
#include "internal.h"

#include "core/sim.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <unordered_map>

namespace winsim::gdi {

using winsim::detail::setError;

bool engEnter(const char* fn, const std::string& detail) { return winsim::detail::enter(fn, detail); }

unsigned formatBits(ULONG format) {
    switch (format) {
        case BMF_1BPP: return 1;
        case BMF_4BPP: return 4;
        case BMF_8BPP: return 8;
        case BMF_16BPP: return 16;
        case BMF_24BPP: return 24;
        case BMF_32BPP: return 32;
        default: return 0;
    }
}

size_t strideFor(ULONG format, LONG width) {
    uint64_t bits = static_cast<uint64_t>(width) * formatBits(format);
    return static_cast<size_t>(((bits + 31) / 32) * 4);
}

// ---------------------------------------------------------------------------
// Palettes.

namespace {
unsigned maskShift(ULONG m) {
    unsigned s = 0;
    while (m && !(m & 1)) {
        m >>= 1;
        ++s;
    }
    return s;
}
unsigned maskBits(ULONG m) {
    m >>= maskShift(m);
    unsigned n = 0;
    while (m & 1) {
        m >>= 1;
        ++n;
    }
    return n;
}
unsigned expand(ULONG v, ULONG mask) {
    unsigned bits = maskBits(mask);
    if (bits == 0) return 0;
    ULONG x = (v & mask) >> maskShift(mask);
    ULONG max = (bits >= 32) ? 0xFFFFFFFFu : ((1u << bits) - 1);
    return static_cast<unsigned>((static_cast<uint64_t>(x) * 255 + max / 2) / max);
}
ULONG compress(unsigned c, ULONG mask) {
    unsigned bits = maskBits(mask);
    if (bits == 0) return 0;
    ULONG max = (bits >= 32) ? 0xFFFFFFFFu : ((1u << bits) - 1);
    ULONG x = static_cast<ULONG>((static_cast<uint64_t>(c) * max + 127) / 255);
    return (x << maskShift(mask)) & mask;
}
}  // namespace

Rgb Palette::toRgb(ULONG v) const {
    switch (mode) {
        case PAL_INDEXED: return v < entries.size() ? entries[v] & 0xFFFFFF : 0;
        case PAL_BITFIELDS: return rgb(expand(v, masks[0]), expand(v, masks[1]), expand(v, masks[2]));
        case PAL_RGB: return rgb(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
        default: return v & 0xFFFFFF;
    }
}

ULONG Palette::fromRgb(Rgb c) const {
    switch (mode) {
        case PAL_INDEXED: {
            ULONG best = 0;
            long bestD = std::numeric_limits<long>::max();
            for (size_t i = 0; i < entries.size(); ++i) {
                long dr = static_cast<long>(red(entries[i])) - red(c);
                long dg = static_cast<long>(green(entries[i])) - green(c);
                long db = static_cast<long>(blue(entries[i])) - blue(c);
                long d = dr * dr * 30 + dg * dg * 59 + db * db * 11;
                if (d < bestD) {
                    bestD = d;
                    best = static_cast<ULONG>(i);
                    if (d == 0) break;
                }
            }
            return best;
        }
        case PAL_BITFIELDS:
            return compress(red(c), masks[0]) | compress(green(c), masks[1]) | compress(blue(c), masks[2]);
        case PAL_RGB: return (blue(c) << 16) | (green(c) << 8) | red(c);
        default: return c & 0xFFFFFF;
    }
}

std::shared_ptr<const Palette> defaultPalette(ULONG format) {
    static const auto make = [](ULONG f) {
        auto p = std::make_shared<Palette>();
        unsigned bits = formatBits(f);
        if (bits >= 1 && bits <= 8) {
            p->mode = PAL_INDEXED;
            size_t n = size_t{1} << bits;
            for (size_t i = 0; i < n; ++i) {
                unsigned l = static_cast<unsigned>(i * 255 / (n - 1));
                p->entries.push_back(rgb(l, l, l));
            }
        } else if (bits == 16) {
            p->mode = PAL_BITFIELDS;
            p->masks[0] = 0x7C00;
            p->masks[1] = 0x03E0;
            p->masks[2] = 0x001F;
        } else {
            p->mode = PAL_BGR;
        }
        return std::shared_ptr<const Palette>(p);
    };
    static const std::shared_ptr<const Palette> pals[7] = {make(0), make(1), make(2), make(3),
                                                           make(4), make(5), make(6)};
    return format <= 6 ? pals[format] : pals[5];
}

// ---------------------------------------------------------------------------
// Handle tables of the engine's own objects (surfaces, palettes, devices).

namespace {
struct Handles {
    std::mutex lock;
    uintptr_t next = 0x7A000000u;  // apart from kernel handles, never null
    std::unordered_map<uintptr_t, std::shared_ptr<Surface>> surfaces;
    std::unordered_map<const SURFOBJ*, std::shared_ptr<Surface>> byObj;
    std::unordered_map<uintptr_t, std::shared_ptr<const Palette>> palettes;
    std::unordered_map<uintptr_t, DeviceLink> devices;
    ULONG uniq = 1;
    uintptr_t take() {
        uintptr_t h = next;
        next += 4;
        return h;
    }
};
Handles& handles() {
    static Handles* h = new Handles;
    return *h;
}
}  // namespace

std::shared_ptr<const Palette> paletteFromHandle(HPALETTE h) {
    auto& t = handles();
    std::lock_guard g(t.lock);
    auto it = t.palettes.find(reinterpret_cast<uintptr_t>(h));
    return it == t.palettes.end() ? nullptr : it->second;
}

std::shared_ptr<Surface> surfaceFromHandle(HSURF h) {
    auto& t = handles();
    std::lock_guard g(t.lock);
    auto it = t.surfaces.find(reinterpret_cast<uintptr_t>(h));
    return it == t.surfaces.end() ? nullptr : it->second;
}

Surface* surfaceFromObj(const SURFOBJ* so) {
    if (!so) return nullptr;
    auto& t = handles();
    std::lock_guard g(t.lock);
    auto it = t.byObj.find(so);
    return it == t.byObj.end() ? nullptr : it->second.get();
}

size_t liveSurfaceCount() {
    auto& t = handles();
    std::lock_guard g(t.lock);
    return t.byObj.size();
}

size_t livePaletteCount() {
    auto& t = handles();
    std::lock_guard g(t.lock);
    return t.palettes.size();
}

std::shared_ptr<const Palette> surfacePalette(const SURFOBJ* so) {
    if (Surface* s = surfaceFromObj(so); s && s->palette) return s->palette;
    return defaultPalette(so ? so->iBitmapFormat : BMF_24BPP);
}

bool isBitmap(const SURFOBJ* so) {
    return so && so->iType == STYPE_BITMAP && so->pvScan0 && formatBits(so->iBitmapFormat) != 0 &&
           so->sizlBitmap.cx > 0 && so->sizlBitmap.cy > 0;
}

HDEV registerDevice(DeviceLink link) {
    auto& t = handles();
    std::lock_guard g(t.lock);
    uintptr_t h = t.take();
    t.devices[h] = std::move(link);
    return reinterpret_cast<HDEV>(h);
}

void updateDevice(HDEV h, const DeviceLink& link) {
    auto& t = handles();
    std::lock_guard g(t.lock);
    auto it = t.devices.find(reinterpret_cast<uintptr_t>(h));
    if (it != t.devices.end()) it->second = link;
}

void unregisterDevice(HDEV h) {
    DeviceLink victim;
    auto& t = handles();
    std::lock_guard g(t.lock);
    auto it = t.devices.find(reinterpret_cast<uintptr_t>(h));
    if (it != t.devices.end()) {
        victim = std::move(it->second);
        t.devices.erase(it);
    }
}

bool deviceLink(HDEV h, DeviceLink* out) {
    auto& t = handles();
    std::lock_guard g(t.lock);
    auto it = t.devices.find(reinterpret_cast<uintptr_t>(h));
    if (it == t.devices.end()) return false;
    if (out) *out = it->second;
    return true;
}

namespace {
HSURF addSurface(std::shared_ptr<Surface> s) {
    auto& t = handles();
    std::lock_guard g(t.lock);
    uintptr_t h = t.take();
    s->so.hsurf = reinterpret_cast<HSURF>(h);
    s->so.iUniq = t.uniq++;
    t.byObj[&s->so] = s;
    t.surfaces[h] = std::move(s);
    return reinterpret_cast<HSURF>(h);
}
}  // namespace

// ---------------------------------------------------------------------------
// Pixels.

ULONG getPixel(const SURFOBJ* so, LONG x, LONG y) {
    const uint8_t* r = rowPtr(so, y);
    switch (so->iBitmapFormat) {
        case BMF_1BPP: return (r[x >> 3] >> (7 - (x & 7))) & 1;
        case BMF_4BPP: return (x & 1) ? (r[x >> 1] & 0x0F) : (r[x >> 1] >> 4);
        case BMF_8BPP: return r[x];
        case BMF_16BPP: return r[2 * x] | (r[2 * x + 1] << 8);
        case BMF_24BPP: return r[3 * x] | (r[3 * x + 1] << 8) | (static_cast<ULONG>(r[3 * x + 2]) << 16);
        case BMF_32BPP:
            return r[4 * x] | (r[4 * x + 1] << 8) | (static_cast<ULONG>(r[4 * x + 2]) << 16) |
                   (static_cast<ULONG>(r[4 * x + 3]) << 24);
        default: return 0;
    }
}

void putPixel(SURFOBJ* so, LONG x, LONG y, ULONG v) {
    uint8_t* r = rowPtr(so, y);
    switch (so->iBitmapFormat) {
        case BMF_1BPP: {
            uint8_t bit = static_cast<uint8_t>(0x80 >> (x & 7));
            if (v & 1)
                r[x >> 3] |= bit;
            else
                r[x >> 3] &= static_cast<uint8_t>(~bit);
            break;
        }
        case BMF_4BPP:
            if (x & 1)
                r[x >> 1] = static_cast<uint8_t>((r[x >> 1] & 0xF0) | (v & 0x0F));
            else
                r[x >> 1] = static_cast<uint8_t>((r[x >> 1] & 0x0F) | ((v & 0x0F) << 4));
            break;
        case BMF_8BPP: r[x] = static_cast<uint8_t>(v); break;
        case BMF_16BPP:
            r[2 * x] = static_cast<uint8_t>(v);
            r[2 * x + 1] = static_cast<uint8_t>(v >> 8);
            break;
        case BMF_24BPP:
            r[3 * x] = static_cast<uint8_t>(v);
            r[3 * x + 1] = static_cast<uint8_t>(v >> 8);
            r[3 * x + 2] = static_cast<uint8_t>(v >> 16);
            break;
        case BMF_32BPP:
            r[4 * x] = static_cast<uint8_t>(v);
            r[4 * x + 1] = static_cast<uint8_t>(v >> 8);
            r[4 * x + 2] = static_cast<uint8_t>(v >> 16);
            r[4 * x + 3] = static_cast<uint8_t>(v >> 24);
            break;
        default: break;
    }
}

// ---------------------------------------------------------------------------
// Colour translation.

namespace {
Registry<Xlate>& xlates() {
    static auto* r = new Registry<Xlate>;
    return *r;
}
USHORT palType(const Palette& p) { return static_cast<USHORT>(p.mode); }
}  // namespace

std::unique_ptr<Xlate> makeXlate(std::shared_ptr<const Palette> src, ULONG srcFormat,
                                 std::shared_ptr<const Palette> dst, ULONG dstFormat) {
    auto x = std::make_unique<Xlate>();
    if (!src) src = defaultPalette(srcFormat);
    if (!dst) dst = defaultPalette(dstFormat);
    x->src = src;
    x->dst = dst;
    static ULONG uniq = 1;
    x->xo.iUniq = uniq++;
    x->xo.iSrcType = palType(*src);
    x->xo.iDstType = palType(*dst);
    bool same = src == dst || (src->mode == dst->mode && src->entries == dst->entries &&
                               std::equal(src->masks, src->masks + 3, dst->masks));
    if (src->mode == PAL_INDEXED) {
        for (Rgb c : src->entries) x->table.push_back(dst->fromRgb(c));
        x->xo.flXlate = XO_TABLE;
        x->xo.cEntries = static_cast<ULONG>(x->table.size());
        x->xo.pulXlate = x->table.data();
        if (same) x->xo.flXlate |= XO_TRIVIAL;
    } else if (same) {
        x->xo.flXlate = XO_TRIVIAL;
    }
    if (dst->mode == PAL_INDEXED && dst->entries.size() == 2) x->xo.flXlate |= XO_TO_MONO;
    xlates().add(x.get(), &x->xo);
    return x;
}

Xlate* xlateFromObj(const XLATEOBJ* xo) { return xo ? xlates().find(xo) : nullptr; }
Xlate::~Xlate() { xlates().remove(&xo); }

Translator::Translator(const SURFOBJ* src, const SURFOBJ* dst, XLATEOBJ* xo) {
    if (xo) {
        if (Xlate* x = xlateFromObj(xo)) {
            src_ = x->src;
            dst_ = x->dst;
        } else {
            xo_ = xo;  // read by its public fields
        }
        if (xo->flXlate & XO_TRIVIAL) identity_ = true;
    } else {
        // No translation between surfaces of one format copies the values as
        // they are; between formats the values go through the palettes.
        src_ = surfacePalette(src);
        dst_ = surfacePalette(dst);
        bool same = src_ == dst_ || (src_->mode == dst_->mode && src_->entries == dst_->entries &&
                                     std::equal(src_->masks, src_->masks + 3, dst_->masks));
        if (same || (src && dst && src->iBitmapFormat == dst->iBitmapFormat)) identity_ = true;
    }
    if (identity_) return;
    if (xo_) {
        if ((xo_->flXlate & XO_TABLE) && xo_->pulXlate)
            lut_.assign(xo_->pulXlate, xo_->pulXlate + xo_->cEntries);
        else
            identity_ = true;
        return;
    }
    if (src_->mode == PAL_INDEXED)
        for (Rgb c : src_->entries) lut_.push_back(dst_->fromRgb(c));
}

ULONG Translator::operator()(ULONG v) const {
    if (identity_) return v;
    if (xo_ || src_->mode == PAL_INDEXED) return v < lut_.size() ? lut_[v] : 0;
    if (v == lastIn_) return lastOut_;
    lastIn_ = v;
    lastOut_ = dst_->fromRgb(src_->toRgb(v));
    return lastOut_;
}

}  // namespace winsim::gdi

// ---------------------------------------------------------------------------
// Exported engine functions.

using namespace winsim::gdi;
using winsim::detail::setError;

extern "C" {

WINBASEAPI HBITMAP APIENTRY EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits) {
    if (engEnter("EngCreateBitmap", std::to_string(sizl.cx) + "x" + std::to_string(sizl.cy) + " fmt " +
                                        std::to_string(iFormat)))
        return nullptr;
    unsigned bits = formatBits(iFormat);
    if (bits == 0 || sizl.cx <= 0 || sizl.cy <= 0) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    uint64_t minStride = (static_cast<uint64_t>(sizl.cx) * bits + 7) / 8;
    uint64_t stride = lWidth > 0 ? static_cast<uint64_t>(lWidth) : strideFor(iFormat, sizl.cx);
    uint64_t total = stride * static_cast<uint64_t>(sizl.cy);
    // A bitmap is at most 1 GB: larger requests are refused as Windows refuses
    // them for lack of memory.
    if (stride < minStride || total > (uint64_t{1} << 30)) {
        setError(stride < minStride ? ERROR_INVALID_PARAMETER : ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    try {
        auto s = std::make_shared<Surface>();
        uint8_t* base = static_cast<uint8_t*>(pvBits);
        if (!base) {
            s->bits.assign(static_cast<size_t>(total), 0);
            base = s->bits.data();
        } else {
            s->so.fjBitmap |= BMF_USERMEM;
        }
        s->so.sizlBitmap = sizl;
        s->so.cjBits = static_cast<ULONG>(total);
        s->so.pvBits = base;
        s->so.iBitmapFormat = iFormat;
        s->so.iType = STYPE_BITMAP;
        if (fl & BMF_TOPDOWN) {
            s->so.fjBitmap |= BMF_TOPDOWN;
            s->so.pvScan0 = base;
            s->so.lDelta = static_cast<LONG>(stride);
        } else {
            s->so.pvScan0 = base + static_cast<size_t>(stride * static_cast<uint64_t>(sizl.cy - 1));
            s->so.lDelta = -static_cast<LONG>(stride);
        }
        return reinterpret_cast<HBITMAP>(addSurface(std::move(s)));
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI HSURF APIENTRY EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat) {
    if (engEnter("EngCreateDeviceSurface")) return nullptr;
    if (sizl.cx <= 0 || sizl.cy <= 0 || formatBits(iFormatCompat) == 0) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        auto s = std::make_shared<Surface>();
        s->so.dhsurf = dhsurf;
        s->so.sizlBitmap = sizl;
        s->so.iBitmapFormat = iFormatCompat;
        s->so.iType = STYPE_DEVICE;
        return addSurface(std::move(s));
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI BOOL APIENTRY EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks) {
    if (engEnter("EngAssociateSurface")) return FALSE;
    auto s = surfaceFromHandle(hsurf);
    DeviceLink link;
    if (!s || !deviceLink(hdev, &link)) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    s->so.hdev = hdev;
    s->so.dhpdev = link.dhpdev;
    s->hooks = flHooks & HOOK_FLAGS;
    // The device's palette describes the surface only when it fits its
    // format: an indexed palette for indexed formats, a direct one above.
    unsigned bits = formatBits(s->so.iBitmapFormat);
    if (link.palette && (link.palette->mode == PAL_INDEXED) == (bits <= 8) &&
        (link.palette->mode != PAL_INDEXED || link.palette->entries.size() <= (size_t{1} << bits)))
        s->palette = link.palette;
    s->associated = true;
    return TRUE;
}

WINBASEAPI BOOL APIENTRY EngMarkBandingSurface(HSURF hsurf) {
    if (engEnter("EngMarkBandingSurface")) return FALSE;
    auto s = surfaceFromHandle(hsurf);
    if (!s || s->so.iType != STYPE_BITMAP) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    s->banding = true;
    return TRUE;
}

WINBASEAPI BOOL APIENTRY EngDeleteSurface(HSURF hsurf) {
    if (engEnter("EngDeleteSurface")) return FALSE;
    std::shared_ptr<Surface> victim;
    auto& t = handles();
    {
        std::lock_guard g(t.lock);
        auto it = t.surfaces.find(reinterpret_cast<uintptr_t>(hsurf));
        if (it == t.surfaces.end()) {
            setError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        victim = it->second;
        t.surfaces.erase(it);
        victim->deleted = true;
        // A locked surface stays readable until its last unlock.
        if (victim->locks == 0) t.byObj.erase(&victim->so);
    }
    return TRUE;
}

WINBASEAPI SURFOBJ* APIENTRY EngLockSurface(HSURF hsurf) {
    if (engEnter("EngLockSurface")) return nullptr;
    auto& t = handles();
    std::lock_guard g(t.lock);
    auto it = t.surfaces.find(reinterpret_cast<uintptr_t>(hsurf));
    if (it == t.surfaces.end()) {
        setError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    ++it->second->locks;
    return &it->second->so;
}

WINBASEAPI void APIENTRY EngUnlockSurface(SURFOBJ* pso) {
    if (engEnter("EngUnlockSurface") || !pso) return;
    std::shared_ptr<Surface> victim;
    auto& t = handles();
    std::lock_guard g(t.lock);
    auto it = t.byObj.find(pso);
    if (it == t.byObj.end() || it->second->locks == 0) return;
    if (--it->second->locks == 0 && it->second->deleted) {
        victim = it->second;
        t.byObj.erase(it);
    }
}

WINBASEAPI HPALETTE APIENTRY EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                                              FLONG flGreen, FLONG flBlue) {
    if (engEnter("EngCreatePalette")) return nullptr;
    try {
        auto p = std::make_shared<Palette>();
        p->mode = iMode;
        switch (iMode) {
            case PAL_INDEXED:
                // Entries are palette entries: red in the low byte (0x00BBGGRR).
                if (cColors == 0 || cColors > 65536 || !pulColors) {
                    setError(ERROR_INVALID_PARAMETER);
                    return nullptr;
                }
                for (ULONG i = 0; i < cColors; ++i)
                    p->entries.push_back(rgb(pulColors[i] & 0xFF, (pulColors[i] >> 8) & 0xFF,
                                             (pulColors[i] >> 16) & 0xFF));
                break;
            case PAL_BITFIELDS:
                if (!flRed || !flGreen || !flBlue) {
                    setError(ERROR_INVALID_PARAMETER);
                    return nullptr;
                }
                p->masks[0] = flRed;
                p->masks[1] = flGreen;
                p->masks[2] = flBlue;
                break;
            case PAL_RGB:
            case PAL_BGR: break;
            default: setError(ERROR_INVALID_PARAMETER); return nullptr;
        }
        auto& t = handles();
        std::lock_guard g(t.lock);
        uintptr_t h = t.take();
        t.palettes[h] = std::move(p);
        return reinterpret_cast<HPALETTE>(h);
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI BOOL APIENTRY EngDeletePalette(HPALETTE hpal) {
    if (engEnter("EngDeletePalette")) return FALSE;
    std::shared_ptr<const Palette> victim;
    auto& t = handles();
    std::lock_guard g(t.lock);
    auto it = t.palettes.find(reinterpret_cast<uintptr_t>(hpal));
    if (it == t.palettes.end()) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    victim = it->second;  // surfaces that use it keep their own reference
    t.palettes.erase(it);
    return TRUE;
}

WINBASEAPI ULONG APIENTRY XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor) {
    if (!pxlo) return iColor;
    if (Xlate* x = xlateFromObj(pxlo)) {
        if (pxlo->flXlate & XO_TRIVIAL) return iColor;
        if (x->src->mode == PAL_INDEXED) return iColor < x->table.size() ? x->table[iColor] : 0;
        return x->dst->fromRgb(x->src->toRgb(iColor));
    }
    if ((pxlo->flXlate & XO_TABLE) && pxlo->pulXlate)
        return iColor < pxlo->cEntries ? pxlo->pulXlate[iColor] : 0;
    return iColor;
}

WINBASEAPI ULONG* APIENTRY XLATEOBJ_piVector(XLATEOBJ* pxlo) {
    if (!pxlo || !(pxlo->flXlate & XO_TABLE)) return nullptr;
    return pxlo->pulXlate;
}

WINBASEAPI ULONG APIENTRY XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal) {
    Xlate* x = xlateFromObj(pxlo);
    if (!x) return 0;
    const Palette* p = (iPal == XO_SRCPALETTE) ? x->src.get()
                       : (iPal == XO_DESTPALETTE || iPal == XO_DESTDCPALETTE) ? x->dst.get()
                                                                               : nullptr;
    if (iPal == XO_SRCBITFIELDS || iPal == XO_DESTBITFIELDS) {
        p = iPal == XO_SRCBITFIELDS ? x->src.get() : x->dst.get();
        if (p->mode != PAL_BITFIELDS) return 0;
        if (!pPal) return 3;
        ULONG n = std::min<ULONG>(cPal, 3);
        for (ULONG i = 0; i < n; ++i) pPal[i] = p->masks[i];
        return n;
    }
    if (!p || p->mode != PAL_INDEXED) return 0;
    ULONG total = static_cast<ULONG>(p->entries.size());
    if (!pPal) return total;
    ULONG n = std::min(cPal, total);
    for (ULONG i = 0; i < n; ++i)
        pPal[i] = (blue(p->entries[i]) << 16) | (green(p->entries[i]) << 8) | red(p->entries[i]);
    return n;
}

}  // extern "C"
