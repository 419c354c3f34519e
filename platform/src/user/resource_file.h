// Our resource module format, "VRES": a little-endian directory of
// resources by type and id. resources/gen_resources.py writes it.
//
//   header (16 bytes)   +0 "VRES"  +4 u16 version (1)  +6 u16 0
//                       +8 u32 entry count  +12 u32 directory offset
//   entry (16 bytes)    +0 u32 type  +4 u32 id  +8 u32 data offset  +12 u32 size
//
// Data by type: RT_STRING blocks of 16 strings as Windows keeps them (block
// id = string id / 16 + 1; each string a u16 length and its characters);
// RT_BITMAP a packed DIB (BITMAPINFOHEADER, palette, rows bottom-up);
// RT_ICON and RT_CURSOR our own: u16 hot-spot x, u16 hot-spot y, then a
// packed DIB (one image per id, no group directory); RT_DIALOG the extended
// dialog template (DLGTEMPLATEEX).
#pragma once
#include <win/user.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#pragma GCC visibility push(default)
namespace winsim::detail {

inline constexpr char kResMagic[4] = {'V', 'R', 'E', 'S'};
inline constexpr uint32_t kResHeaderSize = 16;
inline constexpr uint32_t kResEntrySize = 16;
inline constexpr uint16_t kResVersion = 1;

struct ResEntry {
    uint32_t type = 0;
    uint32_t id = 0;
    uint32_t offset = 0;
    uint32_t size = 0;
};

struct ResFile {
    std::vector<uint8_t> bytes;
    std::vector<ResEntry> entries;
    const ResEntry* find(uint32_t type, uint32_t id) const;
    const uint8_t* data(const ResEntry& e) const { return bytes.data() + e.offset; }
};

// Parses a module's bytes: false (and a reason) when they are not a VRES
// module or an entry leaves the file.
bool parseResFile(std::vector<uint8_t> bytes, ResFile& out, std::string* reason = nullptr);
// True when the file starts with the VRES magic (the loader's test).
bool isResFile(const std::filesystem::path& host);
// The parsed resources of a loaded module (data module of a VRES file), or
// null with ERROR_RESOURCE_DATA_NOT_FOUND set.
std::shared_ptr<const ResFile> moduleResources(HMODULE module);

// A decoded DIB: width, height and 0x00RRGGBB pixels, top row first.
struct ResImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t hotX = 0, hotY = 0;
    std::vector<uint32_t> pixels;
};
// Decodes a packed DIB of 1, 4, 8 or 24 bits per pixel, uncompressed.
bool decodeDib(const uint8_t* p, size_t size, ResImage& out);

}  // namespace winsim::detail
#pragma GCC visibility pop
