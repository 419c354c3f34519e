// What the install files share: the printer's information held for a call,
// the terminal-server mutex held for a scope, the printer's name from its
// information, and whole-section and path helpers for the per-printer INIs
// and the list files they name.
#pragma once
#include <win/spooler.h>
#include <win/types.h>

#include <cstddef>

#include "core/context.h"
#include "core/locks.h"
#include "core/printer_info.h"

namespace vesk::install {

// The caller's PRINTER_INFO_2, else the spooler's (freed at the end).
struct InfoHold {
    PRINTER_INFO_2W* owned = nullptr;
    const PRINTER_INFO_2W* info = nullptr;
    InfoHold(HANDLE printer, const PRINTER_INFO_2W* given) : info(given) {
        if (!info) info = owned = PrnGetInfo2(printer);
    }
    ~InfoHold() { PrnFreeInfo2(owned); }
    InfoHold(const InfoHold&) = delete;
    InfoHold& operator=(const InfoHold&) = delete;
};

struct MutexHold {
    MutexHold() { TsMutexWait(); }
    ~MutexHold() { TsMutexRelease(); }
    MutexHold(const MutexHold&) = delete;
    MutexHold& operator=(const MutexHold&) = delete;
};

// The printer's name from its information record, else from the spooler,
// into `dest` of kWsPrinterNameChars. False when there is none.
bool PrinterName(HANDLE printer, const PRINTER_INFO_2W* info, WCHAR* dest);

// Characters of a whole-section copy (61440 bytes).
constexpr size_t kSectionChars = 30720;
// Copies section `from` of `fromFile` over section `to` of `toFile`. A
// missing or empty source section copies nothing, nor does one longer than
// the buffer. False when the buffer cannot be had, a name cannot be used,
// the section is too long or the write fails.
bool CopySection(const WCHAR* fromFile, const WCHAR* from, const WCHAR* toFile, const WCHAR* to);

// The file-name part of `path` (after its last backslash), null without one.
const WCHAR* FileNamePart(const WCHAR* path);
// The folder of `path` without its trailing backslash into `dest` of
// `cap`; false without a backslash or when it does not fit.
bool FolderOf(WCHAR* dest, size_t cap, const WCHAR* path);
// `dir`, one backslash and `name` into `dest` of `cap` (never cut).
bool JoinPath(WCHAR* dest, size_t cap, const WCHAR* dir, const WCHAR* name);

// The per-printer INI of the private directory (which 0) or of the user
// (which 1) and its folder. False when either cannot be had.
bool IniAndFolder(int which, WCHAR* ini, WCHAR* folder);

// The two lists of the per-printer INI: entry keys "PresetList%d" and
// "QualityList%d" (with "Name", presets also "Comment"), their count keys
// and the extension of their deployed files.
struct ListKind {
    const char* stem;
    const WCHAR* countKey;
    const WCHAR* extension;
    bool presets;
};
inline constexpr ListKind kPresetList{"PresetList%d", u"Count", u"rsd", true};
inline constexpr ListKind kQualityList{"QualityList%d", u"QualityCount", u"rsq", false};
inline constexpr const ListKind* kLists[] = {&kPresetList, &kQualityList};
constexpr size_t kKeyChars = 40;
// The key of entry `n` followed by `tail` ("" , "Name", "Comment").
WCHAR* ListKey(WCHAR* buffer, const ListKind& list, int n, const char* tail);
// Sections a list file carries along when it moves: the printer's own, and
// "condition" and "disable" as asked.
constexpr uint32_t kMoveCondition = 0x1;
constexpr uint32_t kMoveDisable = 0x2;
// The printer's sections of list file `from` copied into `to`. False when a
// copy fails.
bool CopyListFileSections(const WCHAR* from, const WCHAR* to, const WCHAR* printer, uint32_t sections);

}  // namespace vesk::install
