// Option value lists of the versioned API: which values of an option may be
// chosen, their public values and names, and the setup switches of the API.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// `handle` is a versioned-API handle (VESKDrvEnable).
// Flags of the value tests and lists.
constexpr uint32_t kOptSkipDisabled = 0x1;  // first condition
constexpr uint32_t kOptSkipHidden = 0x2;    // second condition (OptValueSelectable)
// 1 when `value` may be chosen: the option is in the model (not of the
// unknown type) and, by the flags, the value's conditions do not hold.
int OptValueSelectable(void* handle, int optionId, int value, uint32_t flags);
// The PickOne value whose value symbol carries `publicValue`, 0 when none.
uint16_t OptValueByPublicValue(void* handle, int optionId, int publicValue);
// The public values of a PickOne option's values in model order (with
// kOptSkipDisabled, those whose first or second condition holds are left
// out). Number of values listed (`out` may be null to count), -1 when none
// is listed or a value lacks its public value. `out` takes no capacity: a
// count query tells the size.
int OptListPublicValuesEx(void* handle, uint16_t* out, int optionId, uint32_t flags);
int OptListPublicValues(void* handle, uint16_t* out, int optionId);
// The names of those values (the string of the value's id), each in an
// entry of `entryChars` characters; number of names or -1.
int OptListValueNamesEx(void* handle, WCHAR* out, int entryChars, int optionId, uint32_t flags);
int OptListValueNames(void* handle, WCHAR* out, int entryChars, int optionId);
// Mode 1 only: the source and output paper items from the paper fields,
// then the fit-to-paper scale into both scale items (they stay as they were
// when a paper dimension is 0).
void DmRefreshPaperAndFitScale(void* handle, int mode);
int DuplexTypeHasMargins(int duplexType);
int ApiFuncEnabled(void* handle, uint32_t mask);
// Switch bits of VESKAPIFunc1.
constexpr uint32_t kApiFuncTiledStamp = 0x1;  // watermark kind 128
constexpr uint32_t kApiFuncTallyMethod = 0x8; // print method 255
// The integer of `key` in `section` of the setup INI; 0 when absent or when
// there is no path.
int ApiIniGetInt(void* handle, const WCHAR* section, const WCHAR* key);
// The setup INI's path into `out` of 260 characters (empty when it does not
// fit or the driver directory is unknown); `out`.
WCHAR* ApiIniPath2(void* handle, WCHAR* out);
// The driver directory with its trailing backslash (the system directory on
// the 9x family) into `out` of `chars` characters; empty when unknown or
// too long. `out`.
WCHAR* DriverDirOrSystemDir(void* handle, WCHAR* out, size_t chars);
// The feature test of control `controlId` of page `pageId`: its key (from
// the context's page table, or the built-in one for a context without one)
// has an Exclusive row that answers 0. A control without a key, or a key
// without a row, fails. 1 or 0.
int ControlFeatureEnabled(DrvContext* ctx, int pageId, int controlId);
// The tests of the stamp control (2407 of page 1003) and the free-size
// control (2296 of page 1029) for a handle.
int StampControlEnabled(void* handle);
int FreeSizeControlEnabled(void* handle);
int IsNtTerminalServer(void* handle);

}  // namespace vesk
