#include "core/process.h"

namespace vesk {
namespace {
HINSTANCE g_module = nullptr;
}

BOOL processAttach(HINSTANCE module) {
    g_module = module;
    return TRUE;
}

void processDetach() { g_module = nullptr; }

HINSTANCE moduleHandle() { return g_module; }

}  // namespace vesk
