// The graphics library's forms of the quality-list transfers: the quality
// file's option set only; the graphics library keeps no set name.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// 1 when the quality entry's file was imported (exported), else 0.
int LoadQualityGr(DrvContext* ctx, const WCHAR* key);
int SaveQualityGr(DrvContext* ctx, const WCHAR* key);

}  // namespace vesk
