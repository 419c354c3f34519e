// The Exc handle: one printer, one driver context and what an outside
// application has given through the handle. A handle is used by one thread
// at a time; the library takes no lock of its own for it.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Items the handle tracks: the driver's items 1-730, and 731 and 732, which
// live only in the handle.
constexpr int32_t kExcItemCount = 732;

struct ExcContext {
    DrvContext* ctx;        // null after a failed reopening
    HANDLE printer;
    int32_t count;          // kExcItemCount
    BYTE* given;            // byte i: item i + 1 was set through the handle
    uint32_t* values;       // value i: last recorded raw value of item i + 1
    int32_t baseLength;     // bytes of the command base with its NUL, 0 for none
    char* base;
    int32_t changeLength;   // bytes of the change text with its NUL, 0 for none
    char* change;
};

// 0 with a fresh context, -1 when none could be created (the handle then has
// none). Query 1 lets the bidirectional state be asked from the device.
int ExcOpenContext(ExcContext* h, int query);
// Forgets everything given through the handle; with reopen 1 the handle
// gets a fresh context (ExcOpenContext's result), else 0.
int ExcResetHandle(ExcContext* h, int reopen);
// The handle when it can be worked on (it has a driver context), else null:
// every handle-taking function answers such a handle as a null one.
ExcContext* ExcUsableHandle(void* handle);

}  // namespace vesk

extern "C" {
// A new handle for the printer of that name (ANSI), or null.
__attribute__((visibility("default"))) void* WINAPI ExcGetExclusive(const char* printerName);
// Ends a handle; null is ignored.
__attribute__((visibility("default"))) void WINAPI ExcFreeExclusive(void* handle);
}
