#include "common_calls/log_file_name.h"

#include <win/spooler.h>

namespace vesk {

int PrnGetLogFileName(WCHAR* buffer, DWORD bytes, DrvContext* ctx) {
    if (!buffer || bytes < sizeof(WCHAR) || !ctx) return 0;
    DWORD type = 0, needed = 0;
    const DWORD rc = GetPrinterDataW(ctx->printer, const_cast<LPWSTR>(u"LogFileName"), &type,
                                     reinterpret_cast<LPBYTE>(buffer), bytes, &needed);
    if (rc != ERROR_SUCCESS) return 0;
    // The value's text ends inside the buffer whatever the data held.
    const DWORD chars = bytes / sizeof(WCHAR);
    DWORD end = needed / sizeof(WCHAR);
    if (end >= chars) end = chars - 1;
    buffer[end] = 0;
    return 1;
}

}  // namespace vesk
