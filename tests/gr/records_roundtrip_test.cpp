// Many random records of every variable kind, written by the builders and
// read back by the independent decoder: every record must be accepted and
// carry what was given.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "records/glyph_rle.h"
#include "records/path_record.h"
#include "records/raster_record.h"
#include "records/text_records.h"
#include "path_runs.h"
#include "records_support.h"

using namespace vesk;
using namespace grtest;
namespace dec = vesk::decode;

namespace {

struct Rng {
    std::mt19937 g{20240601};
    unsigned below(unsigned n) { return static_cast<unsigned>(g() % n); }
    bool coin() { return g() & 1; }
    LONG coord() { return static_cast<LONG>(g() % 20000) - 4000; }
};

// A random path as the engine enumerates it: figures of line and Bézier
// parts, runs cut at `limit` points.
struct RandomPath {
    Runs runs;
    std::vector<dec::Subpath> want;
    std::vector<bool> closed;

    explicit RandomPath(Rng& r) : runs(r.coin() ? 0 : 2 + r.below(6)) {
        for (unsigned f = 0, figures = 1 + r.below(4); f < figures; ++f) {
            const POINTFIX start{r.coord(), r.coord()};
            dec::Subpath sp;
            sp.start = {start.x, start.y};
            std::vector<std::pair<char, std::vector<POINTFIX>>> parts;
            for (unsigned p = 0, n = r.below(4); p < n; ++p) {
                const bool bez = r.coin();
                std::vector<POINTFIX> pts;
                for (unsigned s = 0, segs = 1 + r.below(4); s < segs; ++s) {
                    dec::PathSegment seg;
                    seg.bezier = bez;
                    for (int k = 0; k < (bez ? 3 : 1); ++k) {
                        pts.push_back(POINTFIX{r.coord(), r.coord()});
                        seg.pts[k] = {pts.back().x, pts.back().y};
                    }
                    sp.segments.push_back(seg);
                }
                parts.emplace_back(bez ? 'B' : 'L', std::move(pts));
            }
            const bool isClosed = r.coin();
            runs.figure(std::move(parts), start, isClosed);
            want.push_back(sp);
            closed.push_back(isClosed);
        }
    }
};

void expectSame(const dec::Subpath& got, const dec::Subpath& want) {
    EXPECT_EQ(got.start.x, want.start.x);
    EXPECT_EQ(got.start.y, want.start.y);
    ASSERT_EQ(got.segments.size(), want.segments.size());
    for (size_t i = 0; i < got.segments.size(); ++i) {
        EXPECT_EQ(got.segments[i].bezier, want.segments[i].bezier);
        for (int k = 0; k < (want.segments[i].bezier ? 3 : 1); ++k) {
            EXPECT_EQ(got.segments[i].pts[k].x, want.segments[i].pts[k].x);
            EXPECT_EQ(got.segments[i].pts[k].y, want.segments[i].pts[k].y);
        }
    }
}

Bytes randomBytes(Rng& r, size_t n) {
    Bytes b(n);
    for (auto& x : b) x = static_cast<std::uint8_t>(r.g());
    return b;
}

}  // namespace

TEST(RecordRoundTrip, RandomPaths) {
    Rng r;
    for (int n = 0; n < 200; ++n) {
        RandomPath path(r);
        const BYTE mode = static_cast<BYTE>(r.below(6));
        const RECTFX bounds{-100, -50, 3000, 4000};
        auto recs = decodedRecords([&](RecordBuffer* b) {
            return PathRecordWrite(b, path.runs.data(), path.runs.count(), bounds, mode) != nullptr;
        });
        const bool split = mode == kPathStroke && path.want.size() > 1 &&
                           std::find(path.closed.begin(), path.closed.end(), true) != path.closed.end();
        ASSERT_EQ(recs.size(), split ? path.want.size() : 1u) << "path " << n;
        std::vector<dec::Subpath> got;
        for (const auto& rec : recs) {
            const auto& p = std::get<dec::PathRecord>(rec.body);
            EXPECT_EQ(p.mode, mode);
            EXPECT_EQ(p.bounds, (dec::Rect{-7, -4, 187, 250}));
            for (const auto& sp : p.path.subpaths) got.push_back(sp);
        }
        ASSERT_EQ(got.size(), path.want.size());
        for (size_t i = 0; i < got.size(); ++i) expectSame(got[i], path.want[i]);
    }
}

TEST(RecordRoundTrip, RandomRasters) {
    Rng r;
    const DWORD formats[] = {kRaster1, kRaster4, kRaster8, kRaster24};
    for (int n = 0; n < 300; ++n) {
        const DWORD format = formats[r.below(4)] | (r.coin() ? DWORD{kRasterBlit} : 0u) | (r.coin() ? DWORD{kRasterHostIcm} : 0u);
        const DWORD bits = (format & 0xF) == kRaster1 ? 1 : (format & 0xF) == kRaster4 ? 4 : (format & 0xF) == kRaster8 ? 8 : 24;
        const DWORD width = 1 + r.below(70), rows = r.below(6);
        const size_t stride = ((width * bits + 31) / 32) * 4;
        const Bytes pixels = randomBytes(r, stride * rows + 1);
        const Bytes palette = randomBytes(r, 768);
        RasterImage img{};
        img.x = r.coord();
        img.y = r.coord();
        img.width = r.coin() ? static_cast<LONG>(width) : -static_cast<LONG>(width);
        img.height = static_cast<LONG>(rows);
        img.srcWidth = width;
        img.rows = rows;
        img.format = format;
        img.bottomUp = rows && r.coin();
        img.firstRow = img.bottomUp ? pixels.data() + stride * (rows - 1) : pixels.data();
        img.palette = bits <= 8 && r.coin() ? palette.data() : nullptr;
        const RasterOptions o{r.below(4) == 0, r.coin(), r.coin()};
        const int form = r.below(3);
        dec::DecodedStream s;
        auto recs = decodedRecords(
            [&](RecordBuffer* b) {
                return (form == 0   ? RasterRecordWrite(b, img, o)
                        : form == 1 ? RasterRecordWriteRows(b, img)
                                    : RasterRecordWriteWhole(b, img, o)) != nullptr;
            },
            &s);
        ASSERT_EQ(recs.size(), 1u) << "image " << n;
        const auto& got = std::get<dec::RasterRecord>(recs[0].body);
        const bool grey = form == 0 && !o.wholeRecord && format == kRaster24 && o.monochrome;
        EXPECT_EQ(got.bitsPerPixel, grey ? 8u : bits);
        EXPECT_EQ(got.srcWidth, width);
        EXPECT_EQ(got.rows, rows);
        EXPECT_EQ(got.width, img.width);
        EXPECT_EQ(got.formatMid & 0x04, (form != 1 && o.banding) ? 4 : 0);
        EXPECT_EQ(got.palette.size, img.palette && !grey ? (bits == 1 ? 6u : bits == 4 ? 48u : 768u) : 0u);
        const auto all = s.pages[0].drawing.bytes();
        for (DWORD row = 0; row < rows; ++row) {
            const BYTE* src = pixels.data() + stride * (img.bottomUp ? rows - 1 - row : row);
            const auto* at = all.data() + got.pixels.offset + got.rowBytes * row;
            if (grey) {
                Bytes g(got.rowBytes);
                GreyFromBgr(src, width, g.data(), got.rowBytes);
                EXPECT_EQ(Bytes(at, at + got.rowBytes), g) << "image " << n << " row " << row;
            } else {
                EXPECT_EQ(Bytes(at, at + stride), Bytes(src, src + stride)) << "image " << n << " row " << row;
            }
        }
    }
}

TEST(RecordRoundTrip, RandomText) {
    Rng r;
    for (int n = 0; n < 200; ++n) {
        FontDesc f{};
        f.kind = r.coin() ? kFontResident : kFontBitmap;
        f.textMode = r.coin() ? kTextCharacters : kTextGlyphIndex;
        f.italic = r.coin();
        f.bold = r.coin();
        f.vertical = r.coin();
        f.escapement = static_cast<WORD>(r.below(360));
        f.weight = static_cast<WORD>(r.below(1000));
        const size_t nameLen = r.below(40);
        for (size_t i = 0; i < nameLen; ++i) f.faceName[i] = static_cast<char>(1 + r.below(254));
        const WORD chars = static_cast<WORD>(1 + r.below(12));
        std::vector<WCHAR> text(chars);
        for (auto& c : text) c = static_cast<WCHAR>(r.g());
        const bool perChar = r.coin();
        std::vector<SHORT> adv(perChar ? chars : 1);
        for (auto& a : adv) a = static_cast<SHORT>(r.g());
        if (perChar && chars > 1) adv.back() = 0;
        const DWORD w = r.below(40), h = r.below(40);
        Bytes raw = randomBytes(r, ((w + 7) / 8) * h);
        for (auto& b : raw)
            if (r.below(3)) b = 0;
        Bytes enc(raw.size() + 4);
        const DWORD m = GlyphRleEncode(raw.data(), static_cast<DWORD>(raw.size()), enc.data(),
                                       static_cast<DWORD>((raw.size() + 3) & ~size_t{3}));
        const BYTE encoding = m ? kGlyphRle : kGlyphRaw;
        const Bytes& data = m ? enc : raw;
        const DWORD count = m ? m : static_cast<DWORD>(raw.size());
        const BYTE flags = f.textMode == kTextGlyphIndex ? kGlyphIndexText : kGlyphCharText;
        const RECTL cell{r.coord(), r.coord(), r.coord(), r.coord()};
        std::vector<GlyphRunEntry> run(chars);
        for (size_t i = 1; i < run.size(); ++i)
            run[i] = GlyphRunEntry{static_cast<SHORT>(r.g()), static_cast<SHORT>(r.g()), text[i]};
        auto recs = decodedRecords([&](RecordBuffer* b) {
            if (f.kind == kFontResident)
                return DeviceFontRecordWrite(b, f) &&
                       TextRunRecordWrite(b, cell, 1, 2, text.data(), adv.data(), chars, static_cast<WORD>(adv.size())) &&
                       GlyphRecordWrite(b, cell, 3, 4, text[0]);
            return GraphicsFontRecordWrite(b, f) &&
                   GlyphDefineRecordWrite(b, flags, text[0], w, h, data.data(), count, encoding) &&
                   GlyphBitmapRecordWrite(b, r.coin(), cell, flags, text[0], 1, 2, 3, 4, w, h, data.data(), count,
                                          encoding) &&
                   GlyphRunRecordWrite(b, cell, flags, 5, 6, run.data(), static_cast<WORD>(run.size()));
        });
        ASSERT_EQ(recs.size(), f.kind == kFontResident ? 3u : 4u) << "text " << n;
        const auto& font = std::get<dec::FontRecord>(recs[0].body);
        EXPECT_EQ(font.face, std::string(f.faceName));
        EXPECT_EQ(font.escapement, f.escapement);
        if (f.kind == kFontResident) {
            const auto& run = std::get<dec::TextRunRecord>(recs[1].body);
            EXPECT_EQ(run.chars, std::u16string(text.begin(), text.end()));
            EXPECT_EQ(run.advances, adv);
        } else {
            EXPECT_EQ(std::get<dec::GlyphDefineRecord>(recs[1].body).bitsHash, dec::fnv1a(raw));
            EXPECT_EQ(std::get<dec::GlyphBitmapRecord>(recs[2].body).bitsHash, dec::fnv1a(raw));
            const auto& glyphs = std::get<dec::GlyphRunRecord>(recs[3].body).glyphs;
            ASSERT_EQ(glyphs.size(), run.size());
            EXPECT_EQ(glyphs.back().dx, run.back().dx);
            EXPECT_EQ(glyphs.back().ch, run.back().ch);
        }
    }
}
