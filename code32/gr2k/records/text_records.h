// Text records: the font records (0x50 DeviceFontRecord, 0x56
// GraphicsFontRecord), characters in a resident font (0x51 GlyphRecord,
// 0x52 TextRunRecord) and glyph images (0x53/0x57 GlyphBitmapRecord, 0x54
// GlyphDefineRecord, 0x55 GlyphRunRecord).
#pragma once
#include <win/types.h>

#include "stream/record_buffer.h"

namespace vesk {

// Font kinds and text modes of a font description.
enum : BYTE { kFontResident = 2, kFontOutline = 4, kFontBitmap = 5 };
enum : BYTE { kTextCharacters = 2, kTextGlyphIndex = 3 };

// Glyph flags of the glyph records.
enum : BYTE { kGlyphIndexText = 0x04, kGlyphCharText = 0x08, kGlyphInDeviceCache = 0x40 };
// Glyph data encodings: raw rows, or the run-length form (glyph_rle.h).
enum : BYTE { kGlyphRaw = 0, kGlyphRle = 2 };

constexpr size_t kFontNameBytes = 260;  // name buffers, terminator included

// The font of the following text, built for each text call.
struct FontDesc {
    bool italic;          // simulated by the device
    bool bold;            // simulated by the device
    bool vertical;        // vertical writing
    BYTE kind;            // kFontResident, kFontOutline or kFontBitmap
    BYTE textMode;        // kTextCharacters or kTextGlyphIndex
    BYTE charSet;
    BYTE pitchAndFamily;
    WORD weight;
    WORD escapement;      // degrees, 0 to 359
    WORD emWidth;         // pixels, along the baseline after the font transform
    WORD emHeight;
    WORD averageWidth;
    WORD internalLeading;
    WORD defaultChar;
    char familyName[kFontNameBytes];  // the printer's code page, zero-terminated
    char faceName[kFontNameBytes];
    DWORD fontId;         // the engine's font identity
    SHORT generation;     // the glyph cache's generation (glyph bitmaps)
};

// One entry of a glyph run: the step from the previous glyph's bitmap
// origin and the character.
struct GlyphRunEntry {
    SHORT dx;
    SHORT dy;
    WCHAR ch;
};

// 0x50: the font of a resident device font (kind 2) or of outline glyphs
// (kind 4), with the face name.
BYTE* DeviceFontRecordWrite(RecordBuffer* buf, const FontDesc& font);
// 0x56: the font of glyph-bitmap text.
BYTE* GraphicsFontRecordWrite(RecordBuffer* buf, const FontDesc& font);
// 0x51: one character at a reference point, `cell` its character cell.
BYTE* GlyphRecordWrite(RecordBuffer* buf, const RECTL& cell, LONG x, LONG y, WCHAR ch);
// 0x51 with outline data (PathOutlineEncode) behind it.
BYTE* GlyphOutlineRecordWrite(RecordBuffer* buf, const RECTL& cell, LONG x, LONG y, WCHAR ch, const BYTE* outline,
                              DWORD bytes);
// 0x52: a run of characters with one advance for all or one per character
// (any other count of advances is refused).
BYTE* TextRunRecordWrite(RecordBuffer* buf, const RECTL& background, LONG x, LONG y, const WCHAR* chars,
                         const SHORT* advances, WORD charCount, WORD advanceCount);
// 0x53 (the glyph cache is in use for the run) or 0x57: one glyph image at
// a position, with its data (none when it is in the device's cache).
BYTE* GlyphBitmapRecordWrite(RecordBuffer* buf, bool cached, const RECTL& cell, BYTE flags, WCHAR ch, LONG x, LONG y,
                             LONG left, LONG top, DWORD width, DWORD height, const BYTE* data, DWORD dataLength,
                             BYTE encoding);
// 0x54: one glyph put into the device's glyph cache.
BYTE* GlyphDefineRecordWrite(RecordBuffer* buf, BYTE flags, WCHAR ch, DWORD width, DWORD height, const BYTE* data,
                             DWORD dataLength, BYTE encoding);
// 0x55: a run of glyphs from the device's glyph cache (at least one).
BYTE* GlyphRunRecordWrite(RecordBuffer* buf, const RECTL& background, BYTE flags, LONG x, LONG y,
                          const GlyphRunEntry* entries, WORD count);

}  // namespace vesk
