#include "core/validation/paper_codes.h"

#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/validation/free_size_slots.h"

namespace vesk {
namespace {
int slotIndexOf(DrvContext* ctx, int itemId) {
    if (!ctx) return -1;
    const int16_t code = static_cast<int16_t>(ItemRawById(ctx, itemId));
    if (!IsDriverPaperSize(code)) return -1;
    return static_cast<uint16_t>(FreeSizeSlotFromPaper(code));
}
}  // namespace

int IsStandardPaperSize(int16_t code) {
    return ((code >= 1 && code <= 118) || code == 256 || code == 513 || code == 514 || code == 517) ? 1 : 0;
}

int IsDriverPaperSize(int16_t code) { return IsFreeSizePaper(code); }

int IsKnownPaperSize(int16_t code) { return (IsStandardPaperSize(code) || IsDriverPaperSize(code)) ? 1 : 0; }

int IsPaperValue1024(int16_t code) { return code == 1024 ? 1 : 0; }

int IsFreeSizeSlotPaper(int16_t code) {
    if (code == 0) return 0;
    for (int slot = 0; slot < GetFreeSizeSlotCount(); ++slot)
        if (FreeSizePaperFromSlot(slot) == code) return 1;
    return 0;
}

int GetPaperSizeIndex(DrvContext* ctx) { return slotIndexOf(ctx, kItDmPaperSize); }
int GetOutputPaperSizeIndex(DrvContext* ctx) { return slotIndexOf(ctx, kItRdmOutPaperSize); }

}  // namespace vesk
