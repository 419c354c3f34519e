// Bitmaps, icons and cursors of resource modules as handles of the window
// system: each load decodes the module's DIB into a table entry that
// DeleteObject, DestroyIcon or DestroyCursor ends. Handles are table
// indexes with a generation, never addresses.
#include <map>

#include "core/sim.h"
#include "user/resource_file.h"
#include "user/user_internal.h"

using namespace winsim::detail;

namespace {

struct Images {
    std::map<uintptr_t, winsim::ImageInfo> live;
    uintptr_t next = 1;
    // The system's cursors and icons: one shared handle each, never freed.
    std::map<uintptr_t, winsim::ImageInfo> shared;
};
Images& images() {
    static auto* i = new Images;
    return *i;
}

constexpr uintptr_t kImageTag = 0x7E000000;  // keeps image handles apart from others
constexpr uintptr_t kSharedTag = 0x7F000000;

HANDLE load(const char* function, HMODULE module, LPCWSTR name, uint32_t type, char kind) {
    const std::string detail = IS_INTRESOURCE(name) ? std::to_string(reinterpret_cast<uintptr_t>(name)) : "named";
    if (enter(function, detail)) return nullptr;
    if (!IS_INTRESOURCE(name)) {
        setError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const auto id = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(name));
    winsim::ImageInfo img;
    img.kind = kind;
    img.resourceId = id;
    if (!module) {
        // The system's own cursors and icons: a plain 32 x 32 image.
        if (kind == 'B' || (id != 32512 && id != 32514)) {
            setError(ERROR_RESOURCE_NAME_NOT_FOUND);
            return nullptr;
        }
        img.width = img.height = 32;
        img.pixels.assign(32 * 32, 0xFFFFFF);
        if (kind == 'I') {
            // The application icon: a small window, framed, with its title bar.
            for (int y = 4; y < 28; ++y)
                for (int x = 2; x < 30; ++x)
                    img.pixels[size_t(y) * 32 + size_t(x)] = (x == 2 || x == 29 || y == 4 || y == 27) ? 0x000000
                                                             : y < 10                                  ? 0x000080
                                                                                                       : 0xC0C0C0;
        }
        std::lock_guard g(userLock());
        const uintptr_t h = kSharedTag | (kind == 'C' ? 0x1000u : 0x2000u) | ((id & 0xFF) << 2);
        images().shared.emplace(h, std::move(img));
        return reinterpret_cast<HANDLE>(h);
    }
    auto file = moduleResources(module);
    if (!file) return nullptr;
    const ResEntry* e = file->find(type, id);
    if (!e) {
        setError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const uint8_t* p = file->data(*e);
    size_t size = e->size;
    if (kind != 'B') {
        if (size < 4) {
            setError(ERROR_RESOURCE_DATA_NOT_FOUND);
            return nullptr;
        }
        img.hotX = p[0] | (p[1] << 8);
        img.hotY = p[2] | (p[3] << 8);
        p += 4, size -= 4;
    }
    ResImage dib;
    if (!decodeDib(p, size, dib)) {
        setError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    img.width = dib.width;
    img.height = dib.height;
    img.pixels = std::move(dib.pixels);
    return addImage(std::move(img));
}

}  // namespace

namespace winsim::detail {

std::recursive_mutex& userLock() {
    static auto* m = new std::recursive_mutex;
    return *m;
}

HANDLE addImage(ImageInfo image) {
    std::lock_guard g(userLock());
    auto& t = images();
    const uintptr_t h = kImageTag | (t.next++ << 2);
    t.live.emplace(h, std::move(image));
    return reinterpret_cast<HANDLE>(h);
}

const ImageInfo* findImage(HANDLE handle) {
    std::lock_guard g(userLock());
    auto it = images().live.find(reinterpret_cast<uintptr_t>(handle));
    if (it != images().live.end()) return &it->second;
    auto sh = images().shared.find(reinterpret_cast<uintptr_t>(handle));
    return sh == images().shared.end() ? nullptr : &sh->second;
}

bool removeImage(HANDLE handle, char kind) {
    std::lock_guard g(userLock());
    if (auto sh = images().shared.find(reinterpret_cast<uintptr_t>(handle)); sh != images().shared.end())
        return sh->second.kind == kind;  // shared: stays
    auto it = images().live.find(reinterpret_cast<uintptr_t>(handle));
    if (it == images().live.end() || it->second.kind != kind) return false;
    images().live.erase(it);
    return true;
}

}  // namespace winsim::detail

namespace winsim {

bool imageInfo(HANDLE image, ImageInfo& out) {
    std::lock_guard g(userLock());
    const ImageInfo* i = findImage(image);
    if (!i) return false;
    out = *i;
    return true;
}

size_t liveImages() {
    std::lock_guard g(userLock());
    return images().live.size();
}

}  // namespace winsim

extern "C" {

WINBASEAPI HBITMAP WINAPI LoadBitmapW(HINSTANCE module, LPCWSTR name) {
    return static_cast<HBITMAP>(load("LoadBitmapW", module, name, 2, 'B'));
}

WINBASEAPI HICON WINAPI LoadIconW(HINSTANCE module, LPCWSTR name) {
    return static_cast<HICON>(load("LoadIconW", module, name, 3, 'I'));
}

WINBASEAPI HCURSOR WINAPI LoadCursorW(HINSTANCE module, LPCWSTR name) {
    return static_cast<HCURSOR>(load("LoadCursorW", module, name, 1, 'C'));
}

WINBASEAPI BOOL WINAPI DestroyIcon(HICON icon) {
    enter("DestroyIcon");
    if (removeImage(icon, 'I')) return TRUE;
    setError(ERROR_INVALID_HANDLE);
    return FALSE;
}

WINBASEAPI BOOL WINAPI DestroyCursor(HCURSOR cursor) {
    enter("DestroyCursor");
    if (removeImage(cursor, 'C')) return TRUE;
    setError(ERROR_INVALID_HANDLE);
    return FALSE;
}

// Pens, brushes and drawing bitmaps first, then the loaded bitmaps.
WINBASEAPI BOOL WINAPI DeleteObject(HANDLE object) {
    enter("DeleteObject");
    if (const int done = deleteGdiObject(object); done >= 0) return done ? TRUE : FALSE;
    return removeImage(object, 'B') ? TRUE : FALSE;
}

}  // extern "C"
