// The stand-ins of pending_capabilities.h, in its order: each answers
// "not done" until its capability is built.
#include "core/pending_capabilities.h"

namespace vesk {

// Settings files: the install step.
int QualityRedeploy(DrvContext*, const WCHAR*) { return 0; }

// Installer hand-over.
int HandoverApplyAtOpen(DrvContext*) { return 0; }

// Printer installation: every printer counts as installed plainly.
int PrinterInstallType(DrvContext*, uint32_t* type) {
    if (!type) return 0;
    *type = 0;
    return 1;
}
int InstallCheck(DrvContext*, int) { return 0; }


}  // namespace vesk
