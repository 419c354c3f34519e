// Library entry: the loader calls DllMain on load and unload.
#include "core/process.h"
#include "core/library_identity.h"

namespace vesk {
const LibProfile& libProfile() {
    static const LibProfile p{LibraryId::Gr, "veskgr", false};
    return p;
}
}  // namespace vesk


extern "C" __attribute__((visibility("default"))) BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) return vesk::processAttach(module);
    if (reason == DLL_PROCESS_DETACH) vesk::processDetach();
    return TRUE;
}
