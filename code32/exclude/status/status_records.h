// The caller records of the status calls: fixed byte layouts, read and
// written at explicit little-endian offsets. A caller hands over a plain
// byte buffer whose size the item and its record version imply; nothing
// here assumes alignment, and every text field is read within its width.
#pragma once
#include <win/types.h>

#include <cstddef>
#include <cstring>
#include <string>

namespace vesk {

// The 32-byte record of most items.
namespace rec32 {
constexpr size_t kVersion = 0, kA = 4, kB = 8, kC = 12, kD = 16, kSwitch = 28, kSize = 32;
static_assert(kA == kVersion + 4 && kB == kA + 4 && kC == kB + 4 && kD == kC + 4);
static_assert(kSwitch + 4 == kSize);
}  // namespace rec32

// The 392-byte record of the print method and the user ID.
namespace rec392 {
constexpr size_t kVersion = 0, kMethod = 4, kFlags = 8;
constexpr size_t kUserId = 12, kUserIdW = 9;
constexpr size_t kJobPw = 21, kJobPwW = 5;
constexpr size_t kStoredPw = 26, kStoredPwW = 5;
constexpr size_t kOwner = 31, kOwnerW = 17;
constexpr size_t kDocument = 48, kDocumentW = 17;
constexpr size_t kMerge = 65, kMergeW = 65;
constexpr size_t kOverlay = 130, kOverlayW = 260;
constexpr size_t kSize = 392;
static_assert(kJobPw == kUserId + kUserIdW && kStoredPw == kJobPw + kJobPwW && kOwner == kStoredPw + kStoredPwW);
static_assert(kDocument == kOwner + kOwnerW && kMerge == kDocument + kDocumentW && kOverlay == kMerge + kMergeW);
static_assert(kOverlay + kOverlayW == 390 && kSize == 392);
// Field flags.
constexpr uint32_t kFlUserId = 0x1, kFlJobPw = 0x2, kFlStoredPw = 0x4, kFlOwner = 0x8, kFlDocument = 0x10,
                   kFlMerge = 0x20, kFlOverlay = 0x40;
}  // namespace rec392

// The 816-byte record of the settings file.
namespace rec816 {
constexpr size_t kVersion = 0, kPath = 4, kPathW = 260, kName = 264, kNameW = 37, kComment = 301, kCommentW = 513;
constexpr size_t kSize = 816;
static_assert(kName == kPath + kPathW && kComment == kName + kNameW && kComment + kCommentW + 2 == kSize);
}  // namespace rec816

// The watermark record: 372 bytes in version 1, 412 in version 2.
namespace rec412 {
constexpr size_t kVersion = 0, kKind = 4, kPosition = 8, kOpaque = 12, kPage = 16, kFontStyle = 20, kEffect = 24,
                 kColour = 28, kDensity = 32, kFontSize = 36, kAngle = 40;
constexpr size_t kText = 44, kTextW = 33, kFont = 77, kFontW = 32, kImage = 109, kImageW = 260;
constexpr size_t kSizeV1 = 372;
constexpr size_t kLinePitch = 372, kTextPattern = 376, kTilePattern = 380, kTileColour = 384, kTileDensity = 388,
                 kTileMask = 392, kFlags = 396, kReserved = 400, kReservedW = 12;
constexpr size_t kSize = 412;
static_assert(kAngle + 4 == kText && kFont == kText + kTextW && kImage == kFont + kFontW);
static_assert(kImage + kImageW + 3 == kSizeV1);
static_assert(kTileMask + 4 == kFlags && kFlags + 4 == kReserved && kReserved + kReservedW == kSize);
}  // namespace rec412

// The changed-items bitmap.
constexpr size_t kStatusBitmapBytes = 32;
inline void StatusBitSet(BYTE* bitmap, uint32_t item) {
    bitmap[(item - 1) / 8] |= static_cast<BYTE>(0x80u >> ((item - 1) % 8));
}
inline bool StatusBitTest(const BYTE* bitmap, uint32_t item) {
    return (bitmap[(item - 1) / 8] & (0x80u >> ((item - 1) % 8))) != 0;
}
inline void StatusBitClear(BYTE* bitmap, uint32_t item) {
    bitmap[(item - 1) / 8] &= static_cast<BYTE>(~(0x80u >> ((item - 1) % 8)));
}

inline uint32_t RecU32(const BYTE* r, size_t at) {
    return static_cast<uint32_t>(r[at]) | static_cast<uint32_t>(r[at + 1]) << 8 |
           static_cast<uint32_t>(r[at + 2]) << 16 | static_cast<uint32_t>(r[at + 3]) << 24;
}
inline void RecPutU32(BYTE* r, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) r[at + i] = static_cast<BYTE>(v >> (8 * i));
}
// The text of a field of `width` bytes; false when the field holds no NUL.
inline bool RecText(const BYTE* r, size_t at, size_t width, std::string* out) {
    const void* end = std::memchr(r + at, 0, width);
    if (!end) return false;
    out->assign(reinterpret_cast<const char*>(r + at), static_cast<const BYTE*>(end) - (r + at));
    return true;
}
// Zero-fills the field and copies at most width - 1 bytes of `text`.
inline void RecPutText(BYTE* r, size_t at, size_t width, const char* text, size_t length) {
    std::memset(r + at, 0, width);
    if (length > width - 1) length = width - 1;
    if (length) std::memcpy(r + at, text, length);
}

}  // namespace vesk
