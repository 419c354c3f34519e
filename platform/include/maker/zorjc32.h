// The job-control library's published interface (ZORJC32.DLL): the two
// entries a caller binds and the operation table they hand out. The library
// keeps, per printer, the job identity that goes with every print job; its
// callers rely only on the operations and results below.
#pragma once
#include "../win/types.h"

// Interface versions JCGetInterface grants. 257 and 258 hand out the nine
// operations of JcInterface; 259 hands out JcInterface259, the same nine
// followed by the per-user query (below).
constexpr DWORD kJcVersion257 = 257;
constexpr DWORD kJcVersion258 = 258;
constexpr DWORD kJcVersion259 = 259;

// Results.
constexpr DWORD kJcOk = 0;
// An item code the library does not keep, or a buffer too small for the
// value (the size needed is then returned).
constexpr DWORD kJcMoreData = 0x20000001u;

// Value kinds of the item operations.
constexpr DWORD kJcKindText = 1;    // UTF-16 text with its NUL
constexpr DWORD kJcKindNumber = 4;  // a 32-bit number, 4 bytes

// Item codes the library keeps. 1-8 are the job identity; 256-258 describe
// the driver (product word, driver version, LANGID) and exist from 258 on.
constexpr DWORD kJcCodeUserCode = 1, kJcCodeOwner = 2, kJcCodePassword = 3, kJcCodeUserId = 4,
                kJcCodeDocument = 5, kJcCodeTelNo = 6, kJcCodeTelLine = 7, kJcCodeStored = 8,
                kJcCodeProduct = 256, kJcCodeVersion = 257, kJcCodeLangId = 258;

// The language record of the send-language operation: 8 bytes, u32 its size
// (8) at 0, u16 primary language id at 4, u16 sublanguage id at 6.
constexpr DWORD kJcLanguageRecordSize = 8;

// The operation table, in slot order. `conn` is a connection of open.
struct JcInterface {
    // 0, 1: operations on a printer the library administers; the library's
    // result is the caller's.
    DWORD (*printerA)(const WCHAR* printer);
    DWORD (*printerB)(const WCHAR* printer);
    // 2: opens a connection for the printer; 0 with *conn set when open.
    DWORD (*open)(const WCHAR* printer, HANDLE* conn);
    // 3: ends a connection.
    DWORD (*close)(HANDLE conn);
    // 4: whether item `code` has a value: 0 with *state bit 0 set when it has.
    DWORD (*itemState)(HANDLE conn, DWORD code, DWORD* state);
    // 5: the value of item `code` as `kind` (1, text) into `buffer` of `bytes`
    // bytes; a null buffer or one too small answers kJcMoreData with the
    // size needed in *needed.
    DWORD (*getItem)(HANDLE conn, DWORD code, DWORD kind, void* buffer, DWORD bytes, DWORD* needed);
    // 6: sets item `code` from `value`: kind 1 text of `bytes` bytes (up to
    // its NUL; an empty text removes the value), kind 4 a number (4 bytes).
    DWORD (*setItem)(HANDLE conn, DWORD code, DWORD kind, const void* value, DWORD bytes);
    // 7: hands the library a 32-bit value for the connection's job.
    DWORD (*call)(HANDLE conn, DWORD value);
    // 8: the printer's language as an 8-byte language record.
    DWORD (*sendLanguage)(HANDLE conn, DWORD selector, const BYTE* record);
};

// Version 259 adds, after the nine operations, the per-user query: the same
// as getItem, asked on behalf of the user `user` whose job it is (the user
// the spooler gives the job). The library answers the printer's value and
// records the query under that user; a null or empty user name is refused
// with ERROR_INVALID_PARAMETER (87), so a caller must know whose job it is.
struct JcInterface259 {
    JcInterface base;
    DWORD (*getItemForUser)(HANDLE conn, DWORD code, DWORD kind, const WCHAR* user, void* buffer, DWORD bytes,
                            DWORD* needed);
};

// The library's entries: JCGetInterface (version, out table) answers 0 with
// the table of a version it grants; JCDisposeInterface returns a table.
using JcGetInterfaceFn = DWORD (*)(DWORD version, JcInterface** table);
using JcDisposeInterfaceFn = void (*)(JcInterface* table);
