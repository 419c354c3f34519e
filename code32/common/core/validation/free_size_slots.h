// The ten free-size slots and the paper codes that select them: slots 0-8
// are paper codes 384-392, slot 9 is the user size 256.
#pragma once
#include <win/types.h>

namespace vesk {

constexpr int kFreeSizeSlotCount = 10;

int GetFreeSizeSlotCount();
int GetFreeSizeSlotCountConst();
// 1 for 256 and 384..392.
int IsFreeSizePaper(int32_t paperCode);
// The paper code of a slot, 0 for a number outside 0..9.
int32_t FreeSizePaperFromSlot(int32_t slot);
// The slot of a paper code, 0 for a code that selects none.
int32_t FreeSizeSlotFromPaper(int32_t paperCode);

}  // namespace vesk
