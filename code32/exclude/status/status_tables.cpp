#include "status/status_tables.h"

#include "status/status_handlers.h"

namespace vesk {
namespace {

#define STATUS_ROW(id, version, main, set, verify, get, ...) \
    {id, 1, version, main, nullptr, set, verify, get, {__VA_ARGS__}},
const DrvApiItem kStatusItems[] = {
#include "status/status_items.def"
};
#undef STATUS_ROW
static_assert(sizeof kStatusItems / sizeof kStatusItems[0] == StatusItemCount);

// A row's id is its position.
#define STATUS_ROW(id, ...) id,
constexpr uint32_t kRowIds[] = {
#include "status/status_items.def"
};
#undef STATUS_ROW
constexpr bool rowsInOrder() {
    for (uint32_t i = 0; i < StatusItemCount; ++i)
        if (kRowIds[i] != i + 1) return false;
    return true;
}
static_assert(sizeof kRowIds / sizeof kRowIds[0] == StatusItemCount && rowsInOrder());

const StatusFuncOption kFuncOptions[] = {
    {11, 58, 0, 0}, {12, 68, 0, 3}, {13, 67, 0, 2}, {14, 59, 0, 0}, {15, 61, 0, 0},
    {17, 63, 0, 0}, {18, 70, 0, 0}, {19, 64, 0, 0}, {20, 66, 0, 0}, {21, 65, 0, 0},
};

struct ValueList {
    uint16_t option;
    uint32_t count;
    uint32_t values[11];
};
const ValueList kValueLists[] = {
    {109, 5, {0, 1, 2, 3, 128}},
    {114, 8, {0, 1, 2, 4, 8, 16, 32, 64}},
    {127, 4, {0, 1, 2, 3}},
    {113, 4, {0, 1, 2, 3}},
    {123, 7, {0, 1, 2, 3, 4, 5, 6}},
    {895, 7, {0, 1, 2, 3, 4, 5, 6}},
    {896, 7, {0, 1, 2, 3, 4, 5, 6}},
    {897, 7, {0, 1, 2, 3, 4, 5, 6}},
    {902, 11, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
    {0, 0, {}},
};

const StatusControl kControls[] = {
    {13, 1002, 2007}, {378, 1002, 2064}, {57, 1002, 2066}, {8, 1002, 2017}, {50, 1002, 2053}, {222, 1002, 2041},
};

const StatusColour kColours[] = {
    {0, 0, 0, 0}, {1, 255, 0, 0}, {2, 0, 255, 0}, {3, 0, 0, 255}, {4, 0, 255, 255}, {5, 255, 0, 255}, {6, 255, 255, 0},
};

}  // namespace

const uint32_t WatermarkKindList[4] = {1, 2, 3, 128};

const DrvApiItem* StatusRowById(uint32_t id) {
    // Every API level has the same table.
    if (id == 0 || id > StatusItemCount) return nullptr;
    return &kStatusItems[id - 1];
}

uint16_t StatusFuncOptionFind(uint32_t statusId, const StatusFuncOption** row) {
    for (const StatusFuncOption& f : kFuncOptions) {
        if (f.statusId != statusId) continue;
        if (row) *row = &f;
        return f.switchOption;
    }
    if (row) *row = nullptr;
    return 0;
}

int StatusValueAllowed(uint16_t option, uint32_t value) {
    for (const ValueList* l = kValueLists; l->option; ++l) {
        if (l->option != option) continue;
        for (uint32_t i = 0; i < l->count; ++i)
            if (l->values[i] == value) return 1;
        return 0;
    }
    return 0;
}

const StatusControl* StatusControlFind(uint16_t option) {
    for (const StatusControl& c : kControls)
        if (c.option == option) return &c;
    return nullptr;
}

const StatusColour* StatusColourFind(uint32_t index) {
    for (const StatusColour& c : kColours)
        if (c.index == (index & 0xFF)) return &c;
    return nullptr;
}

}  // namespace vesk
