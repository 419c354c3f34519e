// The condition evaluator and the rule records of an option.
//
// A condition program is a postfix sequence of 4-byte cells {u16 kind, u16
// value} in the image, ended by the cell {3, 10}: kind 1 pushes the current
// value of an option's item, kind 2 a literal, kind 3 applies an operator
// (1 ==, 2 !=, 3 &&, 4 ||, 5 !, 6 >, 7 <, 8 >=, 9 <=). Programs run on the
// context's evaluator stack of 256 32-bit values.
//
// An option's rule record is its Exclusive row: +8 and +12 the option's two
// conditions, +16 its per-value entries, +20 its Alert entries, +24 and +28
// its two Transact lists.
#pragma once
#include <win/types.h>

#include "core/context.h"
#include "core/model/image.h"

namespace vesk {

constexpr uint32_t kMdlEvalStackValues = 256;
constexpr size_t kMdlEvalStackBytes = kMdlEvalStackValues * 4;

// Allocates the context's evaluator stack (top 0). 1 done, -1 when memory
// runs out (the stack is then absent and every program gives 0).
int MdlEvalStackAlloc(DrvContext* ctx);
// Frees it; a context without one is left as it is.
void MdlEvalStackFree(DrvContext* ctx);

// Runs the program at `program` (an image offset; 0 gives 0) and returns the
// value its end cell pops. Comparisons are unsigned, && and || take both
// operands (already evaluated) and give 0 or 1, ! takes one. An option of a
// string type pushes the length of its text; items 731 to 858 push their
// computed value; the value of the option read last is reused within the
// run. The run ends with 0 when an option has no item, when the program
// leaves the image, when the stack would pass 256 values, or when an
// operator finds too few. The stack top is the one it found on every exit.
uint32_t MdlEvalExpression(DrvContext* ctx, uint32_t program);

// The option's rule record, 0 when it has none.
uint32_t MdlOptionRule(DrvContext* ctx, uint32_t option);
// The per-value entry of `valueId` in a rule record, 0 when none.
uint32_t MdlFindSubRecord(DrvContext* ctx, uint32_t rule, uint32_t valueId);
// Value id 0: the rule record's first (second) condition; else that of the
// value's entry. 0 when the option has no rule record, the value no entry or
// the entry no condition.
uint32_t MdlEvalOptionCond1(DrvContext* ctx, uint32_t option, uint32_t valueId);
uint32_t MdlEvalOptionCond2(DrvContext* ctx, uint32_t option, uint32_t valueId);
// The first condition of an Exclusive row itself (rule offset), as
// MdlEvalOptionCond1 evaluates an option's.
uint32_t MdlEvalRuleCond1(DrvContext* ctx, uint32_t rule, uint32_t valueId);

// Runs a Transact list from its first pair: a pair without condition counts
// as true; a pair whose condition is the previous pair's program, which was
// false, is passed over; when a condition holds its Action pairs are applied
// in order: a page target ends the run with its page id, an option target
// sets the item (ItemSetValueOrResString). 0 at the end of the list.
uint32_t MdlRunTransactList(DrvContext* ctx, uint32_t firstPair);
// The first pair of the first Transact list of the option's rule record, 0
// when it has none (running a list from 0 does nothing).
uint32_t MdlOptionTransactListAt(const MdlImageView& v, uint32_t option);
uint32_t MdlOptionTransactList(DrvContext* ctx, uint32_t option);
// Runs the first Transact list of the option's rule record; a page id or 0.
uint32_t MdlApplyOptionActions(DrvContext* ctx, uint32_t option);
// The message key of the first Alert entry of the option whose condition
// holds; 0 when none.
uint16_t MdlFirstTrueEntry(DrvContext* ctx, uint32_t option);
// In the option's first Alert entry with `messageKey`, the AlertAction pair
// of `optionKey` (the answer): runs its Transact list. The page id the run
// ends with, else 0 (also when no entry or pair matches).
uint32_t MdlApplyOptionSubActions(DrvContext* ctx, uint32_t option, uint16_t messageKey, uint16_t optionKey);

}  // namespace vesk
