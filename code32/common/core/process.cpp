#include "core/process.h"

#include "core/context_cache.h"

namespace vesk {
namespace {
HINSTANCE g_module = nullptr;
}

BOOL processAttach(HINSTANCE module) {
    g_module = module;
    CtxCacheClear();
    return TRUE;
}

void processDetach() {
    // Every cached context is freed before the library goes away.
    CtxCacheFlush(1);
    g_module = nullptr;
}

HINSTANCE moduleHandle() { return g_module; }

}  // namespace vesk
