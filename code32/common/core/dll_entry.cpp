// Library entry of every deliverable: the loader calls DllMain on load and
// unload. What differs between the libraries is their kLibraryIdentity.
#include "core/process.h"

extern "C" __attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) return vesk::processAttach(module);
    if (reason == DLL_PROCESS_DETACH) vesk::processDetach();
    return TRUE;
}
