// The small pages PageCtrlChanged handles itself, one function a page, each
// with the dispatcher's result (1 handled, 0 the generic path goes on).
#pragma once
#include <win/user.h>

#include "core/context.h"

namespace vesk {

struct HookMsg {
    DrvContext* ctx;
    UiPage* page;
    UiControl* control;  // null for a page-level message
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    // A WM_COMMAND whose low word is the control's id.
    bool isCommandOf(int id) const {
        return message == WM_COMMAND && control && control->id == id && LOWORD(wParam) == id;
    }
    // A page-level button command (OK 1, Cancel 2).
    bool isPageCommand(int id) const {
        return message == WM_COMMAND && LOWORD(wParam) == id && (!control || control->id == id);
    }
    UINT code() const { return HIWORD(wParam); }
    int controlId() const { return control ? control->id : 0; }
};

int PresetPageChanged(const HookMsg& m);        // 1001
int InitialSettingsChanged(const HookMsg& m);   // 1010
int TrayNamesChanged(const HookMsg& m);         // 1015
int PrintTypeChanged(const HookMsg& m);         // 1019
int MarginPageChanged(const HookMsg& m);        // 1024
int ConfirmPageChanged(const HookMsg& m);       // 1027
int TrayStatusChanged(const HookMsg& m);        // 1030, 1031
int SavePresetChanged(const HookMsg& m);        // 1032

// Shared steps: the change pipeline of the preset list 2001 for the
// current value of item 41, and a warning box that focuses a control.
void PresetListChanged(DrvContext* ctx, UiPage* page);
int WarnAndFocus(const HookMsg& m, uint16_t messageId, int focusId);
// The model's value ids of an option in list order; the number written.
int OptionValueIds(DrvContext* ctx, int optionId, uint32_t* out, int capacity);

}  // namespace vesk
