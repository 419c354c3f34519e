// OS version, user identity, locale and special folders.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

// --- Version ---

typedef struct _OSVERSIONINFOW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
} OSVERSIONINFOW, *POSVERSIONINFOW, *LPOSVERSIONINFOW;

typedef struct _OSVERSIONINFOEXW {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
} OSVERSIONINFOEXW, *POSVERSIONINFOEXW, *LPOSVERSIONINFOEXW;

#define VER_PLATFORM_WIN32s 0
#define VER_PLATFORM_WIN32_WINDOWS 1
#define VER_PLATFORM_WIN32_NT 2

#define VER_NT_WORKSTATION 0x0000001
#define VER_NT_DOMAIN_CONTROLLER 0x0000002
#define VER_NT_SERVER 0x0000003

#define VER_SUITE_SMALLBUSINESS 0x00000001
#define VER_SUITE_ENTERPRISE 0x00000002
#define VER_SUITE_BACKOFFICE 0x00000004
#define VER_SUITE_TERMINAL 0x00000010
#define VER_SUITE_SMALLBUSINESS_RESTRICTED 0x00000020
#define VER_SUITE_DATACENTER 0x00000080
#define VER_SUITE_SINGLEUSERTS 0x00000100
#define VER_SUITE_PERSONAL 0x00000200

// VerifyVersionInfoW type bits.
#define VER_MINORVERSION 0x0000001
#define VER_MAJORVERSION 0x0000002
#define VER_BUILDNUMBER 0x0000004
#define VER_PLATFORMID 0x0000008
#define VER_SERVICEPACKMINOR 0x0000010
#define VER_SERVICEPACKMAJOR 0x0000020
#define VER_SUITENAME 0x0000040
#define VER_PRODUCT_TYPE 0x0000080

// Conditions.
#define VER_EQUAL 1
#define VER_GREATER 2
#define VER_GREATER_EQUAL 3
#define VER_LESS 4
#define VER_LESS_EQUAL 5
#define VER_AND 6
#define VER_OR 7

#define VER_SET_CONDITION(mask, type, condition) ((mask) = VerSetConditionMask((mask), (type), (condition)))

#ifndef ERROR_BAD_ARGUMENTS
#define ERROR_BAD_ARGUMENTS 160L
#endif

// dwOSVersionInfoSize must be the size of OSVERSIONINFOW (276) or
// OSVERSIONINFOEXW (284); ERROR_INSUFFICIENT_BUFFER otherwise. A Windows 9x
// machine reports platform 1 and its build number in the low word.
WINBASEAPI BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW info);
// Low byte major, next byte minor, high word build (bit 31 set on 9x).
WINBASEAPI DWORD WINAPI GetVersion(void);
// Sets `condition` for each type bit of `typeMask` in the 3-bit field of
// that type; a condition of 0 leaves the mask unchanged.
WINBASEAPI ULONGLONG WINAPI VerSetConditionMask(ULONGLONG conditionMask, DWORD typeMask, BYTE condition);
// Compares the machine's version with `info` for the fields of `typeMask`.
// Major, minor and service-pack numbers compare as one ordered version:
// the first field that differs decides through its condition. Build,
// platform and product type compare on their own; the suite mask with
// VER_AND (all bits present) or VER_OR (any). FALSE sets
// ERROR_OLD_WIN_VERSION; a type without a condition ERROR_BAD_ARGUMENTS.
WINBASEAPI BOOL WINAPI VerifyVersionInfoW(LPOSVERSIONINFOEXW info, DWORD typeMask, ULONGLONG conditionMask);

// --- Identity ---

// Size protocol: *size is the buffer's characters; on success it becomes the
// name's length plus the terminator; too small: ERROR_INSUFFICIENT_BUFFER and
// the needed size (terminator included).
WINBASEAPI BOOL WINAPI GetUserNameW(LPWSTR buffer, LPDWORD size);
// On success *size is the length without the terminator; too small:
// ERROR_BUFFER_OVERFLOW and the needed size with the terminator.
WINBASEAPI BOOL WINAPI GetComputerNameW(LPWSTR buffer, LPDWORD size);
// Profile folder of the token's user (a token handle with TOKEN_QUERY). Too
// small or no buffer: ERROR_INSUFFICIENT_BUFFER, needed size with terminator.
WINBASEAPI BOOL WINAPI GetUserProfileDirectoryW(HANDLE token, LPWSTR profileDir, LPDWORD size);

// --- Locale ---

typedef DWORD LCTYPE;

#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define PRIMARYLANGID(lgid) ((WORD)(lgid) & 0x3ff)
#define SUBLANGID(lgid) ((WORD)(lgid) >> 10)
#define MAKELCID(lgid, srtid) ((DWORD)((((DWORD)((WORD)(srtid))) << 16) | ((DWORD)((WORD)(lgid)))))
#define LANGIDFROMLCID(lcid) ((WORD)(lcid))
#define SORT_DEFAULT 0x0
#define LANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01
#define LOCALE_NEUTRAL 0x0000
#define LOCALE_INVARIANT 0x007f
#define LOCALE_USER_DEFAULT 0x0400
#define LOCALE_SYSTEM_DEFAULT 0x0800

#define LOCALE_NOUSEROVERRIDE 0x80000000
#define LOCALE_RETURN_NUMBER 0x20000000
#define LOCALE_ILANGUAGE 0x00000001
#define LOCALE_SLANGUAGE 0x00000002
#define LOCALE_SABBREVLANGNAME 0x00000003
#define LOCALE_SNATIVELANGNAME 0x00000004
#define LOCALE_ICOUNTRY 0x00000005
#define LOCALE_SCOUNTRY 0x00000006
#define LOCALE_SABBREVCTRYNAME 0x00000007
#define LOCALE_IDEFAULTLANGUAGE 0x00000009
#define LOCALE_IDEFAULTCOUNTRY 0x0000000A
#define LOCALE_IDEFAULTCODEPAGE 0x0000000B
#define LOCALE_SLIST 0x0000000C
#define LOCALE_IMEASURE 0x0000000D
#define LOCALE_SDECIMAL 0x0000000E
#define LOCALE_STHOUSAND 0x0000000F
#define LOCALE_SENGLANGUAGE 0x00001001
#define LOCALE_SENGCOUNTRY 0x00001002
#define LOCALE_IDEFAULTANSICODEPAGE 0x00001004
#define LOCALE_SISO639LANGNAME 0x00000059
#define LOCALE_SISO3166CTRYNAME 0x0000005A
#define LOCALE_SNAME 0x0000005C

// The user's locale is the machine's configured one; the system locale is
// "locale.systemlcid" when the machine sets it, else the user's.
WINBASEAPI LCID WINAPI GetUserDefaultLCID(void);
WINBASEAPI LCID WINAPI GetSystemDefaultLCID(void);
WINBASEAPI LANGID WINAPI GetUserDefaultLangID(void);
WINBASEAPI LANGID WINAPI GetSystemDefaultLangID(void);
WINBASEAPI LANGID WINAPI GetUserDefaultUILanguage(void);
// Returns the characters written including the terminator; with `cch` 0 the
// size needed. Too small: 0 and ERROR_INSUFFICIENT_BUFFER. An unknown locale
// ERROR_INVALID_PARAMETER, an unknown item ERROR_INVALID_FLAGS. For the
// user's locale LOCALE_ICOUNTRY is the machine's configured country unless
// LOCALE_NOUSEROVERRIDE; the system locale's code pages are the machine's.
WINBASEAPI int WINAPI GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int cch);

// --- Special folders ---

#ifndef GUID_DEFINED
#define GUID_DEFINED
typedef struct _GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
} GUID;
#endif
typedef GUID KNOWNFOLDERID;
typedef const KNOWNFOLDERID* REFKNOWNFOLDERID;

#define CSIDL_PERSONAL 0x0005
#define CSIDL_MYDOCUMENTS 0x0005
#define CSIDL_APPDATA 0x001a
#define CSIDL_LOCAL_APPDATA 0x001c
#define CSIDL_COMMON_APPDATA 0x0023
#define CSIDL_WINDOWS 0x0024
#define CSIDL_SYSTEM 0x0025
#define CSIDL_PROGRAM_FILES 0x0026
#define CSIDL_PROFILE 0x0028
#define CSIDL_FLAG_DONT_VERIFY 0x4000
#define CSIDL_FLAG_CREATE 0x8000
#define CSIDL_FLAG_MASK 0xFF00
#define SHGFP_TYPE_CURRENT 0
#define SHGFP_TYPE_DEFAULT 1

#define KF_FLAG_DEFAULT 0x00000000
#define KF_FLAG_DONT_VERIFY 0x00004000
#define KF_FLAG_CREATE 0x00008000

#ifndef HRESULT_FROM_WIN32
#define HRESULT_FROM_WIN32(x) \
    ((HRESULT)(x) <= 0 ? ((HRESULT)(x)) : ((HRESULT)(((x)&0x0000FFFF) | (7 << 16) | 0x80000000)))
#endif
#ifndef E_NOTIMPL
#define E_NOTIMPL ((HRESULT)0x80004001L)
#endif

WINBASEAPI extern const KNOWNFOLDERID FOLDERID_LocalAppDataLow;
WINBASEAPI extern const KNOWNFOLDERID FOLDERID_LocalAppData;
WINBASEAPI extern const KNOWNFOLDERID FOLDERID_RoamingAppData;
WINBASEAPI extern const KNOWNFOLDERID FOLDERID_ProgramData;
WINBASEAPI extern const KNOWNFOLDERID FOLDERID_Documents;
WINBASEAPI extern const KNOWNFOLDERID FOLDERID_Profile;
WINBASEAPI extern const KNOWNFOLDERID FOLDERID_Windows;
WINBASEAPI extern const KNOWNFOLDERID FOLDERID_System;
WINBASEAPI extern const KNOWNFOLDERID FOLDERID_ProgramFiles;

// Writes the folder's path (at most MAX_PATH characters) into `path`.
// `token` null means the calling thread's user. Folders of the user's
// profile are laid out as on the machine's Windows version (5.x: "Application
// Data", "Local Settings\\Application Data", "My Documents"; 6.x:
// "AppData\\Roaming", "AppData\\Local", "Documents"). E_INVALIDARG for an unknown CSIDL.
// The folders of a user profile exist from the first query on, as a real
// profile holds them; CSIDL_FLAG_DONT_VERIFY answers without making them.
WINBASEAPI HRESULT WINAPI SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags, LPWSTR path);
// As above for a known folder; *path receives a CoTaskMemAlloc'd string (null
// on failure). Known folders exist from Windows 6.0 on: E_NOTIMPL before.
WINBASEAPI HRESULT WINAPI SHGetKnownFolderPath(REFKNOWNFOLDERID id, DWORD flags, HANDLE token, PWSTR* path);

WINBASEAPI LPVOID WINAPI CoTaskMemAlloc(SIZE_T size);
WINBASEAPI void WINAPI CoTaskMemFree(LPVOID block);

WIN_END_DECLS
