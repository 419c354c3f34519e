// The job-control client: loads the maker's job-control library, opens and
// closes a connection for the context's printer and moves the job-identity
// items between the item store and the library. Results are the library's
// (0 success, kJcMoreData for an unknown item code), or a system error code
// when the library or an entry cannot be loaded.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Commands of JcDispatch.
constexpr uint32_t kJcGetItems = 0x100;      // library to items (open connection needed)
constexpr uint32_t kJcSetItems = 0x200;      // items to library (open connection needed)
constexpr uint32_t kJcResendItems = 0x400;   // clear in the store, then set
constexpr uint32_t kJcOpen = 0x10004;        // load and open, left open
constexpr uint32_t kJcOpenGetAll = 0x10010;  // load, open, get every item
constexpr uint32_t kJcClose = 0x20008;       // close and unload
constexpr uint32_t kJcCloseAlt = 0x20020;
constexpr uint32_t kJcPrinterA = 0x30001;    // operation A on the printer
constexpr uint32_t kJcPrinterB = 0x30002;    // operation B on the printer
constexpr uint32_t kJcFetch = 0x30040;       // get the items in a connection of its own
constexpr uint32_t kJcStore = 0x30080;       // set the items in a connection of its own

// Item masks: a bit per row of the item table.
constexpr uint32_t kJcMaskUserCode = 0x1;
constexpr uint32_t kJcMaskIdentity = 158;  // owner, password, user ID, document, stored password
constexpr uint32_t kJcMaskJobItems = 159;  // the identity and the user code
constexpr uint32_t kJcMaskDriver = 0x700;  // product, driver version, LANGID
constexpr uint32_t kJcMaskAll = 0x7FF;

// One row of the item table: the library's code, its mask bit, the item it
// carries (0 for the driver's own values) and whether a caller only sets it.
struct JcItemRow {
    uint32_t code;
    uint32_t maskBit;
    int itemId;
    bool setOnly;
};
const JcItemRow* JcItemTable();
constexpr size_t kJcItemRows = 11;
// The row of `code`, or null for a code the library does not keep.
const JcItemRow* JcFindRow(uint32_t code);

// Loads "ZORJC32.DLL" from the system directory when nothing is loaded and
// asks for version 258, else 257. 0, or the error (nothing left loaded).
DWORD JcLoadInterface(JcWorkspace* state);
// Disposes of the table and frees the library.
void JcUnloadInterface(JcWorkspace* state);

// The command set above; any other command does nothing and answers 0.
DWORD JcDispatch(DrvContext* ctx, uint32_t command, uint32_t mask);

// Guarded wrappers: each runs while job control is on (always in this
// driver) and answers its command's result, 0 while it is off.
DWORD JcCmd30001IfOn(DrvContext* ctx);
DWORD JcFetchItemsIfOn(DrvContext* ctx, uint32_t mask);
DWORD JcOpenIfOn(DrvContext* ctx);
DWORD JcCloseIfOn(DrvContext* ctx);
DWORD JcGetItemsIfOn(DrvContext* ctx, uint32_t mask);
DWORD JcSetItemsIfOn(DrvContext* ctx, uint32_t mask);
DWORD JcResendItemsIfOn(DrvContext* ctx, uint32_t mask);
DWORD JcStoreItemsIfOn(DrvContext* ctx, uint32_t mask);
// The printer language as a language record (selector 1) on the open
// connection; 0 without one.
DWORD JcSendLanguageIfOn(DrvContext* ctx);
// Clears the items of codes 1-8 of the mask in the item store only.
void ClearJcItemsIfOn(DrvContext* ctx, uint32_t mask);

// The library's call-with-value on the open connection; 0 without one.
DWORD JcCallWithSession(DrvContext* ctx, uint32_t value);

// Codes 1-8 of the mask between the items and printer data, under each
// item's field name. kJcMoreData when the mask names other codes (the codes
// 1-8 in it are still moved), else 0.
DWORD JcReadItemsFromPrinterData(DrvContext* ctx, uint32_t mask);
DWORD JcSaveItemsToPrinterData(DrvContext* ctx, uint32_t mask);

// 1 when job control is off, or a connection is open or can be opened for
// the printer; 0 when the library cannot be loaded or will not open one.
int JcProbe(DrvContext* ctx);
// Installation and upgrade: a printer the library cannot open gets
// operation A and the user code; codes 256-258 are stored in every case.
// 1 when the driver's values were stored, else 0.
int JcInitAtInstall(DrvContext* ctx);

// The text the library holds for `code` through the open connection, into
// `text` of `chars` characters (cut, always terminated). 0 with the value,
// kJcMoreData when it has none, or the library's error.
DWORD JcQueryItemText(DrvContext* ctx, uint32_t code, WCHAR* text, size_t chars);

// The merge's fetch of the job-control items of `mask` (command kJcFetch).
// 1 when fetched, 0 when the library could not be reached.
int JobControlFetchItems(DrvContext* ctx, uint32_t mask);
// After a full settings import: open, get the user code, set the identity
// items (mask 158) from the imported settings, close. 1 when the connection
// opened, else 0.
int JobControlRefresh(DrvContext* ctx);

// Closes a connection the context still holds and unloads the library; for
// a context being freed.
void JcReleaseContext(DrvContext* ctx);

}  // namespace vesk
