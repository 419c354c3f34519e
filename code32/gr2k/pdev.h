// The device record of the graphics driver: one per DrvEnablePDEV, handed to
// every driver function as the engine's DHPDEV, with the settings read from
// the printer's driver context, the page geometry, the document and page
// state, the output record buffer with its spooler-side binding and the
// per-page drawing state. The record is a block of its own allocation list
// and goes with it at DrvDisablePDEV.
#pragma once
#include <win/gdi.h>
#include <win/system.h>

#include "alloc_list.h"
#include "core/context.h"
#include "records/draw_state.h"
#include "stream/record_buffer.h"

namespace vesk {

constexpr uint32_t kPdevSignature = 0x19651013;

// Pdev::flags.
constexpr uint32_t kPdevDocStarted = 0x4;
constexpr uint32_t kPdevOutputFailed = 0x8;     // a write failed: every later write fails
constexpr uint32_t kPdevPageOpen = 0x8000;
constexpr uint32_t kPdevResetting = 0x100000;   // set on both devices by DrvResetPDEV

// Page geometry, filled at enable.
struct PageGeometry {
    uint32_t paperWidthTenthMm;
    uint32_t paperLengthTenthMm;
    uint32_t paperWidthDots;       // item 45
    uint32_t paperLengthDots;      // item 44
    uint32_t printWidthDots;       // item 47
    uint32_t printLengthDots;      // item 46
    uint32_t printWidthTenthMm;
    uint32_t printLengthTenthMm;
    uint32_t paperSize;            // item 8
    uint32_t offsetX;              // item 48
    uint32_t offsetY;              // item 49
};

struct Pdev {
    uint32_t signature;
    DrvContext* ctx;
    AllocList* allocs;
    HANDLE printer;                // the engine's hDriver
    HDEV hdev;                     // set by DrvCompletePDEV
    HSURF surface;
    HPALETTE palette;
    PageGeometry geometry;
    uint32_t pageCount;            // pages started in this document
    uint32_t deviceFontCount;
    HINSTANCE module;
    int16_t copies;                // item 12
    int16_t banding;               // item 183, 0 while pages are bound (item 714 bit 0)
    int16_t colorProcess;          // item 184
    int16_t orientationIndex;      // item 7 less 1
    uint16_t resolution;           // item 14, 600 when 0
    int16_t language;              // item 177
    uint16_t firstPageHeaderOnly;  // bit 0 of item 714
    uint32_t machineColor;         // item 246
    uint32_t emfSpool;             // item 181
    uint32_t color;                // item 15 (dmColor)
    uint32_t printArea;            // item 182
    uint32_t hiddenFunc4;          // item 350
    uint32_t hiddenFunc18;         // item 364
    uint32_t hiddenFunc30;         // item 376
    uint32_t hiddenFunc5;          // item 351
    uint32_t frontFuncFlag;        // item 361 non-zero or bit 0x80 of item 249
    BYTE* jobName;                 // the job's name in the printer's code page
    int16_t jobNameLength;
    struct DeviceFontSet* deviceFonts;  // the resident fonts (vector mode only)
    DrawState draw;                // what this page's records have set
    struct GlyphCache* glyphCache; // glyphs the device holds on this page
    int16_t glyphGeneration;       // raised at every reset of the glyph cache
    RealizedBrush solidBrush;      // the solid-brush slot (no pattern)
    struct IcmTransform* icm;      // the colour transforms made for the device
    RecordBuffer out;              // the output with the spooler-side binding
    POINTL bandOrigin;
    uint32_t bandCount;
    uint32_t surfaceWidth;
    uint32_t surfaceHeight;
    const WCHAR* spoolLibraryName; // from the driver description
    uint8_t icmMatching;           // item 149
    uint8_t icmType;               // item 150
    uint8_t textAsBitmap;
    uint32_t printMethod;          // item 222
    BYTE* devmode;                 // copy of the job's DEVMODE, or null
    uint32_t devmodeSize;
    DWORD jobId;
    uint32_t pageStarted;
    uint32_t apiUse;               // item 247, read at DrvStartDoc
    uint32_t printMethod7;
    uint32_t directSize;
    uint32_t flags;
    OSVERSIONINFOW os;
    uint32_t signatureEnd;
};

// True when `pdev` is a device record: non-null with both signatures.
bool PdevIsValid(const Pdev* pdev);
// The device of a surface the engine hands in, or null (with
// ERROR_INVALID_PARAMETER set) when it is not one of ours.
Pdev* PdevFromSurface(SURFOBJ* pso);
Pdev* PdevFromHandle(DHPDEV dhpdev);

// Reads the settings of the Pdev's field list from its context.
void PdevReadSettings(Pdev* pdev);
// Fills the page geometry from the context (after PdevReadSettings).
bool PdevReadPageGeometry(Pdev* pdev);
// The job's paper width and length in 0.1 mm. False without a compiled model.
bool GetJobPaperSizeTenthMm(Pdev* pdev, uint32_t* width, uint32_t* length);

// 1-bit output: colour process 1 and dmColor 1.
inline bool PdevOneBitOutput(const Pdev* p) { return p->colorProcess == 1 && p->color == 1; }

// The engine records the device describes itself with. Each fills at most
// `size` bytes (and at most its record's size) and returns the bytes filled.
size_t FillGdiInfo(const Pdev* pdev, GDIINFO* out, size_t size);
// Also creates the default palette (deleting one kept from before); false
// when the palette cannot be made.
bool FillDevInfo(Pdev* pdev, DEVINFO* out, size_t size, ULONG htPatternSize);
// The halftone pattern size for the resolution.
ULONG HalftonePatternSize(uint32_t resolution);

// Character sets and code pages: kind 1 maps a character set to its code
// page, kind 2 a code page to its character set. False when not found.
bool CharsetCodePageMap(int kind, uint32_t value, uint32_t* out);

// Band height of a banding bitmap of `width` pixels for a page of `height`
// lines.
uint32_t BandHeight(uint32_t width, uint32_t height);

}  // namespace vesk
