#include "common_calls/lists_gr.h"

#include "core/devmode/dm_state.h"
#include "core/lists/lists.h"
#include "core/printer_identity.h"
#include "core/validation/free_size_slots.h"

namespace vesk {

int LoadQualityGr(DrvContext* ctx, const WCHAR* key) { return LoadQualityOptionsOnly(ctx, key); }
int SaveQualityGr(DrvContext* ctx, const WCHAR* key) { return SaveQualityOptionsOnly(ctx, key); }
int LoadQualityByIndexGr(DrvContext* ctx, uint32_t index) { return LoadQualityByIndex(ctx, index); }
int SaveQualityByIndexGr(DrvContext* ctx, uint32_t index) { return SaveQualityByIndex(ctx, index); }

const WCHAR* PrnGetPrinterNameAliasGr(DrvContext* ctx) { return PrnGetPrinterNameAlias(ctx); }
int GetFreeSizeSlotCountConstGr() { return GetFreeSizeSlotCountConst(); }
int LoadFreeSizeSectionGr(DrvContext* ctx, const WCHAR* section) { return LoadFreeSizeSection(ctx, section); }
int LoadSrcFreeSizeSectionGr(DrvContext* ctx, const WCHAR* section) { return LoadSrcFreeSizeSection(ctx, section); }
int LoadFreeSizeByIndexGr(DrvContext* ctx, int i) { return LoadFreeSizeByIndex(ctx, i); }
int LoadSrcFreeSizeByIndexGr(DrvContext* ctx, int i) { return LoadSrcFreeSizeByIndex(ctx, i); }
int SaveFreeSizeSectionGr(DrvContext* ctx, const WCHAR* section) { return SaveFreeSizeSection(ctx, section); }
int SaveFreeSizeByIndexGr(DrvContext* ctx, int i) { return SaveFreeSizeByIndex(ctx, i); }
int LoadFreeSizeTableGr(DrvContext* ctx) { return LoadFreeSizeTable(ctx); }
int OptionsToCachedFreeSizeGr(DrvContext* ctx, int i) { return OptionsToCachedFreeSize(ctx, i); }
int OptionsToCachedFreeSize2Gr(DrvContext* ctx, int i) { return OptionsToCachedFreeSize2(ctx, i); }
int LoadStampSectionGr(DrvContext* ctx, const WCHAR* section) { return LoadStampSection(ctx, section); }
int LoadStampByIndexGr(DrvContext* ctx, uint32_t index) { return LoadStampByIndex(ctx, index); }
int SaveStampSectionGr(DrvContext* ctx, const WCHAR* section) { return SaveStampSection(ctx, section); }
int SaveStampByIndexGr(DrvContext* ctx, uint32_t index) { return SaveStampByIndex(ctx, index); }
int DeviceHasCapability129Gr(DrvContext* ctx) { return DeviceHasCapability129(ctx); }

}  // namespace vesk
