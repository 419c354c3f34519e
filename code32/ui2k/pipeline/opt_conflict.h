// What the page procedure and the change pipeline share about conflicts.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Posted to a page: show the conflict of key lParam for control wParam.
constexpr UINT kMsgShowConflict = 0x8001;
// The conflict entry of `option` with message key `key`, 0 when none.
uint32_t OptConflictEntry(DrvContext* ctx, uint32_t option, uint16_t key);

}  // namespace vesk
