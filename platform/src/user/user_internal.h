// Shared state of the window system's parts: the image handles (bitmaps,
// icons, cursors) and the window table.
#pragma once
#include <win/user.h>
#include <winsim/window.h>

#include <memory>
#include <mutex>

#pragma GCC visibility push(default)
namespace winsim::detail {

// The lock of the window table, the image table and the draw log.
std::recursive_mutex& userLock();

// Image handles: a new handle for an image; the image of a live handle.
HANDLE addImage(ImageInfo image);
const ImageInfo* findImage(HANDLE handle);
bool removeImage(HANDLE handle, char kind);

// Adds a line to the draw log.
void logDraw(DrawRecord record);
// The window a live DC was taken for (null for an unknown DC).
bool windowOfDc(HDC dc, HWND* window);
// Sets the owner and the dialog procedure of a window the dialog builder made.
void setWindowOwner(HWND window, HWND owner, LONG_PTR dialogProc);

}  // namespace winsim::detail
#pragma GCC visibility pop
