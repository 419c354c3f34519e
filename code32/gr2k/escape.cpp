// DrvEscape. The escapes the driver serves are not built yet: every escape
// is refused as an unsupported one is (0). The device is checked first, as by
// every driver function: a record that is not the driver's sets
// ERROR_INVALID_PARAMETER.
#include "driver_functions.h"
#include "pdev.h"

extern "C" ULONG APIENTRY DrvEscape(SURFOBJ* pso, ULONG, ULONG, PVOID, ULONG, PVOID) {
    vesk::PdevFromSurface(pso);
    return 0;
}
