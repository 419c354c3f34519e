// Small helpers the status engine and its item handlers share.
#pragma once
#include <win/types.h>

#include <string>

#include "core/context.h"

namespace vesk {

uint32_t StRaw(DrvContext* ctx, int id);
void StSetRaw(DrvContext* ctx, int id, uint32_t value);
// The value check of the status items: OptIsValueAllowedExc answers 1.
bool StValueOk(DrvContext* ctx, int id, uint32_t value);
// Runs the action rules of every compiled option record with that id.
void StRunOptionActions(DrvContext* ctx, int id);
// The first (disabled) and second (hidden) conditions of the option that
// decides whether `id` may be changed; false when no option is found.
bool StOptionCond1(DrvContext* ctx, int id);
bool StOptionCond2(DrvContext* ctx, int id);
// The 8-bit text of a text item (empty for another item); the field is read
// within its width.
std::string StItemText(DrvContext* ctx, int id);
// Stores the text, cut to the field's width less one byte.
void StSetItemText(DrvContext* ctx, int id, const std::string& text);
// The width in bytes of an item's field (0 for an unknown id).
uint32_t StItemWidth(DrvContext* ctx, int id);
// The settings INI path of the handle's printer, empty when unknown.
const WCHAR* StIniPath(DrvContext* ctx);
struct StatusCall;
// Writes an option to the settings INI (OptSaveEntry), keeping the value it
// replaces in the call's undo list.
void StSaveEntry(StatusCall& call, int id);
// Writes a print-action option under the shared "rdmAction" INI value, the
// same way.
void OptSaveAsActionValue(StatusCall& call, int id);
// The DEVMODE trial of switching an item's function on: passes when the
// switch is on, or when switching it on (with `detail` := `value`) keeps it
// on and the value allowed. The DEVMODE is as before afterwards.
bool StatusTrySwitchOn(void* handle, DrvContext* ctx, uint32_t statusId, int sw, int detail, uint32_t value);

// Public DEVMODE field bits.
constexpr uint32_t kDmOrientation = 0x1, kDmPaperSize = 0x2, kDmPaperLength = 0x4, kDmPaperWidth = 0x8,
                   kDmCopies = 0x100, kDmDefaultSource = 0x200, kDmColor = 0x800;
// Item ids of the public fields the status items touch.
constexpr int kItFields = 6, kItPaperSize = 8, kItPaperLength = 9, kItPaperWidth = 10;

}  // namespace vesk
