// Device capabilities: the paper, bin, resolution and output-tray lists an
// application asks for, taken from the compiled model's value lists with
// hidden values left out and translated through the value symbols; the
// custom-size extents; the resolution table lookups.
//
// Every list takes an output buffer or null (count only) and returns the
// number of entries, or -1 when the model has no suitable option, a kept
// value has no usable value symbol, or nothing is listed. A list is worked
// out in full before anything is written, so a fill call writes exactly the
// entries its count call reported for the same DEVMODE, and nothing on -1.
// The id, name and size lists of one option keep the same values in the same
// order: entry i of each describes the same paper or bin.
#pragma once
#include <win/types.h>

#include "core/context.h"
#include "core/item_helpers.h"

namespace vesk {

constexpr uint32_t kCapsBinNameChars = 24;
constexpr uint32_t kCapsPaperNameChars = 64;
constexpr int kDcMinExtent = 4;
constexpr int kDcMaxExtent = 5;

// Bins of option `optionId` (13: dmDefaultSource, a PickSlot option) as
// 16-bit Windows bin ids.
int CapsGetBins(DrvContext* ctx, uint16_t* out, int optionId);
// Their names: one zero-filled field of `chars` characters each.
int CapsGetBinNames(DrvContext* ctx, WCHAR* out, uint32_t chars, int optionId);
// Papers of option 8 (a PickPage option), or of another PickOne option whose
// hidden values are then listed too, as 16-bit Windows paper ids.
int CapsGetPapers(DrvContext* ctx, uint16_t* out, int optionId);
// Their names, one field of `chars` characters each: a free-size paper the
// name of its slot, any other the string of its model value.
int CapsGetPaperNames(DrvContext* ctx, WCHAR* out, uint32_t chars, int optionId);
// Their sizes as (width, length) pairs in 0.1 mm: a free-size paper its
// slot's, any other the model's page size of the value. Only option 8 has
// sizes; another option gives -1.
int CapsGetPaperSizes(DrvContext* ctx, int32_t* out, int optionId);
// The resolutions as (x dpi, y dpi) pairs: from option 42, or from option
// 248 when 42 is Numeric and 248 is usable; one (600, 600) pair from the
// driver description when neither gives a list. Never -1.
int CapsGetResolutions(DrvContext* ctx, int32_t* out);
// The same walk in either mode: pairs as above, or one 32-bit entry per
// resolution (the resolution table's row id for a value of option 42, the
// public value of option 248; a lone dpi value gives its row's id, or the
// value itself when the table has no such row).
constexpr int kResolutionsPairs = 0;
constexpr int kResolutionsSingle = 1;
int CapsEnumResolutions(DrvContext* ctx, int32_t* out, int mode);
// DC_MINEXTENT or DC_MAXEXTENT in 0.1 mm: the description's custom-size
// limits, clamped into the custom-size range the context reports when its
// display unit is 0.1 mm. Width in the low word, length in the high word
// (also into out[0] and out[1] when `out` is given); -1 for another `which`.
int32_t CapsGetExtent(const DrvContext* ctx, uint16_t* out, int which);
// The landscape rotation of the driver description (DC_ORIENTATION).
int GetSettingsField6(const DrvContext* ctx);
// 1 when the duplex unit is fitted (item 10014 non-zero), else 0.
int CapsHasOption10014(DrvContext* ctx);
// The allowed output trays of option 57 as 16-bit Windows values, hidden
// values left out.
int CapsGetOutputTrays(DrvContext* ctx, uint16_t* out);

// Resolution table rows: by id (null for 0 and unknown ids); the id of the
// first row with both values (0 when either is 0 or none matches); the first
// row with that x (null when none).
const ResolutionRow* ResTableFindById(uint32_t id);
uint16_t ResTableFindByXY(uint32_t x, uint32_t y);
const ResolutionRow* ResTableFindByX(uint32_t x);

}  // namespace vesk
