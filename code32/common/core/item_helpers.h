// Small fixed tables and item operations of the context: the resolution
// table, the PDL code strings, the listed model ids, and the items derived
// from them.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

struct ResolutionRow {
    uint16_t id;
    uint16_t xDpi;
    uint16_t yDpi;
};
// Rows {id, x dpi, y dpi} ended by id 0.
const ResolutionRow* GetResolutionTable();
// One of the two 14-character PDL codes, by the low byte of `flag`.
const char* GetPdlCodeString(uint32_t flag);
// 1 when `value` is one of the model ids the device query accepts, else 0.
int IsListedModelId(uint32_t value);
// When item 185 is non-zero returns its value; else sets item 187 to 17 for
// 300, 400 and 600 dpi and to 18 for any other resolution, and returns 0.
uint32_t UpdateItem187ForResolution(int32_t resolution, DrvContext* ctx);
// Stores the PDL code of item 380's value into string item 10274.
void SetPdlCodeItem(DrvContext* ctx);

}  // namespace vesk
