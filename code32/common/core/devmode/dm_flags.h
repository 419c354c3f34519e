// Named accessors of the DEVMODE's state-flag bytes (items 715 to 730), of
// the bit word at 858 and of the resolution fields, as the other parts of
// the driver call them. Stores go through the item store.
#pragma once
#include <win/types.h>

#include "core/context.h"
#include "core/devmode/dm_private.h"

namespace vesk {

// The bit word at 858 (items 381 to 396).
uint16_t DmGetFlagWord(DrvContext* ctx);
void DmPutFlagWord(DrvContext* ctx, uint16_t word);

// Raw reads and stores of the resolution fields: dmPrintQuality,
// dmYResolution, rdmDstResolutionW and rdmDstResolutionH.
uint32_t GetPrintQuality(DrvContext* ctx);
uint32_t GetDstResolutionW(DrvContext* ctx);
uint32_t GetDstResolutionH(DrvContext* ctx);
void SetPrintQuality(DrvContext* ctx, uint32_t value);
void SetYResolution(DrvContext* ctx, uint32_t value);
void SetDstResolutionW(DrvContext* ctx, uint32_t value);
void SetDstResolutionH(DrvContext* ctx, uint32_t value);

// rdmCallSrc: editing the user's default settings.
inline void DmClearUserDefaultMode(DrvContext* c) { DmPutFlag(c, DmFlag::CallSrc, 0); }
inline void DmSetUserDefaultMode(DrvContext* c) { DmPutFlag(c, DmFlag::CallSrc, 1); }
inline void DmPutUserDefaultMode(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::CallSrc, v); }
inline BYTE DmGetUserDefaultMode(DrvContext* c) { return DmGetFlag(c, DmFlag::CallSrc); }
// rdmOSKind: 1 before Windows 2000, 2 from Windows 2000.
inline void DmSetOsKindNt4(DrvContext* c) { DmPutFlag(c, DmFlag::OsKind, 1); }
inline void DmSetOsKindNt5(DrvContext* c) { DmPutFlag(c, DmFlag::OsKind, 2); }
inline void DmPutOsKind(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::OsKind, v); }
inline BYTE DmGetOsKind(DrvContext* c) { return DmGetFlag(c, DmFlag::OsKind); }
// rdmBatchInst.
inline void DmClearFlagC(DrvContext* c) { DmPutFlag(c, DmFlag::BatchInst, 0); }
inline void DmSetFlagC(DrvContext* c) { DmPutFlag(c, DmFlag::BatchInst, 1); }
inline void DmPutFlagC(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::BatchInst, v); }
// rdmPrintLog.
inline void DmClearInstUserCode(DrvContext* c) { DmPutFlag(c, DmFlag::PrintLog, 0); }
inline void DmSetInstUserCode(DrvContext* c) { DmPutFlag(c, DmFlag::PrintLog, 1); }
inline void DmPutInstUserCode(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::PrintLog, v); }
inline BYTE DmGetInstUserCode(DrvContext* c) { return DmGetFlag(c, DmFlag::PrintLog); }
// rdmBiDirect.
inline void DmClearFlagE(DrvContext* c) { DmPutFlag(c, DmFlag::BiDirect, 0); }
inline void DmSetFlagE(DrvContext* c) { DmPutFlag(c, DmFlag::BiDirect, 1); }
inline void DmPutFlagE(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::BiDirect, v); }
inline BYTE DmGetFlagE(DrvContext* c) { return DmGetFlag(c, DmFlag::BiDirect); }
// rdmNoPermission.
inline void DmClearNoPermission(DrvContext* c) { DmPutFlag(c, DmFlag::NoPermission, 0); }
inline void DmSetNoPermission(DrvContext* c) { DmPutFlag(c, DmFlag::NoPermission, 1); }
inline void DmPutNoPermission(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::NoPermission, v); }
inline BYTE DmGetNoPermission(DrvContext* c) { return DmGetFlag(c, DmFlag::NoPermission); }
// rdmPresentUIMode: item 40 is non-zero.
inline void DmClearOpt40Flag(DrvContext* c) { DmPutFlag(c, DmFlag::PresentUiMode, 0); }
inline void DmSetOpt40Flag(DrvContext* c) { DmPutFlag(c, DmFlag::PresentUiMode, 1); }
inline void DmPutOpt40Flag(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::PresentUiMode, v); }
inline BYTE DmGetOpt40Flag(DrvContext* c) { return DmGetFlag(c, DmFlag::PresentUiMode); }
// rdmBidiSupport: the printer has ENABLE_BIDI.
inline void DmClearBidiAttrFlag(DrvContext* c) { DmPutFlag(c, DmFlag::BidiSupport, 0); }
inline void DmSetBidiAttrFlag(DrvContext* c) { DmPutFlag(c, DmFlag::BidiSupport, 1); }
inline void DmPutBidiAttrFlag(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::BidiSupport, v); }
// rdmServerClientMode: a connection to a server's printer.
inline void DmClearRemoteFlag(DrvContext* c) { DmPutFlag(c, DmFlag::ServerClientMode, 0); }
inline void DmSetRemoteFlag(DrvContext* c) { DmPutFlag(c, DmFlag::ServerClientMode, 1); }
inline void DmPutRemoteFlag(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::ServerClientMode, v); }
inline BYTE DmGetRemoteFlag(DrvContext* c) { return DmGetFlag(c, DmFlag::ServerClientMode); }
// rdmUserCodeFIX: item 10002 is non-zero.
inline void DmClearUserCodeFix(DrvContext* c) { DmPutFlag(c, DmFlag::UserCodeFix, 0); }
inline void DmSetUserCodeFix(DrvContext* c) { DmPutFlag(c, DmFlag::UserCodeFix, 1); }
inline void DmPutUserCodeFix(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::UserCodeFix, v); }
// rdmUserCodeGet: the user code came from the provider.
inline void DmClearProviderUserCode(DrvContext* c) { DmPutFlag(c, DmFlag::UserCodeGet, 0); }
inline void DmSetProviderUserCode(DrvContext* c) { DmPutFlag(c, DmFlag::UserCodeGet, 1); }
inline void DmPutProviderUserCode(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::UserCodeGet, v); }
inline BYTE DmGetProviderUserCode(DrvContext* c) { return DmGetFlag(c, DmFlag::UserCodeGet); }
// rdmJLInstalled: the job-linking product is installed.
inline void DmClearBinderFlag(DrvContext* c) { DmPutFlag(c, DmFlag::JlInstalled, 0); }
inline void DmSetBinderFlag(DrvContext* c) { DmPutFlag(c, DmFlag::JlInstalled, 1); }
inline void DmPutBinderFlag(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::JlInstalled, v); }
// rdmPropertyType: opened from the device property sheets.
inline void DmClearDeviceSheetMode(DrvContext* c) { DmPutFlag(c, DmFlag::PropertyType, 0); }
inline void DmSetDeviceSheetMode(DrvContext* c) { DmPutFlag(c, DmFlag::PropertyType, 1); }
inline void DmPutDeviceSheetMode(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::PropertyType, v); }
// rdmUserCodeDLL: the user-code provider library is in use.
inline void DmClearProviderUserCode2(DrvContext* c) { DmPutFlag(c, DmFlag::UserCodeDll, 0); }
inline void DmSetProviderUserCode2(DrvContext* c) { DmPutFlag(c, DmFlag::UserCodeDll, 1); }
inline void DmPutProviderUserCode2(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::UserCodeDll, v); }
// rdmTSE and rdmAdmin.
inline void DmPutTerminalServerFlag(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::Tse, v); }
inline void DmPutAdminFlag(DrvContext* c, BYTE v) { DmPutFlag(c, DmFlag::Admin, v); }

}  // namespace vesk
