#include "widgets/printer_regions.h"

#include <win/user.h>

#include "core/driver_desc.h"
#include "core/item_store.h"
#include "core/ui_lookup.h"

namespace vesk {
namespace {

// Ours, for the sample model (model id 133): the picture 2067 is 133 x 92
// pixels, the bypass tray at the left, the four cassettes stacked under the
// body (3 and 4 with the paper bank, item 10020), the large-capacity tray at
// the right (item 10018) where no finisher (item 10050 = 0) takes its place,
// the output tray on top and the finisher's two
// trays at the right (item 10050). A fitted finisher draws the body 12
// pixels further left, so the body's regions move with it.
constexpr uint8_t kSampleModel = 133;
constexpr uint16_t kBank = 10020, kLct = 10018, kFinisher = 10050;
constexpr uint16_t kManual = 8, kTray1 = 3, kTray2 = 4, kTray3 = 5, kTray4 = 6, kLctTray = 7;
constexpr uint16_t kOutUpper = 2, kOutShift = 38, kOutProof = 37;

constexpr PictureRegion kSourceRegions[] = {
    {kSampleModel, 4, 30, 24, 44, 0, kManual, 0, 0, kFinisher, -12, 0},
    {kSampleModel, 30, 50, 100, 58, 0, kTray1, 0, 0, kFinisher, -12, 0},
    {kSampleModel, 30, 60, 100, 68, 0, kTray2, 0, 0, kFinisher, -12, 0},
    {kSampleModel, 30, 70, 100, 78, kBank, kTray3, 0, 0, kFinisher, -12, 0},
    {kSampleModel, 30, 80, 100, 88, kBank, kTray4, 0, 0, kFinisher, -12, 0},
    {kSampleModel, 102, 60, 128, 88, kLct, kLctTray, kFinisher, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};
constexpr PictureRegion kOutputRegions[] = {
    {kSampleModel, 30, 10, 100, 20, 0, kOutUpper, 0, 0, kFinisher, -12, 0},
    {kSampleModel, 104, 20, 130, 34, kFinisher, kOutShift, 0, 0, 0, 0, 0},
    {kSampleModel, 104, 36, 130, 48, kFinisher, kOutProof, 0, 0, 0, 0, 0},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};

constexpr int kSourceList = 2007, kOutputList = 2066;

uint8_t modelOf(const DrvContext* ctx) {
    return ctx && ctx->desc ? ctx->desc->machineId : builtinDriverDesc().machineId;
}

bool listUsable(DrvContext* ctx, UiPage* page, int id) {
    const UiControl* c = CtlFindById(ctx, page, id);
    return c && !c->disabled && c->window && IsWindowEnabled(c->window);
}

}  // namespace

const PictureRegion* GetBuiltinTable8() { return kSourceRegions; }
const PictureRegion* GetBuiltinTable9() { return kOutputRegions; }

const PictureRegion* PictureRegionAt(DrvContext* ctx, const PictureRegion* table, POINT p, RECT* placed) {
    const uint8_t model = modelOf(ctx);
    for (const PictureRegion* r = table; r && r->value; ++r) {
        if (r->modelId != model) continue;
        if (r->requiredItem && ItemValueById(ctx, r->requiredItem) != 1) continue;
        if (r->secondItem && ItemValueById(ctx, r->secondItem) != r->secondValue) continue;
        RECT at{r->left, r->top, r->right, r->bottom};
        if (r->shiftItem && ItemValueById(ctx, r->shiftItem) == 1)
            at = RECT{at.left + r->dx, at.top + r->dy, at.right + r->dx, at.bottom + r->dy};
        if (p.x < at.left || p.x >= at.right || p.y < at.top || p.y >= at.bottom) continue;
        if (placed) *placed = at;
        return r;
    }
    return nullptr;
}

const PictureRegion* PrinterPictureRegionAt(DrvContext* ctx, UiPage* page, POINT p, int* listId, RECT* placed) {
    if (listUsable(ctx, page, kSourceList))
        if (const PictureRegion* r = PictureRegionAt(ctx, GetBuiltinTable8(), p, placed)) {
            *listId = kSourceList;
            return r;
        }
    if (listUsable(ctx, page, kOutputList))
        if (const PictureRegion* r = PictureRegionAt(ctx, GetBuiltinTable9(), p, placed)) {
            *listId = kOutputList;
            return r;
        }
    return nullptr;
}

}  // namespace vesk
