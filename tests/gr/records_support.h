// Pages of drawing records written through the record buffer and read back
// with the independent stream decoder.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "decode/stream.h"
#include "records/drawing_records.h"
#include "stream_support.h"

namespace grtest {

inline int emptyBlock(vesk::DrvContext*, BYTE*, DWORD) { return 0; }

// The bytes a builder returned, `n` of them.
inline Bytes bytesAt(const BYTE* p, size_t n) { return p ? Bytes(p, p + n) : Bytes{}; }

// Writes one page: header, PageStartRecord, what `draw` adds (false fails
// the page), PageEndRecord, the flush and the trailer.
inline bool writePage(StreamDevice& d, const std::function<bool(vesk::RecordBuffer*)>& draw) {
    using namespace vesk;
    return WritePageHeader(d.buf, nullptr, emptyBlock) && PageStartRecordWrite(d.buf, 4960, 7016, 600, 600) &&
           draw(d.buf) && PageEndRecordWrite(d.buf) && RecBufFlush(d.buf) &&
           WritePageTrailer(d.buf, nullptr, emptyBlock);
}

// A job of the pages written so far (behind an empty job header).
inline vesk::decode::DecodedStream decodeJob(const Bytes& pages) {
    Bytes job = outer(0xF3, {});
    job.insert(job.end(), pages.begin(), pages.end());
    return vesk::decode::decodeAll(vesk::decode::Bytes(job.data(), job.size()));
}

// The records of a one-page job drawn by `draw`, between its PageStart and
// PageEnd; fails the test when the decoder refuses the stream.
inline std::vector<vesk::decode::Record> decodedRecords(const std::function<bool(vesk::RecordBuffer*)>& draw,
                                                        vesk::decode::DecodedStream* all = nullptr) {
    StreamDevice d;
    EXPECT_TRUE(writePage(d, draw));
    vesk::decode::DecodedStream s = decodeJob(d.out());
    EXPECT_TRUE(s.summary.ok) << s.summary.error.text();
    std::vector<vesk::decode::Record> recs;
    if (s.pages.size() == 1 && s.pages[0].records.size() >= 2)
        recs.assign(s.pages[0].records.begin() + 1, s.pages[0].records.end() - 1);
    if (all) *all = std::move(s);
    return recs;
}

}  // namespace grtest
