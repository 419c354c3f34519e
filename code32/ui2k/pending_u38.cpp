// Functions of the interface library that are still to come, each with a
// "not done" body: the failure or empty result.
#include "hooks/page_hooks.h"

namespace vesk {

int InstallOptionsHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }

}  // namespace vesk
