// Device-independent bitmaps, logical palettes and paths of user-mode
// drawing (included by wingdi.h). A DIB is a header, a colour table of 2, 16
// or 256 entries for 1, 4 and 8 bits a pixel (none for 24 and 32), and rows
// padded to four bytes, bottom row first unless the height is negative.
#pragma once
#include "user.h"

WIN_BEGIN_DECLS

typedef struct tagRGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
} RGBQUAD, *LPRGBQUAD;

typedef struct tagBITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
} BITMAPINFOHEADER, *PBITMAPINFOHEADER, *LPBITMAPINFOHEADER;

typedef struct tagBITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
} BITMAPINFO, *PBITMAPINFO, *LPBITMAPINFO;

// The 14 bytes before a packed DIB in a .bmp file ("BM", the file size,
// the offset of the pixel rows); packed, so read it at its byte offsets.
#define BITMAPFILEHEADER_SIZE 14

#define BI_RGB 0L
#define DIB_RGB_COLORS 0
#define DIB_PAL_COLORS 1
#define CBM_INIT 0x04L
#define GDI_ERROR 0xFFFFFFFFL
#ifndef ERROR_CAN_NOT_COMPLETE
#define ERROR_CAN_NOT_COMPLETE 1003L
#endif

typedef struct tagDIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
} DIBSECTION, *LPDIBSECTION;

// A bitmap of the DC's format (32 bits a pixel) from a DIB header; with
// CBM_INIT its pixels come from `bits` in the format of `info`.
WINBASEAPI HBITMAP WINAPI CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                         const BITMAPINFO* info, UINT usage);
// A bitmap whose pixels the caller reads and writes at *bits in the DIB's
// own format (rows as the header gives them); `section` must be null.
WINBASEAPI HBITMAP WINAPI CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                           DWORD offset);
// Rows [start, start + lines) of the bitmap (row 0 the bottom of a
// bottom-up DIB) to or from `bits` in the format `info` gives; returns the
// rows copied, 0 on failure. GetDIBits with null bits fills in the header
// (size, image size; a 0 bit count asks for the bitmap's own). At 8 bits or
// fewer GetDIBits maps each pixel to the nearest entry of the colour table
// in `info` when biClrUsed is set, else writes the default table and uses it.
WINBASEAPI int WINAPI SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits,
                                const BITMAPINFO* info, UINT usage);
WINBASEAPI int WINAPI GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info,
                                UINT usage);
// Stretches a rectangle of a DIB (ySrc counted from the bottom of a
// bottom-up DIB) onto the DC with a ternary raster operation; returns the
// rows drawn, 0 on failure.
WINBASEAPI int WINAPI StretchDIBits(HDC dc, int x, int y, int width, int height, int sx, int sy, int swidth,
                                    int sheight, const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
// Makes the DIB sections' pixels current after drawing (drawing already
// writes them back; kept for callers that flush).
WINBASEAPI BOOL WINAPI GdiFlush(void);

// ---- Palettes ----
// Every surface holds 24-bit colour, so a palette changes no pixel: the
// nearest colour of any colour is itself.
typedef struct tagPALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
} PALETTEENTRY, *PPALETTEENTRY, *LPPALETTEENTRY;

typedef struct tagLOGPALETTE {
    WORD palVersion;  // 0x300
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
} LOGPALETTE, *PLOGPALETTE, *LPLOGPALETTE;

#define DEFAULT_PALETTE 15
#define OBJ_PAL 5

WINBASEAPI HPALETTE WINAPI CreatePalette(const LOGPALETTE* palette);
// Returns the palette the DC held (the default palette at first).
WINBASEAPI HPALETTE WINAPI SelectPalette(HDC dc, HPALETTE palette, BOOL background);
// The entries mapped into the system palette: none on a 24-bit surface.
WINBASEAPI UINT WINAPI RealizePalette(HDC dc);
WINBASEAPI COLORREF WINAPI GetNearestColor(HDC dc, COLORREF colour);
WINBASEAPI UINT WINAPI GetPaletteEntries(HPALETTE palette, UINT start, UINT count, LPPALETTEENTRY entries);

// ---- Paths ----
// Between BeginPath and EndPath, MoveToEx, LineTo, Rectangle and the text calls add
// figures to the DC's path instead of drawing; StrokePath draws the path in
// the pen and empties it. Text in a path is its glyphs' pixels.
WINBASEAPI BOOL WINAPI BeginPath(HDC dc);
WINBASEAPI BOOL WINAPI EndPath(HDC dc);
WINBASEAPI BOOL WINAPI AbortPath(HDC dc);
WINBASEAPI BOOL WINAPI CloseFigure(HDC dc);
WINBASEAPI BOOL WINAPI StrokePath(HDC dc);
// Fills the closed figures with the brush (even-odd), then empties the path.
WINBASEAPI BOOL WINAPI FillPath(HDC dc);
WINBASEAPI BOOL WINAPI StrokeAndFillPath(HDC dc);

WIN_END_DECLS
