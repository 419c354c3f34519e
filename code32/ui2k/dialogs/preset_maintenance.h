// The preset maintenance dialog's list operations: each takes list
// positions of the dialog's preset list, whose entries stand for the slots
// in order (their texts are the slots' keys "PresetList%d", or, in the
// owner-drawn list, their values 119 + n name them), and edits the preset
// list of the per-printer INI.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

constexpr size_t kPresetValueChars = 522;

// Reads both values of the printer's section (default empty) and writes
// each under the other key. 1 when both writes went through.
int IniSwapValues(DrvContext* ctx, const WCHAR* section, const WCHAR* keyA, const WCHAR* keyB);
// Swaps file, Name and Comment of the two entries; frees every snapshot.
int PresetSwapEntries(DrvContext* ctx, HWND list, int a, int b);
int PresetSetNameComment(DrvContext* ctx, HWND list, int position, const WCHAR* name, const WCHAR* comment);
// Empties the entry and lowers Count by one (never below 0).
int PresetClearEntry(DrvContext* ctx, HWND list, int position);
// Kind 0 the file, 1 the Name, 2 the Comment into `buffer` of
// kPresetValueChars; the characters read.
int PresetGetEntryText(DrvContext* ctx, HWND list, int position, int kind, WCHAR* buffer);
// The slot to complain about for a duplicate name (slot -1: any pair; else
// the name edit's text against the other slots), or -1. Never slot 0.
int PresetFindDuplicateName(DrvContext* ctx, HWND dialog, int slot);

}  // namespace vesk
