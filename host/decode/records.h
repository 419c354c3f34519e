// Drawing records: the small binary records of a page, carried in its 0xF5
// blocks. Each record begins with a one-byte opcode, is a multiple of 4 bytes
// long and starts on a 4-byte boundary of the page's joined block data.
//
// The reader here checks every record strictly (lengths, reserved bytes,
// flag bits, counts against lengths, path subpaths, glyph run-length data)
// and reports the first problem with its file offset. It never reads outside
// the page's bytes and never throws.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "decode/bytes.h"

namespace vesk::decode {

enum Opcode : std::uint8_t {
    kOpRect = 0x10,
    kOpPathCurves = 0x11,
    kOpPathLines = 0x12,
    kOpRaster = 0x20,
    kOpColor = 0x30,
    kOpRop = 0x31,
    kOpBkMode = 0x32,
    kOpLineStyle = 0x33,
    kOpLineStyleOffset = 0x34,
    kOpLineCap = 0x35,
    kOpLineJoin = 0x36,
    kOpClipReset = 0x37,
    kOpBrush = 0x40,
    kOpDeviceFont = 0x50,
    kOpGlyph = 0x51,
    kOpTextRun = 0x52,
    kOpGlyphBitmapCached = 0x53,
    kOpGlyphDefine = 0x54,
    kOpGlyphRun = 0x55,
    kOpGraphicsFont = 0x56,
    kOpGlyphBitmapUncached = 0x57,
    kOpPageStart = 0x60,
    kOpPageEnd = 0x61,
};

// The record's name ("RectRecord", ...), or null for an unknown opcode.
const char* opcodeName(std::uint8_t opcode);

// Limits that bound the decoder's memory whatever the input says.
inline constexpr std::uint64_t kMaxGlyphBitmapBytes = 16u << 20;  // expanded glyph bitmap

// The drawing records of one page: the data of the page's 0xF5 blocks joined
// in order (a raster record may go on from one block into the next), with
// the map back to file offsets.
class DrawingStream {
public:
    // Appends one block's data, found at `fileOffset` in the file.
    void appendBlock(Bytes data, std::uint64_t fileOffset);
    Bytes bytes() const { return {bytes_.data(), bytes_.size()}; }
    std::size_t size() const { return bytes_.size(); }
    // File offset of byte `pos` of the joined data (pos == size(): the end of
    // the last block).
    std::uint64_t fileOffset(std::size_t pos) const;
    // Whether bytes [pos, pos + n) lie in one block.
    bool withinOneBlock(std::size_t pos, std::size_t n) const;
    std::size_t blockCount() const { return blocks_.size(); }
    std::uint32_t blockLength(std::size_t i) const { return blocks_[i].size; }
    std::uint64_t blockFileOffset(std::size_t i) const { return blocks_[i].file; }

private:
    struct Block {
        std::size_t pos;
        std::uint64_t file;
        std::uint32_t size;
    };
    std::size_t blockAt(std::size_t pos) const;
    std::vector<std::uint8_t> bytes_;
    std::vector<Block> blocks_;
};

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Rect&) const = default;
};
// A point in 28.4 fixed-point device units.
struct PointFx {
    std::int32_t x = 0, y = 0;
};
struct PathSegment {
    bool bezier = false;
    PointFx pts[3];  // a line uses pts[0]; a Bezier two control points and the end
};
struct Subpath {
    PointFx start;
    std::vector<PathSegment> segments;
};
// Subpaths with their work estimate (path records and glyph outlines).
struct Outline {
    std::uint32_t work = 0;
    std::vector<Subpath> subpaths;
};
// A byte range of the page's DrawingStream.
struct ByteRange {
    std::size_t offset = 0;
    std::uint32_t size = 0;
};

struct RectRecord {
    std::uint8_t operation = 0;  // 1 fill, 5 clip, 6 (24-byte form, unused)
    Rect rect;
    std::optional<Rect> second;  // operation 1 only
};
struct PathRecord {
    bool curves = false;  // opcode 0x11
    std::uint8_t mode = 0;  // 0 stroke .. 5 clip
    bool closed = false;    // flag 0x08
    bool multi = false;     // flag 0x10
    Rect bounds;
    Outline path;
};
struct RasterRecord {
    std::uint8_t formatHigh = 0;  // byte 1: format word bits 16-23
    std::uint8_t flags = 0;       // byte 2
    std::uint8_t formatMid = 0;   // byte 3: format word bits 8-15
    Rect dest;
    std::int32_t srcX = 0, srcY = 0;
    std::uint32_t srcWidth = 0, rows = 0;
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    unsigned bitsPerPixel = 0;
    std::uint32_t rowBytes = 0;
    ByteRange palette;  // 3-byte entries blue, green, red
    ByteRange pixels;   // rows x rowBytes
};
struct ColorRecord {
    std::uint8_t flags = 0;
    std::uint32_t fg = 0, bg = 0, pen = 0;  // 0xRRGGBB
    bool hasBg = false, hasPen = false;
};
struct RopRecord {
    std::uint8_t rop = 0;
};
struct BkModeRecord {
    std::uint8_t mode = 0;
};
struct LineStyleRecord {
    std::uint8_t unit = 0;
    std::uint16_t width = 0;
    std::uint32_t mask = 0;
};
struct LineStyleOffsetRecord {
    std::uint8_t offset = 0;
};
struct LineCapRecord {
    std::uint8_t cap = 0;
};
struct LineJoinRecord {
    std::uint8_t join = 0;
    std::uint32_t mitreLimit = 0;  // x 256
};
struct ClipResetRecord {};
struct BrushRecord {
    std::uint8_t flags = 0;
    std::uint8_t size = 0;
    std::uint16_t byteCount = 0;
    ByteRange pattern;
};
struct FontRecord {
    bool graphics = false;  // 0x56 GraphicsFontRecord, else 0x50 DeviceFontRecord
    std::uint8_t charset = 0, pitchFamily = 0;
    std::uint16_t flags = 0, weight = 0, escapement = 0, emWidth = 0, emHeight = 0;
    std::uint16_t leading = 0, defaultChar = 0;
    std::string face;  // bytes in the printer's code page
};
struct GlyphRecord {
    Rect cell;
    std::int32_t x = 0, y = 0;
    std::uint16_t ch = 0;
    bool hasOutline = false;
    Outline outline;
};
struct TextRunRecord {
    bool perChar = false;  // flag 0x80: one advance per character
    Rect background;
    std::int32_t x = 0, y = 0;
    std::vector<std::int16_t> advances;
    std::u16string chars;
};
struct GlyphBitmapRecord {
    bool cacheInUse = false;  // opcode 0x53
    std::uint8_t flags = 0;
    Rect cell;
    std::int32_t x = 0, y = 0;
    std::uint32_t dataOffset = 0;
    std::int32_t left = 0, top = 0;
    std::uint32_t width = 0, height = 0, dataCount = 0;
    std::uint16_t ch = 0;
    std::uint8_t encoding = 0;
    ByteRange data;
    std::uint32_t bitsHash = 0;  // FNV-1a of the expanded bitmap
};
struct GlyphDefineRecord {
    std::uint8_t flags = 0;
    std::uint32_t dataCount = 0, width = 0, height = 0;
    std::uint16_t ch = 0;
    std::uint8_t encoding = 0;
    ByteRange data;
    std::uint32_t bitsHash = 0;
};
struct GlyphRunEntry {
    std::int16_t dx = 0, dy = 0;
    std::uint16_t ch = 0;
};
struct GlyphRunRecord {
    std::uint8_t flags = 0;
    Rect background;
    std::int32_t x = 0, y = 0;
    std::vector<GlyphRunEntry> glyphs;
};
struct PageStartRecord {
    std::uint32_t width = 0, height = 0;
    std::uint16_t xRes = 0, yRes = 0;
};
struct PageEndRecord {};

using RecordBody =
    std::variant<RectRecord, PathRecord, RasterRecord, ColorRecord, RopRecord, BkModeRecord, LineStyleRecord,
                 LineStyleOffsetRecord, LineCapRecord, LineJoinRecord, ClipResetRecord, BrushRecord, FontRecord,
                 GlyphRecord, TextRunRecord, GlyphBitmapRecord, GlyphDefineRecord, GlyphRunRecord,
                 PageStartRecord, PageEndRecord>;

struct Record {
    std::uint8_t opcode = 0;
    std::size_t pos = 0;          // offset in the page's DrawingStream
    std::uint32_t length = 0;     // total length, a multiple of 4
    std::uint64_t fileOffset = 0;
    RecordBody body;
};

// Reads the records of one page in order.
class RecordReader {
public:
    enum class Status {
        Record,     // *out holds the next record
        End,        // every byte was read
        Truncated,  // the data end inside a record (*issue says where)
        Bad,        // a malformed record (*issue)
    };
    explicit RecordReader(const DrawingStream& stream) : s_(stream) {}
    Status next(Record* out, Issue* issue) noexcept;
    std::size_t position() const { return pos_; }

private:
    const DrawingStream& s_;
    std::size_t pos_ = 0;
};

// The order rules of a page's records: one PageStartRecord, records before
// it only reported (drawing calls outside a page land there), one
// PageEndRecord and nothing after it, and text only after a font record of
// the matching kind.
class PageRules {
public:
    // Checks one record in order; false with *issue when it breaks a rule.
    // A record that is merely out of place sets *warning and returns true.
    bool check(const Record& r, Issue* issue, std::optional<Issue>* warning);
    // At the page's end: false when the PageStart or PageEnd record is missing.
    bool finish(std::uint64_t endOffset, Issue* issue) const;

private:
    bool started_ = false, ended_ = false;
    bool haveFont_ = false;
    std::uint8_t fontOp_ = 0;
    std::uint16_t fontFlags_ = 0;
};

// Expands glyph bitmap data (encoding 0 raw rows, 2 run-length units) into
// exactly `expected` bytes of rows. False with the reason and the offset in
// `data` of the fault.
bool expandGlyphBits(Bytes data, std::uint8_t encoding, std::uint64_t expected, std::vector<std::uint8_t>* out,
                     std::string* why, std::size_t* where);

}  // namespace vesk::decode
