// MultiByteToWideChar, WideCharToMultiByte and the code-page queries, over
// the cached tables of core/ansi.cpp.
//
// Choices where Windows leaves room:
// - Bad flags fail with ERROR_INVALID_FLAGS (as Windows does), other bad
//   arguments and unknown code pages with ERROR_INVALID_PARAMETER.
// - MB_PRECOMPOSED, MB_COMPOSITE, MB_USEGLYPHCHARS and the WC_COMPOSITECHECK
//   family are accepted and change nothing: no composition is done.
// - No best-fit substitutes: a character without its own code becomes the
//   default character, so WC_NO_BEST_FIT_CHARS makes no difference.
// - A buffer that is too short receives the whole characters that fit (a
//   double-byte character or a surrogate pair is never split), and the call
//   fails with ERROR_INSUFFICIENT_BUFFER.
#include <win/codepage.h>

#include <climits>
#include <cstring>
#include <new>

#include "core/codepage_table.h"

using namespace winsim::detail;

namespace {

constexpr DWORD kMbFlags = MB_PRECOMPOSED | MB_COMPOSITE | MB_USEGLYPHCHARS | MB_ERR_INVALID_CHARS;
constexpr DWORD kWcFlags = WC_COMPOSITECHECK | WC_DISCARDNS | WC_SEPCHARS | WC_DEFAULTCHAR | WC_NO_BEST_FIT_CHARS;

// Number of UTF-16 units of `s` that fit in `cap` without splitting a pair.
size_t widePrefix(const std::u16string& s, size_t cap) {
    if (cap >= s.size()) return s.size();
    if (cap > 0 && s[cap - 1] >= 0xD800 && s[cap - 1] <= 0xDBFF) --cap;
    return cap;
}

// Number of bytes of `s` that fit in `cap` without splitting a character.
size_t bytePrefix(UINT cp, const std::string& s, size_t cap) {
    if (cap >= s.size()) return s.size();
    if (effectiveCodePage(cp) == kUtf8CodePage) {
        while (cap > 0 && (static_cast<unsigned char>(s[cap]) & 0xC0) == 0x80) --cap;
        return cap;
    }
    const CodePageTable* t = codePageTable(cp);
    if (!t || !t->doubleByte) return cap;
    size_t i = 0;
    while (i < cap) {
        size_t n = t->lead[static_cast<unsigned char>(s[i])] && i + 1 < s.size() ? 2 : 1;
        if (i + n > cap) break;
        i += n;
    }
    return i;
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI MultiByteToWideChar(UINT cp, DWORD flags, LPCSTR mb, int cbMb, LPWSTR wide, int cchWide) {
    if (enter("MultiByteToWideChar")) return 0;
    try {
        if (!mb || cbMb == 0 || cbMb < -1 || cchWide < 0 || (cchWide > 0 && !wide) ||
            (cchWide > 0 && static_cast<const void*>(mb) == static_cast<const void*>(wide)) ||
            !isKnownCodePage(cp)) {
            setError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        bool utf8 = effectiveCodePage(cp) == kUtf8CodePage;
        if ((flags & ~(utf8 ? DWORD{MB_ERR_INVALID_CHARS} : kMbFlags)) ||
            (flags & (MB_PRECOMPOSED | MB_COMPOSITE)) == (MB_PRECOMPOSED | MB_COMPOSITE)) {
            setError(ERROR_INVALID_FLAGS);
            return 0;
        }
        size_t len = cbMb == -1 ? std::strlen(mb) + 1 : static_cast<size_t>(cbMb);
        bool invalid = false;
        std::u16string out = decodeBytes(cp, std::string_view(mb, len), &invalid);
        if (invalid && (flags & MB_ERR_INVALID_CHARS)) {
            setError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        if (out.size() > static_cast<size_t>(INT_MAX)) {
            setError(ERROR_ARITHMETIC_OVERFLOW);
            return 0;
        }
        if (cchWide == 0) return static_cast<int>(out.size());
        if (out.size() > static_cast<size_t>(cchWide)) {
            std::memcpy(wide, out.data(), widePrefix(out, static_cast<size_t>(cchWide)) * sizeof(WCHAR));
            setError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(wide, out.data(), out.size() * sizeof(WCHAR));
        return static_cast<int>(out.size());
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

WINBASEAPI int WINAPI WideCharToMultiByte(UINT cp, DWORD flags, LPCWSTR wide, int cchWide, LPSTR mb, int cbMb,
                                          LPCSTR defaultChar, LPBOOL usedDefaultChar) {
    if (enter("WideCharToMultiByte")) return 0;
    try {
        if (!wide || cchWide == 0 || cchWide < -1 || cbMb < 0 || (cbMb > 0 && !mb) ||
            (cbMb > 0 && static_cast<const void*>(mb) == static_cast<const void*>(wide)) ||
            !isKnownCodePage(cp)) {
            setError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        bool utf8 = effectiveCodePage(cp) == kUtf8CodePage;
        if (flags & ~(utf8 ? DWORD{WC_ERR_INVALID_CHARS} : kWcFlags)) {
            setError(ERROR_INVALID_FLAGS);
            return 0;
        }
        if (utf8 && (defaultChar || usedDefaultChar)) {
            setError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        std::string_view dflt;
        if (defaultChar) {
            const CodePageTable* t = codePageTable(cp);
            bool pair = t && t->lead[static_cast<unsigned char>(defaultChar[0])] && defaultChar[1] != 0;
            dflt = std::string_view(defaultChar, pair ? 2 : 1);
        }
        size_t len = cchWide == -1 ? wlen(wide) + 1 : static_cast<size_t>(cchWide);
        bool used = false, invalid = false;
        std::string out = encodeWide(cp, std::u16string_view(wide, len), dflt, &used, &invalid);
        if (usedDefaultChar) *usedDefaultChar = used ? TRUE : FALSE;
        if (invalid && (flags & WC_ERR_INVALID_CHARS)) {
            setError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        if (out.size() > static_cast<size_t>(INT_MAX)) {
            setError(ERROR_ARITHMETIC_OVERFLOW);
            return 0;
        }
        if (cbMb == 0) return static_cast<int>(out.size());
        if (out.size() > static_cast<size_t>(cbMb)) {
            std::memcpy(mb, out.data(), bytePrefix(cp, out, static_cast<size_t>(cbMb)));
            setError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        std::memcpy(mb, out.data(), out.size());
        return static_cast<int>(out.size());
    } catch (const std::bad_alloc&) {
        setError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
}

WINBASEAPI BOOL WINAPI IsDBCSLeadByteEx(UINT cp, BYTE b) {
    if (enter("IsDBCSLeadByteEx")) return FALSE;
    if (!isKnownCodePage(cp)) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return isLeadByte(cp, b) ? TRUE : FALSE;
}

WINBASEAPI BOOL WINAPI IsDBCSLeadByte(BYTE b) {
    if (enter("IsDBCSLeadByte")) return FALSE;
    return isLeadByte(CP_ACP, b) ? TRUE : FALSE;
}

WINBASEAPI UINT WINAPI GetACP(void) {
    enter("GetACP");
    return winsim::config().ansiCodePage;
}

WINBASEAPI UINT WINAPI GetOEMCP(void) {
    enter("GetOEMCP");
    return winsim::config().oemCodePage;
}

WINBASEAPI BOOL WINAPI GetCPInfo(UINT cp, LPCPINFO info) {
    if (enter("GetCPInfo")) return FALSE;
    if (!info || !isKnownCodePage(cp)) {
        setError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::memset(info, 0, sizeof *info);
    info->DefaultChar[0] = '?';
    if (effectiveCodePage(cp) == kUtf8CodePage) {
        info->MaxCharSize = 4;
        return TRUE;
    }
    const CodePageTable* t = codePageTable(cp);
    info->MaxCharSize = t->doubleByte ? 2 : 1;
    std::memcpy(info->LeadByte, t->leadRanges, sizeof info->LeadByte);
    return TRUE;
}

WINBASEAPI BOOL WINAPI IsValidCodePage(UINT cp) {
    if (enter("IsValidCodePage")) return FALSE;
    if (cp <= CP_THREAD_ACP) return FALSE;  // aliases, not code pages
    return isKnownCodePage(cp) ? TRUE : FALSE;
}

}  // extern "C"
