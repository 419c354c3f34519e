// Text in vector mode: the choice of font kind and the font description of
// a text call. DrvTextOut itself is in text_out.cpp.
#pragma once
#include <win/gdi.h>

#include "pdev.h"
#include "records/text_records.h"

namespace vesk {

// What the device-font way's choice of kind looks at.
struct TextKindInputs {
    USHORT fsType;             // embedding rights of the font
    DWORD osMajor;             // Windows major version
    bool mirrored;             // the font transform mirrors
    bool eudcHandling;         // EUDC handling on (items 361, 249)
    bool glyphIndex;           // a glyph-index string
    const WCHAR* family;       // wide names (may be null)
    const WCHAR* face;
    const char* familyCp;      // the names in the printer's code page
    const char* faceCp;
};

// Kind 4 (outlines, drawn by the driver) or kind 2 (the device's own font).
BYTE DeviceWayKind(const TextKindInputs& in);

// Appends "_" and `fontId` in lower-case hexadecimal to `name` (a buffer of
// kFontNameBytes), cutting the name first on a character boundary of the
// printer's code page when the whole would not fit. `wide`/`count` are the
// name's characters the converted name was made from.
void EudcRename(char* name, const WCHAR* wide, size_t count, DWORD fontId);

// The four resident faces' names (wide): true when `name` is one of them.
bool IsResidentFaceName(Pdev* p, const WCHAR* name);

}  // namespace vesk
