// The questions the DEVMODE code asks of the compiled model and the option
// checks, gathered in one table. By default the table routes to the common
// library's answers (the compiled model, and pending_capabilities.h for the checks that
// other parts provide); a test may put a table of its own in place to stand
// for a model.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

struct DmModelQueries {
    // The item's model option: its type (1 pick-one, 4 Boolean, 8 numeric,
    // 257 paper pick, 513 paper-source pick; 0 none), the numeric range, the
    // value of the current selection (a model value: for list types a value
    // id).
    int (*optionType)(DrvContext*, int itemId);
    int (*optionRange)(DrvContext*, int itemId, int32_t* outMin, int32_t* outMax);
    int (*optionValue)(DrvContext*, int itemId, uint32_t* outValue);
    // Width and length in 0.1 mm of a paper code from the model's page-size
    // record, exchanged in landscape; 0 when the model has no such paper.
    int (*paperSize)(DrvContext*, int paperCode, int32_t* outWidth, int32_t* outLength);
    // The option checks of the public fields' items (1 allowed, 0 not).
    int (*checkValue)(DrvContext*, int itemId, int32_t value);
    int (*collateSupported)(DrvContext*);
    // A free-size paper code: its slot's width and length in 1200-dpi dots.
    int (*freeSizePaper)(DrvContext*, int paperCode, int32_t* outWidth, int32_t* outLength);
    int (*paperLimitsOk)(DrvContext*);
    // The item's option lists values: 1 when `value` (a model value) is one
    // of them, 0 when it is not, -1 when the item has no option or the
    // option no value list.
    int (*valueListHas)(DrvContext*, int itemId, uint32_t value);
    // Condition `which` (1 or 2) of the option's value `value` (value 0: of
    // the option itself): 1 when it holds now, 0 when it does not or there is
    // none.
    int (*valueCondition)(DrvContext*, int itemId, uint32_t value, int which);
    // Runs the item actions of the item's option; 0 when none ran.
    int (*applyActions)(DrvContext*, int itemId);
};

// The questions of the table about one item id, asked of the table in use
// when the check starts. With the default table the id's option record is
// found once and every answer read from it: the answers depend on the
// image alone, which never changes, so they are the table's own. With a
// table a test put in place each question goes to it.
class DmOptionQueries {
public:
    DmOptionQueries(DrvContext* ctx, int itemId);
    int type() const { return table_ ? tableType() : type_; }
    int range(int32_t* outMin, int32_t* outMax) const;
    int valueListHas(uint32_t value) const;
    int valueCondition(uint32_t value, int which) const;
    int id() const { return id_; }

private:
    int tableType() const;

    DrvContext* ctx_;
    int id_;
    const DmModelQueries* table_;  // null: the default table, by the record
    uint32_t option_ = 0;
    uint16_t type_ = 0;
};

// The table in use.
const DmModelQueries& dmModel();
// Puts `q` in place (null: the default table) and returns the one before.
const DmModelQueries* DmSetModelQueries(const DmModelQueries* q);
// The default table.
const DmModelQueries& DmDefaultModelQueries();

}  // namespace vesk
