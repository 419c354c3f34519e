// The built-in constant tables, generated at build time from the table files
// in core/tables.
#pragma once
#include "core/dictionary.h"
#include "core/item.h"
#include "core/ui_table.h"

namespace vesk {

// An item whose option command in a job or page header is rendered by the
// driver itself, and the kind of that command (header_commands.tsv).
struct HeaderCommandKind {
    uint16_t item;
    uint16_t kind;
};

// A named item id of core/item_ids.h and its enumerator's name.
struct ItemIdName {
    uint16_t id;
    const char* name;
};

const DmItem* builtinItems();
int builtinItemCount();
const ItemIdName* builtinItemIds();
int builtinItemIdCount();
const SymbolEntry* builtinSymbols();
int builtinSymbolCount();
const ValueSymbol* builtinValueSymbols();
int builtinValueSymbolCount();
const MessageSymbol* builtinMessages();
int builtinMessageCount();
const HeaderCommandKind* builtinHeaderCommands();
int builtinHeaderCommandCount();
const UiPage* builtinPages();
int builtinPageCount();

}  // namespace vesk
