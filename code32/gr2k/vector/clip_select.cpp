// The clip step of every drawing call, with its one-entry cache: the device
// keeps the last clip it was sent, so a drawing under the same clip sends
// nothing. The cache holds what was sent (kind, engine clip id, rectangle),
// never a pointer into the record buffer, which a flush reuses.
#include "records/drawing_records.h"
#include "records/path_record.h"
#include "vector/vector.h"

namespace vesk {

namespace {

bool sameRect(const RECTL& a, const RECTL& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

int ClipSelect(Pdev* p, CLIPOBJ* pco) {
    auto& c = p->draw.clip;
    if (pco && pco->iDComplexity == DC_RECT) {
        if (c.valid && c.kind == 1 && sameRect(c.rect, pco->rclBounds)) return 0;
        if (!RectRecordWrite(&p->out, pco->rclBounds, nullptr, kRectClip)) return -1;
        c.valid = true;
        c.id = pco->iUniq;
        c.kind = 1;
        c.rect = pco->rclBounds;
        return 1;
    }
    if (pco && pco->iDComplexity == DC_COMPLEX) {
        // A clip id of 0 names no particular clip: it is sent every time.
        if (pco->iUniq && c.valid && c.kind == 3 && c.id == pco->iUniq) return 0;
        PATHOBJ* ppo = CLIPOBJ_ppoGetPath(pco);
        if (!ppo) return -1;
        const bool sent = PathRecordWrite(p, ppo, kPathClip);
        EngDeletePath(ppo);
        if (!sent) return -1;
        c.valid = true;
        c.id = pco->iUniq;
        c.kind = 3;
        return 1;
    }
    // No clip. The page start clears only the valid flag: a clip kept from
    // the page before is still ended here.
    if (c.kind == 0) return 0;
    if (!ClipResetRecordWrite(&p->out)) return -1;
    c.kind = 0;
    c.valid = true;
    return 1;
}

}  // namespace vesk
