// BMP files: the file header, the information header in its several
// lengths, the colour table or bit masks, and the rows.
#include "bmp.h"

#include <algorithm>
#include <new>

namespace vds {
namespace {

uint32_t u32(std::string_view b, size_t at) {
    return static_cast<uint32_t>(static_cast<uint8_t>(b[at])) | static_cast<uint32_t>(static_cast<uint8_t>(b[at + 1])) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 2])) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t u16(std::string_view b, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

constexpr int64_t kMaxSide = 16384;
constexpr uint64_t kMaxPixelBytes = 256ull << 20;

}  // namespace

bool readBmp(std::string_view b, winsim::engine::Image& out, std::string* error) {
    out = winsim::engine::Image{};
    if (b.size() < 14 + 12) return fail(error, "too short for a BMP file");
    if (b[0] != 'B' || b[1] != 'M') return fail(error, "not a BMP file (no BM signature)");
    uint32_t offBits = u32(b, 10);
    uint32_t hdr = u32(b, 14);
    if (hdr != 12 && hdr != 40 && hdr != 52 && hdr != 56 && hdr != 108 && hdr != 124)
        return fail(error, "unknown information header size " + std::to_string(hdr));
    if (b.size() < 14 + static_cast<size_t>(hdr)) return fail(error, "truncated information header");
    int64_t width, height;
    uint32_t planes, bits, compression = 0, clrUsed = 0;
    if (hdr == 12) {
        width = u16(b, 18);
        height = static_cast<int16_t>(u16(b, 20));
        planes = u16(b, 22);
        bits = u16(b, 24);
    } else {
        width = static_cast<int32_t>(u32(b, 18));
        height = static_cast<int32_t>(u32(b, 22));
        planes = u16(b, 26);
        bits = u16(b, 28);
        compression = u32(b, 30);
        clrUsed = u32(b, 46);
    }
    if (planes != 1) return fail(error, "the image must have one plane");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return fail(error, "unsupported bits per pixel " + std::to_string(bits));
    bool topDown = height < 0;
    if (topDown) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return fail(error, "image size out of range");
    // Compression: none, or bit fields for 16 and 32 bits per pixel.
    if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32)))
        return fail(error, "compressed images are not supported");
    out.bitsPerPixel = bits;
    out.width = static_cast<int32_t>(width);
    out.height = static_cast<int32_t>(height);
    out.topDown = topDown;
    size_t tableAt = 14 + hdr;
    if (compression == 3) {
        size_t maskAt = hdr >= 52 ? 14 + 40 : tableAt;
        if (hdr < 52) tableAt += 12;
        if (b.size() < maskAt + 12) return fail(error, "truncated bit masks");
        for (int i = 0; i < 3; ++i) out.masks[i] = u32(b, maskAt + 4 * i);
        if (!out.masks[0] || !out.masks[1] || !out.masks[2]) return fail(error, "a bit mask is empty");
    }
    try {
        if (bits <= 8) {
            size_t max = size_t{1} << bits;
            size_t n = clrUsed ? clrUsed : max;
            if (n > max) return fail(error, "colour table larger than the format allows");
            size_t entry = hdr == 12 ? 3 : 4;
            if (tableAt + n * entry > b.size()) return fail(error, "truncated colour table");
            for (size_t i = 0; i < n; ++i) {
                size_t at = tableAt + i * entry;
                uint8_t bl = static_cast<uint8_t>(b[at]), g = static_cast<uint8_t>(b[at + 1]),
                        r = static_cast<uint8_t>(b[at + 2]);
                out.palette.push_back((static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | bl);
            }
        }
        uint64_t stride = ((static_cast<uint64_t>(width) * bits + 31) / 32) * 4;
        uint64_t total = stride * static_cast<uint64_t>(height);
        if (total > kMaxPixelBytes) return fail(error, "image too large");
        if (offBits < tableAt || offBits > b.size() || b.size() - offBits < total)
            return fail(error, "pixel data outside the file");
        out.bits.assign(b.begin() + offBits, b.begin() + offBits + static_cast<ptrdiff_t>(total));
        // Pixel values beyond a short colour table are kept; the engine draws them black.
    } catch (const std::bad_alloc&) {
        return fail(error, "out of memory");
    }
    return true;
}

}  // namespace vds
