// Raster records: the batched writer, its row-by-row and single-reservation
// forms, and the grey conversion.
#include "records/raster_record.h"

#include <algorithm>
#include <cstring>

#include "records/drawing_records.h"
#include "records/record_bytes.h"

namespace vesk {

using namespace rec;

namespace {

constexpr DWORD kRasterHeader = 56;
constexpr DWORD kBatchBytes = 0x100000;

struct Layout {
    DWORD bits = 0;       // source bits per pixel
    DWORD palette = 0;    // palette bytes in the record
    uint64_t srcRow = 0;  // source row bytes
    uint64_t outRow = 0;  // record row bytes
    DWORD length = 0;     // record length
    DWORD head = 0;       // the header reservation
    DWORD shift = 0;      // bytes of the first row held by the header reservation
    bool grey = false;
};

DWORD bitsOf(DWORD format) {
    switch (format & kRasterFormatMask) {
    case kRaster1: return 1;
    case kRaster4: return 4;
    case kRaster8: return 8;
    default: return 24;
    }
}

DWORD paletteOf(DWORD format) {
    switch (format & kRasterFormatMask) {
    case kRaster1: return 6;
    case kRaster4: return 48;
    case kRaster8: return 768;
    default: return 0;
    }
}

uint64_t rowBytes(uint64_t pixels, DWORD bits) { return (pixels * bits + 31) / 32 * 4; }

bool layOut(const RasterImage& img, bool grey, Layout* l) {
    l->bits = bitsOf(img.format);
    l->palette = img.palette ? paletteOf(img.format) : 0;
    l->srcRow = rowBytes(img.srcWidth, l->bits);
    if (l->srcRow == 0 || (!img.firstRow && !img.rowAt)) return false;
    l->grey = grey;
    l->outRow = grey ? rowBytes(img.srcWidth, 8) : l->srcRow;
    const uint64_t total = kRasterHeader + l->palette + l->outRow * img.rows;
    if (l->outRow > 0xFFFFFFFFu || total > 0xFFFFFFFCu) return false;
    l->length = static_cast<DWORD>(round4(total));
    l->head = static_cast<DWORD>(round4(kRasterHeader + l->palette));
    // With the 6-byte palette of one-bit images the rows follow it directly:
    // the header's reservation holds the first 2 bytes of the first row.
    l->shift = l->head - kRasterHeader - l->palette;
    // Rows made one at a time are read once each: not for the shifted
    // layout, which reads two rows per slot.
    return !(l->shift && img.rowAt);
}

void writeHeader(BYTE* p, const RasterImage& img, const Layout& l, bool banding) {
    BYTE flags = static_cast<BYTE>(img.format);
    if (l.grey) flags = kRasterGrey | kRaster8;
    if (!l.palette) flags |= kRasterNoPalette;
    const BYTE mid = static_cast<BYTE>((img.format >> 8) | (banding ? kRasterBanding >> 8 : 0));
    wrHead(p, kRecRaster, static_cast<BYTE>(img.format >> 16), flags, mid);
    wr32(p, 4, l.length);
    wrI32(p, 8, img.x);
    wrI32(p, 12, img.y);
    wrI32(p, 16, static_cast<LONG>(static_cast<uint32_t>(img.x) + static_cast<uint32_t>(img.width)));
    wrI32(p, 20, static_cast<LONG>(static_cast<uint32_t>(img.y) + static_cast<uint32_t>(img.height)));
    wrI32(p, 24, img.srcX);
    wrI32(p, 28, img.srcY);
    wr32(p, 32, img.srcWidth);
    wr32(p, 36, img.rows);
    wrI32(p, 40, img.x);
    wrI32(p, 44, img.y);
    wrI32(p, 48, img.width);
    wrI32(p, 52, img.height);
    if (l.palette) std::memcpy(p + kRasterHeader, img.palette, l.palette);
}

const BYTE* sourceRow(const RasterImage& img, const Layout& l, DWORD r) {
    if (img.rowAt) return img.rowAt(img.rowContext, r);
    const std::ptrdiff_t step = static_cast<std::ptrdiff_t>(l.srcRow);
    const std::ptrdiff_t by = img.rowStep ? img.rowStep : img.bottomUp ? -step : step;
    return img.firstRow + by * static_cast<std::ptrdiff_t>(r);
}

// Row r as the record holds it. A row taken from inside a larger bitmap
// (a row step of its own) or made on request gives only its pixels' bytes;
// the rest is zero. False when a row made on request is not there.
bool recordRow(const RasterImage& img, const Layout& l, DWORD r, BYTE* out) {
    const BYTE* from = sourceRow(img, l, r);
    if (!from) return false;
    if (l.grey) {
        GreyFromBgr(from, img.srcWidth, out, static_cast<DWORD>(l.outRow));
    } else if (img.rowStep || img.rowAt) {
        const size_t n = static_cast<size_t>((uint64_t{img.srcWidth} * l.bits + 7) / 8);
        std::memcpy(out, from, n);
        std::memset(out + n, 0, static_cast<size_t>(l.outRow) - n);
    } else {
        std::memcpy(out, from, static_cast<size_t>(l.outRow));
    }
    return true;
}

// The slot of row r: the row from byte `shift` on, then the first `shift`
// bytes of the next row (zero behind the last row).
bool rowSlot(const RasterImage& img, const Layout& l, DWORD r, BYTE* out) {
    if (!l.shift) return recordRow(img, l, r, out);
    const size_t n = static_cast<size_t>(l.outRow);
    std::memcpy(out, sourceRow(img, l, r) + l.shift, n - l.shift);
    if (r + 1 < img.rows)
        std::memcpy(out + n - l.shift, sourceRow(img, l, r + 1), l.shift);
    else
        std::memset(out + n - l.shift, 0, l.shift);
    return true;
}

// Takes back a record that could not be completed; when part of it has
// already left, the stream cannot be mended and the output has failed.
BYTE* giveUp(RecordBuffer* buf, BYTE* record) {
    if (!RecBufWithdraw(buf, record) && buf->device.flags) *buf->device.flags |= kDevOutputFailed;
    return nullptr;
}

BYTE* writeBatched(RecordBuffer* buf, const RasterImage& img, bool grey, bool banding, DWORD batchRows) {
    Layout l;
    if (!layOut(img, grey, &l)) return nullptr;
    BYTE* p = RecBufReserve(buf, l.head);
    if (!p) return nullptr;
    writeHeader(p, img, l, banding);
    if (l.shift) {
        if (img.rows)
            std::memcpy(p + kRasterHeader + l.palette, sourceRow(img, l, 0), l.shift);
        else
            std::memset(p + kRasterHeader + l.palette, 0, l.shift);
    }
    for (DWORD r = 0; r < img.rows;) {
        const DWORD k = std::min(batchRows, img.rows - r);
        BYTE* q = RecBufReserve(buf, static_cast<DWORD>(l.outRow * k));
        if (!q) return giveUp(buf, p);
        for (DWORD i = 0; i < k; ++i, ++r)
            if (!rowSlot(img, l, r, q + l.outRow * i)) return giveUp(buf, p);
    }
    return p;
}

}  // namespace

BYTE* RasterRecordWrite(RecordBuffer* buf, const RasterImage& img, const RasterOptions& o) {
    if (o.wholeRecord) return RasterRecordWriteWhole(buf, img, o);
    const bool grey = img.format == kRaster24 && o.monochrome;
    const uint64_t outRow = rowBytes(img.srcWidth, grey ? 8 : bitsOf(img.format));
    const DWORD batch = outRow == 0 || outRow > kBatchBytes ? 1 : static_cast<DWORD>(kBatchBytes / outRow);
    return writeBatched(buf, img, grey, o.banding, batch);
}

BYTE* RasterRecordWriteRows(RecordBuffer* buf, const RasterImage& img) { return writeBatched(buf, img, false, false, 1); }

BYTE* RasterRecordWriteWhole(RecordBuffer* buf, const RasterImage& img, const RasterOptions& o) {
    Layout l;
    if (!layOut(img, false, &l)) return nullptr;
    BYTE* p = RecBufReserve(buf, l.length);
    if (!p) return nullptr;
    writeHeader(p, img, l, o.banding);
    BYTE* at = p + kRasterHeader + l.palette;
    for (DWORD r = 0; r < img.rows; ++r, at += l.outRow)
        if (!recordRow(img, l, r, at)) return giveUp(buf, p);
    std::memset(at, 0, static_cast<size_t>(p + l.length - at));
    return p;
}

}  // namespace vesk
