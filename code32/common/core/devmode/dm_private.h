// The private part of the driver's DEVMODE: the header that marks a DEVMODE
// as this driver's, the acceptance test, the state-flag bytes and the mirror
// of section 2 that travels with the spooler's DEVMODE.
#pragma once
#include <win/types.h>

#include <cstddef>

#include "core/context.h"

namespace vesk {

// 1 when the private header of `dm` (of `len` bytes) belongs to this driver:
// signature, private size, the low word of the private version, machine id
// and driver type. A buffer too short to hold the header is refused.
int DmIsCompatible(const DrvContext* ctx, const BYTE* dm, size_t len);
// 1 when, besides, the public sizes are this driver's (dmSize and
// dmDriverExtra) and the buffer holds them.
int DmIsOwnDevmode(const DrvContext* ctx, const BYTE* dm, size_t len);

// Writes the tag, job-linker word, signature, size, version, section bases,
// machine id and driver type into the DEVMODE `dm` (section 1 of a buffer).
void DmInitPrivateHeader(BYTE* dm, const DrvContext* ctx);
// The section bases of the header to this driver's: they may come from
// outside and are never used to address the buffer, but a DEVMODE handed on
// carries the driver's own.
void DmRepairSectionBases(BYTE* dm);
// The 16 state-flag bytes to their defaults for the context's printer.
void DmSetPrivateFlagDefaults(DrvContext* ctx);
// Item 905 := the driver's version text.
void DmSetDriverVersionOption(DrvContext* ctx);
// The header texts (items 707 to 713): the settings INI name, the two
// version texts, the common tag (by this library's profile) and two zeroed
// blocks. DmWriteSignatureExc always leaves the tag empty and its version 0
// (the form the option-constraint and graphics libraries write).
void DmHeaderTexts(DrvContext* ctx);
void DmWriteSignatureExc(DrvContext* ctx);
// 1 when the DEVMODE is of a colour device (byte 826 is 1).
int DmIsColorDevice(const BYTE* dm);
// For a terminal-server printer: the action items 224 to 239 to 0.
void DmClearActionOptions(DrvContext* ctx, int write);

// State-flag bytes (items 715 to 730), by index 0 to 15.
enum class DmFlag : uint32_t {
    CallSrc, OsKind, BatchInst, PrintLog, BiDirect, NoPermission, PresentUiMode, BidiSupport,
    ServerClientMode, UserCodeFix, UserCodeGet, JlInstalled, PropertyType, UserCodeDll, Tse, Admin
};
constexpr size_t kDmFlagCount = static_cast<size_t>(DmFlag::Admin) + 1;
BYTE DmGetFlag(const DrvContext* ctx, DmFlag f);
void DmPutFlag(DrvContext* ctx, DmFlag f, BYTE value);

// Copies section 2's first bytes into the private part's mirror. 1 done.
int DmCopyExtBlock(DrvContext* ctx);

}  // namespace vesk
