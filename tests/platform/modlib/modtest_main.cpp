// A module with a DllMain: keeps what its attach received and calls back
// into the loader from inside DllMain (the loader lock is held then).
#include <win/modules.h>

#define EXPORT extern "C" __attribute__((visibility("default")))

namespace {
HINSTANCE g_self = nullptr;
int g_attaches = 0;
FARPROC g_selfLookup = nullptr;
}  // namespace

EXPORT int ModTestAdd(int a, int b) { return a + b; }

EXPORT BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        g_self = module;
        ++g_attaches;
        g_selfLookup = GetProcAddress(module, "ModTestAdd");
    } else if (reason == DLL_PROCESS_DETACH) {
        // Leaves a trace in the platform's journal that outlives the module.
        GetModuleHandleW(u"modtest-main-detached");
    }
    return TRUE;
}

EXPORT HINSTANCE ModTestAttachedHandle() { return g_self; }
EXPORT int ModTestAttachCount() { return g_attaches; }
EXPORT FARPROC ModTestSelfLookup() { return g_selfLookup; }
