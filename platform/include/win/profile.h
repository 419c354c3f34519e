// Profile (INI) functions.
//
// Files are text in the machine's ANSI code page (UTF-16LE when they start
// with its byte-order mark). A file name without a path separator names a
// file in the Windows directory; a null file name means win.ini there.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

// Copies the value of `lpKeyName` in section `lpAppName` (quotes removed),
// or with a null key the section's key names, or with a null section the
// file's section names (each NUL-terminated, the list ending in a second NUL).
// A missing file, section or key gives `lpDefault` without trailing blanks.
// Returns the characters copied without the terminator; a cut value gives
// nSize - 1, a cut list nSize - 2.
WINBASEAPI DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                                 LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName);
// The value read as an integer (blanks, sign, decimal or "0x" hexadecimal
// digits, the rest ignored); `nDefault` when the key is missing or empty.
WINBASEAPI UINT WINAPI GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault,
                                             LPCWSTR lpFileName);
// Sets a key ("key=value"), creating the file and the section as needed; a
// null value deletes the key, a null key the whole section; all three null
// flushes (nothing is cached, so it only answers TRUE).
WINBASEAPI BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                                  LPCWSTR lpFileName);
// The section's lines as "key=value\0...\0\0"; a cut list gives nSize - 2.
WINBASEAPI DWORD WINAPI GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                                  LPCWSTR lpFileName);
// Replaces the section's content with "key=value\0...\0\0" lines, creating
// it when missing; a null block deletes the section.
WINBASEAPI BOOL WINAPI WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString, LPCWSTR lpFileName);
// The file's section names as a double-NUL list.
WINBASEAPI DWORD WINAPI GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize, LPCWSTR lpFileName);
// A block of bytes kept as hexadecimal digits followed by a checksum byte.
WINBASEAPI BOOL WINAPI GetPrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPVOID lpStruct,
                                                UINT uSizeStruct, LPCWSTR szFile);
WINBASEAPI BOOL WINAPI WritePrivateProfileStructW(LPCWSTR lpszSection, LPCWSTR lpszKey, LPCVOID lpStruct,
                                                  UINT uSizeStruct, LPCWSTR szFile);

// The same on win.ini in the Windows directory.
WINBASEAPI DWORD WINAPI GetProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                          LPWSTR lpReturnedString, DWORD nSize);
WINBASEAPI UINT WINAPI GetProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault);
WINBASEAPI BOOL WINAPI WriteProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString);
WINBASEAPI DWORD WINAPI GetProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize);
WINBASEAPI BOOL WINAPI WriteProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString);

WIN_END_DECLS
