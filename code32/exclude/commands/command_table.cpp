#include "commands/command_table.h"

#include <cstring>

#include "core/allowed/allowed_values.h"

namespace vesk {
namespace {

bool sameText(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }

bool groupHasCommand(const ExcCommandEntry* row, const char* name) {
    for (uint32_t i = 0; i < ExcValueCount(row); ++i)
        if (sameText(row->values->values[i].commandName, name)) return true;
    return false;
}

}  // namespace

const ExcCommandTable* GetBuiltinTable10Exc() { return GetBuiltinTable10(); }

const ExcCommandEntry* ExcFindCommandByName(ExcContext* h, const char* name, uint32_t mask) {
    if (!name) return nullptr;
    const ExcCommandTable* t = GetBuiltinTable10Exc();
    for (uint32_t i = 0; i < t->count; ++i) {
        const ExcCommandEntry* row = &t->rows[i];
        if (row->name ? !sameText(row->name, name) : !groupHasCommand(row, name)) continue;
        if (!(row->useMask & mask)) return nullptr;
        if ((row->useMask & kExcPrinterOption) && row->chain && !(h && h->ctx && OptCondChain443(h->ctx, row->chain)))
            return nullptr;
        return row;
    }
    return nullptr;
}

const ExcCommandEntry* ExcFindCommandById(uint32_t id, uint32_t mask) {
    const ExcCommandTable* t = GetBuiltinTable10Exc();
    for (uint32_t i = 0; i < t->count; ++i)
        if (t->rows[i].item == id && (t->rows[i].useMask & mask)) return &t->rows[i];
    return nullptr;
}

uint32_t ExcAliasItem(uint32_t id) {
    const ExcAliasTable* t = GetAliasItemsExc();
    for (uint32_t i = 0; i < t->count; ++i)
        if (t->rows[i].item == id) return t->rows[i].alias;
    return 0;
}

int ExcCommandIsEnabled(const ExcContext* h, const ExcCommandEntry* row) {
    if (!h || !row) return 0;
    if (row->item == 0) return (row->kind & kExcKindSpecial) ? 1 : 0;
    auto given = [&](uint32_t item) { return item >= 1 && item <= static_cast<uint32_t>(h->count) && h->given[item - 1]; };
    if (!given(row->item)) return 0;
    for (const OptCondLink* l = row->pairs; l; l = l->next)
        if (!given(l->item)) return 0;
    return 1;
}

const ExcCommandValue* ExcFindValueItem(DrvContext* ctx, const ExcCommandEntry* row, const char* command,
                                        const char* word) {
    const ExcCommandValue* first = nullptr;
    for (uint32_t i = 0; i < ExcValueCount(row); ++i) {
        const ExcCommandValue* v = &row->values->values[i];
        if (!sameText(v->word, word) || (!row->name && !sameText(v->commandName, command))) continue;
        if (!v->chain || (ctx && OptEvalCondChain(ctx, v->chain))) return v;
        if (!first) first = v;
    }
    return first;
}

}  // namespace vesk
