// Values between PJL text and driver values, by the row's kind and type:
// table-driven rows through their value items, model-driven rows through
// the compiled-model option of their item. Every value-to-text function
// takes the caller's room and answers the bytes the text needs with its
// NUL (0: no text), copying only when it fits.
#pragma once
#include <win/types.h>

#include <string_view>

#include "commands/command_table.h"

namespace vesk {

// A compiled-model option as the Exc rows read it.
struct ExcModelOption {
    uint32_t at = 0;       // record offset in the image, 0 for none
    uint16_t type = 0;     // base type (MdlBaseType)
    uint32_t values = 0;   // value records or value block
    std::string_view prefix, suffix;  // option command text, empty without
};

// The option of item `id` and sub-number `sub`: among the records with
// that id the first with the sub-number and command text, else the last
// with the sub-number, else the first with the id; 0 when the id is absent.
uint32_t ExcFindModelOption(DrvContext* ctx, uint32_t id, uint32_t sub);
bool ExcReadModelOption(DrvContext* ctx, uint32_t at, ExcModelOption* out);

// Leading decimal digits; anything else ends the number, none gives 0
// (saturating at 0xFFFFFFFF).
uint32_t ExcDecimal(const char* text);
// Copies `text` (n bytes) with a NUL into `buf` when `room` holds it; the
// bytes needed, 0 for an empty text.
int32_t ExcHandOut(const char* text, size_t n, int32_t room, char* buf);

// ---- table-driven rows ----
// The driver value of the first value item with that word; 0 when none
// (then *found is false).
uint32_t ExcTableWordToValue(const ExcCommandEntry* row, const char* text, bool* found = nullptr);
uint32_t ExcTableNumberFromText(const ExcCommandEntry* row, const char* text);
// The word (or, with `wantName`, the command name) of the value item that
// stands for `value` in the handle (null: consequences are not compared);
// *outIndex its position.
int32_t ExcTableValueToWord(const ExcContext* h, const ExcCommandEntry* row, uint32_t value, int32_t room, char* buf,
                            bool wantName = false, uint32_t* outIndex = nullptr);
int32_t ExcTableNumberToText(const ExcCommandEntry* row, uint32_t value, int32_t room, char* buf,
                             const ExcContext* h);

// ---- model-driven rows ----
uint32_t ExcEnumNameToValue(DrvContext* ctx, const ExcModelOption& o, const char* text);
uint32_t ExcBoolNameToValue(DrvContext* ctx, const ExcModelOption& o, const char* text);
uint32_t ExcNumberFromText(DrvContext* ctx, const ExcCommandEntry* row, const ExcModelOption& o, const char* text);
int32_t ExcEnumValueToName(DrvContext* ctx, const ExcModelOption& o, uint32_t value, int32_t room, char* buf);
int32_t ExcBoolValueToName(DrvContext* ctx, const ExcModelOption& o, uint32_t value, int32_t room, char* buf);
int32_t ExcNumberToText(DrvContext* ctx, const ExcCommandEntry* row, const ExcModelOption& o, uint32_t value,
                        int32_t room, char* buf);
// The item's text in double quotes (wide items converted), 0 when empty.
int32_t ExcStringToText(DrvContext* ctx, uint32_t item, int32_t room, char* buf);
// Stores a string row's text into its item.
void ExcStringFromText(DrvContext* ctx, uint32_t item, const char* text);

// A model-driven row's value (logical for enumerations, booleans and
// numbers) from its text, and back by the row's type.
uint32_t ExcModelTextToValue(DrvContext* ctx, const ExcCommandEntry* row, const ExcModelOption& o, const char* text);
int32_t ExcModelValueToText(DrvContext* ctx, const ExcCommandEntry* row, const ExcModelOption& o, uint32_t value,
                            int32_t room, char* buf);

}  // namespace vesk
