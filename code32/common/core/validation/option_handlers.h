// The built-in handlers of options 35 to 706: the private options the model
// description cannot name get their defaults (mode 1) and are checked
// (mode 2) here. The table is generated from tables/option_handlers.tsv: one
// row per option id in ascending order, so the row of id n is row n - 35.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

constexpr int kHandlerFirstId = 35;
constexpr int kHandlerLastId = 706;

// Modes of a handler run.
constexpr int kHandlerDefaults = 1;
constexpr int kHandlerValidate = 2;

// A run of accepted values and a set of runs (values compared as signed
// 32-bit raw values).
struct ValueRun {
    int32_t lo, hi;
};
struct ValueSet {
    int count;
    const ValueRun* runs;
};
bool ValueSetHas(const ValueSet* set, int32_t value);

// A handler: option id, the item's current raw value, the item, the row's
// parameter, the mode and the context. A handler that keeps the value
// stores nothing; any other outcome stores a new raw value. The result is
// 1 when a value was stored, else 0 (the runner counts them, nothing else
// reads them).
using OptHandlerFn = int (*)(uint16_t id, uint32_t raw, DmItem* item, uint32_t parameter, int mode,
                             DrvContext* ctx);

struct OptHandlerRow {
    uint16_t id;
    OptHandlerFn handler;   // null: the option has no handler
    uint32_t parameter;     // the value stored in mode 1 and for a value that fails
    const ValueSet* accepts;  // the values kept in mode 2 (set rules only)
};

const OptHandlerRow* OptHandlerTable();
int OptHandlerTableCount();
// The row of an option id, or null outside 35..706.
const OptHandlerRow* OptHandlerRowOf(int id);

// The rules (option_handlers.cpp).
int OptHandlerForce(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerMachineId(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerInSet(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerAny(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerPreset(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerResolution(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerOutputPaper(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerPosterTab(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerMargin(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerKeep(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerInputTray(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerTrayPaper(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerMediaType(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerLanguage(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerDspLanguage(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerDspUnit(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerPrintArea(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);
int OptHandlerOption441(uint16_t, uint32_t, DmItem*, uint32_t, int, DrvContext*);

// For options 35 to 706 in order: the item's raw value through
// OptApplyValueChecked, and, only when the item has no dictionary key
// (result 2), the option's handler. `mode` 1 when defaults are set, 2 when
// a DEVMODE is validated. Returns the number of handlers that stored a value.
int RunOptionChangeHandlers(DrvContext* ctx, uint32_t mode);

}  // namespace vesk
