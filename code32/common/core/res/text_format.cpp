#include "core/res/text_format.h"

namespace vesk {
namespace {

struct Out {
    WCHAR* p;
    size_t cap;
    size_t n = 0;
    void put(WCHAR c) {
        if (n + 1 < cap) p[n++] = c;
    }
    void put(const WCHAR* s, size_t len) {
        for (size_t i = 0; i < len; ++i) put(s[i]);
    }
};

// One integer conversion: flags '-' and '0', width, precision (minimum
// digits), base 10 signed or unsigned, or 16.
void putInt(Out& o, int32_t v, WCHAR conv, bool left, bool zero, int width, int precision) {
    WCHAR digits[16];
    int nd = 0;
    bool neg = false;
    uint32_t u;
    if (conv == u'd' || conv == u'i') {
        neg = v < 0;
        u = neg ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    } else {
        u = static_cast<uint32_t>(v);
    }
    const uint32_t base = (conv == u'x' || conv == u'X') ? 16 : 10;
    const char16_t* set = conv == u'X' ? u"0123456789ABCDEF" : u"0123456789abcdef";
    do {
        digits[nd++] = set[u % base];
        u /= base;
    } while (u && nd < 16);
    if (precision == 0 && v == 0) nd = 0;
    int zeros = precision > nd ? precision - nd : 0;
    int body = nd + zeros + (neg ? 1 : 0);
    if (zero && !left && precision < 0 && width > body) zeros += width - body, body = width;
    int pad = width > body ? width - body : 0;
    if (!left)
        for (int i = 0; i < pad; ++i) o.put(u' ');
    if (neg) o.put(u'-');
    for (int i = 0; i < zeros; ++i) o.put(u'0');
    for (int i = nd - 1; i >= 0; --i) o.put(digits[i]);
    if (left)
        for (int i = 0; i < pad; ++i) o.put(u' ');
}

}  // namespace

size_t FormatBounded(WCHAR* out, size_t capacity, const WCHAR* format, const FormatArgs& args) {
    if (!out || capacity == 0) return 0;
    Out o{out, capacity};
    bool textUsed = false;
    int nextValue = 0;
    for (const WCHAR* f = format; f && *f;) {
        if (*f != u'%') {
            o.put(*f++);
            continue;
        }
        if (f[1] == u'%') {
            o.put(u'%');
            f += 2;
            continue;
        }
        const WCHAR* start = f++;
        bool left = false, zero = false;
        for (; *f == u'-' || *f == u'0' || *f == u'+' || *f == u' ' || *f == u'#'; ++f) {
            if (*f == u'-') left = true;
            if (*f == u'0') zero = true;
        }
        int width = 0, precision = -1;
        for (; *f >= u'0' && *f <= u'9'; ++f) width = width < 10000 ? width * 10 + (*f - u'0') : width;
        if (*f == u'.') {
            precision = 0;
            for (++f; *f >= u'0' && *f <= u'9'; ++f)
                precision = precision < 10000 ? precision * 10 + (*f - u'0') : precision;
        }
        while (*f == u'h' || *f == u'l' || *f == u'w') ++f;
        const WCHAR conv = *f;
        if (conv) ++f;
        const bool isInt = conv == u'd' || conv == u'i' || conv == u'u' || conv == u'x' || conv == u'X';
        if (conv == u's' && args.text && !textUsed) {
            textUsed = true;
            size_t len = 0;
            while (args.text[len] && (precision < 0 || len < size_t(precision))) ++len;
            size_t pad = width > 0 && size_t(width) > len ? size_t(width) - len : 0;
            if (!left)
                for (size_t i = 0; i < pad; ++i) o.put(u' ');
            o.put(args.text, len);
            if (left)
                for (size_t i = 0; i < pad; ++i) o.put(u' ');
        } else if (isInt && args.values && nextValue < args.count) {
            putInt(o, args.values[nextValue++], conv, left, zero, width > 1000 ? 1000 : width,
                   precision > 1000 ? 1000 : precision);
        } else {
            o.put(start, static_cast<size_t>(f - start));  // no argument of its kind: as it stands
        }
    }
    out[o.n] = 0;
    return o.n;
}

}  // namespace vesk
