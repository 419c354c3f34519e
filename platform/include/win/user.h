// Resources of modules and the first window functions of the headless
// window system: windows are records of a table (no screen, no messages
// yet), found by class and text, walked as a tree and given titles.
#pragma once
#include "gdi.h"
#include "types.h"
#include "ui.h"

WIN_BEGIN_DECLS

typedef struct HRSRC__* HRSRC;
typedef struct HICON__* HICON;
typedef HICON HCURSOR;
typedef struct HDC__* HDC;
typedef struct HBRUSH__* HBRUSH;
typedef struct HMENU__* HMENU;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef WORD ATOM;
typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);

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

#define GW_HWNDFIRST 0
#define GW_HWNDLAST 1
#define GW_HWNDNEXT 2
#define GW_HWNDPREV 3
#define GW_OWNER 4
#define GW_CHILD 5
#define GWLP_WNDPROC (-4)
#define GWLP_ID (-12)
#define GWLP_USERDATA (-21)

// Registers a window class (the procedure and the instance are kept); 0 with
// ERROR_CLASS_ALREADY_EXISTS for a name that exists for the same instance.
WINBASEAPI ATOM WINAPI RegisterClassExW(const WNDCLASSEXW* wc);
// The class of that name: one of the instance's, else a system class (a
// null instance finds every class). FALSE with ERROR_CLASS_DOES_NOT_EXIST.
WINBASEAPI BOOL WINAPI GetClassInfoExW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSEXW out);
// The first top-level window of the class (and title, when given).
WINBASEAPI HWND WINAPI FindWindowW(LPCWSTR className, LPCWSTR windowName);
WINBASEAPI HWND WINAPI GetWindow(HWND window, UINT relation);
WINBASEAPI HWND WINAPI GetDlgItem(HWND dialog, int id);
WINBASEAPI int WINAPI GetClassNameW(HWND window, LPWSTR buffer, int capacity);
WINBASEAPI LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index);
// Returns the previous value; 0 with ERROR_INVALID_WINDOW_HANDLE for a window
// that does not exist.
WINBASEAPI LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
WINBASEAPI BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text);
WINBASEAPI int WINAPI GetWindowTextW(HWND window, LPWSTR buffer, int capacity);
WINBASEAPI BOOL WINAPI SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
WINBASEAPI BOOL WINAPI IsWindow(HWND window);
// Destroys the window and its children; a stale handle fails.
WINBASEAPI BOOL WINAPI DestroyWindow(HWND window);
// A modeless dialog from a module's dialog template (the extended template
// layout): the frame and one child per control, with the template's ids,
// classes and texts. The dialog procedure is kept; the window system does
// not send messages yet, so a null procedure changes nothing.
WINBASEAPI HWND WINAPI CreateDialogParamW(HINSTANCE module, LPCWSTR templateName, HWND owner, DLGPROC proc,
                                          LPARAM param);
WINBASEAPI HWND WINAPI CreateDialogIndirectParamW(HINSTANCE module, const void* dialogTemplate, HWND owner,
                                                  DLGPROC proc, LPARAM param);

// Device contexts of windows: each GetDC gives a new one that ReleaseDC
// ends; what is drawn on it is logged (winsim/window.h).
WINBASEAPI HDC WINAPI GetDC(HWND window);
WINBASEAPI int WINAPI ReleaseDC(HWND window, HDC dc);
WINBASEAPI BOOL WINAPI DrawIcon(HDC dc, int x, int y, HICON icon);

WIN_END_DECLS
