// The stand-ins of pending_capabilities.h, in its order: each answers
// "not done" until its capability is built.
#include "core/pending_capabilities.h"

namespace vesk {

// Settings files: the install step.
int QualityRedeploy(DrvContext*, const WCHAR*) { return 0; }

// Installer hand-over.
int HandoverApplyAtOpen(DrvContext*) { return 0; }

// Printer installation.
int InstallDeployPresetFiles(DrvContext*, uint32_t) { return 0; }

}  // namespace vesk
