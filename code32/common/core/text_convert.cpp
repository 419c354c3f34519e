#include "core/text_convert.h"

// Interim bodies until the stand-in's code-page functions are available to
// the common library: text in the 7-bit range converts, anything else is
// refused rather than guessed.
namespace vesk {

bool AnsiToWideBounded(const char* src, size_t n, WCHAR* dest, size_t destChars) {
    if (!dest || destChars == 0) return false;
    dest[0] = 0;
    if (!src) return false;
    size_t i = 0;
    for (; i < n && i + 1 < destChars; ++i) {
        unsigned char c = static_cast<unsigned char>(src[i]);
        if (c >= 0x80) {
            dest[0] = 0;
            return false;
        }
        dest[i] = c;
    }
    dest[i] = 0;
    return true;
}

bool WideToAnsiBounded(const WCHAR* src, char* dest, size_t destBytes) {
    if (!dest || destBytes == 0) return false;
    dest[0] = 0;
    if (!src) return false;
    size_t i = 0;
    for (; src[i] && i + 1 < destBytes; ++i) {
        if (src[i] >= 0x80) {
            dest[0] = 0;
            return false;
        }
        dest[i] = static_cast<char>(src[i]);
    }
    dest[i] = 0;
    return true;
}

}  // namespace vesk
