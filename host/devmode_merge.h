// `vesk printer devmode`: a printer's DEVMODE with fields changed, taken
// through the driver's merge as an application's DEVMODE is, so that what
// the driver's validation and option handlers keep, repair or reset is
// known field by field. The host carries the common library for this, as
// for driver_devmode.h.
#pragma once
#include <win/types.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/context.h"

namespace vesk::host {

// One field after the merge: the value asked for, the value the merge left
// and the value a DEVMODE of defaults holds.
struct FieldOutcome {
    std::string field;
    int64_t asked = 0;
    int64_t now = 0;
    int64_t byDefault = 0;
    // A text item: the text asked for and the text the merge left.
    bool isText = false;
    std::string askedText;
    std::string nowText;
};

// Sets `fields` in `devmode` (a DEVMODE of the driver) as MergeDevmodeFields
// does, without merging: the private items by the item table of `ctx`. The
// item and the number asked for of each field go into *asked (optional; no
// item for a script's key). False with a reason for an unknown field or a
// bad value.
bool SetDevmodeFields(DrvContext* ctx, std::vector<uint8_t>& devmode,
                      const std::vector<std::pair<std::string, std::string>>& fields,
                      std::vector<std::pair<DmItem*, int64_t>>* asked, std::string* error);

// Sets `fields` in `devmode` (the printer's DEVMODE of the driver): the keys
// of a script's devmode statement, and the field names of the driver's
// private items of the spooler's part (rdmNUPLineType=9, or the job
// identity's text items such as rdmUserID=USER0001, cut to the item); then
// merges it
// into a driver context of the printer and gives back the merged DEVMODE in
// `devmode`, with one outcome per numeric field. False with a reason for an
// unknown field, a bad value or a driver that gives no context.
bool MergeDevmodeFields(HANDLE printer, std::vector<uint8_t>& devmode,
                        const std::vector<std::pair<std::string, std::string>>& fields,
                        std::vector<FieldOutcome>* outcomes, std::string* error);

// "kept", "reset to D" or "repaired to V" ("changed to "T"" for text).
std::string DescribeOutcome(const FieldOutcome& o);

}  // namespace vesk::host
