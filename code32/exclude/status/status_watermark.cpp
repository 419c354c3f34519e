// Status items 16 and 17: the API's watermark defined in stamp slot 256,
// and the watermark the handle's DEVMODE prints.
#include "status/status_watermark.h"

#include <win/profile.h>
#include <win/user.h>
#include <win/wingdi.h>

#include <cstring>
#include <string>

#include "api/opt_values.h"
#include "common_calls/settings_forms.h"
#include "core/bmp_header.h"
#include "core/devmode/dm_state.h"
#include "core/files.h"
#include "core/ini_wrap.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/path_names.h"
#include "core/paths.h"
#include "core/text_convert.h"
#include "status/status_handlers.h"
#include "status/status_records.h"
#include "status/status_support.h"

namespace vesk {
namespace {

constexpr int kItWmKind = 109, kItWmOpaque = 110, kItWmDensity = 112, kItWmEffect = 113, kItWmPosi = 114,
              kItWmPage = 116, kItWmAngle = 119, kItWmId = 120, kItWmFontName = 121, kItWmFontPoint = 122,
              kItWmColor = 123, kItWmColorR = 124, kItWmFontStyle = 127, kItWmFontScale = 128,
              kItWmChar = 869, kItWmImage = 870, kItLinePitch = 894, kItTextPattern = 895, kItTilePattern = 896,
              kItTileColor = 897, kItTileColorR = 898, kItTileDensity = 901, kItTileMask = 902,
              kItTileRotate = 903, kItWmSwitch = 63;
constexpr uint32_t kKindText = 1, kKindImage = 2, kKindOverlay = 3, kKindTiled = 128;
constexpr uint32_t kApiTiled = 0x1;
constexpr int kPathChars = 260, kFaceChars = 32;

bool textKind(uint32_t kind) { return kind == kKindText || kind == kKindTiled; }

// The match state of one font check, handed to the callback.
struct FontMatch {
    WCHAR wanted[kFaceChars + 1] = {};
    bool found = false;
};
int CALLBACK fontEnumMatchProc(const LOGFONTW* font, const TEXTMETRICW*, DWORD fontType, LPARAM param) {
    auto* m = reinterpret_cast<FontMatch*>(param);
    if (!font || !(fontType & TRUETYPE_FONTTYPE) || font->lfFaceName[0] == u'@') return 1;
    size_t n = 0;
    while (n < LF_FACESIZE && font->lfFaceName[n]) ++n;
    if (std::u16string_view(font->lfFaceName, n) != std::u16string_view(m->wanted)) return 1;
    m->found = true;
    return 0;
}

// The kinds a record field belongs to, as bits.
enum : uint8_t { kForText = 1, kForImage = 2, kForOverlay = 4, kForTiled = 8, kForAll = 15 };
uint8_t kindBits(uint32_t kind) {
    switch (kind) {
    case kKindText: return kForText;
    case kKindTiled: return kForText | kForTiled;
    case kKindImage: return kForImage;
    case kKindOverlay: return kForOverlay;
    default: return 0;
    }
}

// The number fields of an item-16 record: the item each is stored in, the
// kinds it belongs to, and what a Get answers for the other kinds.
struct MarkField {
    size_t at;
    int item;
    uint8_t kinds;
    uint32_t otherwise;
};
constexpr MarkField kMarkFields[] = {
    {rec412::kPosition, kItWmPosi, kForText | kForImage, 0},
    {rec412::kOpaque, kItWmOpaque, kForAll, 0},
    {rec412::kPage, kItWmPage, kForAll, 0},
    {rec412::kFontStyle, kItWmFontStyle, kForText, 0},
    {rec412::kEffect, kItWmEffect, kForText, 0},
    {rec412::kColour, kItWmColor, kForText, 0},
    {rec412::kDensity, kItWmDensity, kForText, 0},
    {rec412::kFontSize, kItWmFontPoint, kForText, 0},
    {rec412::kFontSize, kItWmFontScale, kForImage, 0},
    {rec412::kAngle, kItWmAngle, kForText, 0},
    {rec412::kLinePitch, kItLinePitch, kForTiled, 0},
    {rec412::kTextPattern, kItTextPattern, kForTiled, 0},
    {rec412::kTilePattern, kItTilePattern, kForTiled, 0},
    {rec412::kTileColour, kItTileColor, kForTiled, 0},
    {rec412::kTileDensity, kItTileDensity, kForTiled, 100},
    {rec412::kTileMask, kItTileMask, kForTiled, 0},
};

void putColour(DrvContext* ctx, int firstRgb, uint32_t index) {
    if (const StatusColour* c = StatusColourFind(index)) {
        StSetRaw(ctx, firstRgb, c->red);
        StSetRaw(ctx, firstRgb + 1, c->green);
        StSetRaw(ctx, firstRgb + 2, c->blue);
    }
}

// The checks of an item-16 record, in their order.
bool watermarkRecordOk(StatusCall& call, uint32_t version, std::string* text, std::string* font,
                       std::string* image) {
    const BYTE* r = call.record;
    auto u = [r](size_t at) { return RecU32(r, at); };
    const uint32_t kind = u(rec412::kKind);
    if (!StatusValueAllowed(kItWmKind, kind)) return false;
    if (kind == kKindTiled && (version < 2 || ApiFuncEnabled(call.handle, kApiTiled) != 1)) return false;
    const bool isText = textKind(kind);
    if ((isText || kind == kKindImage) && !StatusValueAllowed(kItWmPosi, u(rec412::kPosition))) return false;
    if (u(rec412::kOpaque) > 1 || u(rec412::kPage) > 1) return false;
    if (isText && (!StatusValueAllowed(kItWmFontStyle, u(rec412::kFontStyle)) ||
                   !StatusValueAllowed(kItWmEffect, u(rec412::kEffect)) ||
                   !StatusValueAllowed(kItWmColor, u(rec412::kColour)) || u(rec412::kDensity) > 100))
        return false;
    const uint32_t size = u(rec412::kFontSize);
    if (isText && (size < 6 || size > 999)) return false;
    if (kind == kKindImage && (size < 30 || size > 999)) return false;
    if (!RecText(r, rec412::kText, rec412::kTextW, text) || !RecText(r, rec412::kFont, rec412::kFontW, font) ||
        !RecText(r, rec412::kImage, rec412::kImageW, image))
        return false;
    if (isText && (u(rec412::kAngle) > 359 || text->empty() || font->empty() ||
                   !FontIsInstalledTrueType(call.ctx, font->c_str())))
        return false;
    if ((kind == kKindImage || kind == kKindOverlay) &&
        (image->empty() || !WatermarkFileOk(call.ctx, kind, image->c_str())))
        return false;
    if (isText && u(rec412::kAngle) != 0 && u(rec412::kPosition) != 0 && u(rec412::kPosition) != 64) return false;
    if (kind == kKindTiled &&
        (u(rec412::kLinePitch) > 999 || !StatusValueAllowed(kItTextPattern, u(rec412::kTextPattern)) ||
         !StatusValueAllowed(kItTilePattern, u(rec412::kTilePattern)) ||
         !StatusValueAllowed(kItTileColor, u(rec412::kTileColour)) || u(rec412::kTileDensity) > 100 ||
         !StatusValueAllowed(kItTileMask, u(rec412::kTileMask))))
        return false;
    return true;
}

}  // namespace

int ApiStampSlotDefined(DrvContext* ctx) {
    // Stamp sections are written as settings files: the key is the kind's
    // field name.
    const DmItem* kind = ItemFindById(ctx, kItWmKind);
    const WCHAR* key = kind ? (kind->valueName ? kind->valueName : kind->fieldName) : nullptr;
    const WCHAR* ini = GetIniFilePath(ctx);
    if (!key || !ini || !ini[0]) return 0;
    WCHAR section[64] = {};
    FormatStampSection(section, static_cast<int>(kApiStampSlot), ctx);
    WCHAR value[16] = {};
    IniGetString(section, key, u"", value, 16, ini);
    return value[0] ? 1 : 0;
}

int FontIsInstalledTrueType(DrvContext*, const char* face) {
    if (!face) return 0;
    HWND desktop = GetDesktopWindow();
    HDC dc = GetDC(desktop);
    if (!dc) return 0;
    FontMatch match;
    StrAnsiToWide(match.wanted, face, kFaceChars + 1);
    EnumFontFamiliesW(dc, nullptr, fontEnumMatchProc, reinterpret_cast<LPARAM>(&match));
    ReleaseDC(desktop, dc);
    return match.found ? 1 : 0;
}

int WatermarkFileOk(DrvContext*, uint32_t kind, const char* path) {
    WCHAR wide[kPathChars] = {};
    if (!path || StrAnsiToWide(wide, path, kPathChars) != 1 || !PathIsDriveOrUnc(wide)) return 0;
    if (kind == kKindImage) return BmpFileIsWindowsBitmap(wide);
    if (kind != kKindOverlay || !FileExists(wide)) return 0;
    size_t length = 0;
    const WCHAR* ext = FileExtension(wide, &length);
    if (!ext || length != 3) return 0;
    auto lower = [](WCHAR c) { return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c + 32) : c; };
    return lower(ext[0]) == u'r' && lower(ext[1]) == u'p' && lower(ext[2]) == u'o' ? 1 : 0;
}

std::vector<uint32_t> WatermarkIds(DrvContext* ctx) {
    std::vector<uint32_t> ids{kApiStampSlot};
    const int count = GetStampCount(ctx);
    for (int i = 0; i < count; ++i) ids.push_back(static_cast<uint32_t>(i) + 1);
    return ids;
}

int StSetWatermark(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const BYTE* r = call.record;
    const uint32_t version = call.recordSize >= rec412::kSize ? 2 : 1;
    std::string text, font, image;
    if (!watermarkRecordOk(call, version, &text, &font, &image)) return -1;
    auto u = [r](size_t at) { return RecU32(r, at); };
    const uint32_t kind = u(rec412::kKind);
    // The definition goes to slot 256; the handle's DEVMODE stays as it was.
    if (!DmSaveState(ctx)) return -1;
    StSetRaw(ctx, kItWmKind, kind);
    const uint8_t bits = kindBits(kind);
    for (const MarkField& f : kMarkFields)
        if ((f.kinds & bits) && f.at + 4 <= call.recordSize) StSetRaw(ctx, f.item, u(f.at));
    if (bits & kForText) {
        putColour(ctx, kItWmColorR, u(rec412::kColour));
        StSetItemText(ctx, kItWmChar, text);
        StSetItemText(ctx, kItWmFontName, font);
    }
    if (bits & (kForImage | kForOverlay)) StSetItemText(ctx, kItWmImage, image);
    if (bits & kForTiled) {
        putColour(ctx, kItTileColorR, u(rec412::kTileColour));
        StSetRaw(ctx, kItTileRotate, (u(rec412::kFlags) & 1) ? 2 : 0);
    }
    SaveStampByIndex(ctx, kApiStampSlot);
    DmRestoreState(ctx, 1);
    return 1;
}

int StGetWatermark(StatusGetCall& call) {
    // No version asked is served as version 2, the version the engine
    // stamps into the record.
    const uint32_t version = call.version == 0 ? 2 : call.version;
    const int size = version >= 2 ? static_cast<int>(rec412::kSize) : static_cast<int>(rec412::kSizeV1);
    BYTE* r = call.record;
    if (!r) return size;
    DrvContext* ctx = call.ctx;
    if (!ApiStampSlotDefined(ctx)) return -1;
    if (!DmSaveState(ctx)) return -1;
    LoadStampByIndex(ctx, kApiStampSlot);
    const uint32_t kind = StRaw(ctx, kItWmKind);
    const std::string image = StItemText(ctx, kItWmImage);
    const bool imageKind = kind == kKindImage || kind == kKindOverlay;
    // A stored path longer than the field is refused rather than cut.
    if ((kind == kKindTiled && version < 2) || (imageKind && image.size() > rec412::kImageW - 1)) {
        DmRestoreState(ctx, 1);
        return -1;
    }
    const bool isText = textKind(kind);
    std::memset(r + 4, 0, static_cast<size_t>(size) - 4);
    RecPutU32(r, rec412::kKind, kind);
    const uint8_t bits = kindBits(kind);
    for (const MarkField& f : kMarkFields) {
        if (f.at + 4 > static_cast<size_t>(size)) continue;
        if (f.kinds & bits) RecPutU32(r, f.at, StRaw(ctx, f.item));
        else if (f.otherwise) RecPutU32(r, f.at, f.otherwise);
    }
    if (isText) {
        const std::string text = StItemText(ctx, kItWmChar), font = StItemText(ctx, kItWmFontName);
        RecPutText(r, rec412::kText, rec412::kTextW, text.data(), text.size());
        RecPutText(r, rec412::kFont, rec412::kFontW, font.data(), font.size());
    }
    if (imageKind) RecPutText(r, rec412::kImage, rec412::kImageW, image.data(), image.size());
    if (version >= 2) RecPutU32(r, rec412::kFlags, kind == kKindTiled && StRaw(ctx, kItTileRotate) == 2 ? 1 : 0);
    DmRestoreState(ctx, 1);
    return size;
}

int StSetWatermarkPick(StatusCall& call) {
    DrvContext* ctx = call.ctx;
    const uint32_t a = RecU32(call.record, rec32::kA), sw = RecU32(call.record, rec32::kSwitch);
    if (sw == 0) {
        StSetRaw(ctx, kItWmSwitch, 0);
        return 1;
    }
    if (a == kApiStampSlot) {
        if (!ApiStampSlotDefined(ctx)) return -1;
    } else {
        bool listed = false;
        for (uint32_t id : WatermarkIds(ctx)) listed = listed || id == a;
        if (!listed) return -1;
    }
    const uint32_t id = a == kApiStampSlot ? kApiStampSlot : a - 1;
    StSetRaw(ctx, kItWmId, id);
    // An id the item cannot hold would select another watermark.
    if (StRaw(ctx, kItWmId) != id) return -1;
    StSetRaw(ctx, kItWmSwitch, sw);
    return 1;
}

int StGetWatermarkPick(StatusGetCall& call) {
    if (call.record) {
        const uint32_t id = StRaw(call.ctx, kItWmId);
        std::memset(call.record + 4, 0, rec32::kSize - 4);
        RecPutU32(call.record, rec32::kA, id == kApiStampSlot ? kApiStampSlot : id + 1);
        RecPutU32(call.record, rec32::kSwitch, StRaw(call.ctx, kItWmSwitch));
    }
    return rec32::kSize;
}

}  // namespace vesk
