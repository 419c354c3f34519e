// Stream generation: a page of drawing records written through the record
// buffer and flushed as framed blocks to a write entry that takes every
// byte, and a large image sent in row batches.
#include <benchmark/benchmark.h>

#include <vector>

#include "alloc_list.h"
#include "records/draw_state.h"
#include "records/path_record.h"
#include "records/raster_record.h"
#include "stream/record_buffer.h"

using namespace vesk;

namespace {

BOOL takeAll(HANDLE, const void*, DWORD count, DWORD* written) {
    benchmark::ClobberMemory();
    *written = count;
    return TRUE;
}

struct Device {
    AllocList* allocs = AllocListCreate();
    DWORD flags = 0, pages = 2;
    WORD firstOnly = 0;
    RecordBuffer* buf = static_cast<RecordBuffer*>(AllocListAllocZero(allocs, sizeof(RecordBuffer)));
    DrawState state{};
    Device() {
        RecBufInit(buf, nullptr, RecBufDevice{allocs, &flags, &pages, &firstOnly});
        buf->library = reinterpret_cast<HMODULE>(1);
        buf->writeEntry = takeAll;
    }
    ~Device() { AllocListDestroy(allocs); }
};

}  // namespace

// 10,000 filled shapes with changing colours: state records, rectangles and
// paths, about 1 MB of records a page.
static void BM_VectorPage(benchmark::State& state) {
    Device d;
    POINTFIX pts[5] = {{0, 0}, {1600, 0}, {1600, 1600}, {800, 2400}, {0, 1600}};
    PATHDATA run{PD_BEGINSUBPATH | PD_ENDSUBPATH | PD_CLOSEFIGURE, 5, pts};
    uint64_t bytes = 0;
    for (auto _ : state) {
        DrawStateResetPage(&d.state);
        PageStartRecordWrite(d.buf, 4960, 7016, 600, 600);
        for (int i = 0; i < 10000; ++i) {
            ColorDesc c{};
            c.bkMode = kBkTransparent;
            c.foreground = static_cast<DWORD>(i / 4) * 0x010203;
            SetColorCached(d.buf, &d.state, c);
            SetRopCached(d.buf, &d.state, i & 1 ? 0xCC : 0x66);
            RectRecordWrite(d.buf, RECTL{i, i, i + 100, i + 50}, nullptr, kRectFill);
            PathRecordWrite(d.buf, &run, 1, RECTFX{0, 0, 1600, 2400}, kPathFillWinding);
        }
        PageEndRecordWrite(d.buf);
        bytes += d.buf->queued;
        RecBufFlush(d.buf);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK(BM_VectorPage);

// A 2400 x 3300 24-bit image (about 23 MB), as colour and as grey rows.
static void BM_ImagePage(benchmark::State& state) {
    Device d;
    const DWORD w = 2400, h = 3300;
    std::vector<BYTE> pixels(size_t{w} * 3 * h, 0x7F);
    RasterImage img{};
    img.width = img.srcWidth = w;
    img.height = img.rows = h;
    img.format = kRaster24;
    img.firstRow = pixels.data();
    const RasterOptions o{false, state.range(0) != 0, false};
    for (auto _ : state) {
        RasterRecordWrite(d.buf, img, o);
        RecBufFlush(d.buf);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(pixels.size()));
}
BENCHMARK(BM_ImagePage)->Arg(0)->Arg(1);
