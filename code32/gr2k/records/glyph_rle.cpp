#include "records/glyph_rle.h"

namespace vesk {

namespace {

class UnitWriter {
public:
    UnitWriter(BYTE* out, DWORD limit) : out_(out), limit_(limit) {}
    // False once the output would reach the limit.
    bool byte(BYTE b) {
        if (pos_ + 1 >= limit_) return false;
        out_[pos_++] = b;
        return true;
    }
    // The rest of a field of `base` + `value`: 0xFF bytes and a last one.
    bool extension(DWORD value) {
        for (; value >= 255; value -= 255)
            if (!byte(0xFF)) return false;
        return byte(static_cast<BYTE>(value));
    }
    bool unit(bool repeat, DWORD zeros, DWORD count) {
        const BYTE z = static_cast<BYTE>(zeros < 15 ? zeros : 15);
        const BYTE c = static_cast<BYTE>(count < 7 ? count : 7);
        return byte(static_cast<BYTE>((repeat ? 0x80 : 0) | (z << 3) | c)) && (zeros < 15 || extension(zeros - 15)) &&
               (count < 7 || extension(count - 7));
    }
    DWORD size() const { return pos_; }

private:
    BYTE* out_;
    DWORD limit_;
    DWORD pos_ = 0;
};

// Bytes equal to raw[i] from i on.
DWORD runOf(const BYTE* raw, DWORD n, DWORD i) {
    DWORD j = i + 1;
    while (j < n && raw[j] == raw[i]) ++j;
    return j - i;
}

// Whether a literal stops before position j: four equal bytes begin there,
// or three equal bytes followed by a zero byte.
bool literalStops(const BYTE* raw, DWORD n, DWORD j) {
    if (raw[j] == 0) return true;
    if (n - j < 3 || raw[j + 1] != raw[j] || raw[j + 2] != raw[j]) return false;
    return n - j >= 4 && (raw[j + 3] == raw[j] || raw[j + 3] == 0);
}

}  // namespace

DWORD GlyphRleEncode(const BYTE* raw, DWORD rawBytes, BYTE* out, DWORD limit) {
    if (!raw || !out) return 0;
    UnitWriter w(out, limit);
    DWORD i = 0;
    for (;;) {
        DWORD zeros = 0;
        while (i < rawBytes && raw[i] == 0) ++zeros, ++i;
        if (i == rawBytes) break;  // trailing zeros are not encoded
        if (rawBytes - i >= 3 && raw[i + 1] == raw[i] && raw[i + 2] == raw[i]) {
            const DWORD run = runOf(raw, rawBytes, i);
            if (!w.unit(true, zeros, run - 2) || !w.byte(raw[i])) return 0;
            i += run;
            continue;
        }
        DWORD j = i + 1;
        while (j < rawBytes && !literalStops(raw, rawBytes, j)) ++j;
        if (!w.unit(false, zeros, j - i - 1)) return 0;
        for (; i < j; ++i)
            if (!w.byte(raw[i])) return 0;
    }
    return w.size();
}

}  // namespace vesk
