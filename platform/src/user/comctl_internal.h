// What the common controls share: WM_NOTIFY to the parent, text copies
// into callers' buffers, and the hooks by which the dump and the UI script
// reach each control.
#pragma once
#include <win/commctrl.h>
#include <win/wingdi.h>

#include <string>

#include "user/user_internal.h"

#pragma GCC visibility push(default)
namespace winsim::detail {

// Sends WM_NOTIFY to the control's parent with the record's head filled in
// (window, id, code); the parent's answer, 0 without a parent.
LRESULT notifyParent(HWND control, UINT code, NMHDR* record);
// Copies `text` into a caller's buffer of `capacity` characters (always
// terminated when capacity > 0); returns the characters copied.
int copyText(const std::u16string& text, LPWSTR buffer, int capacity);
// A caller's text, bounded; a null or callback pointer gives "".
std::u16string textOf(LPCWSTR text);
// Quoted for a dump line.
std::string dumpQuote(const std::u16string& text);

// Each control's dump state and script steps (`select`, `scroll`, `click`);
// false with a reason when the step does not fit the control.
bool listViewState(HWND h, winsim::ui::ControlState& s);
bool trackbarState(HWND h, winsim::ui::ControlState& s);
bool tabControlState(HWND h, winsim::ui::ControlState& s);
bool treeViewState(HWND h, winsim::ui::ControlState& s);
bool listViewSelect(HWND h, const winsim::ui::Step& step, std::string* error);
bool trackbarScroll(HWND h, const winsim::ui::Step& step, std::string* error);
bool tabControlSelect(HWND h, const winsim::ui::Step& step, std::string* error);
bool treeViewSelect(HWND h, const winsim::ui::Step& step, std::string* error);
// The messages the common controls answer alike: the dialog code (arrows),
// focus changes (kept in `focused`, repainted), enabling (repainted) and
// erasing (painting covers everything). True when `m` is one of them, with
// its answer in *result.
bool commonMessage(HWND h, UINT m, bool& focused, LRESULT* result);
// Queues a click at a client point of the control.
void clickAt(HWND h, POINT client);

// The dump's and the script's entry: false when `h` is no common control
// (the step then falls to the system controls' handling).
bool commonControlState(HWND h, winsim::ui::ControlState& s);
bool commonControlStep(HWND h, const winsim::ui::Step& step, std::string* error, bool* handled);

}  // namespace winsim::detail
#pragma GCC visibility pop
