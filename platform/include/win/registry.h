// Registry keys and values.
//
// Functions return their result code (a LONG, ERROR_SUCCESS on success) and
// leave the thread's last error alone.
#pragma once
#include "types.h"

WIN_BEGIN_DECLS

// Predefined keys (always open; closing them does nothing).
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// Key access rights.
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_EXECUTE 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

// RegCreateKeyExW options and dispositions.
#define REG_OPTION_NON_VOLATILE 0x0
#define REG_OPTION_VOLATILE 0x1
#define REG_OPTION_CREATE_LINK 0x2
#define REG_OPTION_BACKUP_RESTORE 0x4
#define REG_OPTION_OPEN_LINK 0x8
#define REG_CREATED_NEW_KEY 1
#define REG_OPENED_EXISTING_KEY 2

typedef ACCESS_MASK REGSAM;

// Opens an existing key below hKey (a null or empty subkey opens hKey itself).
WINBASEAPI LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                     PHKEY phkResult);
// The same with the most access the caller may have.
WINBASEAPI LONG WINAPI RegOpenKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult);
// Opens a key, creating it and any missing key above it.
WINBASEAPI LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                                       DWORD dwOptions, REGSAM samDesired,
                                       const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                                       LPDWORD lpdwDisposition);
WINBASEAPI LONG WINAPI RegCreateKeyW(HKEY hKey, LPCWSTR lpSubKey, PHKEY phkResult);
// Reads a value: its type, and its bytes exactly as stored (a string is not
// necessarily NUL-terminated). A null lpData asks for the size only; a too
// small buffer gives ERROR_MORE_DATA with the size needed in *lpcbData.
WINBASEAPI LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                        LPBYTE lpData, LPDWORD lpcbData);
// Stores cbData bytes under a value name with a type.
WINBASEAPI LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                                      const BYTE* lpData, DWORD cbData);
WINBASEAPI LONG WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some).
WINBASEAPI LONG WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
// Values in the order they were created, subkeys in case-insensitive name
// order; ERROR_NO_MORE_ITEMS past the last. Name sizes are in characters.
WINBASEAPI LONG WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                                     LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
WINBASEAPI LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                                     LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                                     PFILETIME lpftLastWriteTime);
WINBASEAPI LONG WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                        LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen, LPDWORD lpcbMaxClassLen,
                                        LPDWORD lpcValues, LPDWORD lpcbMaxValueNameLen,
                                        LPDWORD lpcbMaxValueLen, LPDWORD lpcbSecurityDescriptor,
                                        PFILETIME lpftLastWriteTime);
WINBASEAPI LONG WINAPI RegCloseKey(HKEY hKey);
WINBASEAPI LONG WINAPI RegFlushKey(HKEY hKey);

WIN_END_DECLS
