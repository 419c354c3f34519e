// The graphics engine's display-driver interface as the stand-in provides it:
// the records a printer graphics driver receives (SURFOBJ, CLIPOBJ, BRUSHOBJ,
// PATHOBJ, XFORMOBJ, XLATEOBJ, STROBJ, FONTOBJ), the records it fills for the
// engine (DRVENABLEDATA, GDIINFO, DEVINFO, IFIMETRICS, FD_GLYPHSET...), the
// engine services it calls (Eng*, *OBJ_*) and the driver function indexes.
// Layouts are the native ones (pointers keep their width); on i686 the sizes
// equal the engine's 32-bit sizes (GDIINFO 304, DEVINFO 300, ...).
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

// ---------------------------------------------------------------------------
// Basic types.
typedef ULONG FLONG;
typedef LONG FIX;          // 28.4 fixed point
typedef float FLOATL;      // user-mode drivers see floats
typedef float FLOAT;
typedef FLOAT* PFLOAT;
typedef ULONG HGLYPH;
typedef ULONG MIX;         // low byte foreground mix, next byte background mix
typedef ULONG ROP4;        // low byte: ROP3 where the mask is 1; next byte: where it is 0
typedef LONG PTRDIFF;      // offset from the start of the record that holds it
typedef SHORT FWORD;       // font design units
typedef LONG LDECI4;       // value x 10000
typedef ULONG* PULONG;
typedef USHORT* PUSHORT;
typedef CHAR* PCHAR;
typedef ULONG IDENT;
#define HGLYPH_INVALID ((HGLYPH)-1)

typedef struct DHPDEV__* DHPDEV;   // the driver's device record
typedef struct DHSURF__* DHSURF;   // the driver's surface record
typedef struct HDEV__* HDEV;       // the engine's device
typedef struct HSURF__* HSURF;     // an engine surface
typedef struct HBITMAP__* HBITMAP; // an engine bitmap (also usable as HSURF)
typedef struct HPALETTE__* HPALETTE;

typedef LONG_PTR(APIENTRY* PFN)();

// POINTL, RECTL, SIZE and SIZEL come from types.h.

typedef struct _POINTFIX {
    FIX x;
    FIX y;
} POINTFIX, *PPOINTFIX;

typedef struct _RECTFX {
    FIX xLeft;
    FIX yTop;
    FIX xRight;
    FIX yBottom;
} RECTFX, *PRECTFX;

typedef struct _POINTE {
    FLOATL x;
    FLOATL y;
} POINTE, *PPOINTE;

typedef struct _POINTQF {
    LARGE_INTEGER x;
    LARGE_INTEGER y;
} POINTQF, *PPOINTQF;

typedef union _FLOAT_LONG {
    FLOATL e;
    LONG l;
} FLOAT_LONG, *PFLOAT_LONG;

typedef struct _XFORML {
    FLOATL eM11;
    FLOATL eM12;
    FLOATL eM21;
    FLOATL eM22;
    FLOATL eDx;
    FLOATL eDy;
} XFORML, *PXFORML;

typedef struct _FD_XFORM {
    FLOATL eXX;
    FLOATL eXY;
    FLOATL eYX;
    FLOATL eYY;
} FD_XFORM, *PFD_XFORM;

#ifndef WINSIM_LOGFONTW_DEFINED
#define WINSIM_LOGFONTW_DEFINED
#define LF_FACESIZE 32
typedef struct tagLOGFONTW {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    WCHAR lfFaceName[LF_FACESIZE];
} LOGFONTW, *PLOGFONTW, *LPLOGFONTW;
#endif

#ifndef WINSIM_COLORADJUSTMENT_DEFINED
#define WINSIM_COLORADJUSTMENT_DEFINED
typedef struct tagCOLORADJUSTMENT {
    WORD caSize;
    WORD caFlags;
    WORD caIlluminantIndex;
    WORD caRedGamma;
    WORD caGreenGamma;
    WORD caBlueGamma;
    WORD caReferenceBlack;
    WORD caReferenceWhite;
    SHORT caContrast;
    SHORT caBrightness;
    SHORT caColorfulness;
    SHORT caRedGreenTint;
} COLORADJUSTMENT, *PCOLORADJUSTMENT;
#endif

// The public DEVMODE and the logical colour space belong to other headers;
// the driver interface only passes pointers to them.
struct _devicemodeW;
typedef struct _devicemodeW DEVMODEW;
struct tagLOGCOLORSPACEW;
typedef struct tagLOGCOLORSPACEW* LPLOGCOLORSPACEW;

// ---------------------------------------------------------------------------
// Driver entry: DrvEnableDriver fills a DRVENABLEDATA with its function table.
typedef struct _DRVFN {
    ULONG iFunc;
    PFN pfn;
} DRVFN, *PDRVFN;

typedef struct tagDRVENABLEDATA {
    ULONG iDriverVersion;
    ULONG c;
    DRVFN* pdrvfn;
} DRVENABLEDATA, *PDRVENABLEDATA;

#define DDI_DRIVER_VERSION_NT4 0x00020000
#define DDI_DRIVER_VERSION_SP3 0x00020003
#define DDI_DRIVER_VERSION_NT5 0x00030000
#define DDI_DRIVER_VERSION_NT5_01 0x00030100
#define DDI_DRIVER_VERSION_NT5_01_SP1 0x00030101
#define DRVQUERY_USERMODE 1
#define ERROR_BAD_DRIVER_LEVEL 119L

// Driver function indexes (the engine's numbering).
#define INDEX_DrvEnablePDEV 0L
#define INDEX_DrvCompletePDEV 1L
#define INDEX_DrvDisablePDEV 2L
#define INDEX_DrvEnableSurface 3L
#define INDEX_DrvDisableSurface 4L
#define INDEX_DrvAssertMode 5L
#define INDEX_DrvOffset 6L
#define INDEX_DrvResetPDEV 7L
#define INDEX_DrvDisableDriver 8L
#define INDEX_DrvCreateDeviceBitmap 10L
#define INDEX_DrvDeleteDeviceBitmap 11L
#define INDEX_DrvRealizeBrush 12L
#define INDEX_DrvDitherColor 13L
#define INDEX_DrvStrokePath 14L
#define INDEX_DrvFillPath 15L
#define INDEX_DrvStrokeAndFillPath 16L
#define INDEX_DrvPaint 17L
#define INDEX_DrvBitBlt 18L
#define INDEX_DrvCopyBits 19L
#define INDEX_DrvStretchBlt 20L
#define INDEX_DrvSetPalette 22L
#define INDEX_DrvTextOut 23L
#define INDEX_DrvEscape 24L
#define INDEX_DrvDrawEscape 25L
#define INDEX_DrvQueryFont 26L
#define INDEX_DrvQueryFontTree 27L
#define INDEX_DrvQueryFontData 28L
#define INDEX_DrvSetPointerShape 29L
#define INDEX_DrvMovePointer 30L
#define INDEX_DrvLineTo 31L
#define INDEX_DrvSendPage 32L
#define INDEX_DrvStartPage 33L
#define INDEX_DrvEndDoc 34L
#define INDEX_DrvStartDoc 35L
#define INDEX_DrvGetGlyphMode 37L
#define INDEX_DrvSynchronize 38L
#define INDEX_DrvSaveScreenBits 40L
#define INDEX_DrvGetModes 41L
#define INDEX_DrvFree 42L
#define INDEX_DrvDestroyFont 43L
#define INDEX_DrvQueryFontCaps 44L
#define INDEX_DrvLoadFontFile 45L
#define INDEX_DrvUnloadFontFile 46L
#define INDEX_DrvFontManagement 47L
#define INDEX_DrvQueryTrueTypeTable 48L
#define INDEX_DrvQueryTrueTypeOutline 49L
#define INDEX_DrvGetTrueTypeFile 50L
#define INDEX_DrvQueryFontFile 51L
#define INDEX_DrvMovePanning 52L
#define INDEX_DrvQueryAdvanceWidths 53L
#define INDEX_DrvSetPixelFormat 54L
#define INDEX_DrvDescribePixelFormat 55L
#define INDEX_DrvSwapBuffers 56L
#define INDEX_DrvStartBanding 57L
#define INDEX_DrvNextBand 58L
#define INDEX_DrvGetDirectDrawInfo 59L
#define INDEX_DrvEnableDirectDraw 60L
#define INDEX_DrvDisableDirectDraw 61L
#define INDEX_DrvQuerySpoolType 62L
#define INDEX_DrvIcmCreateColorTransform 64L
#define INDEX_DrvIcmDeleteColorTransform 65L
#define INDEX_DrvIcmCheckBitmapBits 66L
#define INDEX_DrvIcmSetDeviceGammaRamp 67L
#define INDEX_DrvGradientFill 68L
#define INDEX_DrvStretchBltROP 69L
#define INDEX_DrvPlgBlt 70L
#define INDEX_DrvAlphaBlend 71L
#define INDEX_DrvTransparentBlt 74L
#define INDEX_LAST 89L

// ---------------------------------------------------------------------------
// Device description: GDIINFO (returned through DrvEnablePDEV's ULONG* caps)
// and DEVINFO.
typedef struct _CIECHROMA {
    LDECI4 x;
    LDECI4 y;
    LDECI4 Y;
} CIECHROMA;

typedef struct _COLORINFO {
    CIECHROMA Red;
    CIECHROMA Green;
    CIECHROMA Blue;
    CIECHROMA Cyan;
    CIECHROMA Magenta;
    CIECHROMA Yellow;
    CIECHROMA AlignmentWhite;
    LDECI4 RedGamma;
    LDECI4 GreenGamma;
    LDECI4 BlueGamma;
    LDECI4 MagentaInCyanDye;
    LDECI4 YellowInCyanDye;
    LDECI4 CyanInMagentaDye;
    LDECI4 YellowInMagentaDye;
    LDECI4 CyanInYellowDye;
    LDECI4 MagentaInYellowDye;
} COLORINFO, *PCOLORINFO;

typedef struct _GDIINFO {
    ULONG ulVersion;
    ULONG ulTechnology;
    ULONG ulHorzSize;
    ULONG ulVertSize;
    ULONG ulHorzRes;
    ULONG ulVertRes;
    ULONG cBitsPixel;
    ULONG cPlanes;
    ULONG ulNumColors;
    ULONG flRaster;
    ULONG ulLogPixelsX;
    ULONG ulLogPixelsY;
    ULONG flTextCaps;
    ULONG ulDACRed;
    ULONG ulDACGreen;
    ULONG ulDACBlue;
    ULONG ulAspectX;
    ULONG ulAspectY;
    ULONG ulAspectXY;
    LONG xStyleStep;
    LONG yStyleStep;
    LONG denStyleStep;
    POINTL ptlPhysOffset;
    SIZEL szlPhysSize;
    ULONG ulNumPalReg;
    COLORINFO ciDevice;
    ULONG ulDevicePelsDPI;
    ULONG ulPrimaryOrder;
    ULONG ulHTPatternSize;
    ULONG ulHTOutputFormat;
    ULONG flHTFlags;
    ULONG ulVRefresh;
    ULONG ulBltAlignment;
    ULONG ulPanningHorzRes;
    ULONG ulPanningVertRes;
    ULONG xPanningAlignment;
    ULONG yPanningAlignment;
    ULONG cxHTPat;
    ULONG cyHTPat;
    LPBYTE pHTPatA;
    LPBYTE pHTPatB;
    LPBYTE pHTPatC;
    ULONG flShadeBlend;
    ULONG ulPhysicalPixelCharacteristics;
    ULONG ulPhysicalPixelGamma;
} GDIINFO, *PGDIINFO;

#define GDI_DRIVER_VERSION 0x4000
#define DT_PLOTTER 0
#define DT_RASDISPLAY 1
#define DT_RASPRINTER 2
#define DT_RASCAMERA 3
#define DT_CHARSTREAM 4

typedef struct tagDEVINFO {
    FLONG flGraphicsCaps;
    LOGFONTW lfDefaultFont;
    LOGFONTW lfAnsiVarFont;
    LOGFONTW lfAnsiFixFont;
    ULONG cFonts;
    ULONG iDitherFormat;
    USHORT cxDither;
    USHORT cyDither;
    HPALETTE hpalDefault;
    FLONG flGraphicsCaps2;
} DEVINFO, *PDEVINFO;

// DEVINFO.flGraphicsCaps.
#define GCAPS_BEZIERS 0x00000001
#define GCAPS_GEOMETRICWIDE 0x00000002
#define GCAPS_ALTERNATEFILL 0x00000004
#define GCAPS_WINDINGFILL 0x00000008
#define GCAPS_HALFTONE 0x00000010
#define GCAPS_COLOR_DITHER 0x00000020
#define GCAPS_HORIZSTRIKE 0x00000040
#define GCAPS_VERTSTRIKE 0x00000080
#define GCAPS_OPAQUERECT 0x00000100
#define GCAPS_VECTORFONT 0x00000200
#define GCAPS_MONO_DITHER 0x00000400
#define GCAPS_ASYNCCHANGE 0x00000800
#define GCAPS_ASYNCMOVE 0x00001000
#define GCAPS_DONTJOURNAL 0x00002000
#define GCAPS_DIRECTDRAW 0x00004000
#define GCAPS_ARBRUSHOPAQUE 0x00008000
#define GCAPS_PANNING 0x00010000
#define GCAPS_HIGHRESTEXT 0x00040000
#define GCAPS_PALMANAGED 0x00080000
#define GCAPS_DITHERONREALIZE 0x00200000
#define GCAPS_NO64BITMEMACCESS 0x00400000
#define GCAPS_FORCEDITHER 0x00800000
#define GCAPS_GRAY16 0x01000000
#define GCAPS_ICM 0x02000000
#define GCAPS_CMYKCOLOR 0x04000000
#define GCAPS_LAYERED 0x08000000
#define GCAPS_ARBRUSHTEXT 0x10000000
#define GCAPS_SCREENPRECISION 0x20000000
#define GCAPS_FONT_RASTERIZER 0x40000000
#define GCAPS_NUP 0x80000000

// Halftone output formats (GDIINFO.ulHTOutputFormat).
#define HT_FORMAT_1BPP 0
#define HT_FORMAT_4BPP 2
#define HT_FORMAT_4BPP_IRGB 3
#define HT_FORMAT_8BPP 4
#define HT_FORMAT_16BPP 5
#define HT_FORMAT_24BPP 6
#define HT_FORMAT_32BPP 7

// ---------------------------------------------------------------------------
// Surfaces.
typedef struct _SURFOBJ {
    DHSURF dhsurf;
    HSURF hsurf;
    DHPDEV dhpdev;
    HDEV hdev;
    SIZEL sizlBitmap;
    ULONG cjBits;
    PVOID pvBits;
    PVOID pvScan0;
    LONG lDelta;
    ULONG iUniq;
    ULONG iBitmapFormat;
    USHORT iType;
    USHORT fjBitmap;
} SURFOBJ, *PSURFOBJ;

// SURFOBJ.iType.
#define STYPE_BITMAP 0L
#define STYPE_DEVICE 1L
#define STYPE_DEVBITMAP 3L

// Bitmap formats.
#define BMF_1BPP 1L
#define BMF_4BPP 2L
#define BMF_8BPP 3L
#define BMF_16BPP 4L
#define BMF_24BPP 5L
#define BMF_32BPP 6L
#define BMF_4RLE 7L
#define BMF_8RLE 8L
#define BMF_JPEG 9L
#define BMF_PNG 10L

// SURFOBJ.fjBitmap and EngCreateBitmap's flags.
#define BMF_TOPDOWN 0x0001
#define BMF_NOZEROINIT 0x0002
#define BMF_DONTCACHE 0x0004
#define BMF_USERMEM 0x0008
#define BMF_KMSECTION 0x0010
#define BMF_NOTSYSMEM 0x0020
#define BMF_WINDOW_BLT 0x0040
#define BMF_UMPDMEM 0x0080

// Hooks a driver asks for in EngAssociateSurface.
#define HOOK_BITBLT 0x00000001
#define HOOK_STRETCHBLT 0x00000002
#define HOOK_PLGBLT 0x00000004
#define HOOK_TEXTOUT 0x00000008
#define HOOK_PAINT 0x00000010
#define HOOK_STROKEPATH 0x00000020
#define HOOK_FILLPATH 0x00000040
#define HOOK_STROKEANDFILLPATH 0x00000080
#define HOOK_LINETO 0x00000100
#define HOOK_COPYBITS 0x00000400
#define HOOK_MOVEPANNING 0x00000800
#define HOOK_SYNCHRONIZE 0x00001000
#define HOOK_STRETCHBLTROP 0x00002000
#define HOOK_SYNCHRONIZEACCESS 0x00004000
#define HOOK_TRANSPARENTBLT 0x00008000
#define HOOK_ALPHABLEND 0x00010000
#define HOOK_GRADIENTFILL 0x00020000
#define HOOK_FLAGS 0x0003B5FF

// ---------------------------------------------------------------------------
// Palettes and colour translation.
#define PAL_INDEXED 0x00000001
#define PAL_BITFIELDS 0x00000002
#define PAL_RGB 0x00000004   // red in the low byte (0x00BBGGRR)
#define PAL_BGR 0x00000008   // blue in the low byte (0x00RRGGBB)
#define PAL_CMYK 0x00000010

typedef struct _XLATEOBJ {
    ULONG iUniq;
    FLONG flXlate;
    USHORT iSrcType;
    USHORT iDstType;
    ULONG cEntries;
    ULONG* pulXlate;
} XLATEOBJ, *PXLATEOBJ;

#define XO_TRIVIAL 0x00000001
#define XO_TABLE 0x00000002
#define XO_TO_MONO 0x00000004
#define XO_FROM_CMYK 0x00000008
#define XO_DEVICE_ICM 0x00000010
#define XO_HOST_ICM 0x00000020

#define XO_SRCPALETTE 1
#define XO_DESTPALETTE 2
#define XO_DESTDCPALETTE 3
#define XO_SRCBITFIELDS 4
#define XO_DESTBITFIELDS 5

// ---------------------------------------------------------------------------
// Clipping.
typedef struct _CLIPOBJ {
    ULONG iUniq;
    RECTL rclBounds;
    BYTE iDComplexity;
    BYTE iFComplexity;
    BYTE iMode;
    BYTE fjOptions;
} CLIPOBJ, *PCLIPOBJ;

#define DC_TRIVIAL 0
#define DC_RECT 1
#define DC_COMPLEX 3
#define FC_RECT 1
#define FC_RECT4 2
#define FC_COMPLEX 3
#define TC_RECTANGLES 4
#define TC_PATHOBJ 2
#define OC_BANK_CLIP 1
#define CT_RECTANGLES 0L
#define CD_RIGHTDOWN 0x00000000
#define CD_LEFTDOWN 0x00000001
#define CD_RIGHTUP 0x00000002
#define CD_LEFTUP 0x00000003
#define CD_ANY 0x00000004
#define CD_LEFTWARDS 0x00000001
#define CD_UPWARDS 0x00000002

typedef struct _ENUMRECTS {
    ULONG c;
    RECTL arcl[1];
} ENUMRECTS;

// ---------------------------------------------------------------------------
// Brushes.
typedef struct _BRUSHOBJ {
    ULONG iSolidColor;  // colour in the target's palette form, or 0xFFFFFFFF for a pattern
    PVOID pvRbrush;     // the driver's realisation
    FLONG flColorType;
} BRUSHOBJ, *PBRUSHOBJ;

#define BR_DEVICE_ICM 0x01
#define BR_HOST_ICM 0x02
#define BR_CMYKCOLOR 0x04
#define BR_ORIGCOLOR 0x08

// Hatch styles passed to DrvRealizeBrush.
#define HS_HORIZONTAL 0
#define HS_VERTICAL 1
#define HS_FDIAGONAL 2
#define HS_BDIAGONAL 3
#define HS_CROSS 4
#define HS_DIAGCROSS 5
#define HS_DDI_MAX 6

// Binary raster operations (mix codes).
#define R2_BLACK 1
#define R2_NOTMERGEPEN 2
#define R2_MASKNOTPEN 3
#define R2_NOTCOPYPEN 4
#define R2_MASKPENNOT 5
#define R2_NOT 6
#define R2_XORPEN 7
#define R2_NOTMASKPEN 8
#define R2_MASKPEN 9
#define R2_NOTXORPEN 10
#define R2_NOP 11
#define R2_MERGENOTPEN 12
#define R2_COPYPEN 13
#define R2_MERGEPENNOT 14
#define R2_MERGEPEN 15
#define R2_WHITE 16

// Ternary raster operations (full 32-bit forms; the ROP3 is bits 16-23).
#define SRCCOPY 0x00CC0020
#define SRCPAINT 0x00EE0086
#define SRCAND 0x008800C6
#define SRCINVERT 0x00660046
#define SRCERASE 0x00440328
#define NOTSRCCOPY 0x00330008
#define NOTSRCERASE 0x001100A6
#define MERGECOPY 0x00C000CA
#define MERGEPAINT 0x00BB0226
#define PATCOPY 0x00F00021
#define PATPAINT 0x00FB0A09
#define PATINVERT 0x005A0049
#define DSTINVERT 0x00550009
#define BLACKNESS 0x00000042
#define WHITENESS 0x00FF0062

// Stretching modes.
#define BLACKONWHITE 1
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4

// DrvDitherColor results.
#define DCR_SOLID 0
#define DCR_DRIVER 1
#define DCR_HALFTONE 2
#define DM_DEFAULT 0x00000001
#define DM_MONOCHROME 0x00000002

// ---------------------------------------------------------------------------
// Paths.
typedef struct _PATHOBJ {
    FLONG fl;
    ULONG cCurves;
} PATHOBJ, *PPATHOBJ;

#define PO_BEZIERS 0x00000001
#define PO_ELLIPSE 0x00000002
#define PO_ALL_INTEGERS 0x00000004
#define PO_ENUM_AS_INTEGERS 0x00000008

typedef struct _PATHDATA {
    FLONG flags;
    ULONG count;
    POINTFIX* pptfx;
} PATHDATA, *PPATHDATA;

#define PD_BEGINSUBPATH 0x00000001
#define PD_ENDSUBPATH 0x00000002
#define PD_RESETSTYLE 0x00000004
#define PD_CLOSEFIGURE 0x00000008
#define PD_BEZIERS 0x00000010
#define PD_ALL (PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_RESETSTYLE | PD_CLOSEFIGURE | PD_BEZIERS)

// DrvFillPath options.
#define FP_ALTERNATEMODE 1
#define FP_WINDINGMODE 2

// Line attributes.
typedef struct _LINEATTRS {
    FLONG fl;
    ULONG iJoin;
    ULONG iEndCap;
    FLOAT_LONG elWidth;
    FLOATL eMiterLimit;
    ULONG cstyle;
    PFLOAT_LONG pstyle;
    FLOAT_LONG elStyleState;
} LINEATTRS, *PLINEATTRS;

#define LA_GEOMETRIC 0x00000001
#define LA_ALTERNATE 0x00000002
#define LA_STARTGAP 0x00000004
#define LA_STYLED 0x00000008
#define JOIN_ROUND 0L
#define JOIN_BEVEL 1L
#define JOIN_MITER 2L
#define ENDCAP_ROUND 0L
#define ENDCAP_SQUARE 1L
#define ENDCAP_BUTT 2L

// ---------------------------------------------------------------------------
// Transforms.
typedef struct _XFORMOBJ {
    ULONG ulReserved;
} XFORMOBJ, *PXFORMOBJ;

#define GX_IDENTITY 0L
#define GX_OFFSET 1L
#define GX_SCALE 2L
#define GX_GENERAL 3L
#define XF_LTOL 0L
#define XF_INV_LTOL 1L
#define XF_LTOFX 2L
#define XF_INV_FXTOL 3L

// ---------------------------------------------------------------------------
// Text and fonts.
typedef struct _GLYPHBITS {
    POINTL ptlOrigin;  // top-left of the bitmap relative to the glyph's origin
    SIZEL sizlBitmap;
    BYTE aj[1];        // rows of (cx + 7) / 8 bytes, top row first, bit 7 leftmost
} GLYPHBITS;

typedef union _GLYPHDEF {
    GLYPHBITS* pgb;
    PATHOBJ* ppo;
} GLYPHDEF;

typedef struct _GLYPHPOS {
    HGLYPH hg;
    GLYPHDEF* pgdf;
    POINTL ptl;  // the glyph's origin on the page
} GLYPHPOS, *PGLYPHPOS;

typedef struct _GLYPHDATA {
    GLYPHDEF gdf;
    HGLYPH hg;
    FIX fxD;
    FIX fxA;
    FIX fxAB;
    FIX fxInkTop;
    FIX fxInkBottom;
    RECTL rclInk;
    POINTQF ptqD;
} GLYPHDATA, *PGLYPHDATA;

typedef struct _STROBJ {
    ULONG cGlyphs;
    FLONG flAccel;
    ULONG ulCharInc;
    RECTL rclBkGround;
    GLYPHPOS* pgp;
    LPWSTR pwszOrg;
} STROBJ, *PSTROBJ;

#define SO_FLAG_DEFAULT_PLACEMENT 0x00000001
#define SO_HORIZONTAL 0x00000002
#define SO_VERTICAL 0x00000004
#define SO_REVERSED 0x00000008
#define SO_ZERO_BEARINGS 0x00000010
#define SO_CHAR_INC_EQUAL_BM_BASE 0x00000020
#define SO_MAXEXT_EQUAL_BM_SIDE 0x00000040
#define SO_DO_NOT_SUBSTITUTE_DEVICE_FONT 0x00000080
#define SO_GLYPHINDEX_TEXTOUT 0x00000100
#define SO_ESC_NOT_ORIENT 0x00000200
#define SO_DXDY 0x00000400
#define SO_CHARACTER_EXTRA 0x00000800
#define SO_BREAK_EXTRA 0x00001000

typedef struct _FONTOBJ {
    ULONG iUniq;
    ULONG iFace;
    ULONG cxMax;
    FLONG flFontType;
    ULONG_PTR iTTUniq;
    ULONG_PTR iFile;
    SIZE sizLogResPpi;
    ULONG ulStyleSize;
    PVOID pvConsumer;
    PVOID pvProducer;
} FONTOBJ, *PFONTOBJ;

// FONTOBJ.flFontType.
#define FO_TYPE_RASTER 0x00000001
#define FO_TYPE_DEVICE 0x00000002
#define FO_TYPE_TRUETYPE 0x00000004
#define FO_TYPE_OPENTYPE 0x00000008
#define RASTER_FONTTYPE FO_TYPE_RASTER
#define DEVICE_FONTTYPE FO_TYPE_DEVICE
#define TRUETYPE_FONTTYPE FO_TYPE_TRUETYPE
#define FO_SIM_BOLD 0x00002000
#define FO_SIM_ITALIC 0x00004000
#define FO_EM_HEIGHT 0x00008000
#define FO_GRAY16 0x00010000
#define FO_NOGRAY16 0x00020000
#define FO_NOHINTS 0x00040000
#define FO_NO_CHOICE 0x00080000
#define FO_VERT_FACE 0x00800000
#define FO_DBCS_FONT 0x01000000

// FONTOBJ_cGetGlyphs and DrvGetGlyphMode modes.
#define FO_HGLYPHS 0L
#define FO_GLYPHBITS 1L
#define FO_PATHOBJ 2L

// DrvQueryFontData modes.
#define QFD_GLYPHANDBITMAP 1L
#define QFD_GLYPHANDOUTLINE 2L
#define QFD_MAXEXTENTS 3L
#define QFD_TT_GLYPHANDBITMAP 4L
#define QFD_TT_GRAY1_BITMAP 5L
// DrvQueryFontTree modes.
#define QFT_LIGATURES 1L
#define QFT_KERNPAIRS 2L
#define QFT_GLYPHSET 3L
// DrvQueryAdvanceWidths modes.
#define QAW_GETWIDTHS 0
#define QAW_GETEASYWIDTHS 1

typedef struct _PANOSE {
    BYTE bFamilyType;
    BYTE bSerifStyle;
    BYTE bWeight;
    BYTE bProportion;
    BYTE bContrast;
    BYTE bStrokeVariation;
    BYTE bArmStyle;
    BYTE bLetterform;
    BYTE bMidline;
    BYTE bXHeight;
} PANOSE;

typedef struct _IFIMETRICS {
    ULONG cjThis;
    ULONG cjIfiExtra;
    PTRDIFF dpwszFamilyName;
    PTRDIFF dpwszStyleName;
    PTRDIFF dpwszFaceName;
    PTRDIFF dpwszUniqueName;
    PTRDIFF dpFontSim;
    LONG lEmbedId;
    LONG lItalicAngle;
    LONG lCharBias;
    PTRDIFF dpCharSets;
    BYTE jWinCharSet;
    BYTE jWinPitchAndFamily;
    USHORT usWinWeight;
    ULONG flInfo;
    USHORT fsSelection;
    USHORT fsType;
    FWORD fwdUnitsPerEm;
    FWORD fwdLowestPPEm;
    FWORD fwdWinAscender;
    FWORD fwdWinDescender;
    FWORD fwdMacAscender;
    FWORD fwdMacDescender;
    FWORD fwdMacLineGap;
    FWORD fwdTypoAscender;
    FWORD fwdTypoDescender;
    FWORD fwdTypoLineGap;
    FWORD fwdAveCharWidth;
    FWORD fwdMaxCharInc;
    FWORD fwdCapHeight;
    FWORD fwdXHeight;
    FWORD fwdSubscriptXSize;
    FWORD fwdSubscriptYSize;
    FWORD fwdSubscriptXOffset;
    FWORD fwdSubscriptYOffset;
    FWORD fwdSuperscriptXSize;
    FWORD fwdSuperscriptYSize;
    FWORD fwdSuperscriptXOffset;
    FWORD fwdSuperscriptYOffset;
    FWORD fwdUnderscoreSize;
    FWORD fwdUnderscorePosition;
    FWORD fwdStrikeoutSize;
    FWORD fwdStrikeoutPosition;
    BYTE chFirstChar;
    BYTE chLastChar;
    BYTE chDefaultChar;
    BYTE chBreakChar;
    WCHAR wcFirstChar;
    WCHAR wcLastChar;
    WCHAR wcDefaultChar;
    WCHAR wcBreakChar;
    POINTL ptlBaseline;
    POINTL ptlAspect;
    POINTL ptlCaret;
    RECTL rclFontBox;
    BYTE achVendId[4];
    ULONG cKerningPairs;
    ULONG ulPanoseCulture;
    PANOSE panose;
#if UINTPTR_MAX > 0xFFFFFFFFu
    PVOID Align;
#endif
} IFIMETRICS, *PIFIMETRICS;

// IFIMETRICS.flInfo.
#define FM_INFO_TECH_TRUETYPE 0x00000001
#define FM_INFO_TECH_BITMAP 0x00000002
#define FM_INFO_TECH_STROKE 0x00000004
#define FM_INFO_TECH_OUTLINE_NOT_TRUETYPE 0x00000008
#define FM_INFO_ARB_XFORMS 0x00000010
#define FM_INFO_1BPP 0x00000020
#define FM_INFO_4BPP 0x00000040
#define FM_INFO_8BPP 0x00000080
#define FM_INFO_16BPP 0x00000100
#define FM_INFO_24BPP 0x00000200
#define FM_INFO_32BPP 0x00000400
#define FM_INFO_INTEGER_WIDTH 0x00000800
#define FM_INFO_CONSTANT_WIDTH 0x00001000
#define FM_INFO_NOT_CONTIGUOUS 0x00002000
#define FM_INFO_TECH_MM 0x00004000
#define FM_INFO_RETURNS_OUTLINES 0x00008000
#define FM_INFO_RETURNS_STROKES 0x00010000
#define FM_INFO_RETURNS_BITMAPS 0x00020000
#define FM_INFO_DSIG 0x00040000
#define FM_INFO_RIGHT_HANDED 0x00080000
#define FM_INFO_INTEGRAL_SCALING 0x00100000
#define FM_INFO_90DEGREE_ROTATIONS 0x00200000
#define FM_INFO_OPTICALLY_FIXED_PITCH 0x00400000
#define FM_INFO_DO_NOT_ENUMERATE 0x00800000
#define FM_INFO_ISOTROPIC_SCALING_ONLY 0x01000000
#define FM_INFO_ANISOTROPIC_SCALING_ONLY 0x02000000
#define FM_INFO_TECH_CFF 0x04000000
#define FM_INFO_FAMILY_EQUIV 0x08000000
#define FM_INFO_DBCS_FIXED_PITCH 0x10000000
#define FM_INFO_NONNEGATIVE_AC 0x20000000
#define FM_INFO_IGNORE_TC_RA_ABLE 0x40000000
#define FM_INFO_TECH_TYPE1 0x80000000

// IFIMETRICS.fsSelection.
#define FM_SEL_ITALIC 0x0001
#define FM_SEL_UNDERSCORE 0x0002
#define FM_SEL_NEGATIVE 0x0004
#define FM_SEL_OUTLINED 0x0008
#define FM_SEL_STRIKEOUT 0x0010
#define FM_SEL_BOLD 0x0020
#define FM_SEL_REGULAR 0x0040

// IFIMETRICS.fsType (embedding rights).
#define FM_TYPE_LICENSED 0x0002
#define FM_READONLY_EMBED 0x0004
#define FM_EDITABLE_EMBED 0x0008
#define FM_NO_EMBEDDING FM_TYPE_LICENSED

typedef struct _WCRUN {
    WCHAR wcLow;
    USHORT cGlyphs;
    HGLYPH* phg;
} WCRUN, *PWCRUN;

typedef struct _FD_GLYPHSET {
    ULONG cjThis;
    FLONG flAccel;
    ULONG cGlyphsSupported;
    ULONG cRuns;
    WCRUN awcrun[1];
} FD_GLYPHSET, *PFD_GLYPHSET;

#define GS_UNICODE_HANDLES 0x00000001
#define GS_8BIT_HANDLES 0x00000002
#define GS_16BIT_HANDLES 0x00000004

typedef struct _FD_KERNINGPAIR {
    WCHAR wcFirst;
    WCHAR wcSecond;
    FWORD fwdKern;
} FD_KERNINGPAIR;

typedef struct _FD_DEVICEMETRICS {
    FLONG flRealizedType;
    POINTE pteBase;
    POINTE pteSide;
    LONG lD;
    FIX fxMaxAscender;
    FIX fxMaxDescender;
    POINTL ptlUnderline1;
    POINTL ptlStrikeOut;
    POINTL ptlULThickness;
    POINTL ptlSOThickness;
    ULONG cxMax;
    ULONG cyMax;
    ULONG cjGlyphMax;
    FD_XFORM fdxQuantized;
    LONG lNonLinearExtLeading;
    LONG lNonLinearIntLeading;
    LONG lNonLinearMaxCharWidth;
    LONG lNonLinearAvgCharWidth;
    LONG lMinA;
    LONG lMinC;
    LONG lMinD;
    LONG alReserved[1];
} FD_DEVICEMETRICS, *PFD_DEVICEMETRICS;

// Character sets.
#define ANSI_CHARSET 0
#define DEFAULT_CHARSET 1
#define SYMBOL_CHARSET 2
#define SHIFTJIS_CHARSET 128

// ---------------------------------------------------------------------------
// Document and escape constants.
#define ED_ABORTDOC 1
#define QUERYESCSUPPORT 8
#define SETCOPYCOUNT 17
#define PASSTHROUGH 19
#define GETTECHNOLOGY 20

// The engine's local time.
typedef struct _ENG_TIME_FIELDS {
    USHORT usYear;
    USHORT usMonth;
    USHORT usDay;
    USHORT usHour;
    USHORT usMinute;
    USHORT usSecond;
    USHORT usMilliseconds;
    USHORT usWeekday;  // 0 = Sunday
} ENG_TIME_FIELDS, *PENG_TIME_FIELDS;

// ---------------------------------------------------------------------------
// The driver's functions as the engine calls them.
typedef BOOL(APIENTRY* PFN_DrvEnableDriver)(ULONG iEngineVersion, ULONG cj, DRVENABLEDATA* pded);
typedef void(APIENTRY* PFN_DrvDisableDriver)(void);
typedef DHPDEV(APIENTRY* PFN_DrvEnablePDEV)(DEVMODEW* pdm, LPWSTR pwszLogAddress, ULONG cPat,
                                            HSURF* phsurfPatterns, ULONG cjCaps, ULONG* pdevcaps,
                                            ULONG cjDevInfo, DEVINFO* pdi, HDEV hdev,
                                            LPWSTR pwszDeviceName, HANDLE hDriver);
typedef void(APIENTRY* PFN_DrvCompletePDEV)(DHPDEV dhpdev, HDEV hdev);
typedef void(APIENTRY* PFN_DrvDisablePDEV)(DHPDEV dhpdev);
typedef BOOL(APIENTRY* PFN_DrvResetPDEV)(DHPDEV dhpdevOld, DHPDEV dhpdevNew);
typedef HSURF(APIENTRY* PFN_DrvEnableSurface)(DHPDEV dhpdev);
typedef void(APIENTRY* PFN_DrvDisableSurface)(DHPDEV dhpdev);
typedef BOOL(APIENTRY* PFN_DrvStartDoc)(SURFOBJ* pso, LPWSTR pwszDocName, DWORD dwJobId);
typedef BOOL(APIENTRY* PFN_DrvEndDoc)(SURFOBJ* pso, FLONG fl);
typedef BOOL(APIENTRY* PFN_DrvStartPage)(SURFOBJ* pso);
typedef BOOL(APIENTRY* PFN_DrvSendPage)(SURFOBJ* pso);
typedef BOOL(APIENTRY* PFN_DrvStartBanding)(SURFOBJ* pso, POINTL* pptl);
typedef BOOL(APIENTRY* PFN_DrvNextBand)(SURFOBJ* pso, POINTL* pptl);
typedef ULONG(APIENTRY* PFN_DrvEscape)(SURFOBJ* pso, ULONG iEsc, ULONG cjIn, PVOID pvIn, ULONG cjOut,
                                       PVOID pvOut);
typedef BOOL(APIENTRY* PFN_DrvBitBlt)(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                      XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                                      BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
typedef BOOL(APIENTRY* PFN_DrvStretchBlt)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask,
                                          CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT* pca,
                                          POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                          POINTL* pptlMask, ULONG iMode);
typedef BOOL(APIENTRY* PFN_DrvStretchBltROP)(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask,
                                             CLIPOBJ* pco, XLATEOBJ* pxlo, COLORADJUSTMENT* pca,
                                             POINTL* pptlHTOrg, RECTL* prclDest, RECTL* prclSrc,
                                             POINTL* pptlMask, ULONG iMode, BRUSHOBJ* pbo, DWORD rop4);
typedef BOOL(APIENTRY* PFN_DrvCopyBits)(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                        RECTL* prclDest, POINTL* pptlSrc);
typedef BOOL(APIENTRY* PFN_DrvStrokePath)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                          BRUSHOBJ* pbo, POINTL* pptlBrushOrg, LINEATTRS* plineattrs,
                                          MIX mix);
typedef BOOL(APIENTRY* PFN_DrvFillPath)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
                                        POINTL* pptlBrushOrg, MIX mix, FLONG flOptions);
typedef BOOL(APIENTRY* PFN_DrvStrokeAndFillPath)(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                                 BRUSHOBJ* pboStroke, LINEATTRS* plineattrs,
                                                 BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                                 FLONG flOptions);
typedef BOOL(APIENTRY* PFN_DrvTextOut)(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco,
                                       RECTL* prclExtra, RECTL* prclOpaque, BRUSHOBJ* pboFore,
                                       BRUSHOBJ* pboOpaque, POINTL* pptlOrg, MIX mix);
typedef BOOL(APIENTRY* PFN_DrvRealizeBrush)(BRUSHOBJ* pbo, SURFOBJ* psoTarget, SURFOBJ* psoPattern,
                                            SURFOBJ* psoMask, XLATEOBJ* pxlo, ULONG iHatch);
typedef ULONG(APIENTRY* PFN_DrvDitherColor)(DHPDEV dhpdev, ULONG iMode, ULONG rgb, ULONG* pul);
typedef PIFIMETRICS(APIENTRY* PFN_DrvQueryFont)(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG_PTR* pid);
typedef PVOID(APIENTRY* PFN_DrvQueryFontTree)(DHPDEV dhpdev, ULONG_PTR iFile, ULONG iFace, ULONG iMode,
                                              ULONG_PTR* pid);
typedef LONG(APIENTRY* PFN_DrvQueryFontData)(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH hg,
                                             GLYPHDATA* pgd, PVOID pv, ULONG cjSize);
typedef BOOL(APIENTRY* PFN_DrvQueryAdvanceWidths)(DHPDEV dhpdev, FONTOBJ* pfo, ULONG iMode, HGLYPH* phg,
                                                  PVOID pvWidths, ULONG cGlyphs);
typedef ULONG(APIENTRY* PFN_DrvGetGlyphMode)(DHPDEV dhpdev, FONTOBJ* pfo);
typedef HANDLE(APIENTRY* PFN_DrvIcmCreateColorTransform)(DHPDEV dhpdev, LPLOGCOLORSPACEW pLogColorSpace,
                                                         PVOID pvSourceProfile, ULONG cjSourceProfile,
                                                         PVOID pvDestProfile, ULONG cjDestProfile,
                                                         PVOID pvTargetProfile, ULONG cjTargetProfile,
                                                         DWORD dwReserved);
typedef BOOL(APIENTRY* PFN_DrvIcmDeleteColorTransform)(DHPDEV dhpdev, HANDLE hcmXform);
typedef BOOL(APIENTRY* PFN_DrvQueryDriverInfo)(DWORD dwMode, PVOID pBuffer, DWORD cbBuf, PDWORD pcbNeeded);

// ---------------------------------------------------------------------------
// Engine services.

// Surfaces. EngCreateBitmap: lWidth is the row size in bytes (0 lets the
// engine choose a 4-byte multiple); pvBits null lets the engine allocate
// zeroed bits. A bottom-up bitmap has a negative lDelta and pvScan0 at the
// last row in memory.
WINBASEAPI HBITMAP APIENTRY EngCreateBitmap(SIZEL sizl, LONG lWidth, ULONG iFormat, FLONG fl, PVOID pvBits);
WINBASEAPI HSURF APIENTRY EngCreateDeviceSurface(DHSURF dhsurf, SIZEL sizl, ULONG iFormatCompat);
WINBASEAPI BOOL APIENTRY EngAssociateSurface(HSURF hsurf, HDEV hdev, FLONG flHooks);
WINBASEAPI BOOL APIENTRY EngMarkBandingSurface(HSURF hsurf);
WINBASEAPI BOOL APIENTRY EngDeleteSurface(HSURF hsurf);
WINBASEAPI SURFOBJ* APIENTRY EngLockSurface(HSURF hsurf);
WINBASEAPI void APIENTRY EngUnlockSurface(SURFOBJ* pso);
WINBASEAPI BOOL APIENTRY EngEraseSurface(SURFOBJ* pso, RECTL* prcl, ULONG iColor);

// Palettes.
WINBASEAPI HPALETTE APIENTRY EngCreatePalette(ULONG iMode, ULONG cColors, ULONG* pulColors, FLONG flRed,
                                              FLONG flGreen, FLONG flBlue);
WINBASEAPI BOOL APIENTRY EngDeletePalette(HPALETTE hpal);

// Drawing on engine bitmaps.
WINBASEAPI BOOL APIENTRY EngBitBlt(SURFOBJ* psoTrg, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                   XLATEOBJ* pxlo, RECTL* prclTrg, POINTL* pptlSrc, POINTL* pptlMask,
                                   BRUSHOBJ* pbo, POINTL* pptlBrush, ROP4 rop4);
WINBASEAPI BOOL APIENTRY EngStretchBlt(SURFOBJ* psoDest, SURFOBJ* psoSrc, SURFOBJ* psoMask, CLIPOBJ* pco,
                                       XLATEOBJ* pxlo, COLORADJUSTMENT* pca, POINTL* pptlHTOrg,
                                       RECTL* prclDest, RECTL* prclSrc, POINTL* pptlMask, ULONG iMode);
WINBASEAPI BOOL APIENTRY EngCopyBits(SURFOBJ* psoDest, SURFOBJ* psoSrc, CLIPOBJ* pco, XLATEOBJ* pxlo,
                                     RECTL* prclDest, POINTL* pptlSrc);
WINBASEAPI BOOL APIENTRY EngTextOut(SURFOBJ* pso, STROBJ* pstro, FONTOBJ* pfo, CLIPOBJ* pco, RECTL* prclExtra,
                                    RECTL* prclOpaque, BRUSHOBJ* pboFore, BRUSHOBJ* pboOpaque,
                                    POINTL* pptlOrg, MIX mix);
WINBASEAPI BOOL APIENTRY EngFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, BRUSHOBJ* pbo,
                                     POINTL* pptlBrushOrg, MIX mix, FLONG flOptions);
WINBASEAPI BOOL APIENTRY EngStrokePath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                       BRUSHOBJ* pbo, POINTL* pptlBrushOrg, LINEATTRS* plineattrs, MIX mix);
WINBASEAPI BOOL APIENTRY EngStrokeAndFillPath(SURFOBJ* pso, PATHOBJ* ppo, CLIPOBJ* pco, XFORMOBJ* pxo,
                                              BRUSHOBJ* pboStroke, LINEATTRS* plineattrs,
                                              BRUSHOBJ* pboFill, POINTL* pptlBrushOrg, MIX mixFill,
                                              FLONG flOptions);
WINBASEAPI void APIENTRY EngDeletePath(PATHOBJ* ppo);

// Resources, time, code pages.
WINBASEAPI PVOID APIENTRY EngFindResource(HANDLE h, int iName, int iType, PULONG pulSize);
WINBASEAPI void APIENTRY EngQueryLocalTime(PENG_TIME_FIELDS ptf);
WINBASEAPI void APIENTRY EngGetCurrentCodePage(PUSHORT OemCodePage, PUSHORT AnsiCodePage);
WINBASEAPI void APIENTRY EngUnicodeToMultiByteN(PCHAR MultiByteString, ULONG MaxBytesInMultiByteString,
                                                PULONG BytesInMultiByteString, PWSTR UnicodeString,
                                                ULONG BytesInUnicodeString);
WINBASEAPI void APIENTRY EngMultiByteToUnicodeN(PWSTR UnicodeString, ULONG MaxBytesInUnicodeString,
                                                PULONG BytesInUnicodeString, PCHAR MultiByteString,
                                                ULONG BytesInMultiByteString);

// Object services.
WINBASEAPI ULONG APIENTRY CLIPOBJ_cEnumStart(CLIPOBJ* pco, BOOL bAll, ULONG iType, ULONG iDirection,
                                             ULONG cLimit);
WINBASEAPI BOOL APIENTRY CLIPOBJ_bEnum(CLIPOBJ* pco, ULONG cj, ULONG* pul);
WINBASEAPI PATHOBJ* APIENTRY CLIPOBJ_ppoGetPath(CLIPOBJ* pco);

WINBASEAPI PVOID APIENTRY BRUSHOBJ_pvAllocRbrush(BRUSHOBJ* pbo, ULONG cj);
WINBASEAPI PVOID APIENTRY BRUSHOBJ_pvGetRbrush(BRUSHOBJ* pbo);
WINBASEAPI ULONG APIENTRY BRUSHOBJ_ulGetBrushColor(BRUSHOBJ* pbo);

WINBASEAPI void APIENTRY PATHOBJ_vEnumStart(PATHOBJ* ppo);
WINBASEAPI BOOL APIENTRY PATHOBJ_bEnum(PATHOBJ* ppo, PATHDATA* ppd);
WINBASEAPI void APIENTRY PATHOBJ_vGetBounds(PATHOBJ* ppo, PRECTFX prectfx);

WINBASEAPI ULONG APIENTRY XFORMOBJ_iGetXform(XFORMOBJ* pxo, XFORML* pxform);
WINBASEAPI BOOL APIENTRY XFORMOBJ_bApplyXform(XFORMOBJ* pxo, ULONG iMode, ULONG cPoints, PVOID pvIn,
                                              PVOID pvOut);

WINBASEAPI ULONG APIENTRY XLATEOBJ_iXlate(XLATEOBJ* pxlo, ULONG iColor);
WINBASEAPI ULONG* APIENTRY XLATEOBJ_piVector(XLATEOBJ* pxlo);
WINBASEAPI ULONG APIENTRY XLATEOBJ_cGetPalette(XLATEOBJ* pxlo, ULONG iPal, ULONG cPal, ULONG* pPal);

WINBASEAPI void APIENTRY STROBJ_vEnumStart(STROBJ* pstro);
WINBASEAPI BOOL APIENTRY STROBJ_bEnum(STROBJ* pstro, ULONG* pc, PGLYPHPOS* ppgpos);

WINBASEAPI IFIMETRICS* APIENTRY FONTOBJ_pifi(FONTOBJ* pfo);
WINBASEAPI XFORMOBJ* APIENTRY FONTOBJ_pxoGetXform(FONTOBJ* pfo);
WINBASEAPI ULONG APIENTRY FONTOBJ_cGetGlyphs(FONTOBJ* pfo, ULONG iMode, ULONG cGlyph, HGLYPH* phg,
                                             PVOID* ppvGlyph);

// ---------------------------------------------------------------------------
// Resources of a module as the stand-in keeps them: a module (one of our
// shared libraries) exports the C symbol WINSIM_RESOURCE_TABLE_SYMBOL, an
// array of entries ended by one whose data is null. EngFindResource finds
// an entry by (type, id) in the module that a handle names: its load
// address (as Windows module handles are) or its dlopen handle.
typedef struct _WINSIM_RESOURCE {
    ULONG type;
    ULONG id;
    const void* data;
    ULONG size;
} WINSIM_RESOURCE;
#define WINSIM_RESOURCE_TABLE_SYMBOL "WinsimResourceTable"

WIN_END_DECLS
