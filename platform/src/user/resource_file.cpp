// Reading VRES resource modules: the directory check, the per-module cache
// and the DIB decoder. The loader maps a file that starts with the VRES magic
// as a data module; its resources are read here on first use.
#include "user/resource_file.h"

#include <cstring>
#include <fstream>
#include <map>
#include <mutex>

#include "core/sim.h"
#include "module_loader.h"

namespace fs = std::filesystem;

namespace winsim::detail {
namespace {

uint16_t u16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t u32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24); }
int32_t i32(const uint8_t* p) { return static_cast<int32_t>(u32(p)); }

bool readAll(const fs::path& host, std::vector<uint8_t>& out) {
    std::ifstream in(host, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// A module's file is read once while it stays the same file (size and time).
struct Cached {
    fs::path host;
    uintmax_t size = 0;
    fs::file_time_type time{};
    std::shared_ptr<const ResFile> file;
};
std::mutex g_lock;
std::map<uintptr_t, Cached>& cache() {
    static auto* m = new std::map<uintptr_t, Cached>;
    return *m;
}

// The loader asks this of a file no library implements.
[[maybe_unused]] const bool g_registered = [] {
    setResourceModuleTest(&isResFile);
    return true;
}();

}  // namespace

const ResEntry* ResFile::find(uint32_t type, uint32_t id) const {
    for (const auto& e : entries)
        if (e.type == type && e.id == id) return &e;
    return nullptr;
}

bool parseResFile(std::vector<uint8_t> bytes, ResFile& out, std::string* reason) {
    auto no = [&](const char* why) {
        if (reason) *reason = why;
        return false;
    };
    if (bytes.size() < kResHeaderSize || std::memcmp(bytes.data(), kResMagic, 4) != 0) return no("no VRES header");
    if (u16(bytes.data() + 4) != kResVersion) return no("unknown VRES version");
    const uint64_t count = u32(bytes.data() + 8), dir = u32(bytes.data() + 12);
    if (dir + count * kResEntrySize > bytes.size()) return no("the directory leaves the file");
    std::vector<ResEntry> entries;
    entries.reserve(count);
    for (uint64_t i = 0; i < count; ++i) {
        const uint8_t* p = bytes.data() + dir + i * kResEntrySize;
        ResEntry e{u32(p), u32(p + 4), u32(p + 8), u32(p + 12)};
        if (uint64_t(e.offset) + e.size > bytes.size()) return no("a resource leaves the file");
        entries.push_back(e);
    }
    out.bytes = std::move(bytes);
    out.entries = std::move(entries);
    return true;
}

bool isResFile(const fs::path& host) {
    std::ifstream in(host, std::ios::binary);
    char magic[4] = {};
    return in.read(magic, 4) && std::memcmp(magic, kResMagic, 4) == 0;
}

std::shared_ptr<const ResFile> moduleResources(HMODULE module) {
    auto host = module ? moduleHostFile(module) : std::nullopt;
    if (!host) {
        setError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    std::error_code ec;
    const uintmax_t size = fs::file_size(*host, ec);
    const fs::file_time_type time = ec ? fs::file_time_type{} : fs::last_write_time(*host, ec);
    std::lock_guard g(g_lock);
    Cached& c = cache()[reinterpret_cast<uintptr_t>(module)];
    if (c.file && c.host == *host && c.size == size && c.time == time) return c.file;
    auto file = std::make_shared<ResFile>();
    std::vector<uint8_t> bytes;
    if (!readAll(*host, bytes) || !parseResFile(std::move(bytes), *file)) {
        cache().erase(reinterpret_cast<uintptr_t>(module));
        setError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    c = Cached{*host, size, time, file};
    return file;
}

bool decodeDib(const uint8_t* p, size_t size, ResImage& out) {
    if (size < 40 || u32(p) < 40 || u32(p) > size) return false;
    const uint32_t headerSize = u32(p);
    const int32_t w = i32(p + 4), hRaw = i32(p + 8);
    const uint16_t bits = u16(p + 14);
    const uint32_t compression = u32(p + 16);
    uint32_t colours = u32(p + 32);
    if (w <= 0 || hRaw == 0 || w > 4096 || hRaw > 4096 || hRaw < -4096 || compression != 0) return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) return false;
    if (bits <= 8 && colours == 0) colours = 1u << bits;
    if (bits == 24) colours = 0;
    if (colours > 256) return false;
    const bool bottomUp = hRaw > 0;
    const int32_t h = bottomUp ? hRaw : -hRaw;
    const uint64_t stride = ((uint64_t(w) * bits + 31) / 32) * 4;
    const uint64_t paletteAt = headerSize, bitsAt = paletteAt + uint64_t(colours) * 4;
    if (bitsAt + stride * h > size) return false;
    out.width = w;
    out.height = h;
    out.pixels.assign(size_t(w) * h, 0);
    auto palette = [&](uint32_t i) -> uint32_t {
        if (i >= colours) return 0;
        const uint8_t* c = p + paletteAt + i * 4;  // blue, green, red, 0
        return (uint32_t(c[2]) << 16) | (c[1] << 8) | c[0];
    };
    for (int32_t y = 0; y < h; ++y) {
        const uint8_t* row = p + bitsAt + stride * (bottomUp ? h - 1 - y : y);
        for (int32_t x = 0; x < w; ++x) {
            uint32_t v;
            switch (bits) {
                case 1: v = palette((row[x / 8] >> (7 - x % 8)) & 1); break;
                case 4: v = palette((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF); break;
                case 8: v = palette(row[x]); break;
                default: v = (uint32_t(row[x * 3 + 2]) << 16) | (row[x * 3 + 1] << 8) | row[x * 3]; break;
            }
            out.pixels[size_t(y) * w + x] = v;
        }
    }
    return true;
}

}  // namespace winsim::detail
