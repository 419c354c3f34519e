// .bmp files as bitmaps of the display. The file is read whole and every
// offset and size in it is checked against what was read before anything
// is made from it.
#include "pictures/bmp_file.h"

#include <win/wingdi.h>
#include <win/files.h>
#include <win/wingdi_dib.h>

#include <cstring>
#include <vector>

#include "pictures/pictures.h"

namespace vesk {
namespace {

constexpr size_t kFileHeader = 14;
constexpr uint32_t kInfoHeader = 40;
constexpr size_t kMaxFileBytes = 256u << 20;

uint16_t u16At(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t u32At(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

}  // namespace

bool BmpCheck(const uint8_t* data, size_t size, BmpLayout* out) {
    *out = BmpLayout{};
    if (!data || size < kFileHeader + kInfoHeader) return false;
    if (data[0] != 'B' || data[1] != 'M') return false;
    const uint8_t* h = data + kFileHeader;
    if (u32At(h) != kInfoHeader) return false;
    const int32_t width = int32_t(u32At(h + 4)), height = int32_t(u32At(h + 8));
    const uint16_t planes = u16At(h + 12), bits = u16At(h + 14);
    const uint32_t compression = u32At(h + 16), used = u32At(h + 32);
    if (width <= 0 || width > kBmpMaxSide || height <= 0 || height > kBmpMaxSide || planes != 1) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
    if (compression != BI_RGB) return false;
    uint32_t entries = 0;
    if (bits <= 8) {
        const uint32_t full = 1u << bits;
        if (used > full) return false;
        entries = used ? used : full;
    } else if (used) {
        return false;
    }
    const uint64_t rowSize = ((uint64_t(bits) * uint64_t(width) + 31) / 32) * 4;
    const uint64_t imageSize = rowSize * uint64_t(height);
    const uint64_t tableEnd = kFileHeader + kInfoHeader + uint64_t(entries) * 4;
    const uint32_t offBits = u32At(data + 10);
    if (tableEnd > size || offBits < tableEnd || uint64_t(offBits) + imageSize > size) return false;
    *out = BmpLayout{width, height, bits, entries, offBits, uint32_t(rowSize), uint32_t(imageSize)};
    return true;
}

HBITMAP BmpFromMemory(const uint8_t* data, size_t size, int* width, int* height) {
    if (width) *width = 0;
    if (height) *height = 0;
    BmpLayout l;
    if (!BmpCheck(data, size, &l)) return nullptr;
    // Header and colour table in one block, with the fields the layout
    // computed (a file's own image size may be 0 or wrong).
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
    std::memcpy(info.data(), data + kFileHeader, kInfoHeader);
    std::memcpy(info.data() + kInfoHeader, data + kFileHeader + kInfoHeader, size_t(l.paletteEntries) * 4);
    auto* bih = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
    bih->biSizeImage = l.imageSize;
    bih->biClrUsed = l.paletteEntries;
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateDIBitmap(screen, bih, CBM_INIT, data + l.bitsOffset,
                                    reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (bitmap) {
        if (width) *width = l.width;
        if (height) *height = l.height;
    }
    return bitmap;
}

int BmpFileOpen(const WCHAR* path, HANDLE* file) {
    *file = INVALID_HANDLE_VALUE;
    if (!path || !*path) return 0;
    HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 0;
    uint8_t head[kFileHeader + 4];
    DWORD got = 0;
    if (!ReadFile(f, head, sizeof head, &got, nullptr) || got != sizeof head || u32At(head + kFileHeader) != kInfoHeader) {
        CloseHandle(f);
        return 0;
    }
    SetFilePointer(f, 0, nullptr, FILE_BEGIN);
    *file = f;
    return 1;
}

HBITMAP BmpLoadFile(const WCHAR* path, int* width, int* height) {
    if (width) *width = 0;
    if (height) *height = 0;
    HANDLE f;
    if (!BmpFileOpen(path, &f)) return nullptr;
    LARGE_INTEGER size{};
    std::vector<uint8_t> data;
    if (GetFileSizeEx(f, &size) && size.QuadPart > 0 && uint64_t(size.QuadPart) <= kMaxFileBytes) {
        data.resize(size_t(size.QuadPart));
        // In pieces of at most 16384 bytes, as the reader always did.
        size_t done = 0;
        while (done < data.size()) {
            const DWORD want = DWORD(data.size() - done < 16384 ? data.size() - done : 16384);
            DWORD got = 0;
            if (!ReadFile(f, data.data() + done, want, &got, nullptr) || got == 0) break;
            done += got;
        }
        data.resize(done);
    }
    CloseHandle(f);
    return BmpFromMemory(data.data(), data.size(), width, height);
}

}  // namespace vesk
