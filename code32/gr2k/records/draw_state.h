// The per-page drawing state: what the device was last told about lines,
// ROP, background mode, brush, colours and font, so that a state record is
// sent only when its value changes. Every page start forgets it all: the
// first drawing of a page always sends its state.
#pragma once
#include <win/types.h>

#include "records/brush_record.h"
#include "records/drawing_records.h"

namespace vesk {

// Line attributes as the line records carry them.
struct LineAttrs {
    SHORT width;        // pixels, at least 1
    SHORT styleUnit;    // pixels per dash-mask cell (0 for a solid line)
    SHORT cap;          // 0 round, 1 flat, 2 square
    SHORT join;         // 0 round, 1 bevel, 2 mitre
    SHORT styleOffset;  // cells
    DWORD mitreLimit;   // x 256
    DWORD mask;         // dash mask, 0xFFFFFFFF solid
    DWORD penColor;
};

struct DrawState {
    struct {
        bool valid;
        SHORT width;
        DWORD mask;
        BYTE cap, join, offset, unit;
        DWORD mitreLimit;
    } line;
    struct {
        bool valid;
        BYTE rop;
    } rop;
    struct {
        bool valid;
        BYTE mode;
    } bkMode;
    struct {
        bool valid;
        SHORT kind;
        SHORT originX, originY;
    } brush;
    struct {
        bool valid;
        ColorDesc last;
    } color;
    // The font record's own test (the text code keeps it).
    struct {
        bool valid;
        DWORD fontId;
        BYTE textMode;
        BYTE kind;  // the font record's kind: a device and a graphics record differ
    } font;
    // The clip cache (the clip code keeps it); a page start clears only its
    // valid flag, its kind survives.
    struct {
        bool valid;
        DWORD id;
        DWORD kind;  // 0 none, 1 rectangle, 3 path
        RECTL rect;
    } clip;
};

// A device's state before its first page.
void DrawStateInit(DrawState* state);
// Forgets what was sent: called at every page start.
void DrawStateResetPage(DrawState* state);

// Each sender writes its record only when the value differs from the one
// last sent on this page, and keeps the new value once the record is
// written; 1 for success (sent or not needed), 0 when the record could not
// be written (the kept value is unchanged, so the next call tries again).

// The four line records the first time on a page, later each when its
// values change (width, mask and unit; offset; cap; join and mitre limit).
// Caps and joins outside 0 to 2 go as 0.
int SetLineAttrsCached(RecordBuffer* buf, DrawState* state, const LineAttrs& attrs);
// RopRecord when the low byte of `rop` differs.
int SetRopCached(RecordBuffer* buf, DrawState* state, DWORD rop);
// BkModeRecord when the mode differs.
int SetBkModeCached(RecordBuffer* buf, DrawState* state, BYTE mode);
// BrushRecord when no brush was sent on this page, for every pattern brush,
// and for a solid brush after a pattern; the origin is kept but sends
// nothing. No brush is a failure.
int SetBrushCached(RecordBuffer* buf, DrawState* state, RealizedBrush* brush);
// ColorRecord when the mix, background mode, stroke-and-fill flag, the
// colours (the pen only with stroke and fill), or the text or host-ICM flag
// differ.
int SetColorCached(RecordBuffer* buf, DrawState* state, const ColorDesc& desc);

}  // namespace vesk
