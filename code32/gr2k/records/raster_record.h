// RasterRecord (0x20): a block of image rows with the destination and the
// source size, the palette when there is one, then the rows top row first,
// each padded to a multiple of 4 bytes, no compression.
#pragma once
#include <win/types.h>

#include <cstddef>

#include "stream/record_buffer.h"

namespace vesk {

// Format word bits (bits 0-7 go to record byte 2, 8-15 to byte 3, 16-23 to
// byte 1).
enum : DWORD {
    kRasterFormatMask = 0x0F,  // 0 one bit, 1 four, 2 eight, other values 24 bits (blue, green, red)
    kRaster1 = 0,
    kRaster4 = 1,
    kRaster8 = 2,
    kRaster24 = 4,
    kRasterGrey = 0x10,        // set by the writer for rows converted to grey
    kRasterNoPalette = 0x20,   // set by the writer
    kRasterBlit = 0x80,
    kRasterHostIcm = 0x800,
    kRasterBanding = 0x400,    // set by the writer in banding mode
    kRasterHostReduced = 0x20000,
};

// An image to send.
struct RasterImage {
    LONG x, y, width, height;  // destination (a mirrored stretch has a negative width)
    LONG srcX, srcY;           // the first pixel in the source, 0 for a prepared copy
    DWORD srcWidth;            // pixels per row
    DWORD rows;
    DWORD format;              // format word
    const BYTE* firstRow;      // the top row
    const BYTE* palette;       // 3-byte entries blue, green, red; null: no palette
    bool bottomUp;             // the rows below the top row lie before it in memory
    std::ptrdiff_t rowStep;    // bytes from one source row to the next (0: the record's row bytes,
                               // negated for bottom-up rows); only the pixels' bytes are read
    // Rows made one at a time: when set, row r is what rowAt gives (null
    // fails the record); it is read before the next row is asked for.
    const BYTE* (*rowAt)(void* context, DWORD row);
    void* rowContext;
};

// What the device's settings decide for its raster records.
struct RasterOptions {
    bool wholeRecord;  // one reservation for the record (print method 5 or 7, or the API-use flag)
    bool monochrome;   // 24-bit rows go as grey (a monochrome machine, or monochrome output)
    bool banding;      // the device is in banding mode
};

// The record: its header reserved first, the rows in batches of at most
// 0x100000 bytes in further reservations behind it (which may leave in later
// 0xF5 blocks). A 24-bit image (format word exactly kRaster24) on a
// monochrome device goes as 8-bit grey rows without palette. On failure the
// part already reserved is withdrawn; when a flush has already sent part of
// it, the device's output is marked failed. Null on failure, and for an
// image with no bytes per row or too large for one record.
BYTE* RasterRecordWrite(RecordBuffer* buf, const RasterImage& image, const RasterOptions& options);
// The same record with one reservation per row, never grey and never marked
// as banding: the retry when the batched writer fails.
BYTE* RasterRecordWriteRows(RecordBuffer* buf, const RasterImage& image);
// The same record in one reservation, never grey.
BYTE* RasterRecordWriteWhole(RecordBuffer* buf, const RasterImage& image, const RasterOptions& options);

// One row of `pixels` blue, green, red pixels as grey bytes,
// (R x 306 + G x 601 + B x 117) >> 10, zero-padded to `outBytes`.
void GreyFromBgr(const BYTE* bgr, DWORD pixels, BYTE* out, DWORD outBytes);

}  // namespace vesk
