// The write path: pieces to the spooler-side library's write entry, framed
// outer records, and the command blocks that go to the spool at once.
#include <algorithm>

#include "core/devmode/dm_layout.h"
#include "stream/record_buffer.h"

namespace vesk {

namespace {

// An outer record's 8-byte header; the reserved bytes 1 to 3 are 0.
void outerHeader(BYTE* h, BYTE type, DWORD length) {
    h[0] = type;
    h[1] = h[2] = h[3] = 0;
    dm::wr32(h, 4, length);
}

}  // namespace

int SpoolWrite(RecordBuffer* buf, const void* bytes, DWORD count) {
    if (count == 0) return 1;
    if (!buf || !bytes) return 0;
    // A job without a write entry is refused when its document starts; bytes
    // that arrive with none bound (before the document, after its end) have
    // no job to go to.
    if (!buf->library || !buf->writeEntry) return 0;
    const BYTE* p = static_cast<const BYTE*>(bytes);
    while (count) {
        const DWORD piece = std::min(count, kSpoolPiece);
        DWORD written = 0;
        if (!buf->writeEntry(buf->spool, p, piece, &written) || written != piece) {
            if (buf->device.flags) *buf->device.flags |= kDevOutputFailed;
            return 0;
        }
        p += piece;
        count -= piece;
    }
    return 1;
}

int WriteOuterRecord(RecordBuffer* buf, BYTE type, const void* data, DWORD count) {
    BYTE h[kOuterHeaderSize];
    outerHeader(h, type, count);
    return SpoolWrite(buf, h, sizeof h) && SpoolWrite(buf, data, count);
}

int WriteCommandBlock(RecordBuffer* buf, DrvContext* context, BYTE type, CommandBuilder builder) {
    if (!buf || !builder) return 0;
    const int size = builder(context, nullptr, 0);
    if (size < 0) return 0;
    const DWORD n = static_cast<DWORD>(size);
    auto* block = static_cast<BYTE*>(AllocListAlloc(buf->device.allocs, size_t{kOuterHeaderSize} + n));
    if (!block) return 0;
    outerHeader(block, type, n);
    // The filling pass gets exactly the measured room and must use all of it:
    // a block whose two passes disagree is not written.
    const int filled = builder(context, block + kOuterHeaderSize, n);
    const int ok = filled == size && SpoolWrite(buf, block, kOuterHeaderSize + n);
    AllocListFree(buf->device.allocs, block);
    return ok;
}

int WriteJobHeader(RecordBuffer* buf, DrvContext* context, CommandBuilder builder) {
    return WriteCommandBlock(buf, context, kOuterJobHeader, builder);
}

int WritePageHeader(RecordBuffer* buf, DrvContext* context, CommandBuilder builder) {
    return WriteCommandBlock(buf, context, kOuterPageHeader, builder) &&
           WriteOuterRecord(buf, kOuterPageOpen, nullptr, 0);
}

int WritePageTrailer(RecordBuffer* buf, DrvContext* context, CommandBuilder builder) {
    return WriteCommandBlock(buf, context, kOuterTrailer, builder);
}

}  // namespace vesk
