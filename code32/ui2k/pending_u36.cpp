// Functions of the interface library that are still to come, each with a
// "not done" body: the failure or empty result.
#include "controls/ctl_ops.h"
#include "pictures/pictures.h"
#include "widgets/widgets.h"

namespace vesk {

int CtlEditInit(DrvContext*, UiPage*, UiControl*) { return 0; }
void CtlEditShow(DrvContext*, UiPage*, UiControl*) {}
int CtlEditCommand(DrvContext*, UiPage*, UiControl*, WPARAM, LPARAM) { return 0; }
int CtlNumEditInit(DrvContext*, UiPage*, UiControl*) { return 0; }
void CtlNumEditShow(DrvContext*, UiPage*, UiControl*) {}
int CtlNumEditCommand(DrvContext*, UiPage*, UiControl*, WPARAM, LPARAM) { return 0; }
int CtlNumEditMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlSpinInit(DrvContext*, UiPage*, UiControl*) { return 0; }
void CtlSpinShow(DrvContext*, UiPage*, UiControl*) {}
int CtlSpinMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlSliderInit(DrvContext*, UiPage*, UiControl*) { return 0; }
void CtlSliderShow(DrvContext*, UiPage*, UiControl*) {}
void CtlThumbSliderShow(DrvContext*, UiPage*, UiControl*) {}
int CtlSliderMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlTrackbarInit(DrvContext*, UiPage*, UiControl*) { return 0; }
void CtlTrackbarShow(DrvContext*, UiPage*, UiControl*) {}
int CtlTrackbarMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlButtonInit(DrvContext*, UiPage*, UiControl*) { return 0; }
int CtlButtonCommand(DrvContext*, UiPage*, UiControl*, WPARAM, LPARAM) { return 0; }
int CtlButtonMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlPresetListInit(DrvContext*, UiPage*, UiControl*) { return 0; }
int CtlPresetListCommand(DrvContext*, UiPage*, UiControl*, WPARAM, LPARAM) { return 0; }
int CtlPresetListMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlTabInit(DrvContext*, UiPage*, UiControl*) { return 0; }
int CtlTabMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
int CtlTreeInit(DrvContext*, UiPage*, UiControl*) { return 0; }
int CtlNoMessage(DrvContext*, UiPage*, UiControl*, UINT, WPARAM, LPARAM) { return 0; }
LRESULT CALLBACK CtlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}
LRESULT CALLBACK CtlButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}
void PreviewDrawImage(DrvContext*, UiPage*, UiControl*, HWND, const RECT*, int, uint32_t, int) {}
void PreviewComposeBegin(DrvContext*) {}
void PreviewComposeEnd(DrvContext*, HWND, const RECT*) {}
void DrawBitmapComposite(DrvContext*, UiPage*, UiControl*, HDC, const RECT*, int, int, HBITMAP, uint32_t, int) {}
COLORREF ColorAdjust(DrvContext*, COLORREF, int) { return 0; }
HBITMAP BmpLoadFile(const WCHAR*, int*, int*) { return nullptr; }
const CtlCellSize* CtlCellSizeFind(int) { return nullptr; }
HDC CtlGetPaintDC(DrvContext*, HWND) { return nullptr; }
void CtlReleasePaintDC(DrvContext*, HWND, HDC) {}
void TextExtent(HDC, const WCHAR*, SIZE*) {}
void FillSolidRect(HDC, const RECT*, COLORREF) {}
int DrawButtonFace(DrvContext*, UiPage*, UiControl*, HWND, HDC, const RECT*, uint32_t, int, int) { return 0; }
void CtlPictureDraw(DrvContext*, UiPage*, UiControl*, HDC) {}

}  // namespace vesk
