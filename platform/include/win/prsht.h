// Property sheets of the common controls: pages made from dialog templates
// and the modal frame that shows them under a strip of tabs with the OK,
// Cancel, Apply and Help buttons. Pages are created when first shown; the
// frame talks to them by WM_NOTIFY (PSN_) and they to it by PSM_ messages.
#pragma once
#include "user.h"

WIN_BEGIN_DECLS

typedef struct _PSP* HPROPSHEETPAGE;
struct _PROPSHEETPAGEW;
typedef UINT(CALLBACK* LPFNPSPCALLBACKW)(HWND window, UINT message, struct _PROPSHEETPAGEW* page);
typedef int(CALLBACK* PFNPROPSHEETCALLBACK)(HWND frame, UINT message, LPARAM lParam);

// 48 bytes on a 32-bit system; pages of the first layout (40 bytes) are
// taken too.
typedef struct _PROPSHEETPAGEW {
    DWORD dwSize;
    DWORD dwFlags;
    HINSTANCE hInstance;
    union {
        LPCWSTR pszTemplate;
        const void* pResource;  // PSP_DLGINDIRECT: an extended template in memory
    };
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszTitle;  // PSP_USETITLE: the tab's text (a string id when below 0x10000)
    DLGPROC pfnDlgProc;
    LPARAM lParam;
    LPFNPSPCALLBACKW pfnCallback;
    UINT* pcRefParent;
    LPCWSTR pszHeaderTitle;
    LPCWSTR pszHeaderSubTitle;
} PROPSHEETPAGEW, *LPPROPSHEETPAGEW;
typedef const PROPSHEETPAGEW* LPCPROPSHEETPAGEW;
#define PROPSHEETPAGEW_V1_SIZE ((DWORD)(sizeof(void*) * 8 + 8))

// 52 bytes on a 32-bit system; the first layout (40 bytes) is taken too.
typedef struct _PROPSHEETHEADERW {
    DWORD dwSize;
    DWORD dwFlags;
    HWND hwndParent;
    HINSTANCE hInstance;
    union {
        HICON hIcon;
        LPCWSTR pszIcon;
    };
    LPCWSTR pszCaption;  // a string id of hInstance when below 0x10000
    UINT nPages;
    union {
        UINT nStartPage;
        LPCWSTR pStartPage;
    };
    union {
        LPCPROPSHEETPAGEW ppsp;   // PSH_PROPSHEETPAGE: records, each dwSize bytes long
        HPROPSHEETPAGE* phpage;  // otherwise: pages of CreatePropertySheetPageW
    };
    PFNPROPSHEETCALLBACK pfnCallback;
    union {
        HBITMAP hbmWatermark;
        LPCWSTR pszbmWatermark;
    };
    HANDLE hplWatermark;
    union {
        HBITMAP hbmHeader;
        LPCWSTR pszbmHeader;
    };
} PROPSHEETHEADERW, *LPPROPSHEETHEADERW;
typedef const PROPSHEETHEADERW* LPCPROPSHEETHEADERW;
#define PROPSHEETHEADERW_V1_SIZE ((DWORD)(sizeof(void*) * 8 + 8))

// Page flags.
#define PSP_DEFAULT 0x00000000
#define PSP_DLGINDIRECT 0x00000001
#define PSP_USEHICON 0x00000002
#define PSP_USEICONID 0x00000004
#define PSP_USETITLE 0x00000008
#define PSP_RTLREADING 0x00000010
#define PSP_HASHELP 0x00000020
#define PSP_USEREFPARENT 0x00000040
#define PSP_USECALLBACK 0x00000080
#define PSPCB_ADDREF 0
#define PSPCB_RELEASE 1
#define PSPCB_CREATE 2

// Sheet flags.
#define PSH_DEFAULT 0x00000000
#define PSH_PROPTITLE 0x00000001
#define PSH_USEHICON 0x00000002
#define PSH_USEICONID 0x00000004
#define PSH_PROPSHEETPAGE 0x00000008
#define PSH_WIZARD 0x00000020
#define PSH_USEPSTARTPAGE 0x00000040
#define PSH_NOAPPLYNOW 0x00000080
#define PSH_USECALLBACK 0x00000100
#define PSH_HASHELP 0x00000200
#define PSH_MODELESS 0x00000400
#define PSH_NOCONTEXTHELP 0x02000000

// Notifications to the pages (PSHNOTIFY records by WM_NOTIFY) and their answers.
#define PSN_FIRST (0U - 200U)
#define PSN_SETACTIVE (PSN_FIRST - 0)
#define PSN_KILLACTIVE (PSN_FIRST - 1)
#define PSN_APPLY (PSN_FIRST - 2)
#define PSN_RESET (PSN_FIRST - 3)
#define PSN_HELP (PSN_FIRST - 5)
#define PSNRET_NOERROR 0
#define PSNRET_INVALID 1
#define PSNRET_INVALID_NOCHANGEPAGE 2

typedef struct _PSHNOTIFY {
    NMHDR hdr;  // hwndFrom: the frame
    LPARAM lParam;  // PSN_APPLY: TRUE for OK, FALSE for Apply
} PSHNOTIFY, *LPPSHNOTIFY;

// Messages to the frame.
#define PSM_CHANGED (WM_USER + 104)
#define PSM_UNCHANGED (WM_USER + 109)
#define PSM_PRESSBUTTON (WM_USER + 113)
#define PSM_GETCURRENTPAGEHWND (WM_USER + 118)
#define PSBTN_BACK 0
#define PSBTN_NEXT 1
#define PSBTN_FINISH 2
#define PSBTN_OK 3
#define PSBTN_APPLYNOW 4
#define PSBTN_CANCEL 5
#define PSBTN_HELP 6
// The frame's Apply button.
#define ID_APPLY_NOW 0x3021
#define WS_EX_CONTEXTHELP 0x00000400L

#ifndef ERROR_BUSY
#define ERROR_BUSY 170L
#endif

// A page from its record (copied: the caller's record may go); null with
// ERROR_INVALID_PARAMETER for a record shorter than the first layout.
WINBASEAPI HPROPSHEETPAGE WINAPI CreatePropertySheetPageW(LPCPROPSHEETPAGEW page);
// Ends a page that no sheet took; a sheet ends its own pages (a page of a
// running sheet: FALSE with ERROR_BUSY).
WINBASEAPI BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE page);
// Runs a modal sheet: 1 when the user's changes were applied (OK, or Apply
// before Cancel), 0 when nothing was, -1 when the sheet cannot be made (no
// pages, a stale page, modeless and wizard sheets). The pages end with it.
WINBASEAPI INT_PTR WINAPI PropertySheetW(LPCPROPSHEETHEADERW header);

WIN_END_DECLS
