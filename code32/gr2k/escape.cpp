// DrvEscape. The escapes the driver serves are not built yet: every escape
// is refused as an unsupported one is (0), after the device check every
// driver function makes.
#include "driver_functions.h"
#include "pdev.h"

extern "C" ULONG APIENTRY DrvEscape(SURFOBJ* pso, ULONG, ULONG, PVOID, ULONG, PVOID) {
    if (!vesk::PdevFromSurface(pso)) return 0;
    return 0;
}
