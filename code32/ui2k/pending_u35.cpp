// Functions of the interface library that are still to come, each with a
// "not done" body: the failure or empty result.
#include "controls/ctl_ops.h"
#include "pipeline/ui_pipeline.h"

namespace vesk {

void CtlStaticShow(DrvContext*, UiPage*, UiControl*) {}
int CtlPictureClick(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
void CtlPictureShow(DrvContext*, UiPage*, UiControl*) {}
void CtlIconShow(DrvContext*, UiPage*, UiControl*) {}
int CtlCheckClick(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
void CtlCheckShow(DrvContext*, UiPage*, UiControl*) {}
int CtlCheckCommand(DrvContext*, UiPage*, UiControl*, WPARAM, LPARAM) { return 0; }
int CtlRadioClick(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
void CtlRadioShow(DrvContext*, UiPage*, UiControl*) {}
int CtlRadioCommand(DrvContext*, UiPage*, UiControl*, WPARAM, LPARAM) { return 0; }
int CtlListInit(DrvContext*, UiPage*, UiControl*) { return 0; }
void ListShowValue(DrvContext*, UiPage*, UiControl*) {}
int CtlListCommand(DrvContext*, UiPage*, UiControl*, WPARAM, LPARAM) { return 0; }
int CtlImageListInit(DrvContext*, UiPage*, UiControl*) { return 0; }
int CtlImageListMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlCheckListMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlComboInit(DrvContext*, UiPage*, UiControl*) { return 0; }
void ComboShowValue(DrvContext*, UiPage*, UiControl*) {}
void CtlComboShow(DrvContext*, UiPage*, UiControl*) {}
int CtlComboCommand(DrvContext*, UiPage*, UiControl*, WPARAM, LPARAM) { return 0; }
int CtlComboMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlInit(DrvContext*, UiPage*, UiControl*) { return 0; }
void CtlShowValue(DrvContext*, UiPage*, UiControl*) {}
int CtlCommand(DrvContext*, UiPage*, UiControl*, WPARAM, LPARAM) { return 0; }
int CtlMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlWmCommand(DrvContext*, UiPage*, UiControl*, WPARAM, LPARAM) { return 0; }
int CtlDispatchMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlSelectByData(DrvContext*, UiPage*, int, uint32_t) { return 0; }
int ItemsAnyChanged(DrvContext*) { return 0; }
void ItemsClearChanged(DrvContext*) {}
void PageFitAndShow(DrvContext*, HWND) {}
int OptChangeFromControl(DrvContext*, UiPage*, UiControl*, uint32_t, int) { return 0; }
int OptChangeFromControlAlias(DrvContext*, UiPage*, UiControl*, uint32_t) { return 0; }
int OptCheckConflict(DrvContext*, UiPage*, uint32_t) { return 0; }
int ConflictMessageBox(DrvContext*, uint32_t, HWND) { return 0; }
int OptApplyDependents(DrvContext*, UiPage*, uint32_t, uint32_t) { return 0; }
void OptUpdateScaling(DrvContext*, uint32_t) {}
void OnOptionControlChanged(DrvContext*, UiPage*, int) {}
UiControl* CtlHitTest(UiPage*, int, int) { return nullptr; }
int OnFileButton(DrvContext*, int, int, HWND) { return 0; }
int UiFileExists(const WCHAR*) { return 0; }
int FileIsListed(DrvContext*, const WCHAR*) { return 0; }
void HelpTipShow(DrvContext*, UiPage*, UiControl*, int, int, int) {}
void HelpTipHide(DrvContext*) {}

}  // namespace vesk
