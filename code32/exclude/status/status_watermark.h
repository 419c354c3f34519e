// The watermark items: the API's own watermark in stamp slot 256 and the
// selection of the watermark the handle prints.
#pragma once
#include <win/types.h>

#include <vector>

#include "core/context.h"
#include "core/lists/lists.h"

namespace vesk {

// The API's watermark is the stamp list's scratch slot.
constexpr uint32_t kApiStampSlot = kScratchStamp;

// 1 when stamp slot 256 holds a watermark (its kind value is not empty).
int ApiStampSlotDefined(DrvContext* ctx);
// 1 when an installed TrueType family has exactly that face name.
int FontIsInstalledTrueType(DrvContext* ctx, const char* face);
// 1 when the path suits the kind: a full path to a Windows bitmap (kind 2)
// or to an existing ".rpo" overlay (kind 3).
int WatermarkFileOk(DrvContext* ctx, uint32_t kind, const char* path);
// The watermark ids a selection may name: 256, then each stored stamp's id
// plus 1.
std::vector<uint32_t> WatermarkIds(DrvContext* ctx);

}  // namespace vesk
