// The printer's three font tables in printer data: device fonts and option
// fonts ({u32 id, 32 UTF-16 name}, 68 bytes each) and the substitution pairs
// (32 UTF-16 TrueType name, 32 UTF-16 device name; 128 bytes), whose pair i
// (from 1) is kept as "TTFontTable%d" and "DevFontTable%d". The context's
// DEVMODE holds each table as a count item and a handle item (font_tables.h).
// A missing count makes the compiled model's list the printer's first.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Flags of the font saves.
constexpr uint32_t kFontFromModel = 0x1;      // the model's list instead of the items
constexpr uint32_t kFontChangedOnly = 0x2;    // nothing when the shadow holds the same
constexpr uint32_t kFontDefaultNames = 0x100; // the defaults' value names

// 1 only when all three loads succeed.
int FontListsLoad(HANDLE printer, DrvContext* ctx);
int FontDeviceListLoad(HANDLE printer, DrvContext* ctx);
int FontOptionListLoad(HANDLE printer, DrvContext* ctx);
int FontSubstTableLoad(HANDLE printer, DrvContext* ctx);
int FontDeviceListSave(HANDLE printer, DrvContext* ctx, uint32_t flags);
int FontOptionListSave(HANDLE printer, DrvContext* ctx, uint32_t flags);
int FontSubstTableSave(HANDLE printer, DrvContext* ctx, uint32_t flags);
int FontListsSaveChanged(HANDLE printer, DrvContext* ctx);
int FontListsSaveDefaults(HANDLE printer, DrvContext* ctx);
// Writes `count` pairs (without kFontDefaultNames the entries up to the
// stored "LastFontTableNum" are deleted first). 1 when every write succeeded.
int FontSubstTableWrite(HANDLE printer, const BYTE* pairs, uint32_t count, uint32_t flags);
// Reads `count` pairs into `pairs`: 0, or the last error code of a pair that
// could not be read (that pair is left empty), or 8 without a buffer.
DWORD FontSubstTableRead(HANDLE printer, BYTE* pairs, uint32_t count, uint32_t flags);
// Deletes the entries up to the stored "LastFontTableNum".
int FontSubstTableDeleteOld(HANDLE printer);
// Writes the model's default pairs under the defaults' names when
// "DefFontTableNum" is missing.
int FontSubstDefaultsEnsure(HANDLE printer, DrvContext* ctx);
// The substitution table back to the driver's defaults (written first from
// the model when the printer has none). 0 when not done.
int FontSubstTableResetDefaults(DrvContext* ctx);
// Frees the three tables of the context's DEVMODE and zeroes their items.
void FontListsFree(DrvContext* ctx);

}  // namespace vesk
