// wsprintfW / wsprintfA and their va_list forms.
//
// A directive is %[-][#][0][width][.precision][h|l|w]type. Behaviour kept
// from Windows:
// - Output stops at 1024 characters including the terminator: at most 1023
//   are written and the count returned excludes the terminator. The cut never
//   leaves half a character (a high surrogate, or a lead byte in the A form).
// - Integer arguments are read as 32-bit ints whatever the size prefix ('l'
//   is LONG, 32-bit; 'h' narrows to 16 bits). There is no 64-bit or
//   floating-point conversion.
// - A precision of 0, or none, means at least one digit (so %.0d of 0 is "0").
// - A type character with no meaning is written as it stands, the '%' and
//   anything between dropped ("%%" gives "%", "%5q" gives "q"); a lone '%'
//   at the end of the format is dropped.
// - A null string argument prints "(null)"; %c of 0 writes nothing.
// - %p prints the pointer in upper-case hex, 2 digits per byte.
// Choices of ours: '-' wins over '0' (padding on the right is blanks); '#'
// prefixes a non-zero hex value with 0x/0X; '0' pads strings and characters
// with zeros too, as it pads numbers. ANSI text in the W form and wide text
// in the A form go through the machine's ANSI code page.
#include <win/codepage.h>
#include <win/text.h>

#include <cstring>
#include <new>
#include <string>

#include "core/sim.h"

using namespace winsim::detail;

namespace {

constexpr size_t kMaxOutput = 1024;  // characters, terminator included

template <class Ch>
struct Sink {
    std::basic_string<Ch> text;
    bool full() const { return text.size() >= kMaxOutput; }
    void put(Ch c, size_t n = 1) {
        size_t room = kMaxOutput - text.size();
        if (n > room) n = room;
        text.append(n, c);
    }
    void put(const std::basic_string<Ch>& s) {
        size_t room = kMaxOutput - text.size();
        text.append(s, 0, s.size() < room ? s.size() : room);
    }
};

// Text of the other form, converted through the ANSI code page.
std::u16string asWide(const char* s) { return ansiToWide(s ? std::string_view(s) : std::string_view("(null)")); }
std::string asAnsi(const char16_t* s) { return wideToAnsi(s ? std::u16string_view(s) : std::u16string_view(u"(null)")); }

std::u16string own(const char16_t* s) { return s ? std::u16string(s) : std::u16string(u"(null)"); }
std::string own(const char* s) { return s ? std::string(s) : std::string("(null)"); }

template <class Ch>
std::basic_string<Ch> widen(const std::string& ascii) {
    return std::basic_string<Ch>(ascii.begin(), ascii.end());
}

template <class Ch>
std::basic_string<Ch> narrowText(const char* s);
template <>
std::u16string narrowText<char16_t>(const char* s) { return asWide(s); }
template <>
std::string narrowText<char>(const char* s) { return own(s); }

template <class Ch>
std::basic_string<Ch> wideText(const char16_t* s);
template <>
std::u16string wideText<char16_t>(const char16_t* s) { return own(s); }
template <>
std::string wideText<char>(const char16_t* s) { return asAnsi(s); }

template <class Ch>
std::basic_string<Ch> narrowChar(int c) {
    char s[2] = {static_cast<char>(c), 0};
    return narrowText<Ch>(s);
}
template <class Ch>
std::basic_string<Ch> wideChar(int c) {
    char16_t s[2] = {static_cast<char16_t>(c), 0};
    return wideText<Ch>(s);
}

size_t readNumber(const auto*& p) {
    size_t n = 0;
    while (*p >= '0' && *p <= '9') {
        if (n < kMaxOutput) n = n * 10 + static_cast<size_t>(*p - '0');
        ++p;
    }
    return n < kMaxOutput ? n : kMaxOutput;
}

std::string digits(uint32_t v, unsigned base, bool upper) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::string s;
    do {
        s.insert(s.begin(), set[v % base]);
        v /= base;
    } while (v);
    return s;
}

template <class Ch>
int format(Ch* out, const Ch* fmt, va_list* ap) {
    if (!out) return 0;
    if (!fmt) {
        out[0] = 0;
        return 0;
    }
    constexpr bool kWideForm = sizeof(Ch) == 2;
    Sink<Ch> sink;
    const Ch* p = fmt;
    while (*p && !sink.full()) {
        if (*p != '%') {
            sink.put(*p++);
            continue;
        }
        ++p;
        bool left = false, alt = false, zero = false;
        for (;; ++p) {
            if (*p == '-') left = true;
            else if (*p == '#') alt = true;
            else if (*p == '0') zero = true;
            else break;
        }
        size_t width = readNumber(p);
        size_t precision = 0;
        bool hasPrecision = false;
        if (*p == '.') {
            ++p;
            hasPrecision = true;
            precision = readNumber(p);
        }
        char size = 0;
        if (*p == 'h' || *p == 'l' || *p == 'w') size = static_cast<char>(*p++);
        Ch type = *p;
        if (!type) break;
        ++p;

        std::basic_string<Ch> body;  // the converted value
        std::basic_string<Ch> prefix;  // sign or 0x, before zero padding
        bool numeric = false;
        switch (type) {
            case 'c':
            case 'C': {
                int c = va_arg(*ap, int);
                bool wide = size == 'l' || size == 'w' || (size != 'h' && ((type == 'c') == kWideForm));
                body = wide ? wideChar<Ch>(c) : narrowChar<Ch>(c);
                break;
            }
            case 's':
            case 'S': {
                bool wide = size == 'l' || size == 'w' || (size != 'h' && ((type == 's') == kWideForm));
                body = wide ? wideText<Ch>(va_arg(*ap, const char16_t*)) : narrowText<Ch>(va_arg(*ap, const char*));
                if (hasPrecision && body.size() > precision) body.resize(precision);
                break;
            }
            case 'd':
            case 'i': {
                int32_t v = va_arg(*ap, int32_t);
                if (size == 'h') v = static_cast<int16_t>(v);
                uint32_t mag = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
                if (v < 0) prefix = widen<Ch>("-");
                body = widen<Ch>(digits(mag, 10, false));
                numeric = true;
                break;
            }
            case 'u':
            case 'x':
            case 'X': {
                uint32_t v = va_arg(*ap, uint32_t);
                if (size == 'h') v = static_cast<uint16_t>(v);
                body = widen<Ch>(digits(v, type == 'u' ? 10 : 16, type == 'X'));
                if (alt && type != 'u' && v != 0) prefix = widen<Ch>(type == 'X' ? "0X" : "0x");
                numeric = true;
                break;
            }
            case 'p': {
                auto v = reinterpret_cast<uintptr_t>(va_arg(*ap, void*));
                std::string s;
                for (int shift = static_cast<int>(sizeof v * 8) - 4; shift >= 0; shift -= 4)
                    s += "0123456789ABCDEF"[(v >> shift) & 0xF];
                body = widen<Ch>(s);
                break;
            }
            default:
                // No meaning as a directive: the character itself.
                sink.put(type);
                continue;
        }
        if (numeric) {
            size_t minDigits = hasPrecision && precision > 0 ? precision : 1;
            if (body.size() < minDigits) body.insert(0, minDigits - body.size(), Ch('0'));
        }
        size_t length = prefix.size() + body.size();
        size_t pad = width > length ? width - length : 0;
        if (left) {
            sink.put(prefix);
            sink.put(body);
            sink.put(Ch(' '), pad);
        } else if (zero) {
            sink.put(prefix);
            sink.put(Ch('0'), pad);
            sink.put(body);
        } else {
            sink.put(Ch(' '), pad);
            sink.put(prefix);
            sink.put(body);
        }
    }

    std::basic_string<Ch>& text = sink.text;
    if (text.size() >= kMaxOutput) {
        // Cut to leave room for the terminator, on a character boundary.
        text.resize(kMaxOutput - 1);
        if constexpr (kWideForm) {
            if (text.back() >= 0xD800 && text.back() <= 0xDBFF) text.pop_back();
        } else {
            size_t i = 0;
            while (i < text.size()) {
                size_t n = isLeadByte(CP_ACP, static_cast<unsigned char>(text[i])) ? 2 : 1;
                if (i + n > text.size()) {
                    text.resize(i);
                    break;
                }
                i += n;
            }
        }
    }
    std::memcpy(out, text.data(), text.size() * sizeof(Ch));
    out[text.size()] = 0;
    return static_cast<int>(text.size());
}

template <class Ch>
int formatSafely(Ch* out, const Ch* fmt, va_list ap) {
    va_list copy;
    va_copy(copy, ap);
    int n;
    try {
        n = format(out, fmt, &copy);
    } catch (const std::bad_alloc&) {
        if (out) out[0] = 0;
        setError(ERROR_NOT_ENOUGH_MEMORY);
        n = 0;
    }
    va_end(copy);
    return n;
}

}  // namespace

extern "C" {

WINBASEAPI int WINAPI wvsprintfW(LPWSTR out, LPCWSTR fmt, va_list ap) { return formatSafely(out, fmt, ap); }

WINBASEAPI int WINAPIV wsprintfW(LPWSTR out, LPCWSTR fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = formatSafely(out, fmt, ap);
    va_end(ap);
    return n;
}

WINBASEAPI int WINAPI wvsprintfA(LPSTR out, LPCSTR fmt, va_list ap) { return formatSafely(out, fmt, ap); }

WINBASEAPI int WINAPIV wsprintfA(LPSTR out, LPCSTR fmt, ...) {
    va_list ap;
    va_start(ap, fmt);
    int n = formatSafely(out, fmt, ap);
    va_end(ap);
    return n;
}

}  // extern "C"
