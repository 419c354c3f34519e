// One routine draws every preview picture: a bitmap of the resource
// library or of a .bmp file placed in a control's rectangle, the page
// background (or the tab pane of a visual style) showing through its key
// colour, optionally stretched and colour-adjusted, optionally composed off
// screen first.
#include <win/wingdi.h>
#include <win/comctl_controls.h>
#include <win/modules.h>

#include "core/sysdeps.h"
#include <win/user.h>
#include <win/uxtheme.h>
#include <win/wingdi_dib.h>

#include <vector>

#include "core/item_store.h"
#include "core/res/res.h"
#include "pictures/pictures.h"
#include "widgets/widget_support.h"
#include "widgets/widgets.h"

namespace vesk {
namespace {

constexpr int kItemMachineColor = 246;
constexpr COLORREF kKeyColour = 0x003300CC;
constexpr uint32_t kTransparent = 0x1, kStretch = 0x2, kOpaque = 0x4, kCentreX = 0x10, kRightX = 0x20,
                   kCentreY = 0x40, kBottomY = 0x80, kCopyMode = 0x1000, kAnd = 0x2000, kMergePaint = 0x4000;
constexpr DWORD kRopSrcAnd = 0x008800C6, kRopSrcPaint = 0x00EE0086, kRopMergePaint = 0x00BB0226;

// Placement rows by id range; ids of the range not listed are (0, 0) with
// anchor 0.
struct PlacementRow {
    uint16_t first, last;
    int16_t x, y;
    uint32_t anchor;
    uint16_t width, height;
};
constexpr PlacementRow kPlacements[] = {
    {6001, 6129, 0, 0, 0x50, 0, 0},
    {6205, 6208, 0, 0, 0x2, 0, 0},
    {6232, 6232, 71, 70, 0, 0, 0}, {6233, 6233, 71, 81, 0, 0, 0}, {6234, 6234, 71, 95, 0, 0, 0},
    {6235, 6235, 71, 53, 0, 0, 0},
    {6477, 6477, 99, 69, 0, 0, 0}, {6478, 6478, 99, 75, 0, 0, 0}, {6479, 6479, 99, 82, 0, 0, 0},
    {6480, 6480, 99, 88, 0, 0, 0},
    {6801, 6801, 108, 33, 0, 0, 0}, {6802, 6802, 99, 19, 0, 0, 0}, {6803, 6803, 45, 24, 0, 0, 0},
    {6804, 6804, 36, 33, 0, 0, 0}, {6805, 6805, 50, 24, 0, 0, 0},
    {6821, 6826, 133, 68, 0, 0, 0}, {6831, 6836, 153, 129, 0, 0, 0},
    {7001, 7005, 0, 0, 0, 12, 12},
};

struct Pixels {
    int width = 0, height = 0;
    std::vector<uint32_t> data;  // 0x00RRGGBB, top row first
};

BITMAPINFO topDown32(int w, int h) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

bool readPixels(HDC dc, HBITMAP bitmap, int w, int h, Pixels* out) {
    out->width = w;
    out->height = h;
    out->data.assign(size_t(w) * size_t(h), 0);
    BITMAPINFO bi = topDown32(w, h);
    return GetDIBits(dc, bitmap, 0, UINT(h), out->data.data(), &bi, DIB_RGB_COLORS) != 0;
}

HBITMAP makeBitmap(HDC dc, const Pixels& px) {
    HBITMAP b = CreateCompatibleBitmap(dc, px.width, px.height);
    BITMAPINFO bi = topDown32(px.width, px.height);
    if (b) SetDIBits(dc, b, 0, UINT(px.height), px.data.data(), &bi, DIB_RGB_COLORS);
    return b;
}

uint32_t quadOf(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }
COLORREF colourOf(uint32_t q) { return RGB((q >> 16) & 0xFF, (q >> 8) & 0xFF, q & 0xFF); }

// Blits a pixel block into `dc` at (x, y) with a raster operation.
void blitPixels(HDC dc, int x, int y, const Pixels& px, DWORD rop) {
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP b = makeBitmap(dc, px);
    HGDIOBJ old = SelectObject(mem, b);
    BitBlt(dc, x, y, px.width, px.height, mem, 0, 0, rop);
    SelectObject(mem, old);
    DeleteObject(b);
    DeleteDC(mem);
}

// The visual-style pane behind a picture, when every condition holds.
bool drawThemePane(UiPage* page, UiControl* control, HDC dc, int x, int y, int w, int h, int themeOff) {
    if (themeOff || !page || !page->window || page->modal || ComctlVersion() < 600 ||
        PicBackground() != GetSysColor(COLOR_BTNFACE))
        return false;
    HMODULE lib = LoadLibraryW(u"UxTheme.DLL");
    if (!lib) return false;
    using OpenFn = HTHEME(WINAPI*)(HWND, LPCWSTR);
    using CloseFn = HRESULT(WINAPI*)(HTHEME);
    using DrawFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, LPCRECT, LPCRECT);
    using ActiveFn = BOOL(WINAPI*)();
    auto open = ProcAs<OpenFn>(GetProcAddress(lib, "OpenThemeData"));
    auto close = ProcAs<CloseFn>(GetProcAddress(lib, "CloseThemeData"));
    auto draw = ProcAs<DrawFn>(GetProcAddress(lib, "DrawThemeBackground"));
    auto active = ProcAs<ActiveFn>(GetProcAddress(lib, "IsThemeActive"));
    bool drawn = false;
    if (open && close && draw && active && active()) {
        if (HTHEME theme = open(page->window, u"Tab")) {
            RECT pane{};
            GetClientRect(page->window, &pane);
            SendMessageW(page->window, TCM_ADJUSTRECT, FALSE, LPARAM(&pane));
            if (control && control->window) MapWindowPoints(page->window, control->window, reinterpret_cast<POINT*>(&pane), 2);
            OffsetRect(&pane, -x, -y);
            RECT clip{0, 0, w, h};
            drawn = draw(theme, dc, TABP_PANE, 0, &pane, &clip) == S_OK;
            close(theme);
        }
    }
    FreeLibrary(lib);
    return drawn;
}

// The depth of a resource picture's packed DIB and, for a 4-bit one, the
// colour of its first pixel (the bottom-left one): the key colour.
struct DibFacts {
    int bits = 0;
    uint32_t firstColour = 0;
    std::vector<uint32_t> table;  // the colour table, 0x00RRGGBB
};
DibFacts resourceDib(DrvContext* ctx, uint32_t id) {
    DibFacts f;
    HMODULE lib = ResGetBmpDll(ctx);
    HRSRC res = lib ? FindResourceW(lib, MAKEINTRESOURCEW(id), RT_BITMAP) : nullptr;
    const auto* p = res ? static_cast<const uint8_t*>(LockResource(LoadResource(lib, res))) : nullptr;
    const DWORD size = res ? SizeofResource(lib, res) : 0;
    if (!p || size < 40) return f;
    const auto u32 = [p](size_t at) { return uint32_t(p[at]) | uint32_t(p[at + 1]) << 8 | uint32_t(p[at + 2]) << 16 | uint32_t(p[at + 3]) << 24; };
    const uint32_t header = u32(0);
    f.bits = p[14] | (p[15] << 8);
    if (f.bits > 0 && f.bits <= 8 && header >= 40 && header <= size) {
        const uint32_t most = 1u << f.bits;
        const uint32_t used = u32(32) && u32(32) < most ? u32(32) : most;
        for (uint32_t i = 0; i < used && uint64_t(header) + 4 * (uint64_t(i) + 1) <= size; ++i)
            f.table.push_back(u32(header + 4 * i) & 0xFFFFFF);
    }
    if (f.bits == 4 && header >= 40 && header <= size) {
        const uint32_t used = u32(32) ? u32(32) : 16;
        const uint64_t bitsAt = uint64_t(header) + uint64_t(used) * 4;
        if (used <= 16 && bitsAt < size) {
            const uint32_t index = p[bitsAt] >> 4;
            if (index < used) f.firstColour = u32(header + 4 * index) & 0xFFFFFF;
        }
    }
    return f;
}

HBITMAP bitmapOf(DrvContext* ctx, HBITMAP source, bool* fromFile, uint32_t* flags) {
    *fromFile = false;
    const uintptr_t v = reinterpret_cast<uintptr_t>(source);
    if (v == 0) {
        HBITMAP b = PicState().pending;
        PicState().pending = nullptr;
        *flags |= kCentreX | kCentreY;
        return b;
    }
    if (v < 0x10000) return ResLoadBitmapId(ctx, uint32_t(v));
    const auto* name = reinterpret_cast<const WCHAR*>(source);
    if (name[0] && name[1] == u':') {
        *fromFile = true;
        return BmpLoadFile(name, nullptr, nullptr);
    }
    return ResLoadBitmapByName(ctx, name);
}

}  // namespace

bool ImagePlacementFind(int bitmapId, ImagePlacement* out) {
    *out = ImagePlacement{};
    if (bitmapId < 6001 || bitmapId > 7008) return false;
    for (const PlacementRow& r : kPlacements)
        if (bitmapId >= r.first && bitmapId <= r.last) {
            *out = ImagePlacement{r.x, r.y, r.anchor, r.width, r.height};
            break;
        }
    return true;
}

int ComctlVersion() {
    HMODULE lib = LoadLibraryW(u"comctl32.dll");
    if (!lib) return 0;
    using VersionFn = HRESULT(WINAPI*)(DLLVERSIONINFO*);
    int version = 0;
    if (auto fn = ProcAs<VersionFn>(GetProcAddress(lib, "DllGetVersion"))) {
        DLLVERSIONINFO info{};
        info.cbSize = sizeof info;
        if (fn(&info) == S_OK) version = int(info.dwMajorVersion * 100 + info.dwMinorVersion);
    }
    FreeLibrary(lib);
    return version;
}

HBITMAP ResLoadBitmapByName(DrvContext* ctx, const WCHAR* name) {
    HMODULE lib = ResGetBmpDll(ctx);
    return lib && name ? LoadBitmapW(lib, name) : nullptr;
}

namespace {
struct SharedPalette {
    int displayUses = -1;
    PALETTEENTRY entries[256] = {};
};
SharedPalette& sharedPalette() {
    static SharedPalette p;
    return p;
}
}  // namespace

uintptr_t PaletteShared(HDC dc, int index, COLORREF colour) {
    SharedPalette& p = sharedPalette();
    if (p.displayUses < 0) {
        HDC screen = GetDC(nullptr);
        p.displayUses = screen && GetNearestColor(screen, 0x00FF3333) != 0x00FF3333 ? 1 : 0;
        if (screen) ReleaseDC(nullptr, screen);
    }
    if (!dc) return uintptr_t(p.displayUses);
    if (!p.displayUses) return 0;
    if (index >= 0) {
        if (index < 256) p.entries[index] = PALETTEENTRY{GetRValue(colour), GetGValue(colour), GetBValue(colour), 0};
        return 1;
    }
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = 256;
    for (int i = 0; i < 256; ++i) log->palPalEntry[i] = p.entries[i];
    HPALETTE made = CreatePalette(log);
    if (!made) return 0;
    HPALETTE previous = SelectPalette(dc, made, FALSE);
    if (!previous) {
        DeleteObject(made);
        return 0;
    }
    RealizePalette(dc);
    return reinterpret_cast<uintptr_t>(previous);
}

void PaletteSharedForget() { sharedPalette().displayUses = -1; }

void PreviewSetPending(HBITMAP bitmap) {
    PictureState& s = PicState();
    if (s.pending) DeleteObject(s.pending);
    s.pending = bitmap;
}

COLORREF ColorAdjust(DrvContext*, COLORREF colour, int grey) {
    const int* a = PicState().adjust;
    const int L = a[0], C = a[1], S = a[2];
    if (!grey && L == 50 && C == 50 && S == 50 && a[3] == 50 && a[4] == 50 && a[5] == 50) return colour;
    int r = GetRValue(colour), g = GetGValue(colour), b = GetBValue(colour);
    int y = (30 * r + 59 * g + 11 * b) / 100;
    if (L != 50 || S != 50) {
        int dr = r - y, db = b - y;
        if (L != 50) {
            const int k = (3 * L - 150) / 2;
            y = y > 128 ? ((128 - k) * y + 255 * k) / 128 : y * (k + 128) / 128;
        }
        if (S != 50) {
            const int k = (3 * S - 150) / 2;
            auto f = [k](int d) { return d <= 128 ? d * (k + 128) / 128 : ((128 - k) * d + 255 * k) / 128; };
            dr = f(dr);
            db = f(db);
        }
        g = y - 30 * dr / 59 - 11 * db / 59;
        r = y + dr;
        b = y + db;
        r = r < 0 ? 0 : r;
        g = g < 0 ? 0 : g;
        b = b < 0 ? 0 : b;
    }
    if (grey) {
        r = g = b = y;
    } else {
        r += a[3] - 50;
        g += a[4] - 50;
        b += a[5] - 50;
    }
    if (C != 50) {
        const int o = C + 50, k = 2 * C + 156;
        r = k * r / 256 - o + 100;
        g = k * g / 256 - o + 100;
        b = k * b / 256 - o + 100;
    }
    auto clamp = [](int v) { return v < 0 ? 0 : v > 255 ? 255 : v; };
    return RGB(clamp(r), clamp(g), clamp(b));
}

void PreviewComposeBegin(DrvContext*) {
    PictureState& s = PicState();
    s.composing = 1;
    s.offDC = nullptr;
}

void PreviewComposeEnd(DrvContext* ctx, HWND window, const RECT* rect) {
    PictureState& s = PicState();
    if (!s.composing) return;
    s.composing = 0;
    if (!s.offDC) return;
    RECT r = s.offRect;
    if (rect) r = *rect;
    HDC dc = window ? CtlGetPaintDC(ctx, window) : s.sharedDC;
    if (dc) BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, s.offDC, 0, 0, SRCCOPY);
    if (dc && window) CtlReleasePaintDC(ctx, window, dc);
    SelectObject(s.offDC, s.offOld);
    DeleteObject(s.offBitmap);
    DeleteDC(s.offDC);
    s.offDC = nullptr;
    s.offBitmap = nullptr;
}

void DrawBitmapComposite(DrvContext* ctx, UiPage* page, UiControl* control, HDC target, const RECT* rect, int x,
                         int y, HBITMAP source, uint32_t flags, int themeOff) {
    if (!target || !rect) return;
    const int grey = ItemValueById(ctx, kItemMachineColor) == 0;
    RECT r = *rect;
    const int rw = r.right - r.left, rh = r.bottom - r.top;
    if (rw <= 0 || rh <= 0) return;
    PictureState& st = PicState();
    if (!(flags & kStretch) && st.composing) {
        if (!st.offDC) {
            st.offDC = CreateCompatibleDC(target);
            st.offBitmap = CreateCompatibleBitmap(target, rw, rh);
            st.offOld = SelectObject(st.offDC, st.offBitmap);
            st.offRect = r;
            BitBlt(st.offDC, 0, 0, rw, rh, target, r.left, r.top, SRCCOPY);
        }
        target = st.offDC;
        r = RECT{0, 0, rw, rh};
    }
    bool fromFile = false;
    HBITMAP bitmap = bitmapOf(ctx, source, &fromFile, &flags);
    if (!bitmap) return;
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    const int bw = info.bmWidth, bh = info.bmHeight;
    HDC mem = CreateCompatibleDC(target);
    HGDIOBJ oldMem = SelectObject(mem, bitmap);
    Pixels px;
    const uintptr_t sourceId = reinterpret_cast<uintptr_t>(source);
    const DibFacts dib = !fromFile && sourceId && sourceId < 0x10000 ? resourceDib(ctx, uint32_t(sourceId)) : DibFacts{};
    const bool paletted = dib.bits > 0 && dib.bits <= 8;
    if (bw > 0 && bh > 0 && readPixels(mem, bitmap, bw, bh, &px)) {
        if (flags & kStretch) {
            // Colour-adjusted (and grey on a monochrome machine) through the
            // picture's colour table; deeper pictures as they are.
            if (paletted)
                for (uint32_t& q : px.data) q = quadOf(ColorAdjust(ctx, colourOf(q), grey));
            // On a palette display the adjusted table goes into the shared
            // palette, realized in the target for the stretch.
            HPALETTE previous = nullptr;
            if (paletted && PaletteShared(nullptr, 0, 0)) {
                for (size_t i = 0; i < dib.table.size(); ++i)
                    PaletteShared(target, int(i), ColorAdjust(ctx, colourOf(dib.table[i]), grey));
                previous = reinterpret_cast<HPALETTE>(PaletteShared(target, -1, 0));
            }
            HDC work = CreateCompatibleDC(target);
            HBITMAP wb = makeBitmap(target, px);
            HGDIOBJ oldWork = SelectObject(work, wb);
            StretchBlt(target, r.left, r.top, rw, rh, work, 0, 0, bw, bh, SRCCOPY);
            if (previous) DeleteObject(SelectPalette(target, previous, FALSE));
            SelectObject(work, oldWork);
            DeleteObject(wb);
            DeleteDC(work);
        } else {
            int px0 = x - ((flags & kRightX) ? bw : (flags & kCentreX) ? bw / 2 : 0);
            int py0 = y - ((flags & kBottomY) ? bh : (flags & kCentreY) ? bh / 2 : 0);
            HDC work = CreateCompatibleDC(target);
            HBITMAP wb = CreateCompatibleBitmap(target, rw, rh);
            HGDIOBJ oldWork = SelectObject(work, wb);
            BitBlt(work, 0, 0, rw, rh, target, r.left, r.top, SRCCOPY);
            const bool plain = fromFile || (flags & (kOpaque | kCopyMode | kAnd | kMergePaint)) || !paletted;
            if (!plain) {
                const uint32_t key = dib.bits == 4 ? dib.firstColour : quadOf(kKeyColour);
                Pixels keyed = px, inverse = px, back = px;
                for (size_t i = 0; i < px.data.size(); ++i) {
                    const bool isKey = px.data[i] == key;
                    keyed.data[i] = isKey ? 0 : px.data[i];
                    inverse.data[i] = isKey ? 0xFFFFFF : 0;
                    back.data[i] = isKey ? quadOf(PicBackground()) : 0;
                }
                if (flags & kTransparent) {
                    blitPixels(work, px0, py0, inverse, kRopSrcAnd);
                } else {
                    HDC pane = CreateCompatibleDC(target);
                    HBITMAP pb = CreateCompatibleBitmap(target, bw, bh);
                    HGDIOBJ oldPane = SelectObject(pane, pb);
                    if (drawThemePane(page, control, pane, r.left + px0, r.top + py0, bw, bh, themeOff)) {
                        blitPixels(pane, 0, 0, inverse, kRopSrcAnd);
                        BitBlt(work, px0, py0, bw, bh, pane, 0, 0, SRCCOPY);
                    } else {
                        blitPixels(work, px0, py0, back, SRCCOPY);
                    }
                    SelectObject(pane, oldPane);
                    DeleteObject(pb);
                    DeleteDC(pane);
                }
                blitPixels(work, px0, py0, keyed, kRopSrcPaint);
            } else {
                const DWORD rop = (flags & kOpaque) ? SRCCOPY : (flags & kAnd) ? kRopSrcAnd
                                  : (flags & kMergePaint)               ? kRopMergePaint
                                                                         : kRopSrcPaint;
                BitBlt(work, px0, py0, bw, bh, mem, 0, 0, rop);
            }
            BitBlt(target, r.left, r.top, rw, rh, work, 0, 0, SRCCOPY);
            SelectObject(work, oldWork);
            DeleteObject(wb);
            DeleteDC(work);
        }
    }
    SelectObject(mem, oldMem);
    DeleteDC(mem);
    DeleteObject(bitmap);
}

void PreviewDrawImage(DrvContext* ctx, UiPage* page, UiControl* control, HWND window, const RECT* rect,
                      int bitmapId, uint32_t flags, int themeOff) {
    RECT r{};
    if (rect) {
        r = *rect;
        flags |= 0x50;
    } else if (window) {
        GetClientRect(window, &r);
    } else {
        return;
    }
    ImagePlacement place;
    ImagePlacementFind(bitmapId, &place);
    flags |= place.anchor;
    int x = place.x, y = place.y;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (flags & kRightX) x += w;
    else if (flags & kCentreX) x += w / 2;
    if (flags & kCentreY) y += h / 2;
    else if (flags & kBottomY) y += h;
    HDC dc = CtlGetPaintDC(ctx, window);
    if (!dc) return;
    DrawBitmapComposite(ctx, page, control, dc, &r, x, y, BitmapSourceId(uint32_t(bitmapId)), flags,
                        themeOff);
    CtlReleasePaintDC(ctx, window, dc);
}

}  // namespace vesk
