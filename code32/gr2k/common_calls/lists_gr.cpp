#include "common_calls/lists_gr.h"

#include "core/lists/lists.h"

namespace vesk {

int LoadQualityGr(DrvContext* ctx, const WCHAR* key) { return LoadQualityOptionsOnly(ctx, key); }
int SaveQualityGr(DrvContext* ctx, const WCHAR* key) { return SaveQualityOptionsOnly(ctx, key); }

}  // namespace vesk
