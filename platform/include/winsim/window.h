// Control interface of the headless window system for tests and the host:
// the window table, the images behind bitmap, icon and cursor handles, and
// the log of what was drawn on window device contexts.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "../win/user.h"
#include "winsim.h"

namespace winsim {

struct WINSIM_API WindowInfo {
    HWND handle = nullptr;
    std::u16string className;
    std::u16string text;
    int id = 0;
    HWND parent = nullptr;
    HWND owner = nullptr;
    LONG_PTR procedure = 0;
};

// Makes a window of a class (registered or not) as an application would
// have it: top-level when `parent` is null. Null when the parent is stale.
WINSIM_API HWND createWindow(std::u16string_view className, std::u16string_view text, HWND parent = nullptr,
                             int id = 0, LONG_PTR procedure = 0);
// Every live window, in creation order.
WINSIM_API std::vector<WindowInfo> windows();
WINSIM_API bool windowInfo(HWND window, WindowInfo& out);
// Destroys every window and every registered class.
WINSIM_API void resetWindows();

// Cursors set (resource ids; 32512 the system arrow, 0 none), beeps and help
// requests, oldest first.
WINSIM_API std::vector<uint32_t> cursorLog();
WINSIM_API std::vector<UINT> beepLog();
struct WINSIM_API HelpRequest {
    HWND window = nullptr;
    std::u16string file;
    UINT command = 0;
    ULONG_PTR data = 0;
    std::vector<std::pair<DWORD, DWORD>> idPairs;  // HELP_WM_HELP / HELP_CONTEXTMENU: control and help ids
};
WINSIM_API std::vector<HelpRequest> helpLog();

// The image behind a bitmap, icon or cursor handle.
struct WINSIM_API ImageInfo {
    char kind = 0;  // 'B' bitmap, 'I' icon, 'C' cursor
    uint32_t resourceId = 0;
    int32_t width = 0, height = 0;
    int32_t hotX = 0, hotY = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
};
WINSIM_API bool imageInfo(HANDLE image, ImageInfo& out);
// Bitmap, icon and cursor handles not yet destroyed.
WINSIM_API size_t liveImages();

// What was drawn on device contexts, oldest first: FillRect, FrameRect,
// Rectangle, LineTo, Polygon, Ellipse, PatBlt, BitBlt, StretchBlt,
// TextOut, DrawText, DrawFocusRect, DrawIcon and the owner-draw requests
// (DrawItem). `dc` tells the device contexts apart (a window's DC is new
// for every GetDC or paint); `window` is null for memory DCs.
struct WINSIM_API DrawRecord {
    HWND window = nullptr;
    std::string operation;  // "DrawIcon"
    int x = 0, y = 0;
    uint32_t resourceId = 0;  // an icon's id; a blit's raster operation; a text's length, DrawText's lines;
                              // an owner-drawn item's index; a polygon's points
    HDC dc = nullptr;
    std::u16string text;      // TextOut, DrawText (prefixes taken out)
    COLORREF colour = 0;      // the fill, pen or text colour; a blit's pattern
};
WINSIM_API std::vector<DrawRecord> drawLog();
WINSIM_API void clearDrawLog();
// Device contexts taken with GetDC and not yet released.
WINSIM_API size_t openWindowDcs();

// ---- Driving dialogs: the UI script, idle points, queries, the dump ----
namespace ui {

// One statement of a UI script. Statements are separated by ';' or new
// lines; a line starting with '#' is a comment.
//   click ID | check ID | uncheck ID | hover ID     the mouse on a control
//   select ID "TEXT" | select ID #N                  a user's pick in a list or combo
//   type ID "TEXT"      focus (all its text selected) and one character each
//   key NAME            UP DOWN LEFT RIGHT TAB SHIFT+TAB ENTER ESC SPACE HOME END
//                       PGUP PGDN BACK DELETE F1 F4, or a letter or digit
//   scroll ID lineup|linedown|pageup|pagedown|thumb N
//   wait MS             the clock moves (timers fall due)
//   expect dialog ID    the innermost dialog must be that template
//   answer NAME         the next message box's answer (IDOK, IDCANCEL, IDYES, IDNO...)
//   dump                the innermost dialog's dump goes to the dump handler
//   ok | cancel         press IDOK / IDCANCEL of the innermost dialog
//   page ID             a property sheet's tab of that page template is clicked
//   apply               a property sheet's Apply button is clicked
//   png FILE            the innermost window's picture goes to the picture writer
//   folder PATH         a file dialog moves into that folder of the machine
//   file NAME           a file dialog's name field gets that text
//   press ID            the button is pressed (clicked when it is shown, else
//                       its command sent to the dialog)
// In a property sheet, ids name the frame's buttons and the shown page's
// controls first; ok and cancel press the frame's OK and Cancel buttons
// whatever ids a page gave them.
struct WINSIM_API Step {
    std::string verb;
    int id = 0;
    std::u16string text;
    int index = -1;
    long number = 0;
    std::string word;
    std::string source;  // the statement as written
};
WINSIM_API bool parseScript(std::string_view text, std::vector<Step>& out, std::string* error);
// Queues steps for the idle points to come; a script that has been queued
// makes message boxes strict (each must be answered by an `answer` step or a
// queued answer) until reset().
WINSIM_API bool queueScript(std::string_view text, std::string* error);
WINSIM_API void queueSteps(const std::vector<Step>& steps);
WINSIM_API size_t pendingSteps();
// Runs one step now against the innermost modal dialog (else the top window).
WINSIM_API bool runStep(const Step& step, std::string* error);
// What went wrong in the run: idle points without a step ("unexpected wait
// in dialog 1017"), steps that could not be done, the message budget.
WINSIM_API std::vector<std::string> failures();
// Messages dispatched between two idle points before the run is failed and
// the innermost loop ended (a post storm); 100000 by default.
WINSIM_API void setMessageBudget(size_t messages);
// Where `dump` steps go; by default they are kept (dumps()).
WINSIM_API void setDumpHandler(std::function<void(const std::string&)> handler);
WINSIM_API std::vector<std::string> dumps();

// The state of one window as a user sees it.
struct WINSIM_API ControlState {
    HWND window = nullptr;
    int id = 0;
    std::u16string className;
    std::u16string text;   // edits' passwords as '*'
    std::string kind;      // dialog, sheet, push, default, check, radio, group, owner-draw, text, bitmap,
                           // icon, edit, list, combo, vscroll, hscroll, window,
                           // listview, trackbar, tab, tree (the common controls), detail
    bool visible = false, enabled = false, focused = false, ownerDraw = false;
    int check = -1;        // check boxes and radio buttons
    int count = -1, selection = -1, top = 0;
    bool dropped = false;
    std::u16string selectedText;
    int pos = 0, minPos = 0, maxPos = 0;
    uint32_t image = 0;    // a picture's resource id
    int templateId = 0;    // dialogs
    // Lines the dump prints under the control's own (a list view's columns
    // and rows, a tab control's tabs, a tree's items); "| " starts each.
    std::vector<std::string> details;
    std::vector<int> pages;  // sheets: the pages' template ids in tab order
    int currentPage = -1;    // sheets: the index of the page shown
};
WINSIM_API bool controlState(HWND window, ControlState& out);
// The first window with that id under `root` (any depth).
WINSIM_API HWND findControl(HWND root, int id);
// The innermost modal dialog, else the top-most visible top-level window.
WINSIM_API HWND topWindow();
// One line per window in z-order, indented by parent:
//   dialog 1002 "Basic"
//     2069 Button "2069" check on
//     2017 ComboBox "" combo 5 items sel 2 "A4" disabled
//     2490 SysListView32 "" listview 1 items sel 0 "Office"
//       | column 0 "Name" 100
//       | row 0 sel focus "Office" "0123-456"
// A detail line ("| ...") reads back as kind "detail" with id 0.
// A property sheet's frame lists its pages, the shown one in brackets; its
// children are the frame's buttons and the pages made so far:
//   sheet #32770 "P1 Properties" pages 1001 [1002] 1003
//     dialog 1002 #32770 "Basic" ...
//     1 Button "OK" default
WINSIM_API std::string dump(HWND window);
// A picture of a window and its visible descendants as the screen would
// show them: every window repainted (WM_PAINT), then composed at its place,
// a top-level window with its frame and caption. Pixels are COLORREF values
// (0x00BBGGRR), rows top first.
struct WINSIM_API Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};
// False for a stale window.
WINSIM_API bool render(HWND window, Picture& out);
// Where `png FILE` steps send the picture of the top window (the host
// writes PNG files); false with a reason fails the step. Without a writer
// the step fails.
using PictureWriter = std::function<bool(const std::string& file, const Picture& picture, std::string* error)>;
WINSIM_API void setPictureWriter(PictureWriter writer);
WINSIM_API std::string dumpLine(const ControlState& state);
// Reads a line of dump() back (indentation ignored); false when it is not one.
WINSIM_API bool parseDumpLine(std::string_view line, ControlState& out);

// Property-sheet pages made and not yet ended (a leak check).
WINSIM_API size_t livePropertySheetPages();

// The text WM_PASTE inserts.
WINSIM_API void setClipboardText(std::u16string_view text);
WINSIM_API std::u16string clipboardText();

// Back to a fresh window system: every window and class, the queue, timers,
// focus and capture, the script, failures and logs.
WINSIM_API void reset();

}  // namespace ui
}  // namespace winsim
