// The stand-ins of pending_d25.h.
#include "core/deploy/pending_d25.h"

namespace vesk {

int CopyDefaultJobKeys(DrvContext*, int, const WCHAR*) { return 0; }

}  // namespace vesk
