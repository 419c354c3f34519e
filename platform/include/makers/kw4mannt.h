// The maker's bidirectional monitor library ("kw4manNT.dll"; "kwoman32.dll"
// on Windows 9x): its one entry fills a caller-owned table of operations
// that ask the device what it has installed.
//
// Choices of ours, where the driver needs only the slot order and results:
// - The table starts with two reserved 32-bit words that the entry fills
//   (kBidiTableVersion and the number of slots); the slots follow 8 bytes
//   into the table as native function pointers, so on a 32-bit build the
//   table is 40 bytes.
// - The entry answers nonzero when it filled the table.
// - A query call without buffer answers as a success would and stores the
//   answer's size in bytes in *needed; a failing call (a kind or subkind the
//   device does not know: ERROR_NOT_SUPPORTED; a buffer too small:
//   ERROR_INSUFFICIENT_BUFFER) answers 0 (-1 for kind 11) and still reports
//   the size when the answer exists.
// - A begin call that fails with last error 102 (the request or group is
//   already begun) still hands out its handle.
// - Results with a buffer: list kinds the number of 32-bit entries copied,
//   kind 11 the number of bytes copied, other kinds and the group query 1.
#pragma once
#include <win/types.h>

#include <cstddef>

namespace maker {

// Query kinds of slot 6.
constexpr DWORD kBidiKindTrays = 1;
constexpr DWORD kBidiKindOptions = 2;
constexpr DWORD kBidiKindSystemVersion = 8;
constexpr DWORD kBidiKindMemory = 11;
constexpr DWORD kBidiKindTrayPaper = 20;
constexpr DWORD kBidiKindTrayMedia = 21;
constexpr DWORD kBidiKindTrayStatus = 23;
// The group of slots 3 and 7 and its subkinds.
constexpr DWORD kBidiGroup = 15;
constexpr DWORD kBidiSubEmulationVersion = 2;
constexpr DWORD kBidiSubMemoryKind = 258;
constexpr DWORD kBidiSubOther = 259;
// Request masks of slot 2.
constexpr DWORD kBidiMaskStatus = 0x104;
constexpr DWORD kBidiMaskFull = 0x2011C;
// Characters of the model-name buffer of slot 4, with its NUL.
constexpr DWORD kBidiModelNameChars = 33;

constexpr DWORD kBidiTableVersion = 1;
constexpr DWORD kBidiSlotCount = 8;

typedef BOOL (*BidiOpenFn)(LPCWSTR printer, HANDLE* handle, BOOL* ok);
typedef BOOL (*BidiCloseFn)(HANDLE handle);
typedef BOOL (*BidiBeginRequestFn)(HANDLE handle, HANDLE* request, DWORD mask, DWORD* value);
typedef BOOL (*BidiBeginGroupFn)(HANDLE request, HANDLE* group, DWORD groupId, DWORD one);
typedef BOOL (*BidiModelNameFn)(HANDLE handle, DWORD zero, LPWSTR buffer, DWORD chars);
typedef BOOL (*BidiUnusedFn)(void);
typedef LONG (*BidiQueryFn)(HANDLE request, DWORD kind, void* buffer, DWORD size, DWORD* needed);
typedef LONG (*BidiGroupQueryFn)(HANDLE group, DWORD groupId, DWORD subkind, void* buffer, DWORD size,
                                 DWORD* needed);

struct BidiApiTable {
    DWORD reserved[2];
    BidiOpenFn open;                  // slot 0
    BidiCloseFn close;                // slot 1
    BidiBeginRequestFn beginRequest;  // slot 2
    BidiBeginGroupFn beginGroup;      // slot 3
    BidiModelNameFn modelName;        // slot 4
    BidiUnusedFn unused;              // slot 5
    BidiQueryFn query;                // slot 6
    BidiGroupQueryFn groupQuery;      // slot 7
};
static_assert(offsetof(BidiApiTable, open) == 8, "the slots start 8 bytes into the table");
static_assert(sizeof(void*) != 4 || sizeof(BidiApiTable) == 40, "two words and eight 32-bit slots");

typedef BOOL (*MarenInitializeBidiApiWFn)(BidiApiTable* table);
constexpr const char kBidiInitEntry[] = "MarenInitializeBidiApiW";

}  // namespace maker
