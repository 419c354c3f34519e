#include "core/process.h"

#include "core/context_cache.h"
#include "core/context_spare.h"
#include "core/locks.h"
#include "core/model/cache.h"
#include "core/terminal_server.h"

namespace vesk {
namespace {
HINSTANCE g_module = nullptr;
}

BOOL processAttach(HINSTANCE module) {
    g_module = module;
    LocksInit();
    CtxSpareTables(true);
    return TRUE;
}

void processDetach() {
    // Every cached context is freed before the library goes away, then the
    // compiled models they shared, so no context outlives its model.
    CtxCacheFlush(1);
    CtxSpareTables(false);
    MdlCacheFreeAll();
    LocksTerm();
    TsForget();
    g_module = nullptr;
}

HINSTANCE moduleHandle() { return g_module; }

}  // namespace vesk
