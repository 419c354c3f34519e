// Shared state of the window system's parts: the window table, the image
// handles (bitmaps, icons, cursors), the draw log, and the hooks between
// the window manager, the queue, the dialog manager and the controls.
#pragma once
#include <win/user.h>
#include <winsim/window.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#pragma GCC visibility push(default)
namespace winsim::detail {

// The lock of the window table, the image table and the draw log. Window
// procedures are never called with it held.
std::recursive_mutex& userLock();

// One window. Records live as long as the process (a slot is reused with a
// new generation), so a pointer stays readable after the window dies; check
// `alive` after any call that may destroy it.
struct Window {
    uint32_t generation = 0;
    bool alive = false;
    bool destroying = false;
    HWND self = nullptr;
    std::u16string className;
    WNDPROC proc = nullptr;
    HINSTANCE instance = nullptr;
    std::u16string text;
    DWORD style = 0, exStyle = 0;
    LONG_PTR id = 0;
    HWND parent = nullptr, owner = nullptr;
    RECT rect{};                 // in the parent's client coordinates (screen for top level)
    std::vector<HWND> children;  // z-order: the first child is on top
    LONG_PTR userData = 0;
    std::vector<uint8_t> extra;  // the class's extra bytes (the dialog's DWLP_ values)
    HFONT font = nullptr;
    HCURSOR classCursor = nullptr;
    bool invalid = false, erase = false;
    RECT update{};               // client coordinates
    bool redraw = true;          // WM_SETREDRAW
    std::shared_ptr<void> data;  // the control class's state
    const void* dataTag = nullptr;  // which class's state `data` holds
    // Dialogs.
    bool isDialog = false, ended = false;
    INT_PTR result = 0;
    int templateId = 0;
    HWND lastFocus = nullptr;
};

// The live window of a handle, else null (no last error set).
Window* findWindow(HWND h);
// As findWindow, setting ERROR_INVALID_WINDOW_HANDLE when there is none.
Window* windowOrFail(HWND h);
// Every live top-level window, top first.
std::vector<HWND> topLevelWindows();
// Screen origin of the window's client area.
POINT clientOrigin(const Window& w);
// The client rectangle in client coordinates.
RECT clientRect(const Window& w);
bool windowIsVisible(HWND h);  // the window and every ancestor visible
bool windowIsEnabled(HWND h);

// The state of a control class, made on first use and dropped with the
// window. A window handed to another class's procedure (a foreign subclass)
// gets that class's fresh state rather than a misread one.
template <class T>
T* controlData(HWND h) {
    static const char tag = 0;
    Window* w = findWindow(h);
    if (!w) return nullptr;
    if (!w->data || w->dataTag != &tag) {
        w->data = std::make_shared<T>();
        w->dataTag = &tag;
    }
    return static_cast<T*>(w->data.get());
}

// Classes: the procedure and extra bytes of a class name (registered ones
// first, then the system classes); false when it is unknown.
struct ClassInfo {
    WNDPROC proc = nullptr;
    int windowExtra = 0;
    HCURSOR cursor = nullptr;
    std::u16string name;  // in its registered case
};
bool lookupClass(HINSTANCE instance, std::u16string_view name, ClassInfo& out);
void resetClasses();

// The procedures of the system classes.
LRESULT CALLBACK buttonProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK staticProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK editProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK listBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK comboBoxProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK scrollBarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK dialogClassProc(HWND, UINT, WPARAM, LPARAM);
// The common controls (comctl32).
LRESULT CALLBACK listViewProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK trackbarProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK tabControlProc(HWND, UINT, WPARAM, LPARAM);
LRESULT CALLBACK treeViewProc(HWND, UINT, WPARAM, LPARAM);
// A control's own mouse-tracking loop while it holds the capture (a thumb
// drag): dispatches messages until `tracking` answers false or the capture
// goes; an idle point takes the next script step, and one without a step
// ends the loop.
void captureLoop(HWND control, bool (*tracking)(HWND));

// Helpers of the controls.
// WM_COMMAND(id, code, control) to the control's parent.
void notifyParent(HWND control, UINT code);
// The DC a control paints with (logged); released with releaseControlDc.
HDC controlDc(HWND h);
void releaseControlDc(HDC dc);
// Sends WM_DRAWITEM to the parent of an owner-drawn control; the record's
// DC, type, id and window are filled in here.
void sendDrawItem(HWND control, DRAWITEMSTRUCT dis);
// Sends WM_DELETEITEM to the parent for an item an owner-drawn list or
// combo box removes (items from `first`, `count` of them, data in order).
void sendDeleteItems(HWND control, UINT type, int first, const std::vector<ULONG_PTR>& data);
// Average character width and height of the window system's one font.
inline constexpr int kCharWidth = 6;
inline constexpr int kCharHeight = 13;

// The queue's views for the dialog manager and the scripts.
// Posts a message; false when the window is stale.
bool postMessage(HWND h, UINT message, WPARAM wParam, LPARAM lParam);
// Runs the modal loop of a dialog until EndDialog; answers its result.
INT_PTR runModalLoop(HWND dialog);
// Dispatches the posted messages waiting now (a message box's nested pump).
void pumpPosted();

// Input synthesis: queued mouse and keyboard events, turned into window
// messages when the queue hands them out.
enum class InputKind { MouseMove, LeftDown, LeftUp, KeyDown, KeyUp, Char };
struct InputEvent {
    InputKind kind;
    POINT pt{};
    UINT key = 0;
};
void queueInput(InputEvent e);
bool inputPending();
// Turns the next input event into a message (hit test, WM_SETCURSOR, capture,
// focus); false when there was none or it had no target.
bool takeInput(MSG& out);
void setKeyDown(UINT key, bool down);
// Drops every timer and posted message of a window that goes.
void dropWindowTimers(HWND h);
void focusDestroyed(HWND h);
// The system's arrow cursor.
HCURSOR systemArrow();
// Back to a fresh state (winsim::ui::reset).
void resetInput();
void resetQueue();
// Something happened that is no polling for input (a new script).
void noteActivity();

// Images: a new handle for an image; the image of a live handle.
HANDLE addImage(ImageInfo image);
const ImageInfo* findImage(HANDLE handle);
bool removeImage(HANDLE handle, char kind);

// Adds a line to the draw log.
void logDraw(DrawRecord record);
// The window a live DC was taken for (null for an unknown DC).
bool windowOfDc(HDC dc, HWND* window);
// The drawing side's hooks (gdi32): drops the pixel state of a released
// window DC; clips a paint DC to the update rectangle; deletes a pen,
// brush or bitmap (1 done, 0 refused, -1 not a drawing object).
void forgetDc(HDC dc);
void setPaintClip(HDC dc, RECT clip);
int deleteGdiObject(HANDLE object);
// The classic look of the system controls (gdi32/classic.cpp).
struct ButtonLook {
    enum Kind { Push, Check, Radio, Group } kind = Push;
    UINT checked = 0;  // 0, 1, 2 (the third state)
    bool pushed = false, focused = false, enabled = true, isDefault = false;
};
void classicButton(HDC dc, RECT r, const std::u16string& text, ButtonLook look);
// Text in the DC's text colour when enabled (set to COLOR_BTNTEXT unless
// `keepColour`), embossed when disabled.
void classicText(HDC dc, const std::u16string& text, RECT r, UINT format, bool enabled, bool keepColour = false);
// A two-pixel raised or sunken edge just inside `r`.
void classicEdge(HDC dc, RECT r, bool raised);
// A small triangle centred in `box` pointing up (0), down (1), left (2) or
// right (3); the button around it for scroll bars and combo boxes.
void classicArrow(HDC dc, RECT box, int direction, bool enabled);
void classicArrowButton(HDC dc, RECT r, int direction, bool enabled, bool pushed);
// The brush a control's parent chooses by WM_CTLCOLOR* (the DC's colours
// set as the parent leaves them), else the system colour's brush.
HBRUSH controlBrush(HWND control, HDC dc, UINT message, int fallbackColour);
// An image of the window system drawn at (x, y) on a DC: bitmaps whole,
// icons and cursors without their white pixels (their mask colour).
bool drawImage(HDC dc, int x, int y, const ImageInfo& image);
// Sets the owner and the dialog procedure of a window the dialog builder made.
void setWindowOwner(HWND window, HWND owner, LONG_PTR dialogProc);
// The dialog builder for the property-sheet frame: a template's size in
// pixels and title; a dialog from template bytes with its style changed
// (pages become child controls of the frame); a modal loop over a dialog
// already made (the owner disabled meanwhile).
bool dialogTemplateInfo(const uint8_t* p, size_t size, int* width, int* height, std::u16string* title);
HWND buildDialog(HINSTANCE module, const uint8_t* p, size_t size, HWND owner, DLGPROC proc, LPARAM param,
                 int templateId, DWORD styleClear, DWORD styleSet);
INT_PTR runModalDialog(HWND dialog, HWND owner, int templateId);
// Property-sheet frames (propsheet.cpp) as the dump and the script see them:
// whether a window is a frame; its pages' template ids in tab order and the
// current one's index; the frame's button of a role (IDOK, IDCANCEL, the
// Apply id, IDHELP) whatever id it carries now; the screen point of a
// page's tab.
bool isSheetFrame(HWND window);
bool sheetPages(HWND frame, std::vector<int>* templateIds, int* current);
HWND sheetButton(HWND frame, int role);
bool sheetTabPoint(HWND frame, int templateId, POINT* screen);

// The script runner's hooks (script.cpp).
// Called at an idle point: runs the next step of the UI script for the
// top-most modal window; false when no step is left (the caller then applies
// the failure rule).
bool runIdleStep();
// Records a failure of the UI run (an idle point without a step, the
// message budget, a script step that could not be done).
void recordFailure(std::string text);
// Counts a dispatched message against the budget; false once it is spent.
bool chargeBudget();
void resetBudget();
// The modal loops now running, innermost last.
struct ModalEntry {
    HWND window = nullptr;  // null for a message box
    int templateId = 0;
    std::u16string boxText;
};
void pushModal(ModalEntry e);
void popModal();
std::vector<ModalEntry> modalStack();
// A message box asks the script: the next step when it is `answer`, taken.
bool scriptAnswer(int* answer);
bool scriptRunning();

}  // namespace winsim::detail
#pragma GCC visibility pop
