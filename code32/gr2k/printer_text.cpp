#include "printer_text.h"

#include <win/codepage.h>
#include <win/gdi.h>

#include <cstring>

namespace vesk {
namespace {

// Code page 1252's characters at 0x80 to 0x9F (its five undefined codes
// stand for the control characters of the same value).
constexpr WCHAR kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

bool isShiftJisLead(unsigned v) { return (v >= 0x81 && v <= 0x9F) || (v >= 0xE0 && v <= 0xFC); }

// Units of the character at `text[i]`: a surrogate pair is one character.
size_t unitsAt(const WCHAR* text, size_t i, size_t chars) {
    if (text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < chars && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
        return 2;
    return 1;
}

// Appends one converted character when it fits whole.
bool put(BYTE* out, size_t capacity, size_t* at, const BYTE* bytes, size_t n, TextPolicy policy) {
    if (n == 0) return true;
    if (*at + n > capacity) return false;
    for (size_t k = 0; k < n; ++k) out[*at + k] = bytes[k];
    if (policy == TextPolicy::PjlSafe && n == 1) out[*at] = static_cast<BYTE>(PjlSafeByte(static_cast<char>(bytes[0])));
    *at += n;
    return true;
}

}  // namespace

size_t UnicodeToPrinterCp(BYTE* out, size_t capacity, const WCHAR* text, size_t chars, TextPolicy policy) {
    if (!out || !text) return 0;
    size_t at = 0;
    for (size_t i = 0; i < chars && text[i];) {
        const size_t units = unitsAt(text, i, chars);
        const WCHAR c = text[i];
        BYTE bytes[4];
        size_t n = 0;
        if (c < 0x80) {
            bytes[n++] = static_cast<BYTE>(c);
        } else {
            int found = -1;
            if (units == 1 && ((c >= 0x80 && c <= 0x9F) || c >= 0x100))
                for (int k = 0; k < 32; ++k)
                    if (kCp1252High[k] == c) found = 0x80 + k;
            if (found >= 0 && !isShiftJisLead(static_cast<unsigned>(found))) {
                bytes[n++] = static_cast<BYTE>(found);
            } else {
                ULONG written = 0;
                WCHAR unit[2] = {text[i], units == 2 ? text[i + 1] : WCHAR(0)};
                EngUnicodeToMultiByteN(reinterpret_cast<PCHAR>(bytes), 2, &written, unit,
                                       static_cast<ULONG>(units * sizeof(WCHAR)));
                n = written > 2 ? 2 : written;
            }
        }
        if (!put(out, capacity, &at, bytes, n, policy)) break;
        i += units;
    }
    return at;
}

size_t WideToAnsiBytes(char* out, size_t capacity, const WCHAR* text, size_t chars, TextPolicy policy) {
    if (!out || !text) return 0;
    size_t at = 0;
    for (size_t i = 0; i < chars && text[i];) {
        const size_t units = unitsAt(text, i, chars);
        char bytes[8];
        int n = WideCharToMultiByte(CP_ACP, 0, text + i, static_cast<int>(units), bytes, sizeof bytes, nullptr,
                                    nullptr);
        if (n < 0) n = 0;
        if (!put(reinterpret_cast<BYTE*>(out), capacity, &at, reinterpret_cast<const BYTE*>(bytes),
                 static_cast<size_t>(n), policy))
            break;
        i += units;
    }
    return at;
}

}  // namespace vesk
