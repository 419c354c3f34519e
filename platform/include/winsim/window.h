// Control interface of the headless window system for tests and the host:
// the window table, the images behind bitmap, icon and cursor handles, and
// the log of what was drawn on window device contexts.
#pragma once
#include <string>
#include <vector>

#include "../win/user.h"
#include "winsim.h"

namespace winsim {

struct WINSIM_API WindowInfo {
    HWND handle = nullptr;
    std::u16string className;
    std::u16string text;
    int id = 0;
    HWND parent = nullptr;
    HWND owner = nullptr;
    LONG_PTR procedure = 0;
};

// Makes a window of a class (registered or not) as an application would
// have it: top-level when `parent` is null. Null when the parent is stale.
WINSIM_API HWND createWindow(std::u16string_view className, std::u16string_view text, HWND parent = nullptr,
                             int id = 0, LONG_PTR procedure = 0);
// Every live window, in creation order.
WINSIM_API std::vector<WindowInfo> windows();
WINSIM_API bool windowInfo(HWND window, WindowInfo& out);
// Destroys every window and every registered class.
WINSIM_API void resetWindows();

// The image behind a bitmap, icon or cursor handle.
struct WINSIM_API ImageInfo {
    char kind = 0;  // 'B' bitmap, 'I' icon, 'C' cursor
    uint32_t resourceId = 0;
    int32_t width = 0, height = 0;
    int32_t hotX = 0, hotY = 0;
    std::vector<uint32_t> pixels;  // 0x00RRGGBB, top row first
};
WINSIM_API bool imageInfo(HANDLE image, ImageInfo& out);
// Bitmap, icon and cursor handles not yet destroyed.
WINSIM_API size_t liveImages();

// What was drawn on device contexts of windows, oldest first.
struct WINSIM_API DrawRecord {
    HWND window = nullptr;
    std::string operation;  // "DrawIcon"
    int x = 0, y = 0;
    uint32_t resourceId = 0;
};
WINSIM_API std::vector<DrawRecord> drawLog();
WINSIM_API void clearDrawLog();
// Device contexts taken with GetDC and not yet released.
WINSIM_API size_t openWindowDcs();

}  // namespace winsim
