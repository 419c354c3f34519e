// UTF-16 and ANSI string functions and the wsprintf formatter.
#pragma once
#include <stdarg.h>

#include "types.h"

#ifndef WINAPIV
#define WINAPIV
#endif

WIN_BEGIN_DECLS

// Lengths, copies and concatenation. Null pointers never fault: lstrlen
// gives 0, the copy functions return NULL without writing.
WINBASEAPI int WINAPI lstrlenW(LPCWSTR lpString);
WINBASEAPI LPWSTR WINAPI lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2);
// Copies at most iMaxLength - 1 characters and always terminates when
// iMaxLength > 0; iMaxLength <= 0 writes nothing. Returns lpString1.
WINBASEAPI LPWSTR WINAPI lstrcpynW(LPWSTR lpString1, LPCWSTR lpString2, int iMaxLength);
WINBASEAPI LPWSTR WINAPI lstrcatW(LPWSTR lpString1, LPCWSTR lpString2);
// Comparisons: -1, 0 or 1. A null string sorts before every other.
WINBASEAPI int WINAPI lstrcmpW(LPCWSTR lpString1, LPCWSTR lpString2);
WINBASEAPI int WINAPI lstrcmpiW(LPCWSTR lpString1, LPCWSTR lpString2);

// Case conversion in place. A pointer whose high 16 bits are zero is one
// character, converted and returned in the pointer's low word.
WINBASEAPI LPWSTR WINAPI CharUpperW(LPWSTR lpsz);
WINBASEAPI LPWSTR WINAPI CharLowerW(LPWSTR lpsz);
WINBASEAPI DWORD WINAPI CharUpperBuffW(LPWSTR lpsz, DWORD cchLength);
WINBASEAPI DWORD WINAPI CharLowerBuffW(LPWSTR lpsz, DWORD cchLength);
// Character steps (a surrogate pair is one character); never past the
// terminator, never before the start.
WINBASEAPI LPWSTR WINAPI CharNextW(LPCWSTR lpsz);
WINBASEAPI LPWSTR WINAPI CharPrevW(LPCWSTR lpszStart, LPCWSTR lpszCurrent);
// Character classes.
WINBASEAPI BOOL WINAPI IsCharAlphaW(WCHAR ch);
WINBASEAPI BOOL WINAPI IsCharAlphaNumericW(WCHAR ch);
WINBASEAPI BOOL WINAPI IsCharUpperW(WCHAR ch);
WINBASEAPI BOOL WINAPI IsCharLowerW(WCHAR ch);

// ANSI forms, in the machine's ANSI code page.
WINBASEAPI int WINAPI lstrlenA(LPCSTR lpString);
WINBASEAPI LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2);
WINBASEAPI LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength);
WINBASEAPI LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2);
WINBASEAPI int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2);
WINBASEAPI int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2);
WINBASEAPI LPSTR WINAPI CharNextA(LPCSTR lpsz);
WINBASEAPI LPSTR WINAPI CharPrevA(LPCSTR lpszStart, LPCSTR lpszCurrent);

// Formatted output of at most 1024 characters including the terminator.
// Returns the number of characters written, terminator excluded.
// Conversions: %[-][#][0][width][.precision][h|l|w]type with type one of
// c C d i u x X p s S and %%; %s is the form's own text (wide in the W form,
// ANSI in the A form), %hs ANSI, %ls and %ws wide, %S the other form's.
// Integer arguments are 32-bit ('l' does not widen them: LONG is 32-bit).
WINBASEAPI int WINAPIV wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...);
WINBASEAPI int WINAPI wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist);
WINBASEAPI int WINAPIV wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...);
WINBASEAPI int WINAPI wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist);

WIN_END_DECLS
