// The bidirectional device query: the maker's monitor library asks the
// printer which trays, paper, media, options, memory and firmware it has, and
// the answers go into the device-information items (class 2). They are kept
// in printer data; a process that may not write printer data leaves them in
// the bidirectional settings file "KW00C171.ini" of the private directory,
// from which the next open of a context with that right moves them (see
// SettingsSyncAtOpen). Results are 1 for success and 0 for failure unless
// said otherwise.
#pragma once
#include <win/types.h>
#include <win/user.h>

#include "core/context.h"

namespace vesk {

// Query flags.
constexpr uint32_t kBidiWithWindow = 0x1;  // the wait window over the caller's window
constexpr uint32_t kBidiQuiet = 0x4;       // no window (the capability summary)
constexpr uint32_t kBidi9xName = 0x8;      // the 9x library name on Windows 9x

// Strings and messages of the query.
constexpr uint16_t kBidiWaitText = 7001;
constexpr uint16_t kBidiWarning = 7002;

// The gate keys of the language section of the per-printer INI: on when the
// value (default 1) is 1 and the INI path is a drive path.
extern const WCHAR kBidiGateQuery[];  // the query is allowed
extern const WCHAR kBidiGateModel[];  // the device's model must be the printer's
int BidiGateOn(DrvContext* ctx, const WCHAR* key);

// At the document sheet's open: the stored results when there are some
// (state byte from the gate), else a query. Gate off: 1.
int BidiRefreshOnOpen(DrvContext* ctx, HWND parent);
// State byte = 1 when the query gate is on, else 0. Always 1.
int BidiSetStateFromGate(DrvContext* ctx);
// The full query, with the wait window or quiet. Gate off: 1 (state 0);
// 1 as well, with nothing asked, while the remote-configuration bridge is
// connected and supplies the device information.
int BidiGetDeviceInfo(DrvContext* ctx, HWND parent);
int BidiGetDeviceInfoQuiet(DrvContext* ctx);
int BidiGetDeviceInfoEx(DrvContext* ctx, HWND parent, uint32_t flags);
// What stands for the wait window around a query: its open (given the
// query's flags; null for none) and its close.
struct BidiWaitOps {
    HWND (*open)(DrvContext* ctx, uint32_t flags);
    void (*close)(HWND window, DrvContext* ctx);
};
// The full query as BidiGetDeviceInfoEx, with the wait window through `ops`.
int BidiGetDeviceInfoWith(DrvContext* ctx, uint32_t flags, const BidiWaitOps& ops);
// The versions only, with the wait window; no flag written, the state byte
// left alone; on failure items 10271 and 10272 are emptied. Gate off: 1.
int BidiQueryDeviceStatus(DrvContext* ctx, HWND parent);
// 1 when the library loads, fills its table and opens the printer with ok.
int BidiMonitorIsAvailable(DrvContext* ctx, uint32_t flags);
// The query itself (model name, library, open, request, answers); `full`
// selects the full query, else the status query.
int BidiQueryCore(DrvContext* ctx, int full, uint32_t flags);

// The extended mode.
int BidiExInit(DrvContext* ctx);
int BidiExIsEnabled(DrvContext* ctx);
int BidiExApplyTrayDefaults(DrvContext* ctx);

// Printer data "BidiFlag" and "BidiExFlag" (4-byte REG_BINARY, bit 0). The
// getters answer bit 0, 0 when the value cannot be read. BidiHasFlag is in
// core/persist/opt_persist.h.
int BidiGetFlag(DrvContext* ctx);
int BidiSetFlag(DrvContext* ctx, uint32_t value);
int BidiGetExFlag(DrvContext* ctx);
int BidiSetExFlag(DrvContext* ctx, uint32_t value);

// The printer's section of "KW00C171.ini". Has: the key exists; Get: its
// value (0 when absent); Set: "1" or "0".
int BidiIniHasFlag(DrvContext* ctx);
int BidiIniGetFlag(DrvContext* ctx);
int BidiIniSetFlag(DrvContext* ctx, uint32_t value);
int BidiIniHasExFlag(DrvContext* ctx);
int BidiIniGetExFlag(DrvContext* ctx);
int BidiIniSetExFlag(DrvContext* ctx, uint32_t value);
int BidiIniClearSection(DrvContext* ctx);
// The device-information items from the printer's section.
int BidiIniImport(DrvContext* ctx);
int BidiIniImportFrom(const WCHAR* path, DrvContext* ctx);
// The device-information items into the printer's section, then "BidiFlag"
// and "BidiExFlag" = "1".
int BidiIniExport(DrvContext* ctx);
// The path of "KW00C171.ini" into `path` of kWsPathChars characters, the file
// made (CR LF) when missing and given the private directory's descriptor.
// 1 when the path could be built.
int BidiIniCreate(DrvContext* ctx, WCHAR* path);

// Warning 7002 over the window.
int BidiShowQueryWarning(DrvContext* ctx, HWND window);

}  // namespace vesk
