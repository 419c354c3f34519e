// A module whose DllMain refuses the attach.
#include <win/modules.h>

#define EXPORT extern "C" __attribute__((visibility("default")))

EXPORT BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_DETACH) GetModuleHandleW(u"modtest-refuse-detached");
    return reason == DLL_PROCESS_ATTACH ? FALSE : TRUE;
}

EXPORT int ModRefuseValue() { return 1; }
