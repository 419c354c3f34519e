#include "common_calls/start_doc_steps.h"

#include "core/pending_capabilities.h"

namespace vesk {

int OptLoadClassesGr(DrvContext* ctx) {
    int all = 1;
    for (int optionClass = 1; optionClass <= 3; ++optionClass)
        if (!OptionClassLoad(ctx, optionClass)) all = 0;
    return all;
}

int BidiIniApplyAtStartDoc(DrvContext*) { return 0; }

int JcStartDocHandover(DrvContext*, HANDLE, DWORD) { return 1; }

}  // namespace vesk
