// Stand-ins of pending_h26.h: each answers "not done".
#include "core/handover/pending_h26.h"

namespace vesk {

int ImportBundleSettings(const WCHAR*, DrvContext*) { return 0; }
int InstallDefaultRstOnce(uint32_t, int, DrvContext*) { return 0; }
int PresetsInstallList(const WCHAR*, const WCHAR*, uint32_t, DrvContext*, int, const void*) { return 0; }
int QualitiesInstallList(const WCHAR*, const WCHAR*, uint32_t, DrvContext*) { return 0; }
int CopyDefaultJobKeys(DrvContext*, int, const WCHAR*) { return 0; }

}  // namespace vesk
