// Functions of the install sequence this folder calls before they are
// built: each answers "not done".
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Writes or copies the default-job keys (mode 0 from the setup INI; modes
// 1, 3 and 4 write `value` under the rows of that kind). 0 not done.
int CopyDefaultJobKeys(DrvContext* ctx, int mode, const WCHAR* value);

}  // namespace vesk
