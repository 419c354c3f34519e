// String functions of the stand-in: lengths, copies, comparisons, case and
// character steps, in UTF-16 and in the machine's ANSI code page.
//
// Choices where Windows leaves room:
// - Case mapping is the one the rest of the stand-in uses for names (ASCII
//   and Latin-1, with y-diaeresis to U+0178): CharUpperW is foldCase and
//   CharLowerW its inverse. Other scripts are left as they are.
// - lstrcmpW compares UTF-16 units in order; lstrcmpiW compares the
//   lower-case forms of the folded units, so "ab" == "AB" and the ASCII
//   punctuation between 'Z' and 'a' ('_' among it) sorts before letters as
//   in Windows; no word-sort weighting is applied beyond that.
// - The ANSI comparisons convert both strings to UTF-16 first, so a pair of
//   strings compares the same in both forms.
// - lstrcpynA never leaves half a double-byte character: a lead byte whose
//   trail byte does not fit is not copied.
// - Null pointers, which Windows turns into a caught fault, give NULL (the
//   copy functions) or sort first (the comparisons); nothing is written.
#include <win/codepage.h>
#include <win/text.h>

#include <cstring>
#include <new>

#include "core/sim.h"

using namespace winsim::detail;

namespace {

WCHAR toUpper(WCHAR c) { return foldCase(c); }

WCHAR toLower(WCHAR c) {
    if (c >= u'A' && c <= u'Z') return static_cast<WCHAR>(c + 32);
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<WCHAR>(c + 32);
    if (c == 0x178) return 0xFF;
    return c;
}

bool isHigh(WCHAR c) { return c >= 0xD800 && c <= 0xDBFF; }
bool isLow(WCHAR c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool pointerIsCharacter(const void* p) { return (reinterpret_cast<uintptr_t>(p) >> 16) == 0; }

int sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// Ordinal compare of two UTF-16 strings, through `key` per unit.
template <class Key>
int compareWide(const WCHAR* a, const WCHAR* b, Key key) {
    if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
    for (;; ++a, ++b) {
        int ka = key(*a), kb = key(*b);
        if (ka != kb) return sign(ka - kb);
        if (!*a) return 0;
    }
}

int exactKey(WCHAR c) { return c; }
int foldedKey(WCHAR c) { return toLower(foldCase(c)); }

int compareAnsi(LPCSTR a, LPCSTR b, bool ignoreCase) {
    if (!a || !b) return a == b ? 0 : (a ? 1 : -1);
    try {
        std::u16string wa = ansiToWide(a), wb = ansiToWide(b);
        return ignoreCase ? compareWide(wa.c_str(), wb.c_str(), foldedKey)
                          : compareWide(wa.c_str(), wb.c_str(), exactKey);
    } catch (const std::bad_alloc&) {
        // Fall back to the bytes: an answer is still owed.
        return sign(std::strcmp(a, b));
    }
}

bool isLetter(WCHAR c) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
    if (c == 0xAA || c == 0xB5 || c == 0xBA) return true;
    if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;  // Latin-1 and Latin Extended
    if (c >= 0x386 && c <= 0x3FF) return c != 0x387;              // Greek
    if (c >= 0x400 && c <= 0x481) return true;                     // Cyrillic
    if (c >= 0x48A && c <= 0x52F) return true;
    if (c >= 0x3041 && c <= 0x3096) return true;                   // Hiragana
    if (c >= 0x309D && c <= 0x309F) return true;
    if (c >= 0x30A1 && c <= 0x30FA) return true;                   // Katakana
    if (c >= 0x30FC && c <= 0x30FF) return true;
    if (c >= 0x3400 && c <= 0x4DBF) return true;                   // CJK ideographs
    if (c >= 0x4E00 && c <= 0x9FFF) return true;
    if (c >= 0xAC00 && c <= 0xD7A3) return true;                   // Hangul syllables
    if (c >= 0xF900 && c <= 0xFAFF) return true;
    if ((c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A)) return true;  // full-width Latin
    if (c >= 0xFF66 && c <= 0xFF9F) return true;                   // half-width Katakana
    return false;
}

bool isDigit(WCHAR c) { return (c >= u'0' && c <= u'9') || (c >= 0xFF10 && c <= 0xFF19); }

}  // namespace

extern "C" {

WINBASEAPI int WINAPI lstrlenW(LPCWSTR s) {
    size_t n = wlen(s);
    return n > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(n);
}

WINBASEAPI LPWSTR WINAPI lstrcpyW(LPWSTR dst, LPCWSTR src) {
    if (!dst || !src) return nullptr;
    std::memmove(dst, src, (wlen(src) + 1) * sizeof(WCHAR));
    return dst;
}

WINBASEAPI LPWSTR WINAPI lstrcpynW(LPWSTR dst, LPCWSTR src, int max) {
    if (!dst || !src) return nullptr;
    if (max <= 0) return dst;
    size_t n = wlenBounded(src, static_cast<size_t>(max) - 1);
    std::memmove(dst, src, n * sizeof(WCHAR));
    dst[n] = 0;
    return dst;
}

WINBASEAPI LPWSTR WINAPI lstrcatW(LPWSTR dst, LPCWSTR src) {
    if (!dst || !src) return nullptr;
    std::memmove(dst + wlen(dst), src, (wlen(src) + 1) * sizeof(WCHAR));
    return dst;
}

WINBASEAPI int WINAPI lstrcmpW(LPCWSTR a, LPCWSTR b) { return compareWide(a, b, exactKey); }

WINBASEAPI int WINAPI lstrcmpiW(LPCWSTR a, LPCWSTR b) { return compareWide(a, b, foldedKey); }

WINBASEAPI LPWSTR WINAPI CharUpperW(LPWSTR s) {
    if (pointerIsCharacter(s)) {
        WCHAR c = toUpper(static_cast<WCHAR>(reinterpret_cast<uintptr_t>(s)));
        return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(c));
    }
    for (WCHAR* p = s; *p; ++p) *p = toUpper(*p);
    return s;
}

WINBASEAPI LPWSTR WINAPI CharLowerW(LPWSTR s) {
    if (pointerIsCharacter(s)) {
        WCHAR c = toLower(static_cast<WCHAR>(reinterpret_cast<uintptr_t>(s)));
        return reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(c));
    }
    for (WCHAR* p = s; *p; ++p) *p = toLower(*p);
    return s;
}

WINBASEAPI DWORD WINAPI CharUpperBuffW(LPWSTR s, DWORD n) {
    if (!s) return 0;
    for (DWORD i = 0; i < n; ++i) s[i] = toUpper(s[i]);
    return n;
}

WINBASEAPI DWORD WINAPI CharLowerBuffW(LPWSTR s, DWORD n) {
    if (!s) return 0;
    for (DWORD i = 0; i < n; ++i) s[i] = toLower(s[i]);
    return n;
}

WINBASEAPI LPWSTR WINAPI CharNextW(LPCWSTR s) {
    if (!s) return nullptr;
    if (*s) s += isHigh(s[0]) && isLow(s[1]) ? 2 : 1;
    return const_cast<LPWSTR>(s);
}

WINBASEAPI LPWSTR WINAPI CharPrevW(LPCWSTR start, LPCWSTR cur) {
    if (!start || !cur || cur <= start) return const_cast<LPWSTR>(start);
    const WCHAR* p = cur - 1;
    if (p > start && isLow(*p) && isHigh(p[-1])) --p;
    return const_cast<LPWSTR>(p);
}

WINBASEAPI BOOL WINAPI IsCharAlphaW(WCHAR c) { return isLetter(c) ? TRUE : FALSE; }

WINBASEAPI BOOL WINAPI IsCharAlphaNumericW(WCHAR c) { return isLetter(c) || isDigit(c) ? TRUE : FALSE; }

WINBASEAPI BOOL WINAPI IsCharUpperW(WCHAR c) { return toLower(c) != c ? TRUE : FALSE; }

WINBASEAPI BOOL WINAPI IsCharLowerW(WCHAR c) { return toUpper(c) != c ? TRUE : FALSE; }

WINBASEAPI int WINAPI lstrlenA(LPCSTR s) {
    if (!s) return 0;
    size_t n = std::strlen(s);
    return n > static_cast<size_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(n);
}

WINBASEAPI LPSTR WINAPI lstrcpyA(LPSTR dst, LPCSTR src) {
    if (!dst || !src) return nullptr;
    std::memmove(dst, src, std::strlen(src) + 1);
    return dst;
}

WINBASEAPI LPSTR WINAPI lstrcpynA(LPSTR dst, LPCSTR src, int max) {
    if (!dst || !src) return nullptr;
    if (max <= 0) return dst;
    size_t limit = static_cast<size_t>(max) - 1, n = 0;
    while (n < limit && src[n]) {
        bool pair = isLeadByte(CP_ACP, static_cast<unsigned char>(src[n])) && src[n + 1];
        if (pair && n + 2 > limit) break;  // the trail byte would not fit
        n += pair ? 2 : 1;
    }
    std::memmove(dst, src, n);
    dst[n] = 0;
    return dst;
}

WINBASEAPI LPSTR WINAPI lstrcatA(LPSTR dst, LPCSTR src) {
    if (!dst || !src) return nullptr;
    std::memmove(dst + std::strlen(dst), src, std::strlen(src) + 1);
    return dst;
}

WINBASEAPI int WINAPI lstrcmpA(LPCSTR a, LPCSTR b) { return compareAnsi(a, b, false); }

WINBASEAPI int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) { return compareAnsi(a, b, true); }

WINBASEAPI LPSTR WINAPI CharNextA(LPCSTR s) {
    if (!s) return nullptr;
    if (*s) s += isLeadByte(CP_ACP, static_cast<unsigned char>(*s)) && s[1] ? 2 : 1;
    return const_cast<LPSTR>(s);
}

WINBASEAPI LPSTR WINAPI CharPrevA(LPCSTR start, LPCSTR cur) {
    if (!start || !cur || cur <= start) return const_cast<LPSTR>(start);
    // Double-byte text can only be stepped back by walking from the start.
    const char* p = start;
    while (true) {
        const char* next = CharNextA(p);
        if (next >= cur || next == p) return const_cast<LPSTR>(p);
        p = next;
    }
}

}  // extern "C"
