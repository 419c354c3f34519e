// The fixed-size drawing records and ColorRecord.
#include "records/drawing_records.h"

#include "records/record_bytes.h"

namespace vesk {

using namespace rec;

namespace {

// A 4-byte record holding one parameter byte.
BYTE* small(RecordBuffer* buf, BYTE op, BYTE value) {
    BYTE* p = RecBufReserve(buf, 4);
    if (p) wrHead(p, op, value);
    return p;
}

void wrRgb(BYTE* p, DWORD bgr) {
    p[0] = static_cast<BYTE>(bgr);
    p[1] = static_cast<BYTE>(bgr >> 8);
    p[2] = static_cast<BYTE>(bgr >> 16);
}

}  // namespace

BYTE* RectRecordWrite(RecordBuffer* buf, const RECTL& rect, const RECTL* second, BYTE operation) {
    if (operation != kRectFill && operation != kRectClip && operation != kRectOp6) return nullptr;
    const bool single = operation != kRectFill;
    const DWORD len = single ? 24 : 40;
    BYTE* p = RecBufReserve(buf, len);
    if (!p) return nullptr;
    wrHead(p, kRecRect, 0, operation);
    wr32(p, 4, len);
    wrRect(p, 8, rect);
    if (!single) wrRect(p, 24, second ? *second : rect);
    return p;
}

BYTE* ColorRecordWrite(RecordBuffer* buf, const ColorDesc& d) {
    const bool opaque = d.bkMode != kBkTransparent;
    const bool pen = d.strokeAndFill != 0;
    const DWORD len = static_cast<DWORD>(round4(4 + 3 * (1 + opaque + pen)));
    BYTE* p = RecBufReserve(buf, len);
    if (!p) return nullptr;
    const BYTE flags = static_cast<BYTE>(0x01 | (opaque ? 0x08 : 0) | (pen ? 0x10 : 0) |
                                         (d.kind == kColorText ? 0x40 : 0) | (d.hostIcm ? 0x80 : 0));
    wrHead(p, kRecColor, static_cast<BYTE>(len), flags);
    BYTE* at = p + 4;
    wrRgb(at, d.foreground);
    at += 3;
    if (opaque) {
        wrRgb(at, d.background);
        at += 3;
    }
    if (pen) {
        wrRgb(at, d.pen);
        at += 3;
    }
    while (at < p + len) *at++ = 0;
    return p;
}

BYTE* RopRecordWrite(RecordBuffer* buf, BYTE rop) { return small(buf, kRecRop, rop == 0xF0 ? 0xCC : rop); }

BYTE* BkModeRecordWrite(RecordBuffer* buf, BYTE mode) { return small(buf, kRecBkMode, mode); }

BYTE* LineStyleRecordWrite(RecordBuffer* buf, WORD width, DWORD mask, BYTE unit) {
    BYTE* p = RecBufReserve(buf, 8);
    if (!p) return nullptr;
    wrHead(p, kRecLineStyle, unit);
    wr16(p, 2, width ? width : 1);
    wr32(p, 4, mask);
    return p;
}

BYTE* LineStyleOffsetRecordWrite(RecordBuffer* buf, BYTE offset) { return small(buf, kRecLineStyleOffset, offset); }

BYTE* LineCapRecordWrite(RecordBuffer* buf, BYTE cap) { return small(buf, kRecLineCap, cap); }

BYTE* LineJoinRecordWrite(RecordBuffer* buf, BYTE join, DWORD mitreLimit) {
    BYTE* p = RecBufReserve(buf, 8);
    if (!p) return nullptr;
    wrHead(p, kRecLineJoin, join);
    wr32(p, 4, mitreLimit);
    return p;
}

BYTE* ClipResetRecordWrite(RecordBuffer* buf) { return small(buf, kRecClipReset, 0); }

BYTE* PageStartRecordWrite(RecordBuffer* buf, DWORD width, DWORD height, WORD xResolution, WORD yResolution) {
    BYTE* p = RecBufReserve(buf, 16);
    if (!p) return nullptr;
    wrHead(p, kRecPageStart);
    wr32(p, 4, width);
    wr32(p, 8, height);
    wr16(p, 12, xResolution);
    wr16(p, 14, yResolution);
    return p;
}

BYTE* PageEndRecordWrite(RecordBuffer* buf) { return small(buf, kRecPageEnd, 0); }

BYTE Rop2ToRop3(DWORD mix) {
    // Mix 1 (black) gives 0xFF and mix 16 (white) 0x00, the reverse of the
    // codes' usual meaning: the device reads these records so, and the table
    // is kept as it stands.
    static constexpr BYTE kTable[17] = {0xCC, 0xFF, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77,
                                        0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0x00};
    return mix <= 16 ? kTable[mix] : 0xCC;
}

}  // namespace vesk
