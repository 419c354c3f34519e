// UTF-16 helpers used throughout the stand-in.
#include "sim.h"

#include <cstring>

namespace winsim {

std::string toUtf8(std::u16string_view s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;  // lone surrogate
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view s) {
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        uint32_t c;
        size_t n;
        if (b < 0x80) { c = b; n = 1; }
        else if ((b & 0xE0) == 0xC0) { c = b & 0x1F; n = 2; }
        else if ((b & 0xF0) == 0xE0) { c = b & 0x0F; n = 3; }
        else if ((b & 0xF8) == 0xF0) { c = b & 0x07; n = 4; }
        else { out += u'\uFFFD'; ++i; continue; }
        if (i + n > s.size()) { out += u'\uFFFD'; break; }
        bool ok = true;
        for (size_t k = 1; k < n; ++k) {
            auto cb = static_cast<unsigned char>(s[i + k]);
            if ((cb & 0xC0) != 0x80) { ok = false; break; }
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok) { out += u'\uFFFD'; ++i; continue; }
        i += n;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

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

WCHAR foldCase(WCHAR c) {
    if (c >= u'a' && c <= u'z') return static_cast<WCHAR>(c - 32);
    // Latin-1 lower-case letters except the division sign and y-diaeresis.
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<WCHAR>(c - 32);
    if (c == 0xFF) return 0x178;
    return c;
}

bool wequalNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (foldCase(a[i]) != foldCase(b[i])) return false;
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
