// Drawing scripts: the reader's statements and its errors with line numbers,
// the DEVMODE field writer, the BMP reader, and playing a script into the
// tests' recording driver.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>

#include <winsim/winsim.h>

#include "bmp.h"
#include "platform/fake_driver.h"
#include "vds.h"

namespace eng = winsim::engine;

namespace {

// ---------------------------------------------------------------------------
// BMP files made for the tests.
void le16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v));
    s.push_back(static_cast<char>(v >> 8));
}
void le32(std::string& s, uint32_t v) {
    le16(s, v & 0xFFFF);
    le16(s, v >> 16);
}
std::string makeBmp(int32_t w, int32_t h, uint16_t bits, const std::vector<uint32_t>& palette, uint8_t fill,
                    uint32_t compression = 0, const std::vector<uint32_t>& masks = {}) {
    uint32_t stride = ((static_cast<uint32_t>(w) * bits + 31) / 32) * 4;
    uint32_t rows = static_cast<uint32_t>(h < 0 ? -h : h);
    std::string info;
    le32(info, 40);
    le32(info, static_cast<uint32_t>(w));
    le32(info, static_cast<uint32_t>(h));
    le16(info, 1);
    le16(info, bits);
    le32(info, compression);
    le32(info, stride * rows);
    le32(info, 2835);
    le32(info, 2835);
    le32(info, static_cast<uint32_t>(palette.size()));
    le32(info, 0);
    for (uint32_t m : masks) le32(info, m);
    for (uint32_t c : palette) le32(info, c);
    std::string f = "BM";
    uint32_t off = 14 + static_cast<uint32_t>(info.size());
    le32(f, off + stride * rows);
    le32(f, 0);
    le32(f, off);
    f += info;
    f.append(stride * rows, static_cast<char>(fill));
    return f;
}

std::vector<vds::Error> errorsOf(const std::string& text) {
    vds::Script s;
    std::vector<vds::Error> e;
    vds::read(text, s, &e);
    return e;
}

}  // namespace

TEST(VdsReader, ReadsEveryStatement) {
    const char* text = R"(# a job
machine samples/machines/default
printer "Sample Printer"
devmode paper=9 orient=2 color=2 copies=3 quality=600 collate=1 form="A4"
job name="Quarterly report" user="alice" emf=on
fontface "Script Face" fixed fstype=4 em=1000 ascent=800 descent=200 advance=600
glyph "A" advance=600 { M 0 0 L 300 700 L 600 0 Z }
glyph U+3042 advance=1000
escape 17 u32:3
escape 19 u16:3 hex:1B452D out:16
path A { M 100 100 L 900 100
         C 950 150 950 250 900 300 Z
         M 200 200 L 3200fx 200 }
page
  clip rect 0 0 1000 1000 50 50 60 60
  brush hatch 4 fg=#102030 bg=#FFFFFF icm
  pen geometric width=12 cap=flat join=mitre miter=10 style=3,1 startgap color=#FF0000
  xform 2 0 0 2
  mix 13 bg=11
  brushorg 4 8
  fill A winding
  stroke { M 0 0 L 10 10 }
  strokefill A alternate
  rect 100 100 600 400 rop4=0xF0F0
  bitblt dst 100 500 300 700 src=img/logo.bmp at 1 2 mask=img/mask.bmp at 3 4 rop4=0xAACC
  stretch src=img/photo.bmp srcrect 0 0 64 64 dst 800 800 1400 1200 mode 4 rop4=0xCCCC
  copy src=img/gray.bmp dst 100 1500 356 1756
  font face="Sample Sans" height=36 angle=900 bold italic underline
  text at 120 2000 "A\u3042" fixed=30 opaque 100 1960 600 2040 #FFFF00 glyphindex
  text at 0 0 "x" dx=30,20 vertical
endpage
resetdc devmode orient=1
end
)";
    vds::Script s;
    std::vector<vds::Error> errors;
    ASSERT_TRUE(vds::read(text, s, &errors)) << errors[0].line << ": " << errors[0].message;
    using K = vds::Command::Kind;
    std::vector<K> kinds;
    for (const auto& c : s.commands) kinds.push_back(c.kind);
    std::vector<K> want = {K::Machine, K::Printer, K::Devmode, K::Job, K::FontFace, K::Escape, K::Escape, K::Page,
                           K::Clip, K::Brush, K::Pen, K::Xform, K::Mix, K::BrushOrg, K::Fill, K::Stroke, K::StrokeFill,
                           K::Rect, K::BitBlt, K::Stretch, K::Copy, K::Font, K::Text, K::Text, K::EndPage, K::ResetDc,
                           K::End};
    ASSERT_EQ(kinds, want);
    const auto& c = s.commands;
    EXPECT_EQ(c[1].text, "Sample Printer");
    EXPECT_EQ(c[2].fields.size(), 7u);
    EXPECT_EQ(c[4].face.glyphs.size(), 2u);
    EXPECT_EQ(c[4].face.glyphs.at(u'A').contours[0].segs.size(), 2u);
    EXPECT_EQ(c[4].face.glyphs.at(u'\u3042').advance, 1000);
    EXPECT_EQ(c[4].face.fsType, 4);
    EXPECT_EQ(c[6].escapeIn, (std::vector<uint8_t>{3, 0, 0x1B, 0x45, 0x2D}));
    EXPECT_EQ(c[6].escapeOut, 16u);
    EXPECT_EQ(c[8].clip.rects.size(), 2u);
    EXPECT_EQ(c[9].brush.hatch, 4u);
    EXPECT_EQ(c[9].brush.color, 0x102030u);
    EXPECT_EQ(c[9].brush.colorType, static_cast<FLONG>(BR_HOST_ICM));
    EXPECT_TRUE(c[10].pen.geometric);
    EXPECT_EQ(c[10].pen.cap, static_cast<ULONG>(ENDCAP_BUTT));
    EXPECT_EQ(c[10].pen.join, static_cast<ULONG>(JOIN_MITER));
    EXPECT_EQ(c[10].pen.style, (std::vector<float>{3, 1}));
    EXPECT_TRUE(c[10].pen.startGap);
    EXPECT_EQ(c[12].mix, static_cast<MIX>(13 | (11 << 8)));
    // The named path: two figures, a Bézier, raw 28.4 values.
    const eng::Path& p = c[14].path;
    ASSERT_EQ(p.figures.size(), 2u);
    EXPECT_TRUE(p.figures[0].closed);
    EXPECT_TRUE(p.figures[0].segs[1].bezier);
    EXPECT_EQ(p.figures[0].segs[1].p[2].y, 300 * 16);
    EXPECT_EQ(p.figures[1].segs[0].p[0].x, 3200);
    EXPECT_EQ(c[17].rop4, 0xF0F0u);
    EXPECT_EQ(c[18].srcFile, "img/logo.bmp");
    EXPECT_EQ(c[18].srcAt.y, 2);
    EXPECT_EQ(c[18].maskAt.x, 3);
    EXPECT_TRUE(c[19].hasSrcRect);
    EXPECT_TRUE(c[19].hasRop);
    EXPECT_EQ(c[21].font.escapement, 900);
    EXPECT_EQ(c[22].textSpec.text, u"A\u3042");
    EXPECT_EQ(c[22].textSpec.fixedAdvance, 30);
    ASSERT_TRUE(c[22].textSpec.opaque);
    EXPECT_EQ(c[22].textSpec.opaqueColor, 0xFFFF00u);
    EXPECT_TRUE(c[22].textSpec.glyphIndex);
    EXPECT_EQ(c[23].textSpec.dx, (std::vector<int32_t>{30, 20}));
    EXPECT_TRUE(c[23].textSpec.vertical);
}

TEST(VdsReader, ErrorsCarryTheirLineAndReadingGoesOn) {
    struct Case {
        const char* text;
        int line;
        const char* part;
    } cases[] = {
        {"page\n  fill { M 0 0 L 1 }\nendpage\n", 2, "expected y"},
        {"page\nbrush solid #12345\nendpage\n", 2, "colour"},
        {"\n\nfill { M 0 0 L 5 5 }\n", 3, "inside a page"},
        {"page\npage\nendpage\n", 2, "cannot be inside a page"},
        {"page\n", 1, "no endpage"},
        {"page\nfill B\nendpage\n", 2, "no path named"},
        {"printer \"unclosed\n", 1, "not closed"},
        {"page\nfill { M 0 0\n L 5 5\n", 2, "not closed"},
        {"devmode paper=99999\n", 1, "paper"},
        {"devmode colour=2\n", 1, "unknown DEVMODE field"},
        {"escape 19 hex:ABC\n", 1, "even"},
        {"page\nrect 1 2 3\nendpage\n", 2, "missing bottom"},
        {"page\nrect 1 2 3 99999999999\nendpage\n", 2, "bad bottom"},
        {"glyph \"A\" advance=5\n", 1, "fontface"},
        {"page\ntext at 1 2 unquoted\nendpage\n", 2, "quotes"},
        {"page\nbitblt dst 0 0 1 1\nendpage\n", 2, "src="},
        {"wibble\n", 1, "unknown statement"},
        {"page\nfill { L 1 1 }\nendpage\n", 2, "start with M"},
        {"page\nmix 17\nendpage\n", 2, "bad mix"},
        {"icm profile=\n", 1, "profile=FILE or off"},
        {"icm on\n", 1, "profile=FILE or off"},
    };
    for (const auto& c : cases) {
        auto e = errorsOf(c.text);
        ASSERT_FALSE(e.empty()) << c.text;
        EXPECT_EQ(e[0].line, c.line) << c.text;
        EXPECT_NE(e[0].message.find(c.part), std::string::npos) << c.text << " gave " << e[0].message;
    }
    // Statements after a bad one are still read.
    vds::Script s;
    std::vector<vds::Error> e;
    EXPECT_FALSE(vds::read("page\nbrush solid red\nfill { M 0 0 L 5 5 L 0 5 Z }\nendpage\n", s, &e));
    ASSERT_EQ(e.size(), 1u);
    ASSERT_EQ(s.commands.size(), 3u);
    EXPECT_EQ(s.commands[1].kind, vds::Command::Fill);
}

TEST(VdsReader, HostileInputNeverBreaksTheReader) {
    std::string deep(5000, '{');
    std::string nul("page\0\0\nendpage\n", 15);
    std::string long_word(100000, 'x');
    for (const std::string& t : {deep, nul, long_word, std::string("\"\\u12"), std::string("#\n}"), std::string("}}}}"),
                                 std::string("page\nfill {\n"), std::string("escape 1 u8:-129"),
                                 std::string("text at 1 2 \"\\q\""), std::string("\xFF\xFE\xFD")}) {
        vds::Script s;
        std::vector<vds::Error> e;
        EXPECT_FALSE(vds::read(t, s, &e)) << t.substr(0, 20);
        EXPECT_FALSE(e.empty());
    }
}

TEST(VdsDevmode, PublicFieldsAtTheirOffsets) {
    auto dm = vds::minimalDevmode(u"Printer");
    ASSERT_EQ(dm.size(), 220u);
    EXPECT_EQ(dm[0], 'P');
    EXPECT_EQ(dm[68] | dm[69] << 8, 220);
    EXPECT_EQ(dm[64] | dm[65] << 8, 0x401);
    std::string err;
    ASSERT_TRUE(vds::applyDevmodeFields(dm, {{"orient", "2"}, {"paper", "9"}, {"copies", "3"}, {"form", "A4"},
                                             {"media", "258"}},
                                        &err))
        << err;
    EXPECT_EQ(dm[76], 2);
    EXPECT_EQ(dm[78], 9);
    EXPECT_EQ(dm[86], 3);
    EXPECT_EQ(dm[102], 'A');
    EXPECT_EQ(dm[104], '4');
    EXPECT_EQ(dm[196] | dm[197] << 8, 258);
    uint32_t fields = dm[72] | dm[73] << 8 | dm[74] << 16 | static_cast<uint32_t>(dm[75]) << 24;
    EXPECT_EQ(fields, 0x1u | 0x2u | 0x100u | 0x10000u | 0x2000000u);
    EXPECT_FALSE(vds::applyDevmodeFields(dm, {{"orient", "3"}}, &err));
    EXPECT_FALSE(vds::applyDevmodeFields(dm, {{"form", std::string(40, 'x')}}, &err));
    std::vector<uint8_t> small(100, 0);
    EXPECT_FALSE(vds::applyDevmodeFields(small, {{"orient", "1"}}, &err));
}

TEST(VdsDevmode, PrivateFieldsNeedTheDriversPrivatePart) {
    auto dm = vds::minimalDevmode(u"Printer");
    std::string err;
    EXPECT_FALSE(vds::hasDriverPrivatePart(dm));
    EXPECT_FALSE(vds::applyDevmodeFields(dm, {{"imageprint", "1"}}, &err));
    EXPECT_NE(err.find("private part"), std::string::npos) << err;
    dm.resize(1260, 0);
    std::memcpy(dm.data() + 349, "priv", 4);
    ASSERT_TRUE(vds::hasDriverPrivatePart(dm));
    ASSERT_TRUE(vds::applyDevmodeFields(dm, {{"imageprint", "1"}, {"copies", "2"}}, &err)) << err;
    EXPECT_EQ(dm[593], 1);
    EXPECT_EQ(dm[86], 2);
    EXPECT_FALSE(vds::applyDevmodeFields(dm, {{"imageprint", "2"}}, &err));
    // Flags set and clear their own bit and leave the byte's others.
    dm[851] = 0x11;
    ASSERT_TRUE(vds::applyDevmodeFields(dm, {{"textbitmap", "1"}, {"eudc", "1"}}, &err)) << err;
    EXPECT_EQ(dm[851], 0x15);
    EXPECT_EQ(dm[849], 0x80);
    ASSERT_TRUE(vds::applyDevmodeFields(dm, {{"textbitmap", "0"}}, &err)) << err;
    EXPECT_EQ(dm[851], 0x11);
    EXPECT_FALSE(vds::applyDevmodeFields(dm, {{"eudc", "2"}}, &err));
    EXPECT_EQ(dm[593], 1);
    // The reader checks the field's name and value, not the DEVMODE.
    vds::Script s;
    std::vector<vds::Error> errors;
    EXPECT_TRUE(vds::read("devmode imageprint=1\n", s, &errors));
    EXPECT_FALSE(vds::read("devmode imageprint=7\n", s, &errors));
}

TEST(VdsBmp, ReadsEveryDepthAndOrientation) {
    eng::Image img;
    std::string err;
    ASSERT_TRUE(vds::readBmp(makeBmp(3, 2, 1, {0x000000, 0xFFFFFF}, 0x80), img, &err)) << err;
    EXPECT_EQ(img.bitsPerPixel, 1u);
    EXPECT_FALSE(img.topDown);
    EXPECT_EQ(img.palette[1], 0xFFFFFFu);
    EXPECT_EQ(img.bits.size(), 8u);
    ASSERT_TRUE(vds::readBmp(makeBmp(5, -4, 4, std::vector<uint32_t>(16, 0x00112233), 0x12), img, &err)) << err;
    EXPECT_TRUE(img.topDown);
    EXPECT_EQ(img.height, 4);
    EXPECT_EQ(img.palette[0], 0x112233u);
    ASSERT_TRUE(vds::readBmp(makeBmp(7, 3, 8, {0x0000FF, 0x00FF00}, 1), img, &err)) << err;
    EXPECT_EQ(img.palette.size(), 2u);
    ASSERT_TRUE(vds::readBmp(makeBmp(7, 3, 24, {}, 0x40), img, &err)) << err;
    EXPECT_EQ(img.bits.size(), 24u * 3);
    EXPECT_TRUE(img.valid());
    ASSERT_TRUE(vds::readBmp(makeBmp(2, 2, 32, {}, 0xFF), img, &err)) << err;
    ASSERT_TRUE(vds::readBmp(makeBmp(2, 2, 16, {}, 0, 3, {0xF800, 0x07E0, 0x001F}), img, &err)) << err;
    EXPECT_EQ(img.masks[0], 0xF800u);
}

TEST(VdsBmp, RejectsBadFiles) {
    eng::Image img;
    std::string err;
    std::string good = makeBmp(4, 4, 24, {}, 0);
    EXPECT_FALSE(vds::readBmp("", img, &err));
    EXPECT_FALSE(vds::readBmp("XX" + good.substr(2), img, &err));
    EXPECT_FALSE(vds::readBmp(good.substr(0, good.size() - 1), img, &err));
    EXPECT_NE(err.find("outside"), std::string::npos);
    EXPECT_FALSE(vds::readBmp(makeBmp(4, 4, 8, {}, 0, 1), img, &err));  // run-length compression
    EXPECT_FALSE(vds::readBmp(makeBmp(4, 4, 7, {}, 0), img, &err));
    EXPECT_FALSE(vds::readBmp(makeBmp(0, 4, 24, {}, 0), img, &err));
    EXPECT_FALSE(vds::readBmp(makeBmp(20000, 1, 24, {}, 0), img, &err));
    EXPECT_FALSE(vds::readBmp(makeBmp(2, 2, 1, {1, 2, 3}, 0), img, &err));  // three colours for one bit
    std::string huge = good;
    huge[18] = huge[19] = huge[20] = 0x7F;  // width near 2^31
    EXPECT_FALSE(vds::readBmp(huge, img, &err));
    std::string badOffset = good;
    badOffset[10] = 2;  // pixels inside the headers
    EXPECT_FALSE(vds::readBmp(badOffset, img, &err));
}

class VdsPlay : public ::testing::Test {
protected:
    void SetUp() override {
        fakedrv::g = &r;
        r.width = 300;
        r.height = 200;
        r.bandHeight = 64;
        r.devmodeBytes = 0;
        ASSERT_TRUE(eng::loadDriver(fakedrv::enableDriver, table, nullptr));
        files["logo.bmp"] = makeBmp(8, 8, 24, {}, 0x00);
        files["mask.bmp"] = makeBmp(8, 8, 1, {0x000000, 0xFFFFFF}, 0xF0);
        files["pat.bmp"] = makeBmp(8, 8, 8, {0xFF0000, 0x00FF00, 0x0000FF}, 2);
        host.readFile = [this](const std::string& p, std::string& bytes, std::string* err) {
            auto it = files.find(p);
            if (it == files.end()) {
                *err = "no file " + p;
                return false;
            }
            bytes = it->second;
            return true;
        };
        host.openPrinter = [](const std::u16string& name, std::string*) {
            return name == u"P1" ? reinterpret_cast<HANDLE>(0x55) : nullptr;
        };
        host.startJob = [](HANDLE, const std::u16string&, const std::u16string&) { return DWORD{42}; };
        host.log = [this](const std::string& l) { log.push_back(l); };
    }
    void TearDown() override { fakedrv::g = nullptr; }
    vds::PlayResult run(const std::string& text) {
        vds::Script s;
        std::vector<vds::Error> e;
        EXPECT_TRUE(vds::read(text, s, &e)) << (e.empty() ? "" : e[0].message);
        return vds::play(s, table, host);
    }
    bool called(const std::string& prefix) const { return r.called(prefix); }
    winsim::TempMachine machine;
    fakedrv::State r;
    eng::DriverTable table;
    vds::Host host;
    std::map<std::string, std::string> files;
    std::vector<std::string> log;
};

TEST_F(VdsPlay, VectorJobReachesTheDriver) {
    auto res = run(R"(printer "P1"
devmode orient=2 copies=2
job name="Doc One"
escape 17 u32:3 out:4
page
  brush solid #FF0000
  clip rect 0 0 100 100
  fill { M 0 0 L 50 0 L 50 50 Z } winding
  pen cosmetic style=2,1
  stroke { M 0 0 L 10 10 }
  strokefill { M 0 0 L 10 0 L 10 10 Z }
  brush pattern pat.bmp
  rect 10 10 20 20
  bitblt dst 0 0 8 8 src=logo.bmp mask=mask.bmp rop4=0xAACC
  stretch src=logo.bmp dst 0 0 16 16 mode 4
  stretch src=logo.bmp dst 0 0 16 16 rop4=0x8888
  copy src=logo.bmp dst 40 40 48 48
  brush solid #000000
  font height=20 underline
  text at 10 50 "Hi" opaque 0 30 40 60 #FFFFFF
endpage
resetdc orient=1
page
endpage
)");
    ASSERT_TRUE(res.ok) << res.error;
    EXPECT_EQ(res.pages, 2u);
    EXPECT_EQ(res.failedDraws, 0u);
    EXPECT_EQ(r.calls.front(), "EnablePDEV");
    EXPECT_EQ(r.printer, reinterpret_cast<HANDLE>(0x55));
    EXPECT_TRUE(called("StartDoc Doc One 42"));
    EXPECT_TRUE(called("Escape 17 3,0,0,0, out 4"));
    EXPECT_TRUE(called("FillPath 3 16711680 3341 2 clip 1"));  // red as 0x00RRGGBB, winding, clipped
    EXPECT_TRUE(called("StrokePath 8 2"));
    EXPECT_TRUE(called("StrokeAndFillPath 1"));
    EXPECT_TRUE(called("BitBlt 61680"));
    EXPECT_TRUE(called("BitBlt 43724 src mask"));
    EXPECT_TRUE(called("StretchBlt 4"));
    EXPECT_TRUE(called("StretchBltROP 34952"));
    EXPECT_TRUE(called("CopyBits"));
    EXPECT_TRUE(called("TextOut 2 opaque extra"));
    EXPECT_TRUE(called("ResetPDEV"));
    ASSERT_GE(r.calls.size(), 3u);
    EXPECT_EQ(std::vector<std::string>(r.calls.end() - 3, r.calls.end()),
              (std::vector<std::string>{"EndDoc 0", "DisableSurface", "DisablePDEV"}));
    // The DEVMODE carried the script's fields, and resetdc changed them.
    ASSERT_GE(r.devmode.size(), 220u);
    EXPECT_EQ(r.devmode[76], 1);
    EXPECT_EQ(r.devmode[86], 2);
    bool logged = false;
    for (const auto& l : log) logged |= l.find("escape 17 -> 21 out 04010101") != std::string::npos;
    EXPECT_TRUE(logged);
}

TEST_F(VdsPlay, BandingPageIsDrawnByTheEngine) {
    r.banding = true;
    auto res = run(R"(printer "P1"
job emf=on
page
  brush solid #0000FF
  fill { M 10 10 L 290 10 L 290 190 L 10 190 Z }
  bitblt dst 100 60 108 68 src=logo.bmp
endpage
)");
    ASSERT_TRUE(res.ok) << res.error;
    EXPECT_FALSE(called("StartPage"));  // emf=on: the band loop starts the page
    EXPECT_TRUE(called("StartBanding"));
    long blue = 0, black = 0;
    for (uint32_t p : r.page) {
        blue += p == 0x0000FF;
        black += p == 0;
    }
    EXPECT_EQ(black, 64);
    EXPECT_EQ(blue, 280 * 180 - 64);
}

TEST_F(VdsPlay, MissingFilesAndPrintersStopWithTheLine) {
    auto res = run("printer \"P1\"\npage\nbitblt dst 0 0 8 8 src=nothere.bmp\nendpage\n");
    EXPECT_FALSE(res.ok);
    EXPECT_NE(res.error.find("line 3"), std::string::npos);
    EXPECT_NE(res.error.find("nothere.bmp"), std::string::npos);
    EXPECT_EQ(r.calls.back(), "DisablePDEV");  // the device still goes
    EXPECT_TRUE(called("EndDoc 1"));           // and the job is aborted
    r.calls.clear();
    res = run("printer \"nobody\"\npage\nendpage\n");
    EXPECT_FALSE(res.ok);
    EXPECT_NE(res.error.find("line 2"), std::string::npos);
    EXPECT_TRUE(r.calls.empty());
    files["bad.bmp"] = "BMnonsense";
    res = run("printer \"P1\"\npage\nbrush pattern bad.bmp\nendpage\n");
    EXPECT_FALSE(res.ok);
    EXPECT_NE(res.error.find("bad.bmp"), std::string::npos);
}

TEST_F(VdsPlay, ShowcasePlaysInVectorAndBandingModes) {
    std::ifstream in(VESK_SOURCE_DIR "/samples/docs/showcase.vds", std::ios::binary);
    ASSERT_TRUE(in);
    std::stringstream text;
    text << in.rdbuf();
    vds::Script s;
    std::vector<vds::Error> e;
    ASSERT_TRUE(vds::read(text.str(), s, &e)) << e[0].line << ": " << e[0].message;
    host.readFile = nullptr;
    host.openPrinter = nullptr;
    host.baseDir = VESK_SOURCE_DIR "/samples/docs";
    // The printer's DEVMODE carries the driver's private part: the script
    // changes private settings.
    host.defaultDevmode = [](HANDLE, const std::u16string&) {
        std::vector<uint8_t> dm = vds::minimalDevmode(u"P1");
        dm.resize(1260, 0);
        std::memcpy(dm.data() + 349, "priv", 4);
        return dm;
    };
    r.width = 2400;
    r.height = 3400;
    r.bandHeight = 256;
    auto res = vds::play(s, table, host);
    ASSERT_TRUE(res.ok) << res.error;
    EXPECT_EQ(res.pages, 5u);
    EXPECT_EQ(res.failedDraws, 0u);
    EXPECT_TRUE(called("ResetPDEV"));
    EXPECT_TRUE(called("TextOut 5 opaque"));
    EXPECT_TRUE(called("Escape 19 4,0,27,69,45,10,"));
    // icm: the profile file is read and the statement's two forms kept.
    size_t icm = 0;
    for (const auto& c : s.commands)
        if (c.kind == vds::Command::Icm) {
            EXPECT_EQ(c.icmProfile, icm++ == 0 ? "img/printer.icc" : "");
        }
    EXPECT_EQ(icm, 2u);
    r.calls.clear();
    r.banding = true;
    res = vds::play(s, table, host);
    ASSERT_TRUE(res.ok) << res.error;
    EXPECT_EQ(res.pages, 5u);
    EXPECT_EQ(res.failedDraws, 0u);
    long ink = 0;
    for (uint32_t p : r.page) ink += p != 0xFFFFFF;
    EXPECT_GT(ink, 100000);  // the landscape page's filled rectangle
}
