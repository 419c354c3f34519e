// The escapes that are not about items: the support query, the copy count,
// the technology and version texts, the library name and the page size, with
// the checks on their buffer sizes.
#include <gtest/gtest.h>

#include <cstring>

#include "escape_support.h"
#include "core/item_ids.h"

using namespace vesk;
using namespace grtest;

namespace {

float floatAt(const ByteList& b, size_t at) {
    uint32_t bits = b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

ByteList textBytes(const char* s) { return ByteList(s, s + std::strlen(s) + 1); }

class Escapes : public EscapeDevice {};

}  // namespace

TEST_F(Escapes, ADeviceThatIsNotOneOfOursIsRefused) {
    makeDevice();
    SetLastError(0);
    EXPECT_EQ(callEscape(nullptr, kEscGetTechnology, {}, 8).result, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SURFOBJ foreign = *so();
    uint32_t notADevice[4] = {};
    foreign.dhpdev = reinterpret_cast<DHPDEV>(notADevice);
    SetLastError(0);
    EXPECT_EQ(callEscape(&foreign, kEscQuerySupport, le32(kEscQuerySupport)).result, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST_F(Escapes, TheSupportQueryAnswersByTheSupportTest) {
    makeDevice();
    const struct {
        uint32_t asked;
        ULONG answer;
    } cases[] = {
        {8, 1},   {17, 999}, {19, 0},   {20, 1},   {42, 1},  {111, 1}, {121, 1},        {126, 1},
        {140, 1}, {141, 1},  {0, 0},    {9, 0},    {21, 0},  {110, 0}, {127, 0},        {139, 0},
        {142, 0}, {0xFFFF, 0},
        // Only the low 16 bits are the escape asked about.
        {0x10014, 1}, {0x10011, 999}, {0x1000A, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(esc(kEscQuerySupport, le32(c.asked)).result, c.answer) << c.asked;
    // Two bytes are all it reads; fewer fail the query.
    EXPECT_EQ(esc(kEscQuerySupport, le16(20)).result, 1u);
    EXPECT_EQ(esc(kEscQuerySupport, {20}).result, 0u);
    EXPECT_EQ(esc(kEscQuerySupport).result, 0u);
    // An escape the test refuses answers 0 whatever it is given.
    EXPECT_EQ(esc(9, le32(1), 16).result, 0u);
    EXPECT_EQ(esc(kEscPassThrough, le16(1) + ByteList{0x1B}).result, 0u);
}

TEST_F(Escapes, PassThroughIsServedOnlyWhileThePagesAreBound) {
    makeDevice({{kItRdmJobLinker, 1}});
    ASSERT_EQ(pdev()->firstPageHeaderOnly, 1u);
    EXPECT_EQ(esc(kEscQuerySupport, le32(kEscPassThrough)).result, 1u);
    EXPECT_EQ(esc(kEscQuerySupport, le32(kEscSetCopyCount)).result, 999u);
}

TEST_F(Escapes, TheCopyCountIsBoundedAndStoredInTheDeviceAndItem12) {
    makeDevice();
    const struct {
        uint32_t given, stored;
    } cases[] = {{0, 1}, {1, 1}, {7, 7}, {998, 998}, {999, 999}, {1000, 999}, {5000, 999}, {static_cast<uint32_t>(-3), 999}};
    for (const auto& c : cases) {
        const Escaped e = esc(kEscSetCopyCount, le32(c.given), 4);
        EXPECT_EQ(e.result, 1u) << c.given;
        EXPECT_EQ(e.out, le32(c.stored)) << c.given;
        EXPECT_EQ(raw(kItDmCopies), c.stored) << c.given;
        EXPECT_EQ(pdev()->copies, static_cast<int16_t>(c.stored)) << c.given;
    }
    // Without an output buffer the count is stored all the same.
    EXPECT_EQ(esc(kEscSetCopyCount, le32(12)).result, 1u);
    EXPECT_EQ(raw(kItDmCopies), 12u);
    // A short input fails as a missing one does; an output too small for
    // the count gives 0. Neither changes the count.
    EXPECT_EQ(esc(kEscSetCopyCount).result, kFailed);
    EXPECT_EQ(esc(kEscSetCopyCount, {5, 0, 0}).result, kFailed);
    const Escaped small = esc(kEscSetCopyCount, le32(3), 3);
    EXPECT_EQ(small.result, 0u);
    EXPECT_EQ(small.out, (ByteList{0xAA, 0xAA, 0xAA}));
    EXPECT_EQ(raw(kItDmCopies), 12u);
    EXPECT_EQ(pdev()->copies, 12);
}

TEST_F(Escapes, TextsAreWrittenWholeWithTheirTerminatorOrNotAtAll) {
    makeDevice();
    const struct {
        ULONG escape;
        ByteList text;
    } cases[] = {
        {kEscGetTechnology, textBytes("VESK")},
        {kEscCoreVersion, textBytes("GRCORE.LIB MASTER 1.26h")},
        {kEscSpoolLibrary, textBytes("KW12C123.DLL")},
    };
    for (const auto& c : cases) {
        const ULONG size = static_cast<ULONG>(c.text.size());
        Escaped e = esc(c.escape, {}, size);
        EXPECT_EQ(e.result, 1u) << c.escape;
        EXPECT_EQ(e.out, c.text) << c.escape;
        // A larger buffer keeps what lies behind the text.
        e = esc(c.escape, {}, size + 2);
        EXPECT_EQ(e.result, 1u);
        EXPECT_EQ(e.out, (c.text + ByteList{0xAA, 0xAA})) << c.escape;
        // One byte short, or no buffer at all: 0, and nothing written.
        e = esc(c.escape, {}, size - 1);
        EXPECT_EQ(e.result, 0u) << c.escape;
        EXPECT_EQ(e.out, ByteList(size - 1, 0xAA)) << c.escape;
        EXPECT_EQ(esc(c.escape).result, 0u) << c.escape;
    }
}

TEST_F(Escapes, ThePageSizeCarriesTheOffsetsOnlyWhileAPageIsOpen) {
    makeDevice();
    const float width = static_cast<float>(raw(47)), length = static_cast<float>(raw(46));
    const float x = static_cast<float>(raw(48)), y = static_cast<float>(raw(49));
    ASSERT_GT(width, 0.0f);
    ASSERT_GT(length, 0.0f);
    ASSERT_TRUE(x > 0.0f || y > 0.0f) << "the sample printer's paper has printable-area offsets";

    Escaped e = esc(kEscPrintableArea, {}, 16);
    ASSERT_EQ(e.result, 1u);
    EXPECT_EQ(floatAt(e.out, 0), width);
    EXPECT_EQ(floatAt(e.out, 4), length);
    EXPECT_EQ(floatAt(e.out, 8), 0.0f);
    EXPECT_EQ(floatAt(e.out, 12), 0.0f);

    startDocument();
    ASSERT_TRUE(DrvStartPage(so()));
    e = esc(kEscPrintableArea, {}, 16);
    ASSERT_EQ(e.result, 1u);
    EXPECT_EQ(floatAt(e.out, 0), width);
    EXPECT_EQ(floatAt(e.out, 4), length);
    EXPECT_EQ(floatAt(e.out, 8), x);
    EXPECT_EQ(floatAt(e.out, 12), y);
    e = esc(kEscPrintableArea, {}, 15);
    EXPECT_EQ(e.result, 0u);
    EXPECT_EQ(e.out, ByteList(15, 0xAA));
    EXPECT_EQ(esc(kEscPrintableArea).result, 0u);
    ASSERT_TRUE(DrvSendPage(so()));
    endDocument();
}
