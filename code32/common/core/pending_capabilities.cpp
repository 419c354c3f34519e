// The stand-ins of pending_capabilities.h, in its order: each answers
// "not done" until its capability is built.
#include "core/pending_capabilities.h"

#include <atomic>

namespace vesk {

// Settings files: list, job-control and install steps.
int ImportListSteps(DrvContext*) { return 0; }
int ExportListSteps(DrvContext*) { return 0; }
int JobControlRefresh(DrvContext*) { return 0; }
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

// Free sizes, quality lists and stamps.
int FreeSizePaper(DrvContext*, int, int32_t*, int32_t*) { return 0; }
int LoadQualityByIndex(DrvContext*, uint32_t) { return 0; }
int LoadStampByIndex(DrvContext*, uint32_t) { return 0; }

// Preset list.
namespace {
std::atomic<int> g_presetCountForTests{-1};
}  // namespace
int GetPresetCount(DrvContext*) {
    const int n = g_presetCountForTests.load();
    return n < 0 ? 0 : n;
}
void SetPresetCountForTests(int count) { g_presetCountForTests.store(count); }

// Capability summary.
int DmApplyCapabilitySummary(DrvContext*, BYTE*, uint32_t*) { return 0; }

// User code.
int UpdateProviderUserCodeFlags(DrvContext*) { return 0; }
int LoadUserCodeOnMerge(DrvContext*) { return 0; }

// Job control.
int JobControlFetchItems(DrvContext*, uint32_t) { return 0; }

}  // namespace vesk
