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

// A row of the capability-code table (capability_codes.tsv): an
// installed-option item and the output-tray codes of its unit for the blank
// selector and for any other; the end row has item 0xFFFF and codes -1.
struct CapabilityCodeRow {
    uint16_t item;
    int16_t blankCode;
    int16_t otherCode;
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
const CapabilityCodeRow* builtinCapabilityCodes();
const HeaderCommandKind* builtinHeaderCommands();
int builtinHeaderCommandCount();
const UiPage* builtinPages();
int builtinPageCount();

}  // namespace vesk
