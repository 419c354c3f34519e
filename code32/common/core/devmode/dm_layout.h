// Byte layout of the driver's DEVMODE: the public DEVMODEW fields at their
// Windows offsets, the private header at its fixed offsets, and little-endian
// accessors that never read or write outside a buffer of known length.
#pragma once
#include <win/devmode.h>
#include <win/types.h>

#include <cstddef>
#include <cstring>

namespace vesk::dm {

// Public fields (offsets from the start of the DEVMODE).
constexpr uint32_t kOffDeviceName = 0;
constexpr uint32_t kOffSpecVersion = 64;
constexpr uint32_t kOffDriverVersion = 66;
constexpr uint32_t kOffSize = 68;
constexpr uint32_t kOffDriverExtra = 70;
constexpr uint32_t kOffFields = 72;
constexpr uint32_t kOffOrientation = 76;
constexpr uint32_t kOffPaperSize = 78;
constexpr uint32_t kOffPaperLength = 80;
constexpr uint32_t kOffPaperWidth = 82;
constexpr uint32_t kOffScale = 84;
constexpr uint32_t kOffCopies = 86;
constexpr uint32_t kOffDefaultSource = 88;
constexpr uint32_t kOffPrintQuality = 90;
constexpr uint32_t kOffColor = 92;
constexpr uint32_t kOffDuplex = 94;
constexpr uint32_t kOffYResolution = 96;
constexpr uint32_t kOffTTOption = 98;
constexpr uint32_t kOffCollate = 100;
constexpr uint32_t kOffFormName = 102;
constexpr uint32_t kOffLogPixels = 166;
constexpr uint32_t kOffBitsPerPel = 168;
constexpr uint32_t kOffPelsWidth = 172;
constexpr uint32_t kOffPelsHeight = 176;
constexpr uint32_t kOffDisplayFlags = 180;
constexpr uint32_t kOffDisplayFrequency = 184;
constexpr uint32_t kOffICMMethod = 188;
constexpr uint32_t kOffICMIntent = 192;
constexpr uint32_t kOffMediaType = 196;
constexpr uint32_t kOffDitherType = 200;
constexpr uint32_t kOffReserved1 = 204;
constexpr uint32_t kOffReserved2 = 208;
constexpr uint32_t kOffPanningWidth = 212;
constexpr uint32_t kOffPanningHeight = 216;
constexpr uint32_t kFormNameChars = CCHFORMNAME;
constexpr uint32_t kDeviceNameChars = CCHDEVICENAME;

static_assert(offsetof(DEVMODEW, dmFields) == kOffFields);
static_assert(offsetof(DEVMODEW, dmFormName) == kOffFormName);
static_assert(offsetof(DEVMODEW, dmPanningHeight) == kOffPanningHeight);

// Private header (Windows NT family).
constexpr uint32_t kOffProductTag = 220;     // "VESK"
constexpr uint32_t kOffJobLinker = 224;
constexpr uint32_t kOffSignature = 349;      // "priv"
constexpr uint32_t kOffPrivateSize = 353;
constexpr uint32_t kOffPrivateVersion = 357;
constexpr uint32_t kOffSectionBase1 = 361;
constexpr uint32_t kOffSectionBase2 = 363;
constexpr uint32_t kOffSectionBase3 = 365;
constexpr uint32_t kOffMachineId = 372;
constexpr uint32_t kOffLanguageId = 587;     // item 177
constexpr uint32_t kOffMachineColor = 826;
constexpr uint32_t kOffFrontFunc = 832;
constexpr uint32_t kOffDriverType = 857;
constexpr uint32_t kOffFlagWord = 858;
constexpr uint32_t kOffExtMirror = 892;      // copy of section 2's first bytes
constexpr uint32_t kExtMirrorBytes = 349;
constexpr uint32_t kOffStateFlags = 1241;    // 16 bytes, items 715 to 730
constexpr uint32_t kStateFlagCount = 16;

// State-flag bytes by their offset.
constexpr uint32_t kOffCallSrc = 1241;
constexpr uint32_t kOffOsKind = 1242;
constexpr uint32_t kOffBatchInst = 1243;
constexpr uint32_t kOffPrintLog = 1244;
constexpr uint32_t kOffBiDirect = 1245;
constexpr uint32_t kOffNoPermission = 1246;
constexpr uint32_t kOffPresentUiMode = 1247;
constexpr uint32_t kOffBidiSupport = 1248;
constexpr uint32_t kOffServerClientMode = 1249;
constexpr uint32_t kOffUserCodeFix = 1250;
constexpr uint32_t kOffUserCodeGet = 1251;
constexpr uint32_t kOffJlInstalled = 1252;
constexpr uint32_t kOffPropertyType = 1253;
constexpr uint32_t kOffUserCodeDll = 1254;
constexpr uint32_t kOffTse = 1255;
constexpr uint32_t kOffAdmin = 1256;

// Versions of the public part by its size.
constexpr uint16_t kSize320 = 188;
constexpr uint16_t kSize400 = 212;
constexpr uint16_t kSize401 = 220;
constexpr uint16_t kVersion320 = 0x0320;
constexpr uint16_t kVersion400 = 0x0400;
constexpr uint16_t kVersion401 = 0x0401;

// Little-endian access; the caller has checked the offset against its buffer.
inline uint16_t rd16(const BYTE* p, uint32_t off) {
    return static_cast<uint16_t>(p[off] | (p[off + 1] << 8));
}
inline uint32_t rd32(const BYTE* p, uint32_t off) {
    return static_cast<uint32_t>(p[off]) | (static_cast<uint32_t>(p[off + 1]) << 8) |
           (static_cast<uint32_t>(p[off + 2]) << 16) | (static_cast<uint32_t>(p[off + 3]) << 24);
}
inline int16_t rds16(const BYTE* p, uint32_t off) { return static_cast<int16_t>(rd16(p, off)); }
inline void wr16(BYTE* p, uint32_t off, uint32_t v) {
    p[off] = static_cast<BYTE>(v);
    p[off + 1] = static_cast<BYTE>(v >> 8);
}
inline void wr32(BYTE* p, uint32_t off, uint32_t v) {
    for (uint32_t i = 0; i < 4; ++i) p[off + i] = static_cast<BYTE>(v >> (8 * i));
}

// dmFields of a DEVMODE.
inline uint32_t fields(const BYTE* dm) { return rd32(dm, kOffFields); }
inline void setFields(BYTE* dm, uint32_t f) { wr32(dm, kOffFields, f); }
inline void addFields(BYTE* dm, uint32_t f) { setFields(dm, fields(dm) | f); }
inline void clearFields(BYTE* dm, uint32_t f) { setFields(dm, fields(dm) & ~f); }

// A wide string field of `chars` characters: copied with a terminator inside
// the field whatever the source holds.
inline void copyWideField(BYTE* dst, uint32_t dstOff, const BYTE* src, uint32_t srcOff, uint32_t chars) {
    std::memcpy(dst + dstOff, src + srcOff, chars * 2);
    dst[dstOff + chars * 2 - 2] = 0;
    dst[dstOff + chars * 2 - 1] = 0;
}
inline bool wideFieldEmpty(const BYTE* p, uint32_t off) { return rd16(p, off) == 0; }
inline void putWideField(BYTE* dst, uint32_t off, uint32_t chars, const WCHAR* text) {
    std::memset(dst + off, 0, chars * 2);
    for (uint32_t i = 0; text && text[i] && i + 1 < chars; ++i) wr16(dst, off + 2 * i, text[i]);
}

}  // namespace vesk::dm
