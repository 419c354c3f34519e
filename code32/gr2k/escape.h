// The escapes DrvEscape serves: the standard queries and settings, the
// page-size query, and the private escapes by which the maker's tools set
// and read the job's identity items and read version and library names.
//
// Every size an application passes is checked before anything is read or
// written: an input too short for what an escape reads fails it and changes
// nothing, an output buffer too small for what it writes gives 0 and is not
// touched. Text taken from an input never reaches past the input's size.
#pragma once
#include <win/types.h>

#include "pdev.h"

namespace vesk {

enum : ULONG {
    kEscQuerySupport = 8,     // QUERYESCSUPPORT
    kEscSetCopyCount = 17,    // SETCOPYCOUNT
    kEscPassThrough = 19,     // PASSTHROUGH
    kEscGetTechnology = 20,   // GETTECHNOLOGY
    kEscPrintableArea = 42,
    kEscFirstPrivate = 111,
    kEscLastPrivate = 126,
    kEscCoreVersion = 140,
    kEscSpoolLibrary = 141,
};

// The result of the escapes that report failure as -1.
constexpr ULONG kEscFailed = 0xFFFFFFFFu;

// An escape's buffers as the engine hands them in. A null buffer counts as
// one of 0 bytes; an output buffer of 0 bytes is no output buffer.
struct EscapeBuffers {
    const BYTE* in;
    ULONG inSize;
    BYTE* out;
    ULONG outSize;

    EscapeBuffers(const void* input, ULONG inputSize, void* output, ULONG outputSize)
        : in(static_cast<const BYTE*>(input)),
          inSize(input ? inputSize : 0),
          out(static_cast<BYTE*>(output)),
          outSize(output ? outputSize : 0) {}
    bool hasOutput() const { return outSize != 0; }
};

// True when the device serves `escape`: 8, 17, 20, 42, 111 to 126, 140 and
// 141 always, PASSTHROUGH only while the device binds pages (its
// first-page-header-only flag).
bool EscapeSupported(const Pdev* pdev, ULONG escape);

// The private escapes 111 to 126 on the device's driver context.
ULONG PrivateEscape(Pdev* pdev, ULONG escape, const EscapeBuffers& b);

}  // namespace vesk
