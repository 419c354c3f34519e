#include "core/devmode/dm_convert.h"

#include <win/windows.h>

#include <algorithm>
#include <cstring>

#include "core/devmode/dm_layout.h"
#include "core/devmode_sizes.h"

namespace vesk {
using namespace dm;

namespace {

constexpr size_t kHeaderLen = kOffFields;  // up to and with dmDriverExtra

uint16_t sizeOf(const BYTE* p) { return rd16(p, kOffSize); }
uint16_t extraOf(const BYTE* p) { return rd16(p, kOffDriverExtra); }

// The DEVMODE lies inside its buffer as its sizes say.
bool fits(const BYTE* p, size_t len) {
    return p && len >= kHeaderLen && static_cast<size_t>(sizeOf(p)) + extraOf(p) <= len && sizeOf(p) >= kHeaderLen;
}

// Step common to both copies: the public part, with the destination's own
// size fields kept. Returns the bytes copied.
// The destination's version is its own as it stood before the copy: the
// version its size gives, or for a size of no known version its own
// dmSpecVersion, which describes its layout, not the source's.
uint32_t copyPublic(const BYTE* src, BYTE* dst) {
    const uint16_t keepDriverVersion = rd16(dst, kOffDriverVersion);
    const uint16_t keepSize = sizeOf(dst);
    const uint16_t keepExtra = extraOf(dst);
    const uint16_t keepVersion = DmPublicVersion(dst, keepSize);
    const uint32_t n = std::min(sizeOf(src), keepSize);
    std::memmove(dst, src, n);
    wr16(dst, kOffDriverVersion, keepDriverVersion);
    wr16(dst, kOffSize, keepSize);
    wr16(dst, kOffDriverExtra, keepExtra);
    wr16(dst, kOffSpecVersion, keepVersion);
    return n;
}

// The source tests of DmCopyPublicPart: inside its buffer, of a known
// version, and of the current public size or a 3.20 DEVMODE.
bool publicSourceOk(const BYTE* src, size_t srcLen) {
    if (!fits(src, srcLen)) return false;
    const uint16_t v = DmPublicVersion(src, srcLen);
    return v != 0 && (sizeOf(src) == dmSizes().publicSize || v == kVersion320);
}

uint32_t copyPrivate(const BYTE* src, BYTE* dst) {
    const uint32_t n = std::min(extraOf(src), extraOf(dst));
    std::memmove(dst + sizeOf(dst), src + sizeOf(src), n);
    return n;
}

}  // namespace

uint16_t DmPublicVersion(const BYTE* p, size_t len) {
    if (!p || len < kHeaderLen) return 0;
    switch (sizeOf(p)) {
    case kSize320: return kVersion320;
    case kSize400: return kVersion400;
    case kSize401: return kVersion401;
    default: return rd16(p, kOffSpecVersion);
    }
}

size_t DmClaimedLength(const BYTE* p) {
    if (!p) return 0;
    return static_cast<size_t>(sizeOf(p)) + extraOf(p);
}

int32_t DmCopyPublicPart(const BYTE* src, size_t srcLen, BYTE* dst, size_t dstLen) {
    if (!publicSourceOk(src, srcLen) || !fits(dst, dstLen) || DmPublicVersion(dst, dstLen) == 0) return -1;
    const uint32_t a = copyPublic(src, dst);
    return static_cast<int32_t>(a + copyPrivate(src, dst));
}

int32_t DmCopyConvert(const BYTE* src, size_t srcLen, BYTE* dst, size_t dstLen) {
    if (!fits(src, srcLen) || !fits(dst, dstLen)) return -1;
    if (DmPublicVersion(src, srcLen) == kVersion320) return DmCopyPublicPart(src, srcLen, dst, dstLen);
    const uint32_t a = copyPublic(src, dst);
    if (extraOf(src) != dmSizes().privateSize || rd16(src, kOffDriverVersion) != rd16(dst, kOffDriverVersion))
        return -1;
    return static_cast<int32_t>(a + copyPrivate(src, dst));
}

int DmCombine(const BYTE* base, size_t baseLen, const BYTE* sizes, size_t sizesLen, BYTE* out, size_t outLen) {
    if (!out) return -1;
    if (!fits(base, baseLen)) return 0;
    if (!sizes) {
        const size_t n = DmClaimedLength(base);
        if (n > outLen) return 0;
        std::memmove(out, base, n);
        return 1;
    }
    if (!fits(sizes, sizesLen) || outLen < kHeaderLen) return 0;
    const BYTE* bySize = sizeOf(sizes) < sizeOf(base) ? sizes : base;
    const BYTE* byExtra = extraOf(sizes) < extraOf(base) ? sizes : base;
    wr16(out, kOffSpecVersion, rd16(bySize, kOffSpecVersion));
    wr16(out, kOffSize, sizeOf(bySize));
    wr16(out, kOffDriverVersion, rd16(byExtra, kOffDriverVersion));
    wr16(out, kOffDriverExtra, extraOf(byExtra));
    return DmCopyPublicPart(base, baseLen, out, outLen) > 0 ? 1 : 0;
}

int DmConvertDevmode(const WCHAR*, const BYTE* in, size_t inLen, BYTE* out, DWORD* size, DWORD mode) {
    if (!size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const DmSizes& s = dmSizes();
    switch (mode) {
    case CDM_CONVERT: {
        // The output's own sizes must lie inside the buffer the caller gave.
        if (out && *size >= kHeaderLen && DmClaimedLength(out) <= *size &&
            DmCopyPublicPart(in, inLen, out, *size) >= 0) {
            *size = static_cast<DWORD>(DmClaimedLength(out));
            return 1;
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    case CDM_CONVERT351: {
        const DWORD need = s.privateSize + kSize320;
        if (!out || *size < need) {
            *size = need;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        // An input that cannot be copied leaves the output as it was.
        if (!publicSourceOk(in, inLen)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        wr16(out, kOffSpecVersion, kVersion320);
        wr16(out, kOffSize, kSize320);
        wr16(out, kOffDriverVersion, 0x0350);
        wr16(out, kOffDriverExtra, s.privateSize);
        if (DmCopyPublicPart(in, inLen, out, *size) >= 0) {
            *size = need;
            return 1;
        }
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    case CDM_DRIVER_DEFAULT: {
        const DWORD need = s.privateSize + s.publicSize;
        if (!out || *size < need) {
            *size = need;
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        *size = need;
        return 2;
    }
    default: return 2;
    }
}

}  // namespace vesk
