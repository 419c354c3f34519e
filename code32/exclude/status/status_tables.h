// The status items of the versioned API and the fixed tables their
// handlers consult.
#pragma once
#include <win/types.h>

#include <functional>
#include <vector>

#include "core/context.h"

namespace vesk {

struct DrvApiItem;

// One Set (or Verify) call on a handle. The caller's record has been copied
// into `record` (its implied size). Job-control stores are queued in
// `commits` and carried out only when the whole call succeeds; INI writes
// happen at once (the DEVMODE refresh after the Set reads them back) and
// leave in `undo` what puts the old values back when the call fails.
struct StatusCall {
    DrvContext* ctx = nullptr;
    void* handle = nullptr;
    const DrvApiItem* row = nullptr;
    uint32_t id = 0;
    BYTE* record = nullptr;
    size_t recordSize = 0;
    BYTE* bitmap = nullptr;
    int32_t mode = 0;
    std::vector<std::function<void()>> commits;
    std::vector<std::function<void()>> undo;
};

// One Get call; `record` null asks the size only.
struct StatusGetCall {
    DrvContext* ctx = nullptr;
    void* handle = nullptr;
    uint32_t id = 0;
    BYTE* record = nullptr;
    uint32_t version = 0;
};

using StatusSetFn = int (*)(StatusCall& call);
using StatusGetFn = int (*)(StatusGetCall& call);

struct DrvApiItem {
    uint32_t id;
    uint32_t supported;
    uint32_t version;
    uint32_t mainOption;
    void* capsHandler;  // 0 in the status table
    StatusSetFn set;
    StatusSetFn verify;
    StatusGetFn get;
    uint16_t related[8];  // a 0 ends the list
};

constexpr uint32_t StatusItemCount = 35;
// The row of a status id, null for 0 and ids above 35.
const DrvApiItem* StatusRowById(uint32_t id);

struct StatusFuncOption {
    uint32_t statusId;
    uint16_t switchOption;
    uint16_t zero;
    uint32_t flags;
};
// Flag 1: related options are not reported while the switch is disabled or
// hidden; flag 2: options 141 and 137 not while the switch is 0.
constexpr uint32_t kFuncFlagSwitchHidden = 1, kFuncFlagSwitchZero = 2;
// The switch option of a status id (0 when none) and its row.
uint16_t StatusFuncOptionFind(uint32_t statusId, const StatusFuncOption** row = nullptr);

// 1 when the option has a value list here and the value is in it.
int StatusValueAllowed(uint16_t option, uint32_t value);

struct StatusControl {
    uint16_t option, page, control;
};
const StatusControl* StatusControlFind(uint16_t option);

struct StatusColour {
    uint8_t index, red, green, blue;
};
const StatusColour* StatusColourFind(uint32_t index);

// The watermark kinds capability item 30 lists.
extern const uint32_t WatermarkKindList[4];

}  // namespace vesk
