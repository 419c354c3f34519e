// The device stream: framed outer records, unframed pass-through segments,
// and their grouping into the job header and pages.
//
// Outer record: u8 type, 3 reserved bytes (0), u32 little-endian length, then
// that many data bytes; no padding between records. Types:
//   0xF3 job header text (and, after the first one on page 1, the JOBNAME
//        record), 0xF4 page header text, 0xF0 empty marker right after every
//        0xF4, 0xF5 drawing records (a block of the record buffer, possibly
//        empty), 0xF1 page trailer text.
// A page reads 0xF4 0xF0 0xF5... 0xF1; the drawing records of a page are its
// 0xF5 data joined in order. Pass-through bytes reach the stream with no
// header at all; the decoder is told where they are, or asked to find them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "decode/bytes.h"
#include "decode/records.h"

namespace vesk::decode {

enum OuterType : std::uint8_t {
    kOuterPageOpen = 0xF0,
    kOuterTrailer = 0xF1,
    kOuterJobHeader = 0xF3,
    kOuterPageHeader = 0xF4,
    kOuterDrawing = 0xF5,
};

struct OuterRecord {
    std::uint8_t type = 0;
    std::uint64_t offset = 0;  // of the 8-byte header; the data follow it
    std::uint32_t length = 0;
};

// Bytes written to the stream as they are (the pass-through escape).
struct RawSegment {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
};

struct StreamOptions {
    // Where pass-through bytes are known to be (from the spool journal).
    std::vector<RawSegment> rawSegments;
    // Where an outer record should begin but none does, take the bytes up to
    // the next plausible outer header (a known type, reserved bytes 0, a
    // length inside the stream) as a raw segment. Raw bytes that happen to
    // hold such a header are cut there; give rawSegments to avoid that.
    bool scanRaw = false;
};

// What the decoder found, in stream order. Every callback may be skipped.
class Sink {
public:
    virtual ~Sink() = default;
    virtual void jobHeader(const OuterRecord&, Bytes /*text*/) {}
    virtual void jobName(const OuterRecord&, const std::string& /*name*/) {}
    virtual void raw(const RawSegment&, Bytes /*data*/) {}
    virtual void pageBegin(unsigned /*page*/, const OuterRecord& /*header*/, Bytes /*text*/) {}
    // The page's joined drawing data, before its records.
    virtual void drawing(unsigned /*page*/, const DrawingStream&) {}
    virtual void record(unsigned /*page*/, const Record&, const DrawingStream&) {}
    virtual void pageEnd(unsigned /*page*/, const OuterRecord& /*trailer*/, Bytes /*text*/) {}
    // Something legal but out of the ordinary (records before a page's start).
    virtual void warning(const Issue&) {}
};

struct Summary {
    bool ok = true;
    Issue error;  // the first problem, when !ok
    unsigned pages = 0;
    std::size_t records = 0;
    std::size_t rawSegments = 0;
    std::size_t warnings = 0;
};

// Decodes the whole stream, calling the sink for each part in order, and
// stops at the first problem (everything before it has been reported).
// Never throws; memory is bounded by the input's size.
Summary decodeStream(Bytes input, const StreamOptions& options, Sink& sink) noexcept;

// The whole stream collected, for tests and tools that want it at once.
struct DecodedPage {
    unsigned number = 0;
    std::string header, trailer;
    DrawingStream drawing;
    std::vector<Record> records;
};
struct DecodedStream {
    Summary summary;
    std::vector<std::string> jobHeaders;
    std::string jobName;
    std::vector<RawSegment> raw;
    std::vector<DecodedPage> pages;
    std::vector<Issue> warnings;
};
DecodedStream decodeAll(Bytes input, const StreamOptions& options = {}) noexcept;

}  // namespace vesk::decode
