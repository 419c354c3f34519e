// Trying a change and keeping or dropping it: the save stack of the whole
// DEVMODE (it grows as deep as its users nest), a snapshot of the item
// table, the font lists held in the DEVMODE, and the driver's fixed feature
// switches.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// Pushes the DEVMODE and the change mask. 1 done, 0 when the stack could not
// grow (nothing pushed).
int DmSaveState(DrvContext* ctx);
// Pops one level; with `restore` the level becomes the DEVMODE again (the
// change mask with it, every item unmarked). 1 done, 0 on an empty stack
// (the DEVMODE is then unchanged).
int DmRestoreState(DrvContext* ctx, int restore);
// Levels on the stack.
uint32_t DmSaveDepth(const DrvContext* ctx);
// Frees the levels past the third (context release).
void DmSaveStackFree(DrvContext* ctx);

// A copy of the item table (header and records), or null.
DmItemTable* SnapshotOptionTable(DrvContext* ctx);
// Copies the snapshot's records back and frees it; null does nothing.
void RestoreOptionTable(DrvContext* ctx, DmItemTable* snapshot);
void FreeOptionTable(DmItemTable* snapshot);

// Font lists: device fonts then option fonts, by position.
uint32_t GetNameListCount(DrvContext* ctx);
// The name of font i into `dest` (always terminated); empty beyond both
// lists. Returns the characters written.
size_t GetNameListItem(DrvContext* ctx, uint32_t i, WCHAR* dest, size_t destChars);
// Replaces the substitution table by `count` entries of 64 characters (the
// list takes a copy); without entries the table is emptied. 1 done, 0 not.
int SetNameList(DrvContext* ctx, uint32_t count, const WCHAR* entries);
// The substitute of a font name, else the first device or option font.
size_t FindNameListItem(DrvContext* ctx, const WCHAR* font, WCHAR* dest, size_t destChars);

// Feature switches: only bit 7 is on in this driver.
int IsFeatureOn(uint32_t bit);
// Runs a feature: 0 when it is off or did not run.
int RunFeature(uint32_t bit, DrvContext* ctx);
// 1 when the device collates (the allowed values of option 129).
int DeviceHasCapability129(DrvContext* ctx);
// The raw value of item `id` for 916 to 947, else 0.
uint32_t GetOptionInRange916(DrvContext* ctx, int id);
void SetOptionUnlessLocked(int mode, int id, uint32_t value, DrvContext* ctx);

}  // namespace vesk
