// The chunked record buffer: reservations, alignment, withdrawal and flush.
#include "stream/record_buffer.h"

#include <cstdint>
#include <cstring>

namespace vesk {

namespace {

bool outputFailed(const RecordBuffer* buf) {
    return buf->device.flags && (*buf->device.flags & kDevOutputFailed);
}

bool holds(const RecChunk* c, const BYTE* p) {
    auto at = reinterpret_cast<uintptr_t>(p);
    return at >= reinterpret_cast<uintptr_t>(c->base) && at <= reinterpret_cast<uintptr_t>(c->pos);
}

DWORD used(const RecChunk* c) { return static_cast<DWORD>(c->pos - c->base); }

// Frees the chunks linked behind `c` and ends the chain there; the bytes
// they held.
uint64_t freeAfter(RecordBuffer* buf, RecChunk* c) {
    uint64_t bytes = 0;
    RecChunk* n = c->next;
    c->next = nullptr;
    while (n) {
        RecChunk* next = n->next;
        bytes += used(n);
        AllocListFree(buf->device.allocs, n);
        n = next;
    }
    return bytes;
}

// A chunk whose data part is the smallest multiple of kChunkDataSize that
// holds `size` bytes; null without memory. A spare chunk serves when it is
// large enough; its end is set as a new chunk's would be, so the records the
// chunk takes (and so the stream) are the same either way.
RecChunk* newChunk(RecordBuffer* buf, DWORD size) {
    const uint64_t data = (static_cast<uint64_t>(size) - 1) / kChunkDataSize * kChunkDataSize + kChunkDataSize;
    if (data > SIZE_MAX - sizeof(RecChunk)) return nullptr;
    RecChunk* c = nullptr;
    for (RecChunk** link = &buf->spare; *link; link = &(*link)->next) {
        if ((*link)->capacity >= data) {
            c = *link;
            *link = c->next;
            break;
        }
    }
    if (!c) {
        c = static_cast<RecChunk*>(AllocListAlloc(buf->device.allocs, sizeof(RecChunk) + static_cast<size_t>(data)));
        if (!c) return nullptr;
        c->capacity = static_cast<size_t>(data);
    }
    c->next = nullptr;
    c->base = reinterpret_cast<BYTE*>(c + 1);
    c->pos = c->base;
    c->end = c->base + data;
    return c;
}

// The inline chunk alone, empty; counts 0.
void emptyInline(RecordBuffer* buf) {
    RecChunk& c = buf->inlineChunk.header;
    c.next = nullptr;
    c.base = buf->inlineChunk.data;
    c.pos = c.base;
    c.end = c.base + kChunkDataSize;
    buf->first = buf->last = &c;
    buf->queued = 0;
    buf->records = 0;
}

void freeSpare(RecordBuffer* buf) {
    for (RecChunk* c = buf->spare; c;) {
        RecChunk* next = c->next;
        AllocListFree(buf->device.allocs, c);
        c = next;
    }
    buf->spare = nullptr;
}

// Moves the chunks behind the inline one to the spare ones.
void keepAsSpare(RecordBuffer* buf) {
    RecChunk* n = buf->inlineChunk.header.next;
    buf->inlineChunk.header.next = nullptr;
    while (n) {
        RecChunk* next = n->next;
        n->next = buf->spare;
        buf->spare = n;
        n = next;
    }
}

// Writes the queued chunks; with `keepSpare` (a flush in the middle of a
// page) its chunks stay for the next reservations.
int flushQueued(RecordBuffer* buf, bool keepSpare) {
    if (buf->queued == 0) return 1;
    const RecBufDevice& d = buf->device;
    const bool dropPage = d.firstPageHeaderOnly && *d.firstPageHeaderOnly && d.pageCount && *d.pageCount == 1;
    int ok = 1;
    if (!dropPage) {
        for (RecChunk* c = buf->first; c; c = c->next) {
            if (!WriteOuterRecord(buf, kOuterDrawing, c->base, used(c))) {
                ok = 0;
                break;
            }
        }
    }
    if (keepSpare) {
        keepAsSpare(buf);
        emptyInline(buf);
    } else {
        RecBufReset(buf);
    }
    return ok;
}

}  // namespace

void RecBufInit(RecordBuffer* buf, HANDLE printer, const RecBufDevice& device) {
    buf->printer = printer;
    buf->device = device;
    buf->inlineChunk.header = RecChunk{nullptr, nullptr, nullptr, buf->inlineChunk.data, kChunkDataSize};
    buf->first = buf->last = &buf->inlineChunk.header;
    buf->library = nullptr;
    buf->spool = nullptr;
    buf->writeEntry = nullptr;
    buf->spare = nullptr;
    RecBufReset(buf);
}

void RecBufCarryBinding(RecordBuffer* to, const RecordBuffer* from) {
    to->library = from->library;
    to->spool = from->spool;
    to->writeEntry = from->writeEntry;
}

void RecBufReset(RecordBuffer* buf) {
    // Chunks still linked go back to the device's list: a reset drops their
    // records, so nothing else would free them before the device goes.
    RecBufFreeChunks(buf);
    emptyInline(buf);
}

BYTE* RecBufReserve(RecordBuffer* buf, DWORD size) {
    if (!buf || outputFailed(buf)) return nullptr;
    RecChunk* c = buf->last;
    if (size == 0) return c->pos;
    // The test is "not below the end": a record of exactly the free space
    // goes into a new chunk.
    if (size >= static_cast<size_t>(c->end - c->pos)) {
        // The chunk is taken before the mid-page flush, so that a reservation
        // that fails for memory has sent nothing: the record it belongs to
        // can still be taken back whole.
        RecChunk* n = newChunk(buf, size);
        if (!n) return nullptr;
        if (buf->queued > kMidPageFlush && !flushQueued(buf, true)) {
            AllocListFree(buf->device.allocs, n);
            return nullptr;
        }
        // After a flush the new chunk follows the empty inline chunk, which
        // then leaves as an empty 0xF5 record.
        buf->last->next = n;
        buf->last = n;
        c = n;
    }
    BYTE* at = c->pos;
    c->pos += size;
    buf->queued += size;
    ++buf->records;
    return at;
}

bool RecBufAlign(RecordBuffer* buf, const BYTE* end) {
    RecChunk* c = buf->last;
    if (!holds(c, end)) return false;
    const size_t off = static_cast<size_t>(end - c->base);
    BYTE* aligned = c->base + ((off + 3) & ~size_t{3});
    // The pad bytes are ours to choose: zero, so a page's bytes never depend
    // on what the memory held before.
    BYTE* p = c->base + off;
    if (aligned > p) std::memset(p, 0, static_cast<size_t>(aligned - p));
    c->pos = aligned;
    return true;
}

bool RecBufWithdraw(RecordBuffer* buf, const BYTE* record) {
    for (RecChunk* c = buf->first; c; c = c->next) {
        if (!holds(c, record)) continue;
        uint64_t removed = freeAfter(buf, c) + static_cast<uint64_t>(c->pos - record);
        c->pos = const_cast<BYTE*>(record);
        buf->last = c;
        buf->queued = removed >= buf->queued ? 0 : buf->queued - static_cast<DWORD>(removed);
        return true;
    }
    return false;
}

int RecBufFlush(RecordBuffer* buf) { return flushQueued(buf, false); }

void RecBufFreeChunks(RecordBuffer* buf) {
    freeAfter(buf, &buf->inlineChunk.header);
    freeSpare(buf);
    buf->last = buf->first = &buf->inlineChunk.header;
}

}  // namespace vesk
