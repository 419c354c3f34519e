// Helpers shared by the user-code files.
#pragma once
#include "core/context.h"

namespace vesk {

// The text of rdmLogCode into `dest` of `chars` characters.
void UcGetCode(DrvContext* ctx, WCHAR* dest, size_t chars);
// A remote printer whose server supplies the code (rdmServerLogCode set).
bool UcServerSuppliesCode(DrvContext* ctx);

}  // namespace vesk
