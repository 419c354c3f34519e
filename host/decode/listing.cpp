// Text listing of a decoded device stream.
#include "decode/listing.h"

#include <cstdarg>
#include <cstdio>
#include <new>

#include "decode/pjl.h"

namespace vesk::decode {

namespace {

std::string fmt(const char* f, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char* f, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, f);
    std::vsnprintf(buf, sizeof buf, f, ap);
    va_end(ap);
    return buf;
}

// A fixed-point value with `bits` fractional bits, written exactly in
// decimal ("12.5", "-0.0625").
std::string fixed(std::int64_t v, unsigned bits) {
    const bool neg = v < 0;
    const std::uint64_t a = neg ? static_cast<std::uint64_t>(-v) : static_cast<std::uint64_t>(v);
    std::string s = (neg ? "-" : "") + std::to_string(a >> bits);
    std::uint64_t frac = a & ((std::uint64_t{1} << bits) - 1);
    if (frac) {
        s += '.';
        while (frac) {
            frac *= 10;
            s += static_cast<char>('0' + (frac >> bits));
            frac &= (std::uint64_t{1} << bits) - 1;
        }
    }
    return s;
}

std::string rect(const Rect& r) { return fmt("[%d,%d,%d,%d]", r.left, r.top, r.right, r.bottom); }
std::string point(std::int32_t x, std::int32_t y) { return fmt("(%d,%d)", x, y); }
std::string pointFx(const PointFx& p) { return "(" + fixed(p.x, 4) + "," + fixed(p.y, 4) + ")"; }
std::string digest(Bytes b) { return fmt("fnv:%08X", fnv1a(b)); }

std::string character(std::uint16_t c) {
    if (c >= 0x20 && c < 0x7F && c != '\'' && c != '\\') return fmt("'%c'", static_cast<char>(c));
    return fmt("U+%04X", c);
}

std::string text16(const std::u16string& s) {
    std::string out = "\"";
    for (char16_t c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            out += fmt("\\u%04X", static_cast<unsigned>(c));
        }
    }
    return out + "\"";
}

std::string outline(const Outline& o) {
    std::string s;
    bool first = true;
    for (const Subpath& sp : o.subpaths) {
        s += first ? " " : " | ";
        first = false;
        s += "M" + pointFx(sp.start);
        for (const PathSegment& seg : sp.segments) {
            if (seg.bezier)
                s += " C" + pointFx(seg.pts[0]) + pointFx(seg.pts[1]) + pointFx(seg.pts[2]);
            else
                s += " L" + pointFx(seg.pts[0]);
        }
    }
    return s;
}

std::string colour(std::uint32_t rgb) { return fmt("%06X", rgb & 0xFFFFFFu); }

const char* pathMode(unsigned m) {
    static const char* const names[] = {"stroke", "fill-alternate", "fill-winding", "stroke-fill-alternate",
                                        "stroke-fill-winding", "clip"};
    return m < 6 ? names[m] : "?";
}

std::string glyphText(std::uint8_t flags) { return (flags & 0x04) ? "text=index" : "text=char"; }

std::string glyphData(std::uint32_t count, std::uint8_t encoding, std::uint32_t bitsHash) {
    if (count == 0) return "empty";
    return fmt("%s %u bytes bits=fnv:%08X", encoding == 2 ? "rle" : "raw", count, bitsHash);
}

struct Describe {
    const DrawingStream& s;
    Bytes range(const ByteRange& r) const { return s.bytes().subspan(r.offset, r.size); }

    std::string operator()(const RectRecord& r) const {
        std::string out = r.operation == 1 ? "Rect fill " : r.operation == 5 ? "Rect clip " : "Rect op6 ";
        out += rect(r.rect);
        if (r.second && !(*r.second == r.rect)) out += " second=" + rect(*r.second);
        return out;
    }
    std::string operator()(const PathRecord& r) const {
        std::string out = std::string("Path ") + (r.curves ? "curves " : "lines ") + pathMode(r.mode);
        if (r.closed) out += " closed";
        if (r.multi) out += " multi";
        out += " bounds=" + rect(r.bounds) + fmt(" work=%u:", r.path.work) + outline(r.path);
        return out;
    }
    std::string operator()(const RasterRecord& r) const {
        const unsigned fmtCode = r.flags & 0x0F;
        std::string out = fmt("Raster %ubpp", r.bitsPerPixel);
        if (r.bitsPerPixel == 24 && fmtCode != 4) out += fmt("(format %u)", fmtCode);
        out += " dst=" + point(r.x, r.y) + fmt(" size=%dx%d", r.width, r.height) + " src=" + point(r.srcX, r.srcY) +
               fmt(" srcwidth=%u rows=%u rowbytes=%u", r.srcWidth, r.rows, r.rowBytes);
        std::string flags;
        auto flag = [&](bool on, const char* n) {
            if (on) flags += flags.empty() ? n : std::string(",") + n;
        };
        flag(r.flags & 0x80, "blit");
        flag(r.flags & 0x10, "grey");
        flag(r.formatMid & 0x04, "banding");
        flag(r.formatMid & 0x08, "host-icm");
        flag(r.formatHigh & 0x02, "reduced");
        if (!flags.empty()) out += " flags=" + flags;
        if (r.palette.size == 0) {
            out += " palette=none";
        } else if (r.palette.size == 6) {
            const Bytes p = range(r.palette);
            // Entries are stored blue, green, red.
            out += " palette=[" + colour((p[2] << 16) | (p[1] << 8) | p[0]) + " " +
                   colour((p[5] << 16) | (p[4] << 8) | p[3]) + "]";
        } else {
            out += fmt(" palette=%u entries ", r.palette.size / 3) + digest(range(r.palette));
        }
        out += " pixels=" + digest(range(r.pixels));
        return out;
    }
    std::string operator()(const ColorRecord& r) const {
        std::string out = "Color fg=" + colour(r.fg);
        if (r.hasBg) out += " bg=" + colour(r.bg);
        if (r.hasPen) out += " pen=" + colour(r.pen);
        if (r.flags & 0x40) out += " text";
        if (r.flags & 0x80) out += " host-icm";
        return out;
    }
    std::string operator()(const RopRecord& r) const { return fmt("Rop 0x%02X", r.rop); }
    std::string operator()(const BkModeRecord& r) const {
        return r.mode == 1 ? "BkMode transparent" : "BkMode opaque";
    }
    std::string operator()(const LineStyleRecord& r) const {
        return fmt("LineStyle width=%u unit=%u mask=%08X", r.width, r.unit, r.mask);
    }
    std::string operator()(const LineStyleOffsetRecord& r) const { return fmt("LineStyleOffset %u", r.offset); }
    std::string operator()(const LineCapRecord& r) const {
        static const char* const n[] = {"round", "flat", "square"};
        return std::string("LineCap ") + n[r.cap % 3];
    }
    std::string operator()(const LineJoinRecord& r) const {
        static const char* const n[] = {"round", "bevel", "mitre"};
        return std::string("LineJoin ") + n[r.join % 3] + " limit=" + fixed(r.mitreLimit, 8);
    }
    std::string operator()(const ClipResetRecord&) const { return "ClipReset"; }
    std::string operator()(const BrushRecord& r) const {
        std::string out;
        if (!(r.flags & 0x80)) {
            out = "Brush solid";
        } else {
            out = std::string("Brush pattern ") + ((r.flags & 0x01) ? "24bpp " : "1bpp ") +
                  (r.size ? fmt("%ux%u", r.size, r.size) : std::string("size=other")) +
                  fmt(" bytes=%u ", r.byteCount) + digest(range(r.pattern));
        }
        if (r.flags & 0x40) out += " host-icm";
        return out;
    }
    std::string operator()(const FontRecord& r) const {
        std::string out = std::string(r.graphics ? "GraphicsFont \"" : "DeviceFont \"") + escapeBytes(r.face) + "\"";
        out += fmt(" charset=%u pitch-family=0x%02X", r.charset, r.pitchFamily);
        std::string flags;
        auto flag = [&](std::uint16_t bit, const char* n) {
            if (r.flags & bit) flags += flags.empty() ? n : std::string(",") + n;
        };
        flag(0x0008, "resident");
        flag(0x2000, "not-resident");
        flag(0x0200, "outline");
        flag(0x0001, "italic");
        flag(0x0002, "bold");
        flag(0x0010, "glyph-index");
        flag(0x0080, "vertical");
        out += " flags=" + flags;
        out += fmt(" weight=%u escapement=%u em=%ux%u leading=%u default=", r.weight, r.escapement, r.emWidth,
                   r.emHeight, r.leading) +
               character(r.defaultChar);
        return out;
    }
    std::string operator()(const GlyphRecord& r) const {
        std::string out = "Glyph " + character(r.ch) + " cell=" + rect(r.cell) + " at=" + point(r.x, r.y);
        if (r.hasOutline) out += fmt(" outline work=%u:", r.outline.work) + outline(r.outline);
        return out;
    }
    std::string operator()(const TextRunRecord& r) const {
        std::string out = "TextRun " + text16(r.chars) + " at=" + point(r.x, r.y) + " background=" + rect(r.background);
        if (!r.perChar) {
            out += fmt(" advance=%d", r.advances.empty() ? 0 : r.advances[0]);
        } else {
            out += " advances=";
            for (std::size_t i = 0; i < r.advances.size(); ++i) out += (i ? "," : "") + std::to_string(r.advances[i]);
        }
        return out;
    }
    std::string operator()(const GlyphBitmapRecord& r) const {
        std::string out = "GlyphBitmap " + character(r.ch) + (r.cacheInUse ? " cache=on " : " cache=off ") +
                          glyphText(r.flags) + " cell=" + rect(r.cell) + " at=" + point(r.x, r.y) +
                          " bitmap=" + point(r.left, r.top) + fmt(" %ux%u ", r.width, r.height);
        out += (r.flags & 0x40) ? "in-cache" : glyphData(r.dataCount, r.encoding, r.bitsHash);
        return out;
    }
    std::string operator()(const GlyphDefineRecord& r) const {
        return "GlyphDefine " + character(r.ch) + " " + glyphText(r.flags) + fmt(" %ux%u ", r.width, r.height) +
               glyphData(r.dataCount, r.encoding, r.bitsHash);
    }
    std::string operator()(const GlyphRunRecord& r) const {
        std::string out = "GlyphRun " + glyphText(r.flags) + " at=" + point(r.x, r.y) + " background=" +
                          rect(r.background) + " glyphs=";
        for (std::size_t i = 0; i < r.glyphs.size(); ++i)
            out += (i ? " " : "") + character(r.glyphs[i].ch) + point(r.glyphs[i].dx, r.glyphs[i].dy);
        return out;
    }
    std::string operator()(const PageStartRecord& r) const {
        return fmt("PageStart %ux%u %ux%udpi", r.width, r.height, r.xRes, r.yRes);
    }
    std::string operator()(const PageEndRecord&) const { return "PageEnd"; }
};

class Lister : public Sink {
public:
    Lister(const ListingOptions& o, std::string* out) : o_(o), out_(*out) {}

    void jobHeader(const OuterRecord& r, Bytes text) override {
        if (o_.recordsOnly) return;
        line(r.offset, 0, fmt("job header (0xF3, %u bytes)", r.length));
        textLines(text, r.offset + 8, 1);
    }
    void jobName(const OuterRecord& r, const std::string& name) override {
        if (o_.recordsOnly) return;
        line(r.offset, 0, "job name \"" + escapeBytes(name) + "\"");
    }
    void raw(const RawSegment& r, Bytes data) override {
        if (o_.recordsOnly) return;
        const std::size_t shown = data.size() < 48 ? data.size() : 48;
        std::string s = fmt("raw %llu bytes \"", static_cast<unsigned long long>(r.size)) +
                        escapeBytes(std::string_view(reinterpret_cast<const char*>(data.data()), shown)) + "\"";
        if (shown < data.size()) s += "... " + digest(data);
        line(r.offset, 0, s);
    }
    void pageBegin(unsigned page, const OuterRecord& r, Bytes text) override {
        line(r.offset, 0, fmt("page %u", page));
        if (o_.recordsOnly) return;
        line(r.offset, 1, fmt("header (0xF4, %u bytes)", r.length));
        textLines(text, r.offset + 8, 2);
    }
    void drawing(unsigned, const DrawingStream& s) override {
        if (o_.recordsOnly) return;
        std::string sizes;
        for (std::size_t i = 0; i < s.blockCount(); ++i) sizes += (i ? " + " : "") + std::to_string(s.blockLength(i));
        line(s.blockCount() ? s.blockFileOffset(0) - 8 : 0, 1,
             fmt("drawing %zu block%s", s.blockCount(), s.blockCount() == 1 ? "" : "s") +
                 (s.blockCount() ? ": " + sizes + " bytes" : std::string()));
    }
    void record(unsigned, const Record& r, const DrawingStream& s) override {
        line(r.fileOffset, 1, describeRecord(r, s));
    }
    void pageEnd(unsigned, const OuterRecord& r, Bytes text) override {
        if (o_.recordsOnly) return;
        line(r.offset, 1, fmt("trailer (0xF1, %u bytes)", r.length));
        textLines(text, r.offset + 8, 2);
    }
    void warning(const Issue& w) override { line(w.offset, 1, "warning: " + w.reason); }

private:
    void line(std::uint64_t offset, int indent, const std::string& text) {
        if (o_.offsets) out_ += "@" + std::to_string(offset) + " ";
        out_.append(static_cast<std::size_t>(indent) * 2, ' ');
        out_ += text;
        out_ += '\n';
    }
    // Each line with its line end written out, so trailing spaces show.
    void textLines(Bytes text, std::uint64_t at, int indent) {
        for (const TextLine& l : splitLines(text)) {
            const char* end = l.end == LineEnd::CrLf ? "\\r\\n" : l.end == LineEnd::Lf ? "\\n" : "";
            line(at + l.offset, indent, "| " + escapeBytes(l.text) + end);
        }
    }

    const ListingOptions& o_;
    std::string& out_;
};

}  // namespace

std::string describeRecord(const Record& r, const DrawingStream& s) {
    try {
        return std::visit(Describe{s}, r.body);
    } catch (...) {
        return "(out of memory)";
    }
}

std::string listStream(Bytes input, const StreamOptions& stream, const ListingOptions& options,
                       Summary* summary) noexcept {
    std::string out;
    try {
        Lister lister(options, &out);
        *summary = decodeStream(input, stream, lister);
        if (summary->ok)
            out += fmt("end: %u page%s, %zu record%s", summary->pages, summary->pages == 1 ? "" : "s",
                       summary->records, summary->records == 1 ? "" : "s") +
                   (summary->rawSegments ? fmt(", %zu raw segment%s", summary->rawSegments,
                                               summary->rawSegments == 1 ? "" : "s")
                                         : std::string()) +
                   "\n";
    } catch (...) {
        summary->ok = false;
        summary->error = Issue{0, "out of memory writing the listing"};
    }
    return out;
}

}  // namespace vesk::decode
