#include "core/bmp_header.h"

#include <win/files.h>

#include "core/files.h"

namespace vesk {

int BmpFileIsWindowsBitmap(const WCHAR* path) {
    if (!path || !path[0]) return 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    BYTE head[18] = {};
    const bool read = ReadFileCount(file, head, sizeof head) == static_cast<int32_t>(sizeof head);
    CloseHandle(file);
    if (!read) return 0;
    const uint32_t infoSize = head[14] | head[15] << 8 | head[16] << 16 | static_cast<uint32_t>(head[17]) << 24;
    return infoSize == 40 ? 1 : 0;
}

}  // namespace vesk
