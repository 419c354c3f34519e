// What an application asks of a printer without a handle: its DEVMODE in
// the ANSI layout and the path of its settings INI.
#pragma once
#include <win/types.h>

namespace vesk {

// Bytes the public part loses in the ANSI layout (two 32-character names).
constexpr uint32_t kExcAnsiShrink = 64;

// The wide DEVMODE `wide` (of `wideSize` bytes) in the ANSI layout into
// `out` of `outSize` bytes, named `printerName`: the names cut at 31 bytes
// on a character boundary. The bytes written, 0 when they do not fit.
uint32_t ExcDevmodeToAnsi(const BYTE* wide, uint32_t wideSize, const char* printerName, BYTE* out, uint32_t outSize);

}  // namespace vesk
