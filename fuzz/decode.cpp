// Arbitrary bytes through the device-stream decoder and its listing: as a
// whole stream (framed, with raw scanning, with a raw segment list taken
// from the input) and as a page's drawing data split into blocks.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "decode/listing.h"

using namespace vesk::decode;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Bytes in(data, size);
    Summary sum;
    StreamOptions plain;
    ListingOptions lo;
    (void)listStream(in, plain, lo, &sum);
    if (!sum.ok && sum.error.offset > size) __builtin_trap();

    StreamOptions scan;
    scan.scanRaw = true;
    lo.offsets = true;
    (void)listStream(in, scan, lo, &sum);
    if (!sum.ok && sum.error.offset > size) __builtin_trap();

    // A raw segment list from the first bytes (any values: the decoder must
    // refuse bad ones itself).
    if (size >= 8) {
        StreamOptions known;
        known.rawSegments.push_back({static_cast<std::uint64_t>(data[0]) | (static_cast<std::uint64_t>(data[1]) << 8),
                                     static_cast<std::uint64_t>(data[2]) | (static_cast<std::uint64_t>(data[3]) << 8)});
        DecodedStream d = decodeAll(in, known);
        if (!d.summary.ok && d.summary.error.offset > size) __builtin_trap();
    }

    // The bytes as drawing data, cut into blocks at every 0xF5 byte.
    DrawingStream s;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= size; ++i) {
        if (i == size || data[i] == 0xF5) {
            s.appendBlock(in.subspan(start, i - start), start + 8);
            start = i + 1;
        }
    }
    RecordReader reader(s);
    PageRules rules;
    Record rec;
    Issue issue;
    while (reader.next(&rec, &issue) == RecordReader::Status::Record) {
        std::optional<Issue> warning;
        if (!rules.check(rec, &issue, &warning)) break;
        (void)describeRecord(rec, s);
    }
    return 0;
}
