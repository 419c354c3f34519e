// Byte views, little-endian reads and the problem report shared by the
// device-stream decoder.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vesk::decode {

using Bytes = std::span<const std::uint8_t>;

// A problem found in the input: the byte offset in the decoded file and what
// is wrong there.
struct Issue {
    std::uint64_t offset = 0;
    std::string reason;
    // "offset N: reason"
    std::string text() const { return "offset " + std::to_string(offset) + ": " + reason; }
};

// Little-endian reads; the caller has checked that the bytes are there.
inline std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline std::int16_t les16(const std::uint8_t* p) { return static_cast<std::int16_t>(le16(p)); }
inline std::int32_t les32(const std::uint8_t* p) { return static_cast<std::int32_t>(le32(p)); }

// Rounds up to a multiple of 4 (64-bit, so no length can wrap).
inline std::uint64_t round4(std::uint64_t n) { return (n + 3) & ~std::uint64_t{3}; }

// FNV-1a, 32 bits: the short digest the listing prints for pixel data.
inline std::uint32_t fnv1a(Bytes data, std::uint32_t h = 2166136261u) {
    for (std::uint8_t b : data) {
        h ^= b;
        h *= 16777619u;
    }
    return h;
}

}  // namespace vesk::decode
