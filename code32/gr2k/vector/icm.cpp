// Colour transforms for the engine's colour management: each transform is
// made from the destination profile the engine hands in memory, and the
// device keeps every pair (profile, transform) it made, so that a delete
// frees the pair of its own handle and DrvDisablePDEV frees what is left.
#include <win/files.h>
#include <win/icm.h>
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

void release(const IcmTransform* t) {
    if (t->transform) DeleteColorTransform(t->transform);
    if (t->profile) CloseColorProfile(t->profile);
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
    if (!pvDestProfile || !cjDestProfile) return nullptr;
    auto* t = static_cast<IcmTransform*>(AllocListAllocZero(p->allocs, sizeof(IcmTransform)));
    if (!t) return nullptr;
    PROFILE profile{PROFILE_MEMBUFFER, pvDestProfile, cjDestProfile};
    t->profile = OpenColorProfileW(&profile, PROFILE_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (t->profile) t->transform = CreateColorTransformW(pLogColorSpace, t->profile, nullptr, BEST_MODE);
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
