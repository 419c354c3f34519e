// UTF-16 helpers used throughout the stand-in.
#include "sim.h"

#include <cstring>

namespace winsim {

std::string toUtf8(std::u16string_view text) { return detail::encodeUtf8(text); }

std::u16string fromUtf8(std::string_view text) { return detail::decodeUtf8(text); }

namespace detail {

size_t wlen(const WCHAR* s) {
    if (!s) return 0;
    size_t n = 0;
    while (s[n]) ++n;
    return n;
}

size_t wlenBounded(const WCHAR* s, size_t max) {
    if (!s) return 0;
    size_t n = 0;
    while (n < max && s[n]) ++n;
    return n;
}

std::u16string wstr(const WCHAR* s) { return s ? std::u16string(s, wlen(s)) : std::u16string(); }

WCHAR foldCase(WCHAR c) { return foldCaseInline(c); }

bool wequalNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && foldCaseInline(a[i]) != foldCaseInline(b[i])) return false;
    return true;
}

bool equalNoCase(std::string_view a, std::string_view b) {
    if (a.size() == b.size() && a == b) return true;
    return wequalNoCase(fromUtf8(a), fromUtf8(b));
}

bool copyOut(std::u16string_view text, WCHAR* buf, size_t cch) {
    if (!buf || text.size() + 1 > cch) return false;
    std::memcpy(buf, text.data(), text.size() * sizeof(WCHAR));
    buf[text.size()] = 0;
    return true;
}

}  // namespace detail
}  // namespace winsim
