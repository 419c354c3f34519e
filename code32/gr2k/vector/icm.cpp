// Colour transforms for the engine's colour management: each transform is
// made from the destination profile the engine hands in memory, and the
// device keeps every pair (profile, transform) it made, so that a delete
// frees the pair of its own handle and DrvDisablePDEV frees what is left.
//
// The colour-management functions are found in their system module when
// first needed: a machine without them gets no transform (null), not a
// driver that fails to load.
#include <win/modules.h>
#include <win/system.h>

#include "alloc_list.h"
#include "driver_functions.h"
#include "vector/vector.h"

namespace vesk {

struct IcmTransform {
    IcmTransform* next;
    HANDLE profile;
    HANDLE transform;
};

namespace {

// A profile handed over in memory (the colour-management functions' record).
struct MemoryProfile {
    DWORD type;
    PVOID data;
    DWORD size;
};
constexpr DWORD kProfileMemBuffer = 2;
constexpr DWORD kProfileRead = 1;
constexpr DWORD kShareRead = 1;
constexpr DWORD kOpenExisting = 3;
constexpr DWORD kBestMode = 3;

struct ColorApi {
    HANDLE(WINAPI* open)(MemoryProfile*, DWORD, DWORD, DWORD) = nullptr;
    HANDLE(WINAPI* create)(LPLOGCOLORSPACEW, HANDLE, HANDLE, DWORD) = nullptr;
    BOOL(WINAPI* remove)(HANDLE) = nullptr;
    BOOL(WINAPI* close)(HANDLE) = nullptr;
    bool ok() const { return open && create && remove && close; }
};

template <class F>
void bind(HMODULE m, const char* name, F* out) {
    *out = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(m, name)));
}

const ColorApi& colorApi() {
    static const ColorApi api = [] {
        ColorApi a;
        if (HMODULE m = LoadLibraryW(u"mscms.dll")) {
            bind(m, "OpenColorProfileW", &a.open);
            bind(m, "CreateColorTransformW", &a.create);
            bind(m, "DeleteColorTransform", &a.remove);
            bind(m, "CloseColorProfile", &a.close);
        }
        return a;
    }();
    return api;
}

void release(const IcmTransform* t) {
    const ColorApi& api = colorApi();
    if (t->transform) api.remove(t->transform);
    if (t->profile) api.close(t->profile);
}

}  // namespace

void IcmFreeAll(Pdev* p) {
    for (IcmTransform* t = p->icm; t;) {
        IcmTransform* next = t->next;
        release(t);
        AllocListFree(p->allocs, t);
        t = next;
    }
    p->icm = nullptr;
}

}  // namespace vesk

using namespace vesk;

extern "C" {

HANDLE APIENTRY DrvIcmCreateColorTransform(DHPDEV dhpdev, LPLOGCOLORSPACEW pLogColorSpace, PVOID, ULONG,
                                           PVOID pvDestProfile, ULONG cjDestProfile, PVOID, ULONG, DWORD) {
    Pdev* p = PdevFromHandle(dhpdev);
    if (!p) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const ColorApi& api = colorApi();
    if (!api.ok() || !pvDestProfile || !cjDestProfile) return nullptr;
    auto* t = static_cast<IcmTransform*>(AllocListAllocZero(p->allocs, sizeof(IcmTransform)));
    if (!t) return nullptr;
    MemoryProfile profile{kProfileMemBuffer, pvDestProfile, cjDestProfile};
    t->profile = api.open(&profile, kProfileRead, kShareRead, kOpenExisting);
    if (t->profile) t->transform = api.create(pLogColorSpace, t->profile, nullptr, kBestMode);
    if (!t->transform) {
        release(t);
        AllocListFree(p->allocs, t);
        return nullptr;
    }
    t->next = p->icm;
    p->icm = t;
    return t->transform;
}

BOOL APIENTRY DrvIcmDeleteColorTransform(DHPDEV dhpdev, HANDLE hcmXform) {
    Pdev* p = PdevFromHandle(dhpdev);
    if (!p) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    for (IcmTransform** at = &p->icm; *at; at = &(*at)->next) {
        IcmTransform* t = *at;
        if (t->transform != hcmXform) continue;
        *at = t->next;
        release(t);
        AllocListFree(p->allocs, t);
        return TRUE;
    }
    // Not a transform of this device.
    return FALSE;
}

}  // extern "C"
