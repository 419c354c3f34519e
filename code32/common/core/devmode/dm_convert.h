// DEVMODE versions and conversion between them. A DEVMODE is given with the
// length of the buffer that holds it; every copy stays inside both buffers,
// and a DEVMODE whose own sizes claim more than its buffer is refused.
#pragma once
#include <win/types.h>

#include <cstddef>

namespace vesk {

// The version of a DEVMODE from its dmSize: 188 → 0x0320, 212 → 0x0400,
// 220 → 0x0401, else its own dmSpecVersion. 0 for a null DEVMODE or one too
// short to hold the size fields.
uint16_t DmPublicVersion(const BYTE* dm, size_t len);

// The length dmSize + dmDriverExtra of a DEVMODE (0 when null or too short to
// say). Callers that only have a pointer use it as the buffer's length.
size_t DmClaimedLength(const BYTE* dm);

// Copies the public part (the smaller of the two dmSize values) and the
// private part (the smaller of the two dmDriverExtra values) from `src` into
// `dst`, keeping the destination's dmDriverVersion, dmSize and dmDriverExtra
// and giving it the dmSpecVersion of its own size. The source must be of the
// current public size or a 3.20 DEVMODE. Returns the bytes copied, or -1.
int32_t DmCopyPublicPart(const BYTE* src, size_t srcLen, BYTE* dst, size_t dstLen);

// As DmCopyPublicPart without the size test on the source; the private part
// is copied only when the source's dmDriverExtra is this driver's private size
// and its dmDriverVersion equals the destination's. -1 when it is not (the
// public part has then been copied).
int32_t DmCopyConvert(const BYTE* src, size_t srcLen, BYTE* dst, size_t dstLen);

// Builds `out` from `base` and, when given, the sizes of `sizes`: 1 done, 0
// when nothing could be copied, -1 without an output.
int DmCombine(const BYTE* base, size_t baseLen, const BYTE* sizes, size_t sizesLen, BYTE* out, size_t outLen);

// The conversion request of the spooler: 1 converted, 2 the caller is to
// build the driver's default DEVMODE, 0 failure with the thread's last error
// set (ERROR_INSUFFICIENT_BUFFER with the needed size in *size, or
// ERROR_INVALID_PARAMETER). `*size` is the length of the output buffer.
int DmConvertDevmode(const WCHAR* printerName, const BYTE* in, size_t inLen, BYTE* out, DWORD* size, DWORD mode);

}  // namespace vesk
