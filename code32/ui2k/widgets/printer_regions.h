// The clickable regions of the printer picture (control 2067 of the basic
// page): where a tray of the source list 2007 or the output list 2066 lies
// in the picture, per model, with the installed option a region needs and
// the option that moves it.
#pragma once
#include <win/types.h>
#include <win/user.h>

#include <cstdint>

#include "core/context.h"

namespace vesk {

struct PictureRegion {
    uint8_t modelId;
    int32_t left, top, right, bottom;  // client pixels of the picture
    uint16_t requiredItem;             // must be 1; 0 none
    uint16_t value;                    // the list entry's data; 0 ends the table
    uint16_t secondItem;               // must hold secondValue; 0 none
    uint32_t secondValue;
    uint16_t shiftItem;                // 1 moves the region by (dx, dy); 0 none
    int32_t dx, dy;
};

// The regions of the source list 2007 and of the output list 2066.
const PictureRegion* GetBuiltinTable8();
const PictureRegion* GetBuiltinTable9();

// The first region of `table` that counts for the context (its model, its
// required and second items) and holds `point`, with its rectangle as
// placed (moved by the shift item) in *placed; null when none.
const PictureRegion* PictureRegionAt(DrvContext* ctx, const PictureRegion* table, POINT point, RECT* placed);

// The printer picture's region under `point` (client pixels): the source
// list's regions while the page's list 2007 is there and enabled, then the
// output list's by the same rule. The list's id goes to *listId.
const PictureRegion* PrinterPictureRegionAt(DrvContext* ctx, UiPage* page, POINT point, int* listId, RECT* placed);

}  // namespace vesk
