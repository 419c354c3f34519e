// Functions of the interface library that are still to come, each with a
// "not done" body: the failure or empty result.
#include "hooks/page_hooks.h"

namespace vesk {

int PageCtrlChanged(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int UiTablesPrepare(DrvContext*) { return 0; }
void PagesRefreshCtrls(DrvContext*, const PageCtrlPair*) {}
void PagesRefreshCtrl2007(DrvContext*) {}
void PagesRefreshCtrls2011(DrvContext*) {}
void PagesRefreshCtrls2017(DrvContext*) {}
void PagesRefreshCtrls2085(DrvContext*) {}
void PagesRefreshPresetLists(DrvContext*) {}
void PagesRefreshStampList(DrvContext*) {}
int StatusCtlPaint(DrvContext*, UiPage*, UiControl*, UINT, int) { return 0; }
int StrHasNoComma(const WCHAR*) { return 0; }
int StrIsDialChars(const WCHAR*) { return 0; }
int CtlComboSelectString(DrvContext*, UiPage*, int, const WCHAR*) { return 0; }
int PageQualityHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int PageAddressHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int PageAddressListHook(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int AddressPageValidate(DrvContext*, UiPage*) { return 0; }

}  // namespace vesk
