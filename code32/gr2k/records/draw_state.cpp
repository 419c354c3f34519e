#include "records/draw_state.h"

#include <cstring>

namespace vesk {

namespace {

BYTE clamp02(SHORT v) { return v >= 0 && v <= 2 ? static_cast<BYTE>(v) : 0; }

bool isText(const ColorDesc& d) { return d.kind == kColorText; }

bool sameColor(const ColorDesc& a, const ColorDesc& b) {
    if (a.fgMix != b.fgMix || a.bkMode != b.bkMode || a.strokeAndFill != b.strokeAndFill ||
        a.foreground != b.foreground || a.background != b.background)
        return false;
    if (a.strokeAndFill && a.pen != b.pen) return false;
    // The record's text and host-ICM flags stand for the following drawing
    // too: a change of either needs a new record.
    return isText(a) == isText(b) && (a.hostIcm != 0) == (b.hostIcm != 0);
}

}  // namespace

void DrawStateInit(DrawState* state) { std::memset(state, 0, sizeof *state); }

void DrawStateResetPage(DrawState* state) {
    state->line.valid = false;
    state->rop.valid = false;
    state->bkMode.valid = false;
    state->brush.valid = false;
    state->color.valid = false;
    state->font.valid = false;
    state->clip.valid = false;
}

int SetLineAttrsCached(RecordBuffer* buf, DrawState* s, const LineAttrs& a) {
    auto& l = s->line;
    const BYTE cap = clamp02(a.cap), join = clamp02(a.join);
    const BYTE unit = static_cast<BYTE>(a.styleUnit), offset = static_cast<BYTE>(a.styleOffset);
    const bool all = !l.valid;
    if (all || a.width != l.width || a.mask != l.mask || unit != l.unit) {
        if (!LineStyleRecordWrite(buf, static_cast<WORD>(a.width), a.mask, unit)) return 0;
        if (!all) {
            l.width = a.width;
            l.mask = a.mask;
            l.unit = unit;
        }
    }
    if (all || offset != l.offset) {
        if (!LineStyleOffsetRecordWrite(buf, offset)) return 0;
        if (!all) l.offset = offset;
    }
    if (all || cap != l.cap) {
        if (!LineCapRecordWrite(buf, cap)) return 0;
        if (!all) l.cap = cap;
    }
    if (all || join != l.join || a.mitreLimit != l.mitreLimit) {
        if (!LineJoinRecordWrite(buf, join, a.mitreLimit)) return 0;
        if (!all) {
            l.join = join;
            l.mitreLimit = a.mitreLimit;
        }
    }
    if (all) {
        // The state counts as sent only once all four records are out.
        l.width = a.width;
        l.mask = a.mask;
        l.unit = unit;
        l.offset = offset;
        l.cap = cap;
        l.join = join;
        l.mitreLimit = a.mitreLimit;
        l.valid = true;
    }
    return 1;
}

int SetRopCached(RecordBuffer* buf, DrawState* s, DWORD rop) {
    const BYTE r = static_cast<BYTE>(rop);
    if (s->rop.valid && s->rop.rop == r) return 1;
    if (!RopRecordWrite(buf, r)) return 0;
    s->rop.valid = true;
    s->rop.rop = r;
    return 1;
}

int SetBkModeCached(RecordBuffer* buf, DrawState* s, BYTE mode) {
    if (s->bkMode.valid && s->bkMode.mode == mode) return 1;
    if (!BkModeRecordWrite(buf, mode)) return 0;
    s->bkMode.valid = true;
    s->bkMode.mode = mode;
    return 1;
}

int SetBrushCached(RecordBuffer* buf, DrawState* s, RealizedBrush* brush) {
    if (!brush) return 0;
    auto& b = s->brush;
    // A pattern is always sent again; a solid brush only when the last one
    // sent was a pattern (its colour goes with the colour record).
    const bool send = !b.valid || brush->kind != kBrushSolid || b.kind != kBrushSolid;
    if (send) {
        if (!BrushRecordWrite(buf, brush)) return 0;
        b.valid = true;
        b.kind = brush->kind;
    }
    b.originX = brush->originX;
    b.originY = brush->originY;
    return 1;
}

int SetColorCached(RecordBuffer* buf, DrawState* s, const ColorDesc& desc) {
    if (s->color.valid && sameColor(s->color.last, desc)) return 1;
    if (!ColorRecordWrite(buf, desc)) return 0;
    s->color.valid = true;
    s->color.last = desc;
    return 1;
}

}  // namespace vesk
