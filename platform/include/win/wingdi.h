// User-mode drawing of the window system: device contexts of windows and
// of memory bitmaps, pens, brushes, bitmaps and the pixel operations on
// them. Colours are COLORREF (0x00BBGGRR); every surface is 32 bits a pixel.
#pragma once
#include "user.h"

WIN_BEGIN_DECLS

typedef HANDLE HGDIOBJ;
typedef struct HPEN__* HPEN;

#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | ((WORD)((BYTE)(g)) << 8) | (((DWORD)(BYTE)(b)) << 16)))
#define GetRValue(c) ((BYTE)(c))
#define GetGValue(c) ((BYTE)((c) >> 8))
#define GetBValue(c) ((BYTE)((c) >> 16))
#define CLR_INVALID 0xFFFFFFFF

// Stock objects (GetStockObject): shared handles DeleteObject leaves alone.
#define WHITE_BRUSH 0
#define LTGRAY_BRUSH 1
#define GRAY_BRUSH 2
#define DKGRAY_BRUSH 3
#define BLACK_BRUSH 4
#define NULL_BRUSH 5
#define HOLLOW_BRUSH NULL_BRUSH
#define WHITE_PEN 6
#define BLACK_PEN 7
#define NULL_PEN 8
#define SYSTEM_FONT 13
#define DEFAULT_GUI_FONT 17

// Object kinds (GetObjectType).
#define OBJ_PEN 1
#define OBJ_BRUSH 2
#define OBJ_DC 3
#define OBJ_FONT 6
#define OBJ_BITMAP 7
#define OBJ_MEMDC 10

#define PS_SOLID 0
#define PS_NULL 5
#define BS_SOLID 0
#define BS_NULL 1
#define BS_HOLLOW BS_NULL

#define TRANSPARENT 1
#define OPAQUE 2

// The region kinds ExcludeClipRect answers.
#define ERROR 0
#define NULLREGION 1
#define SIMPLEREGION 2
#define COMPLEXREGION 3

typedef struct tagLOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;
    COLORREF lopnColor;
} LOGPEN, *PLOGPEN, *LPLOGPEN;

typedef struct tagLOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
} LOGBRUSH, *PLOGBRUSH, *LPLOGBRUSH;

typedef struct tagBITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    LPVOID bmBits;
} BITMAP, *PBITMAP, *LPBITMAP;

// ---- Device contexts ----
// A memory DC starts with a 1 x 1 bitmap selected; select a bitmap of
// CreateCompatibleBitmap into it to draw. Null when `dc` is neither null
// nor a live DC.
WINBASEAPI HDC WINAPI CreateCompatibleDC(HDC dc);
WINBASEAPI BOOL WINAPI DeleteDC(HDC dc);
// Pushes the DC's objects, colours, position and clipping; returns the new
// level (1 for the first), 0 on a stale DC.
WINBASEAPI int WINAPI SaveDC(HDC dc);
// Pops back to `level` (negative: that many levels back); FALSE when no
// such level was saved.
WINBASEAPI BOOL WINAPI RestoreDC(HDC dc, int level);
WINBASEAPI int WINAPI ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
WINBASEAPI int WINAPI GetClipBox(HDC dc, LPRECT rect);
WINBASEAPI DWORD WINAPI GetObjectType(HGDIOBJ object);

// ---- Objects ----
WINBASEAPI HPEN WINAPI CreatePen(int style, int width, COLORREF colour);
WINBASEAPI HBRUSH WINAPI CreateSolidBrush(COLORREF colour);
WINBASEAPI HGDIOBJ WINAPI GetStockObject(int index);
// A 32-bit bitmap; null for a stale DC or a size outside 1..16384 a side.
WINBASEAPI HBITMAP WINAPI CreateCompatibleBitmap(HDC dc, int width, int height);
// Selects a pen, brush or bitmap; returns the object it replaces, null for
// a stale DC or object, a bitmap on a window DC or one another DC holds.
WINBASEAPI HGDIOBJ WINAPI SelectObject(HDC dc, HGDIOBJ object);
WINBASEAPI HGDIOBJ WINAPI GetCurrentObject(HDC dc, UINT kind);
// Copies the object's record (LOGPEN, LOGBRUSH, BITMAP) into `buffer`;
// with a null buffer returns the size it needs, 0 on a stale object or a
// buffer too small.
WINBASEAPI int WINAPI GetObjectW(HANDLE object, int size, LPVOID buffer);

// ---- Colours and modes ----
WINBASEAPI COLORREF WINAPI SetTextColor(HDC dc, COLORREF colour);
WINBASEAPI COLORREF WINAPI GetTextColor(HDC dc);
WINBASEAPI COLORREF WINAPI SetBkColor(HDC dc, COLORREF colour);
WINBASEAPI COLORREF WINAPI GetBkColor(HDC dc);
WINBASEAPI int WINAPI SetBkMode(HDC dc, int mode);
WINBASEAPI int WINAPI GetBkMode(HDC dc);

// ---- Drawing ----
WINBASEAPI COLORREF WINAPI GetPixel(HDC dc, int x, int y);
WINBASEAPI COLORREF WINAPI SetPixel(HDC dc, int x, int y, COLORREF colour);
WINBASEAPI int WINAPI FillRect(HDC dc, LPCRECT rect, HBRUSH brush);
WINBASEAPI int WINAPI FrameRect(HDC dc, LPCRECT rect, HBRUSH brush);
// Outline with the pen, inside with the brush; right and bottom excluded.
WINBASEAPI BOOL WINAPI Rectangle(HDC dc, int left, int top, int right, int bottom);
// The polygon's inside (alternate rule, at pixel centres) in the brush,
// its closed outline in the pen.
WINBASEAPI BOOL WINAPI Polygon(HDC dc, const POINT* points, int count);
// The ellipse inscribed in the box (right and bottom excluded): the inside
// in the brush, a ring of the pen's width in the pen.
WINBASEAPI BOOL WINAPI Ellipse(HDC dc, int left, int top, int right, int bottom);
WINBASEAPI BOOL WINAPI MoveToEx(HDC dc, int x, int y, LPPOINT previous);
// A line in the pen from the current position to (x, y), the end excluded.
WINBASEAPI BOOL WINAPI LineTo(HDC dc, int x, int y);
WINBASEAPI BOOL WINAPI PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
// Any ternary raster operation of pattern (the DC's brush), source and
// destination; a null source DC only for operations without a source.
WINBASEAPI BOOL WINAPI BitBlt(HDC dc, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
WINBASEAPI BOOL WINAPI StretchBlt(HDC dc, int x, int y, int width, int height, HDC source, int sx, int sy,
                                  int swidth, int sheight, DWORD rop);

// A dotted frame drawn by inverting every other pixel: twice removes it.
WINBASEAPI BOOL WINAPI DrawFocusRect(HDC dc, LPCRECT rect);
WINBASEAPI BOOL WINAPI OffsetRect(LPRECT rect, int dx, int dy);

// ---- Text ----
// Every font draws in the window system's one fixed bitmap face: 6 pixels
// a character, 13 a line (ascent 10). A font keeps its LOGFONTW for
// GetObjectW; its height changes nothing drawn, a weight of 600 or more
// doubles each glyph column (bold) and the escapement turns the text about
// its origin (tenths of a degree, anticlockwise).
typedef struct tagTEXTMETRICW {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
    LONG tmWeight;
    LONG tmOverhang;
    LONG tmDigitizedAspectX;
    LONG tmDigitizedAspectY;
    WCHAR tmFirstChar;
    WCHAR tmLastChar;
    WCHAR tmDefaultChar;
    WCHAR tmBreakChar;
    BYTE tmItalic;
    BYTE tmUnderlined;
    BYTE tmStruckOut;
    BYTE tmPitchAndFamily;
    BYTE tmCharSet;
} TEXTMETRICW, *PTEXTMETRICW, *LPTEXTMETRICW;

typedef struct _ABC {
    int abcA;
    UINT abcB;
    int abcC;
} ABC, *PABC, *LPABC;

#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

#define DT_TOP 0x00000000
#define DT_LEFT 0x00000000
#define DT_CENTER 0x00000001
#define DT_RIGHT 0x00000002
#define DT_VCENTER 0x00000004
#define DT_BOTTOM 0x00000008
#define DT_WORDBREAK 0x00000010
#define DT_SINGLELINE 0x00000020
#define DT_CALCRECT 0x00000400
#define DT_NOPREFIX 0x00000800
#define DT_END_ELLIPSIS 0x00008000

WINBASEAPI HFONT WINAPI CreateFontIndirectW(const LOGFONTW* font);
WINBASEAPI BOOL WINAPI GetTextMetricsW(HDC dc, LPTEXTMETRICW metrics);
WINBASEAPI BOOL WINAPI GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size);
WINBASEAPI BOOL WINAPI GetCharABCWidthsW(HDC dc, UINT first, UINT last, LPABC widths);
// Text with its cell top-left at (x, y); OPAQUE mode fills the cells with
// the background colour first.
WINBASEAPI BOOL WINAPI TextOutW(HDC dc, int x, int y, LPCWSTR text, int count);
WINBASEAPI BOOL WINAPI ExtTextOutW(HDC dc, int x, int y, UINT options, LPCRECT rect, LPCWSTR text, UINT count,
                                   const INT* dx);
// Lays out text in `rect` by the DT_ flags and draws it (DT_CALCRECT: only
// measures, setting rect's right and bottom); returns the text's height, 0
// on failure. A count of -1 means a terminated string. '&' marks the next
// character (underlined) unless DT_NOPREFIX; "&&" is one '&'.
WINBASEAPI int WINAPI DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format);

// ---- Font families ----
// EnumFontFamiliesW walks the machine's screen fonts ("fonts.screen": a
// ';' list of NAME or NAME:raster, TrueType by default); a null family
// gives one call per family, a name only that family. The callback's
// answer 0 stops the walk and becomes the result.
#define LF_FULLFACESIZE 64
#ifndef RASTER_FONTTYPE
#define RASTER_FONTTYPE 0x0001
#endif
#ifndef TRUETYPE_FONTTYPE
#define TRUETYPE_FONTTYPE 0x0004
#endif
typedef struct tagENUMLOGFONTW {
    LOGFONTW elfLogFont;
    WCHAR elfFullName[LF_FULLFACESIZE];
    WCHAR elfStyle[LF_FACESIZE];
} ENUMLOGFONTW, *LPENUMLOGFONTW;
typedef struct tagNEWTEXTMETRICW {
    TEXTMETRICW tm;
    DWORD ntmFlags;
    UINT ntmSizeEM;
    UINT ntmCellHeight;
    UINT ntmAvgWidth;
} NEWTEXTMETRICW, *LPNEWTEXTMETRICW;
typedef int(CALLBACK* FONTENUMPROCW)(const LOGFONTW* font, const TEXTMETRICW* metrics, DWORD fontType, LPARAM lParam);
WINBASEAPI int WINAPI EnumFontFamiliesW(HDC dc, LPCWSTR family, FONTENUMPROCW proc, LPARAM lParam);

WIN_END_DECLS
#include "wingdi_dib.h"
