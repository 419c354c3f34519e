#include "core/dictionary_lookup.h"

#include <cstring>

namespace vesk {
namespace {
const SymbolTable& symbols() { return *GetContextTemplate()->symbols; }
const ValueSymbolTable& valueSymbols() { return *GetContextTemplate()->valueSymbols; }
const MessageTable* messages(DrvContext* ctx) {
    return (ctx && ctx->messages) ? ctx->messages : GetContextTemplate()->messages;
}
bool nameIs(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }
}  // namespace

const SymbolEntry* SymFindByKey(int key) {
    if (key == 0) return nullptr;
    for (int i = 0; i < symbols().count; ++i)
        if (symbols().entries[i].key == key) return &symbols().entries[i];
    return nullptr;
}

const SymbolEntry* SymFindByName(const char* name) {
    for (int i = 0; i < symbols().count; ++i)
        if (nameIs(symbols().entries[i].name, name)) return &symbols().entries[i];
    return nullptr;
}

const ValueSymbol* ValueSymFind(int itemId, uint32_t value) {
    for (int i = 0; i < valueSymbols().count; ++i) {
        const ValueSymbol& v = valueSymbols().entries[i];
        if (v.itemId == static_cast<uint16_t>(itemId) && static_cast<uint16_t>(v.value) == static_cast<uint16_t>(value))
            return &v;
    }
    return nullptr;
}

const ValueSymbol* ValueSymFindByName(const char* name) {
    for (int i = 0; i < valueSymbols().count; ++i)
        if (nameIs(valueSymbols().entries[i].name, name)) return &valueSymbols().entries[i];
    return nullptr;
}

int MsgSymCount(DrvContext* ctx) { return messages(ctx)->count; }

const MessageSymbol* MsgSymGet(DrvContext* ctx, int index) {
    const MessageTable* t = messages(ctx);
    return (index >= 0 && index < t->count) ? &t->entries[index] : nullptr;
}

const MessageSymbol* MsgSymFindById(DrvContext* ctx, int key) {
    const MessageTable* t = messages(ctx);
    for (int i = 0; i < t->count; ++i)
        if (t->entries[i].key == key) return &t->entries[i];
    return nullptr;
}

const MessageSymbol* MsgSymFindByName(DrvContext* ctx, const char* name) {
    const MessageTable* t = messages(ctx);
    for (int i = 0; i < t->count; ++i)
        if (nameIs(t->entries[i].name, name)) return &t->entries[i];
    return nullptr;
}

}  // namespace vesk
