// Each printer's display language, default paper and unit: decided once from
// the installed driver's language and the user's locale, kept per printer in
// KW00C170.ini of the private directory and copied into the options that
// carry them when the property sheets open. A hand-over flag in the same
// section lets an installer leave values that the next opening takes over.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk {

constexpr const WCHAR* kLocaleIniName = u"KW00C170.ini";

// Decides and applies the printer's values (options 177, 178, 179, 180 and 8).
// 1, or 0 when a buffer cannot be allocated (nothing changed).
int InitLocaleDefaults(DrvContext* ctx);
// Takes a waiting hand-over into the workspace ("VeskInstDone" 0 and a
// "DispLang"), then marks it taken. 1 taken over, else 0.
int LoadLocaleIni(DrvContext* ctx);
// The display language of the user's locale and the country rule. 1.
int LocaleDefaultsFromUser(DrvContext* ctx);
// Writes the current options into the section as a hand-over and takes it
// straight back. 1, 0 when its buffer cannot be allocated.
int SaveLocaleIni(DrvContext* ctx);
// The country code of the user's locale: 1, 2 or 5 for a dialling code that
// starts with that digit, else 0.
uint16_t GetUserCountryCode(DrvContext* ctx);
// Sets the workspace's country code, unit and paper by the country rule and
// option 180; the option write's result.
uint32_t SetPaperDefaultsFromCountry(DrvContext* ctx);

}  // namespace vesk
