// The resident device fonts: four font resources of the library (type 258)
// loaded into the device's allocation list at enable, each with its native
// metrics, and their glyph sets (type 260) loaded on first request.
#pragma once
#include <win/gdi.h>

#include "pdev.h"

namespace vesk {

constexpr ULONG kDeviceFontCount = 4;
constexpr int kFontResourceType = 258;
constexpr int kGlyphSetResourceType = 260;

// Symbol-set kinds: the index of a face's symbol-set string in the table
// "ROMA;J83;KATA", "ROMA;J83V;KATA", "IBML;IBM850", "SYML;SYMR" (any other
// string is kind 2).
enum : BYTE { kSymbolJis = 0, kSymbolJisVertical = 1, kSymbolIbm = 2, kSymbolSymbol = 3 };

struct DeviceFontFace {
    BYTE symbolKind;
    const BYTE* resource;     // the device's copy of the font resource
    ULONG resourceSize;
    IFIMETRICS* metrics;      // native metrics built from it
    FD_GLYPHSET* glyphs;      // its glyph set once requested
    char deviceName[64];      // the device's name for the face ("@" first)
};

struct DeviceFontSet {
    ULONG count;
    HINSTANCE module;
    FD_GLYPHSET* shared;      // glyph set 2, one copy for kinds 0 and 1
    DeviceFontFace faces[kDeviceFontCount];
};

// Loads the four fonts from `module` into the device (p->deviceFonts and
// p->deviceFontCount). False, with nothing kept, when a resource is missing
// or malformed or memory is short.
bool FontSetLoad(Pdev* p, HINSTANCE module);
// Frees the set's glyph sets (the shared copy once), the resource copies and
// their metrics. Null is ignored.
void FontSetFree(Pdev* p, DeviceFontSet* set);
// A native copy of glyph set `id` of `module` in the device's allocation
// list, each run's handles pointing into it; null when it is missing or
// malformed, or memory is short.
FD_GLYPHSET* GlyphSetLoad(Pdev* p, HINSTANCE module, ULONG id);
// The glyph set of face 1..4, loaded on the first request: kinds 0 and 1
// share set 2, kinds 2 and 3 get a copy of set 3 each. Null on failure.
FD_GLYPHSET* GlyphSetForFace(Pdev* p, DeviceFontSet* set, ULONG face);
// The face (1..4) of the set, or null.
DeviceFontFace* DeviceFontFaceOf(Pdev* p, ULONG face);
// The family name of a native metrics record (null when it has none).
const WCHAR* MetricsFamilyName(const IFIMETRICS* ifi);
const WCHAR* MetricsFaceName(const IFIMETRICS* ifi);

}  // namespace vesk
