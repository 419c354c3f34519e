#include "core/validation/option_helpers.h"

#include "core/item_ids.h"
#include "core/item_store.h"

namespace vesk {

int NupKindFromType(uint32_t type, int* outFlag) {
    if (outFlag) *outFlag = type == 3 ? 2 : 1;
    switch (type) {
    case 1: case 2: case 3: return 1;
    case 33: case 34: case 37: case 38: return 2;
    case 65: case 66: case 69: case 70: return 3;
    case 97: case 98: case 101: case 102: return 4;
    case 32769: case 32770: case 32771: return 9;
    default: return 0;
    }
}

int32_t GetOptionValue63Or120(DrvContext* ctx) {
    if (!ctx || !ItemRawById(ctx, kItRdmFuncSelectWaterMark)) return -1;
    return static_cast<int32_t>(ItemRawById(ctx, kItRdmWmID));
}

int32_t GetOption188Offset(DrvContext* ctx) {
    if (!ctx || ItemRawById(ctx, kItRdmUseUserMacro) != 1) return -1;
    return static_cast<int32_t>(ItemValueById(ctx, kItRdmUserPrintMacro)) - 135;
}

}  // namespace vesk
