// Drawing records: strict reading of every opcode.
#include "decode/records.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace vesk::decode {

const char* opcodeName(std::uint8_t opcode) {
    switch (opcode) {
    case kOpRect: return "RectRecord";
    case kOpPathCurves:
    case kOpPathLines: return "PathRecord";
    case kOpRaster: return "RasterRecord";
    case kOpColor: return "ColorRecord";
    case kOpRop: return "RopRecord";
    case kOpBkMode: return "BkModeRecord";
    case kOpLineStyle: return "LineStyleRecord";
    case kOpLineStyleOffset: return "LineStyleOffsetRecord";
    case kOpLineCap: return "LineCapRecord";
    case kOpLineJoin: return "LineJoinRecord";
    case kOpClipReset: return "ClipResetRecord";
    case kOpBrush: return "BrushRecord";
    case kOpDeviceFont: return "DeviceFontRecord";
    case kOpGlyph: return "GlyphRecord";
    case kOpTextRun: return "TextRunRecord";
    case kOpGlyphBitmapCached:
    case kOpGlyphBitmapUncached: return "GlyphBitmapRecord";
    case kOpGlyphDefine: return "GlyphDefineRecord";
    case kOpGlyphRun: return "GlyphRunRecord";
    case kOpGraphicsFont: return "GraphicsFontRecord";
    case kOpPageStart: return "PageStartRecord";
    case kOpPageEnd: return "PageEndRecord";
    default: return nullptr;
    }
}

// ---------------------------------------------------------------------------
// DrawingStream

void DrawingStream::appendBlock(Bytes data, std::uint64_t fileOffset) {
    blocks_.push_back(Block{bytes_.size(), fileOffset, static_cast<std::uint32_t>(data.size())});
    bytes_.insert(bytes_.end(), data.begin(), data.end());
}

std::size_t DrawingStream::blockAt(std::size_t pos) const {
    // The last block that starts at or before pos; empty blocks that share a
    // start with the following block are passed over by upper_bound.
    auto it = std::upper_bound(blocks_.begin(), blocks_.end(), pos,
                               [](std::size_t p, const Block& b) { return p < b.pos; });
    return it == blocks_.begin() ? 0 : static_cast<std::size_t>(it - blocks_.begin()) - 1;
}

std::uint64_t DrawingStream::fileOffset(std::size_t pos) const {
    if (blocks_.empty()) return 0;
    if (pos >= bytes_.size()) {
        // The end: behind the last block that holds data (or the last block).
        for (std::size_t i = blocks_.size(); i-- > 0;)
            if (blocks_[i].size) return blocks_[i].file + blocks_[i].size;
        return blocks_.back().file;
    }
    const Block& b = blocks_[blockAt(pos)];
    return b.file + (pos - b.pos);
}

bool DrawingStream::withinOneBlock(std::size_t pos, std::size_t n) const {
    if (n == 0 || blocks_.empty()) return true;
    const Block& b = blocks_[blockAt(pos)];
    return pos >= b.pos && pos - b.pos + n <= b.size;
}

// ---------------------------------------------------------------------------
// Glyph bitmap data

namespace {

// One extension of the run-length form: 0xFF bytes adding 255 each, then a
// final byte below 255 adding its value.
bool readExtension(Bytes d, std::size_t* pos, std::uint64_t* value) {
    for (;;) {
        if (*pos >= d.size()) return false;
        std::uint8_t b = d[(*pos)++];
        *value += b;
        if (b != 0xFF) return true;
    }
}

}  // namespace

bool expandGlyphBits(Bytes data, std::uint8_t encoding, std::uint64_t expected, std::vector<std::uint8_t>* out,
                     std::string* why, std::size_t* where) {
    *where = 0;
    if (expected > kMaxGlyphBitmapBytes) {
        *why = "glyph bitmap of " + std::to_string(expected) + " bytes is above the decoder's limit of " +
               std::to_string(kMaxGlyphBitmapBytes);
        return false;
    }
    if (encoding == 0) {
        if (data.size() != expected) {
            *why = "raw glyph data of " + std::to_string(data.size()) + " bytes, the bitmap needs " +
                   std::to_string(expected);
            return false;
        }
        out->assign(data.begin(), data.end());
        return true;
    }
    if (encoding != 2) {
        *why = "unknown glyph data encoding " + std::to_string(encoding);
        return false;
    }
    out->assign(static_cast<std::size_t>(expected), 0);
    std::uint64_t w = 0;
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t unitStart = pos;
        const std::uint8_t ctl = data[pos++];
        std::uint64_t zeros = (ctl >> 3) & 0x0F;
        std::uint64_t count = ctl & 0x07;
        if (zeros == 15 && !readExtension(data, &pos, &zeros)) {
            *where = unitStart;
            *why = "run-length unit ends inside its zero-count extension";
            return false;
        }
        if (count == 7 && !readExtension(data, &pos, &count)) {
            *where = unitStart;
            *why = "run-length unit ends inside its count extension";
            return false;
        }
        const bool repeat = (ctl & 0x80) != 0;
        const std::uint64_t n = repeat ? count + 2 : count + 1;
        if (zeros > expected - w || n > expected - w - zeros) {
            *where = unitStart;
            *why = "run-length data expand past the " + std::to_string(expected) + "-byte bitmap";
            return false;
        }
        w += zeros;
        if (repeat) {
            if (pos >= data.size()) {
                *where = unitStart;
                *why = "repeat unit without its data byte";
                return false;
            }
            std::fill_n(out->begin() + static_cast<std::ptrdiff_t>(w), static_cast<std::size_t>(n), data[pos++]);
        } else {
            if (n > data.size() - pos) {
                *where = unitStart;
                *why = "literal unit of " + std::to_string(n) + " bytes runs past the data";
                return false;
            }
            std::copy_n(data.begin() + static_cast<std::ptrdiff_t>(pos), static_cast<std::size_t>(n),
                        out->begin() + static_cast<std::ptrdiff_t>(w));
            pos += static_cast<std::size_t>(n);
        }
        w += n;
    }
    // Zero bytes at the end are not encoded: the rest stays zero.
    return true;
}

// ---------------------------------------------------------------------------
// Record parsing

namespace {

using Status = RecordReader::Status;

std::string hex2(unsigned v) {
    char b[8];
    std::snprintf(b, sizeof b, "0x%02X", v & 0xFFu);
    return b;
}

// Failure of the record being read: the offset of the fault inside the record
// and the reason.
struct Fault {
    std::size_t at = 0;
    std::string why;
};

class Parser {
public:
    Parser(const std::uint8_t* p, std::uint32_t len, Fault* f) : p_(p), len_(len), f_(f) {}

    bool fail(std::size_t at, std::string why) {
        f_->at = at;
        f_->why = std::move(why);
        return false;
    }
    bool zero8(std::size_t at) {
        if (p_[at] != 0) return fail(at, "reserved byte " + std::to_string(at) + " is " + hex2(p_[at]) + ", not 0");
        return true;
    }
    bool zeros(std::size_t from, std::size_t to) {  // every byte of [from, to)
        for (std::size_t i = from; i < to; ++i)
            if (p_[i] != 0) return fail(i, "pad byte " + std::to_string(i) + " is " + hex2(p_[i]) + ", not 0");
        return true;
    }
    bool zero16(std::size_t at) { return reservedField(at, 2); }
    bool zero32(std::size_t at) { return reservedField(at, 4); }
    bool reservedField(std::size_t at, std::size_t n) {
        for (std::size_t i = at; i < at + n; ++i)
            if (p_[i] != 0)
                return fail(i, "reserved field at " + std::to_string(at) + " is not 0 (byte " + std::to_string(i) +
                                   " is " + hex2(p_[i]) + ")");
        return true;
    }
    Rect rect(std::size_t at) const {
        return Rect{les32(p_ + at), les32(p_ + at + 4), les32(p_ + at + 8), les32(p_ + at + 12)};
    }
    const std::uint8_t* p() const { return p_; }
    std::uint32_t len() const { return len_; }

    // Subpaths filling [from, len_) exactly; the work estimate they imply.
    bool subpaths(std::size_t from, Outline* out, bool* anyBezier) {
        std::uint64_t lines = 0, beziers = 0;
        std::size_t at = from;
        *anyBezier = false;
        while (at < len_) {
            if (len_ - at < 12)
                return fail(at, std::to_string(len_ - at) + " bytes left after the last subpath, too few for another");
            const std::uint32_t count = le32(p_ + at);
            Subpath sp;
            sp.start = PointFx{les32(p_ + at + 4), les32(p_ + at + 8)};
            const std::size_t subStart = at;
            at += 12;
            for (std::uint32_t i = 0; i < count; ++i) {
                if (len_ - at < 4)
                    return fail(subStart, "subpath declares " + std::to_string(count) +
                                              " segments, the record ends after " + std::to_string(i));
                const std::uint32_t kind = le32(p_ + at);
                PathSegment seg;
                if (kind == 0) {
                    if (len_ - at < 12) return fail(at, "line segment runs past the record's end");
                    seg.pts[0] = PointFx{les32(p_ + at + 4), les32(p_ + at + 8)};
                    at += 12;
                    ++lines;
                } else if (kind == 1) {
                    if (len_ - at < 28) return fail(at, "Bezier segment runs past the record's end");
                    seg.bezier = true;
                    for (int k = 0; k < 3; ++k)
                        seg.pts[k] = PointFx{les32(p_ + at + 4 + 8 * k), les32(p_ + at + 8 + 8 * k)};
                    at += 28;
                    ++beziers;
                    *anyBezier = true;
                } else {
                    return fail(at, "segment kind " + std::to_string(kind) + " (0 line or 1 Bezier)");
                }
                sp.segments.push_back(seg);
            }
            out->subpaths.push_back(std::move(sp));
        }
        // The writer fails a path without points instead of sending it, so a
        // record holds at least one subpath (a start point alone is one).
        if (out->subpaths.empty()) return fail(from, "no subpath");
        // Work estimate: 3 per line point, 7 per Bezier segment, 3 per
        // subpath start point (the "+3" and the "3 x subpaths after the
        // first" terms), and 1 more when there is more than one subpath.
        const std::uint64_t n = out->subpaths.size();
        const std::uint64_t expect = 3 * lines + 7 * beziers + 3 * n + (n > 1 ? 1 : 0);
        if (out->work != expect)
            return fail(from - 4, "work estimate " + std::to_string(out->work) + ", the subpaths give " + std::to_string(expect));
        return true;
    }

    // Glyph bitmap data of a glyph record: width x height one-bit rows,
    // raw or run-length encoded.
    bool glyphData(std::size_t dataAt, std::size_t countAt, std::uint32_t count, std::uint32_t width,
                   std::uint32_t height, std::uint8_t encoding, std::size_t encodingAt, std::uint32_t* hash) {
        const std::uint64_t raw = ((static_cast<std::uint64_t>(width) + 7) / 8) * height;
        if (encoding != 0 && encoding != 2)
            return fail(encodingAt, "data encoding " + std::to_string(encoding) + " (0 raw or 2 run-length)");
        if (count == 0) {
            if (raw != 0)
                return fail(countAt, "glyph bitmap of " + std::to_string(width) + "x" + std::to_string(height) +
                                        " without data");
            *hash = fnv1a({});
            return true;
        }
        if (encoding == 2 && count >= round4(raw))
            return fail(countAt, "run-length data of " + std::to_string(count) +
                                    " bytes, not below the raw size rounded up (" + std::to_string(round4(raw)) + ")");
        std::vector<std::uint8_t> bits;
        std::string why;
        std::size_t where = 0;
        if (!expandGlyphBits(Bytes(p_ + dataAt, count), encoding, raw, &bits, &why, &where))
            return fail(dataAt + where, why);
        *hash = fnv1a(bits);
        return true;
    }

private:
    const std::uint8_t* p_;
    std::uint32_t len_;
    Fault* f_;
};

bool parseRect(Parser& r, RecordBody* body) {
    const std::uint8_t* p = r.p();
    RectRecord rec;
    rec.operation = p[2];
    if (!r.zero8(1) || !r.zero8(3)) return false;
    rec.rect = r.rect(8);
    if (r.len() == 40) rec.second = r.rect(24);
    *body = rec;
    return true;
}

bool parsePath(Parser& r, RecordBody* body) {
    const std::uint8_t* p = r.p();
    PathRecord rec;
    rec.curves = p[0] == kOpPathCurves;
    if (!r.zero8(1) || !r.zero8(3)) return false;
    const std::uint8_t f = p[2];
    if (f & 0xE0) return r.fail(2, "unknown path flag bits " + hex2(f & 0xE0));
    rec.mode = f & 0x07;
    if (rec.mode > 5) return r.fail(2, "path mode " + std::to_string(rec.mode) + " (0 to 5)");
    rec.closed = (f & 0x08) != 0;
    rec.multi = (f & 0x10) != 0;
    rec.bounds = r.rect(8);
    // The bounds are the whole path's (a per-subpath record repeats them) and
    // may or may not include Bezier control points, so the points are not
    // checked against them; the rectangle itself must be ordered.
    if (rec.bounds.left > rec.bounds.right || rec.bounds.top > rec.bounds.bottom)
        return r.fail(8, "path bounds are not ordered");
    rec.path.work = le32(p + 24);
    bool anyBezier = false;
    if (!r.subpaths(28, &rec.path, &anyBezier)) return false;
    if (anyBezier != rec.curves)
        return r.fail(0, rec.curves ? "opcode 0x11 (curves) but no Bezier segment"
                                    : "opcode 0x12 (lines only) but a Bezier segment");
    const bool many = rec.path.subpaths.size() > 1;
    if (many != rec.multi)
        return r.fail(2, many ? "several subpaths without flag 0x10" : "flag 0x10 with a single subpath");
    *body = std::move(rec);
    return true;
}

bool parseRaster(Parser& r, RecordBody* body, std::size_t pos) {
    const std::uint8_t* p = r.p();
    RasterRecord rec;
    rec.formatHigh = p[1];
    rec.flags = p[2];
    rec.formatMid = p[3];
    // Known format-word bits: byte 1 0x02 (reduced on the host); byte 2 the
    // pixel format, 0x10 grey, 0x20 no palette, 0x80 blit; byte 3 0x04
    // banding, 0x08 colours matched by the host. Any other bit is refused.
    if (rec.formatHigh & ~0x02u) return r.fail(1, "unknown format bits " + hex2(rec.formatHigh & ~0x02u) + " in byte 1");
    if (rec.flags & 0x40) return r.fail(2, "unknown format bit 0x40 in byte 2");
    if (rec.formatMid & ~0x0Cu) return r.fail(3, "unknown format bits " + hex2(rec.formatMid & ~0x0Cu) + " in byte 3");
    const unsigned fmt = rec.flags & 0x0F;
    // Pixel formats 0, 1, 2 are 1, 4, 8 bits; every other value is read as
    // 24 bits (blue, green, red), as the layout says.
    rec.bitsPerPixel = fmt == 0 ? 1 : fmt == 1 ? 4 : fmt == 2 ? 8 : 24;
    const bool noPalette = (rec.flags & 0x20) != 0;
    if ((rec.flags & 0x10) && (fmt != 2 || !noPalette))
        return r.fail(2, "grey rows (0x10) must be 8 bits without a palette");
    const std::uint32_t pal = noPalette ? 0 : fmt == 0 ? 6 : fmt == 1 ? 48 : fmt == 2 ? 768 : 0;
    rec.dest = r.rect(8);
    rec.srcX = les32(p + 24);
    rec.srcY = les32(p + 28);
    rec.srcWidth = le32(p + 32);
    rec.rows = le32(p + 36);
    rec.x = les32(p + 40);
    rec.y = les32(p + 44);
    rec.width = les32(p + 48);
    rec.height = les32(p + 52);
    if (rec.dest.left != rec.x || rec.dest.top != rec.y ||
        static_cast<std::int64_t>(rec.dest.right) != static_cast<std::int64_t>(rec.x) + rec.width ||
        static_cast<std::int64_t>(rec.dest.bottom) != static_cast<std::int64_t>(rec.y) + rec.height)
        return r.fail(8, "destination rectangle disagrees with the origin and size at 40");
    if (rec.srcWidth == 0) return r.fail(32, "source width 0");
    const std::uint64_t rowBytes = (static_cast<std::uint64_t>(rec.srcWidth) * rec.bitsPerPixel + 31) / 32 * 4;
    if (rec.rows != 0 && rowBytes > (0xFFFFFFFFull - 56 - pal) / rec.rows)
        return r.fail(32, "rows of " + std::to_string(rec.rows) + " x " + std::to_string(rowBytes) +
                              " bytes cannot fit any record length");
    const std::uint64_t data = 56 + pal + rowBytes * rec.rows;
    if (round4(data) != r.len())
        return r.fail(4, "record length " + std::to_string(r.len()) + ", the palette and rows need " +
                             std::to_string(round4(data)));
    rec.rowBytes = static_cast<std::uint32_t>(rowBytes);
    rec.palette = ByteRange{pos + 56, pal};
    rec.pixels = ByteRange{pos + 56 + pal, static_cast<std::uint32_t>(rowBytes * rec.rows)};
    // Row padding inside each row is copied from the source bitmap and may
    // hold anything; only the tail behind the last row must be zero.
    if (!r.zeros(static_cast<std::size_t>(data), r.len())) return false;
    *body = rec;
    return true;
}

bool parseColor(Parser& r, RecordBody* body) {
    const std::uint8_t* p = r.p();
    ColorRecord rec;
    rec.flags = p[2];
    if (!(rec.flags & 0x01)) return r.fail(2, "colour flag 0x01 is clear (it is always set)");
    if (rec.flags & 0x26) return r.fail(2, "unknown colour flag bits " + hex2(rec.flags & 0x26));
    if (!r.zero8(3)) return false;
    rec.hasBg = (rec.flags & 0x08) != 0;
    rec.hasPen = (rec.flags & 0x10) != 0;
    const std::uint32_t n = 1 + rec.hasBg + rec.hasPen;
    if (r.len() != round4(4 + 3 * n))
        return r.fail(1, "length " + std::to_string(r.len()) + " for " + std::to_string(n) + " colours (needs " +
                             std::to_string(round4(4 + 3 * n)) + ")");
    auto rgb = [&](std::size_t at) {
        return (static_cast<std::uint32_t>(p[at]) << 16) | (static_cast<std::uint32_t>(p[at + 1]) << 8) | p[at + 2];
    };
    std::size_t at = 4;
    rec.fg = rgb(at);
    at += 3;
    if (rec.hasBg) {
        rec.bg = rgb(at);
        at += 3;
    }
    if (rec.hasPen) {
        rec.pen = rgb(at);
        at += 3;
    }
    if (!r.zeros(at, r.len())) return false;
    *body = rec;
    return true;
}

bool parseSmall(Parser& r, RecordBody* body) {
    const std::uint8_t* p = r.p();
    switch (p[0]) {
    case kOpRop:
        // The builder writes the pattern copy 0xF0 as 0xCC: 0xF0 never
        // appears in a well-formed stream.
        if (p[1] == 0xF0) return r.fail(1, "ROP 0xF0 (it is sent as 0xCC)");
        if (!r.zero8(2) || !r.zero8(3)) return false;
        *body = RopRecord{p[1]};
        return true;
    case kOpBkMode:
        if (p[1] != 1 && p[1] != 2) return r.fail(1, "background mode " + std::to_string(p[1]) + " (1 or 2)");
        if (!r.zero8(2) || !r.zero8(3)) return false;
        *body = BkModeRecord{p[1]};
        return true;
    case kOpLineStyle: {
        LineStyleRecord rec{p[1], le16(p + 2), le32(p + 4)};
        if (rec.width == 0) return r.fail(2, "line width 0 (at least 1)");
        // Solid lines carry style unit 0 (the conversion starts there); a
        // dash mask always comes with a unit of 1 or more.
        if (rec.unit == 0 && rec.mask != 0xFFFFFFFFu) return r.fail(1, "style unit 0 with a dash mask");
        *body = rec;
        return true;
    }
    case kOpLineStyleOffset:
        if (!r.zero8(2) || !r.zero8(3)) return false;
        *body = LineStyleOffsetRecord{p[1]};
        return true;
    case kOpLineCap:
        if (p[1] > 2) return r.fail(1, "line cap " + std::to_string(p[1]) + " (0 round, 1 flat, 2 square)");
        if (!r.zero8(2) || !r.zero8(3)) return false;
        *body = LineCapRecord{p[1]};
        return true;
    case kOpLineJoin: {
        if (p[1] > 2) return r.fail(1, "line join " + std::to_string(p[1]) + " (0 round, 1 bevel, 2 mitre)");
        if (!r.zero8(2) || !r.zero8(3)) return false;
        const std::uint32_t limit = le32(p + 4);
        // The limit is clamped to 1..32767 before it is scaled by 256.
        if (limit < 256 || limit > 32767u * 256u)
            return r.fail(4, "mitre limit " + std::to_string(limit) + " outside 256..8388352 (1 to 32767 x 256)");
        *body = LineJoinRecord{p[1], limit};
        return true;
    }
    case kOpClipReset:
        if (!r.zero8(1) || !r.zero8(2) || !r.zero8(3)) return false;
        *body = ClipResetRecord{};
        return true;
    case kOpPageEnd:
        if (!r.zero8(1) || !r.zero8(2) || !r.zero8(3)) return false;
        *body = PageEndRecord{};
        return true;
    case kOpPageStart: {
        if (!r.zero8(1) || !r.zero8(2) || !r.zero8(3)) return false;
        PageStartRecord rec{le32(p + 4), le32(p + 8), le16(p + 12), le16(p + 14)};
        // Both resolutions come from one setting today, but the record has
        // room for two and they are not required to agree.
        if (rec.width == 0 || rec.height == 0) return r.fail(4, "page of zero size");
        if (rec.xRes == 0 || rec.yRes == 0) return r.fail(12, "resolution 0");
        *body = rec;
        return true;
    }
    }
    return r.fail(0, "unknown opcode");
}

bool parseBrush(Parser& r, RecordBody* body, std::size_t pos) {
    const std::uint8_t* p = r.p();
    BrushRecord rec;
    rec.flags = p[1];
    rec.size = p[2];
    rec.byteCount = le16(p + 4);
    if (rec.flags & 0x3E) return r.fail(1, "unknown brush flag bits " + hex2(rec.flags & 0x3E));
    // A solid brush comes from the device's solid-brush slot and normally
    // carries size 0; the other sizes are taken for it too, since the byte
    // says nothing for a brush without pattern.
    if (rec.size != 0 && rec.size != 16 && rec.size != 32 && rec.size != 64)
        return r.fail(2, "pattern size " + std::to_string(rec.size) + " (16, 32, 64, or 0 for another size)");
    if (p[3] != 1) return r.fail(3, "byte 3 is " + hex2(p[3]) + ", not 1");
    const bool pattern = (rec.flags & 0x80) != 0;
    const bool rgb = (rec.flags & 0x01) != 0;
    if (!pattern) {
        if (rgb) return r.fail(1, "24-bit flag on a solid brush");
        if (rec.byteCount != 0) return r.fail(4, "solid brush with " + std::to_string(rec.byteCount) + " pattern bytes");
    } else {
        if (rec.byteCount == 0) return r.fail(4, "pattern brush without pattern bytes");
        if (rec.size != 0) {
            const std::uint32_t want = rgb ? rec.size * rec.size * 3u : rec.size * rec.size / 8u;
            if (rec.byteCount != want)
                return r.fail(4, std::to_string(rec.byteCount) + " pattern bytes for a " + std::to_string(rec.size) +
                                     "x" + std::to_string(rec.size) + (rgb ? " 24-bit" : " one-bit") +
                                     " pattern (needs " + std::to_string(want) + ")");
        } else if (rgb && rec.byteCount % 3 != 0) {
            return r.fail(4, "24-bit pattern of " + std::to_string(rec.byteCount) + " bytes, not whole pixels");
        }
    }
    rec.pattern = ByteRange{pos + 6, rec.byteCount};
    if (!r.zeros(6u + rec.byteCount, r.len())) return false;
    *body = rec;
    return true;
}

bool parseFont(Parser& r, RecordBody* body) {
    const std::uint8_t* p = r.p();
    FontRecord rec;
    rec.graphics = p[0] == kOpGraphicsFont;
    if (rec.graphics) {
        rec.charset = p[1];
        rec.pitchFamily = p[2];
        if (!r.zero8(3)) return false;
    } else {
        if (!r.zero8(1)) return false;
        rec.charset = p[2];
        rec.pitchFamily = p[3];
    }
    rec.flags = le16(p + 4);
    rec.weight = le16(p + 6);
    rec.escapement = le16(p + 8);
    rec.emWidth = le16(p + 10);
    rec.emHeight = le16(p + 12);
    rec.leading = le16(p + 20);
    rec.defaultChar = le16(p + 22);
    const std::uint16_t f = rec.flags;
    if (f & ~0x22BBu) return r.fail(4, "unknown font flag bits 0x" + [&] {
        char b[8];
        std::snprintf(b, sizeof b, "%04X", f & ~0x22BBu & 0xFFFFu);
        return std::string(b);
    }());
    // Simulated bold sets 0x0002 and 0x0020 together.
    if (((f & 0x0002) != 0) != ((f & 0x0020) != 0)) return r.fail(4, "bold flags 0x0002 and 0x0020 differ");
    // A font is either resident (0x0008, kind 2) or not (0x2000, kinds 4, 5).
    if (((f & 0x0008) != 0) == ((f & 0x2000) != 0))
        return r.fail(4, "exactly one of the resident (0x0008) and not-resident (0x2000) flags must be set");
    if ((f & 0x0200) && !(f & 0x2000)) return r.fail(4, "outline glyphs (0x0200) for a resident font");
    if (rec.graphics && (f & 0x0200)) return r.fail(4, "a graphics font record for outline glyphs (0x0200)");
    if (rec.escapement > 359) return r.fail(8, "escapement " + std::to_string(rec.escapement) + " (0 to 359)");
    if (!r.zero32(16)) return false;
    const std::size_t nameAt = rec.graphics ? 32 : 24;
    if (rec.graphics && !r.zeros(24, 32)) return false;
    std::size_t end = nameAt;
    while (end < r.len() && p[end] != 0) ++end;
    if (end == r.len()) return r.fail(nameAt, "face name is not zero-terminated inside the record");
    const std::size_t n = end - nameAt;
    // The name lives in a 260-byte buffer, terminator included.
    if (n > 259) return r.fail(nameAt, "face name of " + std::to_string(n) + " bytes (at most 259)");
    // Length = (name offset + name bytes rounded up to even + 4) rounded
    // down to a multiple of 4.
    const std::size_t want = (nameAt + ((n + 1) & ~std::size_t{1}) + 4) & ~std::size_t{3};
    if (r.len() != want)
        return r.fail(14, "record length " + std::to_string(r.len()) + " for a face name of " + std::to_string(n) +
                              " bytes (needs " + std::to_string(want) + ")");
    if (!r.zeros(end, r.len())) return false;
    rec.face.assign(reinterpret_cast<const char*>(p + nameAt), n);
    *body = std::move(rec);
    return true;
}

bool parseGlyph(Parser& r, RecordBody* body) {
    const std::uint8_t* p = r.p();
    GlyphRecord rec;
    if (!r.zero8(1) || !r.zero8(3)) return false;
    if (p[2] > 1) return r.fail(2, "outline byte " + std::to_string(p[2]) + " (0, or 1 when an outline follows)");
    rec.hasOutline = p[2] == 1;
    rec.cell = r.rect(8);
    rec.x = les32(p + 24);
    rec.y = les32(p + 28);
    rec.ch = le16(p + 32);
    if (!r.zero16(34)) return false;
    if (!rec.hasOutline) {
        if (r.len() != 36) return r.fail(4, "record length " + std::to_string(r.len()) + " without outline (36)");
    } else {
        if (r.len() < 52) return r.fail(4, "record length " + std::to_string(r.len()) + " too short for an outline");
        rec.outline.work = le32(p + 36);
        bool anyBezier = false;
        if (!r.subpaths(40, &rec.outline, &anyBezier)) return false;
    }
    *body = std::move(rec);
    return true;
}

bool parseTextRun(Parser& r, RecordBody* body) {
    const std::uint8_t* p = r.p();
    TextRunRecord rec;
    if (!r.zero8(1) || !r.zero8(3)) return false;
    if (p[2] != 0 && p[2] != 0x80) return r.fail(2, "advance flag " + hex2(p[2]) + " (0 or 0x80)");
    rec.perChar = p[2] == 0x80;
    rec.background = r.rect(8);
    rec.x = les32(p + 24);
    rec.y = les32(p + 28);
    const std::uint16_t n = le16(p + 32);
    if (!r.zero16(34)) return false;
    if (n == 0) return r.fail(32, "text run of no characters");
    const std::uint32_t adv = rec.perChar ? n : 1;
    const std::uint64_t want = round4(36 + 2ull * (adv + n));
    if (r.len() != want)
        return r.fail(4, "record length " + std::to_string(r.len()) + " for " + std::to_string(n) + " characters and " +
                             std::to_string(adv) + " advances (needs " + std::to_string(want) + ")");
    for (std::uint32_t i = 0; i < adv; ++i) rec.advances.push_back(les16(p + 36 + 2 * i));
    for (std::uint32_t i = 0; i < n; ++i) rec.chars.push_back(static_cast<char16_t>(le16(p + 36 + 2 * (adv + i))));
    // Per-character advances are the steps to the next character; the last
    // has none. (A single character with one advance also sets 0x80 and
    // carries the fixed increment, so the rule starts at two.)
    if (rec.perChar && n >= 2 && rec.advances.back() != 0)
        return r.fail(36 + 2 * (adv - 1), "last per-character advance is not 0");
    if (!r.zeros(36 + 2 * (adv + n), r.len())) return false;
    *body = std::move(rec);
    return true;
}

bool glyphFlags(Parser& r, std::uint8_t f, bool cacheBitAllowed) {
    const std::uint8_t known = cacheBitAllowed ? 0x4C : 0x0C;
    if (f & ~known) return r.fail(2, "unknown glyph flag bits " + hex2(f & ~known));
    if (((f & 0x04) != 0) == ((f & 0x08) != 0))
        return r.fail(2, "exactly one of glyph-index (0x04) and character (0x08) text must be set");
    return true;
}

bool parseGlyphBitmap(Parser& r, RecordBody* body, std::size_t pos) {
    const std::uint8_t* p = r.p();
    GlyphBitmapRecord rec;
    rec.cacheInUse = p[0] == kOpGlyphBitmapCached;
    rec.flags = p[2];
    if (!r.zero8(1) || !r.zero8(3)) return false;
    // Flag 0x40 (already in the device's cache) only where the cache is in use.
    if (!glyphFlags(r, rec.flags, rec.cacheInUse)) return false;
    rec.cell = r.rect(8);
    rec.x = les32(p + 24);
    rec.y = les32(p + 28);
    rec.dataOffset = le32(p + 32);
    rec.left = les32(p + 36);
    rec.top = les32(p + 40);
    rec.width = le32(p + 44);
    rec.height = le32(p + 48);
    rec.dataCount = le32(p + 52);
    if (!r.zero32(56)) return false;
    rec.ch = le16(p + 60);
    rec.encoding = p[62];
    if (!r.zero8(63)) return false;
    if (r.len() != round4(64ull + rec.dataCount))
        return r.fail(4, "record length " + std::to_string(r.len()) + " for " + std::to_string(rec.dataCount) +
                             " data bytes (needs " + std::to_string(round4(64ull + rec.dataCount)) + ")");
    if (rec.dataOffset != (rec.dataCount ? 64u : 0u))
        return r.fail(32, "data offset " + std::to_string(rec.dataOffset) + " (64 with data, 0 without)");
    if (rec.flags & 0x40) {
        // Cached glyph: no bitmap follows. The encoding byte carries nothing
        // then; 0 and 2 are both taken.
        if (rec.dataCount != 0) return r.fail(52, "cached glyph (0x40) with bitmap data");
        if (rec.encoding != 0 && rec.encoding != 2)
            return r.fail(62, "data encoding " + std::to_string(rec.encoding) + " (0 raw or 2 run-length)");
    } else if (!r.glyphData(64, 52, rec.dataCount, rec.width, rec.height, rec.encoding, 62, &rec.bitsHash)) {
        return false;
    }
    rec.data = ByteRange{pos + 64, rec.dataCount};
    if (!r.zeros(64 + static_cast<std::size_t>(rec.dataCount), r.len())) return false;
    *body = rec;
    return true;
}

bool parseGlyphDefine(Parser& r, RecordBody* body, std::size_t pos) {
    const std::uint8_t* p = r.p();
    GlyphDefineRecord rec;
    rec.flags = p[2];
    if (!r.zero8(1) || !r.zero8(3)) return false;
    if (!glyphFlags(r, rec.flags, false)) return false;
    rec.dataCount = le32(p + 8);
    rec.width = le32(p + 12);
    rec.height = le32(p + 16);
    if (!r.zero32(20)) return false;
    rec.ch = le16(p + 24);
    rec.encoding = p[26];
    if (!r.zero8(27)) return false;
    if (r.len() != round4(28ull + rec.dataCount))
        return r.fail(4, "record length " + std::to_string(r.len()) + " for " + std::to_string(rec.dataCount) +
                             " data bytes (needs " + std::to_string(round4(28ull + rec.dataCount)) + ")");
    if (!r.glyphData(28, 8, rec.dataCount, rec.width, rec.height, rec.encoding, 26, &rec.bitsHash)) return false;
    rec.data = ByteRange{pos + 28, rec.dataCount};
    if (!r.zeros(28 + static_cast<std::size_t>(rec.dataCount), r.len())) return false;
    *body = rec;
    return true;
}

bool parseGlyphRun(Parser& r, RecordBody* body) {
    const std::uint8_t* p = r.p();
    GlyphRunRecord rec;
    rec.flags = p[2];
    if (!r.zero8(1) || !r.zero8(3)) return false;
    if (!glyphFlags(r, rec.flags, false)) return false;
    rec.background = r.rect(8);
    rec.x = les32(p + 24);
    rec.y = les32(p + 28);
    const std::uint16_t n = le16(p + 32);
    if (!r.zero16(34)) return false;
    if (n == 0) return r.fail(32, "glyph run of no glyphs");
    const std::uint64_t want = 36 + round4(6ull * n);
    if (r.len() != want)
        return r.fail(4, "record length " + std::to_string(r.len()) + " for " + std::to_string(n) + " glyphs (needs " +
                             std::to_string(want) + ")");
    for (std::uint32_t i = 0; i < n; ++i) {
        const std::uint8_t* e = p + 36 + 6 * i;
        rec.glyphs.push_back(GlyphRunEntry{les16(e), les16(e + 2), le16(e + 4)});
    }
    if (rec.glyphs[0].dx != 0 || rec.glyphs[0].dy != 0) return r.fail(36, "first glyph's step is not 0, 0");
    if (!r.zeros(36 + 6 * static_cast<std::size_t>(n), r.len())) return false;
    *body = std::move(rec);
    return true;
}

// How many bytes must be present to learn a record's length.
std::size_t headNeed(std::uint8_t op) {
    switch (op) {
    case kOpColor: return 2;
    case kOpBrush: return 6;
    case kOpDeviceFont:
    case kOpGraphicsFont: return 16;
    case kOpRop:
    case kOpBkMode:
    case kOpLineStyleOffset:
    case kOpLineCap:
    case kOpClipReset:
    case kOpPageEnd: return 1;
    case kOpLineStyle:
    case kOpLineJoin:
    case kOpPageStart: return 1;
    default: return 8;  // u32 length at 4
    }
}

// The record's total length from its first bytes (headNeed(op) of them).
bool recordLength(const std::uint8_t* p, std::uint64_t* len, Fault* f) {
    auto bad = [&](std::size_t at, std::string why) {
        f->at = at;
        f->why = std::move(why);
        return false;
    };
    const std::uint8_t op = p[0];
    switch (op) {
    case kOpRop:
    case kOpBkMode:
    case kOpLineStyleOffset:
    case kOpLineCap:
    case kOpClipReset:
    case kOpPageEnd: *len = 4; return true;
    case kOpLineStyle:
    case kOpLineJoin: *len = 8; return true;
    case kOpPageStart: *len = 16; return true;
    case kOpColor:
        *len = p[1];
        if (*len != 8 && *len != 12 && *len != 16) return bad(1, "length byte " + std::to_string(*len) + " (8, 12 or 16)");
        return true;
    case kOpBrush: *len = round4(6 + le16(p + 4)); return true;
    case kOpDeviceFont:
    case kOpGraphicsFont: {
        *len = le16(p + 14);
        const std::uint64_t min = op == kOpGraphicsFont ? 36 : 28;
        if (*len < min || *len % 4) return bad(14, "record length " + std::to_string(*len));
        return true;
    }
    default: break;
    }
    *len = le32(p + 4);
    std::uint64_t min = 8;
    switch (op) {
    case kOpRect:
        if (p[2] != 1 && p[2] != 5 && p[2] != 6)
            return bad(2, "rectangle operation " + std::to_string(p[2]) + " (1 fill, 5 clip, 6)");
        if (*len != (p[2] == 1 ? 40u : 24u))
            return bad(4, "record length " + std::to_string(*len) + " for operation " + std::to_string(p[2]) +
                              " (needs " + (p[2] == 1 ? "40)" : "24)"));
        return true;
    case kOpPathCurves:
    case kOpPathLines: min = 40; break;
    case kOpRaster: min = 56; break;
    case kOpGlyph: min = 36; break;
    case kOpTextRun: min = 40; break;
    case kOpGlyphBitmapCached:
    case kOpGlyphBitmapUncached: min = 64; break;
    case kOpGlyphDefine: min = 28; break;
    case kOpGlyphRun: min = 44; break;
    default: break;
    }
    if (*len < min) return bad(4, "record length " + std::to_string(*len) + " (at least " + std::to_string(min) + ")");
    if (*len % 4) return bad(4, "record length " + std::to_string(*len) + " is not a multiple of 4");
    return true;
}

}  // namespace

RecordReader::Status RecordReader::next(Record* out, Issue* issue) noexcept {
    try {
        const Bytes all = s_.bytes();
        if (pos_ >= all.size()) return Status::End;
        const std::uint8_t* p = all.data() + pos_;
        const std::size_t avail = all.size() - pos_;
        const std::uint8_t op = p[0];
        const char* name = opcodeName(op);
        auto at = [&](std::size_t rel) { return s_.fileOffset(pos_ + rel); };
        if (!name) {
            *issue = Issue{at(0), "unknown drawing opcode " + hex2(op)};
            return Status::Bad;
        }
        const std::string prefix = std::string(name) + ": ";
        const std::size_t need = headNeed(op);
        if (avail < need) {
            *issue = Issue{at(avail), prefix + "data end " + std::to_string(avail) + " bytes into the record"};
            return Status::Truncated;
        }
        Fault f;
        std::uint64_t len = 0;
        if (!recordLength(p, &len, &f)) {
            *issue = Issue{at(f.at), prefix + f.why};
            return Status::Bad;
        }
        if (len > avail) {
            *issue = Issue{at(0), prefix + "record of " + std::to_string(len) + " bytes, only " + std::to_string(avail) +
                                      " bytes of drawing data left"};
            return Status::Truncated;
        }
        // Every record is reserved in one piece and so lies in one 0xF5
        // block; a raster record's rows may go on in the following blocks,
        // but its header (with the palette) is one piece too.
        std::size_t whole = static_cast<std::size_t>(len);
        if (op == kOpRaster) {
            const std::uint8_t fmt = p[2];
            const std::size_t pal = (fmt & 0x20) ? 0 : (fmt & 0x0F) == 0 ? 6 : (fmt & 0x0F) == 1 ? 48 : (fmt & 0x0F) == 2 ? 768 : 0;
            whole = std::min<std::size_t>(whole, static_cast<std::size_t>(round4(56 + pal)));
        }
        if (!s_.withinOneBlock(pos_, whole)) {
            *issue = Issue{at(0), prefix + "record is split between two 0xF5 blocks"};
            return Status::Bad;
        }
        Parser r(p, static_cast<std::uint32_t>(len), &f);
        RecordBody body;
        bool ok = false;
        switch (op) {
        case kOpRect: ok = parseRect(r, &body); break;
        case kOpPathCurves:
        case kOpPathLines: ok = parsePath(r, &body); break;
        case kOpRaster: ok = parseRaster(r, &body, pos_); break;
        case kOpColor: ok = parseColor(r, &body); break;
        case kOpBrush: ok = parseBrush(r, &body, pos_); break;
        case kOpDeviceFont:
        case kOpGraphicsFont: ok = parseFont(r, &body); break;
        case kOpGlyph: ok = parseGlyph(r, &body); break;
        case kOpTextRun: ok = parseTextRun(r, &body); break;
        case kOpGlyphBitmapCached:
        case kOpGlyphBitmapUncached: ok = parseGlyphBitmap(r, &body, pos_); break;
        case kOpGlyphDefine: ok = parseGlyphDefine(r, &body, pos_); break;
        case kOpGlyphRun: ok = parseGlyphRun(r, &body); break;
        default: ok = parseSmall(r, &body); break;
        }
        if (!ok) {
            *issue = Issue{at(f.at), prefix + f.why};
            return Status::Bad;
        }
        out->opcode = op;
        out->pos = pos_;
        out->length = static_cast<std::uint32_t>(len);
        out->fileOffset = at(0);
        out->body = std::move(body);
        pos_ += static_cast<std::size_t>(len);
        return Status::Record;
    } catch (const std::bad_alloc&) {
        *issue = Issue{s_.fileOffset(pos_), "out of memory decoding a drawing record"};
        return Status::Bad;
    } catch (...) {
        *issue = Issue{s_.fileOffset(pos_), "internal error decoding a drawing record"};
        return Status::Bad;
    }
}

// ---------------------------------------------------------------------------
// Page order rules

bool PageRules::check(const Record& r, Issue* issue, std::optional<Issue>* warning) {
    const std::string name = opcodeName(r.opcode);
    if (ended_) {
        *issue = Issue{r.fileOffset, name + " after the page's PageEndRecord"};
        return false;
    }
    if (r.opcode == kOpPageStart) {
        if (started_) {
            *issue = Issue{r.fileOffset, "second PageStartRecord in one page"};
            return false;
        }
        started_ = true;
        haveFont_ = false;  // every page starts with no font selected
        return true;
    }
    if (!started_) {
        if (r.opcode == kOpPageEnd) {
            *issue = Issue{r.fileOffset, "PageEndRecord before the PageStartRecord"};
            return false;
        }
        // Drawing calls made between pages land before the next page's start.
        *warning = Issue{r.fileOffset, name + " before the page's PageStartRecord (drawn outside a page)"};
    }
    switch (r.opcode) {
    case kOpPageEnd: ended_ = true; break;
    case kOpDeviceFont:
    case kOpGraphicsFont:
        haveFont_ = true;
        fontOp_ = r.opcode;
        fontFlags_ = std::get<FontRecord>(r.body).flags;
        break;
    case kOpTextRun:
    case kOpGlyph: {
        const bool outline = r.opcode == kOpGlyph && std::get<GlyphRecord>(r.body).hasOutline;
        const bool ok = haveFont_ && fontOp_ == kOpDeviceFont && (fontFlags_ & (outline ? 0x0200 : 0x0008));
        if (!ok) {
            *issue = Issue{r.fileOffset, name + (outline ? " with an outline needs an outline DeviceFontRecord (0x0200)"
                                                         : " needs a resident DeviceFontRecord (0x0008)") +
                                             " selected on this page"};
            return false;
        }
        break;
    }
    case kOpGlyphBitmapCached:
    case kOpGlyphBitmapUncached:
    case kOpGlyphDefine:
    case kOpGlyphRun:
        if (!haveFont_ || fontOp_ != kOpGraphicsFont) {
            *issue = Issue{r.fileOffset, name + " needs a GraphicsFontRecord selected on this page"};
            return false;
        }
        break;
    default: break;
    }
    return true;
}

bool PageRules::finish(std::uint64_t endOffset, Issue* issue) const {
    if (!started_) {
        *issue = Issue{endOffset, "page has no PageStartRecord"};
        return false;
    }
    if (!ended_) {
        *issue = Issue{endOffset, "page has no PageEndRecord"};
        return false;
    }
    return true;
}

}  // namespace vesk::decode
