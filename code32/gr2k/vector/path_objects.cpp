// Path records from the engine's path objects: the runs are collected with
// copies of their points (the engine's run memory is good only until the
// next run), then laid out by the record builders, which measure before
// they reserve.
#include <new>
#include <vector>

#include "records/path_record.h"
#include "vector/vector.h"

namespace vesk {

namespace {

struct Runs {
    std::vector<PATHDATA> runs;
    std::vector<POINTFIX> points;
    RECTFX bounds{};
};

bool collect(PATHOBJ* ppo, Runs* out) {
    if (!ppo) return false;
    try {
        std::vector<size_t> at;
        PATHOBJ_vEnumStart(ppo);
        PATHDATA pd{};
        BOOL more = TRUE;
        while (more) {
            more = PATHOBJ_bEnum(ppo, &pd);
            if (pd.count && !pd.pptfx) return false;
            at.push_back(out->points.size());
            out->points.insert(out->points.end(), pd.pptfx, pd.pptfx + pd.count);
            out->runs.push_back(PATHDATA{pd.flags, pd.count, nullptr});
        }
        for (size_t i = 0; i < out->runs.size(); ++i) out->runs[i].pptfx = out->points.data() + at[i];
        PATHOBJ_vGetBounds(ppo, &out->bounds);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace

bool PathRecordWrite(Pdev* p, PATHOBJ* ppo, BYTE mode) {
    Runs r;
    return collect(ppo, &r) && PathRecordWrite(&p->out, r.runs.data(), r.runs.size(), r.bounds, mode);
}

bool PathRecordWriteSubpaths(Pdev* p, PATHOBJ* ppo, BYTE mode) {
    Runs r;
    return collect(ppo, &r) && PathRecordWriteSubpaths(&p->out, r.runs.data(), r.runs.size(), r.bounds, mode);
}

DWORD GlyphOutlineData(Pdev*, PATHOBJ* ppo, BOOL* closed, BYTE* buffer, DWORD capacity, LONG dx, LONG dy) {
    Runs r;
    PathShape shape;
    if (!collect(ppo, &r) || !PathMeasure(r.runs.data(), r.runs.size(), &shape)) return 0;
    if (closed) *closed = shape.closed ? TRUE : FALSE;
    // The data are whole 4-byte fields: their count is a multiple of 4.
    return PathOutlineEncode(r.runs.data(), r.runs.size(), dx, dy, buffer, capacity);
}

}  // namespace vesk
