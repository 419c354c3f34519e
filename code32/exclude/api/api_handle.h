// The versioned driver API's entry: the process-wide API level and the
// handle, which is a driver context of its own with the printer's name in
// its workspace. The handle holds no open printer between calls: each
// accessor opens the printer by name for the call.
#pragma once
#include <win/types.h>

#include <atomic>

#include "core/context.h"

namespace vesk {

// Creation flag of a versioned-API handle's context.
constexpr uint32_t kCreateApi = 0x200000u;
constexpr int32_t kApiVersionDefault = 3;
constexpr int kApiStatusItems = 35;
constexpr int kApiStatusEntries = 8;

// Per status item, one {disabled, hidden} entry for each related option.
struct ApiStatusEntry {
    uint32_t disabled;
    uint32_t hidden;
};
struct ApiStatusArray {
    ApiStatusEntry items[kApiStatusItems][kApiStatusEntries];
};
static_assert(sizeof(ApiStatusArray) == 35 * 64);

// Shared by every thread and handle; the last writer wins.
extern std::atomic<int32_t> ApiLevel;

// The handle's context when it can be worked on, else null.
DrvContext* ApiUsableHandle(void* handle);
// Opens the handle's printer by its workspace name into `out` and both
// printer-handle slots: 1 opened, 0 not (the slots are then left alone).
int ApiOpenPrinter(void* handle, HANDLE* out, PRINTER_DEFAULTSW* defaults);
// Closes the printer an accessor opened and clears the handle's slots, so
// no closed handle stays behind for a later call.
BOOL ApiClosePrinter(void* handle, HANDLE printer);

}  // namespace vesk

extern "C" {
// The API level now in force (read from the settings INI); 0 for a null or
// empty name, and the level is then left as it was.
__attribute__((visibility("default"))) int32_t WINAPI VESKDrvCheckAPIVer(const char* printerName);
// A handle for the printer of that ANSI name, or null.
__attribute__((visibility("default"))) void* WINAPI VESKDrvEnable(const char* printerName);
// Ends a handle (null is ignored); always 1.
__attribute__((visibility("default"))) int32_t WINAPI VESKDrvDisable(void* handle);
}
