// Process attach and detach of a deliverable: the module handle and the
// process-wide state that each library keeps for itself.
#pragma once
#include <win/types.h>

namespace vesk {

// Called from each library's DllMain. Attach records the module handle.
BOOL processAttach(HINSTANCE module);
void processDetach();
// The module handle recorded at attach (null before).
HINSTANCE moduleHandle();

}  // namespace vesk
