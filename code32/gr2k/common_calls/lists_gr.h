// The graphics library's forms of the per-printer list functions: the common
// functions under its profile (free sizes keep their stored names, having no
// resource strings), and the quality transfers of the option set only (the
// graphics library keeps no set name).
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// 1 when the quality entry's file was imported (exported), else 0.
int LoadQualityGr(DrvContext* ctx, const WCHAR* key);
int SaveQualityGr(DrvContext* ctx, const WCHAR* key);
int LoadQualityByIndexGr(DrvContext* ctx, uint32_t index);
int SaveQualityByIndexGr(DrvContext* ctx, uint32_t index);

const WCHAR* PrnGetPrinterNameAliasGr(DrvContext* ctx);
int GetFreeSizeSlotCountConstGr();
int LoadFreeSizeSectionGr(DrvContext* ctx, const WCHAR* section);
int LoadSrcFreeSizeSectionGr(DrvContext* ctx, const WCHAR* section);
int LoadFreeSizeByIndexGr(DrvContext* ctx, int i);
int LoadSrcFreeSizeByIndexGr(DrvContext* ctx, int i);
int SaveFreeSizeSectionGr(DrvContext* ctx, const WCHAR* section);
int SaveFreeSizeByIndexGr(DrvContext* ctx, int i);
int LoadFreeSizeTableGr(DrvContext* ctx);
// The free-size items (or the source's) into cache slot `i`, names as stored.
int OptionsToCachedFreeSizeGr(DrvContext* ctx, int i);
int OptionsToCachedFreeSize2Gr(DrvContext* ctx, int i);
int LoadStampSectionGr(DrvContext* ctx, const WCHAR* section);
int LoadStampByIndexGr(DrvContext* ctx, uint32_t index);
int SaveStampSectionGr(DrvContext* ctx, const WCHAR* section);
int SaveStampByIndexGr(DrvContext* ctx, uint32_t index);
int DeviceHasCapability129Gr(DrvContext* ctx);

}  // namespace vesk
