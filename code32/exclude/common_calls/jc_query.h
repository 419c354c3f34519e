// The option-constraint library's single job-control query: one item's text
// for a printer, with the library loaded and freed around the call.
#pragma once
#include <win/types.h>

namespace vesk {

// The caller's buffer size in bytes for a job-control item.
DWORD JcQueryBufferBytes(DWORD item);

// Asks the job-control library for `item` (kind `subItem`) of the printer
// into `buffer`, of JcQueryBufferBytes(item) bytes; a longer answer is cut
// and ended with a wide NUL. 1 when the library answered, else 0 with the
// buffer unchanged.
int JcQueryStringExc(HANDLE printer, DWORD item, DWORD subItem, WCHAR* buffer);

// Hands one item (kind `kind`, `bytes` bytes of `text`) of the printer to
// the job-control library through its version-257 interface. 1 when it was
// handed over, else 0.
int JcSetItemDirect(HANDLE printer, DWORD item, DWORD kind, const WCHAR* text, DWORD bytes);

}  // namespace vesk
