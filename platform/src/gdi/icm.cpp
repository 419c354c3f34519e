// Colour management of the stand-in platform: profiles opened from memory
// and colour transforms made from them. No colours are converted; the
// handles are checked and counted so that callers' leaks and stale handles
// show.
#include <win/icm.h>
#include <winsim/engine.h>

#include <win/files.h>

#include "core/sim.h"

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

using winsim::detail::enter;
using winsim::detail::setError;

namespace {

struct ColorProfile {
    std::vector<uint8_t> bytes;
};
struct ColorTransform {
    HPROFILE dest = nullptr;
    HPROFILE target = nullptr;
    DWORD flags = 0;
};

struct ColorHandles {
    std::mutex lock;
    std::map<HANDLE, std::unique_ptr<ColorProfile>> profiles;
    std::map<HANDLE, std::unique_ptr<ColorTransform>> transforms;
};
ColorHandles& handles() {
    static auto* h = new ColorHandles;
    return *h;
}

// A profile header is 128 bytes: its size (big-endian) at 0, "acsp" at 36.
constexpr size_t kHeaderSize = 128;
bool wellFormed(const uint8_t* p, size_t n) {
    if (n < kHeaderSize || std::memcmp(p + 36, "acsp", 4) != 0) return false;
    uint32_t declared = (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
    return declared >= kHeaderSize && declared <= n;
}

}  // namespace

namespace winsim::engine {
size_t colorHandleCount() {
    auto& h = handles();
    std::lock_guard g(h.lock);
    return h.profiles.size() + h.transforms.size();
}
}  // namespace winsim::engine

extern "C" {

WINBASEAPI HPROFILE WINAPI OpenColorProfileW(PPROFILE pProfile, DWORD dwDesiredAccess, DWORD dwShareMode,
                                             DWORD dwCreationMode) {
    if (enter("OpenColorProfileW")) return nullptr;
    (void)dwShareMode;
    if (!pProfile || (dwDesiredAccess != PROFILE_READ && dwDesiredAccess != PROFILE_READWRITE) ||
        dwCreationMode != OPEN_EXISTING) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (pProfile->dwType != PROFILE_MEMBUFFER) {
        setError(ERROR_NOT_SUPPORTED);  // profiles from files are not kept on this machine
        return nullptr;
    }
    const auto* data = static_cast<const uint8_t*>(pProfile->pProfileData);
    if (!data || !wellFormed(data, pProfile->cbDataSize)) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        auto p = std::make_unique<ColorProfile>();
        p->bytes.assign(data, data + pProfile->cbDataSize);
        HANDLE h = p.get();
        auto& all = handles();
        std::lock_guard g(all.lock);
        all.profiles[h] = std::move(p);
        return h;
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI BOOL WINAPI CloseColorProfile(HPROFILE hProfile) {
    if (enter("CloseColorProfile")) return FALSE;
    auto& all = handles();
    std::lock_guard g(all.lock);
    if (!all.profiles.erase(hProfile)) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

WINBASEAPI HTRANSFORM WINAPI CreateColorTransformW(LPLOGCOLORSPACEW pLogColorSpace, HPROFILE hDestProfile,
                                                   HPROFILE hTargetProfile, DWORD dwFlags) {
    if (enter("CreateColorTransformW")) return nullptr;
    if (!pLogColorSpace || pLogColorSpace->lcsSignature != LCS_SIGNATURE ||
        pLogColorSpace->lcsSize < sizeof(LOGCOLORSPACEW)) {
        setError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    try {
        auto& all = handles();
        std::lock_guard g(all.lock);
        if (!all.profiles.count(hDestProfile) || (hTargetProfile && !all.profiles.count(hTargetProfile))) {
            setError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        auto t = std::make_unique<ColorTransform>();
        t->dest = hDestProfile;
        t->target = hTargetProfile;
        t->flags = dwFlags;
        HANDLE h = t.get();
        all.transforms[h] = std::move(t);
        return h;
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
}

WINBASEAPI BOOL WINAPI DeleteColorTransform(HTRANSFORM hxform) {
    if (enter("DeleteColorTransform")) return FALSE;
    auto& all = handles();
    std::lock_guard g(all.lock);
    if (!all.transforms.erase(hxform)) {
        setError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

}  // extern "C"
