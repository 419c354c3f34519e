// The common property sheet UI: a printer interface library's sheet
// function is called for its reasons (init, the header, destroy) and adds
// its pages through the function it is handed; the UI runs the sheet.
#pragma once
#include "prsht.h"

WIN_BEGIN_DECLS

typedef LONG_PTR(CALLBACK* PFNCOMPROPSHEET)(HANDLE hComPropSheet, UINT function, LPARAM lParam1, LPARAM lParam2);

typedef struct _PROPSHEETUI_INFO {
    WORD cbSize;
    WORD Version;
    WORD Flags;
    WORD Reason;
    HANDLE hComPropSheet;
    PFNCOMPROPSHEET pfnComPropSheet;
    LPARAM lParamInit;
    ULONG_PTR UserData;
    ULONG_PTR Result;
} PROPSHEETUI_INFO, *PPROPSHEETUI_INFO;

typedef LONG(CALLBACK* PFNPROPSHEETUI)(PPROPSHEETUI_INFO info, LPARAM lParam);

typedef struct _PROPSHEETUI_INFO_HEADER {
    WORD cbSize;
    WORD Flags;
    LPWSTR pTitle;
    HWND hWndParent;
    HINSTANCE hInst;
    union {
        HICON hIcon;
        ULONG_PTR IconID;
    };
} PROPSHEETUI_INFO_HEADER, *PPROPSHEETUI_INFO_HEADER;

typedef struct _SETRESULT_INFO {
    WORD cbSize;
    WORD wReserved;
    HANDLE hSetResult;
    LRESULT Result;
} SETRESULT_INFO, *PSETRESULT_INFO;

#define PROPSHEETUI_INFO_VERSION 0x0100
#define PROPSHEETUI_REASON_INIT 0
#define PROPSHEETUI_REASON_GET_INFO_HEADER 1
#define PROPSHEETUI_REASON_DESTROY 2
#define PROPSHEETUI_REASON_SET_RESULT 3
#define PROPSHEETUI_REASON_GET_ICON 4

#define PSUIHDRF_NOAPPLYNOW 0x0002
#define PSUIHDRF_PROPTITLE 0x0004
#define PSUIHDRF_USEHICON 0x0008

#define CPSFUNC_ADD_HPROPSHEETPAGE 0
#define CPSFUNC_SET_RESULT 9

#define CPSUI_CANCEL 0
#define CPSUI_OK 1
#define ERR_CPSUI_GETLASTERROR (-1)

// Calls `sheet` with reason INIT (a result of 0 or less: DESTROY and -1),
// then GET_INFO_HEADER (Flags: no Apply button, "Properties" title; the
// icon is taken, not loaded), runs the sheet of the pages added with
// CPSFUNC_ADD_HPROPSHEETPAGE, then DESTROY (lParam 1 after OK). *result
// gets the last value given to CPSFUNC_SET_RESULT, else the Result field.
// Returns CPSUI_OK after OK, CPSUI_CANCEL after Cancel, -1 on failure.
WINBASEAPI LONG WINAPI CommonPropertySheetUIW(HWND owner, PFNPROPSHEETUI sheet, LPARAM lParam, LPDWORD result);

WIN_END_DECLS
