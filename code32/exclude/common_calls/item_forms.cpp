#include "common_calls/item_forms.h"

#include "core/devmode/dm_paper.h"
#include "core/library_profile.h"

namespace vesk {

void DmSetSrcPaperItemsCoreExc(DrvContext* ctx, int16_t paper, uint16_t paperItem, BYTE* devmode, int swap) {
    DmSetSrcPaperItemsCoreFor(ctx, paper, paperItem, devmode, swap, ProfileOf(LibraryId::Exc));
}

}  // namespace vesk
