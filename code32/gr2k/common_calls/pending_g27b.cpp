#include "common_calls/pending_g27b.h"

namespace vesk {

// Not done: copies nothing until the preset deployment lands.
void CopyPresetConditions(const WCHAR*, const WCHAR*, uint32_t, DrvContext*) {}

}  // namespace vesk
