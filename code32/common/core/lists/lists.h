// The per-printer lists kept in the per-printer INI (KW12D170.ini): presets
// and user qualities in the printer's section (each entry a settings file),
// stamps and free paper sizes per display language in sections of their own
// ("Stamp%d%s", "FreeSize%d%s", counts in the language section). The free
// sizes are cached in the workspace, once per change-mask epoch. Results are
// 1 for success and 0 for failure unless said otherwise.
#pragma once
#include <win/types.h>

#include <cstddef>

#include "core/context.h"

namespace vesk {

constexpr int kPresetSlots = 16;
constexpr int kScratchStamp = 256;                 // its own section; never counted
constexpr uint32_t kChangeFreeSizesLoaded = 0x4000000u;
constexpr size_t kListKeyChars = 40;               // keys and section names
constexpr size_t kPresetNameBytes = 37;
constexpr size_t kPresetCommentBytes = 513;
constexpr int32_t kFreeSizeDefaultWidth = 9921;    // A4 in 1200-dpi dots
constexpr int32_t kFreeSizeDefaultLength = 14031;

// The language section of the per-printer and setup INI: the code of the
// language option (item 177). GetLangCodeAlias is the same.
const WCHAR* GetLangSection(DrvContext* ctx);
const WCHAR* GetLangCodeAlias(DrvContext* ctx);

// ---- Presets ----
// "PresetList%d", then "Name" (kind 1) or "Comment" (kind 2), into `buffer`
// of kListKeyChars. "QualityList%d".
WCHAR* FormatPresetKey(WCHAR* buffer, int n, int kind);
WCHAR* FormatQualityKey(WCHAR* buffer, int n);
// "Count" of the printer's section, 0 when absent.
int GetPresetCount(DrvContext* ctx);
// Appends a preset (file, name, comment); a list of 16 refuses it (0).
int PresetAdd(DrvContext* ctx, const WCHAR* file, const WCHAR* name, const WCHAR* comment);
int PresetClear(DrvContext* ctx);
// Loads the preset under `key` ("PresetList%d") into the items: from its
// snapshot when there is one, else from its file (an empty path: slot 0's);
// a rejected file empties the key, loads slot 0 and warns once (10023).
int LoadPreset(DrvContext* ctx, const WCHAR* key);
// Slot 0-15; another number only empties the name and comment buffers.
int LoadPresetByIndex(DrvContext* ctx, int n);
// Exports the settings to the entry's file and writes its name and comment
// from the buffers.
int SavePreset(DrvContext* ctx, const WCHAR* key);
int SavePresetByIndex(DrvContext* ctx, int n);
// 1 unless the file's printer section holds "Readonly" 1 (by slot: 0 for a
// number outside 0-15).
int PresetIsWritable(DrvContext* ctx, const WCHAR* path);
int PresetIsWritableByIndex(DrvContext* ctx, int n);
// The first "\user%04d.rst" of the folder of the per-printer INI whose
// printer section has no nonzero "RstMachine", into `buffer` of
// kWsPathChars. 0 and an empty buffer when all 10000 are taken.
int MakeNewUserPresetPath(DrvContext* ctx, WCHAR* buffer);
// Snapshots: mode 0 forgets all (without freeing), 3 frees all, 2 saves the
// slot of `key`, 1 restores it (1 when there was one). Other cases 0.
int PresetSnapshot(DrvContext* ctx, const WCHAR* key, int mode);
// The items bound to the preset page's name and comment controls (2145,
// 2146); null while no page has bound them.
DmItem* PresetNameBuffer(DrvContext* ctx);
DmItem* PresetCommentBuffer(DrvContext* ctx);

// ---- User qualities ----
int GetQualityCount(DrvContext* ctx);
int QualityAdd(DrvContext* ctx, const WCHAR* file, const WCHAR* name);
int QualityListClear(DrvContext* ctx);
// The quality items from the entry's file; its name into item 867.
int LoadQuality(DrvContext* ctx, const WCHAR* key);
int LoadQualityByIndex(DrvContext* ctx, uint32_t index);
int SaveQuality(DrvContext* ctx, const WCHAR* key);
int SaveQualityByIndex(DrvContext* ctx, uint32_t index);
// The same moving the quality file's option set only: the entry's name and
// item 867 are left alone (the graphics library's forms).
int LoadQualityOptionsOnly(DrvContext* ctx, const WCHAR* key);
int SaveQualityOptionsOnly(DrvContext* ctx, const WCHAR* key);
// The entry's file name with the extension rsq in the per-user folder.
int LoadQualityFromUserCopy(DrvContext* ctx, const WCHAR* key);
// Every entry: its user copy, its file, saved back; the DEVMODE as it was.
int ReloadQualityLists(DrvContext* ctx);

// ---- Stamps ----
int GetStampCount(DrvContext* ctx);
int SetStampCount(DrvContext* ctx, int n);
WCHAR* FormatStampSection(WCHAR* buffer, int i, DrvContext* ctx);
int LoadStampSection(DrvContext* ctx, const WCHAR* section);
int SaveStampSection(DrvContext* ctx, const WCHAR* section);
// Item 120 becomes `index`. Saving a stamp at or past the count extends
// the list to it; the scratch stamp 256 never does.
int LoadStampByIndex(DrvContext* ctx, uint32_t index);
int SaveStampByIndex(DrvContext* ctx, uint32_t index);
// Moves the later stamps down one; 0 (nothing changed) for an index outside
// the list.
int DeleteStamp(DrvContext* ctx, int index);

// ---- Free sizes ----
WCHAR* FormatFreeSizeSection(WCHAR* buffer, int i, DrvContext* ctx);
// Items 859-861 (the Src forms 862-864) from or to a section.
int LoadFreeSizeSection(DrvContext* ctx, const WCHAR* section);
int LoadSrcFreeSizeSection(DrvContext* ctx, const WCHAR* section);
int SaveFreeSizeSection(DrvContext* ctx, const WCHAR* section);
int LoadFreeSizeByIndex(DrvContext* ctx, int i);
int LoadSrcFreeSizeByIndex(DrvContext* ctx, int i);
int SaveFreeSizeByIndex(DrvContext* ctx, int i);
// The cache: loaded from the sections once per change-mask epoch (a slot
// without a stored size takes its default), written back, or set to the
// defaults (string 109 + slot, sizes from the setup INI, else A4).
int LoadFreeSizeTable(DrvContext* ctx);
int SaveFreeSizeTable(DrvContext* ctx);
int InitFreeSizeTable(DrvContext* ctx);
// Cache slot `i` into items 859-861 (2: 862-864) and back.
int CachedFreeSizeToOptions(DrvContext* ctx, int i);
int CachedFreeSizeToOptions2(DrvContext* ctx, int i);
int OptionsToCachedFreeSize(DrvContext* ctx, int i);
int OptionsToCachedFreeSize2(DrvContext* ctx, int i);
// A free-size paper code: its slot's width and length in 1200-dpi dots (1),
// or 0 for another code.
int FreeSizePaper(DrvContext* ctx, int paperCode, int32_t* outWidth, int32_t* outLength);
// A free-size paper code: 1 and its slot's name (at most cch - 1
// characters, cut on a character boundary); 0 for another code.
int FreeSizePaperName(DrvContext* ctx, int paperCode, WCHAR* name, uint32_t cch);

// ---- Repair and import ----
// What RepairListsEx found broken.
constexpr uint32_t kRepairedFreeSizes = 0x1;
constexpr uint32_t kRepairedStamps = 0x2;
// Rebuilds a broken free-size or stamp list from the setup INI. 0 when a
// path or name is missing (nothing changed).
int RepairLists(DrvContext* ctx);
int RepairListsEx(DrvContext* ctx, uint32_t* repaired);
// The free sizes and stamps of a default preset bundle; `section` the
// language section of the file.
int ImportFreeSizesFromFile(const WCHAR* file, const WCHAR* section, DrvContext* ctx);
int ImportStampsFromFile(const WCHAR* file, const WCHAR* section, DrvContext* ctx);

// ---- Steps of settings files ----
// After a full import: the free sizes of items 50 and 8 into their slots,
// the selected stamp and user quality saved.
int ImportListSteps(DrvContext* ctx);
// Before a preset export: the selected free sizes, stamp and quality into
// the items.
int ExportListSteps(DrvContext* ctx);

}  // namespace vesk
