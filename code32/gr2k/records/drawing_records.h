// Drawing records: the small binary records a page is made of, laid one
// after the other into the record buffer and shipped inside its 0xF5 blocks.
// Every record begins with a one-byte opcode, is a multiple of 4 bytes long
// and starts on a 4-byte boundary; multi-byte fields are little-endian;
// reserved and pad bytes are written 0.
//
// Each builder reserves its record in one piece, fills it and returns it, or
// returns null and leaves nothing in the buffer (no memory, a failed flush,
// values the record cannot carry); the drawing call that needed it fails.
// Colours are written red, green, blue from a value 0x00BBGGRR: the drawing
// code swaps the engine's 0x00RRGGBB before it describes a colour.
#pragma once
#include <win/types.h>

#include "stream/record_buffer.h"

namespace vesk {

enum RecordOpcode : BYTE {
    kRecRect = 0x10,
    kRecPathCurves = 0x11,
    kRecPathLines = 0x12,
    kRecRaster = 0x20,
    kRecColor = 0x30,
    kRecRop = 0x31,
    kRecBkMode = 0x32,
    kRecLineStyle = 0x33,
    kRecLineStyleOffset = 0x34,
    kRecLineCap = 0x35,
    kRecLineJoin = 0x36,
    kRecClipReset = 0x37,
    kRecBrush = 0x40,
    kRecDeviceFont = 0x50,
    kRecGlyph = 0x51,
    kRecTextRun = 0x52,
    kRecGlyphBitmapCached = 0x53,
    kRecGlyphDefine = 0x54,
    kRecGlyphRun = 0x55,
    kRecGraphicsFont = 0x56,
    kRecGlyphBitmapUncached = 0x57,
    kRecPageStart = 0x60,
    kRecPageEnd = 0x61,
};

// RectRecord operations.
enum : BYTE { kRectFill = 1, kRectClip = 5, kRectOp6 = 6 };

// Background modes.
enum : BYTE { kBkTransparent = 1, kBkOpaque = 2 };

// Colour description kinds.
enum : SHORT { kColorFill = 0, kColorStroke = 1, kColorText = 2, kColorStrokeFill = 3, kColorBlit = 4 };

// The colours and mode of the next drawing, the source of ColorRecord.
struct ColorDesc {
    BYTE fgMix;           // low byte of the engine's mix
    SHORT bkMode;         // kBkTransparent when the background mix is the no-operation mix
    DWORD background;     // colours 0x00BBGGRR
    DWORD foreground;
    DWORD pen;            // the stroke colour of a stroke and fill
    DWORD second;         // the second colour slot (0xFFFFFF for a stroke and fill)
    SHORT strokeAndFill;  // 1: the pen colour goes with the record
    SHORT kind;           // kColor...
    DWORD hostIcm;        // non-zero: the host has colour-matched the colours
};

// 0x10: a fill of `rect` with the current brush, colour and ROP (the second
// rectangle is `rect` again when null), or the clip rectangle (operation 5;
// 6 has the same 24-byte form). Other operations are refused.
BYTE* RectRecordWrite(RecordBuffer* buf, const RECTL& rect, const RECTL* second, BYTE operation);
// 0x30: the foreground colour, then the background colour when the
// background is opaque, then the pen colour of a stroke and fill.
BYTE* ColorRecordWrite(RecordBuffer* buf, const ColorDesc& desc);
// 0x31: a ternary raster operation; 0xF0 (pattern copy) is written as 0xCC.
BYTE* RopRecordWrite(RecordBuffer* buf, BYTE rop);
// 0x32: background mode (kBkTransparent or kBkOpaque).
BYTE* BkModeRecordWrite(RecordBuffer* buf, BYTE mode);
// 0x33: line width in pixels (at least 1), dash mask (first cell in the most
// significant bit; 0xFFFFFFFF solid) and the pixels per mask cell.
BYTE* LineStyleRecordWrite(RecordBuffer* buf, WORD width, DWORD mask, BYTE unit);
// 0x34: starting offset into the dash mask, in cells.
BYTE* LineStyleOffsetRecordWrite(RecordBuffer* buf, BYTE offset);
// 0x35: end cap (0 round, 1 flat, 2 square).
BYTE* LineCapRecordWrite(RecordBuffer* buf, BYTE cap);
// 0x36: join (0 round, 1 bevel, 2 mitre) and the mitre limit x 256.
BYTE* LineJoinRecordWrite(RecordBuffer* buf, BYTE join, DWORD mitreLimit);
// 0x37: ends any clip set by a clip rectangle or clip path.
BYTE* ClipResetRecordWrite(RecordBuffer* buf);
// 0x60: page size in pixels and resolutions in dpi.
BYTE* PageStartRecordWrite(RecordBuffer* buf, DWORD width, DWORD height, WORD xResolution, WORD yResolution);
// 0x61.
BYTE* PageEndRecordWrite(RecordBuffer* buf);

// The ternary raster operation for one of the engine's binary raster
// operations (mix codes 1 to 16); 0xCC for 0 and codes above 16.
BYTE Rop2ToRop3(DWORD mix);

}  // namespace vesk
