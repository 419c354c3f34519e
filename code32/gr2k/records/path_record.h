// PathRecord (0x11 with curves, 0x12 straight lines only) and the outline
// data of GlyphRecord, both laid out from the engine's path runs.
//
// A run is what PATHOBJ_bEnum hands out: flags (PD_BEGINSUBPATH,
// PD_ENDSUBPATH, PD_CLOSEFIGURE, PD_BEZIERS), a count and 28.4 points. A run
// that begins a subpath has the start point first; the points of a Bézier
// run (after the start point) come in threes: two control points and the end.
//
// Layout of the subpaths: per subpath a u32 segment count, the start point
// (2 x i32), then the entries in order: a line {u32 0, x, y}, a Bézier
// {u32 1, x1, y1, x2, y2, x3, y3}. Every record is measured before it is
// reserved, so its reservation is exact and nothing is written past it.
#pragma once
#include <win/gdi.h>
#include <win/types.h>

#include <cstddef>

#include "stream/record_buffer.h"

namespace vesk {

// PathRecord modes (low bits of byte 2).
enum : BYTE {
    kPathStroke = 0,
    kPathFillAlternate = 1,
    kPathFillWinding = 2,
    kPathStrokeFillAlternate = 3,
    kPathStrokeFillWinding = 4,
    kPathClip = 5,
};

// What the runs of a path hold.
struct PathShape {
    DWORD subpaths = 0;
    DWORD lines = 0;    // line entries
    DWORD beziers = 0;  // Bézier entries
    bool closed = false;  // some figure is closed
    bool curves = false;  // some subpath holds Bézier entries
    uint64_t bytes = 0;   // the subpaths laid out
};

// Measures the runs; false when they do not make a path: a run of points
// without a subpath begun, a subpath without its start point, Bézier points
// that do not come in threes, no subpath at all, or an enumeration that ends
// with an empty run that does not end a subpath.
bool PathMeasure(const PATHDATA* runs, size_t count, PathShape* shape);
// The work estimate of a path of `shape`: 3 per line entry, 7 per Bézier,
// 3 per subpath, and 1 more when there is more than one subpath.
DWORD PathWorkEstimate(const PathShape& shape);

// One PathRecord for the whole path: bounds are the path's 28.4 bounds in
// pixels, flag 0x10 when it has several subpaths, 0x08 when a figure is
// closed. A stroke (mode 0) of several subpaths with a closed figure is
// written one record per subpath instead. Returns the (first) record, or
// null with nothing written.
BYTE* PathRecordWrite(RecordBuffer* buf, const PATHDATA* runs, size_t count, const RECTFX& bounds, BYTE mode);
// One PathRecord per subpath, each with the whole path's bounds and 0x08
// when its own figure is closed (never 0x10). Returns the first record, or
// null with nothing written.
BYTE* PathRecordWriteSubpaths(RecordBuffer* buf, const PATHDATA* runs, size_t count, const RECTFX& bounds,
                              BYTE mode);

// GlyphRecord outline data: the u32 work estimate, then the subpaths with
// every point moved by (dx, dy). Without `out` returns the bytes it needs;
// with it writes at most `capacity` bytes and returns the count written. 0
// when the runs do not make a path or the data do not fit.
DWORD PathOutlineEncode(const PATHDATA* runs, size_t count, LONG dx, LONG dy, BYTE* out, DWORD capacity);

}  // namespace vesk
