// The run-length form of glyph bitmap data (encoding 2).
//
// The data is a sequence of units. A unit is a control byte (bit 7 set for a
// repeat unit; bits 3-6 the number of zero bytes before the unit, 0 to 14,
// 15 meaning an extension follows; bits 0-2 a count c, 0 to 6, 7 meaning an
// extension follows), then the zero-count extension and the count extension
// (each any number of 0xFF bytes adding 255 and one final byte below 255
// adding its value, on top of 15 and 7), then the data: one byte standing
// for c + 2 equal bytes in a repeat unit, c + 1 bytes in a literal unit.
// Zero bytes at the end are not encoded; the reader fills up to the size.
#pragma once
#include <win/types.h>

namespace vesk {

// Encodes `raw` (rows of (width + 7) / 8 bytes, no padding) into `out`,
// which holds at least `limit` bytes. Returns the encoded byte count, or 0
// when the form would be empty or would reach `limit` bytes (the encoder
// stops there): then the raw rows go instead.
DWORD GlyphRleEncode(const BYTE* raw, DWORD rawBytes, BYTE* out, DWORD limit);

}  // namespace vesk
