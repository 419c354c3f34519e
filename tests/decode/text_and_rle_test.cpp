// Glyph run-length data and the PJL view of header text.
#include <gtest/gtest.h>

#include "bytes_builder.h"
#include "decode/pjl.h"

using namespace dtest;
using namespace vesk::decode;

namespace {

void ext(Buf& out, std::uint64_t v) {
    while (v >= 255) {
        out.push_back(0xFF);
        v -= 255;
    }
    out.push_back(static_cast<std::uint8_t>(v));
}

// One unit of the run-length form, laid out field by field: the control
// byte, the zero-count extension, the count extension, the data.
Buf unit(std::uint64_t zeros, bool repeat, std::uint64_t n, std::uint8_t first) {
    const std::uint64_t c = repeat ? n - 2 : n - 1;
    Buf out{static_cast<std::uint8_t>((repeat ? 0x80 : 0) | ((zeros < 15 ? zeros : 15) << 3) | (c < 7 ? c : 7))};
    if (zeros >= 15) ext(out, zeros - 15);
    if (c >= 7) ext(out, c - 7);
    for (std::uint64_t i = 0; i < (repeat ? 1 : n); ++i) out.push_back(static_cast<std::uint8_t>(first + i));
    return out;
}

bool expand(const Buf& data, std::uint64_t expected, Buf* out, std::string* why = nullptr) {
    std::string w;
    std::size_t where = 0;
    return expandGlyphBits(vesk::decode::Bytes(data.data(), data.size()), 2, expected, out, why ? why : &w, &where);
}

}  // namespace

TEST(GlyphRle, UnitsAtTheExtensionBoundaries) {
    for (std::uint64_t z : {0, 1, 14, 15, 16, 269, 270, 271, 600}) {
        for (bool repeat : {false, true}) {
            for (std::uint64_t n : {2, 3, 7, 8, 9, 262, 263, 264}) {
                SCOPED_TRACE("zeros " + std::to_string(z) + (repeat ? " repeat " : " literal ") + std::to_string(n));
                const Buf data = unit(z, repeat, n, 0x41);
                Buf want(z + n + 5, 0);  // three trailing zero bytes are not encoded
                for (std::uint64_t i = 0; i < n; ++i) want[z + i] = static_cast<std::uint8_t>(repeat ? 0x41 : 0x41 + i);
                Buf got;
                ASSERT_TRUE(expand(data, want.size(), &got));
                EXPECT_EQ(got, want);
            }
        }
    }
}

TEST(GlyphRle, SeveralUnitsInARow) {
    // 00 00 AA AA AA 01 02 00 07 07 (then zeros): a repeat after two zeros,
    // a literal of two, a repeat after one zero.
    const Buf data = B().add(unit(2, true, 3, 0xAA)).add(unit(0, false, 2, 0x01)).add(unit(1, true, 2, 0x07));
    EXPECT_EQ(data, (Buf{0x91, 0xAA, 0x01, 0x01, 0x02, 0x88, 0x07}));
    Buf got;
    ASSERT_TRUE(expand(data, 12, &got));
    EXPECT_EQ(got, (Buf{0, 0, 0xAA, 0xAA, 0xAA, 1, 2, 0, 7, 7, 0, 0}));
}

TEST(GlyphRle, MalformedDataIsRefusedWithoutReadingPastIt) {
    struct Case {
        const char* what;
        Buf data;
        std::uint64_t expected;
        const char* reason;
    };
    const std::vector<Case> cases = {
        {"zero extension cut", {0x78, 0xFF}, 1000, "zero-count extension"},
        {"count extension cut", {0x07, 0xFF, 0xFF}, 1000, "count extension"},
        {"repeat without its byte", {0x80}, 10, "without its data byte"},
        {"literal past the data", {0x03, 1, 2}, 10, "runs past the data"},
        {"repeat past the bitmap", {0x87, 0xFF, 0xFF, 1}, 100, "expand past"},
        {"zeros past the bitmap", {0x7F, 0xFF, 0x00, 0x00, 1}, 100, "expand past"},
        {"above the decoder's limit", {0x80, 1}, kMaxGlyphBitmapBytes + 1, "limit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Buf out;
        std::string why;
        EXPECT_FALSE(expand(c.data, c.expected, &out, &why));
        EXPECT_NE(why.find(c.reason), std::string::npos) << why;
    }
}

TEST(PjlText, LinesKeepTheirEnds) {
    const std::string block = "A\r\nB\nC\r";
    const auto lines = splitLines(vesk::decode::Bytes(reinterpret_cast<const std::uint8_t*>(block.data()), block.size()));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "A");
    EXPECT_EQ(lines[0].end, LineEnd::CrLf);
    EXPECT_EQ(lines[1].text, "B");
    EXPECT_EQ(lines[1].end, LineEnd::Lf);
    EXPECT_EQ(lines[2].text, "C\r");
    EXPECT_EQ(lines[2].end, LineEnd::None);
    EXPECT_EQ(lines[2].offset, 5u);
}

TEST(PjlText, CommandsAndTheDriversOwnLines) {
    PjlLine l;
    std::string why;
    std::size_t where = 0;
    ASSERT_TRUE(parsePjlLine("\x1b%-12345X@PJL SET RESOLUTION = 600 ", &l, &why, &where)) << why;
    EXPECT_TRUE(l.uel);
    EXPECT_TRUE(l.pjl);
    EXPECT_EQ(l.command, "SET");
    EXPECT_EQ(l.variable, "RESOLUTION");
    EXPECT_EQ(l.value, "600");
    ASSERT_TRUE(parsePjlLine("@PJL SET DEVFONTID = \"12+Alpha/40+Beta\" ", &l, &why, &where)) << why;
    EXPECT_TRUE(l.quoted);
    EXPECT_EQ(l.value, "12+Alpha/40+Beta");
    ASSERT_TRUE(parsePjlLine("plain text \x1b" "E", &l, &why, &where));
    EXPECT_FALSE(l.pjl);

    const std::vector<std::pair<const char*, const char*>> bad = {
        {"@PJL SET DATE = \"2024/13/01\" ", "DATE"},
        {"@PJL SET DATE = 2024/01/01 ", "DATE"},
        {"@PJL SET DEVFONTID = \"12+Alpha/x+Beta\" ", "no font id"},
        {"@PJL SET DEVFONTID = \"65535+Unused\" ", "no font id"},
        {"@PJL SET SUBFONTTABLE = \"A+B/C\" ", "has no '+'"},
        {"@PJL SET DEVFONTID = \"\" ", "non-empty"},
        {"@PJL SET VESKDRIVERNAME = Vesk ", "not quoted"},
        {"@PJL SET NAME = \"a\x1b" "b\"", "control byte"},
        {"@PJL COMMENT \"left open", "unbalanced quote"},
        {"@PJLX", "not followed by a space"},
        {"@PJL SET QTY 2", "without '='"},
    };
    for (const auto& [line, reason] : bad) {
        SCOPED_TRACE(line);
        EXPECT_FALSE(parsePjlLine(line, &l, &why, &where));
        EXPECT_NE(why.find(reason), std::string::npos) << why;
    }
}
