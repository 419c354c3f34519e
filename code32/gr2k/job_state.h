// The document state of a device: the job's name, the settings refresh at
// the document's start and the per-page drawing state.
#pragma once
#include <win/types.h>

#include "pdev.h"

namespace vesk {

constexpr size_t kJobNameBytes = 128;

// Replaces the device's job name by a copy of `length` bytes (a block of the
// device's allocation list); null or 0 bytes leaves it without a name. False
// without memory.
bool PdevCopyJobName(Pdev* pdev, const BYTE* name, int16_t length);
void PdevFreeJobName(Pdev* pdev);
// The job's name from a wide name: the printer's code page, at most 128
// bytes cut on a character boundary, control bytes and quotes made safe.
bool PdevSetJobName(Pdev* pdev, const WCHAR* name);

// Refreshes the job's settings at the document's start: the job's identity
// items survive the reload of the persisted settings, the bidirectional
// settings and the merge of the job's DEVMODE; then the job goes to the
// job-control library. 1 done.
int StartDocRefreshSettings(Pdev* pdev, uint32_t mergeFlags);

// The drawing state of the device: made at enable, reset at every page
// start, carried to the new device of a reset, freed at disable.
bool PdevPageStateCreate(Pdev* pdev);
void PdevPageStateReset(Pdev* pdev);
void PdevPageStateCarry(Pdev* to, const Pdev* from);
void PdevPageStateFree(Pdev* pdev);

}  // namespace vesk
