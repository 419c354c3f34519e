// The handle's recorded values and the command base built from them:
// setting items with or without tracking, the booklet and punch families,
// applying one line, writing the base and resolving it against the
// driver's rules.
#pragma once
#include <win/types.h>

#include "commands/command_table.h"
#include "commands/text_buf.h"

namespace vesk {

inline bool ExcGiven(const ExcContext* h, uint32_t item) {
    return item >= 1 && item <= static_cast<uint32_t>(h->count) && h->given[item - 1];
}
inline uint32_t ExcRecorded(const ExcContext* h, uint32_t item) {
    return item >= 1 && item <= static_cast<uint32_t>(h->count) ? h->values[item - 1] : 0;
}
// Items 1-730 live in the driver context, 731 and 732 only in the handle.
constexpr uint32_t kExcLastDriverItem = 730;

// Marks the item given with `value`; -1 for item 0 or past the handle.
int ExcRecordValue(ExcContext* h, uint32_t item, uint32_t value);
// 1 unless the item is given with exactly that value.
int ExcValueDiffers(const ExcContext* h, uint32_t item, uint32_t value);
// Without tracking: record (and store raw for driver items). With
// tracking only a changed value is recorded, stored, its option's action
// rules run and the recorded values refreshed.
void ExcSetTracked(ExcContext* h, uint32_t item, uint32_t value, int track);
// Re-reads every given driver item; derives the booklet family from the
// binding and, with derive731, the punch family from item 134.
void ExcRefreshValues(ExcContext* h, int derive731);
// 0 when the four required commands are given, else -1.
int ExcHasRequiredCommands(const ExcContext* h);
// Runs the action rules of the item's model option.
void ExcApplyOptionActions(ExcContext* h, uint32_t item);

// Binding values in the booklet family of item 732 (0 none, 1 BOOKLETC,
// 2 BOOKLETF), punch values in the family of item 731 (1-5).
uint32_t ExcBookletBase(uint32_t booklet);
uint32_t ExcBindingPosition(uint32_t value);
uint32_t ExcPunchBase(uint32_t family);
uint32_t ExcPunchPosition(uint32_t value);

// Applies one line through its row: 0, or 3 and 2 for the two punch-family
// kinds (the resolution's mode).
int ExcApplyCommand(ExcContext* h, const ExcCommandEntry* row, const char* name, const char* value, int track);
// Writes the lines of every given item in item order. 0, or -1 without
// memory or items.
int ExcWriteCommandBase(ExcTextBuf* b, ExcContext* h);

// An update line as parsed; a null name for none.
struct ExcUpdateLine {
    const char* name;
    const char* value;
};
// Normalises the context (unless mode 2), writes the resolved base, collects
// the changes against the stored base into the change text and merges the
// stored base. 1 with a change text, 0 without, -1 without memory.
int ExcResolve(ExcContext* h, ExcUpdateLine update, int mode);
// The change lines of `fresh` against the handle's stored base.
int ExcCollectChanges(ExcTextBuf* out, const ExcContext* h, const char* fresh, ExcUpdateLine update, bool skipForceFeed);
int ExcMergeCommandBase(ExcTextBuf* out, ExcContext* h, const char* fresh, ExcUpdateLine update);

}  // namespace vesk
