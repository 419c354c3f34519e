// Option value lists of the versioned API: which values of an option may be
// chosen, their public values and names, and the setup switches of the API.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

// `handle` is a versioned-API handle (VESKDrvEnable).
int OptValueSelectable(void* handle, int optionId, int value, uint32_t flags);
uint16_t OptValueByPublicValue(void* handle, int optionId, int publicValue);
// Number of values listed (`out` may be null to count), -1 on failure.
int OptListPublicValuesEx(void* handle, uint16_t* out, int optionId, uint32_t flags);
int OptListPublicValues(void* handle, uint16_t* out, int optionId);
// Names of `entryChars` wide characters each; number of names or -1.
int OptListValueNamesEx(void* handle, WCHAR* out, int entryChars, int optionId, uint32_t flags);
int OptListValueNames(void* handle, WCHAR* out, int entryChars, int optionId);
void DmRefreshPaperAndFitScale(void* handle, int mode);
int DuplexTypeHasMargins(int duplexType);
int ApiFuncEnabled(void* handle, uint32_t mask);
int StampControlEnabled(void* handle);
int FreeSizeControlEnabled(void* handle);
int IsNtTerminalServer(void* handle);

}  // namespace vesk
