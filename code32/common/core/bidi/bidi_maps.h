// The value maps of the device query: what the device's codes mean to the
// driver's items. Lookups answer the first row whose device value matches,
// 0 when none does.
#pragma once
#include <win/types.h>

#include <cstddef>

namespace vesk {

// The items of one tray, by its device tray value (0: the tray has none).
struct BidiTrayItems {
    uint32_t trayValue;
    uint16_t installed;
    uint16_t orientation;
    uint16_t paper;
    uint16_t media;
    uint16_t lock;
};
const BidiTrayItems* BidiTrayItemsOf(uint32_t trayValue);

// The tray code items 10276 and 10277 hold for a device tray value.
uint32_t BidiTrayCode(uint32_t trayValue);
// Position of a device tray value in the cover/mark tray priority (0 best);
// -1 when it is not listed.
int BidiTrayPriority(uint32_t trayValue);
uint32_t BidiTrayPriorityValue(size_t position);
size_t BidiTrayPriorityCount();

// Paper code of a device paper value and the orientation it implies (the
// first map: 0, else the second: 1); 0 for no paper (the codes 2048 and
// 2049 included).
uint32_t BidiPaperCode(uint32_t devicePaper, uint32_t* orientation);
// Media code of a device media value; 0 for none.
uint32_t BidiMediaCode(uint32_t deviceMedia);
// The installed-option item of a device option value.
uint16_t BidiOptionItem(uint32_t deviceOption);

}  // namespace vesk
