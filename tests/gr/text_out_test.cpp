// DrvTextOut in vector mode, read back as the page's records: the resident
// way (font records, runs, glyphs, outlines), the choice of kind, the EUDC
// names, and glyph images through the device's glyph cache.
#include "decode/replay.h"
#include "text/glyph_cache.h"
#include "text/text_out.h"
#include "text_support.h"

using namespace grtest;
using namespace vesk;

namespace {

using Lines = std::vector<std::string>;

class TextOut : public TextPage {
protected:
    // Lines of the kinds the text sends (state records left out).
    static Lines textLines(const Lines& all) {
        Lines out;
        for (const auto& l : all)
            for (const char* p : {"DeviceFont", "GraphicsFont", "TextRun", "Glyph", "Rect"})
                if (l.rfind(p, 0) == 0) {
                    out.push_back(l);
                    break;
                }
        return out;
    }
    static size_t count(const Lines& lines, const std::string& prefix) { return only(lines, prefix).size(); }
};

constexpr FLONG kHorizontal = SO_HORIZONTAL;
constexpr FLONG kFixed = SO_FLAG_DEFAULT_PLACEMENT | SO_HORIZONTAL;

}  // namespace

TEST_F(TextOut, ResidentRunsOneFontRecordPerPageAndFixedOrPerGlyphAdvances) {
    start();
    auto f = engineFont(u"Sample Sans", 40);
    TestString abc(f.get(), u"ABC", along(3, 100, 500, 30), kFixed, 30);
    TestString prop(f.get(), u"ABC", {{100, 600}, {130, 600}, {150, 600}}, kHorizontal);
    prop.s->batch = 1;  // the engine hands the positions out one at a time
    TestString back(f.get(), u"ABC", along(3, 160, 700, -30), kFixed | SO_REVERSED, 30);
    EXPECT_TRUE(text(f.get(), abc));
    EXPECT_TRUE(text(f.get(), prop));
    EXPECT_TRUE(text(f.get(), back));
    ASSERT_TRUE(DrvSendPage(so()));
    ASSERT_TRUE(DrvStartPage(so()));
    EXPECT_TRUE(text(f.get(), prop));
    const Lines first = textLines(finish());
    ASSERT_EQ(first.size(), 4u);
    EXPECT_EQ(first[0].rfind("DeviceFont \"Sample Sans\" charset=0 pitch-family=0x22 flags=resident weight=400 "
                             "escapement=0 em=40x40",
                             0),
              0u)
        << first[0];
    EXPECT_EQ(first[1], "TextRun \"ABC\" at=(100,460) background=[100,460,200,510] advance=30");
    // The run starts one ascender (32 pixels) above the first glyph.
    EXPECT_EQ(first[2], "TextRun \"ABC\" at=(100,568) background=[100,560,190,610] advances=30,20,0");
    // Right to left: the increment negated.
    EXPECT_EQ(first[3], "TextRun \"ABC\" at=(160,660) background=[160,660,140,710] advance=-30");
    const Lines second = textLines(pageLines(1));
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0], first[0]);
}

TEST_F(TextOut, RotatedOrScatteredResidentTextGoesCharacterByCharacter) {
    start();
    auto up = residentFont(1, 40, 900);
    TestString s(up.get(), u"AB", along(2, 1000, 1000, 0, -40), SO_FLAG_DEFAULT_PLACEMENT);
    EXPECT_TRUE(text(up.get(), s));
    auto flat = residentFont(3, 40, 0, 10);
    TestString wavy(flat.get(), u"AB", {{100, 300}, {140, 310}}, kHorizontal);
    EXPECT_TRUE(text(flat.get(), wavy));
    const Lines lines = textLines(finish());
    ASSERT_EQ(lines.size(), 6u);
    // The face name goes in the printer's code page: '?' on this machine.
    EXPECT_EQ(lines[0].rfind("DeviceFont \"??\" charset=128 pitch-family=0x11 flags=resident weight=400 "
                             "escapement=90 em=40x40 leading=0",
                             0),
              0u)
        << lines[0];
    // Turned 90 degrees: the reference point is one ascender (36) to the
    // left of the baseline point.
    EXPECT_EQ(lines[1], "Glyph 'A' cell=[964,1000,1004,1040] at=(964,1000)");
    EXPECT_EQ(lines[2], "Glyph 'B' cell=[964,960,1004,1000] at=(964,960)");
    EXPECT_EQ(lines[4], "Glyph 'A' cell=[100,264,140,304] at=(100,264)");
    EXPECT_EQ(lines[5], "Glyph 'B' cell=[140,274,180,314] at=(140,274)");
}

TEST_F(TextOut, OpaqueAndExtraRectanglesAroundTheText) {
    start();
    auto f = engineFont(u"Sample Sans", 40);
    TestString s(f.get(), u"Hi", along(2, 100, 500, 20), kHorizontal);
    RECTL opaque{90, 450, 200, 520};
    RECTL extra[] = {{100, 504, 140, 506}, {100, 480, 140, 482}, {0, 0, 0, 0}};
    EXPECT_TRUE(text(f.get(), s, &opaque, extra));
    const Lines all = finish();
    const Lines lines = textLines(all);
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Rect fill [90,450,200,520]");
    EXPECT_EQ(lines[3], "Rect fill [100,504,140,506]");
    EXPECT_EQ(lines[4], "Rect fill [100,480,140,482]");
    // The opaque brush's colour, then the text's own.
    const Lines colors = only(all, "Color");
    ASSERT_EQ(colors.size(), 2u);
    EXPECT_EQ(colors[0], "Color fg=FFFF00 text");
    EXPECT_EQ(colors[1], "Color fg=000000 text");
}

TEST(TextKind, TriggersUnderBothSystemsWithAndWithoutEudcHandling) {
    const char dfg[] = "\x82\x63\x82\x65\x82\x66Mincho";
    struct Case {
        const char* why;
        USHORT fsType;
        bool mirrored, glyphIndex;
        std::u16string family, face;
        const char* familyCp;
        BYTE os5Off, os5On, os6Off, os6On;  // kind by OS version and EUDC handling
    } cases[] = {
        {"plain", 0, false, false, u"Sans", u"Sans", "Sans", 2, 2, 2, 2},
        {"read-only embedding", FM_READONLY_EMBED, false, false, u"Sans", u"Sans", "Sans", 4, 4, 4, 4},
        {"editable embedding", FM_EDITABLE_EMBED, false, false, u"Sans", u"Sans", "Sans", 4, 4, 2, 2},
        {"mirrored", 0, true, false, u"Sans", u"Sans", "Sans", 4, 4, 4, 4},
        {"EUDC family", 0, false, false, u"EUDC", u"Sans", "EUDC", 2, 4, 2, 4},
        {"EUDC face", 0, false, false, u"Sans", u"EUDC", "Sans", 2, 4, 2, 4},
        {"EUDC undoes embedding", FM_READONLY_EMBED, false, false, u"EUDC", u"EUDC", "EUDC", 2, 4, 2, 4},
        {"eudc is another name", 0, false, false, u"eudc", u"eudc", "eudc", 2, 2, 2, 2},
        {"full-width DFG", 0, false, false, u"ＤＦＧMincho", u"X", dfg, 4, 4, 4, 4},
        {"user-defined characters", 0, false, false, u"My 外字 set", u"X", "My ?? set", 2, 4, 2, 4},
        {"temporary", 0, false, false, u"font.tmp", u"X", "font.tmp", 4, 4, 4, 4},
        {"temporary upper case", 0, false, false, u"FONT.TMP", u"X", "FONT.TMP", 4, 4, 4, 4},
        {"temporary face only", 0, false, false, u"X", u"font.tmp", "X", 2, 2, 2, 2},
        {"glyph indexes", 0, false, true, u"Sans", u"Sans", "Sans", 4, 4, 4, 4},
    };
    for (const auto& c : cases) {
        const BYTE want[2][2] = {{c.os5Off, c.os5On}, {c.os6Off, c.os6On}};
        for (int os = 0; os < 2; ++os)
            for (int eudc = 0; eudc < 2; ++eudc) {
                TextKindInputs in{};
                in.fsType = c.fsType;
                in.osMajor = os ? 6 : 5;
                in.mirrored = c.mirrored;
                in.eudcHandling = eudc != 0;
                in.glyphIndex = c.glyphIndex;
                in.family = c.family.c_str();
                in.face = c.face.c_str();
                in.familyCp = c.familyCp;
                in.faceCp = "X";
                EXPECT_EQ(DeviceWayKind(in), want[os][eudc]) << c.why << " os " << in.osMajor << " eudc " << eudc;
            }
    }
}

TEST(TextKind, EudcNamesGetTheFontIdentityAndStayInTheirBuffer) {
    char name[kFontNameBytes] = "EUDC";
    EudcRename(name, u"EUDC", 4, 0x1A);
    EXPECT_STREQ(name, "EUDC_1a");
    // 128 double-byte characters fill 256 bytes: the name is cut on a
    // character boundary so the identity still fits.
    winsim::MachineConfig cfg;
    cfg.ansiCodePage = 932;
    winsim::TempMachine machine(cfg);
    const std::u16string wide(128, u'あ');
    std::string full;
    for (int i = 0; i < 128; ++i) full += "\x82\xA0";
    std::memcpy(name, full.c_str(), full.size() + 1);
    EudcRename(name, wide.c_str(), wide.size(), 0xFFFFFFFF);
    const std::string got(name);
    EXPECT_EQ(got.size(), 250u + 9u);
    EXPECT_EQ(got.substr(0, 250), full.substr(0, 250));
    EXPECT_EQ(got.substr(250), "_ffffffff");
}

TEST_F(TextOut, EudcFontsAreDrawnAsOutlinesUnderExtendedNames) {
    start({{361, 1}});
    auto f = engineFont(u"EUDC", 40, 0, 0, 0x1A);
    TestString s(f.get(), u"AB", along(2, 100, 500, 20), kHorizontal);
    EXPECT_TRUE(text(f.get(), s));
    EXPECT_TRUE(text(f.get(), s));
    const Lines lines = textLines(finish());
    // The font record goes with every string of a renamed font.
    ASSERT_EQ(count(lines, "DeviceFont"), 2u);
    EXPECT_EQ(lines[0].rfind("DeviceFont \"EUDC_1a\" charset=0 pitch-family=0x22 flags=not-resident,outline", 0), 0u)
        << lines[0];
    const Lines glyphs = only(lines, "Glyph");
    ASSERT_EQ(glyphs.size(), 4u);
    EXPECT_NE(glyphs[0].find("outline work="), std::string::npos) << glyphs[0];
    // The outline from its bounds' top-left corner.
    EXPECT_EQ(glyphs[0].rfind("Glyph 'A' cell=[102,472,118,500] at=(102,472) outline work=25: M(0,28) L(15.25,28) "
                              "L(15.25,0) L(0,0) | M(2.8125,25.1875)",
                              0),
              0u)
        << glyphs[0];
}

TEST_F(TextOut, RunsLongerThanTheirCountFieldAreSplit) {
    start();
    auto f = engineFont(u"Sample Sans", 4);
    const std::u16string many(70000, u'i');
    TestString fixed(f.get(), many, along(many.size(), 0, 100, 1), kFixed, 1);
    EXPECT_TRUE(text(f.get(), fixed));
    graphicsWay();
    TestString run(f.get(), many, along(many.size(), 0, 200, 1), kHorizontal);
    EXPECT_TRUE(text(f.get(), run));
    const Lines lines = finish();
    const Lines runs = only(lines, "TextRun");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_NE(runs[1].find(" at=(65535,"), std::string::npos) << runs[1].substr(0, 120);
    EXPECT_EQ(count(lines, "GlyphRun"), 2u);
    EXPECT_EQ(count(lines, "GlyphDefine"), 1u);
}

TEST_F(TextOut, WorkBuffersThatCannotBeMadeLeaveNoTextBehind) {
    start();
    auto f = engineFont(u"Sample Sans", 40);
    TestString s(f.get(), u"AB", along(2, 100, 500, 20), kHorizontal);
    winsim::failCall("GlobalAlloc", 1, ERROR_NOT_ENOUGH_MEMORY);
    SetLastError(0);
    EXPECT_FALSE(text(f.get(), s));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    // Not even the state of the call went out.
    const Lines lines = finish();
    EXPECT_TRUE(lines.empty()) << lines[0];
}

// ---------------------------------------------------------------------------
// Glyph images.

TEST_F(TextOut, GlyphsAreDefinedOncePerPageThenNamedInRuns) {
    start();
    graphicsWay();
    auto f = engineFont(u"Sample Sans", 40);
    TestString aba(f.get(), u"ABA", along(3, 100, 500, 20), kHorizontal);
    EXPECT_TRUE(text(f.get(), aba));
    EXPECT_TRUE(text(f.get(), aba));
    ASSERT_TRUE(DrvSendPage(so()));
    ASSERT_TRUE(DrvStartPage(so()));
    EXPECT_TRUE(text(f.get(), aba));
    finish();
    for (size_t page : {0u, 1u}) {
        const Lines lines = pageLines(page);
        EXPECT_EQ(count(lines, "GraphicsFont"), 1u);
        const Lines defines = only(lines, "GlyphDefine");
        ASSERT_EQ(defines.size(), 2u);
        EXPECT_EQ(defines[0].rfind("GlyphDefine 'A' text=char", 0), 0u);
        EXPECT_EQ(defines[1].rfind("GlyphDefine 'B' text=char", 0), 0u);
    }
    const Lines runs = only(pageLines(0), "GlyphRun");
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], runs[1]);
    EXPECT_NE(runs[0].find("glyphs='A'(0,0) 'B'(20,0) 'A'(20,0)"), std::string::npos) << runs[0];
}

TEST_F(TextOut, EudcAndMirroredGlyphsGoWholeEveryTimeRotatedOnesThroughTheCache) {
    start();
    graphicsWay();
    auto eudc = engineFont(u"EUDC", 40);
    TestString e(eudc.get(), u"AA", along(2, 100, 500, 20), kHorizontal);
    EXPECT_TRUE(text(eudc.get(), e));
    auto mirror = engineFont(u"Sample Sans", 40, 0, 0, 8);
    gdi::deleteXform(mirror->xform);
    mirror->xform = gdi::newXform(-0.04, 0, 0, 0.04, 0, 0);
    TestString m(mirror.get(), u"A", along(1, 300, 500, 20), kHorizontal);
    EXPECT_TRUE(text(mirror.get(), m));
    auto turned = engineFont(u"Sample Sans", 40, 900, 0, 9);
    TestString t(turned.get(), u"AA", along(2, 600, 900, 0, -20), 0);
    EXPECT_TRUE(text(turned.get(), t));
    const Lines bitmaps = only(finish(), "GlyphBitmap");
    ASSERT_EQ(bitmaps.size(), 5u);
    for (int i : {0, 1, 2}) {
        EXPECT_NE(bitmaps[i].find(" cache=off text=char "), std::string::npos) << bitmaps[i];
        EXPECT_EQ(bitmaps[i].find("in-cache"), std::string::npos) << bitmaps[i];
    }
    EXPECT_NE(bitmaps[3].find(" cache=on text=char "), std::string::npos) << bitmaps[3];
    EXPECT_EQ(bitmaps[3].find("in-cache"), std::string::npos);
    EXPECT_NE(bitmaps[4].find("in-cache"), std::string::npos) << bitmaps[4];
}

TEST_F(TextOut, RunLengthDataOnlyWhenShorter) {
    start();
    graphicsWay();
    auto big = engineFont(u"Sample Sans", 400, 0, 0, 3);
    auto small = engineFont(u"Sample Sans", 12, 0, 0, 4);
    TestString b(big.get(), u"H", along(1, 100, 900, 0), kHorizontal);
    TestString s(small.get(), u".", along(1, 100, 1000, 0), kHorizontal);
    EXPECT_TRUE(text(big.get(), b));
    EXPECT_TRUE(text(small.get(), s));
    const Lines defines = only(finish(), "GlyphDefine");
    ASSERT_EQ(defines.size(), 2u);
    EXPECT_NE(defines[0].find(" rle "), std::string::npos) << defines[0];
    EXPECT_NE(defines[1].find(" raw "), std::string::npos) << defines[1];
}

TEST_F(TextOut, AFailedCacheAdditionResetsTheCacheAndDrawsGlyphByGlyph) {
    start();
    graphicsWay();
    auto f = engineFont(u"Sample Sans", 40);
    ASSERT_TRUE(GlyphCacheAdd(pdev(), 1, u'x', kTextCharacters));  // the cache's table exists
    const SHORT gen = pdev()->glyphGeneration;
    TestString s(f.get(), u"AB", along(2, 100, 500, 20), kHorizontal);
    // Positions, image work, run entries, then the first cache entry.
    winsim::failCall("GlobalAlloc", 4, ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_TRUE(text(f.get(), s));
    EXPECT_EQ(pdev()->glyphGeneration, gen + 1);
    EXPECT_FALSE(GlyphCacheFind(pdev(), 1, u'x', kTextCharacters));
    const Lines lines = finish();
    EXPECT_EQ(count(lines, "GlyphDefine"), 1u);
    EXPECT_EQ(count(lines, "GlyphRun"), 0u);
    const Lines bitmaps = only(lines, "GlyphBitmap");
    ASSERT_EQ(bitmaps.size(), 2u);
    EXPECT_NE(bitmaps[0].find("GlyphBitmap 'A' cache=off"), std::string::npos) << bitmaps[0];
}

TEST_F(TextOut, TheResidentFacesAreKnownByTheirWideNames) {
    start();
    graphicsWay();
    // On this code page 1252 machine both names convert to "??".
    auto mincho = engineFont(u"明朝", 40, 0, 0, 5);
    auto other = engineFont(u"漢字", 40, 0, 0, 6);
    TestString a(mincho.get(), u"A", along(1, 100, 500, 20), kHorizontal);
    TestString b(other.get(), u"A", along(1, 100, 600, 20), kHorizontal);
    EXPECT_TRUE(text(mincho.get(), a));
    EXPECT_TRUE(text(other.get(), b));
    const Lines lines = textLines(finish());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("DeviceFont \"??\"", 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("TextRun \"A\"", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2].rfind("GraphicsFont \"??\"", 0), 0u) << lines[2];
}

TEST_F(TextOut, GlyphImagesReplayFromTheDevicesCache) {
    start();
    graphicsWay();
    auto f = engineFont(u"Sample Sans", 40);
    auto turned = engineFont(u"Sample Sans", 40, 900, 0, 8);
    TestString first(f.get(), u"HH", along(2, 100, 500, 30), kHorizontal);
    TestString again(f.get(), u"HH", along(2, 100, 600, 30), kHorizontal);
    TestString up1(turned.get(), u"H", along(1, 400, 500, 0), 0);
    TestString up2(turned.get(), u"H", along(1, 400, 600, 0), 0);
    for (TestString* s : {&first, &again}) EXPECT_TRUE(text(f.get(), *s));
    for (TestString* s : {&up1, &up2}) EXPECT_TRUE(text(turned.get(), *s));
    finish();
    const std::vector<std::uint8_t> bytes = spoolBytes(job_);
    const auto r = vesk::decode::replayStream(vesk::decode::Bytes(bytes.data(), bytes.size()));
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.pages.size(), 1u);
    const auto& pic = r.pages[0];
    auto ink = [&](LONG l, LONG t, LONG rr, LONG b) {
        size_t n = 0;
        for (LONG y = t; y < b; ++y)
            for (LONG x = l; x < rr; ++x) n += pic.rgb[(static_cast<size_t>(y) * pic.width + x) * 3] == 0;
        return n;
    };
    // A defined glyph drawn from a run, and the same one named again; a
    // turned glyph sent with its image, then named by the cache.
    const size_t h = ink(100, 460, 130, 505);
    EXPECT_GT(h, 50u);
    EXPECT_EQ(ink(130, 460, 160, 505), h);
    EXPECT_EQ(ink(100, 560, 130, 605), h);
    const size_t u = ink(360, 460, 405, 505);
    EXPECT_GT(u, 50u);
    EXPECT_EQ(ink(360, 560, 405, 605), u);
}
