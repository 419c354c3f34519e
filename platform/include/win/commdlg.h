// The common file dialogs in their old hooked form: the caller's template
// (from its instance) replaces the system's, holding the base controls the
// dialog works with; the hook procedure sees every message first.
#pragma once
#include "user.h"

WIN_BEGIN_DECLS

typedef UINT_PTR(CALLBACK* LPOFNHOOKPROC)(HWND, UINT, WPARAM, LPARAM);

typedef struct tagOFNW {
    DWORD lStructSize;
    HWND hwndOwner;
    HINSTANCE hInstance;
    LPCWSTR lpstrFilter;        // pairs of description and pattern, ended by an empty one
    LPWSTR lpstrCustomFilter;
    DWORD nMaxCustFilter;
    DWORD nFilterIndex;         // 1-based; 0 the custom filter
    LPWSTR lpstrFile;
    DWORD nMaxFile;
    LPWSTR lpstrFileTitle;
    DWORD nMaxFileTitle;
    LPCWSTR lpstrInitialDir;
    LPCWSTR lpstrTitle;
    DWORD Flags;
    WORD nFileOffset;
    WORD nFileExtension;
    LPCWSTR lpstrDefExt;
    LPARAM lCustData;
    LPOFNHOOKPROC lpfnHook;
    LPCWSTR lpTemplateName;
    void* pvReserved;
    DWORD dwReserved;
    DWORD FlagsEx;
} OPENFILENAMEW, *LPOPENFILENAMEW;

#define OFN_READONLY 0x00000001
#define OFN_OVERWRITEPROMPT 0x00000002
#define OFN_HIDEREADONLY 0x00000004
#define OFN_NOCHANGEDIR 0x00000008
#define OFN_SHOWHELP 0x00000010
#define OFN_ENABLEHOOK 0x00000020
#define OFN_ENABLETEMPLATE 0x00000040
#define OFN_ENABLETEMPLATEHANDLE 0x00000080
#define OFN_PATHMUSTEXIST 0x00000800
#define OFN_FILEMUSTEXIST 0x00001000
#define OFN_EXPLORER 0x00080000

// Controls of the old-style template.
#define edt1 0x480   // 1152 the file name
#define lst1 0x460   // 1120 the files of the folder
#define lst2 0x461   // 1121 the folder list: entry 0 the drive root, then each folder down to the current
#define cmb1 0x470   // 1136 the drives (this dialog's layout)
#define cmb2 0x471   // 1137 the file types
#define pshHelp 0x40D  // 1037

// CommDlgExtendedError codes.
#define CDERR_STRUCTSIZE 0x0001
#define CDERR_INITIALIZATION 0x0002
#define CDERR_NOTEMPLATE 0x0003
#define CDERR_FINDRESFAILURE 0x0006
#define FNERR_BUFFERTOOSMALL 0x3003
#define FNERR_INVALIDFILENAME 0x3002

// Nonzero when the user accepted a file (its path in lpstrFile); zero on
// Cancel or failure (CommDlgExtendedError tells which).
WINBASEAPI BOOL WINAPI GetOpenFileNameW(LPOPENFILENAMEW ofn);
WINBASEAPI BOOL WINAPI GetSaveFileNameW(LPOPENFILENAMEW ofn);
WINBASEAPI DWORD WINAPI CommDlgExtendedError(void);

WIN_END_DECLS
