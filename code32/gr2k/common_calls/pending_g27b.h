// Stand-in of a common function another change builds; removed when it lands.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The preset conditions of `source` copied into `target` under the import
// flags.
void CopyPresetConditions(const WCHAR* target, const WCHAR* source, uint32_t importFlags, DrvContext* ctx);

}  // namespace vesk
