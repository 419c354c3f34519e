// Resources of modules and the first window functions of the headless
// window system: windows are records of a table (no screen, no messages
// yet), found by class and text, walked as a tree and given titles.
#pragma once
#include "gdi.h"
#include "types.h"
#include "ui.h"
#include "user_codes.h"

WIN_BEGIN_DECLS

typedef struct HRSRC__* HRSRC;
typedef struct HICON__* HICON;
typedef HICON HCURSOR;
typedef struct HDC__* HDC;
typedef struct HBRUSH__* HBRUSH;
typedef struct HMENU__* HMENU;
typedef struct HFONT__* HFONT;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;
typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void(CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);
typedef BOOL(CALLBACK* WNDENUMPROC)(HWND, LPARAM);
typedef DWORD COLORREF;

typedef struct tagPOINT {
    LONG x;
    LONG y;
} POINT, *PPOINT, *LPPOINT;

typedef struct tagRECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
} RECT, *PRECT, *LPRECT;
typedef const RECT* LPCRECT;

typedef struct tagMSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
} MSG, *PMSG, *LPMSG;

typedef struct tagCREATESTRUCTW {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCWSTR lpszName;
    LPCWSTR lpszClass;
    DWORD dwExStyle;
} CREATESTRUCTW, *LPCREATESTRUCTW;

typedef struct tagPAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
} PAINTSTRUCT, *LPPAINTSTRUCT;

typedef struct tagDRAWITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemAction;
    UINT itemState;
    HWND hwndItem;
    HDC hDC;
    RECT rcItem;
    ULONG_PTR itemData;
} DRAWITEMSTRUCT, *LPDRAWITEMSTRUCT;

// The header of every WM_NOTIFY record.
typedef struct tagNMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
} NMHDR, *LPNMHDR;

typedef struct tagMEASUREITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    UINT itemWidth;
    UINT itemHeight;
    ULONG_PTR itemData;
} MEASUREITEMSTRUCT, *LPMEASUREITEMSTRUCT;

typedef struct tagDELETEITEMSTRUCT {
    UINT CtlType;
    UINT CtlID;
    UINT itemID;
    HWND hwndItem;
    ULONG_PTR itemData;
} DELETEITEMSTRUCT, *LPDELETEITEMSTRUCT;

typedef struct tagSCROLLINFO {
    UINT cbSize;
    UINT fMask;
    int nMin;
    int nMax;
    UINT nPage;
    int nPos;
    int nTrackPos;
} SCROLLINFO, *LPSCROLLINFO;
typedef const SCROLLINFO* LPCSCROLLINFO;

#define MAKEWPARAM(lo, hi) ((WPARAM)(DWORD)MAKELONG(lo, hi))
#define MAKELPARAM(lo, hi) ((LPARAM)(DWORD)MAKELONG(lo, hi))
#define GET_X_LPARAM(lp) ((int)(short)LOWORD(lp))
#define GET_Y_LPARAM(lp) ((int)(short)HIWORD(lp))

// A resource id in place of a name: values below 0x10000.
#define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)(WORD)(i))
#define IS_INTRESOURCE(p) (((ULONG_PTR)(p) >> 16) == 0)

// Resource types.
#define RT_CURSOR MAKEINTRESOURCEW(1)
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_STRING MAKEINTRESOURCEW(6)

#ifndef ERROR_RESOURCE_DATA_NOT_FOUND
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#endif
#ifndef ERROR_RESOURCE_TYPE_NOT_FOUND
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#endif
#ifndef ERROR_RESOURCE_NAME_NOT_FOUND
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#endif
#ifndef ERROR_INVALID_WINDOW_HANDLE
#define ERROR_INVALID_WINDOW_HANDLE 1400L
#endif
#ifndef ERROR_CLASS_DOES_NOT_EXIST
#define ERROR_CLASS_DOES_NOT_EXIST 1411L
#endif
#ifndef ERROR_CONTROL_ID_NOT_FOUND
#define ERROR_CONTROL_ID_NOT_FOUND 1421L
#endif
#ifndef ERROR_CANNOT_FIND_WND_CLASS
#define ERROR_CANNOT_FIND_WND_CLASS 1407L
#endif
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif
#ifndef ERROR_NO_SCROLLBARS
#define ERROR_NO_SCROLLBARS 1447L
#endif
#ifndef ERROR_TLW_WITH_WSCHILD
#define ERROR_TLW_WITH_WSCHILD 1406L
#endif
#ifndef ERROR_STACK_OVERFLOW
#define ERROR_STACK_OVERFLOW 1001L
#endif
#ifndef ERROR_CLASS_ALREADY_EXISTS
#define ERROR_CLASS_ALREADY_EXISTS 1410L
#endif

// Resources of a loaded module (a resource module the loader mapped as data).
// Integer names and types only; FindResourceW answers null with
// ERROR_RESOURCE_TYPE_NOT_FOUND or ERROR_RESOURCE_NAME_NOT_FOUND.
WINBASEAPI HRSRC WINAPI FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type);
WINBASEAPI HGLOBAL WINAPI LoadResource(HMODULE module, HRSRC resource);
WINBASEAPI LPVOID WINAPI LockResource(HGLOBAL data);
WINBASEAPI DWORD WINAPI SizeofResource(HMODULE module, HRSRC resource);
// Copies string `id` into `buffer` (at most capacity - 1 characters, always
// terminated) and returns the characters copied; 0 when the module has no
// such string. Capacity 0 stores a read-only pointer to the text (not
// terminated) in *(LPCWSTR*)buffer and returns its length.
WINBASEAPI int WINAPI LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int capacity);
// Bitmaps, icons and cursors of a resource module, as handles of the window
// system (null when the module lacks the id). A null module gives the
// system's cursors (IDC_ARROW, IDC_WAIT) and icons only.
WINBASEAPI HBITMAP WINAPI LoadBitmapW(HINSTANCE module, LPCWSTR name);
WINBASEAPI HICON WINAPI LoadIconW(HINSTANCE module, LPCWSTR name);
WINBASEAPI HCURSOR WINAPI LoadCursorW(HINSTANCE module, LPCWSTR name);
WINBASEAPI BOOL WINAPI DestroyIcon(HICON icon);
WINBASEAPI BOOL WINAPI DestroyCursor(HCURSOR cursor);
WINBASEAPI BOOL WINAPI DeleteObject(HANDLE object);

#define IDC_ARROW MAKEINTRESOURCEW(32512)
#define IDC_WAIT MAKEINTRESOURCEW(32514)
#define IDI_APPLICATION MAKEINTRESOURCEW(32512)

// ---- Windows ----
typedef struct tagWNDCLASSEXW {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
    HICON hIconSm;
} WNDCLASSEXW, *LPWNDCLASSEXW;

// ---- Classes ----
// Registers a window class (the procedure and the instance are kept); 0 with
// ERROR_CLASS_ALREADY_EXISTS for a name that exists for the same instance.
WINBASEAPI ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* wc);
WINBASEAPI BOOL WINAPI UnregisterClassW(LPCWSTR className, HINSTANCE instance);
// The class of that name: one of the instance's, else a system class (a
// null instance finds every class). FALSE with ERROR_CLASS_DOES_NOT_EXIST.
WINBASEAPI BOOL WINAPI GetClassInfoExW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSEXW out);
WINBASEAPI int WINAPI GetClassNameW(HWND window, LPWSTR buffer, int capacity);

// ---- Windows ----
// Creates a window: WM_NCCREATE, WM_CREATE (a FALSE or -1 answer destroys it
// and gives null). A child keeps its id in the menu argument.
WINBASEAPI HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                                       int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                       LPVOID param);
// Destroys the window, the windows it owns and its children: WM_DESTROY
// parent first, WM_NCDESTROY children first. A stale handle fails.
WINBASEAPI BOOL WINAPI DestroyWindow(HWND window);
WINBASEAPI BOOL WINAPI IsWindow(HWND window);
WINBASEAPI BOOL WINAPI IsChild(HWND parent, HWND window);
// The first top-level window of the class (and title, when given).
WINBASEAPI HWND WINAPI FindWindowW(LPCWSTR className, LPCWSTR windowName);
WINBASEAPI HWND WINAPI GetWindow(HWND window, UINT relation);
WINBASEAPI HWND WINAPI GetTopWindow(HWND window);
// The parent of a child, the owner of a top-level window.
WINBASEAPI HWND WINAPI GetParent(HWND window);
WINBASEAPI HWND WINAPI SetParent(HWND window, HWND parent);
WINBASEAPI HWND WINAPI GetDesktopWindow(void);
// Calls `proc` for every descendant, each parent before its children, until
// it answers FALSE.
WINBASEAPI BOOL WINAPI EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param);
WINBASEAPI LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index);
// Returns the previous value; 0 with ERROR_INVALID_WINDOW_HANDLE for a window
// that does not exist, ERROR_INVALID_INDEX for an index past its extra bytes.
WINBASEAPI LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
WINBASEAPI LONG WINAPI GetWindowLongW(HWND window, int index);
WINBASEAPI LONG WINAPI SetWindowLongW(HWND window, int index, LONG value);
WINBASEAPI BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text);
WINBASEAPI int WINAPI GetWindowTextW(HWND window, LPWSTR buffer, int capacity);
WINBASEAPI int WINAPI GetWindowTextLengthW(HWND window);
WINBASEAPI BOOL WINAPI ShowWindow(HWND window, int command);
WINBASEAPI BOOL WINAPI IsWindowVisible(HWND window);
// Sends WM_ENABLE when the state changes; returns whether it was disabled.
WINBASEAPI BOOL WINAPI EnableWindow(HWND window, BOOL enable);
WINBASEAPI BOOL WINAPI IsWindowEnabled(HWND window);
WINBASEAPI BOOL WINAPI MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
WINBASEAPI BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
WINBASEAPI BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
WINBASEAPI BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
WINBASEAPI BOOL WINAPI ScreenToClient(HWND window, LPPOINT point);
WINBASEAPI BOOL WINAPI ClientToScreen(HWND window, LPPOINT point);
WINBASEAPI int WINAPI MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count);
// The visible, enabled-or-not window under a screen point, by WM_NCHITTEST
// from the top child down (HTTRANSPARENT passes to the next).
WINBASEAPI HWND WINAPI WindowFromPoint(POINT point);
WINBASEAPI HWND WINAPI ChildWindowFromPoint(HWND parent, POINT point);
WINBASEAPI LRESULT WINAPI CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WINBASEAPI LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// ---- Messages ----
WINBASEAPI LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WINBASEAPI BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WINBASEAPI void WINAPI PostQuitMessage(int exitCode);
// Posted messages, then input, then WM_PAINT for invalid windows, then due
// timers. An empty queue is an idle point (winsim/window.h).
WINBASEAPI BOOL WINAPI GetMessageW(LPMSG msg, HWND window, UINT first, UINT last);
WINBASEAPI BOOL WINAPI PeekMessageW(LPMSG msg, HWND window, UINT first, UINT last, UINT remove);
WINBASEAPI BOOL WINAPI TranslateMessage(const MSG* msg);
WINBASEAPI LRESULT WINAPI DispatchMessageW(const MSG* msg);
WINBASEAPI BOOL WINAPI WaitMessage(void);
WINBASEAPI DWORD WINAPI MsgWaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds,
                                                  DWORD wakeMask);
WINBASEAPI DWORD WINAPI GetMessageTime(void);
WINBASEAPI UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc);
WINBASEAPI BOOL WINAPI KillTimer(HWND window, UINT_PTR id);

// ---- Painting ----
WINBASEAPI BOOL WINAPI InvalidateRect(HWND window, LPCRECT rect, BOOL erase);
WINBASEAPI BOOL WINAPI ValidateRect(HWND window, LPCRECT rect);
WINBASEAPI BOOL WINAPI GetUpdateRect(HWND window, LPRECT rect, BOOL erase);
WINBASEAPI BOOL WINAPI UpdateWindow(HWND window);
WINBASEAPI BOOL WINAPI RedrawWindow(HWND window, LPCRECT rect, void* region, UINT flags);
WINBASEAPI HDC WINAPI BeginPaint(HWND window, LPPAINTSTRUCT paint);
WINBASEAPI BOOL WINAPI EndPaint(HWND window, const PAINTSTRUCT* paint);
// Device contexts of windows: each GetDC gives a new one that ReleaseDC
// ends; what is drawn on it is logged (winsim/window.h).
WINBASEAPI HDC WINAPI GetDC(HWND window);
WINBASEAPI int WINAPI ReleaseDC(HWND window, HDC dc);
WINBASEAPI BOOL WINAPI DrawIcon(HDC dc, int x, int y, HICON icon);

// ---- Input, focus, cursor ----
// Sends WM_KILLFOCUS to the old focus and WM_SETFOCUS to the new; returns
// the old focus.
WINBASEAPI HWND WINAPI SetFocus(HWND window);
WINBASEAPI HWND WINAPI GetFocus(void);
WINBASEAPI HWND WINAPI SetCapture(HWND window);
WINBASEAPI HWND WINAPI GetCapture(void);
WINBASEAPI BOOL WINAPI ReleaseCapture(void);
WINBASEAPI SHORT WINAPI GetKeyState(int key);
WINBASEAPI BOOL WINAPI GetCursorPos(LPPOINT point);
WINBASEAPI BOOL WINAPI SetCursorPos(int x, int y);
WINBASEAPI HCURSOR WINAPI SetCursor(HCURSOR cursor);
WINBASEAPI HCURSOR WINAPI GetCursor(void);
WINBASEAPI int WINAPI GetSystemMetrics(int index);
WINBASEAPI DWORD WINAPI GetSysColor(int index);
WINBASEAPI HBRUSH WINAPI GetSysColorBrush(int index);
WINBASEAPI BOOL WINAPI MessageBeep(UINT type);
WINBASEAPI BOOL WINAPI WinHelpW(HWND window, LPCWSTR helpFile, UINT command, ULONG_PTR data);

// ---- Dialogs ----
// A modeless dialog from a module's dialog template (the extended template
// layout): the frame, WM_SETFONT, the controls in template order (each with
// WM_SETFONT; fixed owner-draw lists measure their items), WM_INITDIALOG.
WINBASEAPI HWND WINAPI CreateDialogParamW(HINSTANCE module, LPCWSTR templateName, HWND owner, DLGPROC proc,
                                          LPARAM param);
WINBASEAPI HWND WINAPI CreateDialogIndirectParamW(HINSTANCE module, const void* dialogTemplate, HWND owner,
                                                  DLGPROC proc, LPARAM param);
// A modal dialog: the owner is disabled while it runs; returns EndDialog's
// value, -1 when the template is missing or the dialog cannot be made.
WINBASEAPI INT_PTR WINAPI DialogBoxParamW(HINSTANCE module, LPCWSTR templateName, HWND owner, DLGPROC proc,
                                          LPARAM param);
WINBASEAPI INT_PTR WINAPI DialogBoxIndirectParamW(HINSTANCE module, const void* dialogTemplate, HWND owner,
                                                  DLGPROC proc, LPARAM param);
WINBASEAPI BOOL WINAPI EndDialog(HWND dialog, INT_PTR result);
WINBASEAPI LRESULT WINAPI DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
WINBASEAPI BOOL WINAPI IsDialogMessageW(HWND dialog, LPMSG msg);
WINBASEAPI HWND WINAPI GetDlgItem(HWND dialog, int id);
WINBASEAPI int WINAPI GetDlgCtrlID(HWND window);
WINBASEAPI BOOL WINAPI SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
WINBASEAPI UINT WINAPI GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int capacity);
WINBASEAPI BOOL WINAPI SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned);
WINBASEAPI UINT WINAPI GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned);
WINBASEAPI BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check);
WINBASEAPI UINT WINAPI IsDlgButtonChecked(HWND dialog, int id);
WINBASEAPI BOOL WINAPI CheckRadioButton(HWND dialog, int first, int last, int check);
WINBASEAPI LRESULT WINAPI SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
WINBASEAPI HWND WINAPI GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
WINBASEAPI HWND WINAPI GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous);
WINBASEAPI BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect);

// ---- Scroll bars ----
WINBASEAPI BOOL WINAPI EnableScrollBar(HWND window, UINT bar, UINT arrows);
WINBASEAPI int WINAPI SetScrollInfo(HWND window, int bar, LPCSCROLLINFO info, BOOL redraw);
WINBASEAPI BOOL WINAPI GetScrollInfo(HWND window, int bar, LPSCROLLINFO info);
WINBASEAPI int WINAPI SetScrollPos(HWND window, int bar, int pos, BOOL redraw);
WINBASEAPI int WINAPI GetScrollPos(HWND window, int bar);
WINBASEAPI BOOL WINAPI SetScrollRange(HWND window, int bar, int minPos, int maxPos, BOOL redraw);

WIN_END_DECLS
