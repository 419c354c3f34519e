// What the page machinery keeps for one property-sheet session: the user's
// go-ahead of the last nested dialog, the apply and refresh guards, the
// file-button code of the file dialogs and the hover popup. It lives in the
// session (SheetSession::pageState), zeroed with it.
#pragma once
#include <win/types.h>
#include <win/user.h>

#include "core/context.h"

namespace vesk {

struct UiPageState {
    uint32_t proceedFlag;     // 1: keep what the last dialog changed
    uint32_t applying;        // set while PSN_APPLY runs
    uint32_t refreshing;      // OnOptionControlChanged is running
    uint32_t pictureRefresh;  // pictures repaint on the next refresh
    uint32_t fileButtonCode;  // 0, 5001 save, 5002 load, 5003 delete
    // Hover popup.
    HWND tipWindow;
    uint16_t tipControlId;
    int32_t tipKey;
    uint32_t tipTimer;        // 1 while the one-second timer runs
    HWND tipControlWindow;
    HWND tipPage;             // the page window that owns popup and timer
    uint16_t tipControlType;
    // Explanation icons: the one that last received the focus.
    HWND focusedIcon;
    HCURSOR savedCursor;      // nonzero while the hand is shown over an icon
    uint32_t handPressed;
};

// The page state of the context's session, null without a session.
UiPageState* UiPageStateOf(DrvContext* ctx);
// The go-ahead of the last nested dialog; 0 and ignored without a session.
uint32_t UiProceedFlag(DrvContext* ctx);
void UiSetProceedFlag(DrvContext* ctx, uint32_t value);
// The button pressed in the preset file dialog (0, 5001, 5002, 5003), which
// the launcher acts on; 0 and ignored without a session.
uint32_t UiFileButton(DrvContext* ctx);
void UiSetFileButton(DrvContext* ctx, uint32_t button);

}  // namespace vesk
