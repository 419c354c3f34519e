// Small wide-string helpers of the common library: lengths, bounded copies
// that either fit whole or write nothing, and Windows' case-insensitive
// comparison. Paths are at most kMaxPathChars characters plus the NUL.
#pragma once
#include <win/text.h>
#include <win/types.h>

namespace vesk {

constexpr size_t kMaxPathChars = 260;
constexpr size_t kPathBufChars = kMaxPathChars + 1;

inline size_t WLen(const WCHAR* s) {
    size_t n = 0;
    if (s)
        while (s[n]) ++n;
    return n;
}

// The length of `s`, counting at most `max` characters.
inline size_t WLenMax(const WCHAR* s, size_t max) {
    size_t n = 0;
    if (s)
        while (n < max && s[n]) ++n;
    return n;
}

// Copies `src` into `dest` of `cap` characters when it fits with its NUL;
// otherwise leaves `dest` untouched. True when copied.
inline bool WCopyWhole(WCHAR* dest, size_t cap, const WCHAR* src) {
    if (!dest || !src || cap == 0) return false;
    size_t n = WLenMax(src, cap);
    if (n >= cap) return false;
    for (size_t i = 0; i < n; ++i) dest[i] = src[i];
    dest[n] = 0;
    return true;
}

// Copies at most `cap` - 1 characters of `src` and terminates; false when
// the text was cut or an argument is missing.
inline bool WCopyCut(WCHAR* dest, size_t cap, const WCHAR* src) {
    if (!dest || cap == 0) return false;
    size_t i = 0;
    if (src)
        for (; src[i] && i + 1 < cap; ++i) dest[i] = src[i];
    dest[i] = 0;
    return src && !src[i];
}

// Appends `src` to the text in `dest` when the whole result fits in `cap`
// characters; otherwise leaves `dest` untouched.
inline bool WAppendWhole(WCHAR* dest, size_t cap, const WCHAR* src) {
    if (!dest || !src) return false;
    size_t have = WLenMax(dest, cap);
    if (have >= cap) return false;
    return WCopyWhole(dest + have, cap - have, src);
}

// Case-insensitive equality as lstrcmpiW compares; null equals only null.
inline bool WEqualNoCase(const WCHAR* a, const WCHAR* b) {
    if (!a || !b) return a == b;
    return lstrcmpiW(a, b) == 0;
}

}  // namespace vesk
