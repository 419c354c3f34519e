// DrvDeviceCapabilities: the DeviceCapabilities questions of applications
// and the spooler, and the media-ready list behind DC_MEDIAREADY.
#pragma once
#include <win/devmode.h>
#include <win/types.h>

#include "core/context.h"
#include "ui_export.h"

namespace vesk {

// Characters of one DC_MEDIAREADY entry and of the DC_PERSONALITY entry.
constexpr uint32_t kMediaReadyChars = 64;
constexpr uint32_t kPersonalityChars = 32;
constexpr int kTrayCount = 32;

// The papers loaded in the installed trays, each once (first tray kept), as
// zero-filled entries of 64 characters into `out` when given. The count.
int CapsMediaReady(DrvContext* ctx, WCHAR* out);

// DC_COLORDEVICE from a printer's default DEVMODE of `len` bytes: 1 for a
// colour device; 0 when the DEVMODE is too short or not this driver's.
int ColorDeviceAnswer(const BYTE* dm, size_t len);

}  // namespace vesk

VESK_UI_EXPORT LONG WINAPI DrvDeviceCapabilities(HANDLE hPrinter, PWSTR pDeviceName, WORD iDevCap, PVOID pvOutput,
                                                  PDEVMODEW pDevMode);
