// DEVMODE versions: recognised by size, converted into one another with the
// destination's sizes kept, and the spooler's conversion request.
#include <gtest/gtest.h>

#include <win/windows.h>

#include <vector>

#include "common/devmode_support.h"
#include "core/devmode/dm_convert.h"

using namespace vesk;
using namespace vesk::test;

namespace {

// A DEVMODE of a public size and private size, with recognisable bytes.
std::vector<BYTE> devmode(uint16_t size, uint16_t extra, uint16_t driverVersion = 0x0400, BYTE fill = 0x11) {
    std::vector<BYTE> b(size + extra, fill);
    dm::wr16(b.data(), 64, 0x0401);
    dm::wr16(b.data(), 66, driverVersion);
    dm::wr16(b.data(), 68, size);
    dm::wr16(b.data(), 70, extra);
    return b;
}

}  // namespace

TEST(DevmodeVersion, FromTheSizeElseTheOwnField) {
    const std::pair<uint16_t, uint16_t> rows[] = {{188, 0x0320}, {212, 0x0400}, {220, 0x0401}, {148, 0x0401}};
    for (auto [size, version] : rows) {
        std::vector<BYTE> b = devmode(size, 0);
        dm::wr16(b.data(), 64, 0x0401);
        EXPECT_EQ(DmPublicVersion(b.data(), b.size()), version) << size;
    }
    std::vector<BYTE> b = devmode(212, 0);
    dm::wr16(b.data(), 64, 0x0999);
    EXPECT_EQ(DmPublicVersion(b.data(), b.size()), 0x0400);
    EXPECT_EQ(DmPublicVersion(nullptr, 0), 0);
    EXPECT_EQ(DmPublicVersion(b.data(), 71), 0);
}

TEST(DevmodeConvert, EachVersionIntoEachOther) {
    const uint16_t sizes[] = {188, 212, 220};
    for (uint16_t from : sizes)
        for (uint16_t to : sizes) {
            std::vector<BYTE> src = devmode(from, 1040, 0x0400, 0x22);
            std::vector<BYTE> dst = devmode(to, 1040, 0x0400, 0x00);
            const int32_t n = DmCopyConvert(src.data(), src.size(), dst.data(), dst.size());
            const uint16_t pub = std::min(from, to);
            EXPECT_EQ(n, pub + 1040) << from << "->" << to;
            EXPECT_EQ(dm::rd16(dst.data(), 68), to);
            EXPECT_EQ(dm::rd16(dst.data(), 70), 1040);
            EXPECT_EQ(DmPublicVersion(dst.data(), dst.size()), dm::rd16(dst.data(), 64));
            EXPECT_EQ(dst[72], 0x22);
            EXPECT_EQ(dst[pub - 1], 0x22);
            if (to > pub) {
                EXPECT_EQ(dst[pub], 0x00) << "bytes past the source's public part are the destination's";
            }
            EXPECT_EQ(dst[to], 0x22);
            EXPECT_EQ(dst[to + 1039], 0x22);
        }
}

TEST(DevmodeConvert, CopyPublicPartTestsTheSourceSize) {
    std::vector<BYTE> src = devmode(220, 1040, 0x0400, 0x33);
    std::vector<BYTE> dst = devmode(188, 1040, 0x0350, 0x00);
    EXPECT_EQ(DmCopyPublicPart(src.data(), src.size(), dst.data(), dst.size()), 188 + 1040);
    EXPECT_EQ(dm::rd16(dst.data(), 64), 0x0320);
    EXPECT_EQ(dm::rd16(dst.data(), 66), 0x0350);
    EXPECT_EQ(dm::rd16(dst.data(), 68), 188);
    std::vector<BYTE> v400 = devmode(212, 1040);
    EXPECT_EQ(DmCopyPublicPart(v400.data(), v400.size(), dst.data(), dst.size()), -1);
    // A destination whose sizes claim more than its buffer.
    EXPECT_EQ(DmCopyPublicPart(src.data(), src.size(), dst.data(), 188 + 1039), -1);
    EXPECT_EQ(DmCopyPublicPart(nullptr, 0, dst.data(), dst.size()), -1);
    // A destination of a size of no known version keeps its own version.
    std::vector<BYTE> odd = devmode(200, 1040, 0x0350, 0x00);
    dm::wr16(odd.data(), 64, 0x0399);
    EXPECT_EQ(DmCopyPublicPart(src.data(), src.size(), odd.data(), odd.size()), 200 + 1040);
    EXPECT_EQ(dm::rd16(odd.data(), 64), 0x0399);
    EXPECT_EQ(odd[199], 0x33);
}

TEST(DevmodeConvert, OtherDriverVersionTakesOnlyThePublicPart) {
    std::vector<BYTE> src = devmode(220, 1040, 0x0500, 0x44);
    std::vector<BYTE> dst = devmode(220, 1040, 0x0400, 0x00);
    EXPECT_EQ(DmCopyConvert(src.data(), src.size(), dst.data(), dst.size()), -1);
    EXPECT_EQ(dst[100], 0x44);
    EXPECT_EQ(dst[220], 0x00);
    std::vector<BYTE> other = devmode(220, 500, 0x0400, 0x55);
    EXPECT_EQ(DmCopyConvert(other.data(), other.size(), dst.data(), dst.size()), -1);
    EXPECT_EQ(dst[220], 0x00);
}

TEST(DevmodeConvert, CombineTakesTheSmallerSizes) {
    std::vector<BYTE> base = devmode(220, 1040, 0x0400, 0x66);
    std::vector<BYTE> sizes = devmode(188, 1040, 0x0350);
    std::vector<BYTE> out(1260, 0);
    EXPECT_EQ(DmCombine(base.data(), base.size(), sizes.data(), sizes.size(), out.data(), out.size()), 1);
    EXPECT_EQ(dm::rd16(out.data(), 68), 188);
    EXPECT_EQ(dm::rd16(out.data(), 66), 0x0400);
    EXPECT_EQ(out[187], 0x66);
    EXPECT_EQ(DmCombine(base.data(), base.size(), nullptr, 0, out.data(), out.size()), 1);
    EXPECT_EQ(out, base);
    EXPECT_EQ(DmCombine(base.data(), base.size(), nullptr, 0, nullptr, 0), -1);
    EXPECT_EQ(DmCombine(base.data(), base.size(), nullptr, 0, out.data(), 1000), 0);
}

TEST(DevmodeConvert, SpoolerRequests) {
    std::vector<BYTE> in = devmode(220, 1040, 0x0400, 0x77);
    std::vector<BYTE> out(1300, 0);
    DWORD size = 1227;
    EXPECT_EQ(DmConvertDevmode(u"P", in.data(), in.size(), out.data(), &size, CDM_CONVERT351), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, 1228u);
    EXPECT_EQ(DmConvertDevmode(u"P", in.data(), in.size(), out.data(), &size, CDM_CONVERT351), 1);
    EXPECT_EQ(dm::rd16(out.data(), 68), 188);
    EXPECT_EQ(dm::rd16(out.data(), 64), 0x0320);
    EXPECT_EQ(dm::rd16(out.data(), 66), 0x0350);
    EXPECT_EQ(out[188], 0x77);
    // An input that cannot be copied leaves the output's header alone.
    std::vector<BYTE> v400 = devmode(212, 1040, 0x0400, 0x78);
    std::vector<BYTE> kept = devmode(220, 1040, 0x0400, 0);
    std::vector<BYTE> before = kept;
    size = static_cast<DWORD>(kept.size());
    EXPECT_EQ(DmConvertDevmode(u"P", v400.data(), v400.size(), kept.data(), &size, CDM_CONVERT351), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(kept, before);

    size = 1300;
    EXPECT_EQ(DmConvertDevmode(u"P", in.data(), in.size(), out.data(), &size, CDM_DRIVER_DEFAULT), 2);
    EXPECT_EQ(size, 1260u);
    size = 10;
    EXPECT_EQ(DmConvertDevmode(u"P", in.data(), in.size(), nullptr, &size, CDM_DRIVER_DEFAULT), 0);
    EXPECT_EQ(size, 1260u);

    std::vector<BYTE> cur = devmode(220, 1040, 0x0400, 0);
    size = 1260;
    EXPECT_EQ(DmConvertDevmode(u"P", in.data(), in.size(), cur.data(), &size, CDM_CONVERT), 1);
    EXPECT_EQ(size, 1260u);
    size = 1259;
    EXPECT_EQ(DmConvertDevmode(u"P", in.data(), in.size(), cur.data(), &size, CDM_CONVERT), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(DmConvertDevmode(u"P", in.data(), in.size(), cur.data(), nullptr, CDM_CONVERT), 0);
    size = 5;
    EXPECT_EQ(DmConvertDevmode(u"P", in.data(), in.size(), cur.data(), &size, 0x40), 2);
    EXPECT_EQ(size, 5u);
}
