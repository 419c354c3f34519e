// The device's output: a chunked buffer that collects the drawing records of
// a page in place, and the spooler-side library's write entry that every
// byte of the job leaves through.
//
// The stream is a sequence of framed outer records: u8 type, 3 reserved
// bytes (written 0), u32 little-endian length, then that many data bytes.
// Drawing records leave as 0xF5 records, one per chunk; the job header
// (0xF3), page header (0xF4, followed by an empty 0xF0) and page trailer
// (0xF1) are built in one block each and written at once.
#pragma once
#include <win/types.h>

#include "alloc_list.h"

namespace vesk {

struct DrvContext;

// Outer record types.
enum : BYTE {
    kOuterPageOpen = 0xF0,
    kOuterTrailer = 0xF1,
    kOuterJobHeader = 0xF3,
    kOuterPageHeader = 0xF4,
    kOuterDrawing = 0xF5,
};
constexpr DWORD kOuterHeaderSize = 8;

// The device flag a failed or short write sets; while it is set the buffer
// takes no more records.
constexpr DWORD kDevOutputFailed = 0x8;

constexpr DWORD kChunkDataSize = 10240;      // the inline chunk; further ones are multiples
constexpr DWORD kMidPageFlush = 0x100000;    // more queued than this flushes before a new chunk
constexpr DWORD kSpoolPiece = 4096;          // the most one call of the write entry gets

// The spooler-side library's write entry (DrvSplWritePrinter): non-zero for
// success, and *written must equal count.
using SplWritePrinterFn = BOOL (*)(HANDLE spool, const void* bytes, DWORD count, DWORD* written);

// What the buffer uses of its device, which owns these fields.
struct RecBufDevice {
    AllocList* allocs = nullptr;                 // further chunks come from here
    DWORD* flags = nullptr;                      // kDevOutputFailed is set here
    const DWORD* pageCount = nullptr;            // pages started in the document
    const WORD* firstPageHeaderOnly = nullptr;   // page 1 carries only the job header
};

// A chunk: its header, then its data. The header never reaches the stream.
struct RecChunk {
    RecChunk* next;
    BYTE* pos;   // write position
    BYTE* end;   // end of the data
    BYTE* base;  // start of the data
    size_t capacity;  // data bytes allocated (end - base of a fresh chunk)
};

struct RecordBuffer {
    HANDLE printer;
    RecBufDevice device;
    struct {
        RecChunk header;
        BYTE data[kChunkDataSize];
    } inlineChunk;
    RecChunk* first;
    RecChunk* last;
    DWORD queued;   // bytes reserved since the last flush
    DWORD records;  // reservations since the last flush
    // The chunks a mid-page flush let go, kept for the next chunks of the
    // page (a page of bands needs one every mebibyte), linked by `next`;
    // freed at every other flush and reset.
    RecChunk* spare;
    // The spooler-side library binding (set by DrvStartDoc).
    HMODULE library;
    HANDLE spool;
    SplWritePrinterFn writeEntry;
};

// Sets up a buffer inside its device: no binding, empty.
void RecBufInit(RecordBuffer* buf, HANDLE printer, const RecBufDevice& device);
// Carries the spooler-side binding to another device's buffer (the reset of
// a device in the middle of a document); the target's contents stay as they
// are until its next reset.
void RecBufCarryBinding(RecordBuffer* to, const RecordBuffer* from);

// Empties the buffer: the inline chunk is first and last, counts 0. Chunks
// that were linked are not freed (see RecBufFreeChunks).
void RecBufReset(RecordBuffer* buf);
// The address where a record of `size` bytes is to be written, or null
// (no memory, a failed mid-page flush, or output that already failed). A
// record never straddles chunks. When more than kMidPageFlush bytes are
// queued, the queued chunks leave before a new one is linked; a reservation
// that fails for memory has sent nothing. A reservation of 0 bytes takes
// nothing.
BYTE* RecBufReserve(RecordBuffer* buf, DWORD size);
// Moves the last chunk's write position to `end` rounded up to a multiple
// of 4: a builder of a variable record reserves an upper bound and calls this
// with the address behind what it wrote. `end` must lie between the last
// chunk's data start and its write position; false (nothing moved) otherwise.
// Queued bytes are not changed; pad bytes are not written.
bool RecBufAlign(RecordBuffer* buf, const BYTE* end);
// Takes back everything from `record` on (a record whose builder failed after
// reserving, with any further reservations behind it): the chunk holding it
// becomes the last one and its write position goes back to `record`. False
// when `record` is no longer in the buffer (a flush already sent it).
bool RecBufWithdraw(RecordBuffer* buf, const BYTE* record);
// Writes the queued chunks as 0xF5 records (each chunk one record, an empty
// one included; none at all when nothing is queued), frees the further chunks
// and resets, also when a write failed. Page 1's records are dropped while
// the first-page-header-only flag is set. 1 for success.
int RecBufFlush(RecordBuffer* buf);
// Frees every chunk after the inline one, and the spare ones.
void RecBufFreeChunks(RecordBuffer* buf);

// Writes bytes through the write entry in pieces of at most kSpoolPiece; a
// failed or short write sets the device's output-failed flag and gives 0.
// Without a bound write entry nothing is written and the call fails (no job
// takes the bytes; the device's flag is left alone). A count of 0 writes
// nothing and succeeds.
int SpoolWrite(RecordBuffer* buf, const void* bytes, DWORD count);
// Writes one outer record of `type` around `count` data bytes.
int WriteOuterRecord(RecordBuffer* buf, BYTE type, const void* data, DWORD count);

// A builder of a command block's data: called without a buffer it returns
// the byte count it would write; called with a buffer of `capacity` bytes it
// fills it and returns the count written, never more than `capacity`. A
// result below 0 is failure.
using CommandBuilder = int (*)(DrvContext* context, BYTE* buffer, DWORD capacity);

// Builds a block with two calls of the builder (measure, fill) and writes it
// as one outer record of `type` straight to the spool, outside the chunk
// buffer. Fails when either call fails or the two disagree. 1 for success.
int WriteCommandBlock(RecordBuffer* buf, DrvContext* context, BYTE type, CommandBuilder builder);
// The job header (0xF3).
int WriteJobHeader(RecordBuffer* buf, DrvContext* context, CommandBuilder builder);
// The page header (0xF4) and the empty 0xF0 record behind it.
int WritePageHeader(RecordBuffer* buf, DrvContext* context, CommandBuilder builder);
// The page trailer (0xF1).
int WritePageTrailer(RecordBuffer* buf, DrvContext* context, CommandBuilder builder);

}  // namespace vesk
