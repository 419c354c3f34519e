// The listing (what golden files compare) and `vesk decode` itself.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "bytes_builder.h"
#include "decode/listing.h"

using namespace dtest;
using namespace vesk::decode;

namespace {

// Two pages with a record of most kinds, a JOBNAME and a raw segment.
Buf sampleJob(std::size_t* rawAt = nullptr, std::size_t* rawSize = nullptr) {
    B s;
    s.add(outer(0xF3, text("\x1b%-12345X@PJL JOB\r\n@PJL SET DATE = \"2024/05/06\" \r\n@PJL SET TIME = \"10:20:30\" \r\n")));
    s.add(outer(0xF3, text("@PJL SET JOBNAME = \"Q3 report\"\r\n")));
    if (rawAt) *rawAt = s.b.size();
    const Buf raw = text("@PJL ECHO pass-through\r\n");
    if (rawSize) *rawSize = raw.size();
    s.add(raw);
    B p1;
    p1.add(pageStart(4960, 7016, 600))
        .u8s({0x32, 2, 0, 0})
        .u8s({0x31, 0xCC, 0, 0})
        .u8s({0x30, 16, 0x19, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0, 0, 0xFF, 0, 0, 0})
        .u8s({0x40, 0, 0, 1, 0, 0, 0, 0})
        .u8s({0x10, 0, 5, 0}).u32(24).rect(0, 0, 4960, 7016)
        .u8s({0x10, 0, 1, 0}).u32(40).rect(100, 100, 200, 150).rect(100, 100, 200, 150)
        .u8s({0x33, 0}).u16(3).u32(0xFFFFFFFF)
        .u8s({0x34, 0, 0, 0})
        .u8s({0x35, 1, 0, 0})
        .u8s({0x36, 2, 0, 0}).u32(2600)
        .u8s({0x12, 0, 0x08, 0}).u32(76).rect(10, 10, 20, 20).u32(12).u32(3).i32(160).i32(160)
        .u32(0).i32(328).i32(160).u32(0).i32(328).i32(-8).u32(0).i32(160).i32(328)
        .u8s({0x37, 0, 0, 0});
    B p2;
    p2.add(pageStart(4960, 7016, 600))
        .u8s({0x20, 0, 0x00, 0}).u32(76).rect(100, 200, 101, 203).i32(0).i32(0).u32(1).u32(3)
        .i32(100).i32(200).i32(1).i32(3).u8s({0xFF, 0xFF, 0xFF, 0, 0, 0})
        .u8s({0x80, 0, 0, 0, 0x80, 0, 0, 0, 0x80, 0, 0, 0}).zeros(2)
        .u8s({0x50, 0, 128, 0x11}).u16(0x000A | 0x20).u16(700).u16(0).u16(20).u16(24).u16(32).u32(0).u16(2).u16(0x20)
        .str("Mono").zeros(4)
        .u8s({0x52, 0, 0, 0}).u32(44).rect(0, 0, 90, 24).i32(0).i32(0).u16(3).u16(0).u16(30)
        .u16('A').u16('"').u16(0x3042).zeros(0)
        .u8s({0x56, 0, 0x11, 0}).u16(0x2000).u16(400).u16(0).u16(20).u16(24).u16(40).u32(0).u16(2).u16(0x20)
        .zeros(8).str("Sans!").zeros(3)
        .u8s({0x54, 0, 0x08, 0}).u32(32).u32(3).u32(4).u32(3).u32(0).u16('x').u8s({0, 0}).u8s({0xA0, 0x40, 0xA0}).zeros(1)
        .u8s({0x55, 0, 0x08, 0}).u32(48).rect(0, 0, 24, 12).i32(3).i32(4).u16(2).u16(0)
        .u16(0).u16(0).u16('x').i32(12).u16('x')
        .u8s({0x53, 0, 0x48, 0}).u32(64).rect(0, 0, 8, 2).i32(0).i32(0).u32(0).i32(1).i32(2)
        .u32(8).u32(2).u32(0).u32(0).u16('x').u8s({0, 0});
    s.add(page({B().add(p1).add(pageEnd())}, "@PJL SET PAGE = 1 \r\n", "@PJL EOP \r\n"));
    s.add(page({p2, {}, pageEnd()}, "@PJL SET PAGE = 2\n", ""));
    return s;
}

const char* kGolden =
    "job header (0xF3, 79 bytes)\n"
    "  | \\x1B%-12345X@PJL JOB\\r\\n\n"
    "  | @PJL SET DATE = \"2024/05/06\" \\r\\n\n"
    "  | @PJL SET TIME = \"10:20:30\" \\r\\n\n"
    "job name \"Q3 report\"\n"
    "raw 24 bytes \"@PJL ECHO pass-through\\x0D\\x0A\"\n"
    "page 1\n"
    "  header (0xF4, 20 bytes)\n"
    "    | @PJL SET PAGE = 1 \\r\\n\n"
    "  drawing 1 block: 220 bytes\n"
    "  PageStart 4960x7016 600x600dpi\n"
    "  BkMode opaque\n"
    "  Rop 0xCC\n"
    "  Color fg=FF0000 bg=FFFFFF pen=0000FF\n"
    "  Brush solid\n"
    "  Rect clip [0,0,4960,7016]\n"
    "  Rect fill [100,100,200,150]\n"
    "  LineStyle width=3 unit=0 mask=FFFFFFFF\n"
    "  LineStyleOffset 0\n"
    "  LineCap flat\n"
    "  LineJoin mitre limit=10.15625\n"
    "  Path lines stroke closed bounds=[10,10,20,20] work=12: M(10,10) L(20.5,10) L(20.5,-0.5) L(10,20.5)\n"
    "  ClipReset\n"
    "  PageEnd\n"
    "  trailer (0xF1, 11 bytes)\n"
    "    | @PJL EOP \\r\\n\n"
    "page 2\n"
    "  header (0xF4, 18 bytes)\n"
    "    | @PJL SET PAGE = 2\\n\n"
    "  drawing 3 blocks: 352 + 0 + 4 bytes\n"
    "  PageStart 4960x7016 600x600dpi\n"
    "  Raster 1bpp dst=(100,200) size=1x3 src=(0,0) srcwidth=1 rows=3 rowbytes=4 palette=[FFFFFF 000000] "
    "pixels=fnv:81744235\n"
    "  DeviceFont \"Mono\" charset=128 pitch-family=0x11 flags=resident,bold weight=700 escapement=0 em=20x24 "
    "leading=2 default=' '\n"
    "  TextRun \"A\\\"\\u3042\" at=(0,0) background=[0,0,90,24] advance=30\n"
    "  GraphicsFont \"Sans!\" charset=0 pitch-family=0x11 flags=not-resident weight=400 escapement=0 em=20x24 "
    "leading=2 default=' '\n"
    "  GlyphDefine 'x' text=char 4x3 raw 3 bytes bits=fnv:938E2577\n"
    "  GlyphRun text=char at=(3,4) background=[0,0,24,12] glyphs='x'(0,0) 'x'(12,0)\n"
    "  GlyphBitmap 'x' cache=on text=char cell=[0,0,8,2] at=(0,0) bitmap=(1,2) 8x2 in-cache\n"
    "  PageEnd\n"
    "  trailer (0xF1, 0 bytes)\n"
    "end: 2 pages, 23 records, 1 raw segment\n";

std::string listing(const Buf& b, const StreamOptions& so, const ListingOptions& lo, Summary* sum) {
    return listStream(vesk::decode::Bytes(b.data(), b.size()), so, lo, sum);
}

}  // namespace

TEST(Listing, GoldenListingOfASampleJob) {
    std::size_t rawAt = 0, rawSize = 0;
    const Buf job = sampleJob(&rawAt, &rawSize);
    StreamOptions so;
    so.rawSegments = {{rawAt, rawSize}};
    Summary sum;
    const std::string got = listing(job, so, {}, &sum);
    ASSERT_TRUE(sum.ok) << sum.error.text();
    EXPECT_EQ(got, kGolden);
}

TEST(Listing, RecordsOnlyAndOffsets) {
    std::size_t rawAt = 0, rawSize = 0;
    const Buf job = sampleJob(&rawAt, &rawSize);
    StreamOptions so;
    so.scanRaw = true;
    Summary sum;
    ListingOptions lo;
    lo.recordsOnly = true;
    const std::string only = listing(job, so, lo, &sum);
    ASSERT_TRUE(sum.ok) << sum.error.text();
    EXPECT_EQ(only.find("job header"), std::string::npos);
    EXPECT_EQ(only.find("| "), std::string::npos);
    EXPECT_EQ(only.rfind("page 1\n  PageStart", 0), 0u);
    lo.recordsOnly = false;
    lo.offsets = true;
    const std::string withOffsets = listing(job, so, lo, &sum);
    EXPECT_NE(withOffsets.find("@" + std::to_string(rawAt) + " raw 24 bytes"), std::string::npos);
}

TEST(Listing, StopsAtTheFirstErrorAfterListingWhatCameBefore) {
    Buf job = sampleJob();
    // Page 1's LineCap gets cap 7.
    std::size_t capAt = 0;
    for (std::size_t i = 0; i + 3 < job.size(); ++i)
        if (job[i] == 0x35 && job[i + 1] == 1 && job[i + 2] == 0 && job[i + 3] == 0) capAt = i;
    ASSERT_NE(capAt, 0u);
    job[capAt + 1] = 7;
    Summary sum;
    StreamOptions so;
    so.scanRaw = true;
    const std::string got = listing(job, so, {}, &sum);
    ASSERT_FALSE(sum.ok);
    EXPECT_EQ(sum.error.offset, capAt + 1);
    EXPECT_NE(got.find("  LineStyleOffset 0\n"), std::string::npos);
    EXPECT_EQ(got.find("LineCap"), std::string::npos);
    EXPECT_EQ(got.find("end:"), std::string::npos);
}

#ifdef VESK_BIN

namespace {

struct Outcome {
    int status = -1;
    std::string out, err;
};

Outcome runDecode(const std::filesystem::path& file, const std::string& extra = "") {
    const char* wrapper = std::getenv("VESK_EXEC_WRAPPER");
    const std::filesystem::path errFile = file.string() + ".err";
    std::string cmd = wrapper && *wrapper ? std::string(wrapper) + " " : std::string();
    cmd += std::string("'") + VESK_BIN + "' decode '" + file.string() + "' " + extra + " 2>'" + errFile.string() + "'";
    Outcome r;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return r;
    std::array<char, 4096> buf;
    std::size_t n;
    while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    std::ifstream e(errFile);
    r.err.assign(std::istreambuf_iterator<char>(e), std::istreambuf_iterator<char>());
    return r;
}

class DecodeCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("vesk-decode-" + std::to_string(::getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::filesystem::path write(const Buf& b) {
        const auto f = dir_ / "job.prn";
        std::ofstream(f, std::ios::binary).write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
        return f;
    }
    std::filesystem::path dir_;
};

}  // namespace

TEST_F(DecodeCommand, ListsAGoodStreamAndExitsZero) {
    const Outcome r = runDecode(write(sampleJob()), "--raw");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("end: 2 pages, 23 records, 1 raw segment"), std::string::npos) << r.out;
    // Without --raw the pass-through bytes are an error.
    const Outcome strict = runDecode(write(sampleJob()));
    EXPECT_NE(strict.status, 0);
    EXPECT_NE(strict.err.find("offset 127: unknown outer record type"), std::string::npos) << strict.err;
}

TEST_F(DecodeCommand, ReportsTheOffsetAndReasonOfTheFirstError) {
    std::size_t at = 0;
    const Buf job = oneRecordJob(B().u8s({0x31, 0xCC, 1, 0}), &at);
    const Outcome r = runDecode(write(job), "--records-only");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "vesk: offset " + std::to_string(at + 2) + ": RopRecord: reserved byte 2 is 0x01, not 0\n");
    EXPECT_EQ(r.out, "page 1\n  PageStart 4960x7016 600x600dpi\n");
    const Outcome missing = runDecode(dir_ / "nothing.prn");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot open"), std::string::npos);
    const Outcome badOption = runDecode(write(job), "--bogus");
    EXPECT_EQ(badOption.status, 1);
}

#endif
