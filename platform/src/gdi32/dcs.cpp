// The DC table: memory DCs made here, window DCs taken from the window
// system's handles on first use and dropped when it releases them. A
// window's pixels live in a backing surface of its client size.
#include <algorithm>

#include "core/sim.h"
#include "gdi32/gdi32_internal.h"
#include "user/user_internal.h"

using namespace winsim::detail;
using winsim::gdi32::Dc;
using winsim::gdi32::DcState;
using winsim::gdi32::Surface;

namespace {

constexpr uintptr_t kMemoryDcTag = 0x79000000;

struct Dcs {
    std::map<uintptr_t, Dc> live;
    uintptr_t next = 1;
    std::map<HWND, std::shared_ptr<Surface>> windowPixels;
    Surface none{1, 1, 0xFFFFFF};  // what a memory DC draws on before a bitmap is selected
};
Dcs& dcs() {
    static auto* d = new Dcs;
    return *d;
}

DcState freshState(bool memory) {
    DcState s;
    s.pen = winsim::gdi32::stockObject(BLACK_PEN);
    s.brush = winsim::gdi32::stockObject(WHITE_BRUSH);
    s.font = winsim::gdi32::stockObject(SYSTEM_FONT);
    (void)memory;
    return s;
}

bool inside(const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

}  // namespace

namespace winsim::gdi32 {

Dc* findDc(HDC h) {
    auto& t = dcs();
    const auto v = reinterpret_cast<uintptr_t>(h);
    auto it = t.live.find(v);
    if (it != t.live.end()) return &it->second;
    HWND window = nullptr;
    if (!h || !windowOfDc(h, &window)) {
        setError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    Dc dc;
    dc.window = window;
    dc.state = freshState(false);
    return &t.live.emplace(v, std::move(dc)).first->second;
}

Surface* surfaceOf(Dc& dc) {
    if (dc.memory) {
        Object* b = findObject(dc.state.bitmap);
        if (b && b->dib) dibToSurface(*b);
        return b && b->bits ? b->bits.get() : &dcs().none;
    }
    return windowSurface(dc.window);
}

Surface* windowSurface(HWND window) {
    Window* w = findWindow(window);
    if (!w) return nullptr;
    const RECT c = clientRect(*w);
    const int width = std::max<int>(1, c.right - c.left), height = std::max<int>(1, c.bottom - c.top);
    auto& slot = dcs().windowPixels[window];
    if (!slot || slot->width != width || slot->height != height)
        slot = std::make_shared<Surface>(width, height, GetSysColor(COLOR_BTNFACE));
    return slot.get();
}

bool visible(const Dc& dc, const Surface& s, int x, int y) {
    if (x < 0 || y < 0 || x >= s.width || y >= s.height) return false;
    if (dc.state.clipped && !inside(dc.state.clip, x, y)) return false;
    for (const RECT& r : dc.state.excluded)
        if (inside(r, x, y)) return false;
    return true;
}

}  // namespace winsim::gdi32

namespace winsim::detail {

void forgetDc(HDC dc) {
    std::lock_guard g(userLock());
    auto it = dcs().live.find(reinterpret_cast<uintptr_t>(dc));
    if (it != dcs().live.end() && !it->second.memory) dcs().live.erase(it);
}

void setPaintClip(HDC dc, RECT clip) {
    std::lock_guard g(userLock());
    if (Dc* d = winsim::gdi32::findDc(dc)) {
        d->state.clip = clip;
        d->state.clipped = true;
    }
}

}  // namespace winsim::detail

using winsim::gdi32::findDc;
using winsim::gdi32::findObject;
using winsim::gdi32::Object;

extern "C" {

WINBASEAPI HDC WINAPI CreateCompatibleDC(HDC dc) {
    if (enter("CreateCompatibleDC")) return nullptr;
    std::lock_guard g(userLock());
    if (dc && !findDc(dc)) return nullptr;
    auto& t = dcs();
    const uintptr_t h = kMemoryDcTag | (t.next++ << 2);
    Dc d;
    d.memory = true;
    d.state = freshState(true);
    t.live.emplace(h, std::move(d));
    return reinterpret_cast<HDC>(h);
}

WINBASEAPI BOOL WINAPI DeleteDC(HDC dc) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d || !d->memory) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    // Every bitmap this DC or its saved levels hold is free again.
    auto release = [&](HGDIOBJ b) {
        if (Object* o = findObject(b); o && o->selectedIn == dc) o->selectedIn = nullptr;
    };
    release(d->state.bitmap);
    for (const DcState& s : d->saved) release(s.bitmap);
    dcs().live.erase(reinterpret_cast<uintptr_t>(dc));
    return TRUE;
}

WINBASEAPI int WINAPI SaveDC(HDC dc) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d) return 0;
    d->saved.push_back(d->state);
    return int(d->saved.size());
}

WINBASEAPI BOOL WINAPI RestoreDC(HDC dc, int level) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d) return FALSE;
    const int depth = int(d->saved.size());
    const int target = level < 0 ? depth + level + 1 : level;  // the level to pop back to
    if (level == 0 || target < 1 || target > depth) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    DcState back = d->saved[size_t(target - 1)];
    d->saved.resize(size_t(target - 1));
    if (d->memory && back.bitmap != d->state.bitmap) {
        // The bitmap of the level restored must still be there; else the DC
        // falls back to its 1 x 1 start.
        if (Object* now = findObject(d->state.bitmap); now && now->selectedIn == dc) now->selectedIn = nullptr;
        Object* was = findObject(back.bitmap);
        if (was && was->bits && (!was->selectedIn || was->selectedIn == dc))
            was->selectedIn = dc;
        else
            back.bitmap = nullptr;
    }
    d->state = std::move(back);
    return TRUE;
}

WINBASEAPI int WINAPI ExcludeClipRect(HDC dc, int left, int top, int right, int bottom) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d) return ERROR;
    if (right > left && bottom > top) d->state.excluded.push_back(RECT{left, top, right, bottom});
    return d->state.excluded.empty() ? SIMPLEREGION : COMPLEXREGION;
}

WINBASEAPI int WINAPI GetClipBox(HDC dc, LPRECT rect) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    Surface* s = d ? winsim::gdi32::surfaceOf(*d) : nullptr;
    if (!s || !rect) return ERROR;
    RECT r{0, 0, s->width, s->height};
    if (d->state.clipped)
        r = RECT{std::max(r.left, d->state.clip.left), std::max(r.top, d->state.clip.top),
                 std::min(r.right, d->state.clip.right), std::min(r.bottom, d->state.clip.bottom)};
    if (r.right <= r.left || r.bottom <= r.top) {
        *rect = RECT{0, 0, 0, 0};
        return NULLREGION;
    }
    *rect = r;
    return d->state.excluded.empty() ? SIMPLEREGION : COMPLEXREGION;
}

WINBASEAPI HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    Object* o = d ? findObject(object) : nullptr;
    if (!o) {
        setError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    using winsim::gdi32::Kind;
    HGDIOBJ old = nullptr;
    if (o->kind == Kind::Pen) {
        old = d->state.pen;
        d->state.pen = object;
    } else if (o->kind == Kind::Brush) {
        old = d->state.brush;
        d->state.brush = object;
    } else if (o->kind == Kind::Font) {
        old = d->state.font;
        d->state.font = object;
    } else if (o->kind == Kind::Palette) {
        setError(ERROR_INVALID_PARAMETER);  // palettes go in through SelectPalette
        return nullptr;
    } else {
        // A bitmap goes into one memory DC at a time.
        if (!d->memory || (o->selectedIn && o->selectedIn != dc)) {
            setError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        old = d->state.bitmap;
        if (Object* prev = findObject(old); prev && prev != o) prev->selectedIn = nullptr;
        o->selectedIn = dc;
        d->state.bitmap = object;  // the 1 x 1 start has no handle: null comes back for it
    }
    return old;
}

WINBASEAPI HGDIOBJ WINAPI GetCurrentObject(HDC dc, UINT kind) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d) return nullptr;
    return kind == OBJ_PEN ? d->state.pen : kind == OBJ_BRUSH ? d->state.brush : kind == OBJ_BITMAP ? d->state.bitmap
         : kind == OBJ_FONT   ? d->state.font
                              : nullptr;
}

#define DC_FIELD(Name, Type, field, bad)                  \
    WINBASEAPI Type WINAPI Set##Name(HDC dc, Type value) { \
        std::lock_guard g(userLock());                     \
        Dc* d = findDc(dc);                                \
        if (!d) return bad;                                \
        const Type old = d->state.field;                   \
        d->state.field = value;                            \
        return old;                                        \
    }                                                      \
    WINBASEAPI Type WINAPI Get##Name(HDC dc) {             \
        std::lock_guard g(userLock());                     \
        Dc* d = findDc(dc);                                \
        return d ? d->state.field : bad;                   \
    }
DC_FIELD(TextColor, COLORREF, text, CLR_INVALID)
DC_FIELD(BkColor, COLORREF, back, CLR_INVALID)
#undef DC_FIELD

WINBASEAPI int WINAPI SetBkMode(HDC dc, int mode) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int old = d->state.bkMode;
    d->state.bkMode = mode;
    return old;
}

WINBASEAPI int WINAPI GetBkMode(HDC dc) {
    std::lock_guard g(userLock());
    Dc* d = findDc(dc);
    return d ? d->state.bkMode : 0;
}

}  // extern "C"
