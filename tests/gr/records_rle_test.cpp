// The glyph run-length encoder: its choice of units on hand-worked data, the
// extension boundaries, when it gives up, and round trips through the
// decoder's expander.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "decode/records.h"
#include "records/glyph_rle.h"
#include "stream_support.h"

using namespace vesk;
using grtest::Bytes;

namespace {

// Encodes with room to spare (limit 10000), so the units can be seen.
Bytes encode(const Bytes& raw, DWORD limit = 10000) {
    Bytes out(limit + 1, 0xEE);
    const DWORD n = GlyphRleEncode(raw.data(), static_cast<DWORD>(raw.size()), out.data(), limit);
    out.resize(n);
    return out;
}

Bytes expand(const Bytes& enc, size_t size) {
    std::vector<std::uint8_t> out;
    std::string why;
    size_t where = 0;
    EXPECT_TRUE(vesk::decode::expandGlyphBits(vesk::decode::Bytes(enc.data(), enc.size()), 2, size, &out, &why, &where))
        << why << " at " << where;
    return out;
}

}  // namespace

TEST(GlyphRle, UnitsChosenOnHandWorkedData) {
    // Two zeros then a run of four: one repeat unit; a zero then a lone byte:
    // a literal; the trailing zero is not encoded.
    EXPECT_EQ(encode({0, 0, 5, 5, 5, 5, 0, 7, 0}), (Bytes{0x92, 5, 0x08, 7}));
    // A literal stops before four equal bytes.
    EXPECT_EQ(encode({1, 2, 3, 3, 3, 3}), (Bytes{0x01, 1, 2, 0x82, 3}));
    // ... and before three equal bytes followed by a zero.
    EXPECT_EQ(encode({1, 4, 4, 4, 0, 9}), (Bytes{0x00, 1, 0x81, 4, 0x08, 9}));
    // Three equal bytes at the end, or two inside, stay in the literal.
    EXPECT_EQ(encode({1, 4, 4, 4}), (Bytes{0x03, 1, 4, 4, 4}));
    EXPECT_EQ(encode({1, 4, 4, 2, 6, 6, 6, 6, 6}), (Bytes{0x03, 1, 4, 4, 2, 0x83, 6}));
    // A byte followed by two equal ones starts a repeat unit of the whole run.
    EXPECT_EQ(encode({9, 9, 9}), (Bytes{0x81, 9}));
    // Only zeros: nothing to encode.
    EXPECT_EQ(encode({0, 0, 0, 0}), Bytes{});
    EXPECT_EQ(encode({}), Bytes{});
}

TEST(GlyphRle, ExtensionBoundaries) {
    auto zerosThen = [](size_t z) {
        Bytes b(z, 0);
        b.push_back(0x42);
        return b;
    };
    EXPECT_EQ(encode(zerosThen(14)), (Bytes{0x70, 0x42}));
    EXPECT_EQ(encode(zerosThen(15)), (Bytes{0x78, 0x00, 0x42}));
    EXPECT_EQ(encode(zerosThen(15 + 254)), (Bytes{0x78, 0xFE, 0x42}));
    EXPECT_EQ(encode(zerosThen(15 + 255)), (Bytes{0x78, 0xFF, 0x00, 0x42}));
    auto literal = [](size_t n) {
        Bytes b;
        for (size_t i = 0; i < n; ++i) b.push_back(static_cast<std::uint8_t>(i % 2 ? 0x11 : 0x22));
        return b;
    };
    Bytes l7 = encode(literal(7));
    EXPECT_EQ(l7[0], 0x06);
    EXPECT_EQ(l7.size(), 8u);
    Bytes l8 = encode(literal(8));
    EXPECT_EQ(Bytes(l8.begin(), l8.begin() + 2), (Bytes{0x07, 0x00}));
    Bytes l262 = encode(literal(7 + 255 + 1));
    EXPECT_EQ(Bytes(l262.begin(), l262.begin() + 3), (Bytes{0x07, 0xFF, 0x00}));
    // A run of 300: c = 298 = 7 + 255 + 36; zero count and count both extended.
    Bytes run(15, 0);
    run.insert(run.end(), 300, 0xAA);
    EXPECT_EQ(encode(run), (Bytes{0xFF, 0x00, 0xFF, 0x24, 0xAA}));
    for (const Bytes& raw : {zerosThen(15 + 255), literal(263), run}) EXPECT_EQ(expand(encode(raw), raw.size()), raw);
}

TEST(GlyphRle, GivesUpWhenTheOutputReachesTheLimit) {
    const Bytes noisy{1, 2, 3, 4, 5, 6, 7, 8};
    // 9 bytes encoded: not below the raw size rounded up (8).
    EXPECT_EQ(GlyphRleEncode(noisy.data(), 8, Bytes(8).data(), 8), 0u);
    // A limit is never written past.
    Bytes out(16, 0xEE);
    const Bytes runs{7, 7, 7, 7, 0, 0, 0, 0, 9, 9, 9, 9};
    EXPECT_EQ(GlyphRleEncode(runs.data(), 12, out.data(), 4), 0u);
    EXPECT_EQ(out[3], 0xEE);
    EXPECT_EQ(GlyphRleEncode(runs.data(), 12, out.data(), 5), 4u);
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), (Bytes{0x82, 7, 0xA2, 9}));
    EXPECT_EQ(out[4], 0xEE);
}

TEST(GlyphRle, RandomGlyphsRoundTrip) {
    std::mt19937 rng(12345);
    for (int n = 0; n < 400; ++n) {
        const size_t width = 1 + rng() % 64, height = 1 + rng() % 64;
        Bytes raw(((width + 7) / 8) * height, 0);
        // Sparse shapes with runs, like glyphs.
        const unsigned density = rng() % 4;
        for (size_t i = 0; i < raw.size(); ++i) {
            const unsigned r = rng() % 8;
            if (r < density) raw[i] = static_cast<std::uint8_t>(rng());
            else if (r < density + 2 && i) raw[i] = raw[i - 1];
        }
        const DWORD limit = static_cast<DWORD>((raw.size() + 3) & ~size_t{3});
        Bytes out(limit, 0);
        const DWORD m = GlyphRleEncode(raw.data(), static_cast<DWORD>(raw.size()), out.data(), limit);
        ASSERT_LT(m, limit);
        if (m == 0) continue;
        out.resize(m);
        ASSERT_EQ(expand(out, raw.size()), raw) << "glyph " << n;
    }
}
