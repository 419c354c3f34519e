// Font resources and glyph sets read from their serialised form (every
// field little-endian, 32 bits or less) into native engine records.
#include "text/font_set.h"

#include <win/system.h>

#include <cstring>

#include "alloc_list.h"

namespace vesk {

namespace {

// The font resource: +4 the metrics' offset, +572 the strings' offset.
constexpr ULONG kResMetricsAt = 4;
constexpr ULONG kResStringsAt = 572;
// The serialised metrics: 184 bytes of fields, then the names.
constexpr ULONG kSerialMetricsSize = 184;
constexpr ULONG kFwordCount = 26;

uint32_t rd32(const BYTE* b) { return b[0] | (b[1] << 8) | (b[2] << 16) | (uint32_t{b[3]} << 24); }
uint16_t rd16(const BYTE* b) { return static_cast<uint16_t>(b[0] | (b[1] << 8)); }

// A zero-terminated UTF-16LE name at `off` of a block of `size` bytes:
// its length in characters, or -1 when it runs out of the block.
long nameLength(const BYTE* block, ULONG size, ULONG off) {
    for (ULONG i = off; i + 1 < size; i += 2)
        if (!block[i] && !block[i + 1]) return static_cast<long>((i - off) / 2);
    return -1;
}

// Native metrics of the serialised ones at `m` (`size` bytes), names
// appended behind the record; null when malformed or without memory.
IFIMETRICS* buildMetrics(Pdev* p, const BYTE* m, ULONG size) {
    if (size < kSerialMetricsSize || rd32(m) > size) return nullptr;
    size = rd32(m);
    ULONG nameOffs[4];
    long lens[4];
    size_t total = sizeof(IFIMETRICS);
    for (int i = 0; i < 4; ++i) {
        nameOffs[i] = rd32(m + 8 + 4 * i);
        if (nameOffs[i] < kSerialMetricsSize || (lens[i] = nameLength(m, size, nameOffs[i])) < 0) return nullptr;
        total += (static_cast<size_t>(lens[i]) + 1) * sizeof(WCHAR);
    }
    total = (total + 7) & ~size_t{7};
    auto* block = static_cast<BYTE*>(AllocListAllocZero(p->allocs, total));
    if (!block) return nullptr;
    auto* ifi = reinterpret_cast<IFIMETRICS*>(block);
    ifi->cjThis = static_cast<ULONG>(total);
    size_t at = sizeof(IFIMETRICS);
    PTRDIFF* names[4] = {&ifi->dpwszFamilyName, &ifi->dpwszStyleName, &ifi->dpwszFaceName, &ifi->dpwszUniqueName};
    for (int i = 0; i < 4; ++i) {
        *names[i] = static_cast<PTRDIFF>(at);
        auto* out = reinterpret_cast<WCHAR*>(block + at);
        for (long k = 0; k <= lens[i]; ++k) out[k] = static_cast<WCHAR>(rd16(m + nameOffs[i] + 2 * k));
        at += (static_cast<size_t>(lens[i]) + 1) * sizeof(WCHAR);
    }
    ifi->lEmbedId = static_cast<LONG>(rd32(m + 28));
    ifi->lItalicAngle = static_cast<LONG>(rd32(m + 32));
    ifi->lCharBias = static_cast<LONG>(rd32(m + 36));
    ifi->jWinCharSet = m[44];
    ifi->jWinPitchAndFamily = m[45];
    ifi->usWinWeight = rd16(m + 46);
    ifi->flInfo = rd32(m + 48);
    ifi->fsSelection = rd16(m + 52);
    ifi->fsType = rd16(m + 54);
    FWORD* fw[kFwordCount] = {
        &ifi->fwdUnitsPerEm, &ifi->fwdLowestPPEm, &ifi->fwdWinAscender, &ifi->fwdWinDescender,
        &ifi->fwdMacAscender, &ifi->fwdMacDescender, &ifi->fwdMacLineGap, &ifi->fwdTypoAscender,
        &ifi->fwdTypoDescender, &ifi->fwdTypoLineGap, &ifi->fwdAveCharWidth, &ifi->fwdMaxCharInc,
        &ifi->fwdCapHeight, &ifi->fwdXHeight, &ifi->fwdSubscriptXSize, &ifi->fwdSubscriptYSize,
        &ifi->fwdSubscriptXOffset, &ifi->fwdSubscriptYOffset, &ifi->fwdSuperscriptXSize,
        &ifi->fwdSuperscriptYSize, &ifi->fwdSuperscriptXOffset, &ifi->fwdSuperscriptYOffset,
        &ifi->fwdUnderscoreSize, &ifi->fwdUnderscorePosition, &ifi->fwdStrikeoutSize, &ifi->fwdStrikeoutPosition};
    for (ULONG i = 0; i < kFwordCount; ++i) *fw[i] = static_cast<FWORD>(rd16(m + 56 + 2 * i));
    ifi->chFirstChar = m[108];
    ifi->chLastChar = m[109];
    ifi->chDefaultChar = m[110];
    ifi->chBreakChar = m[111];
    ifi->wcFirstChar = rd16(m + 112);
    ifi->wcLastChar = rd16(m + 114);
    ifi->wcDefaultChar = rd16(m + 116);
    ifi->wcBreakChar = rd16(m + 118);
    LONG* pts[10] = {&ifi->ptlBaseline.x, &ifi->ptlBaseline.y, &ifi->ptlAspect.x, &ifi->ptlAspect.y,
                     &ifi->ptlCaret.x,    &ifi->ptlCaret.y,    &ifi->rclFontBox.left, &ifi->rclFontBox.top,
                     &ifi->rclFontBox.right, &ifi->rclFontBox.bottom};
    for (int i = 0; i < 10; ++i) *pts[i] = static_cast<LONG>(rd32(m + 120 + 4 * i));
    std::memcpy(ifi->achVendId, m + 160, 4);
    ifi->cKerningPairs = rd32(m + 164);
    ifi->ulPanoseCulture = rd32(m + 168);
    std::memcpy(&ifi->panose, m + 172, sizeof(PANOSE));
    return ifi;
}

BYTE symbolKindOf(const char* sets) {
    static const char* const kSets[] = {"ROMA;J83;KATA", "ROMA;J83V;KATA", "IBML;IBM850", "SYML;SYMR"};
    for (BYTE i = 0; i < 4; ++i)
        if (std::strcmp(sets, kSets[i]) == 0) return i;
    return kSymbolIbm;
}

// Reads face `id` into `face`; false when the resource is missing or
// malformed or memory is short.
bool loadFace(Pdev* p, HINSTANCE module, ULONG id, DeviceFontFace* face) {
    ULONG size = 0;
    const auto* res = static_cast<const BYTE*>(EngFindResource(module, static_cast<int>(id), kFontResourceType, &size));
    if (!res || size < kResStringsAt + 4) return false;
    const ULONG metricsAt = rd32(res + kResMetricsAt), stringsAt = rd32(res + kResStringsAt);
    if (metricsAt >= size || stringsAt >= size || metricsAt < kResStringsAt + 4) return false;
    // The five strings must all end inside the block.
    const char* strings[5];
    ULONG at = stringsAt;
    for (auto& s : strings) {
        const void* end = std::memchr(res + at, 0, size - at);
        if (!end) return false;
        s = reinterpret_cast<const char*>(res + at);
        at = static_cast<ULONG>(static_cast<const BYTE*>(end) - res) + 1;
        if (at > size) return false;
        if (at == size && &s != &strings[4]) return false;
    }
    auto* copy = static_cast<BYTE*>(AllocListAlloc(p->allocs, size));
    if (!copy) return false;
    std::memcpy(copy, res, size);
    face->resource = copy;
    face->resourceSize = size;
    face->symbolKind = symbolKindOf(reinterpret_cast<const char*>(copy + stringsAt));
    const char* device = strings[1];
    std::strncpy(face->deviceName, device, sizeof face->deviceName - 1);
    face->metrics = buildMetrics(p, copy + metricsAt, stringsAt > metricsAt ? stringsAt - metricsAt : 0);
    return face->metrics != nullptr;
}

}  // namespace

const WCHAR* MetricsFamilyName(const IFIMETRICS* ifi) {
    if (!ifi || ifi->dpwszFamilyName <= 0 || static_cast<ULONG>(ifi->dpwszFamilyName) >= ifi->cjThis) return nullptr;
    return reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(ifi) + ifi->dpwszFamilyName);
}

const WCHAR* MetricsFaceName(const IFIMETRICS* ifi) {
    if (!ifi || ifi->dpwszFaceName <= 0 || static_cast<ULONG>(ifi->dpwszFaceName) >= ifi->cjThis) return nullptr;
    return reinterpret_cast<const WCHAR*>(reinterpret_cast<const BYTE*>(ifi) + ifi->dpwszFaceName);
}

bool FontSetLoad(Pdev* p, HINSTANCE module) {
    auto* set = static_cast<DeviceFontSet*>(AllocListAllocZero(p->allocs, sizeof(DeviceFontSet)));
    if (!set) return false;
    set->module = module;
    for (ULONG i = 0; i < kDeviceFontCount; ++i) {
        if (!loadFace(p, module, i + 1, &set->faces[i])) {
            FontSetFree(p, set);
            return false;
        }
        set->count = i + 1;
    }
    p->deviceFonts = set;
    p->deviceFontCount = set->count;
    return true;
}

void FontSetFree(Pdev* p, DeviceFontSet* set) {
    if (!set) return;
    for (ULONG i = 0; i < kDeviceFontCount; ++i) {
        DeviceFontFace& f = set->faces[i];
        if (f.glyphs && f.glyphs != set->shared) AllocListFree(p->allocs, f.glyphs);
        AllocListFree(p->allocs, f.metrics);
        AllocListFree(p->allocs, const_cast<BYTE*>(f.resource));
    }
    AllocListFree(p->allocs, set->shared);
    if (p->deviceFonts == set) {
        p->deviceFonts = nullptr;
        p->deviceFontCount = 0;
    }
    AllocListFree(p->allocs, set);
}

FD_GLYPHSET* GlyphSetLoad(Pdev* p, HINSTANCE module, ULONG id) {
    ULONG size = 0;
    const auto* res = static_cast<const BYTE*>(EngFindResource(module, static_cast<int>(id), kGlyphSetResourceType, &size));
    if (!res || size < 16 || rd32(res) > size) return nullptr;
    const ULONG glyphs = rd32(res + 8), runs = rd32(res + 12);
    if (runs == 0 || runs > (size - 16) / 8) return nullptr;
    // Every run's handles must lie inside the block.
    ULONG counted = 0;
    for (ULONG r = 0; r < runs; ++r) {
        const BYTE* run = res + 16 + 8 * r;
        const ULONG n = rd16(run + 2), at = rd32(run + 4);
        if (at > size || n > (size - at) / 4) return nullptr;
        counted += n;
    }
    if (counted != glyphs) return nullptr;
    const size_t head = offsetof(FD_GLYPHSET, awcrun) + sizeof(WCRUN) * runs;
    const size_t total = head + sizeof(HGLYPH) * size_t{glyphs};
    auto* block = static_cast<BYTE*>(AllocListAlloc(p->allocs, total));
    if (!block) return nullptr;
    auto* gs = reinterpret_cast<FD_GLYPHSET*>(block);
    gs->cjThis = static_cast<ULONG>(total);
    gs->flAccel = rd32(res + 4);
    gs->cGlyphsSupported = glyphs;
    gs->cRuns = runs;
    auto* handles = reinterpret_cast<HGLYPH*>(block + head);
    for (ULONG r = 0; r < runs; ++r) {
        const BYTE* run = res + 16 + 8 * r;
        WCRUN& w = gs->awcrun[r];
        w.wcLow = rd16(run);
        w.cGlyphs = rd16(run + 2);
        w.phg = handles;
        for (ULONG k = 0; k < w.cGlyphs; ++k) handles[k] = rd32(res + rd32(run + 4) + 4 * k);
        handles += w.cGlyphs;
    }
    return gs;
}

FD_GLYPHSET* GlyphSetForFace(Pdev* p, DeviceFontSet* set, ULONG face) {
    if (!set || face < 1 || face > set->count) return nullptr;
    DeviceFontFace& f = set->faces[face - 1];
    if (f.glyphs) return f.glyphs;
    if (f.symbolKind <= kSymbolJisVertical) {
        if (!set->shared) set->shared = GlyphSetLoad(p, set->module, 2);
        f.glyphs = set->shared;
    } else {
        f.glyphs = GlyphSetLoad(p, set->module, 3);
    }
    return f.glyphs;
}

DeviceFontFace* DeviceFontFaceOf(Pdev* p, ULONG face) {
    DeviceFontSet* set = p ? p->deviceFonts : nullptr;
    if (!set || face < 1 || face > set->count) return nullptr;
    return &set->faces[face - 1];
}

}  // namespace vesk
