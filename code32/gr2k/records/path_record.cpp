// Path records and glyph outline data from the engine's runs.
#include "records/path_record.h"

#include "records/drawing_records.h"
#include "records/record_bytes.h"

namespace vesk {

using namespace rec;

namespace {

constexpr uint64_t kSubpathBytes = 12;  // segment count and start point
constexpr uint64_t kLineBytes = 12;
constexpr uint64_t kBezierBytes = 28;
constexpr DWORD kPathHeader = 28;

// Walks the runs from `from`, calling the visitor's begin (start point), line,
// bezier (three points) and end (closed flag) in order; each returns false to
// stop the walk. With `oneSubpath` the walk ends behind the first subpath and
// *next is where the following one begins. False when the runs do not make a
// path (see PathMeasure).
template <class V>
bool walkRuns(const PATHDATA* runs, size_t count, size_t from, bool oneSubpath, V& v, size_t* next) {
    bool open = false, closed = false;
    for (size_t i = from; i < count; ++i) {
        const PATHDATA& r = runs[i];
        const POINTFIX* p = r.pptfx;
        ULONG n = r.count;
        if (n && !p) return false;
        if (r.flags & PD_BEGINSUBPATH) {
            if (open) {
                if (!v.end(closed)) return false;
                open = false;
                if (oneSubpath) {
                    *next = i;
                    return true;
                }
            }
            if (n == 0) return false;  // a subpath without its start point
            if (!v.begin(p[0])) return false;
            open = true;
            closed = false;
            ++p;
            --n;
        } else if (n && !open) {
            return false;  // points without a subpath begun
        }
        if (r.flags & PD_BEZIERS) {
            if (n % 3) return false;
            for (ULONG k = 0; k < n; k += 3)
                if (!v.bezier(p + k)) return false;
        } else {
            for (ULONG k = 0; k < n; ++k)
                if (!v.line(p[k])) return false;
        }
        if ((r.flags & PD_CLOSEFIGURE) && open) closed = true;
        if ((r.flags & PD_ENDSUBPATH) && open) {
            if (!v.end(closed)) return false;
            open = false;
            if (oneSubpath) {
                *next = i + 1;
                return true;
            }
        }
    }
    // The engine ends a path with a run that ends its last subpath; an empty
    // run without that is an enumeration that found no path.
    if (!oneSubpath && count && runs[count - 1].count == 0 && !(runs[count - 1].flags & PD_ENDSUBPATH)) return false;
    if (open && !v.end(closed)) return false;
    *next = count;
    return true;
}

struct Measurer {
    PathShape s;
    uint64_t lines = 0, beziers = 0, subpaths = 0;
    bool begin(const POINTFIX&) {
        ++subpaths;
        s.bytes += kSubpathBytes;
        return true;
    }
    bool line(const POINTFIX&) {
        ++lines;
        s.bytes += kLineBytes;
        return true;
    }
    bool bezier(const POINTFIX*) {
        ++beziers;
        s.curves = true;
        s.bytes += kBezierBytes;
        return true;
    }
    bool end(bool closed) {
        s.closed = s.closed || closed;
        return true;
    }
    // The shape, when its counts fit their 32-bit fields.
    bool finish(PathShape* out) {
        if (lines > 0xFFFFFFFFu || beziers > 0xFFFFFFFFu || subpaths > 0xFFFFFFFFu || s.bytes > 0xFFFFFFFFu) return false;
        s.lines = static_cast<DWORD>(lines);
        s.beziers = static_cast<DWORD>(beziers);
        s.subpaths = static_cast<DWORD>(subpaths);
        *out = s;
        return true;
    }
};

// Lays the subpaths out in [out, out + capacity), points moved by (dx, dy);
// refuses to write past the end.
struct Writer {
    BYTE* out;
    uint64_t capacity;
    uint64_t pos = 0;
    uint64_t countAt = 0;
    DWORD segments = 0;
    uint32_t dx = 0, dy = 0;

    bool put(uint32_t v) {
        if (capacity - pos < 4) return false;
        wr32(out, static_cast<uint32_t>(pos), v);
        pos += 4;
        return true;
    }
    bool point(const POINTFIX& p) {
        return put(static_cast<uint32_t>(p.x) + dx) && put(static_cast<uint32_t>(p.y) + dy);
    }
    bool begin(const POINTFIX& p) {
        countAt = pos;
        segments = 0;
        return put(0) && point(p);
    }
    bool line(const POINTFIX& p) {
        ++segments;
        return put(0) && point(p);
    }
    bool bezier(const POINTFIX* p) {
        ++segments;
        return put(1) && point(p[0]) && point(p[1]) && point(p[2]);
    }
    bool end(bool) {
        wr32(out, static_cast<uint32_t>(countAt), segments);
        return true;
    }
};

bool measureFrom(const PATHDATA* runs, size_t count, size_t from, bool one, PathShape* shape, size_t* next) {
    Measurer m;
    return walkRuns(runs, count, from, one, m, next) && m.finish(shape);
}

// One record of `shape` holding the subpaths that begin at run `from`.
BYTE* writeRecord(RecordBuffer* buf, const PATHDATA* runs, size_t count, size_t from, bool one,
                  const PathShape& shape, const RECTFX& bounds, BYTE flags, DWORD work) {
    const uint64_t len = kPathHeader + shape.bytes;
    if (len > 0xFFFFFFFFu) return nullptr;
    BYTE* p = RecBufReserve(buf, static_cast<DWORD>(len));
    if (!p) return nullptr;
    wrHead(p, shape.curves ? kRecPathCurves : kRecPathLines, 0, flags);
    wr32(p, 4, static_cast<uint32_t>(len));
    wrI32(p, 8, bounds.xLeft >> 4);
    wrI32(p, 12, bounds.yTop >> 4);
    wrI32(p, 16, bounds.xRight >> 4);
    wrI32(p, 20, bounds.yBottom >> 4);
    wr32(p, 24, work);
    Writer w{p + kPathHeader, shape.bytes};
    size_t next = 0;
    if (!walkRuns(runs, count, from, one, w, &next) || w.pos != shape.bytes) {
        RecBufWithdraw(buf, p);
        return nullptr;
    }
    return p;
}

}  // namespace

bool PathMeasure(const PATHDATA* runs, size_t count, PathShape* shape) {
    size_t next = 0;
    PathShape s;
    if (!runs || !measureFrom(runs, count, 0, false, &s, &next) || s.subpaths == 0) return false;
    *shape = s;
    return true;
}

DWORD PathWorkEstimate(const PathShape& s) {
    const uint64_t w = 3ull * s.lines + 7ull * s.beziers + 3ull * s.subpaths + (s.subpaths > 1 ? 1 : 0);
    return w > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<DWORD>(w);
}

BYTE* PathRecordWrite(RecordBuffer* buf, const PATHDATA* runs, size_t count, const RECTFX& bounds, BYTE mode) {
    PathShape s;
    if (mode > kPathClip || !PathMeasure(runs, count, &s)) return nullptr;
    // A stroke of several subpaths with a closed figure goes subpath by
    // subpath, so that each figure is closed on its own.
    if (mode == kPathStroke && s.closed && s.subpaths > 1)
        return PathRecordWriteSubpaths(buf, runs, count, bounds, mode);
    const BYTE flags = static_cast<BYTE>(mode | (s.subpaths > 1 ? 0x10 : 0) | (s.closed ? 0x08 : 0));
    return writeRecord(buf, runs, count, 0, false, s, bounds, flags, PathWorkEstimate(s));
}

BYTE* PathRecordWriteSubpaths(RecordBuffer* buf, const PATHDATA* runs, size_t count, const RECTFX& bounds,
                              BYTE mode) {
    PathShape whole;
    if (mode > kPathClip || !PathMeasure(runs, count, &whole)) return nullptr;
    BYTE* first = nullptr;
    for (size_t i = 0; i < count;) {
        PathShape one;
        size_t next = count;
        BYTE* p = nullptr;
        const bool ok = measureFrom(runs, count, i, true, &one, &next);
        if (ok && one.subpaths) {
            const BYTE flags = static_cast<BYTE>(mode | (one.closed ? 0x08 : 0));
            p = writeRecord(buf, runs, count, i, true, one, bounds, flags, PathWorkEstimate(one));
        }
        if (!ok || (one.subpaths && !p)) {
            // Records already written for this path go too.
            if (first) RecBufWithdraw(buf, first);
            return nullptr;
        }
        if (!first) first = p;
        i = next;
    }
    return first;
}

DWORD PathOutlineEncode(const PATHDATA* runs, size_t count, LONG dx, LONG dy, BYTE* out, DWORD capacity) {
    PathShape s;
    if (!PathMeasure(runs, count, &s) || s.bytes > 0xFFFFFFFFu - 4) return 0;
    const DWORD need = static_cast<DWORD>(4 + s.bytes);
    if (!out) return need;
    if (capacity < need) return 0;
    wr32(out, 0, PathWorkEstimate(s));
    Writer w{out + 4, s.bytes, 0, 0, 0, static_cast<uint32_t>(dx), static_cast<uint32_t>(dy)};
    size_t next = 0;
    if (!walkRuns(runs, count, 0, false, w, &next) || w.pos != s.bytes) return 0;
    return need;
}

}  // namespace vesk
