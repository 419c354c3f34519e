// The one-integer format of static texts and messages.
#include "controls/ctl_text.h"

namespace vesk {
namespace {

bool isDigit(WCHAR c) { return c >= u'0' && c <= u'9'; }

}  // namespace

size_t FormatOneInt(const WCHAR* format, int32_t value, WCHAR* out, size_t outChars) {
    if (!out || outChars == 0) return 0;
    size_t n = 0;
    auto put = [&](WCHAR c) {
        if (n + 1 < outChars) out[n++] = c;
    };
    for (const WCHAR* p = format; p && *p;) {
        if (*p != u'%') {
            put(*p++);
            continue;
        }
        const WCHAR* start = p++;
        if (*p == u'%') {
            put(u'%');
            ++p;
            continue;
        }
        bool left = false, zero = false, plus = false;
        for (;; ++p) {
            if (*p == u'-') left = true;
            else if (*p == u'0') zero = true;
            else if (*p == u'+') plus = true;
            else break;
        }
        int width = 0;
        while (isDigit(*p) && width < 64) width = width * 10 + (*p++ - u'0');
        while (isDigit(*p)) ++p;
        if (*p == u'l') ++p;
        const WCHAR conv = *p;
        if (conv != u'd' && conv != u'i' && conv != u'u' && conv != u'x' && conv != u'X') {
            // Not an integer conversion: copied, never read as an argument.
            for (const WCHAR* q = start; q < p; ++q) put(*q);
            continue;
        }
        ++p;
        char digits[16];
        int len = 0;
        bool negative = false;
        uint32_t u = uint32_t(value);
        if (conv == u'd' || conv == u'i') {
            negative = value < 0;
            u = negative ? uint32_t(0) - uint32_t(value) : uint32_t(value);
        }
        const uint32_t base = (conv == u'x' || conv == u'X') ? 16 : 10;
        const char* set = conv == u'X' ? "0123456789ABCDEF" : "0123456789abcdef";
        do {
            digits[len++] = set[u % base];
            u /= base;
        } while (u && len < 16);
        const char sign = negative ? '-' : ((plus && (conv == u'd' || conv == u'i')) ? '+' : 0);
        const int body = len + (sign ? 1 : 0);
        const int pad = width > body ? width - body : 0;
        if (!left && !zero)
            for (int i = 0; i < pad; ++i) put(u' ');
        if (sign) put(WCHAR(sign));
        if (!left && zero)
            for (int i = 0; i < pad; ++i) put(u'0');
        while (len) put(WCHAR(digits[--len]));
        if (left)
            for (int i = 0; i < pad; ++i) put(u' ');
    }
    out[n] = 0;
    return n;
}

}  // namespace vesk
