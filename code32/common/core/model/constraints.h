// What a user may choose now: for an option or a property-sheet control,
// whether its first condition (cond1, hides) or second condition (cond2,
// disables) holds, and whether anything those conditions read has just
// changed. Options and records are image offsets (0 = none), read through
// the image's bounds-checked view.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// The preset-list controls whose second condition comes from the selected
// preset (control 2139 of page 1007) and the number of presets.
constexpr int kPresetPage = 1007;
constexpr int kPresetListControl = 2139;
constexpr int kPresetButtonA = 2140, kPresetButtonB = 2143, kPresetButtonC = 2144;

// The 16-bit value a value record of `option` stands for: kinds 1 and 2 (the
// type word's low byte) the record's value id, kind 16 the word the record
// offset addresses, other kinds 0. `outConstraint` (optional) receives the
// option's per-value condition records when the value is not 0 and the
// option has some, else 0.
uint16_t MdlOptionGetChoice(DrvContext* ctx, uint32_t option, uint32_t valueRecord, uint32_t* outConstraint);
// For kinds 1 and 2 the value record chained after `valueRecord` (0 at the
// end); 0 for other kinds.
uint32_t MdlOptionGetValueList(DrvContext* ctx, uint32_t option, uint32_t valueRecord);
// 0 for key 0 or a key the model lacks, else cond1 of the option's rule
// record (0 or 1).
uint32_t MdlKeyCond1Holds(DrvContext* ctx, int key);
// cond1 of the option: the rule record's, and when that does not hold and
// the option is of kind 1 or 2, the per-value record's for `subId` (the
// sheets pass the control id). 0 or 1; 0 for option 0.
uint32_t MdlOptionCond1Check(DrvContext* ctx, uint32_t option, int subId);
// The same over cond2, except for the preset buttons (whatever the option):
// with n presets and c the selected preset, 2140 is disabled when c < 1 or
// c >= n, 2143 when c < 2 or c >= n, 2144 when c <= 0 or c >= n - 1.
uint32_t MdlOptionCond2Check(DrvContext* ctx, uint32_t option, int subId);
// 1 when an operand cell (kind 1) of the program names an item whose
// changed flag is 1; the walk ends at the end cell, or at the image's end.
int CondProgramHasChangedItem(DrvContext* ctx, uint32_t program);
// 1 when the control's disabled state would change now, or a cond2 program
// of its bound option (the rule record's, then each per-value record's in
// chain order) reads a changed item; for the preset buttons the changed
// flag of the selected preset's item.
int CtlStateChanged(DrvContext* ctx, const UiControl* control);
// The same for the hidden state and the cond1 programs, with no special
// controls.
int CtlStateChangedEx(DrvContext* ctx, const UiControl* control);

}  // namespace vesk
