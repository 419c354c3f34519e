#include "records/text_records.h"

#include <cstring>

#include "records/drawing_records.h"
#include "records/record_bytes.h"

namespace vesk {

using namespace rec;

namespace {

WORD fontFlags(const FontDesc& f) {
    WORD fl = 0;
    if (f.italic) fl |= 0x0001;
    if (f.bold) fl |= 0x0002 | 0x0020;
    fl |= f.kind == kFontResident ? 0x0008 : 0x2000;
    if (f.textMode == kTextGlyphIndex) fl |= 0x0010;
    if (f.vertical) fl |= 0x0080;
    if (f.kind == kFontOutline) fl |= 0x0200;
    return fl;
}

// Both font records: the same fields, the face name at `nameAt`; the record
// ends at (name offset + name bytes rounded up to even + 4) rounded down to
// a multiple of 4, which leaves at least one zero byte behind the name.
BYTE* fontRecord(RecordBuffer* buf, const FontDesc& f, bool graphics) {
    const size_t nameAt = graphics ? 32 : 24;
    const size_t n = strnlen(f.faceName, kFontNameBytes - 1);
    const size_t len = (nameAt + ((n + 1) & ~size_t{1}) + 4) & ~size_t{3};
    BYTE* p = RecBufReserve(buf, static_cast<DWORD>(len));
    if (!p) return nullptr;
    std::memset(p, 0, len);
    if (graphics)
        wrHead(p, kRecGraphicsFont, f.charSet, f.pitchAndFamily, 0);
    else
        wrHead(p, kRecDeviceFont, 0, f.charSet, f.pitchAndFamily);
    wr16(p, 4, fontFlags(f));
    wr16(p, 6, f.weight);
    wr16(p, 8, f.escapement);
    wr16(p, 10, f.emWidth);
    wr16(p, 12, f.emHeight);
    wr16(p, 14, static_cast<uint32_t>(len));
    wr16(p, 20, f.internalLeading);
    wr16(p, 22, f.defaultChar);
    std::memcpy(p + nameAt, f.faceName, n);
    return p;
}

// Glyph data and the zero bytes up to the record's end.
void wrData(BYTE* p, size_t at, const BYTE* data, DWORD count, size_t len) {
    if (count) std::memcpy(p + at, data, count);
    std::memset(p + at + count, 0, len - at - count);
}

}  // namespace

BYTE* DeviceFontRecordWrite(RecordBuffer* buf, const FontDesc& font) { return fontRecord(buf, font, false); }

BYTE* GraphicsFontRecordWrite(RecordBuffer* buf, const FontDesc& font) { return fontRecord(buf, font, true); }

namespace {

BYTE* glyphRecord(RecordBuffer* buf, const RECTL& cell, LONG x, LONG y, WCHAR ch, const BYTE* outline, DWORD bytes) {
    const uint64_t len = 36 + round4(bytes);
    if (len > 0xFFFFFFFFu) return nullptr;
    BYTE* p = RecBufReserve(buf, static_cast<DWORD>(len));
    if (!p) return nullptr;
    wrHead(p, kRecGlyph, 0, outline ? 1 : 0);
    wr32(p, 4, static_cast<uint32_t>(len));
    wrRectAndPoint(p, cell, x, y);
    wr16(p, 32, ch);
    wr16(p, 34, 0);
    if (outline) wrData(p, 36, outline, bytes, static_cast<size_t>(len));
    return p;
}

}  // namespace

BYTE* GlyphRecordWrite(RecordBuffer* buf, const RECTL& cell, LONG x, LONG y, WCHAR ch) {
    return glyphRecord(buf, cell, x, y, ch, nullptr, 0);
}

BYTE* GlyphOutlineRecordWrite(RecordBuffer* buf, const RECTL& cell, LONG x, LONG y, WCHAR ch, const BYTE* outline,
                              DWORD bytes) {
    if (!outline || bytes == 0) return nullptr;
    return glyphRecord(buf, cell, x, y, ch, outline, bytes);
}

BYTE* TextRunRecordWrite(RecordBuffer* buf, const RECTL& background, LONG x, LONG y, const WCHAR* chars,
                         const SHORT* advances, WORD charCount, WORD advanceCount) {
    if (!chars || !advances || charCount == 0 || (advanceCount != 1 && advanceCount != charCount)) return nullptr;
    const DWORD len = static_cast<DWORD>(round4(36 + 2 * (uint64_t{advanceCount} + charCount)));
    BYTE* p = RecBufReserve(buf, len);
    if (!p) return nullptr;
    wrHead(p, kRecTextRun, 0, advanceCount == charCount ? 0x80 : 0);
    wr32(p, 4, len);
    wrRectAndPoint(p, background, x, y);
    wr16(p, 32, charCount);
    wr16(p, 34, 0);
    uint32_t at = 36;
    for (WORD i = 0; i < advanceCount; ++i, at += 2) wr16(p, at, static_cast<uint16_t>(advances[i]));
    for (WORD i = 0; i < charCount; ++i, at += 2) wr16(p, at, chars[i]);
    std::memset(p + at, 0, len - at);
    return p;
}

namespace {

// A glyph image record: `head` bytes of fields, then the data and zero bytes
// up to the record's end. Reserved with its first bytes and length written;
// null for an unknown encoding or missing data.
BYTE* glyphDataRecord(RecordBuffer* buf, BYTE op, BYTE flags, DWORD head, const BYTE* data, DWORD dataLength,
                      BYTE encoding) {
    if ((encoding != kGlyphRaw && encoding != kGlyphRle) || (dataLength && !data)) return nullptr;
    const uint64_t len = head + round4(dataLength);
    if (len > 0xFFFFFFFFu) return nullptr;
    BYTE* p = RecBufReserve(buf, static_cast<DWORD>(len));
    if (!p) return nullptr;
    wrHead(p, op, 0, flags);
    wr32(p, 4, static_cast<uint32_t>(len));
    wrData(p, head, data, dataLength, static_cast<size_t>(len));
    return p;
}

}  // namespace

BYTE* GlyphBitmapRecordWrite(RecordBuffer* buf, bool cached, const RECTL& cell, BYTE flags, WCHAR ch, LONG x, LONG y,
                             LONG left, LONG top, DWORD width, DWORD height, const BYTE* data, DWORD dataLength,
                             BYTE encoding) {
    BYTE* p = glyphDataRecord(buf, cached ? kRecGlyphBitmapCached : kRecGlyphBitmapUncached, flags, 64, data,
                              dataLength, encoding);
    if (!p) return nullptr;
    wrRectAndPoint(p, cell, x, y);
    wr32(p, 32, dataLength ? 64 : 0);
    wrI32(p, 36, left);
    wrI32(p, 40, top);
    wr32(p, 44, width);
    wr32(p, 48, height);
    wr32(p, 52, dataLength);
    wr32(p, 56, 0);
    wr16(p, 60, ch);
    p[62] = encoding;
    p[63] = 0;
    return p;
}

BYTE* GlyphDefineRecordWrite(RecordBuffer* buf, BYTE flags, WCHAR ch, DWORD width, DWORD height, const BYTE* data,
                             DWORD dataLength, BYTE encoding) {
    BYTE* p = glyphDataRecord(buf, kRecGlyphDefine, flags, 28, data, dataLength, encoding);
    if (!p) return nullptr;
    wr32(p, 8, dataLength);
    wr32(p, 12, width);
    wr32(p, 16, height);
    wr32(p, 20, 0);
    wr16(p, 24, ch);
    p[26] = encoding;
    p[27] = 0;
    return p;
}

BYTE* GlyphRunRecordWrite(RecordBuffer* buf, const RECTL& background, BYTE flags, LONG x, LONG y,
                          const GlyphRunEntry* entries, WORD count) {
    if (!entries || count == 0) return nullptr;
    const DWORD len = static_cast<DWORD>(36 + round4(6 * uint64_t{count}));
    BYTE* p = RecBufReserve(buf, len);
    if (!p) return nullptr;
    wrHead(p, kRecGlyphRun, 0, flags);
    wr32(p, 4, len);
    wrRectAndPoint(p, background, x, y);
    wr16(p, 32, count);
    wr16(p, 34, 0);
    uint32_t at = 36;
    for (WORD i = 0; i < count; ++i, at += 6) {
        wr16(p, at, static_cast<uint16_t>(entries[i].dx));
        wr16(p, at + 2, static_cast<uint16_t>(entries[i].dy));
        wr16(p, at + 4, entries[i].ch);
    }
    std::memset(p + at, 0, len - at);
    return p;
}

}  // namespace vesk
