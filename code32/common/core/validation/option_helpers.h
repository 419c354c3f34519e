// Small questions over the layout and watermark options.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The N-up kind (rdmNUPPOSTKind) that goes with an N-up type (rdmNUPType):
// 1 for types 1-3, 2 for 33, 34, 37, 38, 3 for 65, 66, 69, 70, 4 for 97,
// 98, 101, 102, 9 for 32769-32771, 0 for any other type. *outFlag (may be
// null) is 2 for type 3, else 1.
int NupKindFromType(uint32_t type, int* outFlag);
// The raw watermark id (item 120) while watermarks are on (item 63), else -1.
int32_t GetOptionValue63Or120(DrvContext* ctx);
// While the user macro is on (item 185 is 1): the user print macro's
// logical value (item 188) less 135; else -1.
int32_t GetOption188Offset(DrvContext* ctx);

}  // namespace vesk
