// What the page hooks keep per context: the address book while a remote or
// address dialog has it open, and the context's own copies of the two
// shared attributes that UiTablesPrepare rewrites (kept per context so two
// sheets of one process never share them).
#pragma once
#include "address/csv_store.h"
#include "core/context.h"

namespace vesk {

// What the preset maintenance dialog captured of the device information:
// pairs of an item's index in the context's item table and its raw value,
// ended by index 0; stored back once the dialog is closed.
struct DevInfoPair {
    int32_t itemIndex;
    uint32_t value;
};

struct HookState {
    CsvStore address;
    uint32_t addressLoaded;     // the store is allocated
    uint16_t addressOwnerPage;  // the page whose init loaded it (1034, or 1035 alone)
    UiAttrPicture pictureCopy;  // kind 1 of 1021/2249, control ids as item ids
    UiAttrPreview previewCopy;  // kind 8 of 1002/2039, keys as item ids
    DevInfoPair* devInfoCapture;  // null when none is waiting
};

// The context's hook state; made on first use when `create` is set. Null
// without a workspace or when memory is short.
HookState* HookStateOf(DrvContext* ctx, bool create);
// Keeps a copy of `count` pairs (an end pair is added) for the restore after
// the maintenance dialog; 1, or 0 when memory is short.
int DevInfoCaptureListSet(DrvContext* ctx, const DevInfoPair* pairs, int count);
void DevInfoCaptureListFree(DrvContext* ctx);

}  // namespace vesk
