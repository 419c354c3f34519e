// Code pages: MultiByteToWideChar, WideCharToMultiByte and code-page queries.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

#define CP_ACP 0
#define CP_OEMCP 1
#define CP_MACCP 2
#define CP_THREAD_ACP 3
#define CP_UTF8 65001

#define MB_PRECOMPOSED 0x00000001
#define MB_COMPOSITE 0x00000002
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008

#define WC_DISCARDNS 0x00000010
#define WC_SEPCHARS 0x00000020
#define WC_DEFAULTCHAR 0x00000040
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_COMPOSITECHECK 0x00000200
#define WC_NO_BEST_FIT_CHARS 0x00000400

#ifndef ERROR_NO_UNICODE_TRANSLATION
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#endif

#define MAX_LEADBYTES 12
#define MAX_DEFAULTCHAR 2

typedef struct _cpinfo {
    UINT MaxCharSize;
    BYTE DefaultChar[MAX_DEFAULTCHAR];
    BYTE LeadByte[MAX_LEADBYTES];
} CPINFO, *LPCPINFO;

// Converts `cbMultiByte` bytes (-1: up to and including the terminator) of
// code page `CodePage` to UTF-16. With cchWideChar 0 returns the size needed;
// returns the number of characters written, or 0 (ERROR_INSUFFICIENT_BUFFER,
// ERROR_NO_UNICODE_TRANSLATION with MB_ERR_INVALID_CHARS, ERROR_INVALID_FLAGS,
// ERROR_INVALID_PARAMETER).
WINBASEAPI int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                          LPWSTR lpWideCharStr, int cchWideChar);
// Converts UTF-16 to code page `CodePage`; as MultiByteToWideChar. Characters
// without a code become lpDefaultChar (or the page's '?'), and
// *lpUsedDefaultChar tells whether that happened (both must be null for UTF-8).
WINBASEAPI int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                          LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                          LPBOOL lpUsedDefaultChar);
// Lead bytes of the machine's ANSI code page, or of a named one.
WINBASEAPI BOOL WINAPI IsDBCSLeadByte(BYTE TestChar);
WINBASEAPI BOOL WINAPI IsDBCSLeadByteEx(UINT CodePage, BYTE TestChar);
// The machine's ANSI and OEM code pages.
WINBASEAPI UINT WINAPI GetACP(void);
WINBASEAPI UINT WINAPI GetOEMCP(void);
// Character size, default character and lead-byte ranges of a code page.
WINBASEAPI BOOL WINAPI GetCPInfo(UINT CodePage, LPCPINFO lpCPInfo);
// Whether a code page (not one of the CP_ACP-style aliases) can be converted.
WINBASEAPI BOOL WINAPI IsValidCodePage(UINT CodePage);

WIN_END_DECLS
