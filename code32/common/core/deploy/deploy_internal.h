// What the deployment files share: the bundle's entry counts and entries.
#pragma once
#include <win/types.h>

#include "core/context.h"

namespace vesk::deploy {

constexpr int kMaxEntries = 0xFFFE;

inline bool hasDrive(const WCHAR* s) { return s && s[0] && s[1] == u':'; }
// The entry count under `key` of the bundle's language section, at most
// 0xFFFE; 0 when missing (read as 0xFFFF) or 0.
int entryCount(const WCHAR* bundle, const WCHAR* lang, const WCHAR* key);
// Entry `n` of `stem` ("Deficonfiles", "Defqualityfiles") into `out` of
// kWsPathChars: as written (expand false) or expanded in preset mode. False
// when missing or it does not expand.
bool readEntry(const WCHAR* bundle, const WCHAR* lang, const char* stem, int n, WCHAR* out, DrvContext* ctx,
               bool expand = true);

// "DefaultRst" of the model description's language section, as written.
bool modelBundleName(DrvContext* ctx, WCHAR* out);

}  // namespace vesk::deploy
