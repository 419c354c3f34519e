// The resource libraries of a context (strings, icons and dialogs in the
// display language; bitmaps), loaded on first use and freed with the
// context; strings with the current value of an option appended; message
// boxes; the wait window; the window fix-up of the property sheets.
#pragma once
#include <win/user.h>

#include "core/context.h"

namespace vesk {

// Loads string `stringId` of the context's string library into `buffer` of
// `capacity` characters (always terminated; empty when there is none), with
// the value suffixes when `suffix` is set. The characters loaded.
int ResLoadString(DrvContext* ctx, uint32_t stringId, WCHAR* buffer, size_t capacity, int suffix);

// The library handle, loaded by its full path on the first call; null when
// it cannot be loaded (the next call tries again).
HMODULE ResGetStringDll(DrvContext* ctx);
HMODULE ResGetBmpDll(DrvContext* ctx);
// Frees whichever library is loaded; both handles become null.
void ResFreeDlls(DrvContext* ctx);
// Applies the value-suffix row of `stringId` to the text in `buffer` of
// `capacity` characters: kind 1 appends ":" and an option's text, kind 2
// replaces it by a free-size slot's name and size, kind 3 by the unit label.
// Never writes past the capacity. 1 when a row applied, else 0.
int ResAppendValueText(DrvContext* ctx, uint32_t stringId, WCHAR* buffer, size_t capacity);
// LoadBitmapW from the bitmap library; null without it.
HBITMAP ResLoadBitmapId(DrvContext* ctx, uint32_t bitmapId);
// Draws icon `iconId` of the string library at (0, 0) of the window.
void DrawIconToWindow(DrvContext* ctx, HWND window, uint32_t iconId);
// Draws icon `iconId` of the string library at (x, y); 0 when not drawn.
int DrawResIcon(DrvContext* ctx, HDC dc, int x, int y, uint32_t iconId);

// A message-box request (fields in the order callers fill them).
struct MsgBoxRequest {
    uint16_t messageId;
    uint16_t captionId;      // 0: the printer's name
    uint16_t iconStyle;      // MB_ICON*
    uint16_t buttonStyle;    // MB_OK, MB_OKCANCEL
    const WCHAR* leading;    // optional, before the message
    uint16_t argKind;        // 0 none, 1 a wide string, 2 16-bit values
    uint16_t valueCount;     // kind 2: 1 to 8
    const void* argument;
    const WCHAR* trailing;   // optional, after the message
};
constexpr uint16_t kMsgArgNone = 0;
constexpr uint16_t kMsgArgText = 1;
constexpr uint16_t kMsgArgValues = 2;

// MessageBoxW's answer, or 0 for a missing or inconsistent request (an
// argument with kind 0, kind 2 with no values) or a buffer that cannot be
// allocated.
int MsgBoxShow(DrvContext* ctx, const MsgBoxRequest* request, HWND owner);
// Warning box of a message with the printer's name as caption; OK, or OK and
// Cancel with `cancel`; a null owner means the active window.
int MsgBoxSimple(DrvContext* ctx, HWND owner, uint16_t messageId, int cancel);
int MsgBoxOk(DrvContext* ctx, HWND owner, uint16_t messageId);
int MsgBoxOkCancel(DrvContext* ctx, HWND owner, uint16_t messageId);
// The same with MB_OK and `text` as the message's one string argument.
int MsgBoxWithText(DrvContext* ctx, HWND owner, uint16_t messageId, const WCHAR* text);

// The modeless wait window (dialog 4006 of the string library) titled with
// the printer's name, control 5005 showing message `messageId`. Null when the
// dialog cannot be made.
HWND WaitDialogCreate(DrvContext* ctx, uint16_t messageId);
void WaitDialogDestroy(HWND window);

// Sets the window procedure of each child of `parent` back to its class's
// own when a drawing application known to subclass them is running.
void FixAppWindowProcs(DrvContext* ctx, HWND parent);

}  // namespace vesk
