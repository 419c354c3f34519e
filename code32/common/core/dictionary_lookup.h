// Lookups in the shared option dictionary: symbols, value names, messages.
#pragma once
#include <win/types.h>

#include <string_view>

#include "core/context.h"

namespace vesk {

const SymbolEntry* SymFindByKey(int key);
const SymbolEntry* SymFindByName(const char* name);
const SymbolEntry* SymFindByName(std::string_view name);
// The value symbol of an item's value (16-bit comparisons), or null.
const ValueSymbol* ValueSymFind(int itemId, uint32_t value);
const ValueSymbol* ValueSymFindByName(const char* name);
const ValueSymbol* ValueSymFindByName(std::string_view name);
int MsgSymCount(DrvContext* ctx);
const MessageSymbol* MsgSymGet(DrvContext* ctx, int index);
// By key or name in the context's table, or the template's when `ctx` is null.
const MessageSymbol* MsgSymFindById(DrvContext* ctx, int key);
const MessageSymbol* MsgSymFindByName(DrvContext* ctx, const char* name);

}  // namespace vesk
