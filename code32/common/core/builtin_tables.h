// The built-in constant tables, generated at build time from the table files
// in core/tables.
#pragma once
#include "core/dictionary.h"
#include "core/item.h"
#include "core/ui_table.h"

namespace vesk {

const DmItem* builtinItems();
int builtinItemCount();
const SymbolEntry* builtinSymbols();
int builtinSymbolCount();
const ValueSymbol* builtinValueSymbols();
int builtinValueSymbolCount();
const MessageSymbol* builtinMessages();
int builtinMessageCount();
const UiPage* builtinPages();
int builtinPageCount();

}  // namespace vesk
