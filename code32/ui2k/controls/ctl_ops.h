// The control-type table: for each control type code the handlers the page
// machinery calls (click, init, show, command, message) and the window
// procedure installed on the control. The page code never looks at the kind
// of a control; it finds the row of its type and calls the right column.
#pragma once
#include <win/types.h>
#include <win/user.h>

#include "core/context.h"

namespace vesk {

// A left-button release on the control: nonzero when the value changed.
using CtlClickFn = int (*)(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                           LPARAM lParam);
// Fills the control when its page or dialog opens; 0 as a rule.
using CtlInitFn = int (*)(DrvContext* ctx, UiPage* page, UiControl* control);
// Shows the bound item's current value.
using CtlShowFn = void (*)(DrvContext* ctx, UiPage* page, UiControl* control);
// WM_COMMAND of the control: 1 when handled. wParam 0x10000 with lParam 0
// means a selection change made by the program.
using CtlCommandFn = int (*)(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
// Any other message offered to the control: 1 when handled.
using CtlMessageFn = int (*)(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                             LPARAM lParam);

struct CtlTypeRow {
    uint16_t code;
    CtlClickFn click;
    CtlInitFn init;
    CtlShowFn show;
    CtlCommandFn command;
    CtlMessageFn message;
    WNDPROC windowProc;
};

constexpr int kCtlTypeRows = 33;
extern const CtlTypeRow kCtlTypeOps[kCtlTypeRows];

// The row whose code equals the low 16 bits of `type`, else null.
const CtlTypeRow* CtlTypeFind(uint32_t type);

// ---- Selection controls: static texts, pictures, icons, check boxes,
// radio buttons, list and combo boxes (controls/) ----
void CtlStaticShow(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlPictureClick(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
void CtlPictureShow(DrvContext* ctx, UiPage* page, UiControl* control);
void CtlIconShow(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlCheckClick(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
void CtlCheckShow(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlCheckCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
int CtlRadioClick(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
void CtlRadioShow(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlRadioCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
int CtlListInit(DrvContext* ctx, UiPage* page, UiControl* control);
void ListShowValue(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlListCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
int CtlImageListInit(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlImageListMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                        LPARAM lParam);
int CtlCheckListMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                        LPARAM lParam);
int CtlComboInit(DrvContext* ctx, UiPage* page, UiControl* control);
void ComboShowValue(DrvContext* ctx, UiPage* page, UiControl* control);
void CtlComboShow(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlComboCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
int CtlComboMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                    LPARAM lParam);

// ---- Edits, numeric edits, spins, sliders, trackbars; push buttons, the
// preset list, tabs and tree; the control window procedures (widgets/) ----
int CtlEditInit(DrvContext* ctx, UiPage* page, UiControl* control);
void CtlEditShow(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlEditCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
int CtlNumEditInit(DrvContext* ctx, UiPage* page, UiControl* control);
void CtlNumEditShow(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlNumEditCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
int CtlNumEditMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                      LPARAM lParam);
int CtlSpinInit(DrvContext* ctx, UiPage* page, UiControl* control);
void CtlSpinShow(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlSpinMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
int CtlSliderInit(DrvContext* ctx, UiPage* page, UiControl* control);
void CtlSliderShow(DrvContext* ctx, UiPage* page, UiControl* control);
void CtlThumbSliderShow(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlSliderMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                     LPARAM lParam);
int CtlTrackbarInit(DrvContext* ctx, UiPage* page, UiControl* control);
void CtlTrackbarShow(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlTrackbarMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                       LPARAM lParam);
int CtlButtonInit(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlButtonCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
int CtlButtonMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                     LPARAM lParam);
int CtlPresetListInit(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlPresetListCommand(DrvContext* ctx, UiPage* page, UiControl* control, WPARAM wParam, LPARAM lParam);
int CtlPresetListMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam,
                         LPARAM lParam);
int CtlTabInit(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlTabMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
int CtlTreeInit(DrvContext* ctx, UiPage* page, UiControl* control);
int CtlNoMessage(DrvContext* ctx, UiPage* page, UiControl* control, UINT message, WPARAM wParam, LPARAM lParam);
// Subclass procedures: the window's user data is the control record.
LRESULT CALLBACK CtlWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK CtlButtonWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace vesk
