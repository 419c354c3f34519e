// The header test of Windows bitmap files, for callers without page code.
#pragma once
#include <win/types.h>

namespace vesk {

// 1 when the file opens and its info header (the 32-bit value at byte 14)
// is the 40-byte Windows form; the file is closed again. 0 otherwise.
int BmpFileIsWindowsBitmap(const WCHAR* path);

}  // namespace vesk
