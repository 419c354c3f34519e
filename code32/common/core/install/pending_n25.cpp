// The stand-ins of pending_n25.h, in its order: each answers "not done"
// (nothing read, run or written).
#include "core/install/pending_n25.h"

namespace vesk {

int VeskIniHasWorkFor(const WCHAR*) { return 0; }
void RunExpandFiles(DrvContext*) {}
int InstApplyVeskIni(DrvContext*) { return 0; }
int InstApplyDefaultRst(uint32_t, DrvContext*, int) { return 0; }

int ApplyWorkDirectorySetupIni(HANDLE, const WCHAR*, DrvContext*) { return 0; }
int ApplySpoolDirectory(const WCHAR*, const WCHAR*, DrvContext*) { return 0; }

}  // namespace vesk
