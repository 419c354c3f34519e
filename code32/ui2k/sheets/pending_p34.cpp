// The page tables' preparation, which the page-hook code brings; it answers
// "not done" (nothing prepared) until then.
#include "sheets/pending_p34.h"

namespace vesk {

int UiTablesPrepare(DrvContext*) { return 0; }

}  // namespace vesk
