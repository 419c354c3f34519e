#include "core/validation/free_size_slots.h"

namespace vesk {
namespace {
constexpr int32_t kFirstNumbered = 384;  // slot 0
constexpr int32_t kUserSize = 256;       // the last slot
}  // namespace

int GetFreeSizeSlotCount() { return kFreeSizeSlotCount; }
int GetFreeSizeSlotCountConst() { return kFreeSizeSlotCount; }

int IsFreeSizePaper(int32_t paperCode) {
    return (paperCode == kUserSize || (paperCode >= kFirstNumbered && paperCode < kFirstNumbered + kFreeSizeSlotCount - 1))
               ? 1
               : 0;
}

int32_t FreeSizePaperFromSlot(int32_t slot) {
    if (slot < 0 || slot >= kFreeSizeSlotCount) return 0;
    return slot == kFreeSizeSlotCount - 1 ? kUserSize : kFirstNumbered + slot;
}

int32_t FreeSizeSlotFromPaper(int32_t paperCode) {
    if (!IsFreeSizePaper(paperCode)) return 0;
    return paperCode == kUserSize ? kFreeSizeSlotCount - 1 : paperCode - kFirstNumbered;
}

}  // namespace vesk
