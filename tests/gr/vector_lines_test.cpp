// Line attributes as the line records carry them: widths under transforms,
// caps, joins, mitre limits and dash styles turned into 32-cell masks.
#include "vector_support.h"

using namespace grtest;
using namespace vesk;

namespace {

struct Matrix {
    double m11, m12, m21, m22;
};
constexpr Matrix kIdentity{1, 0, 0, 1};

struct LineCase {
    const char* name;
    bool geometric;
    float width;
    std::vector<float> style;  // world units (geometric) or style units (cosmetic)
    bool startGap;
    Matrix xform;
    int ok;
    SHORT wantWidth;
    SHORT wantUnit;
    DWORD wantMask;
    SHORT wantOffset;
};

class LineAttrsTest : public VectorPage {};

}  // namespace

TEST_F(LineAttrsTest, ConvertsWidthsAndDashesAsTheLineRecordsCarryThem) {
    start();
    const LineCase cases[] = {
        // A cosmetic {3, 1} at 600 dpi: 36 and 12 pixels, 48 in all, 24 and 8 cells.
        {"cosmetic 3,1", false, 1, {3, 1}, false, kIdentity, 1, 1, 1, 0xFFFFFF00, 0},
        // 12 + 12 = 24 cells: the 8 spare cells one each in order, the rest to the last.
        {"sum 17-31", false, 1, {1, 1}, false, kIdentity, 1, 1, 1, 0xFFF80000, 0},
        // 4 + 4: repeated four times.
        {"sum up to 16", true, 1, {4, 4}, false, kIdentity, 1, 1, 1, 0xF0F0F0F0, 0},
        // 3 + 2 repeated six times, the 2 left over to the first two elements.
        {"remainder spread", true, 1, {3, 2}, false, kIdentity, 1, 1, 1, 0xF1CE739C, 0},
        // 120 + 120 pixels: 7 pixels a cell, 16 and 16 cells.
        {"sum above 32", false, 1, {10, 10}, false, kIdentity, 1, 1, 7, 0xFFFF0000, 0},
        {"cosmetic unit capped", false, 1, {1000, 1000}, false, kIdentity, 1, 1, 255, 0xFFFF0000, 0},
        {"geometric unit above 255", true, 1, {10000, 10000}, false, kIdentity, 0, 0, 0, 0, 0},
        // The start gap is the first value, as it stands: 2 of 48 pixels.
        {"start gap", false, 1, {2, 3, 1}, true, kIdentity, 1, 1, 1, 0xFFFFFF00, 1},
        {"one style value stays solid", false, 1, {3}, false, kIdentity, 1, 1, 0, 0xFFFFFFFF, 0},
        {"wide dashes", true, 12, {4, 4}, false, kIdentity, 0, 0, 0, 0, 0},
        {"wide solid", true, 12, {}, false, kIdentity, 1, 12, 0, 0xFFFFFFFF, 0},
        {"uniform scale", true, 6, {}, false, {2, 0, 0, 2}, 1, 12, 0, 0xFFFFFFFF, 0},
        {"turned 90 degrees", true, 6, {}, false, {0, 1, -1, 0}, 1, 6, 0, 0xFFFFFFFF, 0},
        {"turned 45 degrees and scaled", true, 6, {}, false, {1.41421356f, 1.41421356f, -1.41421356f, 1.41421356f},
         1, 12, 0, 0xFFFFFFFF, 0},
        {"mirrored", true, 6, {}, false, {-1, 0, 0, 1}, 1, 6, 0, 0xFFFFFFFF, 0},
        {"non-uniform scale", true, 6, {}, false, {2, 0, 0, 3}, 0, 0, 0, 0, 0},
        {"shear", true, 6, {}, false, {1, 0, 0.5, 1}, 0, 0, 0, 0, 0},
        {"cosmetic under any transform", false, 1, {}, false, {2, 0, 0, 3}, 1, 1, 0, 0xFFFFFFFF, 0},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<FLOAT_LONG> style;
        for (float v : c.style) {
            FLOAT_LONG f;
            if (c.geometric)
                f.e = v;
            else
                f.l = static_cast<LONG>(v);
            style.push_back(f);
        }
        LINEATTRS la{};
        la.fl = (c.geometric ? LA_GEOMETRIC : 0) | (style.empty() ? 0 : LA_STYLED) | (c.startGap ? LA_STARTGAP : 0);
        if (c.geometric)
            la.elWidth.e = c.width;
        else
            la.elWidth.l = 1;
        la.eMiterLimit = 10;
        la.cstyle = static_cast<ULONG>(style.size());
        la.pstyle = style.empty() ? nullptr : style.data();
        gdi::Xform* x = gdi::newXform(c.xform.m11, c.xform.m12, c.xform.m21, c.xform.m22, 0, 0);
        LineAttrs out{};
        int geometric = -1;
        EXPECT_EQ(LineAttrsConvert(pdev(), &la, 0x123456, &x->xo, &out, &geometric), c.ok);
        EXPECT_EQ(geometric, c.geometric ? 1 : 0);
        if (c.ok) {
            EXPECT_EQ(out.width, c.wantWidth);
            EXPECT_EQ(out.styleUnit, c.wantUnit);
            EXPECT_EQ(out.mask, c.wantMask) << std::hex << out.mask;
            EXPECT_EQ(out.styleOffset, c.wantOffset);
            EXPECT_EQ(out.penColor, 0x123456u);
        }
        gdi::deleteXform(x);
    }
}

TEST_F(LineAttrsTest, CapsJoinsAndMitreLimitsOfGeometricLinesOnly) {
    start();
    struct {
        bool geometric;
        ULONG cap, join;
        float limit;
        SHORT wantCap, wantJoin;
        DWORD wantLimit;
    } cases[] = {
        {true, ENDCAP_SQUARE, JOIN_MITER, 10, 2, 2, 2560},
        {true, ENDCAP_BUTT, JOIN_BEVEL, 0.5f, 1, 1, 256},
        {true, ENDCAP_ROUND, JOIN_ROUND, 40000, 0, 0, 32767u * 256},
        {false, ENDCAP_SQUARE, JOIN_MITER, 3, 0, 0, 2560},
    };
    for (const auto& c : cases) {
        LINEATTRS la{};
        la.fl = c.geometric ? LA_GEOMETRIC : 0;
        la.elWidth.e = 3;
        la.iEndCap = c.cap;
        la.iJoin = c.join;
        la.eMiterLimit = c.limit;
        LineAttrs out{};
        int geometric = 0;
        ASSERT_EQ(LineAttrsConvert(pdev(), &la, 0, nullptr, &out, &geometric), 1);
        EXPECT_EQ(out.cap, c.wantCap);
        EXPECT_EQ(out.join, c.wantJoin);
        EXPECT_EQ(out.mitreLimit, c.wantLimit);
    }
}

TEST(XformLineScale, IdentityKeepsUniformScalesAndTurnsGiveTheirFactorOthersAreUnusable) {
    struct {
        Matrix m;
        LONG want;
    } cases[] = {
        {kIdentity, -1},     {{2, 0, 0, 2}, 512},  {{0.5f, 0, 0, 0.5f}, 128}, {{0, 1, -1, 0}, 256},
        {{0, -3, 3, 0}, 768}, {{2, 0, 0, 3}, 0},   {{1, 0, 0.5, 1}, 0},       {{1, 0, 0, -1}, 256},
    };
    for (const auto& c : cases) {
        gdi::Xform* x = gdi::newXform(c.m.m11, c.m.m12, c.m.m21, c.m.m22, 0, 0);
        EXPECT_EQ(XformLineScale(&x->xo), c.want) << c.m.m11 << " " << c.m.m12 << " " << c.m.m21 << " " << c.m.m22;
        gdi::deleteXform(x);
    }
    EXPECT_EQ(XformLineScale(nullptr), -1);
}
