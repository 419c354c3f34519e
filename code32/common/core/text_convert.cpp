#include "core/text_convert.h"

#include <cstring>
#include <string>

#include <win/codepage.h>

namespace vesk {

namespace {

// The first `got` characters of `text` into `dest`, cut to its capacity but
// never on the first half of a surrogate pair.
void putCut(const WCHAR* text, size_t got, WCHAR* dest, size_t destChars) {
    size_t copy = got < destChars - 1 ? got : destChars - 1;
    if (copy > 0 && copy < got && text[copy - 1] >= 0xD800 && text[copy - 1] <= 0xDBFF) --copy;
    std::memcpy(dest, text, copy * sizeof(WCHAR));
    dest[copy] = 0;
}

}  // namespace

bool AnsiToWideBounded(const char* src, size_t n, WCHAR* dest, size_t destChars) {
    if (!dest || destChars == 0) return false;
    dest[0] = 0;
    if (!src) return false;
    if (n == 0) return true;
    if (n > 0x7FFFFFFF) return false;
    // Plain ASCII is the same characters in every ANSI code page: widened
    // as it is (cut to the buffer), without the conversion call.
    size_t ascii = 0;
    while (ascii < n && static_cast<unsigned char>(src[ascii]) < 0x80) ++ascii;
    if (ascii == n) {
        const size_t copy = n < destChars - 1 ? n : destChars - 1;
        for (size_t i = 0; i < copy; ++i) dest[i] = static_cast<WCHAR>(static_cast<unsigned char>(src[i]));
        dest[copy] = 0;
        return true;
    }
    // No code page makes more UTF-16 units than bytes, so a short text is
    // converted at once into a buffer of its byte count.
    constexpr size_t kShort = 256;
    if (n <= kShort) {
        WCHAR tmp[kShort];
        const int got = MultiByteToWideChar(CP_ACP, 0, src, static_cast<int>(n), tmp, static_cast<int>(n));
        if (got > 0) {
            putCut(tmp, static_cast<size_t>(got), dest, destChars);
            return true;
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    }
    int need = MultiByteToWideChar(CP_ACP, 0, src, static_cast<int>(n), nullptr, 0);
    if (need <= 0) return false;
    try {
        std::u16string tmp(static_cast<size_t>(need), u'\0');
        int got = MultiByteToWideChar(CP_ACP, 0, src, static_cast<int>(n), tmp.data(), need);
        if (got <= 0) return false;
        putCut(tmp.data(), static_cast<size_t>(got), dest, destChars);
        return true;
    } catch (...) {
        dest[0] = 0;
        return false;
    }
}

size_t AnsiWholeCharacters(const char* text, size_t length, size_t limit) {
    if (!text) return 0;
    if (limit > length) limit = length;
    size_t at = 0;
    while (at < limit) {
        const size_t n = IsDBCSLeadByte(static_cast<BYTE>(text[at])) ? 2 : 1;
        if (at + n > limit) break;
        at += n;
    }
    return at;
}

bool WideToAnsiBounded(const WCHAR* src, char* dest, size_t destBytes) {
    if (!dest || destBytes == 0) return false;
    dest[0] = 0;
    if (!src) return false;
    if (!src[0]) return true;
    // Plain ASCII is the same bytes in every ANSI code page: copied as it
    // is, without the two conversion calls.
    size_t ascii = 0;
    while (ascii + 1 < destBytes && src[ascii] && src[ascii] < 0x80) ++ascii;
    if (!src[ascii] || (ascii + 1 == destBytes && src[ascii] < 0x80)) {
        for (size_t i = 0; i < ascii; ++i) dest[i] = static_cast<char>(src[i]);
        dest[ascii] = 0;
        return true;
    }
    int need = WideCharToMultiByte(CP_ACP, 0, src, -1, nullptr, 0, nullptr, nullptr);
    if (need <= 0) return false;
    try {
        std::string tmp(static_cast<size_t>(need), '\0');
        if (WideCharToMultiByte(CP_ACP, 0, src, -1, tmp.data(), need, nullptr, nullptr) <= 0) return false;
        // Copy whole characters while they fit before the terminator.
        const size_t n = AnsiWholeCharacters(tmp.data(), std::strlen(tmp.data()), destBytes - 1);
        std::memcpy(dest, tmp.data(), n);
        dest[n] = 0;
        return true;
    } catch (...) {
        dest[0] = 0;
        return false;
    }
}

int StrAnsiToWide(WCHAR* dest, const char* src, int capacityChars) {
    if (!dest || capacityChars <= 0) return 0;
    dest[0] = 0;
    if (!src) return 0;
    size_t n = 0;
    while (src[n]) ++n;
    if (!AnsiToWideBounded(src, n, dest, static_cast<size_t>(capacityChars))) return 0;
    // Cut when fewer characters came out than the source holds.
    int whole = MultiByteToWideChar(CP_ACP, 0, src, -1, nullptr, 0);
    size_t got = 0;
    while (dest[got]) ++got;
    return whole > 0 && got + 1 == static_cast<size_t>(whole) ? 1 : 0;
}

int StrWideToAnsi(char* dest, const WCHAR* src, int capacityBytes) {
    if (!dest || capacityBytes <= 0) return 0;
    for (int i = 0; i < capacityBytes; ++i) dest[i] = 0;
    if (!src) return 0;
    if (!WideToAnsiBounded(src, dest, static_cast<size_t>(capacityBytes))) return 0;
    int whole = WideCharToMultiByte(CP_ACP, 0, src, -1, nullptr, 0, nullptr, nullptr);
    size_t got = 0;
    while (dest[got]) ++got;
    return whole > 0 && got + 1 == static_cast<size_t>(whole) ? 1 : 0;
}

}  // namespace vesk
