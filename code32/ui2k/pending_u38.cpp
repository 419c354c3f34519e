// Functions of the interface library that are still to come, each with a
// "not done" body: the failure or empty result.
#include "hooks/page_hooks.h"
#include "dialogs/file_dialogs.h"

namespace vesk {

int PresetMaintenanceHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int FontSubstPageHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int StampPagesHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int StatusPageHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int FreeSizeDialogHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int InstallOptionsHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int PresetFindByName(DrvContext*, const WCHAR*, int) { return -1; }
int PresetCheckDuplicates(DrvContext*, HWND, int) { return -1; }
bool PageIsFileDialog(const UiPage*) { return false; }
int FileDialogRun(DrvContext*, UiPage*, WCHAR*, size_t) { return 0; }
const WCHAR* GetLastChosenFilePath(DrvContext*) { return nullptr; }

}  // namespace vesk
