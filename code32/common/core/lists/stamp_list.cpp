// The stamp list of the display language: "StampCount" in the language
// section of the per-printer INI and one section "Stamp%d%s" per stamp with
// the stamp items. Stamp 256 is a scratch stamp outside the count.
#include "core/devmode/dm_state.h"
#include "core/item_ids.h"
#include "core/item_store.h"
#include "core/lists/lists.h"
#include "core/lists/lists_internal.h"
#include "core/persist/settings_file.h"
#include "core/wstr.h"

namespace vesk {
namespace {

using namespace lists;

constexpr WCHAR kCount[] = u"StampCount";

}  // namespace

int GetStampCount(DrvContext* ctx) {
    if (!ctx || !ctx->ws) return 0;
    return readCount(GetLangSection(ctx), kCount, iniPath(ctx));
}

int SetStampCount(DrvContext* ctx, int n) {
    if (!ctx || !ctx->ws) return 0;
    return writeCount(GetLangSection(ctx), kCount, n, iniPath(ctx));
}

WCHAR* FormatStampSection(WCHAR* buffer, int i, DrvContext* ctx) { return formatLangSection(buffer, "Stamp", i, ctx); }

int LoadStampSection(DrvContext* ctx, const WCHAR* section) {
    return sectionImport(ctx, iniPath(ctx), section, kStRead | kStStamp);
}

int SaveStampSection(DrvContext* ctx, const WCHAR* section) {
    const int ok = sectionExport(ctx, iniPath(ctx), section, kStWrite | kStStamp);
    if (ctx && ctx->ws) dropSnapshots(ctx);
    return ok;
}

// Item 120 names the stamp loaded or saved, the scratch slot 256 included.
int LoadStampByIndex(DrvContext* ctx, uint32_t index) {
    if (!ctx || !ctx->ws || index > kScratchStamp) return 0;
    WCHAR section[kListKeyChars];
    const int ok = LoadStampSection(ctx, FormatStampSection(section, static_cast<int>(index), ctx));
    ItemSetRawById(ctx, kItRdmWmID, index);
    return ok;
}

int SaveStampByIndex(DrvContext* ctx, uint32_t index) {
    if (!ctx || !ctx->ws || index > kScratchStamp) return 0;
    ItemSetRawById(ctx, kItRdmWmID, index);
    WCHAR section[kListKeyChars];
    const int ok = SaveStampSection(ctx, FormatStampSection(section, static_cast<int>(index), ctx));
    if (ok && index != kScratchStamp && static_cast<int>(index) >= GetStampCount(ctx))
        SetStampCount(ctx, static_cast<int>(index) + 1);
    return ok;
}

// The count stays as it is while the later stamps move down, so that no
// failure part-way leaves an empty list behind (a repair would replace it
// with the setup's stamps); it drops by one at the end.
int DeleteStamp(DrvContext* ctx, int index) {
    if (!ctx || !ctx->ws || !ctx->devmode) return 0;
    const int count = GetStampCount(ctx);
    if (index < 0 || index >= count) return 0;
    if (!DmSaveState(ctx)) return 0;
    int ok = 1;
    for (int j = index + 1; j < count && ok; ++j)
        ok = LoadStampByIndex(ctx, static_cast<uint32_t>(j)) && SaveStampByIndex(ctx, static_cast<uint32_t>(j - 1));
    DmRestoreState(ctx, 1);
    if (ok) ok = SetStampCount(ctx, count - 1);
    dropSnapshots(ctx);
    return ok;
}

}  // namespace vesk
