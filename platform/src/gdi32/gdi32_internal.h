// Shared state of user-mode drawing: 32-bit surfaces, the object table
// (pens, brushes, bitmaps) and the DC table (memory DCs here, window DCs
// made on first use from the window system's DC handles).
#pragma once
#include <win/wingdi.h>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

namespace winsim::gdi32 {

// Pixels as COLORREF values, rows top first.
struct Surface {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    Surface(int w, int h, uint32_t fill) : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
};

enum class Kind { Pen, Brush, Bitmap, Font, Palette };

struct DibSection;  // dib.cpp
struct PathState;   // path.cpp

struct Object {
    Kind kind = Kind::Pen;
    bool stock = false;
    UINT style = 0;  // PS_ or BS_
    int width = 1;   // pens
    COLORREF colour = 0;
    std::shared_ptr<Surface> bits;  // bitmaps
    HDC selectedIn = nullptr;       // the memory DC holding a bitmap
    LOGFONTW font{};                // fonts
    std::shared_ptr<DibSection> dib;  // a DIB section's own pixel bytes
    std::vector<uint32_t> entries;    // palettes: PALETTEENTRY bytes as red | green << 8 | blue << 16
};

// What SaveDC keeps.
struct DcState {
    HGDIOBJ pen = nullptr, brush = nullptr, bitmap = nullptr, font = nullptr;
    HGDIOBJ palette = nullptr;  // null: the default palette
    COLORREF text = 0, back = 0xFFFFFF;
    int bkMode = OPAQUE;
    POINT pos{};
    RECT clip{};                 // device coordinates; empty rect with `clipped` = nothing
    bool clipped = false;        // false: the whole surface
    std::vector<RECT> excluded;  // ExcludeClipRect, tested pixel by pixel
};

struct Dc {
    bool memory = false;
    HWND window = nullptr;
    DcState state;
    std::vector<DcState> saved;
    std::shared_ptr<PathState> path;  // BeginPath .. StrokePath
};

// The object of a live handle (stock and system-colour brushes included),
// else null. The lock of the window system must be held.
Object* findObject(HGDIOBJ h);
// The DC of a live handle, made on first use for a window's DC; null for a
// stale one (last error set).
Dc* findDc(HDC h);
// The surface a DC draws on: its window's backing store or its bitmap.
Surface* surfaceOf(Dc& dc);
// A window's backing surface at its client size (made or resized here);
// null for a stale window.
Surface* windowSurface(HWND window);
// Whether a pixel of the surface lies inside the DC's clipping.
bool visible(const Dc& dc, const Surface& s, int x, int y);
// A new handle for an object (its record moved into the table).
HGDIOBJ addObject(Object o);
// The stock objects selected into a fresh DC.
HGDIOBJ stockObject(int index);

// DIB sections (dib.cpp): the surface takes the caller's pixel bytes when
// they changed; after drawing, the surface's pixels go back to the bytes.
void dibToSurface(Object& bitmap);
// The default colour table of a 1-, 4- or 8-bit DIB, as COLORREF values.
std::vector<uint32_t> defaultColours(int bits);
void surfaceWritten(Dc& dc);
// GetObjectW's record of a bitmap (BITMAP, or DIBSECTION for a section).
int bitmapRecord(const Object& bitmap, int size, void* buffer);
// Any ternary raster operation from a surface (null for operations without
// a source) onto the DC, scaling by nearest pixel; `name` is the call the
// DC's operation log records.
BOOL blitSurface(HDC dc, int x, int y, int w, int h, const Surface* from, int sx, int sy, int sw, int sh, DWORD rop,
                 const char* name = "StretchDIBits");
// Paths (path.cpp): whether the DC records a path now; the figures' points.
bool pathOpen(const Dc& dc);
void pathMoveTo(Dc& dc, int x, int y);
void pathLineTo(Dc& dc, int x, int y);
void pathDot(Dc& dc, int x, int y);
// A closed figure of the rectangle's outline (right and bottom excluded).
void pathRectangle(Dc& dc, int left, int top, int right, int bottom);

}  // namespace winsim::gdi32
