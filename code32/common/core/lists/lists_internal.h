// What the list files share: the per-printer INI, section transfers under a
// stand-in name, counts, and bounded text from INI values.
#pragma once
#include <win/types.h>

#include <cstddef>

#include "core/context.h"

namespace vesk::lists {

// The per-printer INI path, or null when it is not a drive path.
const WCHAR* iniPath(DrvContext* ctx);
// A settings-file transfer of `section` of `path` under `flags` (kStWrite:
// an export), the section name standing in for the printer's name.
int sectionImport(DrvContext* ctx, const WCHAR* path, const WCHAR* section, uint32_t flags);
int sectionExport(DrvContext* ctx, const WCHAR* path, const WCHAR* section, uint32_t flags);
// A count key: a missing or negative value reads as 0.
int readCount(const WCHAR* section, const WCHAR* key, const WCHAR* path);
int writeCount(const WCHAR* section, const WCHAR* key, int n, const WCHAR* path);
// Reads a value of at most `ansiBytes` - 1 ANSI bytes into `dest` of `chars`
// characters (cut on a character boundary). The value's length.
size_t readBounded(const WCHAR* section, const WCHAR* key, WCHAR* dest, size_t chars, size_t ansiBytes,
                   const WCHAR* path);
// `format` (a "%d" and a "%s") with `n` and `tail` into `buffer` of
// kListKeyChars.
WCHAR* formatNumbered(WCHAR* buffer, const char* format, int n, const char* tail);
// `stem`, the number and the language code ("Stamp3us").
WCHAR* formatLangSection(WCHAR* buffer, const char* stem, int i, DrvContext* ctx);
// Copies at most cap - 1 characters, never ending on half a surrogate pair.
void copyWhole(WCHAR* dest, size_t cap, const WCHAR* src);
// The printer's own name (not a stand-in) in the workspace for a scope.
class RealName {
public:
    explicit RealName(DrvContext* ctx);
    ~RealName();
    RealName(const RealName&) = delete;
    RealName& operator=(const RealName&) = delete;

private:
    DrvWorkspace* ws_;
    WCHAR kept_[kWsPrinterNameChars] = {};
};
// Frees every preset snapshot.
void dropSnapshots(DrvContext* ctx);
// The stamp consistency of a preset load or a page refresh: a selected
// stamp of the list is loaded again, a stamp past the list switches the
// watermark off.
void checkStamp(DrvContext* ctx);

}  // namespace vesk::lists
