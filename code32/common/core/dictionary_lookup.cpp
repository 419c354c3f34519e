#include "core/dictionary_lookup.h"

#include <cstring>
#include <string_view>
#include <vector>

#include "core/text_hash.h"

namespace vesk {
namespace {
const SymbolTable& symbols() { return *GetContextTemplate()->symbols; }
const ValueSymbolTable& valueSymbols() { return *GetContextTemplate()->valueSymbols; }
const MessageTable* messages(DrvContext* ctx) {
    return (ctx && ctx->messages) ? ctx->messages : GetContextTemplate()->messages;
}
bool nameIs(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

// The entries of a constant table by name, in an open-addressing table made
// once: the model reader looks a name up for nearly every word it reads.
// Where names repeat the first entry in table order is found, as by a search
// from the start.
template <class T>
class NameIndex {
public:
    explicit NameIndex(const SharedTable<T>& t) : table_(&t) {
        size_t capacity = 16;
        while (capacity < 2 * static_cast<size_t>(t.count > 0 ? t.count : 0)) capacity *= 2;
        slots_.assign(capacity, Slot{});
        for (int i = 0; i < t.count; ++i) {
            const T* e = &t.entries[i];
            if (!e->name) continue;
            std::string_view n(e->name);
            size_t k = TextHash(n) & (capacity - 1);
            for (; slots_[k].entry; k = (k + 1) & (capacity - 1))
                if (n == slots_[k].name) break;
            if (!slots_[k].entry) slots_[k] = {n, e};
        }
    }
    // Null when the table is not the one indexed (it is then searched).
    const T* find(const SharedTable<T>& t, std::string_view name, bool* indexed) const {
        *indexed = &t == table_;
        if (!*indexed) return nullptr;
        const size_t mask = slots_.size() - 1;
        for (size_t k = TextHash(name) & mask; slots_[k].entry; k = (k + 1) & mask)
            if (name == slots_[k].name) return slots_[k].entry;
        return nullptr;
    }

private:
    struct Slot {
        std::string_view name;
        const T* entry = nullptr;
    };
    const SharedTable<T>* table_;
    std::vector<Slot> slots_;
};

template <class T>
const T* searchByName(const SharedTable<T>& t, const char* name) {
    for (int i = 0; i < t.count; ++i)
        if (nameIs(t.entries[i].name, name)) return &t.entries[i];
    return nullptr;
}
template <class T>
const T* searchByName(const SharedTable<T>& t, std::string_view name) {
    for (int i = 0; i < t.count; ++i)
        if (t.entries[i].name && name == t.entries[i].name) return &t.entries[i];
    return nullptr;
}
}  // namespace

const SymbolEntry* SymFindByKey(int key) {
    if (key == 0) return nullptr;
    for (int i = 0; i < symbols().count; ++i)
        if (symbols().entries[i].key == key) return &symbols().entries[i];
    return nullptr;
}

const SymbolEntry* SymFindByName(const char* name) { return name ? SymFindByName(std::string_view(name)) : nullptr; }

const SymbolEntry* SymFindByName(std::string_view name) {
    const SymbolTable& t = symbols();
    static const NameIndex<SymbolEntry> index(t);
    bool indexed = false;
    const SymbolEntry* hit = index.find(t, name, &indexed);
    return indexed ? hit : searchByName(t, name);
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
    return name ? ValueSymFindByName(std::string_view(name)) : nullptr;
}

const ValueSymbol* ValueSymFindByName(std::string_view name) {
    const ValueSymbolTable& t = valueSymbols();
    static const NameIndex<ValueSymbol> index(t);
    bool indexed = false;
    const ValueSymbol* hit = index.find(t, name, &indexed);
    return indexed ? hit : searchByName(t, name);
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
    return searchByName(*messages(ctx), name);
}

}  // namespace vesk
