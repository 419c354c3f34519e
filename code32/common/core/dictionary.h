// The option dictionary shared by every context: symbols (item id, key,
// name), value names and the message table.
#pragma once
#include <win/types.h>

namespace vesk {

struct SymbolEntry {
    uint16_t itemId;    // 0 for keys that name no item (pages, buttons)
    int16_t key;
    const char* name;   // ANSI symbolic name
};

struct ValueSymbol {
    uint16_t itemId;
    int16_t key;
    uint32_t value;         // model value
    const char* name;       // ANSI value name
    uint32_t usable;        // 1
    uint32_t windowsValue;  // the Windows value the model value stands for
};

struct MessageSymbol {
    uint16_t key;
    uint16_t textId;
    uint16_t captionId;
    uint16_t style;
    const char* name;
    uint32_t word;
};

template <class T>
struct SharedTable {
    int16_t count;
    const T* entries;
};

using SymbolTable = SharedTable<SymbolEntry>;
using ValueSymbolTable = SharedTable<ValueSymbol>;
using MessageTable = SharedTable<MessageSymbol>;

}  // namespace vesk
