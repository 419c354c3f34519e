// Drawing scripts: the public DEVMODE fields a script or `vesk printer set`
// may choose, and the driver's private settings among them.
#include <winsim/winsim.h>

#include <cstring>

#include "vds_internal.h"

namespace vds {

using namespace internal;

namespace {

struct FieldInfo {
    const char* key;
    size_t offset;
    int bytes;   // 2 or 4; 0 for the form name
    uint32_t bit;
    int64_t lo, hi;
};
const FieldInfo kFields[] = {
    {"orient", 76, 2, 0x1, 1, 2},
    {"paper", 78, 2, 0x2, 0, 32767},
    {"length", 80, 2, 0x4, 0, 32767},
    {"width", 82, 2, 0x8, 0, 32767},
    {"scale", 84, 2, 0x10, 1, 32767},
    {"copies", 86, 2, 0x100, 1, 32767},
    {"source", 88, 2, 0x200, 0, 32767},
    {"quality", 90, 2, 0x400, -4, 32767},
    {"color", 92, 2, 0x800, 1, 2},
    {"duplex", 94, 2, 0x1000, 1, 3},
    {"yres", 96, 2, 0x2000, 0, 32767},
    {"ttoption", 98, 2, 0x4000, 1, 4},
    {"collate", 100, 2, 0x8000, 0, 1},
    {"form", 102, 0, 0x10000, 0, 0},
    {"nup", 180, 4, 0x40, 1, 2},
    {"icmmethod", 188, 4, 0x800000, 1, 0x7FFFFFFF},
    {"icmintent", 192, 4, 0x1000000, 1, 0x7FFFFFFF},
    {"media", 196, 4, 0x2000000, 1, 0x7FFFFFFF},
    {"dither", 200, 4, 0x4000000, 1, 0x7FFFFFFF},
};
constexpr size_t kPublicSize = 220;

// Settings of the driver's private part that a script may choose: the byte
// of the private DEVMODE (offset from the DEVMODE's start) and its range.
// They apply only to a DEVMODE that carries the driver's private part
// (signature "priv" at 349).
// A flag setting (`bit` non-zero) sets `always` and sets or clears `bit` in
// its byte; any other writes the byte.
struct PrivateFieldInfo {
    const char* key;
    size_t offset;
    int64_t lo, hi;
    uint8_t always = 0, bit = 0;
};
const PrivateFieldInfo kPrivateFields[] = {
    {"imageprint", 593, 0, 1},  // rdmImagePrint: the page goes as a banded image
    {"joblinker", 224, 0, 2},   // rdmJobLinker (low byte): 1 binds the pages, PASSTHROUGH served
    {"machinecolor", 826, 0, 1},  // rdmMachineColor: a colour device
    // Text as glyph images (item 372, bit 26 of the word at 848: the flag
    // that counts while the model offers no text-bitmap option).
    {"textbitmap", 851, 0, 1, 0, 0x04},
    // EUDC handling (item 361, bit 15 of the word at 848).
    {"eudc", 849, 0, 1, 0, 0x80},
};

void put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

}  // namespace

bool hasDriverPrivatePart(const std::vector<uint8_t>& dm) {
    return dm.size() >= kDriverDevmodeSize && std::memcmp(dm.data() + kPrivateSignature, "priv", 4) == 0;
}

bool devmodeFieldValue(const std::vector<uint8_t>& dm, const std::string& key, int64_t* value) {
    for (const auto& k : kPrivateFields)
        if (key == k.key && hasDriverPrivatePart(dm)) {
            *value = dm[k.offset];
            return true;
        }
    for (const auto& k : kFields) {
        if (key != k.key || k.bytes == 0 || dm.size() < k.offset + k.bytes) continue;
        const uint32_t lo = dm[k.offset] | dm[k.offset + 1] << 8;
        if (k.bytes == 2) {
            *value = static_cast<int16_t>(lo);
        } else {
            const uint32_t v = lo | static_cast<uint32_t>(dm[k.offset + 2]) << 16 |
                               static_cast<uint32_t>(dm[k.offset + 3]) << 24;
            *value = static_cast<int32_t>(v);
        }
        return true;
    }
    return false;
}

std::vector<uint8_t> minimalDevmode(const std::u16string& deviceName) {
    std::vector<uint8_t> d(kPublicSize, 0);
    for (size_t i = 0; i < deviceName.size() && i < 31; ++i) put16(d, 2 * i, deviceName[i]);
    put16(d, 64, 0x0401);  // dmSpecVersion
    put16(d, 68, kPublicSize);
    return d;
}

bool applyDevmodeFields(std::vector<uint8_t>& dm, const std::vector<std::pair<std::string, std::string>>& fields,
                        std::string* error) {
    if (dm.size() < kPublicSize) {
        if (error) *error = "the DEVMODE is shorter than its public part";
        return false;
    }
    for (const auto& [key, value] : fields) {
        const FieldInfo* f = nullptr;
        for (const auto& k : kFields)
            if (key == k.key) f = &k;
        const PrivateFieldInfo* pf = nullptr;
        for (const auto& k : kPrivateFields)
            if (key == k.key) pf = &k;
        if (pf) {
            int64_t v;
            if (!parseInt(value, pf->lo, pf->hi, v)) {
                if (error) *error = "bad value for DEVMODE field '" + key + "'";
                return false;
            }
            if (!hasDriverPrivatePart(dm)) {
                if (error) *error = "'" + key + "' needs a DEVMODE with the driver's private part";
                return false;
            }
            if (pf->bit)
                dm[pf->offset] = static_cast<uint8_t>((dm[pf->offset] | pf->always | (v ? pf->bit : 0)) &
                                                      (v ? 0xFF : ~pf->bit));
            else
                dm[pf->offset] = static_cast<uint8_t>(v);
            continue;
        }
        if (!f) {
            if (error) *error = "unknown DEVMODE field '" + key + "'";
            return false;
        }
        if (f->bytes == 0) {
            std::u16string name = winsim::fromUtf8(value);
            if (name.size() > 31) {
                if (error) *error = "form name longer than 31 characters";
                return false;
            }
            for (size_t i = 0; i < 32; ++i) put16(dm, f->offset + 2 * i, i < name.size() ? name[i] : 0);
        } else {
            int64_t v;
            if (!parseInt(value, f->lo, f->hi, v)) {
                if (error) *error = "bad value for DEVMODE field '" + key + "'";
                return false;
            }
            if (f->bytes == 2)
                put16(dm, f->offset, static_cast<uint32_t>(v));
            else
                put32(dm, f->offset, static_cast<uint32_t>(v));
        }
        uint32_t flags = dm[72] | dm[73] << 8 | static_cast<uint32_t>(dm[74]) << 16 | static_cast<uint32_t>(dm[75]) << 24;
        put32(dm, 72, flags | f->bit);
    }
    return true;
}

}  // namespace vds
