// Pens, solid brushes, bitmaps and the stock objects: table entries behind
// handles that are never reused, so a deleted object's handle stays stale.
#include <algorithm>
#include <cstring>

#include "core/sim.h"
#include "gdi32/gdi32_internal.h"
#include "user/user_internal.h"

using namespace winsim::detail;
using winsim::gdi32::Kind;
using winsim::gdi32::Object;

namespace {

constexpr uintptr_t kObjectTag = 0x7A000000;   // pens, brushes, bitmaps
constexpr uintptr_t kSysBrushTag = 0x7C000000;  // GetSysColorBrush's handles
constexpr int kStockCount = 18;
constexpr uintptr_t kDialogFontTag = 0x7B000000;  // the dialog manager's font per point size
constexpr int kMaxSide = 16384;

struct Objects {
    std::map<uintptr_t, Object> live;
    std::map<uintptr_t, Object> sysBrushes;
    uintptr_t next = 16;  // below: the stock objects
};
Objects& objects() {
    static auto* o = new Objects;
    return *o;
}

Object stockRecord(int index) {
    Object o;
    o.stock = true;
    static const COLORREF greys[] = {0xFFFFFF, 0xC0C0C0, 0x808080, 0x404040, 0x000000};
    if (index == DEFAULT_PALETTE) {
        o.kind = Kind::Palette;
        o.entries = winsim::gdi32::defaultColours(4);
    } else if (index == SYSTEM_FONT || index == DEFAULT_GUI_FONT) {
        o.kind = Kind::Font;
        o.font.lfHeight = -11;
        o.font.lfWeight = 400;
    } else if (index <= BLACK_BRUSH) {
        o.kind = Kind::Brush;
        o.colour = greys[index];
    } else if (index == NULL_BRUSH) {
        o.kind = Kind::Brush;
        o.style = BS_NULL;
    } else {
        o.kind = Kind::Pen;
        o.style = index == NULL_PEN ? PS_NULL : PS_SOLID;
        o.colour = index == WHITE_PEN ? 0xFFFFFF : 0;
    }
    return o;
}

HGDIOBJ add(Object o) {
    std::lock_guard g(userLock());
    auto& t = objects();
    const uintptr_t h = kObjectTag | (t.next++ << 2);
    t.live.emplace(h, std::move(o));
    return reinterpret_cast<HGDIOBJ>(h);
}

}  // namespace

namespace winsim::gdi32 {

HGDIOBJ addObject(Object o) { return add(std::move(o)); }

HGDIOBJ stockObject(int index) {
    // Indexes 9..16 other than SYSTEM_FONT and DEFAULT_PALETTE name nothing here.
    if (index < 0 || index >= kStockCount ||
        (index > NULL_PEN && index != SYSTEM_FONT && index != DEFAULT_GUI_FONT && index != DEFAULT_PALETTE))
        return nullptr;
    return reinterpret_cast<HGDIOBJ>(kObjectTag | (uintptr_t(index) << 2));
}

Object* findObject(HGDIOBJ h) {
    const auto v = reinterpret_cast<uintptr_t>(h);
    auto& t = objects();
    if ((v & 0xFF000000u) == kObjectTag && (v & 3) == 0 && stockObject(int((v & 0xFFFFFF) >> 2)) == h) {
        auto it = t.live.find(v);
        if (it == t.live.end()) it = t.live.emplace(v, stockRecord(int((v & 0xFFFFFF) >> 2))).first;
        return &it->second;
    }
    if ((v & 0xFF000000u) == kSysBrushTag && (v & 3) == 0 && ((v & 0xFFFFFF) >> 2) < 31) {
        auto it = t.sysBrushes.find(v);
        if (it == t.sysBrushes.end()) {
            Object o;
            o.kind = Kind::Brush;
            o.stock = true;
            o.colour = GetSysColor(int((v & 0xFFFFFF) >> 2));
            it = t.sysBrushes.emplace(v, o).first;
        }
        return &it->second;
    }
    if ((v & 0xFF000000u) == kDialogFontTag && (v & 3) == 0 && ((v & 0xFFFFFF) >> 2) <= 0xFFFF) {
        auto it = t.sysBrushes.find(v);
        if (it == t.sysBrushes.end()) {
            Object o;
            o.kind = Kind::Font;
            o.stock = true;
            o.font.lfHeight = -LONG((v & 0xFFFFFF) >> 2) * 96 / 72;
            o.font.lfWeight = 400;
            it = t.sysBrushes.emplace(v, o).first;
        }
        return &it->second;
    }
    auto it = t.live.find(v);
    if (it != t.live.end()) return &it->second;
    // A bitmap of a resource module (LoadBitmapW) becomes a drawing bitmap
    // on first use, so it can be selected into a memory DC.
    const winsim::ImageInfo* img = winsim::detail::findImage(h);
    if (!img || img->kind != 'B' || img->width < 1 || img->height < 1) return nullptr;
    Object o;
    o.kind = Kind::Bitmap;
    o.bits = std::make_shared<winsim::gdi32::Surface>(img->width, img->height, 0);
    for (size_t i = 0; i < img->pixels.size() && i < o.bits->pixels.size(); ++i) {
        const uint32_t p = img->pixels[i];  // 0x00RRGGBB
        o.bits->pixels[i] = ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
    }
    return &t.live.emplace(v, std::move(o)).first->second;
}

}  // namespace winsim::gdi32

namespace winsim::detail {

// DeleteObject's share of this table: 1 deleted (or stock, left alone),
// 0 refused (a bitmap still selected), -1 not an object of this table.
int deleteGdiObject(HANDLE h) {
    std::lock_guard g(userLock());
    Object* o = winsim::gdi32::findObject(h);
    if (!o) return -1;
    if (o->stock) return 1;
    if (o->selectedIn) return 0;
    objects().live.erase(reinterpret_cast<uintptr_t>(h));
    removeImage(h, 'B');  // a loaded bitmap that was drawn with
    return 1;
}

}  // namespace winsim::detail

extern "C" {

WINBASEAPI HPEN WINAPI CreatePen(int style, int width, COLORREF colour) {
    if (enter("CreatePen")) return nullptr;
    if (style != PS_SOLID && style != PS_NULL) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Object o;
    o.kind = Kind::Pen;
    o.style = UINT(style);
    o.width = width < 1 ? 1 : std::min(width, 256);
    o.colour = colour & 0xFFFFFF;
    return static_cast<HPEN>(add(o));
}

WINBASEAPI HBRUSH WINAPI CreateSolidBrush(COLORREF colour) {
    if (enter("CreateSolidBrush")) return nullptr;
    Object o;
    o.kind = Kind::Brush;
    o.colour = colour & 0xFFFFFF;
    return static_cast<HBRUSH>(add(o));
}

WINBASEAPI HFONT WINAPI CreateFontIndirectW(const LOGFONTW* font) {
    if (enter("CreateFontIndirectW")) return nullptr;
    if (!font) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Object o;
    o.kind = Kind::Font;
    o.font = *font;
    o.font.lfFaceName[31] = 0;  // a caller's unterminated name stays bounded
    return static_cast<HFONT>(add(o));
}

WINBASEAPI HGDIOBJ WINAPI GetStockObject(int index) { return winsim::gdi32::stockObject(index); }

WINBASEAPI HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height) {
    if (enter("CreateCompatibleBitmap")) return nullptr;
    {
        std::lock_guard g(userLock());
        if (!winsim::gdi32::findDc(dc)) return nullptr;
    }
    if (width < 1 || height < 1 || width > kMaxSide || height > kMaxSide) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Object o;
    o.kind = Kind::Bitmap;
    o.bits = std::make_shared<winsim::gdi32::Surface>(width, height, 0);
    return static_cast<HBITMAP>(add(std::move(o)));
}

WINBASEAPI DWORD WINAPI GetObjectType(HGDIOBJ object) {
    std::lock_guard g(userLock());
    if (const Object* o = winsim::gdi32::findObject(object))
        return o->kind == Kind::Pen     ? OBJ_PEN
               : o->kind == Kind::Brush ? OBJ_BRUSH
               : o->kind == Kind::Font  ? OBJ_FONT
               : o->kind == Kind::Palette ? OBJ_PAL
                                        : OBJ_BITMAP;
    if (winsim::gdi32::Dc* d = winsim::gdi32::findDc(static_cast<HDC>(object))) return d->memory ? OBJ_MEMDC : OBJ_DC;
    setError(ERROR_INVALID_HANDLE);
    return 0;
}

WINBASEAPI int WINAPI GetObjectW(HANDLE object, int size, LPVOID buffer) {
    std::lock_guard g(userLock());
    const Object* o = winsim::gdi32::findObject(object);
    if (!o) {
        setError(ERROR_INVALID_HANDLE);
        return 0;
    }
    auto copy = [&](const auto& record) {
        const int need = int(sizeof(record));
        if (!buffer) return need;
        if (size < need) {
            setError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(buffer, &record, sizeof(record));
        return need;
    };
    if (o->kind == Kind::Pen) return copy(LOGPEN{o->style, POINT{o->width, 0}, o->colour});
    if (o->kind == Kind::Brush) return copy(LOGBRUSH{o->style, o->colour, 0});
    if (o->kind == Kind::Font) return copy(o->font);
    if (o->kind == Kind::Palette) return copy(WORD(o->entries.size()));
    return winsim::gdi32::bitmapRecord(*o, size, buffer);
}

}  // extern "C"
