// The installable options dialog's tables and the toggling of an option
// entry: which device-information item an option value sets, the rules of
// the values with their install and removal steps, and the tray slot of a
// paper source.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

struct InstallOptionPair {
    uint16_t item;  // 0 ends a list
    uint32_t value;
};

struct InstallOptionRule {
    uint16_t value;               // the list value; 0 ends the table
    uint16_t item;
    uint32_t itemValue;
    uint16_t item2;               // 0 none
    uint32_t value2;
    // Lock: the entry cannot be changed while `lockItem` holds `lockValue`,
    // or (lockUnless) while it holds anything else. lockItem 0: no lock.
    uint16_t lockItem;
    uint32_t lockValue;
    uint32_t lockUnless;
    const uint16_t* alternatives;     // list values of which one must be installed, ended by 0; or null
    InstallOptionPair onInstall[2];
    InstallOptionPair onRemove[2];
    uint32_t refill;
    uint32_t redraw;
};

constexpr uint32_t kInstallRefill = 1, kInstallRedraw = 2;

const InstallOptionRule* InstallOptionRuleTable();
// The item a list value sets; the first row's item (10023) for another value.
uint16_t OptionItemForValue(uint32_t value);
// The rule of a value, or null (the model is not consulted).
const InstallOptionRule* OptionRuleFind(uint32_t value, const void* model);
bool OptionRuleInstalled(DrvContext* ctx, const InstallOptionRule* rule);
bool OptionRuleLocked(DrvContext* ctx, const InstallOptionRule* rule);
// Installs a required alternative for every installed rule that needs one;
// kInstallRefill and kInstallRedraw as those rules ask.
uint32_t OptionRulesApplyRequires(DrvContext* ctx, const InstallOptionRule* clicked);
// The tray slot of a paper source value; slot 0 for another value.
int TraySlotForValue(uint32_t value);
// The memory size (MB) of a memory value, 0 for another.
int InstallOptionMemorySize(uint32_t value);
// The entry of `value` shown as installed.
bool InstallOptionIsInstalled(DrvContext* ctx, uint32_t value);
// A click on the entry of `value` (0 when the list is disabled): the items
// it changes; kInstallRefill and kInstallRedraw for what the lists need.
uint32_t InstallOptionToggle(DrvContext* ctx, uint32_t value, bool listDisabled);

}  // namespace vesk
